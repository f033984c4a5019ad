#include "command_line.h"

#include <windows.h>

#include <shellapi.h>

namespace orvane::app {

std::wstring image_path_from_command_line(const wchar_t* command_line) {
  if (command_line == nullptr || *command_line == L'\0') return {};
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(command_line, &count);
  if (arguments == nullptr) return {};
  std::wstring path;
  if (count >= 2 && arguments[1][0] != L'-') path = arguments[1];
  LocalFree(arguments);
  return path;
}

}  // namespace orvane::app
