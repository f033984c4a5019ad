#include "platform/windows/windows_locale_formatter.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace win32_ui::platform::windows {
namespace {

using modern::DateStyle;
using modern::DateValue;
using modern::NumberFormatOptions;
using modern::TimeFormatOptions;
using modern::TimeValue;

constexpr std::uint32_t kMaximumFractionDigits = 9;
// The longest integer part handed to the platform. Far beyond any count or measure a view
// shows, and well inside what every implementation formats: Wine groups wrongly from about
// 200 digits and faults on the 309 of the largest double. Longer numbers give nothing.
constexpr std::size_t kMaximumIntegerDigits = 100;

// A locale tag as the national-language functions take it: null means the user's default.
class LocaleName {
 public:
  explicit LocaleName(std::wstring_view tag) : name_(tag) {}
  [[nodiscard]] const wchar_t* get() const noexcept { return name_.empty() ? nullptr : name_.c_str(); }

 private:
  std::wstring name_;
};

// A text field of the locale, or the fall-back when the locale cannot tell.
std::wstring locale_text(const wchar_t* locale, LCTYPE type, std::wstring_view fallback) {
  wchar_t buffer[88] = {};
  const int length = GetLocaleInfoEx(locale, type, buffer, static_cast<int>(std::size(buffer)));
  if (length <= 1) return std::wstring(fallback);
  return std::wstring(buffer, static_cast<std::size_t>(length - 1));
}

// A numeric field of the locale, read as the decimal digits its text starts with.
UINT locale_number(const wchar_t* locale, LCTYPE type, UINT fallback) {
  const std::wstring text = locale_text(locale, type, {});
  UINT value = 0;
  std::size_t digits = 0;
  while (digits < text.size() && digits < 16 && text[digits] >= L'0' && text[digits] <= L'9') {
    value = value * 10 + static_cast<UINT>(text[digits] - L'0');
    ++digits;
  }
  return digits == 0 ? fallback : value;
}

// The platform's grouping number from a pattern such as "3;0" (3) or "3;2;0" (32).
UINT grouping_number(std::wstring_view pattern) {
  UINT value = 0;
  for (wchar_t c : pattern) {
    if (c == L'0') break;
    // More digits than any real pattern has would only overflow; the platform rejects them anyway.
    if (c >= L'1' && c <= L'9' && value < 100000000) value = value * 10 + static_cast<UINT>(c - L'0');
  }
  return value;
}

// The value in fixed notation with the given fraction digits, "." as point, no grouping. A
// value that rounds to zero loses its sign, so nobody reads "-0".
std::wstring plain_digits(double value, std::uint32_t fraction_digits) {
  // The largest double has 309 integer digits; a sign, a point and 9 fraction digits follow.
  char buffer[340];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed,
                                    static_cast<int>(fraction_digits));
  if (result.ec != std::errc{}) return {};
  std::string_view digits(buffer, static_cast<std::size_t>(result.ptr - buffer));
  if (!digits.empty() && digits.front() == '-' && digits.find_first_of("123456789") == std::string_view::npos) {
    digits.remove_prefix(1);
  }
  return std::wstring(digits.begin(), digits.end());
}

// Removes trailing fraction zeros beyond the minimum, and a separator left with nothing after it.
// A number without separator (no fraction digits) keeps its zeros: they belong to the integer.
void trim_fraction(std::wstring& text, std::wstring_view decimal, std::uint32_t minimum) {
  if (text.empty() || decimal.empty() || text.back() < L'0' || text.back() > L'9') return;
  const std::size_t separator = text.find(decimal);
  if (separator == std::wstring::npos) return;
  const std::size_t fraction = separator + decimal.size();
  while (text.size() - fraction > minimum && text.back() == L'0') text.pop_back();
  if (text.size() == fraction) text.erase(separator);
}

// Steps of number formatting for one locale (null: the user's default); empty on failure.
std::wstring format_number_in(const wchar_t* locale, double value, NumberFormatOptions options) {
  const std::uint32_t minimum = std::min(options.minimum_fraction_digits, kMaximumFractionDigits);
  const std::uint32_t maximum = std::min(std::max(minimum, options.maximum_fraction_digits), kMaximumFractionDigits);

  std::wstring decimal = locale_text(locale, LOCALE_SDECIMAL, L".");
  std::wstring thousand = options.use_grouping ? locale_text(locale, LOCALE_STHOUSAND, L",") : std::wstring();
  const std::wstring grouping = locale_text(locale, LOCALE_SGROUPING, L"3;0");

  NUMBERFMTW format = {};
  format.NumDigits = maximum;
  format.LeadingZero = locale_number(locale, LOCALE_ILZERO, 1);
  // Always an explicit grouping: the locale's own (null format) groups wrongly on some systems.
  format.Grouping = options.use_grouping ? grouping_number(grouping) : 0;
  format.lpDecimalSep = decimal.data();
  format.lpThousandSep = thousand.data();
  format.NegativeOrder = locale_number(locale, LOCALE_INEGNUMBER, 1);

  const std::wstring digits = plain_digits(value, maximum);
  if (digits.empty()) return {};
  const std::size_t sign = digits.front() == L'-' ? 1 : 0;
  const std::size_t point = digits.find(L'.');
  if ((point == std::wstring::npos ? digits.size() : point) - sign > kMaximumIntegerDigits) return {};
  const int length = GetNumberFormatEx(locale, 0, digits.c_str(), &format, nullptr, 0);
  if (length <= 1) return {};
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  const int written = GetNumberFormatEx(locale, 0, digits.c_str(), &format, text.data(), length);
  if (written <= 1) return {};
  text.resize(static_cast<std::size_t>(written - 1));
  trim_fraction(text, decimal, minimum);
  return text;
}

// Asks a platform function for its length and then its text, falling back once to the user's
// default locale when the given locale yields nothing.
template <typename Query>
std::wstring query_text(const wchar_t* locale, Query query) {
  int length = query(locale, nullptr, 0);
  if (length <= 1 && locale != nullptr) {
    locale = nullptr;
    length = query(locale, nullptr, 0);
  }
  if (length <= 1) return {};
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  const int written = query(locale, text.data(), length);
  if (written <= 1) return {};
  text.resize(static_cast<std::size_t>(written - 1));
  return text;
}

// Days in a month of the proleptic Gregorian calendar.
int days_in_month(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Day of the week (0 Sunday) of a proleptic Gregorian date, for the platform's date record.
WORD day_of_week(int year, int month, int day) {
  static constexpr std::array<int, 12> kMonthOffset = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) --year;
  return static_cast<WORD>((year + year / 4 - year / 100 + year / 400 + kMonthOffset[month - 1] + day) % 7);
}

}  // namespace

std::wstring WindowsLocaleFormatter::format_number(std::wstring_view locale_tag, double value,
                                                   NumberFormatOptions options) const {
  if (!std::isfinite(value)) return {};
  const LocaleName name(locale_tag);
  std::wstring text = format_number_in(name.get(), value, options);
  if (text.empty() && name.get() != nullptr) text = format_number_in(nullptr, value, options);
  return text;
}

std::wstring WindowsLocaleFormatter::format_percent(std::wstring_view locale_tag, double value,
                                                    NumberFormatOptions options) const {
  if (!std::isfinite(value)) return {};
  const double scaled = std::fabs(value) * 100.0;
  if (!std::isfinite(scaled)) return {};
  const LocaleName name(locale_tag);
  const wchar_t* locale = name.get();
  std::wstring number = format_number_in(locale, scaled, options);
  if (number.empty() && locale != nullptr) {
    locale = nullptr;
    number = format_number_in(locale, scaled, options);
  }
  if (number.empty()) return {};

  const std::wstring symbol = locale_text(locale, LOCALE_SPERCENT, L"%");
  // A value that rounds to zero is shown unsigned, like a zero number.
  const bool negative = value < 0.0 && number.find_first_of(L"123456789") != std::wstring::npos;
  static constexpr std::array<std::wstring_view, 12> kNegative = {
      L"-# %", L"-#%", L"-%#", L"%-#", L"%#-", L"#-%", L"#%-", L"-% #", L"# %-", L"% #-", L"% -#", L"#- %"};
  static constexpr std::array<std::wstring_view, 4> kPositive = {L"# %", L"#%", L"%#", L"% #"};
  std::wstring_view pattern;
  if (negative) {
    const UINT index = locale_number(locale, LOCALE_INEGATIVEPERCENT, 0);
    pattern = index < kNegative.size() ? kNegative[index] : kNegative[0];
  } else {
    const UINT index = locale_number(locale, LOCALE_IPOSITIVEPERCENT, 0);
    pattern = index < kPositive.size() ? kPositive[index] : kPositive[0];
  }

  std::wstring text;
  text.reserve(number.size() + symbol.size() + 2);
  for (wchar_t c : pattern) {
    if (c == L'#') {
      text += number;
    } else if (c == L'%') {
      text += symbol;
    } else {
      text.push_back(c);
    }
  }
  return text;
}

std::wstring WindowsLocaleFormatter::format_date(std::wstring_view locale_tag, DateValue date,
                                                 DateStyle style) const {
  if (date.year < 1 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) {
    return {};
  }
  // Some systems roll a day past the month's end into the next month instead of refusing it.
  if (date.day > days_in_month(date.year, date.month)) return {};
  SYSTEMTIME when = {};
  when.wYear = static_cast<WORD>(date.year);
  when.wMonth = static_cast<WORD>(date.month);
  when.wDay = static_cast<WORD>(date.day);
  when.wDayOfWeek = day_of_week(date.year, date.month, date.day);
  const DWORD flags = style == DateStyle::Long ? DATE_LONGDATE : DATE_SHORTDATE;
  const LocaleName name(locale_tag);
  return query_text(name.get(), [&](const wchar_t* locale, wchar_t* buffer, int size) {
    return GetDateFormatEx(locale, flags, &when, nullptr, buffer, size, nullptr);
  });
}

std::wstring WindowsLocaleFormatter::format_time(std::wstring_view locale_tag, TimeValue time,
                                                 TimeFormatOptions options) const {
  // Compared as unsigned, so negative fields are out of range too.
  if (static_cast<std::uint32_t>(time.hour) > 23 || static_cast<std::uint32_t>(time.minute) > 59 ||
      static_cast<std::uint32_t>(time.second) > 59) {
    return {};
  }
  SYSTEMTIME when = {};
  when.wYear = 2000;
  when.wMonth = 1;
  when.wDay = 1;
  when.wDayOfWeek = 6;
  when.wHour = static_cast<WORD>(time.hour);
  when.wMinute = static_cast<WORD>(time.minute);
  when.wSecond = static_cast<WORD>(time.second);
  DWORD flags = 0;
  if (!options.show_seconds) flags |= TIME_NOSECONDS;
  if (options.use_24_hour_clock) flags |= TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER;
  const LocaleName name(locale_tag);
  return query_text(name.get(), [&](const wchar_t* locale, wchar_t* buffer, int size) {
    return GetTimeFormatEx(locale, flags, &when, nullptr, buffer, size);
  });
}

}  // namespace win32_ui::platform::windows
