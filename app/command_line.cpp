#include "command_line.h"

#include <windows.h>

#include <shellapi.h>

namespace orvane::app {

std::vector<std::wstring> image_paths_from_command_line(const wchar_t* command_line) {
  if (command_line == nullptr || *command_line == L'\0') return {};
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(command_line, &count);
  if (arguments == nullptr) return {};
  std::vector<std::wstring> paths;
  for (int i = 1; i < count && arguments[i][0] != L'-'; ++i) {
    if (arguments[i][0] != L'\0') paths.emplace_back(arguments[i]);
  }
  LocalFree(arguments);
  return paths;
}

}  // namespace orvane::app
