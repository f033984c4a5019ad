#include "modern/panels/scroll_panel.h"

#include <algorithm>
#include <cmath>

#include "theme/palette.h"
#include "ui/graphics/color.h"

namespace win32_ui::modern {
namespace {

constexpr float bar_width = 4.0f;
constexpr float bar_inset = 3.0f;
constexpr float least_thumb = 24.0f;

bool contains(const layout::Rect& rect, layout::Point point) noexcept {
  return point.x >= rect.x && point.x < rect.x + rect.width && point.y >= rect.y && point.y < rect.y + rect.height;
}

}  // namespace

ScrollPanel::ScrollPanel() {
  set_clip_to_bounds(true);
  // The panel is hit wherever its content is not, so the wheel over a card's background still scrolls.
  set_accepts_pointer_input(true);
}

View* ScrollPanel::set_content(std::unique_ptr<View> content) {
  clear_children();
  offset_ = 0.0f;
  return content != nullptr ? add_child(std::move(content)) : nullptr;
}

View* ScrollPanel::content() const noexcept { return child_at(0); }

ScrollPanel& ScrollPanel::set_requested_height(float height) {
  const float value = std::isnan(height) ? layout::unbounded : std::max(0.0f, height);
  if (value == requested_height_) return *this;
  requested_height_ = value;
  invalidate_layout();
  return *this;
}

float ScrollPanel::max_offset() const noexcept { return std::max(0.0f, extent_ - viewport_height_); }

bool ScrollPanel::scroll_to(float offset) {
  const float target = std::clamp(std::isfinite(offset) ? offset : 0.0f, 0.0f, max_offset());
  if (target == offset_) return false;
  offset_ = target;
  offset_changed();
  return true;
}

bool ScrollPanel::scroll_by(float delta) { return scroll_to(offset_ + delta); }

bool ScrollPanel::reveal(const layout::Rect& rect) {
  View* child = content();
  if (!overflows() || child == nullptr) return false;
  // Measured from the content's own top, which moved with the descendant at the last arrangement:
  // right even when several moves come before the next layout.
  const float top = rect.y - child->arranged_rect().y;
  const float bottom = top + rect.height;
  float target = offset_;
  if (bottom > offset_ + viewport_height_) target = bottom - viewport_height_;
  if (top < target) target = top;
  return scroll_to(target);
}

layout::Rect ScrollPanel::bar_track() const noexcept {
  if (!overflows()) return {};
  return layout::Rect{viewport_.x + viewport_.width - bar_gutter, viewport_.y, bar_gutter, viewport_height_};
}

layout::Rect ScrollPanel::bar_thumb() const noexcept {
  if (!overflows() || extent_ <= 0.0f) return {};
  const layout::Rect track = bar_track();
  const float length = std::min(track.height, std::max(least_thumb, track.height * viewport_height_ / extent_));
  const float travel = track.height - length;
  const float top = track.y + (max_offset() > 0.0f ? travel * offset_ / max_offset() : 0.0f);
  return layout::Rect{track.x, top, track.width, length};
}

bool ScrollPanel::on_pointer(PointerEvent& event) {
  switch (event.action) {
    case PointerAction::wheel:
      // At either end the wheel goes on to the ancestors.
      return scroll_by(-event.wheel_delta * wheel_step);
    case PointerAction::down: {
      if ((event.buttons & pointer_button_primary) == 0) return false;
      const layout::Rect track = bar_track();
      if (!contains(track, event.position)) return false;
      const layout::Rect thumb = bar_thumb();
      if (!contains(thumb, event.position)) {
        // A press on the track pages towards it, as Windows' scroll bars do.
        scroll_by(event.position.y < thumb.y ? -viewport_height_ : viewport_height_);
        return true;
      }
      dragging_ = true;
      drag_start_y_ = event.position.y;
      drag_start_offset_ = offset_;
      return true;
    }
    case PointerAction::move: {
      if (!dragging_) return false;
      const layout::Rect track = bar_track();
      const float travel = track.height - bar_thumb().height;
      if (travel > 0.0f) scroll_to(drag_start_offset_ + (event.position.y - drag_start_y_) * max_offset() / travel);
      return true;
    }
    case PointerAction::up:
    case PointerAction::cancel: {
      const bool was = dragging_;
      dragging_ = false;
      return was;
    }
    default:
      return false;
  }
}

void ScrollPanel::paint_foreground(PaintContext& context) {
  ViewGroup::paint_foreground(context);
  if (!overflows() || context.palette == nullptr || context.canvas == nullptr) return;
  const layout::Rect thumb = bar_thumb();
  const float centre = thumb.x + thumb.width * 0.5f;
  const layout::Rect bar{centre - bar_width * 0.5f, thumb.y + bar_inset, bar_width,
                         std::max(0.0f, thumb.height - 2.0f * bar_inset)};
  // The text colour mixed into the window's background reads as a quiet bar on both palettes;
  // stronger while dragged. Mixed here, as not every back-end fades plain fills.
  const Palette& palette = *context.palette;
  const auto over = ui::graphics::Color::from_colorref(palette.color(Palette::text));
  const auto under = ui::graphics::Color::from_colorref(palette.color(Palette::window_background));
  const float weight = dragging_ ? 0.6f : 0.35f;
  auto mix = [weight](std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>(std::lround(static_cast<float>(a) * weight + static_cast<float>(b) * (1.0f - weight)));
  };
  context.canvas->fill_rounded_rect(context.to_pixels(bar), context.to_pixels(bar_width * 0.5f),
                                    ui::graphics::Color{mix(over.r, under.r), mix(over.g, under.g), mix(over.b, under.b)});
}

void ScrollPanel::on_descendant_focused(View& descendant, FocusOrigin origin) {
  // A click already shows what it hit; moving the content under the pointer would surprise.
  if (origin == FocusOrigin::pointer) return;
  reveal(descendant.arranged_rect());
}

layout::Size ScrollPanel::measure_content(const layout::Constraints& available, layout::LayoutContext& context) {
  View* child = content();
  if (child == nullptr) return {};
  const layout::Constraints unbounded_height{0.0f, 0.0f, available.max_width, layout::unbounded};
  const layout::Size desired = child->measure(unbounded_height, context);
  // Asks for the content's height; whatever the parent gives is the window onto it.
  return layout::Size{desired.width, std::min({desired.height, available.max_height, requested_height_})};
}

void ScrollPanel::arrange_content(const layout::Rect& content_rect, layout::LayoutContext& context) {
  viewport_ = content_rect;
  viewport_height_ = content_rect.height;
  View* child = content();
  if (child == nullptr) {
    extent_ = 0.0f;
    offset_ = 0.0f;
    return;
  }
  extent_ = child->desired_size().height;
  offset_ = std::clamp(offset_, 0.0f, max_offset());
  const float width = overflows() ? std::max(0.0f, content_rect.width - bar_gutter) : content_rect.width;
  child->arrange(layout::Rect{content_rect.x, content_rect.y - offset_, width, std::max(extent_, content_rect.height)},
                 context);
}

void ScrollPanel::offset_changed() {
  // Only the arrangement moves, so the measure caches stay valid; the layout the host runs repaints,
  // moves the native controls and tells accessibility of the new bounds.
  if (ViewHost* h = host()) h->invalidate_layout();
}

}  // namespace win32_ui::modern
