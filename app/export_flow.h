#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "export_job.h"

namespace orvane::app {

class OrvaneApplication;

// Exporting: the open image with the watermark of the current settings, written at full resolution
// to a file the user names with the save dialog, never over the image itself. The writing runs
// aside, with its progress under the preview and on the taskbar button, and can be cancelled.
class ExportFlow {
 public:
  explicit ExportFlow(OrvaneApplication& application);
  ~ExportFlow();
  ExportFlow(const ExportFlow&) = delete;
  ExportFlow& operator=(const ExportFlow&) = delete;

  // Asks for a file name and starts writing the open image with the watermark there.
  void export_watermarked();
  // Stops the export in progress: the output is left as it was.
  void cancel();
  // An export is being written.
  [[nodiscard]] bool exporting() const noexcept { return job_.running(); }
  // How far it has come, from 0 to 1.
  [[nodiscard]] double progress() const noexcept { return progress_; }
  // The name of the file being written.
  [[nodiscard]] const std::wstring& output_name() const noexcept { return output_name_; }
  // The suggested output: the image's folder and stem with "-watermarked" and its extension.
  [[nodiscard]] std::wstring default_output_name() const;
  // The window is about to close: while an export (of one photo or of all) runs, asks first; true
  // when it may close, the export then stopping with it.
  [[nodiscard]] bool confirm_close();

 private:
  void finished(ExportOutcome outcome);

  OrvaneApplication& application_;
  std::wstring output_path_;
  std::wstring output_name_;
  double progress_ = 0.0;
  ExportJob job_;  // last: its worker stops before anything above goes
};

}  // namespace orvane::app
