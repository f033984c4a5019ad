#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace win32_ui::ui::graphics {

// A shared, immutable raster of 32-bit premultiplied pixels (B, G, R, A bytes in memory, top row
// first, rows packed). Each image carries an id no other image of the process ever gets, so
// device caches can tell a new picture from an old one that lived at the same address.
class Image {
 public:
  // An image of `width` × `height` pixels taking `pixels` (width × height values, each
  // 0xAARRGGBB premultiplied); null when a size is not positive or the count does not match.
  [[nodiscard]] static std::shared_ptr<const Image> create(int width, int height, std::vector<std::uint32_t> pixels);

  // Copies premultiplied 32-bit rows of `stride` bytes from `data`; null for bad sizes or data.
  [[nodiscard]] static std::shared_ptr<const Image> copy_from(int width, int height, int stride, const void* data);

  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  [[nodiscard]] int width() const noexcept { return width_; }
  [[nodiscard]] int height() const noexcept { return height_; }

  // Bytes from one row to the next: always width × 4.
  [[nodiscard]] int stride() const noexcept { return width_ * 4; }

  [[nodiscard]] const std::uint32_t* pixels() const noexcept { return pixels_->data(); }

  // Whether there is anything to draw.
  [[nodiscard]] bool is_valid() const noexcept { return width_ > 0 && height_ > 0 && pixels_ && !pixels_->empty(); }

  // The process-unique identity of these pixels.
  [[nodiscard]] std::uint64_t id() const noexcept { return id_; }

  // A reference that expires together with the pixel data.
  [[nodiscard]] std::weak_ptr<const void> lifetime() const noexcept { return pixels_; }

 private:
  Image(int width, int height, std::vector<std::uint32_t> pixels);

  int width_;
  int height_;
  std::shared_ptr<const std::vector<std::uint32_t>> pixels_;
  std::uint64_t id_;
};

}  // namespace win32_ui::ui::graphics
