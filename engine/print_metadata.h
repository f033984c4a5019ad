#pragma once

// How a picture is meant to look and print: its embedded ICC colour profile and its resolution.
// Read from and written into JPEG, PNG and TIFF files by the engine itself, because not every
// platform's codecs carry them from a decoded source to an encoded copy. Platform-free byte work,
// bounds-checked throughout: malformed structures read as absent.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::engine {

class ByteSource;

// Pixels per inch, horizontally and vertically.
struct PrintResolution {
  double x = 0;
  double y = 0;
};

struct PrintMetadata {
  std::vector<std::uint8_t> icc_profile;  // empty: no profile
  std::optional<PrintResolution> resolution;
  [[nodiscard]] bool empty() const noexcept { return icc_profile.empty() && !resolution; }
};

// The largest profile read or written; real ones are far smaller.
inline constexpr std::size_t kMaxIccProfileBytes = std::size_t{16} << 20;

[[nodiscard]] PrintMetadata read_print_metadata(ByteSource& file);
[[nodiscard]] PrintMetadata read_file_print_metadata(const std::wstring& path);

// True when `have` already says what `want` says (resolutions to within half a pixel per inch).
[[nodiscard]] bool print_metadata_carried(const PrintMetadata& want, const PrintMetadata& have);

// Writes the profile and the resolution (each only when present) into a JPEG (JFIF density and
// APP2 "ICC_PROFILE" segments), a PNG (pHYs and iCCP chunks) or a TIFF (tags 282, 283, 296 and
// 34675), replacing what the file said before. False when the file is none of these or malformed.
[[nodiscard]] bool write_print_metadata(std::vector<std::uint8_t>& file, const PrintMetadata& metadata);
[[nodiscard]] bool write_file_print_metadata(const std::wstring& path, const PrintMetadata& metadata);

}  // namespace orvane::engine
