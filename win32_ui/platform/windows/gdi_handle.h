#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace win32_ui::platform {

// Deletes any GDI object (font, brush, region, bitmap) when its owner goes.
struct GdiObjectDeleter {
  void operator()(void* object) const noexcept {
    if (object != nullptr) DeleteObject(static_cast<HGDIOBJ>(object));
  }
};

// Sole owner of one GDI object; `T` is the handle type (HFONT, HBRUSH, HRGN, ...).
template <typename T>
using GdiObject = std::unique_ptr<std::remove_pointer_t<T>, GdiObjectDeleter>;

// Destroys a window when its owner goes.
struct WindowDeleter {
  void operator()(HWND window) const noexcept {
    if (window != nullptr && IsWindow(window)) DestroyWindow(window);
  }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

// Whether the program runs under Wine (its ntdll exports wine_get_version).
[[nodiscard]] bool running_under_wine() noexcept;

}  // namespace win32_ui::platform
