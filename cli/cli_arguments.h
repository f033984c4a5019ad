#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "watermark_options.h"

namespace orvane::cli {

// Part `index` (1-based) of `count` equal parts of a batch, for spreading it across machines.
struct Slice {
  std::uint32_t index = 1;
  std::uint32_t count = 1;
};

// What one command line asks for: the watermark settings, the input images and where the
// watermarked copies go, and how a batch runs and reports.
struct CliArguments {
  engine::WatermarkOptions options;  // paths stay empty here; they are set per input
  std::vector<std::wstring> inputs;  // files, folders and wildcards, as typed
  std::wstring output;               // empty: each copy goes beside its input
  bool overwrite = false;            // replace outputs that already exist
  bool skip_existing = false;        // outputs that already exist count as done
  bool recursive = false;            // folders and wildcards reach into sub-folders
  std::uint32_t jobs = 0;            // files worked on at once; 0: one per processor
  std::uint64_t memory_limit = 0;    // bytes the exports at once may count on; 0: what is available
  Slice slice;
  bool quiet = false;                // only failures are printed
  bool json = false;                 // one JSON object per file
  bool no_progress = false;          // records on a console too, instead of the progress line
  bool help = false;
  bool version = false;
  // Presets: the one the settings start from (a file or a user preset by name; the options
  // given on the command line override its values), and where the effective settings are saved.
  std::wstring preset_file;
  std::wstring preset_name;
  std::wstring save_preset_file;
  std::wstring save_preset_name;
  [[nodiscard]] bool saves_preset() const noexcept { return !save_preset_file.empty() || !save_preset_name.empty(); }
};

// The application's own watermark settings, which differ from the engine record's defaults.
[[nodiscard]] engine::WatermarkOptions default_cli_options();

// Parses argv[1..]; on bad usage returns false with a one-line message in `error`. The watermark
// settings start from `preset` when given (the preset the command line names, read by the
// caller), else from default_cli_options().
[[nodiscard]] bool parse_cli_arguments(int argc, const wchar_t* const* argv, CliArguments& arguments,
                                       std::wstring& error, const engine::WatermarkOptions* preset = nullptr);

}  // namespace orvane::cli
