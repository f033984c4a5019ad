#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "export_flow.h"
#include "header_menus.h"
#include "modern/tree/command_registry.h"
#include "modern/tree/input_events.h"
#include "open_flow.h"
#include "preferences.h"
#include "preview_pipeline.h"
#include "scaffold/application.h"
#include "scaffold/view_popup.h"
#include "scaffold/window.h"
#include "settings_store.h"
#include "ui_language.h"
#include "ui_resources.h"
#include "watermark_settings.h"

namespace win32_ui::modern {
class ProgressBar;
class Text;
class View;
}  // namespace win32_ui::modern

namespace orvane::app {

class ControlsPanel;
class PreviewView;

// The application's controller: the main window, the settings, the open image with its preview, and
// the parts that act on them: the header with its menus, the open flow and the export flow.
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
  void choose_image() { open_flow_.choose_image(); }
  // Starts opening an image: a missing path or a folder does nothing, an unreadable file says so
  // once it has been tried, and the image that was open stays open then. The photo is decoded off
  // the window's thread; `preview_busy` tells when it has been shown.
  void open_image(const std::wstring& path) { open_flow_.open_image(path); }
  // Starts writing the open image with the watermark to a file the user names.
  void export_watermarked() { export_flow_.export_watermarked(); }
  // Stops the export in progress, leaving its output as it was.
  void cancel_export() { export_flow_.cancel(); }
  // An export is being written: Open and Export wait for it.
  [[nodiscard]] bool exporting() const noexcept { return export_flow_.exporting(); }
  // The export started, moved on or ended: the header, the status line and the progress follow.
  void export_state_changed();
  // The suggested output: the image's folder and stem with "-watermarked" and its extension.
  [[nodiscard]] std::wstring default_output_name() const { return export_flow_.default_output_name(); }
  // Renders the preview again from the current settings, off the window's thread; the frame is
  // shown when it is ready.
  void refresh_preview();
  // A control changed a setting: it is kept for the next start and the preview follows.
  void settings_changed();
  // A photo is being opened or a frame asked for has not been shown yet.
  [[nodiscard]] bool preview_busy() const noexcept;
  // When each step of the last frame shown happened.
  [[nodiscard]] const PreviewTimings& preview_timings() const noexcept { return preview_timings_; }
  // A theme choice: every window repaints, and the choice is remembered for the next start.
  void set_theme(win32_ui::modern::ThemeMode mode);
  // A language choice: every text is taken again (the content is rebuilt, the open image kept) and the
  // choice is remembered for the next start.
  void set_language(UiLanguage language);
  // The header menus: each toggles its pop-up next to its button; opening one closes the others.
  void show_theme_menu(win32_ui::modern::InputOrigin origin) { header_.show_theme_menu(origin); }
  void show_language_menu(win32_ui::modern::InputOrigin origin) { header_.show_language_menu(origin); }
  void show_about_menu(win32_ui::modern::InputOrigin origin) { header_.show_about_menu(origin); }
  void show_about() { header_.show_about(); }

  // What the header and the flows act through.
  // Decodes the image at `path` (absolute) aside; the status line and the preview show it is opening.
  void start_opening(std::wstring path);
  // Makes the image just decoded the open one: the preview, the status line and Export follow.
  void take_image(std::wstring path);
  void set_status(const std::wstring& text);
  // A message box over the main window, in the words given.
  void message(const std::wstring& title, const std::wstring& text, bool error);
  // A question with Yes and No; true for Yes.
  [[nodiscard]] bool ask(const std::wstring& title, const std::wstring& text);
  // The window's small icon, for the dialogs it owns; null before the window is made.
  [[nodiscard]] HICON small_icon() const noexcept;

  [[nodiscard]] win32_ui::scaffold::PopupHolder& theme_menu() noexcept { return header_.theme_menu(); }
  [[nodiscard]] win32_ui::scaffold::PopupHolder& language_menu() noexcept { return header_.language_menu(); }
  [[nodiscard]] win32_ui::scaffold::PopupHolder& help_menu() noexcept { return header_.help_menu(); }
  [[nodiscard]] HWND hwnd() const noexcept { return window_handle_; }
  [[nodiscard]] const std::wstring& image_path() const noexcept { return image_path_; }
  // What the status line under the preview says.
  [[nodiscard]] const std::wstring& status() const noexcept { return status_; }
  [[nodiscard]] WatermarkSettings& settings() noexcept { return settings_; }
  // The shorter side of the open photo, upright and full size; a common one when none is open. A
  // change of unit keeps the mark's look on it.
  [[nodiscard]] std::uint32_t reference_shorter_side() const noexcept;
  [[nodiscard]] UiLanguage language() const noexcept { return language_; }
  [[nodiscard]] const UiResources& resources() const noexcept { return resources_; }
  [[nodiscard]] win32_ui::scaffold::Application& toolkit() noexcept { return application_; }
  [[nodiscard]] win32_ui::scaffold::Window& window() noexcept { return window_; }
  [[nodiscard]] ControlsPanel& controls() noexcept { return *controls_; }
  [[nodiscard]] const PreviewView* preview() const noexcept { return preview_; }

 private:
  struct IconHandles;

  std::unique_ptr<win32_ui::modern::View> build_content();
  std::unique_ptr<win32_ui::modern::View> build_controls();
  std::unique_ptr<win32_ui::modern::View> build_preview();
  // The open image in the status line and the preview, Export usable.
  void show_open_image();
  // What the pipeline reports, on the window's thread.
  void show_frame(PreviewPicture picture);
  // True when the logo in force could not be read and was dropped.
  bool drop_unreadable_logo();
  void opened(OpenedPhoto photo);
  // The preview's accessible name and the image facts, for the frame shown.
  void describe_preview();
  // What the status line says of the open image, in the UI language.
  [[nodiscard]] std::wstring open_image_status() const;

  HINSTANCE instance_;
  Preferences preferences_;  // read once, at start
  win32_ui::scaffold::Application application_;
  win32_ui::scaffold::Window window_;
  HeaderMenus header_;
  OpenFlow open_flow_;
  ExportFlow export_flow_;
  HWND window_handle_ = nullptr;
  UiLanguage language_;
  std::unique_ptr<IconHandles> icons_;
  UiResources resources_;
  SettingsStore settings_store_;  // before the settings, which it reads
  WatermarkSettings settings_;
  std::unique_ptr<PreviewPipeline> pipeline_;
  PreviewTimings preview_timings_;
  std::uint32_t source_width_ = 0;  // the photo the frame shown is of, upright and full size
  std::uint32_t source_height_ = 0;
  std::wstring image_path_;
  std::wstring opening_path_;  // the photo being decoded, empty when none
  std::wstring status_;                  // what the status line says
  bool frame_failed_ = false;            // the status line says why the last frame failed
  std::wstring status_before_opening_;  // said again when the open fails
  win32_ui::modern::CommandRegistry commands_;
  win32_ui::modern::AcceleratorTable accelerators_;
  // Widgets of the current content (owned by the window's tree; replaced with it).
  PreviewView* preview_ = nullptr;
  win32_ui::modern::Text* facts_text_ = nullptr;
  win32_ui::modern::Text* status_text_ = nullptr;
  win32_ui::modern::Text* formats_text_ = nullptr;
  win32_ui::modern::View* export_strip_ = nullptr;  // the progress and Cancel, while exporting
  win32_ui::modern::ProgressBar* export_bar_ = nullptr;
  bool export_shown_ = false;  // the content shows an export in progress
  std::unique_ptr<ControlsPanel> controls_;
};

}  // namespace orvane::app
