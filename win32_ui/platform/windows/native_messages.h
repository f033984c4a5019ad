#pragma once

#include <windows.h>

namespace win32_ui::platform {

// Sent by a hosted native control to its parent when it receives keyboard focus; lparam is the
// control's window, so the parent can focus the view that hosts it.
inline constexpr UINT native_focus_message = WM_APP + 0x532;

// Sent by a hosted native control to its parent for every key and character message, so Tab,
// Escape and accelerators reach the view tree; lparam points to a NativeKeyMessage. A parent that
// sets `handled` swallows the message.
inline constexpr UINT native_key_message = WM_APP + 0x533;

struct NativeKeyMessage {
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  bool handled = false;
};

}  // namespace win32_ui::platform
