// A window that shows the toolkit by eye: the widget gallery and native controls on a real surface,
// with the light and dark palettes a click away. Built with the rest, never installed.

#include <windows.h>

#include <commctrl.h>

#include <cmath>
#include <memory>

#include "demo_content.h"
#include "modern/surface.h"
#include "theme/theme.h"

namespace {

using namespace win32_ui;

constexpr wchar_t window_class[] = L"Win32UiSurfaceDemo";

void make_dpi_aware() {
  // Optional: older systems and Wine may refuse, which only costs sharpness.
  using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
  const auto set_context = reinterpret_cast<SetContext>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
  if (set_context != nullptr) set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  make_dpi_aware();
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.lpszClassName = window_class;
  if (RegisterClassExW(&wc) == 0) return 1;

  const UINT dpi = GetDpiForSystem();
  RECT frame{0, 0, static_cast<LONG>(std::lround(gallery::demo_width * dpi / 96.0f)),
             static_cast<LONG>(std::lround(gallery::demo_height * dpi / 96.0f))};
  AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0, dpi);
  HWND window = CreateWindowExW(0, window_class, L"win32_ui surface demo", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;

  modern::ThemeState theme;
  modern::Surface surface;
  if (!surface.attach(window, theme.palette())) return 1;
  gallery::DemoContent content = gallery::build_demo_content([&](bool dark) {
    theme.set_mode(dark ? modern::ThemeMode::dark : modern::ThemeMode::light);
    surface.set_palette(theme.palette());
  });
  surface.set_root(std::move(content.root));
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  surface.detach();
  return static_cast<int>(message.wParam);
}
