#pragma once

#include <string>
#include <vector>

#include "watermark_options.h"

namespace orvane::cli {

// What one command line asks for: the watermark settings, the input images and where the
// watermarked copies go.
struct CliArguments {
  engine::WatermarkOptions options;  // paths stay empty here; they are set per input
  std::vector<std::wstring> inputs;
  std::wstring output;               // empty: each copy goes beside its input
  bool overwrite = false;            // replace outputs that already exist
  bool help = false;
};

// The application's own watermark settings, which differ from the engine record's defaults.
[[nodiscard]] engine::WatermarkOptions default_cli_options();

// Parses argv[1..]; on bad usage returns false with a one-line message in `error`.
[[nodiscard]] bool parse_cli_arguments(int argc, const wchar_t* const* argv, CliArguments& arguments,
                                       std::wstring& error);

// The text that --help prints.
[[nodiscard]] std::wstring usage_text();

}  // namespace orvane::cli
