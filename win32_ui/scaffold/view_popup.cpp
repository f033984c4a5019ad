#include "scaffold/view_popup.h"

#include <windows.h>

#include <commctrl.h>

#include <shellscalingapi.h>

#include <algorithm>
#include <cmath>

namespace win32_ui::scaffold {

namespace {

constexpr wchar_t popup_class[] = L"Win32UiViewPopup";
// A press on the anchor counts for the click that follows it only this long.
constexpr unsigned long anchor_click_window_ms = 5000;
constexpr UINT_PTR owner_subclass_id = 0x56504F57;

bool register_class(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(instance, popup_class, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DROPSHADOW;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = popup_class;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

UINT monitor_dpi(HMONITOR monitor, HWND owner) {
  using GetDpi = HRESULT(WINAPI*)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*);
  static const auto get_dpi = reinterpret_cast<GetDpi>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"shcore.dll"), "GetDpiForMonitor")));
  UINT x = 0;
  UINT y = 0;
  if (get_dpi != nullptr && SUCCEEDED(get_dpi(monitor, MDT_EFFECTIVE_DPI, &x, &y)) && x != 0) return x;
  const UINT own = GetDpiForWindow(owner);
  return own != 0 ? own : 96;
}

}  // namespace

PopupPlacement place_popup(const RECT& anchor, const RECT& work, float width, float height, float scale,
                           bool align_end) noexcept {
  PopupPlacement p;
  const int work_width = std::max<LONG>(1, work.right - work.left);
  const int work_height = std::max<LONG>(1, work.bottom - work.top);
  p.width = std::max(1, std::min(work_width, static_cast<int>(std::ceil(std::max(1.0f, width) * scale))));
  p.height = std::max(1, std::min(work_height, static_cast<int>(std::ceil(std::max(1.0f, height) * scale))));
  const int gap = std::max(1, static_cast<int>(std::lround(4.0f * scale)));
  p.x = align_end ? anchor.right - p.width : anchor.left;
  p.x = std::clamp(p.x, static_cast<int>(work.left), static_cast<int>(work.right) - p.width);
  p.y = anchor.bottom + gap;
  const int above = anchor.top - gap - p.height;
  if (p.y + p.height > work.bottom && above >= work.top) p.y = above;
  p.y = std::clamp(p.y, static_cast<int>(work.top), static_cast<int>(work.bottom) - p.height);
  return p;
}

ViewPopup::ViewPopup() = default;

ViewPopup::~ViewPopup() {
  disarm_anchor_dismissal();
  close(false);
}

bool ViewPopup::show(HWND owner, const RECT& anchor, std::unique_ptr<modern::View> content,
                     const PopupOptions& options) {
  const float ui_scale = options.ui_scale;
  const modern::Palette& palette = options.palette;
  const bool topmost = options.topmost;
  // 1. One pop-up per object.
  close(false);
  disarm_anchor_dismissal();
  // 2. A live owner and something to show.
  if (owner == nullptr || !IsWindow(owner) || content == nullptr) return false;
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
  if (!register_class(instance, reinterpret_cast<WNDPROC>(&ViewPopup::window_proc))) return false;
  // 3. The anchor's monitor decides work area and scale.
  HMONITOR monitor = MonitorFromRect(&anchor, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return false;
  const float scale = static_cast<float>(monitor_dpi(monitor, owner)) / 96.0f * ui_scale;
  const PopupPlacement place = place_popup(anchor, info.rcWork, options.width, options.height, scale, options.align_end);
  // 4. The window, rounded.
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | (topmost ? WS_EX_TOPMOST : 0), popup_class, L"",
                                WS_POPUP | WS_CLIPCHILDREN, place.x, place.y, place.width, place.height, owner, nullptr,
                                instance, this);
  if (window == nullptr) return false;
  int diameter = static_cast<int>(std::lround(2.0f * 10.0f * scale));
  if (diameter < 3) diameter = 2;
  // The system owns the region once it is set.
  SetWindowRgn(window, CreateRoundRectRgn(0, 0, place.width + 1, place.height + 1, diameter, diameter), FALSE);
  // 5. The tree.
  host_.set_ui_scale(ui_scale);
  if (!host_.attach(window, palette.dark ? modern::ThemeMode::dark : modern::ThemeMode::light, modern::default_accent)) {
    DestroyWindow(window);
    return false;
  }
  host_.apply_palette(palette);
  owner_ = owner;
  anchor_left_ = anchor.left;
  anchor_top_ = anchor.top;
  anchor_right_ = anchor.right;
  anchor_bottom_ = anchor.bottom;
  host_.surface().set_root(std::move(content));
  // Every close, the system's and other programs' too, goes through close() and its focus hand-back.
  host_.set_close_handler([this] {
    close(true);
    return CloseAction::keep;
  });
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  SetForegroundWindow(window);
  // However it was opened (a click, a key, an automation invoke), an active pop-up takes the keys.
  if (GetActiveWindow() == window && GetFocus() != window) SetFocus(window);
  if (topmost) SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return true;
}

void ViewPopup::close(bool restore_focus) {
  if (window_ == nullptr) return;
  HWND window = window_;
  HWND owner = owner_;
  const bool foreground = GetForegroundWindow() == window;
  DestroyWindow(window);
  if (restore_focus && foreground && owner != nullptr && IsWindow(owner)) {
    SetForegroundWindow(owner);
    SetFocus(owner);
  }
}

void ViewPopup::request_close() {
  if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
}

void ViewPopup::arm_anchor_dismissal(HWND owner) {
  disarm_anchor_dismissal();
  if (owner == nullptr || !IsWindow(owner)) return;
  if (!SetWindowSubclass(owner, &ViewPopup::owner_proc, owner_subclass_id, reinterpret_cast<DWORD_PTR>(this))) return;
  anchor_dismissal_ = true;
  anchor_released_ = false;
  dismissed_at_ = GetTickCount();
  watched_owner_ = owner;
}

void ViewPopup::disarm_anchor_dismissal() {
  anchor_dismissal_ = false;
  if (watched_owner_ != nullptr && IsWindow(watched_owner_)) {
    RemoveWindowSubclass(watched_owner_, &ViewPopup::owner_proc, owner_subclass_id);
  }
  watched_owner_ = nullptr;
}

bool ViewPopup::on_anchor() const {
  POINT cursor{};
  GetCursorPos(&cursor);
  return cursor.x >= anchor_left_ && cursor.x < anchor_right_ && cursor.y >= anchor_top_ && cursor.y < anchor_bottom_;
}

std::intptr_t __stdcall ViewPopup::owner_proc(HWND window, unsigned message, std::uintptr_t wparam, std::intptr_t lparam,
                                              std::uintptr_t, std::uintptr_t data) noexcept {
  // Watches the owner's pointer input while an anchor dismissal is armed: only the release of the press
  // that dismissed the pop-up, over the anchor, may keep it for the click that follows.
  auto* self = reinterpret_cast<ViewPopup*>(data);
  switch (message) {
    case WM_LBUTTONUP:
    case WM_POINTERUP:
      if (self->anchor_released_ || !self->on_anchor()) {
        self->disarm_anchor_dismissal();
      } else {
        self->anchor_released_ = true;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_POINTERDOWN:
      if (self->anchor_released_) self->disarm_anchor_dismissal();
      break;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_NCDESTROY:
      self->disarm_anchor_dismissal();
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

bool ViewPopup::is_visible() const { return window_ != nullptr && IsWindowVisible(window_) != FALSE; }

void ViewPopup::set_title(const std::wstring& title) {
  if (window_ == nullptr) return;
  SetWindowTextW(window_, title.c_str());
  // The automation root takes its name from the window text.
  host_.surface().view_root().notify_semantics_changed();
}

bool ViewPopup::take_anchor_dismissal() {
  const bool recent = anchor_dismissal_ && GetTickCount() - dismissed_at_ < anchor_click_window_ms;
  disarm_anchor_dismissal();
  return recent;
}

std::intptr_t __stdcall ViewPopup::window_proc(HWND window, unsigned message, std::uintptr_t wparam,
                                               std::intptr_t lparam) noexcept {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<ViewPopup*>(reinterpret_cast<const CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self != nullptr) self->window_ = window;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  auto* self = reinterpret_cast<ViewPopup*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  try {
    return self->message(window, message, wparam, lparam);
  } catch (...) {
    // Nothing unwinds into the system's dispatcher.
    return DefWindowProcW(window, message, wparam, lparam);
  }
}

std::intptr_t ViewPopup::message(HWND window, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
  ViewPopup* const self = this;
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        // A press on the anchor is what takes activation away when the user clicks the menu's own
        // button: remember it, so that click closes the menu instead of opening it again.
        if (self->on_anchor() && (GetKeyState(VK_LBUTTON) < 0 || GetAsyncKeyState(VK_LBUTTON) < 0)) {
          self->arm_anchor_dismissal(self->owner_);
        }
        PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
      }
      // Activation goes on to the default handling, which gives the pop-up keyboard focus.
      break;
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_DPICHANGED:
      PostMessageW(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_NCDESTROY:
      self->host_.detach();
      self->window_ = nullptr;
      self->owner_ = nullptr;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void PopupHolder::toggle(HWND owner, const RECT& anchor, const std::function<std::unique_ptr<modern::View>()>& build,
                         const PopupOptions& options) {
  if (popup_ != nullptr) {
    if (popup_->is_visible()) {
      popup_->close(true);
      return;
    }
    if (popup_->take_anchor_dismissal()) return;  // this click already closed it
  } else {
    popup_ = std::make_unique<ViewPopup>();
  }
  if (build) popup_->show(owner, anchor, build(), options);
}

void PopupHolder::close() {
  if (popup_ != nullptr) popup_->close(false);
}

}  // namespace win32_ui::scaffold
