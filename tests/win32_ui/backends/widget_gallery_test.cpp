#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "backend_scene.h"
#include "layout/layout_node.h"
#include "modern/tree/paint_context.h"
#include "theme/palette.h"
#include "theme/theme.h"
#include "ui/graphics/frame_painter.h"
#include "widget_gallery.h"

namespace win32_ui::backends_test {
namespace {

using modern::Palette;
using modern::RenderMode;

constexpr int width = static_cast<int>(gallery::gallery_width);
constexpr int height = static_cast<int>(gallery::gallery_height);

// 0x00RRGGBB of a palette entry (palettes are 0x00BBGGRR).
std::uint32_t rgb_of(const Palette& palette, int index) {
  const std::uint32_t v = palette.colors[static_cast<std::size_t>(index)];
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

int channel_distance(std::uint32_t a, std::uint32_t b) {
  int worst = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  }
  return worst;
}

// Pixels of `area` within `tolerance` of a colour.
int pixels_near(const MemoryTarget& target, const RECT& area, std::uint32_t rgb, int tolerance) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += channel_distance(target.at(x, y), rgb) <= tolerance ? 1 : 0;
  }
  return count;
}

RECT rect_of(const modern::View& view) {
  const layout::Rect r = view.arranged_rect();
  return RECT{static_cast<LONG>(r.x), static_cast<LONG>(r.y), static_cast<LONG>(r.x + r.width),
              static_cast<LONG>(r.y + r.height)};
}

// Lays the gallery out with the surface's fonts and paints one frame of it.
void paint_gallery(MemoryTarget& target, gallery::WidgetGallery& scene, const Palette& palette, RenderMode mode,
                   const SceneFonts& fonts) {
  const float dpi = 96.0f;
  const float ui_scale = 1.0f;
  ui::graphics::SurfaceTextMeasurer measurer(fonts.fonts, dpi, ui_scale);
  layout::LayoutContext context;
  context.palette = &palette;
  context.text_measurer = &measurer;
  layout::run_layout_pass(*scene.root, layout::Size{gallery::gallery_width, gallery::gallery_height}, context);
  const auto outcome = modern::paint_frame(target.dc(), target.bounds(), fonts.fonts, mode, [&](ui::graphics::Canvas& canvas) {
    canvas.clear(ui::graphics::Color::from_colorref(palette.colors[Palette::window_background]));
    modern::PaintContext paint = modern::PaintContext::for_canvas(canvas, 1.0f, 1.0f);
    paint.palette = &palette;
    paint.focused_view = scene.focused_button;
    paint.focus_visible = true;
    modern::paint_view(*scene.root, paint);
  });
  ASSERT_TRUE(outcome.success);
}

// The probes of what a user must see in every palette and through both back-ends.
void expect_widget_states(const MemoryTarget& target, const gallery::WidgetGallery& scene, const Palette& palette) {
  // Focus ring: only the focused button has a ring in the band 2 to 5 pixels inside its edge.
  auto ring_pixels = [&](const modern::View& view) {
    const RECT r = rect_of(view);
    const LONG middle = (r.top + r.bottom) / 2;
    const std::uint32_t fill = target.at(r.left + 8, r.top + 6);
    int count = 0;
    for (LONG y = middle - 6; y <= middle + 6; ++y) {
      for (LONG x = r.left + 2; x <= r.left + 4; ++x) count += channel_distance(target.at(x, y), fill) > 24 ? 1 : 0;
    }
    return count;
  };
  EXPECT_GE(ring_pixels(*scene.focused_button), 10) << "no focus ring on the focused button";
  EXPECT_EQ(ring_pixels(*scene.resting_button), 0) << "a focus ring on an unfocused button";

  // Disabled and accent buttons take their fills from the palette.
  const RECT disabled = rect_of(*scene.disabled_button);
  EXPECT_LE(channel_distance(target.at(disabled.left + 8, disabled.top + 6), rgb_of(palette, Palette::hover_fill)), 3);
  const RECT accent = rect_of(*scene.accent_button);
  EXPECT_LE(channel_distance(target.at(accent.left + 8, accent.top + 6), rgb_of(palette, Palette::accent)), 3);

  // The check mark shows in the checked box only.
  auto box_of = [](const modern::View& view) {
    const RECT r = rect_of(view);
    const LONG top = (r.top + r.bottom) / 2 - 10;
    return RECT{r.left, top, r.left + 20, top + 20};
  };
  const std::uint32_t mark = rgb_of(palette, Palette::text_on_accent);
  EXPECT_GE(pixels_near(target, box_of(*scene.checked_box), mark, 40), 6) << "no check mark";
  EXPECT_LE(channel_distance(target.at(box_of(*scene.checked_box).left + 3, box_of(*scene.checked_box).top + 10),
                             rgb_of(palette, Palette::accent)),
            3);
  // (Only where the mark's colour differs from the empty box and its surroundings: Wine's stand-in
  // high-contrast colours make them all white.)
  if (channel_distance(mark, rgb_of(palette, Palette::field_background)) > 40 &&
      channel_distance(mark, rgb_of(palette, Palette::window_background)) > 40) {
    EXPECT_EQ(pixels_near(target, box_of(*scene.unchecked_box), mark, 40), 0) << "a check mark in the empty box";
  }

  // The slider at 0.37 is filled with the accent before its thumb and with the track colour after.
  const RECT slider = rect_of(*scene.slider_037);
  const LONG track_y = (slider.top + slider.bottom) / 2;
  const float start = static_cast<float>(slider.left + 8);
  const float length = static_cast<float>(slider.right - slider.left - 16);
  EXPECT_LE(channel_distance(target.at(static_cast<int>(start + 0.15f * length), track_y), rgb_of(palette, Palette::accent)), 3);
  EXPECT_LE(channel_distance(target.at(static_cast<int>(start + 0.75f * length), track_y), rgb_of(palette, Palette::hover_fill)),
            3);

  // The checked radio item shows its dot.
  const RECT item = rect_of(*scene.checked_item);
  EXPECT_LE(channel_distance(target.at(item.left + 20, (item.top + item.bottom) / 2), rgb_of(palette, Palette::accent)), 3);
}

TEST(WidgetGalleryTest, EveryWidgetInEveryStatePaintsInEachPaletteThroughBothBackEnds) {
  orvane::test::GdiplusScope gdiplus;
  SceneFonts fonts;
  const struct {
    const wchar_t* name;
    Palette palette;
  } palettes[] = {{L"light", modern::light_palette(modern::default_accent)},
                  {L"dark", modern::dark_palette(modern::default_accent)},
                  {L"high_contrast", modern::high_contrast_palette()}};
  const struct {
    const wchar_t* name;
    RenderMode mode;
  } backends[] = {{L"direct2d", RenderMode::direct2d_first}, {L"gdi", RenderMode::gdi_only}};

  for (const auto& [palette_name, palette] : palettes) {
    for (const auto& [backend_name, mode] : backends) {
      SCOPED_TRACE(std::string(palette_name, palette_name + wcslen(palette_name)) + " " +
                   std::string(backend_name, backend_name + wcslen(backend_name)));
      gallery::WidgetGallery scene = gallery::build_widget_gallery();
      MemoryTarget target(width, height);
      paint_gallery(target, scene, palette, mode, fonts);
      const std::wstring file = std::wstring(L"" ARTEFACT_DIR) + L"/gallery_" + palette_name + L"_" +
                                backend_name + L".png";
      EXPECT_TRUE(orvane::test::save_pixels(target.pixels(), file, L"image/png"));
      expect_widget_states(target, scene, palette);
    }
  }
}

}  // namespace
}  // namespace win32_ui::backends_test
