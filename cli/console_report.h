#pragma once

// What orvane-cli says while a batch runs: a record per file, one updating progress line on a
// console, or JSON objects, then the summary; and the notices when Ctrl+C stops it.

#include <cstddef>
#include <string>

#include "batch_run.h"
#include "console_writer.h"

namespace orvane::cli {

enum class ReportMode {
  Records,   // one line per file (standard output or error), as when redirected
  Progress,  // one updating line on the console, failures above it, a summary at the end
  Json,      // one JSON object per file on standard output
};

struct ReportSettings {
  ReportMode mode = ReportMode::Records;
  bool quiet = false;
  bool skip_existing = false;  // outputs that exist are done, not worth a line
};

// The batch's sink on the console; only the thread that runs the batch calls it.
class ConsoleReport final : public batch::BatchSink {
 public:
  ConsoleReport(const batch::Plan& plan, const ReportSettings& settings, const batch::StopControl& stop,
                const ConsoleWriter& out, const ConsoleWriter& err);

  // The summary line or the note on an interrupted batch, once it has ended.
  void finish(const batch::BatchOutcome& outcome);

  // BatchSink overrides
  void item_finished(std::size_t index, const batch::ItemResult& result) override;
  void progress(const batch::BatchFigures& figures) override;

 private:
  // A line on standard error, above the progress line when there is one.
  void error_line(const std::wstring& line);
  void notice(const std::wstring& line);
  void clear();

  const batch::Plan& plan_;
  const ReportSettings settings_;
  const batch::StopControl& stop_;
  const ConsoleWriter& out_;
  const ConsoleWriter& err_;
  std::size_t shown_ = 0;  // characters of the progress line on the console now
  std::wstring last_line_;
  bool stop_told_ = false;     // the notice of the first Ctrl+C was written
  bool abandon_told_ = false;  // the notice of abandoning was written
};

// The console's progress line while the inputs are searched; cleared by the caller.
void show_search_progress(const ConsoleWriter& out, std::size_t found);

// Clears a progress line written on the console.
void clear_progress(const ConsoleWriter& out);

}  // namespace orvane::cli
