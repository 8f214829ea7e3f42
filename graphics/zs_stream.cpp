// The ZARN stream's buffer: chunks from the context's private heap, reservations built in place, flushes
// that frame each chunk in a record-run block, and the unbuffered text blocks.
#include <cstring>

#include "gr_pdev.h"
#include "gr_pjl.h"
#include "zs_stream.h"

namespace {

BYTE* DataOf(ZARN_CHUNK* c) { return reinterpret_cast<BYTE*>(c) + sizeof(ZARN_CHUNK); }
static_assert(sizeof(ZARN_CHUNK) % 8 == 0, "chunk data stays aligned");

void SetOutputError(ZARN_STREAM* s) {
  if (s->owner) s->owner->state |= GR_STATE_OUTPUT_ERROR;
}

// After an output error the printer may hold part of a record: nothing more may follow it, or the
// rest of the page would be read from inside that record.
bool Failed(const ZARN_STREAM* s) { return s->owner && (s->owner->state & GR_STATE_OUTPUT_ERROR); }

}  // namespace

void ZsReset(ZARN_STREAM* s) {
  static_assert(offsetof(decltype(s->first), data) == sizeof(ZARN_CHUNK), "embedded chunk data follows its header");
  ZARN_CHUNK* c = &s->first.chunk;
  c->next = nullptr;
  c->pos = s->first.data;
  c->end = s->first.data + ZS_CHUNK_BYTES;
  s->head = s->current = c;
  s->buffered = 0;
}

BYTE* ZsReserve(ZARN_STREAM* s, DWORD n) {
  if (Failed(s)) return nullptr;
  if (!s->current) ZsReset(s);
  ZARN_CHUNK* c = s->current;
  if (n >= DWORD(c->end - c->pos)) {  // an exact fit opens a new chunk too
    if (s->buffered > ZS_FLUSH_THRESHOLD && !ZsFlush(s)) return nullptr;
    DWORD data = ((n ? n - 1 : 0) / ZS_CHUNK_BYTES) * ZS_CHUNK_BYTES + ZS_CHUNK_BYTES;
    if (data < n || !s->owner) return nullptr;  // wrapped
    auto* chunk = static_cast<ZARN_CHUNK*>(GrHeapAlloc(s->owner->heap, DWORD(sizeof(ZARN_CHUNK)) + data));
    if (!chunk) return nullptr;
    chunk->next = nullptr;
    chunk->pos = DataOf(chunk);
    chunk->end = chunk->pos + data;
    s->current->next = chunk;
    s->current = chunk;
    c = chunk;
  }
  BYTE* at = c->pos;
  c->pos += n;
  s->buffered += n;
  return at;
}

void ZsTrimLast(ZARN_STREAM* s, BYTE* end) {
  ZARN_CHUNK* c = s->current;
  if (!c || end < DataOf(c) || end > c->pos) return;
  size_t used = size_t(end - DataOf(c));
  used = (used + 3) & ~size_t(3);
  if (DataOf(c) + used < c->pos) c->pos = DataOf(c) + used;
}

ZS_MARK ZsMark(const ZARN_STREAM* s) {
  return ZS_MARK{s->current, s->current ? s->current->pos : nullptr, s->buffered, s->flushes};
}

void ZsWithdraw(ZARN_STREAM* s, const ZS_MARK& mark) {
  if (mark.flushes != s->flushes || !mark.chunk) {
    // The record's start went out already, and everything buffered since belongs to it: drop that and
    // fail the job rather than let the printer read a truncated record.
    SetOutputError(s);
    ZsFreeChunks(s);
    ZsReset(s);
    return;
  }
  for (ZARN_CHUNK* c = mark.chunk->next; c;) {
    ZARN_CHUNK* next = c->next;
    GrHeapFree(s->owner->heap, c);
    c = next;
  }
  mark.chunk->next = nullptr;
  mark.chunk->pos = mark.pos;
  s->current = mark.chunk;
  s->buffered = mark.buffered;
}

BOOL ZsWriteOut(ZARN_STREAM* s, const void* bytes, DWORD length) {
  if (Failed(s)) return FALSE;
  const BYTE* p = static_cast<const BYTE*>(bytes);
  while (length) {
    DWORD piece = length < ZS_WRITE_PIECE ? length : ZS_WRITE_PIECE;
    if (s->module && s->write) {
      DWORD written = 0;
      if (!s->write(s->output, p, piece, &written) || written < piece) {
        SetOutputError(s);
        return FALSE;
      }
    }
    p += piece;
    length -= piece;
  }
  return TRUE;
}

BOOL ZsWriteBlock(ZARN_STREAM* s, BYTE type, const void* bytes, DWORD length) {
  ZARN_BLOCK_HEADER h{};
  h.type = type;
  h.length = length;
  return ZsWriteOut(s, &h, sizeof h) && ZsWriteOut(s, bytes, length);
}

BOOL ZsWriteChunks(ZARN_STREAM* s) {
  if (s->owner && s->owner->passThrough && s->owner->pageCount == 1) return TRUE;
  for (ZARN_CHUNK* c = s->head; c; c = c->next)
    if (!ZsWriteBlock(s, ZS_BLOCK_RECORDS, DataOf(c), DWORD(c->pos - DataOf(c)))) return FALSE;
  return TRUE;
}

void ZsFreeChunks(ZARN_STREAM* s) {
  if (!s->head) return;
  for (ZARN_CHUNK* c = s->head->next; c;) {
    ZARN_CHUNK* next = c->next;
    GrHeapFree(s->owner->heap, c);
    c = next;
  }
  s->head->next = nullptr;
}

BOOL ZsFlush(ZARN_STREAM* s) {
  if (!s->buffered) return TRUE;
  BOOL ok = ZsWriteChunks(s);
  ZsFreeChunks(s);
  ZsReset(s);
  ++s->flushes;
  return ok;
}

BOOL ZsWriteTextBlock(ZARN_STREAM* s, SETTING_CONTEXT* context, BYTE type, PFN_GR_TEXT_PRODUCER producer) {
  DWORD length = 0;
  if (!s->owner || !producer || producer(context, 0, nullptr, &length) < 0) return FALSE;
  if (length > 0x7FFFFFF0u) return FALSE;
  auto* block = static_cast<BYTE*>(GrHeapAlloc(s->owner->heap, length + 12));
  if (!block) return FALSE;
  DWORD written = 0;
  BOOL ok = FALSE;
  if (producer(context, length, reinterpret_cast<char*>(block + sizeof(ZARN_BLOCK_HEADER)), &written) >= 0) {
    ZARN_BLOCK_HEADER h{};
    h.type = type;
    h.length = length;
    std::memcpy(block, &h, sizeof h);
    ok = ZsWriteOut(s, block, length + DWORD(sizeof h));
  }
  GrHeapFree(s->owner->heap, block);
  return ok;
}

BOOL ZsWriteJobHeader(ZARN_STREAM* s, SETTING_CONTEXT* context) {
  return ZsWriteTextBlock(s, context, ZS_BLOCK_JOB_HEADER, GrJobHeaderProducer);
}

BOOL ZsWritePageHeader(ZARN_STREAM* s, SETTING_CONTEXT* context) {
  return ZsWriteTextBlock(s, context, ZS_BLOCK_PAGE_HEADER, GrPageHeaderProducer) &&
         ZsWriteBlock(s, ZS_BLOCK_MARKER, nullptr, 0);
}

BOOL ZsWritePageTrailer(ZARN_STREAM* s, SETTING_CONTEXT* context) {
  return ZsWriteTextBlock(s, context, ZS_BLOCK_PAGE_TRAILER, GrPageTrailerProducer);
}
