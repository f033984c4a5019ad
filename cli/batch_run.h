#pragma once

// Runs a planned batch: a pool of workers watermarks the images, a memory gate keeps their
// exports within the budget, and the calling thread reports every file in the order of the plan
// while the workers go on. Ctrl+C stops it cleanly.

#include <atomic>
#include <cstdint>

#include "batch_plan.h"
#include "batch_report.h"
#include "console_writer.h"
#include "watermark_options.h"

namespace orvane::cli {

// Ctrl+C, Ctrl+Break and the console closing, as the batch sees them. The console's control
// handler raises the flags; the batch polls them.
struct Interruption {
  std::atomic<int> presses{0};        // Ctrl+C and Ctrl+Break so far
  std::atomic<bool> abandon{false};   // the exports in progress stop too (the engine's cancel flag)
  std::atomic<void*> finished_event{nullptr};  // set when no export runs any more (for the console closing)
  [[nodiscard]] bool stop_starting() const noexcept { return presses.load() > 0 || abandon.load(); }
};

// Installs the console control handler for `interruption` while it lives.
class ConsoleControl {
 public:
  explicit ConsoleControl(Interruption& interruption);
  ~ConsoleControl();
  ConsoleControl(const ConsoleControl&) = delete;
  ConsoleControl& operator=(const ConsoleControl&) = delete;

 private:
  Interruption& interruption_;
};

enum class ReportMode {
  Records,   // one line per file (standard output or error), as when redirected
  Progress,  // one updating line on the console, failures above it, a summary at the end
  Json,      // one JSON object per file on standard output
};

struct BatchSettings {
  engine::WatermarkOptions options;  // paths are set per file
  bool overwrite = false;
  bool skip_existing = false;
  std::uint32_t jobs = 1;
  std::uint64_t memory_budget = 0;   // bytes the exports at once may count on
  bool memory_limit_given = false;   // a file needing more than the budget fails instead of running alone
  ReportMode mode = ReportMode::Records;
  bool quiet = false;
};

struct BatchOutcome {
  BatchFigures figures;
  bool any_failure = false;
  bool interrupted = false;
};

// Runs every item of the plan and reports it; the exit status follows from the outcome.
[[nodiscard]] BatchOutcome run_batch(const Plan& plan, const BatchSettings& settings, Interruption& interruption,
                                     const ConsoleWriter& out, const ConsoleWriter& err);

// The console's progress line while the inputs are searched; cleared by the caller.
void show_search_progress(const ConsoleWriter& out, std::size_t found);

// Clears a progress line written on the console.
void clear_progress(const ConsoleWriter& out);

}  // namespace orvane::cli
