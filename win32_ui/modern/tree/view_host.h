#pragma once

#include "layout/geometry.h"
#include "modern/tree/input_events.h"

namespace win32_ui::ui::animation {
class AnimationClock;
}

namespace win32_ui::modern {

class View;

// What a view tree asks of the root it hangs from.
class ViewHost {
 public:
  virtual ~ViewHost() = default;

  // Repaints a rectangle in host DIPs; a non-finite one means everything, an empty one nothing.
  virtual void invalidate(const layout::Rect& rect) = 0;

  virtual void invalidate_all() = 0;

  // Asks for a layout pass before the next paint.
  virtual void invalidate_layout() = 0;

  // Asks for a layout pass that repaints `changed` (host DIPs) and whatever the pass moves or resizes
  // rather than everything: a view whose content changed its size. The default repaints everything.
  virtual void invalidate_layout_of(const layout::Rect& changed) {
    static_cast<void>(changed);
    invalidate_layout();
  }

  // Tells accessibility that names, states or structure may have changed.
  virtual void notify_semantics_changed() = 0;

  // Propagates a semantic event through the tree.
  virtual void dispatch_event(Event& event) = 0;

  // The tree's animation clock; may be null.
  virtual ui::animation::AnimationClock* animation_clock() = 0;

  // Moves keyboard focus to the view; returns whether focus moved.
  virtual bool request_focus(View& view, FocusOrigin origin) = 0;

  // A view left the tree (its subtree is told view by view): drop every pointer kept to it (focus,
  // hover paths, pointer capture), since it is destroyed once the current dispatch returns.
  virtual void notify_view_detached(View& view) = 0;

  // A view's focusability, pointer acceptance, enabled state or visibility changed: drop focus at once
  // when the focused view (this one or one inside it) can no longer hold it.
  virtual void notify_interactivity_changed(View& view) = 0;
};

}  // namespace win32_ui::modern
