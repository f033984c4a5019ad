#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "layout/text_measurer.h"
#include "localization/localization_context.h"
#include "localization/message_catalogue.h"
#include "modern/widgets/button.h"
#include "modern/widgets/check_box.h"
#include "modern/widgets/display_widgets.h"
#include "modern/widgets/menu_item.h"
#include "modern/widgets/slider.h"
#include "tree_fixture.h"

namespace tree_test {
namespace {

using modern::Button;
using modern::CheckBox;
using modern::Event;
using modern::EventKind;
using modern::InputOrigin;
using modern::Key;
using modern::KeyEvent;
using modern::MenuItem;
using modern::PointerAction;
using modern::SemanticsNode;
using modern::Slider;

// A host tree with one widget placed at (20, 20, 200, 40), recording every event the tree posts.
template <typename W>
struct Stage {
  TestHost host;
  Layer root;
  W* widget = nullptr;
  std::vector<Event> events;

  template <typename... Args>
  explicit Stage(Args&&... args) {
    root.attach_to_host(&host);
    host.root = &root;
    widget = add_placed<W>(root, Rect{20, 20, 200, 40}, std::forward<Args>(args)...);
    for (EventKind kind : {EventKind::invoked, EventKind::checked_changed, EventKind::value_changed}) {
      root.add_event_handler(kind, modern::EventPhase::bubble, [this](Event& e) { events.push_back(e); });
    }
    lay_out(root, Size{400, 300});
  }

  bool send(PointerAction action, Point at, std::uint32_t id = 1) {
    auto event = pointer(action, at, id);
    return root.dispatch_pointer(event);
  }

  KeyEvent key(Key key, std::uint32_t modifiers = modern::key_modifier_none, bool repeat = false,
               modern::KeyAction action = modern::KeyAction::down) {
    KeyEvent event;
    event.action = action;
    event.key = key;
    event.modifiers = modifiers;
    event.was_down_before = repeat;
    event.target = widget;
    modern::propagate_key(event, nullptr);
    return event;
  }
};

TEST(InteractiveTest, APressInvokesOnlyWhenReleasedOverTheWidgetItself) {
  Stage<Button> stage(7u, L"Open");
  int invoked = 0;
  stage.widget->on_invoked([&] { ++invoked; });

  // Press, drag out, release: nothing.
  EXPECT_TRUE(stage.send(PointerAction::down, Point{50, 30}));
  EXPECT_TRUE(stage.widget->pressed());
  EXPECT_EQ(stage.host.focused, stage.widget);
  EXPECT_EQ(stage.host.last_focus_origin, modern::FocusOrigin::pointer);
  stage.send(PointerAction::move, Point{300, 200});
  stage.send(PointerAction::up, Point{300, 200});
  EXPECT_FALSE(stage.widget->pressed());
  EXPECT_EQ(invoked, 0);

  // Press, drag out and back, release: once, with the command id and pointer origin.
  stage.send(PointerAction::down, Point{50, 30});
  stage.send(PointerAction::move, Point{300, 200});
  stage.send(PointerAction::move, Point{60, 30});
  stage.send(PointerAction::up, Point{60, 30});
  EXPECT_EQ(invoked, 1);
  ASSERT_EQ(stage.events.size(), 1u);
  EXPECT_EQ(stage.events[0].command_id, 7u);
  EXPECT_EQ(stage.events[0].origin, InputOrigin::pointer);
  EXPECT_EQ(stage.events[0].source, stage.widget);

  // A cancel ends the press without invoking; another pointer's down during a press is not taken.
  stage.send(PointerAction::down, Point{50, 30}, 1);
  EXPECT_FALSE(stage.send(PointerAction::down, Point{55, 30}, 2));
  stage.send(PointerAction::cancel, Point{50, 30}, 1);
  EXPECT_FALSE(stage.widget->pressed());
  stage.send(PointerAction::up, Point{50, 30}, 1);
  EXPECT_EQ(invoked, 1);

  // Releasing over a view drawn above the button does not count.
  Box* cover = add_placed<Box>(stage.root, Rect{150, 20, 70, 40});
  cover->set_accepts_pointer_input(true);
  lay_out(stage.root, Size{400, 300});
  stage.send(PointerAction::down, Point{50, 30});
  stage.send(PointerAction::up, Point{160, 30});
  EXPECT_EQ(invoked, 1);
}

TEST(InteractiveTest, DisabledOrUnavailableWidgetsIgnoreInputAndTakeNoFocus) {
  Stage<Button> stage(1u, L"Export");
  int invoked = 0;
  stage.widget->on_invoked([&] { ++invoked; });
  stage.widget->set_enabled(false);
  EXPECT_FALSE(stage.send(PointerAction::down, Point{50, 30}));
  stage.send(PointerAction::up, Point{50, 30});
  EXPECT_FALSE(stage.host.request_focus(*stage.widget, modern::FocusOrigin::keyboard));
  EXPECT_FALSE(stage.key(Key::enter).handled);
  modern::ActionRequest invoke{modern::semantics_action_invoke, 0.0, {}};
  EXPECT_FALSE(stage.widget->perform_action(invoke));

  // A command that cannot execute makes the widget unavailable in the same way, and drops its focus.
  stage.widget->set_enabled(true);
  ASSERT_TRUE(stage.host.request_focus(*stage.widget, modern::FocusOrigin::keyboard));
  stage.widget->set_actionable(false);
  EXPECT_EQ(stage.host.focused, nullptr);
  EXPECT_FALSE(stage.send(PointerAction::down, Point{50, 30}));
  EXPECT_FALSE(stage.key(Key::space).handled);
  EXPECT_EQ(invoked, 0);
  EXPECT_TRUE(stage.events.empty());
}

TEST(InteractiveTest, SpaceAndEnterActivateOnceWithoutModifiers) {
  Stage<CheckBox> stage(3u, L"Tile", false);
  std::vector<bool> states;
  stage.widget->on_checked_changed([&](bool checked) { states.push_back(checked); });

  EXPECT_TRUE(stage.key(Key::space).handled);
  EXPECT_TRUE(stage.key(Key::space, modern::key_modifier_none, true).handled);  // auto-repeat: no second toggle
  EXPECT_FALSE(stage.key(Key::space, modern::key_modifier_control).handled);
  EXPECT_FALSE(stage.key(Key::space, modern::key_modifier_none, false, modern::KeyAction::up).handled);
  EXPECT_FALSE(stage.key(Key::letter_a).handled);
  EXPECT_EQ(states, std::vector<bool>{true});
  ASSERT_EQ(stage.events.size(), 1u);
  EXPECT_EQ(stage.events[0].kind, EventKind::checked_changed);
  EXPECT_EQ(stage.events[0].origin, InputOrigin::keyboard);

  EXPECT_TRUE(stage.key(Key::enter).handled);
  modern::ActionRequest toggle{modern::semantics_action_toggle, 0.0, {}};
  EXPECT_TRUE(stage.widget->perform_action(toggle));
  EXPECT_EQ(states, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(stage.events.back().origin, InputOrigin::programmatic);
}

TEST(InteractiveTest, SlidersFollowThePointerAndStepByKeysWithinTheirEnds) {
  Stage<Slider> stage(9u, 0.5f);
  std::vector<float> values;
  stage.widget->on_value_changed([&](float v) { values.push_back(v); });

  // A press jumps to the pointer (track 28..212), a drag follows, a release activates nothing.
  stage.send(PointerAction::down, Point{28 + 46, 30});
  ASSERT_EQ(values.size(), 1u);
  EXPECT_NEAR(values[0], 0.25f, 1e-4f);
  EXPECT_EQ(stage.events.back().origin, InputOrigin::pointer);
  stage.send(PointerAction::move, Point{500, 30});
  stage.send(PointerAction::move, Point{600, 30});  // already at the end: nothing new
  stage.send(PointerAction::up, Point{600, 30});
  EXPECT_EQ(values, (std::vector<float>{values[0], 1.0f}));

  // Keys step by 0.05 and stop at the ends without reporting more.
  stage.widget->set_value(0.97f);
  EXPECT_TRUE(stage.key(Key::right).handled);
  EXPECT_FLOAT_EQ(stage.widget->value(), 1.0f);
  const std::size_t reported = values.size();
  stage.key(Key::right);
  stage.key(Key::up);
  EXPECT_EQ(values.size(), reported);
  stage.key(Key::down);
  EXPECT_NEAR(stage.widget->value(), 0.95f, 1e-5f);
  EXPECT_EQ(stage.events.back().origin, InputOrigin::keyboard);

  // Right to left: Left increases, and the pointer measures from the right edge.
  layout::LayoutContext rtl;
  rtl.flow_direction = layout::FlowDirection::right_to_left;
  layout::run_layout_pass(stage.root, Size{400, 300}, rtl);
  stage.key(Key::left);
  EXPECT_NEAR(stage.widget->value(), 1.0f, 1e-5f);
  const float left = stage.widget->arranged_rect().x;  // mirrored to the right half
  stage.send(PointerAction::down, Point{left + 8 + 46, 30});
  stage.send(PointerAction::up, Point{left + 8 + 46, 30});
  EXPECT_NEAR(stage.widget->value(), 0.75f, 1e-4f);

  // Accessibility sets values too, but never a non-finite one.
  modern::ActionRequest set{modern::semantics_action_set_range_value, 0.2, {}};
  EXPECT_TRUE(stage.widget->perform_action(set));
  EXPECT_NEAR(stage.widget->value(), 0.2f, 1e-6f);
  set.numeric_value = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(stage.widget->perform_action(set));
  EXPECT_NEAR(stage.widget->value(), 0.2f, 1e-6f);
}

TEST(WidgetTest, EachWidgetDescribesItsRoleNameStatesAndActions) {
  auto describe = [](modern::View& view) {
    SemanticsNode node;
    view.describe(node);
    return node;
  };
  Button button(1u, L"Open");
  const SemanticsNode b = describe(button);
  EXPECT_EQ(b.role, static_cast<int>(modern::SemanticsRole::button));
  EXPECT_EQ(b.name, L"Open");
  EXPECT_TRUE(b.control_element);
  EXPECT_TRUE(b.focusable);
  EXPECT_EQ(b.actions, modern::semantics_action_invoke | modern::semantics_action_focus);

  CheckBox box(2u, L"Tile", true);
  const SemanticsNode c = describe(box);
  EXPECT_EQ(c.role, static_cast<int>(modern::SemanticsRole::check_box));
  EXPECT_TRUE(c.has_toggle && c.toggled);
  EXPECT_TRUE(c.actions & modern::semantics_action_toggle);

  Slider slider(3u, 0.4f);
  const SemanticsNode s = describe(slider);
  EXPECT_EQ(s.role, static_cast<int>(modern::SemanticsRole::slider));
  EXPECT_TRUE(s.has_range);
  EXPECT_DOUBLE_EQ(s.range_maximum, 1.0);
  EXPECT_NEAR(s.range_value, 0.4, 1e-6);
  EXPECT_NEAR(s.range_step, 0.05, 1e-6);

  MenuItem item(4u, L"Dark", true);
  item.set_accessible_description(L"Theme");
  item.set_shortcut(L"Ctrl+D");
  const SemanticsNode m = describe(item);
  EXPECT_EQ(m.role, static_cast<int>(modern::SemanticsRole::radio_button));
  EXPECT_TRUE(m.has_toggle && m.toggled);
  EXPECT_EQ(m.help_text, L"Theme\uFF1B\u5FEB\u6377\u952E Ctrl+D");

  // Groups and pictures are not control elements unless told otherwise; disabled widgets say so.
  modern::Card card;
  modern::Icon icon(3);
  EXPECT_FALSE(describe(card).control_element);
  EXPECT_FALSE(describe(icon).control_element);
  icon.set_control_element_override(true);
  EXPECT_TRUE(describe(icon).control_element);
  button.set_enabled(false);
  EXPECT_FALSE(describe(button).enabled);
  EXPECT_FALSE(describe(button).focusable);
}

// A measurer that answers every text as 20 DIPs wide and 16 high.
struct FixedMeasurer : layout::TextMeasurer {
  std::optional<Size> measure(std::wstring_view, int) override { return Size{20, 16}; }
};

TEST(WidgetTest, LabelsFollowTheCatalogueAndSizesFollowTheLabels) {
  TestHost host;
  Layer root;
  root.attach_to_host(&host);
  auto* label = static_cast<modern::Text*>(
      root.add_child(std::make_unique<modern::Text>(modern::LocalizedText::key(L"app.open"))));
  auto* literal = static_cast<modern::Text*>(root.add_child(std::make_unique<modern::Text>(L"Orvane")));

  auto catalogue = std::make_shared<modern::MessageCatalogue>();
  catalogue->set_text(L"en", L"app.open", L"Open");
  catalogue->set_text(L"zh-CN", L"app.open", L"\u6253\u5F00");
  modern::LocalizationContext english(L"en");
  english.set_catalogue(catalogue);
  modern::LocalizationContext chinese(L"zh-CN");
  chinese.set_catalogue(catalogue);

  modern::update_localized_texts(root, english);
  EXPECT_EQ(label->label(), L"Open");
  const int layouts = host.layout_requests;
  modern::update_localized_texts(root, english);
  EXPECT_EQ(host.layout_requests, layouts);  // nothing changed, nothing asked
  modern::update_localized_texts(root, chinese);
  EXPECT_EQ(label->label(), L"\u6253\u5F00");
  EXPECT_GT(host.layout_requests, layouts);
  EXPECT_EQ(literal->label(), L"Orvane");

  // Sizes: the button's minimum width, the description badge, the check box's gap.
  FixedMeasurer measurer;
  layout::LayoutContext context;
  context.text_measurer = &measurer;
  Button plain(1u, L"x");
  EXPECT_EQ(plain.measure(layout::Constraints{}, context), (Size{72, 44}));
  Button described(2u, L"x");
  described.set_description(L"PNG");
  EXPECT_EQ(described.measure(layout::Constraints{}, context), (Size{192, 44}));
  Button stacked(3u, L"x", 6);
  stacked.set_arrangement(modern::ButtonArrangement::stacked);
  EXPECT_EQ(stacked.measure(layout::Constraints{}, context), (Size{72, 64}));
  CheckBox box(4u, L"x");
  EXPECT_EQ(box.measure(layout::Constraints{}, context), (Size{48, 32}));
  modern::Text empty(L"", layout::TextStyle::body, Size{30, 10});
  EXPECT_EQ(empty.measure(layout::Constraints{}, context), (Size{30, 10}));
}

}  // namespace
}  // namespace tree_test
