#include "localization/localization_context.h"

#include <array>
#include <utility>

#include "localization/message_catalogue.h"
#include "localization/placeholders.h"

namespace win32_ui::modern {

LocalizationContext::LocalizationContext(std::wstring locale_tag, TranslateFunction translate)
    : locale_tag_(std::move(locale_tag)), translate_(std::move(translate)) {}

LocalizationContext& LocalizationContext::set_translate(TranslateFunction translate) {
  translate_ = std::move(translate);
  ++revision_;
  return *this;
}

LocalizationContext& LocalizationContext::set_translate_plural(TranslatePluralFunction translate_plural) {
  translate_plural_ = std::move(translate_plural);
  ++revision_;
  return *this;
}

LocalizationContext& LocalizationContext::set_catalogue(std::shared_ptr<const MessageCatalogue> catalogue) {
  if (catalogue != catalogue_) {
    catalogue_ = std::move(catalogue);
    ++revision_;
  }
  return *this;
}

LocalizationContext& LocalizationContext::set_formatter(std::shared_ptr<const LocaleFormatter> formatter) {
  if (formatter != formatter_) {
    formatter_ = std::move(formatter);
    ++revision_;
  }
  return *this;
}

bool LocalizationContext::is_right_to_left() const {
  static constexpr std::array<std::wstring_view, 10> kRightToLeft = {L"ar", L"dv", L"fa", L"he", L"ku",
                                                                     L"ps", L"sd", L"ug", L"ur", L"yi"};
  const std::wstring language = primary_subtag(locale_tag_);
  for (std::wstring_view candidate : kRightToLeft) {
    if (language == candidate) return true;
  }
  return false;
}

std::wstring LocalizationContext::look_up(std::wstring_view key) const {
  if (catalogue_) {
    if (const std::wstring* text = catalogue_->find(locale_tag_, key)) return *text;
  }
  if (translate_) return translate_(key);
  return std::wstring(key);
}

std::wstring LocalizationContext::look_up_plural(std::wstring_view key, PluralCategory category) const {
  if (catalogue_) {
    if (const std::wstring* text = catalogue_->find_plural(locale_tag_, key, category)) return *text;
  }
  if (translate_plural_) return translate_plural_(key, category);
  if (translate_) {
    std::wstring form_key(key);
    form_key.push_back(L'.');
    form_key.append(category_name(category));
    return translate_(form_key);
  }
  return std::wstring(key);
}

std::wstring LocalizationContext::resolve(const LocalizedText& text) const {
  std::wstring result;
  switch (text.kind) {
    case LocalizedText::Kind::Key:
      result = look_up(text.text);
      break;
    case LocalizedText::Kind::PluralKey:
      result = look_up_plural(text.text, plural_category(locale_tag_, text.count));
      if (result.find(L"{count}") != std::wstring::npos) {
        result = replace_placeholder(result, L"{count}", format_count(*this, text.count));
      }
      break;
    case LocalizedText::Kind::Literal:
    default:
      // An unknown kind shows what it carries rather than nothing.
      result = text.text;
      break;
  }
  if (!text.arguments.empty() && result.find(L'{') != std::wstring::npos) {
    result = fill_placeholders(result, text.arguments);
  }
  return result;
}

}  // namespace win32_ui::modern
