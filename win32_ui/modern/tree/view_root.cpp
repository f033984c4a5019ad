#include "modern/tree/view_root.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "layout/layout_node.h"
#include "modern/tree/dispatch_scope.h"
#include "modern/tree/event_propagation.h"
#include "modern/tree/view_group.h"

namespace win32_ui::modern {

namespace {

// The views under a point, outermost first, the deepest last; empty when nothing is hit.
std::vector<View*> hit_path(View& root, layout::Point point) {
  HitResult hit;
  if (!root.hit_test(point, hit) || hit.view == nullptr) return {};
  std::vector<View*> path = std::move(hit.path);
  if (path.empty() || path.back() != hit.view) path.push_back(hit.view);
  return path;
}

// Delivers a pointer event to one view alone: groups would pass it on to a child holding the pointer.
bool deliver_to(View& view, PointerEvent& event) { return view.View::dispatch_pointer(event); }

struct Centre {
  float x;
  float y;
};

Centre centre_of(const layout::Rect& r) { return Centre{r.x + r.width / 2.0f, r.y + r.height / 2.0f}; }

bool overlaps(float a0, float a1, float b0, float b1) { return a0 < b1 && b0 < a1; }

}  // namespace

View* choose_directional(const std::vector<View*>& candidates, const View& from, FocusDirection direction) {
  const layout::Rect f = from.arranged_rect();
  const Centre fc = centre_of(f);
  View* best = nullptr;
  bool best_aligned = false;
  float best_score = 0.0f;
  float best_gap = 0.0f;
  for (View* candidate : candidates) {
    if (candidate == &from) continue;
    const layout::Rect c = candidate->arranged_rect();
    const Centre cc = centre_of(c);
    bool in_direction = false;
    bool aligned = false;
    float gap = 0.0f;
    float cross = 0.0f;
    switch (direction) {
      case FocusDirection::left:
        in_direction = cc.x < fc.x;
        aligned = overlaps(c.y, c.y + c.height, f.y, f.y + f.height);
        gap = f.x - (c.x + c.width);
        cross = std::fabs(cc.y - fc.y);
        break;
      case FocusDirection::right:
        in_direction = cc.x > fc.x;
        aligned = overlaps(c.y, c.y + c.height, f.y, f.y + f.height);
        gap = c.x - (f.x + f.width);
        cross = std::fabs(cc.y - fc.y);
        break;
      case FocusDirection::up:
        in_direction = cc.y < fc.y;
        aligned = overlaps(c.x, c.x + c.width, f.x, f.x + f.width);
        gap = f.y - (c.y + c.height);
        cross = std::fabs(cc.x - fc.x);
        break;
      case FocusDirection::down:
        in_direction = cc.y > fc.y;
        aligned = overlaps(c.x, c.x + c.width, f.x, f.x + f.width);
        gap = c.y - (f.y + f.height);
        cross = std::fabs(cc.x - fc.x);
        break;
      default:
        return nullptr;
    }
    if (!in_direction) continue;
    gap = std::max(gap, 0.0f);
    const float score = 13.0f * gap * gap + cross * cross;
    // Candidates come in tree order, so a tie keeps the earlier one.
    const bool better = best == nullptr || (aligned && !best_aligned) ||
                        (aligned == best_aligned && (score < best_score || (score == best_score && gap < best_gap)));
    if (better) {
      best = candidate;
      best_aligned = aligned;
      best_score = score;
      best_gap = gap;
    }
  }
  return best;
}

// Counts nested routing so that a root replaced by a handler waits for the outermost routing to return;
// the dispatch scope keeps views removed meanwhile alive until then.
class ViewRoot::RoutingScope {
 public:
  explicit RoutingScope(ViewRoot& owner) : owner_(owner) { ++owner_.routing_depth_; }
  ~RoutingScope() {
    if (--owner_.routing_depth_ == 0) owner_.apply_pending_root();
  }
  RoutingScope(const RoutingScope&) = delete;
  RoutingScope& operator=(const RoutingScope&) = delete;

 private:
  DispatchScope dispatch_;
  ViewRoot& owner_;
};

ViewRoot::ViewRoot() {
  clock_.set_frame_request([this] {
    if (scheduler_ != nullptr) scheduler_->request_frame();
  });
}

ViewRoot::~ViewRoot() {
  // Take the tree down while this host still answers its detach notifications.
  if (root_ != nullptr) {
    std::unique_ptr<View> old = std::move(root_);
    old->attach_to_host(nullptr);
  }
  pending_root_.reset();
}

void ViewRoot::set_root(std::unique_ptr<View> root) {
  // A handler that replaces the tree it runs in gets its way once routing on the old one has finished.
  pending_root_ = std::move(root);
  root_pending_ = true;
  if (routing_depth_ == 0) apply_pending_root();
}

void ViewRoot::apply_pending_root() {
  // Taking the old tree down sends it cancels, whose handlers may ask for yet another tree: the loop
  // takes the last one asked for instead of replacing the root from inside a replacement.
  if (applying_root_) return;
  applying_root_ = true;
  while (root_pending_) {
    root_pending_ = false;
    apply_root(std::move(pending_root_));
  }
  applying_root_ = false;
}

void ViewRoot::apply_root(std::unique_ptr<View> root) {
  // 1. Drop everything kept about the old tree while it is still whole.
  cancel_pointers();
  focus_.clear_focus(FocusOrigin::programmatic);
  // 2. Detach it: every view forgets this host and reports itself gone.
  std::unique_ptr<View> old = std::move(root_);
  if (old != nullptr) old->attach_to_host(nullptr);
  hover_paths_.clear();
  captures_.clear();
  // 3. Destroy it, later if a delivery elsewhere still walks it.
  DispatchScope::retire(std::move(old));
  // 4. Take the new tree.
  root_ = std::move(root);
  if (root_ != nullptr) root_->attach_to_host(this);
  ++content_generation_;
  layout_needed_ = true;
  whole_dirty_ = true;
  if (root_listener_) root_listener_();
  changed();
  if (scheduler_ != nullptr) scheduler_->invalidate(true);
}

View* ViewRoot::hovered(std::uint32_t pointer_id) const {
  const auto found = hover_paths_.find(pointer_id);
  return found == hover_paths_.end() || found->second.empty() ? nullptr : found->second.back();
}

View* ViewRoot::captured(std::uint32_t pointer_id) const {
  const auto found = captures_.find(pointer_id);
  return found == captures_.end() ? nullptr : found->second;
}

void ViewRoot::clear_dirty() noexcept {
  dirty_ = layout::Rect{};
  whole_dirty_ = false;
}

namespace {

template <typename Visit>
void for_each_view(const View& view, const Visit& visit) {
  visit(view);
  if (const auto* group = dynamic_cast<const ViewGroup*>(&view)) {
    for (const auto& child : group->children()) for_each_view(*child, visit);
  }
}

}  // namespace

void ViewRoot::layout(layout::Size viewport, layout::LayoutContext& context) {
  layout_needed_ = false;
  if (root_ == nullptr) return;
  const RoutingScope scope(*this);
  // A pass that views asked for repaints only what it moves: each view where it was and where it
  // lands. A pass with everything to repaint anyway needs no record.
  std::unordered_map<const View*, layout::Rect> before;
  const bool partial = !whole_dirty_;
  if (partial) for_each_view(*root_, [&](const View& view) { before.emplace(&view, view.own_visual_bounds()); });
  layout::run_layout_pass(*root_, viewport, context);
  if (partial && root_ != nullptr) {
    for_each_view(*root_, [&](const View& view) {
      const layout::Rect now = view.own_visual_bounds();
      const auto was = before.find(&view);
      if (was != before.end() && was->second == now) return;
      if (was != before.end()) invalidate(was->second);
      invalidate(now);
    });
  }
  View* const focused = focus_.focused();
  if (focused != nullptr && (!is_within(*focused, *root_) || !can_hold_focus(*focused))) {
    focus_.clear_focus(FocusOrigin::programmatic);
  }
}

// --- pointer routing

bool ViewRoot::route_pointer(PointerEvent& event) {
  if (root_ == nullptr) return false;
  const RoutingScope scope(*this);
  View* const root = root_.get();
  const std::uint32_t id = event.pointer_id;
  const bool hovers = event.device != PointerDevice::touch;
  switch (event.action) {
    case PointerAction::down: {
      const bool handled = root->dispatch_pointer(event);
      if (handled && event.target != nullptr && event.target->host() == this) {
        captures_[id] = event.target;
        if (input_ != nullptr) input_->capture_pointer(id);
      }
      return handled;
    }
    case PointerAction::move: {
      if (hovers) update_hover(event);
      View* const holder = captured(id);
      if (holder != nullptr) {
        event.target = holder;
        return holder->dispatch_pointer(event);
      }
      if (!hovers) {
        const std::vector<View*> path = hit_path(*root, event.position);
        return !path.empty() && path.back()->dispatch_pointer(event);
      }
      View* const deepest = hovered(id);
      return deepest != nullptr && deepest->dispatch_pointer(event);
    }
    case PointerAction::up:
    case PointerAction::cancel: {
      const bool handled = root->dispatch_pointer(event);
      release_capture(id);
      return handled;
    }
    case PointerAction::wheel: {
      const std::vector<View*> path = hit_path(*root, event.position);
      for (auto it = path.rbegin(); it != path.rend(); ++it) {
        if ((*it)->host() != this) continue;  // removed by an earlier handler
        if (deliver_to(**it, event)) return true;
      }
      return false;
    }
    case PointerAction::enter:
      if (hovers) update_hover(event);
      return false;
    case PointerAction::leave:
      if (hovers) clear_hover(id, event);
      return false;
    case PointerAction::context_menu:
      return route_context_menu(event);
  }
  return false;
}

void ViewRoot::update_hover(PointerEvent& event) {
  const std::uint32_t id = event.pointer_id;
  std::vector<View*> fresh = hit_path(*root_, event.position);
  std::vector<View*> old = hover_paths_[id];
  std::size_t common = 0;
  while (common < old.size() && common < fresh.size() && old[common] == fresh[common]) ++common;
  hover_paths_[id] = fresh;

  PointerEvent notice = event;
  notice.handled = false;
  notice.target = nullptr;
  // Leave deepest first, then enter outermost first; a handler may detach views, which drops them from
  // the stored path, so each view is checked against the tree before it is told.
  notice.action = PointerAction::leave;
  for (std::size_t i = old.size(); i > common; --i) {
    View* const view = old[i - 1];
    if (view->host() == this) deliver_to(*view, notice);
  }
  notice.action = PointerAction::enter;
  for (std::size_t i = common; i < fresh.size(); ++i) {
    View* const view = fresh[i];
    if (view->host() == this) deliver_to(*view, notice);
  }
}

void ViewRoot::clear_hover(std::uint32_t pointer_id, const PointerEvent& template_event) {
  const auto found = hover_paths_.find(pointer_id);
  if (found == hover_paths_.end()) return;
  const std::vector<View*> old = std::move(found->second);
  hover_paths_.erase(found);
  PointerEvent notice = template_event;
  notice.action = PointerAction::leave;
  notice.handled = false;
  for (auto it = old.rbegin(); it != old.rend(); ++it) {
    if ((*it)->host() == this) deliver_to(**it, notice);
  }
}

void ViewRoot::release_capture(std::uint32_t pointer_id) {
  if (captures_.erase(pointer_id) != 0 && input_ != nullptr) input_->release_pointer(pointer_id);
}

void ViewRoot::cancel_pointers() {
  if (root_ != nullptr && !captures_.empty()) {
    const RoutingScope scope(*this);
    std::vector<std::uint32_t> ids;
    for (const auto& entry : captures_) ids.push_back(entry.first);
    for (const std::uint32_t id : ids) {
      if (captures_.count(id) == 0) continue;
      PointerEvent cancel;
      cancel.action = PointerAction::cancel;
      cancel.pointer_id = id;
      root_->dispatch_pointer(cancel);
      release_capture(id);
    }
  }
  for (const auto& entry : captures_) {
    if (input_ != nullptr) input_->release_pointer(entry.first);
  }
  captures_.clear();
}

bool ViewRoot::route_context_menu(PointerEvent& event) {
  std::vector<View*> chain;
  if (event.device == PointerDevice::keyboard) {
    for (View* view = event.target; view != nullptr; view = view->parent()) chain.push_back(view);
  } else {
    const std::vector<View*> path = hit_path(*root_, event.position);
    chain.assign(path.rbegin(), path.rend());
  }
  event.target = nullptr;
  for (View* view : chain) {
    if (view->host() != this) continue;
    if (view->dispatch_context_request(event)) return true;
  }
  return false;
}

// --- keys and events

bool ViewRoot::route_key(KeyEvent& event) {
  const RoutingScope scope(*this);
  if (accelerators_ != nullptr && commands_ != nullptr) {
    if (const Accelerator* entry = accelerators_->match(event)) {
      const std::uint32_t command = entry->command_id;
      if (commands_->invoke(command) != CommandOutcome::unknown) {
        event.handled = true;
        return true;
      }
    }
  }
  View* const focused = focus_.focused();
  if (focused == nullptr || root_ == nullptr) {
    if (event.default_prevented || !key_fallback_) return false;
    event.handled = key_fallback_(event);
    return event.handled;
  }
  event.target = focused;
  propagate_key(event, [this](KeyEvent& key) {
    if (key_fallback_ && key_fallback_(key)) key.handled = true;
  });
  return event.handled;
}

bool ViewRoot::route_event(Event& event, const std::function<void(Event&)>& completion) {
  const RoutingScope scope(*this);
  if (event.source == nullptr || event.source->host() != this) {
    if (completion) completion(event);
  } else {
    propagate_event(event, [&](Event& e) {
      if (completion) completion(e);
    });
  }
  const bool handled = event.propagation_stopped;
  if (!handled && commands_ != nullptr && event.source != nullptr && event.command_id != 0 &&
      commands_->knows(event.command_id)) {
    commands_->invoke(event.command_id);
  }
  if (event_hook_) event_hook_(event, handled);
  return handled;
}

void ViewRoot::dispatch_event(Event& event) { route_event(event); }

// --- focus

bool ViewRoot::move_focus(FocusDirection direction, FocusOrigin origin) {
  // While a root is being applied the tree here is the outgoing one: clearing its focus gives the
  // window native focus, whose echo asks for a first view, and that view would be about to go.
  if (root_ == nullptr || applying_root_) return false;
  const RoutingScope scope(*this);
  const std::vector<View*> candidates = focus_candidates(*root_);
  if (candidates.empty()) return false;
  View* const focused = focus_.focused();
  const auto at = focused == nullptr ? candidates.end() : std::find(candidates.begin(), candidates.end(), focused);
  View* target = nullptr;
  switch (direction) {
    case FocusDirection::next:
      target = at == candidates.end() ? candidates.front()
                                      : (at + 1 == candidates.end() ? candidates.front() : *(at + 1));
      break;
    case FocusDirection::previous:
      target = at == candidates.end() ? candidates.back() : (at == candidates.begin() ? candidates.back() : *(at - 1));
      break;
    default:
      target = focused == nullptr ? candidates.front() : choose_directional(candidates, *focused, direction);
      break;
  }
  if (target == nullptr) return false;
  return focus_.request_focus(*root_, *target, origin);
}

bool ViewRoot::request_focus(View& view, FocusOrigin origin) {
  if (root_ == nullptr || view.host() != this) return false;
  return focus_.request_focus(*root_, view, origin);
}

void ViewRoot::notify_view_detached(View& view) {
  focus_.view_detached(view);
  for (auto& [id, path] : hover_paths_) {
    const auto found = std::find(path.begin(), path.end(), &view);
    if (found != path.end()) path.erase(found, path.end());
  }
  for (auto it = captures_.begin(); it != captures_.end();) {
    if (it->second == &view) {
      if (input_ != nullptr) input_->release_pointer(it->first);
      it = captures_.erase(it);
    } else {
      ++it;
    }
  }
  if (detach_listener_) detach_listener_(view);
  changed();
}

void ViewRoot::notify_interactivity_changed(View& view) { focus_.interactivity_changed(view); }

// --- invalidation

void ViewRoot::invalidate(const layout::Rect& rect) {
  if (!std::isfinite(rect.x) || !std::isfinite(rect.y) || !std::isfinite(rect.width) || !std::isfinite(rect.height)) {
    invalidate_all();
    return;
  }
  if (rect.width <= 0.0f || rect.height <= 0.0f) return;
  if (dirty_.width <= 0.0f || dirty_.height <= 0.0f) {
    dirty_ = rect;
  } else {
    const float left = std::min(dirty_.x, rect.x);
    const float top = std::min(dirty_.y, rect.y);
    const float right = std::max(dirty_.x + dirty_.width, rect.x + rect.width);
    const float bottom = std::max(dirty_.y + dirty_.height, rect.y + rect.height);
    dirty_ = layout::Rect{left, top, right - left, bottom - top};
  }
  changed();
  if (scheduler_ != nullptr) scheduler_->invalidate(false);
}

void ViewRoot::invalidate_all() {
  whole_dirty_ = true;
  changed();
  if (scheduler_ != nullptr) scheduler_->invalidate(false);
}

void ViewRoot::invalidate_layout() {
  layout_needed_ = true;
  whole_dirty_ = true;
  changed();
  if (scheduler_ != nullptr) scheduler_->invalidate(true);
}

void ViewRoot::invalidate_layout_of(const layout::Rect& changed) {
  layout_needed_ = true;
  invalidate(changed);
}

void ViewRoot::notify_semantics_changed() {
  ++semantics_generation_;
  changed();
  if (semantics_listener_) semantics_listener_();
}

namespace {

void collect_semantics(View& view, std::size_t parent_index, std::vector<SemanticsNode>& nodes) {
  if (view.visibility() != layout::Visibility::visible) return;
  SemanticsNode node;
  node.bounds = view.total_transform().map_bounds(view.arranged_rect());
  node.enabled = view.enabled();
  node.focusable = view.can_focus();
  node.focused = view.focused();
  if (!view.semantics_hidden()) view.describe(node);
  std::size_t own = parent_index;
  if (node.id != 0) {
    // The registry finds views by their own id, whatever a description put there.
    node.id = view.id();
    node.children.clear();
    node.parent_id = parent_index < nodes.size() ? nodes[parent_index].id : 0;
    if (node.automation_id.empty()) node.automation_id = view.automation_id();
    if (parent_index < nodes.size()) nodes[parent_index].children.push_back(node.id);
    nodes.push_back(std::move(node));
    own = nodes.size() - 1;
  }
  if (auto* group = dynamic_cast<ViewGroup*>(&view)) {
    for (const auto& child : group->children()) collect_semantics(*child, own, nodes);
  }
}

View* find_shown(View& view, std::uint64_t id) {
  if (view.visibility() != layout::Visibility::visible) return nullptr;
  if (view.id() == id) return &view;
  if (auto* group = dynamic_cast<ViewGroup*>(&view)) {
    for (const auto& child : group->children()) {
      if (View* found = find_shown(*child, id)) return found;
    }
  }
  return nullptr;
}

}  // namespace

std::vector<SemanticsNode> ViewRoot::semantic_nodes() {
  std::vector<SemanticsNode> nodes;
  if (root_ != nullptr) collect_semantics(*root_, static_cast<std::size_t>(-1), nodes);
  return nodes;
}

View* ViewRoot::semantic_view(std::uint64_t id) {
  if (root_ == nullptr || id == 0) return nullptr;
  return find_shown(*root_, id);
}

void ViewRoot::changed() {
  ++change_count_;
  if (change_listener_) change_listener_();
}

}  // namespace win32_ui::modern
