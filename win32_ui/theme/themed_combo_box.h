#pragma once

#include <windows.h>

#include "theme/palette.h"

namespace win32_ui::modern {

// How a themed combo box lays out its field and list; lengths in DIPs.
struct ThemedComboOptions {
  float left_padding = 8.0f;
  float right_padding = 4.0f;
  float arrow_area_width = 24.0f;
  float corner_radius = 6.0f;
  float list_item_height = 0.0f;  // 0 keeps the control's own list item height
  float list_item_text_padding = 8.0f;
};

// The subclass id of themed combo boxes.
inline constexpr UINT_PTR themed_combo_subclass_id = 0x57494342;

// Paints a combo box's selection field itself (rounded field, drop-down arrow, current text) in
// the palette's colours and sizes its items for its dpi. Called again, it replaces palette and
// options. False when the window cannot be subclassed.
bool apply_themed_combo_box(HWND combo, const Palette& palette, const ThemedComboOptions& options);

// Draws one item of a themed owner-drawn (CBS_OWNERDRAWFIXED) combo box for its parent's
// WM_DRAWITEM; false when the control is not themed, so the caller draws it.
bool draw_themed_combo_item(const DRAWITEMSTRUCT& item);

}  // namespace win32_ui::modern
