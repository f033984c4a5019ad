#include "preset_store.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "watermark_preset.h"

namespace orvane::engine {
namespace {

// Closes a registry key when it goes.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  [[nodiscard]] HKEY get() const noexcept { return key_; }
  [[nodiscard]] HKEY* out() noexcept { return &key_; }
  [[nodiscard]] explicit operator bool() const noexcept { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::string utf8_of(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  }
  return out;
}

std::wstring wide_of(const std::string& text) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  if (size > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

bool same_name(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// A REG_SZ value's text; nothing for a missing value or one of another type.
std::optional<std::wstring> read_text(HKEY key, const std::wstring& name) {
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ) {
    return std::nullopt;
  }
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  text.resize(bytes / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

// Every value name under the key, as stored.
std::vector<std::wstring> value_names(HKEY key) {
  std::vector<std::wstring> names;
  DWORD count = 0, longest = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS) {
    return names;
  }
  std::wstring buffer(longest + 2, L'\0');
  for (DWORD i = 0; i < count; ++i) {
    DWORD length = static_cast<DWORD>(buffer.size());
    if (RegEnumValueW(key, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      names.emplace_back(buffer.data(), length);
    }
  }
  return names;
}

// The stored spelling of the value that matches `name` without regard to case.
std::optional<std::wstring> stored_name(HKEY key, const std::wstring& name) {
  for (const std::wstring& stored : value_names(key)) {
    if (same_name(stored, name)) return stored;
  }
  return std::nullopt;
}

bool parse_stored(const std::wstring& text, WatermarkOptions& out, std::wstring& error) {
  std::wstring ignored_name;
  return parse_preset_json(utf8_of(text), out, ignored_name, error);
}

}  // namespace

bool valid_preset_name(const std::wstring& name, std::wstring& error) {
  if (name.empty() || name.size() > kMaxPresetNameLength) {
    error = L"A preset name must be 1-64 characters long.";
    return false;
  }
  if (std::any_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); })) {
    error = L"A preset name must not contain control characters.";
    return false;
  }
  return true;
}

PresetStore::PresetStore(std::wstring key_path) : key_path_(std::move(key_path)) {}

std::vector<std::wstring> PresetStore::list() const {
  std::vector<std::wstring> names;
  RegistryKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key_path_.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return names;
  for (std::wstring& name : value_names(key.get())) {
    std::wstring ignored;
    WatermarkOptions options;
    const auto text = read_text(key.get(), name);
    if (!text || !valid_preset_name(name, ignored) || !parse_stored(*text, options, ignored)) continue;
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_LESS_THAN;
  });
  return names;
}

bool PresetStore::load(const std::wstring& name, WatermarkOptions& out, std::wstring& error) const {
  RegistryKey key;
  std::optional<std::wstring> text;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key_path_.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS) {
    text = read_text(key.get(), name);
  }
  if (!text) {
    DWORD type = 0;
    const bool present = key && RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, nullptr) ==
                                    ERROR_SUCCESS;
    error = present ? L"The preset " + quoted(name) + L" is not stored as text; it cannot be read."
                    : L"There is no preset named " + quoted(name) + L".";
    return false;
  }
  std::wstring fault;
  if (!parse_stored(*text, out, fault)) {
    error = L"The preset " + quoted(name) + L" cannot be read: " + fault;
    return false;
  }
  return true;
}

bool PresetStore::save(const std::wstring& name, const WatermarkOptions& options, std::wstring& error) {
  if (!valid_preset_name(name, error)) return false;
  RegistryKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key_path_.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.out(),
                      nullptr) != ERROR_SUCCESS) {
    error = L"The presets cannot be stored in the registry.";
    return false;
  }
  const std::wstring text = wide_of(preset_json(options, name));
  if (RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
    error = L"The preset " + quoted(name) + L" cannot be stored in the registry.";
    return false;
  }
  return true;
}

bool PresetStore::rename(const std::wstring& from, const std::wstring& to, std::wstring& error) {
  if (!valid_preset_name(to, error)) return false;
  RegistryKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key_path_.c_str(), 0, KEY_READ | KEY_WRITE, key.out()) != ERROR_SUCCESS) {
    error = L"There is no preset named " + quoted(from) + L".";
    return false;
  }
  // The document moves as it is stored: read again, fields it leaves out would take today's defaults.
  const auto text = read_text(key.get(), from);
  if (!text) {
    error = L"There is no preset named " + quoted(from) + L".";
    return false;
  }
  if (!same_name(from, to) && stored_name(key.get(), to)) {
    error = L"A preset named " + quoted(to) + L" already exists.";
    return false;
  }
  // A change of letter case alone must drop the old value first, or the registry keeps its
  // spelling; otherwise the copy comes first, so a failure leaves the preset under its old name.
  if (same_name(from, to) && RegDeleteValueW(key.get(), from.c_str()) != ERROR_SUCCESS) {
    error = L"The preset " + quoted(from) + L" cannot be renamed.";
    return false;
  }
  if (RegSetValueExW(key.get(), to.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                     static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
    error = L"The preset " + quoted(from) + L" cannot be renamed.";
    return false;
  }
  if (!same_name(from, to)) RegDeleteValueW(key.get(), from.c_str());
  return true;
}

bool PresetStore::remove(const std::wstring& name, std::wstring& error) {
  RegistryKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key_path_.c_str(), 0, KEY_WRITE, key.out()) != ERROR_SUCCESS ||
      RegDeleteValueW(key.get(), name.c_str()) != ERROR_SUCCESS) {
    error = L"There is no preset named " + quoted(name) + L".";
    return false;
  }
  return true;
}

}  // namespace orvane::engine
