#include "watermark_options.h"

#include <algorithm>
#include <cmath>

namespace orvane::engine {

bool validate_options(const WatermarkOptions& options, std::wstring& error) {
  if (options.input_path.empty() || options.output_path.empty()) {
    error = L"Input or output path is empty.";
    return false;
  }
  if (options.text.empty() && options.logo_path.empty()) {
    error = L"Watermark text must not be empty.";
    return false;
  }
  if (options.text.size() > max_text_length) {
    error = L"Watermark text must be at most " + std::to_wstring(max_text_length) + L" characters.";
    return false;
  }
  if (!(options.font_size > 0.0f)) {
    error = L"Font size must be greater than zero.";
    return false;
  }
  if (options.font_size_unit == LengthUnit::percent_of_shorter_side &&
      !(options.font_size >= min_font_size_percent && options.font_size <= max_font_size_percent)) {
    error = L"Font size must be within 0.5-50 percent of the image's shorter side.";
    return false;
  }
  if (options.spacing_unit == LengthUnit::percent_of_shorter_side &&
      !(options.spacing_x >= min_spacing_percent && options.spacing_x <= max_spacing_percent &&
        options.spacing_y >= min_spacing_percent && options.spacing_y <= max_spacing_percent)) {
    error = L"Spacing must be within 2-100 percent of the image's shorter side.";
    return false;
  }
  if (options.margin && !(*options.margin >= 0.0f && std::isfinite(*options.margin))) {
    error = L"Margin must be zero or more.";
    return false;
  }
  if (options.margin && options.margin_unit == LengthUnit::percent_of_shorter_side &&
      *options.margin > max_margin_percent) {
    error = L"Margin must be at most half of the image's shorter side.";
    return false;
  }
  if (!options.logo_path.empty() && options.logo_size_unit == LengthUnit::percent_of_shorter_side &&
      !(options.logo_size >= min_logo_size_percent && options.logo_size <= max_logo_size_percent)) {
    error = L"Logo size must be within 1-100 percent of the image's shorter side.";
    return false;
  }
  if (!options.logo_path.empty() && !(options.logo_size > 0.0f && std::isfinite(options.logo_size))) {
    error = L"Logo size must be greater than zero.";
    return false;
  }
  const bool outline_percent = options.outline_unit == EffectUnit::percent_of_mark;
  if (!(options.outline_width >= 0.0f && options.outline_width <= (outline_percent ? max_outline_percent
                                                                                     : max_outline_pixels))) {
    error = outline_percent ? L"Outline width must be within 0-50 percent of the mark's size."
                            : L"Outline width must be within 0-200 pixels.";
    return false;
  }
  if (options.shadow) {
    const bool percent = options.shadow_unit == EffectUnit::percent_of_mark;
    const float most = percent ? max_shadow_percent : max_shadow_pixels;
    if (!(options.shadow_blur >= 0.0f && options.shadow_blur <= most)) {
      error = percent ? L"Shadow blur must be within 0-100 percent of the mark's size."
                      : L"Shadow blur must be within 0-1000 pixels.";
      return false;
    }
    if (!(std::fabs(options.shadow_offset_x) <= most && std::fabs(options.shadow_offset_y) <= most)) {
      error = percent ? L"Shadow offsets must be within -100-100 percent of the mark's size."
                      : L"Shadow offsets must be within -1000-1000 pixels.";
      return false;
    }
  }
  if (options.jpeg_quality < 1 || options.jpeg_quality > 100) {
    error = L"JPEG quality must be within 1-100.";
    return false;
  }
  return true;
}

WatermarkOptions in_pixels(const WatermarkOptions& options, std::uint32_t width, std::uint32_t height) {
  const float shorter = static_cast<float>(std::min(width, height));
  const auto resolved = [shorter](float length, LengthUnit unit) {
    return unit == LengthUnit::percent_of_shorter_side ? length * shorter / 100.0f : length;
  };
  WatermarkOptions pixels = options;
  pixels.font_size = resolved(options.font_size, options.font_size_unit);
  pixels.spacing_x = resolved(options.spacing_x, options.spacing_unit);
  pixels.spacing_y = resolved(options.spacing_y, options.spacing_unit);
  if (options.margin) pixels.margin = resolved(*options.margin, options.margin_unit);
  pixels.logo_size = resolved(options.logo_size, options.logo_size_unit);
  pixels.font_size_unit = pixels.spacing_unit = pixels.margin_unit = pixels.logo_size_unit = LengthUnit::pixels;
  // The effects follow the mark: the text's size, or the logo's for a logo alone.
  const float mark = options.text.empty() && !options.logo_path.empty() ? pixels.logo_size : pixels.font_size;
  const auto effect = [mark](float length, EffectUnit unit) {
    return unit == EffectUnit::percent_of_mark ? length * mark / 100.0f : length;
  };
  pixels.outline_width = effect(options.outline_width, options.outline_unit);
  pixels.shadow_offset_x = effect(options.shadow_offset_x, options.shadow_unit);
  pixels.shadow_offset_y = effect(options.shadow_offset_y, options.shadow_unit);
  pixels.shadow_blur = effect(options.shadow_blur, options.shadow_unit);
  pixels.outline_unit = pixels.shadow_unit = EffectUnit::pixels;
  return pixels;
}

WatermarkOptions scaled_by(const WatermarkOptions& pixels, float factor) {
  WatermarkOptions scaled = pixels;
  scaled.font_size = std::max(pixels.font_size * factor, 1.0f);
  scaled.spacing_x = std::max(pixels.spacing_x * factor, 1.0f);
  scaled.spacing_y = std::max(pixels.spacing_y * factor, 1.0f);
  if (pixels.margin) scaled.margin = *pixels.margin * factor;
  scaled.logo_size = std::max(pixels.logo_size * factor, 1.0f);
  scaled.outline_width = pixels.outline_width * factor;
  scaled.shadow_offset_x = pixels.shadow_offset_x * factor;
  scaled.shadow_offset_y = pixels.shadow_offset_y * factor;
  scaled.shadow_blur = pixels.shadow_blur * factor;
  return scaled;
}

bool is_rich_mark(const WatermarkOptions& options) noexcept {
  return !options.logo_path.empty() || options.outline_width > 0.0f || options.shadow;
}

bool validate_for_picture(const WatermarkOptions& pixels, std::uint32_t width, std::uint32_t height,
                          std::wstring& error) {
  const auto layout = static_cast<int>(pixels.layout);
  const bool edge_placed = layout >= static_cast<int>(WatermarkLayout::TopLeft) &&
                           layout <= static_cast<int>(WatermarkLayout::BottomRight) &&
                           pixels.layout != WatermarkLayout::Center;
  if (edge_placed && pixels.margin && *pixels.margin > static_cast<float>(std::min(width, height)) / 2.0f) {
    error = L"Margin must be at most half of the image's shorter side.";
    return false;
  }
  return true;
}

namespace {

struct LayoutName {
  const wchar_t* name;
  WatermarkLayout layout;
};

constexpr LayoutName kLayoutNames[] = {
    {L"grid", WatermarkLayout::Grid},
    {L"staggered", WatermarkLayout::StaggeredGrid},
    {L"top-left", WatermarkLayout::TopLeft},
    {L"top-center", WatermarkLayout::TopCenter},
    {L"top-right", WatermarkLayout::TopRight},
    {L"center-left", WatermarkLayout::CenterLeft},
    {L"center", WatermarkLayout::Center},
    {L"center-right", WatermarkLayout::CenterRight},
    {L"bottom-left", WatermarkLayout::BottomLeft},
    {L"bottom-center", WatermarkLayout::BottomCenter},
    {L"bottom-right", WatermarkLayout::BottomRight},
};

}  // namespace

const wchar_t* layout_name(WatermarkLayout layout) noexcept {
  for (const auto& entry : kLayoutNames) {
    if (entry.layout == layout) return entry.name;
  }
  return L"grid";
}

std::optional<WatermarkLayout> layout_from_name(std::wstring_view name) {
  for (const auto& entry : kLayoutNames) {
    const std::wstring_view known = entry.name;
    if (known.size() == name.size() &&
        std::equal(known.begin(), known.end(), name.begin(), [](wchar_t a, wchar_t b) {
          return a == (b >= L'A' && b <= L'Z' ? static_cast<wchar_t>(b - L'A' + L'a') : b);
        })) {
      return entry.layout;
    }
  }
  return std::nullopt;
}

std::uint8_t alpha_from_opacity(double opacity) noexcept {
  if (!(opacity > 0.0)) return 0;  // also catches NaN
  const double scaled = std::round(opacity * 255.0);
  return scaled >= 255.0 ? std::uint8_t{255} : static_cast<std::uint8_t>(scaled);
}

}  // namespace orvane::engine
