#include "test_support.h"

#include "gdiplus_headers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace orvane::test {
namespace gp = Gdiplus::DllExports;

bool running_under_wine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

GdiplusScope::GdiplusScope() {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) token_ = token;
}

GdiplusScope::~GdiplusScope() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

Pixels make_pattern(std::uint32_t width, std::uint32_t height) {
  Pixels p{width, height, std::vector<std::uint32_t>(std::size_t{width} * height)};
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t r = width > 1 ? x * 255 / (width - 1) : 0;
      const std::uint32_t g = height > 1 ? y * 255 / (height - 1) : 0;
      const std::uint32_t b = (x < width / 2 && y < height / 2) ? 230 : 20;
      p.argb[std::size_t{y} * width + x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
  }
  return p;
}

namespace {

bool encoder_for(const std::wstring& mime, CLSID& clsid) {
  UINT count = 0, size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<std::uint8_t> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (gp::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (mime == codecs[i].MimeType) {
      clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

}  // namespace

bool save_pixels(const Pixels& pixels, const std::wstring& path, const std::wstring& mime, int jpeg_quality) {
  CLSID clsid{};
  if (!encoder_for(mime, clsid)) return false;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (gp::GdipCreateBitmapFromScan0(static_cast<INT>(pixels.width), static_cast<INT>(pixels.height),
                                    static_cast<INT>(pixels.width * 4), PixelFormat32bppARGB,
                                    reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(pixels.argb.data())),
                                    &bitmap) != Gdiplus::Ok) {
    return false;
  }
  Gdiplus::EncoderParameters params{};
  ULONG quality = static_cast<ULONG>(jpeg_quality);
  params.Count = 1;
  params.Parameter[0].Guid = Gdiplus::EncoderQuality;
  params.Parameter[0].NumberOfValues = 1;
  params.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
  params.Parameter[0].Value = &quality;
  const bool jpeg = mime == L"image/jpeg";
  const auto status = gp::GdipSaveImageToFile(bitmap, path.c_str(), &clsid, jpeg ? &params : nullptr);
  gp::GdipDisposeImage(bitmap);
  return status == Gdiplus::Ok;
}

Pixels load_pixels(const std::wstring& path) {
  Pixels out;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (gp::GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok) return out;
  UINT w = 0, h = 0;
  gp::GdipGetImageWidth(bitmap, &w);
  gp::GdipGetImageHeight(bitmap, &h);
  Gdiplus::GpRect rect(0, 0, static_cast<INT>(w), static_cast<INT>(h));
  Gdiplus::BitmapData data{};
  if (w && h && gp::GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) ==
                    Gdiplus::Ok) {
    out.width = w;
    out.height = h;
    out.argb.resize(std::size_t{w} * h);
    for (UINT y = 0; y < h; ++y) {
      const auto* row = static_cast<const std::uint8_t*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride;
      std::copy_n(reinterpret_cast<const std::uint32_t*>(row), w, out.argb.data() + std::size_t{y} * w);
    }
    gp::GdipBitmapUnlockBits(bitmap, &data);
  }
  gp::GdipDisposeImage(bitmap);
  return out;
}

namespace {

// Maps a point of the upright picture to where a camera stored it, for each tag.
// Stored size is (W, H) for tags 1-4 and (H, W) for 5-8.
void stored_position(std::uint16_t tag, std::uint32_t x, std::uint32_t y, std::uint32_t W, std::uint32_t H,
                     std::uint32_t& sx, std::uint32_t& sy) {
  switch (tag) {
    case 2: sx = W - 1 - x; sy = y; break;
    case 3: sx = W - 1 - x; sy = H - 1 - y; break;
    case 4: sx = x; sy = H - 1 - y; break;
    case 5: sx = y; sy = x; break;
    case 6: sx = y; sy = W - 1 - x; break;
    case 7: sx = H - 1 - y; sy = W - 1 - x; break;
    case 8: sx = H - 1 - y; sy = x; break;
    default: sx = x; sy = y; break;
  }
}

}  // namespace

Pixels stored_from_upright(const Pixels& upright, std::uint16_t orientation) {
  const bool swap = orientation >= 5 && orientation <= 8;
  Pixels out{swap ? upright.height : upright.width, swap ? upright.width : upright.height, {}};
  out.argb.resize(upright.argb.size());
  for (std::uint32_t y = 0; y < upright.height; ++y) {
    for (std::uint32_t x = 0; x < upright.width; ++x) {
      std::uint32_t sx = 0, sy = 0;
      stored_position(orientation, x, y, upright.width, upright.height, sx, sy);
      out.argb[std::size_t{sy} * out.width + sx] = upright.at(x, y);
    }
  }
  return out;
}

Pixels upright_from_stored(const Pixels& stored, std::uint16_t orientation) {
  const bool swap = orientation >= 5 && orientation <= 8;
  Pixels out{swap ? stored.height : stored.width, swap ? stored.width : stored.height, {}};
  out.argb.resize(stored.argb.size());
  for (std::uint32_t y = 0; y < out.height; ++y) {
    for (std::uint32_t x = 0; x < out.width; ++x) {
      std::uint32_t sx = 0, sy = 0;
      stored_position(orientation, x, y, out.width, out.height, sx, sy);
      out.argb[std::size_t{y} * out.width + x] = stored.at(sx, sy);
    }
  }
  return out;
}

namespace {
int channel(std::uint32_t v, int shift) { return static_cast<int>((v >> shift) & 0xFF); }
}  // namespace

int max_channel_difference(const Pixels& a, const Pixels& b) {
  if (a.width != b.width || a.height != b.height || a.argb.size() != b.argb.size()) return 255;
  int worst = 0;
  for (std::size_t i = 0; i < a.argb.size(); ++i) {
    for (int shift : {0, 8, 16, 24}) worst = std::max(worst, std::abs(channel(a.argb[i], shift) - channel(b.argb[i], shift)));
  }
  return worst;
}

double mean_channel_difference(const Pixels& a, const Pixels& b) {
  if (a.width != b.width || a.height != b.height || a.argb.empty() || a.argb.size() != b.argb.size()) return 255;
  double sum = 0;
  for (std::size_t i = 0; i < a.argb.size(); ++i) {
    for (int shift : {0, 8, 16}) sum += std::abs(channel(a.argb[i], shift) - channel(b.argb[i], shift));
  }
  return sum / (3.0 * static_cast<double>(a.argb.size()));
}

namespace {

// Removes a folder and everything in it, given in its "\\?\" form.
void remove_tree(const std::wstring& folder) {
  WIN32_FIND_DATAW data{};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring entry = folder + L'\\' + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(entry);
      } else {
        SetFileAttributesW(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(entry.c_str());
      }
    } while (FindNextFileW(search, &data));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

LongFolder::LongFolder(const std::wstring& parent, std::size_t length) : path_(parent) {
  for (wchar_t letter = L'a'; path_.size() <= length; ++letter) {
    path_ += L'\\' + std::wstring(60, letter);
    if (top_.empty()) top_ = path_;
    CreateDirectoryW(extended().c_str(), nullptr);
  }
}

LongFolder::~LongFolder() {
  if (!top_.empty()) remove_tree(L"\\\\?\\" + top_);
}

}  // namespace orvane::test
