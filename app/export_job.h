#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "image_export.h"
#include "scaffold/ui_task_queue.h"
#include "watermark_options.h"

namespace orvane::app {

// How one export ended.
struct ExportOutcome {
  bool written = false;
  bool cancelled = false;  // stopped through cancel(): nothing was written, no temporary file is left
  std::wstring error;      // the engine's message when neither written nor cancelled
  engine::ExportReport report;
};

// Writes one watermarked copy on a worker thread, so that however large the photo the window keeps
// answering; what it reports comes back on the thread that made the job (the window's), which must
// pump messages. One export at a time.
class ExportJob {
 public:
  using ProgressHandler = std::function<void(double done)>;
  using DoneHandler = std::function<void(ExportOutcome)>;

  ExportJob();
  // Stops an export in progress and waits for it; nothing is reported afterwards.
  ~ExportJob();
  ExportJob(const ExportJob&) = delete;
  ExportJob& operator=(const ExportJob&) = delete;

  // Starts writing `options.output_path`; false, doing nothing, while another export runs.
  bool start(engine::WatermarkOptions options, ProgressHandler on_progress, DoneHandler on_done);
  // Asks the export to stop at its next step; it then reports a cancelled outcome.
  void cancel() noexcept;
  // From start() until its outcome has been reported.
  [[nodiscard]] bool running() const noexcept { return running_; }

 private:
  void finish(ExportOutcome outcome);

  win32_ui::scaffold::UiTaskQueue tasks_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  ProgressHandler on_progress_;
  DoneHandler on_done_;
  bool running_ = false;
  std::thread worker_;
};

}  // namespace orvane::app
