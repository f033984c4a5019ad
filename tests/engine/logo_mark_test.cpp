// Marks with a logo, an outline or a shadow, drawn on real bitmaps from real logo files: where
// the logo lands, that the effects ring and follow the text, that the mark's opacity applies
// once, that the tiled fast path and the preview match the plain drawing, and that unusable
// logos are refused by name.

#include <gtest/gtest.h>

#include "gdiplus_headers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "exif_metadata.h"
#include "image_export.h"
#include "logo_image.h"
#include "preview_renderer.h"
#include "test_support.h"
#include "watermark_drawing.h"

namespace {

using namespace orvane::engine;
using namespace orvane::test;
namespace flat = Gdiplus::DllExports;

Pixels solid(std::uint32_t width, std::uint32_t height, std::uint32_t argb) {
  return Pixels{width, height, std::vector<std::uint32_t>(std::size_t{width} * height, argb)};
}

// The watermark drawn on a copy of `background` through a 32-bit ARGB GDI+ bitmap.
Pixels drawn(const Pixels& background, const WatermarkOptions& options,
             TileDrawing tiles = TileDrawing::FromRenderedStamp) {
  Pixels out = background;
  Gdiplus::GpBitmap* bitmap = nullptr;
  EXPECT_EQ(flat::GdipCreateBitmapFromScan0(static_cast<INT>(out.width), static_cast<INT>(out.height),
                                            static_cast<INT>(out.width * 4), PixelFormat32bppARGB,
                                            reinterpret_cast<BYTE*>(out.argb.data()), &bitmap),
            Gdiplus::Ok);
  std::wstring error;
  EXPECT_TRUE(draw_watermark(options, bitmap, out.width, out.height, error, tiles))
      << std::string(error.begin(), error.end());
  flat::GdipDisposeImage(bitmap);
  return out;
}

int red(std::uint32_t p) { return (p >> 16) & 0xFF; }
int green(std::uint32_t p) { return (p >> 8) & 0xFF; }
int blue(std::uint32_t p) { return p & 0xFF; }

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
  int count = 0;
  [[nodiscard]] double centre_x() const { return (left + right) / 2.0; }
  [[nodiscard]] double centre_y() const { return (top + bottom) / 2.0; }
};

Box box_of(const Pixels& pixels, const std::function<bool(std::uint32_t)>& wanted) {
  Box box;
  for (std::uint32_t y = 0; y < pixels.height; ++y) {
    for (std::uint32_t x = 0; x < pixels.width; ++x) {
      if (!wanted(pixels.at(x, y))) continue;
      ++box.count;
      box.left = std::min(box.left, static_cast<int>(x)), box.right = std::max(box.right, static_cast<int>(x));
      box.top = std::min(box.top, static_cast<int>(y)), box.bottom = std::max(box.bottom, static_cast<int>(y));
    }
  }
  return box;
}

bool is_red(std::uint32_t p) { return red(p) > 160 && green(p) < 60 && blue(p) < 60; }
bool is_white(std::uint32_t p) { return red(p) > 200 && green(p) > 200 && blue(p) > 200; }
bool is_dark(std::uint32_t p) { return red(p) < 40 && green(p) < 40 && blue(p) < 40; }

WatermarkOptions mark_options(const std::wstring& text, const std::wstring& logo) {
  WatermarkOptions options;
  options.text = text;
  options.logo_path = logo;
  options.logo_size = 100.0f;
  options.logo_size_unit = LengthUnit::pixels;
  options.font_family = L"Arial";
  options.font_size = 40.0f;
  options.color = {255, 255, 255, 255};
  options.layout = WatermarkLayout::Center;
  options.rotation = 0.0f;
  return options;
}

class LogoMark : public ::testing::Test {
 protected:
  // A logo file of `width` x `height` pixels of one colour, with alpha, as a PNG.
  std::wstring logo_file(const std::wstring& name, std::uint32_t width, std::uint32_t height, std::uint32_t argb) {
    const std::wstring path = dir.file(name);
    EXPECT_TRUE(save_pixels(solid(width, height, argb), path, L"image/png"));
    return path;
  }
  TempDir dir;
  GdiplusScope gdiplus;
};

// A red logo twice as wide as high, 100 pixels long, on black: alone it is centred on the anchor;
// with text it stands before the text, a quarter of the text size apart, centred on the text line,
// the pair centred on the anchor. A 1 x 1 logo is scaled up like any other; a logo with an
// orientation tag is turned upright; a changed file is read again.
TEST_F(LogoMark, LogoAloneAndBeforeTheTextLandWhereTheyShould) {
  const Pixels black = solid(400, 300, 0xFF000000u);
  const std::wstring logo = logo_file(L"red.png", 40, 20, 0xFFFF0000u);
  const Pixels alone = drawn(black, mark_options(L"", logo));
  const Box red_box = box_of(alone, is_red);
  EXPECT_NEAR(red_box.left, 150, 1);
  EXPECT_NEAR(red_box.right, 249, 1);
  EXPECT_NEAR(red_box.top, 125, 1);
  EXPECT_NEAR(red_box.bottom, 174, 1);
  EXPECT_GE(red_box.count, 98 * 48);
  EXPECT_EQ(alone.at(200, 150), 0xFFFF0000u) << "opaque, in its own colour";

  const Pixels pair = drawn(black, mark_options(L"HI", logo));
  const Box logo_box = box_of(pair, is_red), text_box = box_of(pair, is_white);
  ASSERT_GT(text_box.count, 100);
  EXPECT_NEAR(logo_box.right - logo_box.left, 99, 2);
  EXPECT_LT(logo_box.right, text_box.left);
  EXPECT_NEAR(text_box.left - logo_box.right, 10, 4) << "about a quarter of the text size apart";
  EXPECT_NEAR(logo_box.centre_y(), text_box.centre_y(), 4);
  EXPECT_NEAR((logo_box.left + text_box.right) / 2.0, 200.0, 6) << "the pair is centred";

  const std::wstring dot = logo_file(L"dot.png", 1, 1, 0xFFFF0000u);
  WatermarkOptions options = mark_options(L"", dot);
  options.logo_size = 60.0f;
  const Box dot_box = box_of(drawn(black, options), is_red);
  EXPECT_NEAR(dot_box.right - dot_box.left + 1, 60, 2);
  EXPECT_NEAR(dot_box.bottom - dot_box.top + 1, 60, 2);

  // A camera's logo stored on its side is stamped upright, as photos are: red left, blue right.
  Pixels upright = solid(40, 20, 0xFFFF0000u);
  for (std::uint32_t y = 0; y < 20; ++y)
    for (std::uint32_t x = 20; x < 40; ++x) upright.argb[y * 40 + x] = 0xFF0000FFu;
  const std::wstring turned = dir.file(L"turned.jpg");
  ASSERT_TRUE(save_pixels(stored_from_upright(upright, 6), turned, L"image/jpeg"));
  std::vector<std::uint8_t> bytes = read_bytes(turned);
  ASSERT_TRUE(write_orientation_to_bytes(bytes, 6));
  write_bytes(turned, bytes);
  const Pixels camera = drawn(black, mark_options(L"", turned));
  const Box left_half = box_of(camera, is_red);
  const Box right_half = box_of(camera, [](std::uint32_t p) { return blue(p) > 160 && red(p) < 60; });
  EXPECT_NEAR(left_half.left, 150, 2);
  EXPECT_NEAR(left_half.right, 199, 2);
  EXPECT_NEAR(right_half.left, 200, 2);
  EXPECT_NEAR(right_half.bottom - right_half.top, 49, 2);

  // Another picture in the same file is read again, not taken from what was kept.
  ASSERT_TRUE(save_pixels(solid(1, 1, 0xFF0000FFu), dot, L"image/png"));
  EXPECT_EQ(drawn(black, options).at(200, 150), 0xFF0000FFu);
}

// A black outline rings white text on grey, and a hard black shadow lies moved by its offset
// and counts as the mark's ink where the mark is set against the edges.
TEST_F(LogoMark, OutlineRingsTheTextAndTheShadowLiesOffset) {
  const Pixels grey = solid(400, 300, 0xFF808080u);
  WatermarkOptions options = mark_options(L"H", L"");
  options.font_size = 80.0f;
  EXPECT_EQ(box_of(drawn(grey, options), is_dark).count, 0);
  options.outline_width = 4.0f;
  options.outline_unit = EffectUnit::pixels;
  options.outline_color = {255, 0, 0, 0};
  const Pixels outlined = drawn(grey, options);
  const Box text = box_of(outlined, is_white), ring = box_of(outlined, is_dark);
  ASSERT_GT(text.count, 500);
  EXPECT_GT(ring.count, 300);
  EXPECT_NEAR(text.left - ring.left, 4, 1);
  EXPECT_NEAR(ring.right - text.right, 4, 1);
  EXPECT_NEAR(text.top - ring.top, 4, 1);
  EXPECT_NEAR(ring.bottom - text.bottom, 4, 1);
  // Across the middle of the H's left stem: grey, outline, white, in that order.
  const auto row = static_cast<std::uint32_t>(text.centre_y()) - 10;  // above the bar
  EXPECT_EQ(outlined.at(text.left - 7, row), 0xFF808080u);
  EXPECT_TRUE(is_dark(outlined.at(text.left - 2, row)));
  EXPECT_TRUE(is_white(outlined.at(text.left + 2, row)));

  options.outline_width = 0.0f;
  options.shadow = true;
  options.shadow_unit = EffectUnit::pixels;
  options.shadow_offset_x = 12.0f;
  options.shadow_offset_y = 8.0f;
  options.shadow_blur = 0.0f;
  options.shadow_color = {255, 0, 0, 0};
  const Pixels shadowed = drawn(grey, options);
  const Box lit = box_of(shadowed, is_white), shade = box_of(shadowed, is_dark);
  ASSERT_GT(shade.count, 300);
  EXPECT_NEAR(shade.right - lit.right, 12, 1);
  EXPECT_NEAR(shade.bottom - lit.bottom, 8, 1);
  EXPECT_NEAR(shade.top - lit.top, 8, 1);

  // Set against the edges, the shadow's ink is the mark's edge.
  options.layout = WatermarkLayout::BottomRight;
  options.margin = 10.0f;
  const Box cornered = box_of(drawn(grey, options), is_dark);
  EXPECT_NEAR(cornered.right, 400 - 1 - 10, 1);  // the faintest edge of the ink is not dark
  EXPECT_NEAR(cornered.bottom, 300 - 1 - 10, 1);
}

// White text over a black outline at half opacity over grey: the text shows half white and the
// outline half black, with no outline seen through the text (which would make it 159).
TEST_F(LogoMark, TheMarksOpacityAppliesOnceToTheWholeMark) {
  const Pixels grey = solid(400, 300, 0xFF808080u);
  WatermarkOptions options = mark_options(L"H", L"");
  options.font_size = 80.0f;
  options.outline_width = 3.0f;
  options.outline_unit = EffectUnit::pixels;
  options.outline_color = {255, 0, 0, 0};
  options.color.alpha = 128;
  const Pixels out = drawn(grey, options);
  int lightest = 0, darkest = 255;
  for (const std::uint32_t p : out.argb) lightest = std::max(lightest, red(p)), darkest = std::min(darkest, red(p));
  EXPECT_NEAR(lightest, 192, 2);
  EXPECT_NEAR(darkest, 64, 2);
}

int channel_difference(std::uint32_t a, std::uint32_t b) {
  int most = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  }
  return most;
}

// Share of the pixels that differ by more than 2 levels (the tolerance of the plain marks'
// equivalence), and how many pixels the mark changed in the reference.
std::pair<double, std::size_t> difference(const Pixels& background, const Pixels& fast, const Pixels& reference) {
  if (fast.argb.size() != reference.argb.size()) return {1.0, 0};
  std::size_t differing = 0, ink = 0;
  for (std::size_t i = 0; i < fast.argb.size(); ++i) {
    differing += channel_difference(fast.argb[i], reference.argb[i]) > 2;
    ink += channel_difference(reference.argb[i], background.argb[i]) > 24;
  }
  return {static_cast<double>(differing) / static_cast<double>(fast.argb.size()), ink};
}

// The tiled layouts' rich marks folded into the period cell against the marks laid one by one,
// at three rotations and steps between pixels; and a preview frame against the plain drawing at
// the preview's scale.
TEST_F(LogoMark, RichTilesAndPreviewMatchThePlainDrawing) {
  Pixels picture = make_pattern(560, 380);
  const std::wstring logo = logo_file(L"logo.png", 30, 18, 0xC0FF8000u);
  for (const WatermarkLayout layout : {WatermarkLayout::Grid, WatermarkLayout::StaggeredGrid}) {
    for (const float rotation : {0.0f, -30.0f, 65.0f}) {
      SCOPED_TRACE(testing::Message() << "layout " << static_cast<int>(layout) << ", rotation " << rotation);
      WatermarkOptions options = mark_options(L"Mark", logo);
      options.layout = layout;
      options.rotation = rotation;
      options.font_size = 22.0f;
      options.logo_size = 30.0f;
      options.spacing_x = 170.37f;
      options.spacing_y = 125.61f;
      options.color = {150, 230, 40, 250};
      options.outline_width = 8.0f;  // percent of the text size
      options.shadow = true;
      options.shadow_blur = 10.0f;
      const auto [share, ink] = difference(picture, drawn(picture, options),
                                           drawn(picture, options, TileDrawing::EachStampAsText));
      EXPECT_GT(ink, 2000u);
      EXPECT_LE(share, 0.002);
    }
  }

  const std::wstring source = dir.file(L"photo.png");
  ASSERT_TRUE(save_pixels(picture, source, L"image/png"));
  std::unique_ptr<PreviewRenderer> renderer;
  std::wstring error;
  ASSERT_TRUE(load_preview_source(renderer, source, 280, error));
  PreviewFrame bare, frame;
  ASSERT_TRUE(render_preview_frame(renderer, WatermarkOptions{}, bare, error));
  WatermarkOptions options = mark_options(L"", logo);
  options.logo_size = 20.0f;
  options.logo_size_unit = LengthUnit::percent_of_shorter_side;
  options.layout = WatermarkLayout::BottomRight;
  options.margin = 10.0f;
  options.shadow = true;
  ASSERT_TRUE(render_preview_frame(renderer, options, frame, error)) << std::string(error.begin(), error.end());
  Pixels background{bare.width, bare.height, std::vector<std::uint32_t>(std::size_t{bare.width} * bare.height)};
  std::memcpy(background.argb.data(), bare.pixels.data(), background.argb.size() * 4);
  Pixels shown = background;
  std::memcpy(shown.argb.data(), frame.pixels.data(), shown.argb.size() * 4);
  const WatermarkOptions scaled = scaled_by(in_pixels(options, 560, 380), renderer->scale());
  const auto [share, ink] = difference(background, shown, drawn(background, scaled, TileDrawing::EachStampAsText));
  EXPECT_GT(ink, 200u) << "a logo of 20 % of the shorter side at half size";
  EXPECT_LE(share, 0.002);
}

// Files that are no logo are refused by name, with the reason where there is one, and an export
// with one writes nothing.
TEST_F(LogoMark, UnusableLogosAreRefusedByName) {
  const std::wstring malformed = (data_dir() / L"malformed").wstring() + L"\\";
  const struct {
    std::wstring path;
    const wchar_t* reason;
  } cases[] = {
      {malformed + L"not-an-image.jpg", L""},
      {malformed + L"empty.png", L""},
      {malformed + L"bomb-65000.png", L" The image is too large."},
      {dir.file(L"missing.png"), L" The file was not found."},
  };
  for (const auto& c : cases) {
    std::wstring error;
    EXPECT_FALSE(check_logo(c.path, error));
    EXPECT_EQ(error, L"Unable to read logo file: " + c.path + L"." + c.reason);
  }
  std::wstring error;
  EXPECT_TRUE(check_logo(logo_file(L"fine.png", 3, 2, 0x80FFFFFFu), error));

  const std::wstring photo = dir.file(L"photo.png");
  ASSERT_TRUE(save_pixels(solid(64, 48, 0xFF336699u), photo, L"image/png"));
  WatermarkOptions options = mark_options(L"", malformed + L"empty.png");
  options.input_path = photo;
  options.output_path = dir.file(L"out.png");
  ExportReport report;
  EXPECT_FALSE(export_image(options, report, error));
  EXPECT_EQ(error, L"Unable to read logo file: " + malformed + L"empty.png.");
  EXPECT_EQ(GetFileAttributesW(options.output_path.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
