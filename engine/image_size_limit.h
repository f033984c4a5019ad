#pragma once

#include <cstdint>
#include <optional>

namespace orvane::engine {

// The largest image the engine will decode, in pixels.
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 29;

// The memory an export of an image of this size is counted to need: the decoded source, the
// working bitmap and a turned copy, four bytes a pixel each. Saturates instead of overflowing.
[[nodiscard]] std::uint64_t export_bytes_needed(std::uint64_t width, std::uint64_t height) noexcept;

// The memory an export can count on now: the smaller of the physical and the virtual memory
// available. Nothing when the system cannot say.
[[nodiscard]] std::optional<std::uint64_t> memory_available() noexcept;

// True when an image of this size may be decoded: at most kMaxImagePixels, and its export
// buffers (export_bytes_needed) fit the memory available now.
[[nodiscard]] bool image_size_acceptable(std::uint64_t width, std::uint64_t height);

}  // namespace orvane::engine
