// Arbitrary bytes through the EXIF orientation writer, which amends an existing block or inserts
// one. Whatever it accepts must read back as the orientation it wrote; whatever it refuses must
// be left exactly as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "exif_metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the orientation, including the invalid 0 and 9.
  const auto orientation = static_cast<std::uint16_t>(data[0] % 10);
  const std::vector<std::uint8_t> original(data + 1, data + size);
  std::vector<std::uint8_t> file = original;
  if (!orvane::engine::write_orientation_to_bytes(file, orientation)) {
    if (file != original) std::abort();
    return 0;
  }
  if (orientation < 1 || orientation > 8) std::abort();
  if (orvane::engine::read_orientation_from_bytes(file) != orientation) std::abort();
  // Writing again amends the block in place instead of adding another.
  const std::size_t written_size = file.size();
  const auto second = static_cast<std::uint16_t>(orientation % 8 + 1);
  if (!orvane::engine::write_orientation_to_bytes(file, second) || file.size() != written_size) std::abort();
  if (orvane::engine::read_orientation_from_bytes(file) != second) std::abort();
  return 0;
}
