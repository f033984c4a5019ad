#include "image_size_limit.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <mutex>

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
  // Wine answers from a cache it marks fresh before filling it, so a thread asking while another
  // refreshes it gets the old contents: zeros on the process's first call, which refused every
  // image the workers of a batch judged at once. One caller at a time; Windows needs no lock but
  // loses nothing by it.
  static std::mutex query;
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  {
    const std::lock_guard lock(query);
    if (!GlobalMemoryStatusEx(&status)) return std::nullopt;
  }
  // No physical memory at all is no answer (a caller outside the lock met the same cache).
  if (status.ullTotalPhys == 0) return std::nullopt;
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
