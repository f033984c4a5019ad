#pragma once

#include <windows.h>

#include "theme/palette.h"

namespace win32_ui::modern {

// How a themed edit control sits in its field; lengths in DIPs.
struct ThemedEditOptions {
  float left_margin = 0.0f;
  float right_margin = 0.0f;
  float corner_radius = 0.0f;
  bool center_vertically = false;
};

// The subclass id of themed edit controls.
inline constexpr UINT_PTR themed_edit_subclass_id = 0x57494544;

// Gives an edit control the palette's flat rounded field: its own border drawn in the control
// border colour (accent while focused), padding and margins scaled to its dpi. Called again, it
// replaces palette and options. False when the window cannot be subclassed.
bool apply_themed_edit(HWND edit, const Palette& palette, const ThemedEditOptions& options);

}  // namespace win32_ui::modern
