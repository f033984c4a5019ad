#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "layout/geometry.h"
#include "modern/tree/command_registry.h"
#include "modern/tree/focus_manager.h"
#include "modern/tree/view.h"
#include "modern/tree/view_host.h"
#include "platform/surface_interfaces.h"
#include "ui/animation/animation_clock.h"

namespace win32_ui::modern {

enum class FocusDirection : std::int32_t { next = 0, previous = 1, left = 2, up = 3, right = 4, down = 5 };

// The candidate a directional move goes to from `from` (bounds in DIPs), or null: candidates whose
// centre lies strictly in the direction compete; overlapping on the cross axis beats not overlapping,
// then 13 x gap^2 + cross^2 decides, then the smaller gap, then tree order.
[[nodiscard]] View* choose_directional(const std::vector<View*>& candidates, const View& from,
                                       FocusDirection direction);

// The root of one view tree and the state that belongs to the whole tree: keyboard focus, hover paths and
// pointer captures per pointer, the dirty region, the layout request, the semantics generation and the
// animation clock. It routes pointer, key and semantic events through the tree. Everything it keeps about
// views is dropped the moment a view leaves the tree, so no routing ever reaches a destroyed view.
class ViewRoot final : public ViewHost {
 public:
  ViewRoot();
  ~ViewRoot() override;
  ViewRoot(const ViewRoot&) = delete;
  ViewRoot& operator=(const ViewRoot&) = delete;

  // Told after the root was replaced (and after every invalidation, through the change listener).
  using RootListener = std::function<void()>;
  // Runs the host's own handling of a key no view handled (focus moves); returns whether it handled it.
  using KeyFallback = std::function<bool(KeyEvent&)>;
  // Runs for every routed semantic event after routing; `handled` says whether a view took it.
  using EventHook = std::function<void(Event&, bool handled)>;

  // --- the tree

  [[nodiscard]] View* root() const noexcept { return root_.get(); }
  // Replaces the tree. Focus, hover and captures into the old tree are dropped before it is destroyed;
  // during routing the replacement waits until the outermost routing returns.
  void set_root(std::unique_ptr<View> root);

  // --- collaborators

  void set_frame_scheduler(platform::FrameScheduler* scheduler) noexcept { scheduler_ = scheduler; }
  void set_input_adapter(platform::InputAdapter* adapter) noexcept { input_ = adapter; }
  void set_change_listener(std::function<void()> listener) { change_listener_ = std::move(listener); }
  void set_root_listener(RootListener listener) { root_listener_ = std::move(listener); }
  void set_focus_listener(FocusManager::Listener listener) { focus_.set_listener(std::move(listener)); }
  void set_key_fallback(KeyFallback fallback) { key_fallback_ = std::move(fallback); }
  void set_event_hook(EventHook hook) { event_hook_ = std::move(hook); }
  // Told of each view that left the tree, after the root dropped what it kept about it.
  void set_detach_listener(std::function<void(View&)> listener) { detach_listener_ = std::move(listener); }
  void set_commands(const CommandRegistry* commands, const AcceleratorTable* accelerators) noexcept {
    commands_ = commands;
    accelerators_ = accelerators;
  }

  // --- state

  [[nodiscard]] View* focused() const noexcept { return focus_.focused(); }
  [[nodiscard]] bool focus_visible() const noexcept { return focus_.focus_visible(); }
  // The deepest view under a pointer, or null.
  [[nodiscard]] View* hovered(std::uint32_t pointer_id = 1) const;
  // The view holding a pointer's press, or null.
  [[nodiscard]] View* captured(std::uint32_t pointer_id = 1) const;
  [[nodiscard]] bool has_captures() const noexcept { return !captures_.empty(); }
  [[nodiscard]] bool layout_needed() const noexcept { return layout_needed_; }
  [[nodiscard]] bool whole_surface_dirty() const noexcept { return whole_dirty_; }
  // The union of the dirty rectangles (DIPs); empty when nothing but the whole surface was asked for.
  [[nodiscard]] const layout::Rect& dirty_rect() const noexcept { return dirty_; }
  [[nodiscard]] bool dirty() const noexcept { return whole_dirty_ || (dirty_.width > 0 && dirty_.height > 0); }
  // Bumped by every invalidation; a painter compares it before and after a frame.
  [[nodiscard]] std::uint64_t change_count() const noexcept { return change_count_; }
  [[nodiscard]] std::uint64_t semantics_generation() const noexcept { return semantics_generation_; }
  // Bumped whenever the tree is replaced.
  [[nodiscard]] std::uint64_t content_generation() const noexcept { return content_generation_; }
  [[nodiscard]] ui::animation::AnimationClock& clock() noexcept { return clock_; }

  void clear_dirty() noexcept;

  // Lays the tree out into a viewport, then drops focus that the layout took away.
  void layout(layout::Size viewport, layout::LayoutContext& context);

  // --- routing

  // Routes a pointer event; returns whether a view handled it.
  bool route_pointer(PointerEvent& event);
  // Routes a key to the focused view (tunnel, target, bubble) after the accelerators had their look.
  bool route_key(KeyEvent& event);
  // Routes a semantic event from its source; `completion` runs as the default action unless prevented.
  // An event no view took runs the command its source is bound to, when the registry knows it.
  bool route_event(Event& event, const std::function<void(Event&)>& completion = {});
  // Cancels every captured pointer and forgets hover, for a lost window focus or a root change.
  void cancel_pointers();

  // --- focus

  bool move_focus(FocusDirection direction, FocusOrigin origin);
  void clear_focus(FocusOrigin origin) { focus_.clear_focus(origin); }

  // --- semantics: the registry the accessibility bridge reads

  // Every shown view that describes itself, in tree order: its description completed with its
  // parent (the nearest described ancestor, 0 at the top), its children, its bounds (content DIPs
  // through the render transforms, unless it gave its own), its focus state and automation id.
  // Hidden and collapsed subtrees are left out; views that describe nothing pass their children up.
  [[nodiscard]] std::vector<SemanticsNode> semantic_nodes();
  // The shown view whose semantic id is `id`, or null.
  [[nodiscard]] View* semantic_view(std::uint64_t id);
  // Told after every change of the semantics generation (coalesce: it runs for each small change).
  void set_semantics_listener(std::function<void()> listener) { semantics_listener_ = std::move(listener); }

  // --- ViewHost

  void invalidate(const layout::Rect& rect) override;
  void invalidate_all() override;
  void invalidate_layout() override;
  void invalidate_layout_of(const layout::Rect& changed) override;
  void notify_semantics_changed() override;
  void dispatch_event(Event& event) override;
  ui::animation::AnimationClock* animation_clock() override { return &clock_; }
  bool request_focus(View& view, FocusOrigin origin) override;
  void notify_view_detached(View& view) override;
  void notify_interactivity_changed(View& view) override;

 private:
  class RoutingScope;

  void apply_pending_root();
  void apply_root(std::unique_ptr<View> root);
  void update_hover(PointerEvent& event);
  void clear_hover(std::uint32_t pointer_id, const PointerEvent& template_event);
  void release_capture(std::uint32_t pointer_id);
  bool route_context_menu(PointerEvent& event);
  void changed();

  std::unique_ptr<View> root_;
  FocusManager focus_;
  std::unordered_map<std::uint32_t, std::vector<View*>> hover_paths_;
  std::unordered_map<std::uint32_t, View*> captures_;
  layout::Rect dirty_{};
  bool whole_dirty_ = false;
  bool layout_needed_ = true;
  std::uint64_t change_count_ = 0;
  std::uint64_t semantics_generation_ = 0;
  std::uint64_t content_generation_ = 0;
  ui::animation::AnimationClock clock_;
  platform::FrameScheduler* scheduler_ = nullptr;
  platform::InputAdapter* input_ = nullptr;
  const CommandRegistry* commands_ = nullptr;
  const AcceleratorTable* accelerators_ = nullptr;
  std::function<void()> change_listener_;
  std::function<void()> semantics_listener_;
  RootListener root_listener_;
  KeyFallback key_fallback_;
  EventHook event_hook_;
  std::function<void(View&)> detach_listener_;
  int routing_depth_ = 0;
  bool root_pending_ = false;
  bool applying_root_ = false;
  std::unique_ptr<View> pending_root_;
};

}  // namespace win32_ui::modern
