#pragma once

// Putting together a mark that is more than plain text (a logo, an outline, a shadow) from its
// rendered layers, and laying it, once or tiled, over a picture at the mark's opacity. Private to
// the engine; free of any platform interface.

#include <cstdint>
#include <vector>

#include "stamp_blending.h"

namespace orvane::engine {

// A rendered mark as premultiplied ARGB values, opaque where the mark is (its opacity is applied
// when it is laid over a picture); (left, top) is where its top-left pixel lies from the turning
// point.
struct MarkImage {
  std::vector<std::uint32_t> pargb;
  int width = 0;
  int height = 0;
  int left = 0;
  int top = 0;
};

// The rendered layers of one mark, all width x height pixels around one turning point.
struct MarkLayers {
  int width = 0;
  int height = 0;
  int left = 0;  // where the layers' top-left pixel lies from the turning point
  int top = 0;
  std::vector<std::uint8_t> text;     // the text's coverage, 0..255; empty for no text
  std::vector<std::uint32_t> logo;    // the logo, premultiplied ARGB; empty for no logo
  std::uint32_t text_rgb = 0xFFFFFF;  // 0xRRGGBB
  float outline_width = 0;            // pixels; 0: none
  std::uint32_t outline_rgb = 0;
  bool shadow = false;
  int shadow_dx = 0;
  int shadow_dy = 0;
  float shadow_blur = 0;          // radius in pixels
  std::uint32_t shadow_argb = 0;  // its alpha is the shadow's own opacity
};

// How far past the text and the logo the outline and the shadow can reach, in pixels: the room
// the layers need around them.
[[nodiscard]] int effects_reach(float outline_width, bool shadow, int shadow_dx, int shadow_dy, float shadow_blur);

// The mark the layers make: the text over its outline, with the logo, over the soft shadow of all
// of it; cut to the pixels that have any alpha (empty when none has).
[[nodiscard]] MarkImage compose_mark(const MarkLayers& layers);

// The outline's coverage around the text's: full within `width` pixels of the text's inside
// (coverage of half or more), easing off over the next pixel.
[[nodiscard]] std::vector<std::uint8_t> outline_coverage(const std::vector<std::uint8_t>& text, int width, int height,
                                                         float outline_width);

// Blurs an alpha plane in place by three box passes each way, close to a Gaussian of the given
// radius; alpha beyond the edges counts as 0.
void blur_alpha(std::vector<std::uint8_t>& alpha, int width, int height, float radius);

// "Over" of premultiplied ARGB values.
[[nodiscard]] std::uint32_t over_premultiplied(std::uint32_t upper, std::uint32_t lower) noexcept;

// Lays `mark` over `target` at `opacity` (0..255), the mark's top-left pixel at (left, top);
// whatever falls outside the target is dropped.
void lay_mark(const MarkImage& mark, const PixelView& target, int left, int top, std::uint8_t opacity);

// A tiled layout's marks laid "over" each other on a transparent layer, reduced to one period:
// the picture then takes the layer, at the mark's opacity, once per pixel. Positions are in the
// picture's pixels; the cell holds only the part of the period a picture of `picture_width` x
// `picture_height` shows.
class MarkCell {
 public:
  MarkCell(int period_x, int period_y, int picture_width, int picture_height);

  // Lays `mark` over the cell with its top-left pixel at (left, top), wrapped into the period.
  // Where one mark's copies overlap, the later in reading order lies on top.
  void fold(const MarkImage& mark, std::int64_t left, std::int64_t top);
  [[nodiscard]] std::uint32_t pixel_at(std::int64_t x, std::int64_t y) const noexcept;
  // Lays the cell, repeated, over every pixel of `target` at `opacity`.
  void lay_over(const PixelView& target, std::uint8_t opacity) const;

 private:
  int period_x_;
  int period_y_;
  int width_;
  int height_;
  std::vector<std::uint32_t> pargb_;
};

}  // namespace orvane::engine
