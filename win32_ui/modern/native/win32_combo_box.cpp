#include "modern/native/win32_combo_box.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "theme/themed_combo_box.h"

namespace win32_ui::modern {

namespace {

constexpr float minimum_list_height = 160.0f;
constexpr UINT_PTR close_up_timer = 0x4342;

// Wine 8 leaves the mouse captured by the list after Enter closed it, so the next click anywhere would
// only reach the hidden list; Windows lets go itself. Looked at once the choice has run its course
// (the control notifies before it hides the list).
void CALLBACK release_hidden_list_capture(HWND combo, UINT, UINT_PTR id, DWORD) noexcept {
  KillTimer(combo, id);
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(combo, &info) && info.hwndList != nullptr && GetCapture() == info.hwndList &&
      !IsWindowVisible(info.hwndList)) {
    ReleaseCapture();
  }
}

}  // namespace

Win32ComboBox::Win32ComboBox(int control_id) : Win32NativeHost(control_id) {}

void Win32ComboBox::fill_control() const {
  auto* window = static_cast<HWND>(this->window());
  if (window == nullptr) return;
  SendMessageW(window, CB_RESETCONTENT, 0, 0);
  for (const std::wstring& item : items_) SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(selected_index_), 0);
}

Win32ComboBox& Win32ComboBox::set_items(std::vector<std::wstring> items) {
  if (items == items_) return *this;
  items_ = std::move(items);
  if (selected_index_ >= static_cast<int>(items_.size())) selected_index_ = -1;
  fill_control();
  if (host() != nullptr) host()->notify_semantics_changed();
  return *this;
}

Win32ComboBox& Win32ComboBox::set_selected_index(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size()) || index == selected_index_) return *this;
  selected_index_ = index;
  if (auto* window = static_cast<HWND>(this->window())) {
    SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  if (host() != nullptr) host()->notify_semantics_changed();
  return *this;
}

void Win32ComboBox::set_item_height(float height) {
  if (!std::isfinite(height) || height < 16.0f) return;
  const int rounded = static_cast<int>(std::lround(std::min(height, 1000.0f)));
  if (rounded == item_height_) return;
  item_height_ = rounded;
  reapply_theme();
}

Win32ComboBox& Win32ComboBox::on_selection_changed(std::function<void(int)> callback) {
  if (callback) {
    add_event_handler(EventKind::selection_changed,
                      [callback = std::move(callback)](Event& event) { callback(event.selected_index); });
  }
  return *this;
}

void Win32ComboBox::describe(SemanticsNode& node) {
  Win32NativeHost::describe(node);
  node.role = static_cast<std::int32_t>(SemanticsRole::combo_box);
  if (selected_index_ >= 0 && selected_index_ < static_cast<int>(items_.size())) {
    node.value = items_[static_cast<std::size_t>(selected_index_)];
  }
  // Select by index, or by the text of an item (UIA's Value pattern), and open or close the list.
  node.actions |= semantics_action_select | semantics_action_set_text_value;
  if (auto* window = static_cast<HWND>(this->window()); window != nullptr && IsWindow(window)) {
    node.has_expand = true;
    node.expanded = SendMessageW(window, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
    node.actions |= node.expanded ? semantics_action_collapse : semantics_action_expand;
  }
}

bool Win32ComboBox::perform_action(ActionRequest& request) {
  if (request.action == semantics_action_set_text_value) {
    const auto found = std::find(items_.begin(), items_.end(), request.text_value);
    if (found == items_.end()) return false;
    return select(static_cast<int>(found - items_.begin()));
  }
  if (request.action == semantics_action_expand || request.action == semantics_action_collapse) {
    auto* window = static_cast<HWND>(this->window());
    if (window == nullptr || !IsWindow(window) || !enabled()) return false;
    SendMessageW(window, CB_SHOWDROPDOWN, request.action == semantics_action_expand ? TRUE : FALSE, 0);
    if (host() != nullptr) host()->notify_semantics_changed();
    return (SendMessageW(window, CB_GETDROPPEDSTATE, 0, 0) != FALSE) == (request.action == semantics_action_expand);
  }
  if (request.action != semantics_action_select) return Win32NativeHost::perform_action(request);
  const double wanted = request.numeric_value;
  if (!std::isfinite(wanted) || wanted != std::floor(wanted) || wanted < -1.0 ||
      wanted > static_cast<double>(items_.size()) - 1.0) {
    return false;
  }
  return select(static_cast<int>(wanted));
}

bool Win32ComboBox::select(int index) {
  if (auto* window = static_cast<HWND>(this->window())) {
    // Clearing the selection answers CB_ERR by design; only a refused index counts as failure.
    const LRESULT result = SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (index >= 0 && result == CB_ERR) return false;
  }
  const bool changed = index != selected_index_;
  selected_index_ = index;
  if (host() == nullptr) return true;
  host()->notify_semantics_changed();
  // CB_SETCURSEL notifies nobody, so the application hears of the choice here.
  if (changed) {
    Event event;
    event.command_id = static_cast<std::uint32_t>(control_id());
    event.source_role = 8;
    event.kind = EventKind::selection_changed;
    event.origin = InputOrigin::programmatic;
    event.source = this;
    event.selected_index = index;
    host()->dispatch_event(event);
  }
  return true;
}

void* Win32ComboBox::create_control(void* parent) {
  constexpr DWORD style = WS_CHILD | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
  HWND window =
      CreateWindowExW(0, clipped_control_class(L"COMBOBOX", L"Win32UiNativeComboBox"), L"", style, 0, 0, 1,
                      static_cast<int>(minimum_list_height), static_cast<HWND>(parent),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id())), GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return nullptr;
  for (const std::wstring& item : items_) SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  if (selected_index_ >= 0) SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(selected_index_), 0);
  return window;
}

void Win32ComboBox::apply_theme(const Palette& palette) {
  auto* window = static_cast<HWND>(this->window());
  if (window == nullptr) return;
  ThemedComboOptions options;
  options.left_padding = 8.0f;
  options.right_padding = 8.0f;
  options.arrow_area_width = 28.0f;
  options.corner_radius = 6.0f;
  options.list_item_height = static_cast<float>(item_height_);
  options.list_item_text_padding = 12.0f;
  apply_themed_combo_box(window, palette, options);
}

bool Win32ComboBox::translate_notification(const platform::NativeNotification& notification, Event& event) {
  if (notification.message != WM_COMMAND) return false;
  switch (HIWORD(notification.wparam)) {
    case CBN_SELENDOK:
    case CBN_SELENDCANCEL:
      SetTimer(static_cast<HWND>(this->window()), close_up_timer, 0, &release_hidden_list_capture);
      return false;
    case CBN_SELCHANGE: {
      auto* window = static_cast<HWND>(this->window());
      const LRESULT current = SendMessageW(window, CB_GETCURSEL, 0, 0);
      const int index = current == CB_ERR ? -1 : static_cast<int>(current);
      // The control may repeat the notification for one choice; the tree hears of each change once.
      if (index == selected_index_) return false;
      selected_index_ = index;
      if (host() != nullptr) host()->notify_semantics_changed();
      event.kind = EventKind::selection_changed;
      event.selected_index = index;
      return true;
    }
    case CBN_DROPDOWN:
      if (host() != nullptr) host()->notify_semantics_changed();  // the expand state
      event.kind = EventKind::drop_down_opened;
      return true;
    case CBN_CLOSEUP:
      SetTimer(static_cast<HWND>(this->window()), close_up_timer, 0, &release_hidden_list_capture);
      if (host() != nullptr) host()->notify_semantics_changed();
      event.kind = EventKind::drop_down_closed;
      return true;
    default:
      return false;
  }
}

float Win32ComboBox::native_height(float view_height) const { return std::max(view_height, minimum_list_height); }

std::uint32_t Win32ComboBox::native_capabilities() const { return 55; }

}  // namespace win32_ui::modern
