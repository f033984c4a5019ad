#pragma once

#include <optional>
#include <string>

#include "preset_store.h"

namespace win32_ui::modern {
class Button;
class Win32ComboBox;
}  // namespace win32_ui::modern

namespace orvane::app {

class ControlsPanel;
class OrvaneApplication;

// What the "Presets" card at the top of the settings column does: the user's saved presets in a
// list that applies one when it is chosen, and buttons to save the current settings under a name,
// rename or delete the chosen preset, and import or export a preset file. The presets are the ones
// `orvane-cli --preset` reads. The controls panel lays the card out and hands over its widgets.
class PresetsCard {
 public:
  PresetsCard(OrvaneApplication& application, ControlsPanel& controls) noexcept
      : application_(application), controls_(controls) {}
  PresetsCard(const PresetsCard&) = delete;
  PresetsCard& operator=(const PresetsCard&) = delete;

  struct Widgets {
    win32_ui::modern::Win32ComboBox* list = nullptr;
    win32_ui::modern::Button* save = nullptr;
    win32_ui::modern::Button* rename = nullptr;
    win32_ui::modern::Button* remove = nullptr;
    win32_ui::modern::Button* import_file = nullptr;
    win32_ui::modern::Button* export_file = nullptr;
  };
  // Takes the widgets of a new build (the previous ones are forgotten) and fills the list.
  void attach(const Widgets& widgets);

  // A setting changed: unless a preset is being applied, the list shows none chosen, since the
  // settings are no longer the preset's (choosing it again brings them back).
  void settings_edited();

  // What the buttons and the list do.
  void choose(int index);
  void save();
  void rename();
  void remove();
  void import_file();
  void export_file();

  [[nodiscard]] const Widgets& widgets() const noexcept { return widgets_; }

 private:
  // The list shows the store's presets again, `selected` chosen when it is among them.
  void show_presets(const std::wstring& selected);
  // The chosen preset's name; empty when none is chosen.
  [[nodiscard]] std::wstring chosen() const;
  // Asks for a name in a small dialog, `initial` filled in; nothing when cancelled.
  [[nodiscard]] std::optional<std::wstring> ask_name(const std::wstring& title, const std::wstring& initial);
  // The settings become the preset's; every control and the preview follow.
  void apply(const engine::WatermarkOptions& options, const std::wstring& name);
  void failed(const std::wstring& error);

  OrvaneApplication& application_;
  ControlsPanel& controls_;
  engine::PresetStore store_;
  Widgets widgets_;
  bool applying_ = false;
};

}  // namespace orvane::app
