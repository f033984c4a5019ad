#pragma once

#include <cstdint>
#include <optional>
#include <string>

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
  // The text when the value is a REG_SZ of at most `most` characters up to its first null; nothing
  // for any other type, a longer text, a missing value or a closed key.
  [[nodiscard]] std::optional<std::wstring> read_string(const wchar_t* name, std::size_t most) const;

 private:
  explicit RegistryKey(HKEY key) noexcept : key_(key) {}
  void close() noexcept;

  HKEY key_ = nullptr;
};

}  // namespace orvane::app
