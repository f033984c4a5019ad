#include "modern/tree/view.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

#include "modern/tree/dispatch_scope.h"
#include "modern/tree/view_group.h"
#include "ui/animation/animation_clock.h"

namespace win32_ui::modern {
namespace {

namespace graphics = ui::graphics;
using layout::Point;
using layout::Rect;

std::atomic<std::uint64_t> next_view_id{1};

Rect inflate(const Rect& rect, float by) noexcept {
  return Rect{rect.x - by, rect.y - by, rect.width + 2.0f * by, rect.height + 2.0f * by};
}

Rect unite(const Rect& a, const Rect& b) noexcept {
  const float left = std::min(a.x, b.x);
  const float top = std::min(a.y, b.y);
  const float right = std::max(a.right(), b.right());
  const float bottom = std::max(a.bottom(), b.bottom());
  return Rect{left, top, right - left, bottom - top};
}

bool intersects(const Rect& a, const Rect& b) noexcept {
  return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

float finite_fraction(float value) noexcept { return std::isfinite(value) ? value : 0.5f; }

}  // namespace

View::View() : id_(next_view_id.fetch_add(1, std::memory_order_relaxed)) {}

View::~View() {
  // Animations capture this view; drop them silently before the members go.
  if (auto* running = clock()) running->cancel_for_owner(this, false);
}

ui::animation::AnimationClock* View::clock() const { return host_ != nullptr ? host_->animation_clock() : nullptr; }

// --- layout

layout::Size View::measure_content(const layout::Constraints& available, layout::LayoutContext&) {
  return layout::Size{available.min_width, available.min_height};
}

void View::arrange_content(const layout::Rect&, layout::LayoutContext&) {}

View& View::set_layout(const layout::LayoutParams& params) {
  const layout::Visibility old_visibility = visibility();
  if (LayoutNode::set_layout(params) && host_ != nullptr) {
    host_->invalidate_layout();
    host_->notify_semantics_changed();
    if (visibility() != old_visibility) host_->notify_interactivity_changed(*this);
  }
  return *this;
}

View& View::set_padding(const layout::Thickness& padding) {
  layout::LayoutParams params = layout();
  params.padding = padding;
  return set_layout(params);
}

View& View::set_margin(const layout::Thickness& margin) {
  layout::LayoutParams params = layout();
  params.margin = margin;
  return set_layout(params);
}

View& View::set_visibility(layout::Visibility visibility) {
  layout::LayoutParams params = layout();
  params.visibility = visibility;
  return set_layout(params);
}

void View::invalidate_layout() {
  invalidate_measure();
  // This view repaints where it is now; the pass repaints it and any other view it moves.
  if (host_ != nullptr) host_->invalidate_layout_of(visual_bounds());
}

// --- host

void View::attach_to_host(ViewHost* host) {
  if (host == host_) return;
  // Cancelled animations report completion to their owners' code, which may change the tree.
  const DispatchScope scope;
  ViewHost* const old_host = host_;
  if (auto* old_clock = clock()) old_clock->cancel_for_owner(this, true);
  progress_.forget();
  if (old_host != nullptr) {
    // The old host forgets this view's hover, press and focus; so does the view.
    hovering_pointers_.clear();
    pressed_ = false;
    focused_ = false;
  }
  progress_.snap(drawable_state());
  host_ = host;
  if (auto* group = dynamic_cast<ViewGroup*>(this)) {
    std::vector<View*> children;
    for (const auto& child : group->children()) children.push_back(child.get());
    for (View* child : children) {
      if (child->parent_ == group) child->attach_to_host(host);
    }
  }
  if (old_host != nullptr) old_host->notify_view_detached(*this);
}

View* View::root_view() noexcept {
  View* node = this;
  while (node->parent_ != nullptr) node = node->parent_;
  return node;
}

// --- state

std::uint32_t View::drawable_state() const noexcept {
  std::uint32_t state = graphics::drawable_state_none;
  if (enabled_) state |= graphics::drawable_state_enabled;
  if (pressed_) state |= graphics::drawable_state_pressed;
  if (!hovering_pointers_.empty()) state |= graphics::drawable_state_hovered;
  if (focused_) state |= graphics::drawable_state_focused;
  if (checked_) state |= graphics::drawable_state_checked;
  if (emphasized_) state |= graphics::drawable_state_emphasized;
  return state;
}

void View::update_state(std::uint32_t old_state) {
  const std::uint32_t new_state = drawable_state();
  if (new_state == old_state) return;
  update_interaction_progress(old_state, new_state);
  on_state_changed(old_state, new_state);
  invalidate_visual();
}

void View::update_interaction_progress(std::uint32_t old_state, std::uint32_t new_state) {
  progress_.update(old_state, new_state, clock(), animate_interactions_, this, [this] { invalidate_visual(); });
}

View& View::set_enabled(bool enabled) {
  if (enabled == enabled_) return *this;
  const std::uint32_t old_state = drawable_state();
  enabled_ = enabled;
  if (!enabled) pressed_ = false;
  update_state(old_state);
  if (host_ != nullptr) {
    host_->notify_semantics_changed();
    host_->notify_interactivity_changed(*this);
  }
  return *this;
}

View& View::set_focusable(bool focusable) {
  if (focusable == focusable_) return *this;
  focusable_ = focusable;
  if (host_ != nullptr) {
    host_->notify_semantics_changed();
    host_->notify_interactivity_changed(*this);
  }
  return *this;
}

View& View::set_accepts_pointer_input(bool accepts) {
  if (accepts == accepts_pointer_input_) return *this;
  accepts_pointer_input_ = accepts;
  if (host_ != nullptr) {
    host_->notify_semantics_changed();
    host_->notify_interactivity_changed(*this);
  }
  return *this;
}

View& View::set_focused(bool focused) {
  if (focused == focused_) return *this;
  const std::uint32_t old_state = drawable_state();
  focused_ = focused;
  update_state(old_state);
  if (host_ != nullptr) host_->notify_semantics_changed();
  return *this;
}

View& View::set_pressed(bool pressed) {
  if (pressed == pressed_) return *this;
  const std::uint32_t old_state = drawable_state();
  pressed_ = pressed;
  update_state(old_state);
  return *this;
}

View& View::set_checked(bool checked) {
  if (checked == checked_) return *this;
  const std::uint32_t old_state = drawable_state();
  checked_ = checked;
  update_state(old_state);
  if (host_ != nullptr) host_->notify_semantics_changed();
  return *this;
}

View& View::set_emphasized(bool emphasized) {
  if (emphasized == emphasized_) return *this;
  const std::uint32_t old_state = drawable_state();
  emphasized_ = emphasized;
  update_state(old_state);
  if (host_ != nullptr) host_->notify_semantics_changed();
  return *this;
}

View& View::set_clip_to_bounds(bool clip) {
  if (clip == clip_to_bounds_) return *this;
  invalidate_visual();
  clip_to_bounds_ = clip;
  invalidate_visual();
  return *this;
}

View& View::set_animate_interactions(bool animate) {
  if (animate == animate_interactions_) return *this;
  animate_interactions_ = animate;
  progress_.cancel(clock());
  progress_.snap(drawable_state());
  invalidate_visual();
  return *this;
}

// --- visuals

View& View::set_opacity(float opacity) {
  if (opacity == opacity_) return *this;
  opacity_ = opacity;
  invalidate_visual();
  return *this;
}

View& View::set_render_transform(const graphics::Transform& transform) {
  if (transform == render_transform_) return *this;
  invalidate_visual();
  render_transform_ = transform;
  invalidate_visual();
  return *this;
}

View& View::set_transform_origin(Point origin) {
  if (origin == transform_origin_) return *this;
  invalidate_visual();
  transform_origin_ = origin;
  invalidate_visual();
  return *this;
}

View& View::set_background(std::shared_ptr<graphics::Drawable> drawable) {
  if (drawable == background_) return *this;
  background_ = std::move(drawable);
  invalidate_visual();
  return *this;
}

View& View::set_foreground(std::shared_ptr<graphics::Drawable> drawable) {
  if (drawable == foreground_) return *this;
  foreground_ = std::move(drawable);
  invalidate_visual();
  return *this;
}

graphics::Transform View::pivoted_transform() const {
  if (render_transform_.is_identity() || !render_transform_.is_finite()) return graphics::Transform::identity();
  const Rect rect = arranged_rect();
  const Point pivot{rect.x + finite_fraction(transform_origin_.x) * rect.width,
                    rect.y + finite_fraction(transform_origin_.y) * rect.height};
  return render_transform_.about(pivot);
}

graphics::Transform View::total_transform() const {
  graphics::Transform total = pivoted_transform();
  for (const View* ancestor = parent_; ancestor != nullptr; ancestor = ancestor->parent_) {
    const graphics::Transform own = ancestor->pivoted_transform();
    if (!own.is_identity()) total = total.then(own);
  }
  return total;
}

Point View::to_local(Point host_point) const {
  const Rect rect = arranged_rect();
  const graphics::Transform total = total_transform();
  if (total.is_identity()) return Point{host_point.x - rect.x, host_point.y - rect.y};
  const auto inverse = total.inverse();
  if (!inverse) {
    constexpr float infinity = std::numeric_limits<float>::infinity();
    return Point{infinity, infinity};
  }
  const Point mapped = inverse->map(host_point);
  return Point{mapped.x - rect.x, mapped.y - rect.y};
}

Rect View::own_visual_bounds() const { return total_transform().map_bounds(inflate(arranged_rect(), 4.0f)); }

Rect View::visual_bounds() const {
  Rect bounds = own_visual_bounds();
  if (clip_to_bounds_) return bounds;
  if (const auto* group = dynamic_cast<const ViewGroup*>(this)) {
    for (const auto& child : group->children()) {
      if (child->visibility() == layout::Visibility::visible) bounds = unite(bounds, child->visual_bounds());
    }
  }
  return bounds;
}

void View::invalidate_visual() {
  if (host_ != nullptr) host_->invalidate(visual_bounds());
}

// --- hit testing and pointer input

bool View::can_focus() const { return enabled_ && focusable_ && visibility() == layout::Visibility::visible; }

bool View::accepts_pointer() const { return enabled_ && accepts_pointer_input_; }

bool View::is_hit_testable() const {
  return enabled_ &&
         (accepts_pointer_input_ || static_cast<bool>(handlers_.pointer_handler) || handlers_.has_pointer_listeners());
}

bool View::hit_test(Point point, HitResult& result) {
  if (visibility() != layout::Visibility::visible || !is_hit_testable()) return false;
  return hit_test_self(point, result);
}

bool View::hit_test_self(Point point, HitResult& result) {
  const Point local = to_local(point);
  if (!std::isfinite(local.x) || !std::isfinite(local.y)) return false;
  const Rect rect = arranged_rect();
  const bool inside = local.x >= 0.0f && local.x < rect.width && local.y >= 0.0f && local.y < rect.height;
  if (!inside && (hit_test_extension_ == nullptr || !hit_test_extension_->contains(local))) return false;
  result.view = this;
  return true;
}

bool View::dispatch_pointer(PointerEvent& event) {
  const DispatchScope scope;
  View* const root = root_view();
  if (event.action == PointerAction::enter || event.action == PointerAction::leave) {
    const std::uint32_t old_state = drawable_state();
    const auto found = std::find(hovering_pointers_.begin(), hovering_pointers_.end(), event.pointer_id);
    if (event.action == PointerAction::enter && found == hovering_pointers_.end()) {
      hovering_pointers_.push_back(event.pointer_id);
    } else if (event.action == PointerAction::leave && found != hovering_pointers_.end()) {
      hovering_pointers_.erase(found);
    }
    update_state(old_state);
  }

  View* const saved_view = event.current_view;
  const Point saved_local = event.local_position;
  event.current_view = this;
  event.local_position = to_local(event.position);

  // Each callback may remove this view from its tree; a removed view gets nothing more and never
  // becomes the event's target.
  bool handled = root_view() == root && handlers_.run_pointer_listeners(*this, event);
  if (!handled && !event.handled && root_view() == root) {
    const PointerHandler handler = handlers_.pointer_handler;
    if (handler && handler(event)) {
      handled = true;
    } else if (root_view() == root && on_pointer(event)) {
      handled = true;
    }
  }
  if (handled) {
    event.handled = true;
    if (event.target == nullptr && root_view() == root) event.target = this;
  }
  event.current_view = saved_view;
  event.local_position = saved_local;
  return handled || event.handled;
}

bool View::on_pointer(PointerEvent& event) {
  if (!accepts_pointer_input_) return false;
  switch (event.action) {
    case PointerAction::down:
    case PointerAction::move:
    case PointerAction::up:
    case PointerAction::cancel:
    case PointerAction::context_menu:
      return true;
    default:
      return false;
  }
}

void View::request_disallow_intercept(bool disallow) {
  if (parent_ != nullptr) parent_->request_disallow_intercept(disallow);
}

bool View::dispatch_context_request(PointerEvent& event) {
  if (!enabled_ || !handlers_.context_handler) return false;
  const DispatchScope scope;
  View* const root = root_view();
  View* const saved_view = event.current_view;
  const Point saved_local = event.local_position;
  event.current_view = this;
  event.local_position = to_local(event.position);
  if (can_focus() && host_ != nullptr) {
    host_->request_focus(*this, event.device == PointerDevice::keyboard ? FocusOrigin::keyboard : FocusOrigin::pointer);
  }
  // Taking focus runs the host's focus listeners, which may remove this view.
  const PointerHandler handler = handlers_.context_handler;
  const bool handled = root_view() == root && handler(event);
  if (handled) {
    event.handled = true;
    if (root_view() == root) event.target = this;
  }
  event.current_view = saved_view;
  event.local_position = saved_local;
  return handled;
}

View& View::set_pointer_handler(PointerHandler handler) {
  handlers_.pointer_handler = std::move(handler);
  return *this;
}

View& View::set_context_handler(PointerHandler handler) {
  handlers_.context_handler = std::move(handler);
  return *this;
}

View& View::set_hit_test_extension(std::unique_ptr<HitTestExtension> extension) {
  hit_test_extension_ = std::move(extension);
  return *this;
}

View& View::add_pointer_listener(std::shared_ptr<PointerListener> listener) {
  handlers_.add_pointer_listener(std::move(listener));
  return *this;
}

void View::remove_pointer_listener(const PointerListener* listener) { handlers_.remove_pointer_listener(listener); }

// --- events and keys

View& View::add_event_handler(EventKind kind, EventHandler handler) {
  return add_event_handler(kind, EventPhase::target, std::move(handler));
}

View& View::add_event_handler(EventKind kind, EventPhase phase, EventHandler handler) {
  handlers_.add_event_handler(kind, phase, std::move(handler));
  return *this;
}

View& View::add_key_handler(KeyHandler handler) { return add_key_handler(EventPhase::capture, std::move(handler)); }

View& View::add_key_handler(EventPhase phase, KeyHandler handler) {
  handlers_.add_key_handler(phase, std::move(handler));
  return *this;
}

void View::run_event_handlers(Event& event) {
  if (event.propagation_stopped) return;
  event.current_view = this;
  handlers_.run_event_handlers(event);
}

void View::run_key_handlers(KeyEvent& event, EventPhase phase) {
  if (event.handled) return;
  event.current_view = this;
  handlers_.run_key_handlers(event, phase);
}

bool View::on_key(KeyEvent&) { return false; }

// --- painting

void View::paint_drawable(graphics::Drawable* drawable, PaintContext& context) {
  if (drawable == nullptr || context.canvas == nullptr) return;
  drawable->draw(*context.canvas, context.to_pixels(arranged_rect()), drawable_state());
}

void View::paint_background(PaintContext& context) { paint_drawable(background_.get(), context); }

void View::paint(PaintContext&) {}

void View::paint_children(PaintContext&) {}

void View::paint_foreground(PaintContext& context) { paint_drawable(foreground_.get(), context); }

void View::on_state_changed(std::uint32_t, std::uint32_t) {}

// --- accessibility

void View::describe(SemanticsNode& node) {
  if (!semantics_role_) return;
  node.id = id_;
  node.role = static_cast<std::int32_t>(*semantics_role_);
  node.name = accessible_name_.value_or(std::wstring());
  node.help_text = accessible_description_;
  // A named container is what a reader announces on the way into its controls.
  node.control_element = control_element_override_.value_or(!node.name.empty());
}

bool View::perform_action(ActionRequest& request) {
  if (request.action != semantics_action_focus || host_ == nullptr) return false;
  return host_->request_focus(*this, FocusOrigin::programmatic);
}

View& View::set_accessible_name(std::optional<std::wstring> name) {
  if (name == accessible_name_) return *this;
  accessible_name_ = std::move(name);
  if (host_ != nullptr) host_->notify_semantics_changed();
  return *this;
}

View& View::set_accessible_description(std::wstring description) {
  if (description == accessible_description_) return *this;
  accessible_description_ = std::move(description);
  if (host_ != nullptr) host_->notify_semantics_changed();
  return *this;
}

View& View::set_control_element_override(std::optional<bool> value) {
  if (value == control_element_override_) return *this;
  control_element_override_ = value;
  if (host_ != nullptr) host_->notify_semantics_changed();
  return *this;
}

View& View::set_semantics_role(std::optional<SemanticsRole> role) {
  if (role == semantics_role_) return *this;
  semantics_role_ = role;
  if (host_ != nullptr) host_->notify_semantics_changed();
  return *this;
}

View& View::set_semantics_hidden(bool hidden) {
  if (hidden == semantics_hidden_) return *this;
  semantics_hidden_ = hidden;
  if (host_ != nullptr) host_->notify_semantics_changed();
  return *this;
}

View& View::set_automation_id(std::wstring id) {
  if (id == automation_id_) return *this;
  automation_id_ = std::move(id);
  if (host_ != nullptr) host_->notify_semantics_changed();
  return *this;
}

// --- painting a subtree

void paint_view(View& view, PaintContext& context) {
  if (view.visibility() != layout::Visibility::visible || view.opacity() <= 0.0f || context.canvas == nullptr) return;
  const graphics::Transform own = view.pivoted_transform();
  if (context.dirty_region) {
    const bool may_overflow = !view.clip_to_bounds() && dynamic_cast<const ViewGroup*>(&view) != nullptr;
    if (!may_overflow) {
      if (!intersects(view.own_visual_bounds(), *context.dirty_region)) return;
    }
  }

  View* const saved_view = context.current_view;
  const graphics::Transform saved_transform = context.transform;
  const float saved_opacity = context.opacity;

  // The render transform is in DIPs; in pixel space the same motion has its translation scaled.
  graphics::Transform pixel_own = own;
  pixel_own.dx *= context.scale;
  pixel_own.dy *= context.scale;
  graphics::Canvas& canvas = *context.canvas;
  canvas.save();
  context.current_view = &view;
  if (!pixel_own.is_identity()) context.transform = pixel_own.then(context.transform);
  context.opacity = saved_opacity * graphics::clamp_opacity(view.opacity());
  canvas.set_transform(context.transform);
  canvas.set_opacity(context.opacity);
  if (view.clip_to_bounds()) canvas.clip_rect(context.to_pixels(view.arranged_rect()));

  view.paint_background(context);
  view.paint(context);
  view.paint_children(context);
  view.paint_foreground(context);

  canvas.restore();
  context.current_view = saved_view;
  context.transform = saved_transform;
  context.opacity = saved_opacity;
}

}  // namespace win32_ui::modern
