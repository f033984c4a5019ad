#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "command_ids.h"
#include "modern/tree/input_events.h"
#include "scaffold/view_popup.h"

namespace win32_ui::modern {
class Button;
class View;
}  // namespace win32_ui::modern

namespace orvane::app {

class OrvaneApplication;

// The window's header: the title, the Open and Export buttons, and the Theme, Language and Help
// buttons with their pop-up menus, the support page and the about box.
class HeaderMenus {
 public:
  explicit HeaderMenus(OrvaneApplication& application) noexcept : application_(application) {}
  HeaderMenus(const HeaderMenus&) = delete;
  HeaderMenus& operator=(const HeaderMenus&) = delete;

  // Builds the header in the current language; the previous widgets are forgotten.
  [[nodiscard]] std::unique_ptr<win32_ui::modern::View> build();
  // Export is usable once an image is open.
  void enable_export();
  // While an export is written, Open and Export are not usable.
  void set_busy(bool busy);
  // Forgets the widgets of the header, which go with the content that holds them.
  void forget_widgets() noexcept {
    open_button_ = nullptr;
    export_button_ = nullptr;
  }

  // The header menus: each toggles its pop-up next to its button; opening one closes the others.
  void show_theme_menu(win32_ui::modern::InputOrigin origin);
  void show_language_menu(win32_ui::modern::InputOrigin origin);
  void show_about_menu(win32_ui::modern::InputOrigin origin);
  // Closes whichever menu is open.
  void close_menus();
  void show_about();

  [[nodiscard]] win32_ui::scaffold::PopupHolder& theme_menu() noexcept { return theme_menu_; }
  [[nodiscard]] win32_ui::scaffold::PopupHolder& language_menu() noexcept { return language_menu_; }
  [[nodiscard]] win32_ui::scaffold::PopupHolder& help_menu() noexcept { return help_menu_; }

 private:
  // One entry of a header menu: its command, label, check mark and what choosing it does.
  struct MenuEntry {
    CommandId command_id;
    std::wstring label;
    bool checked;
    std::function<void()> action;
  };
  // Shows one header menu of `entries` next to the button of `anchor`.
  void show_menu(win32_ui::scaffold::PopupHolder& holder, CommandId anchor, std::vector<MenuEntry> entries, float height,
                 win32_ui::modern::InputOrigin origin);
  void open_support();

  OrvaneApplication& application_;
  win32_ui::scaffold::PopupHolder theme_menu_;
  win32_ui::scaffold::PopupHolder language_menu_;
  win32_ui::scaffold::PopupHolder help_menu_;
  // The Open and Export buttons of the current content (owned by the window's tree; replaced with it).
  win32_ui::modern::Button* open_button_ = nullptr;
  win32_ui::modern::Button* export_button_ = nullptr;
  bool busy_ = false;
};

}  // namespace orvane::app
