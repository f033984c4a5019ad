#pragma once

// Platform-free file helpers the test suites share: scratch folders, whole-file bytes and the
// test data folder.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orvane::test {

// A fresh folder under the temporary directory, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const noexcept { return path_; }
  [[nodiscard]] std::wstring file(const std::wstring& name) const { return (path_ / name).wstring(); }

 private:
  std::filesystem::path path_;
};

[[nodiscard]] std::vector<std::uint8_t> read_bytes(const std::wstring& path);
void write_bytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);

// The test data folder kept with the sources.
[[nodiscard]] std::filesystem::path data_dir();

}  // namespace orvane::test
