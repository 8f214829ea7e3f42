// A decoder of the glyph compression, written from the token format alone, so that tests can restore a
// glyph bitmap from the bytes a record carries.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace grtest {

// Restores `length` bitmap bytes from `in`; none when the tokens are malformed or overrun the length.
inline std::optional<std::vector<uint8_t>> UnpackGlyph(const uint8_t* in, size_t inLength, size_t length) {
  std::vector<uint8_t> out;
  size_t pos = 0;
  auto extended = [&](size_t base, size_t* value) {
    *value = base;
    while (true) {
      if (pos >= inLength) return false;
      uint8_t b = in[pos++];
      *value += b;
      if (b != 255) return true;
    }
  };
  while (pos < inLength) {
    uint8_t h = in[pos++];
    bool run = h & 0x80;
    size_t zeros = (h >> 3) & 15, count = (h & 7) + 1;
    if (zeros == 15 && !extended(15, &zeros)) return std::nullopt;
    if ((h & 7) == 7 && !extended(8, &count)) return std::nullopt;
    out.insert(out.end(), zeros, 0);
    if (run) {
      if (pos >= inLength) return std::nullopt;
      out.insert(out.end(), count + 1, in[pos++]);
    } else {
      if (pos + count > inLength) return std::nullopt;
      out.insert(out.end(), in + pos, in + pos + count);
      pos += count;
    }
    if (out.size() > length) return std::nullopt;
  }
  out.resize(length, 0);
  return out;
}

}  // namespace grtest
