#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::engine {

class ByteSource;

struct ImageDimensions {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Reads width and height from a PNG, JPEG, GIF, BMP or TIFF header without decoding any pixel.
// Nothing for other or malformed files.
[[nodiscard]] std::optional<ImageDimensions> read_image_dimensions(const std::wstring& path);
[[nodiscard]] std::optional<ImageDimensions> read_image_dimensions(ByteSource& bytes);

}  // namespace orvane::engine
