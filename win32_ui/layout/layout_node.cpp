#include "layout/layout_node.h"

#include <algorithm>
#include <cmath>

#include "localization/localization_context.h"

namespace win32_ui::layout {
namespace {

// Clamps into [low, high]; a NaN length falls to the lower bound.
float clamp_into(float value, float low, float high) noexcept {
  if (!(value >= low)) value = low;
  if (value > high) value = high;
  return value;
}

// A node's own lower bound: the clamp rule, and NaN counts as no bound.
float own_min(float value) noexcept {
  return std::isnan(value) ? 0.0f : clamp_length(value);
}

// A node's own upper bound: the clamp rule, and NaN counts as no bound.
float own_max(float value) noexcept {
  return std::isnan(value) ? unbounded : clamp_length(value);
}

// Takes a margin or padding sum off the constraints: minimums stay at or above 0, infinite maximums stay infinite.
Constraints deflate(const Constraints& c, float horizontal, float vertical) noexcept {
  Constraints result = c;
  result.min_width = std::max(c.min_width - horizontal, 0.0f);
  result.min_height = std::max(c.min_height - vertical, 0.0f);
  if (!std::isinf(c.max_width)) result.max_width = std::max(c.max_width - horizontal, 0.0f);
  if (!std::isinf(c.max_height)) result.max_height = std::max(c.max_height - vertical, 0.0f);
  return result;
}

// Narrows constraints to one axis's own min, max and fixed length.
void apply_bounds(float& low, float& high, float node_min, float node_max, bool has_fixed, float fixed) noexcept {
  low = std::max(own_min(node_min), low);
  high = std::min(high, std::max(own_max(node_max), low));
  if (has_fixed && !std::isnan(fixed)) {
    const float length = clamp_into(clamp_length(fixed), low, high);
    low = length;
    high = length;
  }
}

// A margin or padding as layout uses it: every side a finite length (NaN and negatives act as 0).
Thickness finite_sides(const Thickness& t) noexcept {
  return Thickness{finite_length(t.left), finite_length(t.top), finite_length(t.right), finite_length(t.bottom)};
}

Rect deflate_rect(const Rect& rect, const Thickness& by) noexcept {
  return Rect{rect.x + by.left, rect.y + by.top, std::max(rect.width - by.horizontal(), 0.0f),
              std::max(rect.height - by.vertical(), 0.0f)};
}

// A slot or rect with finite coordinates and lengths, whatever arithmetic produced it.
Rect finite_rect(const Rect& rect) noexcept {
  return Rect{finite_coordinate(rect.x), finite_coordinate(rect.y), finite_length(rect.width),
              finite_length(rect.height)};
}

bool same_params(const LayoutParams& a, const LayoutParams& b) noexcept {
  // Compared bitwise per field so that a NaN set twice counts as unchanged.
  auto same = [](float x, float y) { return x == y || (std::isnan(x) && std::isnan(y)); };
  auto same_thickness = [&](const Thickness& x, const Thickness& y) {
    return same(x.left, y.left) && same(x.top, y.top) && same(x.right, y.right) && same(x.bottom, y.bottom);
  };
  return a.horizontal_alignment == b.horizontal_alignment && a.vertical_alignment == b.vertical_alignment &&
         a.visibility == b.visibility && same_thickness(a.margin, b.margin) && same_thickness(a.padding, b.padding) &&
         same(a.fixed_width, b.fixed_width) && a.has_fixed_width == b.has_fixed_width &&
         same(a.fixed_height, b.fixed_height) && a.has_fixed_height == b.has_fixed_height &&
         same(a.min_width, b.min_width) && same(a.min_height, b.min_height) && same(a.max_width, b.max_width) &&
         same(a.max_height, b.max_height);
}

}  // namespace

LayoutNode::MeasureKey LayoutNode::key_for(const Constraints& normalized_constraints, const LayoutContext& context) {
  MeasureKey key;
  key.constraints = normalized_constraints;
  key.dpi = context.dpi;
  key.palette = context.palette;
  key.palette_generation = context.palette_generation;
  key.localization = context.localization;
  key.localization_revision = context.localization != nullptr ? context.localization->revision() : 0;
  key.flow_direction = context.flow_direction;
  key.text_measurer = context.text_measurer;
  return key;
}

Size LayoutNode::measure(const Constraints& constraints, LayoutContext& context) {
  flow_direction_ = context.flow_direction;
  const Constraints normalized = constraints.normalized();
  if (params_.visibility == Visibility::collapsed) {
    desired_size_ = {};
    measured_size_ = {};
    return desired_size_;
  }
  const MeasureKey key = key_for(normalized, context);
  if (measure_valid_) {
    for (int i = 0; i < static_cast<int>(cache_.size()); ++i) {
      if (cache_[i].valid && cache_[i].key == key) {
        desired_size_ = cache_[i].desired;
        measured_size_ = cache_[i].measured;
        reported_entry_ = i;
        newest_entry_ = i;
        return desired_size_;
      }
    }
  }
  measure_uncached(key, context);
  return desired_size_;
}

void LayoutNode::measure_uncached(const MeasureKey& key, LayoutContext& context) {
  // Reuse the entry for this key if there is one, else the older of the two.
  int slot = -1;
  for (int i = 0; i < static_cast<int>(cache_.size()); ++i) {
    if (cache_[i].valid && cache_[i].key == key) slot = i;
  }
  if (slot < 0) slot = measure_valid_ && cache_[newest_entry_].valid ? 1 - newest_entry_ : newest_entry_;

  const Constraints& normalized = key.constraints;
  const Thickness margin = finite_sides(params_.margin);
  const Thickness padding = finite_sides(params_.padding);
  Constraints outer = deflate(normalized, margin.horizontal(), margin.vertical());
  apply_bounds(outer.min_width, outer.max_width, params_.min_width, params_.max_width, params_.has_fixed_width,
               params_.fixed_width);
  apply_bounds(outer.min_height, outer.max_height, params_.min_height, params_.max_height,
               params_.has_fixed_height, params_.fixed_height);
  const Constraints inner = deflate(outer, padding.horizontal(), padding.vertical());

  // The cache is marked valid before the content runs, so a child invalidating upwards during it reaches us.
  cache_[slot].valid = false;
  measure_valid_ = true;
  const Size content = measure_content(inner, context);
  const float content_width = clamp_into(content.width, inner.min_width, inner.max_width);
  const float content_height = clamp_into(content.height, inner.min_height, inner.max_height);

  measured_size_ = {clamp_into(content_width + padding.horizontal(), outer.min_width, outer.max_width),
                    clamp_into(content_height + padding.vertical(), outer.min_height, outer.max_height)};
  desired_size_ = {clamp_into(measured_size_.width + margin.horizontal(), normalized.min_width, normalized.max_width),
                   clamp_into(measured_size_.height + margin.vertical(), normalized.min_height, normalized.max_height)};
  // Infinite or NaN bounds and content sizes stop here, before any parent adds them up.
  measured_size_ = {finite_length(measured_size_.width), finite_length(measured_size_.height)};
  desired_size_ = {finite_length(desired_size_.width), finite_length(desired_size_.height)};

  if (!measure_valid_) return;  // invalidated while measuring: remember nothing
  cache_[slot] = CacheEntry{key, desired_size_, measured_size_, true};
  newest_entry_ = slot;
  reported_entry_ = slot;
  content_entry_ = slot;
}

void LayoutNode::arrange(const Rect& given_slot, LayoutContext& context) {
  flow_direction_ = context.flow_direction;
  const Rect slot = finite_rect(given_slot);
  if (params_.visibility == Visibility::collapsed) {
    arranged_rect_ = Rect{slot.x, slot.y, 0.0f, 0.0f};
    content_rect_ = arranged_rect_;
    arrange_content(content_rect_, context);
    return;
  }

  // A cache hit on the older entry left the content's state (children's sizes, track lengths) from the
  // other measure; measure again for the size that was handed out so the content is placed as measured.
  if (measure_valid_ && reported_entry_ >= 0 && reported_entry_ != content_entry_ && cache_[reported_entry_].valid) {
    const MeasureKey key = cache_[reported_entry_].key;
    if (key_for(key.constraints, context) == key) measure_uncached(key, context);
  }

  const Rect available = deflate_rect(slot, finite_sides(params_.margin));
  const bool rtl = flow_direction_ == FlowDirection::right_to_left;

  float width = 0.0f;
  if (params_.has_fixed_width) {
    width = params_.fixed_width;
  } else if (params_.horizontal_alignment == HorizontalAlignment::stretch) {
    width = available.width;
  } else {
    width = std::min(measured_size_.width, available.width);
  }
  const float min_width = own_min(params_.min_width);
  width = clamp_into(width, min_width, std::max(own_max(params_.max_width), min_width));
  width = std::min(width, available.width);

  float height = 0.0f;
  if (params_.has_fixed_height) {
    height = params_.fixed_height;
  } else if (params_.vertical_alignment == VerticalAlignment::stretch) {
    height = available.height;
  } else {
    height = std::min(measured_size_.height, available.height);
  }
  const float min_height = own_min(params_.min_height);
  height = clamp_into(height, min_height, std::max(own_max(params_.max_height), min_height));
  height = std::min(height, available.height);

  HorizontalAlignment h = params_.horizontal_alignment;
  if (rtl) {
    if (h == HorizontalAlignment::end) {
      h = HorizontalAlignment::start;
    } else if (h == HorizontalAlignment::start || h == HorizontalAlignment::stretch) {
      h = HorizontalAlignment::end;
    }
  }
  float x = available.x;
  if (h == HorizontalAlignment::center) {
    x = available.x + (available.width - width) * 0.5f;
  } else if (h == HorizontalAlignment::end) {
    x = available.x + available.width - width;
  }
  float y = available.y;
  if (params_.vertical_alignment == VerticalAlignment::center) {
    y = available.y + (available.height - height) * 0.5f;
  } else if (params_.vertical_alignment == VerticalAlignment::bottom) {
    y = available.y + available.height - height;
  }

  arranged_rect_ = finite_rect(Rect{x, y, width, height});
  content_rect_ = deflate_rect(arranged_rect_, finite_sides(params_.padding));
  arrange_content(content_rect_, context);
}

bool LayoutNode::set_layout(const LayoutParams& params) {
  if (same_params(params, params_)) return false;
  params_ = params;
  invalidate_measure();
  return true;
}

void LayoutNode::invalidate_measure() noexcept {
  // Stops at the first ancestor already invalid: everything above it was cleared when it was.
  LayoutNode* node = this;
  bool first = true;
  while (node != nullptr) {
    if (!first && !node->measure_valid_) break;
    node->measure_valid_ = false;
    for (CacheEntry& entry : node->cache_) entry.valid = false;
    node->reported_entry_ = -1;
    node->content_entry_ = -1;
    node = node->layout_parent_;
    first = false;
  }
}

Size run_layout_pass(LayoutNode& root, Size viewport, LayoutContext& context) {
  const float width = std::isnan(viewport.width) ? 0.0f : clamp_length(viewport.width);
  const float viewport_height = std::isnan(viewport.height) ? 0.0f : clamp_length(viewport.height);
  const Size desired = root.measure(Constraints{0.0f, 0.0f, width, unbounded}, context);
  const float height = std::max(desired.height, viewport_height);
  root.arrange(Rect{0.0f, 0.0f, width, height}, context);
  return Size{width, height};
}

}  // namespace win32_ui::layout
