#include <gtest/gtest.h>

#include <limits>

#include "watermark_options.h"

namespace {

using orvane::engine::alpha_from_opacity;
using orvane::engine::validate_options;
using orvane::engine::WatermarkOptions;

WatermarkOptions valid_options() {
  WatermarkOptions options;
  options.input_path = L"C:\\in.png";
  options.output_path = L"C:\\out.png";
  options.text = L"Sample";
  return options;
}

std::wstring failure(const WatermarkOptions& options) {
  std::wstring error;
  return validate_options(options, error) ? L"" : error;
}

// The record's documented defaults, field by field, and what a record left at them does.
TEST(WatermarkOptions, DefaultsAreTheEngineRecord) {
  const WatermarkOptions options;
  EXPECT_TRUE(options.input_path.empty());
  EXPECT_TRUE(options.output_path.empty());
  EXPECT_TRUE(options.text.empty());
  EXPECT_EQ(options.font_family, L"Segoe UI");
  EXPECT_EQ(options.font_size, 36.0f);
  // White at alpha 110, packed alpha-red-green-blue from the high byte down.
  EXPECT_EQ(options.color.alpha, 110);
  EXPECT_EQ(options.color.red, 255);
  EXPECT_EQ(options.color.green, 255);
  EXPECT_EQ(options.color.blue, 255);
  EXPECT_EQ(options.color.argb(), 0x6EFFFFFFu);
  EXPECT_EQ((orvane::engine::WatermarkColor{0x12, 0x34, 0x56, 0x78}.argb()), 0x12345678u);
  EXPECT_EQ(options.rotation, -30.0f);
  EXPECT_EQ(options.spacing_x, 260.0f);
  EXPECT_EQ(options.spacing_y, 180.0f);
  EXPECT_EQ(options.jpeg_quality, 90);
  EXPECT_TRUE(options.keep_source_jpeg_quality);
  EXPECT_EQ(static_cast<int>(options.layout), 0) << "the grid";
  EXPECT_FALSE(options.fit_to_area);

  // Left at its defaults a record is refused for its paths first, then for its text; the rest
  // of the defaults are valid as they are.
  WatermarkOptions record;
  EXPECT_EQ(failure(record), L"Input or output path is empty.");
  record.input_path = L"C:\\in.png";
  record.output_path = L"C:\\out.png";
  EXPECT_EQ(failure(record), L"Watermark text must not be empty.");
  record.text = L"x";
  EXPECT_EQ(failure(record), L"");
}

TEST(WatermarkOptions, ValidationReportsTheFirstFailingRule) {
  WatermarkOptions everything_wrong;
  everything_wrong.font_size = 0;
  everything_wrong.jpeg_quality = 0;
  EXPECT_EQ(failure(everything_wrong), L"Input or output path is empty.");

  auto options = valid_options();
  options.output_path.clear();
  EXPECT_EQ(failure(options), L"Input or output path is empty.");

  options = valid_options();
  options.text.clear();
  options.font_size = -1;
  EXPECT_EQ(failure(options), L"Watermark text must not be empty.");

  options = valid_options();
  options.text.assign(orvane::engine::max_text_length, L'x');
  EXPECT_EQ(failure(options), L"");
  options.text.push_back(L'x');
  options.font_size = 0;
  EXPECT_EQ(failure(options), L"Watermark text must be at most 1000 characters.");

  options = valid_options();
  options.font_size = 0;
  EXPECT_EQ(failure(options), L"Font size must be greater than zero.");
  options.font_size = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(failure(options), L"Font size must be greater than zero.");
  options.font_size = 1e-6f;
  EXPECT_EQ(failure(options), L"");
}

TEST(WatermarkOptions, QualityRangeHoldsForEveryFormat) {
  auto options = valid_options();  // a PNG output
  for (int bad : {0, 101, -5}) {
    options.jpeg_quality = bad;
    EXPECT_EQ(failure(options), L"JPEG quality must be within 1-100.") << bad;
  }
  for (int good : {1, 100}) {
    options.jpeg_quality = good;
    EXPECT_EQ(failure(options), L"") << good;
  }
  options.text = L"   ";  // spaces are text
  EXPECT_EQ(failure(options), L"");
}

// Lengths in percent of the shorter side: refused outside their ranges, resolved against the
// shorter side of the picture, and a margin that leaves no room refused for that picture.
TEST(WatermarkOptions, LengthsInPercentOfTheShorterSide) {
  using orvane::engine::LengthUnit;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  auto options = valid_options();
  options.font_size_unit = LengthUnit::percent_of_shorter_side;
  for (float bad : {0.4f, 50.5f, 1000.0f}) {
    options.font_size = bad;
    EXPECT_EQ(failure(options), L"Font size must be within 0.5-50 percent of the image's shorter side.") << bad;
  }
  for (float bad : {0.0f, -4.0f, nan}) {
    options.font_size = bad;
    EXPECT_EQ(failure(options), L"Font size must be greater than zero.") << bad;
  }
  options.font_size = 4.0f;
  options.spacing_unit = LengthUnit::percent_of_shorter_side;
  options.spacing_x = 15.0f;
  for (float bad : {1.9f, 100.5f, 0.0f, -10.0f, nan}) {
    options.spacing_y = bad;
    EXPECT_EQ(failure(options), L"Spacing must be within 2-100 percent of the image's shorter side.") << bad;
  }
  options.spacing_y = 10.0f;
  options.margin_unit = LengthUnit::percent_of_shorter_side;
  for (float bad : {-1.0f, nan, std::numeric_limits<float>::infinity()}) {
    options.margin = bad;
    EXPECT_EQ(failure(options), L"Margin must be zero or more.") << bad;
  }
  options.margin = 50.5f;
  EXPECT_EQ(failure(options), L"Margin must be at most half of the image's shorter side.");
  options.margin = 0.0f;  // flush with the edges
  EXPECT_EQ(failure(options), L"");
  options.margin = 2.0f;
  EXPECT_EQ(failure(options), L"");

  const WatermarkOptions pixels = orvane::engine::in_pixels(options, 6000, 4000);
  EXPECT_FLOAT_EQ(pixels.font_size, 160.0f);
  EXPECT_FLOAT_EQ(pixels.spacing_x, 600.0f);
  EXPECT_FLOAT_EQ(pixels.spacing_y, 400.0f);
  EXPECT_FLOAT_EQ(*pixels.margin, 80.0f);
  EXPECT_TRUE(pixels.font_size_unit == LengthUnit::pixels && pixels.spacing_unit == LengthUnit::pixels &&
              pixels.margin_unit == LengthUnit::pixels);
  EXPECT_FLOAT_EQ(orvane::engine::in_pixels(options, 533, 800).font_size, 21.32f) << "the shorter side, upright";
  // Pixels stay pixels; no margin stays none.
  const WatermarkOptions plain = orvane::engine::in_pixels(valid_options(), 6000, 4000);
  EXPECT_EQ(plain.font_size, 36.0f);
  EXPECT_EQ(plain.spacing_x, 260.0f);
  EXPECT_FALSE(plain.margin);

  // A margin is held to the picture only where the layout uses it.
  std::wstring error;
  auto margin = valid_options();
  margin.layout = orvane::engine::WatermarkLayout::BottomCenter;
  margin.margin = 267.0f;
  EXPECT_FALSE(orvane::engine::validate_for_picture(margin, 800, 533, error));
  EXPECT_EQ(error, L"Margin must be at most half of the image's shorter side.");
  margin.margin = 266.5f;
  EXPECT_TRUE(orvane::engine::validate_for_picture(margin, 800, 533, error));
  margin.margin = 1000.0f;
  for (const auto ignores : {orvane::engine::WatermarkLayout::Center, orvane::engine::WatermarkLayout::Grid,
                             orvane::engine::WatermarkLayout::StaggeredGrid}) {
    margin.layout = ignores;
    EXPECT_TRUE(orvane::engine::validate_for_picture(margin, 800, 533, error));
  }
}

TEST(WatermarkOptions, OpacityToAlpha) {
  EXPECT_EQ(alpha_from_opacity(0.0), 0);
  EXPECT_EQ(alpha_from_opacity(1.0), 255);
  EXPECT_EQ(alpha_from_opacity(0.5), 128);  // 127.5 rounds up
  EXPECT_EQ(alpha_from_opacity(0.43), 110);
  EXPECT_EQ(alpha_from_opacity(-1.0), 0);
  EXPECT_EQ(alpha_from_opacity(7.0), 255);
  EXPECT_EQ(alpha_from_opacity(std::numeric_limits<double>::quiet_NaN()), 0);
}

}  // namespace

namespace {

// The logo, the outline and the shadow: a logo stands in for the text, and each of their lengths
// is refused at 0 where a size is needed, below 0, as NaN and beyond its range, in either unit.
TEST(WatermarkOptions, LogoOutlineAndShadowLengthsAreChecked) {
  using orvane::engine::EffectUnit;
  using orvane::engine::LengthUnit;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  auto options = valid_options();
  options.text.clear();
  options.logo_path = L"C:\\logo.png";
  EXPECT_EQ(failure(options), L"") << "a logo alone is a mark";
  for (const float bad : {0.0f, 0.5f, -5.0f, nan, 100.5f}) {
    options.logo_size = bad;
    EXPECT_EQ(failure(options), L"Logo size must be within 1-100 percent of the image's shorter side.") << bad;
  }
  options.logo_size_unit = LengthUnit::pixels;
  for (const float bad : {0.0f, -5.0f, nan, std::numeric_limits<float>::infinity()}) {
    options.logo_size = bad;
    EXPECT_EQ(failure(options), L"Logo size must be greater than zero.") << bad;
  }
  options.logo_size = 5000.0f;
  EXPECT_EQ(failure(options), L"");

  options = valid_options();
  for (const float bad : {-0.5f, nan, 50.5f}) {
    options.outline_width = bad;
    EXPECT_EQ(failure(options), L"Outline width must be within 0-50 percent of the mark's size.") << bad;
  }
  options.outline_unit = EffectUnit::pixels;
  options.outline_width = 201.0f;
  EXPECT_EQ(failure(options), L"Outline width must be within 0-200 pixels.");
  options.outline_width = 200.0f;
  EXPECT_EQ(failure(options), L"");

  options = valid_options();
  options.shadow_blur = -1.0f;
  EXPECT_EQ(failure(options), L"") << "the shadow's lengths do not matter while it is off";
  options.shadow = true;
  for (const float bad : {-1.0f, nan, 101.0f}) {
    options.shadow_blur = bad;
    EXPECT_EQ(failure(options), L"Shadow blur must be within 0-100 percent of the mark's size.") << bad;
  }
  options.shadow_blur = 0.0f;
  for (const float bad : {nan, -100.5f, 100.5f}) {
    options.shadow_offset_y = bad;
    EXPECT_EQ(failure(options), L"Shadow offsets must be within -100-100 percent of the mark's size.") << bad;
  }
  options.shadow_offset_y = -100.0f;
  EXPECT_EQ(failure(options), L"");
  options.shadow_unit = EffectUnit::pixels;
  options.shadow_offset_x = 1001.0f;
  EXPECT_EQ(failure(options), L"Shadow offsets must be within -1000-1000 pixels.");
}

// Percent of the mark is of the text size, or of the logo's size for a logo alone.
TEST(WatermarkOptions, EffectsFollowTheMark) {
  auto options = valid_options();
  options.font_size = 40.0f;
  options.logo_path = L"C:\\logo.png";
  options.logo_size = 10.0f;  // percent of 600: 60 pixels
  options.outline_width = 5.0f;
  options.shadow_offset_x = -10.0f;
  options.shadow_offset_y = 20.0f;
  options.shadow_blur = 25.0f;
  auto pixels = orvane::engine::in_pixels(options, 800, 600);
  EXPECT_FLOAT_EQ(pixels.logo_size, 60.0f);
  EXPECT_FLOAT_EQ(pixels.outline_width, 2.0f);
  EXPECT_FLOAT_EQ(pixels.shadow_offset_x, -4.0f);
  EXPECT_FLOAT_EQ(pixels.shadow_offset_y, 8.0f);
  EXPECT_FLOAT_EQ(pixels.shadow_blur, 10.0f);
  options.text.clear();
  pixels = orvane::engine::in_pixels(options, 800, 600);
  EXPECT_FLOAT_EQ(pixels.outline_width, 3.0f) << "of the logo's 60 pixels";
  EXPECT_FLOAT_EQ(pixels.shadow_blur, 15.0f);

  // The preview's scaling takes every length along.
  pixels.margin = 30.0f;
  const auto half = orvane::engine::scaled_by(pixels, 0.5f);
  const std::pair<float, float> lengths[] = {
      {half.font_size, pixels.font_size},         {half.spacing_x, pixels.spacing_x},
      {half.spacing_y, pixels.spacing_y},         {*half.margin, *pixels.margin},
      {half.logo_size, pixels.logo_size},         {half.outline_width, pixels.outline_width},
      {half.shadow_offset_x, pixels.shadow_offset_x}, {half.shadow_offset_y, pixels.shadow_offset_y},
      {half.shadow_blur, pixels.shadow_blur}};
  for (const auto& [scaled, full] : lengths) EXPECT_FLOAT_EQ(scaled, full / 2.0f);
}

}  // namespace
