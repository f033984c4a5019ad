#include "scaffold/window.h"

#include <windows.h>

#include "scaffold/application.h"

namespace win32_ui::scaffold {

namespace {

constexpr wchar_t window_class[] = L"Win32UiScaffoldWindow_v1";

bool register_class(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(instance, window_class, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hIconSm = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = window_class;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

Window::Window(Application& application) : application_(application) {}

Window::~Window() { destroy(); }

bool Window::create(const WindowOptions& options) {
  if (window_ != nullptr) return false;
  HINSTANCE instance = options.instance != nullptr ? options.instance : GetModuleHandleW(nullptr);
  if (!register_class(instance, reinterpret_cast<WNDPROC>(&Window::window_proc))) return false;
  host_.set_ui_scale(options.ui_scale);
  host_.set_client_size(options.client_width, options.client_height);
  host_.set_minimum_client_size(options.minimum_client_width, options.minimum_client_height);
  host_.set_margin(options.margin);
  host_.set_chrome_mode(options.chrome_mode);
  const std::wstring title =
      options.localized_title ? application_.localization().resolve(*options.localized_title) : options.title;
  // A window centred on another (a dialog on its owner) is made on that window's monitor: it is then sized
  // at that monitor's DPI, not at the DPI of wherever the default position is, which would leave it
  // off-centre once the move to its place rescaled it.
  const HWND reference = options.centring_reference != nullptr ? options.centring_reference : options.parent;
  int x = CW_USEDEFAULT;
  int y = CW_USEDEFAULT;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (options.centre && reference != nullptr &&
      GetMonitorInfoW(MonitorFromWindow(reference, MONITOR_DEFAULTTONEAREST), &monitor)) {
    x = monitor.rcWork.left;
    y = monitor.rcWork.top;
  }
  HWND window = CreateWindowExW(options.extended_style, window_class, title.c_str(), options.style, x, y, 640, 480,
                                options.parent, nullptr, instance, this);
  if (window == nullptr) return false;
  if (!host_.attach(window, application_.theme().mode(), application_.accent())) {
    DestroyWindow(window);
    return false;
  }
  host_.on_theme_changed([this](const modern::Palette&) { application_.system_theme_changed(); });
  host_.surface().set_localization(application_.localization());
  if (options.icon != nullptr) {
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(options.icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(options.icon));
  }
  application_.add_window(*this);
  if (options.centre) {
    host_.size_and_centre(options.centring_reference != nullptr ? options.centring_reference : options.parent, true);
  }
  created_ = true;
  return true;
}

void Window::show(int command) {
  if (window_ == nullptr || !IsWindow(window_)) return;
  ShowWindow(window_, command);
  UpdateWindow(window_);
}

void Window::hide() {
  if (window_ != nullptr && IsWindow(window_)) ShowWindow(window_, SW_HIDE);
}

void Window::destroy() {
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
}

std::intptr_t __stdcall Window::window_proc(HWND window, unsigned message, std::uintptr_t wparam,
                                            std::intptr_t lparam) noexcept {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* self = static_cast<Window*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self != nullptr) self->window_ = window;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  try {
    switch (message) {
      case WM_DESTROY:
        self->created_ = false;
        break;
      case WM_NCDESTROY:
        self->host_.detach();
        self->application_.remove_window(*self);
        self->created_ = false;
        self->window_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
      default:
        break;
    }
  } catch (...) {
    // Nothing unwinds into the system's dispatcher.
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace win32_ui::scaffold
