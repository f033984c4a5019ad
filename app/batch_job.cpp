#include "batch_job.h"

#include <exception>
#include <utility>

#include "image_export.h"

namespace orvane::app {

// Hands what the batch says to the window's thread.
class BatchJob::Sink final : public batch::BatchSink {
 public:
  Sink(BatchJob& job, win32_ui::scaffold::UiTaskQueue::Poster poster) : job_(job), poster_(std::move(poster)) {}

  void item_started(std::size_t index) override {
    poster_.post([job = &job_, index] {
      if (job->running_ && job->handlers_.started) job->handlers_.started(index);
    });
  }
  void item_finished(std::size_t index, const batch::ItemResult& result) override {
    poster_.post([job = &job_, index, result] {
      if (job->running_ && job->handlers_.finished) job->handlers_.finished(index, result);
    });
  }
  void progress(const batch::BatchFigures& figures) override {
    poster_.post([job = &job_, figures] {
      if (job->running_ && job->handlers_.progress) job->handlers_.progress(figures);
    });
  }

 private:
  BatchJob& job_;
  win32_ui::scaffold::UiTaskQueue::Poster poster_;
};

BatchJob::BatchJob() = default;

BatchJob::~BatchJob() {
  if (stop_) stop_->abandon();
  if (worker_.joinable()) worker_.join();
}

bool BatchJob::start(batch::Plan plan, batch::RunSettings settings, Handlers handlers) {
  if (running_) return false;
  if (worker_.joinable()) worker_.join();  // finished: done has been reported
  handlers_ = std::move(handlers);
  stop_ = std::make_shared<batch::StopControl>();
  running_ = true;
  worker_ = std::thread([this, poster = tasks_.poster(), stop = stop_, plan = std::move(plan),
                         settings = std::move(settings)] {
    batch::BatchOutcome outcome;
    try {
      // One imaging session around the workers, so that no export's stop meets another's start.
      const engine::ImagingSession imaging;
      Sink sink(*this, poster);
      outcome = batch::run_batch(plan, settings, *stop, sink);
    } catch (const std::exception&) {
      // Out of memory before any photo could be reported: the batch ends as interrupted.
      outcome.interrupted = true;
      outcome.any_failure = true;
    }
    poster.post([this, outcome] {
      running_ = false;
      Handlers handlers = std::move(handlers_);
      if (handlers.done) handlers.done(outcome);
    });
  });
  return true;
}

void BatchJob::stop() noexcept {
  if (stop_) stop_->stop_starting();
}

}  // namespace orvane::app
