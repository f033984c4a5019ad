#include "localization/message_catalogue.h"

#include <utility>

namespace win32_ui::modern {
namespace {

wchar_t normalize_char(wchar_t c) noexcept {
  if (c == L'_') return L'-';
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c - L'A' + L'a');
  return c;
}

// The tag and its shorter forms, each cut at its last "-"; all are prefixes of the tag.
template <typename Visit>
bool for_each_prefix(std::wstring_view tag, Visit&& visit) {
  while (!tag.empty()) {
    if (visit(tag)) return true;
    const std::size_t cut = tag.rfind(L'-');
    if (cut == std::wstring_view::npos) break;
    tag = tag.substr(0, cut);
  }
  return false;
}

bool is_prefix_form_of(std::wstring_view candidate, std::wstring_view tag) {
  return for_each_prefix(tag, [&](std::wstring_view form) { return form == candidate; });
}

}  // namespace

MessageCatalogue::MessageCatalogue(std::wstring_view default_tag) { set_default_tag(default_tag); }

std::wstring MessageCatalogue::normalize_tag(std::wstring_view locale_tag) {
  std::wstring result(locale_tag);
  for (wchar_t& c : result) c = normalize_char(c);
  return result;
}

std::vector<std::wstring> MessageCatalogue::language_chain(std::wstring_view requested_tag,
                                                           std::wstring_view default_tag) {
  std::vector<std::wstring> chain;
  const std::wstring requested = normalize_tag(requested_tag);
  const std::wstring fallback = normalize_tag(default_tag);
  auto add = [&](std::wstring_view form) {
    for (const std::wstring& existing : chain) {
      if (existing == form) return false;
    }
    chain.emplace_back(form);
    return false;
  };
  for_each_prefix(requested, add);
  for_each_prefix(fallback, add);
  return chain;
}

MessageCatalogue& MessageCatalogue::set_text(std::wstring_view locale_tag, std::wstring_view key, std::wstring text) {
  Table& table = languages_[normalize_tag(locale_tag)];
  auto found = table.find(key);
  if (found != table.end()) {
    found->second = std::move(text);
  } else {
    table.emplace(std::wstring(key), std::move(text));
  }
  return *this;
}

MessageCatalogue& MessageCatalogue::set_default_tag(std::wstring_view default_tag) {
  default_tag_.assign(default_tag);
  normalized_default_ = normalize_tag(default_tag);
  return *this;
}

bool MessageCatalogue::set_parent(std::shared_ptr<const MessageCatalogue> parent) {
  for (const MessageCatalogue* ancestor = parent.get(); ancestor != nullptr; ancestor = ancestor->parent_.get()) {
    if (ancestor == this) return false;
  }
  parent_ = std::move(parent);
  return true;
}

template <typename Visit>
const std::wstring* MessageCatalogue::walk_chain(std::wstring_view normalized_request, Visit&& visit) const {
  const std::wstring* hit = nullptr;
  auto try_form = [&](std::wstring_view form) {
    const auto language = languages_.find(form);
    if (language == languages_.end()) return false;
    hit = visit(language->second);
    return hit != nullptr;
  };
  if (for_each_prefix(normalized_request, try_form)) return hit;
  // The default chain skips the forms the requested chain has already tried.
  for_each_prefix(normalized_default_, [&](std::wstring_view form) {
    return !is_prefix_form_of(form, normalized_request) && try_form(form);
  });
  return hit;
}

const std::wstring* MessageCatalogue::find_in(const Table& table, std::wstring_view key) {
  const auto entry = table.find(key);
  return entry == table.end() ? nullptr : &entry->second;
}

const std::wstring* MessageCatalogue::find(std::wstring_view requested_tag, std::wstring_view key) const {
  const std::wstring request = normalize_tag(requested_tag);
  for (const MessageCatalogue* catalogue = this; catalogue != nullptr; catalogue = catalogue->parent_.get()) {
    if (const std::wstring* text =
            catalogue->walk_chain(request, [&](const Table& table) { return find_in(table, key); })) {
      return text;
    }
  }
  return nullptr;
}

const std::wstring* MessageCatalogue::find_plural(std::wstring_view requested_tag, std::wstring_view key,
                                                  PluralCategory category) const {
  const std::wstring request = normalize_tag(requested_tag);
  std::wstring form_key(key);
  form_key.push_back(L'.');
  std::wstring other_key = form_key;
  other_key.append(category_name(PluralCategory::Other));
  form_key.append(category_name(category));
  const bool is_other = category == PluralCategory::Other;

  for (const MessageCatalogue* catalogue = this; catalogue != nullptr; catalogue = catalogue->parent_.get()) {
    const std::wstring* text = catalogue->walk_chain(request, [&](const Table& table) {
      const std::wstring* hit = find_in(table, form_key);
      if (hit == nullptr && !is_other) hit = find_in(table, other_key);
      return hit;
    });
    if (text == nullptr) {
      text = catalogue->walk_chain(request, [&](const Table& table) { return find_in(table, key); });
    }
    if (text != nullptr) return text;
  }
  return nullptr;
}

}  // namespace win32_ui::modern
