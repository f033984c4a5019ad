#include "modern/panels/stack_panel.h"

#include <algorithm>
#include <cmath>

namespace win32_ui::modern {
namespace {

float sanitized_spacing(float spacing) noexcept { return layout::finite_length(spacing); }

bool collapsed(const View& view) noexcept { return view.visibility() == layout::Visibility::collapsed; }

}  // namespace

StackPanel::StackPanel(Orientation orientation, float spacing, const layout::Thickness& padding)
    : orientation_(orientation), spacing_(sanitized_spacing(spacing)) {
  set_padding(padding);
}

StackPanel& StackPanel::set_orientation(Orientation orientation) {
  if (orientation == orientation_) return *this;
  orientation_ = orientation;
  invalidate_layout();
  return *this;
}

StackPanel& StackPanel::set_spacing(float spacing) {
  const float value = sanitized_spacing(spacing);
  if (value == spacing_) return *this;
  spacing_ = value;
  invalidate_layout();
  return *this;
}

layout::Size StackPanel::measure_content(const layout::Constraints& available, layout::LayoutContext& context) {
  const bool horizontal = orientation_ == Orientation::horizontal;
  layout::Constraints child_constraints{0.0f, 0.0f, layout::unbounded, layout::unbounded};
  if (horizontal) {
    child_constraints.max_height = available.max_height;
  } else {
    child_constraints.max_width = available.max_width;
  }
  float main = 0.0f;
  float cross = 0.0f;
  int count = 0;
  for (const auto& child : children()) {
    if (collapsed(*child)) continue;
    const layout::Size desired = child->measure(child_constraints, context);
    main += horizontal ? desired.width : desired.height;
    cross = std::max(cross, horizontal ? desired.height : desired.width);
    ++count;
  }
  if (count >= 2) main += static_cast<float>(count - 1) * spacing_;
  return horizontal ? layout::Size{main, cross} : layout::Size{cross, main};
}

void StackPanel::arrange_content(const layout::Rect& content, layout::LayoutContext& context) {
  const bool horizontal = orientation_ == Orientation::horizontal;
  float total = 0.0f;
  int count = 0;
  for (const auto& child : children()) {
    if (collapsed(*child)) continue;
    const layout::Size desired = child->desired_size();
    total += horizontal ? desired.width : desired.height;
    ++count;
  }
  const float gaps = count >= 2 ? static_cast<float>(count - 1) * spacing_ : 0.0f;
  const float room = horizontal ? content.width : content.height;
  float factor = 1.0f;
  if (!(total + gaps <= room) && total > 0.0f) factor = std::max(room - gaps, 0.0f) / total;

  float cursor = horizontal ? content.x : content.y;
  for (const auto& child : children()) {
    if (collapsed(*child)) {
      child->arrange(layout::Rect{content.x, content.y, 0.0f, 0.0f}, context);
      continue;
    }
    const layout::Size desired = child->desired_size();
    const float length = (horizontal ? desired.width : desired.height) * factor;
    if (horizontal) {
      child->arrange(layout::Rect{cursor, content.y, length, content.height}, context);
    } else {
      child->arrange(layout::Rect{content.x, cursor, content.width, length}, context);
    }
    cursor += length + spacing_;
  }
}

}  // namespace win32_ui::modern
