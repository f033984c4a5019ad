#pragma once

#include "ui/graphics/image.h"

typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

namespace orvane::app {

// One icon in the two variants the palettes need.
struct IconPair {
  win32_ui::ui::graphics::Image light;  // for light backgrounds
  win32_ui::ui::graphics::Image dark;   // for dark backgrounds
};

// The tinted icons of the header buttons, the section headers and the empty preview.
struct UiResources {
  IconPair open;             // folder
  IconPair export_image;     // picture with an arrow leaving it
  IconPair theme;            // half sun, half moon
  IconPair language;         // globe
  IconPair help;             // "i" in a circle
  IconPair watermark;        // letter T with a drop
  IconPair layout;           // focus frame with a dot
  IconPair export_settings;  // picture with a gear
  IconPair picture;          // picture: the preview's placeholder
};

// Cuts and tints every icon from the icon sheet resource of `module`. A missing or undecodable
// sheet leaves every icon empty. COM must be initialised on the calling thread.
[[nodiscard]] UiResources load_icons(HMODULE module);

}  // namespace orvane::app
