#include "gif_transparency.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace orvane::engine {

bool set_gif_transparent_index(std::vector<std::uint8_t>& file, std::uint8_t index) {
  if (file.size() < 13 || (std::memcmp(file.data(), "GIF87a", 6) != 0 && std::memcmp(file.data(), "GIF89a", 6) != 0)) {
    return false;
  }
  std::size_t pos = 13;
  if (file[10] & 0x80) pos += 3u * (2u << (file[10] & 7));  // global colour table
  while (pos < file.size()) {
    if (file[pos] == 0x2C) {  // the first image, with no control extension before it: add one
      const std::uint8_t extension[8] = {0x21, 0xF9, 4, 0x01, 0, 0, index, 0};
      file.insert(file.begin() + static_cast<std::ptrdiff_t>(pos), extension, extension + 8);
      std::memcpy(file.data(), "GIF89a", 6);  // extensions need the later version
      return true;
    }
    if (file[pos] != 0x21 || pos + 2 >= file.size()) return false;
    if (file[pos + 1] == 0xF9) {
      if (pos + 7 >= file.size() || file[pos + 2] != 4) return false;
      file[pos + 3] |= 0x01;
      file[pos + 6] = index;
      return true;
    }
    pos += 2;  // another extension: skip its sub-blocks
    while (pos < file.size() && file[pos] != 0) pos += 1u + file[pos];
    ++pos;
  }
  return false;
}

bool set_file_gif_transparent_index(const std::wstring& path, std::uint8_t index) {
  const std::filesystem::path file_path(path);
  std::vector<std::uint8_t> bytes;
  {
    std::ifstream in(file_path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (!set_gif_transparent_index(bytes, index)) return false;
  std::ofstream out(file_path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace orvane::engine
