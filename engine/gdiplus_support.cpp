#include "gdiplus_support.h"

#include <climits>
#include <new>
#include <vector>

namespace orvane::engine::gdiplus {

GdiplusSession::GdiplusSession() noexcept {
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, nothing suppressed
  status_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr);
  if (status_ != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
  if (token_ != 0) Gdiplus::GdiplusShutdown(token_);
}

GraphicsPtr graphics_for(Gdiplus::GpImage* image) noexcept {
  Gdiplus::GpGraphics* graphics = nullptr;
  if (image == nullptr || flat::GdipGetImageGraphicsContext(image, &graphics) != Gdiplus::Ok) return nullptr;
  return GraphicsPtr(graphics);
}

BitmapPtr create_bitmap(std::uint32_t width, std::uint32_t height, Gdiplus::PixelFormat format) noexcept {
  if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return nullptr;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (flat::GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), 0, format, nullptr,
                                      &bitmap) != Gdiplus::Ok) {
    return nullptr;
  }
  return BitmapPtr(bitmap);
}

namespace {

PixelBitmap bitmap_over(std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, std::size_t stride,
                        Gdiplus::PixelFormat format) {
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (pixels == nullptr || flat::GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height),
                                                           static_cast<INT>(stride), format, pixels,
                                                           &bitmap) != Gdiplus::Ok) {
    return {};
  }
  PixelBitmap result;
  result.bitmap.reset(bitmap);
  result.pixels = pixels;
  result.width = width;
  result.height = height;
  result.stride = stride;
  result.format = format;
  return result;
}

}  // namespace

PixelBitmap make_pixel_bitmap(std::uint32_t width, std::uint32_t height, Gdiplus::PixelFormat format) {
  const std::size_t bytes_per_pixel = format == PixelFormat24bppRGB ? 3 : 4;
  const std::size_t stride = (std::size_t{width} * bytes_per_pixel + 3) & ~std::size_t{3};
  if (width == 0 || height == 0 || stride > INT_MAX || height > INT_MAX) return {};
  std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[stride * height]);
  PixelBitmap result = bitmap_over(pixels.get(), width, height, stride, format);
  if (result) result.owned = std::move(pixels);
  return result;
}

PixelLock::PixelLock(Gdiplus::GpBitmap* bitmap, Gdiplus::PixelFormat format) noexcept : bitmap_(bitmap) {
  const Size size = image_size(bitmap);
  const Gdiplus::GpRect rect(0, 0, static_cast<INT>(size.width), static_cast<INT>(size.height));
  locked_ = size.width != 0 && flat::GdipBitmapLockBits(bitmap, &rect,
                                                        Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite,
                                                        format, &data_) == Gdiplus::Ok;
}

PixelLock::~PixelLock() {
  if (locked_) flat::GdipBitmapUnlockBits(bitmap_, &data_);
}

PixelBitmap PixelLock::borrow() const {
  // Rows from the bottom up (a negative stride) are left to the caller's fallback.
  if (!locked_ || data_.Stride <= 0) return {};
  return bitmap_over(static_cast<std::uint8_t*>(data_.Scan0), data_.Width, data_.Height,
                     static_cast<std::size_t>(data_.Stride), data_.PixelFormat);
}

bool read_pixels(Gdiplus::GpBitmap* source, const Gdiplus::GpRect& rect, Gdiplus::PixelFormat format,
                 std::uint8_t* rows, std::size_t stride) noexcept {
  Gdiplus::BitmapData data{};
  data.Width = static_cast<UINT>(rect.Width);
  data.Height = static_cast<UINT>(rect.Height);
  data.Stride = static_cast<INT>(stride);
  data.PixelFormat = format;
  data.Scan0 = rows;
  if (flat::GdipBitmapLockBits(source, &rect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf, format,
                               &data) != Gdiplus::Ok) {
    return false;
  }
  return flat::GdipBitmapUnlockBits(source, &data) == Gdiplus::Ok;
}

Size image_size(Gdiplus::GpImage* image) noexcept {
  Size size;
  UINT width = 0, height = 0;
  if (flat::GdipGetImageWidth(image, &width) == Gdiplus::Ok && flat::GdipGetImageHeight(image, &height) == Gdiplus::Ok) {
    size.width = width;
    size.height = height;
  }
  return size;
}

std::optional<PropertyItemCopy> property_item(Gdiplus::GpImage* image, PROPID id) {
  UINT size = 0;
  if (flat::GdipGetPropertyItemSize(image, id, &size) != Gdiplus::Ok || size < sizeof(Gdiplus::PropertyItem)) {
    return std::nullopt;
  }
  // PropertyItem holds a pointer, so the buffer must be aligned for it.
  std::vector<std::uint64_t> buffer((size + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
  auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
  if (flat::GdipGetPropertyItem(image, id, size, item) != Gdiplus::Ok) return std::nullopt;
  const auto* begin = static_cast<const char*>(item->value);
  const auto* buffer_begin = reinterpret_cast<const char*>(buffer.data());
  const std::size_t available = size - sizeof(Gdiplus::PropertyItem);
  // The value must lie inside what GDI+ wrote for us; anything else is not trusted.
  if (item->length > 0 &&
      (begin < buffer_begin || begin + item->length > buffer_begin + size || item->length > available)) {
    return std::nullopt;
  }
  PropertyItemCopy copy;
  copy.id = item->id;
  copy.type = item->type;
  if (item->length > 0) copy.value.assign(begin, item->length);
  return copy;
}

namespace {

std::vector<std::uint8_t> encoder_table(UINT& count) {
  UINT size = 0;
  count = 0;
  if (flat::GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || count == 0 || size == 0) return {};
  std::vector<std::uint8_t> buffer(size + sizeof(std::uint64_t));
  // Align for the pointers inside ImageCodecInfo.
  auto* aligned = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (flat::GdipGetImageEncoders(count, size, aligned) != Gdiplus::Ok) {
    count = 0;
    return {};
  }
  return buffer;
}

template <typename Match>
std::optional<Encoder> find_encoder(Match match) {
  UINT count = 0;
  std::vector<std::uint8_t> table = encoder_table(count);
  const auto* codecs = reinterpret_cast<const Gdiplus::ImageCodecInfo*>(table.data());
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType != nullptr && match(codecs[i])) {
      return Encoder{codecs[i].Clsid, codecs[i].MimeType};
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<Encoder> encoder_by_mime(const std::wstring& mime_type) {
  return find_encoder([&](const Gdiplus::ImageCodecInfo& codec) { return mime_type == codec.MimeType; });
}

std::optional<Encoder> encoder_by_format(const GUID& format) {
  return find_encoder([&](const Gdiplus::ImageCodecInfo& codec) { return IsEqualGUID(codec.FormatID, format) != 0; });
}

}  // namespace orvane::engine::gdiplus
