#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "modern/native/win32_native_host.h"

namespace win32_ui::modern {

// A hosted "EDIT" control, single-line or multi-line, drawn as a themed field.
class Win32Edit : public Win32NativeHost {
 public:
  Win32Edit(int control_id, std::wstring text = {}, bool read_only = false);

  // The text as of the control's last change notification (or the last set_text).
  [[nodiscard]] const std::wstring& text() const noexcept { return text_; }
  [[nodiscard]] const std::wstring& placeholder() const noexcept { return placeholder_; }
  [[nodiscard]] int max_length() const noexcept { return max_length_; }
  [[nodiscard]] bool read_only() const noexcept { return read_only_; }
  [[nodiscard]] bool multiline() const noexcept { return multiline_; }

  Win32Edit& set_text(std::wstring text);
  // Shown as the control's cue banner while the field is empty.
  Win32Edit& set_placeholder(std::wstring placeholder);
  // 0 keeps the control's own limit; negative counts as 0.
  Win32Edit& set_max_length(int length);
  // The control is made again (at the next layout) when it exists, since the style cannot change.
  Win32Edit& set_multiline(bool multiline);

  // Called with the whole text after every change the control reports.
  Win32Edit& on_text_changed(std::function<void(std::wstring_view)> callback);

  void describe(SemanticsNode& node) override;
  bool perform_action(ActionRequest& request) override;

 protected:
  void* create_control(void* parent) override;
  void apply_theme(const Palette& palette) override;
  bool translate_notification(const platform::NativeNotification& notification, Event& event) override;
  [[nodiscard]] std::uint32_t native_capabilities() const override;

 private:
  [[nodiscard]] std::wstring control_text() const;

  std::wstring text_;
  std::wstring placeholder_;
  int max_length_ = 0;
  bool read_only_;
  bool multiline_ = false;
};

}  // namespace win32_ui::modern
