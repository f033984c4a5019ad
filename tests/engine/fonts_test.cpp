// The fonts the program asks for must resolve to real fonts, and Chinese text must draw as
// glyphs; a fresh Wine prefix finds none of these names, so this guards the test set-up too.

#include <gtest/gtest.h>

#include "gdiplus_headers.h"

#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

namespace gp = Gdiplus::DllExports;
using orvane::test::GdiplusScope;

// Draws `text` in black on white and returns the pixels.
std::vector<std::uint32_t> render(const std::wstring& family_name, const std::wstring& text, int& ink,
                                  INT style = Gdiplus::FontStyleRegular) {
  constexpr int kSize = 64;
  Gdiplus::GpBitmap* bitmap = nullptr;
  gp::GdipCreateBitmapFromScan0(kSize, kSize, 0, PixelFormat32bppARGB, nullptr, &bitmap);
  Gdiplus::GpGraphics* graphics = nullptr;
  gp::GdipGetImageGraphicsContext(bitmap, &graphics);
  gp::GdipGraphicsClear(graphics, 0xFFFFFFFF);
  Gdiplus::GpFontFamily* family = nullptr;
  gp::GdipCreateFontFamilyFromName(family_name.c_str(), nullptr, &family);
  Gdiplus::GpFont* font = nullptr;
  gp::GdipCreateFont(family, 40, style, Gdiplus::UnitPixel, &font);
  Gdiplus::GpSolidFill* brush = nullptr;
  gp::GdipCreateSolidFill(0xFF000000, &brush);
  Gdiplus::RectF rect(4, 4, 0, 0);
  gp::GdipDrawString(graphics, text.c_str(), static_cast<INT>(text.size()), font, &rect, nullptr, brush);
  std::vector<std::uint32_t> pixels(kSize * kSize);
  ink = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      Gdiplus::ARGB value = 0;
      gp::GdipBitmapGetPixel(bitmap, x, y, &value);
      pixels[static_cast<std::size_t>(y * kSize + x)] = value;
      if ((value & 0xFF) < 128) ++ink;
    }
  }
  gp::GdipDeleteBrush(brush);
  gp::GdipDeleteFont(font);
  gp::GdipDeleteFontFamily(family);
  gp::GdipDeleteGraphics(graphics);
  gp::GdipDisposeImage(bitmap);
  return pixels;
}

TEST(Fonts, ProgramFamiliesResolve) {
  GdiplusScope gdiplus;
  for (const wchar_t* name : {L"Segoe UI", L"Arial", L"Microsoft YaHei UI"}) {
    Gdiplus::GpFontFamily* family = nullptr;
    EXPECT_EQ(gp::GdipCreateFontFamilyFromName(name, nullptr, &family), Gdiplus::Ok) << "font family missing";
    if (family) gp::GdipDeleteFontFamily(family);
  }
  Gdiplus::GpFontFamily* generic = nullptr;
  EXPECT_EQ(gp::GdipGetGenericFontFamilySansSerif(&generic), Gdiplus::Ok);
  EXPECT_NE(generic, nullptr);
}

// A missing glyph draws the same box for every character, so four distinct Chinese characters
// that all look alike (or draw nothing) mean the font set-up is broken. The watermark is always
// bold, so the bold faces must find the Chinese glyphs too.
TEST(Fonts, ChineseDrawsAsDistinctGlyphs) {
  GdiplusScope gdiplus;
  for (const wchar_t* family : {L"Segoe UI", L"Arial", L"Microsoft YaHei UI"}) {
    for (INT style : {Gdiplus::FontStyleRegular, Gdiplus::FontStyleBold}) {
      SCOPED_TRACE(std::string(family, family + wcslen(family)) + (style ? " bold" : " regular"));
      std::set<std::vector<std::uint32_t>> shapes;
      for (const wchar_t* character : {L"示", L"例", L"水", L"印"}) {
        int ink = 0;
        shapes.insert(render(family, character, ink, style));
        EXPECT_GT(ink, 60) << "character drew almost nothing";
      }
      EXPECT_EQ(shapes.size(), 4u) << "characters drew as identical boxes";
    }
  }
  int latin_ink = 0;
  render(L"Segoe UI", L"Sample", latin_ink);
  EXPECT_GT(latin_ink, 100);
}

}  // namespace
