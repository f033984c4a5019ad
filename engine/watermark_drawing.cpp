#include "watermark_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "gdiplus_support.h"
#include "logo_image.h"
#include "mark_compositing.h"
#include "stamp_blending.h"

namespace orvane::engine {
namespace {

namespace flat = gdiplus::flat;

constexpr float kMinimumStep = 32.0f;
// Most steps that one period of a tiled layout may span on each axis, and the largest period
// cell (pixels a side) worth keeping: the cell then stays small and few stamps fill it.
constexpr int kMostStepsPerPeriod = 8;
constexpr double kLargestPeriod = 4096.0;
// How far a stamp may move from its exact place so that the layout repeats in whole pixels.
constexpr double kTolerableDrift = 0.25;
// Side of the pieces in which a stamp is rendered: a long text turned is mostly empty corners,
// and a whole rendering of the longest text at the largest size would not fit in memory.
constexpr int kTileSide = 2048;

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

// A stretch of the text drawn with one call, `offset` pixels along the line from the text's
// start, `width` pixels long.
struct TextRun {
  std::size_t begin = 0;
  std::size_t length = 0;
  float offset = 0;
  float width = 0;
};

// Longest stretch of text, in pixels, handed to GDI+ at once: Wine's GDI+ makes a mask of the
// whole turned string, which for a long text at a large size takes more memory than there is
// (or faults); short stretches cost only what they cover.
constexpr float kLongestRun = 1024.0f;

// The text in runs of at most about kLongestRun pixels: one run for a text that short. Runs end
// after a character that is neither blank (the measure leaves trailing blanks out) nor the first
// half of a surrogate pair, and each starts where the text before it, measured, ends.
std::vector<TextRun> text_runs(Gdiplus::GpGraphics* graphics, const std::wstring& text, Gdiplus::GpFont* font,
                               const TextExtent& extent, float font_size) {
  if (!(extent.width > kLongestRun)) return {TextRun{0, text.size(), 0.0f, extent.width}};
  // What the measure adds around the ink of a string, taken off where one run meets the next.
  const float padding = 2.0f * measure(graphics, L"x", font).width - measure(graphics, L"xx", font).width;
  const std::size_t most = std::max<std::size_t>(4, static_cast<std::size_t>(kLongestRun / std::max(font_size, 1.0f)));
  std::vector<TextRun> runs;
  std::size_t begin = 0;
  float offset = 0.0f;
  while (begin < text.size()) {
    std::size_t end = std::min(text.size(), begin + most);
    while (end < text.size() && end > begin + 1 &&
           (text[end - 1] == L' ' || (text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF))) {
      --end;
    }
    const float width = measure(graphics, text.substr(begin, end - begin), font).width;
    runs.push_back(TextRun{begin, end - begin, offset, width});
    if (end < text.size()) offset = measure(graphics, text.substr(0, end), font).width - padding;
    begin = end;
  }
  return runs;
}

// Draws one stamp turned about (x, y), with the text block's origin at `origin` relative to it,
// run by run; `wanted` picks the runs to draw (all when empty).
void stamp(Gdiplus::GpGraphics* graphics, const WatermarkOptions& options, const std::vector<TextRun>& runs,
           Gdiplus::GpFont* font, Gdiplus::GpBrush* brush, float x, float y, float origin_x, float origin_y,
           const std::vector<bool>& wanted = {}) {
  Gdiplus::GraphicsState state = 0;
  flat::GdipSaveGraphics(graphics, &state);
  flat::GdipTranslateWorldTransform(graphics, x, y, Gdiplus::MatrixOrderPrepend);
  if (options.rotation != 0.0f) flat::GdipRotateWorldTransform(graphics, options.rotation, Gdiplus::MatrixOrderPrepend);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (!wanted.empty() && !wanted[i]) continue;
    Gdiplus::RectF layout(origin_x + runs[i].offset, origin_y, 0, 0);
    flat::GdipDrawString(graphics, options.text.c_str() + runs[i].begin, static_cast<INT>(runs[i].length), font,
                         &layout, nullptr, brush);
  }
  flat::GdipRestoreGraphics(graphics, state);
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

std::int64_t floor_div(std::int64_t a, std::int64_t b) noexcept {
  const std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// One axis of a tiled layout with its stamps on whole pixels. Step i (counted from the step
// nearest the picture's middle) lies at origin + round(i x period / steps): `steps` steps span
// exactly `period` pixels, so one rendering of the text serves every stamp and the layout
// repeats every period. When the step is whole, so is every place; a fractional step (the
// preview's scaled spacing) is approximated by the nearest fraction with few enough steps per
// period that the stamps stay within a fraction of a pixel of their exact places.
struct LatticeAxis {
  std::int64_t origin = 0;
  std::int64_t period = 1;
  std::int64_t steps = 1;
  int parity = 0;  // whether the middle step is an odd one of the layout's own counting

  // Step i, moved by half a step when `half` is set.
  [[nodiscard]] std::int64_t at(std::int64_t i, bool half = false) const noexcept {
    return origin + floor_div((2 * i + (half ? 1 : 0)) * period + steps, 2 * steps);
  }
  // The first step at or past `position` (moved by half a step when `half` is set), less one.
  [[nodiscard]] std::int64_t index_before(double position) const noexcept {
    return static_cast<std::int64_t>(std::floor((position - static_cast<double>(origin)) *
                                                static_cast<double>(steps) / static_cast<double>(period))) - 1;
  }
};

// The axis whose step 0 lies at `start` (in pixels) with steps of `step`, for a picture of
// `length` pixels whose stamps reach `reach` pixels from their turning points.
LatticeAxis lattice_axis(double start, double step, double length, double reach) {
  LatticeAxis axis;
  const double middle = std::round((length / 2.0 - start) / step);
  axis.parity = static_cast<int>(std::fmod(std::fabs(middle), 2.0));
  axis.origin = std::llround(start + middle * step);
  // Steps from the middle to the farthest stamp that can reach the picture.
  const double span = (length / 2.0 + reach) / step + 1.0;
  double best_drift = std::numeric_limits<double>::infinity();
  for (int steps = 1; steps <= kMostStepsPerPeriod; ++steps) {
    const double period = std::round(step * steps);
    if (steps > 1 && period > kLargestPeriod) break;
    const double drift = std::fabs(period / steps - step) * span;
    if (drift < best_drift) {
      best_drift = drift;
      axis.period = std::max(static_cast<std::int64_t>(period), std::int64_t{1});
      axis.steps = steps;
    }
    if (drift <= kTolerableDrift) break;
  }
  return axis;
}

// A tiled layout: the grid, or the staggered grid, whose odd rows (counting from the first row
// of the layout) move by half a step.
struct Lattice {
  LatticeAxis x;
  LatticeAxis y;
  bool staggered = false;
  bool empty = false;  // steps that are not finite numbers place no stamp on the picture

  [[nodiscard]] bool shifted(std::int64_t row) const noexcept { return staggered && ((row + y.parity) & 1) != 0; }
  // Rows after which the layout repeats: a staggered grid needs an even number.
  [[nodiscard]] std::int64_t period_rows() const noexcept {
    return staggered && (y.steps % 2 == 1) ? 2 * y.steps : y.steps;
  }
  [[nodiscard]] std::int64_t period_y() const noexcept { return y.period * (period_rows() / y.steps); }
};

Lattice lattice_for(const WatermarkOptions& options, const TileCulling& culling) {
  const double step_x = std::max(options.spacing_x, kMinimumStep);
  const double step_y = std::max(options.spacing_y, kMinimumStep);
  const double width = culling.width, height = culling.height;
  const double reach = std::isfinite(culling.reach) ? culling.reach : 0.0;
  Lattice lattice;
  lattice.staggered = options.layout == WatermarkLayout::StaggeredGrid;
  lattice.empty = !std::isfinite(step_x) || !std::isfinite(step_y);
  if (lattice.empty) return lattice;
  // The grid starts a step before the picture; the staggered grid a picture's size before it.
  lattice.x = lattice_axis(lattice.staggered ? -width : -step_x, step_x, width, reach);
  lattice.y = lattice_axis(lattice.staggered ? -height : -step_y, step_y, height, reach);
  return lattice;
}

// The turning points of every stamp that can reach the bitmap, row by row.
std::vector<Gdiplus::PointF> tile_points(const Lattice& lattice, const TileCulling& culling) {
  std::vector<Gdiplus::PointF> points;
  if (lattice.empty || !std::isfinite(culling.reach)) return points;
  const double reach = culling.reach;
  const std::int64_t last_row = lattice.y.index_before(culling.height + reach) + 3;
  for (std::int64_t row = lattice.y.index_before(-reach); row <= last_row; ++row) {
    const bool half = lattice.shifted(row);
    const auto y = static_cast<float>(lattice.y.at(row));
    const std::int64_t last = lattice.x.index_before(culling.width + reach) + 3;
    for (std::int64_t i = lattice.x.index_before(-reach) - 1; i <= last; ++i) {
      const auto x = static_cast<float>(lattice.x.at(i, half));
      if (culling.visible(x, y)) points.emplace_back(x, y);
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

// The box of the stretch of the turned text block from `from` to `to` along the line.
StampBox stretch_box(float from, float to, float height, const WatermarkOptions& options) {
  const double radians = static_cast<double>(options.rotation) * std::acos(-1.0) / 180.0;
  const double c = std::cos(radians), s = std::sin(radians);
  double min_x = std::numeric_limits<double>::infinity(), max_x = -min_x, min_y = min_x, max_y = -min_x;
  for (const auto& [px, py] : {std::pair{from, 0.0f}, {to, 0.0f}, {from, height}, {to, height}}) {
    const double x = c * px - s * py, y = s * px + c * py;
    min_x = std::min(min_x, x), max_x = std::max(max_x, x);
    min_y = std::min(min_y, y), max_y = std::max(max_y, y);
  }
  const double margin = 2.0 * options.font_size + 2.0;
  const double limit = 1e9;  // far beyond any text this engine accepts
  const auto clamped = [limit](double v) { return static_cast<int>(std::clamp(v, -limit, limit)); };
  const double left = std::floor(min_x - margin), top = std::floor(min_y - margin);
  return StampBox{clamped(left), clamped(top), clamped(std::ceil(max_x + margin) - left + 1),
                  clamped(std::ceil(max_y + margin) - top + 1)};
}

// The first and last columns and rows (inclusive) of the pixels with any alpha, in rows of
// `width` ARGB values; nothing when there are none.
struct InkBounds {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;
};

std::optional<InkBounds> ink_bounds(const std::vector<std::uint32_t>& pixels, int width, int height) {
  int x0 = width, x1 = -1, y0 = height, y1 = -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if ((pixels[static_cast<std::size_t>(y) * width + x] >> 24) == 0) continue;
      x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
  }
  if (x1 < 0) return std::nullopt;
  return InkBounds{x0, y0, x1, y1};
}

// The part of one stamp that falls in `piece` (placed relative to the turning point, which lies
// on a whole pixel), drawn onto transparent pixels and trimmed to its ink; `left` and `top`
// place the pixels relative to the turning point.
struct RenderedStamp {
  StampPixels pixels;
  int left = 0;
  int top = 0;
};

std::optional<RenderedStamp> render_stamp(const WatermarkOptions& options, const std::vector<TextRun>& runs,
                                          const std::vector<bool>& wanted, Gdiplus::GpFont* font,
                                          Gdiplus::GpBrush* brush, const StampBox& box) {
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
  stamp(graphics.get(), options, runs, font, brush, static_cast<float>(-box.left), static_cast<float>(-box.top), 0, 0,
        wanted);
  graphics.reset();
  bitmap.reset();  // GDI+ lets go of the pixels

  RenderedStamp rendered;
  const std::optional<InkBounds> ink = ink_bounds(pixels, box.width, box.height);
  if (!ink) return rendered;  // no ink at all (blank text)
  const auto [x0, y0, x1, y1] = *ink;
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
  return rendered;
}

// Calls `use` with the bitmap's pixels, locked in their own format where blending knows it, so
// that GDI+ need not convert them. False, having called nothing, when they cannot be locked.
template <class Use>
bool with_pixels(Gdiplus::GpBitmap* bitmap, const Use& use) {
  const gdiplus::Size size = gdiplus::image_size(bitmap);
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
  use(target);
  flat::GdipBitmapUnlockBits(bitmap, &data);
  return true;
}

// Every stamp of a tiled layout is the same text turned the same way on whole pixels, and the
// layout repeats: the text is rendered once, piece by piece, each piece folded into one period
// cell at every stamp of one period, and the cell's colour laid over the bitmap's pixels once.
// The cost is that of the text's pixels and of the bitmap's, however many stamps overlap.
// Returns false, having changed nothing, when this cannot be done; the caller then draws each
// stamp as text.
bool composite_periodic_stamps(Gdiplus::GpBitmap* bitmap, const WatermarkOptions& options,
                               const std::vector<TextRun>& runs, Gdiplus::GpFont* font, Gdiplus::GpBrush* brush,
                               const TextExtent& extent, const Lattice& lattice) {
  const gdiplus::Size size = gdiplus::image_size(bitmap);
  if (lattice.empty || size.width == 0 || size.height == 0) return true;
  const std::int64_t period_x = lattice.x.period, period_y = lattice.period_y();
  if (period_x > std::numeric_limits<int>::max() || period_y > std::numeric_limits<int>::max()) return false;
  CoverageCell cell(static_cast<int>(period_x), static_cast<int>(period_y), static_cast<int>(size.width),
                    static_cast<int>(size.height), options.color.alpha);
  // The turning points of one period's stamps.
  std::vector<std::pair<std::int64_t, std::int64_t>> motif;
  for (std::int64_t row = 0; row < lattice.period_rows(); ++row) {
    for (std::int64_t i = 0; i < lattice.x.steps; ++i) motif.emplace_back(lattice.x.at(i, lattice.shifted(row)), lattice.y.at(row));
  }
  // Each run of the text in the box of its own stretch of the line, in pieces when that is large: a
  // long text turned is mostly empty corners, which tight boxes leave out.
  for (std::size_t run = 0; run < runs.size() && !cell.saturated(); ++run) {
    const StampBox box = stretch_box(runs[run].offset, runs[run].offset + runs[run].width, extent.height, options);
    std::vector<bool> wanted(runs.size(), false);
    wanted[run] = true;
    for (std::int64_t top = box.top; top < std::int64_t{box.top} + box.height && !cell.saturated(); top += kTileSide) {
      for (std::int64_t left = box.left; left < std::int64_t{box.left} + box.width && !cell.saturated();
           left += kTileSide) {
        const StampBox piece{
            static_cast<int>(left), static_cast<int>(top),
            static_cast<int>(std::min<std::int64_t>(kTileSide, std::int64_t{box.left} + box.width - left)),
            static_cast<int>(std::min<std::int64_t>(kTileSide, std::int64_t{box.top} + box.height - top))};
        const std::optional<RenderedStamp> rendered = render_stamp(options, runs, wanted, font, brush, piece);
        if (!rendered) return false;
        if (rendered->pixels.argb.empty()) continue;
        for (const auto& [x, y] : motif) cell.fold(rendered->pixels, x + rendered->left, y + rendered->top);
      }
    }
  }

  return with_pixels(bitmap, [&](const PixelView& target) { cell.lay_over(target, options.color.argb()); });
}

// Pixels of the largest rendering that finding a stamp's ink may take; a larger text is rendered
// smaller and its ink's box scaled up, which is near enough for a stamp that big.
constexpr double kMostInkPixels = 4.0e6;

// Where the ink of an anchored stamp lies around its turning point (a whole pixel), in pixels,
// turned as it is drawn. The measured box holds the line's padding and descent, not where the
// glyphs end, and turned text is laid out apart from upright text: a stamp set against the
// picture's edges must end where its own ink does. Empty when there is no ink (blank text) or it
// cannot be rendered.
struct InkBox {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
};

std::optional<InkBox> turned_ink(const WatermarkOptions& options, Gdiplus::GpFont* font, float size,
                                 const TextExtent& extent) {
  const double radians = static_cast<double>(options.rotation) * std::acos(-1.0) / 180.0;
  const double c = options.rotation == 0.0f ? 1.0 : std::fabs(std::cos(radians));
  const double s = options.rotation == 0.0f ? 0.0 : std::fabs(std::sin(radians));
  const double turned_w = c * extent.width + s * extent.height, turned_h = s * extent.width + c * extent.height;
  const double full_pad = 2.0 * size + 2.0;  // glyphs reach past the measured box
  const double area = (turned_w + 2.0 * full_pad) * (turned_h + 2.0 * full_pad);
  if (!std::isfinite(area)) return std::nullopt;
  const double k = area > kMostInkPixels ? std::sqrt(kMostInkPixels / area) : 1.0;
  gdiplus::FontPtr smaller;
  Gdiplus::GpFont* used = font;
  float used_size = size;
  if (k < 1.0) {
    used_size = std::max(static_cast<float>(size * k), 1.0f);
    smaller = create_font(options.font_family, used_size);
    if (!smaller) return std::nullopt;
    used = smaller.get();
  }
  const double pad = std::ceil(2.0 * used_size + 2.0);
  const int centre_x = static_cast<int>(std::ceil(turned_w * k / 2.0) + pad);
  const int centre_y = static_cast<int>(std::ceil(turned_h * k / 2.0) + pad);
  const int width = 2 * centre_x + 1, height = 2 * centre_y + 1;

  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0);
  Gdiplus::GpBitmap* raw = nullptr;
  if (flat::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB,
                                      reinterpret_cast<BYTE*>(pixels.data()), &raw) != Gdiplus::Ok) {
    return std::nullopt;
  }
  gdiplus::BitmapPtr bitmap(raw);
  gdiplus::GraphicsPtr graphics = gdiplus::graphics_for(bitmap.get());
  if (!graphics) return std::nullopt;
  set_quality(graphics.get());
  Gdiplus::GpSolidFill* fill = nullptr;
  flat::GdipCreateSolidFill(0xFF000000, &fill);  // opaque, whatever the stamp's own opacity
  gdiplus::BrushPtr brush(fill);
  const TextExtent used_extent = k < 1.0 ? measure(graphics.get(), options.text, used) : extent;
  stamp(graphics.get(), options, text_runs(graphics.get(), options.text, used, used_extent, used_size), used,
        brush.get(), static_cast<float>(centre_x), static_cast<float>(centre_y), -used_extent.width / 2.0f,
        -used_extent.height / 2.0f);
  graphics.reset();
  bitmap.reset();  // GDI+ lets go of the pixels

  const std::optional<InkBounds> ink = ink_bounds(pixels, width, height);
  if (!ink) return std::nullopt;
  return InkBox{(ink->x0 - centre_x) / k, (ink->y0 - centre_y) / k, (ink->x1 + 1 - centre_x) / k,
                (ink->y1 + 1 - centre_y) / k};
}

// The turning point of an anchored stamp set `margin` pixels from the edges its anchor names: the
// box of its turned ink ends there, and lies centred across the other axis.
Gdiplus::PointF point_against_edges(const WatermarkOptions& options, int index, Gdiplus::GpFont* font, float size,
                                    const TextExtent& extent, float width, float height) {
  float margin = *options.margin >= 0.0f ? *options.margin : 0.0f;  // also catches NaN
  margin = std::min(margin, std::min(width, height) / 2.0f);
  // Without ink to find, the measured box turned stands in for it.
  std::optional<InkBox> ink = turned_ink(options, font, size, extent);
  if (!ink) {
    const double radians = static_cast<double>(options.rotation) * std::acos(-1.0) / 180.0;
    const double c = std::fabs(std::cos(radians)), s = std::fabs(std::sin(radians));
    const double half_w = (c * extent.width + s * extent.height) / 2.0;
    const double half_h = (s * extent.width + c * extent.height) / 2.0;
    ink = InkBox{-half_w, -half_h, half_w, half_h};
  }
  const auto along = [margin](int slot, double length, double low, double high) {
    if (slot == 0) return margin - low;
    if (slot == 2) return length - margin - high;
    return (length - low - high) / 2.0;
  };
  // On a whole pixel, as the ink was found.
  return {static_cast<float>(std::round(along(index % 3, width, ink->left, ink->right))),
          static_cast<float>(std::round(along(index / 3, height, ink->top, ink->bottom)))};
}

void draw_anchored(Gdiplus::GpGraphics* graphics, const WatermarkOptions& options, Gdiplus::GpFont* font,
                   Gdiplus::GpBrush* brush, float width, float height) {
  const int index = static_cast<int>(options.layout) - static_cast<int>(WatermarkLayout::TopLeft);
  const float cell_w = width / 3.0f, cell_h = height / 3.0f;
  const float anchor_x = cell_w * (static_cast<float>(index % 3) + 0.5f);
  const float anchor_y = cell_h * (static_cast<float>(index / 3) + 0.5f);

  TextExtent extent = measure(graphics, options.text, font);
  gdiplus::FontPtr fitted;
  float size = options.font_size;
  if (options.fit_to_area) {
    const float radians_per_degree = static_cast<float>(std::acos(-1.0) / 180.0);
    const float theta = options.rotation * radians_per_degree;
    const float c = std::fabs(std::cos(theta)), s = std::fabs(std::sin(theta));
    const float turned_w = std::max(c * extent.width + s * extent.height, 1.0f);
    const float turned_h = std::max(s * extent.width + c * extent.height, 1.0f);
    if (turned_w > cell_w || turned_h > cell_h) {
      const float k = std::clamp(std::min(cell_w / turned_w, cell_h / turned_h) * 0.98f, 0.05f, 1.0f);
      fitted = create_font(options.font_family, std::max(k * options.font_size, 1.0f));
      if (fitted) {
        extent = measure(graphics, options.text, fitted.get());
        size = std::max(k * options.font_size, 1.0f);
      }
    }
  }
  Gdiplus::GpFont* used = fitted ? fitted.get() : font;
  Gdiplus::PointF anchor(anchor_x, anchor_y);
  constexpr int kCentre = static_cast<int>(WatermarkLayout::Center) - static_cast<int>(WatermarkLayout::TopLeft);
  if (options.margin && index != kCentre) anchor = point_against_edges(options, index, used, size, extent, width, height);
  stamp(graphics, options, text_runs(graphics, options.text, used, extent, size), used,
        brush, anchor.X, anchor.Y, -extent.width / 2.0f,
        -extent.height / 2.0f);
}


// ---- Marks with a logo, an outline or a shadow: rendered once as a whole, laid at the mark's opacity.

// Largest rendering of one whole mark, in pixels (a logo the size of a 40 MP photo's shorter side,
// turned): beyond it the mark is refused rather than taking more memory than the photo's own export.
constexpr double kMostMarkPixels = 48.0e6;

// Where the parts of a mark lie before it is turned, from its turning point: the logo before the
// text, centred on the text line, a quarter of the text size apart.
struct MarkGeometry {
  bool has_text = false;
  TextExtent text;
  float text_x = 0, text_y = 0;
  float logo_x = 0, logo_y = 0, logo_w = 0, logo_h = 0;
  float box_x = 0, box_y = 0, box_w = 0, box_h = 0;  // both together
};

// `centred`: the pair's box is centred on the turning point (the anchored layouts); otherwise it
// starts there, as the text block of a plain tiled stamp does.
// `lead` is the blank the measure leaves before the text's first glyph, which the gap takes in.
MarkGeometry mark_geometry(const TextExtent& text, float lead, bool has_text, float logo_w, float logo_h,
                           float font_size, bool centred) {
  MarkGeometry g;
  g.has_text = has_text;
  g.text = has_text ? text : TextExtent{};
  const float gap = has_text && logo_w > 0.0f ? std::max(0.25f * font_size - lead, 0.0f) : 0.0f;
  g.box_w = logo_w + gap + g.text.width;
  g.box_h = std::max(logo_h, g.text.height);
  g.box_x = centred ? -g.box_w / 2.0f : 0.0f;
  g.box_y = centred ? -g.box_h / 2.0f : 0.0f;
  g.logo_x = g.box_x;
  g.logo_y = g.box_y + (g.box_h - logo_h) / 2.0f;
  g.logo_w = logo_w;
  g.logo_h = logo_h;
  g.text_x = g.box_x + logo_w + gap;
  g.text_y = g.box_y + (g.box_h - g.text.height) / 2.0f;
  return g;
}

// The logo's drawn size: its longer side `size` pixels long.
std::pair<float, float> logo_extent(const LogoPixels* logo, float size) {
  if (logo == nullptr || logo->width == 0 || logo->height == 0) return {0.0f, 0.0f};
  const float longer = static_cast<float>(std::max(logo->width, logo->height));
  return {size * static_cast<float>(logo->width) / longer, size * static_cast<float>(logo->height) / longer};
}

// Renders the whole mark turned about a whole pixel: the text opaque in its colour over its
// outline, the logo, and the shadow under all of it. Nothing when its box is too large to hold or
// GDI+ fails; an empty image when the mark has no ink.
std::optional<MarkImage> render_mark(const WatermarkOptions& options, Gdiplus::GpFont* font, float font_size,
                                     const std::vector<TextRun>& runs, const MarkGeometry& g,
                                     const LogoPixels* logo) {
  const double radians = static_cast<double>(options.rotation) * std::acos(-1.0) / 180.0;
  const double c = std::cos(radians), s = std::sin(radians);
  double min_x = std::numeric_limits<double>::infinity(), max_x = -min_x, min_y = min_x, max_y = -min_x;
  for (const auto& [px, py] : {std::pair{g.box_x, g.box_y}, {g.box_x + g.box_w, g.box_y},
                               {g.box_x, g.box_y + g.box_h}, {g.box_x + g.box_w, g.box_y + g.box_h}}) {
    const double x = c * px - s * py, y = s * px + c * py;
    min_x = std::min(min_x, x), max_x = std::max(max_x, x);
    min_y = std::min(min_y, y), max_y = std::max(max_y, y);
  }
  const int shadow_dx = static_cast<int>(std::lround(std::clamp(options.shadow_offset_x, -1e6f, 1e6f)));
  const int shadow_dy = static_cast<int>(std::lround(std::clamp(options.shadow_offset_y, -1e6f, 1e6f)));
  const double margin = (g.has_text ? 2.0 * font_size + 2.0 : 2.0) +
                        effects_reach(options.outline_width, options.shadow, shadow_dx, shadow_dy, options.shadow_blur);
  const double left = std::floor(min_x - margin), top = std::floor(min_y - margin);
  const double width = std::ceil(max_x + margin) - left + 1, height = std::ceil(max_y + margin) - top + 1;
  if (!(width * height <= kMostMarkPixels)) return std::nullopt;

  MarkLayers layers;
  layers.width = static_cast<int>(width);
  layers.height = static_cast<int>(height);
  layers.left = static_cast<int>(left);
  layers.top = static_cast<int>(top);
  const std::size_t count = static_cast<std::size_t>(layers.width) * layers.height;
  const auto drawn_on = [&layers](std::vector<std::uint32_t>& pixels, Gdiplus::PixelFormat format,
                                  const auto& draw) {
    Gdiplus::GpBitmap* raw = nullptr;
    if (flat::GdipCreateBitmapFromScan0(layers.width, layers.height, layers.width * 4, format,
                                        reinterpret_cast<BYTE*>(pixels.data()), &raw) != Gdiplus::Ok) {
      return false;
    }
    gdiplus::BitmapPtr bitmap(raw);
    gdiplus::GraphicsPtr graphics = gdiplus::graphics_for(bitmap.get());
    if (!graphics) return false;
    set_quality(graphics.get());
    draw(graphics.get());
    return true;
  };
  if (g.has_text) {
    std::vector<std::uint32_t> pixels(count, 0);
    Gdiplus::GpSolidFill* fill = nullptr;
    flat::GdipCreateSolidFill(0xFFFFFFFF, &fill);  // coverage only; the colour comes later
    gdiplus::BrushPtr brush(fill);
    if (!drawn_on(pixels, PixelFormat32bppARGB, [&](Gdiplus::GpGraphics* graphics) {
          stamp(graphics, options, runs, font, brush.get(), static_cast<float>(-left), static_cast<float>(-top),
                g.text_x, g.text_y);
        })) {
      return std::nullopt;
    }
    layers.text.resize(count);
    for (std::size_t i = 0; i < count; ++i) layers.text[i] = static_cast<std::uint8_t>(pixels[i] >> 24);
  }
  if (logo != nullptr && g.logo_w > 0.0f) {
    // A copy of the logo's pixels for GDI+ to read: the kept one may be read by other threads.
    std::vector<std::uint32_t> source = logo->pargb;
    Gdiplus::GpBitmap* raw = nullptr;
    if (flat::GdipCreateBitmapFromScan0(static_cast<INT>(logo->width), static_cast<INT>(logo->height),
                                        static_cast<INT>(logo->width * 4), PixelFormat32bppPARGB,
                                        reinterpret_cast<BYTE*>(source.data()), &raw) != Gdiplus::Ok) {
      return std::nullopt;
    }
    gdiplus::BitmapPtr image(raw);
    layers.logo.assign(count, 0);
    if (!drawn_on(layers.logo, PixelFormat32bppPARGB, [&](Gdiplus::GpGraphics* graphics) {
          flat::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
          flat::GdipTranslateWorldTransform(graphics, static_cast<float>(-left), static_cast<float>(-top),
                                            Gdiplus::MatrixOrderPrepend);
          if (options.rotation != 0.0f) {
            flat::GdipRotateWorldTransform(graphics, options.rotation, Gdiplus::MatrixOrderPrepend);
          }
          flat::GdipDrawImageRectRect(graphics, image.get(), g.logo_x, g.logo_y, g.logo_w, g.logo_h, 0.0f, 0.0f,
                                      static_cast<float>(logo->width), static_cast<float>(logo->height),
                                      Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
        })) {
      return std::nullopt;
    }
  }
  layers.text_rgb = options.color.argb() & 0xFFFFFFu;
  layers.outline_width = options.outline_width;
  layers.outline_rgb = options.outline_color.argb() & 0xFFFFFFu;
  layers.shadow = options.shadow;
  layers.shadow_dx = shadow_dx;
  layers.shadow_dy = shadow_dy;
  layers.shadow_blur = options.shadow_blur;
  layers.shadow_argb = options.shadow_color.argb();
  return compose_mark(layers);
}

// The lengths of the mark itself (not its placement) times `k`, for a mark shrunk to fit.
WatermarkOptions mark_scaled(const WatermarkOptions& options, float k) {
  WatermarkOptions scaled = options;
  scaled.font_size = std::max(options.font_size * k, 1.0f);
  scaled.logo_size = std::max(options.logo_size * k, 1.0f);
  scaled.outline_width = options.outline_width * k;
  scaled.shadow_offset_x = options.shadow_offset_x * k;
  scaled.shadow_offset_y = options.shadow_offset_y * k;
  scaled.shadow_blur = options.shadow_blur * k;
  return scaled;
}

// What the drawing of a rich mark needs of its text: the font, the text's extent and runs.
struct MarkText {
  gdiplus::FontPtr font;
  TextExtent extent;
  float lead = 0;  // the measure's blank before the first glyph
  std::vector<TextRun> runs;
};

std::optional<MarkText> mark_text(Gdiplus::GpGraphics* graphics, const WatermarkOptions& options) {
  MarkText text;
  if (options.text.empty()) return text;
  text.font = create_font(options.font_family, options.font_size);
  if (!text.font) return std::nullopt;
  text.extent = measure(graphics, options.text, text.font.get());
  text.runs = text_runs(graphics, options.text, text.font.get(), text.extent, options.font_size);
  // The measure pads a string at both ends alike: what one "x" has more than half of "xx".
  text.lead = std::max(0.0f, measure(graphics, L"x", text.font.get()).width -
                                 measure(graphics, L"xx", text.font.get()).width / 2.0f);
  return text;
}

bool draw_rich_mark(const WatermarkOptions& given, Gdiplus::GpBitmap* bitmap, float width, float height,
                    std::wstring& error, TileDrawing tiles) {
  std::shared_ptr<const LogoPixels> logo;
  const auto load = [&error, &logo](const WatermarkOptions& options) {
    logo.reset();
    if (options.logo_path.empty()) return true;
    // The logo's own pixels at about the size drawn, so GDI+ turns a small picture.
    std::shared_ptr<const LogoPixels> full = load_logo(options.logo_path, error);
    if (!full) return false;
    const auto [w, h] = logo_extent(full.get(), options.logo_size);
    logo = logo_for_size(options.logo_path, static_cast<std::uint32_t>(std::ceil(std::min(w, 1e6f))),
                         static_cast<std::uint32_t>(std::ceil(std::min(h, 1e6f))), error);
    return logo != nullptr;
  };
  WatermarkOptions options = given;
  if (!load(options)) return false;
  gdiplus::GraphicsPtr graphics = gdiplus::graphics_for(bitmap);
  if (!graphics) {
    error = L"Unable to create drawing context.";
    return false;
  }
  set_quality(graphics.get());
  std::optional<MarkText> text = mark_text(graphics.get(), options);
  if (!text) {
    error = L"Unable to create font object.";
    return false;
  }
  const bool tiled = options.layout == WatermarkLayout::Grid || options.layout == WatermarkLayout::StaggeredGrid;
  const auto layout = static_cast<int>(options.layout);
  if (!tiled && !(layout >= static_cast<int>(WatermarkLayout::TopLeft) &&
                  layout <= static_cast<int>(WatermarkLayout::BottomRight))) {
    return true;  // no layout, no mark
  }
  const int index = layout - static_cast<int>(WatermarkLayout::TopLeft);
  const float cell_w = width / 3.0f, cell_h = height / 3.0f;
  const bool has_text = !options.text.empty();
  auto [logo_w, logo_h] = logo_extent(logo.get(), options.logo_size);
  MarkGeometry geometry = mark_geometry(text->extent, text->lead, has_text, logo_w, logo_h, options.font_size, !tiled);
  if (!tiled && options.fit_to_area) {
    const double radians = static_cast<double>(options.rotation) * std::acos(-1.0) / 180.0;
    const double c = std::fabs(std::cos(radians)), s = std::fabs(std::sin(radians));
    const double turned_w = std::max(c * geometry.box_w + s * geometry.box_h, 1.0);
    const double turned_h = std::max(s * geometry.box_w + c * geometry.box_h, 1.0);
    if (turned_w > cell_w || turned_h > cell_h) {
      const auto k = static_cast<float>(std::clamp(std::min(cell_w / turned_w, cell_h / turned_h) * 0.98, 0.05, 1.0));
      options = mark_scaled(options, k);
      if (!load(options)) return false;
      text = mark_text(graphics.get(), options);
      if (!text) {
        error = L"Unable to create font object.";
        return false;
      }
      std::tie(logo_w, logo_h) = logo_extent(logo.get(), options.logo_size);
      geometry = mark_geometry(text->extent, text->lead, has_text, logo_w, logo_h, options.font_size, true);
    }
  }
  graphics.reset();  // the bitmap's pixels are locked below, which a drawing context may not see
  const std::optional<MarkImage> mark =
      render_mark(options, text->font.get(), options.font_size, text->runs, geometry, logo.get());
  if (!mark) {
    error = L"Unable to draw the watermark: it is too large.";
    return false;
  }
  if (mark->pargb.empty()) return true;
  const std::uint8_t opacity = options.color.alpha;
  const double right = mark->left + mark->width, bottom = mark->top + mark->height;

  if (tiled) {
    const double far_x = std::max(std::fabs(static_cast<double>(mark->left)), std::fabs(right));
    const double far_y = std::max(std::fabs(static_cast<double>(mark->top)), std::fabs(bottom));
    const TileCulling culling{static_cast<float>(std::sqrt(far_x * far_x + far_y * far_y)), width, height};
    const Lattice lattice = lattice_for(options, culling);
    if (lattice.empty) return true;
    const int picture_w = static_cast<int>(width), picture_h = static_cast<int>(height);
    if (tiles == TileDrawing::FromRenderedStamp && lattice.x.period <= std::numeric_limits<int>::max() &&
        lattice.period_y() <= std::numeric_limits<int>::max()) {
      MarkCell cell(static_cast<int>(lattice.x.period), static_cast<int>(lattice.period_y()), picture_w, picture_h);
      for (std::int64_t row = 0; row < lattice.period_rows(); ++row) {
        for (std::int64_t i = 0; i < lattice.x.steps; ++i) {
          cell.fold(*mark, lattice.x.at(i, lattice.shifted(row)) + mark->left, lattice.y.at(row) + mark->top);
        }
      }
      if (with_pixels(bitmap, [&](const PixelView& target) { cell.lay_over(target, opacity); })) return true;
      error = L"Unable to draw the watermark.";
      return false;
    }
    // One stamp after another on a transparent layer the size of the picture (a period too long
    // to wrap onto it), then the layer over the picture.
    const int room = static_cast<int>(std::min(std::ceil(culling.reach) + 2.0, 1e8)) + mark->width + mark->height;
    MarkCell layer(picture_w + 2 * room, picture_h + 2 * room, picture_w, picture_h);
    for (const Gdiplus::PointF& point : tile_points(lattice, culling)) {
      layer.fold(*mark, static_cast<std::int64_t>(point.X) + mark->left, static_cast<std::int64_t>(point.Y) + mark->top);
    }
    if (with_pixels(bitmap, [&](const PixelView& target) { layer.lay_over(target, opacity); })) return true;
    error = L"Unable to draw the watermark.";
    return false;
  }

  // An anchored mark: centred in its ninth, or set against the edges by its whole ink.
  double point_x = std::round(cell_w * (static_cast<float>(index % 3) + 0.5f));
  double point_y = std::round(cell_h * (static_cast<float>(index / 3) + 0.5f));
  constexpr int kCentre = static_cast<int>(WatermarkLayout::Center) - static_cast<int>(WatermarkLayout::TopLeft);
  if (options.margin && index != kCentre) {
    float margin = *options.margin >= 0.0f ? *options.margin : 0.0f;  // also catches NaN
    margin = std::min(margin, std::min(width, height) / 2.0f);
    const auto along = [margin](int slot, double length, double low, double high) {
      if (slot == 0) return margin - low;
      if (slot == 2) return length - margin - high;
      return std::round((length - low - high) / 2.0);
    };
    point_x = along(index % 3, width, mark->left, right);
    point_y = along(index / 3, height, mark->top, bottom);
  }
  const auto clamp_int = [](double v) { return static_cast<int>(std::clamp(v, -1e9, 1e9)); };
  if (with_pixels(bitmap, [&](const PixelView& target) {
        lay_mark(*mark, target, clamp_int(point_x + mark->left), clamp_int(point_y + mark->top), opacity);
      })) {
    return true;
  }
  error = L"Unable to draw the watermark.";
  return false;
}

}  // namespace

bool draw_watermark(const WatermarkOptions& given, Gdiplus::GpBitmap* bitmap, unsigned width, unsigned height,
                    std::wstring& error, TileDrawing tiles) {
  // Lengths in percent are of this bitmap's shorter side when the caller has not resolved them.
  const WatermarkOptions options = in_pixels(given, width, height);
  // A plain text mark keeps its own path below; a richer one is rendered whole.
  if (is_rich_mark(options)) {
    return draw_rich_mark(options, bitmap, static_cast<float>(width), static_cast<float>(height), error, tiles);
  }
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
    const Lattice lattice = lattice_for(options, culling);
    const std::vector<TextRun> runs = text_runs(graphics.get(), options.text, font.get(), extent, options.font_size);
    if (tiles == TileDrawing::FromRenderedStamp) {
      graphics.reset();  // the bitmap's pixels are locked next, which a drawing context may not see
      if (composite_periodic_stamps(bitmap, options, runs, font.get(), brush.get(), extent, lattice)) return true;
      graphics = gdiplus::graphics_for(bitmap);
      if (!graphics) {
        error = L"Unable to create drawing context.";
        return false;
      }
      set_quality(graphics.get());
    }
    const std::vector<Gdiplus::PointF> points = tile_points(lattice, culling);
    for (const Gdiplus::PointF& point : points) {
      stamp(graphics.get(), options, runs, font.get(), brush.get(), point.X, point.Y, 0, 0);
    }
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
