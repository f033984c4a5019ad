#pragma once

#include <cstdint>
#include <string>

namespace orvane::bench {

// Writes a deterministic photo-like picture (sky and ground gradients with cloudy texture and
// grain, soft translucent discs, hard-edged blocks) as a JPEG requested at quality 90. Another
// `seed` gives another picture of the same kind.
[[nodiscard]] bool write_sample_photo(const std::wstring& path, std::uint32_t width, std::uint32_t height,
                                      std::uint64_t seed = 0x0A5EED5EEDULL);

// Writes a fully transparent PNG, a blank to draw a watermark tile on.
[[nodiscard]] bool write_transparent_png(const std::wstring& path, std::uint32_t width, std::uint32_t height);

}  // namespace orvane::bench
