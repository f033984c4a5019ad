#include "backend_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "ui/graphics/path.h"

namespace win32_ui::backends_test {

using ui::graphics::Color;
using ui::graphics::RectF;
using ui::graphics::TextStyle;
using ui::graphics::Transform;

MemoryTarget::MemoryTarget(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<std::uint32_t*>(bits);
  dc_ = CreateCompatibleDC(nullptr);
  if (dc_ != nullptr && bitmap_ != nullptr) original_ = SelectObject(dc_, bitmap_);
  fill(0);
}

MemoryTarget::~MemoryTarget() {
  if (dc_ != nullptr) {
    if (original_ != nullptr) SelectObject(dc_, original_);
    DeleteDC(dc_);
  }
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
}

void MemoryTarget::fill(std::uint32_t rgb) {
  if (bits_ == nullptr) return;
  GdiFlush();
  std::fill(bits_, bits_ + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), rgb);
}

std::uint32_t MemoryTarget::at(int x, int y) const {
  GdiFlush();
  return bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] &
         0x00FFFFFFu;
}

orvane::test::Pixels MemoryTarget::pixels() const {
  orvane::test::Pixels result;
  result.width = static_cast<std::uint32_t>(width_);
  result.height = static_cast<std::uint32_t>(height_);
  result.argb.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) result.argb[static_cast<std::size_t>(y * width_ + x)] = 0xFF000000u | at(x, y);
  }
  return result;
}

SceneFonts::SceneFonts() {
  struct FontSize {
    int points;
    int weight;
  };
  constexpr FontSize specs[6] = {{22, 600}, {15, 600}, {11, 400}, {9, 400}, {11, 600}, {12, 600}};
  for (std::size_t i = 0; i < fonts.size(); ++i) {
    fonts[i] = CreateFontW(-static_cast<int>(std::lround(specs[i].points * 96.0 / 72.0)), 0, 0, 0, specs[i].weight,
                           FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
  }
}

SceneFonts::~SceneFonts() {
  for (HFONT font : fonts) {
    if (font != nullptr) DeleteObject(font);
  }
}

ui::graphics::Image make_image(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& argb) {
  // Little-endian 0xAARRGGBB values are B, G, R, A bytes in memory.
  std::vector<std::uint8_t> bytes(argb.size() * 4);
  if (!argb.empty()) std::memcpy(bytes.data(), argb.data(), bytes.size());
  ui::graphics::Image image;
  (void)ui::graphics::Image::from_pixels(width, height, width * 4, bytes, image);
  return image;
}

ui::graphics::Image make_ramp_image() {
  std::vector<std::uint32_t> pixels(64);
  for (std::uint32_t y = 0; y < 8; ++y) {
    for (std::uint32_t x = 0; x < 8; ++x) {
      pixels[y * 8 + x] = 0xFF000000u | ((40 + x * 30) << 16) | ((40 + y * 30) << 8) | 0x80u;
    }
  }
  return make_image(8, 8, pixels);
}

ui::graphics::Image make_solid_image(std::uint32_t rgb) {
  return make_image(16, 16, std::vector<std::uint32_t>(256, 0xFF000000u | rgb));
}

namespace {

Color rgb(std::uint32_t value) {
  return Color{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
               static_cast<std::uint8_t>(value)};
}

RectF rect(const RECT& r) {
  return RectF{static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.right),
               static_cast<float>(r.bottom)};
}

ui::graphics::Path two_squares(float x) {
  ui::graphics::Path path;
  path.move_to({x, 10}).line_to({x + 45, 10}).line_to({x + 45, 45}).line_to({x, 45}).close();
  path.move_to({x + 25, 15}).line_to({x + 70, 15}).line_to({x + 70, 55}).line_to({x + 25, 55}).close();
  return path;
}

}  // namespace

void paint_scene(ui::graphics::Canvas& canvas, const ui::graphics::Image& image) {
  static const auto translucent = make_solid_image(0x0000FF);
  canvas.clear(rgb(scene::background));

  // Shapes.
  canvas.fill_rect(rect(scene::solid_rect), rgb(0x2060C0));
  canvas.fill_rounded_rect({80, 10, 140, 50}, 8, rgb(0x30A050));
  canvas.stroke_rounded_rect({150, 10, 210, 50}, 8, rgb(0xC03030), 3);
  canvas.fill_path(two_squares(230), rgb(0x8040A0), true);
  canvas.fill_path(two_squares(310), rgb(0x8040A0), false);
  ui::graphics::Path curve;
  curve.move_to({392, 50}).bezier_to({400, 0}, {450, 70}, {470, 15});
  canvas.stroke_path(curve, rgb(0x000000), 2);
  canvas.fill_ellipse({10, 65, 70, 115}, rgb(0xE08020));
  canvas.stroke_ellipse({80, 65, 140, 115}, rgb(0x205020), 2);
  canvas.draw_line({150, 65}, {210, 115}, rgb(0x000080), 3);
  const layout::Point zigzag[4] = {{220, 115}, {240, 65}, {260, 115}, {280, 65}};
  canvas.draw_polyline(zigzag, rgb(0x800000), 2);
  canvas.fill_triangle({290, 115}, {320, 65}, {350, 115}, rgb(0x008080));

  // Text in every alignment of a 3 × 3 grid.
  for (int v = 0; v < 3; ++v) {
    for (int h = 0; h < 3; ++h) {
      const RectF cell{10.0f + h * 95.0f, 125.0f + v * 24.0f, 100.0f + h * 95.0f, 147.0f + v * 24.0f};
      canvas.fill_rect(cell, rgb(0xFFFFFF));
      TextStyle style;
      style.font_slot = 4;
      style.color = rgb(0x202020);
      style.horizontal_alignment = h;
      style.vertical_alignment = v;
      style.single_line = true;
      canvas.draw_text(L"Abc", cell, style);
    }
  }

  // Images: nearest and linear sampling, then opacity and an opacity layer.
  canvas.draw_image(image, {300, 125, 364, 189}, 1.0f, false);
  canvas.draw_image(image, {370, 125, 434, 189}, 1.0f, true);
  canvas.save();
  canvas.set_opacity(0.5f);
  canvas.draw_image(translucent, {440, 125, 470, 155}, 1.0f, true);
  canvas.restore();
  canvas.push_opacity_layer({440, 160, 470, 190}, 0.5f, 0);
  canvas.draw_image(translucent, {440, 160, 470, 190}, 1.0f, false);
  canvas.pop_opacity_layer();

  // Clips, nested save and restore.
  canvas.save();
  canvas.clip_rect({60, 205, 140, 255});
  canvas.fill_rect({10, 210, 200, 230}, rgb(0xA02080));
  canvas.save();
  canvas.clip_rect({60, 235, 100, 255});
  canvas.fill_rect({10, 235, 200, 255}, rgb(0x206020));
  canvas.restore();
  canvas.fill_rect({100, 240, 200, 250}, rgb(0x802020));
  canvas.restore();

  // Transforms: scaled and moved, then rotated about a point.
  canvas.save();
  canvas.set_transform(Transform::scaling(2, 2).then(Transform::translation(150, 220)));
  canvas.fill_rect({10, 6, 25, 13}, rgb(0x4040C0));
  canvas.fill_ellipse({30, 0, 50, 20}, rgb(0xC0C040));
  const float angle = 0.5235988f;
  const Transform rotation{std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), 0, 0};
  canvas.set_transform(rotation.about({320, 235}));
  canvas.fill_triangle({290, 250}, {320, 210}, {350, 250}, rgb(0x40A0A0));
  canvas.restore();
  canvas.fill_rect({370, 210, 470, 255}, rgb(0xD0D0E0));

  // Wrapped, ellipsis, bold and right-to-left text.
  TextStyle body;
  body.font_slot = 3;
  body.color = rgb(0x101010);
  canvas.draw_text(L"The quick brown fox jumps over the lazy dog again", {10, 262, 240, 302}, body);
  body.single_line = true;
  body.end_ellipsis = true;
  canvas.draw_text(L"An ellipsis ends this text that is much too long to fit", {10, 305, 240, 328}, body);
  TextStyle title;
  title.font_slot = 2;
  title.color = rgb(0x2050A0);
  title.horizontal_alignment = 1;
  title.single_line = true;
  canvas.draw_text(L"Centred title", {250, 262, 470, 292}, title);
  TextStyle rtl = body;
  rtl.end_ellipsis = false;
  rtl.reading_direction = 1;
  canvas.draw_text(L"Right to left", rect(scene::rtl_start_text), rtl);
  TextStyle heading;
  heading.font_slot = 1;
  heading.color = rgb(0x303030);
  heading.single_line = true;
  canvas.draw_text(L"Heading", {10, 328, 240, 360}, heading);
}

unsigned gdi_objects_in_use() {
  if (!orvane::test::running_under_wine()) return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  unsigned count = 0;
  for (std::uintptr_t index = 32; index < 0x10000; ++index) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++count;
  }
  return count;
}

double mismatch_fraction(const orvane::test::Pixels& a, const orvane::test::Pixels& b, int tolerance,
                         const RECT& skipped) {
  if (a.width != b.width || a.height != b.height || a.width == 0) return 1.0;
  const auto close = [tolerance](std::uint32_t p, std::uint32_t q) {
    for (int shift = 0; shift < 24; shift += 8) {
      if (std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)) > tolerance) {
        return false;
      }
    }
    return true;
  };
  const auto one_way = [&](const orvane::test::Pixels& from, const orvane::test::Pixels& to) {
    std::size_t misses = 0;
    for (int y = 0; y < static_cast<int>(from.height); ++y) {
      for (int x = 0; x < static_cast<int>(from.width); ++x) {
        bool matched = x >= skipped.left && x < skipped.right && y >= skipped.top && y < skipped.bottom;
        for (int dy = -1; dy <= 1 && !matched; ++dy) {
          for (int dx = -1; dx <= 1 && !matched; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= static_cast<int>(to.width) || ny >= static_cast<int>(to.height)) continue;
            matched = close(from.at(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)),
                            to.at(static_cast<std::uint32_t>(nx), static_cast<std::uint32_t>(ny)));
          }
        }
        if (!matched) ++misses;
      }
    }
    return static_cast<double>(misses) / (static_cast<double>(from.width) * from.height);
  };
  return std::max(one_way(a, b), one_way(b, a));
}

int mean_difference(const MemoryTarget& target, const RECT& area, std::uint32_t rgb) {
  long long sums[3] = {0, 0, 0};
  long long count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const std::uint32_t pixel = target.at(x, y);
      for (int c = 0; c < 3; ++c) sums[c] += (pixel >> (16 - 8 * c)) & 0xFF;
      ++count;
    }
  }
  int worst = 0;
  for (int c = 0; c < 3; ++c) {
    const int mean = static_cast<int>(sums[c] / std::max(1LL, count));
    worst = std::max(worst, std::abs(mean - static_cast<int>((rgb >> (16 - 8 * c)) & 0xFF)));
  }
  return worst;
}

int pixels_unlike(const MemoryTarget& target, const RECT& area, std::uint32_t rgb) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const std::uint32_t pixel = target.at(x, y);
      for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((rgb >> shift) & 0xFF)) > 64) {
          ++count;
          break;
        }
      }
    }
  }
  return count;
}

}  // namespace win32_ui::backends_test
