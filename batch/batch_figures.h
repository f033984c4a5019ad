#pragma once

// The running counts of a batch, which progress and summaries in every front are made of.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace orvane::batch {

struct BatchFigures {
  std::size_t images = 0;      // images in the plan
  std::size_t written = 0;
  std::size_t failed = 0;      // not abandoned: those are left for the next run
  std::size_t existing = 0;    // skipped: the output exists
  std::size_t not_images = 0;  // found files that are no images
  std::size_t nothing = 0;     // folders and wildcards that found no image
  double seconds = 0;          // since the first file started
  double seconds_at_last = 0;  // when the last file worked on was counted
  std::uint64_t pixels_done = 0;   // of the files worked on (written or failed)
  std::uint64_t pixels_left = 0;   // of the files not finished yet
  bool stopping = false;           // no new file starts

  [[nodiscard]] std::size_t done() const { return written + failed + existing; }

  // Images worked on (written or failed) per second up to the last one counted; nothing before
  // the first.
  [[nodiscard]] std::optional<double> images_per_second() const;

  // The pixels still to do at the speed so far, counting down since the last file was counted;
  // at least one second. Nothing before the first file is counted or while stopping.
  [[nodiscard]] std::optional<double> seconds_left() const;
};

// A duration for people, rounded up to whole seconds: "0:34", "12:05" or "1:02:03".
[[nodiscard]] std::wstring clock_text(double seconds);

}  // namespace orvane::batch
