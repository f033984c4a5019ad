#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "localization/localized_text.h"
#include "localization/plural_rules.h"

namespace win32_ui::modern {

class LocaleFormatter;
class MessageCatalogue;

// Everything needed to turn a LocalizedText into the string a user reads: the UI locale tag, a
// message catalogue, fall-back translate functions and a locale formatter. The revision rises
// with every change, so holders of resolved strings know when to resolve again.
class LocalizationContext {
 public:
  using TranslateFunction = std::function<std::wstring(std::wstring_view key)>;
  using TranslatePluralFunction = std::function<std::wstring(std::wstring_view key, PluralCategory category)>;

  explicit LocalizationContext(std::wstring locale_tag = {}, TranslateFunction translate = {});

  [[nodiscard]] const std::wstring& locale_tag() const noexcept { return locale_tag_; }
  [[nodiscard]] std::uint64_t revision() const noexcept { return revision_; }
  [[nodiscard]] const std::shared_ptr<const MessageCatalogue>& catalogue() const noexcept { return catalogue_; }
  [[nodiscard]] const std::shared_ptr<const LocaleFormatter>& formatter() const noexcept { return formatter_; }
  [[nodiscard]] bool has_formatter() const noexcept { return formatter_ != nullptr; }

  // Replaces the translate function; functions cannot be compared, so the revision always rises.
  LocalizationContext& set_translate(TranslateFunction translate);

  // Replaces the plural translate function; the revision always rises.
  LocalizationContext& set_translate_plural(TranslatePluralFunction translate_plural);

  // Attaches a catalogue; the same pointer again changes nothing.
  LocalizationContext& set_catalogue(std::shared_ptr<const MessageCatalogue> catalogue);

  // Attaches a formatter; the same pointer again changes nothing.
  LocalizationContext& set_formatter(std::shared_ptr<const LocaleFormatter> formatter);

  // True for languages written right to left (Arabic, Hebrew, Persian, Urdu, ...).
  [[nodiscard]] bool is_right_to_left() const;

  // The string a user reads for a text: looked up, pluralised and with its placeholders filled.
  [[nodiscard]] std::wstring resolve(const LocalizedText& text) const;

 private:
  [[nodiscard]] std::wstring look_up(std::wstring_view key) const;
  [[nodiscard]] std::wstring look_up_plural(std::wstring_view key, PluralCategory category) const;

  std::wstring locale_tag_;
  TranslateFunction translate_;
  TranslatePluralFunction translate_plural_;
  std::shared_ptr<const MessageCatalogue> catalogue_;
  std::shared_ptr<const LocaleFormatter> formatter_;
  std::uint64_t revision_ = 1;
};

}  // namespace win32_ui::modern
