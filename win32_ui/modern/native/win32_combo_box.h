#pragma once

#include <functional>
#include <string>
#include <vector>

#include "modern/native/win32_native_host.h"

namespace win32_ui::modern {

// A hosted drop-down list ("COMBOBOX", owner-drawn so its field and items follow the palette).
class Win32ComboBox : public Win32NativeHost {
 public:
  explicit Win32ComboBox(int control_id);

  [[nodiscard]] const std::vector<std::wstring>& items() const noexcept { return items_; }
  // -1 when nothing is selected.
  [[nodiscard]] int selected_index() const noexcept { return selected_index_; }
  // Height of the list items, DIPs.
  [[nodiscard]] int item_height() const noexcept { return item_height_; }

  // Replaces the items; a selection beyond the new list is dropped.
  Win32ComboBox& set_items(std::vector<std::wstring> items);
  // An index outside -1 to the item count - 1 is ignored.
  Win32ComboBox& set_selected_index(int index);
  // Ignored when not finite or below 16; capped at 1000.
  void set_item_height(float height) override;

  // Called with the new index each time the user changes the selection.
  Win32ComboBox& on_selection_changed(std::function<void(int)> callback);

  // Accessibility: the selected item's text as the value; select (by index), set text value (the text of
  // an item selects it) and expand or collapse the list.
  void describe(SemanticsNode& node) override;
  bool perform_action(ActionRequest& request) override;

 protected:
  void* create_control(void* parent) override;
  void apply_theme(const Palette& palette) override;
  bool translate_notification(const platform::NativeNotification& notification, Event& event) override;
  // The window's height is the drop-down list's room, so it gets at least 160 DIPs.
  [[nodiscard]] float native_height(float view_height) const override;
  [[nodiscard]] std::uint32_t native_capabilities() const override;

 private:
  void fill_control() const;
  // Selects an item (-1: none) in the control, notifying semantics and, on a change, the tree.
  bool select(int index);

  std::vector<std::wstring> items_;
  int selected_index_ = -1;
  int item_height_ = 32;
};

}  // namespace win32_ui::modern
