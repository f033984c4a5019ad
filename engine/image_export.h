#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "watermark_options.h"

namespace orvane::engine {

// What a successful export reports; left untouched when the export fails.
struct ExportReport {
  std::uint32_t output_width = 0;   // size of the saved bitmap
  std::uint32_t output_height = 0;
  std::uint32_t upright_width = 0;  // size of the upright bitmap the watermark was drawn on
  std::uint32_t upright_height = 0;
  std::uint16_t orientation = 1;    // the source's tag 1..8, 1 when it has none
  bool orientation_present = false;
  bool orientation_corrected = false;  // the tag asked for a turn or flip, which was applied and undone
  bool quality_from_source = false;
  std::int32_t jpeg_quality = 0;    // 0 when the output is not JPEG
  std::wstring mime_type;
};

// Milliseconds one export spent in each of its stages, for the benchmark.
struct ExportStageTimes {
  double decode = 0;       // reading the file into pixels, choosing the encoder
  double orientation = 0;  // reading the tag and turning the pixels upright
  double copy = 0;         // into the working bitmap
  double watermark = 0;
  double turn_back = 0;    // back to the stored orientation
  double encode = 0;
  double amend = 0;        // orientation, transparency and print metadata written into the saved file
};

// Told how far an export has come, from 0 to 1, at the end of each of its stages (the decoder and
// the encoder say nothing while they run, so the figure moves in steps). Called on the exporting
// thread.
using ExportProgress = std::function<void(double done)>;

// Decodes the input, turns it upright, draws the watermark at full resolution and writes the
// output with the encoder its extension names (else the source's). Never writes onto the source
// and never leaves a half-written file in place of an existing one. `stages`, when given,
// receives the time of each stage. `cancel`, when given and once true, stops the export at its
// next stage, at the latest just before the finished file would take the output's name; its
// temporary file is removed, the output is untouched and the error is kExportCancelled.
// `progress`, when given, is told how far the export has come.
[[nodiscard]] bool export_image(const WatermarkOptions& options, ExportReport& report, std::wstring& error,
                                ExportStageTimes* stages = nullptr, const std::atomic<bool>* cancel = nullptr,
                                const ExportProgress& progress = {});

// The error of an export stopped through its `cancel` flag.
inline constexpr wchar_t kExportCancelled[] = L"Export cancelled.";

// Keeps the imaging library (GDI+) started while it lives. Every export starts and stops it for
// itself; a program that exports on several threads at once holds one of these around them, so
// that no export's stop ever meets another's start.
class ImagingSession {
 public:
  ImagingSession();
  ~ImagingSession();
  ImagingSession(const ImagingSession&) = delete;
  ImagingSession& operator=(const ImagingSession&) = delete;
  [[nodiscard]] bool ok() const noexcept;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Whether this platform's JPEG encoder follows the quality it is given (some ignore it).
// Measured once per process by encoding a small bitmap at two qualities.
[[nodiscard]] bool jpeg_quality_honoured();

}  // namespace orvane::engine
