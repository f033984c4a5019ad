#include "area_shrink.h"

#include <algorithm>
#include <vector>

namespace orvane::engine {
namespace {

// The source pixels one output pixel covers along one direction: the first and the last in
// part (by the given fractions), the ones between whole.
struct Span {
  std::uint32_t first = 0;
  float first_part = 0;
  std::uint32_t last = 0;  // one past the whole pixels; read in part when last_part > 0
  float last_part = 0;
  float inverse_length = 0;
};

std::vector<Span> spans(std::uint32_t source_length, std::uint32_t length) {
  std::vector<Span> result(length);
  const double step = static_cast<double>(source_length) / length;
  for (std::uint32_t o = 0; o < length; ++o) {
    const double begin = o * step, end = std::min((o + 1) * step, static_cast<double>(source_length));
    Span& span = result[o];
    span.first = static_cast<std::uint32_t>(begin);
    span.first_part = static_cast<float>(std::min(span.first + 1.0, end) - begin);
    span.last = static_cast<std::uint32_t>(end);
    span.last_part = span.last > span.first ? static_cast<float>(end - span.last) : 0.0f;
    span.inverse_length = static_cast<float>(1.0 / (end - begin));
  }
  return result;
}

template <int kBytes>
void shrink(const std::uint8_t* rows, std::ptrdiff_t stride, std::uint32_t source_width, std::uint32_t source_height,
            const gdiplus::PixelBitmap& out, std::uint32_t first_row, std::uint32_t last_row) {
  const std::uint32_t width = out.width, height = out.height;
  const std::vector<Span> columns = spans(source_width, width);
  const double line_step = static_cast<double>(source_height) / height;
  // Source rows are summed down into the output row they fall in (a row that straddles two is
  // split between them), and each finished sum is averaged across once. 24-bit rows are opaque
  // and leave alpha at 255.
  const std::size_t values = std::size_t{source_width} * kBytes;
  std::vector<float> sums(values, 0.0f), next(values, 0.0f);
  std::uint32_t y = first_row;
  last_row = std::min(last_row, height);
  for (auto j = static_cast<std::uint32_t>(first_row * line_step); j < source_height && y < last_row; ++j) {
    const std::uint8_t* row = rows + static_cast<std::ptrdiff_t>(j) * stride;
    const double begin = y * line_step, end = std::min((y + 1) * line_step, static_cast<double>(source_height));
    if (j + 1.0 < end) {
      // Whole, but for the first row read when starting part-way down, which is shared with the
      // output row above.
      if (j < begin) {
        const auto part = static_cast<float>(j + 1.0 - begin);
        for (std::size_t k = 0; k < values; ++k) sums[k] += row[k] * part;
      } else {
        for (std::size_t k = 0; k < values; ++k) sums[k] += row[k];
      }
      continue;
    }
    // This row finishes output row y; what is left of it starts the next one.
    const auto inside = static_cast<float>(end - std::max(static_cast<double>(j), begin));
    const auto rest = static_cast<float>(j + 1.0 - end);
    for (std::size_t k = 0; k < values; ++k) {
      sums[k] += row[k] * inside;
      next[k] = row[k] * rest;
    }
    const auto line_scale = static_cast<float>(1.0 / (end - begin));
    std::uint8_t* target = out.row(y);
    for (std::uint32_t o = 0; o < width; ++o) {
      const Span& span = columns[o];
      const float* first = &sums[std::size_t{span.first} * kBytes];
      const float* last = &sums[std::size_t{span.last} * kBytes];
      // The channels side by side, each summed in the same order as alone.
      float sum[kBytes];
      for (int c = 0; c < kBytes; ++c) sum[c] = span.first_part * first[c];
      for (const float* p = first + kBytes; p < last; p += kBytes) {
        for (int c = 0; c < kBytes; ++c) sum[c] += p[c];
      }
      if (span.last_part > 0) {
        for (int c = 0; c < kBytes; ++c) sum[c] += span.last_part * last[c];
      }
      for (int c = 0; c < kBytes; ++c) {
        target[o * 4 + c] = static_cast<std::uint8_t>(std::min(sum[c] * span.inverse_length * line_scale + 0.5f, 255.0f));
      }
      if (kBytes == 3) target[o * 4 + 3] = 255;
    }
    sums.swap(next);
    ++y;
  }
}

}  // namespace

void shrink_by_area(const std::uint8_t* rows, std::ptrdiff_t stride, int bytes_per_pixel, std::uint32_t source_width,
                    std::uint32_t source_height, const gdiplus::PixelBitmap& out) {
  shrink_rows_by_area(rows, stride, bytes_per_pixel, source_width, source_height, out, 0, out.height);
}

void shrink_rows_by_area(const std::uint8_t* rows, std::ptrdiff_t stride, int bytes_per_pixel,
                         std::uint32_t source_width, std::uint32_t source_height, const gdiplus::PixelBitmap& out,
                         std::uint32_t first_row, std::uint32_t last_row) {
  if (bytes_per_pixel == 3) {
    shrink<3>(rows, stride, source_width, source_height, out, first_row, last_row);
  } else {
    shrink<4>(rows, stride, source_width, source_height, out, first_row, last_row);
  }
}

}  // namespace orvane::engine
