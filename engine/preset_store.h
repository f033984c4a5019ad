#pragma once

// The user's own presets, kept per user in the registry: one REG_SZ value per preset under
// HKEY_CURRENT_USER\Software\Kestrune\Orvane\Presets, named after the preset and holding its
// JSON document (see watermark_preset.h). Names are compared without regard to case, as the
// registry compares them.

#include <string>
#include <vector>

#include "watermark_options.h"

namespace orvane::engine {

inline constexpr std::size_t kMaxPresetNameLength = 64;

// A usable preset name: 1 to 64 characters, no control characters. False with a sentence otherwise.
[[nodiscard]] bool valid_preset_name(const std::wstring& name, std::wstring& error);

class PresetStore {
 public:
  // The store under HKEY_CURRENT_USER\`key_path`.
  explicit PresetStore(std::wstring key_path = L"Software\\Kestrune\\Orvane\\Presets");

  // The names of the readable presets, sorted without regard to case; values of another type or
  // with a document that does not read are left out.
  [[nodiscard]] std::vector<std::wstring> list() const;

  // Reads the preset over `out` (see parse_preset_json); false with a sentence naming it when it
  // is missing or does not read, and then `out` is unchanged.
  [[nodiscard]] bool load(const std::wstring& name, WatermarkOptions& out, std::wstring& error) const;

  // Creates the preset, or replaces the one of that name.
  [[nodiscard]] bool save(const std::wstring& name, const WatermarkOptions& options, std::wstring& error);

  // Gives a preset another name; refused when another preset has that name already.
  [[nodiscard]] bool rename(const std::wstring& from, const std::wstring& to, std::wstring& error);

  [[nodiscard]] bool remove(const std::wstring& name, std::wstring& error);

 private:
  std::wstring key_path_;
};

}  // namespace orvane::engine
