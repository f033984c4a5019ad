#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "batch_export_flow.h"
#include "export_flow.h"
#include "header_menus.h"
#include "modern/tree/command_registry.h"
#include "modern/tree/input_events.h"
#include "open_flow.h"
#include "photo_batch.h"
#include "preferences.h"
#include "preview_pipeline.h"
#include "scaffold/application.h"
#include "scaffold/taskbar_progress.h"
#include "scaffold/view_popup.h"
#include "scaffold/window.h"
#include "settings_store.h"
#include "thumbnail_loader.h"
#include "ui_language.h"
#include "ui_resources.h"
#include "watermark_settings.h"

namespace win32_ui::modern {
class ProgressBar;
class Text;
class View;
}  // namespace win32_ui::modern

namespace orvane::app {

class BatchList;
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
  bool create(const std::wstring& path) { return create(path.empty() ? std::vector<std::wstring>() : std::vector{path}); }
  // The same with the photos (or folders) a command line names: one opens alone, several as a list.
  bool create(const std::vector<std::wstring>& paths);

  // Asks for an image with the open dialog and opens it.
  void choose_image() { open_flow_.choose_image(); }
  // Starts opening an image: a missing path or a folder does nothing, an unreadable file says so
  // once it has been tried, and the image that was open stays open then. The photo is decoded off
  // the window's thread; `preview_busy` tells when it has been shown.
  void open_image(const std::wstring& path) { open_flow_.open_image(path); }
  // Starts writing the open image with the watermark to a file the user names; with several photos
  // open, every one of them into a folder the user picks.
  void export_watermarked();
  // Stops the export in progress: one photo's output is left as it was; a batch finishes the photos
  // in progress and starts no more.
  void cancel_export();
  // An export is being written: Open and Export wait for it.
  [[nodiscard]] bool exporting() const noexcept { return export_flow_.exporting() || batch_export_.exporting(); }
  [[nodiscard]] BatchExportFlow& batch_export() noexcept { return batch_export_; }

  // Several photos at once (full paths; a folder's photos already found): the list shows them all,
  // the first is previewed. One photo opens as open_image does.
  void open_photos(std::vector<std::wstring> paths);
  // The photos open: one, or a whole shoot.
  [[nodiscard]] PhotoBatch& batch() noexcept { return batch_; }
  // Previews the photo at `index` of the list.
  void choose_photo(std::size_t index);
  // Takes the photo at `index` out of the list (not while exporting); the one shown moves on.
  void remove_photo(std::size_t index);
  // The list follows the batch: all of it, or one photo's row.
  void batch_changed();
  void photo_changed(std::size_t index);
  // What the taskbar button shows of an export.
  void show_taskbar(win32_ui::scaffold::TaskbarState state, double done = 0.0);
  // The export started, moved on or ended: the header, the status line and the progress follow.
  void export_state_changed();
  // The suggested output: the image's folder and stem with "-watermarked" and its extension.
  [[nodiscard]] std::wstring default_output_name() const { return export_flow_.default_output_name(); }
  // Renders the preview again from the current settings, off the window's thread; the frame is
  // shown when it is ready.
  void refresh_preview();
  // A control changed a setting: it is kept for the next start and the preview follows.
  void settings_changed();
  // Photos are being looked for in folders, a photo is being opened, or a frame asked for has not
  // been shown yet.
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
  // `from_list`: a photo of the list is being shown; else the photo opened becomes the only one.
  void start_opening(std::wstring path, bool from_list = false);
  // Makes the image just decoded the open one: the preview, the status line and Export follow.
  void take_image(std::wstring path);
  void set_status(const std::wstring& text);
  // A message box over the main window, in the words given.
  void message(const std::wstring& title, const std::wstring& text, bool error);
  // What the last message box said.
  [[nodiscard]] const std::wstring& last_message() const noexcept { return last_message_; }
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
  [[nodiscard]] BatchList* batch_list() const noexcept { return batch_list_; }

 private:
  struct IconHandles;

  // The main window's messages the application answers itself: drops, and closing during an export.
  static LRESULT CALLBACK window_messages(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                          DWORD_PTR data) noexcept;
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
  // The photo opened from the list could not be: its row says why, the photo shown stays.
  void photo_failed(const std::wstring& path, const std::wstring& error);
  // Asks for the thumbnails the list has not got.
  void request_thumbnails();
  // What the status line says of the open image, in the UI language.
  [[nodiscard]] std::wstring open_image_status() const;

  HINSTANCE instance_;
  Preferences preferences_;  // read once, at start
  win32_ui::scaffold::Application application_;
  win32_ui::scaffold::Window window_;
  HeaderMenus header_;
  OpenFlow open_flow_;
  ExportFlow export_flow_;
  BatchExportFlow batch_export_;
  HWND window_handle_ = nullptr;
  UiLanguage language_;
  std::unique_ptr<IconHandles> icons_;
  UiResources resources_;
  SettingsStore settings_store_;  // before the settings, which it reads
  WatermarkSettings settings_;
  std::unique_ptr<PreviewPipeline> pipeline_;
  PhotoBatch batch_;
  std::unique_ptr<ThumbnailLoader> thumbnails_;
  std::unique_ptr<win32_ui::scaffold::TaskbarProgress> taskbar_;
  PreviewTimings preview_timings_;
  std::uint32_t source_width_ = 0;  // the photo the frame shown is of, upright and full size
  std::uint32_t source_height_ = 0;
  std::wstring image_path_;
  std::wstring opening_path_;  // the photo being decoded, empty when none
  bool opening_from_list_ = false;  // it is one of the list's, which stays as it is
  std::wstring status_;                  // what the status line says
  std::wstring last_message_;
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
  BatchList* batch_list_ = nullptr;
  bool export_shown_ = false;  // the content shows an export in progress
  std::unique_ptr<ControlsPanel> controls_;
};

}  // namespace orvane::app
