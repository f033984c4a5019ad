#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_ids.h"
#include "watermark_options.h"

namespace win32_ui::modern {
class Button;
class CheckBox;
class Slider;
class Text;
class View;
class Win32ComboBox;
class Win32Edit;
}  // namespace win32_ui::modern

namespace orvane::app {

class ColorField;
class NumberEdit;
class PresetsCard;
class OrvaneApplication;

// The left column of the main window: the "Watermark", "Layout" and "Export settings" cards. Every
// control writes one field of the application's settings and renders the preview again at once.
class ControlsPanel {
 public:
  ControlsPanel();
  ~ControlsPanel();
  ControlsPanel(const ControlsPanel&) = delete;
  ControlsPanel& operator=(const ControlsPanel&) = delete;

  // Builds the three cards from the application's current settings; the previous widgets are forgotten.
  [[nodiscard]] std::unique_ptr<win32_ui::modern::View> build(OrvaneApplication& application);

  // Spacing belongs to the tiled layouts, fitting and the margin to the anchored ones: enables each
  // accordingly.
  void update_layout_controls();

  // Shows the logo in force (its file name on the choose button, Clear usable only with one).
  void update_logo_controls();

  // Every control shows the application's settings again, in place (a preset was chosen): focus,
  // scrolling and an open list stay as they are.
  void show_settings();

  // Widgets of the current build (owned by the window's tree), null before the first build.
  [[nodiscard]] PresetsCard& presets() noexcept { return *presets_; }
  [[nodiscard]] win32_ui::modern::Win32Edit* text_edit() const noexcept { return text_edit_; }
  [[nodiscard]] win32_ui::modern::Win32ComboBox* font_box() const noexcept { return font_box_; }
  [[nodiscard]] win32_ui::modern::Win32Edit* size_edit() const noexcept { return size_edit_; }
  [[nodiscard]] win32_ui::modern::Win32ComboBox* unit_box() const noexcept { return unit_box_; }
  [[nodiscard]] ColorField* color_field() const noexcept { return color_field_; }
  [[nodiscard]] win32_ui::modern::Slider* opacity_slider() const noexcept { return opacity_slider_; }
  [[nodiscard]] win32_ui::modern::Text* opacity_text() const noexcept { return opacity_text_; }
  [[nodiscard]] win32_ui::modern::Win32ComboBox* position_box() const noexcept { return position_box_; }
  [[nodiscard]] win32_ui::modern::Win32Edit* rotation_edit() const noexcept { return rotation_edit_; }
  [[nodiscard]] win32_ui::modern::Win32Edit* spacing_x_edit() const noexcept { return spacing_x_edit_; }
  [[nodiscard]] win32_ui::modern::Win32Edit* spacing_y_edit() const noexcept { return spacing_y_edit_; }
  [[nodiscard]] win32_ui::modern::CheckBox* fit_box() const noexcept { return fit_box_; }
  [[nodiscard]] win32_ui::modern::Win32Edit* margin_edit() const noexcept { return margin_edit_; }
  [[nodiscard]] win32_ui::modern::CheckBox* outline_box() const noexcept { return outline_box_; }
  [[nodiscard]] win32_ui::modern::Win32Edit* outline_width_edit() const noexcept { return outline_width_edit_; }
  [[nodiscard]] ColorField* outline_color_field() const noexcept { return outline_color_field_; }
  [[nodiscard]] win32_ui::modern::CheckBox* shadow_box() const noexcept { return shadow_box_; }
  [[nodiscard]] ColorField* shadow_color_field() const noexcept { return shadow_color_field_; }
  [[nodiscard]] win32_ui::modern::Button* logo_button() const noexcept { return logo_button_; }
  [[nodiscard]] win32_ui::modern::Win32Edit* logo_size_edit() const noexcept { return logo_size_edit_; }
  [[nodiscard]] win32_ui::modern::Button* logo_clear_button() const noexcept { return logo_clear_button_; }
  [[nodiscard]] win32_ui::modern::Slider* quality_slider() const noexcept { return quality_slider_; }
  [[nodiscard]] win32_ui::modern::Text* quality_text() const noexcept { return quality_text_; }

 private:
  std::unique_ptr<win32_ui::modern::View> build_presets_card();
  std::unique_ptr<win32_ui::modern::View> build_watermark_card();
  std::unique_ptr<win32_ui::modern::View> build_layout_card();
  std::unique_ptr<win32_ui::modern::View> build_export_card();
  // An edit that takes a number within low..high; anything else typed changes nothing.
  std::unique_ptr<NumberEdit> number_edit(CommandId id, float* setting, float low, float high);
  std::unique_ptr<win32_ui::modern::View> size_row();
  std::unique_ptr<win32_ui::modern::View> outline_row();
  std::unique_ptr<win32_ui::modern::View> shadow_row();
  std::unique_ptr<win32_ui::modern::View> logo_row();
  // The lengths, their labels and their edits' ranges in the new unit.
  void change_unit(int index);
  // The labels, names and ranges of the lengths' edits for the unit in force.
  void show_unit();
  // The colour dialog over `color`, the field showing the choice; false when cancelled.
  bool choose_color(engine::WatermarkColor& color, ColorField* field);
  void choose_logo();

  win32_ui::modern::Text* size_label_ = nullptr;
  win32_ui::modern::Text* spacing_x_label_ = nullptr;
  win32_ui::modern::Text* spacing_y_label_ = nullptr;
  win32_ui::modern::Text* margin_label_ = nullptr;
  win32_ui::modern::Text* logo_label_ = nullptr;
  win32_ui::modern::Win32ComboBox* unit_box_ = nullptr;
  win32_ui::modern::Win32Edit* margin_edit_ = nullptr;
  win32_ui::modern::CheckBox* outline_box_ = nullptr;
  win32_ui::modern::Win32Edit* outline_width_edit_ = nullptr;
  ColorField* outline_color_field_ = nullptr;
  win32_ui::modern::CheckBox* shadow_box_ = nullptr;
  ColorField* shadow_color_field_ = nullptr;
  win32_ui::modern::Button* logo_button_ = nullptr;
  win32_ui::modern::Win32Edit* logo_size_edit_ = nullptr;
  win32_ui::modern::Button* logo_clear_button_ = nullptr;

  OrvaneApplication* application_ = nullptr;
  std::unique_ptr<PresetsCard> presets_;
  win32_ui::modern::Win32Edit* text_edit_ = nullptr;
  win32_ui::modern::Win32ComboBox* font_box_ = nullptr;
  win32_ui::modern::Win32Edit* size_edit_ = nullptr;
  ColorField* color_field_ = nullptr;
  win32_ui::modern::Slider* opacity_slider_ = nullptr;
  win32_ui::modern::Text* opacity_text_ = nullptr;
  win32_ui::modern::Win32ComboBox* position_box_ = nullptr;
  win32_ui::modern::Win32Edit* rotation_edit_ = nullptr;
  win32_ui::modern::Win32Edit* spacing_x_edit_ = nullptr;
  win32_ui::modern::Win32Edit* spacing_y_edit_ = nullptr;
  win32_ui::modern::CheckBox* fit_box_ = nullptr;
  win32_ui::modern::Slider* quality_slider_ = nullptr;
  win32_ui::modern::Text* quality_text_ = nullptr;
};

// The number a numeric edit's whole text stands for, when it lies within low..high inclusive: the
// runtime's conversion (leading white space allowed), nothing left over, finite. Empty otherwise.
[[nodiscard]] std::optional<float> parse_number(std::wstring_view text, float low, float high);

// The families of the installed fonts as a font list shows them: no vertical "@" variants, sorted by
// code unit, each once.
[[nodiscard]] std::vector<std::wstring> installed_font_families();

// A setting as its edit shows it: the shortest text that reads back as the same float.
[[nodiscard]] std::wstring number_text(float value);

}  // namespace orvane::app
