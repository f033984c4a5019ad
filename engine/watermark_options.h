#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::engine {

// The longest watermark text, in UTF-16 code units: a long copyright line with an address
// several times over, and short enough that the tiled layouts stay interactive.
constexpr std::size_t max_text_length = 1000;

// Placement of the stamps; values outside 0..10 draw no watermark at all.
enum class WatermarkLayout : std::int32_t {
  Grid = 0,
  StaggeredGrid = 1,
  TopLeft = 2,
  TopCenter = 3,
  TopRight = 4,
  CenterLeft = 5,
  Center = 6,
  CenterRight = 7,
  BottomLeft = 8,
  BottomCenter = 9,
  BottomRight = 10,
};

// What a length of the options is counted in: pixels of the bitmap drawn on, or percent of the
// shorter side of the upright, full-size picture, so that one setting looks alike on every photo.
enum class LengthUnit : std::int32_t { pixels = 0, percent_of_shorter_side = 1 };

// The sensible ranges of the lengths given in percent of the picture's shorter side.
constexpr float min_font_size_percent = 0.5f;
constexpr float max_font_size_percent = 50.0f;
constexpr float min_spacing_percent = 2.0f;
constexpr float max_spacing_percent = 100.0f;
constexpr float max_margin_percent = 50.0f;  // half the shorter side: the stamp still fits between
constexpr float min_logo_size_percent = 1.0f;
constexpr float max_logo_size_percent = 100.0f;

// What the outline's and the shadow's lengths are counted in: pixels of the bitmap drawn on, or
// percent of the mark's size (the text size; the logo's longer side for a logo alone), so that
// they follow the mark when it grows.
enum class EffectUnit : std::int32_t { pixels = 0, percent_of_mark = 1 };

// Fill colour of the text; alpha carries the opacity.
struct WatermarkColor {
  std::uint8_t alpha = 110;
  std::uint8_t red = 255;
  std::uint8_t green = 255;
  std::uint8_t blue = 255;

  // The platform's 32-bit ARGB value.
  [[nodiscard]] std::uint32_t argb() const noexcept {
    return (std::uint32_t{alpha} << 24) | (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) |
           std::uint32_t{blue};
  }
};

// Everything the engine needs for one preview frame or one export. Lengths are in their units;
// in_pixels turns them into pixels of a given picture.
struct WatermarkOptions {
  std::wstring input_path;
  std::wstring output_path;
  std::wstring text;
  std::wstring font_family = L"Segoe UI";
  float font_size = 36.0f;
  WatermarkColor color;
  float rotation = -30.0f;
  float spacing_x = 260.0f;
  float spacing_y = 180.0f;
  std::int32_t jpeg_quality = 90;
  bool keep_source_jpeg_quality = true;
  WatermarkLayout layout = WatermarkLayout::Grid;
  bool fit_to_area = false;
  LengthUnit font_size_unit = LengthUnit::pixels;
  LengthUnit spacing_unit = LengthUnit::pixels;  // of both spacings
  // The anchored layouts but the centre: without a margin the stamp is centred in its ninth; with
  // one, its turned box lies this far from the anchor's edges (0: flush with them).
  std::optional<float> margin;
  LengthUnit margin_unit = LengthUnit::pixels;

  // A picture stamped before the text, or alone when the text is empty; no logo when empty. Its
  // longer side is logo_size long. It takes the mark's opacity (color.alpha) and rotation.
  std::wstring logo_path;
  float logo_size = 15.0f;
  LengthUnit logo_size_unit = LengthUnit::percent_of_shorter_side;

  // An outline around the text's glyphs, outline_width wide (0: none), in its own opaque colour.
  float outline_width = 0.0f;
  EffectUnit outline_unit = EffectUnit::percent_of_mark;
  WatermarkColor outline_color{255, 0, 0, 0};

  // A soft shadow under the whole mark, moved by the offsets and blurred by shadow_blur (the
  // radius); its colour's alpha is its own opacity, under the mark's.
  bool shadow = false;
  float shadow_offset_x = 5.0f;
  float shadow_offset_y = 5.0f;
  float shadow_blur = 8.0f;
  EffectUnit shadow_unit = EffectUnit::percent_of_mark;  // of the offsets and the blur
  WatermarkColor shadow_color{153, 0, 0, 0};

  // The photo's place in its batch, 1 for a single photo: what the text's {n} token stands for.
  std::uint64_t sequence_number = 1;
};

// The sensible ranges of the outline and the shadow, in either of their units.
constexpr float max_outline_percent = 50.0f;
constexpr float max_outline_pixels = 200.0f;
constexpr float max_shadow_percent = 100.0f;  // of the offsets and the blur alike
constexpr float max_shadow_pixels = 1000.0f;

// The options with every length in pixels of an upright, full-size picture of width x height:
// the logo's size from the shorter side, the outline and the shadow from the mark's size so found.
[[nodiscard]] WatermarkOptions in_pixels(const WatermarkOptions& options, std::uint32_t width, std::uint32_t height);

// Options already in pixels (see in_pixels) for the picture scaled by `factor`: every length
// scales, and the mark's sizes and the steps stay at least a pixel.
[[nodiscard]] WatermarkOptions scaled_by(const WatermarkOptions& pixels, float factor);

// True when the mark is more than plain text: a logo, an outline or a shadow.
[[nodiscard]] bool is_rich_mark(const WatermarkOptions& options) noexcept;

// The rules that need the picture, on options already in its pixels (see in_pixels): a margin
// the layout uses (the anchored ones but the centre) is at most half the shorter side.
[[nodiscard]] bool validate_for_picture(const WatermarkOptions& pixels, std::uint32_t width, std::uint32_t height,
                                        std::wstring& error);

// Checks the export's rules in order and reports the first failing one in `error`.
[[nodiscard]] bool validate_options(const WatermarkOptions& options, std::wstring& error);

// The layout's name on the command line and in presets: grid, staggered, top-left ... bottom-right.
[[nodiscard]] const wchar_t* layout_name(WatermarkLayout layout) noexcept;

// The layout a name stands for, in any letter case; nothing for an unknown name.
[[nodiscard]] std::optional<WatermarkLayout> layout_from_name(std::wstring_view name);

// The opacity control's alpha byte: opacity (0..1) times 255, rounded and clamped.
[[nodiscard]] std::uint8_t alpha_from_opacity(double opacity) noexcept;

}  // namespace orvane::engine
