#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "localization/plural_rules.h"

namespace win32_ui::modern {

// Message texts by language and key. A lookup walks the requested tag's language chain, then
// the default tag's chain, then the parent catalogue. Plural forms are stored under the key
// followed by "." and the category name ("files.one", "files.other").
class MessageCatalogue {
 public:
  MessageCatalogue() = default;
  explicit MessageCatalogue(std::wstring_view default_tag);

  // Lower-cases a locale tag and turns "_" into "-" ("zh_Hans_CN" gives "zh-hans-cn").
  [[nodiscard]] static std::wstring normalize_tag(std::wstring_view locale_tag);

  // The tags a lookup tries, in order: the requested tag and its shorter forms, then the
  // default tag and its shorter forms, each only once.
  [[nodiscard]] static std::vector<std::wstring> language_chain(std::wstring_view requested_tag,
                                                                std::wstring_view default_tag);

  // Stores (or replaces) the text of a key in one language.
  MessageCatalogue& set_text(std::wstring_view locale_tag, std::wstring_view key, std::wstring text);

  // Sets the tag whose chain is tried after the requested one.
  MessageCatalogue& set_default_tag(std::wstring_view default_tag);

  // Sets the catalogue consulted when this one has no entry; refused (false) when it would
  // make this catalogue its own ancestor.
  bool set_parent(std::shared_ptr<const MessageCatalogue> parent);

  [[nodiscard]] const std::wstring& default_tag() const noexcept { return default_tag_; }
  [[nodiscard]] const std::shared_ptr<const MessageCatalogue>& parent() const noexcept { return parent_; }

  // The text of a key for a requested tag, or null when no language here or in a parent has it.
  [[nodiscard]] const std::wstring* find(std::wstring_view requested_tag, std::wstring_view key) const;

  // The plural form of a key for a requested tag and category: the category's form, else the
  // "other" form, else the bare key; null when nothing matches.
  [[nodiscard]] const std::wstring* find_plural(std::wstring_view requested_tag, std::wstring_view key,
                                                PluralCategory category) const;

 private:
  // Hashes strings and string views alike, so lookups by view do not build a string.
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::wstring_view text) const noexcept { return std::hash<std::wstring_view>{}(text); }
  };
  using Table = std::unordered_map<std::wstring, std::wstring, TextHash, std::equal_to<>>;

  // Calls `visit` with each table of the language chain until it returns a text.
  template <typename Visit>
  const std::wstring* walk_chain(std::wstring_view normalized_request, Visit&& visit) const;

  [[nodiscard]] static const std::wstring* find_in(const Table& table, std::wstring_view key);

  std::unordered_map<std::wstring, Table, TextHash, std::equal_to<>> languages_;
  std::wstring default_tag_;
  std::wstring normalized_default_;
  std::shared_ptr<const MessageCatalogue> parent_;
};

}  // namespace win32_ui::modern
