#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "localization/localized_text.h"
#include "modern/tree/view.h"

typedef struct HWND__* HWND;

namespace win32_ui::scaffold {

class Application;
class Window;

// The classic message-box identifiers; 0 means the dialog could not be shown.
using DialogResult = int;
inline constexpr DialogResult dialog_ok = 1;
inline constexpr DialogResult dialog_cancel = 2;
inline constexpr DialogResult dialog_abort = 3;
inline constexpr DialogResult dialog_retry = 4;
inline constexpr DialogResult dialog_ignore = 5;
inline constexpr DialogResult dialog_yes = 6;
inline constexpr DialogResult dialog_no = 7;
inline constexpr DialogResult dialog_try_again = 10;
inline constexpr DialogResult dialog_continue = 11;

// One button of a dialog, in display order.
struct DialogAction {
  DialogResult result = dialog_ok;
  modern::LocalizedText label;
  bool primary = false;
};

struct DialogOptions {
  modern::LocalizedText title;
  HWND owner = nullptr;  // disabled while the dialog runs, and centred on
  float client_width = 440.0f;
  float client_height = 220.0f;
  float minimum_client_width = 0.0f;  // raised to at least 104 per action + 48
  float minimum_client_height = 0.0f;
  float ui_scale = 1.0f;
  DialogResult default_result = 0;  // Enter; its button gets the first focus
  DialogResult cancel_result = dialog_cancel;  // Escape and closing the window
  // What the dialog says, read out with the first focused button (its help text) when it opens.
  modern::LocalizedText description;
};

enum class MessageKind : std::int32_t { information = 0, warning = 1, error = 2, question = 3 };

enum class MessageButtons : std::int32_t {
  ok = 0,
  ok_cancel = 1,
  yes_no = 2,
  yes_no_cancel = 3,
  retry_cancel = 4,
  abort_retry_ignore = 5,
  cancel_try_continue = 6,
};

struct MessageInput {
  modern::LocalizedText title;
  modern::LocalizedText message;
  HWND owner = nullptr;
  MessageButtons buttons = MessageButtons::ok;
  MessageKind kind = MessageKind::information;
  DialogResult default_result = 0;  // 0: the first button's
  float ui_scale = 1.0f;
};

// A modal window of toolkit views: the caller's content above a right-aligned row of buttons. The owner
// is disabled while it runs and active again when it returns.
class Dialog {
 public:
  explicit Dialog(Application& application);
  ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs once the window shows, before the loop starts.
  void on_shown(std::function<void(Dialog&)> callback);

  // Shows the dialog and runs its loop until it closes; the result of the button, key or close that
  // ended it, or 0 when it could not be shown. Nothing escapes it: a failure inside ends the dialog.
  DialogResult show_modal(const DialogOptions& options, std::unique_ptr<modern::View> content,
                          std::vector<DialogAction> actions) noexcept;

  // Ends the dialog with a result (from a handler of its content).
  void close_with(DialogResult result);
  [[nodiscard]] Window& window() noexcept { return *window_; }

 private:
  DialogResult run(const DialogOptions& options, std::unique_ptr<modern::View> content,
                   std::vector<DialogAction> actions);

  Application& application_;
  std::unique_ptr<Window> window_;
  std::function<void(Dialog&)> shown_;
  DialogResult result_ = 0;
};

// The buttons, results and cancel result of a standard button set.
[[nodiscard]] std::vector<DialogAction> message_actions(MessageButtons buttons, DialogResult default_result);
[[nodiscard]] DialogResult message_cancel_result(MessageButtons buttons) noexcept;
// The client height (DIPs) a message needs: 24 per estimated row plus 152, within 204..540.
[[nodiscard]] float message_height(std::wstring_view message) noexcept;

// A heading named after the kind and the message, over one of the standard button sets.
DialogResult show_message(Application& application, const MessageInput& input);

}  // namespace win32_ui::scaffold
