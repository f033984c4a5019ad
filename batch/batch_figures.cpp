#include "batch_figures.h"

#include <algorithm>

namespace orvane::batch {

std::optional<double> BatchFigures::images_per_second() const {
  const std::size_t worked = written + failed;
  if (worked == 0 || seconds_at_last <= 0) return std::nullopt;
  return static_cast<double>(worked) / seconds_at_last;
}

std::optional<double> BatchFigures::seconds_left() const {
  if (stopping || pixels_done == 0 || !images_per_second()) return std::nullopt;
  const double estimate =
      static_cast<double>(pixels_left) * seconds_at_last / static_cast<double>(pixels_done);
  return std::max(1.0, estimate - (seconds - seconds_at_last));
}

}  // namespace orvane::batch
