#pragma once

// How one item of a batch ended, as codes and figures: each front words it in its own language.

#include <cstdint>
#include <optional>
#include <string>

#include "image_export.h"

namespace orvane::batch {

enum class ItemStatus {
  Written,
  Skipped,
  Failed,
  Cancelled,   // abandoned while its export ran; nothing was written
  NotStarted,  // the batch was stopped before it began
};

// Why an item ended as it did.
enum class ItemReason {
  None,                      // written, or never started
  NotImage,                  // the plan's NotImage item (its note says why)
  NothingFound,              // the plan's Nothing item (its note says why)
  SourceWouldBeOverwritten,  // its output is one of the batch's sources
  OutputWrittenEarlier,      // its output is a copy this batch wrote for an earlier input
  OutputUnknown,             // whether its output exists cannot be told
  OutputExists,              // skipped: its output exists and the batch does not overwrite
  OutputFolderMissing,       // its output's folder does not exist (or could not be made)
  OverMemoryLimit,           // its export needs more than the strict memory budget
  ExportFailed,              // the engine's own message is in `engine_error`
  Cancelled,                 // abandoned while its export ran
  OutOfMemory,               // its work ran out of memory outside the export's own checks
};

struct ItemResult {
  ItemStatus status = ItemStatus::Failed;
  ItemReason reason = ItemReason::None;
  bool counts_as_failure = false;      // the batch as a whole failed (the CLI's exit status 1)
  std::wstring engine_error;           // ExportFailed: the engine's message, English in every front
  std::uint64_t bytes_needed = 0;      // OverMemoryLimit: what its export needs
  std::uint64_t memory_budget = 0;     // OverMemoryLimit: what the batch allows
  engine::ExportReport report;         // of a written copy
  std::uint64_t output_bytes = 0;      // of a written copy
  std::optional<double> milliseconds;  // of an export that ran
};

}  // namespace orvane::batch
