#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "preview_renderer.h"
#include "scaffold/ui_task_queue.h"
#include "ui/graphics/image.h"
#include "watermark_options.h"

namespace orvane::engine::gdiplus {
class GdiplusSession;
}

namespace orvane::app {

// When each step of one preview frame happened (the latency bench reads them).
struct PreviewTimings {
  using TimePoint = std::chrono::steady_clock::time_point;
  TimePoint requested;  // a settings change asked for the frame
  TimePoint started;    // the renderer took the request
  TimePoint rendered;   // the frame was drawn and made an image
  TimePoint delivered;  // the window's thread received it
};

// A finished preview frame of the open photo.
struct PreviewPicture {
  win32_ui::ui::graphics::Image image;
  std::uint32_t source_width = 0;  // the upright full-size photo
  std::uint32_t source_height = 0;
  PreviewTimings timings;
  std::wstring error;  // why there is no image, when the frame could not be rendered
};

// What became of an open: the photo is ready for frames, or the reason it cannot be shown.
struct OpenedPhoto {
  std::wstring path;
  std::wstring error;  // empty when the photo opened
};

// Decodes opened photos and renders preview frames on two worker threads, so neither a large photo
// nor a costly watermark holds up the window; the results come back on the window's thread.
//
// Only the newest request counts: an open asked for while another decodes replaces it (the older is
// decoded to the end, as the decoder cannot be stopped, and dropped), and a frame asked for while
// one renders replaces any still waiting, so fast typing never queues stale frames and its last
// value is always shown. Frames arrive in the order asked for; a frame of the photo that was open
// before a new one is dropped once the new one is in place, so the open photo keeps its frames
// until the new one is ready.
class PreviewPipeline {
 public:
  using FrameHandler = std::function<void(PreviewPicture)>;
  using OpenHandler = std::function<void(OpenedPhoto)>;

  // Made on the window's thread, where the handlers run.
  PreviewPipeline(FrameHandler on_frame, OpenHandler on_opened);
  // Stops the workers, waiting for a decode in progress; nothing is reported afterwards.
  ~PreviewPipeline();
  PreviewPipeline(const PreviewPipeline&) = delete;
  PreviewPipeline& operator=(const PreviewPipeline&) = delete;

  // Decodes the photo at `path` into the preview's cache of at most `cache_size` pixels a side.
  void open(std::wstring path, std::uint32_t cache_size);
  // Renders the open photo with `options`, fit within fit_width x fit_height pixels (0: the cache's
  // size). Does nothing before a photo is open.
  void render(engine::WatermarkOptions options, std::uint32_t fit_width, std::uint32_t fit_height);

  // An open is decoding and has not been reported.
  [[nodiscard]] bool opening() const noexcept { return open_asked_ != open_reported_; }
  // A frame asked for has not arrived.
  [[nodiscard]] bool rendering() const noexcept { return render_asked_ != render_reported_; }
  // A photo is open for frames.
  [[nodiscard]] bool has_photo() const noexcept { return photo_generation_ != 0; }

 private:
  struct RenderRequest {
    engine::WatermarkOptions options;
    std::uint32_t fit_width = 0;
    std::uint32_t fit_height = 0;
    std::uint64_t sequence = 0;
    PreviewTimings::TimePoint requested;
  };
  struct OpenRequest {
    std::wstring path;
    std::uint32_t cache_size = 0;
    std::uint64_t sequence = 0;
  };

  void load_loop();
  void render_loop();
  // On the window's thread: a decode finished.
  void finish_open(std::uint64_t sequence, std::unique_ptr<engine::PreviewRenderer> renderer, std::wstring path,
                   std::wstring error);
  // On the window's thread: a frame finished (an empty picture when it could not be drawn).
  void finish_frame(std::uint64_t sequence, std::uint64_t generation, PreviewPicture picture);

  FrameHandler on_frame_;
  OpenHandler on_opened_;
  std::unique_ptr<engine::gdiplus::GdiplusSession> gdiplus_;  // one session across the workers' renderers
  win32_ui::scaffold::UiTaskQueue tasks_;

  // The window's thread's own record.
  std::uint64_t open_asked_ = 0;
  std::uint64_t open_reported_ = 0;
  std::uint64_t render_asked_ = 0;
  std::uint64_t render_reported_ = 0;
  std::uint64_t photo_generation_ = 0;  // which photo frames are shown of; 0 before the first

  // Shared with the workers, under the mutex.
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::optional<OpenRequest> open_request_;
  std::optional<RenderRequest> render_request_;
  std::unique_ptr<engine::PreviewRenderer> next_photo_;  // handed to the renderer with its generation
  std::uint64_t next_generation_ = 0;

  // Last: they start once everything above is made, and are joined first.
  std::thread loader_;
  std::thread renderer_;
};

}  // namespace orvane::app
