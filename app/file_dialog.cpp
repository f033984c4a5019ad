#include "file_dialog.h"

#include <commdlg.h>

#include <filesystem>

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

// Asked of the system: the runtime's std::filesystem::absolute turns "\\?\C:\x" into "C:\?\C:\x".
std::wstring absolute_path(const std::wstring& path) { return engine::full_path(path); }

std::wstring file_name_of(const std::wstring& path) { return std::filesystem::path(path).filename().wstring(); }

}  // namespace orvane::app
