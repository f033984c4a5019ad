#pragma once

// RAII owners for the GDI+ objects the engine uses, over the flat API. Private to the engine.

#include "gdiplus_headers.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace orvane::engine::gdiplus {

namespace flat = Gdiplus::DllExports;

// Starts GDI+ on construction and shuts it down on destruction.
class GdiplusSession {
 public:
  GdiplusSession() noexcept;
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  [[nodiscard]] bool ok() const noexcept { return status_ == Gdiplus::Ok; }

 private:
  ULONG_PTR token_ = 0;
  Gdiplus::Status status_ = Gdiplus::GenericError;
};

struct ImageDeleter {
  void operator()(Gdiplus::GpImage* image) const noexcept { flat::GdipDisposeImage(image); }
};
struct GraphicsDeleter {
  void operator()(Gdiplus::GpGraphics* graphics) const noexcept { flat::GdipDeleteGraphics(graphics); }
};
struct FontDeleter {
  void operator()(Gdiplus::GpFont* font) const noexcept { flat::GdipDeleteFont(font); }
};
struct FontFamilyDeleter {
  void operator()(Gdiplus::GpFontFamily* family) const noexcept { flat::GdipDeleteFontFamily(family); }
};
struct BrushDeleter {
  void operator()(Gdiplus::GpBrush* brush) const noexcept { flat::GdipDeleteBrush(brush); }
};

using BitmapPtr = std::unique_ptr<Gdiplus::GpBitmap, ImageDeleter>;
using GraphicsPtr = std::unique_ptr<Gdiplus::GpGraphics, GraphicsDeleter>;
using FontPtr = std::unique_ptr<Gdiplus::GpFont, FontDeleter>;
using FontFamilyPtr = std::unique_ptr<Gdiplus::GpFontFamily, FontFamilyDeleter>;
using BrushPtr = std::unique_ptr<Gdiplus::GpBrush, BrushDeleter>;

// Pixels with a GDI+ bitmap over them, so that GDI+ draws on them and encodes from them in
// place: memory of our own, or pixels borrowed from a locked bitmap. The bitmap always goes
// before the pixels it was made over.
struct PixelBitmap {
  BitmapPtr bitmap;
  std::unique_ptr<std::uint8_t[]> owned;  // null for borrowed pixels
  std::uint8_t* pixels = nullptr;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::size_t stride = 0;  // bytes per row, a multiple of 4
  Gdiplus::PixelFormat format = 0;

  PixelBitmap() = default;
  PixelBitmap(PixelBitmap&&) noexcept = default;
  PixelBitmap& operator=(PixelBitmap&&) noexcept = default;  // members in order: the bitmap first
  ~PixelBitmap() { bitmap.reset(); }
  [[nodiscard]] std::uint8_t* row(std::uint32_t y) const noexcept { return pixels + stride * y; }
  explicit operator bool() const noexcept { return bitmap != nullptr; }
};

// Rows for a 32- or 24-bit `format`, left uninitialised, with a bitmap over them; empty when
// the memory or the bitmap cannot be had.
[[nodiscard]] PixelBitmap make_pixel_bitmap(std::uint32_t width, std::uint32_t height, Gdiplus::PixelFormat format);

// A bitmap's pixels locked for reading and writing in their own format, where GDI+ keeps them,
// until this goes. A bitmap made over them carries none of the locked bitmap's metadata.
class PixelLock {
 public:
  PixelLock(Gdiplus::GpBitmap* bitmap, Gdiplus::PixelFormat format) noexcept;
  ~PixelLock();
  PixelLock(const PixelLock&) = delete;
  PixelLock& operator=(const PixelLock&) = delete;
  // A bitmap over the locked pixels, to be gone before this is; empty when the lock failed.
  [[nodiscard]] PixelBitmap borrow() const;

 private:
  Gdiplus::GpBitmap* bitmap_;
  Gdiplus::BitmapData data_{};
  bool locked_ = false;
};

// GDI+ converts the pixels of `rect` of `source` into `format` straight into rows of ours.
[[nodiscard]] bool read_pixels(Gdiplus::GpBitmap* source, const Gdiplus::GpRect& rect, Gdiplus::PixelFormat format,
                               std::uint8_t* rows, std::size_t stride) noexcept;

// A drawing context on an image, or null.
[[nodiscard]] GraphicsPtr graphics_for(Gdiplus::GpImage* image) noexcept;

// A new bitmap of the given size and pixel format, or null.
[[nodiscard]] BitmapPtr create_bitmap(std::uint32_t width, std::uint32_t height, Gdiplus::PixelFormat format) noexcept;

// Width and height of an image; zeros when unreadable.
struct Size {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};
[[nodiscard]] Size image_size(Gdiplus::GpImage* image) noexcept;

// A copy of one property item of an image (tag, type and value bytes), when present.
struct PropertyItemCopy {
  PROPID id = 0;
  WORD type = 0;
  std::string value;  // raw bytes
};
[[nodiscard]] std::optional<PropertyItemCopy> property_item(Gdiplus::GpImage* image, PROPID id);

// An installed encoder: its class identifier and MIME type.
struct Encoder {
  CLSID clsid{};
  std::wstring mime_type;
};
// The first encoder whose MIME type equals `mime_type` exactly.
[[nodiscard]] std::optional<Encoder> encoder_by_mime(const std::wstring& mime_type);
// The first encoder whose format identifier equals `format`.
[[nodiscard]] std::optional<Encoder> encoder_by_format(const GUID& format);

}  // namespace orvane::engine::gdiplus
