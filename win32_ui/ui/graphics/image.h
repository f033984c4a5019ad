#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace win32_ui::ui::graphics {

// Image operations report HRESULT-compatible codes; 0 is success.
using ImageStatus = std::int32_t;
inline constexpr ImageStatus image_ok = 0;
inline constexpr ImageStatus image_invalid_argument = static_cast<ImageStatus>(0x80070057);  // E_INVALIDARG
inline constexpr ImageStatus image_out_of_memory = static_cast<ImageStatus>(0x8007000E);     // E_OUTOFMEMORY

// A handle to a shared, immutable raster of 32-bit premultiplied pixels (B, G, R, A bytes in
// memory, top row first, `stride` bytes from one row to the next). Copies share the pixel data,
// which lives while any handle refers to it. Each piece of pixel data carries an id no other data
// of the process ever gets, so device caches can tell a new picture from an old one that lived at
// the same address.
class Image {
 public:
  Image() = default;  // empty: nothing to draw, every size 0

  // Copies `height` rows of `stride` bytes from `pixels`; the stride is kept as given. Invalid
  // argument when a size is 0, width exceeds 0x3FFFFFFF, stride is below width × 4, height × stride
  // does not fit 32 bits, or `pixels` is shorter than height × stride. `out` is reset first.
  [[nodiscard]] static ImageStatus from_pixels(std::uint32_t width, std::uint32_t height, std::uint32_t stride,
                                               std::span<const std::uint8_t> pixels, Image& out);

  // Decodes an encoded picture (PNG, BMP, GIF, JPEG, ... frame 0) with the Windows Imaging
  // Component. The caller's thread must have initialised COM. `out` is reset first and stays
  // empty on failure, which reports the failing step's status.
  [[nodiscard]] static ImageStatus decode_image(std::span<const std::uint8_t> encoded, Image& out);

  // A copy scaled to width × height by the imaging component's Fant scaler; the image's own size
  // shares this data (same id). Invalid argument for an empty image, a zero size, a width above
  // 0x3FFFFFFF or width × height above 0x3FFFFFFF. COM must be initialised as for decode_image.
  [[nodiscard]] ImageStatus resized(std::uint32_t width, std::uint32_t height, Image& out) const;

  [[nodiscard]] std::uint32_t width() const noexcept;
  [[nodiscard]] std::uint32_t height() const noexcept;
  [[nodiscard]] std::uint32_t stride() const noexcept;
  // height × stride bytes, BGRA premultiplied.
  [[nodiscard]] std::span<const std::uint8_t> pixels() const noexcept;
  // Whether there is anything to draw.
  [[nodiscard]] bool is_valid() const noexcept;
  // The process-unique identity of the pixel data; 0 for an empty image.
  [[nodiscard]] std::uint64_t id() const noexcept;
  // A reference that expires together with the pixel data.
  [[nodiscard]] std::weak_ptr<const void> lifetime() const noexcept;

 private:
  struct Data;

  // Wraps bytes already checked against the sizes in new data with a fresh id. May throw
  // std::bad_alloc.
  [[nodiscard]] static Image adopt(std::uint32_t width, std::uint32_t height, std::uint32_t stride,
                                   std::vector<std::uint8_t> bytes);

  std::shared_ptr<const Data> data_;
};

}  // namespace win32_ui::ui::graphics
