#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cwchar>
#include <thread>
#include <vector>

#include "exif_metadata.h"
#include "photo_thumbnail.h"
#include "test_support.h"

namespace {

using namespace orvane::engine;
using namespace orvane::test;

// The quadrants of the test photos (tests/data/make_thumbnails.py), upright, as 0xRRGGBB:
// top left, top right, bottom left, bottom right. The embedded thumbnails use other colours.
constexpr std::array<std::uint32_t, 4> kPhoto = {0xDC1E1E, 0x1EC81E, 0x1E1EDC, 0x808080};
constexpr std::array<std::uint32_t, 4> kEmbedded = {0x1EDCDC, 0xDC1EDC, 0xDCDC1E, 0x141414};

std::wstring photo(const wchar_t* name) { return (data_dir() / L"images" / name).wstring(); }
std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The thumbnail as pixels the test helpers save and compare (it is opaque, so premultiplied is straight).
Pixels pixels_of(const Thumbnail& thumbnail) {
  Pixels out;
  out.width = thumbnail.width;
  out.height = thumbnail.height;
  for (std::size_t i = 0; i + 3 < thumbnail.pixels.size(); i += 4) {
    const auto* p = &thumbnail.pixels[i];
    out.argb.push_back(std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0]);
  }
  return out;
}

int channel_distance(std::uint32_t a, std::uint32_t b) {
  int worst = 0;
  for (int shift : {0, 8, 16}) worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  return worst;
}

// Each quadrant's middle shows its colour, upright.
void expect_quadrants(const Thumbnail& thumbnail, const std::array<std::uint32_t, 4>& colours) {
  const Pixels pixels = pixels_of(thumbnail);
  ASSERT_EQ(pixels.argb.size(), std::size_t{thumbnail.width} * thumbnail.height);
  for (int q = 0; q < 4; ++q) {
    const auto x = static_cast<std::uint32_t>(thumbnail.width * (q % 2 == 0 ? 0.25 : 0.75));
    const auto y = static_cast<std::uint32_t>(thumbnail.height * (q < 2 ? 0.25 : 0.75));
    EXPECT_LE(channel_distance(pixels.at(x, y), colours[q]), 24)
        << "quadrant " << q << " is " << std::hex << (pixels.at(x, y) & 0xFFFFFF) << ", expected " << colours[q];
  }
}

class PhotoThumbnail : public ::testing::Test {
 protected:
  TempDir dir;
  GdiplusScope gdiplus;

  Thumbnail make(const std::wstring& path, std::uint32_t max_side) {
    Thumbnail thumbnail;
    std::wstring error;
    EXPECT_TRUE(make_thumbnail(path, max_side, thumbnail, error)) << narrow(error);
    EXPECT_EQ(thumbnail.pixels.size(), std::size_t{thumbnail.width} * thumbnail.height * 4);
    return thumbnail;
  }

  // Kept for people to look at.
  void keep_picture(const Thumbnail& thumbnail, const std::wstring& name) {
    EXPECT_TRUE(save_pixels(pixels_of(thumbnail), std::wstring(L"" ARTEFACT_DIR) + L"/" + name, L"image/png"));
  }
};

TEST_F(PhotoThumbnail, EmbeddedThumbnailIsUsedWhenLargeEnough) {
  const auto path = photo(L"thumb-embedded.jpg");
  Thumbnail small = make(path, 100);
  EXPECT_TRUE(small.from_embedded);
  EXPECT_EQ(small.width, 100u);
  EXPECT_EQ(small.height, 75u);
  EXPECT_EQ(small.source_width, 640u);
  EXPECT_EQ(small.source_height, 480u);
  expect_quadrants(small, kEmbedded);
  keep_picture(small, L"thumbnail-embedded-100.png");

  // Up to twice its size it is still used, as large as it is: never enlarged.
  const Thumbnail limit = make(path, 320);
  EXPECT_TRUE(limit.from_embedded);
  EXPECT_EQ(limit.width, 160u);
  EXPECT_EQ(limit.height, 120u);
  expect_quadrants(limit, kEmbedded);

  // Beyond that the photo itself is decoded.
  const Thumbnail large = make(path, 321);
  EXPECT_FALSE(large.from_embedded);
  EXPECT_EQ(large.width, 321u);
  EXPECT_EQ(large.height, 241u);
  EXPECT_EQ(large.source_width, 640u);
  expect_quadrants(large, kPhoto);
  keep_picture(large, L"thumbnail-decoded-321.png");
}

TEST_F(PhotoThumbnail, TurnedPhotosComeOutUprightFromEitherSource) {
  for (const wchar_t* name : {L"thumb-embedded-o6.jpg", L"thumb-embedded-o3.jpg"}) {
    SCOPED_TRACE(narrow(name));
    const Thumbnail embedded = make(photo(name), 120);
    EXPECT_TRUE(embedded.from_embedded);
    EXPECT_EQ(embedded.width, 120u);
    EXPECT_EQ(embedded.height, 90u);
    EXPECT_EQ(embedded.source_width, 640u);
    EXPECT_EQ(embedded.source_height, 480u);
    expect_quadrants(embedded, kEmbedded);
    const Thumbnail decoded = make(photo(name), 400);
    EXPECT_FALSE(decoded.from_embedded);
    EXPECT_EQ(decoded.width, 400u);
    EXPECT_EQ(decoded.height, 300u);
    expect_quadrants(decoded, kPhoto);
    keep_picture(embedded, std::wstring(L"thumbnail-embedded-") + name + L".png");
    keep_picture(decoded, std::wstring(L"thumbnail-decoded-") + name + L".png");
  }
}

// A 16:9 photo whose camera letterboxed it into a 4:3 thumbnail: the bars must not show.
TEST_F(PhotoThumbnail, ThumbnailOfAnotherShapeIsNotUsed) {
  const Thumbnail thumbnail = make(photo(L"thumb-letterboxed.jpg"), 160);
  EXPECT_FALSE(thumbnail.from_embedded);
  EXPECT_EQ(thumbnail.width, 160u);
  EXPECT_EQ(thumbnail.height, 90u);
  expect_quadrants(thumbnail, kPhoto);
  const Pixels pixels = pixels_of(thumbnail);
  EXPECT_LE(channel_distance(pixels.at(40, 0), kPhoto[0]), 24) << "top row";
  EXPECT_LE(channel_distance(pixels.at(40, 89), kPhoto[2]), 24) << "bottom row";
  keep_picture(thumbnail, L"thumbnail-letterboxed.png");
}

TEST_F(PhotoThumbnail, OtherFormatsAreDecodedAndSmallOnesNotEnlarged) {
  for (const wchar_t* name : {L"quad.png", L"quad.bmp", L"quad.gif"}) {
    SCOPED_TRACE(narrow(name));
    const Thumbnail thumbnail = make(photo(name), 96);
    EXPECT_FALSE(thumbnail.from_embedded);
    ASSERT_EQ(thumbnail.width, 2u);
    ASSERT_EQ(thumbnail.height, 2u);
    EXPECT_EQ(pixels_of(thumbnail).at(1, 0), 0xFF00FF00u) << "green top right";
  }
  // A tall TIFF turned on its side by its tag.
  const auto tiff = dir.file(L"tall.tif");
  const Pixels upright = make_pattern(300, 600);
  ASSERT_TRUE(save_pixels(stored_from_upright(upright, 8), tiff, L"image/tiff"));
  ASSERT_TRUE(write_file_orientation(tiff, 8));
  const Thumbnail thumbnail = make(tiff, 96);
  EXPECT_EQ(thumbnail.width, 48u);
  EXPECT_EQ(thumbnail.height, 96u);
  EXPECT_EQ(thumbnail.source_width, 300u);
  EXPECT_EQ(thumbnail.source_height, 600u);
  // Blue marks the pattern's top-left quadrant.
  EXPECT_GT(pixels_of(thumbnail).at(8, 8) & 0xFF, 200u);
  EXPECT_LT(pixels_of(thumbnail).at(40, 88) & 0xFF, 50u);
}

TEST_F(PhotoThumbnail, BadFilesFailWithAMessage) {
  for (const wchar_t* name : {L"truncated.jpg", L"not-an-image.jpg", L"empty.png", L"bomb-65000.jpg",
                              L"bomb-65000.png"}) {
    SCOPED_TRACE(narrow(name));
    Thumbnail thumbnail;
    std::wstring error;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(make_thumbnail((data_dir() / L"malformed" / name).wstring(), 96, thumbnail, error));
    EXPECT_EQ(error, L"Unable to read input image.");
    EXPECT_TRUE(thumbnail.pixels.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10)) << "refused at its header";
  }
  Thumbnail thumbnail;
  std::wstring error;
  EXPECT_FALSE(make_thumbnail(photo(L"thumb-bomb.jpg"), 96, thumbnail, error)) << "a bomb's thumbnail is not shown";
  EXPECT_EQ(error, L"Unable to read input image.");
  EXPECT_FALSE(make_thumbnail(photo(L"bomb-100000.bmp"), 96, thumbnail, error));
  EXPECT_EQ(error, L"Unable to read input image.");
  EXPECT_FALSE(make_thumbnail(dir.file(L"missing.jpg"), 96, thumbnail, error));
  EXPECT_EQ(error, L"Input file not found.");
  EXPECT_FALSE(make_thumbnail(photo(L"thumb-embedded.jpg"), 0, thumbnail, error));
  EXPECT_EQ(error, L"Invalid thumbnail source or size.");
}

// The preview's upright copy gives the same thumbnail as the file would.
TEST_F(PhotoThumbnail, PixelsInHandShrinkLikeAFile) {
  const Pixels picture = make_pattern(400, 300);
  const auto path = dir.file(L"pattern.png");
  ASSERT_TRUE(save_pixels(picture, path, L"image/png"));
  const Thumbnail from_file = make(path, 100);
  // Rows padded past their pixels, as a locked bitmap's may be.
  const std::size_t stride = 400 * 4 + 16;
  std::vector<std::uint8_t> rows(stride * 300, 0xEE);
  for (std::uint32_t y = 0; y < 300; ++y) {
    for (std::uint32_t x = 0; x < 400; ++x) {
      const std::uint32_t argb = picture.at(x, y);
      std::uint8_t* p = &rows[y * stride + x * 4];
      p[0] = argb & 0xFF, p[1] = (argb >> 8) & 0xFF, p[2] = (argb >> 16) & 0xFF, p[3] = argb >> 24;
    }
  }
  Thumbnail from_rows;
  std::wstring error;
  ASSERT_TRUE(thumbnail_from_pixels(rows.data(), stride, 400, 300, 4000, 3000, 100, from_rows, error));
  EXPECT_EQ(from_rows.width, 100u);
  EXPECT_EQ(from_rows.height, 75u);
  EXPECT_EQ(from_rows.source_width, 4000u);
  EXPECT_EQ(from_rows.pixels, from_file.pixels);
  ASSERT_TRUE(thumbnail_from_pixels(rows.data(), stride, 400, 300, 400, 300, 1000, from_rows, error));
  EXPECT_EQ(from_rows.width, 400u) << "never enlarged";
  EXPECT_FALSE(thumbnail_from_pixels(rows.data(), 400, 400, 300, 400, 300, 100, from_rows, error))
      << "rows shorter than their pixels";
  EXPECT_EQ(error, L"Invalid thumbnail source or size.");
}

// Workers of the window's list make thumbnails side by side; each must come out as made alone.
TEST_F(PhotoThumbnail, ThreadsMakeTheSameThumbnailsAsOneThread) {
  const std::vector<std::pair<std::wstring, std::uint32_t>> requests = {
      {photo(L"thumb-embedded.jpg"), 96},    {photo(L"thumb-embedded-o6.jpg"), 200},
      {photo(L"thumb-embedded-o3.jpg"), 128}, {photo(L"thumb-letterboxed.jpg"), 96},
      {photo(L"quad.png"), 96},              {photo(L"thumb-embedded.jpg"), 400}};
  std::vector<Thumbnail> alone;
  for (const auto& [path, side] : requests) alone.push_back(make(path, side));
  constexpr int kThreads = 4, kRounds = 5;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        for (std::size_t i = 0; i < requests.size(); ++i) {
          const std::size_t r = (i + t) % requests.size();
          Thumbnail thumbnail;
          std::wstring error;
          if (!make_thumbnail(requests[r].first, requests[r].second, thumbnail, error) ||
              thumbnail.pixels != alone[r].pixels) {
            ++mismatches[t];
          }
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
