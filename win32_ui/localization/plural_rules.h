#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace win32_ui::modern {

class LocalizationContext;

// The plural forms a message can have; the names form the catalogue keys ("files.one").
enum class PluralCategory : std::uint8_t {
  Zero = 0,
  One = 1,
  Two = 2,
  Few = 3,
  Many = 4,
  Other = 5,
};

// The category name used in catalogue keys: "zero", "one", "two", "few", "many" or "other".
[[nodiscard]] std::wstring_view category_name(PluralCategory category) noexcept;

// The lower-cased part of a locale tag before its first "-" or "_" ("pt" for "pt_BR").
[[nodiscard]] std::wstring primary_subtag(std::wstring_view locale_tag);

// The plural category of a count in the language of a locale tag.
[[nodiscard]] PluralCategory plural_category(std::wstring_view locale_tag, double count) noexcept;

// The plural category of a count in the context's language.
[[nodiscard]] PluralCategory plural_category(const LocalizationContext& context, double count) noexcept;

// The text that replaces "{count}": through the context's formatter when it has one, else
// plain digits with "." and no grouping.
[[nodiscard]] std::wstring format_count(const LocalizationContext& context, double count);

}  // namespace win32_ui::modern
