#include "platform/windows/native_control_colors.h"

#include "theme/palette.h"

namespace win32_ui::platform {

namespace {

struct ListSearch {
  HWND list = nullptr;
  HWND owner = nullptr;  // the combo box whose list it is
};

// A combo box's drop-down list is a top-level window, so it is found by asking each child combo box.
BOOL CALLBACK find_list_owner(HWND child, LPARAM data) noexcept {
  auto* search = reinterpret_cast<ListSearch*>(data);
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(child, &info) != FALSE && info.hwndList == search->list) {
    search->owner = child;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool set_native_control_colors(HWND parent, HWND control, HDC dc, const modern::Palette& palette) noexcept {
  if (parent == nullptr || control == nullptr || dc == nullptr) return false;
  HWND owner = nullptr;
  if (GetParent(control) == parent && (GetWindowLongPtrW(control, GWL_STYLE) & WS_CHILD) != 0) {
    owner = control;
  } else {
    ListSearch search{control, nullptr};
    EnumChildWindows(parent, find_list_owner, reinterpret_cast<LPARAM>(&search));
    owner = search.owner;
  }
  if (owner == nullptr) return false;
  const bool enabled = IsWindowEnabled(owner) != FALSE;
  SetTextColor(dc, palette.colors[enabled ? modern::Palette::text : modern::Palette::disabled_text]);
  SetBkColor(dc, palette.colors[modern::Palette::field_background]);
  SetBkMode(dc, OPAQUE);
  return true;
}

}  // namespace win32_ui::platform
