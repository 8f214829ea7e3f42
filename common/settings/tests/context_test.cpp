// Settings contexts: creation by kind and build mode, the caches and their rules, release types, the
// saved copy and its lists, the global mutex, and creation and release from many threads.
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "context_fixture.h"
#include "driverdata/img_image.h"
#include "kvplat/heap.h"
#include "kvplat/sync.h"
#include "kvplat/testhooks.h"
#include "settings/platform_queries.h"

using namespace kvstgtest;

namespace {

// A value that marks a context, to tell a reused one from a new one (a new one starts at 0).
constexpr WORD kMarkId = QDV_dmPrintQuality;
void Mark(SETTING_CONTEXT* c, DWORD v) { StgSetValue(c, kMarkId, v); }
DWORD MarkOf(SETTING_CONTEXT* c) { return (DWORD)StgGetValue(c, kMarkId, nullptr); }
// The mark of a context built afresh: the compiled default.
DWORD FreshMark(SETTING_CONTEXT* c) { return ImgGetDefaultValue(c, kMarkId); }

}  // namespace

class Creation : public ContextTest {};

TEST_F(Creation, EveryBuildModeGivesItsKindOfContext) {
  FakePrinter p(u"Plotter");
  for (WORD mode : {0, 1, 2, 3, 4, 9}) {
    SCOPED_TRACE(mode);
    SETTING_CONTEXT* c = Create(p, mode);
    ASSERT_NE(c, nullptr);
    bool full = mode <= 3;
    EXPECT_EQ(c->store != nullptr, full);
    EXPECT_EQ(c->image != nullptr, full);
    EXPECT_EQ(c->work->buildMode, mode);
    EXPECT_EQ(c->work->kind, STG_KIND_UI);
    // Own copies of the dictionary, the dialog table and the model block; shared symbol tables.
    SETTING_CONTEXT* t = StgGetTemplateContext();
    EXPECT_NE(c->dictionary, t->dictionary);
    EXPECT_EQ(c->dictionary->count, STG_ITEM_COUNT);
    EXPECT_NE(c->model, t->model);
    EXPECT_EQ(c->symbols, t->symbols);
    EXPECT_EQ(c->messages, t->messages);
    EXPECT_EQ(std::u16string_view(c->work->printerName), u"Plotter");
    EXPECT_EQ(c->work->printerLocation, 2u);
    if (full) {
      EXPECT_EQ(std::memcmp(c->work->savedCopy, c->store, sizeof(SETTING_STORE)), 0);
      EXPECT_TRUE(StgIsValidPrivateDevmode(StgGetDevmode(c)));
    }
    StgReleaseContext(c, STG_RELEASE_FREE);
  }
}

// A context owns its dialog table: the run-time fields of its controls and dialogs are its own, and
// the extra data stays the template's read-only array.
TEST_F(Creation, DialogTableCopyIsTheContextsOwn) {
  FakePrinter p(u"Plotter");
  SETTING_CONTEXT* a = Create(p, 1);
  SETTING_CONTEXT* b = Create(p, 1);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  DIALOG_TABLE* t = StgGetTemplateDialogTable();
  ASSERT_EQ(a->dialogs->count, t->count);
  for (int i = 0; i < t->count; ++i) {
    EXPECT_NE(a->dialogs->rows[i].controls, t->rows[i].controls);
    EXPECT_NE(a->dialogs->rows[i].controls, b->dialogs->rows[i].controls);
  }
  DIALOG_DESC* dlg = StgFindDialog(a, 1001);
  ASSERT_NE(dlg, nullptr);
  CONTROL_DESC* c = StgGetDialogControl(dlg, 0);
  ASSERT_NE(c, nullptr);
  int dummy = 0;
  c->state = STG_CONTROL_STATE_HIDDEN;
  c->window = &dummy;
  c->flags |= STG_CONTROL_SAVES_PRESET;
  c->alternateId = c->controlId;
  dlg->window = &dummy;
  dlg->modalOpen = 1;
  for (DIALOG_TABLE* other : {t, b->dialogs}) {
    const DIALOG_DESC* d = StgTableFindDialog(other, 1001);
    const CONTROL_DESC* o = StgGetDialogControl(d, 0);
    EXPECT_EQ(o->state, 0);
    EXPECT_EQ(o->window, nullptr);
    EXPECT_EQ(o->flags & STG_CONTROL_SAVES_PRESET, 0u);
    EXPECT_EQ(o->alternateId, 0);
    EXPECT_EQ(d->window, nullptr);
    EXPECT_EQ(d->modalOpen, 0);
    EXPECT_EQ(o->extra, c->extra);
  }
  StgReleaseContext(a, STG_RELEASE_FREE);
  StgReleaseContext(b, STG_RELEASE_FREE);
}

TEST_F(Creation, EveryKindIsRecordedAfterItsAdjustments) {
  FakePrinter p(u"P");
  struct Case {
    DWORD kind;
    DWORD commonIni;
    DWORD recorded;
  };
  const Case cases[] = {
      {STG_KIND_UI, 0, STG_KIND_UI},
      {STG_KIND_CAPS, 0, STG_KIND_CAPS},
      {STG_KIND_DOCPROP, 0, STG_KIND_DOCPROP},
      {STG_KIND_GRAPHICS_IN, 0, STG_KIND_GRAPHICS},
      {STG_KIND_EXC, 0, STG_KIND_EXC},
      {STG_KIND_API, 0, STG_KIND_API},
      {STG_KIND_UI, 1, STG_KIND_UI | STG_KIND_COMMON_INI},
      {STG_KIND_EXC, 1, STG_KIND_EXC | STG_KIND_COMMON_INI},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.recorded);
    g_StgCommonIniFlag = k.commonIni;
    SETTING_CONTEXT* c = Create(p, 0, k.kind);
    g_StgCommonIniFlag = 0;
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->work->kind, k.recorded);
    StgReleaseContext(c, STG_RELEASE_FREE);
  }
}

TEST_F(Creation, NoImageDestroysTheHalfBuiltContext) {
  FakePrinter p(u"P");
  // Without a printer handle the compiled image cannot be had; a light context needs none.
  EXPECT_EQ(StgCreateContextEx(p.handle, nullptr, nullptr, 0, STG_KIND_UI, 0, p.Info()), nullptr);
  SETTING_CONTEXT* light = StgCreateContextEx(p.handle, nullptr, nullptr, 4, STG_KIND_UI, 0, p.Info());
  ASSERT_NE(light, nullptr);
  StgReleaseContext(light, STG_RELEASE_FREE);
}

TEST_F(Creation, EveryFailedAllocationLeavesNothingBehind) {
  FakePrinter p(u"P");
  // Fail the n-th allocation of a creation for a spread of n until a creation succeeds; ASan reports
  // any block a failed creation leaves.
  for (unsigned n = 1;; n += n < 1950 ? 61 : 1) {
    kvp::test::FailAllocAt(n);
    SETTING_CONTEXT* c = Create(p, 0);
    kvp::test::FailAllocAt(0);
    if (c) {
      StgReleaseContext(c, STG_RELEASE_FREE);
      break;
    }
    ASSERT_LT(n, 10000u);
  }
}

TEST_F(Creation, ModelEntryMatchesTheDriverNameExactly) {
  FakePrinter p(u"P");
  SETTING_CONTEXT* c = Create(p, 4);
  ASSERT_NE(StgFindModelEntry(c, u"PELLO 7716XTA ZARN"), nullptr);
  EXPECT_EQ(StgFindModelEntry(c, u"pello 7716XTA ZARN"), nullptr);
  EXPECT_EQ(StgFindModelEntry(c, nullptr), nullptr);
  EXPECT_EQ(c->work->capabilityMask, 0u);
  StgReleaseContext(c, STG_RELEASE_FREE);
}

// ---------------------------------------------------------------------------------------------

class Cache : public ContextTest {};

TEST_F(Cache, ReusedUpTo500msAndPurgedAfter) {
  for (DWORD start : {100000u, 0xFFFFFF00u}) {  // the second run crosses the 32-bit wrap
    SCOPED_TRACE(start);
    FakePrinter p(u"P");
    At(start);
    SETTING_CONTEXT* c = Create(p);
    Mark(c, 111);
    StgFreeContext(c);
    At(start + 500);
    SETTING_CONTEXT* again = Create(p);
    EXPECT_EQ(MarkOf(again), 111u);
    StgFreeContext(again);
    At(start + 500 + 501);
    SETTING_CONTEXT* fresh = Create(p);
    EXPECT_EQ(MarkOf(fresh), FreshMark(fresh));
    StgReleaseContext(fresh, STG_RELEASE_FREE);
  }
}

TEST_F(Cache, PurgeCountsWhatItTakes) {
  FakePrinter a(u"A"), b(u"B");
  StgFreeContext(Create(a));
  At(100300);
  StgReleaseContext(Create(b, 0, STG_KIND_CAPS), STG_RELEASE_CAPS);
  At(100501);
  EXPECT_EQ(StgPurgeContextCache(0), 1);
  EXPECT_EQ(StgPurgeContextCache(1), 1);
  EXPECT_EQ(StgPurgeContextCache(1), 0);
}

TEST_F(Cache, CapabilityAndGeneralCachesAreApart) {
  FakePrinter p(u"P");
  SETTING_CONTEXT* c = Create(p, 0, STG_KIND_CAPS);
  Mark(c, 5);
  StgFreeContext(c);  // type 0 goes to the general cache ...
  SETTING_CONTEXT* caps = Create(p, 0, STG_KIND_CAPS);  // ... so the capability lookup misses
  EXPECT_EQ(MarkOf(caps), FreshMark(caps));
  Mark(caps, 6);
  StgReleaseContext(caps, STG_RELEASE_CAPS);
  SETTING_CONTEXT* again = Create(p, 0, STG_KIND_CAPS);
  EXPECT_EQ(MarkOf(again), 6u);
  StgReleaseContext(again, STG_RELEASE_FREE);
}

TEST_F(Cache, ThirdReleaseEvictsTheOlderSlotFirstSlotOnTie) {
  FakePrinter a(u"A"), b(u"B"), c(u"C");
  SETTING_CONTEXT* ca = Create(a);
  SETTING_CONTEXT* cb = Create(b);
  SETTING_CONTEXT* cc = Create(c);
  Mark(ca, 1), Mark(cb, 2), Mark(cc, 3);
  StgFreeContext(ca);
  StgFreeContext(cb);  // same tick: a tie
  StgFreeContext(cc);  // evicts the first slot (A)
  SETTING_CONTEXT* ra = Create(a);
  SETTING_CONTEXT* rb = Create(b);
  SETTING_CONTEXT* rc = Create(c);
  EXPECT_EQ(MarkOf(ra), FreshMark(ra));
  EXPECT_EQ(MarkOf(rb), 2u);
  EXPECT_EQ(MarkOf(rc), 3u);
  for (SETTING_CONTEXT* x : {ra, rb, rc}) StgReleaseContext(x, STG_RELEASE_FREE);

  // With different ticks the older one goes, whichever slot it is in.
  SETTING_CONTEXT* xa = Create(a);
  SETTING_CONTEXT* xb = Create(b);
  SETTING_CONTEXT* xc = Create(c);
  Mark(xa, 1), Mark(xb, 2), Mark(xc, 3);
  StgFreeContext(xa);
  At(100100);
  StgFreeContext(xb);
  At(100200);
  StgFreeContext(xc);  // evicts A (older) from slot 0
  At(100300);
  SETTING_CONTEXT* yb = Create(b);
  SETTING_CONTEXT* ya = Create(a);
  EXPECT_EQ(MarkOf(yb), 2u);
  EXPECT_EQ(MarkOf(ya), FreshMark(ya));
  StgReleaseContext(yb, STG_RELEASE_FREE);
  StgReleaseContext(ya, STG_RELEASE_FREE);
}

TEST_F(Cache, MatchingRules) {
  struct Case {
    const char* what;
    WORD flags;
    uintptr_t handle;
    std::u16string name;
    bool reused;
  };
  const Case cases[] = {
      {"same printer, flags 0", 0, 0x1001, u"Plotter", true},
      {"admin flag without 0x800", 0x200, 0x1001, u"Plotter", false},
      {"0x1B00 takes any handle", 0x1B00, 0x2002, u"Plotter", true},
      {"another handle without 0x1000", 0x800, 0x2002, u"Plotter", false},
      {"name differs in case", 0, 0x1001, u"plotter", false},
      {"another build mode", 0x801, 0x1001, u"Plotter", false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    FakePrinter p(u"Plotter");
    SETTING_CONTEXT* c = Create(p);
    Mark(c, 42);
    StgFreeContext(c);
    FakePrinter q(k.name, k.handle);
    SETTING_CONTEXT* d = Create(q, k.flags);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(MarkOf(d) == 42, k.reused);
    StgReleaseContext(d, STG_RELEASE_FREE);
    StgPurgeContextCache(1);
  }
}

TEST_F(Cache, DocumentPropertiesSubKind2NeedsMode2) {
  FakePrinter p(u"P");
  SETTING_CONTEXT* c = Create(p, 0, STG_KIND_DOCPROP);
  Mark(c, 7);
  c->work->docPropMode = 1;
  StgFreeContext(c);
  SETTING_CONTEXT* miss = Create(p, 0, STG_KIND_DOCPROP, 2);
  EXPECT_EQ(MarkOf(miss), FreshMark(miss));
  miss->work->docPropMode = 2;
  Mark(miss, 8);
  StgFreeContext(miss);
  SETTING_CONTEXT* hit = Create(p, 0, STG_KIND_DOCPROP, 2);
  EXPECT_EQ(MarkOf(hit), 8u);
  StgReleaseContext(hit, STG_RELEASE_FREE);
}

TEST_F(Cache, JobBinderPassThroughIsNeverCached) {
  FakePrinter p(u"P");
  for (DWORD binder : {1u, 3u, 33u}) {
    SETTING_CONTEXT* c = Create(p);
    Mark(c, 9);
    StgSetValue(c, QDV_rdmJobBinder, binder);
    StgFreeContext(c);
    SETTING_CONTEXT* d = Create(p);
    EXPECT_EQ(MarkOf(d), FreshMark(d)) << binder;
    StgReleaseContext(d, STG_RELEASE_FREE);
  }
  EXPECT_EQ(StgPurgeContextCache(1), 0);
}

TEST_F(Cache, ReuseTakesTheNewCreatorsLockAndAdminRules) {
  FakePrinter p(u"P");
  SETTING_CONTEXT* c = Create(p, STG_CF_NO_LOCK | STG_CF_ASSUME_ADMIN);
  EXPECT_EQ(c->work->useSharedLock, 0u);
  EXPECT_EQ(c->work->adminCheck, 0u);
  EXPECT_EQ(StgGetAdmin(c), 1);
  Mark(c, 3);
  StgFreeContext(c);
  FakePrinter other(u"P", 0x7777);
  SETTING_CONTEXT* d = Create(other, STG_CF_ANY_HANDLE | STG_CF_CACHE_OK);
  ASSERT_EQ(MarkOf(d), 3u);
  EXPECT_EQ(d->printer, other.handle);
  EXPECT_EQ(d->printer2, DataHandle());
  EXPECT_EQ(d->work->useSharedLock, 1u);
  EXPECT_EQ(d->work->adminCheck, 1u);
  EXPECT_EQ(StgGetAdmin(d), StgIsAdministrator());
  StgReleaseContext(d, STG_RELEASE_FREE);
}

// ---------------------------------------------------------------------------------------------

class Release : public ContextTest {
 protected:
  // Gives the context a device-font list of two records, as the device-settings load does.
  static void GiveList(SETTING_CONTEXT* c, WORD countId, WORD listId, DWORD recordSize) {
    BYTE* list = (BYTE*)StgAllocZero(2 * recordSize);
    for (DWORD i = 0; i < 2 * recordSize; ++i) list[i] = (BYTE)i;
    StgSetValue(c, countId, 2);
    StgSetValue(c, listId, (uint64_t)(uintptr_t)list);
  }
};

TEST_F(Release, EveryTypeFreesTheListsStillHeld) {
  FakePrinter p(u"P");
  for (WORD type : {STG_RELEASE_GENERAL, STG_RELEASE_KEEP_LISTS, STG_RELEASE_CAPS, STG_RELEASE_FREE, WORD(7)}) {
    SCOPED_TRACE(type);
    SETTING_CONTEXT* c = Create(p, 0, type == STG_RELEASE_CAPS ? STG_KIND_CAPS : STG_KIND_UI);
    GiveList(c, QDV_rdmDeviceFontNum, QDV_rdmDeviceFont, 68);
    GiveList(c, QDV_rdmFontTableNum, QDV_rdmFontTable, 128);
    StgKeepStoreCopy(c);
    StgReleaseContext(c, type);
    StgPurgeContextCache(1);  // ASan reports any list left behind
  }
}

TEST_F(Release, AListTakenOverBeforeReleaseStaysWithItsNewOwner) {
  FakePrinter p(u"P");
  SETTING_CONTEXT* c = Create(p);
  GiveList(c, QDV_rdmOptionFontNum, QDV_rdmOptionFont, 68);
  void* taken = (void*)(uintptr_t)StgGetValue(c, QDV_rdmOptionFont, nullptr);
  StgSetValue(c, QDV_rdmOptionFont, 0);
  StgReleaseContext(c, STG_RELEASE_KEEP_LISTS);
  EXPECT_EQ(((BYTE*)taken)[5], 5);
  StgFree(taken);
}

TEST_F(Release, SavedCopyHasItsOwnLists) {
  FakePrinter p(u"P");
  SETTING_CONTEXT* c = Create(p);
  GiveList(c, QDV_rdmDeviceFontNum, QDV_rdmDeviceFont, 68);
  GiveList(c, QDV_rdmFontTableNum, QDV_rdmFontTable, 128);
  ASSERT_EQ(StgKeepStoreCopy(c), 1);
  for (WORD id : {QDV_rdmDeviceFont, QDV_rdmFontTable}) {
    void* cur = (void*)(uintptr_t)StgGetValue(c, id, nullptr);
    void* saved = (void*)(uintptr_t)StgGetSavedValue(c, id, nullptr);
    ASSERT_NE(saved, nullptr);
    EXPECT_NE(saved, cur);
    EXPECT_EQ(std::memcmp(saved, cur, id == QDV_rdmFontTable ? 256 : 136), 0);
  }
  EXPECT_EQ(StgGetSavedValue(c, QDV_rdmDeviceFontNum, nullptr), 2u);
  EXPECT_EQ(StgGetSavedValue(c, QDV_rdmOptionFont, nullptr), 0u);
  // Keeping a new copy replaces the old copy's lists; freeing them empties the copy.
  ASSERT_EQ(StgKeepStoreCopy(c), 1);
  ASSERT_EQ(StgFreeStoreCopyLists(c), 1);
  EXPECT_EQ(StgGetSavedValue(c, QDV_rdmDeviceFont, nullptr), 0u);
  StgReleaseContext(c, STG_RELEASE_FREE);
  SETTING_CONTEXT* light = Create(p, 4);
  EXPECT_EQ(StgKeepStoreCopy(light), 0);
  StgReleaseContext(light, STG_RELEASE_FREE);
}

// ---------------------------------------------------------------------------------------------

class SharedLock : public ContextTest {
 protected:
  // Whether another thread could take the global mutex right now.
  static bool FreeForOthers() {
    bool got = false;
    std::thread t([&] {
      HANDLE h = CreateMutexW(nullptr, FALSE, u"Global\\ZarnMutexTse");
      DWORD r = WaitForSingleObject(h, 0);
      got = r == WAIT_OBJECT_0 || r == (DWORD)WAIT_ABANDONED;
      if (got) ReleaseMutex(h);
      CloseHandle(h);
    });
    t.join();
    return got;
  }
};

TEST_F(SharedLock, ReentrantAndReleasedOnlyByTheOwner) {
  EXPECT_TRUE(FreeForOthers());
  ASSERT_EQ(StgLockSharedFiles(nullptr), 1);
  ASSERT_EQ(StgLockSharedFiles(nullptr), 1);
  EXPECT_FALSE(FreeForOthers());
  StgUnlockSharedFiles(nullptr);
  EXPECT_FALSE(FreeForOthers());
  StgUnlockSharedFiles(nullptr);
  EXPECT_TRUE(FreeForOthers());
  StgUnlockSharedFiles(nullptr);  // unbalanced: nothing to give back, nothing happens
  EXPECT_TRUE(FreeForOthers());
}

TEST_F(SharedLock, NoLockContextsLeaveItToTheirCreator) {
  FakePrinter p(u"P");
  SETTING_CONTEXT* c = Create(p, STG_CF_NO_LOCK | 4);
  ASSERT_EQ(StgLockSharedFiles(c), 1);
  EXPECT_TRUE(FreeForOthers());
  StgUnlockSharedFiles(c);
  // Without a context the mutex is always taken, whatever contexts exist.
  ASSERT_EQ(StgLockSharedFiles(nullptr), 1);
  EXPECT_FALSE(FreeForOthers());
  StgUnlockSharedFiles(nullptr);
  StgReleaseContext(c, STG_RELEASE_FREE);
}

TEST_F(SharedLock, ExcludesAnotherProcess) {
  int toParent[2], toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The child opens the mutex by its name again, holds it until told, then lets go.
    StgInitLibraryLocks();
    char c = StgLockSharedFiles(nullptr) ? 'L' : 'F';
    if (write(toParent[1], &c, 1) != 1) _exit(2);
    if (read(toChild[0], &c, 1) != 1) _exit(3);
    StgUnlockSharedFiles(nullptr);
    c = 'U';
    if (write(toParent[1], &c, 1) != 1) _exit(4);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(toParent[0], &c, 1), 1);
  EXPECT_EQ(c, 'L');
  EXPECT_FALSE(FreeForOthers());
  ASSERT_EQ(write(toChild[1], "x", 1), 1);
  ASSERT_EQ(read(toParent[0], &c, 1), 1);
  EXPECT_EQ(c, 'U');
  EXPECT_TRUE(FreeForOthers());
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) close(fd);
}

// ---------------------------------------------------------------------------------------------

TEST_F(Creation, ManyThreadsCreateAndReleaseSafely) {
  kvp::test::UseRealClock();
  std::vector<FakePrinter> printers;
  for (int i = 0; i < 3; ++i) printers.emplace_back(u"Stress" + std::u16string(1, u'0' + i), 0x3000 + i);
  std::atomic<int> failures{0};
  auto worker = [&](int seed) {
    unsigned r = (unsigned)seed * 2654435761u;
    for (int i = 0; i < 60; ++i) {
      r = r * 1103515245u + 12345u;
      FakePrinter& p = printers[(r >> 8) % printers.size()];
      PRINTER_INFO_2W info{};
      info.pPrinterName = p.name.data();
      info.pDriverName = p.driver.data();
      WORD flags = (r >> 4) % 3 == 0 ? 4 : 0;
      DWORD kind = (r >> 12) % 2 ? STG_KIND_CAPS : STG_KIND_UI;
      SETTING_CONTEXT* c = StgCreateContextEx(p.handle, DataHandle(), nullptr, flags, kind, 0, &info);
      if (!c) {
        ++failures;
        continue;
      }
      if (c->store) StgSetValue(c, kMarkId, (DWORD)seed);
      WORD type = kind == STG_KIND_CAPS ? STG_RELEASE_CAPS : ((r >> 16) % 4 == 0 ? STG_RELEASE_FREE : 0);
      StgReleaseContext(c, type);
      if ((r >> 20) % 16 == 0) StgPurgeContextCache((r >> 24) % 2);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) threads.emplace_back(worker, t + 1);
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
}

// ---------------------------------------------------------------------------------------------
// With a printer of the spooler: the name comes from the spooler, and the printer's default DEVMODE
// is adopted when it fits.

class SpoolerPrinter : public ContextTest {
 protected:
  void SetUp() override {
    ContextTest::SetUp();
    std::u16string driver = u"KAVRO Lumeta QT M8350 ZARN", env = KV_PRINT_ENVIRONMENT;
    std::u16string path = u"kvdrvgr.dll", data = u"kvdrvdat", config = u"kvdrvui.dll", empty, raw = u"RAW";
    DRIVER_INFO_3W di{};
    di.cVersion = 3;
    di.pName = driver.data();
    di.pEnvironment = env.data();
    di.pDriverPath = path.data();
    di.pDataFile = data.data();
    di.pConfigFile = config.data();
    di.pHelpFile = empty.data();
    di.pDependentFiles = empty.data();
    di.pMonitorName = empty.data();
    di.pDefaultDataType = raw.data();
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&di)));
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = name_.data();
    pi.pDriverName = driver.data();
    handle_ = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
    ASSERT_NE(handle_, nullptr);
  }
  void TearDown() override {
    StgPurgeContextCache(1);
    if (handle_) ClosePrinter(handle_);
    ContextTest::TearDown();
  }
  // Makes `dm` the printer's default DEVMODE.
  void SetDefaultDevmode(DEVMODEW* dm) {
    PRINTER_INFO_2W* pi = (PRINTER_INFO_2W*)StgGetPrinterInfo(handle_, 2);
    ASSERT_NE(pi, nullptr);
    pi->pDevMode = dm;
    ASSERT_TRUE(SetPrinterW(handle_, 2, reinterpret_cast<LPBYTE>(pi), 0));
    StgFree(pi);
  }
  std::u16string name_ = u"Spooled plotter";
  HANDLE handle_ = nullptr;
};

TEST_F(SpoolerPrinter, NameFromTheSpoolerKeysTheCache) {
  SETTING_CONTEXT* c = StgCreateContext(handle_, handle_, nullptr, STG_KIND_UI);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(std::u16string_view(c->work->printerName), name_);
  Mark(c, 77);
  StgFreeContext(c);
  SETTING_CONTEXT* d = StgCreateContext(handle_, handle_, nullptr, STG_KIND_UI);
  EXPECT_EQ(MarkOf(d), 77u);
  StgReleaseContext(d, STG_RELEASE_FREE);
}

TEST_F(SpoolerPrinter, DefaultDevmodeAdoptedOnlyWhenItFits) {
  SETTING_CONTEXT* first = StgCreateContextEx(handle_, handle_, nullptr, 3, STG_KIND_UI, 0, nullptr);
  ASSERT_NE(first, nullptr);
  StgSetValue(first, QDV_rdmScaleType, 2);
  std::vector<BYTE> good(first->store->bytes, first->store->bytes + STG_DEVMODE_SIZE);
  StgReleaseContext(first, STG_RELEASE_FREE);

  SetDefaultDevmode(reinterpret_cast<DEVMODEW*>(good.data()));
  SETTING_CONTEXT* c = StgCreateContextEx(handle_, handle_, nullptr, 3, STG_KIND_UI, 0, nullptr);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(StgGetValue(c, QDV_rdmScaleType, nullptr), 2u);
  StgReleaseContext(c, STG_RELEASE_FREE);

  // Another driver version: the defaults stay.
  std::vector<BYTE> other = good;
  WORD v = 0x300;
  std::memcpy(other.data() + DM_OFF_DRIVER_VERSION, &v, 2);
  SetDefaultDevmode(reinterpret_cast<DEVMODEW*>(other.data()));
  SETTING_CONTEXT* d = StgCreateContextEx(handle_, handle_, nullptr, 3, STG_KIND_UI, 0, nullptr);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(StgGetOptionValue(d, QDV_rdmScaleType, nullptr), ImgGetDefaultValue(d, QDV_rdmScaleType));
  StgReleaseContext(d, STG_RELEASE_FREE);
}
