#pragma once

// What the engine and its front ends ask of the file system, asked of Windows itself. The C
// runtime's stat (behind std::filesystem's exists, status, is_directory and the like under
// MinGW) answers "not found" on Windows for "\\?\" paths, for paths over MAX_PATH and for
// anything it may not list, so none of the open, export or batch paths goes through it.

#include <string>

namespace orvane::engine {

// What a path names.
enum class PathKind {
  missing,  // nothing there, or a folder on the way is missing
  file,
  folder,
  unknown,  // the system could not tell (access denied, a link that leads nowhere, a device)
};

[[nodiscard]] PathKind path_kind(const std::wstring& path);

// Makes `folder` and every missing folder above it; true when it is a folder afterwards.
[[nodiscard]] bool make_folders(const std::wstring& folder);

// Creates a new, empty file of a name no other file in `folder` has, and gives its path. Unlike
// GetTempFileNameW, which refuses folders longer than MAX_PATH - 14, any folder will do.
[[nodiscard]] bool create_unique_file(const std::wstring& folder, std::wstring& path);

// The messages for an input that is not there and one the system will not let us see.
inline constexpr wchar_t kInputNotFound[] = L"Input file not found.";
inline constexpr wchar_t kInputInaccessible[] = L"Unable to access input file.";

// One of the two messages above when an input that failed to decode is missing or out of sight;
// empty when it is there, and the failure lies in its contents.
[[nodiscard]] std::wstring input_access_error(const std::wstring& path);

}  // namespace orvane::engine
