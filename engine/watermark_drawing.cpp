#include "watermark_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "gdiplus_support.h"
#include "stamp_blending.h"

namespace orvane::engine {
namespace {

namespace flat = gdiplus::flat;

constexpr float kMinimumStep = 32.0f;
// Stamps whose positions lie within this fraction of a pixel of each other share one rendering
// of the text. It must stay tiny: GDI+ may snap a whole string to the nearest pixel, and a stamp
// drawn from a rendering on the other side of that rounding would sit a pixel off.
constexpr int kPhaseSteps = 1024;

// The bold font in pixels of `family`, standing in the generic sans-serif family for one that is
// not installed, and "Arial" when neither gives a font.
gdiplus::FontPtr create_font(const std::wstring& family, float size) {
  auto font_from = [size](Gdiplus::GpFontFamily* font_family) -> gdiplus::FontPtr {
    Gdiplus::GpFont* font = nullptr;
    if (font_family == nullptr ||
        flat::GdipCreateFont(font_family, size, Gdiplus::FontStyleBold, Gdiplus::UnitPixel, &font) != Gdiplus::Ok) {
      return nullptr;
    }
    return gdiplus::FontPtr(font);
  };

  Gdiplus::GpFontFamily* named = nullptr;
  gdiplus::FontPtr font;
  if (flat::GdipCreateFontFamilyFromName(family.c_str(), nullptr, &named) == Gdiplus::Ok && named != nullptr) {
    gdiplus::FontFamilyPtr owned(named);
    font = font_from(owned.get());
  } else {
    Gdiplus::GpFontFamily* generic = nullptr;
    if (flat::GdipGetGenericFontFamilySansSerif(&generic) == Gdiplus::Ok && generic != nullptr) {
      gdiplus::FontFamilyPtr owned(generic);
      font = font_from(owned.get());
    }
  }
  if (font) return font;
  Gdiplus::GpFontFamily* arial = nullptr;
  if (flat::GdipCreateFontFamilyFromName(L"Arial", nullptr, &arial) == Gdiplus::Ok && arial != nullptr) {
    gdiplus::FontFamilyPtr owned(arial);
    font = font_from(owned.get());
  }
  return font;
}

struct TextExtent {
  float width = 0;
  float height = 0;
};

// The bounding box of the text laid out from the origin with no wrapping.
TextExtent measure(Gdiplus::GpGraphics* graphics, const std::wstring& text, Gdiplus::GpFont* font) {
  Gdiplus::RectF layout(0, 0, 0, 0), box(0, 0, 0, 0);
  flat::GdipMeasureString(graphics, text.c_str(), static_cast<INT>(text.size()), font, &layout, nullptr, &box, nullptr,
                          nullptr);
  return {box.Width, box.Height};
}

// Draws one stamp turned about (x, y), with the text block's origin at `origin` relative to it.
void stamp(Gdiplus::GpGraphics* graphics, const WatermarkOptions& options, Gdiplus::GpFont* font,
           Gdiplus::GpBrush* brush, float x, float y, float origin_x, float origin_y) {
  Gdiplus::GraphicsState state = 0;
  flat::GdipSaveGraphics(graphics, &state);
  flat::GdipTranslateWorldTransform(graphics, x, y, Gdiplus::MatrixOrderPrepend);
  if (options.rotation != 0.0f) flat::GdipRotateWorldTransform(graphics, options.rotation, Gdiplus::MatrixOrderPrepend);
  Gdiplus::RectF layout(origin_x, origin_y, 0, 0);
  flat::GdipDrawString(graphics, options.text.c_str(), static_cast<INT>(options.text.size()), font, &layout, nullptr,
                       brush);
  flat::GdipRestoreGraphics(graphics, state);
}

// The next lattice coordinate, accumulated in single precision; where a step no longer changes
// the value (coordinates beyond 2^24 with small steps) it ends the loop instead of spinning.
float advance(float value, float step) {
  const float next = value + step;
  return next > value ? next : std::numeric_limits<float>::infinity();
}

// The tiled layouts place many stamps off the bitmap (the staggered grid covers 2.8 x 2.5 image
// sizes); one whose text cannot reach the bitmap is skipped, which leaves the picture unchanged.
struct TileCulling {
  float reach = 0;  // farthest any drawn pixel of a stamp can lie from its turning point
  float width = 0;
  float height = 0;
  [[nodiscard]] bool visible(float x, float y) const noexcept {
    return x + reach >= 0 && x - reach <= width && y + reach >= 0 && y - reach <= height;
  }
};

TileCulling culling_for(const TextExtent& extent, float font_size, float width, float height) {
  // The text block spans (0, 0)-(w, h) from the turning point; glyph overhang gets a font size more.
  const float reach = std::sqrt(extent.width * extent.width + extent.height * extent.height) + font_size;
  if (!(reach >= 0) || !std::isfinite(reach)) return {std::numeric_limits<float>::infinity(), width, height};
  return {reach, width, height};
}

// The turning points of the grid's stamps that can reach the bitmap, in drawing order.
std::vector<Gdiplus::PointF> grid_points(const WatermarkOptions& options, const TileCulling& culling) {
  const float step_x = std::max(options.spacing_x, kMinimumStep);
  const float step_y = std::max(options.spacing_y, kMinimumStep);
  std::vector<Gdiplus::PointF> points;
  for (float y = -step_y; y <= culling.height + step_y; y = advance(y, step_y)) {
    for (float x = -step_x; x <= culling.width + step_x; x = advance(x, step_x)) {
      if (culling.visible(x, y)) points.emplace_back(x, y);
    }
  }
  return points;
}

// The same for the staggered grid.
std::vector<Gdiplus::PointF> staggered_points(const WatermarkOptions& options, const TileCulling& culling) {
  const float step_x = std::max(options.spacing_x, kMinimumStep);
  const float step_y = std::max(options.spacing_y, kMinimumStep);
  const float width = culling.width, height = culling.height;
  std::vector<Gdiplus::PointF> points;
  int row = 0;
  for (float y = -height; y <= 1.5f * height; y = advance(y, step_y), ++row) {
    const float offset = (row % 2 == 1) ? 0.5f * step_x : 0.0f;
    for (float x = -width; x <= 1.8f * width; x = advance(x, step_x)) {
      if (culling.visible(x + offset, y)) points.emplace_back(x + offset, y);
    }
  }
  return points;
}

void set_quality(Gdiplus::GpGraphics* graphics) {
  flat::GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
  flat::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
  flat::GdipSetTextRenderingHint(graphics, Gdiplus::TextRenderingHintAntiAliasGridFit);
}

// The pixels a stamp can touch around its turning point: the turned text block with a margin of
// two font sizes for glyphs that reach past the measured box. `left` and `top` are negative.
struct StampBox {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// The box, or nothing when it would hold more than `limit` pixels.
std::optional<StampBox> stamp_box(const TextExtent& extent, const WatermarkOptions& options, double limit) {
  const double radians = static_cast<double>(options.rotation) * std::acos(-1.0) / 180.0;
  const double c = std::cos(radians), s = std::sin(radians);
  double min_x = 0, max_x = 0, min_y = 0, max_y = 0;
  for (const auto& [px, py] : {std::pair{extent.width, 0.0f}, {0.0f, extent.height}, {extent.width, extent.height}}) {
    const double x = c * px - s * py, y = s * px + c * py;
    min_x = std::min(min_x, x), max_x = std::max(max_x, x);
    min_y = std::min(min_y, y), max_y = std::max(max_y, y);
  }
  const double margin = 2.0 * options.font_size + 2.0;
  const double left = std::floor(min_x - margin), top = std::floor(min_y - margin);
  const double width = std::ceil(max_x + margin) - left + 1, height = std::ceil(max_y + margin) - top + 1;
  if (!(width * height <= limit)) return std::nullopt;  // also for sizes that are not numbers
  return StampBox{static_cast<int>(left), static_cast<int>(top), static_cast<int>(width), static_cast<int>(height)};
}

// The text drawn once onto transparent pixels with its turning point `phase` past a whole
// pixel, trimmed to its ink; `left` and `top` place the pixels relative to that whole pixel.
struct RenderedStamp {
  StampPixels pixels;
  int left = 0;
  int top = 0;
  bool near_edge = false;  // ink within two pixels of the box: the box may have cut some off
};

std::optional<RenderedStamp> render_stamp(const WatermarkOptions& options, Gdiplus::GpFont* font,
                                          Gdiplus::GpBrush* brush, const StampBox& box, float phase_x,
                                          float phase_y) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(box.width) * box.height, 0);
  Gdiplus::GpBitmap* raw = nullptr;
  if (flat::GdipCreateBitmapFromScan0(box.width, box.height, box.width * 4, PixelFormat32bppARGB,
                                      reinterpret_cast<BYTE*>(pixels.data()), &raw) != Gdiplus::Ok) {
    return std::nullopt;
  }
  gdiplus::BitmapPtr bitmap(raw);
  gdiplus::GraphicsPtr graphics = gdiplus::graphics_for(bitmap.get());
  if (!graphics) return std::nullopt;
  set_quality(graphics.get());
  stamp(graphics.get(), options, font, brush, static_cast<float>(-box.left) + phase_x,
        static_cast<float>(-box.top) + phase_y, 0, 0);
  graphics.reset();
  bitmap.reset();  // GDI+ lets go of the pixels

  int x0 = box.width, x1 = -1, y0 = box.height, y1 = -1;
  for (int y = 0; y < box.height; ++y) {
    for (int x = 0; x < box.width; ++x) {
      if ((pixels[static_cast<std::size_t>(y) * box.width + x] >> 24) == 0) continue;
      x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
  }
  RenderedStamp rendered;
  if (x1 < 0) return rendered;  // no ink at all (blank text)
  rendered.pixels.width = x1 - x0 + 1;
  rendered.pixels.height = y1 - y0 + 1;
  rendered.pixels.argb.reserve(static_cast<std::size_t>(rendered.pixels.width) * rendered.pixels.height);
  for (int y = y0; y <= y1; ++y) {
    const auto row = pixels.begin() + static_cast<std::ptrdiff_t>(y) * box.width;
    rendered.pixels.argb.insert(rendered.pixels.argb.end(), row + x0, row + x1 + 1);
    const auto inked = [](std::uint32_t pixel) { return (pixel >> 24) != 0; };
    const auto first = std::find_if(row + x0, row + x1 + 1, inked);
    const auto last = std::find_if(std::make_reverse_iterator(row + x1 + 1), std::make_reverse_iterator(first), inked);
    rendered.pixels.ink_begin.push_back(static_cast<int>(first - (row + x0)));
    rendered.pixels.ink_end.push_back(static_cast<int>(last.base() - (row + x0)));
  }
  rendered.left = box.left + x0;
  rendered.top = box.top + y0;
  rendered.near_edge = x0 < 2 || y0 < 2 || x1 >= box.width - 2 || y1 >= box.height - 2;
  return rendered;
}

// A stamp's turning point as a whole pixel and the fraction past it. Fractions that differ only
// by the rounding of single-precision steps share one rendering of the text (`key`).
struct Placement {
  int x = 0;
  int y = 0;
  float phase_x = 0;
  float phase_y = 0;
  std::int64_t key = 0;
};

Placement placement_of(Gdiplus::PointF point) {
  Placement placement;
  const float floor_x = std::floor(point.X), floor_y = std::floor(point.Y);
  placement.x = static_cast<int>(floor_x);
  placement.y = static_cast<int>(floor_y);
  placement.phase_x = point.X - floor_x;
  placement.phase_y = point.Y - floor_y;
  placement.key = std::lround(placement.phase_y * kPhaseSteps) * (kPhaseSteps + 1) +
                  std::lround(placement.phase_x * kPhaseSteps);
  return placement;
}

// Every stamp of a tiled layout is the same text turned the same way, so the text is drawn once
// per sub-pixel phase onto a small transparent bitmap and each stamp is blended from there into
// the bitmap's pixels: GDI+ takes far longer to draw text than we take to blend a finished
// stamp. Returns false, having changed nothing, when this cannot be done; the caller then draws
// each stamp as text.
bool blend_rendered_stamps(Gdiplus::GpBitmap* bitmap, const WatermarkOptions& options, Gdiplus::GpFont* font,
                           Gdiplus::GpBrush* brush, const TextExtent& extent,
                           const std::vector<Gdiplus::PointF>& points) {
  const gdiplus::Size size = gdiplus::image_size(bitmap);
  // A stamp larger than the picture costs more to render whole than to draw clipped.
  const std::optional<StampBox> fitting_box =
      stamp_box(extent, options, static_cast<double>(size.width) * static_cast<double>(size.height));
  if (points.size() < 2 || !fitting_box) return false;
  const StampBox& box = *fitting_box;
  std::vector<Placement> placements;
  placements.reserve(points.size());
  for (const Gdiplus::PointF& point : points) placements.push_back(placement_of(point));
  // Stamps of one phase together, so that each phase is rendered once. All stamps share one
  // colour, so the order in which they are laid over each other does not change the result.
  std::stable_sort(placements.begin(), placements.end(),
                   [](const Placement& a, const Placement& b) { return a.key < b.key; });
  const auto render = [&](const Placement& placement) {
    return render_stamp(options, font, brush, box, placement.phase_x, placement.phase_y);
  };
  // The first stamp is rendered before any pixel changes: if its ink reaches the edge of the box,
  // the box was too small for this font and the stamps are drawn as text instead. The other
  // phases move the ink by less than a pixel, so they fit too.
  std::optional<RenderedStamp> rendered = render(placements.front());
  if (!rendered || rendered->near_edge) return false;

  // The pixels in their own format where blending knows it, so that GDI+ need not convert them.
  Gdiplus::PixelFormat format = 0;
  flat::GdipGetImagePixelFormat(bitmap, &format);
  if (format != PixelFormat32bppPARGB && format != PixelFormat24bppRGB) format = PixelFormat32bppARGB;
  Gdiplus::GpRect rect(0, 0, static_cast<INT>(size.width), static_cast<INT>(size.height));
  Gdiplus::BitmapData data{};
  if (flat::GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite, format,
                               &data) != Gdiplus::Ok) {
    return false;
  }
  const PixelView target{static_cast<std::uint8_t*>(data.Scan0), static_cast<int>(size.width),
                         static_cast<int>(size.height), data.Stride, format == PixelFormat24bppRGB ? 3 : 4,
                         format == PixelFormat32bppPARGB};
  for (std::size_t i = 0; i < placements.size(); ++i) {
    const Placement& placement = placements[i];
    if (i > 0 && placement.key != placements[i - 1].key) rendered = render(placement);
    if (rendered) blend_stamp(rendered->pixels, target, placement.x + rendered->left, placement.y + rendered->top);
  }
  flat::GdipBitmapUnlockBits(bitmap, &data);
  return true;
}

void draw_anchored(Gdiplus::GpGraphics* graphics, const WatermarkOptions& options, Gdiplus::GpFont* font,
                   Gdiplus::GpBrush* brush, float width, float height) {
  const int index = static_cast<int>(options.layout) - static_cast<int>(WatermarkLayout::TopLeft);
  const float cell_w = width / 3.0f, cell_h = height / 3.0f;
  const float anchor_x = cell_w * (static_cast<float>(index % 3) + 0.5f);
  const float anchor_y = cell_h * (static_cast<float>(index / 3) + 0.5f);

  TextExtent extent = measure(graphics, options.text, font);
  gdiplus::FontPtr fitted;
  if (options.fit_to_area) {
    const float radians_per_degree = static_cast<float>(std::acos(-1.0) / 180.0);
    const float theta = options.rotation * radians_per_degree;
    const float c = std::fabs(std::cos(theta)), s = std::fabs(std::sin(theta));
    const float turned_w = std::max(c * extent.width + s * extent.height, 1.0f);
    const float turned_h = std::max(s * extent.width + c * extent.height, 1.0f);
    if (turned_w > cell_w || turned_h > cell_h) {
      const float k = std::clamp(std::min(cell_w / turned_w, cell_h / turned_h) * 0.98f, 0.05f, 1.0f);
      fitted = create_font(options.font_family, std::max(k * options.font_size, 1.0f));
      if (fitted) extent = measure(graphics, options.text, fitted.get());
    }
  }
  stamp(graphics, options, fitted ? fitted.get() : font, brush, anchor_x, anchor_y, -extent.width / 2.0f,
        -extent.height / 2.0f);
}

}  // namespace

bool draw_watermark(const WatermarkOptions& options, Gdiplus::GpBitmap* bitmap, unsigned width, unsigned height,
                    std::wstring& error, TileDrawing tiles) {
  gdiplus::GraphicsPtr graphics = gdiplus::graphics_for(bitmap);
  if (!graphics) {
    error = L"Unable to create drawing context.";
    return false;
  }
  set_quality(graphics.get());

  gdiplus::FontPtr font = create_font(options.font_family, options.font_size);
  if (!font) {
    error = L"Unable to create font object.";
    return false;
  }
  Gdiplus::GpSolidFill* fill = nullptr;
  flat::GdipCreateSolidFill(options.color.argb(), &fill);
  gdiplus::BrushPtr brush(fill);

  const float w = static_cast<float>(width), h = static_cast<float>(height);
  const auto layout = static_cast<int>(options.layout);
  if (options.layout == WatermarkLayout::Grid || options.layout == WatermarkLayout::StaggeredGrid) {
    const TextExtent extent = measure(graphics.get(), options.text, font.get());
    const TileCulling culling = culling_for(extent, options.font_size, w, h);
    const std::vector<Gdiplus::PointF> points =
        options.layout == WatermarkLayout::Grid ? grid_points(options, culling) : staggered_points(options, culling);
    if (tiles == TileDrawing::FromRenderedStamp) {
      graphics.reset();  // the bitmap's pixels are locked next, which a drawing context may not see
      if (blend_rendered_stamps(bitmap, options, font.get(), brush.get(), extent, points)) return true;
      graphics = gdiplus::graphics_for(bitmap);
      if (!graphics) {
        error = L"Unable to create drawing context.";
        return false;
      }
      set_quality(graphics.get());
    }
    for (const Gdiplus::PointF& point : points) stamp(graphics.get(), options, font.get(), brush.get(), point.X, point.Y, 0, 0);
  } else if (layout >= static_cast<int>(WatermarkLayout::TopLeft) &&
             layout <= static_cast<int>(WatermarkLayout::BottomRight)) {
    draw_anchored(graphics.get(), options, font.get(), brush.get(), w, h);
  }
  return true;
}

bool font_family_installed(const std::wstring& family) {
  gdiplus::GdiplusSession session;
  if (!session.ok()) return false;
  Gdiplus::GpFontFamily* found = nullptr;
  if (flat::GdipCreateFontFamilyFromName(family.c_str(), nullptr, &found) != Gdiplus::Ok || found == nullptr) {
    return false;
  }
  gdiplus::FontFamilyPtr owned(found);
  return true;
}

}  // namespace orvane::engine
