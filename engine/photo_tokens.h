#pragma once

#include <cstdint>
#include <string>

#include "text_tokens.h"

namespace orvane::engine {

// What the text's tokens stand for on the photo at `path`, upright width x height: its name, its
// EXIF date and camera, else its file's last change in local time.
[[nodiscard]] TokenValues photo_token_values(const std::wstring& path, std::uint32_t width, std::uint32_t height);

}  // namespace orvane::engine
