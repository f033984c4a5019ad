#include "localization/plural_rules.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <string_view>

#include "localization/locale_formatter.h"
#include "localization/localization_context.h"

namespace win32_ui::modern {
namespace {

// Counts from here on cannot be held by a signed 64-bit integer: 2^63.
constexpr double kIntegerLimit = 9223372036854775808.0;

// The primary subtag into a fixed buffer, so choosing a rule never allocates; longer subtags
// match no rule and yield an empty result.
std::wstring_view primary_language(std::wstring_view tag, wchar_t (&buffer)[8]) noexcept {
  std::size_t length = 0;
  for (wchar_t c : tag) {
    if (c == L'-' || c == L'_') break;
    if (length == std::size(buffer)) return {};
    buffer[length++] = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
  }
  return {buffer, length};
}

bool in_range(std::int64_t value, std::int64_t low, std::int64_t high) noexcept {
  return value >= low && value <= high;
}

}  // namespace

std::wstring_view category_name(PluralCategory category) noexcept {
  switch (category) {
    case PluralCategory::Zero: return L"zero";
    case PluralCategory::One: return L"one";
    case PluralCategory::Two: return L"two";
    case PluralCategory::Few: return L"few";
    case PluralCategory::Many: return L"many";
    case PluralCategory::Other: break;
  }
  return L"other";
}

std::wstring primary_subtag(std::wstring_view locale_tag) {
  std::wstring result;
  for (wchar_t c : locale_tag) {
    if (c == L'-' || c == L'_') break;
    result.push_back((c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c);
  }
  return result;
}

PluralCategory plural_category(std::wstring_view locale_tag, double count) noexcept {
  if (!std::isfinite(count)) return PluralCategory::Other;
  const double n = std::fabs(count);
  // 2^63 itself must not reach the conversion below: it does not fit and would be undefined.
  const bool integer = n < kIntegerLimit && std::floor(n) == n;
  const std::int64_t i = integer ? static_cast<std::int64_t>(n) : 0;
  const std::int64_t i10 = i % 10;
  const std::int64_t i100 = i % 100;

  wchar_t buffer[8];
  const std::wstring_view language = primary_language(locale_tag, buffer);

  if (language == L"ar") {
    if (n == 0.0) return PluralCategory::Zero;
    if (n == 1.0) return PluralCategory::One;
    if (n == 2.0) return PluralCategory::Two;
    if (integer && in_range(i100, 3, 10)) return PluralCategory::Few;
    if (integer && in_range(i100, 11, 99)) return PluralCategory::Many;
    return PluralCategory::Other;
  }
  if (language == L"ru" || language == L"uk") {
    if (!integer) return PluralCategory::Other;
    if (i10 == 1 && i100 != 11) return PluralCategory::One;
    if (in_range(i10, 2, 4) && !in_range(i100, 12, 14)) return PluralCategory::Few;
    return PluralCategory::Many;
  }
  if (language == L"pl") {
    if (!integer) return PluralCategory::Other;
    if (i == 1) return PluralCategory::One;
    if (in_range(i10, 2, 4) && !in_range(i100, 12, 14)) return PluralCategory::Few;
    return PluralCategory::Many;
  }
  if (language == L"cs" || language == L"sk") {
    if (!integer) return PluralCategory::Other;
    if (i == 1) return PluralCategory::One;
    if (in_range(i, 2, 4)) return PluralCategory::Few;
    return PluralCategory::Other;
  }
  if (language == L"fr") {
    return (integer && (i == 0 || i == 1)) ? PluralCategory::One : PluralCategory::Other;
  }
  if (language == L"ja" || language == L"ko" || language == L"th" || language == L"vi" || language == L"zh") {
    return PluralCategory::Other;
  }
  return n == 1.0 ? PluralCategory::One : PluralCategory::Other;
}

PluralCategory plural_category(const LocalizationContext& context, double count) noexcept {
  return plural_category(context.locale_tag(), count);
}

std::wstring format_count(const LocalizationContext& context, double count) {
  if (context.has_formatter()) {
    return context.formatter()->format_number(context.locale_tag(), count, NumberFormatOptions{0, 15, true});
  }
  if (!std::isfinite(count)) return {};
  // Fixed notation of the largest double needs 309 integer digits, a sign, a point and 15 digits.
  char buffer[340];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), count, std::chars_format::fixed, 15);
  if (result.ec != std::errc{}) return {};
  std::string_view digits(buffer, static_cast<std::size_t>(result.ptr - buffer));
  // The point is always there with 15 fraction digits; drop the zeros it leaves and the point itself.
  while (!digits.empty() && digits.back() == '0') digits.remove_suffix(1);
  if (!digits.empty() && digits.back() == '.') digits.remove_suffix(1);
  // A count that rounds to zero reads as 0, not -0.
  if (digits == "-0") digits = "0";
  return std::wstring(digits.begin(), digits.end());
}

}  // namespace win32_ui::modern
