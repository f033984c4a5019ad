#pragma once

#include <cstdint>
#include <string>

#include "layout/geometry.h"

namespace win32_ui::modern {
struct Event;
struct Palette;
}  // namespace win32_ui::modern

namespace win32_ui::platform {

// What the surface hands a native control with each create, attach and update. Null members leave
// that part of the control as it is.
struct NativeViewConfiguration {
  const modern::Palette* palette = nullptr;
  std::uint64_t palette_generation = 0;
  const std::wstring* text = nullptr;
  int text_mode = 0;
  bool right_to_left = false;
};

// Where a native control goes after a layout or scroll. Rectangles are DIPs in window client
// coordinates (the scroll offset already taken off); `scale` is the surface's whole DIP-to-pixel
// factor (dpi / 96 times its UI scale), so controls line up with what the surface paints.
struct NativeViewGeometry {
  layout::Rect rect{};
  layout::Rect viewport{};
  float scale = 1.0f;
  bool shown = true;
};

// A message a native control sent its parent (WM_COMMAND or WM_NOTIFY).
struct NativeNotification {
  std::uint32_t message = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
};

// The platform side of a native host view: it creates, places, themes and destroys one child window.
// Window handles travel as opaque pointers so the view tree stays free of platform headers.
class NativeViewPeer {
 public:
  virtual ~NativeViewPeer() = default;

  [[nodiscard]] virtual std::uint32_t capabilities() const = 0;

  // The child window, or null when there is none (or it died).
  [[nodiscard]] virtual void* native_window() const = 0;

  // Makes the control under `parent`; with a live control only applies the configuration and answers
  // whether the control already hangs from `parent`.
  virtual bool create(void* parent, const NativeViewConfiguration& configuration) = 0;

  // Adopts an existing window instead of making one; it is not destroyed on detach.
  virtual bool attach(void* window, int id, const NativeViewConfiguration& configuration) = 0;

  // Destroys (or lets go of) the control.
  virtual void detach() = 0;

  virtual void update(const NativeViewConfiguration& configuration) = 0;

  virtual void place(const NativeViewGeometry& geometry) = 0;

  // Turns a notification from the control into an event; false when it means nothing to the tree.
  virtual bool translate(const NativeNotification& notification, modern::Event& event) = 0;
};

}  // namespace win32_ui::platform
