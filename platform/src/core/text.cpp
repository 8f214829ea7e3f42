// UTF-8 <-> UTF-16 for host-side names.
#include "kvplat/text.h"

namespace kvp {

std::string ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char b = s[i];
    uint32_t c;
    size_t n;
    if (b < 0x80) {
      c = b;
      n = 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      n = 2;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      n = 3;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      n = 4;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (i + n > s.size()) {
      out += u'\uFFFD';
      break;
    }
    bool ok = true;
    for (size_t k = 1; k < n; ++k) {
      unsigned char t = s[i + k];
      if ((t & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (t & 0x3F);
    }
    if (!ok || c > 0x10FFFF) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    i += n;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += char16_t(0xD800 + (c >> 10));
      out += char16_t(0xDC00 + (c & 0x3FF));
    } else {
      out += char16_t(c);
    }
  }
  return out;
}

}  // namespace kvp
