#include "ui/graphics/path.h"

namespace win32_ui::ui::graphics {

Path& Path::move_to(layout::Point point) {
  // A figure without segments draws nothing; reuse it instead of keeping an empty figure.
  if (figure_open_ && figures_.back().segments.empty()) {
    figures_.back().start = point;
  } else {
    figures_.push_back(Figure{point, {}, false});
  }
  figure_open_ = true;
  return *this;
}

Path& Path::line_to(layout::Point point) {
  if (!figure_open_) return move_to(point);
  figures_.back().segments.push_back(Segment{SegmentKind::Line, {point, point, point}});
  return *this;
}

Path& Path::bezier_to(layout::Point control1, layout::Point control2, layout::Point end) {
  open_figure(control1).segments.push_back(Segment{SegmentKind::Bezier, {control1, control2, end}});
  return *this;
}

Path& Path::close() {
  if (figure_open_) {
    figures_.back().closed = true;
    figure_open_ = false;
  }
  return *this;
}

bool Path::is_empty() const noexcept {
  for (const auto& figure : figures_) {
    if (!figure.segments.empty()) return false;
  }
  return true;
}

Path::Figure& Path::open_figure(layout::Point start_if_none) {
  if (!figure_open_) move_to(start_if_none);
  return figures_.back();
}

}  // namespace win32_ui::ui::graphics
