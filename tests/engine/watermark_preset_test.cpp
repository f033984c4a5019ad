#include <gtest/gtest.h>

#include <string>

#include "watermark_preset.h"

namespace {

using namespace orvane::engine;

// Options with every field away from its default, so a field the document loses shows.
WatermarkOptions every_field_changed() {
  WatermarkOptions o;
  o.input_path = L"C:\\in.jpg";
  o.output_path = L"C:\\out.jpg";
  o.text = L"\u00A9 {year} Studio \u5149 \"quoted\" \\ back\U0001F600";
  o.font_family = L"Liberation Serif";
  o.font_size = 4.25f;
  o.font_size_unit = LengthUnit::percent_of_shorter_side;
  o.color = WatermarkColor{17, 0x12, 0xAB, 0xEF};
  o.rotation = 0.1f;
  o.spacing_x = 12.5f;
  o.spacing_y = 33.0f;
  o.spacing_unit = LengthUnit::percent_of_shorter_side;
  o.layout = WatermarkLayout::BottomCenter;
  o.fit_to_area = true;
  o.margin = 2.75f;
  o.margin_unit = LengthUnit::percent_of_shorter_side;
  o.logo_path = L"D:\\marks\\logo \u5149.png";
  o.logo_size = 120.0f;
  o.logo_size_unit = LengthUnit::pixels;
  o.outline_width = 3.0f;
  o.outline_unit = EffectUnit::pixels;
  o.outline_color = WatermarkColor{255, 1, 2, 3};
  o.shadow = true;
  o.shadow_offset_x = -7.0f;
  o.shadow_offset_y = 9.5f;
  o.shadow_blur = 11.0f;
  o.shadow_unit = EffectUnit::pixels;
  o.shadow_color = WatermarkColor{200, 10, 20, 30};
  o.jpeg_quality = 77;
  o.keep_source_jpeg_quality = false;
  return o;
}

TEST(WatermarkPreset, EveryFieldSurvivesARoundTripAndPathsStayTheReaders) {
  const WatermarkOptions written = every_field_changed();
  const std::string document = preset_json(written, L"Client \u5149");
  EXPECT_EQ(document.find("in.jpg"), std::string::npos) << "paths are never part of a preset";

  WatermarkOptions read;
  read.input_path = L"kept-in";
  read.output_path = L"kept-out";
  std::wstring name, error;
  ASSERT_TRUE(parse_preset_json(document, read, name, error)) << error.c_str();
  EXPECT_EQ(name, L"Client \u5149");
  EXPECT_EQ(read.input_path, L"kept-in");
  EXPECT_EQ(read.output_path, L"kept-out");
  EXPECT_EQ(read.text, written.text);
  EXPECT_EQ(read.font_family, written.font_family);
  EXPECT_EQ(read.font_size, written.font_size);
  EXPECT_EQ(read.font_size_unit, written.font_size_unit);
  EXPECT_EQ(read.color.argb(), written.color.argb());
  EXPECT_EQ(read.rotation, written.rotation);
  EXPECT_EQ(read.spacing_x, written.spacing_x);
  EXPECT_EQ(read.spacing_y, written.spacing_y);
  EXPECT_EQ(read.spacing_unit, written.spacing_unit);
  EXPECT_EQ(read.layout, written.layout);
  EXPECT_EQ(read.fit_to_area, written.fit_to_area);
  EXPECT_EQ(read.margin, written.margin);
  EXPECT_EQ(read.margin_unit, written.margin_unit);
  EXPECT_EQ(read.logo_path, written.logo_path);
  EXPECT_EQ(read.logo_size, written.logo_size);
  EXPECT_EQ(read.logo_size_unit, written.logo_size_unit);
  EXPECT_EQ(read.outline_width, written.outline_width);
  EXPECT_EQ(read.outline_unit, written.outline_unit);
  EXPECT_EQ(read.outline_color.argb(), written.outline_color.argb());
  EXPECT_EQ(read.shadow, written.shadow);
  EXPECT_EQ(read.shadow_offset_x, written.shadow_offset_x);
  EXPECT_EQ(read.shadow_offset_y, written.shadow_offset_y);
  EXPECT_EQ(read.shadow_blur, written.shadow_blur);
  EXPECT_EQ(read.shadow_unit, written.shadow_unit);
  EXPECT_EQ(read.shadow_color.argb(), written.shadow_color.argb());
  EXPECT_EQ(read.jpeg_quality, written.jpeg_quality);
  EXPECT_EQ(read.keep_source_jpeg_quality, written.keep_source_jpeg_quality);
  // Every alpha byte survives the opacity written with four decimals.
  for (int alpha = 0; alpha <= 255; ++alpha) {
    WatermarkOptions o;
    o.color.alpha = static_cast<std::uint8_t>(alpha);
    WatermarkOptions back;
    ASSERT_TRUE(parse_preset_json(preset_json(o, L""), back, name, error));
    ASSERT_EQ(back.color.alpha, alpha);
  }
  // No margin stays no margin, over a reader that had one.
  WatermarkOptions none;
  WatermarkOptions had = written;
  ASSERT_TRUE(parse_preset_json(preset_json(none, L"n"), had, name, error));
  EXPECT_FALSE(had.margin.has_value());
}

TEST(WatermarkPreset, MissingFieldsKeepTheReadersValuesAndUnknownOnesAreIgnored) {
  WatermarkOptions read = every_field_changed();
  std::wstring name = L"before", error;
  ASSERT_TRUE(parse_preset_json(
      R"({"format":"orvane-preset","version":1,"future":{"x":1},"watermark":{"text":"Hi","sparkle":true}})", read,
      name, error))
      << error.c_str();
  EXPECT_EQ(read.text, L"Hi");
  EXPECT_EQ(read.font_family, L"Liberation Serif");
  EXPECT_EQ(read.layout, WatermarkLayout::BottomCenter);
  EXPECT_EQ(name, L"");
}

TEST(WatermarkPreset, FaultyDocumentsAreRefusedWithAClearMessageAndChangeNothing) {
  const std::string good = preset_json(every_field_changed(), L"good");
  const auto with = [&](const std::string& from, const std::string& to) {
    std::string document = good;
    const auto at = document.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return document.replace(at, from.size(), to);
  };
  struct Case {
    std::string document;
    std::wstring message_part;
  };
  const Case cases[] = {
      {"", L"not valid JSON"},
      {good.substr(0, good.size() / 2), L"not valid JSON"},
      {"{\"format\":\"orvane-preset\",\"version\":1,}", L"not valid JSON"},
      {"[1,2]", L"not an Orvane preset"},
      {"\"orvane-preset\"", L"not an Orvane preset"},
      {"{\"version\":1}", L"not an Orvane preset"},
      {with("\"version\": 1", "\"version\": 2"), L"newer version of Orvane"},
      {with("\"version\": 1", "\"version\": \"1\""), L"version"},
      {with("\"size\": 4.25", "\"size\": \"big\""), L"\"watermark.size\" must be a number"},
      {with("\"fit\": true", "\"fit\": 1"), L"\"watermark.fit\" must be true or false"},
      {with("\"color\": \"#12ABEF\"", "\"color\": \"12ABEF\""), L"\"watermark.color\" must be a colour"},
      {with("\"color\": \"#12ABEF\"", "\"color\": \"#12ABEG\""), L"\"watermark.color\" must be a colour"},
      {with("\"layout\": \"bottom-center\"", "\"layout\": \"middle\""), L"\"watermark.layout\" must be one of"},
      {with("\"size_unit\": \"%\"", "\"size_unit\": \"pt\""), L"\"watermark.size_unit\" must be"},
      {with("\"opacity\": 0.0667", "\"opacity\": 1.5"), L"\"watermark.opacity\" must be within 0-1"},
      {with("\"jpeg_quality\": 77", "\"jpeg_quality\": 101"), L"JPEG quality must be within 1-100"},
      {with("\"jpeg_quality\": 77", "\"jpeg_quality\": 7.5"), L"\"watermark.jpeg_quality\" must be a whole number"},
      {with("\"size\": 4.25", "\"size\": 80"), L"Font size must be within 0.5-50 percent"},
      {with("\"size\": 4.25", "\"size\": 1e300"), L"\"watermark.size\" is out of range"},
      {with("\"margin\": 2.75", "\"margin\": -1"), L"Margin must be zero or more"},
      {with("\"outline\": {", "\"outline\": [], \"x\": {"), L"\"watermark.outline\" must be an object"},
      {with("\"width\": 3.0", "\"width\": 500.0"), L"Outline width must be within 0-200 pixels"},
      {with("\"blur\": 11.0", "\"blur\": 5000"), L"Shadow blur must be within 0-1000 pixels"},
      {with("\"font\": \"Liberation Serif\"", "\"font\": \"\""), L"\"watermark.font\" must not be empty"},
      {with("\"text\": \"", "\"text\": \"" + std::string(1001, 'x')), L"at most 1000 characters"},
      {with("\"text\": \"", "\"text\": \"\xC3\x28"), L"not valid JSON"},
      {std::string(kMaxPresetBytes + 1, ' '), L"larger than 1 MiB"},
  };
  for (const Case& c : cases) {
    WatermarkOptions read;
    read.text = L"untouched";
    std::wstring name = L"untouched";
    std::wstring error;
    EXPECT_FALSE(parse_preset_json(c.document, read, name, error)) << c.document.substr(0, 200);
    EXPECT_NE(error.find(c.message_part), std::wstring::npos)
        << "got: " << std::string(error.begin(), error.end()) << "\nfor: " << c.document.substr(0, 200);
    EXPECT_EQ(read.text, L"untouched");
    EXPECT_EQ(name, L"untouched");
  }
}

}  // namespace
