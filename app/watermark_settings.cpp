#include "watermark_settings.h"

#include <algorithm>
#include <cmath>

namespace orvane::app {

namespace {

using engine::LengthUnit;

bool in_percent(LengthUnit unit) noexcept { return unit == LengthUnit::percent_of_shorter_side; }

// `value` from one unit to the other on a picture whose shorter side is `shorter` pixels: whole
// pixels, or percent to a hundredth, within `range`.
float converted(float value, LengthUnit to, float shorter, LengthRange range) {
  const float moved = in_percent(to) ? std::round(value * 10000.0f / shorter) / 100.0f : std::round(value * shorter / 100.0f);
  return std::clamp(moved, range.low, range.high);
}

}  // namespace

WatermarkSettings default_settings(UiLanguage language) {
  WatermarkSettings settings;
  const bool chinese = language == UiLanguage::simplified_chinese;
  settings.text = chinese ? L"示例水印" : L"Sample watermark";
  settings.font_family = chinese ? L"Microsoft YaHei UI" : L"Segoe UI";
  return settings;
}

LengthRange font_size_range(LengthUnit unit) noexcept {
  return in_percent(unit) ? LengthRange{engine::min_font_size_percent, engine::max_font_size_percent}
                          : LengthRange{6.0f, 500.0f};
}

LengthRange spacing_range(LengthUnit unit) noexcept {
  return in_percent(unit) ? LengthRange{engine::min_spacing_percent, engine::max_spacing_percent}
                          : LengthRange{32.0f, 5000.0f};
}

LengthRange margin_range(LengthUnit unit) noexcept {
  return in_percent(unit) ? LengthRange{0.0f, engine::max_margin_percent} : LengthRange{0.0f, 5000.0f};
}

LengthRange logo_size_range(LengthUnit unit) noexcept {
  return in_percent(unit) ? LengthRange{engine::min_logo_size_percent, engine::max_logo_size_percent}
                          : LengthRange{8.0f, 5000.0f};
}

void change_unit(WatermarkSettings& settings, LengthUnit unit, std::uint32_t shorter_side) {
  if (settings.unit == unit) return;
  const float shorter = static_cast<float>(std::max<std::uint32_t>(shorter_side, 1));
  settings.font_size = converted(settings.font_size, unit, shorter, font_size_range(unit));
  settings.spacing_x = converted(settings.spacing_x, unit, shorter, spacing_range(unit));
  settings.spacing_y = converted(settings.spacing_y, unit, shorter, spacing_range(unit));
  if (settings.margin) settings.margin = converted(*settings.margin, unit, shorter, margin_range(unit));
  settings.logo_size = converted(settings.logo_size, unit, shorter, logo_size_range(unit));
  settings.unit = unit;
}

engine::WatermarkOptions make_options(const WatermarkSettings& settings, const std::wstring& image_path) {
  engine::WatermarkOptions options;
  options.input_path = image_path;
  options.output_path.clear();
  options.text = settings.text;
  options.font_family = settings.font_family;
  options.font_size = settings.font_size;
  options.color = settings.color;
  options.rotation = settings.rotation;
  options.spacing_x = settings.spacing_x;
  options.spacing_y = settings.spacing_y;
  options.jpeg_quality = settings.jpeg_quality;
  options.keep_source_jpeg_quality = false;
  options.layout = settings.layout;
  options.fit_to_area = settings.fit_to_area;
  options.font_size_unit = options.spacing_unit = options.margin_unit = options.logo_size_unit = settings.unit;
  options.margin = settings.margin;
  options.logo_path = settings.logo_path;
  options.logo_size = settings.logo_size;
  options.outline_width = settings.outline ? settings.outline_width : 0.0f;
  options.outline_unit = engine::EffectUnit::percent_of_mark;
  options.outline_color = settings.outline_color;
  options.shadow = settings.shadow;
  options.shadow_color = settings.shadow_color;
  options.shadow_offset_x = settings.shadow_offset_x;
  options.shadow_offset_y = settings.shadow_offset_y;
  options.shadow_blur = settings.shadow_blur;
  options.shadow_unit = settings.shadow_unit;
  return options;
}

WatermarkSettings settings_from_options(const engine::WatermarkOptions& options, const WatermarkSettings& base,
                                        std::uint32_t shorter_side) {
  WatermarkSettings s = base;
  const float shorter = static_cast<float>(std::max<std::uint32_t>(shorter_side, 1));
  const LengthUnit unit = options.font_size_unit;
  // A length in `from` as the settings' unit has it.
  const auto in_unit = [&](float value, LengthUnit from, LengthRange range) {
    return from == unit ? value : converted(value, unit, shorter, range);
  };
  s.unit = unit;
  s.text = options.text;
  if (!options.font_family.empty()) s.font_family = options.font_family;
  s.font_size = options.font_size;
  s.color = options.color;
  s.rotation = options.rotation;
  s.spacing_x = in_unit(options.spacing_x, options.spacing_unit, spacing_range(unit));
  s.spacing_y = in_unit(options.spacing_y, options.spacing_unit, spacing_range(unit));
  s.jpeg_quality = options.jpeg_quality;
  s.layout = options.layout;
  s.fit_to_area = options.fit_to_area;
  s.margin.reset();
  if (options.margin) s.margin = in_unit(*options.margin, options.margin_unit, margin_range(unit));
  s.logo_path = options.logo_path;
  s.logo_size = in_unit(options.logo_size, options.logo_size_unit, logo_size_range(unit));
  s.outline = options.outline_width > 0.0f;
  if (s.outline) {
    // The window gives the outline in percent of the text size.
    const float text_pixels = unit == LengthUnit::percent_of_shorter_side ? options.font_size * shorter / 100.0f
                                                                          : options.font_size;
    const float width = options.outline_unit == engine::EffectUnit::percent_of_mark
                            ? options.outline_width
                            : options.outline_width * 100.0f / std::max(text_pixels, 1.0f);
    s.outline_width = std::clamp(std::round(width * 100.0f) / 100.0f, 1.0f, 50.0f);
  }
  s.outline_color = options.outline_color;
  s.outline_color.alpha = 255;
  s.shadow = options.shadow;
  s.shadow_color = options.shadow_color;
  s.shadow_offset_x = options.shadow_offset_x;
  s.shadow_offset_y = options.shadow_offset_y;
  s.shadow_blur = options.shadow_blur;
  s.shadow_unit = options.shadow_unit;
  return s;
}

}  // namespace orvane::app
