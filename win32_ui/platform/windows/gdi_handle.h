#pragma once

// Owners of the Windows handles the UI acquires: GDI objects and device contexts, windows, icons,
// kernel objects and a thread's COM apartment. Each is released where its owner goes.

#include <windows.h>

#include <objbase.h>

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

// Destroys an icon loaded or made by the program (never a shared one) when its owner goes.
struct IconDeleter {
  void operator()(HICON icon) const noexcept {
    if (icon != nullptr) DestroyIcon(icon);
  }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// Closes a kernel object (event, thread, ...) when its owner goes.
struct KernelHandleCloser {
  void operator()(HANDLE handle) const noexcept {
    if (handle != nullptr) CloseHandle(handle);
  }
};
using KernelHandle = std::unique_ptr<void, KernelHandleCloser>;

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

// Which part of a window a WindowDc draws on.
enum class DcArea { client, whole_window };

// A window's (or, for null, the screen's) device context: GetDC (GetWindowDC for the whole window,
// frame included) on construction, ReleaseDC when it goes.
class WindowDc {
 public:
  explicit WindowDc(HWND window, DcArea area = DcArea::client) noexcept
      : window_(window), dc_(area == DcArea::whole_window ? GetWindowDC(window) : GetDC(window)) {}
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

// A memory device context compatible with another DC (or, for null, the screen): CreateCompatibleDC on
// construction, DeleteDC when it goes.
class MemoryDc {
 public:
  explicit MemoryDc(HDC compatible_with) noexcept : dc_(CreateCompatibleDC(compatible_with)) {}
  ~MemoryDc() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  [[nodiscard]] HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HDC dc_;
};

// Selects an object into a DC and selects the one it replaced back when it goes; a selection that
// failed puts nothing back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(dc != nullptr && object != nullptr ? SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (ok()) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

  // Whether the object went in.
  [[nodiscard]] bool ok() const noexcept { return previous_ != nullptr && previous_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The calling thread in a COM apartment of the given model for one scope (CoInitializeEx); it leaves
// again when the owner goes, only when joining succeeded.
class ComApartment {
 public:
  explicit ComApartment(DWORD model) noexcept : result_(CoInitializeEx(nullptr, model)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

// Whether the program runs under Wine (its ntdll exports wine_get_version).
[[nodiscard]] bool running_under_wine() noexcept;

}  // namespace win32_ui::platform
