// The window on small screens: at 96, 120 and 144 DPI on desktops of about 960 x 600 DIPs and less,
// it opens inside the work area with its caption buttons in reach, its least size fits, and the
// settings column scrolls (wheel, Tab onto a hidden control, controls scrolled out hidden) while the
// preview takes what is left. Each screen is a Wine desktop of its own size, with the DPI the prefix
// gives a process at its start, so each runs this program again there.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "controls_panel.h"
#include "desktop.h"
#include "modern/native/win32_edit.h"
#include "modern/panels/scroll_panel.h"
#include "modern/surface.h"
#include "modern/widgets/check_box.h"
#include "modern/widgets/slider.h"
#include "orvane_application.h"
#include "program_driver.h"
#include "test_files.h"
#include "test_support.h"
#include "views/preview_view.h"

namespace small_screen_test {
namespace {

namespace modern = win32_ui::modern;
using program_driver::Environment;
using program_driver::Program;

struct Screen {
  UINT dpi;
  int width;   // pixels
  int height;
};

constexpr wchar_t screen_flag[] = L"--small-screen=";

// The screen a child run was started for, from its command line.
bool child_screen(Screen& screen) {
  const wchar_t* flag = std::wcsstr(GetCommandLineW(), screen_flag);
  if (flag == nullptr) return false;
  return std::swscanf(flag + std::wcslen(screen_flag), L"%u,%d,%d", &screen.dpi, &screen.width, &screen.height) == 3;
}

// Sets the per-user DPI a Wine process takes at its start; puts the old value back when done.
class LogPixelsOverride {
 public:
  explicit LogPixelsOverride(DWORD dpi) {
    DWORD size = sizeof(old_);
    had_ = RegGetValueW(HKEY_CURRENT_USER, key, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &old_, &size) == ERROR_SUCCESS;
    set(dpi);
  }
  ~LogPixelsOverride() {
    if (had_) {
      set(old_);
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"LogPixels");
    }
  }
  LogPixelsOverride(const LogPixelsOverride&) = delete;
  LogPixelsOverride& operator=(const LogPixelsOverride&) = delete;

 private:
  static constexpr const wchar_t* key = L"Control Panel\\Desktop";
  static void set(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
  }
  DWORD old_ = 96;
  bool had_ = false;
};

std::string read_text(const std::wstring& path) {
  const std::vector<std::uint8_t> bytes = orvane::test::read_bytes(path);
  return std::string(bytes.begin(), bytes.end());
}

modern::ScrollPanel* find_settings(modern::View& view) {
  if (auto* panel = dynamic_cast<modern::ScrollPanel*>(&view)) return panel;
  if (auto* group = dynamic_cast<modern::ViewGroup*>(&view)) {
    for (const auto& child : group->children()) {
      if (modern::ScrollPanel* found = find_settings(*child)) return found;
    }
  }
  return nullptr;
}

// A rectangle of the main window's content in client pixels.
RECT client_pixels(HWND window, const win32_ui::layout::Rect& r) {
  const float s = 0.92f * static_cast<float>(GetDpiForWindow(window)) / 96.0f;
  return RECT{static_cast<LONG>(r.x * s), static_cast<LONG>(r.y * s), static_cast<LONG>((r.x + r.width) * s),
              static_cast<LONG>((r.y + r.height) * s)};
}

bool inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

// Whether any part of a child control shows (a region or a hidden window takes it away).
bool shows(void* native) {
  const auto control = static_cast<HWND>(native);
  if (IsWindowVisible(control) == FALSE) return false;
  RECT box{};
  return GetWindowRgnBox(control, &box) == ERROR || IsRectEmpty(&box) == FALSE;
}

// Runs on the small desktop: everything is checked in this process, at its DPI.
TEST(SmallScreen, DISABLED_Child) {
  Screen screen{};
  ASSERT_TRUE(child_screen(screen)) << "started without " << "--small-screen=";
  Environment environment;
  orvane::test::TempDir folder;
  const std::wstring photo = folder.file(L"photo.png");
  ASSERT_TRUE(orvane::test::save_pixels(orvane::test::make_pattern(1800, 1200), photo, L"image/png"));
  Program program(photo);
  const HWND window = program.hwnd();
  ASSERT_NE(window, nullptr);
  const std::wstring tag = std::to_wstring(screen.dpi) + L"dpi-" + std::to_wstring(screen.width) + L"x" +
                           std::to_wstring(screen.height);
  ASSERT_EQ(GetDpiForWindow(window), screen.dpi) << "the prefix's DPI did not reach the program";

  // The first size: inside the work area, so the caption buttons are in reach.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor));
  const RECT work = monitor.rcWork;
  EXPECT_LE(work.right - work.left, screen.width);
  RECT frame{};
  GetWindowRect(window, &frame);
  EXPECT_TRUE(inside(frame, work)) << "window " << frame.left << "," << frame.top << "," << frame.right << ","
                                   << frame.bottom << " leaves the work area " << work.right << "x" << work.bottom;

  // The least size fits as well: asked for 100 x 100, the window stops at its minimum, inside.
  SetWindowPos(window, nullptr, work.left, work.top, 100, 100, SWP_NOZORDER);
  desktop::pump(100);
  RECT least{};
  GetWindowRect(window, &least);
  EXPECT_LE(least.right - least.left, work.right - work.left);
  EXPECT_LE(least.bottom - least.top, work.bottom - work.top);
  EXPECT_GT(least.right - least.left, 100) << "no minimum size at all";
  // Back to a size that needs scrolling: the whole work area, as a user would make it.
  SetWindowPos(window, nullptr, work.left, work.top, work.right - work.left, work.bottom - work.top, SWP_NOZORDER);
  program->window().surface().layout_now();
  desktop::pump(200);

  modern::Surface& surface = program->window().surface();
  ASSERT_NE(surface.root(), nullptr);
  modern::ScrollPanel* settings = find_settings(*surface.root());
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(surface.scroll_offset(), 0.0f) << "the window scrolls as a whole";
  RECT client{};
  GetClientRect(window, &client);
  orvane::app::ControlsPanel& panel = program->controls();
  ASSERT_TRUE(settings->overflows()) << "the settings fit; this screen tests nothing";
  const RECT column = client_pixels(window, settings->arranged_rect());
  EXPECT_TRUE(inside(column, client));
  // The preview takes what the header leaves, down to the column's bottom.
  const modern::View* preview = program->preview();
  ASSERT_NE(preview, nullptr);
  const RECT shown = client_pixels(window, preview->arranged_rect());
  EXPECT_TRUE(inside(shown, client));
  EXPECT_GT(shown.bottom - shown.top, 100);
  EXPECT_GT(shown.right - shown.left, 200);
  program_driver::save_shot(window, L"small-screen-" + tag + L".png");

  // Tab from the text to the last control brings it into view and scrolls the first out of it.
  const RECT text_box = client_pixels(window, panel.text_edit()->arranged_rect());
  desktop::click(window, POINT{(text_box.left + text_box.right) / 2, (text_box.top + text_box.bottom) / 2});
  for (int i = 0; i < 20 && !panel.quality_slider()->focused(); ++i) desktop::press_key(VK_TAB);
  ASSERT_TRUE(panel.quality_slider()->focused());
  surface.layout_now();
  desktop::pump(100);
  EXPECT_GT(settings->offset(), 0.0f);
  EXPECT_TRUE(inside(client_pixels(window, panel.quality_slider()->arranged_rect()), column))
      << "the focused slider stays hidden";
  EXPECT_FALSE(shows(panel.text_edit()->window())) << "an edit scrolled out of the column floats over the header";
  program_driver::save_shot(window, L"small-screen-" + tag + L"-scrolled.png");
  // The bar in the dark palette too (the window's own mode, so no preference is written).
  program->window().host().set_theme_mode(modern::ThemeMode::dark);
  desktop::pump(200);
  program_driver::save_shot(window, L"small-screen-" + tag + L"-scrolled-dark.png");
  program->window().host().set_theme_mode(modern::ThemeMode::light);

  // The wheel over the column (over the labels: a list under the pointer takes the wheel itself)
  // goes back to the top.
  desktop::wheel(window, POINT{column.left + (column.right - column.left) / 8, (column.top + column.bottom) / 2}, 20);
  surface.layout_now();
  desktop::pump(100);
  EXPECT_EQ(settings->offset(), 0.0f);
  EXPECT_TRUE(shows(panel.text_edit()->window()));
}

// Starts the child on a Wine desktop of the screen's size at its DPI and reads its result.
void run_on(const Screen& screen) {
  const orvane::test::TempDir folder;
  const std::wstring result = folder.file(L"result.xml");
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring size = std::to_wstring(screen.width) + L"x" + std::to_wstring(screen.height);
  std::wstring command = L"explorer.exe /desktop=OrvaneSmall" + std::to_wstring(screen.dpi) + L"," + size + L" \"" +
                         self + L"\" --gtest_filter=SmallScreen.DISABLED_Child --gtest_also_run_disabled_tests" +
                         L" --gtest_output=xml:" + result + L" " + screen_flag + std::to_wstring(screen.dpi) + L"," +
                         std::to_wstring(screen.width) + L"," + std::to_wstring(screen.height);
  // The DPI is read when a process starts; it stays set until the child is done, as nothing else
  // runs meanwhile.
  const LogPixelsOverride dpi(screen.dpi);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  CloseHandle(process.hThread);
  std::string xml;
  for (int waited = 0; waited < 180000; waited += 200) {
    xml = read_text(result);
    if (xml.find("</testsuites>") != std::string::npos) break;
    Sleep(200);
  }
  // The desktop's explorer ends with its last window; it is never left behind.
  if (WaitForSingleObject(process.hProcess, 15000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hProcess);
  ASSERT_NE(xml.find("</testsuites>"), std::string::npos) << "the run at " << screen.dpi << " DPI gave no result";
  EXPECT_NE(xml.find("tests=\"1\" failures=\"0\""), std::string::npos) << "at " << screen.dpi << " DPI:\n" << xml;
}

TEST(SmallScreen, TheWindowFitsAndItsSettingsScrollAtEveryScale) {
  if (!orvane::test::running_under_wine()) {
    // Sized desktops and a per-process DPI are Wine's; on Windows the check needs a small monitor.
    GTEST_SKIP() << "needs Wine's sized desktops";
  }
  // 960 x 600 DIPs at 96 and 120 DPI; 853 x 600 at 144, smaller than the least screen promised.
  for (const Screen& screen : {Screen{96, 960, 600}, Screen{120, 1200, 750}, Screen{144, 1280, 900}}) {
    SCOPED_TRACE(screen.dpi);
    run_on(screen);
  }
}

}  // namespace
}  // namespace small_screen_test
