#include "ui/graphics/image.h"

#include <atomic>
#include <cstring>
#include <limits>

namespace win32_ui::ui::graphics {

namespace {

// Ids start at 1 so that 0 can mean "no image" in caches.
std::uint64_t next_image_id() noexcept {
  static std::atomic<std::uint64_t> counter{0};
  return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

bool size_fits(int width, int height) noexcept {
  return width > 0 && height > 0 &&
         static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <=
             static_cast<std::uint64_t>(std::numeric_limits<int>::max() / 4);
}

}  // namespace

Image::Image(int width, int height, std::vector<std::uint32_t> pixels)
    : width_(width),
      height_(height),
      pixels_(std::make_shared<const std::vector<std::uint32_t>>(std::move(pixels))),
      id_(next_image_id()) {}

std::shared_ptr<const Image> Image::create(int width, int height, std::vector<std::uint32_t> pixels) {
  if (!size_fits(width, height)) return nullptr;
  if (pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) return nullptr;
  return std::shared_ptr<const Image>(new Image(width, height, std::move(pixels)));
}

std::shared_ptr<const Image> Image::copy_from(int width, int height, int stride, const void* data) {
  if (!size_fits(width, height) || data == nullptr || stride < width * 4) return nullptr;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const auto* source = static_cast<const unsigned char*>(data);
  for (int y = 0; y < height; ++y) {
    std::memcpy(pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width),
                source + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride),
                static_cast<std::size_t>(width) * 4u);
  }
  return create(width, height, std::move(pixels));
}

}  // namespace win32_ui::ui::graphics
