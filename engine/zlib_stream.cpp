#include "zlib_stream.h"

#include <algorithm>
#include <array>

namespace orvane::engine {
namespace {

constexpr int kMaxBits = 15;

// Reads the bit stream least significant bit first; every read past the end fails the stream.
class BitReader {
 public:
  BitReader(const std::uint8_t* data, std::size_t size) noexcept : data_(data), size_(size) {}

  bool bits(int count, std::uint32_t& value) noexcept {
    value = 0;
    for (int i = 0; i < count; ++i) {
      if (position_ >= size_) return false;
      value |= static_cast<std::uint32_t>((data_[position_] >> bit_) & 1u) << i;
      if (++bit_ == 8) {
        bit_ = 0;
        ++position_;
      }
    }
    return true;
  }
  void align() noexcept {
    if (bit_ != 0) {
      bit_ = 0;
      ++position_;
    }
  }
  bool bytes(std::size_t count, const std::uint8_t*& out) noexcept {
    if (position_ > size_ || count > size_ - position_) return false;
    out = data_ + position_;
    position_ += count;
    return true;
  }
  [[nodiscard]] std::size_t position() const noexcept { return position_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  int bit_ = 0;
};

// A canonical Huffman code: how many codes of each length, and the symbols in code order.
struct Huffman {
  std::array<std::uint16_t, kMaxBits + 1> counts{};
  std::array<std::uint16_t, 320> symbols{};
};

// Builds a code from symbol lengths; false when the lengths over-subscribe the code space.
bool build(Huffman& code, const std::uint8_t* lengths, int symbol_count) {
  code.counts.fill(0);
  for (int s = 0; s < symbol_count; ++s) ++code.counts[lengths[s]];
  if (code.counts[0] == symbol_count) return true;  // no codes: only valid if never used
  int left = 1;
  for (int length = 1; length <= kMaxBits; ++length) {
    left = left * 2 - code.counts[length];
    if (left < 0) return false;
  }
  std::array<std::uint16_t, kMaxBits + 1> offsets{};
  for (int length = 1; length < kMaxBits; ++length) offsets[length + 1] = offsets[length] + code.counts[length];
  for (int s = 0; s < symbol_count; ++s) {
    if (lengths[s] != 0) code.symbols[offsets[lengths[s]]++] = static_cast<std::uint16_t>(s);
  }
  return true;
}

bool decode(BitReader& in, const Huffman& code, int& symbol) {
  int value = 0, first = 0, index = 0;
  for (int length = 1; length <= kMaxBits; ++length) {
    std::uint32_t bit = 0;
    if (!in.bits(1, bit)) return false;
    value |= static_cast<int>(bit);
    const int count = code.counts[length];
    if (value - first < count) {
      symbol = code.symbols[index + value - first];
      return true;
    }
    index += count;
    first = (first + count) << 1;
    value <<= 1;
  }
  return false;
}

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                             33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                             1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool inflate_codes(BitReader& in, const Huffman& lengths, const Huffman& distances, std::vector<std::uint8_t>& out,
                   std::size_t max_output) {
  for (;;) {
    int symbol = 0;
    if (!decode(in, lengths, symbol)) return false;
    if (symbol < 256) {
      if (out.size() >= max_output) return false;
      out.push_back(static_cast<std::uint8_t>(symbol));
      continue;
    }
    if (symbol == 256) return true;
    symbol -= 257;
    if (symbol >= 29) return false;
    std::uint32_t extra = 0;
    if (!in.bits(kLengthExtra[symbol], extra)) return false;
    const std::size_t length = kLengthBase[symbol] + extra;
    if (!decode(in, distances, symbol) || symbol >= 30) return false;
    if (!in.bits(kDistanceExtra[symbol], extra)) return false;
    const std::size_t distance = kDistanceBase[symbol] + extra;
    if (distance > out.size() || length > max_output - out.size()) return false;
    for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
  }
}

bool fixed_codes(Huffman& lengths, Huffman& distances) {
  std::uint8_t bits[288];
  int s = 0;
  for (; s < 144; ++s) bits[s] = 8;
  for (; s < 256; ++s) bits[s] = 9;
  for (; s < 280; ++s) bits[s] = 7;
  for (; s < 288; ++s) bits[s] = 8;
  if (!build(lengths, bits, 288)) return false;
  for (s = 0; s < 30; ++s) bits[s] = 5;
  return build(distances, bits, 30);
}

bool dynamic_codes(BitReader& in, Huffman& lengths, Huffman& distances) {
  static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  std::uint32_t hlit = 0, hdist = 0, hclen = 0;
  if (!in.bits(5, hlit) || !in.bits(5, hdist) || !in.bits(4, hclen)) return false;
  const int literal_count = static_cast<int>(hlit) + 257, distance_count = static_cast<int>(hdist) + 1;
  if (literal_count > 286 || distance_count > 30) return false;
  std::uint8_t bits[320] = {};
  for (std::uint32_t i = 0; i < hclen + 4; ++i) {
    std::uint32_t v = 0;
    if (!in.bits(3, v)) return false;
    bits[kOrder[i]] = static_cast<std::uint8_t>(v);
  }
  Huffman code_lengths;
  if (!build(code_lengths, bits, 19)) return false;
  int index = 0;
  while (index < literal_count + distance_count) {
    int symbol = 0;
    if (!decode(in, code_lengths, symbol)) return false;
    if (symbol < 16) {
      bits[index++] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    std::uint8_t repeated = 0;
    std::uint32_t times = 0;
    if (symbol == 16) {
      if (index == 0 || !in.bits(2, times)) return false;
      repeated = bits[index - 1];
      times += 3;
    } else if (symbol == 17) {
      if (!in.bits(3, times)) return false;
      times += 3;
    } else {
      if (!in.bits(7, times)) return false;
      times += 11;
    }
    if (index + static_cast<int>(times) > literal_count + distance_count) return false;
    while (times-- > 0) bits[index++] = repeated;
  }
  if (bits[256] == 0) return false;  // no end-of-block code
  return build(lengths, bits, literal_count) && build(distances, bits + literal_count, distance_count);
}

}  // namespace

std::uint32_t adler32(const std::uint8_t* data, std::size_t size) noexcept {
  std::uint32_t a = 1, b = 0;
  for (std::size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521u;
    b = (b + a) % 65521u;
  }
  return (b << 16) | a;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) noexcept {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::optional<std::vector<std::uint8_t>> zlib_inflate(const std::uint8_t* data, std::size_t size,
                                                      std::size_t max_output) {
  if (data == nullptr || size < 6) return std::nullopt;
  // Header: deflate with a window of at most 32 KiB, no preset dictionary, a valid check.
  if ((data[0] & 0x0F) != 8 || (data[0] >> 4) > 7 || (data[1] & 0x20) != 0 || ((data[0] << 8) | data[1]) % 31 != 0) {
    return std::nullopt;
  }
  BitReader in(data + 2, size - 2);
  std::vector<std::uint8_t> out;
  std::uint32_t last = 0;
  do {
    std::uint32_t type = 0;
    if (!in.bits(1, last) || !in.bits(2, type)) return std::nullopt;
    if (type == 0) {
      in.align();
      const std::uint8_t* header = nullptr;
      if (!in.bytes(4, header)) return std::nullopt;
      const std::size_t length = header[0] | (header[1] << 8);
      if ((length ^ 0xFFFFu) != static_cast<std::size_t>(header[2] | (header[3] << 8))) return std::nullopt;
      const std::uint8_t* stored = nullptr;
      if (!in.bytes(length, stored) || length > max_output - out.size()) return std::nullopt;
      out.insert(out.end(), stored, stored + length);
    } else if (type == 1 || type == 2) {
      Huffman lengths, distances;
      if (!(type == 1 ? fixed_codes(lengths, distances) : dynamic_codes(in, lengths, distances))) return std::nullopt;
      if (!inflate_codes(in, lengths, distances, out, max_output)) return std::nullopt;
    } else {
      return std::nullopt;
    }
  } while (last == 0);
  in.align();
  const std::uint8_t* check = nullptr;
  if (!in.bytes(4, check)) return std::nullopt;
  const std::uint32_t expected = (std::uint32_t{check[0]} << 24) | (std::uint32_t{check[1]} << 16) |
                                 (std::uint32_t{check[2]} << 8) | check[3];
  if (expected != adler32(out.data(), out.size())) return std::nullopt;
  return out;
}

std::vector<std::uint8_t> zlib_store(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> out = {0x78, 0x01};
  std::size_t done = 0;
  do {
    const std::size_t length = std::min<std::size_t>(size - done, 0xFFFF);
    const bool last = done + length == size;
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<std::uint8_t>(length));
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(~length));
    out.push_back(static_cast<std::uint8_t>(~length >> 8));
    if (length > 0) out.insert(out.end(), data + done, data + done + length);
    done += length;
  } while (done < size);
  const std::uint32_t check = adler32(data, size);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(check >> shift));
  return out;
}

}  // namespace orvane::engine
