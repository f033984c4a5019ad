#include "console_writer.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace orvane::cli {

ConsoleWriter::ConsoleWriter(unsigned long standard_handle) {
  HANDLE handle = GetStdHandle(standard_handle);
  if (handle == INVALID_HANDLE_VALUE) handle = nullptr;
  handle_ = handle;
  DWORD mode = 0;
  console_ = handle != nullptr && GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode) != 0;
}

std::size_t ConsoleWriter::columns() const {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!console_ || !GetConsoleScreenBufferInfo(handle_, &info)) return 80;
  const int width = info.srWindow.Right - info.srWindow.Left + 1;
  return width > 0 ? static_cast<std::size_t>(width) : 80;
}

void ConsoleWriter::write_line(std::wstring_view text) const {
  std::wstring line(text);
  line += L'\n';
  write(line);
}

void ConsoleWriter::write(std::wstring_view text) const {
  if (handle_ == nullptr || text.empty()) return;
  constexpr std::size_t kChunk = 1 << 15;  // keeps each call's length well inside a DWORD / int
  if (console_) {
    while (!text.empty()) {
      const auto count = static_cast<DWORD>(std::min(text.size(), kChunk));
      DWORD written = 0;
      if (!WriteConsoleW(handle_, text.data(), count, &written, nullptr) || written == 0) return;
      text.remove_prefix(written);
    }
    return;
  }
  while (!text.empty()) {
    std::size_t count = std::min(text.size(), kChunk);
    // Never split a surrogate pair between two conversions.
    if (count < text.size() && IS_HIGH_SURROGATE(text[count - 1])) --count;
    const int length = static_cast<int>(count);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return;
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), bytes, nullptr, nullptr);
    std::string_view pending = utf8;
    while (!pending.empty()) {
      DWORD written = 0;
      if (!WriteFile(handle_, pending.data(), static_cast<DWORD>(pending.size()), &written, nullptr) ||
          written == 0) {
        return;
      }
      pending.remove_prefix(written);
    }
    text.remove_prefix(count);
  }
}

}  // namespace orvane::cli
