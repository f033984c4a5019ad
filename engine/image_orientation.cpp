#include "image_orientation.h"

#include <algorithm>
#include <cstring>

#include "exif_metadata.h"

namespace orvane::engine {

OrientationTurn orientation_turn(std::uint16_t tag) noexcept {
  using namespace Gdiplus;
  switch (tag) {
    case 2: return {RotateNoneFlipX, RotateNoneFlipX};
    case 3: return {Rotate180FlipNone, Rotate180FlipNone};
    case 4: return {Rotate180FlipX, Rotate180FlipX};
    case 5: return {Rotate90FlipX, Rotate90FlipX};
    case 6: return {Rotate90FlipNone, Rotate270FlipNone};
    case 7: return {Rotate270FlipX, Rotate270FlipX};
    case 8: return {Rotate270FlipNone, Rotate90FlipNone};
    default: return {};
  }
}

gdiplus::PixelBitmap turned(const gdiplus::PixelBitmap& image, Gdiplus::RotateFlipType type) {
  // The low two bits of a rotate-flip type count clockwise quarter turns; the next bit flips.
  const int quarter_turns = static_cast<int>(type) & 3;
  const bool flip = (static_cast<int>(type) & 4) != 0;
  const std::int64_t sw = image.width, sh = image.height;
  const bool swap = quarter_turns % 2 == 1;
  const std::int64_t dw = swap ? sh : sw, dh = swap ? sw : sh;
  gdiplus::PixelBitmap out = gdiplus::make_pixel_bitmap(static_cast<std::uint32_t>(dw), static_cast<std::uint32_t>(dh),
                                                        image.format);
  if (!out) return out;
  // Where the pixel of the source that lands on (u, v) of the result lies: undo the flip, then the turn.
  const std::int64_t size = image.format == PixelFormat24bppRGB ? 3 : 4;
  const auto source_of = [&](std::int64_t u, std::int64_t v) {
    if (flip) u = dw - 1 - u;
    std::int64_t x = u, y = v;
    if (quarter_turns == 1) x = v, y = sh - 1 - u;
    if (quarter_turns == 2) x = sw - 1 - u, y = sh - 1 - v;
    if (quarter_turns == 3) x = sw - 1 - v, y = u;
    return y * static_cast<std::int64_t>(image.stride) + x * size;
  };
  const std::int64_t origin = source_of(0, 0);
  const std::int64_t step_u = source_of(1, 0) - origin, step_v = source_of(0, 1) - origin;
  const std::uint8_t* from = image.pixels;
  // In tiles, so that the source rows a turned row reads across stay in the cache.
  constexpr std::int64_t kTile = 64;
  for (std::int64_t v0 = 0; v0 < dh; v0 += kTile) {
    for (std::int64_t u0 = 0; u0 < dw; u0 += kTile) {
      for (std::int64_t v = v0; v < std::min(v0 + kTile, dh); ++v) {
        const std::int64_t row = origin + v * step_v;
        std::uint8_t* to = out.row(static_cast<std::uint32_t>(v));
        for (std::int64_t u = u0; u < std::min(u0 + kTile, dw); ++u) {
          std::memcpy(to + u * size, from + row + u * step_u, static_cast<std::size_t>(size));
        }
      }
    }
  }
  return out;
}

SourceOrientation read_source_orientation(Gdiplus::GpImage* image, const std::wstring& path) {
  SourceOrientation result;
  if (auto item = gdiplus::property_item(image, kOrientationTag)) {
    if (auto value = orientation_from_item(item->type, item->value.size(), item->value.data())) {
      result.value = *value;
      result.present = true;
      result.item = std::move(*item);
      return result;
    }
    // A decoder that reports an unusable item has spoken: the tag is ignored.
    return result;
  }
  // Some decoders (Wine's) expose no EXIF at all; the file itself still says how to turn it.
  if (auto value = read_file_orientation(path)) {
    result.value = *value;
    result.present = true;
    result.item.id = kOrientationTag;
    result.item.type = kTiffTypeShort;
    result.item.value = std::string{static_cast<char>(*value & 0xFF), static_cast<char>(*value >> 8)};
  }
  return result;
}

}  // namespace orvane::engine
