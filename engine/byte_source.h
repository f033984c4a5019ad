#pragma once

// Bounds-checked random access to the bytes of a file or a buffer, for the engine's own
// readers of image headers and EXIF blocks. Every read either fits or fails.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace orvane::engine {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  [[nodiscard]] virtual std::uint64_t size() const noexcept = 0;
  // Copies `count` bytes at `offset`; false (and nothing promised) when they are not all there.
  [[nodiscard]] virtual bool read(std::uint64_t offset, void* out, std::size_t count) = 0;

  [[nodiscard]] std::optional<std::uint8_t> u8(std::uint64_t offset);
  [[nodiscard]] std::optional<std::uint16_t> u16(std::uint64_t offset, bool big_endian);
  [[nodiscard]] std::optional<std::uint32_t> u32(std::uint64_t offset, bool big_endian);

 protected:
  [[nodiscard]] bool fits(std::uint64_t offset, std::size_t count) const noexcept {
    return offset <= size() && count <= size() - offset;
  }
};

// A source that can also be changed: overwritten in place or grown at its end.
class ByteStore : public ByteSource {
 public:
  [[nodiscard]] virtual bool write(std::uint64_t offset, const void* data, std::size_t count) = 0;
  [[nodiscard]] virtual bool append(const void* data, std::size_t count) = 0;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(const std::vector<std::uint8_t>& bytes) noexcept : bytes_(bytes) {}
  [[nodiscard]] std::uint64_t size() const noexcept override { return bytes_.size(); }
  [[nodiscard]] bool read(std::uint64_t offset, void* out, std::size_t count) override;

 private:
  const std::vector<std::uint8_t>& bytes_;
};

class MemoryStore final : public ByteStore {
 public:
  explicit MemoryStore(std::vector<std::uint8_t>& bytes) noexcept : bytes_(bytes) {}
  [[nodiscard]] std::uint64_t size() const noexcept override { return bytes_.size(); }
  [[nodiscard]] bool read(std::uint64_t offset, void* out, std::size_t count) override;
  [[nodiscard]] bool write(std::uint64_t offset, const void* data, std::size_t count) override;
  [[nodiscard]] bool append(const void* data, std::size_t count) override;

 private:
  std::vector<std::uint8_t>& bytes_;
};

// A window [begin, begin + length) of another source, seen from offset 0.
class SubSource final : public ByteSource {
 public:
  SubSource(ByteSource& parent, std::uint64_t begin, std::uint64_t length) noexcept
      : parent_(parent), begin_(begin), length_(length) {}
  [[nodiscard]] std::uint64_t size() const noexcept override { return length_; }
  [[nodiscard]] bool read(std::uint64_t offset, void* out, std::size_t count) override {
    return fits(offset, count) && parent_.read(begin_ + offset, out, count);
  }

 private:
  ByteSource& parent_;
  std::uint64_t begin_;
  std::uint64_t length_;
};

class FileStore final : public ByteStore {
 public:
  // Opens for reading, and for writing too when `writable`.
  FileStore(const std::filesystem::path& path, bool writable);
  [[nodiscard]] bool is_open() const noexcept { return open_; }
  [[nodiscard]] std::uint64_t size() const noexcept override { return size_; }
  [[nodiscard]] bool read(std::uint64_t offset, void* out, std::size_t count) override;
  [[nodiscard]] bool write(std::uint64_t offset, const void* data, std::size_t count) override;
  [[nodiscard]] bool append(const void* data, std::size_t count) override;
  [[nodiscard]] bool flush();

 private:
  std::fstream stream_;
  std::uint64_t size_ = 0;
  bool open_ = false;
  bool writable_ = false;
};

}  // namespace orvane::engine
