#include "modern/tree/view_group.h"

#include <algorithm>
#include <stdexcept>

#include "modern/tree/dispatch_scope.h"

namespace win32_ui::modern {

ViewGroup::~ViewGroup() = default;

View* ViewGroup::add_child(std::unique_ptr<View> child) {
  if (child == nullptr) throw std::invalid_argument("modern View child must not be null");
  if (child->parent_ != nullptr) {
    // Its real owner is that parent: give the pointer back untouched rather than destroy it here.
    static_cast<void>(child.release());
    throw std::invalid_argument("modern View already belongs to a parent");
  }
  for (const View* ancestor = this; ancestor != nullptr; ancestor = ancestor->parent_) {
    if (ancestor == child.get()) {
      // The child is this group or one of its ancestors, owned elsewhere: a cycle would leak and loop.
      static_cast<void>(child.release());
      throw std::invalid_argument("modern View cannot be added inside its own subtree");
    }
  }
  View* const added = child.get();
  added->parent_ = this;
  added->attach_to_host(host());
  added->set_layout_parent(this);
  children_.push_back(std::move(child));
  invalidate_measure();
  if (host() != nullptr) {
    host()->invalidate_layout();
    host()->notify_semantics_changed();
  }
  return added;
}

void ViewGroup::clear_children() {
  pointer_captures_.clear();
  disallow_intercept_ = false;
  // Unlink first, so that nothing the detaching runs can reach the children through this group.
  std::vector<std::unique_ptr<View>> removed = std::move(children_);
  children_.clear();
  {
    const DispatchScope scope;
    for (const auto& child : removed) {
      child->parent_ = nullptr;
      child->set_layout_parent(nullptr);
      child->attach_to_host(nullptr);
    }
    for (auto& child : removed) DispatchScope::retire(std::move(child));
  }
  on_children_cleared();
  invalidate_measure();
  if (host() != nullptr) {
    host()->invalidate_layout();
    host()->notify_semantics_changed();
  }
}

View* ViewGroup::child_at(std::size_t index) const noexcept {
  return index < children_.size() ? children_[index].get() : nullptr;
}

bool ViewGroup::hit_test(layout::Point point, HitResult& result) {
  if (visibility() != layout::Visibility::visible) return false;
  if (clip_to_bounds()) {
    const layout::Point local = to_local(point);
    const layout::Rect rect = arranged_rect();
    if (!(local.x >= 0.0f && local.x < rect.width && local.y >= 0.0f && local.y < rect.height)) return false;
  }
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    if ((*it)->hit_test(point, result)) {
      result.path.insert(result.path.begin(), this);
      return true;
    }
  }
  return View::hit_test(point, result);
}

View* ViewGroup::captured_child(std::uint32_t pointer_id) const noexcept {
  for (const auto& [id, child] : pointer_captures_) {
    if (id == pointer_id) return child;
  }
  return nullptr;
}

void ViewGroup::drop_capture(std::uint32_t pointer_id) noexcept {
  std::erase_if(pointer_captures_, [pointer_id](const auto& entry) { return entry.first == pointer_id; });
}

bool ViewGroup::dispatch_pointer(PointerEvent& event) {
  const std::uint32_t pointer_id = event.pointer_id;
  if (event.action == PointerAction::down) {
    drop_capture(pointer_id);
    if (pointer_captures_.empty()) disallow_intercept_ = false;
  }

  const DispatchScope scope;
  View* const root_before = root_view();
  View* captured = captured_child(pointer_id);

  const bool may_intercept = !disallow_intercept_ && (event.action == PointerAction::down || captured != nullptr);
  if (may_intercept) {
    PointerEvent probe = event;
    probe.current_view = this;
    probe.local_position = to_local(event.position);
    const bool intercepted = intercept_pointer(probe);
    captured = captured_child(pointer_id);  // the hook may have changed the children
    if (intercepted) {
      if (captured != nullptr) {
        PointerEvent cancel = event;
        cancel.action = PointerAction::cancel;
        cancel.handled = false;
        captured->dispatch_pointer(cancel);
        drop_capture(pointer_id);
      }
      return root_view() == root_before && View::dispatch_pointer(event);
    }
  }

  bool handled = false;
  if (captured != nullptr) {
    handled = captured->dispatch_pointer(event);
  } else {
    if (event.action == PointerAction::down) {
      // Handlers may add or remove children: walk a snapshot, skip children that left this group,
      // and stop once this group itself left its tree.
      std::vector<View*> candidates;
      candidates.reserve(children_.size());
      for (const auto& child : children_) candidates.push_back(child.get());
      for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        if (root_view() != root_before) break;
        View* const child = *it;
        if (child->parent_ != this) continue;
        HitResult hit;
        if (child->hit_test(event.position, hit) && child->dispatch_pointer(event)) {
          // A child that removed itself while handling the press cannot hold the pointer.
          if (child->parent_ == this) pointer_captures_.emplace_back(pointer_id, child);
          handled = true;
          break;
        }
      }
    }
    if (!handled && root_view() == root_before) handled = View::dispatch_pointer(event);
  }

  if (event.action == PointerAction::up || event.action == PointerAction::cancel) {
    drop_capture(pointer_id);
    if (pointer_captures_.empty()) disallow_intercept_ = false;
  }
  return handled;
}

void ViewGroup::request_disallow_intercept(bool disallow) {
  disallow_intercept_ = disallow;
  View::request_disallow_intercept(disallow);
}

void ViewGroup::paint_children(PaintContext& context) {
  for (const auto& child : children_) paint_view(*child, context);
}

bool ViewGroup::intercept_pointer(PointerEvent&) { return false; }

void ViewGroup::on_descendant_focused(View&, FocusOrigin) {}

void ViewGroup::on_children_cleared() {}

}  // namespace win32_ui::modern
