#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "preferences.h"
#include "ui_language.h"
#include "watermark_settings.h"

namespace orvane::app {
namespace {

using win32_ui::modern::ThemeMode;

constexpr const wchar_t* key_path = L"Software\\Kestrune\\Orvane";
constexpr const wchar_t* parent_path = L"Software\\Kestrune";

bool key_exists(const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> bytes;
};

std::optional<RawValue> raw_value(const wchar_t* name) {
  DWORD type = 0, size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key_path, name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RawValue value{type, std::vector<std::uint8_t>(size)};
  if (RegGetValueW(HKEY_CURRENT_USER, key_path, name, RRF_RT_ANY | RRF_NOEXPAND, &type, value.bytes.data(), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.bytes.resize(size);
  return value;
}

void set_raw(const wchar_t* name, DWORD type, std::vector<std::uint8_t> bytes) {
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key_path, name, type, bytes.data(), static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
}

std::vector<std::uint8_t> dword(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

std::vector<std::uint8_t> wide_string(const wchar_t* text) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text);
  return {bytes, bytes + (std::wcslen(text) + 1) * sizeof(wchar_t)};
}

std::optional<std::uint32_t> stored_dword(const wchar_t* name) {
  const auto value = raw_value(name);
  if (!value || value->type != REG_DWORD || value->bytes.size() != 4) return std::nullopt;
  return value->bytes[0] | value->bytes[1] << 8 | value->bytes[2] << 16 | static_cast<std::uint32_t>(value->bytes[3]) << 24;
}

// Works on the user's real preference key. Whatever the user had there is put back afterwards,
// and a key the test created is removed again.
class PreferencesInRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    had_parent_ = key_exists(parent_path);
    had_key_ = key_exists(key_path);
    saved_language_ = raw_value(L"Language");
    saved_theme_ = raw_value(L"ThemeMode");
    clear();
  }

  void TearDown() override {
    clear();
    if (saved_language_) set_raw(L"Language", saved_language_->type, saved_language_->bytes);
    if (saved_theme_) set_raw(L"ThemeMode", saved_theme_->type, saved_theme_->bytes);
    if (!had_key_) RegDeleteKeyW(HKEY_CURRENT_USER, key_path);
    if (!had_parent_) RegDeleteKeyW(HKEY_CURRENT_USER, parent_path);
  }

  // No values; no key either when the test may remove it.
  void clear() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key_path, L"Language");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key_path, L"ThemeMode");
    if (!had_key_) RegDeleteKeyW(HKEY_CURRENT_USER, key_path);
  }

  bool had_parent_ = false;
  bool had_key_ = false;
  std::optional<RawValue> saved_language_;
  std::optional<RawValue> saved_theme_;
};

TEST_F(PreferencesInRegistry, NothingStoredMeansNoLanguageAndTheSystemTheme) {
  if (!had_key_) {
    ASSERT_FALSE(key_exists(key_path));
  }
  const Preferences preferences = read_preferences();
  EXPECT_FALSE(preferences.language.has_value());
  EXPECT_EQ(preferences.theme, ThemeMode::follow_system);
  // The first language then comes from the display language.
  EXPECT_EQ(first_ui_language(preferences.language, 0x0404), UiLanguage::simplified_chinese);
  EXPECT_EQ(first_ui_language(preferences.language, 0x0409), UiLanguage::english);
}

TEST_F(PreferencesInRegistry, OnlyDwordOneOrTwoIsALanguage) {
  struct Case {
    const char* what;
    DWORD type;
    std::vector<std::uint8_t> bytes;
    std::optional<UiLanguage> expected;
  };
  const std::vector<Case> cases = {
      {"DWORD 1", REG_DWORD, dword(1), UiLanguage::simplified_chinese},
      {"DWORD 2", REG_DWORD, dword(2), UiLanguage::english},
      {"DWORD 0", REG_DWORD, dword(0), std::nullopt},
      {"DWORD 3", REG_DWORD, dword(3), std::nullopt},
      {"DWORD 0x80000002", REG_DWORD, dword(0x80000002u), std::nullopt},
      {"string \"2\"", REG_SZ, wide_string(L"2"), std::nullopt},
      {"QWORD 2", REG_QWORD, {2, 0, 0, 0, 0, 0, 0, 0}, std::nullopt},
      {"binary 02 00 00 00", REG_BINARY, dword(2), std::nullopt},
      {"DWORD of two bytes", REG_DWORD, {2, 0}, std::nullopt},
  };
  for (const Case& c : cases) {
    set_raw(L"Language", c.type, c.bytes);
    EXPECT_EQ(read_preferences().language, c.expected) << c.what;
  }
}

TEST_F(PreferencesInRegistry, StoredEnglishWinsOverAChineseDisplayLanguage) {
  set_raw(L"Language", REG_DWORD, dword(2));
  const UiLanguage language = first_ui_language(read_preferences().language, 0x0804);
  ASSERT_EQ(language, UiLanguage::english);
  const WatermarkSettings settings = default_settings(language);
  EXPECT_EQ(settings.text, L"Sample watermark");
  EXPECT_EQ(settings.font_family, L"Segoe UI");
}

TEST_F(PreferencesInRegistry, OnlyDwordOneOrTwoIsATheme) {
  struct Case {
    const char* what;
    DWORD type;
    std::vector<std::uint8_t> bytes;
    ThemeMode expected;
  };
  const std::vector<Case> cases = {
      {"DWORD 1", REG_DWORD, dword(1), ThemeMode::light},
      {"DWORD 2", REG_DWORD, dword(2), ThemeMode::dark},
      {"DWORD 0", REG_DWORD, dword(0), ThemeMode::follow_system},
      {"DWORD 3", REG_DWORD, dword(3), ThemeMode::follow_system},
      {"DWORD 0xFFFFFFFF", REG_DWORD, dword(0xFFFFFFFFu), ThemeMode::follow_system},
      {"string \"2\"", REG_SZ, wide_string(L"2"), ThemeMode::follow_system},
      {"QWORD 1", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, ThemeMode::follow_system},
  };
  for (const Case& c : cases) {
    set_raw(L"ThemeMode", c.type, c.bytes);
    EXPECT_EQ(read_preferences().theme, c.expected) << c.what;
  }
  // One value's fault does not spoil the other.
  set_raw(L"ThemeMode", REG_SZ, wide_string(L"dark"));
  set_raw(L"Language", REG_DWORD, dword(1));
  EXPECT_EQ(read_preferences().language, UiLanguage::simplified_chinese);
}

TEST_F(PreferencesInRegistry, WritesCreateTheKeyAndStoreTheRegistryNumbers) {
  if (!had_key_) {
    ASSERT_FALSE(key_exists(key_path));
  }
  EXPECT_TRUE(write_language_preference(UiLanguage::english));
  EXPECT_EQ(stored_dword(L"Language"), 2u);
  EXPECT_TRUE(write_language_preference(UiLanguage::simplified_chinese));
  EXPECT_EQ(stored_dword(L"Language"), 1u);

  // A string left by someone else is replaced by a DWORD.
  set_raw(L"ThemeMode", REG_SZ, wide_string(L"2"));
  EXPECT_TRUE(write_theme_preference(ThemeMode::dark));
  EXPECT_EQ(stored_dword(L"ThemeMode"), 2u);
  EXPECT_TRUE(write_theme_preference(ThemeMode::light));
  EXPECT_EQ(stored_dword(L"ThemeMode"), 1u);
  EXPECT_TRUE(write_theme_preference(static_cast<ThemeMode>(7)));
  EXPECT_EQ(stored_dword(L"ThemeMode"), 0u);
  EXPECT_TRUE(write_theme_preference(ThemeMode::dark));

  const Preferences preferences = read_preferences();
  EXPECT_EQ(preferences.language, UiLanguage::simplified_chinese);
  EXPECT_EQ(preferences.theme, ThemeMode::dark);
}

}  // namespace
}  // namespace orvane::app
