#include "byte_source.h"

#include <cstring>
#include <limits>

namespace orvane::engine {

std::optional<std::uint8_t> ByteSource::u8(std::uint64_t offset) {
  std::uint8_t value = 0;
  if (!read(offset, &value, 1)) return std::nullopt;
  return value;
}

std::optional<std::uint16_t> ByteSource::u16(std::uint64_t offset, bool big_endian) {
  std::uint8_t b[2];
  if (!read(offset, b, 2)) return std::nullopt;
  return big_endian ? static_cast<std::uint16_t>((b[0] << 8) | b[1]) : static_cast<std::uint16_t>((b[1] << 8) | b[0]);
}

std::optional<std::uint32_t> ByteSource::u32(std::uint64_t offset, bool big_endian) {
  std::uint8_t b[4];
  if (!read(offset, b, 4)) return std::nullopt;
  if (big_endian) {
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
  }
  return (std::uint32_t{b[3]} << 24) | (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[1]} << 8) | b[0];
}

bool MemorySource::read(std::uint64_t offset, void* out, std::size_t count) {
  if (!fits(offset, count)) return false;
  if (count > 0) std::memcpy(out, bytes_.data() + offset, count);
  return true;
}

bool MemoryStore::read(std::uint64_t offset, void* out, std::size_t count) {
  if (!fits(offset, count)) return false;
  if (count > 0) std::memcpy(out, bytes_.data() + offset, count);
  return true;
}

bool MemoryStore::write(std::uint64_t offset, const void* data, std::size_t count) {
  if (!fits(offset, count)) return false;
  if (count > 0) std::memcpy(bytes_.data() + offset, data, count);
  return true;
}

bool MemoryStore::append(const void* data, std::size_t count) {
  const auto* begin = static_cast<const std::uint8_t*>(data);
  bytes_.insert(bytes_.end(), begin, begin + count);
  return true;
}

FileStore::FileStore(const std::filesystem::path& path, bool writable) : writable_(writable) {
  auto mode = std::ios::binary | std::ios::in;
  if (writable) mode |= std::ios::out;
  stream_.open(path, mode);
  if (!stream_.is_open()) return;
  stream_.seekg(0, std::ios::end);
  const auto end = stream_.tellg();
  if (end < 0) return;
  size_ = static_cast<std::uint64_t>(end);
  open_ = true;
}

bool FileStore::read(std::uint64_t offset, void* out, std::size_t count) {
  if (!open_ || !fits(offset, count)) return false;
  if (count == 0) return true;
  stream_.clear();
  stream_.seekg(static_cast<std::streamoff>(offset));
  stream_.read(static_cast<char*>(out), static_cast<std::streamsize>(count));
  return static_cast<std::size_t>(stream_.gcount()) == count;
}

bool FileStore::write(std::uint64_t offset, const void* data, std::size_t count) {
  if (!open_ || !writable_ || !fits(offset, count)) return false;
  stream_.clear();
  stream_.seekp(static_cast<std::streamoff>(offset));
  stream_.write(static_cast<const char*>(data), static_cast<std::streamsize>(count));
  return static_cast<bool>(stream_);
}

bool FileStore::append(const void* data, std::size_t count) {
  if (!open_ || !writable_) return false;
  stream_.clear();
  stream_.seekp(0, std::ios::end);
  stream_.write(static_cast<const char*>(data), static_cast<std::streamsize>(count));
  if (!stream_) return false;
  size_ += count;
  return true;
}

bool FileStore::flush() {
  if (!open_) return false;
  stream_.flush();
  return static_cast<bool>(stream_);
}

}  // namespace orvane::engine
