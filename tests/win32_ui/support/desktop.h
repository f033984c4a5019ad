#pragma once

// Real windows and real input for toolkit tests: a plain top-level window, a message pump, input
// injected through SendInput as a user would give it, window pictures, and handle counts.

#include <windows.h>

#include <functional>
#include <string>

#include "test_support.h"

namespace desktop {

// A visible, activated top-level window with a given client size, whose procedure is the default one
// (a surface subclasses it). Destroyed with the object.
class TestWindow {
 public:
  TestWindow(int client_width, int client_height, int x = 120, int y = 90, const wchar_t* title = L"test");
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  [[nodiscard]] HWND hwnd() const noexcept { return window_; }
  // Destroys the window now (as closing it would).
  void destroy();

 private:
  HWND window_ = nullptr;
};

// Dispatches messages for a while (translating keys, as a message loop does).
void pump(int milliseconds);
// Dispatches messages until the condition holds or the time is up; returns the condition.
bool pump_until(const std::function<bool()>& condition, int timeout_milliseconds = 2000);

// Input through SendInput; positions are client pixels of `window`. Each call pumps messages after it.
void move_mouse(HWND window, POINT client);
void click(HWND window, POINT client);
void right_click(HWND window, POINT client);
// Two clicks in one go, as a double click.
void double_click(HWND window, POINT client);
// Presses at `from`, moves to `to` and releases, all queued at once: a system move or size loop started
// by the press finds the rest of the gesture waiting.
void drag(HWND window, POINT from, POINT to);
void wheel(HWND window, POINT client, int notches);
// Presses and releases a virtual key, with Shift/Control/Alt held when asked.
void press_key(WORD virtual_key, bool shift = false, bool control = false, bool alt = false);
// Types text as Unicode characters.
void type_text(const std::wstring& text);

// What the window's client area shows now.
[[nodiscard]] orvane::test::Pixels capture_client(HWND window);

// Live GDI objects of this process (the system's count, or Wine's handle table where that count is 0).
[[nodiscard]] int gdi_object_count();
// Windows (with their children) that belong to this thread.
[[nodiscard]] int thread_window_count();

}  // namespace desktop
