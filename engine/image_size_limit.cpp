#include "image_size_limit.h"

#include <windows.h>

#include <algorithm>
#include <limits>

namespace orvane::engine {

std::uint64_t export_bytes_needed(std::uint64_t width, std::uint64_t height) noexcept {
  constexpr std::uint64_t kBytesPerPixel = 4 * 3;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  if (width == 0 || height == 0) return 0;
  if (width > kMax / height) return kMax;
  const std::uint64_t pixels = width * height;
  return pixels > kMax / kBytesPerPixel ? kMax : pixels * kBytesPerPixel;
}

std::optional<std::uint64_t> memory_available() noexcept {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status)) return std::nullopt;
  return std::min(status.ullAvailPhys, status.ullAvailVirtual);
}

bool image_size_acceptable(std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0 || width > kMaxImagePixels || height > kMaxImagePixels) return false;
  if (width * height > kMaxImagePixels) return false;
  const auto available = memory_available();
  if (!available) return true;  // nothing to judge by; the pixel limit holds
  return export_bytes_needed(width, height) <= *available;
}

}  // namespace orvane::engine
