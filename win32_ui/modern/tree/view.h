#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "layout/geometry.h"
#include "layout/layout_node.h"
#include "modern/tree/input_events.h"
#include "modern/tree/interaction_progress.h"
#include "modern/tree/paint_context.h"
#include "modern/tree/semantics.h"
#include "modern/tree/view_handlers.h"
#include "modern/tree/view_host.h"
#include "ui/graphics/drawable.h"
#include "ui/graphics/transform.h"

namespace win32_ui::modern {

class ViewGroup;
class View;

// Lets a view be hit outside its rectangle (a larger touch target, a non-rectangular shape).
class HitTestExtension {
 public:
  virtual ~HitTestExtension() = default;

  // Whether the point, in the view's local coordinates, belongs to the view.
  [[nodiscard]] virtual bool contains(layout::Point local) const = 0;
};

// One element of the retained view tree: a layout node that paints, is hit, takes pointer and key input,
// keeps interaction state and describes itself for accessibility.
class View : public layout::LayoutNode {
 public:
  View();
  ~View() override;

  // Whether the view may take keyboard focus now.
  [[nodiscard]] virtual bool can_focus() const;

  // Fills `result` with the view hit by a point in host coordinates; returns whether anything was hit.
  virtual bool hit_test(layout::Point point, HitResult& result);

  // Whether the view takes pointer presses addressed to it.
  [[nodiscard]] virtual bool accepts_pointer() const;

  // Delivers a pointer event to this view (groups route it to their children); returns whether it was handled.
  virtual bool dispatch_pointer(PointerEvent& event);

  // Asks the ancestors not to take over this pointer sequence.
  virtual void request_disallow_intercept(bool disallow);

  // Draws the background drawable over the view's rect.
  virtual void paint_background(PaintContext& context);

  // Draws the view's own content.
  virtual void paint(PaintContext& context);

  // Draws the children.
  virtual void paint_children(PaintContext& context);

  // Draws the foreground drawable over the children.
  virtual void paint_foreground(PaintContext& context);

  // Runs after the drawable state changed.
  virtual void on_state_changed(std::uint32_t old_state, std::uint32_t new_state);

  // Fills the accessibility description.
  virtual void describe(SemanticsNode& node);

  // Performs an accessibility action; the base view only takes focus.
  virtual bool perform_action(ActionRequest& request);

  // The view's own reaction to a pointer event.
  virtual bool on_pointer(PointerEvent& event);

  // The view's own reaction to a key.
  virtual bool on_key(KeyEvent& event);

  // Whether hit testing may stop at this view.
  [[nodiscard]] virtual bool is_hit_testable() const;

  // --- identity and links

  [[nodiscard]] std::uint64_t id() const noexcept { return id_; }
  [[nodiscard]] ViewGroup* parent() const noexcept { return parent_; }
  [[nodiscard]] ViewHost* host() const noexcept { return host_; }

  // Attaches the view and its subtree to a host (null detaches): running animations on the old host's
  // clock are cancelled, hover, press and focus are forgotten, interaction progress snaps to the current
  // state, and the old host is told of each view that left it.
  void attach_to_host(ViewHost* host);

  // The outermost ancestor (the view itself when it has no parent); routing compares it before and after
  // a callback to notice that the callback removed the view from its tree.
  [[nodiscard]] View* root_view() noexcept;

  // --- layout parameters that also concern the host

  // Replaces the layout parameters; a real change asks the host for layout and updates semantics.
  View& set_layout(const layout::LayoutParams& params);
  View& set_padding(const layout::Thickness& padding);
  View& set_margin(const layout::Thickness& margin);
  View& set_visibility(layout::Visibility visibility);

  // Clears the measure cache upwards and asks the host for layout: for changes that can alter the size.
  void invalidate_layout();

  // --- flags and state

  [[nodiscard]] bool enabled() const noexcept { return enabled_; }
  [[nodiscard]] bool focusable() const noexcept { return focusable_; }
  [[nodiscard]] bool accepts_pointer_input() const noexcept { return accepts_pointer_input_; }
  [[nodiscard]] bool focused() const noexcept { return focused_; }
  [[nodiscard]] bool pressed() const noexcept { return pressed_; }
  [[nodiscard]] bool checked() const noexcept { return checked_; }
  [[nodiscard]] bool emphasized() const noexcept { return emphasized_; }
  [[nodiscard]] bool hovered() const noexcept { return !hovering_pointers_.empty(); }
  [[nodiscard]] bool clip_to_bounds() const noexcept { return clip_to_bounds_; }
  [[nodiscard]] bool animate_interactions() const noexcept { return animate_interactions_; }

  View& set_enabled(bool enabled);
  View& set_focusable(bool focusable);
  View& set_accepts_pointer_input(bool accepts);
  View& set_focused(bool focused);  // for the focus manager only
  View& set_pressed(bool pressed);
  View& set_checked(bool checked);
  View& set_emphasized(bool emphasized);
  View& set_clip_to_bounds(bool clip);
  View& set_animate_interactions(bool animate);

  // The state bits computed from the flags.
  [[nodiscard]] std::uint32_t drawable_state() const noexcept;

  // Animated weight (0..1) of one state bit; 0 for bits without progress.
  [[nodiscard]] float interaction_progress(std::uint32_t state_bit) const noexcept {
    return progress_.value_for(state_bit);
  }

  // --- visuals

  [[nodiscard]] float opacity() const noexcept { return opacity_; }
  View& set_opacity(float opacity);

  [[nodiscard]] const ui::graphics::Transform& render_transform() const noexcept { return render_transform_; }
  // A matrix with any non-finite element counts as identity.
  View& set_render_transform(const ui::graphics::Transform& transform);

  [[nodiscard]] layout::Point transform_origin() const noexcept { return transform_origin_; }
  // Fractions of the view's size; a non-finite fraction counts as 0.5.
  View& set_transform_origin(layout::Point origin);

  View& set_background(std::shared_ptr<ui::graphics::Drawable> drawable);
  View& set_foreground(std::shared_ptr<ui::graphics::Drawable> drawable);

  // The render transform taken about the pivot (DIPs); identity when it has a non-finite element.
  [[nodiscard]] ui::graphics::Transform pivoted_transform() const;

  // The parents' transforms composed with this view's own, taken about its pivot (DIPs, host space).
  [[nodiscard]] ui::graphics::Transform total_transform() const;

  // A host point in this view's coordinates (origin at the arranged rect's corner); infinite when the
  // total transform cannot be inverted.
  [[nodiscard]] layout::Point to_local(layout::Point host_point) const;

  // Where this view paints itself, its children aside: its rect inflated by 4 DIPs through the
  // transforms.
  [[nodiscard]] layout::Rect own_visual_bounds() const;
  // The area a repaint of this view must cover: its own visual bounds joined with the visible
  // children's unless it clips.
  [[nodiscard]] layout::Rect visual_bounds() const;

  // Asks the host to repaint the visual bounds.
  void invalidate_visual();

  // --- input

  View& set_pointer_handler(PointerHandler handler);
  View& set_context_handler(PointerHandler handler);
  [[nodiscard]] bool has_context_handler() const noexcept { return static_cast<bool>(handlers_.context_handler); }
  View& set_hit_test_extension(std::unique_ptr<HitTestExtension> extension);
  View& add_pointer_listener(std::shared_ptr<PointerListener> listener);
  void remove_pointer_listener(const PointerListener* listener);

  // Registers a handler for events of one kind at the target phase.
  View& add_event_handler(EventKind kind, EventHandler handler);
  // Registers a handler for one kind and phase.
  View& add_event_handler(EventKind kind, EventPhase phase, EventHandler handler);
  // Registers a key handler for the capture phase.
  View& add_key_handler(KeyHandler handler);
  // Registers a key handler for one phase.
  View& add_key_handler(EventPhase phase, KeyHandler handler);

  // Runs this view's handlers for the event's kind and phase, from a snapshot; stops when one stops propagation.
  void run_event_handlers(Event& event);
  // Runs this view's key handlers of one phase, from a snapshot; stops when one handles the key.
  void run_key_handlers(KeyEvent& event, EventPhase phase);

  // Answers a context-menu request: focuses a focusable view, then runs the context handler.
  bool dispatch_context_request(PointerEvent& event);

  // --- accessibility

  [[nodiscard]] const std::optional<std::wstring>& accessible_name() const noexcept { return accessible_name_; }
  View& set_accessible_name(std::optional<std::wstring> name);
  [[nodiscard]] const std::wstring& accessible_description() const noexcept { return accessible_description_; }
  View& set_accessible_description(std::wstring description);
  [[nodiscard]] std::optional<bool> control_element_override() const noexcept { return control_element_override_; }
  View& set_control_element_override(std::optional<bool> value);
  // A stable name automation scripts and tests find the view by (UIA's AutomationId); empty leaves
  // the default, "semantics-" followed by the view's id, which changes from run to run.
  [[nodiscard]] const std::wstring& automation_id() const noexcept { return automation_id_; }
  View& set_automation_id(std::wstring id);
  // Makes a view that describes nothing itself (a panel) a node of its own with this role, named by its
  // accessible name, so that the nodes of its subtree become its children; widgets keep their own role.
  [[nodiscard]] const std::optional<SemanticsRole>& semantics_role() const noexcept { return semantics_role_; }
  View& set_semantics_role(std::optional<SemanticsRole> role);
  // Leaves the view itself out of the accessibility tree (a label whose text already names a control
  // or a group); the nodes of its subtree take its place.
  [[nodiscard]] bool semantics_hidden() const noexcept { return semantics_hidden_; }
  View& set_semantics_hidden(bool hidden);

 protected:
  // The smallest size the constraints allow.
  layout::Size measure_content(const layout::Constraints& available, layout::LayoutContext& context) override;
  void arrange_content(const layout::Rect& content, layout::LayoutContext& context) override;

  // Tests this view alone (not its children) against a host point.
  bool hit_test_self(layout::Point point, HitResult& result);

  // Runs after a flag change: on a real state change, progress, the hook and a repaint follow.
  void update_state(std::uint32_t old_state);

  // Draws a drawable over the view's rect in pixels with the current state.
  void paint_drawable(ui::graphics::Drawable* drawable, PaintContext& context);

 private:
  friend class ViewGroup;

  void update_interaction_progress(std::uint32_t old_state, std::uint32_t new_state);
  [[nodiscard]] ui::animation::AnimationClock* clock() const;

  ViewGroup* parent_ = nullptr;
  ViewHost* host_ = nullptr;
  std::uint64_t id_;
  float opacity_ = 1.0f;
  ui::graphics::Transform render_transform_{};
  layout::Point transform_origin_{0.5f, 0.5f};
  bool clip_to_bounds_ = false;
  bool accepts_pointer_input_ = false;
  bool focusable_ = false;
  bool enabled_ = true;
  bool emphasized_ = false;
  bool pressed_ = false;
  bool focused_ = false;
  bool checked_ = false;
  bool animate_interactions_ = false;
  InteractionProgress progress_;
  std::vector<std::uint32_t> hovering_pointers_;
  std::shared_ptr<ui::graphics::Drawable> background_;
  std::shared_ptr<ui::graphics::Drawable> foreground_;
  ViewHandlers handlers_;
  std::unique_ptr<HitTestExtension> hit_test_extension_;
  std::optional<std::wstring> accessible_name_;
  std::wstring accessible_description_;
  std::optional<bool> control_element_override_;
  std::wstring automation_id_;
  std::optional<SemanticsRole> semantics_role_;
  bool semantics_hidden_ = false;
};

// Paints one view and its subtree with the paint order, opacity, transform and clip rules; the host
// calls it for the root, groups for their children.
void paint_view(View& view, PaintContext& context);

}  // namespace win32_ui::modern
