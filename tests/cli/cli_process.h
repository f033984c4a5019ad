#pragma once

// Runs the real orvane-cli.exe as a user would, with its output on pipes or on a console screen
// buffer, for the command-line suites.

#include <windows.h>

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace orvane::test {

struct CliRun {
  DWORD exit_code = 0xFFFFFFFF;
  std::wstring out;
  std::wstring err;
};

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Quotes one argument so that the program's command-line splitting gives it back unchanged.
[[nodiscard]] std::wstring quote_argument(const std::wstring& arg);

[[nodiscard]] std::wstring from_utf8(const std::string& bytes);

// For failure messages: gtest prints narrow text.
[[nodiscard]] std::string utf8(const std::wstring& text);

// Reads a pipe to its end.
[[nodiscard]] std::string read_all(HANDLE pipe);

// Starts orvane-cli.exe in `folder` with the given (inheritable) standard handles.
[[nodiscard]] UniqueHandle start_cli(const std::vector<std::wstring>& args, const std::filesystem::path& folder,
                                     HANDLE out, HANDLE err);

[[nodiscard]] DWORD wait_for_exit(const UniqueHandle& process);

// Runs orvane-cli.exe in `folder` with stdout and stderr on pipes, until it ends.
[[nodiscard]] CliRun run_cli(const std::vector<std::wstring>& args, const std::filesystem::path& folder);

// The lines of a text, without their line breaks.
[[nodiscard]] std::vector<std::wstring> lines(const std::wstring& text);

[[nodiscard]] bool contains(const std::wstring& text, const std::wstring& part);

// A fresh, never shown screen buffer of the test's console, which a program can write to and the
// test read back. Without a console that has screen buffers (under Wine the test's console is a
// stand-in for the terminal) the test gets a console of its own for the time.
class ScreenBuffer {
 public:
  ScreenBuffer() {
    saved_ = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE)};
    handle_.reset(make());
    if (handle_.get() == INVALID_HANDLE_VALUE) {
      FreeConsole();
      allocated_ = AllocConsole() != FALSE;
      if (allocated_) handle_.reset(make());
    }
  }
  ~ScreenBuffer() {
    handle_.reset();
    if (allocated_) FreeConsole();
    SetStdHandle(STD_INPUT_HANDLE, saved_[0]);
    SetStdHandle(STD_OUTPUT_HANDLE, saved_[1]);
    SetStdHandle(STD_ERROR_HANDLE, saved_[2]);
  }
  ScreenBuffer(const ScreenBuffer&) = delete;
  ScreenBuffer& operator=(const ScreenBuffer&) = delete;

  [[nodiscard]] HANDLE get() const { return handle_.get(); }

  // The first `length` characters of the buffer's top line.
  [[nodiscard]] std::wstring first_line(std::size_t length) const { return line(0, length); }

  // The first `length` characters of line `row` of the buffer.
  [[nodiscard]] std::wstring line(int row, std::size_t length) const {
    std::wstring text(length, L' ');
    DWORD read = 0;
    if (!ReadConsoleOutputCharacterW(handle_.get(), text.data(), static_cast<DWORD>(length), COORD{0, static_cast<SHORT>(row)}, &read)) {
      return {};
    }
    return text;
  }

 private:
  static HANDLE make() {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                     CONSOLE_TEXTMODE_BUFFER, nullptr);
  }

  std::array<HANDLE, 3> saved_{};
  UniqueHandle handle_;
  bool allocated_ = false;
};

}  // namespace orvane::test
