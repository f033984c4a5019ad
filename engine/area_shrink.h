#pragma once

// Shrinking a picture for the preview. Private to the engine.

#include <cstddef>
#include <cstdint>

#include "gdiplus_support.h"

namespace orvane::engine {

// Shrinks rows of `source_width` x `source_height` pixels into `out` (32-bit premultiplied
// BGRA, no larger in either direction) by averaging the area each output pixel covers, edge
// pixels counted by the part that falls inside. `bytes_per_pixel` 3 reads opaque BGR rows, 4
// premultiplied BGRA rows.
void shrink_by_area(const std::uint8_t* rows, std::ptrdiff_t stride, int bytes_per_pixel, std::uint32_t source_width,
                    std::uint32_t source_height, const gdiplus::PixelBitmap& out);

// The same for the output rows first_row up to (not including) last_row only, reading just the
// source rows under them.
void shrink_rows_by_area(const std::uint8_t* rows, std::ptrdiff_t stride, int bytes_per_pixel,
                         std::uint32_t source_width, std::uint32_t source_height, const gdiplus::PixelBitmap& out,
                         std::uint32_t first_row, std::uint32_t last_row);

}  // namespace orvane::engine
