#include "views/number_edit.h"

#include <optional>
#include <utility>

#include "controls_panel.h"
#include "ui/graphics/drawable.h"

namespace orvane::app {

namespace modern = win32_ui::modern;

NumberEdit::NumberEdit(int control_id, float* setting, float low, float high, std::function<void()> applied)
    // A rebuild shows the values in force rather than the first defaults.
    : Win32Edit(control_id, number_text(*setting)), setting_(setting), applied_(std::move(applied)), low_(low),
      high_(high) {
  on_text_changed([this](std::wstring_view text) { take(text); });
}

NumberEdit::NumberEdit(int control_id, std::optional<float>* setting, float low, float high,
                       std::function<void()> applied)
    : Win32Edit(control_id, *setting ? number_text(**setting) : std::wstring()), optional_setting_(setting),
      applied_(std::move(applied)), low_(low), high_(high) {
  on_text_changed([this](std::wstring_view text) { take(text); });
}

void NumberEdit::take(std::wstring_view text) {
  if (optional_setting_ != nullptr && text.find_first_not_of(L" \t") == std::wstring_view::npos) {
    if (!*optional_setting_) return;
    optional_setting_->reset();
  } else {
    const std::optional<float> value = parse_number(text, low_, high_);
    if (!value) return;
    if (setting_ != nullptr) *setting_ = *value;
    if (optional_setting_ != nullptr) *optional_setting_ = *value;
  }
  if (applied_) applied_();
}

void NumberEdit::set_range(float low, float high) {
  low_ = low;
  high_ = high;
  set_text(value_text());
}

std::wstring NumberEdit::value_text() const {
  if (setting_ != nullptr) return number_text(*setting_);
  return *optional_setting_ ? number_text(**optional_setting_) : std::wstring();
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
  const std::optional<float> in_force = setting_ != nullptr ? std::optional<float>(*setting_) : *optional_setting_;
  if (!in_force && text().find_first_not_of(L" \t") == std::wstring::npos) return;
  const std::optional<float> shown = parse_number(text(), low_, high_);
  if (shown && in_force && *shown == *in_force) return;
  set_text(value_text());
}

}  // namespace orvane::app
