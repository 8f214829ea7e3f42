// The token compression of glyph bitmaps: runs of zero bytes folded into the token headers, repeated bytes
// as runs, everything else as literals.
#include "gr_text.h"

namespace {

// The output side: every byte is checked against the limit before it is written.
struct PackOut {
  BYTE* out;
  DWORD limit;
  DWORD used = 0;
  bool Put(BYTE b) {
    if (used >= limit) return false;
    out[used++] = b;
    return true;
  }
  // A count above the header's field: bytes of 255 while at least 255 is left, then the rest.
  bool Extend(DWORD rest) {
    for (; rest >= 255; rest -= 255)
      if (!Put(255)) return false;
    return Put(BYTE(rest));
  }
};

// Where a literal that starts at `at` stops: the end, a zero byte, a group of four equal bytes, or three
// equal bytes followed by a zero byte.
DWORD LiteralEnd(const BYTE* in, DWORD length, DWORD at) {
  DWORD i = at + 1;
  for (; i < length && in[i]; ++i) {
    if (i + 2 < length && in[i] == in[i + 1] && in[i] == in[i + 2]) {
      if (i + 3 < length && (in[i + 3] == in[i] || in[i + 3] == 0)) break;
    }
  }
  return i;
}

}  // namespace

LONG GrPackGlyph(const BYTE* in, DWORD length, BYTE* out, DWORD limit) {
  if ((!in && length) || (!out && limit)) return -1;
  PackOut o{out, limit};
  DWORD pos = 0;
  while (true) {
    DWORD zeros = 0;
    while (pos < length && in[pos] == 0) ++pos, ++zeros;
    if (pos >= length) break;
    BYTE b = in[pos];
    DWORD same = 0;
    while (pos + 1 + same < length && in[pos + 1 + same] == b) ++same;
    bool run = same >= 2;
    DWORD count = run ? same : LiteralEnd(in, length, pos) - pos;
    BYTE header = BYTE((run ? 0x80 : 0) | ((zeros >= 15 ? 15 : zeros) << 3) | (count >= 8 ? 7 : count - 1));
    if (!o.Put(header)) return -1;
    if (zeros >= 15 && !o.Extend(zeros - 15)) return -1;
    if (count >= 8 && !o.Extend(count - 8)) return -1;
    if (run) {
      if (!o.Put(b)) return -1;
      pos += count + 1;
    } else {
      if (o.used + count > o.limit) return -1;
      for (DWORD i = 0; i < count; ++i) o.out[o.used++] = in[pos + i];
      pos += count;
    }
  }
  return LONG(o.used);
}

DWORD GrTryPackGlyph(GR_PDEV*, const BYTE* bits, BYTE* out, DWORD outSize, DWORD rows, DWORD rowBytes) {
  unsigned long long length = static_cast<unsigned long long>(rows) * rowBytes;
  if (length > 0x7FFFFFFFu) return 0;
  LONG n = GrPackGlyph(bits, DWORD(length), out, outSize);
  return n > 0 ? DWORD(n) : 0;
}
