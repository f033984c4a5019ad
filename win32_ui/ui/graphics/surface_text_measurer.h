#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string_view>

#include "layout/text_measurer.h"
#include "ui/graphics/text_measure.h"

namespace win32_ui::ui::graphics {

// The surface's six GDI fonts, text styles 1 to 6.
using SurfaceFonts = std::array<HFONT, 6>;

// Measures layout text with the surface's fonts: DirectWrite first, GDI when that fails, the
// pixel result turned into DIPs at the surface's current dpi and UI scale. It reads the
// surface's fonts, dpi and scale through references, so it follows their changes.
class SurfaceTextMeasurer final : public layout::TextMeasurer {
 public:
  // How text is measured before GDI is tried; replaceable so the GDI path can be exercised.
  using PrimaryMeasure = std::optional<TextExtent> (*)(HFONT font, std::wstring_view text);

  SurfaceTextMeasurer(const SurfaceFonts& fonts, const float& dpi, const float& ui_scale,
                      PrimaryMeasure primary = &measure_text) noexcept;
  ~SurfaceTextMeasurer() override = default;

  // Size in DIPs of `text` in style 1 to 6; no value for other styles, a missing font, or when
  // neither DirectWrite nor GDI can measure.
  std::optional<layout::Size> measure(std::wstring_view text, int text_style) override;

 private:
  const SurfaceFonts& fonts_;
  const float& dpi_;
  const float& ui_scale_;
  PrimaryMeasure primary_;
};

// Measures `text` on one line with GDI in `font` (pixels); no value on failure.
[[nodiscard]] std::optional<TextExtent> measure_text_with_gdi(HFONT font, std::wstring_view text);

}  // namespace win32_ui::ui::graphics
