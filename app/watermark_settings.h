#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ui_language.h"
#include "watermark_options.h"

namespace orvane::app {

// What the controls edit; every preview frame and every export is made from it.
struct WatermarkSettings {
  std::wstring text;
  std::wstring font_family;
  float font_size = 36.0f;  // in `unit`
  engine::WatermarkColor color{110, 255, 255, 255};  // white at 43 %: the opacity slider edits alpha
  engine::WatermarkLayout layout = engine::WatermarkLayout::Grid;
  float rotation = -30.0f;  // degrees
  float spacing_x = 260.0f;  // in `unit`
  float spacing_y = 180.0f;  // in `unit`
  bool fit_to_area = true;
  std::int32_t jpeg_quality = 90;
  // What the size, the spacings, the margin and the logo's size are given in: one choice, so a
  // mark set in percent looks alike on every photo.
  engine::LengthUnit unit = engine::LengthUnit::pixels;
  // The anchored layouts but the centre: none centres the stamp in its ninth.
  std::optional<float> margin;  // in `unit`
  std::wstring logo_path;       // none when empty
  float logo_size = 150.0f;     // the logo's longer side, in `unit`
  bool outline = false;
  float outline_width = 8.0f;   // percent of the text size
  engine::WatermarkColor outline_color{255, 0, 0, 0};
  bool shadow = false;
  engine::WatermarkColor shadow_color{153, 0, 0, 0};  // its alpha is the shadow's own opacity
  // Not among the controls, but kept, so a preset made elsewhere comes back out as it went in.
  float shadow_offset_x = 5.0f;
  float shadow_offset_y = 5.0f;
  float shadow_blur = 8.0f;
  engine::EffectUnit shadow_unit = engine::EffectUnit::percent_of_mark;
};

// The settings that stand for a preset's options: the lengths in the unit of its size, the others
// converted on a picture whose shorter side is `shorter_side` pixels; what the options do not hold
// (the font list's family when theirs is empty) stays as `base` has it.
[[nodiscard]] WatermarkSettings settings_from_options(const engine::WatermarkOptions& options,
                                                      const WatermarkSettings& base, std::uint32_t shorter_side);

// The lengths that follow the unit, moved to `unit` so the mark keeps its look on a picture whose
// shorter side is `shorter_side` pixels (the open photo's, or a typical one), each rounded and held
// to its control's range.
void change_unit(WatermarkSettings& settings, engine::LengthUnit unit, std::uint32_t shorter_side);

// The range the controls take a length in for a unit.
struct LengthRange {
  float low;
  float high;
};
[[nodiscard]] LengthRange font_size_range(engine::LengthUnit unit) noexcept;
[[nodiscard]] LengthRange spacing_range(engine::LengthUnit unit) noexcept;
[[nodiscard]] LengthRange margin_range(engine::LengthUnit unit) noexcept;
[[nodiscard]] LengthRange logo_size_range(engine::LengthUnit unit) noexcept;

// The settings a run starts with; the text and the font follow the first UI language and stay
// when the language changes later.
[[nodiscard]] WatermarkSettings default_settings(UiLanguage language);

// A fresh engine record for one preview frame or one export of the image at `image_path`. The
// output path is left empty for the export to fill, and the JPEG quality is always the chosen one.
[[nodiscard]] engine::WatermarkOptions make_options(const WatermarkSettings& settings, const std::wstring& image_path);

}  // namespace orvane::app
