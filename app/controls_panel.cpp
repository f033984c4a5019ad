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
#include "modern/native/win32_combo_box.h"
#include "modern/native/win32_edit.h"
#include "modern/panels/grid_panel.h"
#include "modern/panels/overlay_panel.h"
#include "modern/widgets/check_box.h"
#include "modern/widgets/display_widgets.h"
#include "modern/widgets/slider.h"
#include "orvane_application.h"
#include "platform/windows/gdi_handle.h"
#include "text_table.h"
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

// A card: the themed background under a grid of one column, a 28 header row and `rows` rows of 34.
// Screen readers meet it as a group named by its title, holding its controls.
std::pair<std::unique_ptr<modern::OverlayPanel>, modern::GridPanel*> make_card(int rows, float vertical_padding,
                                                                              const std::wstring& title) {
  auto overlay = std::make_unique<modern::OverlayPanel>();
  overlay->set_semantics_role(modern::SemanticsRole::group);
  overlay->set_accessible_name(title);
  overlay->add_child(std::make_unique<modern::Card>());
  std::vector<TrackDefinition> tracks{TrackDefinition::fixed(28.0f)};
  for (int i = 0; i < rows; ++i) tracks.push_back(TrackDefinition::fixed(34.0f));
  auto grid = std::make_unique<modern::GridPanel>(std::vector<TrackDefinition>{TrackDefinition::star()}, std::move(tracks),
                                                  0.0f, 6.0f,
                                                  layout::Thickness{12.0f, vertical_padding, 12.0f, vertical_padding});
  auto* content = static_cast<modern::GridPanel*>(overlay->add_child(std::move(grid)));
  return {std::move(overlay), content};
}

std::unique_ptr<modern::View> section_header(const IconPair& icon, std::wstring title) {
  auto header = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::fixed(26.0f), TrackDefinition::star()}, std::vector<TrackDefinition>{},
      8.0f, 0.0f);
  header->add(std::make_unique<RasterIcon>(icon, 22.0f), {0, 0, 1, 1});
  // The title names the card's group: no node of its own.
  auto text = std::make_unique<modern::Text>(std::move(title), layout::TextStyle::section);
  text->set_semantics_hidden(true);
  header->add(std::move(text), {1, 0, 1, 1});
  return header;
}

// A row of a label and its control; returns the control as placed.
template <typename Control>
Control* labelled_row(modern::GridPanel& card, std::uint32_t row, std::wstring label, std::unique_ptr<Control> control) {
  auto line = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::fixed(122.0f), TrackDefinition::star()}, std::vector<TrackDefinition>{},
      10.0f, 0.0f);
  // The label names the control for screen readers (a composite control: its first part).
  modern::View* named = control.get();
  if (auto* group = dynamic_cast<modern::ViewGroup*>(named); group != nullptr && group->child_count() > 0) {
    named = group->child_at(0);
  }
  if (!label.empty() && !named->accessible_name()) named->set_accessible_name(label);
  // The label is read as the control's name, not as a node before it.
  auto text = std::make_unique<modern::Text>(std::move(label), layout::TextStyle::body);
  text->set_semantics_hidden(true);
  line->add(std::move(text), {0, 0, 1, 1});
  auto* placed = static_cast<Control*>(line->add(std::move(control), {1, 0, 1, 1}));
  card.add(std::move(line), {0, row, 1, 1});
  return placed;
}

// A slider with its value text to the right.
std::unique_ptr<modern::GridPanel> slider_with_value(std::unique_ptr<modern::Slider> slider,
                                                     std::unique_ptr<modern::Text> value, modern::Slider*& placed_slider,
                                                     modern::Text*& placed_value) {
  auto line = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star(), TrackDefinition::fixed(52.0f)}, std::vector<TrackDefinition>{},
      8.0f, 0.0f);
  placed_slider = static_cast<modern::Slider*>(line->add(std::move(slider), {0, 0, 1, 1}));
  placed_value = static_cast<modern::Text*>(line->add(std::move(value), {1, 0, 1, 1}));
  return line;
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
void set_automation_ids(const ControlsPanel& panel) {
  const std::pair<win32_ui::modern::View*, const wchar_t*> named[] = {
      {panel.text_edit(), L"watermark-text"},   {panel.font_box(), L"font"},          {panel.size_edit(), L"size"},
      {panel.color_field(), L"color"},          {panel.opacity_slider(), L"opacity"}, {panel.opacity_text(), L"opacity-value"},
      {panel.position_box(), L"position"},      {panel.rotation_edit(), L"rotation"}, {panel.spacing_x_edit(), L"spacing-x"},
      {panel.spacing_y_edit(), L"spacing-y"},   {panel.fit_box(), L"fit"},            {panel.quality_slider(), L"quality"},
      {panel.quality_text(), L"quality-value"}};
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

std::unique_ptr<modern::View> ControlsPanel::build(OrvaneApplication& application) {
  application_ = &application;
  auto panel = std::make_unique<modern::GridPanel>(
      std::vector<TrackDefinition>{TrackDefinition::star()},
      std::vector<TrackDefinition>{TrackDefinition::fixed(248.0f), TrackDefinition::fixed(8.0f), TrackDefinition::fixed(248.0f),
                                   TrackDefinition::fixed(8.0f), TrackDefinition::fixed(84.0f), TrackDefinition::star()},
      0.0f, 0.0f);
  panel->add(build_watermark_card(), {0, 0, 1, 1});
  panel->add(build_layout_card(), {0, 2, 1, 1});
  panel->add(build_export_card(), {0, 4, 1, 1});
  update_layout_controls();
  set_automation_ids(*this);
  return panel;
}

std::unique_ptr<modern::View> ControlsPanel::build_watermark_card() {
  OrvaneApplication& app = *application_;
  WatermarkSettings& settings = app.settings();
  const UiLanguage language = app.language();
  auto [card, grid] = make_card(5, 10.0f, ui_text(language, TextId::watermark_section));
  grid->add(section_header(app.resources().watermark, ui_text(language, TextId::watermark_section)), {0, 0, 1, 1});

  // The text spans its row; empty is allowed here and refused by the export.
  auto text = std::make_unique<modern::Win32Edit>(control_number(CommandId::watermark_text), settings.text);
  text->set_placeholder(ui_text(language, TextId::text_placeholder));
  // The edit stops where the engine does: a pasted paragraph keeps its first characters.
  text->set_max_length(static_cast<int>(engine::max_text_length));
  text->on_text_changed([this](std::wstring_view value) {
    guarded([&] {
      application_->settings().text.assign(value);
      application_->refresh_preview();
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
      application_->refresh_preview();
    });
  });
  font_box_ = labelled_row(*grid, 2, ui_text(language, TextId::font_label), std::move(fonts));

  size_edit_ = labelled_row(*grid, 3, ui_text(language, TextId::size_label),
                            number_edit(CommandId::size, &settings.font_size, 6.0f, 500.0f));

  auto color = std::make_unique<ColorField>(settings.color.red, settings.color.green, settings.color.blue);
  color->set_accessible_name(language != UiLanguage::simplified_chinese ? L"Choose watermark color" : L"选择水印颜色");
  color->on_invoked([this] { guarded([&] { choose_color(); }); });
  color_field_ = labelled_row(*grid, 4, ui_text(language, TextId::color_label), std::move(color));

  auto slider = std::make_unique<modern::Slider>(command_number(CommandId::opacity), static_cast<float>(settings.color.alpha) / 255.0f);
  auto value = std::make_unique<modern::Text>(std::to_wstring(settings.color.alpha), layout::TextStyle::body);
  value->set_command_id(command_number(CommandId::opacity_value));
  slider->on_value_changed([this](float position) {
    guarded([&] {
      WatermarkSettings& s = application_->settings();
      s.color.alpha = byte_from_unit(position);
      if (opacity_text_ != nullptr) opacity_text_->set_text(std::to_wstring(s.color.alpha));
      application_->refresh_preview();
    });
  });
  labelled_row(*grid, 5, ui_text(language, TextId::opacity_label),
               slider_with_value(std::move(slider), std::move(value), opacity_slider_, opacity_text_));
  return std::move(card);
}

std::unique_ptr<modern::View> ControlsPanel::build_layout_card() {
  OrvaneApplication& app = *application_;
  WatermarkSettings& settings = app.settings();
  const UiLanguage language = app.language();
  auto [card, grid] = make_card(5, 10.0f, ui_text(language, TextId::layout_section));
  grid->add(section_header(app.resources().layout, ui_text(language, TextId::layout_section)), {0, 0, 1, 1});

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
      application_->refresh_preview();
    });
  });
  position_box_ = labelled_row(*grid, 1, ui_text(language, TextId::position_label), std::move(positions));

  rotation_edit_ = labelled_row(*grid, 2, ui_text(language, TextId::rotation_label),
                                number_edit(CommandId::rotation, &settings.rotation, -180.0f, 180.0f));
  spacing_x_edit_ = labelled_row(*grid, 3, ui_text(language, TextId::spacing_x_label),
                                 number_edit(CommandId::spacing_x, &settings.spacing_x, 32.0f, 5000.0f));
  spacing_y_edit_ = labelled_row(*grid, 4, ui_text(language, TextId::spacing_y_label),
                                 number_edit(CommandId::spacing_y, &settings.spacing_y, 32.0f, 5000.0f));

  auto fit = std::make_unique<modern::CheckBox>(command_number(CommandId::fit), ui_text(language, TextId::fit_to_area), settings.fit_to_area);
  fit->on_checked_changed([this](bool checked) {
    guarded([&] {
      application_->settings().fit_to_area = checked;
      application_->refresh_preview();
    });
  });
  fit_box_ = labelled_row(*grid, 5, std::wstring(), std::move(fit));
  return std::move(card);
}

std::unique_ptr<modern::View> ControlsPanel::build_export_card() {
  OrvaneApplication& app = *application_;
  const WatermarkSettings& settings = app.settings();
  const UiLanguage language = app.language();
  auto [card, grid] = make_card(1, 8.0f, ui_text(language, TextId::export_section));
  grid->add(section_header(app.resources().export_settings, ui_text(language, TextId::export_section)), {0, 0, 1, 1});
  auto slider = std::make_unique<modern::Slider>(command_number(CommandId::jpeg_quality), static_cast<float>(settings.jpeg_quality) / 100.0f);
  auto value = std::make_unique<modern::Text>(std::to_wstring(settings.jpeg_quality) + L"%", layout::TextStyle::body);
  slider->on_value_changed([this](float position) {
    guarded([&] {
      WatermarkSettings& s = application_->settings();
      s.jpeg_quality = static_cast<std::int32_t>(std::clamp<long>(std::lround(position * 100.0f), 1, 100));
      if (quality_text_ != nullptr) quality_text_->set_text(std::to_wstring(s.jpeg_quality) + L"%");
      application_->refresh_preview();
    });
  });
  labelled_row(*grid, 1, ui_text(language, TextId::jpeg_quality_label),
               slider_with_value(std::move(slider), std::move(value), quality_slider_, quality_text_));
  return std::move(card);
}

std::unique_ptr<modern::Win32Edit> ControlsPanel::number_edit(CommandId id, float* setting, float low, float high) {
  return std::make_unique<NumberEdit>(control_number(id), setting, low, high,
                                      [this] { guarded([&] { application_->refresh_preview(); }); });
}

void ControlsPanel::update_layout_controls() {
  if (application_ == nullptr) return;
  const int layout_value = static_cast<int>(application_->settings().layout);
  const bool tiled = layout_value == 0 || layout_value == 1;
  if (spacing_x_edit_ != nullptr) spacing_x_edit_->set_enabled(tiled);
  if (spacing_y_edit_ != nullptr) spacing_y_edit_->set_enabled(tiled);
  if (fit_box_ != nullptr) fit_box_->set_enabled(!tiled);
}

void ControlsPanel::choose_color() {
  WatermarkSettings& settings = application_->settings();
  COLORREF custom[16] = {};  // black every time: the custom colours are not kept
  CHOOSECOLORW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = application_->hwnd();
  dialog.rgbResult = RGB(settings.color.red, settings.color.green, settings.color.blue);
  dialog.lpCustColors = custom;
  dialog.Flags = CC_FULLOPEN | CC_RGBINIT;
  if (ChooseColorW(&dialog) == FALSE) return;
  settings.color.red = GetRValue(dialog.rgbResult);
  settings.color.green = GetGValue(dialog.rgbResult);
  settings.color.blue = GetBValue(dialog.rgbResult);
  if (color_field_ != nullptr) color_field_->set_color(settings.color.red, settings.color.green, settings.color.blue);
  application_->refresh_preview();
}

}  // namespace orvane::app
