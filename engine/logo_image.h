#pragma once

// The logo of a mark: decoded once, upright, no larger than it can be drawn, and kept while its
// file stays unchanged, so that preview frames and the stamps of a batch do not decode it again.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvane::engine {

// The longest side a logo is kept at; a larger picture is shrunk to it once, when it is read.
constexpr std::uint32_t max_logo_side = 4096;

// A logo's pixels: premultiplied ARGB, rows from top to bottom, upright.
struct LogoPixels {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint32_t> pargb;
};

// True when the file at `path` can be stamped as a logo; otherwise `error` names the file and,
// when there is one, the reason. Works with or without a GDI+ session of the caller's.
[[nodiscard]] bool check_logo(const std::wstring& path, std::wstring& error);

// The logo at `path`, read through the cache. Needs a GDI+ session. Null with `error` set (as by
// check_logo) when the file cannot be used.
[[nodiscard]] std::shared_ptr<const LogoPixels> load_logo(const std::wstring& path, std::wstring& error);

// The logo for drawing at about `width` x `height` pixels: shrunk to that by area averaging, or
// enlarged to it pixel by pixel when smaller; the kept logo itself when it is up to twice that
// size. The last such copy of each logo is kept too.
[[nodiscard]] std::shared_ptr<const LogoPixels> logo_for_size(const std::wstring& path, std::uint32_t width,
                                                              std::uint32_t height, std::wstring& error);

}  // namespace orvane::engine
