#include "text_test_fonts.h"

#include <wrl/client.h>

#include <cmath>
#include <vector>

#include "ui/graphics/direct_write_factory.h"

namespace win32_ui::ui::graphics::test {

using Microsoft::WRL::ComPtr;

HFONT make_font(const wchar_t* face, LONG height, LONG weight) {
  return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

TestSurfaceFonts::TestSurfaceFonts(float dpi_value, float ui_scale_value) { rebuild(dpi_value, ui_scale_value); }

void TestSurfaceFonts::rebuild(float new_dpi, float new_ui_scale) {
  for (HFONT& font : fonts) {
    if (font != nullptr) DeleteObject(font);
    font = nullptr;
  }
  dpi = new_dpi;
  ui_scale = new_ui_scale;
  constexpr float points[6] = {22, 15, 11, 9, 11, 12};
  constexpr LONG weights[6] = {600, 600, 400, 400, 600, 600};
  for (int i = 0; i < 6; ++i) {
    const LONG height = -static_cast<LONG>(std::lround(points[i] * ui_scale * dpi / 72.0f));
    fonts[i] = make_font(L"Segoe UI", height, weights[i]);
  }
}

TestSurfaceFonts::~TestSurfaceFonts() {
  for (HFONT font : fonts) DeleteObject(font);
}

float glyph_advances(const wchar_t* family, std::wstring_view text, float em_size, bool boxes) {
  IDWriteFactory* factory = direct_write_factory();
  ComPtr<IDWriteFontCollection> collection;
  if (factory == nullptr || FAILED(factory->GetSystemFontCollection(&collection, FALSE))) return -1;
  UINT32 index = 0;
  BOOL exists = FALSE;
  ComPtr<IDWriteFontFamily> font_family;
  ComPtr<IDWriteFont> font;
  ComPtr<IDWriteFontFace> face;
  if (FAILED(collection->FindFamilyName(family, &index, &exists)) || !exists ||
      FAILED(collection->GetFontFamily(index, &font_family)) ||
      FAILED(font_family->GetFirstMatchingFont(DWRITE_FONT_WEIGHT_NORMAL, DWRITE_FONT_STRETCH_NORMAL,
                                               DWRITE_FONT_STYLE_NORMAL, &font)) ||
      FAILED(font->CreateFontFace(&face))) {
    return -1;
  }
  std::vector<UINT32> code_points(text.begin(), text.end());
  std::vector<UINT16> glyphs(code_points.size());
  if (FAILED(face->GetGlyphIndices(code_points.data(), static_cast<UINT32>(code_points.size()), glyphs.data()))) {
    return -1;
  }
  for (UINT16& glyph : glyphs) {
    if (boxes) glyph = 0;
    else if (glyph == 0) return -1;
  }
  std::vector<DWRITE_GLYPH_METRICS> metrics(glyphs.size());
  DWRITE_FONT_METRICS font_metrics{};
  face->GetMetrics(&font_metrics);
  if (FAILED(face->GetDesignGlyphMetrics(glyphs.data(), static_cast<UINT32>(glyphs.size()), metrics.data(), FALSE))) {
    return -1;
  }
  float total = 0;
  for (const auto& glyph : metrics) total += static_cast<float>(glyph.advanceWidth);
  return total * em_size / static_cast<float>(font_metrics.designUnitsPerEm);
}

}  // namespace win32_ui::ui::graphics::test
