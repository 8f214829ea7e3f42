// ANSI text of profile files in code page 1252, the machine's default ANSI code page. The five bytes
// that the code page leaves unassigned map to the control characters of the same value, so that a file
// read and written back keeps every byte.
#include "ansi.h"

namespace kvp::ini {
namespace {

constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int ByteOf(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return 0x80 + i;
  return -1;
}

}  // namespace

std::u16string AnsiDecode(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) out.push_back(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
  return out;
}

bool AnsiEncode(std::u16string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (char16_t c : text) {
    int b = ByteOf(c);
    if (b < 0) return false;
    out.push_back(static_cast<char>(b));
  }
  return true;
}

}  // namespace kvp::ini
