#include "modern/native/win32_edit.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "theme/themed_edit.h"

namespace win32_ui::modern {

Win32Edit::Win32Edit(int control_id, std::wstring text, bool read_only)
    : Win32NativeHost(control_id), text_(std::move(text)), read_only_(read_only) {}

Win32Edit& Win32Edit::set_text(std::wstring text) {
  if (text == text_) return *this;
  text_ = std::move(text);
  if (auto* window = static_cast<HWND>(this->window())) SetWindowTextW(window, text_.c_str());
  if (host() != nullptr) host()->notify_semantics_changed();
  return *this;
}

Win32Edit& Win32Edit::set_placeholder(std::wstring placeholder) {
  if (placeholder == placeholder_) return *this;
  placeholder_ = std::move(placeholder);
  if (auto* window = static_cast<HWND>(this->window())) {
    SendMessageW(window, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(placeholder_.c_str()));
  }
  if (host() != nullptr) host()->notify_semantics_changed();
  return *this;
}

Win32Edit& Win32Edit::set_max_length(int length) {
  length = std::max(length, 0);
  if (length == max_length_) return *this;
  max_length_ = length;
  // 0 asks the control for its own (largest) limit, which is what "no limit" means here.
  if (auto* window = static_cast<HWND>(this->window()); window != nullptr) {
    SendMessageW(window, EM_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
  }
  return *this;
}

Win32Edit& Win32Edit::set_multiline(bool multiline) {
  if (multiline == multiline_) return *this;
  multiline_ = multiline;
  if (window() != nullptr) {
    detach_native();
    invalidate_layout();
  }
  return *this;
}

Win32Edit& Win32Edit::on_text_changed(std::function<void(std::wstring_view)> callback) {
  if (callback) {
    add_event_handler(EventKind::text_changed,
                      [callback = std::move(callback)](Event& event) { callback(event.text); });
  }
  return *this;
}

std::wstring Win32Edit::control_text() const {
  auto* window = static_cast<HWND>(this->window());
  if (window == nullptr) return text_;
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

void Win32Edit::describe(SemanticsNode& node) {
  Win32NativeHost::describe(node);
  node.role = static_cast<std::int32_t>(SemanticsRole::edit);
  node.name = accessible_name().value_or(placeholder_);
  node.value = control_text();
  node.read_only = read_only_;
  if (!read_only_) node.actions |= semantics_action_set_text_value;
}

bool Win32Edit::perform_action(ActionRequest& request) {
  if (request.action != semantics_action_set_text_value) return Win32NativeHost::perform_action(request);
  if (read_only_) return false;
  text_ = request.text_value;
  // The control reports the change like typing, so the application hears of it.
  if (auto* window = static_cast<HWND>(this->window())) SetWindowTextW(window, text_.c_str());
  if (host() != nullptr) host()->notify_semantics_changed();
  return true;
}

void* Win32Edit::create_control(void* parent) {
  DWORD style = WS_CHILD | WS_TABSTOP;
  style |= multiline_ ? (WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN) : ES_AUTOHSCROLL;
  if (read_only_) style |= ES_READONLY;
  HWND window =
      CreateWindowExW(0, clipped_control_class(L"EDIT", L"Win32UiNativeEdit"), text_.c_str(), style, 0, 0, 1, 1,
                      static_cast<HWND>(parent), reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id())),
                      GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return nullptr;
  SendMessageW(window, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(placeholder_.c_str()));
  if (max_length_ > 0) SendMessageW(window, EM_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
  return window;
}

void Win32Edit::apply_theme(const Palette& palette) {
  auto* window = static_cast<HWND>(this->window());
  if (window == nullptr) return;
  ThemedEditOptions options;
  options.left_margin = 8.0f;
  options.right_margin = 8.0f;
  options.corner_radius = 6.0f;
  options.center_vertically = !multiline_;
  apply_themed_edit(window, palette, options);
}

bool Win32Edit::translate_notification(const platform::NativeNotification& notification, Event& event) {
  if (notification.message != WM_COMMAND || HIWORD(notification.wparam) != EN_CHANGE) return false;
  text_ = control_text();
  if (host() != nullptr) host()->notify_semantics_changed();
  event.kind = EventKind::text_changed;
  event.text = text_;
  return true;
}

std::uint32_t Win32Edit::native_capabilities() const { return 31; }

}  // namespace win32_ui::modern
