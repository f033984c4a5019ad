#pragma once

#include <memory>

#include "layout/geometry.h"
#include "modern/tree/view_group.h"

namespace win32_ui::modern {

// Shows one child that may be taller than the panel through a vertical window. The wheel, keyboard
// focus moving onto a hidden descendant and a thin bar at the right edge move the window; the child
// keeps its whole desired height. Without overflow the panel is invisible.
class ScrollPanel : public ViewGroup {
 public:
  ScrollPanel();

  // Replaces the content; returns the content as added.
  View* set_content(std::unique_ptr<View> content);
  [[nodiscard]] View* content() const noexcept;

  // The most height the panel asks of its parent (unbounded: the content's whole height). A panel
  // that should take only what its parent has left, as in a window that never scrolls as a whole,
  // asks for 0.
  ScrollPanel& set_requested_height(float height);
  [[nodiscard]] float requested_height() const noexcept { return requested_height_; }

  [[nodiscard]] float offset() const noexcept { return offset_; }
  [[nodiscard]] float extent() const noexcept { return extent_; }
  [[nodiscard]] float viewport_height() const noexcept { return viewport_height_; }
  [[nodiscard]] float max_offset() const noexcept;
  [[nodiscard]] bool overflows() const noexcept { return max_offset() > 0.0f; }

  // Clamped to the content; returns whether the window moved.
  bool scroll_to(float offset);
  bool scroll_by(float delta);
  // Moves the window the least distance that shows `rect` (host DIPs), its top first when it is taller.
  bool reveal(const layout::Rect& rect);

  // The bar's track and thumb in host DIPs (empty without overflow).
  [[nodiscard]] layout::Rect bar_track() const noexcept;
  [[nodiscard]] layout::Rect bar_thumb() const noexcept;

  bool on_pointer(PointerEvent& event) override;
  void paint_foreground(PaintContext& context) override;
  void on_descendant_focused(View& descendant, FocusOrigin origin) override;

  // Width kept free for the bar at the right edge while the content overflows.
  static constexpr float bar_gutter = 10.0f;
  // How far one wheel notch moves the window.
  static constexpr float wheel_step = 48.0f;

 protected:
  layout::Size measure_content(const layout::Constraints& available, layout::LayoutContext& context) override;
  void arrange_content(const layout::Rect& content, layout::LayoutContext& context) override;

 private:
  void offset_changed();

  float requested_height_ = layout::unbounded;
  float offset_ = 0.0f;
  float extent_ = 0.0f;
  float viewport_height_ = 0.0f;
  layout::Rect viewport_{};
  // While the thumb is dragged: where the press was and the offset then.
  bool dragging_ = false;
  float drag_start_y_ = 0.0f;
  float drag_start_offset_ = 0.0f;
};

}  // namespace win32_ui::modern
