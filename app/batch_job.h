#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <thread>

#include "batch_plan.h"
#include "batch_run.h"
#include "scaffold/ui_task_queue.h"

namespace orvane::app {

// Runs a planned batch on a worker thread with the batch engine orvane-cli uses (its workers, its
// memory gate), so the window keeps answering however many photos it writes. What the batch says
// comes back on the thread that made the job (the window's), in the order of the plan.
class BatchJob {
 public:
  struct Handlers {
    std::function<void(std::size_t index)> started;
    std::function<void(std::size_t index, batch::ItemResult result)> finished;
    std::function<void(batch::BatchFigures figures)> progress;
    std::function<void(batch::BatchOutcome outcome)> done;
  };

  BatchJob();
  // Abandons a batch in progress (its exports stop and leave nothing behind) and waits for it;
  // nothing is reported afterwards.
  ~BatchJob();
  BatchJob(const BatchJob&) = delete;
  BatchJob& operator=(const BatchJob&) = delete;

  // Starts the batch; false, doing nothing, while another runs.
  bool start(batch::Plan plan, batch::RunSettings settings, Handlers handlers);
  // No new photo starts; the ones in progress are finished and the batch then reports done.
  void stop() noexcept;
  [[nodiscard]] bool stopping() const noexcept { return stop_ && stop_->stopping(); }
  // From start() until done has been reported.
  [[nodiscard]] bool running() const noexcept { return running_; }

 private:
  class Sink;

  win32_ui::scaffold::UiTaskQueue tasks_;
  std::shared_ptr<batch::StopControl> stop_;
  Handlers handlers_;
  bool running_ = false;
  std::thread worker_;
};

}  // namespace orvane::app
