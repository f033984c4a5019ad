#pragma once

#include <cstdint>

namespace orvane::engine {

// The largest image the engine will decode, in pixels.
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 29;

// True when an image of this size may be decoded: at most kMaxImagePixels, and its export
// buffers (three 32-bit images of its size) fit the memory available now.
[[nodiscard]] bool image_size_acceptable(std::uint64_t width, std::uint64_t height);

}  // namespace orvane::engine
