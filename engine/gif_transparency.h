#pragma once

// Marks one palette index of a GIF file as transparent. Some platforms' GIF encoders (Wine's)
// write no graphic control extension, so a palette entry of alpha 0 comes out as an opaque
// colour; the engine then writes the extension itself. Platform-free byte work, bounds-checked.

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::engine {

// Sets the transparent index in the graphic control extension of the first image, adding the
// extension when there is none. False when the bytes are not a GIF or are malformed.
[[nodiscard]] bool set_gif_transparent_index(std::vector<std::uint8_t>& file, std::uint8_t index);
[[nodiscard]] bool set_file_gif_transparent_index(const std::wstring& path, std::uint8_t index);

}  // namespace orvane::engine
