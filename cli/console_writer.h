#pragma once

#include <cstddef>
#include <string_view>

namespace orvane::cli {

// Writes text to a standard handle: UTF-16 through the console API when the handle is a console,
// else UTF-8 bytes, so non-ASCII names read right in a window and in a pipe or file alike.
class ConsoleWriter {
 public:
  // `standard_handle` is STD_OUTPUT_HANDLE or STD_ERROR_HANDLE.
  explicit ConsoleWriter(unsigned long standard_handle);

  // Writes the text and a line break.
  void write_line(std::wstring_view text) const;

  // Writes the text as it is.
  void write(std::wstring_view text) const;

  // True when the handle is an interactive console (GetConsoleMode succeeds on it).
  [[nodiscard]] bool is_console() const noexcept { return console_; }

  // The width of the console's window in characters; 80 when it is no console or cannot say.
  [[nodiscard]] std::size_t columns() const;

 private:
  void* handle_ = nullptr;
  bool console_ = false;
};

}  // namespace orvane::cli
