#include <gtest/gtest.h>

#include <string>

#include "demo_content.h"
#include "surface_fixture.h"
#include "theme/palette.h"

namespace surface_test {
namespace {

std::uint32_t rgb(std::uint32_t colorref) {
  return 0xFF000000u | ((colorref & 0xFFu) << 16) | (colorref & 0xFF00u) | ((colorref >> 16) & 0xFFu);
}

// The demo window as a user sees it, in both palettes, switched by clicking its own buttons; the
// pictures are kept for people to look at.
TEST(DemoWindow, ShowsTheGalleryInTheLightAndDarkPalettes) {
  orvane::test::GdiplusScope gdiplus;
  SurfaceStage stage(static_cast<int>(gallery::demo_width), static_cast<int>(gallery::demo_height), 20, 20);
  modern::Button* dark_button = nullptr;
  modern::Button* light_button = nullptr;
  gallery::DemoContent content = gallery::build_demo_content([&](bool dark) {
    stage.surface.set_palette(dark ? modern::dark_palette(modern::default_accent)
                                   : modern::light_palette(modern::default_accent));
  });
  // The bar's buttons are its last two children.
  auto& bar = static_cast<modern::ViewGroup&>(*static_cast<modern::ViewGroup&>(*content.root).child_at(0));
  light_button = static_cast<modern::Button*>(bar.child_at(1));
  dark_button = static_cast<modern::Button*>(bar.child_at(2));
  stage.show(std::move(content.root));
  HWND hwnd = stage.window.hwnd();

  for (const bool dark : {false, true}) {
    desktop::click(hwnd, stage.centre_of(dark ? *dark_button : *light_button));
    desktop::move_mouse(hwnd, POINT{5, static_cast<LONG>(gallery::demo_height) - 5});
    UpdateWindow(hwnd);
    desktop::pump(100);
    const orvane::test::Pixels shot = desktop::capture_client(hwnd);
    const std::wstring file =
        std::wstring(L"" ARTEFACT_DIR) + (dark ? L"/demo_window_dark.png" : L"/demo_window_light.png");
    EXPECT_TRUE(orvane::test::save_pixels(shot, file, L"image/png"));
    const modern::Palette& palette = stage.surface.palette();
    EXPECT_EQ(palette.dark != 0, dark);
    EXPECT_EQ(shot.at(4, shot.height - 4), rgb(palette.colors[modern::Palette::window_background]))
        << "the window background is not the palette's";
  }
}

}  // namespace
}  // namespace surface_test
