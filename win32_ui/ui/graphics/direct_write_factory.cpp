#include "ui/graphics/direct_write_factory.h"

#include <windows.h>

#include <dwrite.h>

#include <mutex>

namespace win32_ui::ui::graphics {

IDWriteFactory* direct_write_factory() noexcept {
  static std::once_flag once;
  static IDWriteFactory* factory = nullptr;
  std::call_once(once, [] {
    // Loaded by name so that a system without DirectWrite still runs, measuring with GDI.
    HMODULE module = LoadLibraryW(L"dwrite.dll");
    if (module == nullptr) return;
    using CreateFactory = HRESULT(WINAPI*)(DWRITE_FACTORY_TYPE, REFIID, IUnknown**);
    const auto create = reinterpret_cast<CreateFactory>(
        reinterpret_cast<void*>(GetProcAddress(module, "DWriteCreateFactory")));
    if (create == nullptr) return;
    IUnknown* created = nullptr;
    if (SUCCEEDED(create(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory), &created))) {
      factory = static_cast<IDWriteFactory*>(created);
    }
  });
  return factory;
}

std::size_t direct_write_max_text_length() noexcept {
  static const std::size_t limit = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const bool wine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    return wine ? std::size_t{65536} : std::size_t{0xFFFFFFFF};
  }();
  return limit;
}

}  // namespace win32_ui::ui::graphics
