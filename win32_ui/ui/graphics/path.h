#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "layout/geometry.h"

namespace win32_ui::ui::graphics {

// A vector outline built by the caller and only read by canvases: a list of figures, each a start
// point followed by straight and cubic Bezier segments, open or closed.
class Path {
 public:
  enum class SegmentKind : std::uint8_t {
    Line = 0,
    Bezier = 1,
  };

  // A line uses points[0] as its end; a Bezier uses two control points and its end point.
  struct Segment {
    SegmentKind kind = SegmentKind::Line;
    std::array<layout::Point, 3> points{};

    [[nodiscard]] layout::Point end() const noexcept { return kind == SegmentKind::Line ? points[0] : points[2]; }

    friend bool operator==(const Segment&, const Segment&) = default;
  };

  struct Figure {
    layout::Point start;
    std::vector<Segment> segments;
    bool closed = false;

    friend bool operator==(const Figure&, const Figure&) = default;
  };

  // Starts a new figure at `point`.
  Path& move_to(layout::Point point);

  // Adds a straight segment; without an open figure it starts one at `point` instead.
  Path& line_to(layout::Point point);

  // Adds a cubic Bezier segment; without an open figure it starts one at `control1` first.
  Path& bezier_to(layout::Point control1, layout::Point control2, layout::Point end);

  // Closes the current figure back to its start; the next segment needs a new move_to.
  Path& close();

  [[nodiscard]] const std::vector<Figure>& figures() const noexcept { return figures_; }

  // True when no figure has a segment, so nothing would be drawn.
  [[nodiscard]] bool is_empty() const noexcept;

  friend bool operator==(const Path&, const Path&) = default;

 private:
  Figure& open_figure(layout::Point start_if_none);

  std::vector<Figure> figures_;
  bool figure_open_ = false;
};

}  // namespace win32_ui::ui::graphics
