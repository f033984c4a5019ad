#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "text_tokens.h"
#include "watermark_options.h"

namespace orvane::engine {

// One rendered preview: premultiplied BGRA rows, top to bottom.
struct PreviewFrame {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t source_width = 0;   // the upright full-size source, for status lines
  std::uint32_t source_height = 0;
  std::uint32_t stride = 0;         // always width * 4
  std::vector<std::uint8_t> pixels;
};

// Keeps a downscaled, upright copy of the opened image so each settings change costs only a
// copy of the small bitmap and one watermark drawing.
class PreviewRenderer {
 public:
  PreviewRenderer();
  ~PreviewRenderer();
  PreviewRenderer(const PreviewRenderer&) = delete;
  PreviewRenderer& operator=(const PreviewRenderer&) = delete;

  [[nodiscard]] std::uint32_t source_width() const noexcept { return source_width_; }
  [[nodiscard]] std::uint32_t source_height() const noexcept { return source_height_; }
  [[nodiscard]] float scale() const noexcept { return scale_; }

  // The decoded picture and the frames' working copies; opaque outside the renderer.
  struct CachedSource;

 private:
  friend bool load_preview_source(std::unique_ptr<PreviewRenderer>&, const std::wstring&, std::uint32_t,
                                  std::wstring&);
  friend bool has_preview_source(const std::unique_ptr<PreviewRenderer>&) noexcept;
  friend bool render_preview_frame(const std::unique_ptr<PreviewRenderer>&, const WatermarkOptions&,
                                   PreviewFrame&, std::wstring&, std::uint32_t, std::uint32_t);

  void clear_source() noexcept;

  std::uintptr_t gdiplus_token_ = 0;
  int startup_status_ = 0;
  std::unique_ptr<CachedSource> cached_;
  std::uint32_t source_width_ = 0;
  std::uint32_t source_height_ = 0;
  float scale_ = 1.0f;
  TokenValues tokens_;  // what the text's tokens stand for on the cached source
};

// Decodes `path` once into an upright cache whose longer side is at most `max_dimension`;
// creates the renderer when absent. A failure leaves no cached source.
[[nodiscard]] bool load_preview_source(std::unique_ptr<PreviewRenderer>& renderer, const std::wstring& path,
                                       std::uint32_t max_dimension, std::wstring& error);

// True when the renderer exists and holds a cached source.
[[nodiscard]] bool has_preview_source(const std::unique_ptr<PreviewRenderer>& renderer) noexcept;

// Renders the cached source with the watermark scaled from full-size pixels to the cache. The frame
// is that shrunk to fit within fit_width x fit_height pixels (the size the preview is shown at), or
// the cache's own size when that is smaller or a fit length is 0.
[[nodiscard]] bool render_preview_frame(const std::unique_ptr<PreviewRenderer>& renderer,
                                        const WatermarkOptions& options, PreviewFrame& frame, std::wstring& error,
                                        std::uint32_t fit_width = 0, std::uint32_t fit_height = 0);

}  // namespace orvane::engine
