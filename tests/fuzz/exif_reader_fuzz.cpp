// Arbitrary bytes through the EXIF readers: the orientation must be 1..8 or nothing, and no
// reader may read outside the bytes it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "exif_metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> file(data, data + size);
  const auto orientation = orvane::engine::read_orientation_from_bytes(file);
  if (orientation && (*orientation < 1 || *orientation > 8)) std::abort();
  // The date taken and the camera: at most what an entry may hold, never past the bytes.
  const auto facts = orvane::engine::read_exif_facts_from_bytes(file);
  if (facts.model.size() > 4096 || facts.date_time_original.size() > 4096) std::abort();
  // An embedded thumbnail is a whole JPEG from its SOI, and lies inside the bytes given.
  const auto thumbnail = orvane::engine::read_exif_thumbnail_from_bytes(file);
  if (!thumbnail.empty() && (thumbnail.size() > size || thumbnail.size() < 4 || thumbnail[0] != 0xFF ||
                             thumbnail[1] != 0xD8)) {
    std::abort();
  }
  // The item decoders take the raw value bytes the way GDI+ hands them over.
  if (size >= 2) {
    const std::uint16_t type = data[0] % 8;
    (void)orvane::engine::orientation_from_item(type, size - 2, data + 2);
    (void)orvane::engine::jpeg_quality_from_item(type, size - 2, data + 2);
  }
  return 0;
}
