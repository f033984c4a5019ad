#include "file_dialog.h"

#include <commdlg.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cwchar>
#include <filesystem>
#include <memory>

#include "file_identity.h"

namespace orvane::app {

std::wstring filter_list(const std::vector<std::pair<std::wstring, std::wstring>>& entries) {
  std::wstring list;
  for (const auto& [text, pattern] : entries) {
    list += text;
    list.push_back(L'\0');
    list += pattern;
    list.push_back(L'\0');
  }
  list.push_back(L'\0');
  return list;
}

bool run_file_dialog(HWND owner, const std::wstring& title, const std::wstring& filters, std::vector<wchar_t>& buffer,
                     const wchar_t* default_extension, DWORD flags, bool save) {
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filters.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrDefExt = default_extension;
  dialog.Flags = flags;
  return (save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)) != FALSE;
}

std::vector<std::wstring> chosen_files(const std::vector<wchar_t>& buffer) {
  std::vector<std::wstring> parts;
  std::size_t at = 0;
  while (at < buffer.size() && buffer[at] != L'\0') {
    const wchar_t* part = buffer.data() + at;
    const std::size_t length = std::wcslen(part);
    parts.emplace_back(part, length);
    at += length + 1;
  }
  if (parts.size() <= 1) return parts;
  // A folder, then the names chosen in it.
  std::vector<std::wstring> files;
  const std::filesystem::path folder(parts.front());
  for (std::size_t i = 1; i < parts.size(); ++i) files.push_back((folder / parts[i]).wstring());
  return files;
}

std::wstring choose_folder(HWND owner, const std::wstring& title, const std::wstring& start) {
  using Microsoft::WRL::ComPtr;
  ComPtr<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog)))) return {};
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR);
  dialog->SetTitle(title.c_str());
  if (!start.empty()) {
    ComPtr<IShellItem> folder;
    if (SUCCEEDED(SHCreateItemFromParsingName(start.c_str(), nullptr, IID_PPV_ARGS(&folder)))) dialog->SetFolder(folder.Get());
  }
  if (FAILED(dialog->Show(owner))) return {};
  ComPtr<IShellItem> chosen;
  if (FAILED(dialog->GetResult(&chosen))) return {};
  PWSTR path = nullptr;
  if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)) || path == nullptr) return {};
  const std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owned(path, &CoTaskMemFree);
  return std::wstring(path);
}

// Asked of the system: the runtime's std::filesystem::absolute turns "\\?\C:\x" into "C:\?\C:\x".
std::wstring absolute_path(const std::wstring& path) { return engine::full_path(path); }

std::wstring file_name_of(const std::wstring& path) { return std::filesystem::path(path).filename().wstring(); }

}  // namespace orvane::app
