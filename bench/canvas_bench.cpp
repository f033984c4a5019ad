// Prints the median milliseconds of painting a typical frame (200 primitives, 50 text runs,
// 1280 x 790 pixels) through the Direct2D and GDI canvases into a memory bitmap, and how many
// text layouts and formats the second frame finds in the DirectWrite caches.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/graphics/canvas.h"
#include "ui/graphics/frame_painter.h"
#include "ui/graphics/image.h"
#include "ui/graphics/text_format_cache.h"
#include "ui/graphics/text_layout_cache.h"

namespace {

using win32_ui::modern::RenderMode;
using win32_ui::ui::graphics::Canvas;
using win32_ui::ui::graphics::Color;
using win32_ui::ui::graphics::Image;
using win32_ui::ui::graphics::RectF;
using win32_ui::ui::graphics::TextStyle;

constexpr int kWidth = 1280;
constexpr int kHeight = 790;
constexpr int kSamples = 41;

// A panel of controls: cards, buttons, sliders, icons, labels.
void paint_typical_frame(Canvas& canvas, const Image& icon, const std::vector<std::wstring>& labels) {
  canvas.clear({247, 248, 250});
  int primitives = 0;
  for (int row = 0; primitives < 200; ++row) {
    const float y = 10.0f + static_cast<float>(row % 20) * 38.0f;
    const float x = 10.0f + static_cast<float>(row / 20) * 320.0f;
    canvas.fill_rounded_rect({x, y, x + 300, y + 34}, 6, {255, 255, 255});
    canvas.stroke_rounded_rect({x, y, x + 300, y + 34}, 6, {205, 211, 219}, 1);
    canvas.fill_rect({x + 150, y + 15, x + 280, y + 19}, {235, 239, 244});
    canvas.fill_ellipse({x + 200, y + 9, x + 216, y + 25}, {0, 120, 215});
    if (row % 4 == 0) {
      canvas.draw_image(icon, {x + 6, y + 9, x + 22, y + 25}, 1.0f, true);
    } else {
      canvas.draw_line({x + 8, y + 17}, {x + 20, y + 17}, {91, 99, 110}, 1.5f);
    }
    primitives += 5;
  }
  TextStyle style;
  style.font_slot = 3;
  style.color = {28, 32, 38};
  style.single_line = true;
  style.vertical_alignment = 1;
  style.end_ellipsis = true;
  for (int i = 0; i < 50; ++i) {
    const float y = 10.0f + static_cast<float>(i % 20) * 38.0f;
    const float x = 36.0f + static_cast<float>(i / 20) * 320.0f;
    canvas.draw_text(labels[static_cast<std::size_t>(i)], {x, y, x + 110, y + 34}, style);
  }
}

struct Target {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ original = nullptr;
};

}  // namespace

int wmain() {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Target target;
  target.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  target.dc = CreateCompatibleDC(nullptr);
  if (target.bitmap == nullptr || target.dc == nullptr) return 1;
  target.original = SelectObject(target.dc, target.bitmap);

  // 16 x 16 opaque pixels of one colour, B, G, R, A bytes.
  std::vector<std::uint8_t> icon_bytes;
  for (int i = 0; i < 256; ++i) icon_bytes.insert(icon_bytes.end(), {0xC0, 0x60, 0x30, 0xFF});
  Image icon;
  if (Image::from_pixels(16, 16, 64, icon_bytes, icon) != win32_ui::ui::graphics::image_ok) return 1;
  win32_ui::ui::graphics::SurfaceFonts fonts{};
  const int sizes[6] = {22, 15, 11, 9, 11, 12};
  const int weights[6] = {600, 600, 400, 400, 600, 600};
  for (int i = 0; i < 6; ++i) {
    fonts[static_cast<std::size_t>(i)] =
        CreateFontW(-MulDiv(sizes[i], 96, 72), 0, 0, 0, weights[i], FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
  }
  std::vector<std::wstring> labels;
  for (int i = 0; i < 50; ++i) labels.push_back(L"Setting " + std::to_wstring(i + 1) + L": watermark opacity");
  const RECT update{0, 0, kWidth, kHeight};

  auto& layouts = win32_ui::ui::graphics::TextLayoutCache::for_current_thread();
  auto& formats = win32_ui::ui::graphics::TextFormatCache::for_current_thread();
  layouts.clear();
  formats.clear();
  const auto paint = [&](RenderMode mode) {
    return win32_ui::modern::paint_frame(target.dc, update, fonts, mode,
                                         [&](Canvas& canvas) { paint_typical_frame(canvas, icon, labels); });
  };
  const auto first = paint(RenderMode::direct2d_first);
  const auto layout_hits = layouts.hits(), layout_misses = layouts.misses();
  const auto format_hits = formats.hits(), format_misses = formats.misses();
  const auto second = paint(RenderMode::direct2d_first);
  if (!first.success || first.software || !second.success || second.software) {
    std::printf("Direct2D frame failed\n");
    return 1;
  }
  const auto layout_lookups = (layouts.hits() - layout_hits) + (layouts.misses() - layout_misses);
  const auto format_lookups = (formats.hits() - format_hits) + (formats.misses() - format_misses);
  std::printf("second frame: text layouts %llu of %llu from the cache; formats %llu of %llu (first frame made %llu "
              "layouts and %llu formats)\n",
              static_cast<unsigned long long>(layouts.hits() - layout_hits),
              static_cast<unsigned long long>(layout_lookups),
              static_cast<unsigned long long>(formats.hits() - format_hits),
              static_cast<unsigned long long>(format_lookups), static_cast<unsigned long long>(layout_misses),
              static_cast<unsigned long long>(format_misses));

  // The frame itself, then a frame that only clears: the fixed cost of binding and presenting.
  const auto clear_only = [&](RenderMode mode) {
    return win32_ui::modern::paint_frame(target.dc, update, fonts, mode,
                                         [](Canvas& canvas) { canvas.clear({247, 248, 250}); });
  };
  for (const bool typical : {true, false}) {
    for (const RenderMode mode : {RenderMode::direct2d_first, RenderMode::gdi_only}) {
      std::vector<double> samples;
      for (int sample = 0; sample < kSamples; ++sample) {
        const auto start = std::chrono::steady_clock::now();
        const auto outcome = typical ? paint(mode) : clear_only(mode);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (!outcome.success || outcome.software != (mode == RenderMode::gdi_only)) {
          std::printf("frame failed\n");
          return 1;
        }
        samples.push_back(std::chrono::duration<double, std::milli>(elapsed).count());
      }
      std::nth_element(samples.begin(), samples.begin() + kSamples / 2, samples.end());
      std::printf("%s: %s (%dx%d) median %.2f ms over %d frames\n",
                  mode == RenderMode::gdi_only ? "GDI     " : "Direct2D", typical ? "typical frame, 200 primitives and 50 text runs" : "frame that only clears", kWidth,
                  kHeight, samples[kSamples / 2], kSamples);
    }
  }

  for (HFONT font : fonts) DeleteObject(font);
  SelectObject(target.dc, target.original);
  DeleteDC(target.dc);
  DeleteObject(target.bitmap);
  return 0;
}
