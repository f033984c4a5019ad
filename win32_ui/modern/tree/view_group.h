#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "modern/tree/view.h"

namespace win32_ui::modern {

// A view that owns an ordered list of children: index 0 paints first and is hit last.
class ViewGroup : public View {
 public:
  ViewGroup() = default;
  ~ViewGroup() override;

  bool hit_test(layout::Point point, HitResult& result) override;
  bool dispatch_pointer(PointerEvent& event) override;
  void request_disallow_intercept(bool disallow) override;
  void paint_children(PaintContext& context) override;

  // Whether the group takes over a pointer sequence from its children (sending them a cancel).
  virtual bool intercept_pointer(PointerEvent& event);

  // Runs on every ancestor, innermost first, after keyboard focus moved onto a descendant.
  virtual void on_descendant_focused(View& descendant, FocusOrigin origin);

  // Takes ownership of a child and appends it; throws std::invalid_argument for a null child, one that
  // already has a parent, or this group or one of its ancestors, leaving the group unchanged.
  View* add_child(std::unique_ptr<View> child);

  // Detaches every child from the group and the host, then destroys them (once the current dispatch
  // has returned, when one is running).
  void clear_children();

  [[nodiscard]] std::size_t child_count() const noexcept { return children_.size(); }

  // The child at `index`, or null when out of range.
  [[nodiscard]] View* child_at(std::size_t index) const noexcept;

  [[nodiscard]] const std::vector<std::unique_ptr<View>>& children() const noexcept { return children_; }

  [[nodiscard]] bool disallow_intercept() const noexcept { return disallow_intercept_; }

 protected:
  // Runs after clear_children removed the children; panels drop what they kept per child.
  virtual void on_children_cleared();

 private:
  [[nodiscard]] View* captured_child(std::uint32_t pointer_id) const noexcept;
  void drop_capture(std::uint32_t pointer_id) noexcept;

  std::vector<std::unique_ptr<View>> children_;
  std::vector<std::pair<std::uint32_t, View*>> pointer_captures_;
  bool disallow_intercept_ = false;
};

}  // namespace win32_ui::modern
