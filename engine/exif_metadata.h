#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::engine {

// TIFF field types as they appear in EXIF and GDI+ property items.
inline constexpr std::uint16_t kTiffTypeShort = 3;
inline constexpr std::uint16_t kTiffTypeLong = 4;
inline constexpr std::uint16_t kTiffTypeRational = 5;

inline constexpr std::uint16_t kOrientationTag = 0x0112;
inline constexpr std::uint16_t kJpegQualityTag = 0x5010;

// The orientation 1..8 of an item: SHORT with at least 2 value bytes or LONG with at least 4,
// read from the first 16 bits little-endian; anything else is no orientation.
[[nodiscard]] std::optional<std::uint16_t> orientation_from_item(std::uint16_t type, std::size_t length,
                                                                 const void* value) noexcept;

// The JPEG quality recorded in a source's quality item, read unsigned and clamped to 1..100;
// a zero value, a zero denominator or another type gives nothing.
[[nodiscard]] std::optional<std::int32_t> jpeg_quality_from_item(std::uint16_t type, std::size_t length,
                                                                 const void* value) noexcept;

// Reads the orientation tag from the file's own metadata: the first IFD of a JPEG's APP1
// "Exif" block or of a TIFF file. Bounds-checked throughout; malformed data gives nothing.
[[nodiscard]] std::optional<std::uint16_t> read_file_orientation(const std::wstring& path);
[[nodiscard]] std::optional<std::uint16_t> read_orientation_from_bytes(const std::vector<std::uint8_t>& file);

// What a photo's EXIF block says about its taking, for the watermark text's tokens.
struct ExifFacts {
  std::string date_time_original;  // DateTimeOriginal as written, "YYYY:MM:DD HH:MM:SS"; empty when absent
  std::string model;               // the camera's Model as written, without its trailing NULs
};

// Reads the facts from a JPEG's first "Exif" block or a TIFF file's first IFD and its EXIF IFD.
// Bounds-checked throughout; what is missing or malformed stays empty.
[[nodiscard]] ExifFacts read_file_exif_facts(const std::wstring& path);
[[nodiscard]] ExifFacts read_exif_facts_from_bytes(const std::vector<std::uint8_t>& file);

// The JPEG thumbnail a camera embeds in a JPEG's first "Exif" block (its second IFD, through
// JPEGInterchangeFormat and JPEGInterchangeFormatLength), as its own bytes from SOI on. Empty when
// there is none, or when any offset or length leads outside the block.
[[nodiscard]] std::vector<std::uint8_t> read_file_exif_thumbnail(const std::wstring& path);
[[nodiscard]] std::vector<std::uint8_t> read_exif_thumbnail_from_bytes(const std::vector<std::uint8_t>& file);

// Writes the orientation tag into a JPEG (a minimal APP1 "Exif" segment, or the tag added to
// the one present) or a TIFF file (its first IFD). False when the file is neither or malformed.
[[nodiscard]] bool write_file_orientation(const std::wstring& path, std::uint16_t orientation);
[[nodiscard]] bool write_orientation_to_bytes(std::vector<std::uint8_t>& file, std::uint16_t orientation);

}  // namespace orvane::engine
