#pragma once

#include <string>
#include <vector>

namespace orvane::app {

// The photos (or folders of photos) a command line names: the arguments after the program, up to
// the first that starts with "-", which ends them; empty ones are dropped. Nothing when there are
// none or the line cannot be split.
[[nodiscard]] std::vector<std::wstring> image_paths_from_command_line(const wchar_t* command_line);

}  // namespace orvane::app
