#pragma once

#include <windows.h>

#include <dwrite.h>

#include <string_view>

#include "ui/graphics/surface_text_measurer.h"

namespace win32_ui::ui::graphics::test {

// The surface's six "Segoe UI" fonts at a dpi and UI scale, deleted on destruction.
class TestSurfaceFonts {
 public:
  TestSurfaceFonts(float dpi, float ui_scale);
  ~TestSurfaceFonts();
  TestSurfaceFonts(const TestSurfaceFonts&) = delete;
  TestSurfaceFonts& operator=(const TestSurfaceFonts&) = delete;

  // Makes the fonts again for another dpi and scale, as a surface does on a DPI change.
  void rebuild(float new_dpi, float new_ui_scale);

  SurfaceFonts fonts{};
  float dpi = 96.0f;
  float ui_scale = 1.0f;
};

// A GDI font of `face` with the given pixel height (negative: em height).
[[nodiscard]] HFONT make_font(const wchar_t* face, LONG height, LONG weight = FW_NORMAL);

// Sum of the design advances of `text`'s glyphs in `family` at `em_size`, straight from the
// font's tables (no layout); glyph 0 (the missing-glyph box) is used for every character
// when `boxes` is true. Negative when the family or a glyph cannot be read.
[[nodiscard]] float glyph_advances(const wchar_t* family, std::wstring_view text, float em_size, bool boxes = false);

}  // namespace win32_ui::ui::graphics::test
