// The parts of Image that need the Windows Imaging Component: decoding and scaling.
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>
#include <vector>

#include "ui/graphics/image.h"

namespace win32_ui::ui::graphics {

namespace {

using Microsoft::WRL::ComPtr;

constexpr std::uint32_t max_width = 0x3FFFFFFFu;

HRESULT create_factory(ComPtr<IWICImagingFactory>& factory) noexcept {
  return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
}

bool size_fits(std::uint64_t width, std::uint64_t height) noexcept {
  return width >= 1 && height >= 1 && width <= max_width && width * 4u * height <= 0xFFFFFFFFu;
}

std::uint32_t big_endian(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count) noexcept {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < count; ++i) value = value << 8 | bytes[at + i];
  return value;
}

// False when a PNG or JPEG header claims a size the image could not have. Wine's decoders decode
// the whole picture as soon as the decoder is made, before the frame size can be read, and its
// JPEG decoder overruns its buffer when the byte count exceeds 32 bits; refusing such headers
// first keeps the process alive there and changes no outcome on Windows.
bool claimed_size_fits(std::span<const std::uint8_t> bytes) noexcept {
  static constexpr std::uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() >= 24 && std::equal(std::begin(png_signature), std::end(png_signature), bytes.begin()) &&
      big_endian(bytes, 12, 4) == 0x49484452u /* IHDR */) {
    return size_fits(big_endian(bytes, 16, 4), big_endian(bytes, 20, 4));
  }
  if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return true;
  // JPEG: walk the marker segments up to the first frame header (SOF0..SOF15 but DHT, JPG, DAC).
  std::size_t at = 2;
  while (at + 4 <= bytes.size()) {
    if (bytes[at] != 0xFF) return true;
    const std::uint8_t marker = bytes[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return true;  // end of image or start of scan
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // markers without a length
      at += 2;
      continue;
    }
    const std::size_t length = big_endian(bytes, at + 2, 2);
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame && length >= 7 && at + 9 <= bytes.size()) {
      // Height 0 means "given later by a DNL marker": only the width can be judged here.
      const std::uint32_t height = big_endian(bytes, at + 5, 2);
      return size_fits(big_endian(bytes, at + 7, 2), height == 0 ? 1 : height);
    }
    if (length < 2) return true;
    at += 2 + length;
  }
  return true;
}

// The pixels of a 32bppPBGRA source with rows of width × 4 bytes. The size is checked before
// anything is allocated or decoded, so a header claiming an enormous picture fails at once.
struct DecodedPixels {
  UINT width = 0;
  UINT height = 0;
  std::vector<std::uint8_t> bytes;
};

HRESULT copy_pixels(IWICBitmapSource& source, DecodedPixels& pixels) {
  HRESULT result = source.GetSize(&pixels.width, &pixels.height);
  if (FAILED(result)) return result;
  if (!size_fits(pixels.width, pixels.height)) return image_invalid_argument;
  const UINT stride = pixels.width * 4u;
  const UINT size = stride * pixels.height;
  pixels.bytes.resize(size);
  return source.CopyPixels(nullptr, stride, size, pixels.bytes.data());
}

}  // namespace

ImageStatus Image::decode_image(std::span<const std::uint8_t> encoded, Image& out) {
  // `encoded` may be the output's own pixels: keep them alive while they are copied.
  const Image previous = std::exchange(out, Image());
  if (encoded.empty() || encoded.size() > 0xFFFFFFFFu) return image_invalid_argument;
  if (!claimed_size_fits(encoded)) return image_invalid_argument;
  try {
    // The stream reads this copy, so the caller's buffer may go away; it outlives every COM
    // object below, which are released first.
    const std::vector<std::uint8_t> copy(encoded.begin(), encoded.end());
    ComPtr<IWICImagingFactory> factory;
    HRESULT result = create_factory(factory);
    if (FAILED(result)) return result;
    ComPtr<IWICStream> stream;
    result = factory->CreateStream(&stream);
    if (FAILED(result)) return result;
    result = stream->InitializeFromMemory(const_cast<BYTE*>(copy.data()), static_cast<DWORD>(copy.size()));
    if (FAILED(result)) return result;
    ComPtr<IWICBitmapDecoder> decoder;
    result = factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad, &decoder);
    if (FAILED(result)) return result;
    ComPtr<IWICBitmapFrameDecode> frame;
    result = decoder->GetFrame(0, &frame);
    if (FAILED(result)) return result;
    ComPtr<IWICFormatConverter> converter;
    result = factory->CreateFormatConverter(&converter);
    if (FAILED(result)) return result;
    result = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom);
    if (FAILED(result)) return result;
    DecodedPixels pixels;
    result = copy_pixels(*converter.Get(), pixels);
    if (FAILED(result)) return result;
    out = adopt(pixels.width, pixels.height, pixels.width * 4u, std::move(pixels.bytes));
    return image_ok;
  } catch (const std::bad_alloc&) {
    return image_out_of_memory;
  }
}

ImageStatus Image::resized(std::uint32_t width, std::uint32_t height, Image& out) const {
  // `out` may be this image: hold the data before resetting it.
  const Image source = *this;
  out = Image();
  if (!source.is_valid() || width == 0 || height == 0 || width > max_width ||
      static_cast<std::uint64_t>(width) * height > max_width) {
    return image_invalid_argument;
  }
  if (width == source.width() && height == source.height()) {
    out = source;
    return image_ok;
  }
  try {
    ComPtr<IWICImagingFactory> factory;
    HRESULT result = create_factory(factory);
    if (FAILED(result)) return result;
    ComPtr<IWICBitmap> bitmap;
    const auto pixels = source.pixels();
    result = factory->CreateBitmapFromMemory(source.width(), source.height(), GUID_WICPixelFormat32bppPBGRA,
                                             source.stride(), static_cast<UINT>(pixels.size()),
                                             const_cast<BYTE*>(pixels.data()), &bitmap);
    if (FAILED(result)) return result;
    ComPtr<IWICBitmapScaler> scaler;
    result = factory->CreateBitmapScaler(&scaler);
    if (FAILED(result)) return result;
    result = scaler->Initialize(bitmap.Get(), width, height, WICBitmapInterpolationModeFant);
    if (FAILED(result)) return result;
    DecodedPixels scaled;
    result = copy_pixels(*scaler.Get(), scaled);
    if (FAILED(result)) return result;
    out = adopt(scaled.width, scaled.height, scaled.width * 4u, std::move(scaled.bytes));
    return image_ok;
  } catch (const std::bad_alloc&) {
    return image_out_of_memory;
  }
}

}  // namespace win32_ui::ui::graphics
