#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "modern/native/win32_combo_box.h"
#include "modern/native/win32_edit.h"
#include "platform/windows/native_messages.h"
#include "surface_fixture.h"

namespace surface_test {
namespace {

using modern::Win32ComboBox;
using modern::Win32Edit;

// A column with a button, an edit, a combo box and another button, all real.
struct NativeStage : SurfaceStage {
  Button* before = nullptr;
  Win32Edit* edit = nullptr;
  Win32ComboBox* combo = nullptr;
  Button* after = nullptr;
  std::vector<std::wstring> texts;
  std::vector<int> selections;

  explicit NativeStage(int height = 360) : SurfaceStage(480, height, 180, 140) {
    auto root = column(12.0f);
    before = &add<Button>(*root, 160, 36, 1u, L"Before");
    edit = &add<Win32Edit>(*root, 240, 32, 10);
    combo = &add<Win32ComboBox>(*root, 200, 32, 11);
    combo->set_items({L"Grid", L"Staggered", L"Centre"});
    combo->set_selected_index(0);
    after = &add<Button>(*root, 160, 36, 2u, L"After");
    edit->on_text_changed([this](std::wstring_view text) { texts.emplace_back(text); });
    combo->on_selection_changed([this](int index) { selections.push_back(index); });
    show(std::move(root));
  }

  HWND edit_window() const { return static_cast<HWND>(edit->native_window()); }
  HWND combo_window() const { return static_cast<HWND>(combo->native_window()); }
  modern::View* focused() { return surface.view_root().focused(); }
};

TEST(SurfaceNative, TypingReachesTheEditAndArrowsStayInIt) {
  NativeStage stage;
  ASSERT_NE(stage.edit_window(), nullptr);
  desktop::click(stage.window.hwnd(), stage.centre_of(*stage.edit));
  EXPECT_EQ(GetFocus(), stage.edit_window());
  EXPECT_EQ(stage.focused(), stage.edit) << "the tree's focus follows the native focus";

  desktop::type_text(L"示例水印");
  EXPECT_EQ(stage.edit->text(), L"示例水印");
  ASSERT_FALSE(stage.texts.empty());
  EXPECT_EQ(stage.texts.back(), L"示例水印") << "the callback receives the whole text";

  // Left moves the caret, not the focus: the next character lands before the last one.
  desktop::press_key(VK_LEFT);
  EXPECT_EQ(stage.focused(), stage.edit);
  desktop::type_text(L"X");
  EXPECT_EQ(stage.edit->text(), L"示例水X印");
  desktop::press_key(VK_RIGHT);
  desktop::press_key(VK_UP);
  EXPECT_EQ(stage.focused(), stage.edit);
  EXPECT_EQ(GetFocus(), stage.edit_window());

  // Tab leaves the edit for the next entry without putting a tab character in it.
  desktop::press_key(VK_TAB);
  EXPECT_EQ(stage.focused(), stage.combo);
  EXPECT_EQ(GetFocus(), stage.combo_window());
  EXPECT_EQ(stage.edit->text(), L"示例水X印");
  desktop::press_key(VK_TAB, true);
  EXPECT_EQ(stage.focused(), stage.edit);
  EXPECT_EQ(GetFocus(), stage.edit_window());
}

TEST(SurfaceNative, ArrowsChangeAClosedComboBoxOnceEach) {
  NativeStage stage;
  desktop::press_key(VK_TAB);  // nothing focused: the first entry
  desktop::press_key(VK_TAB);
  desktop::press_key(VK_TAB);
  ASSERT_EQ(stage.focused(), stage.combo);
  ASSERT_EQ(GetFocus(), stage.combo_window());
  desktop::press_key(VK_DOWN);
  EXPECT_EQ(stage.combo->selected_index(), 1);
  desktop::press_key(VK_DOWN);
  EXPECT_EQ(stage.combo->selected_index(), 2);
  desktop::press_key(VK_UP);
  EXPECT_EQ(stage.selections, (std::vector<int>{1, 2, 1})) << "each change reported once";
  EXPECT_EQ(stage.focused(), stage.combo) << "arrows moved the focus away from the combo box";
}

// Alt+Tab away and back (or a common dialog closing) focuses the top-level window: typing must reach the
// edit that had focus.
TEST(SurfaceNative, ReactivationGivesTheFocusedEditItsFocusBack) {
  NativeStage stage;
  desktop::click(stage.window.hwnd(), stage.centre_of(*stage.edit));
  ASSERT_EQ(GetFocus(), stage.edit_window());
  {
    desktop::TestWindow other(200, 100, 700, 500, L"other");
    desktop::pump(50);
    EXPECT_NE(GetFocus(), stage.edit_window());
  }
  SetForegroundWindow(stage.window.hwnd());
  SetActiveWindow(stage.window.hwnd());
  SetFocus(stage.window.hwnd());
  desktop::pump(50);
  EXPECT_EQ(GetFocus(), stage.edit_window());
  desktop::type_text(L"ok");
  EXPECT_EQ(stage.edit->text(), L"ok");
}

// Controls sit where the surface paints their views: the whole scale (UI scale included), and the scroll.
TEST(SurfaceNative, ControlsFollowTheUiScaleAndTheScroll) {
  NativeStage stage(180);
  HWND hwnd = stage.window.hwnd();
  auto control_rect = [&](HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  auto expected_left_top = [&](const modern::View& view) {
    const float scale = stage.surface.dpi() / 96.0f * stage.surface.ui_scale();
    const layout::Rect v = view.arranged_rect();
    return POINT{static_cast<LONG>(std::lround(v.x * scale)),
                 static_cast<LONG>(std::lround((v.y - stage.surface.scroll_offset()) * scale))};
  };

  stage.surface.set_ui_scale(0.92f);
  UpdateWindow(hwnd);
  RECT edit = control_rect(stage.edit_window());
  POINT want = expected_left_top(*stage.edit);
  EXPECT_EQ(edit.left, want.x);
  EXPECT_EQ(edit.top, want.y);
  EXPECT_EQ(edit.right - edit.left, std::lround(240 * 0.92f));

  // A move to a 144-dpi monitor: everything at 1.5 times, the UI scale kept.
  RECT suggested{};
  GetWindowRect(hwnd, &suggested);
  SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_FLOAT_EQ(stage.surface.dpi(), 144.0f);
  edit = control_rect(stage.edit_window());
  want = expected_left_top(*stage.edit);
  EXPECT_EQ(edit.left, want.x);
  EXPECT_EQ(edit.right - edit.left, std::lround(240 * 1.5f * 0.92f));

  // Content taller than the window: the wheel scrolls and the controls move with their views.
  desktop::wheel(hwnd, stage.centre_of(*stage.before), -1);
  ASSERT_GT(stage.surface.scroll_offset(), 0.0f);
  edit = control_rect(stage.edit_window());
  want = expected_left_top(*stage.edit);
  EXPECT_EQ(edit.top, want.y);
  desktop::wheel(hwnd, stage.centre_of(*stage.after), -10);
  want = expected_left_top(*stage.edit);
  // Scrolled to the end the edit is still in view: it must still show, at its scrolled place.
  ASSERT_GT(want.y + 32, 0);
  EXPECT_TRUE(IsWindowVisible(stage.edit_window())) << "a control still in view was hidden";
  EXPECT_EQ(control_rect(stage.edit_window()).top, want.y);
}

// The surface's private key and focus messages are numbers any program can send to every window
// (a broadcast): from another thread they must neither crash the program nor move focus. From the
// surface's own thread, where its hosted controls send them, they still work.
TEST(SurfaceNative, KeyAndFocusMessagesFromOtherThreadsAreIgnored) {
  NativeStage stage;
  HWND window = stage.window.hwnd();
  HWND edit = stage.edit_window();
  ASSERT_TRUE(stage.surface.request_focus(*stage.before, modern::FocusOrigin::keyboard));
  const WPARAM tab = platform::pack_native_key(WM_KEYDOWN, VK_TAB);
  DWORD_PTR answers[3] = {9, 9, 9};
  std::atomic<bool> done{false};
  std::thread other([&] {
    SendMessageTimeoutW(window, platform::native_key_message, 0, 1, SMTO_NORMAL, 5000, &answers[0]);
    SendMessageTimeoutW(window, platform::native_key_message, tab, 1, SMTO_NORMAL, 5000, &answers[1]);
    SendMessageTimeoutW(window, platform::native_focus_message, 0, reinterpret_cast<LPARAM>(edit), SMTO_NORMAL, 5000,
                        &answers[2]);
    done = true;
  });
  EXPECT_TRUE(desktop::pump_until([&] { return done.load(); }, 20000));
  other.join();
  EXPECT_EQ(answers[0], 0u);
  EXPECT_EQ(answers[1], 0u) << "a Tab from another thread was taken";
  EXPECT_EQ(stage.focused(), stage.before) << "another thread moved the focus";

  EXPECT_EQ(SendMessageW(window, platform::native_key_message, tab, 1), 1);
  EXPECT_EQ(stage.focused(), stage.edit) << "the same Tab from this thread did not move the focus";
  desktop::pump(50);
  orvane::test::GdiplusScope gdiplus;
  EXPECT_TRUE(orvane::test::save_pixels(desktop::capture_client(window),
                                        std::wstring(L"" ARTEFACT_DIR) + L"/foreign_key_messages.png", L"image/png"));
}

// Another program sends the same numbers: the surface's process survives and nothing moves.
TEST(SurfaceNative, KeyAndFocusMessagesFromAnotherProcessAreIgnored) {
  NativeStage stage;
  ASSERT_TRUE(stage.surface.request_focus(*stage.before, modern::FocusOrigin::keyboard));
  const std::wstring target = std::to_wstring(reinterpret_cast<std::uintptr_t>(stage.window.hwnd())) + L" " +
                              std::to_wstring(reinterpret_cast<std::uintptr_t>(stage.edit_window()));
  ASSERT_TRUE(SetEnvironmentVariableW(L"ORVANE_FOREIGN_SENDER_TARGET", target.c_str()));
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring command = std::wstring(L"\"") + path +
                         L"\" --gtest_also_run_disabled_tests --gtest_filter=SurfaceNative.DISABLED_ForeignSender";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(path, command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                                      &startup, &process);
  SetEnvironmentVariableW(L"ORVANE_FOREIGN_SENDER_TARGET", nullptr);
  ASSERT_TRUE(started);
  EXPECT_TRUE(desktop::pump_until([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 30000));
  DWORD exit_code = 1;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(exit_code, 0u) << "the sending program saw an answer it should not have";
  EXPECT_TRUE(IsWindow(stage.window.hwnd()));
  EXPECT_EQ(stage.focused(), stage.before) << "another program moved the focus";
}

// The other program of the test above; it runs only when that test starts it.
TEST(SurfaceNative, DISABLED_ForeignSender) {
  wchar_t target[64] = {};
  ASSERT_NE(GetEnvironmentVariableW(L"ORVANE_FOREIGN_SENDER_TARGET", target, 64), 0u);
  wchar_t* end = nullptr;
  auto window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::wcstoull(target, &end, 10)));
  auto edit = static_cast<LPARAM>(std::wcstoll(end, nullptr, 10));
  DWORD_PTR answer = 9;
  EXPECT_NE(SendMessageTimeoutW(window, platform::native_key_message, 0, 1, SMTO_NORMAL, 5000, &answer), 0);
  EXPECT_EQ(answer, 0u);
  answer = 9;
  SendMessageTimeoutW(window, platform::native_key_message, platform::pack_native_key(WM_KEYDOWN, VK_TAB), 1,
                      SMTO_NORMAL, 5000, &answer);
  EXPECT_EQ(answer, 0u);
  SendMessageTimeoutW(window, platform::native_focus_message, 0, edit, SMTO_NORMAL, 5000, &answer);
}

}  // namespace
}  // namespace surface_test
