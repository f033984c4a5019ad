#pragma once

#include <cstdint>
#include <string>

#include "ui_language.h"
#include "watermark_options.h"

namespace orvane::app {

// What the controls edit; every preview frame and every export is made from it.
struct WatermarkSettings {
  std::wstring text;
  std::wstring font_family;
  float font_size = 36.0f;  // pixels
  engine::WatermarkColor color{110, 255, 255, 255};  // white at 43 %: the opacity slider edits alpha
  engine::WatermarkLayout layout = engine::WatermarkLayout::Grid;
  float rotation = -30.0f;  // degrees
  float spacing_x = 260.0f;  // pixels
  float spacing_y = 180.0f;  // pixels
  bool fit_to_area = true;
  std::int32_t jpeg_quality = 90;
};

// The settings a run starts with; the text and the font follow the first UI language and stay
// when the language changes later.
[[nodiscard]] WatermarkSettings default_settings(UiLanguage language);

// A fresh engine record for one preview frame or one export of the image at `image_path`. The
// output path is left empty for the export to fill, and the JPEG quality is always the chosen one.
[[nodiscard]] engine::WatermarkOptions make_options(const WatermarkSettings& settings, const std::wstring& image_path);

}  // namespace orvane::app
