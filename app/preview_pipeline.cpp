#include "preview_pipeline.h"

#include <utility>

#include "gdiplus_support.h"

namespace orvane::app {

PreviewPipeline::PreviewPipeline(FrameHandler on_frame, OpenHandler on_opened)
    : on_frame_(std::move(on_frame)),
      on_opened_(std::move(on_opened)),
      gdiplus_(std::make_unique<engine::gdiplus::GdiplusSession>()) {
  loader_ = std::thread([this] { load_loop(); });
  renderer_ = std::thread([this] { render_loop(); });
}

PreviewPipeline::~PreviewPipeline() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (loader_.joinable()) loader_.join();
  if (renderer_.joinable()) renderer_.join();
  // The renderers go before the GDI+ session does.
  next_photo_.reset();
}

void PreviewPipeline::open(std::wstring path, std::uint32_t cache_size) {
  {
    const std::lock_guard lock(mutex_);
    open_request_ = OpenRequest{std::move(path), cache_size, ++open_asked_};
  }
  wake_.notify_all();
}

void PreviewPipeline::render(engine::WatermarkOptions options, std::uint32_t fit_width, std::uint32_t fit_height) {
  if (!has_photo()) return;
  {
    const std::lock_guard lock(mutex_);
    render_request_ = RenderRequest{std::move(options), fit_width, fit_height, ++render_asked_,
                                    std::chrono::steady_clock::now()};
  }
  wake_.notify_all();
}

void PreviewPipeline::load_loop() {
  for (;;) {
    OpenRequest request;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || open_request_.has_value(); });
      if (stopping_) return;
      request = std::move(*open_request_);
      open_request_.reset();
    }
    std::unique_ptr<engine::PreviewRenderer> renderer;
    std::wstring error;
    if (!engine::load_preview_source(renderer, request.path, request.cache_size, error)) renderer.reset();
    // std::function needs a copyable task: the renderer travels in a shared holder.
    auto holder = std::make_shared<std::unique_ptr<engine::PreviewRenderer>>(std::move(renderer));
    tasks_.post([this, sequence = request.sequence, holder, path = std::move(request.path),
                 error = std::move(error)]() mutable {
      finish_open(sequence, std::move(*holder), std::move(path), std::move(error));
    });
  }
}

void PreviewPipeline::finish_open(std::uint64_t sequence, std::unique_ptr<engine::PreviewRenderer> renderer,
                                  std::wstring path, std::wstring error) {
  if (sequence != open_asked_) return;  // a newer open is on its way
  open_reported_ = sequence;
  if (renderer) {
    // Frames of the photo open until now are dropped from here on.
    photo_generation_ = sequence;
    {
      const std::lock_guard lock(mutex_);
      next_photo_ = std::move(renderer);
      next_generation_ = sequence;
    }
    wake_.notify_all();
    error.clear();
  } else if (error.empty()) {
    error = L"Unable to read input image.";
  }
  if (on_opened_) on_opened_(OpenedPhoto{std::move(path), std::move(error)});
}

void PreviewPipeline::render_loop() {
  std::unique_ptr<engine::PreviewRenderer> photo;
  std::uint64_t generation = 0;
  engine::PreviewFrame frame;  // its pixel storage is reused from frame to frame
  for (;;) {
    RenderRequest request;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || render_request_.has_value() || next_photo_ != nullptr; });
      if (stopping_) break;
      if (next_photo_ != nullptr) {
        photo = std::move(next_photo_);
        generation = next_generation_;
      }
      if (!render_request_.has_value()) continue;
      request = std::move(*render_request_);
      render_request_.reset();
    }
    PreviewPicture picture;
    picture.timings.requested = request.requested;
    picture.timings.started = std::chrono::steady_clock::now();
    std::wstring error;
    if (engine::render_preview_frame(photo, request.options, frame, error, request.fit_width, request.fit_height) &&
        win32_ui::ui::graphics::Image::from_pixels(frame.width, frame.height, frame.stride, frame.pixels,
                                                   picture.image) == win32_ui::ui::graphics::image_ok) {
      picture.source_width = frame.source_width;
      picture.source_height = frame.source_height;
    } else {
      picture.image = {};
      picture.error = error.empty() ? std::wstring(L"Unable to render the preview.") : error;
    }
    picture.timings.rendered = std::chrono::steady_clock::now();
    // Copyable for std::function: the picture's image shares its pixels rather than copying them.
    tasks_.post([this, sequence = request.sequence, generation, picture]() mutable {
      finish_frame(sequence, generation, std::move(picture));
    });
  }
  photo.reset();  // on this thread, while the session lives
}

void PreviewPipeline::finish_frame(std::uint64_t sequence, std::uint64_t generation, PreviewPicture picture) {
  render_reported_ = sequence;
  if (generation != photo_generation_ || (!picture.image.is_valid() && picture.error.empty())) return;
  picture.timings.delivered = std::chrono::steady_clock::now();
  if (on_frame_) on_frame_(std::move(picture));
}

}  // namespace orvane::app
