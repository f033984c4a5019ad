#include "settings_store.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "controls_panel.h"
#include "registry_key.h"

namespace orvane::app {
namespace {

constexpr const wchar_t* key_path = L"Software\\Kestrune\\Orvane\\Watermark";
// Longest texts taken back: the longest watermark, a font family name, and a path.
constexpr std::size_t most_font_characters = 256;
constexpr std::size_t most_path_characters = 32767;
constexpr std::size_t most_number_characters = 32;
constexpr int layout_count = 11;

std::uint32_t argb_of(const engine::WatermarkColor& color) noexcept { return color.argb(); }

engine::WatermarkColor color_of(std::uint32_t argb) noexcept {
  return {static_cast<std::uint8_t>(argb >> 24), static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
          static_cast<std::uint8_t>(argb)};
}

// A setting read back: the number a REG_SZ text stands for, within low..high.
std::optional<float> number_in(const RegistryKey& key, const wchar_t* name, LengthRange range) {
  const std::optional<std::wstring> text = key.read_string(name, most_number_characters);
  if (!text) return std::nullopt;
  return parse_number(*text, range.low, range.high);
}

std::optional<std::uint32_t> dword_in(const RegistryKey& key, const wchar_t* name, std::uint32_t low, std::uint32_t high) {
  const std::optional<std::uint32_t> value = key.read_dword(name);
  if (!value || *value < low || *value > high) return std::nullopt;
  return value;
}

}  // namespace

std::vector<SettingsStore::Value> SettingsStore::values_of(const WatermarkSettings& s) {
  const auto flag = [](bool on) { return static_cast<std::uint32_t>(on ? 1 : 0); };
  return {
      {L"Text", s.text},
      {L"FontFamily", s.font_family},
      {L"Unit", static_cast<std::uint32_t>(s.unit)},
      {L"FontSize", number_text(s.font_size)},
      {L"Color", argb_of(s.color)},
      {L"Layout", static_cast<std::uint32_t>(s.layout)},
      {L"Rotation", number_text(s.rotation)},
      {L"SpacingX", number_text(s.spacing_x)},
      {L"SpacingY", number_text(s.spacing_y)},
      {L"FitToArea", flag(s.fit_to_area)},
      {L"Margin", s.margin ? number_text(*s.margin) : std::wstring()},
      {L"LogoPath", s.logo_path},
      {L"LogoSize", number_text(s.logo_size)},
      {L"Outline", flag(s.outline)},
      {L"OutlineWidth", number_text(s.outline_width)},
      {L"OutlineColor", argb_of(s.outline_color)},
      {L"Shadow", flag(s.shadow)},
      {L"ShadowColor", argb_of(s.shadow_color)},
      {L"JpegQuality", static_cast<std::uint32_t>(s.jpeg_quality)},
      {L"ShadowOffsetX", number_text(s.shadow_offset_x)},
      {L"ShadowOffsetY", number_text(s.shadow_offset_y)},
      {L"ShadowBlur", number_text(s.shadow_blur)},
      {L"ShadowUnit", static_cast<std::uint32_t>(s.shadow_unit)},
  };
}

WatermarkSettings SettingsStore::read(const WatermarkSettings& defaults) {
  WatermarkSettings s = defaults;
  const RegistryKey key = RegistryKey::open_for_reading(HKEY_CURRENT_USER, key_path);
  if (!key.is_open()) {
    stored_.clear();
    return s;
  }
  // The lengths' ranges and defaults follow the unit, so it comes first.
  if (const auto unit = dword_in(key, L"Unit", 0, 1)) change_unit(s, static_cast<engine::LengthUnit>(*unit), 1000);
  if (auto text = key.read_string(L"Text", engine::max_text_length)) s.text = std::move(*text);
  if (auto family = key.read_string(L"FontFamily", most_font_characters); family && !family->empty()) {
    s.font_family = std::move(*family);
  }
  if (const auto size = number_in(key, L"FontSize", font_size_range(s.unit))) s.font_size = *size;
  if (const auto color = key.read_dword(L"Color")) s.color = color_of(*color);
  if (const auto layout = dword_in(key, L"Layout", 0, layout_count - 1)) s.layout = static_cast<engine::WatermarkLayout>(*layout);
  if (const auto rotation = number_in(key, L"Rotation", {-180.0f, 180.0f})) s.rotation = *rotation;
  if (const auto x = number_in(key, L"SpacingX", spacing_range(s.unit))) s.spacing_x = *x;
  if (const auto y = number_in(key, L"SpacingY", spacing_range(s.unit))) s.spacing_y = *y;
  if (const auto fit = dword_in(key, L"FitToArea", 0, 1)) s.fit_to_area = *fit == 1;
  if (const auto margin = key.read_string(L"Margin", most_number_characters)) {
    if (margin->empty()) {
      s.margin.reset();
    } else if (const auto value = parse_number(*margin, margin_range(s.unit).low, margin_range(s.unit).high)) {
      s.margin = *value;
    }
  }
  if (auto logo = key.read_string(L"LogoPath", most_path_characters)) s.logo_path = std::move(*logo);
  if (const auto size = number_in(key, L"LogoSize", logo_size_range(s.unit))) s.logo_size = *size;
  if (const auto outline = dword_in(key, L"Outline", 0, 1)) s.outline = *outline == 1;
  if (const auto width = number_in(key, L"OutlineWidth", {1.0f, 50.0f})) s.outline_width = *width;
  if (const auto color = key.read_dword(L"OutlineColor")) s.outline_color = color_of(0xFF000000u | *color);
  if (const auto shadow = dword_in(key, L"Shadow", 0, 1)) s.shadow = *shadow == 1;
  if (const auto color = key.read_dword(L"ShadowColor")) s.shadow_color = color_of(*color);
  if (const auto quality = dword_in(key, L"JpegQuality", 1, 100)) s.jpeg_quality = static_cast<std::int32_t>(*quality);
  // The shadow's shape, which only presets change: offsets and blur in its unit, within what the
  // engine takes in either.
  if (const auto unit = dword_in(key, L"ShadowUnit", 0, 1)) s.shadow_unit = static_cast<engine::EffectUnit>(*unit);
  const bool relative = s.shadow_unit == engine::EffectUnit::percent_of_mark;
  const float most = relative ? engine::max_shadow_percent : engine::max_shadow_pixels;
  const LengthRange offsets{-most, most};
  if (const auto x = number_in(key, L"ShadowOffsetX", offsets)) s.shadow_offset_x = *x;
  if (const auto y = number_in(key, L"ShadowOffsetY", offsets)) s.shadow_offset_y = *y;
  if (const auto blur = number_in(key, L"ShadowBlur", {0.0f, most})) s.shadow_blur = *blur;
  // What is in the registry now is what the next write compares with; a value that fell back is
  // written again at the first change.
  stored_ = values_of(s);
  return s;
}

bool SettingsStore::write(const WatermarkSettings& settings) noexcept {
  try {
    std::vector<Value> values = values_of(settings);
    bool all = true;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i < stored_.size() && stored_[i] == values[i]) continue;
      const Value& value = values[i];
      LSTATUS status = ERROR_SUCCESS;
      if (const auto* number = std::get_if<std::uint32_t>(&value.data)) {
        const DWORD data = *number;
        status = RegSetKeyValueW(HKEY_CURRENT_USER, key_path, value.name, REG_DWORD, &data, sizeof(data));
      } else {
        const std::wstring& text = std::get<std::wstring>(value.data);
        status = RegSetKeyValueW(HKEY_CURRENT_USER, key_path, value.name, REG_SZ, text.c_str(),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
      }
      if (status != ERROR_SUCCESS) {
        all = false;
        values[i].data = std::wstring(L"\x1F");  // not what the registry holds: tried again next time
      }
    }
    stored_ = std::move(values);
    return all;
  } catch (...) {
    return false;  // out of memory: the settings are kept at the next change
  }
}

}  // namespace orvane::app
