#pragma once

#include <string>

namespace orvane::app {

class OrvaneApplication;

// Exporting: the open image with the watermark of the current settings, written at full resolution
// to a file the user names with the save dialog, never over the image itself.
class ExportFlow {
 public:
  explicit ExportFlow(OrvaneApplication& application) noexcept : application_(application) {}
  ExportFlow(const ExportFlow&) = delete;
  ExportFlow& operator=(const ExportFlow&) = delete;

  // Writes the open image with the watermark to a file the user names.
  void export_watermarked();
  // The suggested output: the image's folder and stem with "-watermarked" and its extension.
  [[nodiscard]] std::wstring default_output_name() const;

 private:
  OrvaneApplication& application_;
};

}  // namespace orvane::app
