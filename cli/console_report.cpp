#include "console_report.h"

#include <algorithm>

#include "batch_report.h"

namespace orvane::cli {

using batch::ItemStatus;

ConsoleReport::ConsoleReport(const batch::Plan& plan, const ReportSettings& settings, const batch::StopControl& stop,
                             const ConsoleWriter& out, const ConsoleWriter& err)
    : plan_(plan), settings_(settings), stop_(stop), out_(out), err_(err) {}

void ConsoleReport::item_finished(std::size_t index, const batch::ItemResult& result) {
  // Files a stopped batch never started are left for the next run, without a word.
  if (result.status == ItemStatus::NotStarted) return;
  const batch::PlanItem& item = plan_.items[index];
  const bool failure = result.status == ItemStatus::Failed;
  if (settings_.mode == ReportMode::Json) {
    if (!settings_.quiet || failure) out_.write_line(json_record(item, result, item_message(item, result)));
    return;
  }
  if (result.status == ItemStatus::Written) {
    if (settings_.mode == ReportMode::Records && !settings_.quiet) {
      out_.write_line(item.input + L" -> " + item.output + L": " + item_message(item, result));
    }
    return;
  }
  if (failure) {
    error_line(item.input + L": " + item_message(item, result));
    return;
  }
  // Skipped and abandoned files: noted one by one in records; counted on the progress line.
  if (settings_.mode == ReportMode::Progress || settings_.quiet) return;
  if (result.reason == batch::ItemReason::OutputExists && settings_.skip_existing) return;
  err_.write_line(item.input + L": " + item_message(item, result));
}

void ConsoleReport::progress(const batch::BatchFigures& figures) {
  if (stop_.stopping() && !stop_told_) {
    stop_told_ = true;
    notice(L"stopping: the files in progress are finished, no new one is started (Ctrl+C again abandons them)");
  }
  if (stop_.abandoning() && !abandon_told_) {
    abandon_told_ = true;
    notice(L"abandoning the files in progress");
  }
  if (settings_.mode != ReportMode::Progress) return;
  const std::wstring line = progress_line(figures, out_.columns());
  if (line.size() == shown_ && line == last_line_) return;
  last_line_ = line;
  std::wstring text = L"\r" + line;
  if (line.size() < shown_) text += std::wstring(shown_ - line.size(), L' ') + L"\r" + line;
  out_.write(text);
  shown_ = line.size();
}

void ConsoleReport::finish(const batch::BatchOutcome& outcome) {
  const batch::BatchFigures& figures = outcome.figures;
  if (settings_.mode == ReportMode::Progress) {
    clear();
    out_.write_line(summary_line(figures, outcome.interrupted));
  } else if (outcome.interrupted) {
    const std::size_t left = figures.images - figures.done();
    notice(L"interrupted: " + std::to_wstring(figures.written) + L" of " + std::to_wstring(figures.images) +
           L" images written, " + std::to_wstring(left) + L" left; the same command again does the rest");
  }
}

void ConsoleReport::error_line(const std::wstring& line) {
  clear();
  err_.write_line(line);
}

void ConsoleReport::notice(const std::wstring& line) {
  if (!settings_.quiet) error_line(L"orvane-cli: " + line);
}

void ConsoleReport::clear() {
  last_line_.clear();
  if (shown_ == 0) return;
  out_.write(L"\r" + std::wstring(shown_, L' ') + L"\r");
  shown_ = 0;
}

void show_search_progress(const ConsoleWriter& out, std::size_t found) {
  std::wstring line = L"Looking for images: " + std::to_wstring(found) + L" files found";
  const std::size_t columns = out.columns();
  if (columns > 1 && line.size() > columns - 1) line.resize(columns - 1);
  out.write(L"\r" + line);
}

void clear_progress(const ConsoleWriter& out) {
  out.write(L"\r" + std::wstring(std::max<std::size_t>(out.columns(), 2) - 1, L' ') + L"\r");
}

}  // namespace orvane::cli
