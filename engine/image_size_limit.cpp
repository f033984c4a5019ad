#include "image_size_limit.h"

#include <windows.h>

namespace orvane::engine {

bool image_size_acceptable(std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0 || width > kMaxImagePixels || height > kMaxImagePixels) return false;
  const std::uint64_t pixels = width * height;
  if (pixels > kMaxImagePixels) return false;
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status)) return true;  // nothing to judge by; the pixel limit holds
  // The decoded source, the working bitmap and a turned copy, four bytes a pixel each.
  const std::uint64_t needed = pixels * 4 * 3;
  return needed <= status.ullAvailPhys && needed <= status.ullAvailVirtual;
}

}  // namespace orvane::engine
