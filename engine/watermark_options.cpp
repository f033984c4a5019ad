#include "watermark_options.h"

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
  if (options.jpeg_quality < 1 || options.jpeg_quality > 100) {
    error = L"JPEG quality must be within 1-100.";
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
