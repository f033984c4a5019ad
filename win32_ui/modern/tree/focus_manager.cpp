#include "modern/tree/focus_manager.h"

#include "modern/tree/view_group.h"

namespace win32_ui::modern {
namespace {

void collect(View& view, std::vector<View*>& out) {
  if (view.visibility() != layout::Visibility::visible) return;
  if (view.can_focus()) out.push_back(&view);
  if (const auto* group = dynamic_cast<const ViewGroup*>(&view)) {
    for (const auto& child : group->children()) collect(*child, out);
  }
}

}  // namespace

bool can_hold_focus(const View& view) {
  if (!view.can_focus()) return false;
  for (const View* ancestor = view.parent(); ancestor != nullptr; ancestor = ancestor->parent()) {
    if (ancestor->visibility() != layout::Visibility::visible) return false;
  }
  return true;
}

bool is_within(const View& view, const View& ancestor) noexcept {
  for (const View* node = &view; node != nullptr; node = node->parent()) {
    if (node == &ancestor) return true;
  }
  return false;
}

std::vector<View*> focus_candidates(View& root) {
  std::vector<View*> candidates;
  collect(root, candidates);
  return candidates;
}

bool FocusManager::request_focus(View& root, View& view, FocusOrigin origin) {
  if (!is_within(view, root) || !can_hold_focus(view)) return false;
  focus_visible_ = origin == FocusOrigin::keyboard;
  if (focused_ == &view) return true;
  View* const lost = focused_;
  focused_ = &view;
  if (lost != nullptr) lost->set_focused(false);
  view.set_focused(true);
  for (ViewGroup* ancestor = view.parent(); ancestor != nullptr && focused_ == &view; ancestor = ancestor->parent()) {
    ancestor->on_descendant_focused(view, origin);
  }
  if (listener_) listener_(lost, &view, origin);
  return true;
}

void FocusManager::clear_focus(FocusOrigin origin) {
  if (focused_ == nullptr) return;
  View* const lost = focused_;
  focused_ = nullptr;
  focus_visible_ = false;
  lost->set_focused(false);
  if (listener_) listener_(lost, nullptr, origin);
}

void FocusManager::view_detached(View& view) {
  if (focused_ != &view) return;
  // The view already forgot its focus when it left the host; only the listener is told.
  focused_ = nullptr;
  focus_visible_ = false;
  if (listener_) listener_(&view, nullptr, FocusOrigin::programmatic);
}

void FocusManager::interactivity_changed(View& view) {
  if (focused_ == nullptr || !is_within(*focused_, view) || can_hold_focus(*focused_)) return;
  clear_focus(FocusOrigin::programmatic);
}

}  // namespace win32_ui::modern
