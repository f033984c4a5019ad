#pragma once

#include <functional>
#include <memory>

#include "modern/tree/view.h"

namespace win32_ui::modern {
class Win32ComboBox;
class Win32Edit;
}  // namespace win32_ui::modern

namespace win32_ui::gallery {

// What the demo window shows: a bar with the palette switches, a few native controls, and the widget
// gallery below. `choose_dark` runs when the user picks a palette.
struct DemoContent {
  std::unique_ptr<modern::View> root;
  modern::View* native_row = nullptr;
  modern::Win32Edit* edit = nullptr;
  modern::Win32ComboBox* combo = nullptr;
};

[[nodiscard]] DemoContent build_demo_content(std::function<void(bool dark)> choose_dark);

// The demo window's client size in DIPs: the gallery and the bar above it.
inline constexpr float demo_width = 1020.0f;
inline constexpr float demo_height = 720.0f;

}  // namespace win32_ui::gallery
