#include "indexed_bitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orvane::engine {
namespace {

namespace flat = gdiplus::flat;

constexpr int kRedLevels = 6, kGreenLevels = 7, kBlueLevels = 6;
constexpr int kCubeSize = kRedLevels * kGreenLevels * kBlueLevels;  // 252
constexpr BYTE kTransparentIndex = kIndexedTransparentIndex;
static_assert(kTransparentIndex == kCubeSize, "the transparent entry follows the colour cube");

// 4 x 4 Bayer matrix, thresholds in 0..15.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

int level_value(int level, int levels) { return level * 255 / (levels - 1); }

// The dithered level of one channel: the position between two levels decides against the threshold.
int dither_level(int value, int levels, int threshold) {
  const int scaled = value * (levels - 1);  // 0 .. 255 * (levels - 1)
  const int base = scaled / 255;
  const int remainder = scaled % 255;
  return std::min(levels - 1, base + (remainder * 16 > threshold * 255 + 127 ? 1 : 0));
}

// Whether a pixel of this alpha is drawn opaque at this threshold: never at 0, always at 255.
bool dither_opaque(int alpha, int threshold) { return alpha * 16 > threshold * 255 + 127; }

}  // namespace

gdiplus::BitmapPtr to_indexed_bitmap(Gdiplus::GpBitmap* source) {
  const auto size = gdiplus::image_size(source);
  gdiplus::BitmapPtr indexed = gdiplus::create_bitmap(size.width, size.height, PixelFormat8bppIndexed);
  if (!indexed) return nullptr;

  // The palette: the colour cube, then the transparent entry.
  std::vector<std::uint8_t> palette_storage(sizeof(Gdiplus::ColorPalette) + 256 * sizeof(Gdiplus::ARGB));
  auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(palette_storage.data());
  palette->Flags = Gdiplus::PaletteFlagsHasAlpha;
  palette->Count = kCubeSize + 1;
  for (int r = 0; r < kRedLevels; ++r)
    for (int g = 0; g < kGreenLevels; ++g)
      for (int b = 0; b < kBlueLevels; ++b) {
        palette->Entries[(r * kGreenLevels + g) * kBlueLevels + b] =
            0xFF000000u | (static_cast<Gdiplus::ARGB>(level_value(r, kRedLevels)) << 16) |
            (static_cast<Gdiplus::ARGB>(level_value(g, kGreenLevels)) << 8) |
            static_cast<Gdiplus::ARGB>(level_value(b, kBlueLevels));
      }
  palette->Entries[kTransparentIndex] = 0x00000000;
  if (flat::GdipSetImagePalette(indexed.get(), palette) != Gdiplus::Ok) return nullptr;

  Gdiplus::GpRect rect(0, 0, static_cast<INT>(size.width), static_cast<INT>(size.height));
  Gdiplus::BitmapData in{}, out{};
  if (flat::GdipBitmapLockBits(source, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &in) != Gdiplus::Ok) {
    return nullptr;
  }
  if (flat::GdipBitmapLockBits(indexed.get(), &rect, Gdiplus::ImageLockModeWrite, PixelFormat8bppIndexed, &out) !=
      Gdiplus::Ok) {
    flat::GdipBitmapUnlockBits(source, &in);
    return nullptr;
  }
  for (std::uint32_t y = 0; y < size.height; ++y) {
    const auto* src = reinterpret_cast<const std::uint32_t*>(static_cast<const BYTE*>(in.Scan0) +
                                                             static_cast<std::ptrdiff_t>(y) * in.Stride);
    auto* dst = static_cast<BYTE*>(out.Scan0) + static_cast<std::ptrdiff_t>(y) * out.Stride;
    for (std::uint32_t x = 0; x < size.width; ++x) {
      const std::uint32_t p = src[x];
      const int threshold = kBayer[y & 3][x & 3];
      // Alpha is dithered like the colours: a watermark at 43 % opacity over a transparent area
      // stays visible as a screen of opaque dots instead of vanishing.
      if (!dither_opaque(static_cast<int>(p >> 24), threshold)) {
        dst[x] = kTransparentIndex;
        continue;
      }
      const int r = dither_level(static_cast<int>((p >> 16) & 0xFF), kRedLevels, threshold);
      const int g = dither_level(static_cast<int>((p >> 8) & 0xFF), kGreenLevels, threshold);
      const int b = dither_level(static_cast<int>(p & 0xFF), kBlueLevels, threshold);
      dst[x] = static_cast<BYTE>((r * kGreenLevels + g) * kBlueLevels + b);
    }
  }
  flat::GdipBitmapUnlockBits(indexed.get(), &out);
  flat::GdipBitmapUnlockBits(source, &in);
  return indexed;
}

}  // namespace orvane::engine
