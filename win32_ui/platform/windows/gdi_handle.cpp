#include "platform/windows/gdi_handle.h"

namespace win32_ui::platform {

bool running_under_wine() noexcept {
  static const bool wine = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

}  // namespace win32_ui::platform
