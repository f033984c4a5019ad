#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "modern/widgets/interactive.h"

namespace win32_ui::modern {

// How a menu entry shows its state.
enum class MenuItemKind : std::int32_t { command = 0, check = 1, radio = 2 };

// One row of a pop-up menu: an indicator, the label and an optional shortcut text. Every entry the
// toolkit makes is a radio item, checked when it names the current choice.
class MenuItem : public Interactive {
 public:
  MenuItem(std::uint32_t command_id, std::wstring label, bool checked = false);

  // Runs `callback` whenever the item is invoked.
  MenuItem& on_invoked(std::function<void()> callback);

  [[nodiscard]] MenuItemKind menu_kind() const noexcept { return menu_kind_; }
  [[nodiscard]] const std::wstring& shortcut() const noexcept { return shortcut_; }
  MenuItem& set_menu_kind(MenuItemKind kind);
  MenuItem& set_shortcut(std::wstring shortcut);

  void describe(SemanticsNode& node) override;
  void paint(PaintContext& context) override;

 protected:
  void paint_focus_ring(PaintContext& context) override;

 private:
  // Whether the high-contrast highlight is on: then the row is accent-filled and texts use entry 13.
  [[nodiscard]] bool high_contrast_highlight(const PaintContext& context) const noexcept;

  MenuItemKind menu_kind_ = MenuItemKind::radio;
  std::wstring shortcut_;
};

}  // namespace win32_ui::modern
