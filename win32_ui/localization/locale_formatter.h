#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace win32_ui::modern {

// How many fraction digits a number shows and whether its integer part is grouped.
struct NumberFormatOptions {
  std::uint32_t minimum_fraction_digits = 0;
  std::uint32_t maximum_fraction_digits = 3;
  bool use_grouping = true;
};

// A calendar date; the formatter checks the ranges.
struct DateValue {
  std::int32_t year = 1970;
  std::int32_t month = 1;
  std::int32_t day = 1;
};

enum class DateStyle : std::int32_t {
  Short = 0,
  Long = 1,
};

// A time of day; the formatter checks the ranges.
struct TimeValue {
  std::int32_t hour = 0;
  std::int32_t minute = 0;
  std::int32_t second = 0;
};

struct TimeFormatOptions {
  bool show_seconds = true;
  bool use_24_hour_clock = false;
};

// Turns numbers, percentages, dates and times into the text a user of a locale expects.
// An empty locale tag means the user's default locale. Every operation returns an empty
// string when it cannot produce a result.
class LocaleFormatter {
 public:
  virtual ~LocaleFormatter() = default;

  // Formats a number with the locale's separators and grouping.
  [[nodiscard]] virtual std::wstring format_number(std::wstring_view locale_tag, double value,
                                                   NumberFormatOptions options) const = 0;

  // Formats a fraction as a percentage (0.25 is 25 percent).
  [[nodiscard]] virtual std::wstring format_percent(std::wstring_view locale_tag, double value,
                                                    NumberFormatOptions options) const = 0;

  // Formats a date in the locale's short or long picture.
  [[nodiscard]] virtual std::wstring format_date(std::wstring_view locale_tag, DateValue date,
                                                 DateStyle style) const = 0;

  // Formats a time of day in the locale's picture.
  [[nodiscard]] virtual std::wstring format_time(std::wstring_view locale_tag, TimeValue time,
                                                 TimeFormatOptions options) const = 0;
};

}  // namespace win32_ui::modern
