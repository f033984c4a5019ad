#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "modern/command_registry.h"
#include "modern/input_events.h"
#include "preview_renderer.h"
#include "scaffold/application.h"
#include "scaffold/view_popup.h"
#include "scaffold/window.h"
#include "preferences.h"
#include "ui_language.h"
#include "ui_resources.h"
#include "watermark_settings.h"

namespace win32_ui::modern {
class Button;
class Text;
class View;
}  // namespace win32_ui::modern

namespace orvane::app {

class ControlsPanel;
class PreviewView;

// The application's controller: the main window, the settings, the preview renderer, and the flows
// that open an image and export the watermarked copy.
class OrvaneApplication {
 public:
  explicit OrvaneApplication(HINSTANCE instance);
  ~OrvaneApplication();
  OrvaneApplication(const OrvaneApplication&) = delete;
  OrvaneApplication& operator=(const OrvaneApplication&) = delete;

  // Creates and shows the main window and opens `path` when it is not empty; false only when the
  // window cannot be made.
  bool create(const std::wstring& path);

  // Asks for an image with the open dialog and opens it.
  void choose_image();
  // Opens an image: a missing path or a folder does nothing, an unreadable file says so, and the
  // image that was open stays open then.
  void open_image(const std::wstring& path);
  // Writes the open image with the watermark to a file the user names.
  void export_watermarked();
  // The suggested output: the image's folder and stem with "-watermarked" and its extension.
  [[nodiscard]] std::wstring default_output_name() const;
  // Renders the preview again from the current settings.
  void refresh_preview();
  // The header menus: each toggles its pop-up next to its button; opening one closes the others.
  void show_theme_menu(win32_ui::modern::InputOrigin origin);
  void show_language_menu(win32_ui::modern::InputOrigin origin);
  void show_about_menu(win32_ui::modern::InputOrigin origin);
  // A theme choice: every window repaints, and the choice is remembered for the next start.
  void set_theme(win32_ui::modern::ThemeMode mode);
  // A language choice: every text is taken again (the content is rebuilt, the open image kept) and the
  // choice is remembered for the next start.
  void set_language(UiLanguage language);
  void show_about();
  [[nodiscard]] win32_ui::scaffold::PopupHolder& theme_menu() noexcept { return theme_menu_; }
  [[nodiscard]] win32_ui::scaffold::PopupHolder& language_menu() noexcept { return language_menu_; }
  [[nodiscard]] win32_ui::scaffold::PopupHolder& help_menu() noexcept { return help_menu_; }

  [[nodiscard]] HWND hwnd() const noexcept { return window_handle_; }
  [[nodiscard]] const std::wstring& image_path() const noexcept { return image_path_; }
  [[nodiscard]] WatermarkSettings& settings() noexcept { return settings_; }
  [[nodiscard]] UiLanguage language() const noexcept { return language_; }
  [[nodiscard]] const UiResources& resources() const noexcept { return resources_; }
  [[nodiscard]] win32_ui::scaffold::Application& toolkit() noexcept { return application_; }
  [[nodiscard]] win32_ui::scaffold::Window& window() noexcept { return window_; }
  [[nodiscard]] ControlsPanel& controls() noexcept { return *controls_; }
  [[nodiscard]] const PreviewView* preview() const noexcept { return preview_; }

 private:
  struct IconHandles;

  std::unique_ptr<win32_ui::modern::View> build_content();
  std::unique_ptr<win32_ui::modern::View> build_header();
  std::unique_ptr<win32_ui::modern::View> build_controls();
  std::unique_ptr<win32_ui::modern::View> build_preview();
  void set_status(const std::wstring& text);
  void open_support();
  // Shows one header menu of `items` (label, checked, action) next to the button with `anchor_id`.
  struct MenuEntry {
    std::uint32_t command_id;
    std::wstring label;
    bool checked;
    std::function<void()> action;
  };
  void show_menu(win32_ui::scaffold::PopupHolder& holder, std::uint32_t anchor_id, std::vector<MenuEntry> entries,
                 float height, win32_ui::modern::InputOrigin origin);
  void message(const std::wstring& title, const std::wstring& text, bool error);
  static LRESULT CALLBACK subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                        DWORD_PTR data) noexcept;

  HINSTANCE instance_;
  Preferences preferences_;  // read once, at start
  win32_ui::scaffold::Application application_;
  win32_ui::scaffold::Window window_;
  win32_ui::scaffold::PopupHolder theme_menu_;
  win32_ui::scaffold::PopupHolder language_menu_;
  win32_ui::scaffold::PopupHolder help_menu_;
  HWND window_handle_ = nullptr;
  UiLanguage language_;
  std::unique_ptr<IconHandles> icons_;
  UiResources resources_;
  WatermarkSettings settings_;
  std::unique_ptr<engine::PreviewRenderer> renderer_;
  std::wstring image_path_;
  win32_ui::modern::CommandRegistry commands_;
  win32_ui::modern::AcceleratorTable accelerators_;
  // Widgets of the current content (owned by the window's tree; replaced with it).
  PreviewView* preview_ = nullptr;
  win32_ui::modern::Button* export_button_ = nullptr;
  win32_ui::modern::Text* facts_text_ = nullptr;
  win32_ui::modern::Text* status_text_ = nullptr;
  std::unique_ptr<ControlsPanel> controls_;
};

}  // namespace orvane::app
