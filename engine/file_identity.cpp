#include "file_identity.h"

#include <windows.h>

#include <memory>

namespace orvane::engine {
namespace {

// Closes a file handle when it goes out of scope.
struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};

}  // namespace

std::optional<FileIdentity> file_identity(const std::wstring& path) {
  // No access rights are needed to read the identity, and full sharing never disturbs a
  // file that someone else has open.
  HANDLE raw = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (raw == INVALID_HANDLE_VALUE) return std::nullopt;
  const std::unique_ptr<void, HandleCloser> handle(raw);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(raw, &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (std::uint64_t{info.nFileIndexHigh} << 32) | std::uint64_t{info.nFileIndexLow}};
}

std::wstring full_path(const std::wstring& path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring result(needed, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), needed, result.data(), nullptr);
  if (written == 0 || written >= needed) return path;
  result.resize(written);
  return result;
}

}  // namespace orvane::engine
