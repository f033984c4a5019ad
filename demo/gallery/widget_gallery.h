#pragma once

#include <memory>

#include "modern/tree/view.h"
#include "modern/widgets/button.h"
#include "modern/widgets/check_box.h"
#include "modern/widgets/menu_item.h"
#include "modern/widgets/slider.h"

namespace win32_ui::gallery {

// Every widget of the toolkit in each of its states, laid out as one tree: the scene the tests paint
// through both back-ends and the demo program shows in a real window.
struct WidgetGallery {
  std::unique_ptr<modern::View> root;
  // The widget painted with the keyboard focus ring (the paint context names it as focused).
  modern::Button* focused_button = nullptr;
  // Widgets whose pixels the tests probe.
  modern::Button* resting_button = nullptr;
  modern::Button* disabled_button = nullptr;
  modern::Button* accent_button = nullptr;
  modern::CheckBox* checked_box = nullptr;
  modern::CheckBox* unchecked_box = nullptr;
  modern::Slider* slider_037 = nullptr;
  modern::MenuItem* checked_item = nullptr;
};

// Builds the gallery; hover and press states are set on the views themselves.
[[nodiscard]] WidgetGallery build_widget_gallery();

// The size the gallery is laid out at, in DIPs.
inline constexpr float gallery_width = 1000.0f;
inline constexpr float gallery_height = 660.0f;

}  // namespace win32_ui::gallery
