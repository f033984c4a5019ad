#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "desktop.h"
#include "modern/panels/stack_panel.h"
#include "modern/widgets/button.h"
#include "modern/widgets/menu_item.h"
#include "scaffold/application.h"
#include "scaffold/dialog.h"
#include "scaffold/view_popup.h"
#include "scaffold/window.h"

namespace scaffold_test {
namespace {

using namespace win32_ui;
using scaffold::DialogResult;
using scaffold::MessageButtons;

// Runs `act` once from inside whatever message loop is running (a dialog's nested one), after a delay.
void soon(std::function<void()> act, int milliseconds = 120) {
  static std::function<void()> pending;
  pending = std::move(act);
  SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto run = std::move(pending);
    pending = nullptr;
    if (run) run();
  });
}

// The dialog window now active (the scaffold class), or null.
HWND active_dialog() {
  HWND active = GetActiveWindow();
  wchar_t name[64] = {};
  if (active != nullptr) GetClassNameW(active, name, 64);
  return std::wstring(name) == L"Win32UiScaffoldWindow_v1" ? active : nullptr;
}

struct MainWindow {
  scaffold::Application application;
  scaffold::Window window{application};
  modern::Button* theme = nullptr;
  MainWindow() {
    scaffold::WindowOptions options;
    options.title = L"owner";
    options.client_width = 520;
    options.client_height = 300;
    window.create(options);
    auto panel = std::make_unique<modern::StackPanel>(modern::Orientation::horizontal, 8.0f, layout::Thickness::uniform(16.0f));
    theme = static_cast<modern::Button*>(panel->add_child(std::make_unique<modern::Button>(1u, L"Theme", 3)));
    window.set_content(std::move(panel));
    window.show(SW_SHOWNORMAL);
    SetForegroundWindow(window.hwnd());
    desktop::pump(60);
  }
  RECT anchor_of(const modern::View& view) const {
    const layout::Rect r = view.arranged_rect();
    RECT rect{static_cast<LONG>(r.x), static_cast<LONG>(r.y), static_cast<LONG>(r.x + r.width),
              static_cast<LONG>(r.y + r.height)};
    MapWindowPoints(window.hwnd(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  POINT centre(const modern::View& view) const {
    const layout::Rect r = view.arranged_rect();
    return POINT{static_cast<LONG>(r.x + r.width / 2), static_cast<LONG>(r.y + r.height / 2)};
  }
};

// The theme menu's look: 210 x 132 DIPs in the main window's palette, at a zoom of 1.
scaffold::PopupOptions menu_options(MainWindow& main) {
  scaffold::PopupOptions options;
  options.width = 210.0f;
  options.height = 132.0f;
  options.palette = main.window.surface().palette();
  return options;
}

std::unique_ptr<modern::View> menu(std::vector<modern::MenuItem*>* items = nullptr) {
  auto panel = std::make_unique<modern::StackPanel>(modern::Orientation::vertical, 2.0f, layout::Thickness::uniform(6.0f));
  int i = 0;
  for (const wchar_t* label : {L"Follow system", L"Light", L"Dark"}) {
    auto* item = static_cast<modern::MenuItem*>(panel->add_child(std::make_unique<modern::MenuItem>(100u + i, label, i == 0)));
    if (items != nullptr) items->push_back(item);
    ++i;
  }
  return panel;
}

TEST(ScaffoldPopup, PlacementKeepsThePopupNextToItsAnchorInsideTheWorkArea) {
  const RECT work{0, 0, 1280, 1000};
  // Below the anchor with a 4-DIP gap, start-aligned or end-aligned.
  auto p = scaffold::place_popup(RECT{100, 100, 200, 140}, work, 210, 132, 1.0f, false);
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 144);
  EXPECT_EQ(p.width, 210);
  p = scaffold::place_popup(RECT{1000, 100, 1100, 140}, work, 210, 132, 1.5f, true);
  EXPECT_EQ(p.x, 1100 - 315) << "end-aligned at 1.5x";
  EXPECT_EQ(p.y, 140 + 6);
  p = scaffold::place_popup(RECT{10, 100, 60, 140}, work, 210, 132, 1.0f, true);
  EXPECT_EQ(p.x, 0) << "clamped into the work area";
  // Near the bottom: above the anchor.
  p = scaffold::place_popup(RECT{100, 950, 200, 990}, work, 210, 132, 1.0f, false);
  EXPECT_EQ(p.y, 950 - 4 - 132);
  // Fits neither below nor above: below, pushed up to the bottom edge.
  p = scaffold::place_popup(RECT{100, 300, 200, 340}, work, 210, 900, 1.0f, false);
  EXPECT_EQ(p.y, 1000 - 900);
  // Wider than the work area: cut to its width.
  p = scaffold::place_popup(RECT{100, 100, 200, 140}, work, 2000, 100, 1.0f, false);
  EXPECT_EQ(p.width, 1280);
  EXPECT_EQ(p.x, 0);
}

TEST(ScaffoldPopup, AMenuOpensAndClosesFromItsButtonAndByEachRule) {
  orvane::test::GdiplusScope gdiplus;
  MainWindow main;
  scaffold::PopupHolder holder;
  HWND owner = main.window.hwnd();
  std::vector<modern::MenuItem*> items;
  main.theme->on_invoked([&] {
    items.clear();
    holder.toggle(owner, main.anchor_of(*main.theme), [&] { return menu(&items); }, menu_options(main));
  });

  // Open with a real click: the pop-up sits below the button and has the activation.
  desktop::click(owner, main.centre(*main.theme));
  ASSERT_TRUE(holder.is_open());
  HWND popup = holder.popup()->hwnd();
  RECT placed{};
  GetWindowRect(popup, &placed);
  const RECT anchor = main.anchor_of(*main.theme);
  EXPECT_EQ(placed.left, anchor.left);
  EXPECT_EQ(placed.top, anchor.bottom + 4);
  EXPECT_EQ(GetForegroundWindow(), popup);

  // Keyboard: the first item has the focus, Down walks the items.
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(holder.popup()->surface().view_root().focused(), items[0]);
  desktop::press_key(VK_DOWN);
  EXPECT_EQ(holder.popup()->surface().view_root().focused(), items[1]);
  desktop::pump(50);
  const orvane::test::Pixels shot = desktop::capture_client(popup);
  EXPECT_TRUE(orvane::test::save_pixels(shot, std::wstring(L"" ARTEFACT_DIR) + L"/menu_open.png", L"image/png"));

  // The same button again closes it, and does not open it again.
  desktop::click(owner, main.centre(*main.theme));
  desktop::pump(100);
  EXPECT_FALSE(holder.is_open()) << "a click on the menu's own button reopened it";
  desktop::click(owner, main.centre(*main.theme));
  EXPECT_TRUE(holder.is_open()) << "the next click must open it again";

  // Escape closes it and gives the owner its focus back.
  desktop::press_key(VK_ESCAPE);
  desktop::pump(50);
  EXPECT_FALSE(holder.is_open());
  EXPECT_EQ(GetForegroundWindow(), owner);

  // Clicking another window closes it without pulling the focus back.
  desktop::click(owner, main.centre(*main.theme));
  ASSERT_TRUE(holder.is_open());
  desktop::TestWindow other(200, 120, 800, 600, L"other");
  desktop::click(other.hwnd(), POINT{100, 60});
  desktop::pump(100);
  EXPECT_FALSE(holder.is_open());
  EXPECT_EQ(GetForegroundWindow(), other.hwnd());
}

// A menu takes Escape and the arrows whether a click or an automation invoke (no key, no pointer in the
// pop-up) opened it, and a close from outside hands the owner its focus back.
TEST(ScaffoldPopup, AMenuTakesTheKeysHoweverItWasOpened) {
  orvane::test::GdiplusScope gdiplus;
  MainWindow main;
  scaffold::PopupHolder holder;
  HWND owner = main.window.hwnd();
  std::vector<modern::MenuItem*> items;
  const auto open = [&] {
    items.clear();
    holder.toggle(owner, main.anchor_of(*main.theme), [&] { return menu(&items); }, menu_options(main));
  };
  main.theme->on_invoked(open);
  for (const bool by_click : {true, false}) {
    SCOPED_TRACE(by_click ? "opened by a click" : "opened by an automation invoke");
    if (by_click) {
      desktop::click(owner, main.centre(*main.theme));
    } else {
      open();
      desktop::pump(50);
    }
    ASSERT_TRUE(holder.is_open());
    HWND popup = holder.popup()->hwnd();
    EXPECT_EQ(GetFocus(), popup);
    // Windows leaves the focus of a newly active window to its default handling of the activation (Wine
    // sets it itself): with the focus taken away, activation alone must give it back.
    SetFocus(nullptr);
    SendMessageW(popup, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetFocus(), popup) << "the activated pop-up did not take the keyboard focus";

    modern::ViewRoot& tree = holder.popup()->surface().view_root();
    const modern::View* before = tree.focused();
    desktop::press_key(VK_DOWN);
    EXPECT_NE(tree.focused(), nullptr) << "Down did nothing";
    EXPECT_NE(tree.focused(), before) << "Down did nothing";
    desktop::pump(50);
    EXPECT_TRUE(orvane::test::save_pixels(desktop::capture_client(popup),
                                          std::wstring(L"" ARTEFACT_DIR) + (by_click ? L"/menu_keys_click.png"
                                                                                     : L"/menu_keys_invoke.png"),
                                          L"image/png"));
    desktop::press_key(VK_ESCAPE);
    desktop::pump(50);
    EXPECT_FALSE(holder.is_open()) << "Escape did not close the menu";
    EXPECT_EQ(GetForegroundWindow(), owner);
  }

  // Closed from outside (Alt+F4, another program): the owner gets the foreground and the focus back.
  open();
  desktop::pump(50);
  ASSERT_TRUE(holder.is_open());
  SendMessageW(holder.popup()->hwnd(), WM_CLOSE, 0, 0);
  desktop::pump(50);
  EXPECT_FALSE(holder.is_open());
  EXPECT_EQ(GetForegroundWindow(), owner);
  EXPECT_EQ(GetFocus(), owner);
}

// A press on the anchor closes the open menu; dragged off the anchor before the release it is no click,
// and the next real click on the anchor must open the menu again.
TEST(ScaffoldPopup, APressDraggedOffTheAnchorDoesNotSwallowTheNextClick) {
  orvane::test::GdiplusScope gdiplus;
  MainWindow main;
  scaffold::PopupHolder holder;
  HWND owner = main.window.hwnd();
  main.theme->on_invoked([&] {
    holder.toggle(owner, main.anchor_of(*main.theme), [] { return menu(); }, menu_options(main));
  });
  const POINT anchor = main.centre(*main.theme);
  desktop::click(owner, anchor);
  ASSERT_TRUE(holder.is_open());
  desktop::drag(owner, anchor, POINT{anchor.x + 300, anchor.y + 180});
  EXPECT_FALSE(holder.is_open());
  desktop::click(owner, anchor);
  EXPECT_TRUE(holder.is_open()) << "the click after a press dragged off the anchor did not open the menu";
  holder.close();
}

TEST(ScaffoldPopup, TwoHundredPopupsLeaveNoWindowsOrGdiObjects) {
  MainWindow main;
  scaffold::ViewPopup popup;
  const RECT anchor = main.anchor_of(*main.theme);
  auto cycle = [&] {
    ASSERT_TRUE(popup.show(main.window.hwnd(), anchor, menu(), menu_options(main)));
    UpdateWindow(popup.hwnd());
    popup.close(true);
  };
  for (int i = 0; i < 10; ++i) cycle();
  desktop::pump(20);
  const int gdi = desktop::gdi_object_count();
  const int windows = desktop::thread_window_count();
  for (int i = 0; i < 200; ++i) cycle();
  desktop::pump(20);
  EXPECT_LE(desktop::gdi_object_count(), gdi + 4);
  EXPECT_EQ(desktop::thread_window_count(), windows);
}

struct ButtonSet {
  MessageButtons buttons;
  std::vector<DialogResult> results;
  DialogResult cancel;
};

const std::vector<ButtonSet>& button_sets() {
  static const std::vector<ButtonSet> sets{
      {MessageButtons::ok, {1}, 1},
      {MessageButtons::ok_cancel, {1, 2}, 2},
      {MessageButtons::yes_no, {6, 7}, 7},
      {MessageButtons::yes_no_cancel, {6, 7, 2}, 2},
      {MessageButtons::retry_cancel, {4, 2}, 2},
      {MessageButtons::abort_retry_ignore, {3, 4, 5}, 3},
      {MessageButtons::cancel_try_continue, {2, 10, 11}, 2},
  };
  return sets;
}

// Clicking each button of each set returns its result, in both languages; the owner is disabled while the
// dialog runs and active again after it; Escape gives the cancel result and Enter the default.
TEST(ScaffoldDialog, EveryButtonSetAnswersWithItsResults) {
  orvane::test::GdiplusScope gdiplus;
  MainWindow main;
  HWND owner = main.window.hwnd();
  for (const wchar_t* language : {L"en-US", L"zh-CN"}) {
    main.application.set_localization(scaffold::Application::make_localization(language));
    for (const ButtonSet& set : button_sets()) {
      for (std::size_t index = 0; index < set.results.size(); ++index) {
        bool owner_was_disabled = false;
        soon([&, index] {
          HWND dialog = active_dialog();
          owner_was_disabled = IsWindowEnabled(owner) == FALSE;
          if (dialog == nullptr) return;
          if (index == 0 && set.buttons == MessageButtons::yes_no_cancel) {
            desktop::pump(50);
            EXPECT_TRUE(orvane::test::save_pixels(desktop::capture_client(dialog),
                                      std::wstring(L"" ARTEFACT_DIR) + L"/message_" + language + L".png",
                                      L"image/png"));
          }
          // The buttons sit right-aligned on the last row: 96 DIPs each, 8 apart, 20 from the edge.
          RECT client{};
          GetClientRect(dialog, &client);
          const LONG count = static_cast<LONG>(set.results.size());
          const LONG left = client.right - 20 - count * 96 - (count - 1) * 8 + static_cast<LONG>(index) * 104;
          desktop::click(dialog, POINT{left + 48, client.bottom - 20 - 22});
        });
        scaffold::MessageInput input;
        input.title = modern::LocalizedText::literal(L"Orvane");
        input.message = modern::LocalizedText::literal(std::wstring(language) == L"zh-CN"
                                                           ? L"无法保存水印图片。请选择另一个文件名。"
                                                           : L"The watermarked image could not be saved. Choose another filename.");
        input.owner = owner;
        input.buttons = set.buttons;
        input.kind = scaffold::MessageKind::warning;
        const DialogResult result = scaffold::show_message(main.application, input);
        EXPECT_EQ(result, set.results[index]) << "set " << static_cast<int>(set.buttons) << " button " << index;
        EXPECT_TRUE(owner_was_disabled);
        EXPECT_TRUE(IsWindowEnabled(owner));
        EXPECT_EQ(GetActiveWindow(), owner) << "the owner is not active after the dialog";
      }
    }
  }

  // Keys: Escape → the cancel result, Enter → the first button's result.
  for (const auto& [key, want] : {std::pair<WORD, DialogResult>{VK_ESCAPE, 7}, {VK_RETURN, 6}}) {
    soon([key = key] { desktop::press_key(key); });
    scaffold::MessageInput input;
    input.title = modern::LocalizedText::literal(L"Keys");
    input.message = modern::LocalizedText::literal(L"Yes or no?");
    input.owner = owner;
    input.buttons = MessageButtons::yes_no;
    EXPECT_EQ(scaffold::show_message(main.application, input), want);
  }
  // The caption's close button (WM_CLOSE) gives the cancel result.
  soon([] { SendMessageW(active_dialog(), WM_CLOSE, 0, 0); });
  scaffold::MessageInput input;
  input.title = modern::LocalizedText::literal(L"Close");
  input.message = modern::LocalizedText::literal(L"Closed by the frame");
  input.owner = owner;
  input.buttons = MessageButtons::retry_cancel;
  EXPECT_EQ(scaffold::show_message(main.application, input), 2);
}

TEST(ScaffoldDialog, NestedDialogsMinimisedOwnersQuitAndFailuresLeaveTheOwnerUsable) {
  MainWindow main;
  HWND owner = main.window.hwnd();
  scaffold::Dialog outer(main.application);
  DialogResult inner_result = -1;
  outer.on_shown([&](scaffold::Dialog& dialog) {
    // A dialog opened from a dialog: the first one is its owner.
    soon([] { desktop::press_key(VK_RETURN); });
    scaffold::MessageInput input;
    input.title = modern::LocalizedText::literal(L"Inner");
    input.message = modern::LocalizedText::literal(L"Inner message");
    input.owner = dialog.window().hwnd();
    inner_result = scaffold::show_message(main.application, input);
    EXPECT_TRUE(IsWindowEnabled(dialog.window().hwnd()));
    dialog.close_with(11);
  });
  scaffold::DialogOptions options;
  options.title = modern::LocalizedText::literal(L"Outer");
  options.owner = owner;
  std::vector<scaffold::DialogAction> actions{{2, modern::LocalizedText::literal(L"Cancel"), false}};
  EXPECT_EQ(outer.show_modal(options, std::make_unique<modern::View>(), actions), 11);
  EXPECT_EQ(inner_result, 1);
  EXPECT_TRUE(IsWindowEnabled(owner));

  // The owner is enabled again before the dialog window goes, so Windows hands the activation back to it
  // rather than to another program.
  bool owner_enabled_at_destroy = false;
  scaffold::Dialog ordered(main.application);
  ordered.on_shown([&](scaffold::Dialog& dialog) {
    dialog.window().host().on_destroyed([&] { owner_enabled_at_destroy = IsWindowEnabled(owner) != FALSE; });
    dialog.close_with(1);
  });
  EXPECT_EQ(ordered.show_modal(options, std::make_unique<modern::View>(), actions), 1);
  EXPECT_TRUE(owner_enabled_at_destroy);

  // Three actions raise the minimum width to 360 DIPs.
  scaffold::Dialog sized(main.application);
  RECT client{};
  sized.on_shown([&](scaffold::Dialog& dialog) {
    GetClientRect(dialog.window().hwnd(), &client);
    dialog.close_with(1);
  });
  options.client_width = 200;
  std::vector<scaffold::DialogAction> three = scaffold::message_actions(MessageButtons::yes_no_cancel, 0);
  EXPECT_EQ(sized.show_modal(options, std::make_unique<modern::View>(), three), 1);
  EXPECT_GE(client.right, 360);

  // Over a minimised owner.
  ShowWindow(owner, SW_MINIMIZE);
  soon([] { desktop::press_key(VK_ESCAPE); });
  scaffold::MessageInput input;
  input.title = modern::LocalizedText::literal(L"Minimised");
  input.message = modern::LocalizedText::literal(L"Over a minimised owner");
  input.owner = owner;
  input.buttons = MessageButtons::ok_cancel;
  EXPECT_EQ(scaffold::show_message(main.application, input), 2);
  EXPECT_TRUE(IsWindowEnabled(owner));
  ShowWindow(owner, SW_RESTORE);

  // No actions: nothing shows and the owner stays usable.
  scaffold::Dialog empty(main.application);
  EXPECT_EQ(empty.show_modal(options, std::make_unique<modern::View>(), {}), 0);
  EXPECT_TRUE(IsWindowEnabled(owner));

  // WM_QUIT inside the loop ends the dialog and reaches the outer loop again.
  soon([] { PostQuitMessage(42); });
  input.title = modern::LocalizedText::literal(L"Quit");
  EXPECT_EQ(scaffold::show_message(main.application, input), 2);
  MSG message{};
  EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 42u);
  EXPECT_TRUE(IsWindowEnabled(owner));
}

// A close sent from another thread or program is handled inside the loop's wait: the dialog must end
// then, not at the next input, and leave its owner enabled.
TEST(ScaffoldDialog, ACloseSentFromAnotherThreadEndsTheDialog) {
  orvane::test::GdiplusScope gdiplus;
  // The pointer stays off our windows: the system's leave tracking of a window under it would wake the
  // loop too and hide the fault.
  SetCursorPos(1, 1);
  MainWindow main;
  HWND owner = main.window.hwnd();
  scaffold::Dialog dialog(main.application);
  std::thread closer;
  std::atomic<bool> rescued{false};
  dialog.on_shown([&](scaffold::Dialog& shown) {
    HWND window = shown.window().hwnd();
    // Idle first (no animation's frame timer, nothing queued): anything posted would wake the loop and
    // hide the fault.
    modern::Surface& surface = shown.window().surface();
    EXPECT_TRUE(desktop::pump_until(
        [&] {
          return !surface.view_root().clock().has_animations() && !surface.frame_timer_pending() &&
                 HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0;
        },
        3000));
    EXPECT_TRUE(orvane::test::save_pixels(desktop::capture_client(window),
                                          std::wstring(L"" ARTEFACT_DIR) + L"/dialog_closed_by_thread.png",
                                          L"image/png"));
    closer = std::thread([window, &rescued] {
      DWORD_PTR answer = 0;
      SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &answer);
      for (int i = 0; i < 100 && IsWindow(window); ++i) Sleep(50);
      // Still open after 5 s: wake the loop so the test ends, and fail.
      if (IsWindow(window)) {
        rescued = true;
        PostMessageW(window, WM_NULL, 0, 0);
      }
    });
  });
  scaffold::DialogOptions options;
  options.title = modern::LocalizedText::literal(L"Closed elsewhere");
  options.owner = owner;
  EXPECT_EQ(dialog.show_modal(options, std::make_unique<modern::View>(),
                              scaffold::message_actions(MessageButtons::ok_cancel, 0)),
            scaffold::dialog_cancel);
  if (closer.joinable()) closer.join();
  EXPECT_FALSE(rescued.load()) << "the dialog stayed open after a WM_CLOSE from another thread";
  EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST(ScaffoldDialog, MessageHeightsFollowTheLineEstimate) {
  EXPECT_FLOAT_EQ(scaffold::message_height(std::wstring(100, L'水')), 5 * 24 + 152);
  EXPECT_FLOAT_EQ(scaffold::message_height(L""), 204);
  EXPECT_FLOAT_EQ(scaffold::message_height(std::wstring(5000, L'a')), 540);
  EXPECT_FLOAT_EQ(scaffold::message_height(L"a\nb\nc\nd\ne"), 5 * 24 + 152);
}

TEST(ScaffoldDialog, TwoHundredDialogsLeaveNoWindowsOrGdiObjects) {
  MainWindow main;
  auto cycle = [&] {
    scaffold::Dialog dialog(main.application);
    dialog.on_shown([](scaffold::Dialog& d) { d.close_with(1); });
    scaffold::DialogOptions options;
    options.title = modern::LocalizedText::literal(L"Leak check");
    options.owner = main.window.hwnd();
    EXPECT_EQ(dialog.show_modal(options, std::make_unique<modern::View>(),
                                scaffold::message_actions(MessageButtons::ok_cancel, 0)),
              1);
  };
  for (int i = 0; i < 10; ++i) cycle();
  desktop::pump(20);
  const int gdi = desktop::gdi_object_count();
  const int windows = desktop::thread_window_count();
  for (int i = 0; i < 200; ++i) cycle();
  desktop::pump(20);
  EXPECT_LE(desktop::gdi_object_count(), gdi + 4);
  EXPECT_EQ(desktop::thread_window_count(), windows);
}

}  // namespace
}  // namespace scaffold_test
