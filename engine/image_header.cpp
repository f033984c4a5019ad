#include "image_header.h"

#include <cstring>

#include "byte_source.h"

namespace orvane::engine {
namespace {

std::optional<ImageDimensions> png_dimensions(ByteSource& file) {
  // Signature, then the IHDR chunk: length, "IHDR", width, height (big-endian).
  static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::uint8_t head[16];
  if (!file.read(0, head, 16) || std::memcmp(head, signature, 8) != 0 || std::memcmp(head + 12, "IHDR", 4) != 0) {
    return std::nullopt;
  }
  const auto w = file.u32(16, true), h = file.u32(20, true);
  if (!w || !h) return std::nullopt;
  return ImageDimensions{*w, *h};
}

std::optional<ImageDimensions> gif_dimensions(ByteSource& file) {
  std::uint8_t head[6];
  if (!file.read(0, head, 6) || (std::memcmp(head, "GIF87a", 6) != 0 && std::memcmp(head, "GIF89a", 6) != 0)) {
    return std::nullopt;
  }
  const auto w = file.u16(6, false), h = file.u16(8, false);
  if (!w || !h) return std::nullopt;
  return ImageDimensions{*w, *h};
}

std::optional<ImageDimensions> bmp_dimensions(ByteSource& file) {
  std::uint8_t head[2];
  if (!file.read(0, head, 2) || head[0] != 'B' || head[1] != 'M') return std::nullopt;
  const auto header_size = file.u32(14, false);
  if (!header_size) return std::nullopt;
  if (*header_size == 12) {  // the old core header has 16-bit sizes
    const auto w = file.u16(18, false), h = file.u16(20, false);
    if (!w || !h) return std::nullopt;
    return ImageDimensions{*w, *h};
  }
  const auto w = file.u32(18, false), h = file.u32(22, false);
  if (!w || !h) return std::nullopt;
  const auto width = static_cast<std::int32_t>(*w), height = static_cast<std::int32_t>(*h);
  if (width <= 0 || height == INT32_MIN) return std::nullopt;
  return ImageDimensions{static_cast<std::uint32_t>(width),
                         static_cast<std::uint32_t>(height < 0 ? -height : height)};  // negative: top-down
}

std::optional<ImageDimensions> jpeg_dimensions(ByteSource& file) {
  std::uint8_t soi[2];
  if (!file.read(0, soi, 2) || soi[0] != 0xFF || soi[1] != 0xD8) return std::nullopt;
  std::uint64_t pos = 2;
  for (int guard = 0; guard < 100000; ++guard) {
    auto ff = file.u8(pos);
    if (!ff || *ff != 0xFF) return std::nullopt;
    std::optional<std::uint8_t> marker;
    do {
      marker = file.u8(++pos);
      if (!marker) return std::nullopt;
    } while (*marker == 0xFF);
    ++pos;
    if (*marker == 0x01 || (*marker >= 0xD0 && *marker <= 0xD7)) continue;
    if (*marker == 0xD9 || *marker == 0xDA) return std::nullopt;  // no frame header before the data
    const auto length = file.u16(pos, true);
    if (!length || *length < 2) return std::nullopt;
    // Start-of-frame markers: C0-CF except DHT (C4), JPG (C8) and DAC (CC).
    if (*marker >= 0xC0 && *marker <= 0xCF && *marker != 0xC4 && *marker != 0xC8 && *marker != 0xCC) {
      const auto h = file.u16(pos + 3, true), w = file.u16(pos + 5, true);
      if (!w || !h) return std::nullopt;
      return ImageDimensions{*w, *h};
    }
    pos += *length;
  }
  return std::nullopt;
}

std::optional<ImageDimensions> tiff_dimensions(ByteSource& file) {
  std::uint8_t head[4];
  if (!file.read(0, head, 4)) return std::nullopt;
  bool be = false;
  if (head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) {
    be = false;
  } else if (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42) {
    be = true;
  } else {
    return std::nullopt;
  }
  const auto ifd = file.u32(4, be);
  if (!ifd) return std::nullopt;
  const auto count = file.u16(*ifd, be);
  if (!count) return std::nullopt;
  std::optional<std::uint32_t> width, height;
  for (std::uint32_t i = 0; i < *count; ++i) {
    const std::uint64_t entry = *ifd + 2 + std::uint64_t{i} * 12;
    const auto tag = file.u16(entry, be), type = file.u16(entry + 2, be);
    if (!tag || !type) return std::nullopt;
    if (*tag != 256 && *tag != 257) continue;
    std::optional<std::uint32_t> value;
    if (*type == 3) {
      if (auto v = file.u16(entry + 8, be)) value = *v;
    } else if (*type == 4) {
      value = file.u32(entry + 8, be);
    }
    if (!value) return std::nullopt;
    (*tag == 256 ? width : height) = value;
  }
  if (!width || !height) return std::nullopt;
  return ImageDimensions{*width, *height};
}

}  // namespace

std::optional<ImageDimensions> read_image_dimensions(const std::wstring& path) {
  FileStore file(std::filesystem::path(path), false);
  if (!file.is_open()) return std::nullopt;
  return read_image_dimensions(file);
}

std::optional<ImageDimensions> read_image_dimensions(ByteSource& bytes) {
  for (auto reader : {png_dimensions, jpeg_dimensions, gif_dimensions, bmp_dimensions, tiff_dimensions}) {
    if (auto dims = reader(bytes)) return dims;
  }
  return std::nullopt;
}

}  // namespace orvane::engine
