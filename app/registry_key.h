#pragma once

#include <cstdint>
#include <optional>

typedef struct HKEY__* HKEY;

namespace orvane::app {

// An open registry key, closed on destruction.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey();
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens `path` under `root` for reading values; a closed key when it cannot be opened.
  [[nodiscard]] static RegistryKey open_for_reading(HKEY root, const wchar_t* path) noexcept;

  [[nodiscard]] bool is_open() const noexcept { return key_ != nullptr; }

  // The value when it is a REG_DWORD of four bytes; nothing for any other type, a missing value
  // or a closed key.
  [[nodiscard]] std::optional<std::uint32_t> read_dword(const wchar_t* name) const noexcept;

 private:
  explicit RegistryKey(HKEY key) noexcept : key_(key) {}
  void close() noexcept;

  HKEY key_ = nullptr;
};

}  // namespace orvane::app
