#include "test_files.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

namespace orvane::test {

TempDir::TempDir() {
  // Seeded with the clock too: suites running side by side must not race for one name.
  static std::mt19937_64 rng{std::random_device{}() ^
                             static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / (L"orvane-test-" + std::to_wstring(rng() % 1000000000ULL));
    std::error_code ec;
    if (std::filesystem::create_directory(path_, ec)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only files made by a test would block removal. Stepped with an error code: a destructor
  // must not throw, whatever a test left behind.
  for (std::filesystem::recursive_directory_iterator entry(path_, ec), end; !ec && entry != end; entry.increment(ec)) {
    std::filesystem::permissions(entry->path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

std::vector<std::uint8_t> read_bytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_bytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::filesystem::path data_dir() { return std::filesystem::path(ORVANE_TEST_DATA_DIR); }

}  // namespace orvane::test
