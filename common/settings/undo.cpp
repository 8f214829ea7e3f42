// Undo snapshots of the settings store and the copy of the dictionary's run-time rows.
//
// The snapshots form a stack of at most STG_UNDO_DEPTH: a push beyond that and a pop with nothing
// pushed fail and change nothing, so a caller's try-and-restore can never put back a snapshot that is not
// its own (the oldest is never dropped to make room).
// Font lists live outside the store (the context holds them), so a restore neither frees nor
// resurrects one.
#include "settings/undo.h"

#include <cstring>

#include "settings/context.h"
#include "settings/modules.h"

namespace {
constexpr DWORD kLast = STG_UNDO_DEPTH - 1;

bool HasSnapshots(const CONTEXT_WORK_AREA* w) {
  for (const SETTING_STORE* s : w->undo)
    if (!s) return false;
  return true;
}
}  // namespace

int StgPushUndo(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store || !ctx->work) return 0;
  CONTEXT_WORK_AREA* w = ctx->work;
  if (!HasSnapshots(w) || w->undoDepth >= STG_UNDO_DEPTH) return 0;
  // Slots move one place older; the oldest buffer (free, as the depth shows) takes the new snapshot.
  SETTING_STORE* reuse = w->undo[kLast];
  for (DWORD i = kLast; i > 0; --i) {
    w->undo[i] = w->undo[i - 1];
    w->changeWords[i] = w->changeWords[i - 1];
  }
  w->undo[0] = reuse;
  *w->undo[0] = *ctx->store;
  w->changeWords[0] = w->changeWords[STG_CHANGE_WORD_CURRENT];
  ++w->undoDepth;
  StgBroadcastModuleEvent(ctx, STG_EVENT_UNDO_PUSHED, nullptr);
  return 1;
}

int StgPopUndo(SETTING_CONTEXT* ctx, int restore) {
  if (!ctx || !ctx->work) return 0;
  CONTEXT_WORK_AREA* w = ctx->work;
  if (!HasSnapshots(w) || w->undoDepth == 0) return 0;
  if (restore && ctx->store) {
    *ctx->store = *w->undo[0];
    w->changeWords[STG_CHANGE_WORD_CURRENT] = w->changeWords[0];
    w->storeModified = 0;
    if (ITEM_DICTIONARY* d = ctx->dictionary; d && d->rows)
      for (int i = 0; i < d->count; ++i) d->rows[i].flags &= ~(uint64_t)STG_FLAG_CHANGE_MASK;
    StgBroadcastModuleEvent(ctx, STG_EVENT_UNDO_RESTORED, nullptr);
  }
  SETTING_STORE* popped = w->undo[0];
  for (DWORD i = 0; i < kLast; ++i) {
    w->undo[i] = w->undo[i + 1];
    w->changeWords[i] = w->changeWords[i + 1];
  }
  w->undo[kLast] = popped;
  --w->undoDepth;
  return 1;
}

ITEM_DICTIONARY* StgSaveDictionary(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->dictionary) return nullptr;
  const ITEM_DICTIONARY* d = ctx->dictionary;
  auto* copy = (ITEM_DICTIONARY*)StgAllocZero(sizeof(ITEM_DICTIONARY));
  if (!copy) return nullptr;
  if (d->count <= 0 || !d->rows) return copy;
  size_t bytes = sizeof(ITEM_DESC) * (size_t)d->count;
  copy->rows = (ITEM_DESC*)StgAllocZero((DWORD)bytes);
  if (!copy->rows) return copy;
  std::memcpy(copy->rows, d->rows, bytes);
  copy->count = d->count;
  return copy;
}

void StgRestoreDictionary(SETTING_CONTEXT* ctx, ITEM_DICTIONARY* copy) {
  if (!copy) return;
  ITEM_DICTIONARY* d = ctx ? ctx->dictionary : nullptr;
  // Only a copy of this very dictionary goes back; each row keeps its own side block, which the
  // live dictionary owns.
  if (d && d->rows && copy->rows && copy->count == d->count) {
    for (int i = 0; i < d->count; ++i) {
      ITEM_DESC_EXT* ext = d->rows[i].ext;
      d->rows[i] = copy->rows[i];
      d->rows[i].ext = ext;
    }
  }
  StgFree(copy->rows);
  StgFree(copy);
}
