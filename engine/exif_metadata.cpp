#include "exif_metadata.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "byte_source.h"

namespace orvane::engine {
namespace {

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

// Where a TIFF structure's first IFD lives, and in which byte order.
struct TiffHeader {
  bool big_endian = false;
  std::uint32_t ifd0 = 0;
};

std::optional<TiffHeader> read_tiff_header(ByteSource& source) {
  std::uint8_t head[4];
  if (!source.read(0, head, 4)) return std::nullopt;
  TiffHeader header;
  if (head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) {
    header.big_endian = false;
  } else if (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42) {
    header.big_endian = true;
  } else {
    return std::nullopt;
  }
  const auto ifd0 = source.u32(4, header.big_endian);
  if (!ifd0 || *ifd0 < 8) return std::nullopt;
  header.ifd0 = *ifd0;
  return header;
}

constexpr std::size_t kEntrySize = 12;

// The raw bytes of the first IFD: its entry count, entries and next-IFD offset.
std::optional<std::vector<std::uint8_t>> read_ifd(ByteSource& source, const TiffHeader& header) {
  const auto count = source.u16(header.ifd0, header.big_endian);
  if (!count) return std::nullopt;
  std::vector<std::uint8_t> ifd(2 + kEntrySize * *count + 4);
  if (!source.read(header.ifd0, ifd.data(), ifd.size())) return std::nullopt;
  return ifd;
}

std::uint16_t get16(const std::uint8_t* p, bool big_endian) {
  return big_endian ? static_cast<std::uint16_t>((p[0] << 8) | p[1]) : le16(p);
}
std::uint32_t get32(const std::uint8_t* p, bool big_endian) {
  return big_endian ? (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3]
                    : le32(p);
}
void put16(std::uint8_t* p, std::uint16_t v, bool big_endian) {
  if (big_endian) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
  } else {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
  }
}
void put32(std::uint8_t* p, std::uint32_t v, bool big_endian) {
  for (int i = 0; i < 4; ++i) {
    const int shift = big_endian ? 24 - 8 * i : 8 * i;
    p[i] = static_cast<std::uint8_t>(v >> shift);
  }
}

// The orientation entry's value when it is a usable 1..8; the value lies in the entry itself.
std::optional<std::uint16_t> entry_orientation(const std::uint8_t* entry, bool big_endian) {
  const std::uint16_t type = get16(entry + 2, big_endian);
  const std::uint32_t count = get32(entry + 4, big_endian);
  if (count < 1) return std::nullopt;
  std::uint32_t value = 0;
  if (type == kTiffTypeShort) {
    value = get16(entry + 8, big_endian);
  } else if (type == kTiffTypeLong) {
    value = get32(entry + 8, big_endian);
  } else {
    return std::nullopt;
  }
  if (value < 1 || value > 8) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

std::optional<std::uint16_t> tiff_orientation(ByteSource& source) {
  const auto header = read_tiff_header(source);
  if (!header) return std::nullopt;
  const auto ifd = read_ifd(source, *header);
  if (!ifd) return std::nullopt;
  const std::uint16_t count = get16(ifd->data(), header->big_endian);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = ifd->data() + 2 + i * kEntrySize;
    if (get16(entry, header->big_endian) == kOrientationTag) return entry_orientation(entry, header->big_endian);
  }
  return std::nullopt;
}

// Sets the orientation in a TIFF structure: in place when the first IFD has the entry, else by
// writing a copy of the IFD with the entry added at the end and pointing the header at it.
bool tiff_set_orientation(ByteStore& store, std::uint16_t orientation) {
  const auto header = read_tiff_header(store);
  if (!header) return false;
  const bool be = header->big_endian;
  auto ifd = read_ifd(store, *header);
  if (!ifd) return false;
  const std::uint16_t count = get16(ifd->data(), be);

  std::array<std::uint8_t, kEntrySize> entry{};
  put16(entry.data(), kOrientationTag, be);
  put16(entry.data() + 2, kTiffTypeShort, be);
  put32(entry.data() + 4, 1, be);
  put16(entry.data() + 8, orientation, be);

  std::size_t insert_at = count;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t tag = get16(ifd->data() + 2 + i * kEntrySize, be);
    if (tag == kOrientationTag) {
      return store.write(header->ifd0 + 2 + i * kEntrySize, entry.data(), entry.size());
    }
    if (tag > kOrientationTag) {
      insert_at = i;
      break;
    }
  }
  if (count == std::numeric_limits<std::uint16_t>::max()) return false;

  std::vector<std::uint8_t> fresh(ifd->size() + kEntrySize);
  put16(fresh.data(), static_cast<std::uint16_t>(count + 1), be);
  const auto* old_entries = ifd->data() + 2;
  std::copy_n(old_entries, insert_at * kEntrySize, fresh.data() + 2);
  std::copy(entry.begin(), entry.end(), fresh.data() + 2 + insert_at * kEntrySize);
  std::copy(old_entries + insert_at * kEntrySize, static_cast<const std::uint8_t*>(ifd->data() + ifd->size()),
            fresh.data() + 2 + (insert_at + 1) * kEntrySize);

  std::uint64_t offset = store.size();
  if (offset % 2 != 0) {  // IFDs start on a word boundary
    const std::uint8_t pad = 0;
    if (!store.append(&pad, 1)) return false;
    ++offset;
  }
  if (offset + fresh.size() > std::numeric_limits<std::uint32_t>::max()) return false;
  if (!store.append(fresh.data(), fresh.size())) return false;
  std::uint8_t pointer[4];
  put32(pointer, static_cast<std::uint32_t>(offset), be);
  return store.write(4, pointer, 4);
}

const std::uint8_t kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};

// One marker segment of a JPEG: where its payload starts and how long it is.
struct JpegSegment {
  std::uint8_t marker = 0;
  std::uint64_t start = 0;    // offset of the 0xFF of the marker
  std::uint64_t payload = 0;  // offset of the data after the length field
  std::uint32_t payload_length = 0;
};

// Walks the segments before the image data, calling `visit` until it returns true.
template <typename Visit>
bool walk_jpeg_segments(ByteSource& source, Visit visit) {
  std::uint8_t soi[2];
  if (!source.read(0, soi, 2) || soi[0] != 0xFF || soi[1] != 0xD8) return false;
  std::uint64_t pos = 2;
  for (;;) {
    const auto ff = source.u8(pos);
    if (!ff || *ff != 0xFF) return true;  // not a marker: stop quietly
    std::uint64_t marker_pos = pos;
    std::optional<std::uint8_t> marker;
    do {  // fill bytes may repeat 0xFF
      marker = source.u8(++pos);
      if (!marker) return true;
    } while (*marker == 0xFF);
    ++pos;
    if (*marker == 0xD8 || *marker == 0x01 || (*marker >= 0xD0 && *marker <= 0xD7)) continue;
    if (*marker == 0xD9 || *marker == 0xDA) return true;  // end of image or start of scan
    const auto length = source.u16(pos, true);
    if (!length || *length < 2) return true;
    JpegSegment segment{*marker, marker_pos, pos + 2, static_cast<std::uint32_t>(*length - 2)};
    if (segment.payload + segment.payload_length > source.size()) return true;
    if (visit(segment)) return true;
    pos = segment.payload + segment.payload_length;
  }
}

bool is_exif_segment(ByteSource& source, const JpegSegment& segment) {
  if (segment.marker != 0xE1 || segment.payload_length < sizeof(kExifSignature) + 8) return false;
  std::uint8_t signature[6];
  return source.read(segment.payload, signature, 6) && std::memcmp(signature, kExifSignature, 6) == 0;
}

std::optional<std::uint16_t> jpeg_orientation(ByteSource& source) {
  std::optional<std::uint16_t> found;
  walk_jpeg_segments(source, [&](const JpegSegment& segment) {
    if (!is_exif_segment(source, segment)) return false;
    SubSource tiff(source, segment.payload + 6, segment.payload_length - 6);
    found = tiff_orientation(tiff);
    return true;  // only the first Exif block counts, as in viewers
  });
  return found;
}

bool is_jpeg(ByteSource& source) {
  std::uint8_t head[3];
  return source.read(0, head, 3) && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

std::vector<std::uint8_t> minimal_exif_segment(std::uint16_t orientation) {
  std::vector<std::uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0};
  std::uint8_t entry[kEntrySize] = {};
  put16(entry, kOrientationTag, false);
  put16(entry + 2, kTiffTypeShort, false);
  put32(entry + 4, 1, false);
  put16(entry + 8, orientation, false);
  tiff.insert(tiff.end(), entry, entry + kEntrySize);
  tiff.insert(tiff.end(), 4, 0);  // no next IFD

  const std::size_t length = 2 + sizeof(kExifSignature) + tiff.size();
  std::vector<std::uint8_t> segment = {0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8),
                                       static_cast<std::uint8_t>(length & 0xFF)};
  segment.insert(segment.end(), kExifSignature, kExifSignature + sizeof(kExifSignature));
  segment.insert(segment.end(), tiff.begin(), tiff.end());
  return segment;
}

bool jpeg_set_orientation(std::vector<std::uint8_t>& file, std::uint16_t orientation) {
  MemoryStore source(file);
  std::optional<JpegSegment> exif;
  std::uint64_t insert_at = 2;  // after SOI, or after a leading JFIF APP0 which must come first
  bool first = true;
  walk_jpeg_segments(source, [&](const JpegSegment& segment) {
    if (first && segment.marker == 0xE0) insert_at = segment.payload + segment.payload_length;
    first = false;
    if (is_exif_segment(source, segment)) {
      exif = segment;
      return true;
    }
    return false;
  });
  if (!exif) {
    const auto segment = minimal_exif_segment(orientation);
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(insert_at), segment.begin(), segment.end());
    return true;
  }
  // Amend the block that is there: its TIFF structure is edited on its own and put back.
  const std::uint64_t tiff_begin = exif->payload + 6;
  const std::uint64_t tiff_end = exif->payload + exif->payload_length;
  std::vector<std::uint8_t> tiff(file.begin() + static_cast<std::ptrdiff_t>(tiff_begin),
                                 file.begin() + static_cast<std::ptrdiff_t>(tiff_end));
  MemoryStore tiff_store(tiff);
  if (!tiff_set_orientation(tiff_store, orientation)) return false;
  const std::size_t length = 2 + sizeof(kExifSignature) + tiff.size();
  if (length > 0xFFFF) return false;
  file[static_cast<std::size_t>(exif->payload - 2)] = static_cast<std::uint8_t>(length >> 8);
  file[static_cast<std::size_t>(exif->payload - 1)] = static_cast<std::uint8_t>(length & 0xFF);
  file.erase(file.begin() + static_cast<std::ptrdiff_t>(tiff_begin), file.begin() + static_cast<std::ptrdiff_t>(tiff_end));
  file.insert(file.begin() + static_cast<std::ptrdiff_t>(tiff_begin), tiff.begin(), tiff.end());
  return true;
}

std::optional<std::uint16_t> orientation_of(ByteSource& source) {
  if (is_jpeg(source)) return jpeg_orientation(source);
  return tiff_orientation(source);
}

constexpr std::uint16_t kTiffTypeAscii = 2;
constexpr std::uint16_t kModelTag = 0x0110;
constexpr std::uint16_t kExifIfdTag = 0x8769;
constexpr std::uint16_t kDateTimeOriginalTag = 0x9003;

// An ASCII entry's text up to its first NUL; values longer than four bytes lie at their offset.
std::string entry_ascii(ByteSource& source, const std::uint8_t* entry, bool big_endian) {
  if (get16(entry + 2, big_endian) != kTiffTypeAscii) return {};
  const std::uint32_t count = std::min<std::uint32_t>(get32(entry + 4, big_endian), 4096);
  std::string text(count, '\0');
  if (count <= 4) {
    std::memcpy(text.data(), entry + 8, count);
  } else if (!source.read(get32(entry + 8, big_endian), text.data(), count)) {
    return {};
  }
  text.resize(std::strlen(text.c_str()));
  return text;
}

// The entries of the IFD at `offset`: its count, then 12 bytes each.
std::optional<std::vector<std::uint8_t>> read_ifd_at(ByteSource& source, std::uint32_t offset, bool big_endian) {
  const auto count = source.u16(offset, big_endian);
  if (!count) return std::nullopt;
  std::vector<std::uint8_t> ifd(2 + kEntrySize * *count);
  if (!source.read(offset, ifd.data(), ifd.size())) return std::nullopt;
  return ifd;
}

ExifFacts tiff_facts(ByteSource& source) {
  ExifFacts facts;
  const auto header = read_tiff_header(source);
  if (!header) return facts;
  const bool be = header->big_endian;
  const auto ifd0 = read_ifd_at(source, header->ifd0, be);
  if (!ifd0) return facts;
  std::optional<std::uint32_t> exif_ifd;
  for (std::size_t i = 0; i < get16(ifd0->data(), be); ++i) {
    const std::uint8_t* entry = ifd0->data() + 2 + i * kEntrySize;
    const std::uint16_t tag = get16(entry, be);
    if (tag == kModelTag) facts.model = entry_ascii(source, entry, be);
    if (tag == kExifIfdTag && get32(entry + 4, be) == 1) exif_ifd = get32(entry + 8, be);
  }
  if (!exif_ifd || *exif_ifd == header->ifd0) return facts;
  const auto exif = read_ifd_at(source, *exif_ifd, be);
  if (!exif) return facts;
  for (std::size_t i = 0; i < get16(exif->data(), be); ++i) {
    const std::uint8_t* entry = exif->data() + 2 + i * kEntrySize;
    if (get16(entry, be) == kDateTimeOriginalTag) facts.date_time_original = entry_ascii(source, entry, be);
  }
  return facts;
}

ExifFacts facts_of(ByteSource& source) {
  if (!is_jpeg(source)) return tiff_facts(source);
  ExifFacts facts;
  walk_jpeg_segments(source, [&](const JpegSegment& segment) {
    if (!is_exif_segment(source, segment)) return false;
    SubSource tiff(source, segment.payload + 6, segment.payload_length - 6);
    facts = tiff_facts(tiff);
    return true;
  });
  return facts;
}

constexpr std::uint16_t kCompressionTag = 0x0103;
constexpr std::uint16_t kThumbnailOffsetTag = 0x0201;  // JPEGInterchangeFormat
constexpr std::uint16_t kThumbnailLengthTag = 0x0202;  // JPEGInterchangeFormatLength
constexpr std::uint16_t kCompressionOldJpeg = 6;

// A SHORT or LONG entry's single value, which lies in the entry itself.
std::optional<std::uint32_t> entry_number(const std::uint8_t* entry, bool big_endian) {
  if (get32(entry + 4, big_endian) != 1) return std::nullopt;
  const std::uint16_t type = get16(entry + 2, big_endian);
  if (type == kTiffTypeShort) return get16(entry + 8, big_endian);
  if (type == kTiffTypeLong) return get32(entry + 8, big_endian);
  return std::nullopt;
}

// The thumbnail of a TIFF structure's second IFD, found through the first one's next-IFD link.
std::vector<std::uint8_t> tiff_thumbnail(ByteSource& source) {
  const auto header = read_tiff_header(source);
  if (!header) return {};
  const bool be = header->big_endian;
  const auto ifd0 = read_ifd(source, *header);
  if (!ifd0) return {};
  const std::uint32_t ifd1 = get32(ifd0->data() + ifd0->size() - 4, be);
  if (ifd1 < 8 || ifd1 == header->ifd0) return {};
  const auto entries = read_ifd_at(source, ifd1, be);
  if (!entries) return {};
  std::optional<std::uint32_t> offset, length;
  for (std::size_t i = 0; i < get16(entries->data(), be); ++i) {
    const std::uint8_t* entry = entries->data() + 2 + i * kEntrySize;
    const std::uint16_t tag = get16(entry, be);
    if (tag == kThumbnailOffsetTag) offset = entry_number(entry, be);
    if (tag == kThumbnailLengthTag) length = entry_number(entry, be);
    // An uncompressed (strip) thumbnail is not a JPEG, whatever else the IFD says.
    if (tag == kCompressionTag && entry_number(entry, be) != kCompressionOldJpeg) return {};
  }
  // The whole JPEG, SOI to EOI, needs at least its two markers; the block's segment bounds it.
  if (!offset || !length || *length < 4 || *offset < 8) return {};
  if (std::uint64_t{*offset} + *length > source.size()) return {};
  std::vector<std::uint8_t> bytes(*length);
  if (!source.read(*offset, bytes.data(), bytes.size())) return {};
  if (bytes[0] != 0xFF || bytes[1] != 0xD8) return {};
  return bytes;
}

std::vector<std::uint8_t> thumbnail_of(ByteSource& source) {
  if (!is_jpeg(source)) return {};
  std::vector<std::uint8_t> thumbnail;
  walk_jpeg_segments(source, [&](const JpegSegment& segment) {
    if (!is_exif_segment(source, segment)) return false;
    SubSource tiff(source, segment.payload + 6, segment.payload_length - 6);
    thumbnail = tiff_thumbnail(tiff);
    return true;
  });
  return thumbnail;
}

}  // namespace

std::vector<std::uint8_t> read_file_exif_thumbnail(const std::wstring& path) {
  FileStore file(std::filesystem::path(path), false);
  if (!file.is_open()) return {};
  return thumbnail_of(file);
}

std::vector<std::uint8_t> read_exif_thumbnail_from_bytes(const std::vector<std::uint8_t>& file) {
  MemorySource source(file);
  return thumbnail_of(source);
}

ExifFacts read_file_exif_facts(const std::wstring& path) {
  FileStore file(std::filesystem::path(path), false);
  if (!file.is_open()) return {};
  return facts_of(file);
}

ExifFacts read_exif_facts_from_bytes(const std::vector<std::uint8_t>& file) {
  MemorySource source(file);
  return facts_of(source);
}

std::optional<std::uint16_t> orientation_from_item(std::uint16_t type, std::size_t length, const void* value) noexcept {
  if (value == nullptr) return std::nullopt;
  if (!((type == kTiffTypeShort && length >= 2) || (type == kTiffTypeLong && length >= 4))) return std::nullopt;
  const std::uint16_t v = le16(static_cast<const std::uint8_t*>(value));
  if (v < 1 || v > 8) return std::nullopt;
  return v;
}

std::optional<std::int32_t> jpeg_quality_from_item(std::uint16_t type, std::size_t length, const void* value) noexcept {
  if (value == nullptr) return std::nullopt;
  const auto* bytes = static_cast<const std::uint8_t*>(value);
  std::uint32_t quality = 0;
  if (type == kTiffTypeLong && length >= 4) {
    quality = le32(bytes);
  } else if (type == kTiffTypeShort && length >= 2) {
    quality = le16(bytes);
  } else if (type == kTiffTypeRational && length >= 8) {
    const std::uint32_t denominator = le32(bytes + 4);
    if (denominator == 0) return std::nullopt;
    quality = le32(bytes) / denominator;
  } else {
    return std::nullopt;
  }
  if (quality == 0) return std::nullopt;
  return static_cast<std::int32_t>(std::min<std::uint32_t>(quality, 100));
}

std::optional<std::uint16_t> read_file_orientation(const std::wstring& path) {
  FileStore file(std::filesystem::path(path), false);
  if (!file.is_open()) return std::nullopt;
  return orientation_of(file);
}

std::optional<std::uint16_t> read_orientation_from_bytes(const std::vector<std::uint8_t>& file) {
  MemorySource source(file);
  return orientation_of(source);
}

bool write_orientation_to_bytes(std::vector<std::uint8_t>& file, std::uint16_t orientation) {
  if (orientation < 1 || orientation > 8) return false;
  MemoryStore store(file);
  if (is_jpeg(store)) return jpeg_set_orientation(file, orientation);
  return tiff_set_orientation(store, orientation);
}

bool write_file_orientation(const std::wstring& path, std::uint16_t orientation) {
  if (orientation < 1 || orientation > 8) return false;
  const std::filesystem::path file_path(path);
  bool jpeg = false;
  {
    FileStore file(file_path, true);
    if (!file.is_open()) return false;
    jpeg = is_jpeg(file);
    // A TIFF is amended where it lies: the new IFD goes at its end, nothing is rewritten.
    if (!jpeg) return tiff_set_orientation(file, orientation) && file.flush();
  }
  // A JPEG's segment must sit before the image data, so the file is rewritten whole.
  std::vector<std::uint8_t> bytes;
  {
    std::ifstream in(file_path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (!jpeg_set_orientation(bytes, orientation)) return false;
  std::ofstream out(file_path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace orvane::engine
