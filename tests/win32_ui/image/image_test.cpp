#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "ui/graphics/image.h"

namespace win32_ui::image_test {
namespace {

using ui::graphics::Image;
using ui::graphics::image_invalid_argument;
using ui::graphics::image_ok;
using Bgra = std::array<int, 4>;

// Decoding and scaling need COM on the calling thread.
class ImageCodec : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override { CoUninitialize(); }
};

std::vector<std::uint8_t> data_file(const wchar_t* name) {
  return orvane::test::read_bytes((orvane::test::data_dir() / L"images" / name).wstring());
}

std::vector<std::uint8_t> malformed_file(const wchar_t* name) {
  return orvane::test::read_bytes((orvane::test::data_dir() / L"malformed" / name).wstring());
}

// B, G, R, A of pixel (x, y).
Bgra at(const Image& image, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = image.pixels().data() + y * image.stride() + x * 4;
  return {p[0], p[1], p[2], p[3]};
}

bool close_to(const Bgra& a, const Bgra& b, int tolerance) {
  for (std::size_t i = 0; i < 4; ++i) {
    if (std::abs(a[i] - b[i]) > tolerance) return false;
  }
  return true;
}

std::string describe(const Bgra& p) {
  return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]) + "," + std::to_string(p[3]);
}

#define EXPECT_PIXEL(image, x, y, expected, tolerance) \
  EXPECT_TRUE(close_to(at(image, x, y), expected, tolerance)) << "(" << (x) << "," << (y) << ") is " << describe(at(image, x, y))

void expect_empty(const Image& image) {
  EXPECT_FALSE(image.is_valid());
  EXPECT_EQ(image.width(), 0u);
  EXPECT_EQ(image.height(), 0u);
  EXPECT_EQ(image.stride(), 0u);
  EXPECT_TRUE(image.pixels().empty());
  EXPECT_EQ(image.id(), 0u);
}

Image solid(std::uint32_t width, std::uint32_t height) {
  Image image;
  const std::vector<std::uint8_t> bytes(std::size_t{width} * height * 4, 0x80);
  EXPECT_EQ(Image::from_pixels(width, height, width * 4, bytes, image), image_ok);
  return image;
}

TEST(Image, FromPixelsChecksSizesCopiesAndSharesData) {
  const Image empty;
  expect_empty(empty);

  Image out = solid(3, 3);
  const std::vector<std::uint8_t> four{1, 2, 3, 4};
  EXPECT_EQ(Image::from_pixels(1, 1, 3, four, out), image_invalid_argument) << "stride below width × 4";
  expect_empty(out);  // reset even though it held an image
  EXPECT_EQ(Image::from_pixels(0, 1, 4, four, out), image_invalid_argument);
  EXPECT_EQ(Image::from_pixels(1, 0, 4, four, out), image_invalid_argument);
  EXPECT_EQ(Image::from_pixels(1, 2, 4, four, out), image_invalid_argument) << "short buffer";
  EXPECT_EQ(Image::from_pixels(0x40000000u, 1, 0xFFFFFFFFu, four, out), image_invalid_argument) << "too wide";
  EXPECT_EQ(Image::from_pixels(1, 2, 0x80000000u, four, out), image_invalid_argument) << "height × stride overflows";
  expect_empty(out);

  std::vector<std::uint8_t> bytes = four;
  ASSERT_EQ(Image::from_pixels(1, 1, 4, bytes, out), image_ok);
  bytes[0] = 99;  // the image holds its own copy
  EXPECT_EQ(out.width(), 1u);
  EXPECT_EQ(out.height(), 1u);
  EXPECT_EQ(out.stride(), 4u);
  EXPECT_EQ(std::vector<std::uint8_t>(out.pixels().begin(), out.pixels().end()), four);

  // A longer stride is kept with its rows as given; extra bytes past the last row are not taken.
  const std::vector<std::uint8_t> padded{1, 2, 3, 4, 0, 0, 5, 6, 7, 8, 0, 0, 9, 9};
  Image rows;
  ASSERT_EQ(Image::from_pixels(1, 2, 6, padded, rows), image_ok);
  EXPECT_EQ(rows.stride(), 6u);
  EXPECT_EQ(rows.pixels().size(), 12u);
  EXPECT_PIXEL(rows, 0, 1, (Bgra{5, 6, 7, 8}), 0);

  // Copies share data and identity; every new image gets its own.
  Image copy = out;
  EXPECT_EQ(copy.id(), out.id());
  EXPECT_EQ(copy.pixels().data(), out.pixels().data());
  EXPECT_NE(out.id(), 0u);
  Image again;
  ASSERT_EQ(Image::from_pixels(1, 1, 4, four, again), image_ok);
  EXPECT_NE(again.id(), out.id());
  EXPECT_NE(rows.id(), out.id());

  // The data lives while any handle does.
  const auto lifetime = out.lifetime();
  out = Image();
  EXPECT_FALSE(lifetime.expired());
  Image last = copy;
  copy = Image();
  EXPECT_FALSE(lifetime.expired());
  last = Image();
  EXPECT_TRUE(lifetime.expired());
}

TEST(Image, FromPixelsMayReadTheOutputsOwnPixels) {
  // Large enough that the heap returns its memory to the system when freed, so reading freed
  // pixels would fault.
  Image image = solid(1024, 512);
  const auto old_id = image.id();
  ASSERT_EQ(Image::from_pixels(512, 512, 4096, image.pixels(), image), image_ok);
  EXPECT_NE(image.id(), old_id);
  EXPECT_PIXEL(image, 511, 511, (Bgra{0x80, 0x80, 0x80, 0x80}), 0);
}

TEST_F(ImageCodec, DecodesPngBmpGifAndJpegToPremultipliedBgra) {
  const Bgra red{0, 0, 255, 255}, green{0, 255, 0, 255}, blue{255, 0, 0, 255};
  struct Case {
    const wchar_t* file;
    Bgra fourth;
  };
  // The PNG's fourth pixel is (200, 100, 50) at alpha 128: premultiplied to about half.
  for (const Case& c : {Case{L"quad.png", {25, 50, 100, 128}}, Case{L"quad.bmp", {255, 255, 255, 255}},
                        Case{L"quad.gif", {0, 0, 0, 0}}}) {
    SCOPED_TRACE(c.file);
    Image image = solid(2, 2);
    ASSERT_EQ(Image::decode_image(data_file(c.file), image), image_ok);
    ASSERT_EQ(image.width(), 2u);
    ASSERT_EQ(image.height(), 2u);
    EXPECT_EQ(image.stride(), 8u);
    EXPECT_EQ(image.pixels().size(), 16u);
    EXPECT_NE(image.id(), 0u);
    EXPECT_PIXEL(image, 0, 0, red, 0);
    EXPECT_PIXEL(image, 1, 0, green, 0);
    EXPECT_PIXEL(image, 0, 1, blue, 0);
    EXPECT_PIXEL(image, 1, 1, c.fourth, 1);
  }

  Image jpeg;
  ASSERT_EQ(Image::decode_image(data_file(L"solid.jpg"), jpeg), image_ok);
  ASSERT_EQ(jpeg.width(), 8u);
  ASSERT_EQ(jpeg.height(), 8u);
  EXPECT_PIXEL(jpeg, 0, 0, (Bgra{0xCC, 0x66, 0x33, 255}), 4);
  EXPECT_PIXEL(jpeg, 7, 7, (Bgra{0xCC, 0x66, 0x33, 255}), 4);
}

TEST_F(ImageCodec, BrokenOrLyingBytesFailAndLeaveTheOutputEmpty) {
  const std::vector<std::uint8_t> ramp = data_file(L"ramp.png");
  ASSERT_GT(ramp.size(), 200u);
  Image whole;
  ASSERT_EQ(Image::decode_image(ramp, whole), image_ok);
  EXPECT_EQ(whole.width(), 16u);

  std::vector<std::vector<std::uint8_t>> inputs;
  // Cut in the signature, in the header, after the header, and inside the compressed rows.
  for (const std::size_t length : {std::size_t{4}, std::size_t{8}, std::size_t{20}, std::size_t{33}, std::size_t{60},
                                   ramp.size() / 2}) {
    inputs.emplace_back(ramp.begin(), ramp.begin() + static_cast<std::ptrdiff_t>(length));
  }
  for (const wchar_t* name : {L"bad-bit-depth.png", L"bad-zlib.png", L"bomb-wide.png"}) inputs.push_back(data_file(name));
  for (const wchar_t* name : {L"bomb-65000.png", L"bomb-65000.jpg", L"not-an-image.jpg", L"png-signature-only.png"}) {
    inputs.push_back(malformed_file(name));
  }
  // A bitmap header claiming 100000 × 100000 reaches the decoder (nothing checks bitmap headers
  // before it) and is refused on the frame's size, before any pixel is copied.
  Image bomb = solid(2, 2);
  EXPECT_EQ(Image::decode_image(data_file(L"bomb-100000.bmp"), bomb), image_invalid_argument);
  expect_empty(bomb);

  for (std::size_t i = 0; i < inputs.size(); ++i) {
    Image out = solid(2, 2);
    const DWORD start = GetTickCount();
    EXPECT_LT(Image::decode_image(inputs[i], out), 0) << "input " << i;
    // A header that claims gigapixels fails on its size, not after decoding.
    EXPECT_LT(GetTickCount() - start, 2000u) << "input " << i;
    expect_empty(out);
  }

  Image out = solid(2, 2);
  EXPECT_EQ(Image::decode_image({}, out), image_invalid_argument);
  expect_empty(out);
}

TEST_F(ImageCodec, ResizedScalesWithFantAndSharesDataAtTheSameSize) {
  // 4 × 4: left half opaque red, right half half-transparent blue (premultiplied).
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const std::array<std::uint8_t, 4> pixel = x < 2 ? std::array<std::uint8_t, 4>{0, 0, 255, 255}
                                                      : std::array<std::uint8_t, 4>{128, 0, 0, 128};
      bytes.insert(bytes.end(), pixel.begin(), pixel.end());
    }
  }
  Image image;
  ASSERT_EQ(Image::from_pixels(4, 4, 16, bytes, image), image_ok);
  const Bgra red{0, 0, 255, 255}, blue{128, 0, 0, 128};

  Image half;
  ASSERT_EQ(image.resized(2, 2, half), image_ok);
  ASSERT_EQ(half.width(), 2u);
  ASSERT_EQ(half.height(), 2u);
  EXPECT_EQ(half.stride(), 8u);
  EXPECT_NE(half.id(), image.id());
  for (std::uint32_t y = 0; y < 2; ++y) {
    EXPECT_PIXEL(half, 0, y, red, 1);
    EXPECT_PIXEL(half, 1, y, blue, 1);
  }

  Image twice;
  ASSERT_EQ(image.resized(8, 8, twice), image_ok);
  ASSERT_EQ(twice.width(), 8u);
  ASSERT_EQ(twice.height(), 8u);
  for (std::uint32_t y = 0; y < 8; ++y) {
    EXPECT_PIXEL(twice, 0, y, red, 1);
    EXPECT_PIXEL(twice, 2, y, red, 1);
    EXPECT_PIXEL(twice, 5, y, blue, 1);
    EXPECT_PIXEL(twice, 7, y, blue, 1);
  }

  // Fant averages what it shrinks: a 2 × 2 checkerboard of opaque black and white becomes grey.
  const std::vector<std::uint8_t> checker{0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255};
  Image board;
  ASSERT_EQ(Image::from_pixels(2, 2, 8, checker, board), image_ok);
  Image grey;
  ASSERT_EQ(board.resized(1, 1, grey), image_ok);
  EXPECT_EQ(grey.width(), 1u);
  // Wine 8's scaler samples the nearest pixel whatever the mode asked for.
  if (!orvane::test::running_under_wine()) {
    EXPECT_PIXEL(grey, 0, 0, (Bgra{128, 128, 128, 255}), 1);
  }

  // The image's own size shares its data, even into itself.
  Image same;
  ASSERT_EQ(image.resized(4, 4, same), image_ok);
  EXPECT_EQ(same.id(), image.id());
  EXPECT_EQ(same.pixels().data(), image.pixels().data());
  Image self = twice;
  ASSERT_EQ(self.resized(4, 4, self), image_ok);
  EXPECT_EQ(self.width(), 4u);
  EXPECT_PIXEL(self, 0, 0, red, 1);

  Image out = image;
  for (const auto& size : {std::array<std::uint32_t, 2>{0, 4}, {4, 0}, {0x40000000u, 1}, {0x8000u, 0x8000u}}) {
    EXPECT_EQ(image.resized(size[0], size[1], out), image_invalid_argument) << size[0] << " × " << size[1];
    expect_empty(out);
  }
  EXPECT_EQ(Image().resized(2, 2, out), image_invalid_argument);
}

}  // namespace
}  // namespace win32_ui::image_test
