#include "ui/graphics/image.h"

#include <atomic>
#include <new>
#include <utility>

namespace win32_ui::ui::graphics {

namespace {

// Ids start at 1 so that 0 can mean "no image" in caches.
std::uint64_t next_image_id() noexcept {
  static std::atomic<std::uint64_t> counter{0};
  return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

constexpr std::uint32_t max_width = 0x3FFFFFFFu;

}  // namespace

struct Image::Data {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t stride = 0;
  std::uint64_t id = 0;
  std::vector<std::uint8_t> bytes;
};

std::uint32_t Image::width() const noexcept { return data_ ? data_->width : 0; }
std::uint32_t Image::height() const noexcept { return data_ ? data_->height : 0; }
std::uint32_t Image::stride() const noexcept { return data_ ? data_->stride : 0; }

std::span<const std::uint8_t> Image::pixels() const noexcept {
  return data_ ? std::span<const std::uint8_t>(data_->bytes) : std::span<const std::uint8_t>();
}

bool Image::is_valid() const noexcept { return data_ != nullptr; }
std::uint64_t Image::id() const noexcept { return data_ ? data_->id : 0; }
std::weak_ptr<const void> Image::lifetime() const noexcept { return data_; }

Image Image::adopt(std::uint32_t width, std::uint32_t height, std::uint32_t stride, std::vector<std::uint8_t> bytes) {
  auto data = std::make_shared<Data>();
  data->width = width;
  data->height = height;
  data->stride = stride;
  data->id = next_image_id();
  data->bytes = std::move(bytes);
  Image image;
  image.data_ = std::move(data);
  return image;
}

ImageStatus Image::from_pixels(std::uint32_t width, std::uint32_t height, std::uint32_t stride,
                               std::span<const std::uint8_t> pixels, Image& out) {
  // `pixels` may be the output's own data: keep it alive until the copy is made.
  const Image previous = std::exchange(out, Image());
  if (width == 0 || height == 0 || width > max_width || stride < width * 4u) return image_invalid_argument;
  const std::uint64_t size = static_cast<std::uint64_t>(height) * stride;
  if (size > 0xFFFFFFFFu || pixels.size() < size) return image_invalid_argument;
  try {
    out = adopt(width, height, stride,
                std::vector<std::uint8_t>(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(size)));
  } catch (const std::bad_alloc&) {
    return image_out_of_memory;
  }
  return image_ok;
}

}  // namespace win32_ui::ui::graphics
