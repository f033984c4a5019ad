#include "presets_card.h"

#include <windows.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "controls_panel.h"
#include "file_dialog.h"
#include "flow_texts.h"
#include "modern/native/win32_combo_box.h"
#include "modern/native/win32_edit.h"
#include "modern/panels/grid_panel.h"
#include "modern/widgets/button.h"
#include "modern/widgets/display_widgets.h"
#include "orvane_application.h"
#include "preset_file.h"
#include "scaffold/dialog.h"
#include "text_table.h"

namespace orvane::app {

namespace {

namespace modern = win32_ui::modern;
namespace scaffold = win32_ui::scaffold;
using modern::TrackDefinition;

constexpr const wchar_t* preset_extension = L".orvane.json";

}  // namespace

void PresetsCard::attach(const Widgets& widgets) {
  widgets_ = widgets;
  show_presets(std::wstring());
}

void PresetsCard::show_presets(const std::wstring& selected) {
  if (widgets_.list == nullptr) return;
  std::vector<std::wstring> names = store_.list();
  int index = -1;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (CompareStringOrdinal(names[i].c_str(), -1, selected.c_str(), -1, TRUE) == CSTR_EQUAL) index = static_cast<int>(i);
  }
  widgets_.list->set_items(std::move(names));
  widgets_.list->set_selected_index(index);
  const bool chosen_one = index >= 0;
  if (widgets_.rename != nullptr) widgets_.rename->set_enabled(chosen_one);
  if (widgets_.remove != nullptr) widgets_.remove->set_enabled(chosen_one);
}

void PresetsCard::settings_edited() {
  if (applying_ || widgets_.list == nullptr || widgets_.list->selected_index() < 0) return;
  widgets_.list->set_selected_index(-1);
  if (widgets_.rename != nullptr) widgets_.rename->set_enabled(false);
  if (widgets_.remove != nullptr) widgets_.remove->set_enabled(false);
}

std::wstring PresetsCard::chosen() const {
  if (widgets_.list == nullptr) return {};
  const int index = widgets_.list->selected_index();
  const auto& items = widgets_.list->items();
  return index >= 0 && index < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(index)] : std::wstring();
}

void PresetsCard::failed(const std::wstring& error) {
  application_.message(flow_text(application_.language(), FlowText::preset_failed_title), error, true);
}

void PresetsCard::apply(const engine::WatermarkOptions& options, const std::wstring& name) {
  WatermarkSettings& settings = application_.settings();
  settings = settings_from_options(options, settings, application_.reference_shorter_side());
  std::wstring status = fill(flow_text(application_.language(), FlowText::preset_applied_status), name);
  if (engine::logo_missing(options)) {
    // The preset keeps its logo; here the mark goes on as text, and says why.
    status = fill(flow_text(application_.language(), FlowText::preset_logo_missing_status), file_name_of(settings.logo_path));
    settings.logo_path.clear();
  }
  applying_ = true;
  controls_.show_settings();
  application_.settings_changed();
  applying_ = false;
  application_.set_status(status);
}

void PresetsCard::choose(int index) {
  if (widgets_.list == nullptr || index < 0) return;
  const std::wstring name = chosen();
  engine::WatermarkOptions options = make_options(application_.settings(), std::wstring());
  std::wstring error;
  if (!store_.load(name, options, error)) {
    failed(error);
    show_presets(std::wstring());  // it went, or broke, since the list was filled
    return;
  }
  // The list is left as it is: it may be open, with the user going through it.
  if (widgets_.rename != nullptr) widgets_.rename->set_enabled(true);
  if (widgets_.remove != nullptr) widgets_.remove->set_enabled(true);
  apply(options, name);
}

std::optional<std::wstring> PresetsCard::ask_name(const std::wstring& title, const std::wstring& initial) {
  const UiLanguage language = application_.language();
  auto content = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star()},
      std::vector<TrackDefinition>{TrackDefinition::fixed(24.0f), TrackDefinition::fixed(34.0f)}, 0.0f, 6.0f);
  auto label = std::make_unique<modern::Text>(ui_text(language, TextId::preset_name_label), win32_ui::layout::TextStyle::body);
  label->set_semantics_hidden(true);
  content->add(std::move(label), {0, 0, 1, 1});
  auto edit = std::make_unique<modern::Win32Edit>(1, initial);
  edit->set_accessible_name(ui_text(language, TextId::preset_name_label));
  edit->set_automation_id(L"preset-name");
  edit->set_max_length(static_cast<int>(engine::kMaxPresetNameLength));
  auto* placed = static_cast<modern::Win32Edit*>(content->add(std::move(edit), {0, 1, 1, 1}));
  scaffold::DialogOptions options;
  options.title = modern::LocalizedText::literal(title);
  options.owner = application_.hwnd();
  options.client_width = 380.0f;
  options.client_height = 170.0f;
  options.default_result = scaffold::dialog_ok;
  options.cancel_result = scaffold::dialog_cancel;
  const bool chinese = language == UiLanguage::simplified_chinese;
  std::vector<scaffold::DialogAction> actions{
      {scaffold::dialog_ok, modern::LocalizedText::literal(chinese ? L"确定" : L"OK"), true},
      {scaffold::dialog_cancel, modern::LocalizedText::literal(chinese ? L"取消" : L"Cancel"), false}};
  scaffold::Dialog dialog(application_.toolkit());
  dialog.on_shown([placed](scaffold::Dialog& shown) {
    shown.window().surface().request_focus(*placed, modern::FocusOrigin::keyboard);
    SendMessageW(static_cast<HWND>(placed->window()), EM_SETSEL, 0, -1);
  });
  std::wstring typed;
  placed->on_text_changed([&typed](std::wstring_view text) { typed.assign(text); });
  typed = initial;
  if (dialog.show_modal(options, std::move(content), std::move(actions)) != scaffold::dialog_ok) return std::nullopt;
  return typed;
}

void PresetsCard::save() {
  const UiLanguage language = application_.language();
  const std::optional<std::wstring> name = ask_name(flow_text(language, FlowText::save_preset_title), chosen());
  if (!name) return;
  std::wstring error;
  if (!engine::valid_preset_name(*name, error)) return failed(error);
  engine::WatermarkOptions unused;
  if (store_.load(*name, unused, error) &&
      !application_.ask(flow_text(language, FlowText::replace_preset_title),
                        fill(flow_text(language, FlowText::replace_preset_message), *name))) {
    return;
  }
  if (!store_.save(*name, make_options(application_.settings(), std::wstring()), error)) return failed(error);
  show_presets(*name);
}

void PresetsCard::rename() {
  const std::wstring from = chosen();
  if (from.empty()) return;
  const std::optional<std::wstring> to = ask_name(flow_text(application_.language(), FlowText::rename_preset_title), from);
  if (!to || *to == from) return;
  std::wstring error;
  if (!engine::valid_preset_name(*to, error) || !store_.rename(from, *to, error)) return failed(error);
  show_presets(*to);
}

void PresetsCard::remove() {
  const std::wstring name = chosen();
  if (name.empty()) return;
  const UiLanguage language = application_.language();
  if (!application_.ask(flow_text(language, FlowText::delete_preset_title),
                        fill(flow_text(language, FlowText::delete_preset_message), name))) {
    return;
  }
  std::wstring error;
  if (!store_.remove(name, error)) return failed(error);
  show_presets(std::wstring());
}

void PresetsCard::import_file() {
  const UiLanguage language = application_.language();
  std::vector<wchar_t> buffer(path_buffer_units, L'\0');
  const std::wstring filters = filter_list({{flow_text(language, FlowText::preset_filter), L"*.orvane.json"},
                                            {flow_text(language, FlowText::open_filter_all), L"*.*"}});
  if (!run_file_dialog(application_.hwnd(), flow_text(language, FlowText::import_preset_title), filters, buffer, nullptr,
                       OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, false)) {
    return;
  }
  const std::wstring path = buffer.data();
  engine::WatermarkOptions options = make_options(application_.settings(), std::wstring());
  std::wstring name;
  std::wstring error;
  if (!engine::read_preset_file(path, options, name, error)) return failed(error);
  if (name.empty() || !engine::valid_preset_name(name, error)) {
    // A file without a usable name is kept under its own.
    name = std::filesystem::path(path).filename().wstring();
    if (name.size() > std::wcslen(preset_extension)) name.resize(name.size() - std::wcslen(preset_extension));
    if (!engine::valid_preset_name(name, error)) name = L"Preset";
  }
  engine::WatermarkOptions existing;
  if (store_.load(name, existing, error) &&
      !application_.ask(flow_text(language, FlowText::replace_preset_title),
                        fill(flow_text(language, FlowText::replace_preset_message), name))) {
    return;
  }
  if (!store_.save(name, options, error)) return failed(error);
  show_presets(name);
  apply(options, name);
}

void PresetsCard::export_file() {
  const UiLanguage language = application_.language();
  std::wstring name = chosen();
  if (name.empty()) name = L"Orvane";
  std::vector<wchar_t> buffer(path_buffer_units, L'\0');
  const std::wstring suggested = name + preset_extension;
  if (suggested.size() < buffer.size()) std::copy(suggested.begin(), suggested.end(), buffer.begin());
  const std::wstring filters = filter_list({{flow_text(language, FlowText::preset_filter), L"*.orvane.json"}});
  if (!run_file_dialog(application_.hwnd(), flow_text(language, FlowText::export_preset_title), filters, buffer,
                       L"orvane.json", OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, true)) {
    return;
  }
  const std::wstring path = buffer.data();
  std::wstring error;
  if (!engine::write_preset_file(path, make_options(application_.settings(), std::wstring()), name, error)) {
    return failed(error);
  }
  application_.set_status(fill(flow_text(language, FlowText::preset_exported_status), file_name_of(path)));
}

}  // namespace orvane::app
