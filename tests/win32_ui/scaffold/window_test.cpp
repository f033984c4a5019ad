#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "desktop.h"
#include "modern/panels/stack_panel.h"
#include "modern/widgets/button.h"
#include "scaffold/application.h"
#include "scaffold/window.h"
#include "theme/palette.h"

namespace scaffold_test {
namespace {

using namespace win32_ui;
using scaffold::CaptionAction;
using scaffold::Window;
using scaffold::WindowOptions;

std::uint32_t rgb(std::uint32_t colorref) {
  return 0xFF000000u | ((colorref & 0xFFu) << 16) | (colorref & 0xFF00u) | ((colorref >> 16) & 0xFFu);
}

WindowOptions custom_options() {
  WindowOptions options;
  options.title = L"Orvane · 图片水印";
  options.chrome_mode = scaffold::ChromeMode::custom_title_bar;
  options.client_width = 560;
  options.client_height = 320;
  options.minimum_client_width = 400;
  options.minimum_client_height = 240;
  return options;
}

std::unique_ptr<modern::View> content() {
  auto panel = std::make_unique<modern::StackPanel>(modern::Orientation::vertical, 8.0f, layout::Thickness::uniform(20.0f));
  panel->add_child(std::make_unique<modern::Button>(1u, L"Open image", 2));
  return panel;
}

POINT centre_of(HWND window, const modern::View& view) {
  const layout::Rect r = view.arranged_rect();
  (void)window;
  return POINT{static_cast<LONG>(r.x + r.width / 2), static_cast<LONG>(r.y + r.height / 2)};
}

// The non-client codes a user's pointer meets: borders, corners, title, icon and each caption button.
TEST(ScaffoldWindow, HitTestingAnswersTheCodesOfEachZone) {
  scaffold::ChromeMetrics m;
  m.width = 800;
  m.height = 600;
  m.caption_height = 44;
  m.resize_border = 8;
  m.button_width = 46;
  m.icon_width = 48;
  m.resizable = m.minimizable = m.maximizable = true;
  EXPECT_EQ(scaffold::chrome_hit_test(m, 2, 2), HTTOPLEFT);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 797, 2), HTTOPRIGHT);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 2, 597), HTBOTTOMLEFT);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 797, 597), HTBOTTOMRIGHT);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 400, 3), HTTOP);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 400, 596), HTBOTTOM);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 3, 300), HTLEFT);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 796, 300), HTRIGHT);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 20, 20), HTSYSMENU);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 300, 20), HTCAPTION);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 780, 20), HTCLIENT) << "close belongs to the toolkit button";
  EXPECT_EQ(scaffold::chrome_hit_test(m, 730, 20), HTMAXBUTTON) << "snap layouts need HTMAXBUTTON";
  EXPECT_EQ(scaffold::chrome_hit_test(m, 680, 20), HTCLIENT) << "minimize belongs to the toolkit button";
  EXPECT_EQ(scaffold::chrome_hit_test(m, 640, 20), HTCAPTION);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 300, 44), HTCLIENT);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 800, 20), HTNOWHERE);

  // Maximised: no resize borders.
  m.maximized = true;
  EXPECT_EQ(scaffold::chrome_hit_test(m, 2, 2), HTSYSMENU);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 400, 3), HTCAPTION);
  // 144 dpi: every measure 1.5 times.
  m = scaffold::ChromeMetrics{1200, 900, 66, 12, 69, 72, false, true, true, true};
  EXPECT_EQ(scaffold::chrome_hit_test(m, 1200 - 70, 30), HTMAXBUTTON);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 1200 - 68, 30), HTCLIENT);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 1200 - 140, 30), HTCLIENT);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 1200 - 139 - 69, 30), HTCAPTION);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 11, 300), HTLEFT);
  // Without a maximize box the zone left of close is minimize.
  m.maximizable = false;
  EXPECT_EQ(scaffold::chrome_hit_test(m, 1200 - 100, 30), HTCLIENT);
  EXPECT_EQ(scaffold::chrome_hit_test(m, 1200 - 140, 30), HTCAPTION);
}

TEST(ScaffoldWindow, TheCustomTitleBarIsDrawnAndDrivenByThePointer) {
  orvane::test::GdiplusScope gdiplus;
  scaffold::Application application;
  Window window(application);
  bool destroyed = false;
  ASSERT_TRUE(window.create(custom_options()));
  window.host().on_destroyed([&] { destroyed = true; });
  window.set_content(content());
  window.show(SW_SHOWNORMAL);
  HWND hwnd = window.hwnd();
  SetForegroundWindow(hwnd);
  desktop::pump(100);
  EXPECT_TRUE(window.host().custom_caption());
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CAPTION, 0);
  EXPECT_EQ(application.windows().size(), 1u);

  // The title bar's pixels for both palettes.
  for (const bool dark : {false, true}) {
    application.set_theme_mode(dark ? modern::ThemeMode::dark : modern::ThemeMode::light);
    UpdateWindow(hwnd);
    desktop::pump(80);
    const orvane::test::Pixels shot = desktop::capture_client(hwnd);
    EXPECT_TRUE(orvane::test::save_pixels(shot, std::wstring(L"" ARTEFACT_DIR) +
                                                    (dark ? L"/window_title_dark.png" : L"/window_title_light.png"),
                                          L"image/png"));
    EXPECT_EQ(shot.at(200, 4), rgb(window.surface().palette().colors[modern::Palette::window_background]));
    EXPECT_EQ(window.surface().palette().dark != 0, dark);
  }

  // The client area is the whole window, and a resize never goes below the minimum client size.
  RECT client{};
  GetClientRect(hwnd, &client);
  RECT outer{};
  GetWindowRect(hwnd, &outer);
  EXPECT_EQ(client.right, outer.right - outer.left);
  SetWindowPos(hwnd, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(hwnd, &client);
  EXPECT_GE(client.right, 400);
  EXPECT_GE(client.bottom, 240 + 44);

  // Drag the title: the window moves with the pointer.
  GetWindowRect(hwnd, &outer);
  const POINT grip{120, 20};
  desktop::drag(hwnd, grip, POINT{grip.x + 60, grip.y + 40});
  RECT moved{};
  GetWindowRect(hwnd, &moved);
  EXPECT_EQ(moved.left - outer.left, 60) << "dragging the title did not move the window";
  EXPECT_EQ(moved.top - outer.top, 40);

  // Double-click the title: maximised, filling the work area; again: restored.
  desktop::double_click(hwnd, grip);
  EXPECT_TRUE(desktop::pump_until([&] { return IsZoomed(hwnd) != FALSE; })) << "no maximise on a double click";
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
  GetWindowRect(hwnd, &outer);
  EXPECT_EQ(outer.left, monitor.rcWork.left);
  EXPECT_EQ(outer.right, monitor.rcWork.right);
  EXPECT_EQ(outer.bottom, monitor.rcWork.bottom);
  scaffold::ChromeCaptionButton* restore = window.host().caption_button(CaptionAction::maximize);
  ASSERT_NE(restore, nullptr);
  const RECT zoomed_client = [&] {
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
  }();
  const scaffold::ChromeMetrics metrics = window.host().metrics();
  EXPECT_TRUE(metrics.maximized);
  // The restore zone answers HTMAXBUTTON; a click on it restores.
  POINT max_zone{zoomed_client.right - metrics.button_width - metrics.button_width / 2, metrics.caption_height / 2};
  POINT screen = max_zone;
  ClientToScreen(hwnd, &screen);
  EXPECT_EQ(SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)), HTMAXBUTTON);
  desktop::click(hwnd, max_zone);
  EXPECT_TRUE(desktop::pump_until([&] { return IsZoomed(hwnd) == FALSE; })) << "the maximize button did not restore";

  // Minimize through its button, then close through its button.
  auto* minimize = window.host().caption_button(CaptionAction::minimize);
  ASSERT_NE(minimize, nullptr);
  desktop::click(hwnd, centre_of(hwnd, *minimize));
  EXPECT_TRUE(desktop::pump_until([&] { return IsIconic(hwnd) != FALSE; })) << "minimize did nothing";
  ShowWindow(hwnd, SW_RESTORE);
  SetForegroundWindow(hwnd);
  desktop::pump(100);
  auto* close = window.host().caption_button(CaptionAction::close);
  desktop::click(hwnd, centre_of(hwnd, *close));
  EXPECT_TRUE(desktop::pump_until([&] { return destroyed; })) << "close did not destroy the window";
  EXPECT_EQ(window.hwnd(), nullptr);
  EXPECT_TRUE(application.windows().empty());
}

TEST(ScaffoldWindow, TheCloseHandlerCanHideOrKeepTheWindow) {
  scaffold::Application application;
  Window window(application);
  WindowOptions options;
  options.title = L"plain";
  ASSERT_TRUE(window.create(options));
  window.set_content(content());
  window.show(SW_SHOWNORMAL);
  scaffold::CloseAction answer = scaffold::CloseAction::hide;
  window.host().set_close_handler([&] { return answer; });
  SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(window.hwnd()));
  EXPECT_EQ(application.windows().size(), 1u) << "a hidden window stays registered";
  answer = scaffold::CloseAction::keep;
  window.show(SW_SHOWNORMAL);
  SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowVisible(window.hwnd()));
  EXPECT_FALSE(window.host().custom_caption()) << "mode 0 keeps the system frame";

  // Too big for the monitor: the window fills the work area less the margin, a margin in DIPs at the
  // window's scale (2 here, so 48 pixels each side).
  Window big(application);
  options.client_width = 5000;
  options.client_height = 5000;
  options.ui_scale = 2.0f;
  ASSERT_TRUE(big.create(options));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(big.hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
  RECT outer{};
  GetWindowRect(big.hwnd(), &outer);
  EXPECT_EQ(outer.right - outer.left, monitor.rcWork.right - monitor.rcWork.left - 2 * 48);
  EXPECT_EQ(outer.left, monitor.rcWork.left + 48) << "not centred in the work area";
}

// The system's app theme is read again when Windows says settings changed, and every open window that
// follows the system turns with it.
TEST(ScaffoldWindow, ASystemThemeChangeReachesEveryWindow) {
  const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  DWORD saved = 1;
  DWORD size = sizeof(saved);
  const bool had = RegGetValueW(HKEY_CURRENT_USER, key, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &saved, &size) ==
                   ERROR_SUCCESS;
  const DWORD light = 1;
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key, L"AppsUseLightTheme", REG_DWORD, &light, sizeof(light)), ERROR_SUCCESS);

  scaffold::Application application;  // follows the system
  Window first(application);
  Window second(application);
  WindowOptions options = custom_options();
  ASSERT_TRUE(first.create(options));
  options.title = L"second";
  ASSERT_TRUE(second.create(options));
  first.set_content(content());
  second.set_content(content());
  int callbacks = 0;
  application.on_theme_changed([&](const modern::Palette&) { ++callbacks; });
  EXPECT_EQ(second.surface().palette().dark, 0);

  const DWORD dark = 0;
  RegSetKeyValueW(HKEY_CURRENT_USER, key, L"AppsUseLightTheme", REG_DWORD, &dark, sizeof(dark));
  SendMessageW(first.hwnd(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  EXPECT_NE(first.surface().palette().dark, 0);
  EXPECT_NE(second.surface().palette().dark, 0) << "the other window did not follow";
  EXPECT_EQ(callbacks, 1);
  // The same settings again change nothing.
  SendMessageW(second.hwnd(), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(callbacks, 1);

  if (had) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"AppsUseLightTheme", REG_DWORD, &saved, sizeof(saved));
  } else {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"AppsUseLightTheme");
  }
}

}  // namespace
}  // namespace scaffold_test
