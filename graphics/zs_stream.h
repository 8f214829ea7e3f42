// The ZARN stream of a device context: records built in place in a chunked buffer, framed in blocks when
// the buffer goes out, and the text blocks written directly to the bound output.
#pragma once
#include <cstddef>

#include "kvplat/types.h"

struct GR_PDEV;
struct GR_BRUSH;
struct GR_COLOR_BRUSH;
struct GR_FONT_DESC;
struct SETTING_CONTEXT;

constexpr DWORD ZS_CHUNK_BYTES = 10240;        // data bytes of the embedded chunk; later chunks are multiples
constexpr DWORD ZS_FLUSH_THRESHOLD = 0x100000;  // buffered bytes above which a new chunk flushes first
constexpr DWORD ZS_WRITE_PIECE = 4096;          // largest piece handed to the output's write function
constexpr DWORD ZS_IMAGE_PIECE = 0x100000;      // largest row piece of an image record

// Block types.
constexpr BYTE ZS_BLOCK_MARKER = 240;
constexpr BYTE ZS_BLOCK_PAGE_TRAILER = 241;
constexpr BYTE ZS_BLOCK_JOB_HEADER = 243;
constexpr BYTE ZS_BLOCK_PAGE_HEADER = 244;
constexpr BYTE ZS_BLOCK_RECORDS = 245;
constexpr BYTE ZS_BLOCK_DEVMODE = 247;

// Record opcodes.
enum : BYTE {
  ZS_OP_RECT = 16,
  ZS_OP_BEZIER_PATH = 17,
  ZS_OP_PATH = 18,
  ZS_OP_SPAN_FILL = 19,
  ZS_OP_IMAGE = 32,
  ZS_OP_COLOR_BRUSH = 48,
  ZS_OP_ROP = 49,
  ZS_OP_BACKGROUND = 50,
  ZS_OP_LINE_WIDTH = 51,
  ZS_OP_DASH_OFFSET = 52,
  ZS_OP_LINE_CAP = 53,
  ZS_OP_LINE_JOIN = 54,
  ZS_OP_CLIP_RESET = 55,
  ZS_OP_PATTERN_BRUSH = 64,
  ZS_OP_FONT_HEADER = 80,
  ZS_OP_CHAR = 81,
  ZS_OP_CHAR_STRING = 82,
  ZS_OP_GLYPH_KEPT = 83,
  ZS_OP_GLYPH_DEF = 84,
  ZS_OP_GLYPH_STRING = 85,
  ZS_OP_DOWNLOAD_FONT = 86,
  ZS_OP_GLYPH_ONCE = 87,
  ZS_OP_PAGE_START = 96,
  ZS_OP_PAGE_END = 97,
};

// Opens every unbuffered block.
struct ZARN_BLOCK_HEADER {
  BYTE type;
  BYTE reserved[3];
  DWORD length;  // bytes that follow the header
};
static_assert(sizeof(ZARN_BLOCK_HEADER) == 8);
static_assert(offsetof(ZARN_BLOCK_HEADER, length) == 4);

// The fixed head of an image record (opcode 32).
struct ZARN_IMAGE_HEADER {
  BYTE opcode;
  BYTE formatHigh;  // bits 16-23 of the format word
  BYTE formatLow;   // bits 0-7, plus 0x20 without palette
  BYTE formatMid;   // bits 8-15, plus 0x04 in raster mode
  DWORD length;
  LONG dest[4];     // x, y, x + width, y + height
  LONG srcX, srcY;
  DWORD srcWidth;
  DWORD rows;
  LONG destX, destY, destWidth, destHeight;
};
static_assert(sizeof(ZARN_IMAGE_HEADER) == 56);
static_assert(offsetof(ZARN_IMAGE_HEADER, length) == 4 && offsetof(ZARN_IMAGE_HEADER, dest) == 8);
static_assert(offsetof(ZARN_IMAGE_HEADER, srcX) == 24 && offsetof(ZARN_IMAGE_HEADER, srcWidth) == 32);
static_assert(offsetof(ZARN_IMAGE_HEADER, rows) == 36 && offsetof(ZARN_IMAGE_HEADER, destX) == 40);

// One buffer chunk; its data bytes follow the header in the same block.
struct ZARN_CHUNK {
  ZARN_CHUNK* next;
  BYTE* pos;  // write position
  BYTE* end;  // one past the last data byte
};

// The output's write entry: write(output handle, bytes, length, &written) -> BOOL.
typedef BOOL (*PFN_ZS_WRITE)(HANDLE output, const void* bytes, DWORD length, DWORD* written);

struct ZARN_STREAM {
  GR_PDEV* owner;
  struct {
    ZARN_CHUNK chunk;
    alignas(8) BYTE data[ZS_CHUNK_BYTES];
  } first;
  ZARN_CHUNK* head;     // always the embedded chunk
  ZARN_CHUNK* current;  // the chunk being filled
  DWORD buffered;       // bytes reserved since the last reset
  HMODULE module;       // output library or filter plug-in; none when nothing is bound
  HANDLE output;        // the output side's handle for this job
  PFN_ZS_WRITE write;   // none: bytes are dropped
  DWORD flushes;        // buffer flushes so far; tells a withdrawal whether part of a record went out
};

// Where a record began, so that an incomplete record can be taken back.
struct ZS_MARK {
  ZARN_CHUNK* chunk;
  BYTE* pos;
  DWORD buffered;
  DWORD flushes;
};

// ---- Buffer ----

// Empties the buffer onto the embedded chunk (extra chunks must have been freed).
void ZsReset(ZARN_STREAM* s);
// n bytes at the write position, or none when a needed flush fails or the private heap is exhausted. A
// reservation that reaches the end of the current chunk opens a new chunk (flushing first when more than
// 1 MiB is buffered).
BYTE* ZsReserve(ZARN_STREAM* s, DWORD n);
// Gives back the tail of the last reservation after `end` (rounded up to 4).
void ZsTrimLast(ZARN_STREAM* s, BYTE* end);
// Writes every buffered byte in record-run blocks, frees the extra chunks and resets. TRUE with nothing
// buffered; FALSE when a write failed (the output-error flag is then set).
BOOL ZsFlush(ZARN_STREAM* s);
// One record-run block per chunk, in order; nothing on page 1 of a pass-through job. FALSE on the first
// failed write.
BOOL ZsWriteChunks(ZARN_STREAM* s);
// Frees every chunk after the embedded one.
void ZsFreeChunks(ZARN_STREAM* s);
// Unbuffered write through the bound output in pieces of at most 4096 bytes. A failed or short write sets
// the owner's output-error flag and returns FALSE; without a bound output the bytes are dropped (TRUE).
BOOL ZsWriteOut(ZARN_STREAM* s, const void* bytes, DWORD length);
// Remembers where the next record begins.
ZS_MARK ZsMark(const ZARN_STREAM* s);
// Takes back everything reserved since `mark`. When a flush sent part of it already, the stream cannot be
// mended: the owner's output-error flag is set so that the job fails instead of going on corrupt.
void ZsWithdraw(ZARN_STREAM* s, const ZS_MARK& mark);

// ---- Text blocks ----

// A text producer: called with (context, 0, none, &length) for the length, then with a buffer of that
// many bytes; a negative result fails.
typedef int (*PFN_GR_TEXT_PRODUCER)(SETTING_CONTEXT* context, DWORD size, char* buffer, DWORD* length);

// One block of `type` holding the producer's text, written unbuffered. FALSE when the producer fails, the
// block cannot be allocated or the write fails.
BOOL ZsWriteTextBlock(ZARN_STREAM* s, SETTING_CONTEXT* context, BYTE type, PFN_GR_TEXT_PRODUCER producer);
// Block 243 with the job header.
BOOL ZsWriteJobHeader(ZARN_STREAM* s, SETTING_CONTEXT* context);
// Block 244 with the page header, then the empty marker block 240.
BOOL ZsWritePageHeader(ZARN_STREAM* s, SETTING_CONTEXT* context);
// Block 241 with the page trailer.
BOOL ZsWritePageTrailer(ZARN_STREAM* s, SETTING_CONTEXT* context);
// A block header of `type` and `length` followed by `length` bytes, unbuffered. FALSE when a write fails.
BOOL ZsWriteBlock(ZARN_STREAM* s, BYTE type, const void* bytes, DWORD length);

// ---- Record writers ----
// Each reserves its whole record, fills every byte (reserved bytes and padding 0) and returns it, or none
// when the reservation fails.

// Record 16: mode 5 (clip) gives 24 bytes, others 40 with the second rectangle (none: the first again).
BYTE* ZsPutRect(ZARN_STREAM* s, const RECTL* rect, const RECTL* second, BYTE mode);
// Record 19 with `entryBytes` bytes of span entries; none for 0 entry bytes.
BYTE* ZsPutSpanFill(ZARN_STREAM* s, DWORD entryBytes, BYTE flags, const RECTL* bounds, const void* entries);
// Record 48 from a colour state: colour 1 first, colour 2 when the background is opaque, the extra colour
// when present; 0x40 for a text brush, 0x80 with host colour matching. Colours are sent as given (the
// callers have swapped them into blue, green, red byte order).
BYTE* ZsPutColorBrush(ZARN_STREAM* s, const GR_COLOR_BRUSH* brush);
// Record 49; 0xF0 goes out as 0xCC.
BYTE* ZsPutRop(ZARN_STREAM* s, BYTE rop);
// Record 50: 1 transparent, 2 opaque.
BYTE* ZsPutBackgroundMode(ZARN_STREAM* s, BYTE mode);
// Record 51.
BYTE* ZsPutLineWidth(ZARN_STREAM* s, WORD width, DWORD dashPattern, BYTE dashUnit);
// Records 52 and 53.
BYTE* ZsPutDashOffset(ZARN_STREAM* s, BYTE value);
BYTE* ZsPutLineCap(ZARN_STREAM* s, BYTE value);
// Record 54; the miter limit comes times 256.
BYTE* ZsPutLineJoin(ZARN_STREAM* s, BYTE join, DWORD miterLimit);
// Record 55.
BYTE* ZsPutClipReset(ZARN_STREAM* s);
// Record 64 of a brush: kind 0 without bits, kind 2 one-bit bits, kind 3 by its depth (1 or 24). None for
// no brush, another kind or another depth.
BYTE* ZsPutPatternBrush(ZARN_STREAM* s, const GR_BRUSH* brush);
// Writes nothing (the printer takes the pattern origin from the brush); TRUE.
BOOL ZsPutPatternOrigin(ZARN_STREAM* s, WORD x, WORD y);
// Records 80 and 86 of a font description.
BYTE* ZsPutFontHeader(ZARN_STREAM* s, const GR_FONT_DESC* font);
BYTE* ZsPutDownloadFontHeader(ZARN_STREAM* s, const GR_FONT_DESC* font);
// Record 81 without and with an outline (`outlineBytes` bytes: size estimate and subpath blocks).
BYTE* ZsPutGlyphBox(ZARN_STREAM* s, const RECTL* box, LONG x, LONG y, WORD code);
BYTE* ZsPutGlyphOutline(ZARN_STREAM* s, const RECTL* box, LONG x, LONG y, WORD code, const void* outline,
                        DWORD outlineBytes);
// Record 82: `advanceCount` advances (1 for equal spacing, else one per character), then the codes.
// `perCharacter` says which of the two the advances are, so that the flag is right for a string of one
// character too.
BYTE* ZsPutGlyphList(ZARN_STREAM* s, const RECTL* bounds, LONG x, LONG y, const WORD* codes, const SHORT* advances,
                     WORD count, WORD advanceCount, bool perCharacter);
// Record 83 (kept) or 87. `paddedBytes` of data follow unless the flags carry 0x40 (sent before) or there
// is no data; `dataBytes` is the length the record states.
BYTE* ZsPutGlyphImage(ZARN_STREAM* s, BOOL kept, const RECTL* box, BYTE flags, WORD code, LONG x, LONG y,
                      LONG originX, LONG originY, DWORD width, DWORD height, const void* data, DWORD paddedBytes,
                      DWORD dataBytes, BYTE dataForm);
// Record 84; none when the data, its padded size or its length is 0.
BYTE* ZsPutGlyphData(ZARN_STREAM* s, BYTE flags, WORD code, DWORD width, DWORD height, const void* data,
                     DWORD paddedBytes, DWORD dataBytes, BYTE dataForm);
// One glyph of record 85.
struct ZS_GLYPH_STEP {
  SHORT dx, dy;
  WORD code;
};
static_assert(sizeof(ZS_GLYPH_STEP) == 6);
// Record 85.
BYTE* ZsPutGlyphString(ZARN_STREAM* s, const RECTL* bounds, BYTE flags, LONG x, LONG y, const ZS_GLYPH_STEP* entries,
                       WORD count);
// Records 96 and 97.
BYTE* ZsPutPageStart(ZARN_STREAM* s, DWORD width, DWORD height, WORD xDpi, WORD yDpi);
BYTE* ZsPutPageEnd(ZARN_STREAM* s);

// ---- Images (record 32) ----
// What an image writer returns for a complete record whose header a mid-record flush sent already.
extern const BYTE ZS_RECORD_SENT;

// `bits` is the lowest address of `rows` rows of `srcWidth` pixels, each ((srcWidth * bpp + 31) / 32) * 4
// bytes; bottomUp walks them from the last row to the first. `palette` (3-byte entries) or none. The
// header is returned, or none when a reservation fails: nothing of the record stays in the stream then
// (or, when part of it went out already, the output-error flag is set).

// Rows in pieces of at most 1 MiB; grey conversion of 24-bit images for a monochrome job.
BYTE* ZsPutImage(ZARN_STREAM* s, LONG x, LONG y, LONG width, LONG height, LONG srcX, LONG srcY, DWORD srcWidth,
                 DWORD rows, DWORD format, const BYTE* bits, const BYTE* palette, BOOL bottomUp);
// The whole record in one reservation.
BYTE* ZsPutImageWhole(ZARN_STREAM* s, LONG x, LONG y, LONG width, LONG height, LONG srcX, LONG srcY,
                      DWORD srcWidth, DWORD rows, DWORD format, const BYTE* bits, const BYTE* palette, BOOL bottomUp);
// One reservation per row, depth from the low seven bits of the format word, no raster-mode bit.
BYTE* ZsPutImageByRows(ZARN_STREAM* s, LONG x, LONG y, LONG width, LONG height, LONG srcX, LONG srcY,
                       DWORD srcWidth, DWORD rows, DWORD format, const BYTE* bits, const BYTE* palette,
                       BOOL bottomUp);
