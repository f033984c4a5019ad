#include "preview_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "area_shrink.h"
#include "file_system.h"
#include "gdiplus_support.h"
#include "image_file.h"
#include "image_orientation.h"
#include "photo_tokens.h"
#include "watermark_drawing.h"

namespace orvane::engine {

namespace flat = gdiplus::flat;

// The downscaled source in our own memory: each frame starts as a plain copy of it, which costs
// a fraction of what any GDI+ copy between bitmaps does.
struct PreviewRenderer::CachedSource {
  gdiplus::PixelBitmap image;  // premultiplied BGRA, rows of width * 4 bytes
  // For frames smaller than the image: the image with the last watermark drawn on it, and the rows
  // of it that differ from the image; the image shrunk to the frame's size, and a copy of that with
  // the last frame's band of changed rows shrunk again from `work`.
  std::vector<std::uint8_t> work;
  std::uint32_t work_first = 0;
  std::uint32_t work_last = 0;
  gdiplus::PixelBitmap base;
  gdiplus::PixelBitmap shown;
  std::uint32_t shown_first = 0;
  std::uint32_t shown_last = 0;
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
  tokens_ = TokenValues{};
}

namespace {

std::uint32_t scaled_length(std::uint32_t length, float scale) {
  const double scaled = std::round(static_cast<double>(length) * static_cast<double>(scale));  // halves away from 0
  return scaled < 1.0 ? 1u : static_cast<std::uint32_t>(scaled);
}

// The sizes of `width` x `height` shrunk to fit within the fit, keeping its shape; unchanged when it
// fits already or a fit length is 0.
gdiplus::Size fitted_size(std::uint32_t width, std::uint32_t height, std::uint32_t fit_width, std::uint32_t fit_height) {
  if (fit_width == 0 || fit_height == 0 || (width <= fit_width && height <= fit_height)) return {width, height};
  const double scale = std::min(static_cast<double>(fit_width) / width, static_cast<double>(fit_height) / height);
  const auto length = [scale](std::uint32_t side, std::uint32_t most) {
    return std::clamp(static_cast<std::uint32_t>(std::lround(side * scale)), 1u, most);
  };
  return {length(width, fit_width), length(height, fit_height)};
}

// Shrinks the cache's working copy (with the watermark) into the frame; see render_preview_frame.
bool shrink_into_frame(PreviewRenderer::CachedSource& cached, const gdiplus::PixelBitmap& source, gdiplus::Size shown,
                       PreviewFrame& frame, std::wstring& error) {
  const std::size_t row_bytes = std::size_t{source.width} * 4;
  if (!cached.base || cached.base.width != shown.width || cached.base.height != shown.height) {
    cached.base = gdiplus::make_pixel_bitmap(shown.width, shown.height, PixelFormat32bppPARGB);
    cached.shown = gdiplus::make_pixel_bitmap(shown.width, shown.height, PixelFormat32bppPARGB);
    if (!cached.base || !cached.shown) {
      cached.base = {};
      frame.pixels.clear();
      error = L"Unable to allocate preview frame.";
      return false;
    }
    shrink_by_area(source.pixels, static_cast<std::ptrdiff_t>(source.stride), 4, source.width, source.height,
                   cached.base);
    for (std::uint32_t y = 0; y < shown.height; ++y) std::memcpy(cached.shown.row(y), cached.base.row(y), shown.width * 4u);
    cached.shown_first = cached.shown_last = 0;
  }
  // The band of source rows the watermark changed.
  const std::uint8_t* work = cached.work.data();
  std::uint32_t first = 0, last = source.height;
  while (first < last && std::memcmp(work + row_bytes * first, source.row(first), row_bytes) == 0) ++first;
  while (last > first && std::memcmp(work + row_bytes * (last - 1), source.row(last - 1), row_bytes) == 0) --last;
  cached.work_first = first;
  cached.work_last = last;
  // The output rows over it, and the last frame's band put back to the plain image.
  const double step = static_cast<double>(source.height) / shown.height;
  const auto out_first = static_cast<std::uint32_t>(first / step);
  const auto out_last = first == last ? out_first : std::min(shown.height, static_cast<std::uint32_t>(std::ceil(last / step)));
  for (std::uint32_t y = cached.shown_first; y < cached.shown_last; ++y) {
    std::memcpy(cached.shown.row(y), cached.base.row(y), shown.width * 4u);
  }
  shrink_rows_by_area(work, static_cast<std::ptrdiff_t>(row_bytes), 4, source.width, source.height, cached.shown,
                      out_first, out_last);
  cached.shown_first = out_first;
  cached.shown_last = out_last;
  frame.pixels.resize(std::size_t{shown.width} * shown.height * 4);
  for (std::uint32_t y = 0; y < shown.height; ++y) {
    std::memcpy(frame.pixels.data() + std::size_t{y} * shown.width * 4, cached.shown.row(y), shown.width * 4u);
  }
  return true;
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
  renderer->tokens_ = photo_token_values(path, upright.width, upright.height);
  return true;
}

bool has_preview_source(const std::unique_ptr<PreviewRenderer>& renderer) noexcept {
  return renderer && renderer->cached_;
}

bool render_preview_frame(const std::unique_ptr<PreviewRenderer>& renderer, const WatermarkOptions& options,
                          PreviewFrame& frame, std::wstring& error, std::uint32_t fit_width, std::uint32_t fit_height) {
  // 1. Reset; the caller's pixel storage is kept for reuse.
  frame.width = frame.height = frame.source_width = frame.source_height = frame.stride = 0;
  frame.pixels.clear();
  // 2. Something to show.
  if (!has_preview_source(renderer)) {
    error = L"No preview image is loaded.";
    return false;
  }
  // 3. What the watermark is drawn on: the cache, whatever the size of the frame. Text set at a
  // smaller frame's own size is hinted so differently (heavier strokes, glyphs moved by pixels) that
  // the frame no longer shows what the export will; set at the cache's size and shrunk with the
  // picture, it looks like the export shrunk.
  PreviewRenderer::CachedSource& cached = *renderer->cached_;
  const gdiplus::PixelBitmap& source = cached.image;
  const gdiplus::Size shown = fitted_size(source.width, source.height, fit_width, fit_height);
  const bool shrinks = shown.width != source.width || shown.height != source.height;
  // 4. A copy of it, which GDI+ then draws on in place: the frame's own pixels, or a working copy
  // whose rows the last watermark changed are all that need copying again.
  std::vector<std::uint8_t>& canvas = shrinks ? cached.work : frame.pixels;
  const std::size_t row_bytes = std::size_t{source.width} * 4;
  if (!shrinks || canvas.size() != row_bytes * source.height) {
    canvas.assign(source.pixels, source.pixels + source.stride * source.height);
  } else {
    std::memcpy(canvas.data() + row_bytes * cached.work_first, source.row(cached.work_first),
                row_bytes * (cached.work_last - cached.work_first));
  }
  cached.work_first = cached.work_last = 0;
  Gdiplus::GpBitmap* raw = nullptr;
  if (flat::GdipCreateBitmapFromScan0(static_cast<INT>(source.width), static_cast<INT>(source.height),
                                      static_cast<INT>(source.width * 4), PixelFormat32bppPARGB, canvas.data(),
                                      &raw) != Gdiplus::Ok) {
    frame.pixels.clear();
    error = L"Unable to allocate preview frame.";
    return false;
  }
  gdiplus::BitmapPtr bitmap(raw);
  // 5-6. The watermark at the cache's scale.
  if (!options.text.empty() || !options.logo_path.empty()) {
    // Lengths in pixels of the full-size picture first, as the export has them, then scaled; the
    // text's tokens take the values gathered when the source was loaded.
    WatermarkOptions scaled =
        scaled_by(in_pixels(options, renderer->source_width_, renderer->source_height_), renderer->scale_);
    if (has_text_tokens(options.text)) {
      scaled.text = expand_text_tokens(options.text, renderer->tokens_, options.sequence_number);
    }
    if ((!scaled.text.empty() || !scaled.logo_path.empty()) &&
        !draw_watermark(scaled, bitmap.get(), source.width, source.height, error)) {
      bitmap.reset();
      frame.pixels.clear();
      return false;
    }
  }
  bitmap.reset();  // GDI+ lets go of the pixels
  // 7. Shrunk to the size shown. Most of the picture is the image's own shrunk copy, kept per size:
  // only the output rows over source rows the watermark changed are shrunk again.
  if (shrinks && !shrink_into_frame(cached, source, shown, frame, error)) return false;
  // 8. The frame's sizes.
  frame.width = shown.width;
  frame.height = shown.height;
  frame.source_width = renderer->source_width_;
  frame.source_height = renderer->source_height_;
  frame.stride = shown.width * 4;
  return true;
}

}  // namespace orvane::engine
