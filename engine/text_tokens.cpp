#include "text_tokens.h"

#include <cwchar>

#include "watermark_options.h"

namespace orvane::engine {
namespace {

std::wstring padded(std::uint64_t value, std::size_t digits) {
  std::wstring text = std::to_wstring(value);
  if (text.size() < digits) text.insert(0, digits - text.size(), L'0');
  return text;
}

std::wstring date_text(const CalendarDate& date) {
  return padded(static_cast<std::uint64_t>(date.year), 4) + L"-" + padded(static_cast<std::uint64_t>(date.month), 2) +
         L"-" + padded(static_cast<std::uint64_t>(date.day), 2);
}

// The value of the token between the braces, or nothing when it is no token we know.
std::optional<std::wstring> token_value(std::wstring_view token, const TokenValues& values, std::uint64_t sequence) {
  if (token == L"name") return values.name;
  if (token == L"ext") return values.ext;
  if (token == L"width") return std::to_wstring(values.width);
  if (token == L"height") return std::to_wstring(values.height);
  if (token == L"date") return values.date ? date_text(*values.date) : std::wstring();
  if (token == L"year") return values.date ? padded(static_cast<std::uint64_t>(values.date->year), 4) : std::wstring();
  if (token == L"camera") return values.camera;
  if (token == L"n") return std::to_wstring(sequence);
  if (token.starts_with(L"n:") && token.size() >= 3 && token.size() <= 4) {
    std::size_t digits = 0;
    for (wchar_t c : token.substr(2)) {
      if (c < L'0' || c > L'9') return std::nullopt;
      digits = digits * 10 + static_cast<std::size_t>(c - L'0');
    }
    if (digits < 1 || digits > 20) return std::nullopt;
    return padded(sequence, digits);
  }
  return std::nullopt;
}

}  // namespace

bool has_text_tokens(std::wstring_view text) noexcept {
  return text.find_first_of(L"{}") != std::wstring_view::npos;
}

std::wstring expand_text_tokens(std::wstring_view text, const TokenValues& values, std::uint64_t sequence_number) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const wchar_t c = text[i];
    if ((c == L'{' || c == L'}') && i + 1 < text.size() && text[i + 1] == c) {
      out += c;
      i += 2;
      continue;
    }
    if (c == L'{') {
      const std::size_t close = text.find_first_of(L"{}", i + 1);
      if (close != std::wstring_view::npos && text[close] == L'}') {
        if (const auto value = token_value(text.substr(i + 1, close - i - 1), values, sequence_number)) {
          out += *value;
          i = close + 1;
          continue;
        }
      }
    }
    out += c;
    ++i;
  }
  if (out.size() > max_text_length) {
    std::size_t cut = max_text_length;
    // Never half a surrogate pair.
    if (out[cut - 1] >= 0xD800 && out[cut - 1] <= 0xDBFF) --cut;
    out.resize(cut);
  }
  return out;
}

std::optional<CalendarDate> date_from_exif(std::string_view text) noexcept {
  if (text.size() < 10 || text[4] != ':' || text[7] != ':') return std::nullopt;
  const auto number = [&](std::size_t at, std::size_t length) {
    int value = 0;
    for (std::size_t k = at; k < at + length; ++k) {
      if (text[k] < '0' || text[k] > '9') return -1;
      value = value * 10 + (text[k] - '0');
    }
    return value;
  };
  const CalendarDate date{number(0, 4), number(5, 2), number(8, 2)};
  // Cameras without a set clock write zeros or blanks: no date.
  if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) return std::nullopt;
  return date;
}

void split_file_name(std::wstring_view path, std::wstring& name, std::wstring& ext) {
  const std::size_t slash = path.find_last_of(L"\\/");
  const std::wstring_view file = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = file.rfind(L'.');
  if (dot == std::wstring_view::npos || dot == 0) {
    name = file;
    ext.clear();
  } else {
    name = file.substr(0, dot);
    ext = file.substr(dot + 1);
  }
}

}  // namespace orvane::engine
