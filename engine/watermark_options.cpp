#include "watermark_options.h"

#include <algorithm>
#include <cmath>

namespace orvane::engine {

bool validate_options(const WatermarkOptions& options, std::wstring& error) {
  if (options.input_path.empty() || options.output_path.empty()) {
    error = L"Input or output path is empty.";
    return false;
  }
  if (options.text.empty()) {
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
  pixels.font_size_unit = pixels.spacing_unit = pixels.margin_unit = LengthUnit::pixels;
  return pixels;
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

std::uint8_t alpha_from_opacity(double opacity) noexcept {
  if (!(opacity > 0.0)) return 0;  // also catches NaN
  const double scaled = std::round(opacity * 255.0);
  return scaled >= 255.0 ? std::uint8_t{255} : static_cast<std::uint8_t>(scaled);
}

}  // namespace orvane::engine
