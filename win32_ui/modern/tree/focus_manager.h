#pragma once

#include <functional>
#include <vector>

#include "modern/tree/input_events.h"

namespace win32_ui::modern {

class View;

// Whether a view may hold keyboard focus where it hangs now: it can focus, and no ancestor is hidden
// or collapsed (a hidden group hides its whole subtree from focus, as from painting and hit-testing).
[[nodiscard]] bool can_hold_focus(const View& view);

// Whether `view` is `ancestor` or lies inside it.
[[nodiscard]] bool is_within(const View& view, const View& ancestor) noexcept;

// The views keyboard traversal visits, in tree (pre-)order: those that can focus; the subtree of a
// hidden or collapsed view is skipped whole.
[[nodiscard]] std::vector<View*> focus_candidates(View& root);

// Keeps the keyboard focus of one view tree for its host: which view holds it, whether the focus
// indication shows, and who is told when it moves. The host forwards its detach and interactivity
// notifications here so that focus never outlives the focused view's right to hold it.
class FocusManager {
 public:
  // Told after focus moved: the view that lost it, the one that gained it (either may be null).
  using Listener = std::function<void(View* lost, View* gained, FocusOrigin origin)>;

  [[nodiscard]] View* focused() const noexcept { return focused_; }
  // Whether the focus indication shows: focus last moved by the keyboard.
  [[nodiscard]] bool focus_visible() const noexcept { return focus_visible_; }
  void set_listener(Listener listener) { listener_ = std::move(listener); }

  // Moves focus to a view inside `root` that can hold it; returns whether it moved. Asking again for
  // the focused view only updates the focus indication.
  bool request_focus(View& root, View& view, FocusOrigin origin);

  // Takes focus away from the focused view, if any.
  void clear_focus(FocusOrigin origin);

  // A view left the tree: focus on it is dropped at once.
  void view_detached(View& view);

  // A view's focusability, enabled state or visibility changed: focus on it, or inside it, is dropped
  // when the focused view can no longer hold it.
  void interactivity_changed(View& view);

 private:
  View* focused_ = nullptr;
  bool focus_visible_ = false;
  Listener listener_;
};

}  // namespace win32_ui::modern
