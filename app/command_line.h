#pragma once

#include <string>

namespace orvane::app {

// The image a command line names: the first argument after the program, unless it starts with "-";
// empty when there is none or the line cannot be split. Further arguments are ignored.
[[nodiscard]] std::wstring image_path_from_command_line(const wchar_t* command_line);

}  // namespace orvane::app
