#pragma once

// Reading and writing image files for the engine: guarded decoding, file identity and a save
// that never leaves a half-written file behind. Private to the engine.

#include <functional>
#include <string>

#include "gdiplus_support.h"

namespace orvane::engine {

// Decodes a file into a GDI+ bitmap, refusing before any pixel is decoded a source whose header
// claims a size the engine cannot hold. Null on any failure.
[[nodiscard]] gdiplus::BitmapPtr decode_image_file(const std::wstring& path);

// True when both paths name one existing file (same volume and file index), however spelled.
[[nodiscard]] bool same_file(const std::wstring& a, const std::wstring& b);

// Encodes `image` into a temporary file beside `path`, lets `amend` finish that file, and only
// then moves it over `path`. On any failure the temporary file is removed and `path` is untouched.
[[nodiscard]] bool save_image_replacing(Gdiplus::GpImage* image, const std::wstring& path, const CLSID& encoder,
                                        const Gdiplus::EncoderParameters* parameters,
                                        const std::function<bool(const std::wstring&)>& amend);

}  // namespace orvane::engine
