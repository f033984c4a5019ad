#include "export_job.h"

#include <cmath>
#include <exception>
#include <new>
#include <utility>

namespace orvane::app {

ExportJob::ExportJob() = default;

ExportJob::~ExportJob() {
  cancel();
  if (worker_.joinable()) worker_.join();
}

bool ExportJob::start(engine::WatermarkOptions options, ProgressHandler on_progress, DoneHandler on_done) {
  if (running_) return false;
  if (worker_.joinable()) worker_.join();  // finished: its outcome has been reported
  on_progress_ = std::move(on_progress);
  on_done_ = std::move(on_done);
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  running_ = true;
  const win32_ui::scaffold::UiTaskQueue::Poster poster = tasks_.poster();
  worker_ = std::thread([this, poster, cancel = cancel_, options = std::move(options)] {
    ExportOutcome outcome;
    // The window hears of whole percents only, and never of one twice.
    long last_percent = -1;
    const engine::ExportProgress progress = [this, &poster, &last_percent](double done) {
      const long percent = std::lround(done * 100.0);
      if (percent == last_percent) return;
      last_percent = percent;
      poster.post([this, done] {
        if (running_ && on_progress_) on_progress_(done);
      });
    };
    try {
      outcome.written = engine::export_image(options, outcome.report, outcome.error, nullptr, cancel.get(), progress);
    } catch (const std::exception&) {
      // Out of memory in the middle of a huge photo: said like any other failure.
      outcome.written = false;
      outcome.error = L"Not enough memory to process this image.";
    }
    outcome.cancelled = !outcome.written && outcome.error == engine::kExportCancelled;
    poster.post([this, outcome = std::move(outcome)]() mutable { finish(std::move(outcome)); });
  });
  return true;
}

void ExportJob::cancel() noexcept {
  if (cancel_) cancel_->store(true);
}

void ExportJob::finish(ExportOutcome outcome) {
  running_ = false;
  // The handler may start the next export, which takes the handlers' place.
  DoneHandler on_done = std::move(on_done_);
  on_progress_ = nullptr;
  if (on_done) on_done(std::move(outcome));
}

}  // namespace orvane::app
