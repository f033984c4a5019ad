#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "batch_figures.h"
#include "batch_job.h"

namespace orvane::app {

class OrvaneApplication;

// Exporting every photo of a batch: into a folder the user picks, each as NAME-watermarked.EXT,
// by the batch engine orvane-cli uses, with its rules: two photos that would make one file and a
// copy that would replace a source are refused before anything is written, existing copies are
// skipped unless the user asks (once) to replace them, sources are never written. The list, the
// progress and the taskbar button follow it; Stop finishes the photos in progress and starts no
// more; one summary ends it.
class BatchExportFlow {
 public:
  explicit BatchExportFlow(OrvaneApplication& application) : application_(application) {}
  BatchExportFlow(const BatchExportFlow&) = delete;
  BatchExportFlow& operator=(const BatchExportFlow&) = delete;

  // Asks for the folder and starts writing every photo there.
  void export_all();
  // Writes into `folder` without asking for it (the dialog's answer, or a test's).
  void export_into(const std::wstring& folder);
  // No new photo starts; those in progress are finished.
  void stop();
  [[nodiscard]] bool exporting() const noexcept { return job_.running(); }
  [[nodiscard]] bool stopping() const noexcept { return job_.stopping(); }
  // The running counts, while exporting and after.
  [[nodiscard]] const batch::BatchFigures& figures() const noexcept { return figures_; }
  // The share of the photos done, from 0 to 1.
  [[nodiscard]] double progress() const noexcept;
  // What the last summary said (the question to open the folder aside).
  [[nodiscard]] const std::wstring& last_summary() const noexcept { return last_summary_; }

 private:
  void finished(const batch::BatchOutcome& outcome);
  [[nodiscard]] std::wstring summary(const batch::BatchOutcome& outcome) const;

  OrvaneApplication& application_;
  std::vector<std::size_t> rows_;  // the list's row of each item of the plan
  std::wstring folder_;
  batch::BatchFigures figures_;
  std::wstring last_summary_;
  BatchJob job_;  // last: its worker stops before anything above goes
};

}  // namespace orvane::app
