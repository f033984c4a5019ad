// The fast ways of drawing (stamps blended from one rendering of the text, pixels kept in the
// engine's own buffers) against the plain one, one text drawing per stamp on a GDI+ bitmap: the
// preview frame and the export of a real file, for every layout at three rotations, with Latin
// and Chinese text.
//
// Tolerance: at most 0.2 % of the pixels may differ by more than 2 levels in any channel. A
// blended stamp is the text rendered at the stamp's own sub-pixel position and laid over the
// picture with GDI+'s rounding, so under Wine the pictures come out identical. The 2 levels
// leave room for a GDI+ that rounds its blending the other way; the 0.2 % for a stamp that GDI+
// snaps to the other pixel because its position lies within single-precision rounding of a
// pixel boundary (the spacings here avoid decimal ties such as 5 x 125.7 = 628.5, where that is
// certain). Beyond that, every inked pixel of one picture must lie within one pixel of ink in
// the other, so no stamp is missing, added or moved.

#include <gtest/gtest.h>

#include "gdiplus_headers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image_export.h"
#include "preview_renderer.h"
#include "test_support.h"
#include "watermark_drawing.h"

namespace {

using namespace orvane::engine;
using namespace orvane::test;
namespace flat = Gdiplus::DllExports;

constexpr int kChannelTolerance = 2;
constexpr double kDifferingShare = 0.002;
constexpr int kInkThreshold = 24;  // a channel this far from the picture beneath is watermark

// A photo-like picture with texture in every pixel, so blending errors cannot hide in flat areas.
Pixels noisy_picture(std::uint32_t width, std::uint32_t height) {
  Pixels pixels = make_pattern(width, height);
  std::uint32_t seed = 7;
  for (std::uint32_t& pixel : pixels.argb) {
    seed = seed * 1103515245u + 12345u;
    const int noise = static_cast<int>((seed >> 16) % 41) - 20;
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
      out |= static_cast<std::uint32_t>(std::clamp(static_cast<int>((pixel >> shift) & 0xFF) + noise, 0, 255)) << shift;
    }
    pixel = out;
  }
  return pixels;
}

// Draws the watermark on a copy of `background` the plain way, through a GDI+ bitmap of the
// given format.
Pixels drawn_plainly(const Pixels& background, const WatermarkOptions& options, Gdiplus::PixelFormat format) {
  Pixels out = background;
  Gdiplus::GpBitmap* bitmap = nullptr;
  EXPECT_EQ(flat::GdipCreateBitmapFromScan0(static_cast<INT>(out.width), static_cast<INT>(out.height),
                                            static_cast<INT>(out.width * 4), format,
                                            reinterpret_cast<BYTE*>(out.argb.data()), &bitmap),
            Gdiplus::Ok);
  std::wstring error;
  EXPECT_TRUE(draw_watermark(options, bitmap, out.width, out.height, error, TileDrawing::EachStampAsText));
  flat::GdipDisposeImage(bitmap);
  return out;
}

int channel_difference(std::uint32_t a, std::uint32_t b) {
  int most = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  }
  return most;
}

struct Comparison {
  double differing_share = 1.0;    // pixels off by more than the tolerance
  std::size_t reference_ink = 0;   // inked pixels of the plain drawing
  std::size_t stray_ink = 0;       // inked pixels of either with no ink within a pixel in the other
};

Comparison compare(const Pixels& background, const Pixels& fast, const Pixels& reference) {
  Comparison result;
  if (fast.width != reference.width || fast.height != reference.height || fast.argb.size() != background.argb.size()) {
    return result;
  }
  const std::uint32_t w = fast.width, h = fast.height;
  std::vector<std::uint8_t> fast_ink(fast.argb.size()), reference_ink(fast.argb.size());
  std::size_t differing = 0;
  for (std::size_t i = 0; i < fast.argb.size(); ++i) {
    differing += channel_difference(fast.argb[i], reference.argb[i]) > kChannelTolerance;
    fast_ink[i] = channel_difference(fast.argb[i], background.argb[i]) > kInkThreshold;
    reference_ink[i] = channel_difference(reference.argb[i], background.argb[i]) > kInkThreshold;
    result.reference_ink += reference_ink[i];
  }
  result.differing_share = static_cast<double>(differing) / static_cast<double>(fast.argb.size());
  const auto ink_near = [&](const std::vector<std::uint8_t>& ink, std::uint32_t x, std::uint32_t y) {
    for (std::uint32_t ny = y > 0 ? y - 1 : 0; ny <= std::min(y + 1, h - 1); ++ny)
      for (std::uint32_t nx = x > 0 ? x - 1 : 0; nx <= std::min(x + 1, w - 1); ++nx)
        if (ink[std::size_t{ny} * w + nx]) return true;
    return false;
  };
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x < w; ++x) {
      const std::size_t i = std::size_t{y} * w + x;
      if (fast_ink[i] && !ink_near(reference_ink, x, y)) ++result.stray_ink;
      if (reference_ink[i] && !ink_near(fast_ink, x, y)) ++result.stray_ink;
    }
  }
  return result;
}

// The preview frame's premultiplied pixels of an opaque picture, as straight ARGB values.
Pixels frame_pixels(const PreviewFrame& frame) {
  Pixels pixels{frame.width, frame.height, std::vector<std::uint32_t>(std::size_t{frame.width} * frame.height)};
  std::memcpy(pixels.argb.data(), frame.pixels.data(), pixels.argb.size() * 4);
  return pixels;
}

struct Case {
  WatermarkLayout layout;
  float rotation;
  const wchar_t* text;
};

std::string describe(const Case& c) {
  return "layout " + std::to_string(static_cast<int>(c.layout)) + ", rotation " +
         std::to_string(static_cast<int>(c.rotation)) + (c.text[0] < 0x80 ? ", Latin" : ", Chinese");
}

std::vector<Case> all_cases() {
  std::vector<Case> cases;
  for (int layout = 0; layout <= 10; ++layout) {
    for (const float rotation : {0.0f, -30.0f, 65.0f}) {
      for (const wchar_t* text : {L"Sample watermark", L"\u6C34\u5370\u6837\u672C \u00A9 2024"}) {
        cases.push_back({static_cast<WatermarkLayout>(layout), rotation, text});
      }
    }
  }
  return cases;
}

WatermarkOptions options_for(const Case& c) {
  WatermarkOptions options;
  options.text = c.text;
  options.layout = c.layout;
  options.rotation = c.rotation;
  options.font_size = 40;
  options.spacing_x = 170.37f;  // not whole pixels, so stamps fall between pixels
  options.spacing_y = 125.61f;
  options.fit_to_area = true;
  options.color = {150, 230, 40, 250};
  return options;
}

class DrawingEquivalence : public ::testing::Test {
 protected:
  TempDir dir;
  GdiplusScope gdiplus;
};

TEST_F(DrawingEquivalence, PreviewFramesMatchThePlainDrawing) {
  const std::wstring source = dir.file(L"photo.png");
  ASSERT_TRUE(save_pixels(noisy_picture(1200, 800), source, L"image/png"));
  std::unique_ptr<PreviewRenderer> renderer;
  std::wstring error;
  ASSERT_TRUE(load_preview_source(renderer, source, 450, error));
  PreviewFrame plain_frame;
  ASSERT_TRUE(render_preview_frame(renderer, WatermarkOptions{}, plain_frame, error));
  const Pixels background = frame_pixels(plain_frame);
  const float scale = renderer->scale();

  for (const Case& c : all_cases()) {
    SCOPED_TRACE(describe(c));
    const WatermarkOptions options = options_for(c);
    PreviewFrame frame;
    ASSERT_TRUE(render_preview_frame(renderer, options, frame, error));
    WatermarkOptions scaled = options;  // as the preview scales full-size lengths
    scaled.font_size = std::max(options.font_size * scale, 1.0f);
    scaled.spacing_x = std::max(options.spacing_x * scale, 1.0f);
    scaled.spacing_y = std::max(options.spacing_y * scale, 1.0f);
    const Comparison result =
        compare(background, frame_pixels(frame), drawn_plainly(background, scaled, PixelFormat32bppPARGB));
    EXPECT_GT(result.reference_ink, 100u) << "the plain drawing must show the watermark";
    EXPECT_LE(result.differing_share, kDifferingShare);
    EXPECT_EQ(result.stray_ink, 0u);
  }
}

TEST_F(DrawingEquivalence, ExportsMatchThePlainDrawing) {
  const std::wstring source = dir.file(L"photo.png");
  const Pixels picture = noisy_picture(560, 380);
  ASSERT_TRUE(save_pixels(picture, source, L"image/png"));
  for (const Case& c : all_cases()) {
    SCOPED_TRACE(describe(c));
    WatermarkOptions options = options_for(c);
    options.input_path = source;
    options.output_path = dir.file(L"out.png");
    ExportReport report;
    std::wstring error;
    ASSERT_TRUE(export_image(options, report, error));
    const Comparison result =
        compare(picture, load_pixels(options.output_path), drawn_plainly(picture, options, PixelFormat32bppARGB));
    EXPECT_GT(result.reference_ink, 100u) << "the plain drawing must show the watermark";
    EXPECT_LE(result.differing_share, kDifferingShare);
    EXPECT_EQ(result.stray_ink, 0u);
  }
}

}  // namespace
