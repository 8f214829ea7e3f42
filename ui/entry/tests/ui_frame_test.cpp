// The worker frame: contexts opened with the kind and flags of each worker's row, the set-up flag kept
// to its own thread, the store check, and the library's process state.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "kvplat/error.h"
#include "settings/store.h"
#include "ui_fixture.h"
#include "ui_frame.h"
#include "ui_intake.h"

using namespace uitest;

namespace {

class Frame : public ModelPrinterTest {};

TEST_F(Frame, EachWorkerOpensItsContextAsItsRowSays) {
  for (const UI_WORKER_ROW& row : UI_WORKER_TABLE) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(UiWorkerRow(row.worker), &row);
    UI_FRAME f;
    ASSERT_EQ(UiFrameOpen(&f, row.worker, printer_, 0x2), 1);
    ASSERT_NE(f.ctx, nullptr);
    ASSERT_NE(f.info, nullptr);
    EXPECT_EQ(f.ctx->work->kind, row.kind);
    EXPECT_EQ(f.ctx->work->useSharedLock, (row.creationFlags & STG_CF_NO_LOCK) ? 0u : 1u);
    EXPECT_EQ(f.ctx->printer, printer_);
    EXPECT_EQ(UiFrameTakeDevmode(&f, nullptr, 0x2), 1);
    DWORD mode = UiWorkerIntakeMode(&row, 0x2);
    if (mode) {
      EXPECT_EQ(f.ctx->work->mergeMode, mode);
    }
    UiFrameClose(&f);
    EXPECT_EQ(f.ctx, nullptr);
    EXPECT_EQ(f.info, nullptr);
  }
  EXPECT_EQ(UiWorkerRow(UI_WORKER_COUNT), nullptr);
}

TEST_F(Frame, IntakeModesOfTheWorkers) {
  // The caller's fMode brings its seven fMode bits and nothing above them.
  EXPECT_EQ(UiWorkerIntakeMode(UiWorkerRow(UI_WORKER_DOC_SHEETS), 0x40000006), 0x2000006u);
  EXPECT_EQ(UiWorkerIntakeMode(UiWorkerRow(UI_WORKER_DOC_SILENT), 0x2), 0x2200000Au);
  EXPECT_EQ(UiWorkerIntakeMode(UiWorkerRow(UI_WORKER_DEVICE_SHEETS), 0x7F), 0x400000Au);
  EXPECT_EQ(UiWorkerIntakeMode(UiWorkerRow(UI_WORKER_CAPS), 0), 0x1000008u);
  EXPECT_EQ(UiWorkerIntakeMode(UiWorkerRow(UI_WORKER_SETUP), 0xFF), 0u);
}

TEST_F(Frame, FailsCleanlyWithoutPrinterInformation) {
  UI_FRAME f;
  EXPECT_EQ(UiFrameOpen(&f, UI_WORKER_CAPS, (HANDLE)0x7777, 0), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_EQ(f.ctx, nullptr);
  EXPECT_EQ(f.info, nullptr);
  EXPECT_EQ(UiFrameOpen(&f, (UI_WORKER)42, printer_, 0), 0);
  EXPECT_EQ(UiFrameTakeDevmode(&f, nullptr, 0), 0);
  UiFrameClose(&f);
}

TEST_F(Frame, SetupScopeMarksOnlyItsOwnThreadsContexts) {
  EXPECT_EQ(UiIsSetupRunning(), 0);
  {
    UI_SETUP_SCOPE outer;
    EXPECT_EQ(UiIsSetupRunning(), 1);
    {
      UI_SETUP_SCOPE nested;
    }
    EXPECT_EQ(UiIsSetupRunning(), 1);  // the inner step's end does not end the outer one
  }
  EXPECT_EQ(UiIsSetupRunning(), 0);

  // A set-up on one thread while document calls run on others: only the set-up's contexts get the
  // machine INI, and every document call keeps its own context apart.
  std::atomic<int> phase{0};
  std::atomic<int> docFailures{0};
  SETTING_CONTEXT* setupCtx = nullptr;
  DWORD setupKind = 0;
  std::thread setup([&] {
    UI_SETUP_SCOPE scope;
    phase = 1;
    while (phase.load() < 2) std::this_thread::yield();
    setupCtx = UiOpenContextFlags(printer_, printer_, nullptr, STG_CF_NO_LOCK | 0x01, STG_KIND_UI);
    if (setupCtx) setupKind = setupCtx->work->kind;
    UiCloseContextMode(setupCtx, STG_RELEASE_KEEP_LISTS);
  });
  while (phase.load() < 1) std::this_thread::yield();
  std::vector<std::thread> docs;
  for (int t = 0; t < 4; ++t) {
    docs.emplace_back([&, t] {
      for (int i = 0; i < 3; ++i) {
        UI_FRAME f;
        if (!UiFrameOpen(&f, UI_WORKER_DOC_SILENT, printer_, (DWORD)t)) {
          ++docFailures;
          continue;
        }
        if (f.ctx->work->kind & STG_KIND_COMMON_INI) ++docFailures;
        // Each thread's own copy count (admissible, so the intake keeps it).
        StgSetValue(f.ctx, 12, (uint64_t)(t + 2));  // dmCopies
        if (!UiFrameTakeDevmode(&f, nullptr, (DWORD)t)) ++docFailures;
        if (StgGetValue(f.ctx, 12, nullptr) != (uint64_t)(t + 2)) ++docFailures;
        UiFrameClose(&f);
      }
    });
  }
  for (std::thread& d : docs) d.join();
  phase = 2;
  setup.join();
  EXPECT_EQ(docFailures.load(), 0);
  EXPECT_EQ(setupKind, STG_KIND_UI | STG_KIND_COMMON_INI);
}

TEST_F(Frame, StoreCheckRebuildsOrMigrates) {
  SETTING_CONTEXT* ctx = Open();
  ASSERT_NE(ctx, nullptr);
  BYTE* dm = ctx->store->bytes;
  size_t scale = StgFindItem(ctx, QDV_rdmScaleType)->offset;
  DWORD scaleDefault = ImgGetDefaultValue(ctx, QDV_rdmScaleType);
  struct Case {
    const char* what;
    void (*spoil)(BYTE*);
    int expect;
  };
  const Case cases[] = {
      {"valid", [](BYTE*) {}, 0},
      {"wrong size", [](BYTE* d) { uitest::PutRaw<WORD>(d, DM_OFF_DRIVER_EXTRA, 1000); }, 1},
      {"foreign data", [](BYTE* d) { uitest::PutRaw<DWORD>(d, PDM_OFF_MODEL_ID, 0x11223344); }, 1},
      {"older major", [](BYTE* d) { uitest::PutRaw<DWORD>(d, PDM_OFF_VERSION, 222); }, 1},
      {"older minor", [](BYTE* d) { uitest::PutRaw<DWORD>(d, PDM_OFF_VERSION, 321); }, 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    StgSetOptionValue(ctx, QDV_rdmScaleType, scaleDefault + 1);
    BYTE marked = dm[scale];
    k.spoil(dm);
    EXPECT_EQ(UiValidateContextStore(ctx), k.expect);
    EXPECT_TRUE(StgIsValidPrivateDevmode(StgGetDevmode(ctx)));
    EXPECT_EQ(StgGetDmSettingsVersion(StgGetDevmode(ctx)), 322u);
    // A rebuilt store has its defaults back; a kept or migrated one its settings.
    if (k.expect == 1) {
      EXPECT_EQ(StgGetOptionValue(ctx, QDV_rdmScaleType, nullptr), scaleDefault);
    } else {
      EXPECT_EQ(dm[scale], marked);
    }
  }
  EXPECT_EQ(UiValidateContextStore(nullptr), -1);
  StgReleaseContext(ctx, STG_RELEASE_FREE);
}

TEST(UiProcess, AttachKeepsTheModuleHandleAndDetachEmptiesTheCaches) {
  // Linked into a program, nothing ran the load entry: the handle is none until an attach.
  HMODULE before = UiGetModuleHandle();
  EXPECT_EQ(UiProcessAttachDetach((HINSTANCE)0x1234, 1, nullptr), 1);
  EXPECT_EQ(UiGetModuleHandle(), (HMODULE)0x1234);
  EXPECT_EQ(UiProcessAttachDetach((HINSTANCE)0x1234, 7, nullptr), 1);
  EXPECT_EQ(UiProcessAttachDetach((HINSTANCE)0x1234, 0, nullptr), 1);
  EXPECT_EQ(StgPurgeContextCache(1), 0);
  UiSetModuleHandle(before);
}

TEST(UiProcess, AccessRightsOfTheWorkers) {
  EXPECT_EQ(UI_ACCESS_TABLE[UI_ACCESS_ALL].desiredAccess, 0xF000Cu);
  EXPECT_EQ(UI_ACCESS_TABLE[UI_ACCESS_READ].desiredAccess, 0x20008u);
  EXPECT_EQ(UI_ACCESS_TABLE[UI_ACCESS_SERVER].desiredAccess, 0xF0003u);
  EXPECT_EQ(UI_ACCESS_TABLE[UI_ACCESS_USE].desiredAccess, 0x8u);
  // The hand-over table as the graphics library reads it: three keyed rows and the end row.
  const BYTE* t = reinterpret_cast<const BYTE*>(STRING_HANDOVER_TABLE);
  EXPECT_EQ(Get<WORD>(t, 526 * 2), 735);
  EXPECT_EQ(Get<WORD>(t, 526 * 2 + 2), 15002);
  EXPECT_EQ(Get<WORD>(t, 526 * 3), 0);
}

class Access : public ModelPrinterTest {};

TEST_F(Access, OpenPrinterWithTheRowsRights) {
  HANDLE h = UiOpenPrinter(name_.c_str(), UI_ACCESS_READ);
  ASSERT_NE(h, nullptr);
  ClosePrinter(h);
  EXPECT_EQ(UiOpenPrinter(u"No such printer", UI_ACCESS_USE), nullptr);
  EXPECT_EQ(UiOpenPrinter(name_.c_str(), (UI_ACCESS_KIND)9), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

}  // namespace
