#include "scaffold/dialog.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "modern/panels/grid_panel.h"
#include "modern/widgets/button.h"
#include "modern/widgets/display_widgets.h"
#include "platform/windows/accessibility/semantics_automation_host.h"
#include "scaffold/application.h"
#include "scaffold/window.h"

namespace win32_ui::scaffold {

namespace {

constexpr std::uint32_t first_button_id = 0xD100;

HICON owner_icon(HWND owner) {
  if (owner == nullptr) return nullptr;
  auto icon = reinterpret_cast<HICON>(SendMessageW(owner, WM_GETICON, ICON_SMALL, 0));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(SendMessageW(owner, WM_GETICON, ICON_BIG, 0));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrW(owner, GCLP_HICONSM));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrW(owner, GCLP_HICON));
  return icon;
}

modern::LocalizedText dialog_text(const wchar_t* name) {
  return modern::LocalizedText::key(std::wstring(L"scaffold.dialog.") + name);
}

// Re-enables the owner on every way out, before the dialog window goes, so activation returns to it.
class OwnerGuard {
 public:
  OwnerGuard() = default;
  OwnerGuard(const OwnerGuard&) = delete;
  OwnerGuard& operator=(const OwnerGuard&) = delete;
  ~OwnerGuard() { release(); }

  void disable(HWND owner) {
    if (owner == nullptr || !IsWindow(owner) || !IsWindowEnabled(owner)) return;
    EnableWindow(owner, FALSE);
    owner_ = owner;
  }

  void release() {
    if (owner_ == nullptr) return;
    HWND owner = owner_;
    owner_ = nullptr;
    if (!IsWindow(owner)) return;
    EnableWindow(owner, TRUE);
    if (IsWindowVisible(owner)) SetActiveWindow(owner);
  }

 private:
  HWND owner_ = nullptr;
};

}  // namespace

Dialog::Dialog(Application& application) : application_(application) {}

Dialog::~Dialog() = default;

void Dialog::on_shown(std::function<void(Dialog&)> callback) { shown_ = std::move(callback); }

void Dialog::close_with(DialogResult result) {
  result_ = result;
  if (window_ != nullptr && window_->hwnd() != nullptr) PostMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
}

DialogResult Dialog::show_modal(const DialogOptions& options, std::unique_ptr<modern::View> content,
                                std::vector<DialogAction> actions) noexcept {
  try {
    return run(options, std::move(content), std::move(actions));
  } catch (...) {
    // The owner was enabled again on the way out; the window goes after it.
    try {
      window_.reset();
    } catch (...) {
    }
    return 0;
  }
}

DialogResult Dialog::run(const DialogOptions& options, std::unique_ptr<modern::View> content,
                         std::vector<DialogAction> actions) {
  // 1. One window at a time, and something to show.
  if ((window_ != nullptr && window_->hwnd() != nullptr) || content == nullptr || actions.empty()) return 0;
  // 2. Closing by any other means gives the cancel result.
  result_ = options.cancel_result;
  // 3. The window, owned by a visible owner.
  HWND owner = options.owner != nullptr && IsWindow(options.owner) ? options.owner : nullptr;
  const bool owner_visible = owner != nullptr && IsWindowVisible(owner);
  const float least_width = std::max(104.0f * static_cast<float>(actions.size()) + 48.0f, options.minimum_client_width);
  WindowOptions window_options;
  window_options.localized_title = options.title;
  window_options.style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  window_options.icon = owner_icon(owner);
  window_options.parent = owner_visible ? owner : nullptr;
  window_options.centring_reference = owner;
  window_options.minimum_client_width = least_width;
  window_options.client_width = std::max(least_width, options.client_width);
  window_options.client_height = options.client_height;
  window_options.minimum_client_height = options.minimum_client_height;
  window_options.ui_scale = options.ui_scale;
  window_options.margin = 24.0f;
  window_options.chrome_mode = ChromeMode::system_frame;
  window_ = std::make_unique<Window>(application_);
  if (!window_->create(window_options)) {
    window_.reset();
    return 0;
  }
  // Readers announce a dialog, not a pane.
  window_->surface().automation().set_dialog(true);
  // Disabled only now that the dialog exists, and enabled again on every way out.
  OwnerGuard guard;
  guard.disable(owner);
  HWND dialog = window_->hwnd();
  // 4. Every close ends the dialog. The loop then enables the owner before it destroys the window, so
  // Windows gives the activation back to the owner instead of another program.
  bool closing = false;
  window_->host().set_close_handler([&closing, dialog] {
    closing = true;
    // A close sent from another thread or program is handled inside GetMessageW, which returns only
    // for a posted message: without one the dialog would stay up until the next input.
    PostMessageW(dialog, WM_NULL, 0, 0);
    return CloseAction::keep;
  });

  // 5. Content over the button row.
  auto outer = std::make_unique<modern::GridPanel>(
      std::vector<modern::TrackDefinition>{modern::TrackDefinition::star()},
      std::vector<modern::TrackDefinition>{modern::TrackDefinition::star(), modern::TrackDefinition::fixed(44.0f)}, 0.0f,
      14.0f, layout::Thickness::uniform(20.0f));
  outer->add(std::move(content), {0, 0, 1, 1});
  std::vector<modern::TrackDefinition> columns{modern::TrackDefinition::star()};
  for (std::size_t i = 0; i < actions.size(); ++i) columns.push_back(modern::TrackDefinition::fixed(96.0f));
  auto row = std::make_unique<modern::GridPanel>(std::move(columns), std::vector<modern::TrackDefinition>{}, 8.0f, 0.0f);
  modern::Button* first_focus = nullptr;
  modern::Button* first_primary = nullptr;
  for (std::size_t i = 0; i < actions.size(); ++i) {
    const DialogAction& action = actions[i];
    auto button = std::make_unique<modern::Button>(first_button_id + static_cast<std::uint32_t>(i), L"");
    button->set_text(action.label);
    button->set_accent(action.primary);
    button->set_automation_id(L"dialog-result-" + std::to_wstring(action.result));
    layout::LayoutParams p = button->layout();
    p.has_fixed_height = true;
    p.fixed_height = 40.0f;
    p.vertical_alignment = layout::VerticalAlignment::center;
    button->set_layout(p);
    const DialogResult result = action.result;
    button->on_invoked([this, result] { close_with(result); });
    auto* placed = static_cast<modern::Button*>(row->add(std::move(button), {static_cast<std::uint32_t>(i + 1), 0, 1, 1}));
    if (first_focus == nullptr && options.default_result != 0 && result == options.default_result) first_focus = placed;
    if (first_primary == nullptr && action.primary) first_primary = placed;
  }
  outer->add(std::move(row), {0, 1, 1, 1});
  // 6. Escape and Enter that no view took.
  const DialogResult cancel = options.cancel_result;
  const DialogResult enter = options.default_result;
  outer->add_key_handler(modern::EventPhase::bubble, [this, cancel, enter](modern::KeyEvent& key) {
    if (key.action != modern::KeyAction::down || key.handled) return;
    if (key.key == modern::Key::escape) {
      close_with(cancel);
      key.handled = true;
    } else if (key.key == modern::Key::enter && enter != 0) {
      close_with(enter);
      key.handled = true;
    }
  });
  // Keys reach the outer panel only through a focused view; with nothing focused the surface's own
  // handling gets them, so the same two keys are bound there too.
  window_->set_content(std::move(outer));

  // 7. Show, focus, tell the caller, loop.
  window_->show(SW_SHOWNORMAL);
  modern::Button* focus = first_focus != nullptr ? first_focus : first_primary;
  if (focus != nullptr) {
    // The focus event of the opening dialog carries its message.
    focus->set_accessible_description(application_.localization().resolve(options.description));
    window_->surface().request_focus(*focus, modern::FocusOrigin::programmatic);
  }
  if (shown_) shown_(*this);
  MSG message;
  while (!closing && IsWindow(dialog)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // The program is quitting: the outer loop must see it too.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    if (message.hwnd == dialog || IsChild(dialog, message.hwnd)) {
      // Keys for the dialog with nothing focused: Escape and Enter still end it.
      if (message.message == WM_KEYDOWN && window_->surface().view_root().focused() == nullptr) {
        if (message.wParam == VK_ESCAPE) {
          close_with(cancel);
          continue;
        }
        if (message.wParam == VK_RETURN && enter != 0) {
          close_with(enter);
          continue;
        }
      }
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // 8. The owner first, then the window: activation goes back to the owner.
  guard.release();
  if (IsWindow(dialog)) DestroyWindow(dialog);
  window_.reset();
  return result_;
}

std::vector<DialogAction> message_actions(MessageButtons buttons, DialogResult default_result) {
  std::vector<std::pair<DialogResult, const wchar_t*>> set;
  switch (buttons) {
    case MessageButtons::ok_cancel: set = {{dialog_ok, L"ok"}, {dialog_cancel, L"cancel"}}; break;
    case MessageButtons::yes_no: set = {{dialog_yes, L"yes"}, {dialog_no, L"no"}}; break;
    case MessageButtons::yes_no_cancel: set = {{dialog_yes, L"yes"}, {dialog_no, L"no"}, {dialog_cancel, L"cancel"}}; break;
    case MessageButtons::retry_cancel: set = {{dialog_retry, L"retry"}, {dialog_cancel, L"cancel"}}; break;
    case MessageButtons::abort_retry_ignore:
      set = {{dialog_abort, L"abort"}, {dialog_retry, L"retry"}, {dialog_ignore, L"ignore"}};
      break;
    case MessageButtons::cancel_try_continue:
      set = {{dialog_cancel, L"cancel"}, {dialog_try_again, L"try_again"}, {dialog_continue, L"continue"}};
      break;
    default: set = {{dialog_ok, L"ok"}}; break;
  }
  const DialogResult primary = default_result != 0 ? default_result : set.front().first;
  std::vector<DialogAction> actions;
  for (const auto& [result, name] : set) actions.push_back(DialogAction{result, dialog_text(name), result == primary});
  return actions;
}

DialogResult message_cancel_result(MessageButtons buttons) noexcept {
  switch (buttons) {
    case MessageButtons::ok_cancel:
    case MessageButtons::yes_no_cancel:
    case MessageButtons::retry_cancel:
    case MessageButtons::cancel_try_continue:
      return dialog_cancel;
    case MessageButtons::yes_no: return dialog_no;
    case MessageButtons::abort_retry_ignore: return dialog_abort;
    default: return dialog_ok;
  }
}

float message_height(std::wstring_view message) noexcept {
  int rows = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = message.find(L'\n', start);
    const std::wstring_view line = message.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
    int count = 0;
    // Wide (CJK and later) characters take about two Latin widths.
    for (const wchar_t c : line) count += c > 0x2E7F ? 2 : 1;
    rows += std::max(1, (count + 47) / 48);
    if (end == std::wstring_view::npos) break;
    start = end + 1;
  }
  return std::clamp(static_cast<float>(rows) * 24.0f + 152.0f, 204.0f, 540.0f);
}

DialogResult show_message(Application& application, const MessageInput& input) {
  static const wchar_t* const kinds[] = {L"information", L"warning", L"error", L"question"};
  const int kind = static_cast<int>(input.kind);
  auto content = std::make_unique<modern::GridPanel>(
      std::vector<modern::TrackDefinition>{modern::TrackDefinition::star()},
      std::vector<modern::TrackDefinition>{modern::TrackDefinition::automatic(), modern::TrackDefinition::star()}, 0.0f,
      8.0f);
  content->add(std::make_unique<modern::Text>(dialog_text(kind >= 0 && kind <= 3 ? kinds[kind] : kinds[0]), layout::TextStyle::section),
               {0, 0, 1, 1});
  auto message = std::make_unique<modern::Text>(input.message, layout::TextStyle::body);
  message->set_automation_id(L"dialog-message");
  content->add(std::move(message), {0, 1, 1, 1});
  std::vector<DialogAction> actions = message_actions(input.buttons, input.default_result);
  DialogOptions options;
  options.title = input.title;
  options.owner = input.owner;
  options.client_width = 440.0f;
  options.minimum_client_width = 320.0f;
  options.minimum_client_height = 160.0f;
  options.client_height = message_height(application.localization().resolve(input.message));
  options.ui_scale = input.ui_scale;
  options.default_result = input.default_result != 0 ? input.default_result : actions.front().result;
  options.cancel_result = message_cancel_result(input.buttons);
  options.description = input.message;
  Dialog dialog(application);
  return dialog.show_modal(options, std::move(content), std::move(actions));
}

}  // namespace win32_ui::scaffold
