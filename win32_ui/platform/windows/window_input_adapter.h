#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_set>

#include "modern/surface.h"
#include "platform/surface_interfaces.h"
#include "platform/windows/surface_geometry.h"

namespace win32_ui::modern {
class CommandRegistry;
}

namespace win32_ui::platform::windows {

class ElementModel;

// Turns a surface window's mouse, pointer and key messages into the tree's events (or the flat element
// model's actions while there is no tree), and holds the mouse capture while views handle presses.
class WindowInputAdapter final : public InputAdapter {
 public:
  // Scrolls the surface by wheel notches; false when it could not move.
  using Scroll = std::function<bool(float notches)>;

  WindowInputAdapter(modern::ViewRoot& root, const SurfaceGeometry& geometry, ElementModel& elements, Scroll scroll);
  ~WindowInputAdapter() override = default;
  WindowInputAdapter(const WindowInputAdapter&) = delete;
  WindowInputAdapter& operator=(const WindowInputAdapter&) = delete;

  void set_commands(const modern::CommandRegistry* commands) noexcept { commands_ = commands; }
  void set_pointer_info_source(modern::PointerInfoSource source) { pointer_source_ = std::move(source); }
  // Lets go of the capture and forgets every pointer (the surface lets go of its window).
  void detach();
  // Forgets every pointer; the window went or the tree was replaced.
  void forget_pointers() noexcept;

  // --- routing into the tree

  modern::PointerDispatch dispatch_pointer(modern::PointerAction action, layout::Point position, std::uint32_t buttons,
                                           float wheel, std::uint32_t pointer_id, modern::PointerDevice device,
                                           float horizontal, modern::View* target);
  bool dispatch_key(UINT message, WPARAM wparam, LPARAM lparam);
  // Routes `event`, then invokes `command` unless a handler stopped it.
  void dispatch_event(modern::Event& event, std::optional<std::uint32_t> command);
  // What the tree left of a key press: Tab, the context menu keys, arrows between views.
  bool handle_unhandled_key(modern::KeyEvent& event);

  // --- window messages

  void on_mouse_move(WPARAM wparam, LPARAM lparam);
  void on_button(UINT message, WPARAM wparam, LPARAM lparam);
  // WM_MOUSEWHEEL and WM_MOUSEHWHEEL; false when nothing took a horizontal wheel.
  bool on_wheel(UINT message, WPARAM wparam, LPARAM lparam);
  void on_capture_changed(LPARAM lparam);
  void on_pointer_message(UINT message, WPARAM wparam);
  void on_mouse_leave();
  void on_kill_focus();
  // The key a hosted control passed on; true when the tree took it.
  bool on_native_key(WPARAM wparam, LPARAM lparam);
  void on_context_menu(LPARAM lparam);
  // WM_SETCURSOR over the client area: true when a view asked for its own cursor.
  bool set_cursor();

  // --- InputAdapter

  bool capture_pointer(std::uint32_t pointer_id) override;
  void release_pointer(std::uint32_t pointer_id) override;

 private:
  modern::ViewRoot& root_;
  const SurfaceGeometry& geometry_;
  ElementModel& elements_;
  Scroll scroll_;
  const modern::CommandRegistry* commands_ = nullptr;
  modern::PointerInfoSource pointer_source_;
  // Touch and pen pointers held down in the window; they keep their capture until released.
  std::unordered_set<std::uint32_t> pointers_down_;
  // Pointers a view captured.
  std::unordered_set<std::uint32_t> captured_;
  // Whether WM_MOUSELEAVE is asked for.
  bool tracking_armed_ = false;
  // The last key down the tree took, so its character and release are taken too.
  UINT last_handled_key_ = 0;
};

}  // namespace win32_ui::platform::windows
