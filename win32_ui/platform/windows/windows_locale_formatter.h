#pragma once

#include <string>
#include <string_view>

#include "localization/locale_formatter.h"

namespace win32_ui::platform::windows {

// The locale formatter on the Windows national-language services. It has no state; one
// instance is shared by every context that needs it. A tag the system does not know falls
// back to the user's default locale.
class WindowsLocaleFormatter final : public modern::LocaleFormatter {
 public:
  // Formats a number with the locale's separators, grouping and negative form; at most 9
  // fraction digits, trailing zeros trimmed down to the minimum. A number whose integer part
  // has more than 100 digits gives nothing.
  [[nodiscard]] std::wstring format_number(std::wstring_view locale_tag, double value,
                                           modern::NumberFormatOptions options) const override;

  // Formats a fraction as a percentage with the locale's symbol and sign placement; the same
  // limit applies to the percentage.
  [[nodiscard]] std::wstring format_percent(std::wstring_view locale_tag, double value,
                                            modern::NumberFormatOptions options) const override;

  // Formats a date with the locale's own short or long picture.
  [[nodiscard]] std::wstring format_date(std::wstring_view locale_tag, modern::DateValue date,
                                         modern::DateStyle style) const override;

  // Formats a time of day with the locale's own picture, optionally without seconds or in 24 hours.
  [[nodiscard]] std::wstring format_time(std::wstring_view locale_tag, modern::TimeValue time,
                                         modern::TimeFormatOptions options) const override;
};

}  // namespace win32_ui::platform::windows
