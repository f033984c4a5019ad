#include "scaffold/chrome.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "layout/text_style.h"
#include "platform/windows/gdi_handle.h"
#include "theme/palette.h"

namespace win32_ui::scaffold {

namespace {

using ui::graphics::Color;
using ui::graphics::RectF;

// The small icon of a window as a premultiplied 32-bit image, or an empty one.
ui::graphics::Image icon_image(HWND window) {
  HICON icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL2, 0));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
  if (icon == nullptr) return {};
  constexpr int size = 32;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  const platform::GdiObject<HBITMAP> bitmap = [&] {
    const platform::WindowDc screen(nullptr);
    return platform::GdiObject<HBITMAP>(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  }();
  if (bitmap == nullptr || bits == nullptr) return {};
  const platform::MemoryDc dc(nullptr);
  if (!dc) return {};
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 4);
  {
    const platform::SelectedObject selected(dc.get(), bitmap.get());
    DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::copy_n(static_cast<const std::uint8_t*>(bits), pixels.size(), pixels.begin());
  }
  // Icons without alpha come out fully transparent: make every drawn pixel opaque then.
  bool any_alpha = false;
  for (std::size_t i = 3; i < pixels.size(); i += 4) any_alpha = any_alpha || pixels[i] != 0;
  if (!any_alpha) {
    for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
  }
  ui::graphics::Image image;
  if (ui::graphics::Image::from_pixels(size, size, size * 4, pixels, image) != ui::graphics::image_ok) return {};
  return image;
}

bool window_active(HWND window) { return window != nullptr && GetActiveWindow() == window; }

Color colour(const modern::Palette& palette, int index) { return modern::palette_color(palette, index); }

}  // namespace

int chrome_hit_test(const ChromeMetrics& m, int x, int y) noexcept {
  // 1. Outside the client rectangle.
  if (x < 0 || y < 0 || x >= m.width || y >= m.height) return HTNOWHERE;
  // 2. Resize borders, corners first.
  const int b = m.resize_border;
  if (m.resizable && !m.maximized && b > 0) {
    const bool left = x < b;
    const bool right = x >= m.width - b;
    const bool top = y < b;
    const bool bottom = y >= m.height - b;
    if (top && left) return HTTOPLEFT;
    if (top && right) return HTTOPRIGHT;
    if (bottom && left) return HTBOTTOMLEFT;
    if (bottom && right) return HTBOTTOMRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
  }
  // 3. Below the title bar.
  if (y >= m.caption_height) return HTCLIENT;
  // 4. Caption buttons from the right.
  const int w = m.button_width;
  if (w > 0) {
    if (x >= m.width - w) return HTCLIENT;  // close
    int edge = m.width - w;
    if (m.maximizable) {
      if (x >= m.width - 2 * w) return HTMAXBUTTON;
      edge = m.width - 2 * w;
    }
    if (m.minimizable && x >= edge - w) return HTCLIENT;  // minimize
  }
  // 5. Icon or caption.
  return x < m.icon_width ? HTSYSMENU : HTCAPTION;
}

void ChromeBarBackground::paint(modern::PaintContext& context) {
  if (context.palette == nullptr) return;
  context.canvas->fill_rect(context.to_pixels(arranged_rect()), colour(*context.palette, modern::Palette::window_background));
}

ChromeTitle::ChromeTitle(HWND window)
    : Widget(modern::WidgetRole::text, layout::Size{0.0f, 44.0f}), window_(window), icon_(icon_image(window)) {
  set_automation_id(L"title");
  refresh();
}

void ChromeTitle::refresh() {
  wchar_t text[513] = {};
  if (window_ != nullptr) GetWindowTextW(window_, text, 513);
  if (text_ == text) return;
  text_ = text;
  set_accessible_name(text_);
  invalidate_visual();
}

void ChromeTitle::paint(modern::PaintContext& context) {
  if (context.palette == nullptr) return;
  const modern::Palette& palette = *context.palette;
  const layout::Rect r = arranged_rect();
  const layout::Rect icon_box{r.x + 13.0f, r.y + (r.height - 18.0f) / 2.0f, 18.0f, 18.0f};
  if (icon_.is_valid()) {
    context.canvas->draw_image(icon_, context.to_pixels(icon_box), 1.0f, true);
  } else {
    context.canvas->fill_rounded_rect(context.to_pixels(icon_box), context.to_pixels(4.0f),
                                      colour(palette, modern::Palette::accent));
  }
  if (text_.empty()) return;
  ui::graphics::TextStyle style;
  style.font_slot = layout::font_slot(layout::TextStyle::body);
  style.color = colour(palette, window_active(window_) ? modern::Palette::text : modern::Palette::secondary_text);
  style.vertical_alignment = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  style.reading_direction = context.text_direction;
  const layout::Rect text_box{r.x + 42.0f, r.y, std::max(0.0f, r.width - 48.0f), r.height};
  context.canvas->draw_text(text_, context.to_pixels(text_box), style);
}

ChromeCaptionButton::ChromeCaptionButton(HWND window, CaptionAction action)
    : Interactive(modern::WidgetRole::button, layout::Size{46.0f, 44.0f}, modern::InteractiveKind::push),
      window_(window),
      action_(action) {
  // Named from the message catalogue, so screen readers speak the interface language.
  set_text(modern::LocalizedText::key(action == CaptionAction::minimize   ? L"scaffold.caption.minimize"
                                      : action == CaptionAction::maximize ? L"scaffold.caption.maximize"
                                                                          : L"scaffold.caption.close"));
  set_automation_id(action == CaptionAction::minimize   ? L"minimize"
                    : action == CaptionAction::maximize ? L"maximize"
                                                        : L"close");
  add_event_handler(modern::EventKind::invoked, [this](modern::Event&) {
    if (window_ == nullptr || !IsWindow(window_)) return;
    WPARAM command = SC_CLOSE;
    if (action_ == CaptionAction::minimize) command = SC_MINIMIZE;
    if (action_ == CaptionAction::maximize) command = IsZoomed(window_) ? SC_RESTORE : SC_MAXIMIZE;
    PostMessageW(window_, WM_SYSCOMMAND, command, 0);
  });
  refresh();
}

void ChromeCaptionButton::refresh() {
  const bool zoomed = window_ != nullptr && IsZoomed(window_) != FALSE;
  if (zoomed == zoomed_) return;
  zoomed_ = zoomed;
  invalidate_visual();
}

void ChromeCaptionButton::set_external_hover(bool hovered) {
  if (hovered == external_hover_) return;
  external_hover_ = hovered;
  invalidate_visual();
}

void ChromeCaptionButton::paint(modern::PaintContext& context) {
  if (context.palette == nullptr) return;
  const modern::Palette& palette = *context.palette;
  const RectF box = context.to_pixels(arranged_rect());
  const bool hot = hovered() || external_hover_;
  const bool down = pressed() || press_active();
  const bool close = action_ == CaptionAction::close;
  if (hot || down) {
    const int fill = close ? (down ? modern::Palette::danger_pressed : modern::Palette::danger)
                           : (down ? modern::Palette::pressed_fill : modern::Palette::hover_fill);
    context.canvas->fill_rect(box, colour(palette, fill));
  }
  int ink = window_active(window_) ? modern::Palette::text : modern::Palette::secondary_text;
  if (close && (hot || down)) ink = modern::Palette::text_on_danger;
  const Color color = colour(palette, ink);
  const float cx = (box.left + box.right) / 2.0f;
  const float cy = (box.top + box.bottom) / 2.0f;
  const float h = context.to_pixels(5.0f);
  const float stroke = std::max(1.0f, context.to_pixels(1.3f));
  switch (action_) {
    case CaptionAction::minimize:
      context.canvas->draw_line({cx - h, cy}, {cx + h, cy}, color, stroke);
      break;
    case CaptionAction::maximize:
      if (zoomed_) {
        const float o = context.to_pixels(2.5f);
        context.canvas->stroke_rounded_rect(RectF{cx - h + o, cy - h - o, cx + h + o, cy + h - o}, 0.0f, color, stroke);
        context.canvas->fill_rect(RectF{cx - h - o, cy - h + o, cx + h - o, cy + h + o},
                                  colour(palette, hot || down ? (down ? modern::Palette::pressed_fill
                                                                      : modern::Palette::hover_fill)
                                                              : modern::Palette::window_background));
        context.canvas->stroke_rounded_rect(RectF{cx - h - o, cy - h + o, cx + h - o, cy + h + o}, 0.0f, color, stroke);
      } else {
        context.canvas->stroke_rounded_rect(RectF{cx - h, cy - h, cx + h, cy + h}, 0.0f, color, stroke);
      }
      break;
    case CaptionAction::close:
      context.canvas->draw_line({cx - h, cy - h}, {cx + h, cy + h}, color, stroke);
      context.canvas->draw_line({cx - h, cy + h}, {cx + h, cy - h}, color, stroke);
      break;
  }
}

void ChromeCaptionButton::paint_focus_ring(modern::PaintContext& context) {
  if (!shows_focus_ring(context) || context.palette == nullptr) return;
  const RectF box = context.to_pixels(arranged_rect());
  const float inset = context.to_pixels(5.0f);
  context.canvas->stroke_rounded_rect(RectF{box.left + inset, box.top + inset, box.right - inset, box.bottom - inset},
                                      context.to_pixels(4.0f), modern::focus_color(*context.palette),
                                      modern::focus_width(*context.palette, context.scale));
}

}  // namespace win32_ui::scaffold
