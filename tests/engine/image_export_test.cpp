#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "exif_metadata.h"
#include "image_export.h"
#include "preview_renderer.h"
#include "print_metadata.h"
#include "test_support.h"

namespace {

using namespace orvane::engine;
using namespace orvane::test;

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class ImageExport : public ::testing::Test {
 protected:
  TempDir dir;
  GdiplusScope gdiplus;

  // A stored file of the upright pattern for an orientation tag, written as a camera would.
  std::wstring oriented_source(const Pixels& upright, std::uint16_t tag, const std::wstring& mime,
                               const std::wstring& name) {
    const auto path = dir.file(name);
    EXPECT_TRUE(save_pixels(stored_from_upright(upright, tag), path, mime));
    EXPECT_TRUE(write_file_orientation(path, tag));
    return path;
  }

  static WatermarkOptions options_for(const std::wstring& in, const std::wstring& out) {
    WatermarkOptions options;
    options.input_path = in;
    options.output_path = out;
    options.text = L"Sample watermark";
    options.keep_source_jpeg_quality = false;
    return options;
  }

  static bool run(const WatermarkOptions& options, ExportReport& report, std::wstring& error) {
    return export_image(options, report, error);
  }

  static std::wstring failure(const WatermarkOptions& options) {
    ExportReport report;
    std::wstring error;
    return export_image(options, report, error) ? L"" : error;
  }

  std::size_t files_in_dir() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
  }
};

std::string magic(const std::wstring& path) {
  const auto bytes = read_bytes(path);
  if (bytes.size() >= 4 && bytes[0] == 0x89 && bytes[1] == 'P') return "png";
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8) return "jpeg";
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return "bmp";
  if (bytes.size() >= 3 && bytes[0] == 'G' && bytes[1] == 'I' && bytes[2] == 'F') return "gif";
  if (bytes.size() >= 4 && ((bytes[0] == 'I' && bytes[1] == 'I') || (bytes[0] == 'M' && bytes[1] == 'M'))) return "tiff";
  return "?";
}

// With no watermark (layout 11 draws none) every orientation must come back as the upright
// picture once a viewer applies the tag, and the tag must survive in JPEG.
TEST_F(ImageExport, EveryOrientationRoundTripsThroughJpegAndPng) {
  const Pixels upright = make_pattern(96, 64);
  for (std::uint16_t tag = 1; tag <= 8; ++tag) {
    SCOPED_TRACE("orientation " + std::to_string(tag));
    const auto source = oriented_source(upright, tag, L"image/jpeg", L"src" + std::to_wstring(tag) + L".jpg");
    const bool swapped = tag >= 5;

    auto options = options_for(source, dir.file(L"out" + std::to_wstring(tag) + L".jpg"));
    options.layout = static_cast<WatermarkLayout>(11);
    ExportReport report;
    std::wstring error;
    ASSERT_TRUE(run(options, report, error)) << narrow(error);
    EXPECT_EQ(report.orientation, tag);
    EXPECT_TRUE(report.orientation_present);
    EXPECT_EQ(report.orientation_corrected, tag != 1);
    EXPECT_EQ(report.upright_width, 96u);
    EXPECT_EQ(report.upright_height, 64u);
    EXPECT_EQ(report.output_width, swapped ? 64u : 96u);
    EXPECT_EQ(report.output_height, swapped ? 96u : 64u);
    EXPECT_EQ(report.mime_type, L"image/jpeg");
    EXPECT_EQ(report.jpeg_quality, 90);
    EXPECT_EQ(read_file_orientation(options.output_path), tag);
    const Pixels saved = load_pixels(options.output_path);
    EXPECT_LT(mean_channel_difference(upright_from_stored(saved, tag), upright), 6.0);

    // PNG carries no tag: the upright picture is saved as it is.
    options.output_path = dir.file(L"out" + std::to_wstring(tag) + L".png");
    ASSERT_TRUE(run(options, report, error)) << narrow(error);
    EXPECT_FALSE(report.orientation_corrected) << "turned upright and left so: nothing was undone";
    EXPECT_EQ(report.output_width, 96u);
    EXPECT_EQ(report.output_height, 64u);
    EXPECT_FALSE(read_file_orientation(options.output_path));
    EXPECT_LT(mean_channel_difference(load_pixels(options.output_path), upright), 6.0);
  }
}

// Red ink in the upright picture's top-left ninth, and none in its bottom-right ninth.
void expect_top_left_stamp(const Pixels& upright) {
  auto red_in = [&](std::uint32_t x0, std::uint32_t y0) {
    int count = 0;
    for (std::uint32_t y = y0; y < y0 + upright.height / 3; ++y)
      for (std::uint32_t x = x0; x < x0 + upright.width / 3; ++x) {
        const auto v = upright.at(x, y);
        count += ((v >> 16) & 0xFF) > 200 && ((v >> 8) & 0xFF) < 90 && (v & 0xFF) < 90;
      }
    return count;
  };
  EXPECT_GT(red_in(0, 0), 30);
  EXPECT_EQ(red_in(upright.width * 2 / 3, upright.height * 2 / 3), 0);
}

TEST_F(ImageExport, WatermarkReadsUprightOnAnOrientedPhoto) {
  Pixels upright = make_pattern(600, 420);
  for (auto& p : upright.argb) p = 0xFF202020;  // dark, so red ink stands out
  const auto source = oriented_source(upright, 6, L"image/jpeg", L"phone.jpg");
  auto options = options_for(source, dir.file(L"phone-out.jpg"));
  options.layout = WatermarkLayout::TopLeft;
  options.fit_to_area = true;
  options.rotation = 0;
  options.color = {255, 255, 0, 0};
  ExportReport report;
  std::wstring error;
  ASSERT_TRUE(run(options, report, error)) << narrow(error);
  EXPECT_EQ(report.output_width, 420u);
  EXPECT_EQ(report.output_height, 600u);
  expect_top_left_stamp(upright_from_stored(load_pixels(options.output_path), 6));

  options.output_path = dir.file(L"phone-out.png");
  ASSERT_TRUE(run(options, report, error)) << narrow(error);
  expect_top_left_stamp(load_pixels(options.output_path));
}

TEST_F(ImageExport, TiffKeepsItsOrientationTag) {
  const Pixels upright = make_pattern(80, 50);
  const auto source = oriented_source(upright, 8, L"image/tiff", L"scan.tif");
  auto options = options_for(source, dir.file(L"scan-out.TIFF"));
  options.layout = static_cast<WatermarkLayout>(11);
  ExportReport report;
  std::wstring error;
  ASSERT_TRUE(run(options, report, error)) << narrow(error);
  EXPECT_EQ(magic(options.output_path), "tiff");
  EXPECT_EQ(report.output_width, 50u);
  EXPECT_EQ(report.output_height, 80u);
  EXPECT_EQ(read_file_orientation(options.output_path), 8);
  EXPECT_LT(mean_channel_difference(upright_from_stored(load_pixels(options.output_path), 8), upright), 2.0);
}

TEST_F(ImageExport, EncoderFollowsTheExtensionThenTheSource) {
  const auto png = dir.file(L"in.png");
  ASSERT_TRUE(save_pixels(make_pattern(64, 48), png, L"image/png"));
  struct Case {
    std::wstring output;
    const char* format;
    const wchar_t* mime;
  };
  std::filesystem::create_directory(dir.path() / L"folder.with.dots");
  const Case cases[] = {
      {L"a.JPG", "jpeg", L"image/jpeg"},   {L"b.jpeg", "jpeg", L"image/jpeg"},
      {L"c.Tiff", "tiff", L"image/tiff"},  {L"d.tif", "tiff", L"image/tiff"},
      {L"e.bmp", "bmp", L"image/bmp"},     {L"f.gif", "gif", L"image/gif"},
      {L"g.webp", "png", L"image/png"},    {L"h.", "png", L"image/png"},
      {L"folder.with.dots\\noextension", "png", L"image/png"},
  };
  // The same export as lossless PNG, for judging what each format kept of the picture.
  const auto reference_path = dir.file(L"reference.png");
  ExportReport reference_report;
  std::wstring reference_error;
  ASSERT_TRUE(run(options_for(png, reference_path), reference_report, reference_error));
  const Pixels reference = load_pixels(reference_path);
  for (const auto& c : cases) {
    SCOPED_TRACE(narrow(c.output));
    auto options = options_for(png, dir.file(c.output));
    ExportReport report;
    std::wstring error;
    ASSERT_TRUE(run(options, report, error)) << narrow(error);
    EXPECT_EQ(magic(options.output_path), c.format);
    EXPECT_EQ(report.mime_type, c.mime);
    EXPECT_EQ(report.jpeg_quality, std::string(c.format) == "jpeg" ? 90 : 0);
    EXPECT_FALSE(report.orientation_present);
    EXPECT_EQ(report.orientation, 1);
    EXPECT_EQ(report.output_width, 64u);
    const Pixels decoded = load_pixels(options.output_path);
    EXPECT_EQ(decoded.width, 64u);
    EXPECT_EQ(decoded.height, 48u);
    // A GIF's 252 dithered colours cost about a third of a palette step per pixel on average.
    const double tolerance = std::string(c.format) == "gif" ? 25.0 : 12.0;
    EXPECT_LT(mean_channel_difference(decoded, reference), tolerance) << "the picture itself must survive";
  }
}

TEST_F(ImageExport, PngAlphaSurvivesWhereNoStampFalls) {
  Pixels source = make_pattern(60, 60);
  for (std::uint32_t x = 0; x < 60; ++x) source.argb[x] = 0x00000000;  // a transparent top row
  const auto png = dir.file(L"alpha.png");
  ASSERT_TRUE(save_pixels(source, png, L"image/png"));
  auto options = options_for(png, dir.file(L"alpha-out.png"));
  options.layout = WatermarkLayout::BottomRight;
  options.font_size = 8;
  ExportReport report;
  std::wstring error;
  ASSERT_TRUE(run(options, report, error)) << narrow(error);
  const Pixels out = load_pixels(options.output_path);
  ASSERT_EQ(out.width, 60u);
  EXPECT_EQ(out.at(10, 0) >> 24, 0u);
  EXPECT_EQ(out.at(10, 30) >> 24, 255u);
}

// A transparent source exported to a format without alpha looks as it did on a white page, with
// the watermark at its own opacity; as GIF the watermark stays visible over the transparent area.
TEST_F(ImageExport, TransparentSourcesKeepTheirLookAndTheWatermark) {
  Pixels source = make_pattern(160, 120);
  for (auto& p : source.argb) p = 0x00000000;  // wholly transparent
  const auto png = dir.file(L"clear.png");
  ASSERT_TRUE(save_pixels(source, png, L"image/png"));
  auto options = options_for(png, dir.file(L"clear-out.png"));
  options.layout = WatermarkLayout::Center;
  options.rotation = 0;
  options.font_size = 40;
  options.text = L"HHH";
  options.color = {110, 255, 0, 0};  // red at opacity 0.43
  ExportReport report;
  std::wstring error;
  ASSERT_TRUE(run(options, report, error)) << narrow(error);
  // The PNG keeps alpha: where it holds the brush's own alpha lies the core of a glyph.
  const Pixels reference = load_pixels(options.output_path);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> cores;
  for (std::uint32_t y = 0; y < reference.height; ++y)
    for (std::uint32_t x = 0; x < reference.width; ++x)
      if (reference.at(x, y) == 0x6EFF0000u) cores.emplace_back(x, y);
  ASSERT_GT(cores.size(), 100u);

  for (const wchar_t* name : {L"clear-out.jpg", L"clear-out.bmp"}) {
    SCOPED_TRACE(narrow(name));
    options.output_path = dir.file(name);
    ASSERT_TRUE(run(options, report, error)) << narrow(error);
    const Pixels flat = load_pixels(options.output_path);
    ASSERT_EQ(flat.width, 160u);
    const auto channel = [](std::uint32_t v, int shift) { return static_cast<int>((v >> shift) & 0xFF); };
    for (const auto& [x, y] : {std::pair<std::uint32_t, std::uint32_t>{3, 3}, {156, 116}, {80, 5}}) {
      EXPECT_GT(channel(flat.at(x, y), 0), 245) << "background at " << x << "," << y << " is white";
      EXPECT_GT(channel(flat.at(x, y), 8), 245);
    }
    // Red at 110/255 over white: red stays 255, green and blue fall to 145.
    double green = 0;
    for (const auto& [x, y] : cores) green += channel(flat.at(x, y), 8);
    EXPECT_NEAR(green / static_cast<double>(cores.size()), 145.0, 12.0);
    EXPECT_GT(channel(flat.at(cores[cores.size() / 2].first, cores[cores.size() / 2].second), 16), 235);
  }

  options.output_path = dir.file(L"clear-out.gif");
  options.color = WatermarkColor{};  // the default: white at alpha 110
  ASSERT_TRUE(run(options, report, error)) << narrow(error);
  const Pixels gif = load_pixels(options.output_path);
  ASSERT_EQ(gif.width, 160u);
  std::size_t shown = 0;
  for (const auto& [x, y] : cores) shown += (gif.at(x, y) >> 24) == 255 && (gif.at(x, y) & 0xFFFFFF) == 0xFFFFFF;
  EXPECT_GT(shown * 4, cores.size()) << "about 43 % of the stamp's pixels are drawn";
  EXPECT_LT(shown * 4, cores.size() * 3);
  EXPECT_EQ(gif.at(3, 3) >> 24, 0u) << "the background stays transparent";
}

TEST_F(ImageExport, SourceQualityIsUsedOnlyWhenAskedAndPresent) {
  const auto png = dir.file(L"q.png");
  ASSERT_TRUE(save_pixels(make_pattern(32, 32), png, L"image/png"));
  auto options = options_for(png, dir.file(L"q.jpg"));
  options.keep_source_jpeg_quality = true;
  options.jpeg_quality = 42;
  ExportReport report;
  std::wstring error;
  ASSERT_TRUE(run(options, report, error)) << narrow(error);
  EXPECT_FALSE(report.quality_from_source);
  EXPECT_EQ(report.jpeg_quality, 42);
}

TEST_F(ImageExport, QualityChangesTheJpeg) {
  const auto png = dir.file(L"photo.png");
  ASSERT_TRUE(save_pixels(make_pattern(400, 300), png, L"image/png"));
  auto options = options_for(png, dir.file(L"low.jpg"));
  options.jpeg_quality = 10;
  ExportReport report;
  std::wstring error;
  ASSERT_TRUE(run(options, report, error));
  EXPECT_EQ(report.jpeg_quality, 10);
  options.output_path = dir.file(L"high.jpg");
  options.jpeg_quality = 95;
  ASSERT_TRUE(run(options, report, error));
  // Wine's JPEG encoder ignores the quality parameter (same bytes for 10 and 95); the engine
  // must know which kind of encoder it has, since the front end tells the user.
  const bool differ = read_bytes(dir.file(L"low.jpg")) != read_bytes(dir.file(L"high.jpg"));
  EXPECT_EQ(jpeg_quality_honoured(), differ);
  if (!running_under_wine()) {
    EXPECT_LT(read_bytes(dir.file(L"low.jpg")).size(), read_bytes(dir.file(L"high.jpg")).size());
  }
}

TEST_F(ImageExport, BadSourcesFailCleanlyAndWriteNothing) {
  const wchar_t* names[] = {L"empty.png",          L"truncated.jpg",   L"not-an-image.jpg",
                            L"png-signature-only.png", L"bomb-65000.jpg", L"bomb-65000.png"};
  for (const wchar_t* name : names) {
    SCOPED_TRACE(narrow(name));
    const auto started = std::chrono::steady_clock::now();
    auto options = options_for((data_dir() / L"malformed" / name).wstring(), dir.file(L"never.png"));
    EXPECT_EQ(failure(options), L"Unable to read input image.");
    EXPECT_FALSE(std::filesystem::exists(options.output_path));
    // A refused bomb is refused at its header, long before a decoder could grind through it.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  }
  // A missing file, or a missing folder on its way, is named as such.
  EXPECT_EQ(failure(options_for(dir.file(L"missing.png"), dir.file(L"x.png"))), L"Input file not found.");
  EXPECT_EQ(failure(options_for(dir.file(L"gone\\missing.png"), dir.file(L"x.png"))), L"Input file not found.");
  EXPECT_EQ(failure(options_for((data_dir() / L"malformed" / L"zero-width.png").wstring(), dir.file(L"x.png"))),
            L"Invalid input image dimensions.");
  EXPECT_EQ(files_in_dir(), 0u);
}

TEST_F(ImageExport, LyingMetadataStillExportsWithoutIt) {
  for (const wchar_t* name : {L"exif-huge-count.jpg", L"exif-offset-past-end.jpg", L"exif-orientation-ascii.jpg",
                              L"exif-orientation-9.jpg", L"icc-chunks-lying.jpg", L"iccp-bomb.png"}) {
    SCOPED_TRACE(narrow(name));
    for (const wchar_t* output : {L"ok.png", L"ok.jpg"}) {
      auto options = options_for((data_dir() / L"malformed" / name).wstring(), dir.file(output));
      ExportReport report;
      std::wstring error;
      ASSERT_TRUE(run(options, report, error)) << narrow(error);
      EXPECT_FALSE(report.orientation_present);
      EXPECT_EQ(report.orientation, 1);
      EXPECT_EQ(report.output_width, 16u);
      EXPECT_TRUE(read_file_print_metadata(options.output_path).icc_profile.empty());
    }
  }
}

TEST_F(ImageExport, ValidationFailsBeforeAnyFileIsTouched) {
  auto options = options_for(dir.file(L"missing.png"), dir.file(L"out.png"));
  options.jpeg_quality = 0;
  EXPECT_EQ(failure(options), L"JPEG quality must be within 1-100.");
  options.jpeg_quality = 90;
  options.text.clear();
  EXPECT_EQ(failure(options), L"Watermark text must not be empty.");
  EXPECT_EQ(files_in_dir(), 0u);
}

TEST_F(ImageExport, TheSourceIsNeverOverwritten) {
  const auto source = dir.file(L"Keep.png");
  ASSERT_TRUE(save_pixels(make_pattern(40, 30), source, L"image/png"));
  const auto original = read_bytes(source);
  std::filesystem::create_directory(dir.path() / L"sub");
  for (const std::wstring& output :
       {source, dir.file(L"KEEP.PNG"), dir.file(L"sub\\..\\Keep.png"), dir.file(L".\\Keep.png")}) {
    SCOPED_TRACE(narrow(output));
    EXPECT_EQ(failure(options_for(source, output)), L"Failed to save output image.");
    EXPECT_EQ(read_bytes(source), original);
  }
  const auto link = dir.file(L"hardlink.png");
  if (CreateHardLinkW(link.c_str(), source.c_str(), nullptr)) {
    EXPECT_EQ(failure(options_for(source, link)), L"Failed to save output image.");
    EXPECT_EQ(read_bytes(source), original);
  }
}

TEST_F(ImageExport, FailedSavesLeaveTheDestinationAsItWas) {
  const auto source = dir.file(L"in.png");
  ASSERT_TRUE(save_pixels(make_pattern(40, 30), source, L"image/png"));

  // A read-only file the user agreed to overwrite stays byte for byte what it was.
  const auto locked = dir.file(L"locked.png");
  write_bytes(locked, {'o', 'l', 'd'});
  ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(failure(options_for(source, locked)), L"Failed to save output image.");
  EXPECT_EQ(read_bytes(locked), (std::vector<std::uint8_t>{'o', 'l', 'd'}));

  EXPECT_EQ(failure(options_for(source, dir.file(L"no\\such\\folder\\out.png"))), L"Failed to save output image.");
  // No temporary file is left behind by either failure.
  EXPECT_EQ(files_in_dir(), 2u);

  // A writable existing file is replaced whole.
  const auto existing = dir.file(L"existing.png");
  write_bytes(existing, std::vector<std::uint8_t>(100000, 7));
  ExportReport report;
  std::wstring error;
  ASSERT_TRUE(run(options_for(source, existing), report, error)) << narrow(error);
  EXPECT_EQ(load_pixels(existing).width, 40u);
  EXPECT_EQ(files_in_dir(), 3u);
}

// The names in a folder, through the system's own listing (any path length).
std::vector<std::wstring> names_in(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data{};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::wcscmp(data.cFileName, L".") != 0 && std::wcscmp(data.cFileName, L"..") != 0) names.push_back(data.cFileName);
  } while (FindNextFileW(search, &data));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// A photo in a folder past MAX_PATH opens and exports whether its path is spelled plainly or in
// its "\\?\" form: on Windows the C runtime's stat takes such paths for missing ones, and
// GetTempFileNameW refuses such folders, so neither may stand in the way.
TEST_F(ImageExport, LongAndExtendedLengthPathsOpenAndExport) {
  const LongFolder deep(dir.path().wstring(), 300);
  const std::wstring& folder = deep.path();
  const std::wstring extended = deep.extended();
  const std::wstring source = dir.file(L"in.jpg");
  ASSERT_TRUE(save_pixels(make_pattern(120, 90), source, L"image/jpeg"));
  ASSERT_TRUE(CopyFileW(source.c_str(), (extended + L"\\photo.jpg").c_str(), FALSE));
  for (const std::wstring& base : {folder, extended}) {
    SCOPED_TRACE(narrow(base.substr(0, 12)));
    const std::wstring input = base + L"\\photo.jpg";
    std::unique_ptr<PreviewRenderer> renderer;
    std::wstring error;
    EXPECT_TRUE(load_preview_source(renderer, input, 1600, error)) << narrow(error);
    const auto options = options_for(input, base + L"\\photo-watermarked.png");
    ExportReport report;
    for (int pass = 0; pass < 2; ++pass) {  // written, then replaced
      ASSERT_TRUE(run(options, report, error)) << narrow(error);
      EXPECT_EQ(load_pixels(options.output_path).width, 120u);
    }
    EXPECT_EQ(failure(options_for(base + L"\\missing.jpg", base + L"\\x.png")), L"Input file not found.");
  }
  // No temporary file is left beside the copies.
  EXPECT_EQ(names_in(extended), (std::vector<std::wstring>{L"photo-watermarked.png", L"photo.jpg"}));
}

// A cancelled export stops without touching the output, whenever the flag is raised: before it
// starts, or at any moment while it runs. Either it finished whole, or nothing of it is left,
// its temporary file included.
TEST_F(ImageExport, CancelledExportsLeaveNothingBehind) {
  const auto source = dir.file(L"in.jpg");
  ASSERT_TRUE(save_pixels(make_pattern(1600, 1200), source, L"image/jpeg"));
  const auto output = dir.file(L"out.jpg");
  std::atomic<bool> cancel{true};
  ExportReport report;
  std::wstring error;
  EXPECT_FALSE(export_image(options_for(source, output), report, error, nullptr, &cancel));
  EXPECT_EQ(error, kExportCancelled);
  EXPECT_EQ(files_in_dir(), 1u);

  // The time of one whole export, then flags raised at points spread across it.
  cancel = false;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(export_image(options_for(source, output), report, error, nullptr, &cancel)) << narrow(error);
  const auto whole = std::chrono::steady_clock::now() - start;
  std::filesystem::remove(output);
  int cancelled = 0;
  for (int step = 0; step <= 8; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    cancel = false;
    std::thread raiser([&] {
      std::this_thread::sleep_for(whole * step / 8);
      cancel = true;
    });
    error.clear();
    const bool written = export_image(options_for(source, output), report, error, nullptr, &cancel);
    raiser.join();
    if (written) {
      EXPECT_EQ(load_pixels(output).width, 1600u);
      std::filesystem::remove(output);
    } else {
      EXPECT_EQ(error, kExportCancelled);
      ++cancelled;
    }
    EXPECT_EQ(files_in_dir(), 1u) << "only the source is left";
  }
  EXPECT_GT(cancelled, 0);
}

// Exports on several threads at once, under one session, give what one thread gives.
TEST_F(ImageExport, ExportsOnSeveralThreadsMatchOneThread) {
  const ImagingSession session;
  ASSERT_TRUE(session.ok());
  const auto source = dir.file(L"in.jpg");
  ASSERT_TRUE(save_pixels(make_pattern(640, 480), source, L"image/jpeg"));
  ExportReport report;
  std::wstring error;
  ASSERT_TRUE(run(options_for(source, dir.file(L"serial.jpg")), report, error)) << narrow(error);
  const auto expected = read_bytes(dir.file(L"serial.jpg"));
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 3; ++i) {
        ExportReport own_report;
        std::wstring own_error;
        const auto out = dir.file(L"t" + std::to_wstring(t) + L"-" + std::to_wstring(i) + L".jpg");
        if (!export_image(options_for(source, out), own_report, own_error) || read_bytes(out) != expected) {
          ++failures;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

// The longest text at the largest size the window offers, tiled: GDI+ under Wine draws nothing
// of a string that long at once, so the stamps must still cover the picture, and in seconds.
TEST_F(ImageExport, LongestTextAtTheLargestSizeCoversThePicture) {
  const std::wstring source = dir.file(L"photo.png");
  ASSERT_TRUE(save_pixels(make_pattern(600, 400), source, L"image/png"));
  const Pixels photo = load_pixels(source);
  std::wstring text;
  while (text.size() < max_text_length) text += L"\u00A9 2026 Jane Doe Photography, https://www.example.com/gallery ";
  text.resize(max_text_length);
  for (const WatermarkLayout layout : {WatermarkLayout::Grid, WatermarkLayout::StaggeredGrid}) {
    SCOPED_TRACE(static_cast<int>(layout));
    WatermarkOptions options = options_for(source, dir.file(L"long.png"));
    options.text = text;
    options.font_size = 500;
    options.layout = layout;
    options.color = {255, 200, 30, 30};
    ExportReport report;
    std::wstring error;
    ASSERT_TRUE(export_image(options, report, error)) << narrow(error);
    const Pixels out = load_pixels(options.output_path);
    ASSERT_EQ(out.argb.size(), photo.argb.size());
    std::size_t changed = 0;
    for (std::size_t i = 0; i < out.argb.size(); ++i) changed += out.argb[i] != photo.argb[i];
    EXPECT_GT(changed, out.argb.size() / 2) << "the stamps must reach the picture";
  }
}

// The box of the ink (any red) on a black picture: first and last inked column and row.
struct InkBox {
  int left = -1, top = -1, right = -1, bottom = -1;
};
InkBox red_ink(const Pixels& image) {
  InkBox box{static_cast<int>(image.width), static_cast<int>(image.height), -1, -1};
  for (std::uint32_t y = 0; y < image.height; ++y) {
    for (std::uint32_t x = 0; x < image.width; ++x) {
      if (((image.at(x, y) >> 16) & 0xFF) == 0) continue;
      box.left = std::min(box.left, static_cast<int>(x)), box.right = std::max(box.right, static_cast<int>(x));
      box.top = std::min(box.top, static_cast<int>(y)), box.bottom = std::max(box.bottom, static_cast<int>(y));
    }
  }
  return box;
}

Pixels black(std::uint32_t width, std::uint32_t height) {
  return Pixels{width, height, std::vector<std::uint32_t>(std::size_t{width} * height, 0xFF000000)};
}

// One size in percent of the shorter side looks alike on a large and a small photo: each export
// equals the one in the pixels it stands for, and the stamps scale with the photos. Heights are
// hinted to whole pixels (a stamp 15 rows high cannot be within 2 %), so they are held to a row.
TEST_F(ImageExport, SizeInPercentFollowsThePhoto) {
  struct Photo {
    std::uint32_t width, height;
    float pixels;  // 4 % of the shorter side
    InkBox ink;
  };
  Photo photos[] = {{6000, 4000, 160.0f, {}}, {800, 533, 21.32f, {}}};
  for (Photo& photo : photos) {
    SCOPED_TRACE(photo.width);
    const std::wstring source = dir.file(L"photo" + std::to_wstring(photo.width) + L".png");
    ASSERT_TRUE(save_pixels(black(photo.width, photo.height), source, L"image/png"));
    auto options = options_for(source, dir.file(L"percent.png"));
    options.text = L"HH";
    options.layout = WatermarkLayout::Center;
    options.rotation = 0;
    options.color = {255, 255, 0, 0};
    options.font_size = 4.0f;
    options.font_size_unit = LengthUnit::percent_of_shorter_side;
    ExportReport report;
    std::wstring error;
    ASSERT_TRUE(run(options, report, error)) << narrow(error);
    options.font_size = photo.pixels;
    options.font_size_unit = LengthUnit::pixels;
    options.output_path = dir.file(L"pixels.png");
    ASSERT_TRUE(run(options, report, error)) << narrow(error);
    EXPECT_TRUE(read_bytes(dir.file(L"percent.png")) == read_bytes(options.output_path));
    photo.ink = red_ink(load_pixels(options.output_path));
    ASSERT_GE(photo.ink.right, 0);
  }
  const double scale = 533.0 / 4000.0;
  const auto& large = photos[0].ink;
  const auto& small = photos[1].ink;
  EXPECT_NEAR(small.bottom - small.top + 1, (large.bottom - large.top + 1) * scale, 1.0);
  EXPECT_NEAR(small.right - small.left + 1, (large.right - large.left + 1) * scale,
              0.02 * (large.right - large.left + 1) * scale);
}

// With a margin an anchored stamp's turned ink ends that far from the edges its anchor names and
// is centred across the other axis; the centre and no margin keep today's placement.
TEST_F(ImageExport, MarginSetsTheStampAgainstItsEdges) {
  const std::wstring source = dir.file(L"dark.png");
  ASSERT_TRUE(save_pixels(black(800, 533), source, L"image/png"));
  const auto export_with = [&](WatermarkLayout layout, float rotation, std::optional<float> margin,
                               LengthUnit unit, const std::wstring& name) {
    auto options = options_for(source, dir.file(name));
    options.text = L"Sample watermark";
    options.font_size = 40;
    options.layout = layout;
    options.rotation = rotation;
    options.color = {255, 255, 0, 0};
    options.margin = margin;
    options.margin_unit = unit;
    ExportReport report;
    std::wstring error;
    EXPECT_TRUE(run(options, report, error)) << narrow(error);
    return red_ink(load_pixels(options.output_path));
  };
  constexpr auto percent = LengthUnit::percent_of_shorter_side;
  const double two_percent = 0.02 * 533;  // 10.66 pixels
  for (const float rotation : {0.0f, -30.0f}) {
    SCOPED_TRACE(rotation);
    const InkBox corner = export_with(WatermarkLayout::BottomRight, rotation, 2.0f, percent, L"corner.png");
    EXPECT_NEAR(799 - corner.right, two_percent, 1.5);
    EXPECT_NEAR(532 - corner.bottom, two_percent, 1.5);
    const InkBox top = export_with(WatermarkLayout::TopCenter, rotation, 2.0f, percent, L"top.png");
    EXPECT_NEAR(top.top, two_percent, 1.5);
    EXPECT_NEAR((top.left + top.right + 1) / 2.0, 400.0, 1.5);
    const InkBox left = export_with(WatermarkLayout::CenterLeft, rotation, 40.0f, LengthUnit::pixels, L"left.png");
    EXPECT_NEAR(left.left, 40.0, 1.5);
    EXPECT_NEAR((left.top + left.bottom + 1) / 2.0, 266.5, 1.5);
    const InkBox flush = export_with(WatermarkLayout::BottomLeft, rotation, 0.0f, LengthUnit::pixels, L"flush.png");
    EXPECT_LE(flush.left, 1);
    EXPECT_GE(flush.bottom, 531);
  }
  export_with(WatermarkLayout::Center, -30, 5.0f, percent, L"centre-margin.png");
  export_with(WatermarkLayout::Center, -30, std::nullopt, percent, L"centre.png");
  EXPECT_TRUE(read_bytes(dir.file(L"centre-margin.png")) == read_bytes(dir.file(L"centre.png")));

  // A margin that leaves no room is refused for this photo, and nothing is written.
  auto options = options_for(source, dir.file(L"too-far.png"));
  options.layout = WatermarkLayout::BottomRight;
  options.margin = 267.0f;
  EXPECT_EQ(failure(options), L"Margin must be at most half of the image's shorter side.");
  EXPECT_FALSE(std::filesystem::exists(options.output_path));
}

}  // namespace

