#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace win32_ui::modern {

// What a text-bearing view stores instead of a finished string: a literal, a message key, or
// a plural key with its count, plus values for the numbered placeholders {0}, {1}, ...
struct LocalizedText {
  enum class Kind : std::int32_t {
    Literal = 0,
    Key = 1,
    PluralKey = 2,
  };

  Kind kind = Kind::Literal;
  std::wstring text;
  double count = 0.0;
  std::vector<std::wstring> arguments;

  // A text shown as written (placeholders are still filled).
  [[nodiscard]] static LocalizedText literal(std::wstring text, std::vector<std::wstring> arguments = {}) {
    return LocalizedText{Kind::Literal, std::move(text), 0.0, std::move(arguments)};
  }

  // A text looked up by message key.
  [[nodiscard]] static LocalizedText key(std::wstring key, std::vector<std::wstring> arguments = {}) {
    return LocalizedText{Kind::Key, std::move(key), 0.0, std::move(arguments)};
  }

  // A text whose form depends on a count, looked up by key and plural category.
  [[nodiscard]] static LocalizedText plural(std::wstring key, double count, std::vector<std::wstring> arguments = {}) {
    return LocalizedText{Kind::PluralKey, std::move(key), count, std::move(arguments)};
  }

  friend bool operator==(const LocalizedText&, const LocalizedText&) = default;
};

}  // namespace win32_ui::modern
