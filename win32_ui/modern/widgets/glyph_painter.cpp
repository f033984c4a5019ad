#include "modern/widgets/glyph_painter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "layout/text_style.h"

namespace win32_ui::modern {
namespace {

using layout::Point;
using ui::graphics::Canvas;
using ui::graphics::Color;
using ui::graphics::RectF;

// Coordinates of one glyph as fractions of the square's side around its centre.
struct Square {
  float cx;
  float cy;
  float h;

  [[nodiscard]] Point at(float fx, float fy) const noexcept { return Point{cx + fx * h, cy + fy * h}; }
  [[nodiscard]] RectF box(float left, float top, float right, float bottom) const noexcept {
    return RectF{cx + left * h, cy + top * h, cx + right * h, cy + bottom * h};
  }
  [[nodiscard]] RectF circle(float fx, float fy, float radius) const noexcept {
    return box(fx - radius, fy - radius, fx + radius, fy + radius);
  }
};

constexpr float pi = 3.14159265f;

}  // namespace

void paint_glyph(Canvas& canvas, int glyph, const RectF& rect, Color color, float stroke_width) {
  if (rect.is_degenerate() || glyph <= 0 || glyph >= 10) return;
  const float h = std::min(rect.width(), rect.height());
  const Square s{(rect.left + rect.right) * 0.5f, (rect.top + rect.bottom) * 0.5f, h};
  const float w = stroke_width;
  switch (glyph) {
    case 1: {  // a picture on a stand
      canvas.stroke_rounded_rect(s.box(-0.38f, -0.3f, 0.38f, 0.23f), 0.05f * h, color, w);
      canvas.draw_line(s.at(0.0f, 0.23f), s.at(0.0f, 0.38f), color, w);
      canvas.draw_line(s.at(-0.18f, 0.38f), s.at(0.18f, 0.38f), color, w);
      break;
    }
    case 2: {  // a folder
      const std::array<Point, 6> outline{s.at(-0.38f, 0.3f), s.at(-0.38f, -0.28f), s.at(-0.12f, -0.28f),
                                         s.at(-0.04f, -0.18f), s.at(0.38f, -0.18f), s.at(0.38f, 0.3f)};
      canvas.draw_polyline(outline, color, w);
      canvas.draw_line(s.at(0.38f, 0.3f), s.at(-0.38f, 0.3f), color, w);
      canvas.draw_line(s.at(-0.38f, -0.08f), s.at(0.38f, -0.08f), color, w);
      break;
    }
    case 3: {  // a sun: a disc and eight rays
      canvas.stroke_ellipse(s.circle(0.0f, 0.0f, 0.2f), color, w);
      for (int i = 0; i < 8; ++i) {
        const float angle = static_cast<float>(i) * pi / 4.0f;
        const float dx = std::cos(angle);
        const float dy = std::sin(angle);
        canvas.draw_line(s.at(0.29f * dx, 0.29f * dy), s.at(0.42f * dx, 0.42f * dy), color, w);
      }
      break;
    }
    case 4: {  // help: a question mark in a circle
      const RectF circle = s.circle(0.0f, 0.0f, 0.38f);
      canvas.stroke_ellipse(circle, color, w);
      ui::graphics::TextStyle style;
      style.font_slot = layout::font_slot(layout::TextStyle::button);
      style.color = color;
      style.horizontal_alignment = 1;
      style.vertical_alignment = 1;
      style.single_line = true;
      canvas.draw_text(L"?", circle, style);
      break;
    }
    case 5: {  // export: an arrow out of a tray
      canvas.draw_line(s.at(0.0f, 0.12f), s.at(0.0f, -0.36f), color, w);
      const std::array<Point, 3> head{s.at(-0.16f, -0.2f), s.at(0.0f, -0.36f), s.at(0.16f, -0.2f)};
      canvas.draw_polyline(head, color, w);
      const std::array<Point, 4> tray{s.at(-0.34f, 0.02f), s.at(-0.34f, 0.34f), s.at(0.34f, 0.34f), s.at(0.34f, 0.02f)};
      canvas.draw_polyline(tray, color, w);
      break;
    }
    case 6: {  // language: a globe with a meridian and two parallels
      canvas.stroke_ellipse(s.circle(0.0f, 0.0f, 0.38f), color, w);
      canvas.stroke_ellipse(s.box(-0.16f, -0.38f, 0.16f, 0.38f), color, w);
      canvas.draw_line(s.at(-0.38f, 0.0f), s.at(0.38f, 0.0f), color, w);
      canvas.draw_line(s.at(-0.32f, -0.19f), s.at(0.32f, -0.19f), color, w);
      canvas.draw_line(s.at(-0.32f, 0.19f), s.at(0.32f, 0.19f), color, w);
      break;
    }
    case 7: {  // dark theme: a crescent traced as a polyline
      std::array<Point, 25> crescent{};
      for (int i = 0; i <= 12; ++i) {
        const float t = -0.75f * pi + 1.5f * pi * static_cast<float>(i) / 12.0f;
        crescent[static_cast<std::size_t>(i)] = s.at(0.34f * std::cos(t + pi), 0.34f * std::sin(t + pi));
      }
      for (int i = 1; i <= 12; ++i) {
        const float t = 0.75f * pi - 1.5f * pi * static_cast<float>(i) / 12.0f;
        crescent[static_cast<std::size_t>(12 + i)] =
            s.at(0.12f + 0.24f * std::cos(t + pi), 0.24f * std::sin(t + pi) * 1.0f);
      }
      canvas.draw_polyline(crescent, color, w);
      break;
    }
    case 8: {  // a check mark
      const std::array<Point, 3> mark{s.at(-0.3f, 0.02f), s.at(-0.08f, 0.24f), s.at(0.32f, -0.22f)};
      canvas.draw_polyline(mark, color, w);
      break;
    }
    case 9: {  // close: two diagonals
      canvas.draw_line(s.at(-0.26f, -0.26f), s.at(0.26f, 0.26f), color, w);
      canvas.draw_line(s.at(-0.26f, 0.26f), s.at(0.26f, -0.26f), color, w);
      break;
    }
    default:
      break;
  }
}

}  // namespace win32_ui::modern
