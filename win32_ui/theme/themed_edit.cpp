#include "theme/themed_edit.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/windows/gdi_handle.h"

namespace win32_ui::modern {

namespace {

// Finds the state of an already themed edit (the import libraries lack GetWindowSubclass).
constexpr const wchar_t* state_property = L"win32_ui.ThemedEdit";

struct EditState {
  Palette palette;
  ThemedEditOptions options;
};

UINT window_dpi(HWND window) noexcept {
  const UINT dpi = GetDpiForWindow(window);
  return dpi == 0 ? 96u : dpi;
}

int scaled(float dips, UINT dpi) noexcept {
  const float pixels = dips * static_cast<float>(dpi) / 96.0f;
  return std::isfinite(pixels) ? std::max(0, static_cast<int>(std::lround(pixels))) : 0;
}

void apply_margins(HWND edit, const EditState& state) {
  const UINT dpi = window_dpi(edit);
  SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
               MAKELPARAM(scaled(state.options.left_margin, dpi), scaled(state.options.right_margin, dpi)));
}

void change_frame(HWND edit) {
  SetWindowPos(edit, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

// The field's non-client area: field background inside a rounded 1-pixel outline, the window
// background outside its corners.
void paint_border(HWND edit, const EditState& state) {
  const platform::WindowDc window_dc(edit, platform::DcArea::whole_window);
  const HDC dc = window_dc.get();
  if (dc == nullptr) return;
  RECT window{};
  GetWindowRect(edit, &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  POINT client_origin{0, 0};
  ClientToScreen(edit, &client_origin);
  RECT client{};
  GetClientRect(edit, &client);
  OffsetRect(&client, client_origin.x - window.left, client_origin.y - window.top);
  ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);

  const Palette& palette = state.palette;
  const bool enabled = IsWindowEnabled(edit) != FALSE;
  const bool focused = enabled && GetFocus() == edit;
  const std::uint32_t outline =
      !enabled ? palette.colors[Palette::pressed_fill]
               : (focused ? palette.colors[Palette::accent] : palette.colors[Palette::control_border]);
  const platform::GdiObject<HBRUSH> outside(CreateSolidBrush(palette.colors[Palette::window_background]));
  const platform::GdiObject<HBRUSH> inside(CreateSolidBrush(palette.colors[Palette::field_background]));
  const platform::GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, outline));
  if (outside != nullptr && inside != nullptr && pen != nullptr) {
    const RECT whole{0, 0, width, height};
    FillRect(dc, &whole, outside.get());
    const platform::SelectedObject brush_selection(dc, inside.get());
    const platform::SelectedObject pen_selection(dc, pen.get());
    const int diameter = std::max(0, static_cast<int>(std::lround(2.0f * state.options.corner_radius *
                                                                  static_cast<float>(window_dpi(edit)) / 96.0f)));
    RoundRect(dc, 0, 0, width, height, diameter, diameter);
  }
}

// Insets the client rectangle inside the drawn border and, when asked, to one centred text line.
void inset_client(HWND edit, const EditState& state, RECT& rect) {
  const UINT dpi = window_dpi(edit);
  const int pad = std::max(1, static_cast<int>(std::lround(2.0 * dpi / 96.0)));
  const int horizontal = std::min(std::max(0, static_cast<int>(rect.right - rect.left - 1) / 2), pad);
  const int vertical = std::min(std::max(0, static_cast<int>(rect.bottom - rect.top - 1) / 2), pad);
  InflateRect(&rect, -horizontal, -vertical);
  if (!state.options.center_vertically) return;
  int line = 1;
  if (const platform::WindowDc dc(edit); dc.get() != nullptr) {
    const platform::SelectedObject font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    if (GetTextMetricsW(dc.get(), &metrics)) line = std::max<int>(1, metrics.tmHeight);
  }
  const int room = rect.bottom - rect.top;
  if (room > line) {
    rect.top += (room - line) / 2;
    rect.bottom = rect.top + line;
  }
}

LRESULT CALLBACK themed_edit_proc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                  DWORD_PTR data) {
  auto* state = reinterpret_cast<EditState*>(data);
  switch (message) {
    case WM_NCDESTROY:
      RemoveWindowSubclass(edit, themed_edit_proc, id);
      RemovePropW(edit, state_property);
      delete state;
      return DefSubclassProc(edit, message, wparam, lparam);
    case WM_NCCALCSIZE: {
      const LRESULT result = DefSubclassProc(edit, message, wparam, lparam);
      RECT* rect = wparam != 0 ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0] : reinterpret_cast<RECT*>(lparam);
      if (rect != nullptr) inset_client(edit, *state, *rect);
      return result;
    }
    case WM_NCPAINT:
      paint_border(edit, *state);
      return 0;
    case WM_PAINT: {
      const LRESULT result = DefSubclassProc(edit, message, wparam, lparam);
      paint_border(edit, *state);
      return result;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
      const LRESULT result = DefSubclassProc(edit, message, wparam, lparam);
      paint_border(edit, *state);
      return result;
    }
    case WM_SIZE: {
      const LRESULT result = DefSubclassProc(edit, message, wparam, lparam);
      apply_margins(edit, *state);
      return result;
    }
    case WM_DPICHANGED_AFTERPARENT: {
      const LRESULT result = DefSubclassProc(edit, message, wparam, lparam);
      SetWindowRgn(edit, nullptr, TRUE);
      apply_margins(edit, *state);
      return result;
    }
    case WM_SETFONT: {
      const LRESULT result = DefSubclassProc(edit, message, wparam, lparam);
      apply_margins(edit, *state);
      change_frame(edit);
      return result;
    }
    case WM_PRINTCLIENT: {
      const LRESULT result = DefSubclassProc(edit, message, wparam, lparam);
      HDC dc = reinterpret_cast<HDC>(wparam);
      RECT client{};
      GetClientRect(edit, &client);
      const int edge = std::max(1, static_cast<int>(std::lround(window_dpi(edit) / 96.0)));
      if (HBRUSH brush = CreateSolidBrush(state->palette.colors[Palette::field_background])) {
        const RECT sides[4] = {{client.left, client.top, client.right, client.top + edge},
                               {client.left, client.bottom - edge, client.right, client.bottom},
                               {client.left, client.top, client.left + edge, client.bottom},
                               {client.right - edge, client.top, client.right, client.bottom}};
        for (const RECT& side : sides) FillRect(dc, &side, brush);
        DeleteObject(brush);
      }
      return result;
    }
    default:
      return DefSubclassProc(edit, message, wparam, lparam);
  }
}

}  // namespace

bool apply_themed_edit(HWND edit, const Palette& palette, const ThemedEditOptions& options) {
  if (edit == nullptr || !IsWindow(edit)) return false;
  if (auto* state = static_cast<EditState*>(GetPropW(edit, state_property))) {
    state->palette = palette;
    state->options = options;
    apply_margins(edit, *state);
    change_frame(edit);
    RedrawWindow(edit, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    return true;
  }
  auto* state = new (std::nothrow) EditState{palette, options};
  if (state == nullptr) return false;
  if (!SetPropW(edit, state_property, state)) {
    delete state;
    return false;
  }
  if (!SetWindowSubclass(edit, themed_edit_proc, themed_edit_subclass_id, reinterpret_cast<DWORD_PTR>(state))) {
    RemovePropW(edit, state_property);
    delete state;
    return false;
  }
  SetWindowLongPtrW(edit, GWL_STYLE, GetWindowLongPtrW(edit, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_BORDER));
  SetWindowLongPtrW(edit, GWL_EXSTYLE,
                    GetWindowLongPtrW(edit, GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  SetWindowTheme(edit, L"", L"");
  change_frame(edit);
  apply_margins(edit, *state);
  RedrawWindow(edit, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE);
  return true;
}

}  // namespace win32_ui::modern
