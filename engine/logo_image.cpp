#include "logo_image.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <list>
#include <mutex>

#include "area_shrink.h"
#include "file_identity.h"
#include "file_system.h"
#include "gdiplus_support.h"
#include "image_file.h"
#include "image_header.h"
#include "image_orientation.h"
#include "image_size_limit.h"

namespace orvane::engine {
namespace {

namespace flat = gdiplus::flat;

// A logo file as it was when read: the same path, size and last write mean the same pixels.
struct LogoKey {
  std::wstring path;
  std::uint64_t size = 0;
  std::uint64_t written = 0;
  bool operator==(const LogoKey&) const = default;
};

std::optional<LogoKey> key_for(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return LogoKey{full_path(path), (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
                 (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime};
}

std::wstring logo_error(const std::wstring& path, const std::wstring& reason) {
  std::wstring error = L"Unable to read logo file: " + path + L".";
  if (!reason.empty()) error += L" " + reason;
  return error;
}

gdiplus::PixelBitmap shrunk(const std::uint8_t* rows, std::size_t stride, std::uint32_t width, std::uint32_t height,
                            std::uint32_t out_width, std::uint32_t out_height) {
  gdiplus::PixelBitmap out = gdiplus::make_pixel_bitmap(out_width, out_height, PixelFormat32bppPARGB);
  if (out) shrink_by_area(rows, static_cast<std::ptrdiff_t>(stride), 4, width, height, out);
  return out;
}

std::shared_ptr<LogoPixels> copied(const gdiplus::PixelBitmap& bitmap) {
  auto pixels = std::make_shared<LogoPixels>();
  pixels->width = bitmap.width;
  pixels->height = bitmap.height;
  pixels->pargb.resize(std::size_t{bitmap.width} * bitmap.height);
  for (std::uint32_t y = 0; y < bitmap.height; ++y) {
    std::memcpy(&pixels->pargb[std::size_t{y} * bitmap.width], bitmap.row(y), std::size_t{bitmap.width} * 4);
  }
  return pixels;
}

// A logo smaller than it is drawn, each of its pixels repeated to `width` x `height`: GDI+ would
// smear a few pixels drawn large into a blur that fades at the edges.
std::shared_ptr<LogoPixels> enlarged(const LogoPixels& logo, std::uint32_t width, std::uint32_t height) {
  auto pixels = std::make_shared<LogoPixels>();
  pixels->width = width;
  pixels->height = height;
  pixels->pargb.resize(std::size_t{width} * height);
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint32_t sy = static_cast<std::uint32_t>(std::uint64_t{y} * logo.height / height);
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t sx = static_cast<std::uint32_t>(std::uint64_t{x} * logo.width / width);
      pixels->pargb[std::size_t{y} * width + x] = logo.pargb[std::size_t{sy} * logo.width + sx];
    }
  }
  return pixels;
}

// Decodes the logo upright, shrunk to max_logo_side when larger.
std::shared_ptr<const LogoPixels> decode_logo(const std::wstring& path, std::wstring& error) {
  if (const std::wstring access = input_access_error(path); !access.empty()) {
    error = logo_error(path, access == kInputNotFound ? L"The file was not found." : L"The file cannot be accessed.");
    return nullptr;
  }
  if (const auto declared = read_image_dimensions(path);
      declared && declared->width != 0 && declared->height != 0 &&
      !image_size_acceptable(declared->width, declared->height)) {
    error = logo_error(path, L"The image is too large.");
    return nullptr;
  }
  gdiplus::BitmapPtr decoded = decode_image_file(path);
  const gdiplus::Size stored = decoded ? gdiplus::image_size(decoded.get()) : gdiplus::Size{};
  if (!decoded || stored.width == 0 || stored.height == 0) {
    error = logo_error(path, L"");
    return nullptr;
  }
  gdiplus::PixelBitmap pixels = gdiplus::make_pixel_bitmap(stored.width, stored.height, PixelFormat32bppPARGB);
  const Gdiplus::GpRect rect(0, 0, static_cast<INT>(stored.width), static_cast<INT>(stored.height));
  if (!pixels || !gdiplus::read_pixels(decoded.get(), rect, PixelFormat32bppPARGB, pixels.pixels, pixels.stride)) {
    error = logo_error(path, L"");
    return nullptr;
  }
  const OrientationTurn turn = orientation_turn(read_source_orientation(decoded.get(), path).value);
  decoded.reset();
  if (turn.turns()) pixels = turned(pixels, turn.upright);
  if (!pixels) {
    error = logo_error(path, L"");
    return nullptr;
  }
  const std::uint32_t longer = std::max(pixels.width, pixels.height);
  if (longer > max_logo_side) {
    const double k = static_cast<double>(max_logo_side) / longer;
    const auto side = [k](std::uint32_t length) {
      return std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::lround(length * k)));
    };
    pixels = shrunk(pixels.pixels, pixels.stride, pixels.width, pixels.height, side(pixels.width), side(pixels.height));
    if (!pixels) {
      error = logo_error(path, L"");
      return nullptr;
    }
  }
  return copied(pixels);
}

// The few logos read last, newest first; a frame or a batch uses one.
class LogoCache {
 public:
  std::shared_ptr<const LogoPixels> get(const std::wstring& path, std::uint32_t width, std::uint32_t height,
                                        bool sized, std::wstring& error) {
    const std::optional<LogoKey> key = key_for(path);
    if (!key) return decode_logo(path, error);  // reports the missing or hidden file
    std::shared_ptr<const LogoPixels> full;
    {
      const std::lock_guard lock(mutex_);
      for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key != *key) continue;
        entries_.splice(entries_.begin(), entries_, it);
        full = it->full;
        if (sized && it->sized && it->sized_for == std::pair{width, height}) return it->sized;
        break;
      }
    }
    if (!full) {
      // Decoded outside the lock: another logo's frames need not wait for this one.
      full = decode_logo(path, error);
      if (!full) return nullptr;
      const std::lock_guard lock(mutex_);
      entries_.push_front(Entry{*key, full, nullptr, {}});
      if (entries_.size() > kKept) entries_.pop_back();
    }
    width = std::max(width, 1u);
    height = std::max(height, 1u);
    const bool smaller = full->width < width || full->height < height;
    if (!sized || (!smaller && full->width <= 2 * width && full->height <= 2 * height)) return full;
    std::shared_ptr<const LogoPixels> result;
    if (smaller) {
      result = enlarged(*full, width, height);
    } else {
      const gdiplus::PixelBitmap small = shrunk(reinterpret_cast<const std::uint8_t*>(full->pargb.data()),
                                                std::size_t{full->width} * 4, full->width, full->height, width, height);
      if (!small) return full;
      result = copied(small);
    }
    const std::lock_guard lock(mutex_);
    for (Entry& entry : entries_) {
      if (entry.key == *key) {
        entry.sized = result;
        entry.sized_for = {width, height};
      }
    }
    return result;
  }

 private:
  static constexpr std::size_t kKept = 4;
  struct Entry {
    LogoKey key;
    std::shared_ptr<const LogoPixels> full;
    std::shared_ptr<const LogoPixels> sized;
    std::pair<std::uint32_t, std::uint32_t> sized_for;
  };
  std::mutex mutex_;
  std::list<Entry> entries_;
};

LogoCache& cache() {
  static LogoCache instance;
  return instance;
}

}  // namespace

bool check_logo(const std::wstring& path, std::wstring& error) {
  const gdiplus::GdiplusSession session;  // GDI+ counts its sessions: the caller's stays
  if (!session.ok()) {
    error = L"GDI+ initialization failed.";
    return false;
  }
  return load_logo(path, error) != nullptr;
}

std::shared_ptr<const LogoPixels> load_logo(const std::wstring& path, std::wstring& error) {
  return cache().get(path, 0, 0, false, error);
}

std::shared_ptr<const LogoPixels> logo_for_size(const std::wstring& path, std::uint32_t width, std::uint32_t height,
                                                std::wstring& error) {
  return cache().get(path, width, height, true, error);
}

}  // namespace orvane::engine
