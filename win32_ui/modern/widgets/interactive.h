#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "modern/tree/pointer_press.h"
#include "modern/widgets/widget.h"

namespace win32_ui::modern {

// What activating an interactive widget does.
enum class InteractiveKind : std::int32_t { push = 0, toggle = 1, range = 2 };

// The input behaviour every operable widget shares: press tracking, activation by pointer and keys,
// accessibility actions, value changes and the focus ring. Activations leave as Events through the host.
class Interactive : public Widget {
 public:
  Interactive(WidgetRole role, layout::Size preferred_size, InteractiveKind kind);

  [[nodiscard]] InteractiveKind kind() const noexcept { return kind_; }
  [[nodiscard]] float value() const noexcept { return value_; }
  [[nodiscard]] bool actionable() const noexcept { return actionable_; }
  // Enabled and actionable: whether input does anything.
  [[nodiscard]] bool operable() const noexcept { return enabled() && actionable_; }
  [[nodiscard]] bool press_active() const noexcept { return press_.active(); }

  // Clamps to 0..1; a change below 0.0001 (or a NaN) is dropped. Notifying posts a value-changed event.
  Interactive& set_value(float value, InputOrigin origin = InputOrigin::programmatic, bool notify = false);
  // Cleared by the surface while the bound command cannot execute.
  Interactive& set_actionable(bool actionable);

  // Flips a toggle, then posts invoked (or checked changed for toggles); nothing when not operable.
  void activate(InputOrigin origin);

  [[nodiscard]] bool can_focus() const override;
  [[nodiscard]] bool is_hit_testable() const override;
  void describe(SemanticsNode& node) override;
  bool perform_action(ActionRequest& request) override;
  bool on_pointer(PointerEvent& event) override;
  bool on_key(KeyEvent& event) override;
  void paint_foreground(PaintContext& context) override;

 protected:
  // Draws the keyboard focus indication; the common ring lies 3 DIPs outside the rect.
  virtual void paint_focus_ring(PaintContext& context);

  // Whether the paint context shows keyboard focus on this widget.
  [[nodiscard]] bool shows_focus_ring(const PaintContext& context) const noexcept;

  // The one wrapper behind every widget's on_... setter: runs `callback` for each event of `kind` at
  // the target phase, with the event's `field` when it takes one. A null callback stays registered
  // and does nothing, so setting one never changes how the event travels.
  void add_callback(EventKind kind, std::function<void()> callback) {
    add_event_handler(kind, [callback = std::move(callback)](Event&) {
      if (callback) callback();
    });
  }
  template <typename Value>
  void add_callback(EventKind kind, Value Event::*field, std::function<void(Value)> callback) {
    add_event_handler(kind, [callback = std::move(callback), field](Event& event) {
      if (callback) callback(event.*field);
    });
  }

 private:
  void value_from_pointer(const PointerEvent& event);
  void post(EventKind kind, InputOrigin origin);

  InteractiveKind kind_;
  float value_ = 0.0f;
  bool actionable_ = true;
  PointerPress press_;
};

// The focus colour and width of a palette at a scale.
[[nodiscard]] ui::graphics::Color focus_color(const Palette& palette) noexcept;
[[nodiscard]] float focus_width(const Palette& palette, float scale) noexcept;

}  // namespace win32_ui::modern
