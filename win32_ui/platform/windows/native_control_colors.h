#pragma once

#include <windows.h>

namespace win32_ui::modern {
struct Palette;
}

namespace win32_ui::platform {

// Answers a parent's WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX or WM_CTLCOLORSTATIC for a hosted control:
// sets the palette's text colour (disabled text for a disabled control) and field background on
// `dc`, opaque. False, with `dc` untouched, when `control` is neither a direct child of `parent` nor
// the drop-down list of one of its combo boxes. On true the parent returns its field-background brush.
bool set_native_control_colors(HWND parent, HWND control, HDC dc, const modern::Palette& palette) noexcept;

}  // namespace win32_ui::platform
