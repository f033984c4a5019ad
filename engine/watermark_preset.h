#pragma once

// A preset: a named mark with its export settings as a small JSON document, so that one mark
// serves the window, scripts and render nodes alike. Platform-free; the files and the user's
// store build on it.
//
// The document (UTF-8, files named *.orvane.json):
//   {"format": "orvane-preset", "version": 1, "name": "Client A", "watermark": {...}}
// "watermark" holds any of these fields; one left out keeps the value the reader started from,
// unknown ones are ignored:
//   text               string, at most 1000 characters; may hold tokens such as {name} or {year}
//   font               string, the font family, not empty
//   size, size_unit    number > 0; "px" or "%" (of the picture's shorter side, 0.5..50)
//   color              "#RRGGBB"
//   opacity            0..1, the fill's opacity (the alpha byte is opacity x 255, rounded)
//   rotation           degrees
//   spacing_x, spacing_y, spacing_unit
//                      numbers; "px" or "%" (2..100)
//   layout             grid, staggered, top-left, top-center, top-right, center-left, center,
//                      center-right, bottom-left, bottom-center, bottom-right
//   fit                true or false
//   margin, margin_unit
//                      number >= 0 ("%": up to 50), or null / absent for none; "px" or "%"
//   logo, logo_size, logo_size_unit
//                      the logo's path ("" for none); its longer side; "px" or "%" (1..100)
//   outline            {"width": 0.., "unit": "px" or "%" (of the mark), "color": "#RRGGBB"}
//   shadow             {"enabled": bool, "offset_x", "offset_y", "blur": numbers,
//                       "unit": "px" or "%", "color": "#RRGGBB", "opacity": 0..1}
//   jpeg_quality       1..100
//   keep_source_quality
//                      true or false
// Input and output paths are never part of a preset.

#include <cstddef>
#include <string>
#include <string_view>

#include "watermark_options.h"

namespace orvane::engine {

inline constexpr int kPresetVersion = 1;
inline constexpr std::size_t kMaxPresetBytes = std::size_t{1} << 20;

// The preset's document for the options' mark and export settings, named `name`; UTF-8, indented.
[[nodiscard]] std::string preset_json(const WatermarkOptions& options, const std::wstring& name);

// Reads a preset's document over `out` (whose paths it never changes; fields the document leaves
// out keep their values). On any fault returns false with a sentence in `error` and changes
// neither `out` nor `name`. Never throws.
[[nodiscard]] bool parse_preset_json(std::string_view utf8, WatermarkOptions& out, std::wstring& name,
                                     std::wstring& error);

}  // namespace orvane::engine
