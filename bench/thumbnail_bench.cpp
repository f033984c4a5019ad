// Times thumbnails of a 6000 x 4000 JPEG: made from the thumbnail a camera embeds in its EXIF
// block, and from the photo's own pixels when it has none; then the cache's second asking.
// Prints medians; checks nothing.
//
//   thumbnail_bench [--runs N] [--side PIXELS]

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "bench_process.h"
#include "image_export.h"
#include "photo_thumbnail.h"
#include "sample_photo.h"
#include "thumbnail_cache.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> read_all(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// A camera's Exif block: an IFD0 with the orientation, and an IFD1 pointing at `thumbnail`.
std::vector<std::uint8_t> exif_segment(const std::vector<std::uint8_t>& thumbnail) {
  std::vector<std::uint8_t> tiff = {'I', 'I', 42, 0};
  put32(tiff, 8);
  put16(tiff, 1);  // IFD0: orientation 1
  put16(tiff, 0x0112), put16(tiff, 3), put32(tiff, 1), put32(tiff, 1);
  put32(tiff, 8 + 2 + 12 + 4);  // next: IFD1
  put16(tiff, 3);
  const std::uint32_t data = 8 + 2 + 12 + 4 + 2 + 3 * 12 + 4;
  put16(tiff, 0x0103), put16(tiff, 3), put32(tiff, 1), put32(tiff, 6);
  put16(tiff, 0x0201), put16(tiff, 4), put32(tiff, 1), put32(tiff, data);
  put16(tiff, 0x0202), put16(tiff, 4), put32(tiff, 1), put32(tiff, static_cast<std::uint32_t>(thumbnail.size()));
  put32(tiff, 0);
  tiff.insert(tiff.end(), thumbnail.begin(), thumbnail.end());
  const std::size_t length = 2 + 6 + tiff.size();
  std::vector<std::uint8_t> segment = {0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8),
                                       static_cast<std::uint8_t>(length), 'E', 'x', 'i', 'f', 0, 0};
  segment.insert(segment.end(), tiff.begin(), tiff.end());
  return segment;
}

bool time_runs(int runs, const std::function<bool()>& operation, std::vector<double>& durations) {
  durations.clear();
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (!operation()) return false;
    durations.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = 5;
  std::uint32_t side = 160;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::wcscmp(argv[i], L"--runs") == 0) runs = std::max(1, _wtoi(argv[i + 1]));
    if (std::wcscmp(argv[i], L"--side") == 0) side = static_cast<std::uint32_t>(std::max(1, _wtoi(argv[i + 1])));
  }
  const orvane::engine::ImagingSession session;
  std::error_code ignored;
  const fs::path folder = fs::temp_directory_path() / ("orvane-thumbnail-bench-" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(folder, ignored);
  const fs::path plain = folder / "plain.jpg", small = folder / "small.jpg", embedded = folder / "embedded.jpg";
  int status = 0;
  if (!orvane::bench::write_sample_photo(plain.wstring(), 6000, 4000) ||
      !orvane::bench::write_sample_photo(small.wstring(), 160, 107)) {
    std::fprintf(stderr, "could not write the sample photos\n");
    status = 1;
  } else {
    // The same photo with a camera's 160 x 107 thumbnail right after its start of image.
    std::vector<std::uint8_t> bytes = read_all(plain);
    const auto segment = exif_segment(read_all(small));
    bytes.insert(bytes.begin() + 2, segment.begin(), segment.end());
    std::ofstream(embedded, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    std::printf("thumbnail of a 6000 x 4000 JPEG at %u pixels, %d runs\n", side, runs);
    std::printf("  %-40s %11s %11s\n", "source", "median ms", "from EXIF");
    for (const auto& [name, path] : {std::pair{"with an embedded thumbnail", embedded}, std::pair{"without", plain}}) {
      std::vector<double> durations;
      orvane::engine::Thumbnail thumbnail;
      std::wstring error;
      if (!time_runs(runs, [&] { return orvane::engine::make_thumbnail(path.wstring(), side, thumbnail, error); },
                     durations)) {
        std::fprintf(stderr, "%s: %ls\n", name, error.c_str());
        status = 1;
        continue;
      }
      std::printf("  %-40s %11.1f %11s\n", name, orvane::bench::median(durations),
                  thumbnail.from_embedded ? "yes" : "no");
    }
    // A list scrolled back: the cache answers without opening the image.
    orvane::engine::ThumbnailCache cache;
    std::wstring error;
    (void)cache.get(plain.wstring(), side, error);
    std::vector<double> durations;
    if (time_runs(runs * 20, [&] { return cache.get(plain.wstring(), side, error) != nullptr; }, durations)) {
      std::printf("  %-40s %11.3f\n", "cached, asked again", orvane::bench::median(durations));
    }
  }
  fs::remove_all(folder, ignored);
  return status;
}
