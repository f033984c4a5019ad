#include "preview_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "area_shrink.h"
#include "file_system.h"
#include "gdiplus_support.h"
#include "image_file.h"
#include "image_orientation.h"
#include "watermark_drawing.h"

namespace orvane::engine {

namespace flat = gdiplus::flat;

// The downscaled source in our own memory: each frame starts as a plain copy of it, which costs
// a fraction of what any GDI+ copy between bitmaps does.
struct PreviewRenderer::CachedSource {
  gdiplus::PixelBitmap image;  // premultiplied BGRA, rows of width * 4 bytes
};

PreviewRenderer::PreviewRenderer() {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  const Gdiplus::Status status = Gdiplus::GdiplusStartup(&token, &input, nullptr);
  startup_status_ = static_cast<int>(status);
  gdiplus_token_ = status == Gdiplus::Ok ? token : 0;
}

PreviewRenderer::~PreviewRenderer() {
  clear_source();  // the cached bitmap must go before GDI+ does
  if (gdiplus_token_ != 0) Gdiplus::GdiplusShutdown(gdiplus_token_);
}

void PreviewRenderer::clear_source() noexcept {
  cached_.reset();
  source_width_ = 0;
  source_height_ = 0;
  scale_ = 1.0f;
}

namespace {

std::uint32_t scaled_length(std::uint32_t length, float scale) {
  const double scaled = std::round(static_cast<double>(length) * static_cast<double>(scale));  // halves away from 0
  return scaled < 1.0 ? 1u : static_cast<std::uint32_t>(scaled);
}

}  // namespace

bool load_preview_source(std::unique_ptr<PreviewRenderer>& renderer, const std::wstring& path,
                         std::uint32_t max_dimension, std::wstring& error) {
  // 1. A renderer without cached source; every failure below leaves it so.
  if (!renderer) renderer = std::make_unique<PreviewRenderer>();
  renderer->clear_source();
  // 2-3. Arguments and GDI+.
  if (path.empty() || max_dimension == 0) {
    error = L"Invalid preview source or size.";
    return false;
  }
  if (renderer->startup_status_ != Gdiplus::Ok) {
    error = L"GDI+ initialization failed.";
    return false;
  }
  // 4. Decode.
  gdiplus::BitmapPtr decoded = decode_image_file(path);
  const auto stored = decoded ? gdiplus::image_size(decoded.get()) : gdiplus::Size{};
  if (!decoded || stored.width == 0 || stored.height == 0) {
    error = decoded ? std::wstring() : input_access_error(path);
    if (error.empty()) error = L"Unable to read input image.";
    return false;
  }
  // 5. Upright, as the export draws it; the preview never turns back. The turn is applied to the
  // small copy, which costs a fraction of turning the full-size image.
  const SourceOrientation orientation = read_source_orientation(decoded.get(), path);
  const OrientationTurn turn = orientation_turn(orientation.value);
  const bool swaps = (static_cast<int>(turn.upright) & 1) != 0;  // a quarter turn one way or the other
  // 6-7. Scale so the longer side fits.
  const gdiplus::Size upright = swaps ? gdiplus::Size{stored.height, stored.width} : stored;
  const std::uint32_t longest = std::max(upright.width, upright.height);
  const float scale = longest > max_dimension ? static_cast<float>(max_dimension) / static_cast<float>(longest) : 1.0f;
  const std::uint32_t cached_w = scaled_length(upright.width, scale);
  const std::uint32_t cached_h = scaled_length(upright.height, scale);
  // 8. The downscaled copy, averaging the area of the source each of its pixels covers, read from
  // the decoded pixels where they lie.
  gdiplus::PixelBitmap cached =
      gdiplus::make_pixel_bitmap(swaps ? cached_h : cached_w, swaps ? cached_w : cached_h, PixelFormat32bppPARGB);
  if (!cached) {
    error = L"Unable to create preview image.";
    return false;
  }
  Gdiplus::PixelFormat decoded_format = 0;
  flat::GdipGetImagePixelFormat(decoded.get(), &decoded_format);
  const Gdiplus::PixelFormat read_format =
      decoded_format == PixelFormat24bppRGB ? PixelFormat24bppRGB : PixelFormat32bppPARGB;
  Gdiplus::GpRect rect(0, 0, static_cast<INT>(stored.width), static_cast<INT>(stored.height));
  Gdiplus::BitmapData data{};
  if (flat::GdipBitmapLockBits(decoded.get(), &rect, Gdiplus::ImageLockModeRead, read_format, &data) != Gdiplus::Ok) {
    error = L"Unable to build preview image.";
    return false;
  }
  shrink_by_area(static_cast<const std::uint8_t*>(data.Scan0), data.Stride, read_format == PixelFormat24bppRGB ? 3 : 4,
                 stored.width, stored.height, cached);
  flat::GdipBitmapUnlockBits(decoded.get(), &data);
  decoded.reset();
  if (turn.turns()) {
    cached = turned(cached, turn.upright);
    if (!cached) {
      error = L"Failed to rotate image.";
      return false;
    }
  }
  // 9. Keep it.
  renderer->cached_ = std::make_unique<PreviewRenderer::CachedSource>();
  renderer->cached_->image = std::move(cached);
  renderer->source_width_ = upright.width;
  renderer->source_height_ = upright.height;
  renderer->scale_ = scale;
  return true;
}

bool has_preview_source(const std::unique_ptr<PreviewRenderer>& renderer) noexcept {
  return renderer && renderer->cached_;
}

bool render_preview_frame(const std::unique_ptr<PreviewRenderer>& renderer, const WatermarkOptions& options,
                          PreviewFrame& frame, std::wstring& error) {
  // 1. Reset; the caller's pixel storage is kept for reuse.
  frame.width = frame.height = frame.source_width = frame.source_height = frame.stride = 0;
  frame.pixels.clear();
  // 2. Something to show.
  if (!has_preview_source(renderer)) {
    error = L"No preview image is loaded.";
    return false;
  }
  // 3-4. A copy of the cached source in the frame's own pixels, which GDI+ then draws on in place.
  const gdiplus::PixelBitmap& source = renderer->cached_->image;
  frame.pixels.assign(source.pixels, source.pixels + source.stride * source.height);
  Gdiplus::GpBitmap* raw = nullptr;
  if (flat::GdipCreateBitmapFromScan0(static_cast<INT>(source.width), static_cast<INT>(source.height),
                                      static_cast<INT>(source.width * 4), PixelFormat32bppPARGB, frame.pixels.data(),
                                      &raw) != Gdiplus::Ok) {
    frame.pixels.clear();
    error = L"Unable to allocate preview frame.";
    return false;
  }
  gdiplus::BitmapPtr bitmap(raw);
  // 5-6. The watermark at the preview's scale.
  if (!options.text.empty()) {
    WatermarkOptions scaled = options;
    const float scale = renderer->scale_;
    scaled.font_size = std::max(options.font_size * scale, 1.0f);
    scaled.spacing_x = std::max(options.spacing_x * scale, 1.0f);
    scaled.spacing_y = std::max(options.spacing_y * scale, 1.0f);
    if (!draw_watermark(scaled, bitmap.get(), source.width, source.height, error)) {
      bitmap.reset();
      frame.pixels.clear();
      return false;
    }
  }
  bitmap.reset();  // GDI+ lets go of the pixels
  // 7-8. The frame's sizes.
  frame.width = source.width;
  frame.height = source.height;
  frame.source_width = renderer->source_width_;
  frame.source_height = renderer->source_height_;
  frame.stride = source.width * 4;
  return true;
}

}  // namespace orvane::engine
