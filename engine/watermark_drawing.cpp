#include "watermark_drawing.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "gdiplus_support.h"

namespace orvane::engine {
namespace {

namespace flat = gdiplus::flat;

constexpr float kMinimumStep = 32.0f;

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

TileCulling culling_for(Gdiplus::GpGraphics* graphics, const WatermarkOptions& options, Gdiplus::GpFont* font,
                        float width, float height) {
  const TextExtent extent = measure(graphics, options.text, font);
  // The text block spans (0, 0)-(w, h) from the turning point; glyph overhang gets a font size more.
  const float reach = std::sqrt(extent.width * extent.width + extent.height * extent.height) + options.font_size;
  if (!(reach >= 0) || !std::isfinite(reach)) return {std::numeric_limits<float>::infinity(), width, height};
  return {reach, width, height};
}

void draw_grid(Gdiplus::GpGraphics* graphics, const WatermarkOptions& options, Gdiplus::GpFont* font,
               Gdiplus::GpBrush* brush, float width, float height) {
  const float step_x = std::max(options.spacing_x, kMinimumStep);
  const float step_y = std::max(options.spacing_y, kMinimumStep);
  const TileCulling culling = culling_for(graphics, options, font, width, height);
  for (float y = -step_y; y <= height + step_y; y = advance(y, step_y)) {
    for (float x = -step_x; x <= width + step_x; x = advance(x, step_x)) {
      if (culling.visible(x, y)) stamp(graphics, options, font, brush, x, y, 0, 0);
    }
  }
}

void draw_staggered(Gdiplus::GpGraphics* graphics, const WatermarkOptions& options, Gdiplus::GpFont* font,
                    Gdiplus::GpBrush* brush, float width, float height) {
  const float step_x = std::max(options.spacing_x, kMinimumStep);
  const float step_y = std::max(options.spacing_y, kMinimumStep);
  const TileCulling culling = culling_for(graphics, options, font, width, height);
  int row = 0;
  for (float y = -height; y <= 1.5f * height; y = advance(y, step_y), ++row) {
    const float offset = (row % 2 == 1) ? 0.5f * step_x : 0.0f;
    for (float x = -width; x <= 1.8f * width; x = advance(x, step_x)) {
      if (culling.visible(x + offset, y)) stamp(graphics, options, font, brush, x + offset, y, 0, 0);
    }
  }
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
                    std::wstring& error) {
  gdiplus::GraphicsPtr graphics = gdiplus::graphics_for(bitmap);
  if (!graphics) {
    error = L"Unable to create drawing context.";
    return false;
  }
  flat::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias);
  flat::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
  flat::GdipSetTextRenderingHint(graphics.get(), Gdiplus::TextRenderingHintAntiAliasGridFit);

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
  if (options.layout == WatermarkLayout::Grid) {
    draw_grid(graphics.get(), options, font.get(), brush.get(), w, h);
  } else if (options.layout == WatermarkLayout::StaggeredGrid) {
    draw_staggered(graphics.get(), options, font.get(), brush.get(), w, h);
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
