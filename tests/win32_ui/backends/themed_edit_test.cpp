#include <gtest/gtest.h>
#include <windows.h>

#include "theme/theme.h"
#include "theme/themed_edit.h"

namespace win32_ui::modern {
namespace {

// A visible top-level window with a bordered edit control inside it.
class EditWindow {
 public:
  EditWindow() {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320, 160, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    edit_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"text", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL,
                            10, 10, 200, 40, parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~EditWindow() {
    if (parent_ != nullptr) DestroyWindow(parent_);
  }
  EditWindow(const EditWindow&) = delete;
  EditWindow& operator=(const EditWindow&) = delete;

  [[nodiscard]] HWND edit() const noexcept { return edit_; }

  // The colour of the edit's own window pixel (0x00BBGGRR) after pending paints are done.
  [[nodiscard]] COLORREF pixel(int x, int y) const {
    RedrawWindow(edit_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetWindowDC(edit_);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(edit_, dc);
    return color;
  }

 private:
  HWND parent_ = nullptr;
  HWND edit_ = nullptr;
};

TEST(ThemedEditTest, FlatFieldWithPaletteBorderMarginsAndCentredLine) {
  EditWindow window;
  ASSERT_NE(window.edit(), nullptr);
  const Palette light = light_palette(default_accent);
  ThemedEditOptions options;
  options.left_margin = 6;
  options.right_margin = 4;
  options.corner_radius = 6;
  options.center_vertically = true;
  ASSERT_TRUE(apply_themed_edit(window.edit(), light, options));

  EXPECT_EQ(GetWindowLongPtrW(window.edit(), GWL_STYLE) & WS_BORDER, 0);
  EXPECT_EQ(GetWindowLongPtrW(window.edit(), GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE), 0);
  const UINT dpi = GetDpiForWindow(window.edit()) == 0 ? 96 : GetDpiForWindow(window.edit());
  const LRESULT margins = SendMessageW(window.edit(), EM_GETMARGINS, 0, 0);
  EXPECT_EQ(LOWORD(margins), MulDiv(6, static_cast<int>(dpi), 96));
  EXPECT_EQ(HIWORD(margins), MulDiv(4, static_cast<int>(dpi), 96));

  // Two pixels of border room on each side, then one text line centred in the height.
  RECT client{};
  GetClientRect(window.edit(), &client);
  const int pad = MulDiv(2, static_cast<int>(dpi), 96);
  EXPECT_EQ(client.right, 200 - 2 * pad);
  HDC dc = GetDC(window.edit());
  const HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window.edit(), WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old_font);
  ReleaseDC(window.edit(), dc);
  EXPECT_EQ(client.bottom, metrics.tmHeight);

  // The outline in the control border colour; the corner outside it in the window background.
  EXPECT_EQ(window.pixel(0, 20), light.colors[Palette::control_border]);
  EXPECT_EQ(window.pixel(0, 0), light.colors[Palette::window_background]);
  EXPECT_EQ(window.pixel(1, 20), light.colors[Palette::field_background]);
  SetForegroundWindow(GetParent(window.edit()));
  SetFocus(window.edit());
  ASSERT_EQ(GetFocus(), window.edit());
  EXPECT_EQ(window.pixel(0, 20), light.colors[Palette::accent]);
  SetFocus(nullptr);
  EnableWindow(window.edit(), FALSE);
  EXPECT_EQ(window.pixel(0, 20), light.colors[Palette::pressed_fill]);
  EnableWindow(window.edit(), TRUE);

  // Applying again swaps the palette of the already themed control.
  const Palette dark = dark_palette(default_accent);
  ASSERT_TRUE(apply_themed_edit(window.edit(), dark, options));
  EXPECT_EQ(window.pixel(0, 20), dark.colors[Palette::control_border]);
  EXPECT_EQ(window.pixel(1, 20), dark.colors[Palette::field_background]);
}

}  // namespace
}  // namespace win32_ui::modern
