#include "image_file.h"

#include "file_identity.h"
#include "file_system.h"
#include "image_header.h"
#include "image_size_limit.h"

namespace orvane::engine {
namespace {

// Owns a file handle.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) noexcept : handle_(handle) {}
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  [[nodiscard]] bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  [[nodiscard]] HANDLE get() const noexcept { return handle_; }

 private:
  HANDLE handle_;
};

FileHandle open_for_identity(const std::wstring& path) {
  // No access rights are needed to read a file's identity; share everything so nothing is blocked.
  return FileHandle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::wstring folder_of(const std::wstring& full) {
  const auto slash = full.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : full.substr(0, slash + 1);
}

}  // namespace

gdiplus::BitmapPtr decode_image_file(const std::wstring& path) {
  // A tiny file can claim enormous dimensions; decoding it first would take the memory it claims.
  if (auto dims = read_image_dimensions(path); dims && !image_size_acceptable(dims->width, dims->height)) {
    return nullptr;
  }
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (gdiplus::flat::GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok || bitmap == nullptr) {
    return nullptr;
  }
  gdiplus::BitmapPtr owned(bitmap);
  const auto size = gdiplus::image_size(owned.get());
  if (size.width != 0 && size.height != 0 && !image_size_acceptable(size.width, size.height)) return nullptr;
  return owned;
}

bool same_file(const std::wstring& a, const std::wstring& b) {
  const std::wstring full_a = full_path(a), full_b = full_path(b);
  if (CompareStringOrdinal(full_a.c_str(), static_cast<int>(full_a.size()), full_b.c_str(),
                           static_cast<int>(full_b.size()), TRUE) == CSTR_EQUAL) {
    return true;
  }
  FileHandle first = open_for_identity(a);
  if (!first.valid()) return false;
  FileHandle second = open_for_identity(b);
  if (!second.valid()) return false;
  BY_HANDLE_FILE_INFORMATION info_a{}, info_b{};
  if (!GetFileInformationByHandle(first.get(), &info_a) || !GetFileInformationByHandle(second.get(), &info_b)) {
    return false;
  }
  return info_a.dwVolumeSerialNumber == info_b.dwVolumeSerialNumber && info_a.nFileIndexHigh == info_b.nFileIndexHigh &&
         info_a.nFileIndexLow == info_b.nFileIndexLow;
}

bool save_image_replacing(Gdiplus::GpImage* image, const std::wstring& path, const CLSID& encoder,
                          const Gdiplus::EncoderParameters* parameters,
                          const std::function<bool(const std::wstring&)>& amend) {
  // A read-only destination is refused the way Windows refuses to replace it (Wine would not).
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    return false;
  }
  // The temporary file lives in the output's folder so the final move stays on one volume.
  std::wstring temp_path;
  if (!create_unique_file(folder_of(full_path(path)), temp_path)) return false;
  bool ok = gdiplus::flat::GdipSaveImageToFile(image, temp_path.c_str(), &encoder, parameters) == Gdiplus::Ok;
  if (ok && amend) ok = amend(temp_path);
  if (ok) ok = MoveFileExW(temp_path.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) DeleteFileW(temp_path.c_str());
  return ok;
}

}  // namespace orvane::engine
