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

// The files an open dialog with OFN_ALLOWMULTISELECT | OFN_EXPLORER left in its buffer: one full
// path, or a folder followed by names, each ended by a null, the list by a second.
[[nodiscard]] std::vector<std::wstring> chosen_files(const std::vector<wchar_t>& buffer);

// Shows the system's folder picker over `owner`, starting in `start` when it is a folder; the folder
// chosen, or empty on cancel or when the dialog cannot be shown.
[[nodiscard]] std::wstring choose_folder(HWND owner, const std::wstring& title, const std::wstring& start);

// The system's own full form of a path the user gave.
[[nodiscard]] std::wstring absolute_path(const std::wstring& path);

// The last part of a path, as the status line names a file.
[[nodiscard]] std::wstring file_name_of(const std::wstring& path);

}  // namespace orvane::app
