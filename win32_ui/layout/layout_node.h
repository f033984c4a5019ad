#pragma once

#include <array>
#include <cstdint>

#include "layout/geometry.h"
#include "layout/layout_context.h"

namespace win32_ui::layout {

enum class HorizontalAlignment { stretch = 0, start = 1, center = 2, end = 3 };
enum class VerticalAlignment { stretch = 0, top = 1, center = 2, bottom = 3 };
enum class Visibility { visible = 0, hidden = 1, collapsed = 2 };

// Everything a parent's placement of a node depends on besides the node's content.
struct LayoutParams {
  HorizontalAlignment horizontal_alignment = HorizontalAlignment::stretch;
  VerticalAlignment vertical_alignment = VerticalAlignment::stretch;
  Visibility visibility = Visibility::visible;
  Thickness margin{};
  Thickness padding{};
  float fixed_width = 0.0f;
  bool has_fixed_width = false;
  float fixed_height = 0.0f;
  bool has_fixed_height = false;
  float min_width = 0.0f;
  float min_height = 0.0f;
  float max_width = unbounded;
  float max_height = unbounded;
};

// The layout half of every view: size bounds, alignment and visibility, and the measure/arrange protocol.
class LayoutNode {
 public:
  LayoutNode() = default;
  LayoutNode(const LayoutNode&) = delete;
  LayoutNode& operator=(const LayoutNode&) = delete;
  virtual ~LayoutNode() = default;

  // Desired size including the margin for the given room; cached while constraints and context repeat.
  Size measure(const Constraints& constraints, LayoutContext& context);

  // Places the node's border box into the slot its parent chose, then lays out its content.
  void arrange(const Rect& slot, LayoutContext& context);

  [[nodiscard]] Size desired_size() const noexcept { return desired_size_; }
  [[nodiscard]] Size measured_size() const noexcept { return measured_size_; }
  [[nodiscard]] Rect arranged_rect() const noexcept { return arranged_rect_; }
  [[nodiscard]] Rect content_rect() const noexcept { return content_rect_; }
  [[nodiscard]] FlowDirection flow_direction() const noexcept { return flow_direction_; }
  [[nodiscard]] bool measure_valid() const noexcept { return measure_valid_; }

  [[nodiscard]] const LayoutParams& layout() const noexcept { return params_; }
  [[nodiscard]] Visibility visibility() const noexcept { return params_.visibility; }
  [[nodiscard]] const Thickness& padding() const noexcept { return params_.padding; }
  [[nodiscard]] const Thickness& margin() const noexcept { return params_.margin; }

  // Replaces the layout parameters; returns whether anything changed (a change clears the measure cache upwards).
  bool set_layout(const LayoutParams& params);

  // Forgets the cached measure here and on every ancestor up to the first one already forgotten.
  void invalidate_measure() noexcept;

  [[nodiscard]] LayoutNode* layout_parent() const noexcept { return layout_parent_; }
  void set_layout_parent(LayoutNode* parent) noexcept { layout_parent_ = parent; }

 protected:
  // The size the content wants inside the content constraints.
  virtual Size measure_content(const Constraints& available, LayoutContext& context) = 0;

  // Places the content's children inside the content rect.
  virtual void arrange_content(const Rect& content, LayoutContext& context) = 0;

 private:
  // Inputs of one measure: the normalised constraints and the identity of the layout context.
  struct MeasureKey {
    Constraints constraints;
    int dpi = 0;
    const void* palette = nullptr;
    std::uint64_t palette_generation = 0;
    const void* localization = nullptr;
    std::uint64_t localization_revision = 0;
    FlowDirection flow_direction = FlowDirection::left_to_right;
    const void* text_measurer = nullptr;

    friend bool operator==(const MeasureKey&, const MeasureKey&) = default;
  };

  struct CacheEntry {
    MeasureKey key;
    Size desired;
    Size measured;
    bool valid = false;
  };

  static MeasureKey key_for(const Constraints& normalized_constraints, const LayoutContext& context);
  void measure_uncached(const MeasureKey& key, LayoutContext& context);

  LayoutNode* layout_parent_ = nullptr;
  LayoutParams params_{};
  Size desired_size_{};
  Size measured_size_{};
  Rect arranged_rect_{};
  Rect content_rect_{};
  // Two remembered measures: a grid measures each child twice per pass, so one entry would always miss.
  std::array<CacheEntry, 2> cache_{};
  int newest_entry_ = 0;
  int reported_entry_ = -1;  // entry whose sizes were handed out last
  int content_entry_ = -1;   // entry whose measure_content call the content's state reflects
  FlowDirection flow_direction_ = FlowDirection::left_to_right;
  bool measure_valid_ = false;
};

// The pass a surface runs on its root: measure against the viewport width with unbounded height, then
// arrange at the origin to the viewport width and the larger of the desired and viewport heights.
// Returns the laid-out size.
Size run_layout_pass(LayoutNode& root, Size viewport, LayoutContext& context);

}  // namespace win32_ui::layout
