#pragma once

#include <functional>
#include <optional>

#include "modern/native/win32_edit.h"

namespace orvane::app {

// A number field over one setting. Each keystroke is judged on the whole text: a number within
// low..high applies at once; anything else (a partial "5" on the way to "50", a stray letter)
// changes nothing, and the text is left as the user typed it. Once the user is done with the field
// (focus leaves it, or Enter), a text that does not show the value in force is replaced by it, so
// the field never shows "2" while 36 is what the preview and the export use.
class NumberEdit : public win32_ui::modern::Win32Edit {
 public:
  // `applied` runs after a typed number was stored in `*setting`.
  NumberEdit(int control_id, float* setting, float low, float high, std::function<void()> applied);
  // A field for a setting that may be absent: an empty text stands for none.
  NumberEdit(int control_id, std::optional<float>* setting, float low, float high, std::function<void()> applied);

  // Numbers are taken within low..high from now on; the field shows the value in force (a change
  // of unit has just converted it).
  void set_range(float low, float high);

  bool on_key(win32_ui::modern::KeyEvent& event) override;
  void on_state_changed(std::uint32_t old_state, std::uint32_t new_state) override;

 private:
  void show_value_in_force();
  void take(std::wstring_view text);
  [[nodiscard]] std::wstring value_text() const;

  float* setting_ = nullptr;
  std::optional<float>* optional_setting_ = nullptr;
  std::function<void()> applied_;
  float low_;
  float high_;
};

}  // namespace orvane::app
