#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "test_support.h"
#include "ui/graphics/canvas.h"
#include "ui/graphics/image.h"
#include "ui/graphics/surface_text_measurer.h"

namespace win32_ui::backends_test {

// A 32-bit top-down DIB section selected into a memory DC: the "paint DC" of these tests.
class MemoryTarget {
 public:
  MemoryTarget(int width, int height);
  ~MemoryTarget();
  MemoryTarget(const MemoryTarget&) = delete;
  MemoryTarget& operator=(const MemoryTarget&) = delete;

  [[nodiscard]] HDC dc() const noexcept { return dc_; }
  [[nodiscard]] RECT bounds() const noexcept { return RECT{0, 0, width_, height_}; }
  // Sets every pixel to one 0x00RRGGBB value.
  void fill(std::uint32_t rgb);
  // 0x00RRGGBB at (x, y).
  [[nodiscard]] std::uint32_t at(int x, int y) const;
  // The picture as opaque ARGB pixels.
  [[nodiscard]] orvane::test::Pixels pixels() const;

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ original_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

// The surface's six "Segoe UI" fonts at 96 dpi, deleted on destruction.
class SceneFonts {
 public:
  SceneFonts();
  ~SceneFonts();
  SceneFonts(const SceneFonts&) = delete;
  SceneFonts& operator=(const SceneFonts&) = delete;
  ui::graphics::SurfaceFonts fonts{};
};

inline constexpr int scene_width = 480;
inline constexpr int scene_height = 360;

// An image of premultiplied 0xAARRGGBB values, rows packed; empty when the sizes do not fit.
[[nodiscard]] ui::graphics::Image make_image(std::uint32_t width, std::uint32_t height,
                                             const std::vector<std::uint32_t>& argb);
// The images the scene draws: an 8 × 8 colour ramp, opaque.
[[nodiscard]] ui::graphics::Image make_ramp_image();
// A 16 × 16 image of one opaque 0x00RRGGBB colour.
[[nodiscard]] ui::graphics::Image make_solid_image(std::uint32_t rgb);

// Paints one frame that uses every canvas operation (without ending it).
void paint_scene(ui::graphics::Canvas& canvas, const ui::graphics::Image& image);

// Where the scene puts things, for probes.
namespace scene {
inline constexpr std::uint32_t background = 0xF0F0F0;
inline constexpr RECT solid_rect{10, 10, 70, 50};            // fill_rect 0x2060C0
inline constexpr RECT nonzero_overlap{262, 22, 272, 32};     // inside both squares, non-zero: filled
inline constexpr RECT evenodd_overlap{342, 22, 352, 32};     // inside both squares, even-odd: hole
inline constexpr RECT clipped_out{20, 215, 40, 225};         // a fill outside the clip: background
inline constexpr RECT clipped_in{75, 215, 95, 225};          // the same fill inside the clip
inline constexpr RECT nearest_block{300, 125, 306, 131};     // first image pixel scaled 8x, nearest
inline constexpr RECT translucent_image{447, 132, 457, 142}; // solid image at opacity 0.5
inline constexpr RECT layer_area{440, 160, 470, 190};        // the opacity layer's bounds
inline constexpr RECT layered_image{447, 167, 457, 177};     // solid image inside a 0.5 layer
inline constexpr RECT transformed_rect{170, 232, 200, 246};  // fill_rect under translate + scale
inline constexpr RECT rtl_start_text{250, 300, 470, 330};    // right-to-left text, start alignment
}  // namespace scene

// GDI objects the process holds. Wine's GetGuiResources answers 0, so there the live entries of
// its handle table are counted instead (Wine accepts a bare table index as a handle).
[[nodiscard]] unsigned gdi_objects_in_use();

// Fraction of pixels of `a` that have no pixel within one pixel in `b` whose channels all differ
// by at most `tolerance` (checked both ways; the larger fraction). Pixels in `skipped` are not counted.
[[nodiscard]] double mismatch_fraction(const orvane::test::Pixels& a, const orvane::test::Pixels& b, int tolerance,
                                       const RECT& skipped = RECT{});

// Largest channel difference between the mean colour of a rectangle and `rgb`.
[[nodiscard]] int mean_difference(const MemoryTarget& target, const RECT& area, std::uint32_t rgb);

// Number of pixels in `area` whose colour differs from `rgb` by more than 64 in some channel.
[[nodiscard]] int pixels_unlike(const MemoryTarget& target, const RECT& area, std::uint32_t rgb);

}  // namespace win32_ui::backends_test
