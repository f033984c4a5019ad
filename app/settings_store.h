#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "watermark_settings.h"

namespace orvane::app {

// The watermark and export settings kept per user for the next start: one registry value each under
// HKCU\Software\Kestrune\Orvane\Watermark. Numbers with fractions are REG_SZ texts ("2.25"), so they
// read back exactly; choices, switches and colours (0xAARRGGBB) are DWORDs.
class SettingsStore {
 public:
  // One stored value: its name and its data.
  struct Value {
    const wchar_t* name;
    std::variant<std::uint32_t, std::wstring> data;
    friend bool operator==(const Value&, const Value&) = default;
  };

  // The settings of the last run. A value that is missing, of another type or out of range leaves
  // that setting as `defaults` has it; values this version does not know are ignored.
  [[nodiscard]] WatermarkSettings read(const WatermarkSettings& defaults);

  // Writes the values that differ from what this store last read or wrote; false when the registry
  // refused one (the running program keeps the settings all the same).
  bool write(const WatermarkSettings& settings) noexcept;

  // The values that stand for `settings`, in a fixed order.
  [[nodiscard]] static std::vector<Value> values_of(const WatermarkSettings& settings);

 private:
  std::vector<Value> stored_;
};

}  // namespace orvane::app
