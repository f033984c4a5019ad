#pragma once

// The zlib stream format (RFC 1950/1951) as far as image metadata needs it: a bounds-checked
// inflater for reading compressed chunks, and stored (uncompressed) blocks for writing them.
// Platform-free byte work.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace orvane::engine {

// Decompresses a whole zlib stream, checking its Adler-32. Nothing when the stream is malformed,
// truncated or would decompress to more than `max_output` bytes.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> zlib_inflate(const std::uint8_t* data, std::size_t size,
                                                                    std::size_t max_output);

// A valid zlib stream holding `data` in stored blocks: every reader can inflate it.
[[nodiscard]] std::vector<std::uint8_t> zlib_store(const std::uint8_t* data, std::size_t size);

[[nodiscard]] std::uint32_t adler32(const std::uint8_t* data, std::size_t size) noexcept;
[[nodiscard]] std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) noexcept;

}  // namespace orvane::engine
