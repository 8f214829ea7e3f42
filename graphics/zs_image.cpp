// Image records (opcode 32): the header, the palette and the rows, reserved as a whole, in pieces of at most
// 1 MiB or row by row, with the host's grey conversion for monochrome jobs. An image that cannot be
// completed is withdrawn from the buffer.
#include <cstring>

#include "gr_pdev.h"
#include "zs_stream.h"

namespace {

enum class Split { Pieces, Whole, ByRows };

struct ImageArgs {
  LONG x, y, width, height, srcX, srcY;
  DWORD srcWidth, rows, format;
  const BYTE* bits;
  const BYTE* palette;
  BOOL bottomUp;
};

DWORD BitsPerPixel(DWORD depthCode) {
  switch (depthCode) {
    case 0: return 1;
    case 1: return 4;
    case 2: return 8;
    default: return 24;
  }
}

DWORD PaletteBytes(DWORD bpp) { return bpp == 1 ? 6 : bpp == 4 ? 48 : bpp == 8 ? 768 : 0; }

uint64_t RowBytes(DWORD width, DWORD bpp) { return (uint64_t(width) * bpp + 31) / 32 * 4; }

// The layout of one record and the way its rows are produced.
struct Layout {
  DWORD srcRowBytes;  // a row of the caller's bits
  DWORD rowBytes;     // a row of the record
  DWORD palBytes;
  DWORD headBytes;    // the header reservation: header and palette, rounded up to 4
  DWORD shift;        // bytes of the first row that sit in the header reservation (0 or 2)
  DWORD length;
  bool grey;
  BYTE format[3];     // bytes 1 to 3 of the record
};

bool Plan(const GR_PDEV* pdev, const ImageArgs& a, Split split, Layout* l) {
  DWORD depthCode = split == Split::ByRows ? (a.format & 0x7F) : (a.format & 0x0F);
  DWORD bpp = BitsPerPixel(depthCode);
  l->grey = split != Split::ByRows && a.format == 4 && pdev &&
            (!pdev->colorMachine || pdev->colorMode == DMCOLOR_MONOCHROME);
  bool withPalette = a.palette && !l->grey && PaletteBytes(bpp) != 0;
  l->palBytes = withPalette ? PaletteBytes(bpp) : 0;
  uint64_t src = RowBytes(a.srcWidth, bpp);
  uint64_t row = l->grey ? RowBytes(a.srcWidth, 8) : src;
  uint64_t total = 56 + uint64_t(l->palBytes) + row * a.rows;
  total = (total + 3) & ~uint64_t(3);
  if (!a.bits || !a.srcWidth || total > 0x7FFFFFF0u) return false;
  l->srcRowBytes = DWORD(src);
  l->rowBytes = DWORD(row);
  l->length = DWORD(total);
  l->headBytes = (56 + l->palBytes + 3) & ~3u;
  l->shift = l->headBytes - (56 + l->palBytes);
  BYTE low = BYTE(a.format) | (withPalette ? 0 : 0x20);
  if (l->grey) low = BYTE(((low | 0x10) & 0xF0) | 0x02);
  BYTE mid = BYTE(a.format >> 8);
  if (split != Split::ByRows && pdev && pdev->rasterMode) mid |= 0x04;
  l->format[0] = BYTE(a.format >> 16);
  l->format[1] = low;
  l->format[2] = mid;
  return true;
}

void FillHeader(BYTE* p, const ImageArgs& a, const Layout& l) {
  ZARN_IMAGE_HEADER h{};
  h.opcode = ZS_OP_IMAGE;
  h.formatHigh = l.format[0];
  h.formatLow = l.format[1];
  h.formatMid = l.format[2];
  h.length = l.length;
  h.dest[0] = a.x;
  h.dest[1] = a.y;
  h.dest[2] = a.x + a.width;
  h.dest[3] = a.y + a.height;
  h.srcX = a.srcX;
  h.srcY = a.srcY;
  h.srcWidth = a.srcWidth;
  h.rows = a.rows;
  h.destX = a.x;
  h.destY = a.y;
  h.destWidth = a.width;
  h.destHeight = a.height;
  std::memcpy(p, &h, sizeof h);
  if (l.palBytes) std::memcpy(p + sizeof h, a.palette, l.palBytes);
}

// Writes bytes [from, from + count) of record row r (count <= rowBytes - from) to out.
void RowPart(const ImageArgs& a, const Layout& l, DWORD r, DWORD from, DWORD count, BYTE* out) {
  DWORD srcRow = a.bottomUp ? a.rows - 1 - r : r;
  const BYTE* src = a.bits + size_t(srcRow) * l.srcRowBytes;
  if (!l.grey) {
    std::memcpy(out, src + from, count);
    return;
  }
  for (DWORD i = 0; i < count; ++i) {
    DWORD px = from + i;
    if (px >= a.srcWidth) {
      out[i] = 0;
      continue;
    }
    const BYTE* bgr = src + size_t(px) * 3;
    out[i] = BYTE((bgr[2] * 306u + bgr[1] * 601u + bgr[0] * 117u) >> 10);
  }
}

// Fills one row reservation: the rest of row r after the shift, then the shift's bytes of row r + 1 (zeros
// after the last row).
void FillRow(const ImageArgs& a, const Layout& l, DWORD r, BYTE* out) {
  RowPart(a, l, r, l.shift, l.rowBytes - l.shift, out);
  if (!l.shift) return;
  BYTE* tail = out + l.rowBytes - l.shift;
  if (r + 1 < a.rows)
    RowPart(a, l, r + 1, 0, l.shift, tail);
  else
    std::memset(tail, 0, l.shift);
}

BYTE* PutImage(ZARN_STREAM* s, const ImageArgs& a, Split split) {
  Layout l{};
  if (!Plan(s->owner, a, split, &l)) return nullptr;
  if (l.rowBytes < l.shift) return nullptr;
  ZS_MARK mark = ZsMark(s);
  BYTE* head = ZsReserve(s, split == Split::Whole ? l.length : l.headBytes);
  if (!head) return nullptr;
  std::memset(head + 56, 0, l.headBytes - 56);
  FillHeader(head, a, l);
  if (l.shift && a.rows) RowPart(a, l, 0, 0, l.shift, head + l.headBytes - l.shift);
  if (split == Split::Whole) {
    BYTE* out = head + l.headBytes;
    for (DWORD r = 0; r < a.rows; ++r, out += l.rowBytes) FillRow(a, l, r, out);
    // Without rows a shifted record ends in the header reservation: its padding is already zero.
    return head;
  }
  DWORD perPiece = split == Split::ByRows ? 1 : (l.rowBytes > ZS_IMAGE_PIECE ? 1 : ZS_IMAGE_PIECE / l.rowBytes);
  if (!perPiece) perPiece = 1;
  for (DWORD r = 0; r < a.rows;) {
    DWORD n = a.rows - r < perPiece ? a.rows - r : perPiece;
    bool headIsCurrent = s->flushes == mark.flushes;
    BYTE* out = ZsReserve(s, n * l.rowBytes);
    if (!out) {
      ZsWithdraw(s, mark);
      return nullptr;
    }
    if (!headIsCurrent || s->flushes != mark.flushes) head = nullptr;  // the header went out already
    for (DWORD i = 0; i < n; ++i, out += l.rowBytes) FillRow(a, l, r + i, out);
    r += n;
  }
  // A record whose start was flushed is complete all the same; its header is no longer in the buffer.
  return head ? head : const_cast<BYTE*>(&ZS_RECORD_SENT);
}

ImageArgs Args(LONG x, LONG y, LONG width, LONG height, LONG srcX, LONG srcY, DWORD srcWidth, DWORD rows, DWORD format,
               const BYTE* bits, const BYTE* palette, BOOL bottomUp) {
  return ImageArgs{x, y, width, height, srcX, srcY, srcWidth, rows, format, bits, palette, bottomUp};
}

}  // namespace

const BYTE ZS_RECORD_SENT = ZS_OP_IMAGE;

BYTE* ZsPutImage(ZARN_STREAM* s, LONG x, LONG y, LONG width, LONG height, LONG srcX, LONG srcY, DWORD srcWidth,
                 DWORD rows, DWORD format, const BYTE* bits, const BYTE* palette, BOOL bottomUp) {
  const GR_PDEV* p = s->owner;
  if (p && (p->printMethod == 5 || p->printMethod == 7 || p->apiUse || p->previewPrint))
    return ZsPutImageWhole(s, x, y, width, height, srcX, srcY, srcWidth, rows, format, bits, palette, bottomUp);
  return PutImage(s, Args(x, y, width, height, srcX, srcY, srcWidth, rows, format, bits, palette, bottomUp),
                  Split::Pieces);
}

BYTE* ZsPutImageWhole(ZARN_STREAM* s, LONG x, LONG y, LONG width, LONG height, LONG srcX, LONG srcY,
                      DWORD srcWidth, DWORD rows, DWORD format, const BYTE* bits, const BYTE* palette, BOOL bottomUp) {
  return PutImage(s, Args(x, y, width, height, srcX, srcY, srcWidth, rows, format, bits, palette, bottomUp),
                  Split::Whole);
}

BYTE* ZsPutImageByRows(ZARN_STREAM* s, LONG x, LONG y, LONG width, LONG height, LONG srcX, LONG srcY,
                       DWORD srcWidth, DWORD rows, DWORD format, const BYTE* bits, const BYTE* palette,
                       BOOL bottomUp) {
  return PutImage(s, Args(x, y, width, height, srcX, srcY, srcWidth, rows, format, bits, palette, bottomUp),
                  Split::ByRows);
}
