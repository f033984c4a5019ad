#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <cwchar>
#include <vector>

#include "exif_metadata.h"
#include "byte_source.h"
#include "image_header.h"
#include "test_files.h"

namespace {

using namespace orvane::engine;
using orvane::test::data_dir;

std::vector<std::uint8_t> le(std::initializer_list<std::uint32_t> values, int width) {
  std::vector<std::uint8_t> out;
  for (auto v : values) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  return out;
}

TEST(OrientationItem, AcceptsOnlyShortOrLongWithAValueOneToEight) {
  const auto short6 = le({6}, 2);
  const auto long6 = le({6}, 4);
  EXPECT_EQ(orientation_from_item(kTiffTypeShort, 2, short6.data()), 6);
  EXPECT_EQ(orientation_from_item(kTiffTypeLong, 4, long6.data()), 6);
  EXPECT_FALSE(orientation_from_item(kTiffTypeLong, 2, long6.data())) << "LONG needs four bytes";
  EXPECT_FALSE(orientation_from_item(kTiffTypeShort, 1, short6.data()));
  EXPECT_FALSE(orientation_from_item(2 /* ASCII */, 2, short6.data()));
  for (std::uint32_t bad : {0u, 9u, 0xFFFFu}) {
    const auto value = le({bad}, 2);
    EXPECT_FALSE(orientation_from_item(kTiffTypeShort, 2, value.data())) << bad;
  }
  EXPECT_FALSE(orientation_from_item(kTiffTypeShort, 2, nullptr));
}

TEST(JpegQualityItem, IsReadUnsignedAndClamped) {
  const auto all_ones = le({0xFFFFFFFFu}, 4);
  EXPECT_EQ(jpeg_quality_from_item(kTiffTypeLong, 4, all_ones.data()), 100) << "must never become -1";
  const auto q250 = le({250}, 4);
  EXPECT_EQ(jpeg_quality_from_item(kTiffTypeLong, 4, q250.data()), 100);
  const auto q75 = le({75}, 2);
  EXPECT_EQ(jpeg_quality_from_item(kTiffTypeShort, 2, q75.data()), 75);
  const auto rational = le({170, 2}, 4);
  EXPECT_EQ(jpeg_quality_from_item(kTiffTypeRational, 8, rational.data()), 85);
  const auto zero_denominator = le({170, 0}, 4);
  EXPECT_FALSE(jpeg_quality_from_item(kTiffTypeRational, 8, zero_denominator.data()));
  const auto zero = le({0}, 4);
  EXPECT_FALSE(jpeg_quality_from_item(kTiffTypeLong, 4, zero.data()));
  EXPECT_FALSE(jpeg_quality_from_item(kTiffTypeLong, 3, q250.data()));
  EXPECT_FALSE(jpeg_quality_from_item(7, 4, q250.data()));
}

std::vector<std::uint8_t> bare_jpeg() {
  // SOI, a JFIF APP0, then the start of the image data; enough for the metadata code.
  return {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0,
          0xFF, 0xDA, 0x00, 0x02, 0x11, 0x22, 0xFF, 0xD9};
}

TEST(ExifBlock, WrittenIntoAJpegWithoutOneAndReadBack) {
  for (std::uint16_t tag = 1; tag <= 8; ++tag) {
    auto file = bare_jpeg();
    ASSERT_TRUE(write_orientation_to_bytes(file, tag));
    EXPECT_EQ(read_orientation_from_bytes(file), tag);
    // The JFIF segment stays first and the image data is untouched.
    EXPECT_EQ(file[3], 0xE0);
    EXPECT_EQ(file[20], 0xFF);
    EXPECT_EQ(file[21], 0xE1);
    const auto original = bare_jpeg();
    EXPECT_TRUE(std::equal(original.end() - 8, original.end(), file.end() - 8));
  }
}

TEST(ExifBlock, ExistingBlockIsAmendedNotDuplicated) {
  auto file = bare_jpeg();
  ASSERT_TRUE(write_orientation_to_bytes(file, 3));
  const auto size_with_one = file.size();
  ASSERT_TRUE(write_orientation_to_bytes(file, 6));
  EXPECT_EQ(file.size(), size_with_one) << "an existing tag is overwritten in place";
  EXPECT_EQ(read_orientation_from_bytes(file), 6);
}

TEST(ExifBlock, TagAddedToATiffFirstIfdKeepsOtherEntries) {
  // Big-endian TIFF with one IFD holding ImageWidth 7 and ImageLength 5 (SHORTs).
  std::vector<std::uint8_t> tiff = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 2,
                                    0x01, 0x00, 0, 3, 0, 0, 0, 1, 0, 7, 0, 0,
                                    0x01, 0x01, 0, 3, 0, 0, 0, 1, 0, 5, 0, 0,
                                    0, 0, 0, 0};
  EXPECT_FALSE(read_orientation_from_bytes(tiff));
  ASSERT_TRUE(write_orientation_to_bytes(tiff, 8));
  EXPECT_EQ(read_orientation_from_bytes(tiff), 8);
  EXPECT_EQ(tiff.size() % 2, 0u);
  orvane::test::TempDir dir;
  const auto path = dir.file(L"tiny.tif");
  orvane::test::write_bytes(path, tiff);
  const auto dims = read_image_dimensions(path);
  ASSERT_TRUE(dims);
  EXPECT_EQ(dims->width, 7u);
  EXPECT_EQ(dims->height, 5u);
}

TEST(ExifBlock, RefusesWhatItCannotWriteSafely) {
  std::vector<std::uint8_t> not_an_image = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_FALSE(write_orientation_to_bytes(not_an_image, 6));
  EXPECT_EQ(not_an_image.size(), 5u);
  auto file = bare_jpeg();
  EXPECT_FALSE(write_orientation_to_bytes(file, 0));
  EXPECT_FALSE(write_orientation_to_bytes(file, 9));
  EXPECT_EQ(file, bare_jpeg());
}

// Every truncation of a valid block must read as "no tag" or the tag, never crash or read out
// of bounds (the vector is exactly the truncated size).
TEST(ExifBlock, EveryTruncationIsSafe) {
  auto file = bare_jpeg();
  ASSERT_TRUE(write_orientation_to_bytes(file, 5));
  for (std::size_t length = 0; length < file.size(); ++length) {
    std::vector<std::uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
    const auto value = read_orientation_from_bytes(cut);
    if (value) {
      EXPECT_EQ(*value, 5);
    }
  }
}

TEST(ExifBlock, MalformedCorpusReadsAsNoTag) {
  for (const wchar_t* name : {L"exif-huge-count.jpg", L"exif-offset-past-end.jpg", L"exif-orientation-ascii.jpg",
                              L"exif-orientation-9.jpg", L"empty.png", L"truncated.jpg", L"not-an-image.jpg"}) {
    const auto path = (data_dir() / L"malformed" / name).wstring();
    EXPECT_FALSE(read_file_orientation(path)) << std::string(name, name + std::wcslen(name));
  }
  EXPECT_FALSE(read_file_orientation(L"Z:\\no\\such\\file.jpg"));
}

TEST(ImageHeader, DimensionsComeFromTheHeaderAlone) {
  const auto jpeg = read_image_dimensions((data_dir() / L"malformed" / L"bomb-65000.jpg").wstring());
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(jpeg->width, 65000u);
  EXPECT_EQ(jpeg->height, 65000u);
  const auto png = read_image_dimensions((data_dir() / L"malformed" / L"bomb-65000.png").wstring());
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 65000u);
  EXPECT_FALSE(read_image_dimensions((data_dir() / L"malformed" / L"png-signature-only.png").wstring()));
  EXPECT_FALSE(read_image_dimensions((data_dir() / L"malformed" / L"empty.png").wstring()));
}

// A camera's embedded thumbnail, written by exiftool (tests/data/make_thumbnails.py).
std::vector<std::uint8_t> photo_bytes(const wchar_t* name) {
  return orvane::test::read_bytes((data_dir() / L"images" / name).wstring());
}

// Where the single-valued LONG entry `tag` lies in a TIFF block of either byte order, and which.
struct EntryAt {
  std::size_t value = 0;
  bool big_endian = false;
};
std::optional<EntryAt> find_long_entry(const std::vector<std::uint8_t>& file, std::uint16_t tag) {
  for (bool be : {false, true}) {
    std::vector<std::uint8_t> pattern = be ? std::vector<std::uint8_t>{std::uint8_t(tag >> 8), std::uint8_t(tag), 0, 4,
                                                                       0, 0, 0, 1}
                                           : std::vector<std::uint8_t>{std::uint8_t(tag), std::uint8_t(tag >> 8), 4, 0,
                                                                       1, 0, 0, 0};
    const auto at = std::search(file.begin(), file.end(), pattern.begin(), pattern.end());
    if (at != file.end()) return EntryAt{static_cast<std::size_t>(at - file.begin()) + 8, be};
  }
  return std::nullopt;
}
void put_value(std::vector<std::uint8_t>& file, const EntryAt& at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) file[at.value + i] = static_cast<std::uint8_t>(value >> (at.big_endian ? 24 - 8 * i : 8 * i));
}

TEST(ExifThumbnail, IsTheWholeJpegOfTheSecondIfd) {
  const auto thumbnail = read_exif_thumbnail_from_bytes(photo_bytes(L"thumb-embedded.jpg"));
  ASSERT_EQ(thumbnail.size(), 927u) << "exiftool's ThumbnailLength";
  EXPECT_EQ(thumbnail[0], 0xFF);
  EXPECT_EQ(thumbnail[1], 0xD8);
  EXPECT_EQ(thumbnail[925], 0xFF);
  EXPECT_EQ(thumbnail[926], 0xD9);
  orvane::engine::MemorySource source(thumbnail);
  const auto dims = read_image_dimensions(source);
  ASSERT_TRUE(dims);
  EXPECT_EQ(dims->width, 160u);
  EXPECT_EQ(dims->height, 120u);
  const auto turned = read_exif_thumbnail_from_bytes(photo_bytes(L"thumb-embedded-o6.jpg"));
  orvane::engine::MemorySource turned_source(turned);
  ASSERT_TRUE(read_image_dimensions(turned_source));
  EXPECT_EQ(read_image_dimensions(turned_source)->width, 120u) << "stored as the photo is, on its side";
  EXPECT_TRUE(read_exif_thumbnail_from_bytes(bare_jpeg()).empty());
  EXPECT_TRUE(read_file_exif_thumbnail((data_dir() / L"images" / L"solid.jpg").wstring()).empty());
  EXPECT_EQ(read_file_exif_thumbnail((data_dir() / L"images" / L"thumb-embedded.jpg").wstring()), thumbnail);
}

// Cut anywhere, the file gives the whole thumbnail or nothing, never a part.
TEST(ExifThumbnail, EveryTruncationGivesAllOrNothing) {
  const auto file = photo_bytes(L"thumb-embedded.jpg");
  const auto whole = read_exif_thumbnail_from_bytes(file);
  ASSERT_FALSE(whole.empty());
  std::size_t first_found = file.size() + 1;
  for (std::size_t length = 0; length <= file.size(); ++length) {
    const std::vector<std::uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
    const auto thumbnail = read_exif_thumbnail_from_bytes(cut);
    if (!thumbnail.empty()) {
      first_found = std::min(first_found, length);
      ASSERT_EQ(thumbnail, whole) << "cut at " << length;
    } else {
      ASSERT_GT(first_found, length) << "found at " << first_found << ", lost again at " << length;
    }
  }
  const auto at = std::search(file.begin(), file.end(), whole.begin(), whole.end());
  ASSERT_NE(at, file.end());
  EXPECT_GE(first_found, static_cast<std::size_t>(at - file.begin()) + whole.size());
  EXPECT_LT(first_found, file.size()) << "the rest of the photo is not needed";
}

TEST(ExifThumbnail, LinksLeadingOutsideTheBlockGiveNothing) {
  const auto file = photo_bytes(L"thumb-embedded.jpg");
  const auto offset = find_long_entry(file, 0x0201), length = find_long_entry(file, 0x0202);
  ASSERT_TRUE(offset && length);
  for (std::uint32_t bad_length : {0u, 3u, 0xFFFFFFF0u, 60000u}) {
    auto broken = file;
    put_value(broken, *length, bad_length);
    EXPECT_TRUE(read_exif_thumbnail_from_bytes(broken).empty()) << "length " << bad_length;
  }
  for (std::uint32_t bad_offset : {0u, 7u, 0xFFFFFFF0u, 60000u, 20u}) {
    auto broken = file;
    put_value(broken, *offset, bad_offset);
    EXPECT_TRUE(read_exif_thumbnail_from_bytes(broken).empty()) << "offset " << bad_offset;
  }
}

}  // namespace
