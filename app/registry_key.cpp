#include "registry_key.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <utility>

namespace orvane::app {

RegistryKey::~RegistryKey() { close(); }

RegistryKey::RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    close();
    key_ = std::exchange(other.key_, nullptr);
  }
  return *this;
}

RegistryKey RegistryKey::open_for_reading(HKEY root, const wchar_t* path) noexcept {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return RegistryKey();
  return RegistryKey(key);
}

std::optional<std::uint32_t> RegistryKey::read_dword(const wchar_t* name) const noexcept {
  if (key_ == nullptr) return std::nullopt;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  // A longer value fails with ERROR_MORE_DATA; a shorter one is caught by the size check.
  if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::wstring> RegistryKey::read_string(const wchar_t* name, std::size_t most) const {
  if (key_ == nullptr) return std::nullopt;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ ||
      size / sizeof(wchar_t) > most + 1) {
    return std::nullopt;
  }
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  DWORD read = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &read) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;  // changed between the two reads
  }
  text.resize(std::min<std::size_t>(read / sizeof(wchar_t), text.size()));
  text.resize(std::wcslen(text.c_str()));
  if (text.size() > most) return std::nullopt;
  return text;
}

void RegistryKey::close() noexcept {
  if (key_ != nullptr) RegCloseKey(std::exchange(key_, nullptr));
}

}  // namespace orvane::app
