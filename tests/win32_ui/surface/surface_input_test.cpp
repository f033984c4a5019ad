#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <string>

#include "modern/widgets/display_widgets.h"
#include "surface_fixture.h"

namespace surface_test {
namespace {

using modern::PointerAction;

TEST(SurfaceInput, HoverPressAndClickReachTheButtonUnderTheMouse) {
  SurfaceStage stage;
  auto root = column();
  int first_clicks = 0;
  int second_clicks = 0;
  Button& first = add<Button>(*root, 160, 36, 1u, L"First");
  Button& second = add<Button>(*root, 160, 36, 2u, L"Second");
  first.on_invoked([&] { ++first_clicks; });
  second.on_invoked([&] { ++second_clicks; });
  stage.show(std::move(root));

  desktop::move_mouse(stage.window.hwnd(), stage.centre_of(second));
  EXPECT_TRUE(desktop::pump_until([&] { return second.hovered(); })) << "no hover under the mouse";
  EXPECT_FALSE(first.hovered());

  desktop::click(stage.window.hwnd(), stage.centre_of(second));
  EXPECT_TRUE(desktop::pump_until([&] { return second_clicks == 1; }));
  EXPECT_EQ(first_clicks, 0);
  EXPECT_FALSE(second.pressed()) << "the press outlived the release";
  EXPECT_EQ(stage.surface.view_root().focused(), &second) << "a click focuses what it pressed";
  EXPECT_FALSE(stage.surface.view_root().focus_visible()) << "no focus ring after a click";

  // Leaving the window ends the hover.
  desktop::move_mouse(stage.window.hwnd(), POINT{-40, -40});
  EXPECT_TRUE(desktop::pump_until([&] { return !second.hovered(); }));
}

TEST(SurfaceInput, KeyboardMovesFocusActivatesAndRunsAccelerators) {
  SurfaceStage stage;
  auto root = column();
  int invoked = 0;
  Button& first = add<Button>(*root, 160, 36, 1u, L"First");
  CheckBox& box = add<CheckBox>(*root, 160, 36, 2u, L"Check");
  Button& last = add<Button>(*root, 160, 36, 3u, L"Last");
  last.on_invoked([&] { ++invoked; });
  stage.show(std::move(root));
  modern::ViewRoot& tree = stage.surface.view_root();
  modern::CommandRegistry commands;
  modern::AcceleratorTable accelerators;
  int saves = 0;
  commands.add(40, [&] { ++saves; });
  accelerators.add({modern::Key(static_cast<int>(modern::Key::letter_a) + ('S' - 'A')), modern::key_modifier_control, 40});
  stage.surface.set_commands(&commands, &accelerators);

  // The window had focus before the surface came: Tab with nothing focused takes the first entry.
  desktop::press_key(VK_TAB);
  EXPECT_EQ(tree.focused(), &first);
  desktop::press_key(VK_TAB);
  EXPECT_EQ(tree.focused(), &box);
  EXPECT_TRUE(tree.focus_visible());
  desktop::press_key(VK_SPACE);
  EXPECT_TRUE(box.checked()) << "Space toggles the focused check box";
  desktop::press_key(VK_DOWN);
  EXPECT_EQ(tree.focused(), &last) << "Down moves to the view below";
  desktop::press_key(VK_RETURN);
  EXPECT_EQ(invoked, 1);
  desktop::press_key(VK_TAB);
  EXPECT_EQ(tree.focused(), &first) << "Tab wraps around";
  desktop::press_key(VK_TAB, true);
  EXPECT_EQ(tree.focused(), &last) << "Shift+Tab goes back";
  desktop::press_key('S', false, true);
  EXPECT_EQ(saves, 1) << "Ctrl+S reaches its command";

  // Binding: a widget whose id the registry knows is operable only while its command can run; a widget
  // with an id the registry does not know keeps what the program set.
  bool can_run = false;
  commands.add(3, [&] { ++saves; }, [&] { return can_run; });
  first.set_actionable(false);  // the program's own choice for an unregistered id
  stage.surface.layout_now();
  EXPECT_FALSE(last.actionable());
  EXPECT_FALSE(first.actionable()) << "an id the registry does not know was overwritten";
  can_run = true;
  stage.surface.layout_now();
  EXPECT_TRUE(last.actionable());
  EXPECT_TRUE(last.enabled()) << "binding must not touch the enabled state";
  stage.surface.set_commands(nullptr, nullptr);
}

// Content taller than the window scrolls with the wheel, and the wheel's screen position is turned
// into client coordinates: the window sits away from the screen's corner on purpose.
TEST(SurfaceInput, TheWheelScrollsTallContentAndReachesViewsWhereTheMouseIs) {
  SurfaceStage stage(360, 240, 300, 260);
  auto root = column(12.0f);
  std::vector<Button*> buttons;
  for (int i = 0; i < 12; ++i) buttons.push_back(&add<Button>(*root, 200, 36, 100u + i, L"Row " + std::to_wstring(i)));
  int wheels_on_slider = 0;
  Slider& slider = add<Slider>(*root, 200, 32, 200u, 0.5f);
  slider.set_pointer_handler([&](modern::PointerEvent& event) {
    if (event.action != PointerAction::wheel) return false;
    ++wheels_on_slider;
    return true;
  });
  stage.show(std::move(root));
  HWND hwnd = stage.window.hwnd();
  ASSERT_GT(stage.surface.content_height(), 240.0f);

  desktop::wheel(hwnd, stage.centre_of(*buttons[1]), -1);
  EXPECT_FLOAT_EQ(stage.surface.scroll_offset(), 48.0f) << "one notch scrolls 48 DIPs";
  desktop::wheel(hwnd, stage.centre_of(*buttons[1]), -40);
  const float bottom = stage.surface.content_height() - 240.0f;
  EXPECT_FLOAT_EQ(stage.surface.scroll_offset(), bottom) << "never beyond the content";

  // Scrolled: the mouse over the slider reaches the slider, which takes the wheel itself.
  desktop::wheel(hwnd, stage.centre_of(slider), 1);
  EXPECT_EQ(wheels_on_slider, 1);
  EXPECT_FLOAT_EQ(stage.surface.scroll_offset(), bottom);

  // A click after scrolling lands on the view drawn under the mouse.
  int clicked = -1;
  for (int i = 0; i < 12; ++i) buttons[i]->on_invoked([&clicked, i] { clicked = i; });
  desktop::click(hwnd, stage.centre_of(*buttons[10]));
  EXPECT_EQ(clicked, 10);

  desktop::wheel(hwnd, stage.centre_of(*buttons[10]), 40);
  EXPECT_FLOAT_EQ(stage.surface.scroll_offset(), 0.0f);
}

TEST(SurfaceInput, ShortContentNeverScrolls) {
  SurfaceStage stage;
  auto root = column();
  Button& only = add<Button>(*root, 160, 36, 1u, L"Only");
  stage.show(std::move(root));
  desktop::wheel(stage.window.hwnd(), stage.centre_of(only), -3);
  EXPECT_FLOAT_EQ(stage.surface.scroll_offset(), 0.0f);
}

TEST(SurfaceInput, ContextMenusComeFromTheRightButtonAndTheKeyboard) {
  SurfaceStage stage(480, 360, 220, 180);
  auto root = column();
  add<Button>(*root, 160, 36, 1u, L"Plain");
  Button& wide = add<Button>(*root, 200, 36, 2u, L"Menu");
  std::vector<modern::PointerEvent> requests;
  wide.set_context_handler([&](modern::PointerEvent& event) {
    requests.push_back(event);
    return true;
  });
  stage.show(std::move(root));
  HWND hwnd = stage.window.hwnd();

  desktop::right_click(hwnd, stage.centre_of(wide));
  ASSERT_TRUE(desktop::pump_until([&] { return requests.size() == 1; })) << "no menu from the right button";
  EXPECT_EQ(requests[0].device, modern::PointerDevice::mouse);
  EXPECT_NEAR(requests[0].position.x, wide.arranged_rect().x + 100.0f, 1.5f) << "the click's own position";

  // From the keyboard (Shift+F10): the focused view, or the first that has a menu, anchored 24 DIPs in.
  desktop::press_key(VK_F10, true);
  ASSERT_TRUE(desktop::pump_until([&] { return requests.size() == 2; })) << "no menu from Shift+F10";
  EXPECT_EQ(requests[1].device, modern::PointerDevice::keyboard);
  EXPECT_FLOAT_EQ(requests[1].position.x, wide.arranged_rect().x + 24.0f);
  EXPECT_EQ(stage.surface.view_root().focused(), &wide);
}

// Touch and pen come as pointer messages; their data is fed through the surface's seam because the
// test machine's system sends none.
TEST(SurfaceInput, TouchPressesButtonsWithoutHoveringAndCancelsOnRequest) {
  SurfaceStage stage(480, 360, 250, 200);
  auto root = column();
  int taps = 0;
  Button& button = add<Button>(*root, 160, 36, 1u, L"Tap");
  button.on_invoked([&] { ++taps; });
  stage.show(std::move(root));
  HWND hwnd = stage.window.hwnd();

  modern::PointerSample sample;
  sample.device = PT_TOUCH;
  stage.surface.set_pointer_info_source([&](std::uint32_t id, modern::PointerSample& out) {
    out = sample;
    out.pointer_id = id;
    return true;
  });
  POINT screen = stage.centre_of(button);
  ClientToScreen(hwnd, &screen);
  sample.screen_x = screen.x;
  sample.screen_y = screen.y;
  const WPARAM id = 7;
  SendMessageW(hwnd, WM_POINTERENTER, id, 0);
  SendMessageW(hwnd, WM_POINTERUPDATE, id, 0);
  EXPECT_FALSE(button.hovered()) << "touch does not hover";
  sample.flags = POINTER_FLAG_FIRSTBUTTON | POINTER_FLAG_DOWN;
  SendMessageW(hwnd, WM_POINTERDOWN, id, 0);
  EXPECT_TRUE(button.pressed());
  sample.flags = POINTER_FLAG_UP;
  SendMessageW(hwnd, WM_POINTERUP, id, 0);
  EXPECT_EQ(taps, 1);
  EXPECT_FALSE(button.pressed());

  // A cancelled contact never activates.
  sample.flags = POINTER_FLAG_FIRSTBUTTON | POINTER_FLAG_DOWN;
  SendMessageW(hwnd, WM_POINTERDOWN, id, 0);
  sample.flags = POINTER_FLAG_CANCELED | POINTER_FLAG_UP;
  SendMessageW(hwnd, WM_POINTERUP, id, 0);
  EXPECT_EQ(taps, 1);
  EXPECT_FALSE(button.pressed());

  // A failed read drops the message.
  stage.surface.set_pointer_info_source([](std::uint32_t, modern::PointerSample&) { return false; });
  SendMessageW(hwnd, WM_POINTERDOWN, id, 0);
  EXPECT_FALSE(button.pressed());
}

TEST(SurfaceInput, AViewWithATooltipGetsAToolWindow) {
  SurfaceStage stage;
  auto root = column();
  Button& plain = add<Button>(*root, 160, 36, 1u, L"Plain");
  Button& tipped = add<Button>(*root, 160, 36, 2u, L"Tipped");
  stage.show(std::move(root));
  EXPECT_EQ(stage.surface.tooltip_window(), nullptr) << "no tool window while no view has a tip";

  tipped.set_tooltip(L"Saves a watermarked copy");
  UpdateWindow(stage.window.hwnd());
  desktop::pump(20);
  HWND tip = stage.surface.tooltip_window();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = stage.window.hwnd();
  tool.uId = static_cast<UINT_PTR>(tipped.id());
  wchar_t text[80] = {};
  tool.lpszText = text;
  SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, L"Saves a watermarked copy");

  // Hovering the tipped view shows the tip window.
  desktop::move_mouse(stage.window.hwnd(), stage.centre_of(tipped));
  EXPECT_TRUE(desktop::pump_until([&] { return IsWindowVisible(tip) != FALSE; }, 3000)) << "the tip never showed";

  tipped.set_tooltip(L"");
  plain.set_tooltip(L"");
  UpdateWindow(stage.window.hwnd());
  EXPECT_EQ(stage.surface.tooltip_window(), nullptr) << "the tool window goes with the last tip";
}

// Without a view tree a surface shows a flat list of elements: pressing and releasing over a button
// activates it, a check box toggles, a slider follows the pointer and the arrows, Tab walks the list.
TEST(SurfaceInput, TheFlatElementModelTakesClicksDragsAndKeys) {
  SurfaceStage stage;
  modern::CommandRegistry commands;
  int runs = 0;
  commands.add(5, [&] { ++runs; });
  stage.surface.set_commands(&commands, nullptr);
  std::vector<modern::Element> elements(3);
  elements[0].kind = modern::Element::kind_button;
  elements[0].bounds = layout::Rect{20, 20, 120, 36};
  elements[0].command_id = 5;
  elements[1].kind = modern::Element::kind_check_box;
  elements[1].bounds = layout::Rect{20, 70, 120, 36};
  elements[2].kind = modern::Element::kind_slider;
  elements[2].bounds = layout::Rect{20, 120, 216, 32};
  stage.surface.set_elements(elements);
  HWND hwnd = stage.window.hwnd();

  desktop::click(hwnd, POINT{80, 38});
  EXPECT_EQ(runs, 1) << "a click on an element button runs its command";
  desktop::click(hwnd, POINT{80, 88});
  EXPECT_TRUE(stage.surface.elements()[1].checked);
  desktop::click(hwnd, POINT{128, 136});  // (128 - 20 - 8) / (216 - 16) = 0.5
  EXPECT_NEAR(stage.surface.elements()[2].value, 0.5f, 0.01f);
  desktop::press_key(VK_RIGHT);
  EXPECT_NEAR(stage.surface.elements()[2].value, 0.55f, 0.01f) << "arrows step the focused slider";
  desktop::press_key(VK_TAB);  // wraps to the button
  desktop::press_key(VK_SPACE);
  EXPECT_EQ(runs, 2);
  stage.surface.set_commands(nullptr, nullptr);
}

}  // namespace
}  // namespace surface_test
