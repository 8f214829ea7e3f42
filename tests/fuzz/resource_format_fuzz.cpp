// Any bytes as a resource text used as a format: the first byte picks the capacity, the next bytes the
// inserts (two texts of up to 40 characters and up to ten numbers), the rest is the format text (UTF-16).
// Every result stays inside its destination and is terminated, and formatting the same input twice
// gives the same text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/resource_strings.h"
#include "kvplat/text.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "resource_format: %s\n", what);
    std::abort();
  }
}

constexpr WCHAR kGuard = u'#';

std::u16string Format(const std::u16string& format, int capacity, const CFG_FORMAT_INSERTS& args) {
  std::vector<WCHAR> out((size_t)capacity + 4, kGuard);
  int n = CfgFormatResourceText(out.data(), capacity, format.c_str(), &args);
  Check(n >= 0 && n < capacity, "length within the capacity");
  Check(out[(size_t)n] == 0, "terminated at its length");
  Check(kvp::WLen(out.data()) == (size_t)n, "no terminator before its length");
  for (size_t i = (size_t)capacity; i < out.size(); ++i) Check(out[i] == kGuard, "wrote past the capacity");
  return std::u16string(out.data(), (size_t)n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  int capacity = 1 + data[0] % 200;
  size_t textLen = data[1] % 41, numberCount = data[2] % 11;
  size_t pos = 3;
  std::u16string first, second;
  for (size_t i = 0; i < textLen && pos < size; ++i) first.push_back((WCHAR)(u'a' + data[pos++] % 26));
  for (size_t i = 0; i < textLen / 2 && pos < size; ++i) second.push_back((WCHAR)(0xD83D + (data[pos++] & 1)));
  LONG numbers[10] = {};
  for (size_t i = 0; i < numberCount && pos + 4 <= size; ++i, pos += 4) std::memcpy(&numbers[i], data + pos, 4);
  std::u16string format;
  for (; pos + 1 < size; pos += 2) {
    WCHAR c = (WCHAR)(data[pos] | (data[pos + 1] << 8));
    if (!c) c = u'%';
    format.push_back(c);
  }
  const WCHAR* texts[2] = {first.c_str(), second.c_str()};
  CFG_FORMAT_INSERTS args{texts, 2, numbers, (int)numberCount};
  std::u16string a = Format(format, capacity, args);
  Check(a == Format(format, capacity, args), "the same input gives the same text");

  // Appending keeps every earlier character and stays inside the capacity.
  std::vector<WCHAR> buf((size_t)capacity + 4, kGuard);
  CfgCopyText(buf.data(), capacity, a.c_str());
  int n = CfgAppendText(buf.data(), capacity, format.c_str());
  Check(n < capacity && buf[(size_t)n] == 0, "append within the capacity");
  Check(std::u16string(buf.data(), a.size()) == a, "append keeps the text before it");
  for (size_t i = (size_t)capacity; i < buf.size(); ++i) Check(buf[i] == kGuard, "append wrote past the capacity");
  return 0;
}
