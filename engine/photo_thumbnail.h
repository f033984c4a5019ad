#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvane::engine {

// A small upright picture of a photo: premultiplied BGRA rows, top to bottom, width * 4 bytes each.
struct Thumbnail {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t source_width = 0;  // the upright full-size photo
  std::uint32_t source_height = 0;
  bool from_embedded = false;      // made from the camera's own small copy, not the photo's pixels
  std::vector<std::uint8_t> pixels;
  [[nodiscard]] std::uint32_t stride() const noexcept { return width * 4; }
};

// Makes the thumbnail of an image file, upright as its orientation tag says, at most `max_side`
// pixels on its longer side and never larger than the photo. A JPEG's embedded EXIF thumbnail is
// used when it is large enough and has the photo's shape; otherwise the file is decoded once
// (refused, like the preview, when it is too large to hold) and the decoded pixels are dropped as
// soon as they are shrunk. Safe on several threads at once; a program doing so keeps the imaging
// library started around them (ImagingSession), as for exports.
[[nodiscard]] bool make_thumbnail(const std::wstring& path, std::uint32_t max_side, Thumbnail& out,
                                  std::wstring& error);

// Makes a thumbnail from upright premultiplied BGRA rows the caller already holds (a preview's
// downscaled copy), with the same shrinking. `source_width` x `source_height` is the full-size
// photo they show, reported as is.
[[nodiscard]] bool thumbnail_from_pixels(const std::uint8_t* rows, std::size_t stride, std::uint32_t width,
                                         std::uint32_t height, std::uint32_t source_width,
                                         std::uint32_t source_height, std::uint32_t max_side, Thumbnail& out,
                                         std::wstring& error);

}  // namespace orvane::engine
