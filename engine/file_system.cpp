#include "file_system.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cwchar>

namespace orvane::engine {
namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The errors by which the system says a path leads to nothing.
bool means_missing(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      return true;
    default:
      return false;
  }
}

// Where the root of a full path ends: after "C:\", "\\server\share\" or their "\\?\" forms.
std::size_t root_length(const std::wstring& path) {
  std::size_t start = 0;
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    start = 8;
  } else if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) {
    start = 4;
  } else if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
    start = 2;
  }
  if (start == 2 || start == 8) {
    // Server and share.
    for (int parts = 0; parts < 2 && start < path.size(); ++parts) {
      while (start < path.size() && !is_separator(path[start])) ++start;
      if (start < path.size()) ++start;
    }
    return start;
  }
  if (path.size() >= start + 2 && path[start + 1] == L':') {
    start += 2;
    if (start < path.size() && is_separator(path[start])) ++start;
  }
  return start;
}

}  // namespace

PathKind path_kind(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::folder : PathKind::file;
  }
  const DWORD error = GetLastError();
  if (means_missing(error)) return PathKind::missing;
  // A file another program holds open without sharing still shows up in its folder's listing.
  if (error == ERROR_SHARING_VIOLATION) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search != INVALID_HANDLE_VALUE) {
      FindClose(search);
      return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::folder : PathKind::file;
    }
  }
  return PathKind::unknown;
}

std::wstring input_access_error(const std::wstring& path) {
  switch (path_kind(path)) {
    case PathKind::missing:
      return kInputNotFound;
    case PathKind::unknown:
      return kInputInaccessible;
    default:
      return {};
  }
}

bool make_folders(const std::wstring& folder) {
  std::wstring path = folder;
  while (path.size() > 1 && is_separator(path.back())) path.pop_back();
  const PathKind kind = path_kind(path);
  if (kind != PathKind::missing) return kind == PathKind::folder;
  // The parent first, unless this is a root (which cannot be made).
  const std::size_t root = root_length(path);
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos && slash + 1 > root && !make_folders(path.substr(0, slash))) return false;
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  // Another worker may have made it meanwhile.
  return GetLastError() == ERROR_ALREADY_EXISTS && path_kind(path) == PathKind::folder;
}

bool create_unique_file(const std::wstring& folder, std::wstring& path) {
  // Process, a counter for this process, and a little of the clock against the leftovers of an
  // earlier process that had the same id; CREATE_NEW settles any collision, and the next name is tried.
  static std::atomic<std::uint32_t> counter{0};
  std::wstring base = folder;
  if (!base.empty() && !is_separator(base.back())) base.push_back(L'\\');
  wchar_t name[64] = {};
  for (int attempt = 0; attempt < 100; ++attempt) {
    LARGE_INTEGER ticks{};
    QueryPerformanceCounter(&ticks);
    swprintf(name, 64, L"orv%lx-%x-%x.tmp", static_cast<unsigned long>(GetCurrentProcessId()),
             static_cast<unsigned>(counter.fetch_add(1)), static_cast<unsigned>(ticks.QuadPart & 0xFFFFF));
    const std::wstring candidate = base + name;
    HANDLE file = CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      path = candidate;
      return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

}  // namespace orvane::engine
