#include "batch_figures.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

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

std::wstring clock_text(double seconds) {
  const auto total = static_cast<long long>(std::ceil(std::max(0.0, seconds)));
  wchar_t buffer[32];
  if (total >= 3600) {
    std::swprintf(buffer, 32, L"%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::swprintf(buffer, 32, L"%lld:%02lld", total / 60, total % 60);
  }
  return buffer;
}

}  // namespace orvane::batch
