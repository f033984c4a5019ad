#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdint>

#include "theme/theme.h"

namespace win32_ui::modern {
namespace {

constexpr const wchar_t* personalize_key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// #RRGGBB as a palette value.
constexpr std::uint32_t hex(std::uint32_t rrggbb) {
  return ((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16);
}

// Sets "AppsUseLightTheme" of the current user for a test and puts back what was there.
class AppsThemeValue {
 public:
  AppsThemeValue() {
    DWORD size = sizeof(original_);
    had_value_ = RegGetValueW(HKEY_CURRENT_USER, personalize_key, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr,
                              &original_, &size) == ERROR_SUCCESS;
  }
  ~AppsThemeValue() {
    if (had_value_) {
      set(original_);
    } else {
      remove();
    }
  }
  AppsThemeValue(const AppsThemeValue&) = delete;
  AppsThemeValue& operator=(const AppsThemeValue&) = delete;

  void set(DWORD value) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, personalize_key, L"AppsUseLightTheme", REG_DWORD, &value,
                              sizeof(value)),
              ERROR_SUCCESS);
  }
  void remove() { RegDeleteKeyValueW(HKEY_CURRENT_USER, personalize_key, L"AppsUseLightTheme"); }

 private:
  bool had_value_ = false;
  DWORD original_ = 1;
};

// Whether the first colour is darker than the second by 299 R + 587 G + 114 B.
bool luma_is_darker(COLORREF a, COLORREF b) {
  const auto luma = [](COLORREF c) { return 299 * GetRValue(c) + 587 * GetGValue(c) + 114 * GetBValue(c); };
  return luma(a) < luma(b);
}

constexpr std::array<std::int32_t, 8> expected_metrics{28, 6, 1, 12, 6, 3, 32, 7};

TEST(ThemeTest, LightAndDarkPalettesHoldTheirTablesForTheDefaultAccent) {
  const Palette light = light_palette(default_accent);
  const std::array<std::uint32_t, 19> light_colors{
      hex(0xF7F8FA), hex(0xFFFFFF), hex(0xF5F7FA), hex(0xEBEFF4), hex(0xCDD3DB), hex(0x949EAA), hex(0x1C2026),
      hex(0x5B636E), hex(0x999FA8), hex(0x0078D7), hex(0x006BBF), hex(0x0060AB), hex(0xE3F0FB), hex(0xFFFFFF),
      hex(0xCB3038), hex(0xB4272F), hex(0x9E1F27), hex(0xFFFFFF), hex(0x0078D7)};
  EXPECT_EQ(light.colors, light_colors);
  EXPECT_EQ(light.metrics, expected_metrics);
  EXPECT_EQ(light.dark, 0);
  EXPECT_EQ(light.high_contrast, 0);

  const Palette dark = dark_palette(default_accent);
  const std::array<std::uint32_t, 19> dark_colors{
      hex(0x181A1E), hex(0x22252A), hex(0x2D3137), hex(0x373C43), hex(0x484E57), hex(0x76808C), hex(0xF1F4F8),
      hex(0xB1B8C2), hex(0x6F767F), hex(0x0078D7), hex(0x1885DB), hex(0x0063B2), hex(0x213647), hex(0xFFFFFF),
      hex(0xE05058), hex(0xEF6269), hex(0xC13D45), hex(0xFFFFFF), hex(0x0078D7)};
  EXPECT_EQ(dark.colors, dark_colors);
  EXPECT_EQ(dark.metrics, expected_metrics);
  EXPECT_EQ(dark.dark, 1);
  EXPECT_EQ(dark.high_contrast, 0);

  // A white accent saturates every derived shade at its formula's ceiling.
  const Palette white = dark_palette(hex(0xFFFFFF));
  EXPECT_EQ(white.colors[Palette::accent_darker], hex(0xFFFFFF));
  EXPECT_EQ(white.colors[Palette::accent_tint], hex(0x55514F));
}

TEST(ThemeTest, HighContrastPaletteIsMadeOfSystemColours) {
  const Palette palette = high_contrast_palette();
  const auto sys = [](int index) { return static_cast<std::uint32_t>(GetSysColor(index)) & 0xFFFFFFu; };
  const std::array<std::uint32_t, 19> expected{
      sys(COLOR_WINDOW),        sys(COLOR_BTNFACE),   sys(COLOR_3DLIGHT),       sys(COLOR_BTNFACE),
      sys(COLOR_BTNSHADOW),     sys(COLOR_WINDOWTEXT), sys(COLOR_WINDOWTEXT),   sys(COLOR_WINDOWTEXT),
      sys(COLOR_GRAYTEXT),      sys(COLOR_HIGHLIGHT), sys(COLOR_HIGHLIGHT),     sys(COLOR_HIGHLIGHT),
      sys(COLOR_WINDOW),        sys(COLOR_HIGHLIGHTTEXT), sys(COLOR_HIGHLIGHT), sys(COLOR_HIGHLIGHT),
      sys(COLOR_HIGHLIGHT),     sys(COLOR_HIGHLIGHTTEXT), sys(COLOR_HIGHLIGHT)};
  EXPECT_EQ(palette.colors, expected);
  EXPECT_EQ(palette.metrics, expected_metrics);
  EXPECT_EQ(palette.high_contrast, 1);

  // A scheme of light text on a dark window (as "High Contrast Black") makes the palette dark.
  const int elements[2] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
  const COLORREF original[2] = {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)};
  const COLORREF inverted[2] = {RGB(0, 0, 0), RGB(255, 255, 0)};
  ASSERT_TRUE(SetSysColors(2, elements, inverted));
  const Palette inverted_palette = high_contrast_palette();
  SetSysColors(2, elements, original);
  EXPECT_EQ(inverted_palette.colors[Palette::window_background], 0x000000u);
  EXPECT_EQ(inverted_palette.colors[Palette::text], 0x00FFFFu);
  EXPECT_EQ(inverted_palette.dark, 1);
  EXPECT_EQ(palette.dark, luma_is_darker(original[0], original[1]) ? 1 : 0);
}

TEST(ThemeTest, ChoiceAndSystemStatePickThePalette) {
  const std::uint32_t accent = hex(0x3366CC);
  const SystemTheme light_system{false, false};
  const SystemTheme dark_system{false, true};
  const SystemTheme contrast{true, true};
  EXPECT_EQ(build_palette(ThemeMode::follow_system, accent, light_system), light_palette(accent));
  EXPECT_EQ(build_palette(ThemeMode::follow_system, accent, dark_system), dark_palette(accent));
  EXPECT_EQ(build_palette(ThemeMode::light, accent, dark_system), light_palette(accent));
  EXPECT_EQ(build_palette(ThemeMode::dark, accent, light_system), dark_palette(accent));
  EXPECT_EQ(build_palette(static_cast<ThemeMode>(7), accent, dark_system), light_palette(accent));
  // High contrast wins over an explicit dark choice.
  EXPECT_EQ(build_palette(ThemeMode::dark, accent, contrast), high_contrast_palette());
}

TEST(ThemeTest, FollowingTheSystemReadsAppsUseLightThemeFromTheRegistry) {
  ASSERT_FALSE(read_system_theme().high_contrast) << "the test prefix runs without high contrast";
  AppsThemeValue value;
  value.set(0);
  EXPECT_TRUE(read_system_theme().apps_use_dark);
  EXPECT_EQ(build_palette(ThemeMode::follow_system, default_accent), dark_palette(default_accent));
  EXPECT_EQ(build_palette(ThemeMode::light, default_accent), light_palette(default_accent));

  ThemeState state(ThemeMode::follow_system);
  EXPECT_EQ(state.palette().dark, 1);
  EXPECT_FALSE(state.refresh()) << "nothing changed";
  value.set(1);
  EXPECT_TRUE(state.refresh());
  EXPECT_EQ(state.palette(), light_palette(default_accent));
  value.set(0);
  EXPECT_TRUE(state.refresh());
  EXPECT_EQ(state.palette().dark, 1);
  EXPECT_TRUE(state.set_mode(ThemeMode::light));
  EXPECT_EQ(state.palette().dark, 0);
  EXPECT_FALSE(state.refresh()) << "a fixed choice ignores the app theme";

  // A missing value means light.
  value.remove();
  EXPECT_FALSE(read_system_theme().apps_use_dark);
  EXPECT_EQ(build_palette(ThemeMode::follow_system, default_accent), light_palette(default_accent));
}

}  // namespace
}  // namespace win32_ui::modern
