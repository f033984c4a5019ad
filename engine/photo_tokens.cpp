#include "photo_tokens.h"

#include <windows.h>

#include "exif_metadata.h"

namespace orvane::engine {
namespace {

// EXIF text is meant to be ASCII; some cameras write UTF-8, others a Latin code page.
std::wstring exif_text(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                       nullptr, 0);
  if (size > 0) {
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
  }
  return std::wstring(bytes.begin(), bytes.end());  // as Latin-1
}

std::wstring trimmed(const std::wstring& text) {
  const auto first = text.find_first_not_of(L" \t\r\n");
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

// The day the file was last changed, in the user's time zone.
std::optional<CalendarDate> modified_date(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  SYSTEMTIME utc{}, local{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
      !FileTimeToSystemTime(&data.ftLastWriteTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return std::nullopt;
  }
  return CalendarDate{local.wYear, local.wMonth, local.wDay};
}

}  // namespace

TokenValues photo_token_values(const std::wstring& path, std::uint32_t width, std::uint32_t height) {
  TokenValues values;
  split_file_name(path, values.name, values.ext);
  values.width = width;
  values.height = height;
  const ExifFacts facts = read_file_exif_facts(path);
  values.date = date_from_exif(facts.date_time_original);
  if (!values.date) values.date = modified_date(path);
  values.camera = trimmed(exif_text(facts.model));
  return values;
}

}  // namespace orvane::engine
