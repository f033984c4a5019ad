#include "photo_thumbnail.h"

#include "gdiplus_headers.h"

#include <objidl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "area_shrink.h"
#include "byte_source.h"
#include "exif_metadata.h"
#include "file_system.h"
#include "gdiplus_support.h"
#include "image_file.h"
#include "image_header.h"
#include "image_orientation.h"
#include "image_size_limit.h"

namespace orvane::engine {

namespace flat = gdiplus::flat;

namespace {

constexpr wchar_t kInvalidRequest[] = L"Invalid thumbnail source or size.";
constexpr wchar_t kUnreadable[] = L"Unable to read input image.";
constexpr wchar_t kNoMemory[] = L"Unable to create thumbnail image.";

// How far the embedded thumbnail's shape may stray from the photo's. Cameras write 160 x 120 for
// every photo: a 4:3 or 3:2 photo fits (3:2 comes out 160 x 107, 0.3 % off), but a 16:9 one is
// letterboxed between black bars. Such a thumbnail is not cropped: whether the bars are there, or
// the camera cut the sides off instead, cannot be told from the tags, so the photo is decoded.
constexpr double kShapeTolerance = 0.03;

struct Size {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

bool swaps_sides(const OrientationTurn& turn) { return (static_cast<int>(turn.upright) & 1) != 0; }
Size swapped(Size size, bool swap) { return swap ? Size{size.height, size.width} : size; }

// `upright` shrunk so that its longer side is at most `longest`; never enlarged.
Size fitted(Size upright, std::uint32_t longest) {
  const std::uint32_t side = std::max(upright.width, upright.height);
  if (side <= longest) return upright;
  const double scale = static_cast<double>(longest) / side;
  const auto length = [scale](std::uint32_t v) {
    return std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::lround(v * scale)));
  };
  return {length(upright.width), length(upright.height)};
}

// Plain rows of ours seen as the shrinker's target; no imaging library object over them.
gdiplus::PixelBitmap rows_over(std::vector<std::uint8_t>& pixels, Size size) {
  gdiplus::PixelBitmap view;
  view.pixels = pixels.data();
  view.width = size.width;
  view.height = size.height;
  view.stride = std::size_t{size.width} * 4;
  view.format = PixelFormat32bppPARGB;
  return view;
}

bool allocate(std::vector<std::uint8_t>& pixels, Size size) {
  try {
    pixels.assign(std::size_t{size.width} * size.height * 4, 0);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Shrinks a decoded bitmap, stored as it lies, into `out` at `upright` size, then turns it upright.
bool shrink_decoded(Gdiplus::GpBitmap* decoded, Size stored, const OrientationTurn& turn, Size upright,
                    Thumbnail& out, std::wstring& error) {
  const Size target = swapped(upright, swaps_sides(turn));
  std::vector<std::uint8_t> shrunk;
  if (!allocate(shrunk, target)) {
    error = kNoMemory;
    return false;
  }
  gdiplus::PixelBitmap view = rows_over(shrunk, target);
  Gdiplus::PixelFormat decoded_format = 0;
  flat::GdipGetImagePixelFormat(decoded, &decoded_format);
  const Gdiplus::PixelFormat read_format =
      decoded_format == PixelFormat24bppRGB ? PixelFormat24bppRGB : PixelFormat32bppPARGB;
  const Gdiplus::GpRect rect(0, 0, static_cast<INT>(stored.width), static_cast<INT>(stored.height));
  Gdiplus::BitmapData data{};
  if (flat::GdipBitmapLockBits(decoded, &rect, Gdiplus::ImageLockModeRead, read_format, &data) != Gdiplus::Ok) {
    error = kUnreadable;
    return false;
  }
  shrink_by_area(static_cast<const std::uint8_t*>(data.Scan0), data.Stride, read_format == PixelFormat24bppRGB ? 3 : 4,
                 stored.width, stored.height, view);
  flat::GdipBitmapUnlockBits(decoded, &data);
  if (turn.turns()) {
    const gdiplus::PixelBitmap upright_rows = turned(view, turn.upright);
    if (!upright_rows) {
      error = kNoMemory;
      return false;
    }
    for (std::uint32_t y = 0; y < upright.height; ++y) {
      std::memcpy(shrunk.data() + std::size_t{y} * upright.width * 4, upright_rows.row(y), std::size_t{upright.width} * 4);
    }
  }
  out.width = upright.width;
  out.height = upright.height;
  out.pixels = std::move(shrunk);
  return true;
}

struct StreamRelease {
  void operator()(IStream* stream) const noexcept { stream->Release(); }
};
using StreamPtr = std::unique_ptr<IStream, StreamRelease>;

// A stream over a copy of `bytes`, which it owns.
StreamPtr stream_over(const std::vector<std::uint8_t>& bytes) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (memory == nullptr) return nullptr;
  void* target = GlobalLock(memory);
  if (target == nullptr) {
    GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(target, bytes.data(), bytes.size());
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream)) || stream == nullptr) {
    GlobalFree(memory);
    return nullptr;
  }
  return StreamPtr(stream);
}

// The thumbnail from the JPEG a camera embedded in the photo's EXIF block, when it will do; false
// (with `out` untouched) sends the caller to the photo's own pixels.
bool from_embedded(const std::wstring& path, std::uint32_t max_side, Thumbnail& out) {
  // A photo that cannot be opened must not seem to open through its thumbnail: the decoder's
  // path refuses it with its message.
  const auto photo = read_image_dimensions(path);
  if (!photo || !image_size_acceptable(photo->width, photo->height)) return false;
  const std::vector<std::uint8_t> bytes = read_file_exif_thumbnail(path);
  if (bytes.empty()) return false;
  MemorySource source(bytes);
  const auto small = read_image_dimensions(source);
  // A thumbnail is never larger than its photo, which also keeps a lying header from being decoded.
  if (!small || small->width == 0 || small->height == 0 || small->width > photo->width ||
      small->height > photo->height) {
    return false;
  }
  if (2 * std::uint64_t{std::max(small->width, small->height)} < max_side) return false;
  const double photo_shape = static_cast<double>(photo->width) / photo->height;
  const double small_shape = static_cast<double>(small->width) / small->height;
  if (std::abs(small_shape / photo_shape - 1.0) > kShapeTolerance) return false;

  const StreamPtr stream = stream_over(bytes);  // outlives the bitmap decoded from it
  if (!stream) return false;
  Gdiplus::GpBitmap* raw = nullptr;
  if (flat::GdipCreateBitmapFromStream(stream.get(), &raw) != Gdiplus::Ok || raw == nullptr) return false;
  const gdiplus::BitmapPtr decoded(raw);
  const gdiplus::Size stored = gdiplus::image_size(decoded.get());
  if (stored.width != small->width || stored.height != small->height) return false;

  // The tag in the photo's first IFD stands for its thumbnail too: cameras store both alike.
  const OrientationTurn turn = orientation_turn(read_file_orientation(path).value_or(1));
  const bool swap = swaps_sides(turn);
  const Size upright_photo = swapped({photo->width, photo->height}, swap);
  const Size upright_small = swapped({small->width, small->height}, swap);
  // The photo's own shape, at most as large as the thumbnail in either direction.
  Size size = fitted(upright_photo, std::min(max_side, std::max(upright_small.width, upright_small.height)));
  size.width = std::min(size.width, upright_small.width);
  size.height = std::min(size.height, upright_small.height);
  Thumbnail made;
  std::wstring ignored;
  if (!shrink_decoded(decoded.get(), {stored.width, stored.height}, turn, size, made, ignored)) return false;
  made.source_width = upright_photo.width;
  made.source_height = upright_photo.height;
  made.from_embedded = true;
  out = std::move(made);
  return true;
}

}  // namespace

bool make_thumbnail(const std::wstring& path, std::uint32_t max_side, Thumbnail& out, std::wstring& error) {
  out = Thumbnail{};
  if (path.empty() || max_side == 0) {
    error = kInvalidRequest;
    return false;
  }
  // A session for this call alone; declared first so that it ends after every image.
  gdiplus::GdiplusSession session;
  if (!session.ok()) {
    error = L"GDI+ initialization failed.";
    return false;
  }
  if (from_embedded(path, max_side, out)) return true;

  gdiplus::BitmapPtr decoded = decode_image_file(path);
  const gdiplus::Size stored = decoded ? gdiplus::image_size(decoded.get()) : gdiplus::Size{};
  if (!decoded || stored.width == 0 || stored.height == 0) {
    error = input_access_error(path);
    if (error.empty()) error = kUnreadable;
    return false;
  }
  const SourceOrientation orientation = read_source_orientation(decoded.get(), path);
  const OrientationTurn turn = orientation_turn(orientation.value);
  const Size upright = swapped({stored.width, stored.height}, swaps_sides(turn));
  if (!shrink_decoded(decoded.get(), {stored.width, stored.height}, turn, fitted(upright, max_side), out, error)) {
    out = Thumbnail{};
    return false;
  }
  out.source_width = upright.width;
  out.source_height = upright.height;
  return true;
}

bool thumbnail_from_pixels(const std::uint8_t* rows, std::size_t stride, std::uint32_t width, std::uint32_t height,
                           std::uint32_t source_width, std::uint32_t source_height, std::uint32_t max_side,
                           Thumbnail& out, std::wstring& error) {
  out = Thumbnail{};
  if (rows == nullptr || width == 0 || height == 0 || max_side == 0 || stride < std::size_t{width} * 4) {
    error = kInvalidRequest;
    return false;
  }
  const Size size = fitted({width, height}, max_side);
  if (!allocate(out.pixels, size)) {
    error = kNoMemory;
    return false;
  }
  gdiplus::PixelBitmap view = rows_over(out.pixels, size);
  shrink_by_area(rows, static_cast<std::ptrdiff_t>(stride), 4, width, height, view);
  out.width = size.width;
  out.height = size.height;
  out.source_width = source_width;
  out.source_height = source_height;
  return true;
}

}  // namespace orvane::engine
