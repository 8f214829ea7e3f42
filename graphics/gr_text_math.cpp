// The text arithmetic: angles from a font's transform, sine and cosine from the tables, integer lengths,
// and the conversion of wide text into the printer's bytes.
#include <cmath>
#include <cstdlib>

#include "gr_text.h"
#include "kvplat/window.h"

SHORT GrAtanSearch(SHORT low, SHORT high, SHORT v) {
  // Narrow the range by quarters until one index is left; the bounds stay within the table.
  int lo = low, hi = high;
  while (std::abs(hi - lo) >= 2) {
    int q3 = (lo + 3 * hi) >> 2, m = (lo + hi) >> 1, q1 = (3 * lo + hi) >> 2;
    if (v > GR_TANGENT_TABLE[q3]) lo = q3;
    else if (v > GR_TANGENT_TABLE[m]) lo = m, hi = q3;
    else if (v > GR_TANGENT_TABLE[q1]) lo = q1, hi = m;
    else hi = q1;
  }
  return SHORT(lo);
}

SHORT GrVectorAngle(SHORT x, SHORT y) {
  if (y == 0) return x < 0 ? 180 : 0;
  if (x == 0) return y < 0 ? -90 : 90;
  int b, p, q;
  if (y > 0 && x > 0) b = 0, p = x, q = y;
  else if (y > 0) b = 90, p = y, q = -x;
  else if (x > 0) b = -90, p = -y, q = x;
  else b = -180, p = -x, q = -y;
  if (p == q) return SHORT(b + 45);
  // Scale both up to the full 16-bit range before the division (p and q may be 32768 for -32768).
  int k = std::min(32767 / p, 32767 / q);
  if (k > 1) p *= k, q *= k;
  int m = std::max(p, q), n = std::min(p, q);
  int t = GrAtanSearch(0, 450, SHORT(MulDiv(n, 32767, m)));
  return SHORT(b + ((p >= q ? t : 900 - t) + 5) / 10);
}

LONG GrSinQ14(LONG degrees) {
  LONG n = degrees / 90, r = degrees % 90;
  LONG v = (n & 1) ? GR_SINE_TABLE[90 - r] : GR_SINE_TABLE[r];
  return (n & 2) ? -v : v;
}

LONG GrCosQ14(LONG degrees) { return GrSinQ14(degrees + 90); }

LONG GrHypot(LONG a, LONG b) {
  long long x = std::llabs(a), y = std::llabs(b);
  if (x == 0) return LONG(y);
  if (y == 0) return LONG(x);
  long long target = x * x + y * y;
  long long r = std::max(x, y);
  long long guess = static_cast<long long>(std::sqrt(double(target)));
  if (guess > r) r = guess;
  while (r > std::max(x, y) && (r - 1) * (r - 1) >= target) --r;
  while (r * r < target) ++r;
  return r > 0x7FFFFFFF ? 0x7FFFFFFF : LONG(r);
}

LONG GrScaleFloat(float f, LONG n) {
  float v = f * float(n);
  if (!(v == v)) return 0;
  if (v >= 2147483647.0f) return 0x7FFFFFFF;
  if (v <= -2147483648.0f) return LONG(-0x7FFFFFFF - 1);
  return LONG(v);
}

int GrUnicodeToPrinterText(BYTE* out, const WCHAR* text, DWORD bytes, DWORD) {
  if (!out || !text) return 0;
  int written = 0;
  for (DWORD i = 0; i < bytes / sizeof(WCHAR); ++i) {
    WCHAR c = text[i];
    if (c <= 0x80) {
      out[written++] = BYTE(c);
      continue;
    }
    ULONG n = 0;
    EngUnicodeToMultiByteN(reinterpret_cast<char*>(out + written), 2, &n, &c, sizeof c);
    written += int(n);
  }
  return written;
}

DWORD GrWideLength(const WCHAR* text) {
  DWORD n = 0;
  while (text && text[n]) ++n;
  return n;
}
