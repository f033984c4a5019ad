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

// The paint scope of one WM_PAINT: BeginPaint on construction, EndPaint when it goes.
class PaintDc {
 public:
  explicit PaintDc(HWND window) noexcept : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintDc() {
    if (dc_ != nullptr) EndPaint(window_, &paint_);
  }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;

  [[nodiscard]] HDC get() const noexcept { return dc_; }
  [[nodiscard]] const RECT& update_rect() const noexcept { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// A window's (or, for null, the screen's) device context: GetDC on construction, ReleaseDC when it goes.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  [[nodiscard]] HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and selects the one it replaced back when it goes.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(dc != nullptr && object != nullptr ? SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Whether the program runs under Wine (its ntdll exports wine_get_version).
[[nodiscard]] bool running_under_wine() noexcept;

}  // namespace win32_ui::platform
