// Decoder of a ZARN print stream: every block and record with its fields, one per line, in a stable text
// form, or a summary of blocks, records and bytes per page. Every length is checked before it is used.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace zarn {

struct DecodeResult {
  bool ok = true;
  uint64_t errorOffset = 0;  // stream offset of the first malformed byte
  std::string error;         // what is wrong there
};

// Appends the dump (or with summary the counts) of `size` bytes to *out. On malformed input the text
// decoded so far stays, followed by an "error at offset N: ..." line, and the result says where.
DecodeResult Decode(const uint8_t* data, size_t size, bool summary, std::string* out);

}  // namespace zarn
