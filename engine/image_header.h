#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::engine {

struct ImageDimensions {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Reads width and height from a PNG, JPEG, GIF, BMP or TIFF header without decoding any pixel.
// Nothing for other or malformed files.
[[nodiscard]] std::optional<ImageDimensions> read_image_dimensions(const std::wstring& path);

// The largest image the engine will decode, in pixels.
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 29;

// True when an image of this size may be decoded: at most kMaxImagePixels, and its export
// buffers (three 32-bit images of its size) fit the memory available now.
[[nodiscard]] bool image_size_acceptable(std::uint64_t width, std::uint64_t height);

}  // namespace orvane::engine
