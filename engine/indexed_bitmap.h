#pragma once

// Conversion of a 32-bit bitmap to 8-bit palette indices for GIF output. GDI+ quantises on
// Windows, but Wine's GIF encoder writes an empty picture (and reports success) for anything but
// an indexed bitmap, so the engine quantises itself and gets the same file on both.

#include "gdiplus_support.h"

namespace orvane::engine {

// The palette entry that stands for transparent pixels.
inline constexpr BYTE kIndexedTransparentIndex = 252;

// An 8-bit indexed copy of `source`: a 6 x 7 x 6 colour cube and one transparent entry, with
// ordered dithering of the colours and of the alpha. Null on failure.
[[nodiscard]] gdiplus::BitmapPtr to_indexed_bitmap(Gdiplus::GpBitmap* source);

}  // namespace orvane::engine
