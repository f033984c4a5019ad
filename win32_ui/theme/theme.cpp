#include "theme/theme.h"

#include <windows.h>

namespace win32_ui::modern {

namespace {

constexpr std::array<std::int32_t, Palette::metric_count> palette_metrics{28, 6, 1, 12, 6, 3, 32, 7};

constexpr std::uint32_t rgb(std::uint32_t hex) noexcept {
  return ((hex >> 16) & 0xFFu) | (hex & 0xFF00u) | ((hex & 0xFFu) << 16);
}

constexpr std::uint32_t channel(std::uint32_t color, int shift) noexcept { return (color >> shift) & 0xFFu; }

// Applies (c * scale + offset) / 255 to each channel, with its own offset per channel.
constexpr std::uint32_t scale_channels(std::uint32_t color, std::uint32_t scale, std::uint32_t red_offset,
                                       std::uint32_t green_offset, std::uint32_t blue_offset) noexcept {
  const std::uint32_t r = (channel(color, 0) * scale + red_offset) / 255u;
  const std::uint32_t g = (channel(color, 8) * scale + green_offset) / 255u;
  const std::uint32_t b = (channel(color, 16) * scale + blue_offset) / 255u;
  return r | (g << 8) | (b << 16);
}

constexpr std::uint32_t scale_channels(std::uint32_t color, std::uint32_t scale, std::uint32_t offset) noexcept {
  return scale_channels(color, scale, offset, offset, offset);
}

std::uint32_t luma(std::uint32_t color) noexcept {
  return 299u * channel(color, 0) + 587u * channel(color, 8) + 114u * channel(color, 16);
}

bool high_contrast_on() noexcept {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof(contrast);
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) != FALSE &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

bool apps_use_dark() noexcept {
  DWORD value = 1;
  DWORD size = sizeof(value);
  const LSTATUS status =
      RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                   L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size);
  return status == ERROR_SUCCESS && value == 0;
}

}  // namespace

SystemTheme read_system_theme() noexcept { return SystemTheme{high_contrast_on(), apps_use_dark()}; }

Palette light_palette(std::uint32_t accent) noexcept {
  accent &= 0x00FFFFFFu;
  Palette palette;
  palette.colors = {rgb(0xF7F8FA), rgb(0xFFFFFF), rgb(0xF5F7FA), rgb(0xEBEFF4), rgb(0xCDD3DB),
                    rgb(0x949EAA), rgb(0x1C2026), rgb(0x5B636E), rgb(0x999FA8), accent,
                    scale_channels(accent, 227, 127), scale_channels(accent, 203, 127),
                    scale_channels(accent, 28, 58012), rgb(0xFFFFFF), rgb(0xCB3038), rgb(0xB4272F),
                    rgb(0x9E1F27), rgb(0xFFFFFF), accent};
  palette.metrics = palette_metrics;
  return palette;
}

Palette dark_palette(std::uint32_t accent) noexcept {
  accent &= 0x00FFFFFFu;
  Palette palette;
  palette.colors = {rgb(0x181A1E), rgb(0x22252A), rgb(0x2D3137), rgb(0x373C43), rgb(0x484E57),
                    rgb(0x76808C), rgb(0xF1F4F8), rgb(0xB1B8C2), rgb(0x6F767F), accent,
                    scale_channels(accent, 231, 6247), scale_channels(accent, 211, 127),
                    scale_channels(accent, 52, 8653, 7638, 7029), rgb(0xFFFFFF), rgb(0xE05058), rgb(0xEF6269),
                    rgb(0xC13D45), rgb(0xFFFFFF), accent};
  palette.metrics = palette_metrics;
  palette.dark = 1;
  return palette;
}

Palette high_contrast_palette() noexcept {
  const auto sys = [](int index) { return static_cast<std::uint32_t>(GetSysColor(index)) & 0x00FFFFFFu; };
  const std::uint32_t highlight = sys(COLOR_HIGHLIGHT);
  const std::uint32_t highlight_text = sys(COLOR_HIGHLIGHTTEXT);
  const std::uint32_t window = sys(COLOR_WINDOW);
  const std::uint32_t window_text = sys(COLOR_WINDOWTEXT);
  Palette palette;
  palette.colors = {window,          sys(COLOR_BTNFACE), sys(COLOR_3DLIGHT), sys(COLOR_BTNFACE),
                    sys(COLOR_BTNSHADOW), window_text,   window_text,        window_text,
                    sys(COLOR_GRAYTEXT),  highlight,     highlight,          highlight,
                    window,          highlight_text,     highlight,          highlight,
                    highlight,       highlight_text,     highlight};
  palette.metrics = palette_metrics;
  palette.dark = luma(window) < luma(window_text) ? 1 : 0;
  palette.high_contrast = 1;
  return palette;
}

Palette build_palette(ThemeMode mode, std::uint32_t accent, const SystemTheme& system) noexcept {
  if (system.high_contrast) return high_contrast_palette();
  const bool dark = mode == ThemeMode::dark || (mode == ThemeMode::follow_system && system.apps_use_dark);
  return dark ? dark_palette(accent) : light_palette(accent);
}

Palette build_palette(ThemeMode mode, std::uint32_t accent) noexcept {
  return build_palette(mode, accent, read_system_theme());
}

ThemeState::ThemeState(ThemeMode mode, std::uint32_t accent) noexcept
    : mode_(mode), accent_(accent), palette_(build_palette(mode, accent)) {}

bool ThemeState::refresh() noexcept {
  const Palette rebuilt = build_palette(mode_, accent_);
  if (rebuilt == palette_) return false;
  palette_ = rebuilt;
  return true;
}

bool ThemeState::set_mode(ThemeMode mode) noexcept {
  mode_ = mode;
  return refresh();
}

}  // namespace win32_ui::modern
