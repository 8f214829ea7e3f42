// ANSI text of profile files. Code page 1252, the default, goes through a table of its own in which
// the five bytes the code page leaves unassigned map to the control characters of the same value, so
// that a file read and written back keeps every byte. Other code pages go through the platform's
// converter, with a check that nothing was replaced.
#include "ansi.h"

#include "kvplat/codepage.h"
#include "kvplat/sysinfo.h"

namespace kvp::ini {
namespace {

constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int ByteOf1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return 0x80 + i;
  return -1;
}

bool Is1252() {
  UINT acp = GetACP();
  return acp == 1252 || acp == 0;
}

bool EncodeWith(UINT cp, std::u16string_view text, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return false;
  out.resize(static_cast<size_t>(n));
  BOOL lossy = FALSE;
  n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, &lossy);
  return n > 0 && !lossy;
}

}  // namespace

std::u16string AnsiDecode(std::string_view bytes, bool& exact) {
  std::u16string out;
  exact = true;
  if (Is1252()) {
    out.reserve(bytes.size());
    for (unsigned char b : bytes) out.push_back(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    return out;
  }
  if (bytes.empty()) return out;
  UINT cp = GetACP();
  int n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n > 0) {
    out.resize(static_cast<size_t>(n));
    n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  }
  if (n <= 0) {  // an unknown code page: read the bytes as Latin-1 and never write them back
    out.assign(bytes.begin(), bytes.end());
    exact = false;
    return out;
  }
  std::string again;
  exact = EncodeWith(cp, out, again) && again == bytes;
  return out;
}

bool AnsiEncode(std::u16string_view text, std::string& out) {
  if (!Is1252()) return EncodeWith(GetACP(), text, out);
  out.clear();
  out.reserve(text.size());
  for (char16_t c : text) {
    int b = ByteOf1252(c);
    if (b < 0) return false;
    out.push_back(static_cast<char>(b));
  }
  return true;
}

}  // namespace kvp::ini
