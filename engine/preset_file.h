#pragma once

// Preset documents (see watermark_preset.h) as files, *.orvane.json, read and written through
// Windows itself.

#include <string>

#include "watermark_options.h"

namespace orvane::engine {

// Reads a preset file over `out` (see parse_preset_json). On any fault returns false with a
// sentence naming the file in `error`, and changes nothing.
[[nodiscard]] bool read_preset_file(const std::wstring& path, WatermarkOptions& out, std::wstring& name,
                                    std::wstring& error);

// Writes the preset to a temporary file beside `path` and then puts it in place, so a failed
// write leaves the file that was there. False with a sentence naming the file on failure.
[[nodiscard]] bool write_preset_file(const std::wstring& path, const WatermarkOptions& options,
                                     const std::wstring& name, std::wstring& error);

// True when the options name a logo that is not there (any more): a preset keeps the path, and
// its reader decides what to do without it.
[[nodiscard]] bool logo_missing(const WatermarkOptions& options);

}  // namespace orvane::engine
