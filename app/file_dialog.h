#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace orvane::app {

// Room for the longest path the system takes, in UTF-16 units: the dialogs' and a drop's buffers.
inline constexpr std::size_t path_buffer_units = 32768;

// A filter list as the common dialogs take it: pairs of display text and pattern, double-terminated.
[[nodiscard]] std::wstring filter_list(const std::vector<std::pair<std::wstring, std::wstring>>& entries);

// Shows the system's open or save dialog over `owner` with the name in `buffer`; false on cancel.
bool run_file_dialog(HWND owner, const std::wstring& title, const std::wstring& filters, std::vector<wchar_t>& buffer,
                     const wchar_t* default_extension, DWORD flags, bool save);

// The system's own full form of a path the user gave.
[[nodiscard]] std::wstring absolute_path(const std::wstring& path);

// The last part of a path, as the status line names a file.
[[nodiscard]] std::wstring file_name_of(const std::wstring& path);

}  // namespace orvane::app
