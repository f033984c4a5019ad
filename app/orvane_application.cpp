#include "orvane_application.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <utility>
#include <vector>

#include "command_ids.h"
#include "controls_panel.h"
#include "file_dialog.h"
#include "flow_texts.h"
#include "logo_image.h"
#include "modern/panels/grid_panel.h"
#include "modern/panels/overlay_panel.h"
#include "modern/panels/scroll_panel.h"
#include "modern/widgets/button.h"
#include "modern/widgets/display_widgets.h"
#include "modern/widgets/progress_bar.h"
#include "platform/windows/gdi_handle.h"
#include "batch_texts.h"
#include "presets_card.h"
#include "resources/resource_ids.h"
#include "scaffold/dialog.h"
#include "text_table.h"
#include "views/batch_list.h"
#include "views/preview_view.h"

namespace orvane::app {

namespace {

namespace modern = win32_ui::modern;
namespace layout = win32_ui::layout;
namespace scaffold = win32_ui::scaffold;
using modern::TrackDefinition;

// The first client area shows every card without scrolling: header 96, gap 12, the settings column
// 596, padding 10 and 18.
constexpr float first_client_width = 1280.0f;
constexpr float first_client_height = 732.0f;
// The least client area still fits a 960 x 600 DIP work area with the title bar: below the first
// size the settings column scrolls and the preview takes what is left.
constexpr float minimum_client_width = 860.0f;
constexpr float minimum_client_height = 520.0f;
// The longer side of the opened photo's cache, which frames are shrunk from to the size shown.
constexpr std::uint32_t preview_cache_size = 1600;
constexpr UINT_PTR window_subclass_id = 0x4F52564E;  // "ORVN"
// The longer side of a list row's thumbnail, in pixels: sharp at twice the row's size.
constexpr std::uint32_t thumbnail_side = 96;

std::wstring upper_extension(const std::wstring& path) {
  std::wstring extension = std::filesystem::path(path).extension().wstring();
  if (!extension.empty() && extension.front() == L'.') extension.erase(0, 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
  return extension;
}

}  // namespace

// The application icon at the sizes the window asks for, loaded once and freed at the end.
struct OrvaneApplication::IconHandles {
  win32_ui::platform::UniqueIcon small;
  win32_ui::platform::UniqueIcon medium;
  win32_ui::platform::UniqueIcon large;
  explicit IconHandles(HINSTANCE instance)
      : small(load(instance, 16)), medium(load(instance, 32)), large(load(instance, 48)) {}

 private:
  static HICON load(HINSTANCE instance, int size) noexcept {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ORVANE_IDI_APPLICATION), IMAGE_ICON, size, size, 0));
  }
};

OrvaneApplication::OrvaneApplication(HINSTANCE instance)
    : instance_(instance),
      preferences_(read_preferences()),
      application_(preferences_.theme, modern::default_accent),
      window_(application_),
      header_(*this),
      open_flow_(*this),
      export_flow_(*this),
      batch_export_(*this),
      language_(first_ui_language(preferences_.language)),
      settings_(settings_store_.read(default_settings(language_))),
      controls_(std::make_unique<ControlsPanel>()) {
  pipeline_ = std::make_unique<PreviewPipeline>([this](PreviewPicture picture) { show_frame(std::move(picture)); },
                                                [this](OpenedPhoto photo) { opened(std::move(photo)); });
  thumbnails_ = std::make_unique<ThumbnailLoader>(
      thumbnail_side, [this](const std::wstring& path, std::shared_ptr<const engine::Thumbnail> thumbnail) {
        const auto index = batch_.find(path);
        if (!index) return;
        batch_.at(*index).thumbnail = std::move(thumbnail);
        photo_changed(*index);
      });
  application_.set_localization(
      scaffold::Application::make_localization(language_ == UiLanguage::simplified_chinese ? L"zh-CN" : L"en-US"));
  // Nothing opens while an export is being written: the buttons are disabled, the shortcut waits too.
  commands_.add(command_number(CommandId::open), [this] {
    if (!exporting()) choose_image();
  });
  commands_.add(command_number(CommandId::cancel_export), [this] { cancel_export(); });
  commands_.add(command_number(CommandId::export_image), [this] { export_watermarked(); });
  const auto letter = [](char c) { return static_cast<modern::Key>(static_cast<int>(modern::Key::letter_a) + (c - 'A')); };
  // Through the surface, so they work whichever control has the focus.
  accelerators_.add({letter('O'), modern::key_modifier_control, command_number(CommandId::open), false});
  accelerators_.add({letter('S'), modern::key_modifier_control, command_number(CommandId::export_image), false});
}

OrvaneApplication::~OrvaneApplication() {
  // No frame, open result or thumbnail may arrive once the widgets are going.
  pipeline_.reset();
  thumbnails_.reset();
  batch_list_ = nullptr;
  // The widgets go with the window; nothing may point at them afterwards.
  preview_ = nullptr;
  header_.forget_widgets();
  facts_text_ = nullptr;
  status_text_ = nullptr;
  header_.close_menus();
  window_.surface().set_commands(nullptr, nullptr);
  window_.destroy();
}

bool OrvaneApplication::create(const std::vector<std::wstring>& paths) {
  // Make the window at its first size, centred, with the custom title bar.
  icons_ = std::make_unique<IconHandles>(instance_);
  scaffold::WindowOptions options;
  options.title = ui_text(language_, TextId::window_title);
  options.instance = instance_;
  options.icon = icons_->medium.get();
  options.client_width = first_client_width;
  options.client_height = first_client_height;
  options.minimum_client_width = minimum_client_width;
  options.minimum_client_height = minimum_client_height;
  options.margin = 18.0f;
  options.ui_scale = 0.92f;
  options.chrome_mode = scaffold::ChromeMode::custom_title_bar;
  options.centre = true;
  if (!window_.create(options)) return false;
  // Keep its handle, load the tinted icon set and give the window its large and small icons.
  window_handle_ = window_.hwnd();
  resources_ = load_icons(instance_);
  SendMessageW(window_handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons_->large.get()));
  SendMessageW(window_handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons_->small.get()));
  // No menu outlives a move or a resize; closing the window ends the program.
  window_.host().on_destroyed([] { PostQuitMessage(0); });
  auto close_menus = [this] { header_.close_menus(); };
  window_.host().on_moved(close_menus);
  window_.host().on_resized([close_menus](bool) { close_menus(); });
  // The content, with the commands and shortcuts it runs.
  window_.surface().set_commands(&commands_, &accelerators_);
  window_.set_content(build_content());
  // Files dropped on the window open.
  DragAcceptFiles(window_handle_, TRUE);
  SetWindowSubclass(window_handle_, &OrvaneApplication::window_messages, window_subclass_id,
                    reinterpret_cast<DWORD_PTR>(this));
  // Open the command-line photos, then show the window.
  open_flow_.open_paths(paths);
  window_.show(SW_SHOWNORMAL);
  return true;
}

LRESULT CALLBACK OrvaneApplication::window_messages(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                                   DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<OrvaneApplication*>(data);
  try {
    switch (message) {
      case WM_DROPFILES:
        self->open_flow_.take_drop(reinterpret_cast<HDROP>(wparam));
        return 0;
      case WM_CLOSE:
        if (!self->export_flow_.confirm_close()) return 0;
        break;
      case WM_NCDESTROY:
        RemoveWindowSubclass(window, &OrvaneApplication::window_messages, window_subclass_id);
        break;
      default:
        break;
    }
  } catch (...) {
    // Nothing unwinds into the system's dispatcher.
    return 0;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

std::unique_ptr<modern::View> OrvaneApplication::build_content() {
  preview_ = nullptr;
  header_.forget_widgets();
  facts_text_ = nullptr;
  status_text_ = nullptr;
  formats_text_ = nullptr;
  batch_list_ = nullptr;
  export_strip_ = nullptr;
  export_bar_ = nullptr;
  export_shown_ = false;
  auto grid = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::fixed(430.0f), TrackDefinition::star()},
      std::vector<TrackDefinition>{TrackDefinition::fixed(96.0f), TrackDefinition::star()}, 18.0f, 12.0f,
      layout::Thickness{18.0f, 10.0f, 18.0f, 18.0f});
  grid->add(header_.build(), {0, 0, 2, 1});
  grid->add(build_controls(), {0, 1, 1, 1});
  grid->add(build_preview(), {1, 1, 1, 1});
  return grid;
}

void OrvaneApplication::set_theme(modern::ThemeMode mode) {
  if (header_.theme_menu().popup() != nullptr) header_.theme_menu().popup()->request_close();
  application_.set_theme_mode(mode);
  write_theme_preference(mode);
}

void OrvaneApplication::set_language(UiLanguage language) {
  if (header_.language_menu().popup() != nullptr) header_.language_menu().popup()->request_close();
  if (language == language_) return;
  language_ = language;
  write_language_preference(language);
  application_.set_localization(
      scaffold::Application::make_localization(language_ == UiLanguage::simplified_chinese ? L"zh-CN" : L"en-US"));
  SetWindowTextW(window_handle_, ui_text(language_, TextId::window_title).c_str());
  // The whole content again, every text taken anew; the surface swaps it in once the click that asked
  // for it has been delivered.
  // The frame shown stays up until the new content's first frame replaces it.
  const win32_ui::ui::graphics::Image shown = preview_ != nullptr ? preview_->image() : win32_ui::ui::graphics::Image();
  window_.set_content(build_content());
  if (preview_ != nullptr) preview_->set_image(shown);
  describe_preview();
  batch_changed();
  if (!image_path_.empty()) show_open_image();
  if (!opening_path_.empty()) {
    status_before_opening_ = image_path_.empty() ? ui_text(language_, TextId::choose_or_drop_image) : open_image_status();
    set_status(fill(flow_text(language_, FlowText::opening_status), file_name_of(opening_path_)));
    if (preview_ != nullptr) preview_->set_busy(true);
  }
  export_state_changed();
}

void OrvaneApplication::start_opening(std::wstring path, bool from_list) {
  if (opening_path_.empty()) status_before_opening_ = status_;
  opening_path_ = std::move(path);
  opening_from_list_ = from_list;
  set_status(fill(flow_text(language_, FlowText::opening_status), file_name_of(opening_path_)));
  if (preview_ != nullptr) preview_->set_busy(true);
  pipeline_->open(opening_path_, preview_cache_size);
}

void OrvaneApplication::opened(OpenedPhoto photo) {
  const bool from_list = opening_from_list_;
  opening_path_.clear();
  opening_from_list_ = false;
  if (preview_ != nullptr) preview_->set_busy(false);
  if (!photo.error.empty()) set_status(status_before_opening_);
  if (!from_list) {
    open_flow_.finish_open(photo.path, photo.error);
    return;
  }
  // A photo of the list: one that cannot be shown says so on its row, not in a message each.
  if (!photo.error.empty()) {
    photo_failed(photo.path, photo.error);
    return;
  }
  image_path_ = std::move(photo.path);
  show_open_image();
}

void OrvaneApplication::take_image(std::wstring path) {
  // Opened on its own: it is the only photo now.
  batch_.assign({path});
  batch_changed();
  image_path_ = std::move(path);
  show_open_image();
}

void OrvaneApplication::open_photos(std::vector<std::wstring> paths) {
  if (exporting() || paths.empty()) return;
  for (std::wstring& path : paths) path = absolute_path(path);
  if (paths.size() == 1) {
    open_image(paths.front());
    return;
  }
  batch_.assign(paths);
  if (batch_.empty()) return;
  batch_changed();
  request_thumbnails();
  set_status(fill(batch_text(language_, BatchText::opened_photos_status), std::to_wstring(batch_.size())));
  status_before_opening_ = status_;
  header_.enable_export();
  start_opening(batch_.at(0).path, true);
}

void OrvaneApplication::choose_photo(std::size_t index) {
  if (index >= batch_.size()) return;
  batch_.set_current(index);
  if (batch_list_ != nullptr) batch_list_->set_current(index);
  const std::wstring& path = batch_.at(index).path;
  if (path == image_path_ && opening_path_.empty()) return;
  start_opening(path, true);
}

void OrvaneApplication::remove_photo(std::size_t index) {
  if (exporting() || index >= batch_.size()) return;
  batch_.remove(index);
  batch_changed();
  if (batch_.empty()) return;
  choose_photo(batch_.current());
}

void OrvaneApplication::photo_failed(const std::wstring& path, const std::wstring& error) {
  const auto index = batch_.find(path);
  if (!index) return;
  BatchPhoto& photo = batch_.at(*index);
  photo.state = PhotoState::failed;
  photo.open_error = error;
  photo.result.reset();
  photo_changed(*index);
  set_status(fill(batch_text(language_, BatchText::photo_failed_status), file_name_of(path)));
  // A new list whose first photo cannot be shown goes on to the next that may be, rather than
  // leaving a photo of no list in the preview.
  if (batch_.find(image_path_)) return;
  for (std::size_t next = *index + 1; next < batch_.size(); ++next) {
    if (batch_.at(next).state != PhotoState::failed) {
      choose_photo(next);
      return;
    }
  }
}

void OrvaneApplication::request_thumbnails() {
  std::vector<std::wstring> wanted;
  for (const BatchPhoto& photo : batch_.photos()) {
    if (!photo.thumbnail) wanted.push_back(photo.path);
  }
  thumbnails_->request(std::move(wanted));
}

void OrvaneApplication::batch_changed() {
  if (batch_list_ == nullptr) return;
  batch_list_->set_photos(batch_, language_);
  batch_list_->set_visibility(batch_.size() > 1 ? layout::Visibility::visible : layout::Visibility::collapsed);
}

void OrvaneApplication::photo_changed(std::size_t index) {
  if (batch_list_ != nullptr && index < batch_.size()) batch_list_->update_photo(index, batch_.at(index), language_);
}

void OrvaneApplication::export_watermarked() {
  if (exporting()) return;
  if (batch_.size() > 1) {
    batch_export_.export_all();
  } else {
    export_flow_.export_watermarked();
  }
}

void OrvaneApplication::cancel_export() {
  export_flow_.cancel();
  batch_export_.stop();
}

void OrvaneApplication::show_taskbar(win32_ui::scaffold::TaskbarState state, double done) {
  if (!taskbar_) {
    if (state == win32_ui::scaffold::TaskbarState::none || window_handle_ == nullptr) return;
    taskbar_ = std::make_unique<win32_ui::scaffold::TaskbarProgress>(window_handle_);
  }
  taskbar_->show(state, done);
}

std::wstring OrvaneApplication::open_image_status() const {
  return fill(flow_text(language_, FlowText::opened_status), file_name_of(image_path_));
}

void OrvaneApplication::show_open_image() {
  refresh_preview();
  set_status(open_image_status());
  header_.enable_export();
}

HICON OrvaneApplication::small_icon() const noexcept { return icons_ != nullptr ? icons_->small.get() : nullptr; }

std::unique_ptr<modern::View> OrvaneApplication::build_controls() {
  auto scroller = std::make_unique<modern::ScrollPanel>();
  scroller->set_automation_id(L"settings");
  // The window never scrolls as a whole: the column takes the height the preview row leaves it.
  scroller->set_requested_height(0.0f);
  scroller->set_content(controls_->build(*this));
  return scroller;
}

std::unique_ptr<modern::View> OrvaneApplication::build_preview() {
  auto overlay = std::make_unique<modern::OverlayPanel>();
  overlay->set_semantics_role(modern::SemanticsRole::group);
  overlay->set_accessible_name(ui_text(language_, TextId::live_preview));
  overlay->add_child(std::make_unique<modern::Card>());
  auto grid = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star()},
      std::vector<TrackDefinition>{TrackDefinition::fixed(34.0f), TrackDefinition::star(), TrackDefinition::fixed(26.0f)},
      0.0f, 8.0f, layout::Thickness{12.0f, 10.0f, 12.0f, 10.0f});
  // Row 0: the card's title and the image facts.
  auto top = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star(), TrackDefinition::star()}, std::vector<TrackDefinition>{}, 10.0f,
      0.0f);
  auto title = std::make_unique<modern::Text>(ui_text(language_, TextId::live_preview), layout::TextStyle::section);
  title->set_semantics_hidden(true);  // it names the card's group
  top->add(std::move(title), {0, 0, 1, 1});
  auto facts = std::make_unique<modern::Text>(ui_text(language_, TextId::waiting_for_image), layout::TextStyle::caption);
  facts->set_command_id(command_number(CommandId::image_facts));
  facts->set_automation_id(L"image-facts");
  facts_text_ = static_cast<modern::Text*>(top->add(std::move(facts), {1, 0, 1, 1}));
  grid->add(std::move(top), {0, 0, 1, 1});
  // Row 1: the preview.
  auto preview = std::make_unique<PreviewView>(resources_.picture, ui_text(language_, TextId::open_or_drop_image),
                                               ui_text(language_, TextId::supported_formats));
  preview->set_automation_id(L"preview");
  // A frame for the new size once the window has been laid out anew.
  preview->on_picture_area_changed([this] { refresh_preview(); });
  preview->set_accessible_name(ui_text(language_, TextId::no_image_open));
  // Beside it, with several photos open, their list.
  auto middle = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star(), TrackDefinition::automatic()}, std::vector<TrackDefinition>{},
      0.0f, 0.0f);
  preview_ = static_cast<PreviewView*>(middle->add(std::move(preview), {0, 0, 1, 1}));
  auto list = std::make_unique<BatchList>(
      language_, BatchList::Callbacks{[this](std::size_t index) { choose_photo(index); },
                                      [this](std::size_t index) { remove_photo(index); }});
  batch_list_ = static_cast<BatchList*>(middle->add(std::move(list), {1, 0, 1, 1}));
  grid->add(std::move(middle), {0, 1, 1, 1});
  // Row 2: the status line and the formats.
  auto bottom = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star(), TrackDefinition::star()}, std::vector<TrackDefinition>{}, 10.0f,
      0.0f);
  auto status = std::make_unique<modern::Text>(ui_text(language_, TextId::choose_or_drop_image), layout::TextStyle::caption);
  status->set_command_id(command_number(CommandId::status));
  status->set_automation_id(L"status");
  status_text_ = static_cast<modern::Text*>(bottom->add(std::move(status), {0, 0, 1, 1}));
  formats_text_ = static_cast<modern::Text*>(bottom->add(
      std::make_unique<modern::Text>(std::wstring(L"PNG · JPEG · BMP · GIF · TIFF"), layout::TextStyle::caption), {1, 0, 1, 1}));
  // In the formats' place while an export is written: how far it has come, and Cancel.
  auto strip = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star(), TrackDefinition::automatic()}, std::vector<TrackDefinition>{},
      10.0f, 0.0f);
  auto bar = std::make_unique<modern::ProgressBar>();
  bar->set_command_id(command_number(CommandId::export_progress));
  bar->set_automation_id(L"export-progress");
  bar->set_accessible_name(flow_text(language_, FlowText::export_progress));
  export_bar_ = static_cast<modern::ProgressBar*>(strip->add(std::move(bar), {0, 0, 1, 1}));
  auto cancel = std::make_unique<modern::Button>(command_number(CommandId::cancel_export), flow_text(language_, FlowText::cancel_export));
  cancel->set_automation_id(L"cancel-export");
  cancel->set_flat(true);
  strip->add(std::move(cancel), {1, 0, 1, 1});
  strip->set_visibility(layout::Visibility::collapsed);
  export_strip_ = bottom->add(std::move(strip), {1, 0, 1, 1});
  grid->add(std::move(bottom), {0, 2, 1, 1});
  overlay->add_child(std::move(grid));
  return overlay;
}

void OrvaneApplication::export_state_changed() {
  const bool one = export_flow_.exporting();
  const bool all = batch_export_.exporting();
  const bool exporting = one || all;
  header_.set_busy(exporting);
  if (batch_list_ != nullptr) batch_list_->set_busy(exporting);
  double done = 0.0;
  if (one) {
    // Said once when it starts (and again in a new language): the bar tells the rest.
    if (!export_shown_) set_status(fill(flow_text(language_, FlowText::exporting_status), export_flow_.output_name()));
    done = export_flow_.progress();
  } else if (all) {
    // A batch's figures change as it goes: done of all, failures, speed and time left.
    set_status(batch_export_.stopping() ? batch_text(language_, BatchText::stopping_status)
                                        : progress_text(language_, batch_export_.figures()));
    done = batch_export_.progress();
  }
  export_shown_ = exporting;
  if (export_bar_ != nullptr) export_bar_->set_value(done);
  if (export_strip_ != nullptr) {
    export_strip_->set_visibility(exporting ? layout::Visibility::visible : layout::Visibility::collapsed);
  }
  if (formats_text_ != nullptr) {
    formats_text_->set_visibility(exporting ? layout::Visibility::collapsed : layout::Visibility::visible);
  }
}

void OrvaneApplication::set_status(const std::wstring& text) {
  status_ = text;
  if (status_text_ != nullptr) status_text_->set_text(text);
}

void OrvaneApplication::message(const std::wstring& title, const std::wstring& text, bool error) {
  last_message_ = text;
  scaffold::MessageInput input;
  input.title = modern::LocalizedText::literal(title);
  input.message = modern::LocalizedText::literal(text);
  input.owner = window_handle_;
  input.buttons = scaffold::MessageButtons::ok;
  input.kind = error ? scaffold::MessageKind::error : scaffold::MessageKind::information;
  input.ui_scale = 1.0f;
  scaffold::show_message(application_, input);
}

void OrvaneApplication::settings_changed() {
  settings_store_.write(settings_);
  controls_->presets().settings_edited();
  refresh_preview();
}

bool OrvaneApplication::ask(const std::wstring& title, const std::wstring& text) {
  scaffold::MessageInput input;
  input.title = modern::LocalizedText::literal(title);
  input.message = modern::LocalizedText::literal(text);
  input.owner = window_handle_;
  input.buttons = scaffold::MessageButtons::yes_no;
  input.kind = scaffold::MessageKind::question;
  input.ui_scale = 1.0f;
  return scaffold::show_message(application_, input) == scaffold::dialog_yes;
}

void OrvaneApplication::refresh_preview() {
  if (!pipeline_->has_photo() || preview_ == nullptr) return;
  const PreviewView::PixelSize area = preview_->picture_area();
  pipeline_->render(make_options(settings_, image_path_), area.width, area.height);
}

bool OrvaneApplication::drop_unreadable_logo() {
  // A logo that has moved or broken since it was chosen: the mark goes on as text, and says so.
  std::wstring error;
  if (settings_.logo_path.empty() || engine::check_logo(settings_.logo_path, error)) return false;
  const std::wstring name = file_name_of(settings_.logo_path);
  settings_.logo_path.clear();
  controls_->update_logo_controls();
  set_status(fill(flow_text(language_, FlowText::logo_dropped_status), name));
  settings_changed();
  return true;
}

std::uint32_t OrvaneApplication::reference_shorter_side() const noexcept {
  constexpr std::uint32_t common_shorter_side = 1000;
  return source_width_ != 0 && source_height_ != 0 ? std::min(source_width_, source_height_) : common_shorter_side;
}

bool OrvaneApplication::preview_busy() const noexcept {
  return open_flow_.searching() || pipeline_->opening() || pipeline_->rendering();
}

void OrvaneApplication::show_frame(PreviewPicture picture) {
  if (!picture.image.is_valid()) {
    // The frame shown stays; the status line says why no newer one came.
    if (!drop_unreadable_logo()) {
      set_status(picture.error);
      frame_failed_ = true;
    }
    return;
  }
  if (frame_failed_) {
    frame_failed_ = false;
    set_status(open_image_status());
  }
  preview_timings_ = picture.timings;
  source_width_ = picture.source_width;
  source_height_ = picture.source_height;
  if (preview_ == nullptr) return;
  preview_->set_image(std::move(picture.image));
  describe_preview();
}

void OrvaneApplication::describe_preview() {
  if (preview_ == nullptr || image_path_.empty() || source_width_ == 0) return;
  // What the picture shows, for readers that cannot see it.
  std::wstring name = ui_text(language_, TextId::preview_of_image);
  for (const std::wstring& value : {file_name_of(image_path_), std::to_wstring(source_width_),
                                    std::to_wstring(source_height_), upper_extension(image_path_)}) {
    name = fill(name, value);
  }
  preview_->set_accessible_name(std::move(name));
  if (facts_text_ != nullptr) {
    facts_text_->set_text(std::to_wstring(source_width_) + L" × " + std::to_wstring(source_height_) + L" · " +
                          upper_extension(image_path_));
  }
}

}  // namespace orvane::app
