#include <gtest/gtest.h>

#include "exif_metadata.h"
#include "image_export.h"
#include "preview_renderer.h"
#include "test_support.h"

namespace {

using namespace orvane::engine;
using namespace orvane::test;

class PreviewRendererTest : public ::testing::Test {
 protected:
  TempDir dir;
  GdiplusScope gdiplus;
  std::unique_ptr<PreviewRenderer> renderer;

  std::wstring image(std::uint32_t w, std::uint32_t h, const std::wstring& name = L"src.png") {
    const auto path = dir.file(name);
    EXPECT_TRUE(save_pixels(make_pattern(w, h), path, L"image/png"));
    return path;
  }

  bool load(const std::wstring& path, std::uint32_t max_dimension = 1600) {
    std::wstring error;
    return load_preview_source(renderer, path, max_dimension, error);
  }

  PreviewFrame frame(const WatermarkOptions& options) {
    PreviewFrame out;
    std::wstring error;
    EXPECT_TRUE(render_preview_frame(renderer, options, out, error)) << std::string(error.begin(), error.end());
    return out;
  }
};

WatermarkOptions watermark(WatermarkLayout layout = WatermarkLayout::Grid) {
  WatermarkOptions options;
  options.text = L"Sample watermark";
  options.layout = layout;
  options.color = {255, 255, 255, 255};
  return options;
}

TEST_F(PreviewRendererTest, LargeSourcesAreDownscaledSmallOnesKept) {
  ASSERT_TRUE(load(image(4000, 3000)));
  EXPECT_TRUE(has_preview_source(renderer));
  EXPECT_FLOAT_EQ(renderer->scale(), 0.4f);
  auto f = frame(watermark());
  EXPECT_EQ(f.width, 1600u);
  EXPECT_EQ(f.height, 1200u);
  EXPECT_EQ(f.stride, 6400u);
  EXPECT_EQ(f.pixels.size(), 6400u * 1200u);
  EXPECT_EQ(f.source_width, 4000u);
  EXPECT_EQ(f.source_height, 3000u);

  ASSERT_TRUE(load(image(800, 600, L"small.png")));
  EXPECT_FLOAT_EQ(renderer->scale(), 1.0f);
  f = frame(watermark());
  EXPECT_EQ(f.width, 800u);
  EXPECT_EQ(f.height, 600u);

  ASSERT_TRUE(load(image(10000, 3, L"strip.png")));
  f = frame(watermark());
  EXPECT_EQ(f.width, 1600u);
  EXPECT_EQ(f.height, 1u) << "0.48 rounds to 0 and is raised to 1";
}

TEST_F(PreviewRendererTest, OrientedSourcesAreShownUpright) {
  const Pixels upright = make_pattern(400, 300);
  const auto path = dir.file(L"phone.jpg");
  ASSERT_TRUE(save_pixels(stored_from_upright(upright, 6), path, L"image/jpeg"));
  ASSERT_TRUE(write_file_orientation(path, 6));
  ASSERT_TRUE(load(path, 200));
  EXPECT_EQ(renderer->source_width(), 400u);
  EXPECT_EQ(renderer->source_height(), 300u);
  WatermarkOptions plain;  // empty text: the plain image
  const auto f = frame(plain);
  ASSERT_EQ(f.width, 200u);
  ASSERT_EQ(f.height, 150u);
  // The blue-marked quadrant is top-left, as in the upright picture.
  const auto blue = [&](std::uint32_t x, std::uint32_t y) { return f.pixels[y * f.stride + x * 4]; };
  EXPECT_GT(blue(20, 20), 180);
  EXPECT_LT(blue(180, 130), 80);
}

TEST_F(PreviewRendererTest, EmptyTextGivesThePlainImageAndTextChangesIt) {
  ASSERT_TRUE(load(image(300, 200)));
  WatermarkOptions plain;
  const auto without = frame(plain);
  const auto with = frame(watermark());
  EXPECT_NE(without.pixels, with.pixels);
  // Premultiplied BGRA of an opaque source: alpha is 255 and the pattern shows.
  EXPECT_EQ(without.pixels[3], 255);
  EXPECT_GT(without.pixels[0], 180) << "blue marks the top-left quadrant";
}

TEST_F(PreviewRendererTest, ScaledSpacingObeysTheMinimumStep) {
  ASSERT_TRUE(load(image(4000, 3000)));  // scale 0.4
  auto options = watermark();
  options.font_size = 20;
  options.spacing_x = 60;  // 24 preview pixels, drawn at 32
  const auto at_60 = frame(options).pixels;
  options.spacing_x = 80;  // exactly 32 preview pixels
  EXPECT_EQ(at_60, frame(options).pixels);
  options.spacing_x = 100;  // 40
  EXPECT_NE(at_60, frame(options).pixels);
}

TEST_F(PreviewRendererTest, PreviewMatchesTheExportScaledDown) {
  const auto path = image(1200, 900);
  ASSERT_TRUE(load(path, 400));
  auto options = watermark(WatermarkLayout::Center);
  options.font_size = 120;
  options.rotation = 0;
  const auto f = frame(options);
  options.input_path = path;
  options.output_path = dir.file(L"full.png");
  ExportReport report;
  std::wstring error;
  ASSERT_TRUE(export_image(options, report, error));
  const Pixels full = load_pixels(options.output_path);
  // Sample a grid of points: where the export has white text, so does the preview, mostly.
  int agree = 0, total = 0;
  for (std::uint32_t y = 0; y < 300; y += 3) {
    for (std::uint32_t x = 0; x < 400; x += 3) {
      const bool export_ink = (full.at(x * 3 + 1, y * 3 + 1) & 0xFFFFFF) == 0xFFFFFF;
      if (!export_ink) continue;
      ++total;
      const auto* p = &f.pixels[y * f.stride + x * 4];
      agree += p[0] > 200 && p[1] > 200 && p[2] > 200;
    }
  }
  ASSERT_GT(total, 20);
  EXPECT_GT(agree * 10, total * 7);
}

// Lengths in percent are of the full-size picture's shorter side, as in the export, and then
// scaled to the cache with the rest.
TEST_F(PreviewRendererTest, PercentAndMarginAreOfTheFullSizePicture) {
  ASSERT_TRUE(load(image(3000, 2000), 600));  // scale 0.2
  auto options = watermark(WatermarkLayout::BottomRight);
  options.rotation = -30;
  options.font_size = 5;
  options.font_size_unit = LengthUnit::percent_of_shorter_side;
  options.margin = 3;
  options.margin_unit = LengthUnit::percent_of_shorter_side;
  const auto percent = frame(options).pixels;
  EXPECT_EQ(percent, frame(in_pixels(options, 3000, 2000)).pixels);
  auto pixels = watermark(WatermarkLayout::BottomRight);
  pixels.rotation = -30;
  pixels.font_size = 100;
  pixels.margin = 60;
  EXPECT_EQ(percent, frame(pixels).pixels);
  pixels.margin.reset();
  EXPECT_NE(percent, frame(pixels).pixels);
}

// Each preview pixel is the average of the source area it covers: one-pixel stripes shrunk
// fourfold come out an even grey instead of a moire of black and white, and transparency is
// averaged with the colour it carries.
TEST_F(PreviewRendererTest, DownscalingAveragesFineDetail) {
  Pixels stripes{1600, 1200, std::vector<std::uint32_t>(1600u * 1200u)};
  for (std::uint32_t y = 0; y < stripes.height; ++y) {
    for (std::uint32_t x = 0; x < stripes.width; ++x) {
      const bool white = (x + y / 3) % 2 == 0;
      const bool clear = y >= 600 && x % 4 < 2;  // the lower half: red, every other pair of columns transparent
      stripes.argb[y * stripes.width + x] =
          y < 600 ? (white ? 0xFFFFFFFFu : 0xFF000000u) : (clear ? 0x00000000u : 0xFFFF0000u);
    }
  }
  const auto path = dir.file(L"stripes.png");
  ASSERT_TRUE(save_pixels(stripes, path, L"image/png"));
  ASSERT_TRUE(load(path, 400));
  const auto f = frame(WatermarkOptions{});
  ASSERT_EQ(f.width, 400u);
  int worst_grey = 0, worst_red = 0;
  for (std::uint32_t y = 0; y < f.height; ++y) {
    for (std::uint32_t x = 0; x < f.width; ++x) {
      const std::uint8_t* p = &f.pixels[y * f.stride + x * 4];  // premultiplied blue, green, red, alpha
      if (y < 150) {
        for (int c = 0; c < 3; ++c) worst_grey = std::max(worst_grey, std::abs(p[c] - 128));
        EXPECT_EQ(p[3], 255);
      } else {
        worst_red = std::max({worst_red, std::abs(p[2] - 128), std::abs(p[3] - 128), int{p[0]}, int{p[1]}});
      }
    }
  }
  EXPECT_LE(worst_grey, 1);
  EXPECT_LE(worst_red, 1);
}

TEST_F(PreviewRendererTest, FailuresLeaveNoSource) {
  PreviewFrame f;
  std::wstring error;
  EXPECT_FALSE(render_preview_frame(renderer, watermark(), f, error));
  EXPECT_EQ(error, L"No preview image is loaded.");

  ASSERT_TRUE(load(image(100, 80)));
  std::wstring load_error;
  EXPECT_FALSE(load_preview_source(renderer, dir.file(L"src.png"), 0, load_error));
  EXPECT_EQ(load_error, L"Invalid preview source or size.");
  EXPECT_FALSE(has_preview_source(renderer)) << "a failed load clears the previous image";
  EXPECT_FALSE(render_preview_frame(renderer, watermark(), f, error));
  EXPECT_EQ(error, L"No preview image is loaded.");
  EXPECT_EQ(f.width, 0u);
  EXPECT_TRUE(f.pixels.empty());

  EXPECT_FALSE(load_preview_source(renderer, L"", 1600, load_error));
  EXPECT_EQ(load_error, L"Invalid preview source or size.");
  for (const wchar_t* name : {L"bomb-65000.jpg", L"bomb-65000.png", L"empty.png", L"not-an-image.jpg"}) {
    EXPECT_FALSE(load_preview_source(renderer, (data_dir() / L"malformed" / name).wstring(), 1600, load_error));
    EXPECT_EQ(load_error, L"Unable to read input image.");
  }
}

}  // namespace

namespace {

// The preview shows the text its tokens give on the loaded photo, as the export does.
TEST_F(PreviewRendererTest, TokensShowThePhotosOwnValuesInEveryFrame) {
  ASSERT_TRUE(load(image(1200, 800, L"\u5E74\u4F1A shot.png")));
  WatermarkOptions tokens = watermark(WatermarkLayout::Center);
  tokens.text = L"{name} {width}x{height} #{n:3}";
  tokens.sequence_number = 7;
  WatermarkOptions typed = tokens;
  typed.text = L"\u5E74\u4F1A shot 1200x800 #007";
  const PreviewFrame expanded = frame(tokens);
  EXPECT_EQ(expanded.pixels, frame(typed).pixels);
  typed.text = L"x";
  EXPECT_NE(expanded.pixels, frame(typed).pixels);
  tokens.sequence_number = 8;
  EXPECT_NE(expanded.pixels, frame(tokens).pixels) << "the number is read per frame";
}

}  // namespace
