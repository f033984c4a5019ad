#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "layout/layout_node.h"
#include "modern/tree/event_propagation.h"
#include "modern/tree/focus_manager.h"
#include "modern/tree/view_group.h"
#include "modern/tree/view_host.h"
#include "recording_canvas.h"
#include "ui/animation/animation_clock.h"
#include "ui/graphics/drawable.h"

namespace tree_test {

using namespace win32_ui;
using layout::Point;
using layout::Rect;
using layout::Size;

// A host that records what the tree asks of it, with a clock and the toolkit's focus manager, keeping
// the views it was told have left the tree.
class TestHost : public modern::ViewHost {
 public:
  std::vector<Rect> invalidated;
  int invalidate_all_count = 0;
  int layout_requests = 0;
  int semantics_changes = 0;
  modern::View* root = nullptr;  // set by tests whose focus requests must stay inside one tree
  modern::View* focused = nullptr;
  modern::FocusOrigin last_focus_origin = modern::FocusOrigin::programmatic;
  modern::FocusManager focus;
  std::vector<modern::View*> detached;
  std::vector<modern::EventKind> defaults_run;
  ui::animation::AnimationClock clock;
  bool provide_clock = true;

  void invalidate(const Rect& rect) override { invalidated.push_back(rect); }
  void invalidate_all() override { ++invalidate_all_count; }
  void invalidate_layout() override { ++layout_requests; }
  void notify_semantics_changed() override { ++semantics_changes; }
  void dispatch_event(modern::Event& event) override {
    modern::propagate_event(event, [this](modern::Event& e) { defaults_run.push_back(e.kind); });
  }
  ui::animation::AnimationClock* animation_clock() override { return provide_clock ? &clock : nullptr; }
  bool request_focus(modern::View& view, modern::FocusOrigin origin) override {
    if (view.host() != this) return false;
    if (!focus.request_focus(root != nullptr ? *root : *view.root_view(), view, origin)) return false;
    focused = focus.focused();
    last_focus_origin = origin;
    return true;
  }
  void notify_view_detached(modern::View& view) override {
    detached.push_back(&view);
    focus.view_detached(view);
    focused = focus.focused();
  }
  void notify_interactivity_changed(modern::View& view) override {
    focus.interactivity_changed(view);
    focused = focus.focused();
  }

  [[nodiscard]] int notifications() const {
    return static_cast<int>(invalidated.size()) + invalidate_all_count + layout_requests + semantics_changes;
  }
};

// Fills its rect with its colour, so the recording canvas shows where and in what order views painted.
class Box : public modern::View {
 public:
  explicit Box(std::uint8_t tag = 0) : tag_(tag) {}
  void paint(modern::PaintContext& context) override {
    context.canvas->fill_rect(context.to_pixels(arranged_rect()), ui::graphics::Color{tag_, 0, 0});
  }
  std::uint8_t tag_;
};

// A group that paints like a Box and lays every child over its whole content rect, leaving placement
// to each child's own size, margin and alignment.
class Layer : public modern::ViewGroup {
 public:
  explicit Layer(std::uint8_t tag = 0) : tag_(tag) {}
  void paint(modern::PaintContext& context) override {
    context.canvas->fill_rect(context.to_pixels(arranged_rect()), ui::graphics::Color{tag_, 0, 0});
  }
  std::uint8_t tag_;

 protected:
  Size measure_content(const layout::Constraints& available, layout::LayoutContext& context) override {
    Size size{};
    for (const auto& child : children()) {
      const Size desired = child->measure(available, context);
      size.width = std::max(size.width, desired.width);
      size.height = std::max(size.height, desired.height);
    }
    return size;
  }
  void arrange_content(const Rect& content, layout::LayoutContext& context) override {
    for (const auto& child : children()) child->arrange(content, context);
  }
};

// Layout parameters that place a view at (x, y) with a fixed size inside its parent's content rect.
inline layout::LayoutParams placed(float x, float y, float width, float height) {
  layout::LayoutParams p;
  p.horizontal_alignment = layout::HorizontalAlignment::start;
  p.vertical_alignment = layout::VerticalAlignment::top;
  p.margin = layout::Thickness{x, y, 0.0f, 0.0f};
  p.has_fixed_width = true;
  p.fixed_width = width;
  p.has_fixed_height = true;
  p.fixed_height = height;
  return p;
}

// Adds a child of type T placed at (x, y, width, height) and returns it.
template <typename T, typename... Args>
T* add_placed(modern::ViewGroup& group, Rect at, Args&&... args) {
  auto child = std::make_unique<T>(std::forward<Args>(args)...);
  child->set_layout(placed(at.x, at.y, at.width, at.height));
  return static_cast<T*>(group.add_child(std::move(child)));
}

// Runs the surface's layout pass over a root attached to the host.
inline void lay_out(modern::View& root, Size viewport) {
  layout::LayoutContext context;
  layout::run_layout_pass(root, viewport, context);
}

// Which view a point hits, or null.
inline modern::View* view_at(modern::View& root, Point point) {
  modern::HitResult result;
  return root.hit_test(point, result) ? result.view : nullptr;
}

inline modern::PointerEvent pointer(modern::PointerAction action, Point at, std::uint32_t id = 1) {
  modern::PointerEvent event;
  event.action = action;
  event.position = at;
  event.pointer_id = id;
  return event;
}

}  // namespace tree_test

namespace tree_test {

// A leaf whose content wants a given size; counts how often it is measured.
class Content : public modern::View {
 public:
  Content(float width, float height) : want_{width, height} {}
  Size want_;
  int measures = 0;

 protected:
  Size measure_content(const layout::Constraints&, layout::LayoutContext&) override {
    ++measures;
    return want_;
  }
};

// Adds a Content leaf of the given size to any group and returns it.
inline Content* add_content(modern::ViewGroup& group, float width, float height) {
  return static_cast<Content*>(group.add_child(std::make_unique<Content>(width, height)));
}

}  // namespace tree_test
