#pragma once

// What a batch says about each file and about itself: the one-line records, the JSON objects,
// the console's progress line and summary. Text only; writing it is the caller's.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "batch_plan.h"
#include "image_export.h"

namespace orvane::cli {

enum class ItemStatus { Written, Skipped, Failed, Cancelled };

// How one item of the plan ended.
struct ItemResult {
  ItemStatus status = ItemStatus::Failed;
  std::wstring message;              // written: the description of the copy; else the reason
  bool counts_as_failure = false;    // makes the exit status 1
  bool existing_output = false;      // skipped because its output already exists
  engine::ExportReport report;       // of a written copy
  std::uint64_t output_bytes = 0;    // of a written copy
  std::optional<double> milliseconds;  // of an export that ran
};

// "WIDTHxHEIGHT, orientation N, MIME [qQUALITY]" for a written image.
[[nodiscard]] std::wstring describe(const engine::ExportReport& report);

// The text between quotes, as a JSON string with its quotes: quotes, backslashes and control
// characters escaped, lone surrogates (which no UTF-8 can carry) as \uXXXX, all else as it is.
[[nodiscard]] std::wstring json_string(std::wstring_view text);

// One file as one JSON object on one line (no line break).
[[nodiscard]] std::wstring json_record(const PlanItem& item, const ItemResult& result);

// The counts a progress line and a summary are made of.
struct BatchFigures {
  std::size_t images = 0;      // images in this run's plan
  std::size_t written = 0;
  std::size_t failed = 0;      // not abandoned by Ctrl+C: those are left for the next run
  std::size_t existing = 0;    // skipped: the output exists
  std::size_t not_images = 0;  // found files that are no images
  std::size_t nothing = 0;     // folders and wildcards that found no image
  double seconds = 0;          // since the first file started
  double seconds_at_last = 0;  // when the last file worked on was counted
  std::uint64_t pixels_done = 0;   // of the files worked on (written or failed)
  std::uint64_t pixels_left = 0;   // of the files not finished yet
  bool stopping = false;           // Ctrl+C: no new file starts
  [[nodiscard]] std::size_t done() const { return written + failed + existing; }
};

// "37/120 done, 1 failed, 2 skipped, 2.4 images/s, about 0:34 left", at most `columns` - 1
// characters so that it never wraps. The speed is that up to the last file counted; the time
// left is the pixels still to do at that speed, counting down since.
[[nodiscard]] std::wstring progress_line(const BatchFigures& figures, std::size_t columns);

// The console's last line, e.g. "120 images: 117 written, 1 failed, 2 skipped (...) in 41.2 s (2.9 images/s)".
[[nodiscard]] std::wstring summary_line(const BatchFigures& figures, bool interrupted);

// "0:34", "12:05" or "1:02:03".
[[nodiscard]] std::wstring clock_text(double seconds);

}  // namespace orvane::cli
