// Prints the median cost of measuring a label with the surface's text measurer: cold (no cached
// format or layout), with the format cached but a new text, and warm (layout cache hit), for
// an English and a Chinese label.
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/graphics/surface_text_measurer.h"
#include "ui/graphics/text_format_cache.h"
#include "ui/graphics/text_layout_cache.h"

namespace {

using win32_ui::ui::graphics::SurfaceFonts;
using win32_ui::ui::graphics::SurfaceTextMeasurer;
using win32_ui::ui::graphics::TextFormatCache;
using win32_ui::ui::graphics::TextLayoutCache;

constexpr int kSamples = 201;

enum class Cache { Cold, FormatOnly, Warm };

// Median microseconds of one measurement of `text` (made distinct per sample unless warm).
double median_us(SurfaceTextMeasurer& measurer, const std::wstring& text, Cache cache, double& sink) {
  std::vector<double> samples;
  (void)measurer.measure(text, 3);
  for (int sample = 0; sample < kSamples; ++sample) {
    if (cache == Cache::Cold) {
      TextFormatCache::for_current_thread().clear();
      TextLayoutCache::for_current_thread().clear();
    }
    const std::wstring measured = cache == Cache::Warm ? text : text + std::to_wstring(sample);
    const auto start = std::chrono::steady_clock::now();
    const auto size = measurer.measure(measured, 3);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (size) sink += size->width;
    samples.push_back(std::chrono::duration<double, std::micro>(elapsed).count());
  }
  std::nth_element(samples.begin(), samples.begin() + kSamples / 2, samples.end());
  return samples[kSamples / 2];
}

}  // namespace

int wmain() {
  SurfaceFonts fonts{};
  constexpr std::array<float, 6> points = {22, 15, 11, 9, 11, 12};
  constexpr std::array<LONG, 6> weights = {600, 600, 400, 400, 600, 600};
  for (std::size_t i = 0; i < fonts.size(); ++i) {
    fonts[i] = CreateFontW(-static_cast<LONG>(std::lround(points[i] * 96 / 72)), 0, 0, 0, weights[i], FALSE, FALSE,
                           FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
  }
  const float dpi = 96.0f;
  const float ui_scale = 1.0f;
  SurfaceTextMeasurer measurer(fonts, dpi, ui_scale);
  double sink = 0;
  const std::wstring labels[] = {L"Export watermarked image", L"\u5BFC\u51FA\u5E26\u6C34\u5370\u7684\u56FE\u7247"};
  const char* names[] = {"English", "Chinese"};
  std::printf("median microseconds per measurement (text style 3, 96 dpi)\n");
  for (int i = 0; i < 2; ++i) {
    const double cold = median_us(measurer, labels[i], Cache::Cold, sink);
    const double new_text = median_us(measurer, labels[i], Cache::FormatOnly, sink);
    const double warm = median_us(measurer, labels[i], Cache::Warm, sink);
    std::printf("%-8s cold %8.1f   new text %8.1f   warm %6.2f\n", names[i], cold, new_text, warm);
  }
  for (HFONT font : fonts) DeleteObject(font);
  return sink > 0 ? 0 : 1;
}
