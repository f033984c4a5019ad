#include "sample_photo.h"

#include "gdiplus_headers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <memory>
#include <vector>

namespace orvane::bench {
namespace {

namespace gp = Gdiplus::DllExports;

// Keeps GDI+ started while the sample is generated.
class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) token_ = token;
  }
  ~GdiplusSession() {
    if (token_ != 0) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

  [[nodiscard]] bool ok() const noexcept { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

// Disposes a GDI+ bitmap.
struct ImageDeleter {
  void operator()(Gdiplus::GpBitmap* bitmap) const noexcept { gp::GdipDisposeImage(bitmap); }
};
using BitmapPtr = std::unique_ptr<Gdiplus::GpBitmap, ImageDeleter>;

// Small deterministic generator (xorshift64*), so every run benchmarks the same picture.
class SampleRandom {
 public:
  explicit SampleRandom(std::uint64_t seed) : state_(seed) {}

  // Next raw 32-bit value.
  std::uint32_t next() noexcept {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<std::uint32_t>((state_ * 0x2545F4914F6CDD1DULL) >> 32);
  }
  // Uniform value in [lo, hi).
  double uniform(double lo, double hi) noexcept { return lo + (hi - lo) * (next() / 4294967296.0); }

 private:
  std::uint64_t state_;
};

// Smooth random field: random values on a coarse grid, blended with smoothstep weights.
class ValueNoise {
 public:
  ValueNoise(std::uint32_t width, std::uint32_t height, double cell, SampleRandom& random)
      : cell_(cell),
        columns_(static_cast<std::size_t>(width / cell) + 2),
        rows_(static_cast<std::size_t>(height / cell) + 2),
        values_(columns_ * rows_) {
    for (double& value : values_) value = random.uniform(-1.0, 1.0);
  }

  // Field value in [-1, 1] at pixel (x, y).
  [[nodiscard]] double at(double x, double y) const noexcept {
    const double gx = x / cell_;
    const double gy = y / cell_;
    const auto ix = static_cast<std::size_t>(gx);
    const auto iy = static_cast<std::size_t>(gy);
    const double fx = smooth(gx - static_cast<double>(ix));
    const double fy = smooth(gy - static_cast<double>(iy));
    const double* row0 = &values_[iy * columns_ + ix];
    const double* row1 = row0 + columns_;
    const double top = row0[0] + (row0[1] - row0[0]) * fx;
    const double bottom = row1[0] + (row1[1] - row1[0]) * fx;
    return top + (bottom - top) * fy;
  }

 private:
  static double smooth(double t) noexcept { return t * t * (3.0 - 2.0 * t); }

  double cell_;
  std::size_t columns_;
  std::size_t rows_;
  std::vector<double> values_;
};

// A channel value rounded and clamped to a byte.
std::uint8_t to_byte(double value) noexcept {
  return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0) + 0.5);
}

// Fills a 24-bit BGR buffer with something a JPEG encoder has to work at: a sky-to-ground
// gradient with cloudy texture and grain, soft blobs and hard-edged blocks.
void paint_sample(std::vector<std::uint8_t>& pixels, std::uint32_t width, std::uint32_t height, std::size_t stride,
                  std::uint64_t seed) {
  SampleRandom random(seed);
  const ValueNoise coarse(width, height, 420.0, random);
  const ValueNoise fine(width, height, 55.0, random);
  const ValueNoise detail(width, height, 9.0, random);

  for (std::uint32_t y = 0; y < height; ++y) {
    const double v = static_cast<double>(y) / height;
    // Sky above the horizon at 55 %, warm ground below.
    const double sky = std::clamp((0.55 - v) / 0.55, 0.0, 1.0);
    const double base_r = 70 + (200 - 70) * (1 - sky) - 90 * std::max(0.0, v - 0.6);
    const double base_g = 120 + (175 - 120) * (1 - sky) - 60 * std::max(0.0, v - 0.6);
    const double base_b = 200 - (200 - 120) * (1 - sky) - 80 * std::max(0.0, v - 0.6);
    std::uint8_t* row = &pixels[y * stride];
    for (std::uint32_t x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / width;
      const double texture = 38.0 * coarse.at(x, y) + 14.0 * fine.at(x, y) + 10.0 * detail.at(x, y);
      const double grain = static_cast<double>(random.next() % 21) - 10.0;
      const double tint = 25.0 * (u - 0.5);
      row[x * 3 + 0] = to_byte(base_b + texture - tint + grain);
      row[x * 3 + 1] = to_byte(base_g + texture + grain);
      row[x * 3 + 2] = to_byte(base_r + texture + tint + grain);
    }
  }

  // Soft-edged translucent discs.
  for (int i = 0; i < 90; ++i) {
    const double cx = random.uniform(0, width);
    const double cy = random.uniform(0, height);
    const double radius = random.uniform(30, 360);
    const double feather = radius * random.uniform(0.05, 0.6);
    const double opacity = random.uniform(0.25, 0.7);
    const double colour[3] = {random.uniform(0, 255), random.uniform(0, 255), random.uniform(0, 255)};
    const auto y0 = static_cast<std::uint32_t>(std::max(0.0, cy - radius));
    const auto y1 = static_cast<std::uint32_t>(std::min<double>(height, cy + radius));
    const auto x0 = static_cast<std::uint32_t>(std::max(0.0, cx - radius));
    const auto x1 = static_cast<std::uint32_t>(std::min<double>(width, cx + radius));
    for (std::uint32_t y = y0; y < y1; ++y) {
      std::uint8_t* row = &pixels[y * stride];
      for (std::uint32_t x = x0; x < x1; ++x) {
        const double distance = std::hypot(x - cx, y - cy);
        const double a = opacity * std::clamp((radius - distance) / feather, 0.0, 1.0);
        if (a <= 0.0) continue;
        for (int c = 0; c < 3; ++c) row[x * 3 + c] = to_byte(row[x * 3 + c] * (1 - a) + colour[c] * a);
      }
    }
  }

  // Hard-edged blocks in the lower half, like buildings, with lit windows.
  for (int i = 0; i < 40; ++i) {
    const auto bw = std::min(width, static_cast<std::uint32_t>(random.uniform(80, 500)));
    const auto bh = static_cast<std::uint32_t>(height * random.uniform(0.05, 0.35));
    const auto bx = static_cast<std::uint32_t>(random.uniform(0, width - bw));
    const auto by = static_cast<std::uint32_t>(height * random.uniform(0.475, 0.7));
    const double shade = random.uniform(40, 160);
    for (std::uint32_t y = by; y < std::min(height, by + bh); ++y) {
      std::uint8_t* row = &pixels[y * stride];
      for (std::uint32_t x = bx; x < bx + bw; ++x) {
        const bool window = ((x - bx) % 40 > 12 && (x - bx) % 40 < 30) && ((y - by) % 60 > 15 && (y - by) % 60 < 45);
        const double level = window ? 230.0 : shade + static_cast<double>(random.next() % 11) - 5.0;
        row[x * 3 + 0] = to_byte(level * 0.85);
        row[x * 3 + 1] = to_byte(level * 0.95);
        row[x * 3 + 2] = to_byte(level);
      }
    }
  }
}

// Class identifier of the installed encoder for a MIME type.
bool find_encoder(const wchar_t* mime_type, CLSID& clsid) {
  UINT count = 0;
  UINT size = 0;
  if (gp::GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<std::uint8_t> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (gp::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (std::wcscmp(codecs[i].MimeType, mime_type) == 0) {
      clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

}  // namespace

bool write_sample_photo(const std::wstring& path, std::uint32_t width, std::uint32_t height, std::uint64_t seed) {
  GdiplusSession gdiplus;
  CLSID jpeg{};
  if (width == 0 || height == 0 || !gdiplus.ok() || !find_encoder(L"image/jpeg", jpeg)) return false;
  const std::size_t stride = (std::size_t{width} * 3 + 3) & ~std::size_t{3};
  std::vector<std::uint8_t> pixels(stride * height);
  paint_sample(pixels, width, height, stride, seed);

  Gdiplus::GpBitmap* raw = nullptr;
  if (gp::GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height),
                                    static_cast<INT>(stride), PixelFormat24bppRGB, pixels.data(),
                                    &raw) != Gdiplus::Ok) {
    return false;
  }
  const BitmapPtr bitmap(raw);
  ULONG quality = 90;
  Gdiplus::EncoderParameters parameters{};
  parameters.Count = 1;
  parameters.Parameter[0].Guid = Gdiplus::EncoderQuality;
  parameters.Parameter[0].NumberOfValues = 1;
  parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
  parameters.Parameter[0].Value = &quality;
  return gp::GdipSaveImageToFile(bitmap.get(), path.c_str(), &jpeg, &parameters) == Gdiplus::Ok;
}

bool write_transparent_png(const std::wstring& path, std::uint32_t width, std::uint32_t height) {
  GdiplusSession gdiplus;
  CLSID png{};
  if (width == 0 || height == 0 || !gdiplus.ok() || !find_encoder(L"image/png", png)) return false;
  std::vector<std::uint32_t> pixels(std::size_t{width} * height, 0);
  Gdiplus::GpBitmap* raw = nullptr;
  if (gp::GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), static_cast<INT>(width * 4),
                                    PixelFormat32bppARGB, reinterpret_cast<BYTE*>(pixels.data()), &raw) != Gdiplus::Ok) {
    return false;
  }
  const BitmapPtr bitmap(raw);
  return gp::GdipSaveImageToFile(bitmap.get(), path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

}  // namespace orvane::bench
