#include "theme/themed_combo_box.h"

#include "platform/windows/gdi_handle.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "layout/text_style.h"
#include "ui/graphics/frame_painter.h"

namespace win32_ui::modern {

namespace {

using ui::graphics::Canvas;
using ui::graphics::Color;
using ui::graphics::RectF;
using ui::graphics::TextStyle;

// Finds the state of an already themed combo box (the import libraries lack GetWindowSubclass).
constexpr const wchar_t* state_property = L"win32_ui.ThemedComboBox";

struct ComboState {
  Palette palette;
  ThemedComboOptions options;
  bool hovered = false;
};

UINT window_dpi(HWND window) noexcept {
  const UINT dpi = GetDpiForWindow(window);
  return dpi == 0 ? 96u : dpi;
}

float pixels(float dips, UINT dpi) noexcept {
  const float value = dips * static_cast<float>(dpi) / 96.0f;
  return std::isfinite(value) ? value : 0.0f;
}

int rounded_pixels(float dips, UINT dpi) noexcept { return static_cast<int>(std::lround(pixels(dips, dpi))); }

Color color_of(const Palette& palette, Palette::ColorIndex index) {
  return Color::from_colorref(palette.colors[index]);
}

void set_item_heights(HWND combo, const ComboState& state) {
  const UINT dpi = window_dpi(combo);
  const int minimum = static_cast<int>(((dpi + 3) * 16) / 96);
  const int field =
      std::max(minimum, rounded_pixels(static_cast<float>(state.palette.metrics[Palette::field_height]), dpi) -
                            rounded_pixels(3.0f, dpi));
  if (SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0) != field) {
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  }
  if (state.options.list_item_height > 0.0f) {
    const int item = std::max(minimum, rounded_pixels(state.options.list_item_height, dpi));
    if (SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0) != item) SendMessageW(combo, CB_SETITEMHEIGHT, 0, item);
  }
}

void refresh_list(HWND combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(combo, &info) && info.hwndList != nullptr) {
    RedrawWindow(info.hwndList, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
  }
}

std::wstring current_text(HWND combo) {
  const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR) return {};
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0);
  if (length == CB_ERR || length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
  return text;
}

// The selection field: rounded field, arrow and current text, all in `area` (pixels).
void paint_field(Canvas& canvas, const RectF& area, HWND combo, const ComboState& state) {
  const Palette& palette = state.palette;
  const UINT dpi = window_dpi(combo);
  const bool enabled = IsWindowEnabled(combo) != FALSE;
  const bool focused = enabled && (GetFocus() == combo || IsChild(combo, GetFocus()));
  const bool open = enabled && SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
  const bool active = focused || open;
  Palette::ColorIndex fill = Palette::field_background;
  Palette::ColorIndex outline = Palette::control_border;
  Palette::ColorIndex text_color = Palette::text;
  if (!enabled) {
    fill = Palette::hover_fill;
    outline = Palette::pressed_fill;
    text_color = Palette::disabled_text;
  } else {
    if (active) {
      fill = Palette::hover_fill;
    } else if (state.hovered) {
      fill = Palette::field_background_hovered;
    }
    if (focused) outline = Palette::focus;
    if (active && palette.high_contrast != 0 && palette.dark != 0) {
      fill = Palette::accent;
      text_color = Palette::text_on_accent;
    }
  }
  canvas.clear(color_of(palette, Palette::window_background));
  const float diameter = static_cast<float>(std::max(2, rounded_pixels(2.0f * state.options.corner_radius, dpi)));
  const RectF field{area.left + 0.5f, area.top + 0.5f, area.right - 0.5f, area.bottom - 0.5f};
  canvas.fill_rounded_rect(field, diameter / 2.0f, color_of(palette, fill));
  canvas.stroke_rounded_rect(field, diameter / 2.0f, color_of(palette, outline), 1.0f);

  const float arrow_width = pixels(state.options.arrow_area_width, dpi);
  const float center_x = area.right - pixels(state.options.right_padding, dpi) - arrow_width / 2.0f;
  const float center_y = (area.top + area.bottom) / 2.0f;
  const float half = pixels(3.0f, dpi);
  const float rise = pixels(2.0f, dpi);
  canvas.fill_triangle({center_x - half, center_y - rise / 2.0f}, {center_x + half, center_y - rise / 2.0f},
                       {center_x, center_y + rise / 2.0f},
                       color_of(palette, enabled ? Palette::secondary_text : Palette::disabled_text));

  const std::wstring text = current_text(combo);
  if (text.empty()) return;
  TextStyle style;
  style.font_slot = layout::font_slot(layout::TextStyle::title);
  style.color = color_of(palette, text_color);
  style.vertical_alignment = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  canvas.draw_text(text,
                   RectF{area.left + pixels(state.options.left_padding, dpi), area.top,
                         area.right - pixels(state.options.right_padding, dpi) - arrow_width, area.bottom},
                   style);
}

ui::graphics::SurfaceFonts fonts_of(HWND combo) {
  ui::graphics::SurfaceFonts fonts{};
  fonts[0] = reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0));
  return fonts;
}

// Paints into `dc` over `area` with Direct2D, GDI when that fails, the plain background last.
void paint_into(HDC dc, const RECT& area, HWND combo, const std::function<void(Canvas&)>& draw,
                const Palette& palette) {
  // Under Wine the field paints with GDI, as surfaces do there: Direct2D costs a frame's worth of time
  // per field, and its renderer's threads can take the process down at exit.
  const RenderMode mode = platform::running_under_wine() ? RenderMode::gdi_only : RenderMode::direct2d_first;
  const FrameOutcome outcome = paint_frame(dc, area, fonts_of(combo), mode, draw);
  if (outcome.success) return;
  if (HBRUSH brush = CreateSolidBrush(palette.colors[Palette::window_background])) {
    FillRect(dc, &area, brush);
    DeleteObject(brush);
  }
}

LRESULT CALLBACK themed_combo_proc(HWND combo, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                   DWORD_PTR data) {
  auto* state = reinterpret_cast<ComboState*>(data);
  switch (message) {
    case WM_NCDESTROY:
      RemoveWindowSubclass(combo, themed_combo_proc, id);
      RemovePropW(combo, state_property);
      delete state;
      return DefSubclassProc(combo, message, wparam, lparam);
    case WM_PAINT: {
      // Owner-drawn boxes too: their own painting would frame the item in a system border and button.
      const platform::PaintDc paint(combo);
      if (paint.get() != nullptr) {
        RECT client{};
        GetClientRect(combo, &client);
        const RectF area{0.0f, 0.0f, static_cast<float>(client.right), static_cast<float>(client.bottom)};
        paint_into(paint.get(), client, combo, [&](Canvas& canvas) { paint_field(canvas, area, combo, *state); },
                   state->palette);
      }
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      if (!state->hovered) {
        state->hovered = true;
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, combo, 0};
        TrackMouseEvent(&track);
        InvalidateRect(combo, nullptr, FALSE);
      }
      break;
    case WM_MOUSELEAVE:
      state->hovered = false;
      InvalidateRect(combo, nullptr, FALSE);
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE: {
      const LRESULT result = DefSubclassProc(combo, message, wparam, lparam);
      InvalidateRect(combo, nullptr, FALSE);
      return result;
    }
    case WM_DPICHANGED_AFTERPARENT: {
      const LRESULT result = DefSubclassProc(combo, message, wparam, lparam);
      set_item_heights(combo, *state);
      return result;
    }
    default:
      break;
  }
  return DefSubclassProc(combo, message, wparam, lparam);
}

}  // namespace

bool apply_themed_combo_box(HWND combo, const Palette& palette, const ThemedComboOptions& options) {
  if (combo == nullptr || !IsWindow(combo)) return false;
  if (auto* state = static_cast<ComboState*>(GetPropW(combo, state_property))) {
    state->palette = palette;
    state->options = options;
    set_item_heights(combo, *state);
    InvalidateRect(combo, nullptr, FALSE);
    refresh_list(combo);
    return true;
  }
  auto* state = new (std::nothrow) ComboState{palette, options, false};
  if (state == nullptr) return false;
  if (!SetPropW(combo, state_property, state)) {
    delete state;
    return false;
  }
  if (!SetWindowSubclass(combo, themed_combo_proc, themed_combo_subclass_id, reinterpret_cast<DWORD_PTR>(state))) {
    RemovePropW(combo, state_property);
    delete state;
    return false;
  }
  SetWindowLongPtrW(combo, GWL_STYLE, GetWindowLongPtrW(combo, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_BORDER));
  SetWindowLongPtrW(combo, GWL_EXSTYLE,
                    GetWindowLongPtrW(combo, GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  set_item_heights(combo, *state);
  SetWindowPos(combo, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  InvalidateRect(combo, nullptr, TRUE);
  refresh_list(combo);
  return true;
}

bool draw_themed_combo_item(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_COMBOBOX || item.hwndItem == nullptr) return false;
  HWND combo = item.hwndItem;
  auto* state = static_cast<ComboState*>(GetPropW(combo, state_property));
  if (state == nullptr) return false;
  const RECT box = item.rcItem;
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  if (width <= 0 || height <= 0) return true;

  if ((item.itemState & ODS_COMBOBOXEDIT) != 0) {
    // The field goes through an off-screen bitmap, then onto the item's DC in one copy.
    const platform::MemoryDc memory(item.hDC);
    const platform::GdiObject<HBITMAP> bitmap(memory ? CreateCompatibleBitmap(item.hDC, width, height) : nullptr);
    if (bitmap != nullptr) {
      const platform::SelectedObject selected(memory.get(), bitmap.get());
      const RECT area{0, 0, width, height};
      const RectF field{0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height)};
      paint_into(memory.get(), area, combo, [&](Canvas& canvas) { paint_field(canvas, field, combo, *state); },
                 state->palette);
      BitBlt(item.hDC, box.left, box.top, width, height, memory.get(), 0, 0, SRCCOPY);
    }
    return true;
  }

  const Palette& palette = state->palette;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0 || IsWindowEnabled(combo) == FALSE;
  const bool selected = !disabled && (item.itemState & ODS_SELECTED) != 0;
  const LONG_PTR ex_style = GetWindowLongPtrW(combo, GWL_EXSTYLE);
  const bool right_to_left = (ex_style & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL)) != 0;
  std::wstring text;
  if (item.itemID != static_cast<UINT>(-1)) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, item.itemID, 0);
    if (length != CB_ERR && length > 0) {
      text.resize(static_cast<std::size_t>(length) + 1);
      const LRESULT copied = SendMessageW(combo, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
      text.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
    }
  }
  const float padding = pixels(state->options.list_item_text_padding, window_dpi(combo));
  paint_into(
      item.hDC, box, combo,
      [&](Canvas& canvas) {
        const RectF area{static_cast<float>(box.left), static_cast<float>(box.top), static_cast<float>(box.right),
                         static_cast<float>(box.bottom)};
        canvas.fill_rect(area, color_of(palette, selected ? Palette::accent : Palette::field_background));
        if (text.empty()) return;
        TextStyle style;
        style.font_slot = layout::font_slot(layout::TextStyle::title);
        style.color = color_of(palette, selected ? Palette::text_on_accent
                                                 : (disabled ? Palette::disabled_text : Palette::text));
        style.vertical_alignment = 1;
        style.single_line = true;
        style.end_ellipsis = true;
        // Right-to-left items read from the right edge: their start.
        if (right_to_left) style.reading_direction = 1;
        canvas.draw_text(text, RectF{area.left + padding, area.top, area.right - padding, area.bottom}, style);
      },
      palette);
  return true;
}

}  // namespace win32_ui::modern
