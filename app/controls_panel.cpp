#include "controls_panel.h"

#include <windows.h>

#include <commdlg.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cwchar>
#include <utility>

#include "command_ids.h"
#include "file_dialog.h"
#include "flow_texts.h"
#include "logo_image.h"
#include "modern/native/win32_combo_box.h"
#include "modern/native/win32_edit.h"
#include "modern/panels/grid_panel.h"
#include "modern/panels/overlay_panel.h"
#include "modern/widgets/button.h"
#include "modern/widgets/check_box.h"
#include "modern/widgets/display_widgets.h"
#include "modern/widgets/slider.h"
#include "orvane_application.h"
#include "presets_card.h"
#include "platform/windows/gdi_handle.h"
#include "text_table.h"
#include "views/card_layout.h"
#include "views/color_field.h"
#include "views/number_edit.h"
#include "views/preview_view.h"
#include "views/raster_icon.h"

namespace orvane::app {

namespace {

namespace modern = win32_ui::modern;
namespace layout = win32_ui::layout;
using modern::TrackDefinition;

constexpr int layout_count = 11;

// Runs a handler that Windows calls into; nothing may unwind out of it.
template <typename Action>
void guarded(Action&& action) noexcept {
  try {
    action();
  } catch (...) {
    // The change is lost; the window goes on with the settings it had.
  }
}

bool in_percent(const WatermarkSettings& settings) {
  return settings.unit == engine::LengthUnit::percent_of_shorter_side;
}

int CALLBACK collect_family(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
  auto& names = *reinterpret_cast<std::vector<std::wstring>*>(data);
  try {
    if (font->lfFaceName[0] != L'@') names.emplace_back(font->lfFaceName);
  } catch (...) {
    return 0;  // out of memory: stop with what there is
  }
  return 1;
}

// Names automation scripts find the controls by (UIA's AutomationId), the same in every language.
void set_automation_ids(ControlsPanel& panel) {
  const std::pair<win32_ui::modern::View*, const wchar_t*> named[] = {
      {panel.text_edit(), L"watermark-text"},   {panel.font_box(), L"font"},          {panel.size_edit(), L"size"},
      {panel.color_field(), L"color"},          {panel.opacity_slider(), L"opacity"}, {panel.opacity_text(), L"opacity-value"},
      {panel.position_box(), L"position"},      {panel.rotation_edit(), L"rotation"}, {panel.spacing_x_edit(), L"spacing-x"},
      {panel.spacing_y_edit(), L"spacing-y"},   {panel.fit_box(), L"fit"},            {panel.quality_slider(), L"quality"},
      {panel.quality_text(), L"quality-value"}, {panel.unit_box(), L"size-unit"},  {panel.margin_edit(), L"margin"},
      {panel.outline_box(), L"outline"},        {panel.outline_width_edit(), L"outline-width"},
      {panel.outline_color_field(), L"outline-color"}, {panel.shadow_box(), L"shadow"},
      {panel.shadow_color_field(), L"shadow-color"}, {panel.logo_button(), L"logo"},
      {panel.logo_size_edit(), L"logo-size"},   {panel.logo_clear_button(), L"logo-clear"}};
  const PresetsCard::Widgets& presets = panel.presets().widgets();
  const std::pair<win32_ui::modern::View*, const wchar_t*> preset_named[] = {
      {presets.list, L"preset"},           {presets.save, L"preset-save"},        {presets.rename, L"preset-rename"},
      {presets.remove, L"preset-delete"},  {presets.import_file, L"preset-import"}, {presets.export_file, L"preset-export"}};
  for (const auto& [view, id] : preset_named) {
    if (view != nullptr) view->set_automation_id(id);
  }
  for (const auto& [view, id] : named) {
    if (view != nullptr) view->set_automation_id(id);
  }
}

// A slider position as a byte: halves round away from zero, so 0.5 gives 128.
std::uint8_t byte_from_unit(float value) {
  return static_cast<std::uint8_t>(std::clamp<long>(std::lround(value * 255.0f), 0, 255));
}

}  // namespace

std::optional<float> parse_number(std::wstring_view text, float low, float high) {
  const std::wstring terminated(text);
  const wchar_t* begin = terminated.c_str();
  wchar_t* end = nullptr;
  errno = 0;
  const float value = std::wcstof(begin, &end);
  if (end == begin || errno == ERANGE || *end != L'\0' || !std::isfinite(value)) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::vector<std::wstring> installed_font_families() {
  std::vector<std::wstring> names;
  {
    const win32_ui::platform::WindowDc screen(nullptr);
    if (screen.get() == nullptr) return names;
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;  // every character set
    EnumFontFamiliesExW(screen.get(), &query, &collect_family, reinterpret_cast<LPARAM>(&names), 0);
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::wstring number_text(float value) {
  char buffer[32] = {};
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return std::wstring(buffer, result.ptr);
}

ControlsPanel::ControlsPanel() = default;
ControlsPanel::~ControlsPanel() = default;

std::unique_ptr<modern::View> ControlsPanel::build(OrvaneApplication& application) {
  application_ = &application;
  if (!presets_) presets_ = std::make_unique<PresetsCard>(application, *this);
  auto panel = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star()},
      std::vector<TrackDefinition>{TrackDefinition::fixed(128.0f), TrackDefinition::fixed(8.0f), TrackDefinition::fixed(368.0f),
                                   TrackDefinition::fixed(8.0f), TrackDefinition::fixed(288.0f), TrackDefinition::fixed(8.0f),
                                   TrackDefinition::fixed(84.0f), TrackDefinition::star()},
      0.0f, 0.0f);
  panel->add(build_presets_card(), {0, 0, 1, 1});
  panel->add(build_watermark_card(), {0, 2, 1, 1});
  panel->add(build_layout_card(), {0, 4, 1, 1});
  panel->add(build_export_card(), {0, 6, 1, 1});
  update_layout_controls();
  update_logo_controls();
  set_automation_ids(*this);
  return panel;
}

std::unique_ptr<modern::View> ControlsPanel::build_presets_card() {
  const UiLanguage language = application_->language();
  auto [card, grid] = make_card(2, 8.0f, ui_text(language, TextId::presets_section));
  grid->add(section_header(nullptr, ui_text(language, TextId::presets_section)), {0, 0, 1, 1});
  PresetsCard::Widgets widgets;
  auto list = std::make_unique<modern::Win32ComboBox>(control_number(CommandId::preset_list));
  list->on_selection_changed([this](int index) { guarded([&] { presets_->choose(index); }); });
  widgets.list = list.get();
  const auto button = [&](CommandId id, TextId label, void (PresetsCard::*action)(), modern::Button*& placed) {
    auto made = std::make_unique<modern::Button>(command_number(id), ui_text(language, label));
    made->on_invoked([this, action] { guarded([&] { (presets_.get()->*action)(); }); });
    placed = made.get();
    return made;
  };
  std::vector<std::pair<float, std::unique_ptr<modern::View>>> top;
  top.emplace_back(0.0f, std::move(list));
  top.emplace_back(84.0f, button(CommandId::preset_save, TextId::save_preset, &PresetsCard::save, widgets.save));
  labelled_row(*grid, 1, ui_text(language, TextId::preset_label), row_of(std::move(top)));
  std::vector<std::pair<float, std::unique_ptr<modern::View>>> bottom;
  bottom.emplace_back(0.0f, button(CommandId::preset_rename, TextId::rename_preset, &PresetsCard::rename, widgets.rename));
  bottom.emplace_back(0.0f, button(CommandId::preset_delete, TextId::delete_preset, &PresetsCard::remove, widgets.remove));
  bottom.emplace_back(0.0f, button(CommandId::preset_import, TextId::import_preset, &PresetsCard::import_file, widgets.import_file));
  bottom.emplace_back(0.0f, button(CommandId::preset_export, TextId::export_preset, &PresetsCard::export_file, widgets.export_file));
  grid->add(row_of(std::move(bottom)), {0, 2, 1, 1});
  presets_->attach(widgets);
  return std::move(card);
}

std::unique_ptr<modern::View> ControlsPanel::build_watermark_card() {
  OrvaneApplication& app = *application_;
  WatermarkSettings& settings = app.settings();
  const UiLanguage language = app.language();
  auto [card, grid] = make_card(8, 10.0f, ui_text(language, TextId::watermark_section));
  grid->add(section_header(&app.resources().watermark, ui_text(language, TextId::watermark_section)), {0, 0, 1, 1});

  // The text spans its row; empty is allowed here and refused by the export.
  auto text = std::make_unique<modern::Win32Edit>(control_number(CommandId::watermark_text), settings.text);
  text->set_placeholder(ui_text(language, TextId::text_placeholder));
  // The edit stops where the engine does: a pasted paragraph keeps its first characters.
  text->set_max_length(static_cast<int>(engine::max_text_length));
  text->on_text_changed([this](std::wstring_view value) {
    guarded([&] {
      application_->settings().text.assign(value);
      application_->settings_changed();
    });
  });
  text_edit_ = static_cast<modern::Win32Edit*>(grid->add(std::move(text), {0, 1, 1, 1}));

  // Fonts: the current family stays the setting even when it is not installed and entry 0 shows.
  auto fonts = std::make_unique<modern::Win32ComboBox>(control_number(CommandId::font));
  std::vector<std::wstring> families = installed_font_families();
  const auto current = std::find(families.begin(), families.end(), settings.font_family);
  const int selected = current == families.end() ? 0 : static_cast<int>(current - families.begin());
  fonts->set_items(families);
  if (!families.empty()) fonts->set_selected_index(selected);
  fonts->on_selection_changed([this, families = std::move(families)](int index) {
    guarded([&] {
      if (index < 0 || index >= static_cast<int>(families.size())) return;
      application_->settings().font_family = families[static_cast<std::size_t>(index)];
      application_->settings_changed();
    });
  });
  font_box_ = labelled_row(*grid, 2, ui_text(language, TextId::font_label), std::move(fonts));

  labelled_row(*grid, 3, ui_text(language, in_percent(settings) ? TextId::size_percent_label : TextId::size_label),
               size_row(), &size_label_);

  auto color = std::make_unique<ColorField>(settings.color.red, settings.color.green, settings.color.blue);
  color->set_accessible_name(language != UiLanguage::simplified_chinese ? L"Choose watermark color" : L"选择水印颜色");
  color->on_invoked([this] { guarded([&] { choose_color(application_->settings().color, color_field_); }); });
  color_field_ = labelled_row(*grid, 4, ui_text(language, TextId::color_label), std::move(color));

  auto slider = std::make_unique<modern::Slider>(command_number(CommandId::opacity), static_cast<float>(settings.color.alpha) / 255.0f);
  auto value = std::make_unique<modern::Text>(std::to_wstring(settings.color.alpha), layout::TextStyle::body);
  value->set_command_id(command_number(CommandId::opacity_value));
  slider->on_value_changed([this](float position) {
    guarded([&] {
      WatermarkSettings& s = application_->settings();
      s.color.alpha = byte_from_unit(position);
      if (opacity_text_ != nullptr) opacity_text_->set_text(std::to_wstring(s.color.alpha));
      application_->settings_changed();
    });
  });
  labelled_row(*grid, 5, ui_text(language, TextId::opacity_label),
               slider_with_value(std::move(slider), std::move(value), opacity_slider_, opacity_text_));
  labelled_row(*grid, 6, ui_text(language, TextId::outline_label), outline_row());
  labelled_row(*grid, 7, ui_text(language, TextId::shadow_label), shadow_row());
  labelled_row(*grid, 8, ui_text(language, in_percent(settings) ? TextId::logo_percent_label : TextId::logo_label),
               logo_row(), &logo_label_);
  return std::move(card);
}

std::unique_ptr<modern::View> ControlsPanel::build_layout_card() {
  OrvaneApplication& app = *application_;
  WatermarkSettings& settings = app.settings();
  const UiLanguage language = app.language();
  auto [card, grid] = make_card(6, 10.0f, ui_text(language, TextId::layout_section));
  grid->add(section_header(&app.resources().layout, ui_text(language, TextId::layout_section)), {0, 0, 1, 1});

  auto positions = std::make_unique<modern::Win32ComboBox>(control_number(CommandId::position));
  std::vector<std::wstring> names;
  for (int i = 0; i < layout_count; ++i) {
    names.push_back(ui_text(language, static_cast<TextId>(static_cast<int>(TextId::layout_grid) + i)));
  }
  positions->set_items(std::move(names));
  positions->set_selected_index(std::clamp(static_cast<int>(settings.layout), 0, layout_count - 1));
  positions->on_selection_changed([this](int index) {
    guarded([&] {
      application_->settings().layout = static_cast<engine::WatermarkLayout>(std::clamp(index, 0, layout_count - 1));
      update_layout_controls();
      application_->settings_changed();
    });
  });
  position_box_ = labelled_row(*grid, 1, ui_text(language, TextId::position_label), std::move(positions));

  rotation_edit_ = labelled_row(*grid, 2, ui_text(language, TextId::rotation_label),
                                number_edit(CommandId::rotation, &settings.rotation, -180.0f, 180.0f));
  const bool percent = in_percent(settings);
  const LengthRange spacing = spacing_range(settings.unit);
  spacing_x_edit_ = labelled_row(*grid, 3, ui_text(language, percent ? TextId::spacing_x_percent_label : TextId::spacing_x_label),
                                 number_edit(CommandId::spacing_x, &settings.spacing_x, spacing.low, spacing.high),
                                 &spacing_x_label_);
  spacing_y_edit_ = labelled_row(*grid, 4, ui_text(language, percent ? TextId::spacing_y_percent_label : TextId::spacing_y_label),
                                 number_edit(CommandId::spacing_y, &settings.spacing_y, spacing.low, spacing.high),
                                 &spacing_y_label_);
  const LengthRange margin = margin_range(settings.unit);
  auto margin_edit = std::make_unique<NumberEdit>(control_number(CommandId::margin), &settings.margin, margin.low, margin.high,
                                                  [this] { guarded([&] { application_->settings_changed(); }); });
  margin_edit->set_placeholder(ui_text(language, TextId::margin_placeholder));
  margin_edit_ = labelled_row(*grid, 5, ui_text(language, percent ? TextId::margin_percent_label : TextId::margin_label),
                              std::move(margin_edit), &margin_label_);

  auto fit = std::make_unique<modern::CheckBox>(command_number(CommandId::fit), ui_text(language, TextId::fit_to_area), settings.fit_to_area);
  fit->on_checked_changed([this](bool checked) {
    guarded([&] {
      application_->settings().fit_to_area = checked;
      application_->settings_changed();
    });
  });
  fit_box_ = labelled_row(*grid, 6, std::wstring(), std::move(fit));
  return std::move(card);
}

std::unique_ptr<modern::View> ControlsPanel::build_export_card() {
  OrvaneApplication& app = *application_;
  const WatermarkSettings& settings = app.settings();
  const UiLanguage language = app.language();
  auto [card, grid] = make_card(1, 8.0f, ui_text(language, TextId::export_section));
  grid->add(section_header(&app.resources().export_settings, ui_text(language, TextId::export_section)), {0, 0, 1, 1});
  auto slider = std::make_unique<modern::Slider>(command_number(CommandId::jpeg_quality), static_cast<float>(settings.jpeg_quality) / 100.0f);
  auto value = std::make_unique<modern::Text>(std::to_wstring(settings.jpeg_quality) + L"%", layout::TextStyle::body);
  slider->on_value_changed([this](float position) {
    guarded([&] {
      WatermarkSettings& s = application_->settings();
      s.jpeg_quality = static_cast<std::int32_t>(std::clamp<long>(std::lround(position * 100.0f), 1, 100));
      if (quality_text_ != nullptr) quality_text_->set_text(std::to_wstring(s.jpeg_quality) + L"%");
      application_->settings_changed();
    });
  });
  labelled_row(*grid, 1, ui_text(language, TextId::jpeg_quality_label),
               slider_with_value(std::move(slider), std::move(value), quality_slider_, quality_text_));
  return std::move(card);
}

std::unique_ptr<NumberEdit> ControlsPanel::number_edit(CommandId id, float* setting, float low, float high) {
  return std::make_unique<NumberEdit>(control_number(id), setting, low, high,
                                      [this] { guarded([&] { application_->settings_changed(); }); });
}

void ControlsPanel::update_layout_controls() {
  if (application_ == nullptr) return;
  const int layout_value = static_cast<int>(application_->settings().layout);
  const bool tiled = layout_value == 0 || layout_value == 1;
  if (spacing_x_edit_ != nullptr) spacing_x_edit_->set_enabled(tiled);
  if (spacing_y_edit_ != nullptr) spacing_y_edit_->set_enabled(tiled);
  if (fit_box_ != nullptr) fit_box_->set_enabled(!tiled);
  if (margin_edit_ != nullptr) {
    margin_edit_->set_enabled(!tiled && application_->settings().layout != engine::WatermarkLayout::Center);
  }
}

bool ControlsPanel::choose_color(engine::WatermarkColor& color, ColorField* field) {
  COLORREF custom[16] = {};  // black every time: the custom colours are not kept
  CHOOSECOLORW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = application_->hwnd();
  dialog.rgbResult = RGB(color.red, color.green, color.blue);
  dialog.lpCustColors = custom;
  dialog.Flags = CC_FULLOPEN | CC_RGBINIT;
  if (ChooseColorW(&dialog) == FALSE) return false;
  color.red = GetRValue(dialog.rgbResult);
  color.green = GetGValue(dialog.rgbResult);
  color.blue = GetBValue(dialog.rgbResult);
  if (field != nullptr) field->set_color(color.red, color.green, color.blue);
  application_->settings_changed();
  return true;
}

std::unique_ptr<modern::View> ControlsPanel::size_row() {
  WatermarkSettings& settings = application_->settings();
  const UiLanguage language = application_->language();
  const LengthRange range = font_size_range(settings.unit);
  auto edit = number_edit(CommandId::size, &settings.font_size, range.low, range.high);
  size_edit_ = edit.get();
  auto units = std::make_unique<modern::Win32ComboBox>(control_number(CommandId::size_unit));
  units->set_items({L"px", L"%"});
  units->set_selected_index(in_percent(settings) ? 1 : 0);
  units->set_accessible_name(ui_text(language, TextId::size_unit_name));
  units->on_selection_changed([this](int index) { guarded([&] { change_unit(index); }); });
  unit_box_ = units.get();
  std::vector<std::pair<float, std::unique_ptr<modern::View>>> parts;
  parts.emplace_back(0.0f, std::move(edit));
  parts.emplace_back(72.0f, std::move(units));
  return row_of(std::move(parts));
}

std::unique_ptr<modern::View> ControlsPanel::outline_row() {
  WatermarkSettings& settings = application_->settings();
  const UiLanguage language = application_->language();
  auto box = std::make_unique<modern::CheckBox>(command_number(CommandId::outline), std::wstring(), settings.outline);
  box->set_accessible_name(ui_text(language, TextId::outline_name));
  box->on_checked_changed([this](bool checked) {
    guarded([&] {
      application_->settings().outline = checked;
      if (outline_width_edit_ != nullptr) outline_width_edit_->set_enabled(checked);
      if (outline_color_field_ != nullptr) outline_color_field_->set_enabled(checked);
      application_->settings_changed();
    });
  });
  outline_box_ = box.get();
  auto width = number_edit(CommandId::outline_width, &settings.outline_width, 1.0f, 50.0f);
  width->set_accessible_name(ui_text(language, TextId::outline_width_name));
  width->set_enabled(settings.outline);
  outline_width_edit_ = width.get();
  const engine::WatermarkColor& c = settings.outline_color;
  auto color = std::make_unique<ColorField>(c.red, c.green, c.blue);
  color->set_command_id(command_number(CommandId::outline_color));
  color->set_accessible_name(ui_text(language, TextId::outline_color_name));
  color->set_enabled(settings.outline);
  color->on_invoked([this] {
    guarded([&] { choose_color(application_->settings().outline_color, outline_color_field_); });
  });
  outline_color_field_ = color.get();
  std::vector<std::pair<float, std::unique_ptr<modern::View>>> parts;
  parts.emplace_back(24.0f, std::move(box));
  parts.emplace_back(52.0f, std::move(width));
  parts.emplace_back(0.0f, std::move(color));
  return row_of(std::move(parts));
}

std::unique_ptr<modern::View> ControlsPanel::shadow_row() {
  WatermarkSettings& settings = application_->settings();
  const UiLanguage language = application_->language();
  auto box = std::make_unique<modern::CheckBox>(command_number(CommandId::shadow), std::wstring(), settings.shadow);
  box->on_checked_changed([this](bool checked) {
    guarded([&] {
      application_->settings().shadow = checked;
      if (shadow_color_field_ != nullptr) shadow_color_field_->set_enabled(checked);
      application_->settings_changed();
    });
  });
  shadow_box_ = box.get();
  const engine::WatermarkColor& c = settings.shadow_color;
  auto color = std::make_unique<ColorField>(c.red, c.green, c.blue);
  color->set_command_id(command_number(CommandId::shadow_color));
  color->set_accessible_name(ui_text(language, TextId::shadow_color_name));
  color->set_enabled(settings.shadow);
  color->on_invoked([this] {
    guarded([&] { choose_color(application_->settings().shadow_color, shadow_color_field_); });
  });
  shadow_color_field_ = color.get();
  std::vector<std::pair<float, std::unique_ptr<modern::View>>> parts;
  parts.emplace_back(24.0f, std::move(box));
  parts.emplace_back(0.0f, std::move(color));
  return row_of(std::move(parts));
}

std::unique_ptr<modern::View> ControlsPanel::logo_row() {
  WatermarkSettings& settings = application_->settings();
  const UiLanguage language = application_->language();
  auto choose = std::make_unique<modern::Button>(command_number(CommandId::logo), ui_text(language, TextId::choose_logo));
  choose->on_invoked([this] { guarded([&] { choose_logo(); }); });
  logo_button_ = choose.get();
  const LengthRange range = logo_size_range(settings.unit);
  auto size = number_edit(CommandId::logo_size, &settings.logo_size, range.low, range.high);
  size->set_accessible_name(ui_text(language, TextId::logo_size_name));
  logo_size_edit_ = size.get();
  auto clear = std::make_unique<modern::Button>(command_number(CommandId::logo_clear), std::wstring(L"\u00D7"));
  clear->set_accessible_name(ui_text(language, TextId::clear_logo));
  clear->on_invoked([this] {
    guarded([&] {
      application_->settings().logo_path.clear();
      update_logo_controls();
      application_->settings_changed();
    });
  });
  logo_clear_button_ = clear.get();
  std::vector<std::pair<float, std::unique_ptr<modern::View>>> parts;
  parts.emplace_back(0.0f, std::move(choose));
  parts.emplace_back(64.0f, std::move(size));
  parts.emplace_back(34.0f, std::move(clear));
  return row_of(std::move(parts));
}

void ControlsPanel::update_logo_controls() {
  if (application_ == nullptr) return;
  const WatermarkSettings& settings = application_->settings();
  const UiLanguage language = application_->language();
  const bool has_logo = !settings.logo_path.empty();
  const std::wstring shown = has_logo ? file_name_of(settings.logo_path) : ui_text(language, TextId::choose_logo);
  if (logo_button_ != nullptr) {
    logo_button_->set_text(shown);
    logo_button_->set_accessible_name(ui_text(language, TextId::logo_name) + L": " + shown);
  }
  if (logo_size_edit_ != nullptr) logo_size_edit_->set_enabled(has_logo);
  if (logo_clear_button_ != nullptr) logo_clear_button_->set_enabled(has_logo);
}

void ControlsPanel::choose_logo() {
  const UiLanguage language = application_->language();
  std::vector<wchar_t> buffer(path_buffer_units, L'\0');
  const std::wstring filters = filter_list({
      {flow_text(language, FlowText::open_filter_images), L"*.png;*.jpg;*.jpeg;*.bmp;*.gif;*.tif;*.tiff"},
      {flow_text(language, FlowText::open_filter_all), L"*.*"},
  });
  if (!run_file_dialog(application_->hwnd(), flow_text(language, FlowText::logo_dialog_title), filters, buffer, nullptr,
                       OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, false)) {
    return;
  }
  const std::wstring path = absolute_path(buffer.data());
  std::wstring error;
  if (!engine::check_logo(path, error)) {
    // The logo in force, if any, stays.
    application_->message(flow_text(language, FlowText::logo_failed_title), error, true);
    return;
  }
  application_->settings().logo_path = path;
  update_logo_controls();
  application_->settings_changed();
}

void ControlsPanel::change_unit(int index) {
  WatermarkSettings& settings = application_->settings();
  const engine::LengthUnit unit = index == 1 ? engine::LengthUnit::percent_of_shorter_side : engine::LengthUnit::pixels;
  if (unit == settings.unit) return;
  app::change_unit(settings, unit, application_->reference_shorter_side());
  show_unit();
  application_->settings_changed();
}

void ControlsPanel::show_unit() {
  const UiLanguage language = application_->language();
  const engine::LengthUnit unit = application_->settings().unit;
  const bool percent = unit == engine::LengthUnit::percent_of_shorter_side;
  if (unit_box_ != nullptr) unit_box_->set_selected_index(percent ? 1 : 0);
  struct Length {
    modern::Text* label;
    modern::Win32Edit* edit;
    TextId name;
    LengthRange range;
  };
  const Length lengths[] = {
      {size_label_, size_edit_, percent ? TextId::size_percent_label : TextId::size_label, font_size_range(unit)},
      {spacing_x_label_, spacing_x_edit_, percent ? TextId::spacing_x_percent_label : TextId::spacing_x_label,
       spacing_range(unit)},
      {spacing_y_label_, spacing_y_edit_, percent ? TextId::spacing_y_percent_label : TextId::spacing_y_label,
       spacing_range(unit)},
      {margin_label_, margin_edit_, percent ? TextId::margin_percent_label : TextId::margin_label, margin_range(unit)},
      {logo_label_, nullptr, percent ? TextId::logo_percent_label : TextId::logo_label, {}},
  };
  for (const Length& length : lengths) {
    if (length.label != nullptr) length.label->set_text(ui_text(language, length.name));
    if (length.edit == nullptr) continue;
    // The edit's name follows its label.
    length.edit->set_accessible_name(ui_text(language, length.name));
    if (auto* number = dynamic_cast<NumberEdit*>(length.edit)) number->set_range(length.range.low, length.range.high);
  }
  if (auto* logo_size = dynamic_cast<NumberEdit*>(logo_size_edit_)) {
    const LengthRange range = logo_size_range(unit);
    logo_size->set_range(range.low, range.high);
  }
}

void ControlsPanel::show_settings() {
  if (application_ == nullptr) return;
  const WatermarkSettings& s = application_->settings();
  // Edits first report the text they are given as a change, which stores the same value again.
  if (text_edit_ != nullptr) text_edit_->set_text(s.text);
  if (font_box_ != nullptr) {
    const std::vector<std::wstring>& families = font_box_->items();
    const auto found = std::find(families.begin(), families.end(), s.font_family);
    if (found != families.end()) font_box_->set_selected_index(static_cast<int>(found - families.begin()));
  }
  show_unit();
  if (color_field_ != nullptr) color_field_->set_color(s.color.red, s.color.green, s.color.blue);
  if (opacity_slider_ != nullptr) opacity_slider_->set_value(static_cast<float>(s.color.alpha) / 255.0f);
  if (opacity_text_ != nullptr) opacity_text_->set_text(std::to_wstring(s.color.alpha));
  if (position_box_ != nullptr) position_box_->set_selected_index(std::clamp(static_cast<int>(s.layout), 0, layout_count - 1));
  if (rotation_edit_ != nullptr) rotation_edit_->set_text(number_text(s.rotation));
  if (fit_box_ != nullptr) fit_box_->set_checked(s.fit_to_area);
  if (outline_box_ != nullptr) outline_box_->set_checked(s.outline);
  if (outline_width_edit_ != nullptr) {
    outline_width_edit_->set_text(number_text(s.outline_width));
    outline_width_edit_->set_enabled(s.outline);
  }
  if (outline_color_field_ != nullptr) {
    outline_color_field_->set_color(s.outline_color.red, s.outline_color.green, s.outline_color.blue);
    outline_color_field_->set_enabled(s.outline);
  }
  if (shadow_box_ != nullptr) shadow_box_->set_checked(s.shadow);
  if (shadow_color_field_ != nullptr) {
    shadow_color_field_->set_color(s.shadow_color.red, s.shadow_color.green, s.shadow_color.blue);
    shadow_color_field_->set_enabled(s.shadow);
  }
  if (quality_slider_ != nullptr) quality_slider_->set_value(static_cast<float>(s.jpeg_quality) / 100.0f);
  if (quality_text_ != nullptr) quality_text_->set_text(std::to_wstring(s.jpeg_quality) + L"%");
  update_layout_controls();
  update_logo_controls();
}

}  // namespace orvane::app
