#include "orvane_application.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <filesystem>
#include <vector>

#include "file_identity.h"
#include "file_system.h"
#include "flow_texts.h"
#include "image_export.h"
#include "modern/button.h"
#include "modern/display_widgets.h"
#include "modern/grid_panel.h"
#include "modern/menu_item.h"
#include "modern/overlay_panel.h"
#include "modern/scroll_panel.h"
#include "modern/stack_panel.h"
#include "modern/win32_edit.h"
#include "controls_panel.h"
#include "preferences.h"
#include "resources/resource_ids.h"
#include "scaffold/dialog.h"
#include "text_table.h"
#include "views/preview_view.h"

namespace orvane::app {

namespace {

namespace modern = win32_ui::modern;
namespace layout = win32_ui::layout;
namespace scaffold = win32_ui::scaffold;
using modern::TrackDefinition;

constexpr UINT_PTR app_subclass_id = 0x4F52564E;  // "ORVN"
constexpr std::uint32_t open_command = 1;
constexpr std::uint32_t export_command = 2;
constexpr std::uint32_t theme_command = 3;
constexpr std::uint32_t language_command = 4;
constexpr std::uint32_t help_command = 6;

// The header buttons' names for automation scripts (UIA's AutomationId), the same in every language.
const wchar_t* header_automation_id(std::uint32_t command) {
  switch (command) {
    case open_command: return L"open";
    case export_command: return L"export";
    case theme_command: return L"theme";
    case language_command: return L"language";
    case help_command: return L"help";
    default: return L"";
  }
}
constexpr const wchar_t* support_address = L"https://kestrune.com/orvane/support";
constexpr std::uint32_t preview_size_limit = 1600;
constexpr std::size_t path_buffer_units = 32768;

// The first client area shows every card without scrolling: header 96, gap 12, the settings column
// 596, padding 10 and 18.
constexpr float first_client_width = 1280.0f;
constexpr float first_client_height = 732.0f;
// The least client area still fits a 960 x 600 DIP work area with the title bar: below the first
// size the settings column scrolls and the preview takes what is left.
constexpr float minimum_client_width = 860.0f;
constexpr float minimum_client_height = 520.0f;

std::wstring file_name_of(const std::wstring& path) { return std::filesystem::path(path).filename().wstring(); }

std::wstring upper_extension(const std::wstring& path) {
  std::wstring extension = std::filesystem::path(path).extension().wstring();
  if (!extension.empty() && extension.front() == L'.') extension.erase(0, 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
  return extension;
}

// The system's own full form: the runtime's std::filesystem::absolute turns "\\?\C:\x" into
// "C:\?\C:\x".
std::wstring absolute_path(const std::wstring& path) { return engine::full_path(path); }

// A filter list as the common dialogs take it: pairs of display text and pattern, double-terminated.
std::wstring filter_list(const std::vector<std::pair<std::wstring, std::wstring>>& entries) {
  std::wstring list;
  for (const auto& [text, pattern] : entries) {
    list += text;
    list.push_back(L'\0');
    list += pattern;
    list.push_back(L'\0');
  }
  list.push_back(L'\0');
  return list;
}

// Shows the system's open or save dialog over `owner` with the name in `buffer`; false on cancel.
bool run_file_dialog(HWND owner, const std::wstring& title, const std::wstring& filters, std::vector<wchar_t>& buffer,
                     const wchar_t* default_extension, DWORD flags, bool save) {
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filters.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrDefExt = default_extension;
  dialog.Flags = flags;
  return (save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)) != FALSE;
}

}  // namespace

// The application icon at the sizes the window asks for, loaded once and freed at the end.
struct OrvaneApplication::IconHandles {
  HICON small = nullptr;
  HICON medium = nullptr;
  HICON large = nullptr;
  explicit IconHandles(HINSTANCE instance) {
    auto load = [instance](int size) {
      return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ORVANE_IDI_APPLICATION), IMAGE_ICON, size, size, 0));
    };
    small = load(16);
    medium = load(32);
    large = load(48);
  }
  ~IconHandles() {
    for (HICON icon : {small, medium, large}) {
      if (icon != nullptr) DestroyIcon(icon);
    }
  }
  IconHandles(const IconHandles&) = delete;
  IconHandles& operator=(const IconHandles&) = delete;
};

OrvaneApplication::OrvaneApplication(HINSTANCE instance)
    : instance_(instance),
      preferences_(read_preferences()),
      application_(preferences_.theme, modern::default_accent),
      window_(application_),
      language_(first_ui_language(preferences_.language)),
      settings_(default_settings(language_)),
      controls_(std::make_unique<ControlsPanel>()) {
  application_.set_localization(
      scaffold::Application::make_localization(language_ == UiLanguage::simplified_chinese ? L"zh-CN" : L"en-US"));
  commands_.add(open_command, [this] { choose_image(); });
  commands_.add(export_command, [this] { export_watermarked(); });
  const auto letter = [](char c) { return static_cast<modern::Key>(static_cast<int>(modern::Key::letter_a) + (c - 'A')); };
  // Through the surface, so they work whichever control has the focus.
  accelerators_.add({letter('O'), modern::key_modifier_control, open_command, false});
  accelerators_.add({letter('S'), modern::key_modifier_control, export_command, false});
}

OrvaneApplication::~OrvaneApplication() {
  // The widgets go with the window; nothing may point at them afterwards.
  preview_ = nullptr;
  export_button_ = nullptr;
  facts_text_ = nullptr;
  status_text_ = nullptr;
  help_menu_.close();
  language_menu_.close();
  theme_menu_.close();
  window_.surface().set_commands(nullptr, nullptr);
  window_.destroy();
}

bool OrvaneApplication::create(const std::wstring& path) {
  // 1, 2. The window.
  icons_ = std::make_unique<IconHandles>(instance_);
  scaffold::WindowOptions options;
  options.title = ui_text(language_, TextId::window_title);
  options.instance = instance_;
  options.icon = icons_->medium;
  options.client_width = first_client_width;
  options.client_height = first_client_height;
  options.minimum_client_width = minimum_client_width;
  options.minimum_client_height = minimum_client_height;
  options.margin = 18.0f;
  options.ui_scale = 0.92f;
  options.chrome_mode = 1;
  options.centre = true;
  if (!window_.create(options)) return false;
  // 3 to 5. Handle, icons.
  window_handle_ = window_.hwnd();
  resources_ = load_icons(instance_);
  SendMessageW(window_handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons_->large));
  SendMessageW(window_handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons_->small));
  // 6. No menu outlives a move or a resize; closing the window ends the program.
  window_.host().on_destroyed([] { PostQuitMessage(0); });
  auto close_menus = [this] {
    theme_menu_.close();
    language_menu_.close();
    help_menu_.close();
  };
  window_.host().on_moved(close_menus);
  window_.host().on_resized([close_menus](bool) { close_menus(); });
  // 7. The content.
  window_.surface().set_commands(&commands_, &accelerators_);
  window_.set_content(build_content());
  // 8. Dropped files.
  DragAcceptFiles(window_handle_, TRUE);
  SetWindowSubclass(window_handle_, &OrvaneApplication::subclass_proc, app_subclass_id, reinterpret_cast<DWORD_PTR>(this));
  // 9, 10.
  if (!path.empty()) open_image(path);
  window_.show(SW_SHOWNORMAL);
  return true;
}

std::unique_ptr<modern::View> OrvaneApplication::build_content() {
  preview_ = nullptr;
  export_button_ = nullptr;
  facts_text_ = nullptr;
  status_text_ = nullptr;
  auto grid = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::fixed(430.0f), TrackDefinition::star()},
      std::vector<TrackDefinition>{TrackDefinition::fixed(96.0f), TrackDefinition::star()}, 18.0f, 12.0f,
      layout::Thickness{18.0f, 10.0f, 18.0f, 18.0f});
  grid->add(build_header(), {0, 0, 2, 1});
  grid->add(build_controls(), {0, 1, 1, 1});
  grid->add(build_preview(), {1, 1, 1, 1});
  return grid;
}

std::unique_ptr<modern::View> OrvaneApplication::build_header() {
  auto header = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star(), TrackDefinition::fixed(92.0f), TrackDefinition::fixed(92.0f),
                                   TrackDefinition::fixed(92.0f), TrackDefinition::fixed(92.0f), TrackDefinition::fixed(92.0f)},
      std::vector<TrackDefinition>{TrackDefinition::fixed(42.0f), TrackDefinition::fixed(28.0f)}, 6.0f, 0.0f,
      layout::Thickness{8.0f, 4.0f, 4.0f, 4.0f});
  // Screen readers meet the header as a group named by its title, holding the subtitle and the buttons.
  header->set_semantics_role(modern::SemanticsRole::group);
  header->set_accessible_name(ui_text(language_, TextId::header_title));
  auto title = std::make_unique<modern::Text>(ui_text(language_, TextId::header_title), 0);
  title->set_semantics_hidden(true);
  header->add(std::move(title), {0, 0, 1, 1});
  header->add(std::make_unique<modern::Text>(ui_text(language_, TextId::header_subtitle), 3), {0, 1, 1, 1});
  auto button = [&](std::uint32_t id, TextId label, const IconPair& icon, std::uint32_t column) {
    auto made = std::make_unique<modern::Button>(id, ui_text(language_, label), 0);
    made->set_accent(false);
    made->set_icons(icon.light, icon.dark);
    made->set_icon_size(30.0f);
    made->set_flat(true);
    made->set_arrangement(1);
    made->set_text_style(2);
    made->set_automation_id(header_automation_id(id));
    return static_cast<modern::Button*>(header->add(std::move(made), {column, 0, 1, 2}));
  };
  // Open and Export run through their bound commands (an invoke no view handles runs its command): a
  // handler of their own as well ran each twice, a second dialog after the first.
  button(open_command, TextId::open_button, resources_.open, 1);
  export_button_ = button(export_command, TextId::export_button, resources_.export_image, 2);
  // Usable once an image is open.
  export_button_->set_enabled(!image_path_.empty());
  export_button_->set_emphasized(!image_path_.empty());
  button(theme_command, TextId::theme_button, resources_.theme, 3)
      ->add_event_handler(modern::EventKind::invoked, [this](modern::Event& event) { show_theme_menu(event.origin); });
  button(language_command, TextId::language_button, resources_.language, 4)
      ->add_event_handler(modern::EventKind::invoked, [this](modern::Event& event) { show_language_menu(event.origin); });
  button(help_command, TextId::help_button, resources_.help, 5)
      ->add_event_handler(modern::EventKind::invoked, [this](modern::Event& event) { show_about_menu(event.origin); });
  return header;
}

void OrvaneApplication::show_menu(scaffold::PopupHolder& holder, std::uint32_t anchor_id, std::vector<MenuEntry> entries,
                                  float height, modern::InputOrigin origin) {
  // Opening one menu closes the others (a second click on its own button closes it: the holder toggles).
  for (scaffold::PopupHolder* other : {&theme_menu_, &language_menu_, &help_menu_}) {
    if (other != &holder) other->close();
  }
  // The anchor: the button's bounds in device pixels at the window's whole scale, on the screen.
  modern::View* root = window_.surface().root();
  const modern::View* anchor_view = root != nullptr ? modern::find_widget_by_command(*root, anchor_id) : nullptr;
  if (anchor_view == nullptr) return;
  const float scale = window_.surface().dpi() / 96.0f * window_.surface().ui_scale();
  const layout::Rect r = anchor_view->arranged_rect();
  RECT anchor{static_cast<LONG>(std::lround(r.x * scale)), static_cast<LONG>(std::lround((r.y - window_.surface().scroll_offset()) * scale)),
              static_cast<LONG>(std::lround((r.x + r.width) * scale)),
              static_cast<LONG>(std::lround((r.y + r.height - window_.surface().scroll_offset()) * scale))};
  MapWindowPoints(window_handle_, nullptr, reinterpret_cast<POINT*>(&anchor), 2);
  const std::uint32_t first_entry = entries.empty() ? 0 : entries.front().command_id;
  auto build = [entries = std::move(entries)]() -> std::unique_ptr<modern::View> {
    auto overlay = std::make_unique<modern::OverlayPanel>();
    overlay->add_child(std::make_unique<modern::Card>());
    std::vector<TrackDefinition> rows(entries.size(), TrackDefinition::fixed(40.0f));
    auto grid = std::make_unique<modern::GridPanel>(std::vector<TrackDefinition>{TrackDefinition::star()}, std::move(rows), 0.0f,
                                                    0.0f, layout::Thickness::uniform(6.0f));
    for (std::size_t i = 0; i < entries.size(); ++i) {
      auto item = std::make_unique<modern::MenuItem>(entries[i].command_id, entries[i].label, entries[i].checked);
      item->set_automation_id(L"menu-" + std::to_wstring(entries[i].command_id));
      item->on_invoked(entries[i].action);
      grid->add(std::move(item), {0, static_cast<std::uint32_t>(i), 1, 1});
    }
    overlay->add_child(std::move(grid));
    return overlay;
  };
  holder.toggle(window_handle_, anchor, build, 210.0f, height, window_.surface().palette(), 0.92f, true);
  // Opened from the keyboard, the menu shows at once where the arrows start, as Windows' menus do.
  if (origin == modern::InputOrigin::keyboard && holder.is_open() && holder.popup()->surface().root() != nullptr) {
    modern::Surface& surface = holder.popup()->surface();
    if (modern::Widget* first = modern::find_widget_by_command(*surface.root(), first_entry)) {
      surface.view_root().request_focus(*first, modern::FocusOrigin::keyboard);
    }
  }
}

void OrvaneApplication::show_theme_menu(modern::InputOrigin origin) {
  const modern::ThemeMode current = application_.theme().mode();
  std::vector<MenuEntry> entries;
  const std::pair<modern::ThemeMode, TextId> modes[] = {{modern::ThemeMode::follow_system, TextId::theme_follow_system},
                                                         {modern::ThemeMode::light, TextId::theme_light},
                                                         {modern::ThemeMode::dark, TextId::theme_dark}};
  std::uint32_t id = 100;
  for (const auto& [mode, label] : modes) {
    entries.push_back({id++, ui_text(language_, label), mode == current, [this, mode = mode] { set_theme(mode); }});
  }
  show_menu(theme_menu_, theme_command, std::move(entries), 132.0f, origin);
}

void OrvaneApplication::show_language_menu(modern::InputOrigin origin) {
  std::vector<MenuEntry> entries{
      {103, L"简体中文", language_ == UiLanguage::simplified_chinese, [this] { set_language(UiLanguage::simplified_chinese); }},
      {104, L"English", language_ == UiLanguage::english, [this] { set_language(UiLanguage::english); }},
  };
  show_menu(language_menu_, language_command, std::move(entries), 92.0f, origin);
}

void OrvaneApplication::show_about_menu(modern::InputOrigin origin) {
  std::vector<MenuEntry> entries{
      {105, ui_text(language_, TextId::support_item), false,
       [this] {
         if (help_menu_.popup() != nullptr) help_menu_.popup()->request_close();
         open_support();
       }},
      {106, ui_text(language_, TextId::about_item), false,
       [this] {
         if (help_menu_.popup() != nullptr) help_menu_.popup()->request_close();
         show_about();
       }},
  };
  show_menu(help_menu_, help_command, std::move(entries), 92.0f, origin);
}

void OrvaneApplication::set_theme(modern::ThemeMode mode) {
  if (theme_menu_.popup() != nullptr) theme_menu_.popup()->request_close();
  application_.set_theme_mode(mode);
  write_theme_preference(mode);
}

void OrvaneApplication::set_language(UiLanguage language) {
  if (language_menu_.popup() != nullptr) language_menu_.popup()->request_close();
  if (language == language_) return;
  language_ = language;
  write_language_preference(language);
  application_.set_localization(
      scaffold::Application::make_localization(language_ == UiLanguage::simplified_chinese ? L"zh-CN" : L"en-US"));
  SetWindowTextW(window_handle_, ui_text(language_, TextId::window_title).c_str());
  // The whole content again, every text taken anew; the surface swaps it in once the click that asked
  // for it has been delivered.
  window_.set_content(build_content());
  if (!image_path_.empty()) {
    refresh_preview();
    set_status(fill(flow_text(language_, FlowText::opened_status), file_name_of(image_path_)));
    if (export_button_ != nullptr) {
      export_button_->set_enabled(true);
      export_button_->set_emphasized(true);
    }
  }
}

void OrvaneApplication::open_support() {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(window_handle_, L"open", support_address, nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return;
  message(flow_text(language_, FlowText::support_failed_title),
          fill(flow_text(language_, FlowText::support_failed_message), support_address), true);
}

void OrvaneApplication::show_about() {
  const bool chinese = language_ == UiLanguage::simplified_chinese;
  auto content = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star()},
      std::vector<TrackDefinition>{TrackDefinition::fixed(42.0f), TrackDefinition::fixed(28.0f), TrackDefinition::star(),
                                   TrackDefinition::fixed(28.0f)},
      0.0f, 4.0f);
  content->add(std::make_unique<modern::Text>(std::wstring(L"Orvane"), 0), {0, 0, 1, 1});
  content->add(std::make_unique<modern::Text>(std::wstring(chinese ? L"版本 1.0.4" : L"Version 1.0.4"), 3), {0, 1, 1, 1});
  content->add(std::make_unique<modern::Text>(ui_text(language_, TextId::about_body), 2), {0, 2, 1, 1});
  content->add(std::make_unique<modern::Text>(std::wstring(chinese ? L"© Kestrune。水印只在导出的副本上，原图保持不变。"
                                                                   : L"© Kestrune. Watermarks go on copies; your originals stay untouched."),
                                              3),
               {0, 3, 1, 1});
  scaffold::DialogOptions options;
  options.title = modern::LocalizedText::literal(ui_text(language_, TextId::about_title));
  options.owner = window_handle_;
  options.client_width = 430.0f;
  // Tall enough for the two lines of the description: at 230 DIPs its row keeps 22 DIPs and cuts it.
  options.client_height = 290.0f;
  options.minimum_client_width = 320.0f;
  options.minimum_client_height = 160.0f;
  options.ui_scale = 1.0f;
  options.default_result = 1;
  options.cancel_result = 1;
  std::vector<scaffold::DialogAction> actions{{1, modern::LocalizedText::literal(ui_text(language_, TextId::about_ok)), true}};
  scaffold::Dialog dialog(application_);
  dialog.on_shown([this](scaffold::Dialog& shown) {
    if (icons_ != nullptr && shown.window().hwnd() != nullptr) {
      SendMessageW(shown.window().hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons_->small));
    }
  });
  dialog.show_modal(options, std::move(content), std::move(actions));
}

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
  auto title = std::make_unique<modern::Text>(ui_text(language_, TextId::live_preview), 1);
  title->set_semantics_hidden(true);  // it names the card's group
  top->add(std::move(title), {0, 0, 1, 1});
  auto facts = std::make_unique<modern::Text>(ui_text(language_, TextId::waiting_for_image), 3);
  facts->set_command_id(20);
  facts->set_automation_id(L"image-facts");
  facts_text_ = static_cast<modern::Text*>(top->add(std::move(facts), {1, 0, 1, 1}));
  grid->add(std::move(top), {0, 0, 1, 1});
  // Row 1: the preview.
  auto preview = std::make_unique<PreviewView>(resources_.picture, ui_text(language_, TextId::open_or_drop_image),
                                               ui_text(language_, TextId::supported_formats));
  preview->set_automation_id(L"preview");
  preview->set_accessible_name(ui_text(language_, TextId::no_image_open));
  preview_ = static_cast<PreviewView*>(grid->add(std::move(preview), {0, 1, 1, 1}));
  // Row 2: the status line and the formats.
  auto bottom = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star(), TrackDefinition::star()}, std::vector<TrackDefinition>{}, 10.0f,
      0.0f);
  auto status = std::make_unique<modern::Text>(ui_text(language_, TextId::choose_or_drop_image), 3);
  status->set_command_id(21);
  status->set_automation_id(L"status");
  status_text_ = static_cast<modern::Text*>(bottom->add(std::move(status), {0, 0, 1, 1}));
  bottom->add(std::make_unique<modern::Text>(std::wstring(L"PNG · JPEG · BMP · GIF · TIFF"), 3), {1, 0, 1, 1});
  grid->add(std::move(bottom), {0, 2, 1, 1});
  overlay->add_child(std::move(grid));
  return overlay;
}

void OrvaneApplication::set_status(const std::wstring& text) {
  if (status_text_ != nullptr) status_text_->set_text(text);
}

void OrvaneApplication::message(const std::wstring& title, const std::wstring& text, bool error) {
  scaffold::MessageInput input;
  input.title = modern::LocalizedText::literal(title);
  input.message = modern::LocalizedText::literal(text);
  input.owner = window_handle_;
  input.buttons = scaffold::MessageButtons::ok;
  input.kind = error ? scaffold::MessageKind::error : scaffold::MessageKind::information;
  input.ui_scale = 1.0f;
  scaffold::show_message(application_, input);
}

void OrvaneApplication::choose_image() {
  std::vector<wchar_t> buffer(path_buffer_units, L'\0');
  const std::wstring filters = filter_list({
      {flow_text(language_, FlowText::open_filter_images), L"*.png;*.jpg;*.jpeg;*.bmp;*.gif;*.tif;*.tiff"},
      {flow_text(language_, FlowText::open_filter_all), L"*.*"},
  });
  if (!run_file_dialog(window_handle_, flow_text(language_, FlowText::open_dialog_title), filters, buffer, nullptr,
                       OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, false)) {
    return;
  }
  open_image(buffer.data());
}

void OrvaneApplication::open_image(const std::wstring& path) {
  // 1. Only existing files; a missing path or a folder is ignored silently, and a path the system
  // cannot tell about is reported. Asked of the system, not the runtime's stat, which takes long
  // paths for missing ones.
  switch (engine::path_kind(path)) {
    case engine::PathKind::missing:
    case engine::PathKind::folder:
      return;
    case engine::PathKind::unknown:
      message(flow_text(language_, FlowText::open_failed_title), engine::kInputInaccessible, true);
      return;
    case engine::PathKind::file:
      break;
  }
  // 2, 3. The new image is decoded aside: a failure leaves the open image working as before.
  std::unique_ptr<engine::PreviewRenderer> candidate;
  std::wstring text;
  if (!engine::load_preview_source(candidate, path, preview_size_limit, text)) {
    message(flow_text(language_, FlowText::open_failed_title), text, true);
    return;
  }
  // 4. The new image becomes the open one.
  renderer_ = std::move(candidate);
  image_path_ = absolute_path(path);
  refresh_preview();
  set_status(fill(flow_text(language_, FlowText::opened_status), file_name_of(image_path_)));
  if (export_button_ != nullptr) {
    export_button_->set_enabled(true);
    export_button_->set_emphasized(true);
  }
}

void OrvaneApplication::refresh_preview() {
  if (!engine::has_preview_source(renderer_) || preview_ == nullptr) return;
  engine::PreviewFrame frame;
  std::wstring error;
  if (!engine::render_preview_frame(renderer_, make_options(settings_, image_path_), frame, error)) return;
  win32_ui::ui::graphics::Image image;
  if (win32_ui::ui::graphics::Image::from_pixels(frame.width, frame.height, frame.stride, frame.pixels, image) ==
      win32_ui::ui::graphics::image_ok) {
    preview_->set_image(std::move(image));
    // What the picture shows, for readers that cannot see it.
    std::wstring name = ui_text(language_, TextId::preview_of_image);
    for (const std::wstring& value : {file_name_of(image_path_), std::to_wstring(frame.source_width),
                                      std::to_wstring(frame.source_height), upper_extension(image_path_)}) {
      name = fill(name, value);
    }
    preview_->set_accessible_name(std::move(name));
  }
  if (facts_text_ != nullptr && !image_path_.empty()) {
    facts_text_->set_text(std::to_wstring(frame.source_width) + L" × " + std::to_wstring(frame.source_height) + L" · " +
                          upper_extension(image_path_));
  }
}

std::wstring OrvaneApplication::default_output_name() const {
  const std::filesystem::path source(image_path_);
  const std::wstring name = source.stem().wstring() + L"-watermarked" + source.extension().wstring();
  return (source.parent_path() / name).wstring();
}

void OrvaneApplication::export_watermarked() {
  // 1, 2. The preconditions.
  if (image_path_.empty()) {
    message(flow_text(language_, FlowText::no_image_title), flow_text(language_, FlowText::no_image_message), false);
    return;
  }
  if (settings_.text.empty()) {
    message(flow_text(language_, FlowText::empty_text_title), flow_text(language_, FlowText::empty_text_message), false);
    return;
  }
  // 3. The name.
  std::vector<wchar_t> buffer(path_buffer_units, L'\0');
  const std::wstring suggested = default_output_name();
  std::copy_n(suggested.begin(), std::min(suggested.size(), path_buffer_units - 1), buffer.begin());
  const std::wstring filters = filter_list({
      {flow_text(language_, FlowText::save_filter_png), L"*.png"},
      {flow_text(language_, FlowText::save_filter_jpeg), L"*.jpg;*.jpeg"},
      {flow_text(language_, FlowText::save_filter_bmp), L"*.bmp"},
      {flow_text(language_, FlowText::save_filter_tiff), L"*.tif;*.tiff"},
  });
  if (!run_file_dialog(window_handle_, flow_text(language_, FlowText::save_dialog_title), filters, buffer, L"png",
                       OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, true)) {
    return;
  }
  // 4, 5. Never over the source: the same path in any letter case, or another name of the same file.
  const std::wstring output = absolute_path(buffer.data());
  const auto source_identity = engine::file_identity(image_path_);
  const auto output_identity = engine::file_identity(output);
  if (_wcsicmp(output.c_str(), image_path_.c_str()) == 0 ||
      (source_identity && output_identity && *source_identity == *output_identity)) {
    message(flow_text(language_, FlowText::same_file_title), flow_text(language_, FlowText::same_file_message), false);
    return;
  }
  // 6, 7. The export, with the wait cursor while it blocks.
  engine::WatermarkOptions options = make_options(settings_, image_path_);
  options.output_path = output;
  engine::ExportReport report;
  std::wstring error;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  const bool written = engine::export_image(options, report, error);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  // 8, 9. The result.
  if (!written) {
    message(flow_text(language_, FlowText::export_failed_title), error, true);
    return;
  }
  set_status(fill(flow_text(language_, FlowText::exported_status), file_name_of(output)));
  message(flow_text(language_, FlowText::export_done_title), fill(flow_text(language_, FlowText::export_done_message), output),
          false);
}

LRESULT CALLBACK OrvaneApplication::subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                                  DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<OrvaneApplication*>(data);
  try {
    switch (message) {
      case WM_DROPFILES: {
        auto drop = reinterpret_cast<HDROP>(wparam);
        std::vector<wchar_t> name(path_buffer_units, L'\0');
        const UINT length = DragQueryFileW(drop, 0, name.data(), static_cast<UINT>(name.size()));
        DragFinish(drop);
        // Only the first file of a drop counts.
        if (length != 0) self->open_image(name.data());
        return 0;
      }
      case WM_NCDESTROY:
        RemoveWindowSubclass(window, &OrvaneApplication::subclass_proc, app_subclass_id);
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

}  // namespace orvane::app
