// Arbitrary bytes through the image header reader: it must give dimensions or nothing, never
// read outside the bytes it was given.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "byte_source.h"
#include "image_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> file(data, data + size);
  orvane::engine::MemorySource source(file);
  (void)orvane::engine::read_image_dimensions(source);
  return 0;
}
