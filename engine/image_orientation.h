#pragma once

// How each orientation tag turns a stored image upright, and back. Private to the engine.

#include "gdiplus_headers.h"

#include <cstdint>
#include <optional>
#include <string>

#include "gdiplus_support.h"

namespace orvane::engine {

struct OrientationTurn {
  Gdiplus::RotateFlipType upright = Gdiplus::RotateNoneFlipNone;  // applied to turn the image upright
  Gdiplus::RotateFlipType inverse = Gdiplus::RotateNoneFlipNone;  // applied before saving to undo it
  [[nodiscard]] bool turns() const noexcept { return upright != Gdiplus::RotateNoneFlipNone; }
};

// The turn that a tag value 1..8 asks for; no turn for any other value.
[[nodiscard]] OrientationTurn orientation_turn(std::uint16_t tag) noexcept;

// The 24- or 32-bit pixels of `image` turned and flipped as `type` asks (a turn, then a flip), in a new
// bitmap of the same format; empty when its memory cannot be had. Much faster than GDI+'s own
// turn under Wine.
[[nodiscard]] gdiplus::PixelBitmap turned(const gdiplus::PixelBitmap& image, Gdiplus::RotateFlipType type);

// The orientation of a decoded image: from the decoder's property item when it reports one,
// else from the file's own EXIF block. `item` receives the item to write back on export.
struct SourceOrientation {
  std::uint16_t value = 1;
  bool present = false;
  gdiplus::PropertyItemCopy item;
};
[[nodiscard]] SourceOrientation read_source_orientation(Gdiplus::GpImage* image, const std::wstring& path);

}  // namespace orvane::engine
