#include "views/number_edit.h"

#include <optional>
#include <utility>

#include "controls_panel.h"
#include "ui/graphics/drawable.h"

namespace orvane::app {

namespace modern = win32_ui::modern;

NumberEdit::NumberEdit(int control_id, float* setting, float low, float high, std::function<void()> applied)
    // A rebuild shows the values in force rather than the first defaults.
    : Win32Edit(control_id, number_text(*setting)), setting_(setting), low_(low), high_(high) {
  on_text_changed([this, applied = std::move(applied)](std::wstring_view text) {
    const std::optional<float> value = parse_number(text, low_, high_);
    if (!value) return;
    *setting_ = *value;
    if (applied) applied();
  });
}

bool NumberEdit::on_key(modern::KeyEvent& event) {
  if (event.action == modern::KeyAction::down && event.key == modern::Key::enter) show_value_in_force();
  return Win32Edit::on_key(event);
}

void NumberEdit::on_state_changed(std::uint32_t old_state, std::uint32_t new_state) {
  Win32Edit::on_state_changed(old_state, new_state);
  const auto focused = static_cast<std::uint32_t>(win32_ui::ui::graphics::drawable_state_focused);
  if ((old_state & focused) != 0 && (new_state & focused) == 0) show_value_in_force();
}

void NumberEdit::show_value_in_force() {
  // A text that already reads as the value ("36.0" for 36) is the user's and stays.
  const std::optional<float> shown = parse_number(text(), low_, high_);
  if (shown && *shown == *setting_) return;
  set_text(number_text(*setting_));
}

}  // namespace orvane::app
