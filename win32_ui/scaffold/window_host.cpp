#include "scaffold/window_host.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "modern/panels/grid_panel.h"

namespace win32_ui::scaffold {

namespace {

constexpr UINT_PTR host_subclass_id = 0x574D4854;
constexpr float caption_dips = 44.0f;
constexpr float button_dips = 46.0f;
constexpr float icon_area_dips = 48.0f;

// DWM is optional: resolved at run time, and every call may fail without consequence.
using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
using GetAttribute = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
using DefProc = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM, LRESULT*);
using Flush = HRESULT(WINAPI*)();

template <typename F>
F dwm_function(const char* name) {
  static HMODULE module = LoadLibraryW(L"dwmapi.dll");
  return module == nullptr ? nullptr : reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

constexpr DWORD attribute_dark_old = 19;
constexpr DWORD attribute_dark = 20;
constexpr DWORD attribute_corner = 33;
constexpr DWORD attribute_border = 34;
constexpr DWORD attribute_caption = 35;
constexpr DWORD attribute_text = 36;
constexpr DWORD corner_round = 2;
constexpr DWORD colour_none = 0xFFFFFFFE;
constexpr DWORD colour_default = 0xFFFFFFFF;

float scale_for(HWND window, float ui_scale) {
  const UINT dpi = window != nullptr ? GetDpiForWindow(window) : 96;
  return static_cast<float>(dpi == 0 ? 96 : dpi) / 96.0f * ui_scale;
}

}  // namespace

class WindowHost::Impl {
 public:
  HWND window = nullptr;
  modern::Surface surface;
  modern::ThemeState theme;
  float ui_scale = 1.0f;
  float client_width = 640.0f;
  float client_height = 400.0f;
  float minimum_width = 0.0f;
  float minimum_height = 0.0f;
  float margin = 24.0f;
  ChromeMode chrome_mode = ChromeMode::system_frame;
  bool caption_removed = false;
  bool popup = false;  // a frameless pop-up window (menus, flyouts)
  bool nc_tracking = false;
  DWORD caption_bits = 0;
  DWORD border_colour = 0;
  bool border_read = false;
  std::function<CloseAction()> close_handler;
  std::function<void()> destroyed;
  std::function<void()> moved;
  std::function<void(bool)> resized;
  std::function<void(const modern::Palette&)> theme_changed;
  // The chrome views of the current content (owned by the surface's tree).
  modern::GridPanel* frame = nullptr;
  ChromeBarBackground* bar = nullptr;
  ChromeTitle* title = nullptr;
  ChromeCaptionButton* minimize = nullptr;
  ChromeCaptionButton* maximize = nullptr;
  ChromeCaptionButton* close = nullptr;

  [[nodiscard]] float scale() const { return scale_for(window, surface.ui_scale()); }

  [[nodiscard]] ChromeMetrics metrics() const {
    ChromeMetrics m;
    if (window == nullptr) return m;
    RECT client{};
    GetClientRect(window, &client);
    const float s = scale();
    const UINT dpi = GetDpiForWindow(window);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    m.width = client.right;
    m.height = client.bottom;
    m.caption_height = caption_removed ? static_cast<int>(std::lround(caption_dips * s)) : 0;
    m.resize_border = GetSystemMetricsForDpi(SM_CXPADDEDBORDER, dpi) + GetSystemMetricsForDpi(SM_CXSIZEFRAME, dpi);
    m.button_width = static_cast<int>(std::lround(button_dips * s));
    m.icon_width = chrome_mode == ChromeMode::custom_title_bar ? static_cast<int>(std::lround(icon_area_dips * s)) : 0;
    m.maximized = IsZoomed(window) != FALSE;
    m.resizable = (style & WS_THICKFRAME) != 0;
    m.minimizable = (style & WS_MINIMIZEBOX) != 0;
    m.maximizable = (style & WS_MAXIMIZEBOX) != 0;
    return m;
  }

  // The outer size of the window for a client size in DIPs.
  [[nodiscard]] SIZE window_size_for(float width, float height) const {
    const float s = scale();
    RECT r{0, 0, static_cast<LONG>(std::ceil(width * s)),
           static_cast<LONG>(std::ceil((height + (caption_removed ? caption_dips : 0.0f)) * s))};
    if (!caption_removed && chrome_mode != ChromeMode::borderless) {
      const UINT dpi = GetDpiForWindow(window);
      AdjustWindowRectExForDpi(&r, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                               static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)), dpi == 0 ? 96 : dpi);
    }
    return SIZE{r.right - r.left, r.bottom - r.top};
  }

  bool apply_dwm(bool at_once) {
    // The frame attributes (and the frame redraw and flush that apply them) belong to framed windows;
    // a pop-up has no frame, and waiting for the compositor would only delay every menu.
    if (popup) return false;
    const auto set = dwm_function<SetAttribute>("DwmSetWindowAttribute");
    if (set == nullptr || window == nullptr) return false;
    const modern::Palette& palette = surface.palette();
    bool any = false;
    const BOOL dark = palette.dark != 0;
    if (SUCCEEDED(set(window, attribute_dark, &dark, sizeof(dark)))) {
      any = true;
    } else {
      any = SUCCEEDED(set(window, attribute_dark_old, &dark, sizeof(dark))) || any;
    }
    const DWORD caption = palette.colors[modern::Palette::window_background];
    const DWORD text = palette.colors[modern::Palette::text];
    const DWORD border = palette.colors[modern::Palette::pressed_fill];
    const DWORD corner = corner_round;
    any = SUCCEEDED(set(window, attribute_caption, &caption, sizeof(caption))) || any;
    any = SUCCEEDED(set(window, attribute_text, &text, sizeof(text))) || any;
    if (!(chrome_mode == ChromeMode::borderless && caption_removed)) any = SUCCEEDED(set(window, attribute_border, &border, sizeof(border))) || any;
    any = SUCCEEDED(set(window, attribute_corner, &corner, sizeof(corner))) || any;
    if (at_once) {
      SetWindowPos(window, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE);
      if (const auto flush = dwm_function<Flush>("DwmFlush")) flush();
    }
    return any;
  }

  void set_caption(bool on) {
    if (window == nullptr || chrome_mode == ChromeMode::system_frame) return;
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    if (on) {
      SetWindowLongPtrW(window, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION));
    } else {
      SetWindowLongPtrW(window, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_CAPTION)) | caption_bits);
    }
    caption_removed = on;
    if (chrome_mode == ChromeMode::borderless) {
      if (const auto set = dwm_function<SetAttribute>("DwmSetWindowAttribute")) {
        const DWORD colour = on ? colour_none : (border_read ? border_colour : colour_default);
        set(window, attribute_border, &colour, sizeof(colour));
      }
    }
    update_bar();
    if (maximize != nullptr) maximize->set_external_hover(false);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // The title-bar row follows whether the custom caption is on.
  void update_bar() {
    if (frame == nullptr) return;
    std::vector<modern::TrackDefinition> rows{modern::TrackDefinition::fixed(caption_removed ? caption_dips : 0.0f),
                                              modern::TrackDefinition::star()};
    frame->set_rows(std::move(rows));
    for (modern::View* view : {static_cast<modern::View*>(bar), static_cast<modern::View*>(title),
                               static_cast<modern::View*>(minimize), static_cast<modern::View*>(maximize),
                               static_cast<modern::View*>(close)}) {
      if (view != nullptr) {
        view->set_visibility(caption_removed ? layout::Visibility::visible : layout::Visibility::collapsed);
      }
    }
  }

  void on_palette(const modern::Palette& palette) {
    surface.set_palette(palette);
    // High contrast keeps the system's own frame.
    if (chrome_mode == ChromeMode::custom_title_bar) set_caption(palette.high_contrast == 0);
    apply_dwm(true);
    if (theme_changed) theme_changed(palette);
  }

  LRESULT chrome_message(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
    handled = true;
    switch (message) {
      case WM_NCCALCSIZE:
        if (wparam == TRUE) return 0;
        break;
      case WM_NCPAINT:
        return 0;
      case WM_NCHITTEST: {
        if (const auto def = dwm_function<DefProc>("DwmDefWindowProc")) {
          LRESULT result = 0;
          if (def(window, message, wparam, lparam, &result) && result > HTCLIENT) {
            if (result != HTMAXBUTTON || metrics().maximizable) return result;
          }
        }
        POINT point{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        ScreenToClient(window, &point);
        return chrome_hit_test(metrics(), point.x, point.y);
      }
      case WM_NCACTIVATE:
        InvalidateRect(window, nullptr, FALSE);
        return DefSubclassProc(window, message, wparam, IsIconic(window) ? lparam : -1);
      case WM_ACTIVATE:
        InvalidateRect(window, nullptr, FALSE);
        break;
      case WM_SIZE:
        if (maximize != nullptr) maximize->refresh();
        break;
      case WM_SETTEXT: {
        const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
        if (title != nullptr) title->refresh();
        return result;
      }
      case WM_NCMOUSEMOVE:
        if (maximize != nullptr) maximize->set_external_hover(wparam == HTMAXBUTTON);
        if (!nc_tracking) {
          TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE | TME_NONCLIENT, window, 0};
          nc_tracking = TrackMouseEvent(&track) != FALSE;
        }
        break;
      case WM_NCMOUSELEAVE:
        nc_tracking = false;
        if (maximize != nullptr) maximize->set_external_hover(false);
        break;
      case WM_NCLBUTTONDOWN:
      case WM_NCLBUTTONDBLCLK:
        if (wparam == HTMAXBUTTON && metrics().maximizable) {
          PostMessageW(window, WM_SYSCOMMAND, IsZoomed(window) ? SC_RESTORE : SC_MAXIMIZE, 0);
          return 0;
        }
        break;
      default:
        break;
    }
    handled = false;
    return 0;
  }

  LRESULT message(UINT message, WPARAM wparam, LPARAM lparam) {
    if (caption_removed) {
      bool handled = false;
      const LRESULT result = chrome_message(message, wparam, lparam, handled);
      if (handled) return result;
    }
    switch (message) {
      case WM_SYSCOLORCHANGE:
      case WM_SETTINGCHANGE:
      case WM_THEMECHANGED: {
        const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
        if (theme.refresh()) on_palette(theme.palette());
        return result;
      }
      case WM_GETMINMAXINFO: {
        const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
        auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
        if (minimum_width > 0.0f || minimum_height > 0.0f) {
          const SIZE least = window_size_for(minimum_width, minimum_height);
          if (minimum_width > 0.0f) info->ptMinTrackSize.x = std::max(info->ptMinTrackSize.x, least.cx);
          if (minimum_height > 0.0f) info->ptMinTrackSize.y = std::max(info->ptMinTrackSize.y, least.cy);
        }
        if (caption_removed) {
          // Maximised, the frameless window fills the work area exactly, not the whole monitor.
          MONITORINFO monitor{};
          monitor.cbSize = sizeof(monitor);
          if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
            info->ptMaxPosition = POINT{monitor.rcWork.left - monitor.rcMonitor.left,
                                        monitor.rcWork.top - monitor.rcMonitor.top};
            info->ptMaxSize = POINT{monitor.rcWork.right - monitor.rcWork.left, monitor.rcWork.bottom - monitor.rcWork.top};
          }
        }
        return result;
      }
      case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lparam);
        if (suggested != nullptr) {
          SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return DefSubclassProc(window, message, wparam, lparam);
      }
      case WM_MOVE:
        if (moved) moved();
        break;
      case WM_SIZE:
        if (resized) resized(wparam == SIZE_MINIMIZED);
        break;
      case WM_CLOSE: {
        const CloseAction action = close_handler ? close_handler() : CloseAction::destroy;
        if (action == CloseAction::destroy) {
          DestroyWindow(window);
        } else if (action == CloseAction::hide) {
          ShowWindow(window, SW_HIDE);
        }
        return 0;
      }
      case WM_DESTROY:
        if (destroyed) {
          const auto callback = destroyed;
          destroyed = nullptr;  // once per window
          callback();
        }
        break;
      default:
        break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
  }

  static LRESULT CALLBACK subclass_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                        DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<Impl*>(data);
    if (message == WM_NCDESTROY) {
      RemoveWindowSubclass(hwnd, &Impl::subclass_proc, host_subclass_id);
      self->window = nullptr;
      self->caption_removed = false;
      return DefSubclassProc(hwnd, message, wparam, lparam);
    }
    try {
      return self->message(message, wparam, lparam);
    } catch (...) {
      return DefSubclassProc(hwnd, message, wparam, lparam);
    }
  }
};

WindowHost::WindowHost() : impl_(std::make_unique<Impl>()) {}

WindowHost::~WindowHost() { detach(); }

bool WindowHost::attach(HWND window, modern::ThemeMode mode, std::uint32_t accent) {
  Impl& d = *impl_;
  if (window == nullptr || !IsWindow(window)) return false;
  detach();
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  // Custom chrome belongs to top-level windows with a caption and a system menu.
  if ((style & WS_CHILD) != 0) return false;
  if (d.chrome_mode == ChromeMode::custom_title_bar && ((style & WS_CAPTION) != WS_CAPTION || (style & WS_SYSMENU) == 0)) d.chrome_mode = ChromeMode::system_frame;
  d.theme = modern::ThemeState(mode, accent);
  d.window = window;
  d.caption_bits = static_cast<DWORD>(style & WS_CAPTION);
  d.popup = (style & WS_POPUP) != 0 && (style & WS_CAPTION) == 0;
  if (const auto get = dwm_function<GetAttribute>("DwmGetWindowAttribute")) {
    d.border_read = SUCCEEDED(get(window, attribute_border, &d.border_colour, sizeof(d.border_colour)));
  }
  if (!SetWindowSubclass(window, &Impl::subclass_proc, host_subclass_id, reinterpret_cast<DWORD_PTR>(&d))) {
    d.window = nullptr;
    return false;
  }
  d.surface.set_ui_scale(d.ui_scale);
  if (!d.surface.attach(window, d.theme.palette())) {
    RemoveWindowSubclass(window, &Impl::subclass_proc, host_subclass_id);
    d.window = nullptr;
    return false;
  }
  if (d.chrome_mode == ChromeMode::borderless || (d.chrome_mode == ChromeMode::custom_title_bar && d.theme.palette().high_contrast == 0)) d.set_caption(true);
  d.apply_dwm(false);
  return true;
}

void WindowHost::detach() {
  Impl& d = *impl_;
  if (d.window != nullptr && IsWindow(d.window)) {
    if (d.caption_removed) d.set_caption(false);
    RemoveWindowSubclass(d.window, &Impl::subclass_proc, host_subclass_id);
  }
  d.surface.detach();
  d.window = nullptr;
  d.caption_removed = false;
}

HWND WindowHost::window() const noexcept { return impl_->window; }
modern::Surface& WindowHost::surface() noexcept { return impl_->surface; }
const modern::ThemeState& WindowHost::theme() const noexcept { return impl_->theme; }

void WindowHost::set_content(std::unique_ptr<modern::View> content) {
  Impl& d = *impl_;
  d.frame = nullptr;
  d.bar = nullptr;
  d.title = nullptr;
  d.minimize = d.maximize = d.close = nullptr;
  if (content == nullptr || d.chrome_mode == ChromeMode::borderless || d.window == nullptr) {
    d.surface.set_root(std::move(content));
    return;
  }
  const LONG_PTR style = GetWindowLongPtrW(d.window, GWL_STYLE);
  std::vector<CaptionAction> buttons;
  if (style & WS_MINIMIZEBOX) buttons.push_back(CaptionAction::minimize);
  if (style & WS_MAXIMIZEBOX) buttons.push_back(CaptionAction::maximize);
  buttons.push_back(CaptionAction::close);
  std::vector<modern::TrackDefinition> columns{modern::TrackDefinition::star()};
  for (std::size_t i = 0; i < buttons.size(); ++i) columns.push_back(modern::TrackDefinition::fixed(button_dips));
  auto frame = std::make_unique<modern::GridPanel>(std::move(columns), std::vector<modern::TrackDefinition>{});
  const auto span = static_cast<std::uint32_t>(buttons.size() + 1);
  d.bar = static_cast<ChromeBarBackground*>(frame->add(std::make_unique<ChromeBarBackground>(), {0, 0, span, 1}));
  auto title = std::make_unique<ChromeTitle>(d.window);
  layout::LayoutParams p = title->layout();
  p.min_height = caption_dips;
  title->set_layout(p);
  d.title = static_cast<ChromeTitle*>(frame->add(std::move(title), {0, 0, 1, 1}));
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    auto* button = static_cast<ChromeCaptionButton*>(frame->add(std::make_unique<ChromeCaptionButton>(d.window, buttons[i]),
                                                                 {static_cast<std::uint32_t>(i + 1), 0, 1, 1}));
    if (buttons[i] == CaptionAction::minimize) d.minimize = button;
    if (buttons[i] == CaptionAction::maximize) d.maximize = button;
    if (buttons[i] == CaptionAction::close) d.close = button;
  }
  frame->add(std::move(content), {0, 1, span, 1});
  d.frame = frame.get();
  d.update_bar();
  d.surface.set_root(std::move(frame));
}

void WindowHost::set_theme_mode(modern::ThemeMode mode) {
  if (impl_->theme.set_mode(mode) && impl_->window != nullptr) impl_->on_palette(impl_->theme.palette());
}

void WindowHost::apply_palette(const modern::Palette& palette) {
  Impl& d = *impl_;
  if (d.window == nullptr || d.surface.palette() == palette) return;
  d.surface.set_palette(palette);
  if (d.chrome_mode == ChromeMode::custom_title_bar) d.set_caption(palette.high_contrast == 0);
  d.apply_dwm(true);
}

void WindowHost::set_ui_scale(float scale) {
  impl_->ui_scale = scale;
  impl_->surface.set_ui_scale(scale);
}
void WindowHost::set_client_size(float width, float height) {
  impl_->client_width = width;
  impl_->client_height = height;
}
void WindowHost::set_minimum_client_size(float width, float height) {
  impl_->minimum_width = std::isfinite(width) ? std::max(0.0f, width) : 0.0f;
  impl_->minimum_height = std::isfinite(height) ? std::max(0.0f, height) : 0.0f;
}
void WindowHost::set_margin(float margin) { impl_->margin = std::isfinite(margin) && margin > 0.0f ? margin : 0.0f; }
void WindowHost::set_chrome_mode(ChromeMode mode) {
  if (impl_->window != nullptr) return;
  impl_->chrome_mode =
      (mode == ChromeMode::custom_title_bar || mode == ChromeMode::borderless) ? mode : ChromeMode::system_frame;
}
ChromeMode WindowHost::chrome_mode() const noexcept { return impl_->chrome_mode; }
bool WindowHost::custom_caption() const noexcept { return impl_->caption_removed; }

void WindowHost::set_close_handler(std::function<CloseAction()> handler) { impl_->close_handler = std::move(handler); }
CloseAction WindowHost::close_action() const {
  return impl_->close_handler ? impl_->close_handler() : CloseAction::destroy;
}
void WindowHost::on_destroyed(std::function<void()> callback) { impl_->destroyed = std::move(callback); }
void WindowHost::on_moved(std::function<void()> callback) { impl_->moved = std::move(callback); }
void WindowHost::on_resized(std::function<void(bool)> callback) { impl_->resized = std::move(callback); }
void WindowHost::on_theme_changed(std::function<void(const modern::Palette&)> callback) {
  impl_->theme_changed = std::move(callback);
}

bool WindowHost::size_and_centre(HWND reference, bool centre) {
  Impl& d = *impl_;
  if (d.window == nullptr) return false;
  const SIZE size = d.window_size_for(d.client_width, d.client_height);
  HMONITOR monitor = MonitorFromWindow(reference != nullptr ? reference : d.window, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return false;
  const RECT work = info.rcWork;
  // The margin is in DIPs; the work area in pixels.
  const auto margin = static_cast<LONG>(std::lround(d.margin * d.scale()));
  const LONG width = std::max<LONG>(1, std::min<LONG>(size.cx, work.right - work.left - 2 * margin));
  const LONG height = std::max<LONG>(1, std::min<LONG>(size.cy, work.bottom - work.top - 2 * margin));
  RECT current{};
  GetWindowRect(d.window, &current);
  LONG x = current.left;
  LONG y = current.top;
  if (centre) {
    // A window larger than the work area (its minimum size wins) keeps its title bar on the screen.
    x = std::max(work.left, work.left + (work.right - work.left - width) / 2);
    y = std::max(work.top, work.top + (work.bottom - work.top - height) / 2);
  }
  return SetWindowPos(d.window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

ChromeMetrics WindowHost::metrics() const { return impl_->metrics(); }

ChromeCaptionButton* WindowHost::caption_button(CaptionAction action) const noexcept {
  switch (action) {
    case CaptionAction::minimize: return impl_->minimize;
    case CaptionAction::maximize: return impl_->maximize;
    case CaptionAction::close: return impl_->close;
  }
  return nullptr;
}

ChromeTitle* WindowHost::title() const noexcept { return impl_->title; }

}  // namespace win32_ui::scaffold
