#include "print_metadata.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "byte_source.h"
#include "zlib_stream.h"

namespace orvane::engine {
namespace {

constexpr std::uint16_t kTagXResolution = 282;
constexpr std::uint16_t kTagYResolution = 283;
constexpr std::uint16_t kTagResolutionUnit = 296;
constexpr std::uint16_t kTagIccProfile = 34675;
constexpr std::uint16_t kTypeByte = 1, kTypeShort = 3, kTypeLong = 4, kTypeRational = 5, kTypeUndefined = 7;
constexpr double kCentimetresPerInch = 2.54;
constexpr double kMetresPerInch = 0.0254;

// A resolution worth keeping: positive, finite and not absurd.
std::optional<PrintResolution> usable(double x, double y) {
  const auto ok = [](double v) { return std::isfinite(v) && v >= 1.0 && v <= 1.0e6; };
  if (!ok(x) || !ok(y)) return std::nullopt;
  return PrintResolution{x, y};
}

std::uint16_t get16(const std::uint8_t* p, bool big_endian) {
  return static_cast<std::uint16_t>(big_endian ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0]);
}
std::uint32_t get32(const std::uint8_t* p, bool big_endian) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= std::uint32_t{p[i]} << (big_endian ? 24 - 8 * i : 8 * i);
  return v;
}
void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v, bool big_endian) {
  out[at + (big_endian ? 0 : 1)] = static_cast<std::uint8_t>(v >> 8);
  out[at + (big_endian ? 1 : 0)] = static_cast<std::uint8_t>(v);
}
void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v, bool big_endian) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (big_endian ? 24 - 8 * i : 8 * i));
}
void append32be(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
std::uint32_t to_u32(double v) {
  return static_cast<std::uint32_t>(std::clamp(std::lround(v), 1L, static_cast<long>(INT32_MAX)));
}

// ---- TIFF (whole files and the EXIF block of a JPEG) ----

struct TiffEntry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint8_t value[4] = {};  // inline value or offset, as stored
};

struct TiffIfd {
  bool big_endian = false;
  std::uint32_t offset = 0;
  std::vector<TiffEntry> entries;
  std::uint32_t next = 0;
};

std::optional<TiffIfd> read_first_ifd(ByteSource& source) {
  std::uint8_t head[4];
  if (!source.read(0, head, 4)) return std::nullopt;
  TiffIfd ifd;
  if (head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) {
    ifd.big_endian = false;
  } else if (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42) {
    ifd.big_endian = true;
  } else {
    return std::nullopt;
  }
  const auto offset = source.u32(4, ifd.big_endian);
  if (!offset || *offset < 8) return std::nullopt;
  ifd.offset = *offset;
  const auto count = source.u16(ifd.offset, ifd.big_endian);
  if (!count) return std::nullopt;
  for (std::uint32_t i = 0; i < *count; ++i) {
    const std::uint64_t at = std::uint64_t{ifd.offset} + 2 + std::uint64_t{i} * 12;
    TiffEntry entry;
    const auto tag = source.u16(at, ifd.big_endian), type = source.u16(at + 2, ifd.big_endian);
    const auto n = source.u32(at + 4, ifd.big_endian);
    if (!tag || !type || !n || !source.read(at + 8, entry.value, 4)) return std::nullopt;
    entry.tag = *tag;
    entry.type = *type;
    entry.count = *n;
    ifd.entries.push_back(entry);
  }
  const auto next = source.u32(std::uint64_t{ifd.offset} + 2 + std::uint64_t{*count} * 12, ifd.big_endian);
  if (!next) return std::nullopt;
  ifd.next = *next;
  return ifd;
}

std::size_t type_size(std::uint16_t type) {
  switch (type) {
    case kTypeByte: case kTypeUndefined: case 2: case 6: return 1;
    case kTypeShort: case 8: return 2;
    case kTypeLong: case 9: case 11: return 4;
    case kTypeRational: case 10: case 12: return 8;
    default: return 0;
  }
}

// The value bytes of an entry, at most `limit` of them; nothing when they do not all lie in the source.
std::optional<std::vector<std::uint8_t>> entry_bytes(ByteSource& source, const TiffIfd& ifd, const TiffEntry& entry,
                                                     std::size_t limit) {
  const std::size_t unit = type_size(entry.type);
  if (unit == 0 || entry.count > limit / unit) return std::nullopt;
  const std::size_t size = unit * entry.count;
  if (size <= 4) return std::vector<std::uint8_t>(entry.value, entry.value + size);
  const std::uint32_t offset = get32(entry.value, ifd.big_endian);
  std::vector<std::uint8_t> bytes(size);
  if (!source.read(offset, bytes.data(), size)) return std::nullopt;
  return bytes;
}

const TiffEntry* find_entry(const TiffIfd& ifd, std::uint16_t tag) {
  for (const auto& entry : ifd.entries) {
    if (entry.tag == tag) return &entry;
  }
  return nullptr;
}

std::optional<double> tiff_rational(ByteSource& source, const TiffIfd& ifd, std::uint16_t tag) {
  const TiffEntry* entry = find_entry(ifd, tag);
  if (entry == nullptr || entry->type != kTypeRational || entry->count < 1) return std::nullopt;
  const TiffEntry first{entry->tag, entry->type, 1, {entry->value[0], entry->value[1], entry->value[2], entry->value[3]}};
  const auto bytes = entry_bytes(source, ifd, first, 8);
  if (!bytes) return std::nullopt;
  const std::uint32_t numerator = get32(bytes->data(), ifd.big_endian);
  const std::uint32_t denominator = get32(bytes->data() + 4, ifd.big_endian);
  if (denominator == 0) return std::nullopt;
  return static_cast<double>(numerator) / static_cast<double>(denominator);
}

std::optional<PrintResolution> tiff_resolution(ByteSource& source, const TiffIfd& ifd) {
  const auto x = tiff_rational(source, ifd, kTagXResolution), y = tiff_rational(source, ifd, kTagYResolution);
  if (!x || !y) return std::nullopt;
  std::uint16_t unit = 2;  // inches unless the file says otherwise
  if (const TiffEntry* entry = find_entry(ifd, kTagResolutionUnit); entry != nullptr && entry->type == kTypeShort) {
    unit = get16(entry->value, ifd.big_endian);
  }
  if (unit == 2) return usable(*x, *y);
  if (unit == 3) return usable(*x * kCentimetresPerInch, *y * kCentimetresPerInch);
  return std::nullopt;  // no absolute unit
}

PrintMetadata read_tiff(ByteSource& source, bool with_profile) {
  PrintMetadata metadata;
  const auto ifd = read_first_ifd(source);
  if (!ifd) return metadata;
  metadata.resolution = tiff_resolution(source, *ifd);
  if (const TiffEntry* entry = find_entry(*ifd, kTagIccProfile);
      with_profile && entry != nullptr && (entry->type == kTypeUndefined || entry->type == kTypeByte)) {
    if (auto bytes = entry_bytes(source, *ifd, *entry, kMaxIccProfileBytes)) metadata.icc_profile = std::move(*bytes);
  }
  return metadata;
}

// An entry to set, its value bytes already in the file's byte order.
struct NewEntry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::vector<std::uint8_t> bytes;
};

// Replaces or adds entries in the first IFD: the values and a rewritten IFD go at the end of the
// file and the header points at it, so nothing that other entries point at moves.
bool tiff_set_entries(std::vector<std::uint8_t>& file, const std::vector<NewEntry>& changes) {
  MemorySource source(file);
  const auto ifd = read_first_ifd(source);
  if (!ifd) return false;
  const bool be = ifd->big_endian;
  std::vector<TiffEntry> entries;
  for (const auto& entry : ifd->entries) {
    const bool replaced = std::any_of(changes.begin(), changes.end(), [&](const NewEntry& c) { return c.tag == entry.tag; });
    if (!replaced) entries.push_back(entry);
  }
  const auto align = [&] {
    if (file.size() % 2 != 0) file.push_back(0);  // offsets fall on word boundaries
  };
  for (const auto& change : changes) {
    TiffEntry entry{change.tag, change.type, change.count, {}};
    if (change.bytes.size() <= 4) {
      std::copy(change.bytes.begin(), change.bytes.end(), entry.value);
    } else {
      align();
      if (file.size() + change.bytes.size() > std::numeric_limits<std::uint32_t>::max()) return false;
      std::vector<std::uint8_t> offset(4);
      put32(offset, 0, static_cast<std::uint32_t>(file.size()), be);
      std::copy(offset.begin(), offset.end(), entry.value);
      file.insert(file.end(), change.bytes.begin(), change.bytes.end());
    }
    entries.push_back(entry);
  }
  if (entries.size() > 0xFFFF) return false;
  std::stable_sort(entries.begin(), entries.end(), [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
  align();
  const std::size_t at = file.size();
  if (at + 6 + entries.size() * 12 > std::numeric_limits<std::uint32_t>::max()) return false;
  file.resize(at + 2 + entries.size() * 12 + 4);
  put16(file, at, static_cast<std::uint32_t>(entries.size()), be);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::size_t e = at + 2 + i * 12;
    put16(file, e, entries[i].tag, be);
    put16(file, e + 2, entries[i].type, be);
    put32(file, e + 4, entries[i].count, be);
    std::copy(entries[i].value, entries[i].value + 4, file.begin() + static_cast<std::ptrdiff_t>(e + 8));
  }
  put32(file, at + 2 + entries.size() * 12, ifd->next, be);
  put32(file, 4, static_cast<std::uint32_t>(at), be);
  return true;
}

std::vector<std::uint8_t> rational_bytes(double value, bool be) {
  // Whole numbers exactly; anything else to a hundredth.
  const bool whole = std::fabs(value - std::round(value)) < 1e-6;
  std::vector<std::uint8_t> bytes(8);
  put32(bytes, 0, to_u32(whole ? value : value * 100.0), be);
  put32(bytes, 4, whole ? 1 : 100, be);
  return bytes;
}

bool write_tiff(std::vector<std::uint8_t>& file, const PrintMetadata& metadata) {
  MemorySource source(file);
  const auto ifd = read_first_ifd(source);
  if (!ifd) return false;
  const bool be = ifd->big_endian;
  std::vector<NewEntry> changes;
  if (metadata.resolution) {
    std::vector<std::uint8_t> inch(2);
    put16(inch, 0, 2, be);
    changes.push_back({kTagXResolution, kTypeRational, 1, rational_bytes(metadata.resolution->x, be)});
    changes.push_back({kTagYResolution, kTypeRational, 1, rational_bytes(metadata.resolution->y, be)});
    changes.push_back({kTagResolutionUnit, kTypeShort, 1, inch});
  }
  if (!metadata.icc_profile.empty()) {
    changes.push_back({kTagIccProfile, kTypeUndefined, static_cast<std::uint32_t>(metadata.icc_profile.size()),
                       metadata.icc_profile});
  }
  return tiff_set_entries(file, changes);
}

// ---- JPEG ----

constexpr std::uint8_t kJfif[5] = {'J', 'F', 'I', 'F', 0};
constexpr std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint8_t kIcc[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
constexpr std::size_t kIccChunkData = 65535 - 2 - sizeof(kIcc) - 2;

struct Segment {
  std::uint8_t marker = 0;
  std::uint64_t start = 0;    // the 0xFF of the marker
  std::uint64_t payload = 0;  // after the length field
  std::uint32_t length = 0;   // of the payload
  [[nodiscard]] std::uint64_t end() const { return payload + length; }
};

// The marker segments before the image data; stops quietly at anything unexpected.
std::vector<Segment> jpeg_segments(ByteSource& source) {
  std::vector<Segment> segments;
  std::uint64_t pos = 2;
  while (segments.size() < 10000) {
    const auto ff = source.u8(pos), marker = source.u8(pos + 1);
    if (!ff || !marker || *ff != 0xFF || *marker == 0xFF || *marker == 0xD9 || *marker == 0xDA) break;
    const auto length = source.u16(pos + 2, true);
    if (!length || *length < 2 || pos + 2 + *length > source.size()) break;
    segments.push_back({*marker, pos, pos + 4, static_cast<std::uint32_t>(*length - 2)});
    pos = segments.back().end();
  }
  return segments;
}

bool starts_with(ByteSource& source, const Segment& segment, const std::uint8_t* signature, std::size_t size) {
  std::uint8_t head[12];
  return segment.length >= size && source.read(segment.payload, head, size) && std::memcmp(head, signature, size) == 0;
}

bool is_jpeg(ByteSource& source) {
  std::uint8_t head[3];
  return source.read(0, head, 3) && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

std::optional<PrintResolution> jfif_resolution(ByteSource& source, const Segment& segment) {
  if (segment.length < 12) return std::nullopt;
  const auto units = source.u8(segment.payload + 7);
  const auto x = source.u16(segment.payload + 8, true), y = source.u16(segment.payload + 10, true);
  if (!units || !x || !y) return std::nullopt;
  if (*units == 1) return usable(*x, *y);
  if (*units == 2) return usable(*x * kCentimetresPerInch, *y * kCentimetresPerInch);
  return std::nullopt;  // an aspect ratio only
}

// The profile from its numbered chunks; nothing unless every chunk is there exactly once.
std::vector<std::uint8_t> jpeg_profile(ByteSource& source, const std::vector<Segment>& segments) {
  std::vector<const Segment*> chunks;
  std::size_t total = 0;
  int expected = 0;
  for (const auto& segment : segments) {
    if (segment.marker != 0xE2 || !starts_with(source, segment, kIcc, sizeof(kIcc)) || segment.length < 14) continue;
    const auto sequence = source.u8(segment.payload + 12), count = source.u8(segment.payload + 13);
    if (!sequence || !count || *count == 0 || *sequence == 0 || *sequence > *count) return {};
    if (expected == 0) {
      expected = *count;
      chunks.assign(expected, nullptr);
    }
    if (*count != expected || chunks[*sequence - 1] != nullptr) return {};
    chunks[*sequence - 1] = &segment;
    total += segment.length - 14;
  }
  if (expected == 0 || total > kMaxIccProfileBytes) return {};
  std::vector<std::uint8_t> profile;
  profile.reserve(total);
  for (const Segment* chunk : chunks) {
    if (chunk == nullptr) return {};
    const std::size_t size = chunk->length - 14;
    const std::size_t at = profile.size();
    profile.resize(at + size);
    if (!source.read(chunk->payload + 14, profile.data() + at, size)) return {};
  }
  return profile;
}

PrintMetadata read_jpeg(ByteSource& source) {
  PrintMetadata metadata;
  const auto segments = jpeg_segments(source);
  for (const auto& segment : segments) {
    if (segment.marker == 0xE0 && starts_with(source, segment, kJfif, sizeof(kJfif))) {
      metadata.resolution = jfif_resolution(source, segment);
      break;
    }
  }
  if (!metadata.resolution) {  // no JFIF density: the EXIF block's, as viewers fall back to
    for (const auto& segment : segments) {
      if (segment.marker == 0xE1 && starts_with(source, segment, kExif, sizeof(kExif))) {
        SubSource tiff(source, segment.payload + 6, segment.length - 6);
        metadata.resolution = read_tiff(tiff, false).resolution;
        break;
      }
    }
  }
  metadata.icc_profile = jpeg_profile(source, segments);
  return metadata;
}

std::vector<std::uint8_t> jfif_segment(const PrintResolution& resolution) {
  const auto density = [](double v) { return static_cast<std::uint16_t>(std::clamp(std::lround(v), 1L, 65535L)); };
  const std::uint16_t x = density(resolution.x), y = density(resolution.y);
  return {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 1, static_cast<std::uint8_t>(x >> 8),
          static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y >> 8), static_cast<std::uint8_t>(y), 0, 0};
}

// The profile as numbered APP2 segments.
std::vector<std::uint8_t> icc_segments(const std::vector<std::uint8_t>& profile) {
  std::vector<std::uint8_t> out;
  const std::size_t count = (profile.size() + kIccChunkData - 1) / kIccChunkData;
  for (std::size_t c = 0; c < count; ++c) {
    const std::size_t begin = c * kIccChunkData;
    const std::size_t size = std::min(kIccChunkData, profile.size() - begin);
    const std::size_t length = 2 + sizeof(kIcc) + 2 + size;
    out.insert(out.end(), {0xFF, 0xE2, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
    out.insert(out.end(), kIcc, kIcc + sizeof(kIcc));
    out.push_back(static_cast<std::uint8_t>(c + 1));
    out.push_back(static_cast<std::uint8_t>(count));
    out.insert(out.end(), profile.begin() + static_cast<std::ptrdiff_t>(begin),
               profile.begin() + static_cast<std::ptrdiff_t>(begin + size));
  }
  return out;
}

bool write_jpeg(std::vector<std::uint8_t>& file, const PrintMetadata& metadata) {
  if (metadata.icc_profile.size() > kIccChunkData * 255) return false;
  MemorySource source(file);
  const auto segments = jpeg_segments(source);
  if (segments.empty()) return false;
  // The profile goes after the leading JFIF and EXIF segments, which must come first.
  std::size_t lead = 0;
  while (lead < segments.size() && (segments[lead].marker == 0xE0 || segments[lead].marker == 0xE1)) ++lead;
  const auto profile = icc_segments(metadata.icc_profile);

  std::vector<std::uint8_t> out(file.begin(), file.begin() + 2);
  bool jfif_written = false;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const Segment& segment = segments[i];
    if (i == lead) out.insert(out.end(), profile.begin(), profile.end());
    const bool jfif = segment.marker == 0xE0 && starts_with(source, segment, kJfif, sizeof(kJfif));
    const bool icc = segment.marker == 0xE2 && starts_with(source, segment, kIcc, sizeof(kIcc));
    if (icc && !metadata.icc_profile.empty()) continue;  // replaced
    out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(segment.start),
               file.begin() + static_cast<std::ptrdiff_t>(segment.end()));
    if (metadata.resolution && jfif && !jfif_written && segment.length >= 12) {
      // Its units and density are set in place.
      const std::size_t at = out.size() - segment.length;
      const auto fresh = jfif_segment(*metadata.resolution);
      std::copy(fresh.begin() + 11, fresh.begin() + 16, out.begin() + static_cast<std::ptrdiff_t>(at + 7));
      jfif_written = true;
    }
  }
  if (lead == segments.size()) out.insert(out.end(), profile.begin(), profile.end());
  out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(segments.back().end()), file.end());
  if (metadata.resolution && !jfif_written) {
    const auto fresh = jfif_segment(*metadata.resolution);
    out.insert(out.begin() + 2, fresh.begin(), fresh.end());
  }
  file = std::move(out);
  return true;
}

// ---- PNG ----

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct Chunk {
  std::uint64_t start = 0;  // the length field
  std::uint32_t length = 0;
  char type[5] = {};
  [[nodiscard]] std::uint64_t data() const { return start + 8; }
  [[nodiscard]] std::uint64_t end() const { return start + 12 + length; }
  [[nodiscard]] bool is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
};

bool is_png(ByteSource& source) {
  std::uint8_t head[8];
  return source.read(0, head, 8) && std::memcmp(head, kPngSignature, 8) == 0;
}

// The chunks up to the first image data chunk (which is included).
std::vector<Chunk> png_chunks(ByteSource& source) {
  std::vector<Chunk> chunks;
  std::uint64_t pos = 8;
  while (chunks.size() < 100000) {
    Chunk chunk;
    chunk.start = pos;
    const auto length = source.u32(pos, true);
    if (!length || *length > 0x7FFFFFFFu || !source.read(pos + 4, chunk.type, 4)) break;
    chunk.length = *length;
    if (chunk.end() > source.size()) break;
    chunks.push_back(chunk);
    if (chunk.is("IDAT") || chunk.is("IEND")) break;
    pos = chunk.end();
  }
  return chunks;
}

PrintMetadata read_png(ByteSource& source) {
  PrintMetadata metadata;
  for (const auto& chunk : png_chunks(source)) {
    if (chunk.is("pHYs") && chunk.length >= 9) {
      const auto x = source.u32(chunk.data(), true), y = source.u32(chunk.data() + 4, true);
      const auto unit = source.u8(chunk.data() + 8);
      if (x && y && unit && *unit == 1) metadata.resolution = usable(*x * kMetresPerInch, *y * kMetresPerInch);
    } else if (chunk.is("iCCP") && chunk.length >= 3 && chunk.length <= kMaxIccProfileBytes) {
      std::vector<std::uint8_t> body(chunk.length);
      if (!source.read(chunk.data(), body.data(), body.size())) continue;
      // A name of 1 to 79 bytes, its terminator, compression method 0, then the zlib stream.
      const auto name_end = std::find(body.begin(), body.begin() + std::min<std::size_t>(body.size(), 80), 0);
      const std::size_t name_length = static_cast<std::size_t>(name_end - body.begin());
      if (name_length == 0 || name_length >= 80 || name_length + 2 > body.size() || body[name_length + 1] != 0) continue;
      const std::size_t at = name_length + 2;
      if (auto profile = zlib_inflate(body.data() + at, body.size() - at, kMaxIccProfileBytes)) {
        metadata.icc_profile = std::move(*profile);
      }
    }
  }
  return metadata;
}

void append_chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  append32be(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t type_at = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  append32be(out, crc32(out.data() + type_at, out.size() - type_at));
}

bool write_png(std::vector<std::uint8_t>& file, const PrintMetadata& metadata) {
  MemorySource source(file);
  const auto chunks = png_chunks(source);
  if (chunks.empty() || !chunks.front().is("IHDR") || !(chunks.back().is("IDAT") || chunks.back().is("IEND"))) {
    return false;
  }
  std::vector<std::uint8_t> out(file.begin(), file.begin() + 8);
  for (const auto& chunk : chunks) {
    // What is replaced goes; an sRGB chunk would contradict a profile.
    const bool replaced = (metadata.resolution && chunk.is("pHYs")) ||
                          (!metadata.icc_profile.empty() && (chunk.is("iCCP") || chunk.is("sRGB")));
    if (!replaced) {
      out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(chunk.start),
                 file.begin() + static_cast<std::ptrdiff_t>(chunk.end()));
    }
    if (!chunk.is("IHDR")) continue;
    // Both must come before the palette and the image data.
    if (!metadata.icc_profile.empty()) {
      static const char kName[] = "ICC profile";
      std::vector<std::uint8_t> body(kName, kName + sizeof(kName));  // with its terminator
      body.push_back(0);                                               // compression method
      const auto stream = zlib_store(metadata.icc_profile.data(), metadata.icc_profile.size());
      body.insert(body.end(), stream.begin(), stream.end());
      append_chunk(out, "iCCP", body);
    }
    if (metadata.resolution) {
      std::vector<std::uint8_t> body;
      append32be(body, to_u32(metadata.resolution->x / kMetresPerInch));
      append32be(body, to_u32(metadata.resolution->y / kMetresPerInch));
      body.push_back(1);  // per metre
      append_chunk(out, "pHYs", body);
    }
  }
  out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(chunks.back().end()), file.end());
  file = std::move(out);
  return true;
}

}  // namespace

PrintMetadata read_print_metadata(ByteSource& file) {
  if (is_jpeg(file)) return read_jpeg(file);
  if (is_png(file)) return read_png(file);
  return read_tiff(file, true);
}

PrintMetadata read_file_print_metadata(const std::wstring& path) {
  FileStore file(std::filesystem::path(path), false);
  if (!file.is_open()) return {};
  return read_print_metadata(file);
}

bool print_metadata_carried(const PrintMetadata& want, const PrintMetadata& have) {
  if (!want.icc_profile.empty() && want.icc_profile != have.icc_profile) return false;
  if (want.resolution) {
    if (!have.resolution) return false;
    if (std::fabs(want.resolution->x - have.resolution->x) > 0.5 ||
        std::fabs(want.resolution->y - have.resolution->y) > 0.5) {
      return false;
    }
  }
  return true;
}

bool write_print_metadata(std::vector<std::uint8_t>& file, const PrintMetadata& metadata) {
  MemorySource source(file);
  if (is_jpeg(source)) return write_jpeg(file, metadata);
  if (is_png(source)) return write_png(file, metadata);
  return write_tiff(file, metadata);
}

bool write_file_print_metadata(const std::wstring& path, const PrintMetadata& metadata) {
  const std::filesystem::path file_path(path);
  std::vector<std::uint8_t> bytes;
  {
    std::ifstream in(file_path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (!write_print_metadata(bytes, metadata)) return false;
  std::ofstream out(file_path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace orvane::engine
