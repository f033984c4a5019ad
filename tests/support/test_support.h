#pragma once

// Helpers the Windows test suites share: real image files written through GDI+ and pixel
// access to decoded files, with the platform-free file helpers.

#include <cstdint>
#include <string>
#include <vector>

#include "test_files.h"

namespace orvane::test {

// True when running under Wine (its ntdll exports wine_get_version).
[[nodiscard]] bool running_under_wine();

// Keeps GDI+ started for the lifetime of the object.
class GdiplusScope {
 public:
  GdiplusScope();
  ~GdiplusScope();
  GdiplusScope(const GdiplusScope&) = delete;
  GdiplusScope& operator=(const GdiplusScope&) = delete;

 private:
  std::uintptr_t token_ = 0;
};

// A decoded image as straight (not premultiplied) ARGB values, row by row.
struct Pixels {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint32_t> argb;
  [[nodiscard]] std::uint32_t at(std::uint32_t x, std::uint32_t y) const { return argb[y * width + x]; }
};

// A test picture whose every quadrant differs, so any turn or flip shows: red increases to the
// right, green downwards, and blue marks the top-left quadrant.
[[nodiscard]] Pixels make_pattern(std::uint32_t width, std::uint32_t height);

// Encodes pixels with the GDI+ encoder of `mime` ("image/png", "image/jpeg", ...).
// Needs a live GdiplusScope. Returns false on any failure.
[[nodiscard]] bool save_pixels(const Pixels& pixels, const std::wstring& path, const std::wstring& mime,
                               int jpeg_quality = 95);

// Decodes a file through GDI+ (no orientation applied). Empty pixels on failure.
[[nodiscard]] Pixels load_pixels(const std::wstring& path);

// Turns upright pixels into how a camera would store them for an orientation tag 1..8, and back.
[[nodiscard]] Pixels stored_from_upright(const Pixels& upright, std::uint16_t orientation);
[[nodiscard]] Pixels upright_from_stored(const Pixels& stored, std::uint16_t orientation);

// Largest difference of any colour channel between two images of the same size; 255 when sizes differ.
[[nodiscard]] int max_channel_difference(const Pixels& a, const Pixels& b);
// Mean absolute channel difference; 255 when sizes differ.
[[nodiscard]] double mean_channel_difference(const Pixels& a, const Pixels& b);

// A folder below `parent` whose full path is longer than `length` characters, made and removed
// with all it holds through its "\\?\" form, which Windows takes at any length.
class LongFolder {
 public:
  LongFolder(const std::wstring& parent, std::size_t length);
  ~LongFolder();
  LongFolder(const LongFolder&) = delete;
  LongFolder& operator=(const LongFolder&) = delete;
  // The plain full path, and its "\\?\" form.
  [[nodiscard]] const std::wstring& path() const noexcept { return path_; }
  [[nodiscard]] std::wstring extended() const { return L"\\\\?\\" + path_; }

 private:
  std::wstring top_;
  std::wstring path_;
};

}  // namespace orvane::test
