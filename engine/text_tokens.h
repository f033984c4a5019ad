#pragma once

// Tokens in the watermark text, replaced for each photo so one mark can carry the photo's own
// name, size, date or camera:
//   {name}    the file name without its extension      {ext}     the extension, without the dot
//   {width}   {height}  the upright, full-size picture  {camera}  the camera's model (EXIF), trimmed
//   {date}    the day it was taken (EXIF), else the file's last change, as YYYY-MM-DD
//   {year}    the year of that day                      {n}       the photo's place in its batch
//   {n:3}     the place padded with zeros to 3 digits (1 to 20 digits)
// "{{" and "}}" stand for a brace; an unknown or malformed token stays as written.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::engine {

struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

// What the tokens of one photo stand for ({n} comes from the options' sequence number).
struct TokenValues {
  std::wstring name;
  std::wstring ext;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::optional<CalendarDate> date;
  std::wstring camera;
};

// True when the text may hold a token or an escaped brace, so the values are worth gathering.
[[nodiscard]] bool has_text_tokens(std::wstring_view text) noexcept;

// The text with its tokens replaced, cut to the longest text a mark may have.
[[nodiscard]] std::wstring expand_text_tokens(std::wstring_view text, const TokenValues& values,
                                              std::uint64_t sequence_number);

// The day of an EXIF date "YYYY:MM:DD HH:MM:SS" (the time may be missing); nothing for another form.
[[nodiscard]] std::optional<CalendarDate> date_from_exif(std::string_view text) noexcept;

// The last part of a path split into name and extension (the extension as written, without the dot).
void split_file_name(std::wstring_view path, std::wstring& name, std::wstring& ext);

}  // namespace orvane::engine
