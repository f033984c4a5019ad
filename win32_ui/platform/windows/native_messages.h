#pragma once

#include <windows.h>

namespace win32_ui::platform {

// Sent by a hosted native control to its surface window when it receives focus (lparam: the control).
constexpr UINT native_focus_message = WM_APP + 0x532;

// Sent by a hosted native control with a key message for the view tree (lparam: NativeKeyMessage*);
// the control swallows the key when the surface marks it handled.
constexpr UINT native_key_message = WM_APP + 0x533;

struct NativeKeyMessage {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  bool handled;
};

}  // namespace win32_ui::platform
