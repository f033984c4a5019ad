#pragma once

// The plan of a batch: which files are worked on, where each copy goes, and what is wrong with
// the command line as a whole, all settled before any file is written.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli_arguments.h"

namespace orvane::cli {

enum class ItemKind {
  Image,     // to be watermarked
  NotImage,  // found in a folder or by a wildcard, not an image Orvane reads: skipped with a note
  Nothing,   // a folder or wildcard that found no image: a failure
};

// One line of the batch's report, in the order of the inputs.
struct PlanItem {
  ItemKind kind = ItemKind::Image;
  std::wstring input;        // as the user reads it
  std::wstring output;       // as the user reads it; empty unless an image
  std::wstring input_full;   // full paths, for the file system
  std::wstring output_full;
  bool named = false;         // named on the command line, not found
  bool make_folder = false;   // the output's folder is made when missing (mirrored below -o)
  std::wstring message;       // why a NotImage or Nothing item is what it is
  std::optional<std::uint32_t> width, height;  // from the image's header, when it has a readable one
  std::uint64_t input_bytes = 0;
  std::uint64_t sequence = 1;  // the image's number in the whole batch (every slice alike), for {n}
};

struct Plan {
  std::vector<PlanItem> items;           // this slice's
  std::vector<std::wstring> input_paths;  // full paths of every image input of the whole batch
  std::wstring output_folder;             // full path of the -o folder, when outputs go into one
  bool output_folder_missing = false;     // to be made before the first file
  std::size_t images = 0;                 // Image items in this slice
};

struct PlanProgress {
  std::function<bool()> stop;               // polled; true ends the planning
  std::function<void(std::size_t)> found;   // files found so far
};

enum class PlanOutcome { Ready, BadUsage, Stopped };

// Settles the batch; on BadUsage, `errors` holds one line each (without a prefix).
[[nodiscard]] PlanOutcome make_plan(const CliArguments& arguments, const PlanProgress& progress, Plan& plan,
                                    std::vector<std::wstring>& errors);

// The name the application suggests too: the input's stem + "-watermarked" + its extension.
[[nodiscard]] std::wstring default_output_name(const std::wstring& input);

// True for the extensions of the formats the engine reads (.jpg, .png, ...), in any case.
[[nodiscard]] bool has_image_extension(const std::wstring& name);

}  // namespace orvane::cli
