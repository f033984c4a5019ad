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
