// Settings contexts: creation from the template, release, the two caches of released contexts, the
// saved copy of the store, and the locks (two critical sections, the global named mutex).
#include "settings/context.h"
#include "settings/library_hooks.h"

#include <bitset>
#include <cstring>
#include <mutex>
#include <new>

#include "config/device_settings.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "kvplat/error.h"
#include "kvplat/heap.h"
#include "kvplat/spooler.h"
#include "kvplat/sync.h"
#include "kvplat/text.h"
#include "kvplat/time.h"
#include "settings/access.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/store.h"

thread_local DWORD g_StgCommonIniFlag = 0;

namespace {

// How long a lock request waits for the global mutex before it gives up and reports the failure,
// so a holder that never lets go cannot hang every driver operation.
constexpr DWORD kMutexWaitMs = 60000;

// ---------------------------------------------------------------------------------------------
// Locks.

enum { kCapsCache = 0, kGeneralCache = 1 };

struct LibraryLocks {
  std::mutex guard;  // guards creation and deletion of the sections and of the mutex handle
  CRITICAL_SECTION cs[2];
  bool created[2] = {false, false};
  HANDLE mutex = nullptr;
};

LibraryLocks& Locks() {
  // Lives as long as the library, never destroyed: detach may run late. Kept in the library's own static
  // storage rather than on the heap, so a library that is unloaded and loaded again leaks nothing.
  alignas(LibraryLocks) static unsigned char storage[sizeof(LibraryLocks)];
  static LibraryLocks* locks = new (storage) LibraryLocks();
  return *locks;
}

CONTEXT_CACHE g_caches[2];

LPCRITICAL_SECTION CacheSection(int which) {
  LibraryLocks& l = Locks();
  std::lock_guard<std::mutex> g(l.guard);
  if (!l.created[which]) l.created[which] = InitializeCriticalSectionAndSpinCount(&l.cs[which], 4000) != 0;
  return l.created[which] ? &l.cs[which] : nullptr;
}

struct CacheLock {
  explicit CacheLock(int which) : cs(CacheSection(which)) {
    if (cs) EnterCriticalSection(cs);
  }
  ~CacheLock() {
    if (cs) LeaveCriticalSection(cs);
  }
  LPCRITICAL_SECTION cs;
};

// Per thread: which of the nested lock requests really own the mutex, so each unlock releases only
// what its lock took.
constexpr unsigned kMaxLockDepth = 256;
thread_local std::bitset<kMaxLockDepth> t_owned;
thread_local unsigned t_lockDepth = 0;

bool UsesSharedLock(SETTING_CONTEXT* ctx) { return !ctx || !ctx->work || ctx->work->useSharedLock; }

HANDLE SharedMutex() {
  LibraryLocks& l = Locks();
  std::lock_guard<std::mutex> g(l.guard);
  // Default security rather than an access list open to everyone; the bounded wait of the lock
  // requests keeps a holder that never lets go from hanging the driver.
  if (!l.mutex) l.mutex = CreateMutexW(nullptr, FALSE, u"Global\\ZarnMutexTse");
  return l.mutex;
}

// ---------------------------------------------------------------------------------------------
// Template.

SETTING_STORE g_templateStore;
CONTEXT_WORK_AREA g_templateWork;

SETTING_CONTEXT MakeTemplate() {
  SETTING_CONTEXT t{};
  t.dictionary = StgGetTemplateDictionary();
  t.dialogs = StgGetTemplateDialogTable();
  t.symbols = StgGetSymbolTable();
  t.enumSymbols = StgGetEnumSymbolTable();
  t.resourceNames = StgGetResourceNameTable();
  t.messages = StgGetMessageTable();
  t.model = const_cast<MODEL_BLOCK*>(StgGetModelBlock());
  t.store = &g_templateStore;
  t.work = &g_templateWork;
  return t;
}

// ---------------------------------------------------------------------------------------------
// Freeing.

void FreeFontList(void*& list) {
  StgFree(list);
  list = nullptr;
}

void DestroyContext(SETTING_CONTEXT* ctx, WORD type) {
  if (!ctx) return;
  CONTEXT_WORK_AREA* w = ctx->work;
  // The feature modules hear of the release first, while everything they may touch still exists.
  if (w) StgFreeModules(ctx);
  if (w) {
    StgFreeStoreCopyLists(ctx);
    StgFree(w->savedCopy);
    w->savedCopy = nullptr;
    StgFree(w->defaultCopy);
    w->defaultCopy = nullptr;
  }
  if (type == STG_RELEASE_GENERAL || type == STG_RELEASE_CAPS || type == STG_RELEASE_FREE)
    CfgFreeDeviceFontLists(ctx);
  if (w) {
    // Whatever list is still held belongs to the context (a caller that takes a list over clears its
    // setting first), so nothing is left behind whatever the release type.
    FreeFontList(w->currentLists.deviceFont);
    FreeFontList(w->currentLists.optionFont);
    FreeFontList(w->currentLists.fontTable);
  }
  if (w) StgReleaseLibraryParts(ctx);
  CfgFreeContextLibraries(ctx);
  if (ctx->image) RuleFreeStack(ctx);
  if (ITEM_DICTIONARY* d = ctx->dictionary) {
    if (d->rows)
      for (int i = 0; i < d->count; ++i) StgFree(d->rows[i].ext);
    StgFree(d->rows);
    StgFree(d);
  }
  if (DIALOG_TABLE* t = ctx->dialogs) {
    if (t->rows)
      for (int i = 0; i < t->count; ++i) StgFree(t->rows[i].controls);
    StgFree(t->rows);
    StgFree(t);
  }
  StgFree(ctx->model);
  StgFree(ctx->store);
  if (w) {
    for (SETTING_STORE*& s : w->undo) {
      StgFree(s);
      s = nullptr;
    }
    StgFree(w->fontSubstRef);
    StgFree(w);
  }
  StgFree(ctx);
}

// ---------------------------------------------------------------------------------------------
// Building.

bool CloneDictionary(SETTING_CONTEXT* ctx) {
  const ITEM_DICTIONARY_STATIC* src = StgGetStaticDictionary();
  ITEM_DICTIONARY* d = (ITEM_DICTIONARY*)StgAllocZero(sizeof(ITEM_DICTIONARY));
  if (!d) return false;
  ctx->dictionary = d;
  d->rows = (ITEM_DESC*)StgAllocZero((DWORD)(sizeof(ITEM_DESC) * (size_t)src->count));
  if (!d->rows) return false;
  for (int i = 0; i < src->count; ++i) {
    ITEM_DESC_EXT* ext = (ITEM_DESC_EXT*)StgAllocZero(sizeof(ITEM_DESC_EXT));
    if (!ext) return false;
    StgInitRuntimeRow(&src->rows[i], &d->rows[i], ext);
    d->count = (int16_t)(i + 1);
  }
  return true;
}

bool CloneDialogs(SETTING_CONTEXT* ctx) {
  const DIALOG_TABLE* src = StgGetTemplateDialogTable();
  DIALOG_TABLE* t = (DIALOG_TABLE*)StgAllocZero(sizeof(DIALOG_TABLE));
  if (!t) return false;
  ctx->dialogs = t;
  if (src->count <= 0) return true;
  t->rows = (DIALOG_DESC*)StgAllocZero((DWORD)(sizeof(DIALOG_DESC) * (size_t)src->count));
  if (!t->rows) return false;
  std::memcpy(t->rows, src->rows, sizeof(DIALOG_DESC) * (size_t)src->count);
  t->count = src->count;
  // No row may point at the template's controls, even when a copy below fails half-way.
  for (int i = 0; i < src->count; ++i) t->rows[i].controls = nullptr;
  for (int i = 0; i < src->count; ++i) {
    DIALOG_DESC& dlg = t->rows[i];
    const CONTROL_DESC* controls = src->rows[i].controls;
    if (dlg.controlCount <= 0 || !controls) continue;
    size_t bytes = sizeof(CONTROL_DESC) * (size_t)dlg.controlCount;
    dlg.controls = (CONTROL_DESC*)StgAllocZero((DWORD)bytes);
    if (!dlg.controls) return false;
    std::memcpy(dlg.controls, controls, bytes);
  }
  return true;
}

const WCHAR* InfoPrinterName(const PRINTER_INFO_2W* info) { return info ? info->pPrinterName : nullptr; }

// The cache a kind is looked up in, and the cache a release type offers to.
int CacheOfKind(DWORD kind) { return kind == STG_KIND_CAPS ? kCapsCache : kGeneralCache; }

bool SlotMatches(SETTING_CONTEXT* c, HANDLE printer, WORD flags, DWORD kind, DWORD subKind, const WCHAR* name) {
  if (!c || !c->work) return false;
  CONTEXT_WORK_AREA* w = c->work;
  if (!(flags & STG_CF_ANY_HANDLE) && c->printer != printer) return false;
  if (flags != 0 && !(flags & STG_CF_CACHE_OK)) return false;
  if (w->kind != kind) return false;
  // A light context must never stand in for a full one (or the reverse), nor a context built in
  // another mode (its store was made and its device settings loaded differently).
  if (w->buildMode != (flags & STG_CF_BUILD_MASK)) return false;
  if (std::u16string_view(w->printerName) != std::u16string_view(name)) return false;
  if (kind == STG_KIND_DOCPROP && subKind == 2 && w->docPropMode != 2) return false;
  return true;
}

SETTING_CONTEXT* CacheLookup(HANDLE printer, WORD flags, DWORD kind, DWORD subKind, const PRINTER_INFO_2W* info) {
  StgPurgeContextCache(0);
  const WCHAR* src = InfoPrinterName(info);
  if (!src) return nullptr;
  WCHAR name[261];
  kvp::WCopy(name, 261, src);
  int which = CacheOfKind(kind);
  CacheLock lock(which);
  for (CONTEXT_CACHE_SLOT& s : g_caches[which].slots) {
    if (SlotMatches(s.context, printer, flags, kind, subKind, name)) {
      SETTING_CONTEXT* c = s.context;
      s.context = nullptr;
      s.tick = 0;
      return c;
    }
  }
  return nullptr;
}

// A reused context takes the handles, the lock and the administrator rules of its new creator, not
// those of the creator that released it (whose handle may be closed by now).
void RederiveForCreator(SETTING_CONTEXT* ctx, HANDLE printer, HANDLE printer2, WORD flags) {
  ctx->printer = printer;
  ctx->printer2 = printer2;
  ctx->work->useSharedLock = (flags & STG_CF_NO_LOCK) ? 0 : 1;
  ctx->work->adminCheck = (flags & STG_CF_ASSUME_ADMIN) ? 0 : 1;
  ctx->work->iniPathKept = 0;  // a path an escape named belonged to the earlier job
  if (ctx->store) StgSetAdmin(ctx, StgIsAdminForContext(ctx) ? 1 : 0);
}

SETTING_CONTEXT* Build(HANDLE printer, HANDLE printer2, WORD flags, DWORD kind, const PRINTER_INFO_2W* info) {
  SETTING_CONTEXT* ctx = (SETTING_CONTEXT*)StgAllocZero(sizeof(SETTING_CONTEXT));
  if (!ctx) return nullptr;
  *ctx = *StgGetTemplateContext();
  // Owned parts are built below; until then the context owns none of the template's.
  ctx->dictionary = nullptr;
  ctx->dialogs = nullptr;
  ctx->model = nullptr;
  ctx->store = nullptr;
  ctx->work = nullptr;
  ctx->image = nullptr;
  ctx->printer = printer;
  ctx->printer2 = printer2;
  WORD mode = flags & STG_CF_BUILD_MASK;
  bool ok = CloneDictionary(ctx) && CloneDialogs(ctx);
  if (ok) {
    ctx->model = (MODEL_BLOCK*)StgAllocZero(sizeof(MODEL_BLOCK));
    ok = ctx->model != nullptr;
    if (ok) *ctx->model = *StgGetModelBlock();
  }
  if (ok) {
    ctx->work = (CONTEXT_WORK_AREA*)StgAllocZero(sizeof(CONTEXT_WORK_AREA));
    ok = ctx->work != nullptr;
  }
  if (!ok) {
    DestroyContext(ctx, STG_RELEASE_FREE);
    return nullptr;
  }
  CONTEXT_WORK_AREA* w = ctx->work;
  StgCachePrinterInfo(info, ctx);
  for (SETTING_STORE*& s : w->undo) {
    s = (SETTING_STORE*)StgAllocZero(sizeof(SETTING_STORE));
    ok = ok && s;
  }
  w->useSharedLock = (flags & STG_CF_NO_LOCK) ? 0 : 1;
  w->adminCheck = (flags & STG_CF_ASSUME_ADMIN) ? 0 : 1;
  w->buildMode = mode;
  w->kind = kind;
  if (ok && mode != 2 && mode <= 3) CfgGetDriverName(ctx);
  if (ok) {
    const MODEL_ENTRY* entry = StgFindModelEntry(ctx, w->driverName);
    w->capabilityMask = entry ? entry->capabilityMask : 0;
    CfgGetInstalledRegionCode(ctx);
    StgSetContextLanguage(ctx);
    w->savedCopy = (SETTING_STORE*)StgAllocZero(sizeof(SETTING_STORE));
    ok = w->savedCopy != nullptr;
    if (ok && StgIsModelFeatureOn(ctx, 2, 0)) {
      w->defaultCopy = (SETTING_STORE*)StgAllocZero(sizeof(SETTING_STORE));
      ok = w->defaultCopy != nullptr;
    }
  }
  if (!ok) {
    DestroyContext(ctx, STG_RELEASE_FREE);
    return nullptr;
  }
  // A context whose feature modules could not be built would answer no command or event: no context.
  if (!StgCreateModules(ctx)) {
    DestroyContext(ctx, STG_RELEASE_FREE);
    return nullptr;
  }
  if (mode <= 3) {
    ctx->image = ImgAcquire(ctx);
    if (!ctx->image) {
      DestroyContext(ctx, STG_RELEASE_FREE);
      return nullptr;
    }
    // Without its evaluator stack the context could not evaluate a single rule: creation fails.
    if (RuleAllocStack(ctx) != 0) {
      DestroyContext(ctx, STG_RELEASE_FREE);
      return nullptr;
    }
    ctx->store = StgCreateStore(ctx, mode);
    if (!ctx->store) {
      DestroyContext(ctx, STG_RELEASE_FREE);
      return nullptr;
    }
    if (mode == 0 || (flags & STG_CF_RELOAD_DEVICE)) CfgReloadDeviceSettings(ctx);
    StgKeepStoreCopy(ctx);
  }
  StgFinishContextCreation(ctx);
  return ctx;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void* StgAllocZero(DWORD bytes) { return (void*)GlobalAlloc(GPTR, bytes); }

void StgFree(void* block) {
  if (block) GlobalFree((HGLOBAL)block);
}

SETTING_CONTEXT* StgGetTemplateContext() {
  static SETTING_CONTEXT tpl = MakeTemplate();
  return &tpl;
}

SETTING_CONTEXT* StgCreateContext(HANDLE printer, HANDLE printer2, void* reserved, DWORD kind) {
  return StgCreateContextEx(printer, printer2, reserved, 0, kind, 0, nullptr);
}

SETTING_CONTEXT* StgCreateContextEx(HANDLE printer, HANDLE printer2, void* reserved, WORD flags, DWORD kind,
                                    DWORD subKind, const _PRINTER_INFO_2W* info) {
  (void)reserved;
  if (g_StgCommonIniFlag == 1) kind |= STG_KIND_COMMON_INI;
  void* owned = nullptr;
  if (!info) {
    owned = StgGetPrinterInfo(printer, 2);
    info = (const PRINTER_INFO_2W*)owned;
  }
  if (kind == STG_KIND_GRAPHICS_IN) kind = STG_KIND_GRAPHICS;
  SETTING_CONTEXT* ctx = CacheLookup(printer, flags, kind, subKind, info);
  if (ctx) RederiveForCreator(ctx, printer, printer2, flags);
  else ctx = Build(printer, printer2, flags, kind, info);
  StgFree(owned);
  return ctx;
}

// The common library keeps nothing of its own beside a context, and creation has no library step.
void StgSetContextLanguageCommon(SETTING_CONTEXT*) {}
void StgFinishContextCreationCommon(SETTING_CONTEXT*) {}
void StgReleaseLibraryPartsCommon(SETTING_CONTEXT*) {}

void StgFreeContext(SETTING_CONTEXT* ctx) { StgReleaseContext(ctx, STG_RELEASE_GENERAL); }

void StgReleaseContext(SETTING_CONTEXT* ctx, WORD type) {
  if (!ctx || ctx == StgGetTemplateContext()) return;
  if ((type == STG_RELEASE_GENERAL || type == STG_RELEASE_CAPS) && ctx->work &&
      !(StgGetValue(ctx, QDV_rdmJobBinder, nullptr) & 1)) {
    int which = type == STG_RELEASE_CAPS ? kCapsCache : kGeneralCache;
    SETTING_CONTEXT* evicted = nullptr;
    {
      CacheLock lock(which);
      DWORD now = GetTickCount();
      CONTEXT_CACHE_SLOT* slots = g_caches[which].slots;
      CONTEXT_CACHE_SLOT* target = nullptr;
      for (int i = 0; i < 2 && !target; ++i)
        if (!slots[i].context) target = &slots[i];
      if (!target) {
        // Both taken: the older one goes (ages, so a tick count that wrapped still orders right).
        target = (DWORD)(now - slots[1].tick) > (DWORD)(now - slots[0].tick) ? &slots[1] : &slots[0];
        evicted = target->context;
      }
      target->context = ctx;
      target->tick = now;
    }
    if (evicted) DestroyContext(evicted, STG_RELEASE_FREE);
    return;
  }
  DestroyContext(ctx, type);
}

int StgPurgeContextCache(int all) {
  SETTING_CONTEXT* taken[4] = {};
  int n = 0;
  DWORD now = GetTickCount();
  for (int which : {kCapsCache, kGeneralCache}) {
    CacheLock lock(which);
    for (CONTEXT_CACHE_SLOT& s : g_caches[which].slots) {
      if (!s.context) continue;
      // Expired once more than the lifetime has passed since it was cached, across a wrap as well.
      if (all || (DWORD)(now - s.tick) > STG_CACHE_LIFETIME_MS) {
        taken[n++] = s.context;
        s.context = nullptr;
        s.tick = 0;
      }
    }
  }
  for (int i = 0; i < n; ++i) DestroyContext(taken[i], STG_RELEASE_FREE);
  return n;
}

// ---------------------------------------------------------------------------------------------
// Saved copy.

namespace {
struct ListPair {
  WORD countId, listId;
  DWORD recordSize;
};
constexpr ListPair kListPairs[] = {
    {QDV_rdmDeviceFontNum, QDV_rdmDeviceFont, 68},
    {QDV_rdmOptionFontNum, QDV_rdmOptionFont, 68},
    {QDV_rdmFontTableNum, QDV_rdmFontTable, 128},
};
// Lists larger than this are not copied (a count read from outside data cannot ask for more).
constexpr uint64_t kMaxListBytes = 64u << 20;
}  // namespace

int StgKeepStoreCopy(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work || !ctx->work->savedCopy || !ctx->store) return 0;
  StgFreeStoreCopyLists(ctx);
  std::memcpy(ctx->work->savedCopy, ctx->store, sizeof(SETTING_STORE));
  for (const ListPair& p : kListPairs) {
    uint64_t count = StgGetValue(ctx, p.countId, nullptr);
    const void* list = (const void*)(uintptr_t)StgGetValue(ctx, p.listId, nullptr);
    void* copy = nullptr;
    uint64_t bytes = count * p.recordSize;
    if (count && list && bytes <= kMaxListBytes) {
      copy = StgAllocZero((DWORD)bytes);
      if (copy) std::memcpy(copy, list, bytes);
    }
    StgSetSavedValue(ctx, p.countId, copy ? count : 0);
    StgSetSavedValue(ctx, p.listId, (uint64_t)(uintptr_t)copy);
  }
  return 1;
}

int StgFreeStoreCopyLists(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work || !ctx->work->savedCopy) return 0;
  for (WORD id : {QDV_rdmDeviceFont, QDV_rdmOptionFont, QDV_rdmFontTable}) {
    void** slot = StgFontListSlot(ctx, id, true);
    if (slot && *slot) {
      StgFree(*slot);
      StgSetSavedValue(ctx, id, 0);
    }
  }
  return 1;
}

const MODEL_ENTRY* StgFindModelEntry(SETTING_CONTEXT* ctx, const WCHAR* driverName) {
  if (!driverName) return nullptr;
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  const MODEL_LIST* list = m ? m->models : nullptr;
  if (!list) return nullptr;
  for (int i = 0; i < list->count; ++i)
    if (list->rows[i].name && kvp::WView(list->rows[i].name) == kvp::WView(driverName)) return &list->rows[i];
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Locks.

void StgInitLibraryLocks() {
  LibraryLocks& l = Locks();
  std::lock_guard<std::mutex> g(l.guard);
  // A second start-up (the graphics library's DrvEnableDriver) keeps the cached contexts and the mutex.
  if (!l.created[0] && !l.created[1]) {
    for (CONTEXT_CACHE& c : g_caches) c = CONTEXT_CACHE{};
    l.mutex = nullptr;
  }
  for (int i = 0; i < 2; ++i)
    if (!l.created[i]) l.created[i] = InitializeCriticalSectionAndSpinCount(&l.cs[i], 4000) != 0;
}

void StgFreeLibraryLocks() {
  LibraryLocks& l = Locks();
  std::lock_guard<std::mutex> g(l.guard);
  for (int i = 0; i < 2; ++i) {
    if (l.created[i]) DeleteCriticalSection(&l.cs[i]);
    l.created[i] = false;
  }
  if (l.mutex) CloseHandle(l.mutex);
  l.mutex = nullptr;
}

int StgLockSharedFiles(SETTING_CONTEXT* ctx) {
  if (!UsesSharedLock(ctx)) return 1;
  bool owned = false;
  if (t_lockDepth < kMaxLockDepth) {
    if (HANDLE h = SharedMutex()) {
      DWORD r = WaitForSingleObject(h, kMutexWaitMs);
      owned = r == WAIT_OBJECT_0 || r == (DWORD)WAIT_ABANDONED;
      if (r == WAIT_TIMEOUT) SetLastError(ERROR_TIMEOUT);
    }
    t_owned[t_lockDepth] = owned;
  }
  ++t_lockDepth;
  return owned ? 1 : 0;
}

void StgUnlockSharedFiles(SETTING_CONTEXT* ctx) {
  if (!UsesSharedLock(ctx) || t_lockDepth == 0) return;
  --t_lockDepth;
  // Only a request that really took the mutex gives it back.
  if (t_lockDepth >= kMaxLockDepth || !t_owned[t_lockDepth]) return;
  t_owned[t_lockDepth] = false;
  if (HANDLE h = Locks().mutex) ReleaseMutex(h);
}
