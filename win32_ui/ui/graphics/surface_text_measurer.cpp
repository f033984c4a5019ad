#include "ui/graphics/surface_text_measurer.h"

#include <climits>
#include <cmath>

#include "platform/windows/gdi_handle.h"

namespace win32_ui::ui::graphics {

namespace {

// A dpi or scale that is not a positive finite number counts as `fallback`.
float positive_or(float value, float fallback) { return std::isfinite(value) && value > 0.0f ? value : fallback; }

}  // namespace

std::optional<TextExtent> measure_text_with_gdi(HFONT font, std::wstring_view text) {
  if (font == nullptr || text.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  const platform::MemoryDc dc(nullptr);
  if (!dc) return std::nullopt;
  const platform::SelectedObject selected(dc.get(), font);
  if (!selected.ok()) return std::nullopt;
  SIZE size{};
  if (!GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &size)) return std::nullopt;
  return TextExtent{static_cast<float>(size.cx), static_cast<float>(size.cy)};
}

SurfaceTextMeasurer::SurfaceTextMeasurer(const SurfaceFonts& fonts, const float& dpi, const float& ui_scale,
                                         PrimaryMeasure primary) noexcept
    : fonts_(fonts), dpi_(dpi), ui_scale_(ui_scale), primary_(primary) {}

std::optional<layout::Size> SurfaceTextMeasurer::measure(std::wstring_view text, int text_style) {
  if (text_style < 1 || text_style > static_cast<int>(fonts_.size())) return std::nullopt;
  // A font the surface failed to make has no metrics worth reporting.
  const HFONT font = fonts_[static_cast<std::size_t>(text_style - 1)];
  if (font == nullptr) return std::nullopt;
  std::optional<TextExtent> pixels = primary_ != nullptr ? primary_(font, text) : std::nullopt;
  if (!pixels) pixels = measure_text_with_gdi(font, text);
  if (!pixels) return std::nullopt;
  const float pixels_per_dip = positive_or(dpi_, 96.0f) / 96.0f * positive_or(ui_scale_, 1.0f);
  return layout::Size{pixels->width / pixels_per_dip, pixels->height / pixels_per_dip};
}

}  // namespace win32_ui::ui::graphics
