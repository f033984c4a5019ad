#pragma once

#include <windows.h>

namespace win32_ui::platform {

// Sent by a hosted native control to its parent when it receives keyboard focus; lparam is the
// control's window, so the parent can focus the view that hosts it.
inline constexpr UINT native_focus_message = WM_APP + 0x532;

// Sent by a hosted native control to its parent for every key and character message, so Tab,
// Escape and accelerators reach the view tree. The key travels by value (see pack_native_key): any
// program can send this number to our windows, so nothing in it may be a pointer. A parent that
// takes the key answers 1, and the control then swallows it.
inline constexpr UINT native_key_message = WM_APP + 0x533;

struct NativeKeyMessage {
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
};

// wparam: the key message's offset from WM_KEYFIRST above the low 16 bits of its wparam (a virtual
// key or a UTF-16 unit); lparam: its lparam (repeat count, scan code and flags) unchanged.
[[nodiscard]] inline WPARAM pack_native_key(UINT message, WPARAM wparam) noexcept {
  return static_cast<WPARAM>(((message - WM_KEYFIRST) & 0xFFu) << 16) | (wparam & 0xFFFFu);
}

[[nodiscard]] inline NativeKeyMessage unpack_native_key(WPARAM wparam, LPARAM lparam) noexcept {
  return NativeKeyMessage{WM_KEYFIRST + static_cast<UINT>((wparam >> 16) & 0xFFu), wparam & 0xFFFFu, lparam};
}

}  // namespace win32_ui::platform
