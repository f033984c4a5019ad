#include "header_menus.h"

#include <windows.h>

#include <shellapi.h>

#include <cmath>
#include <utility>

#include "flow_texts.h"
#include "modern/panels/grid_panel.h"
#include "modern/panels/overlay_panel.h"
#include "modern/widgets/button.h"
#include "modern/widgets/display_widgets.h"
#include "modern/widgets/menu_item.h"
#include "orvane_application.h"
#include "orvane_version.h"
#include "scaffold/dialog.h"
#include "text_table.h"

namespace orvane::app {

namespace {

namespace modern = win32_ui::modern;
namespace layout = win32_ui::layout;
namespace scaffold = win32_ui::scaffold;
using modern::TrackDefinition;

// The header buttons' names for automation scripts (UIA's AutomationId), the same in every language.
const wchar_t* header_automation_id(CommandId command) {
  switch (command) {
    case CommandId::open: return L"open";
    case CommandId::export_image: return L"export";
    case CommandId::theme: return L"theme";
    case CommandId::language: return L"language";
    case CommandId::help: return L"help";
    default: return L"";
  }
}
constexpr const wchar_t* support_address = L"https://kestrune.com/orvane/support";

}  // namespace

std::unique_ptr<modern::View> HeaderMenus::build() {
  const UiLanguage language = application_.language();
  const UiResources& resources = application_.resources();
  auto header = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star(), TrackDefinition::fixed(92.0f), TrackDefinition::fixed(92.0f),
                                   TrackDefinition::fixed(92.0f), TrackDefinition::fixed(92.0f), TrackDefinition::fixed(92.0f)},
      std::vector<TrackDefinition>{TrackDefinition::fixed(42.0f), TrackDefinition::fixed(28.0f)}, 6.0f, 0.0f,
      layout::Thickness{8.0f, 4.0f, 4.0f, 4.0f});
  // Screen readers meet the header as a group named by its title, holding the subtitle and the buttons.
  header->set_semantics_role(modern::SemanticsRole::group);
  header->set_accessible_name(ui_text(language, TextId::header_title));
  auto title = std::make_unique<modern::Text>(ui_text(language, TextId::header_title), layout::TextStyle::title);
  title->set_semantics_hidden(true);
  header->add(std::move(title), {0, 0, 1, 1});
  header->add(std::make_unique<modern::Text>(ui_text(language, TextId::header_subtitle), layout::TextStyle::caption), {0, 1, 1, 1});
  auto button = [&](CommandId id, TextId label, const IconPair& icon, std::uint32_t column) {
    auto made = std::make_unique<modern::Button>(command_number(id), ui_text(language, label), 0);
    made->set_accent(false);
    made->set_icons(icon.light, icon.dark);
    made->set_icon_size(30.0f);
    made->set_flat(true);
    made->set_arrangement(modern::ButtonArrangement::stacked);
    made->set_text_style(layout::TextStyle::body);
    made->set_automation_id(header_automation_id(id));
    return static_cast<modern::Button*>(header->add(std::move(made), {column, 0, 1, 2}));
  };
  // Open and Export run through their bound commands (an invoke no view handles runs its command): a
  // handler of their own as well ran each twice, a second dialog after the first.
  open_button_ = button(CommandId::open, TextId::open_button, resources.open, 1);
  export_button_ = button(CommandId::export_image, TextId::export_button, resources.export_image, 2);
  // Usable once an image is open, and not while an export is written.
  open_button_->set_enabled(!busy_);
  export_button_->set_enabled(!application_.image_path().empty() && !busy_);
  export_button_->set_emphasized(!application_.image_path().empty());
  button(CommandId::theme, TextId::theme_button, resources.theme, 3)
      ->add_event_handler(modern::EventKind::invoked, [this](modern::Event& event) { show_theme_menu(event.origin); });
  button(CommandId::language, TextId::language_button, resources.language, 4)
      ->add_event_handler(modern::EventKind::invoked, [this](modern::Event& event) { show_language_menu(event.origin); });
  button(CommandId::help, TextId::help_button, resources.help, 5)
      ->add_event_handler(modern::EventKind::invoked, [this](modern::Event& event) { show_about_menu(event.origin); });
  return header;
}

void HeaderMenus::enable_export() {
  if (export_button_ != nullptr) {
    export_button_->set_enabled(!busy_);
    export_button_->set_emphasized(true);
  }
}

void HeaderMenus::set_busy(bool busy) {
  busy_ = busy;
  if (open_button_ != nullptr) open_button_->set_enabled(!busy);
  if (export_button_ != nullptr) export_button_->set_enabled(!busy && !application_.image_path().empty());
}

void HeaderMenus::close_menus() {
  theme_menu_.close();
  language_menu_.close();
  help_menu_.close();
}

void HeaderMenus::show_menu(scaffold::PopupHolder& holder, CommandId anchor, std::vector<MenuEntry> entries, float height,
                            modern::InputOrigin origin) {
  scaffold::Window& window = application_.window();
  const HWND window_handle = application_.hwnd();
  // Opening one menu closes the others (a second click on its own button closes it: the holder toggles).
  for (scaffold::PopupHolder* other : {&theme_menu_, &language_menu_, &help_menu_}) {
    if (other != &holder) other->close();
  }
  // The anchor: the button's bounds in device pixels at the window's whole scale, on the screen.
  modern::View* root = window.surface().root();
  const modern::View* anchor_view = root != nullptr ? modern::find_widget_by_command(*root, command_number(anchor)) : nullptr;
  if (anchor_view == nullptr) return;
  const float scale = window.surface().dpi() / 96.0f * window.surface().ui_scale();
  const layout::Rect r = anchor_view->arranged_rect();
  RECT anchor_rect{static_cast<LONG>(std::lround(r.x * scale)),
                   static_cast<LONG>(std::lround((r.y - window.surface().scroll_offset()) * scale)),
                   static_cast<LONG>(std::lround((r.x + r.width) * scale)),
                   static_cast<LONG>(std::lround((r.y + r.height - window.surface().scroll_offset()) * scale))};
  MapWindowPoints(window_handle, nullptr, reinterpret_cast<POINT*>(&anchor_rect), 2);
  const std::uint32_t first_entry = entries.empty() ? 0 : command_number(entries.front().command_id);
  auto build = [entries = std::move(entries)]() -> std::unique_ptr<modern::View> {
    auto overlay = std::make_unique<modern::OverlayPanel>();
    overlay->add_child(std::make_unique<modern::Card>());
    std::vector<TrackDefinition> rows(entries.size(), TrackDefinition::fixed(40.0f));
    auto grid = std::make_unique<modern::GridPanel>(std::vector<TrackDefinition>{TrackDefinition::star()}, std::move(rows), 0.0f,
                                                    0.0f, layout::Thickness::uniform(6.0f));
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const std::uint32_t id = command_number(entries[i].command_id);
      auto item = std::make_unique<modern::MenuItem>(id, entries[i].label, entries[i].checked);
      item->set_automation_id(L"menu-" + std::to_wstring(id));
      item->on_invoked(entries[i].action);
      grid->add(std::move(item), {0, static_cast<std::uint32_t>(i), 1, 1});
    }
    overlay->add_child(std::move(grid));
    return overlay;
  };
  scaffold::PopupOptions look;
  look.width = 210.0f;
  look.height = height;
  look.palette = window.surface().palette();
  look.ui_scale = 0.92f;
  look.align_end = true;
  holder.toggle(window_handle, anchor_rect, build, look);
  // Screen readers name the menu after its button ("Theme").
  const auto* anchor_widget = dynamic_cast<const modern::Widget*>(anchor_view);
  if (holder.is_open() && anchor_widget != nullptr) holder.popup()->set_title(std::wstring(anchor_widget->label()));
  // Opened from the keyboard, the menu shows at once where the arrows start, as Windows' menus do.
  if (origin == modern::InputOrigin::keyboard && holder.is_open() && holder.popup()->surface().root() != nullptr) {
    modern::Surface& surface = holder.popup()->surface();
    if (modern::Widget* first = modern::find_widget_by_command(*surface.root(), first_entry)) {
      surface.view_root().request_focus(*first, modern::FocusOrigin::keyboard);
    }
  }
}

void HeaderMenus::show_theme_menu(modern::InputOrigin origin) {
  const modern::ThemeMode current = application_.toolkit().theme().mode();
  struct ThemeChoice {
    CommandId command;
    modern::ThemeMode mode;
    TextId label;
  };
  const ThemeChoice choices[] = {{CommandId::theme_follow_system, modern::ThemeMode::follow_system, TextId::theme_follow_system},
                                 {CommandId::theme_light, modern::ThemeMode::light, TextId::theme_light},
                                 {CommandId::theme_dark, modern::ThemeMode::dark, TextId::theme_dark}};
  std::vector<MenuEntry> entries;
  for (const ThemeChoice& choice : choices) {
    entries.push_back({choice.command, ui_text(application_.language(), choice.label), choice.mode == current,
                       [this, mode = choice.mode] { application_.set_theme(mode); }});
  }
  show_menu(theme_menu_, CommandId::theme, std::move(entries), 132.0f, origin);
}

void HeaderMenus::show_language_menu(modern::InputOrigin origin) {
  const UiLanguage language = application_.language();
  std::vector<MenuEntry> entries{
      {CommandId::language_chinese, L"简体中文", language == UiLanguage::simplified_chinese,
       [this] { application_.set_language(UiLanguage::simplified_chinese); }},
      {CommandId::language_english, L"English", language == UiLanguage::english,
       [this] { application_.set_language(UiLanguage::english); }},
  };
  show_menu(language_menu_, CommandId::language, std::move(entries), 92.0f, origin);
}

void HeaderMenus::show_about_menu(modern::InputOrigin origin) {
  std::vector<MenuEntry> entries{
      {CommandId::support, ui_text(application_.language(), TextId::support_item), false,
       [this] {
         if (help_menu_.popup() != nullptr) help_menu_.popup()->request_close();
         open_support();
       }},
      {CommandId::about, ui_text(application_.language(), TextId::about_item), false,
       [this] {
         if (help_menu_.popup() != nullptr) help_menu_.popup()->request_close();
         show_about();
       }},
  };
  show_menu(help_menu_, CommandId::help, std::move(entries), 92.0f, origin);
}

void HeaderMenus::open_support() {
  const UiLanguage language = application_.language();
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(application_.hwnd(), L"open", support_address, nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return;
  application_.message(flow_text(language, FlowText::support_failed_title),
                       fill(flow_text(language, FlowText::support_failed_message), support_address), true);
}

void HeaderMenus::show_about() {
  const UiLanguage language = application_.language();
  const bool chinese = language == UiLanguage::simplified_chinese;
  auto content = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star()},
      std::vector<TrackDefinition>{TrackDefinition::fixed(42.0f), TrackDefinition::fixed(28.0f), TrackDefinition::star(),
                                   TrackDefinition::fixed(28.0f)},
      0.0f, 4.0f);
  content->add(std::make_unique<modern::Text>(std::wstring(L"Orvane"), layout::TextStyle::title), {0, 0, 1, 1});
  content->add(std::make_unique<modern::Text>(std::wstring(chinese ? L"版本 " ORVANE_VERSION_WIDE_TEXT : L"Version " ORVANE_VERSION_WIDE_TEXT), layout::TextStyle::caption), {0, 1, 1, 1});
  content->add(std::make_unique<modern::Text>(ui_text(language, TextId::about_body), layout::TextStyle::body), {0, 2, 1, 1});
  content->add(std::make_unique<modern::Text>(std::wstring(chinese ? L"© Kestrune。水印只在导出的副本上，原图保持不变。"
                                                                   : L"© Kestrune. Watermarks go on copies; your originals stay untouched."),
                                              layout::TextStyle::caption),
               {0, 3, 1, 1});
  scaffold::DialogOptions options;
  options.title = modern::LocalizedText::literal(ui_text(language, TextId::about_title));
  options.owner = application_.hwnd();
  options.client_width = 430.0f;
  // Tall enough for the two lines of the description: at 230 DIPs its row keeps 22 DIPs and cuts it.
  options.client_height = 290.0f;
  options.minimum_client_width = 320.0f;
  options.minimum_client_height = 160.0f;
  options.ui_scale = 1.0f;
  options.default_result = 1;
  options.cancel_result = 1;
  std::vector<scaffold::DialogAction> actions{{1, modern::LocalizedText::literal(ui_text(language, TextId::about_ok)), true}};
  scaffold::Dialog dialog(application_.toolkit());
  dialog.on_shown([this](scaffold::Dialog& shown) {
    const HICON icon = application_.small_icon();
    if (icon != nullptr && shown.window().hwnd() != nullptr) {
      SendMessageW(shown.window().hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
  });
  dialog.show_modal(options, std::move(content), std::move(actions));
}

}  // namespace orvane::app
