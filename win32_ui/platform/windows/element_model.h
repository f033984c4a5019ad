#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "modern/surface.h"
#include "platform/windows/surface_geometry.h"

namespace win32_ui::platform::windows {

// The flat element model a surface shows while it has no view tree: hit testing, hover, press, focus
// ring, check boxes and sliders over a plain list of elements.
class ElementModel {
 public:
  // Sends an element's event with the command to invoke when nothing stops it.
  using Dispatch = std::function<void(modern::Event& event, std::optional<std::uint32_t> command)>;

  ElementModel(SurfaceGeometry& geometry, Dispatch dispatch);
  ElementModel(const ElementModel&) = delete;
  ElementModel& operator=(const ElementModel&) = delete;

  [[nodiscard]] const std::vector<modern::Element>& elements() const noexcept { return elements_; }
  // Replaces the elements; hover and press are forgotten, a focus past the end too.
  void set(std::vector<modern::Element> elements);
  // Forgets the elements with hover, press and focus (a tree took over).
  void clear() noexcept;
  // Forgets hover, press and focus (the surface let go of its window).
  void reset_state() noexcept;
  // Content height from the visible elements.
  void layout();

  // The topmost enabled interactive element at `position`, or -1.
  [[nodiscard]] int hit(layout::Point position) const;
  void activate(int index, modern::InputOrigin origin);
  void update_slider(int index, layout::Point position, modern::InputOrigin origin);

  // A mouse action at `position`; `others_captured` while pointers of the tree hold the capture.
  void pointer(modern::PointerAction action, layout::Point position, bool others_captured);
  void on_mouse_leave() noexcept { hover_index_ = -1; }
  void cancel_press() noexcept;
  // Tab through the interactive elements.
  void move_focus(bool back);
  // With focus nowhere, the first interactive element takes it.
  void focus_first();
  // Space, Enter and arrows on the focused element; true when handled.
  bool handle_key(const modern::KeyEvent& event, bool arrow);

 private:
  [[nodiscard]] bool valid(int index) const noexcept { return index >= 0 && index < static_cast<int>(elements_.size()); }
  void set_value(int index, float value, modern::InputOrigin origin);

  SurfaceGeometry& geometry_;
  Dispatch dispatch_;
  std::vector<modern::Element> elements_;
  int hover_index_ = -1;
  int pressed_index_ = -1;
  int focus_index_ = -1;
  // Whether a press on an element is held.
  bool pressed_ = false;
  bool focus_from_keyboard_ = false;
};

}  // namespace win32_ui::platform::windows
