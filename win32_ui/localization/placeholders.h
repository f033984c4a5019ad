#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace win32_ui::modern {

// Replaces every "{name}" of `text`, left to right, resuming after each inserted value, so a
// value that contains the placeholder is not expanded again.
[[nodiscard]] std::wstring replace_placeholder(std::wstring_view text, std::wstring_view placeholder,
                                               std::wstring_view value);

// Fills the numbered placeholders "{0}", "{1}", ... with the arguments. The result is that of one
// pass per argument in order, each replacing every "{i}" present and resuming after each inserted
// value: so an argument may hold a later placeholder, which its own pass then fills, and text
// around an inserted value may join into a later placeholder. Placeholders without an argument,
// with leading zeros or malformed stay as they are. Linear in the text, the arguments and the
// result, however many placeholders there are.
[[nodiscard]] std::wstring fill_placeholders(std::wstring_view text, const std::vector<std::wstring>& arguments);

}  // namespace win32_ui::modern
