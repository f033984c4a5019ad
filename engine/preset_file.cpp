#include "preset_file.h"

#include <windows.h>

#include <string>

#include "file_identity.h"
#include "file_system.h"
#include "watermark_preset.h"

namespace orvane::engine {
namespace {

// Closes a file handle when it goes.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) noexcept : handle_(handle) {}
  ~FileHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  [[nodiscard]] HANDLE get() const noexcept { return handle_; }
  [[nodiscard]] bool ok() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

std::wstring file_named(const std::wstring& path) { return L"Preset file \"" + path + L"\""; }

std::wstring folder_of(const std::wstring& full) {
  const auto slash = full.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : full.substr(0, slash + 1);
}

}  // namespace

bool read_preset_file(const std::wstring& path, WatermarkOptions& out, std::wstring& name, std::wstring& error) {
  const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) {
    error = file_named(path) + (path_kind(path) == PathKind::missing ? L" does not exist." : L" cannot be read.");
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) {
    error = file_named(path) + L" cannot be read.";
    return false;
  }
  // Read no further than the limit: a huge file is refused without taking its size in memory.
  if (static_cast<std::uint64_t>(size.QuadPart) > kMaxPresetBytes) {
    error = file_named(path) + L" is larger than 1 MiB; it is not a preset.";
    return false;
  }
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())) {
    error = file_named(path) + L" cannot be read.";
    return false;
  }
  std::wstring fault;
  if (!parse_preset_json(bytes, out, name, fault)) {
    error = file_named(path) + L": " + fault;
    return false;
  }
  return true;
}

bool write_preset_file(const std::wstring& path, const WatermarkOptions& options, const std::wstring& name,
                       std::wstring& error) {
  const std::string document = preset_json(options, name);
  std::wstring temp_path;
  // The temporary file lives beside the preset so that putting it in place is one rename.
  if (!create_unique_file(folder_of(full_path(path)), temp_path)) {
    error = file_named(path) + L" cannot be written: its folder is missing or not writable.";
    return false;
  }
  bool ok = false;
  {
    const FileHandle file(
        CreateFileW(temp_path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ok = file.ok() &&
         WriteFile(file.get(), document.data(), static_cast<DWORD>(document.size()), &written, nullptr) &&
         written == document.size() && FlushFileBuffers(file.get());
  }
  if (ok) ok = MoveFileExW(temp_path.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) {
    DeleteFileW(temp_path.c_str());
    error = file_named(path) + L" cannot be written.";
  }
  return ok;
}

bool logo_missing(const WatermarkOptions& options) {
  return !options.logo_path.empty() && path_kind(options.logo_path) != PathKind::file;
}

}  // namespace orvane::engine
