// End to end on a machine root with the installed driver set: one process saves the settings of a
// printer's context into a settings file; another restores the file into a context of a second
// printer of the same model, which then holds the same settings.
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "config/settings_file.h"
#include "kvplat/file.h"
#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/public_fields.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/units.h"

namespace {

constexpr char16_t kFile[] = u"C:\\shared\\plotter.rsr";

SETTING_CONTEXT* Open(const char16_t* name, HANDLE* printer) {
  std::u16string n = name;
  PRINTER_DEFAULTSW def{nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!OpenPrinterW(n.data(), printer, &def)) return nullptr;
  return StgCreateContextEx(*printer, *printer, nullptr, 0, STG_KIND_UI, 0, nullptr);
}

// The settings a full restore takes from a file and leaves as the file has them.
bool Restored(SETTING_CONTEXT* ctx, WORD id) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  if (!row || !StgGetItemName(ctx, id) || StgTypeBlock(row->type) != STG_BLOCK_DEVMODE) return false;
  // The preset number and the locale are the restoring printer's own after a full restore.
  if (id < 35 || id == sid::rdmPresetNo || id == sid::rdmLocaleID || (id >= 697 && id <= 914)) return false;
  return CfgIsRestorableSetting(id) && CfgIsSavableSetting(id) && CfgIsTransferableSetting(id) &&
         CfgIsNotNoticeSupportSetting(id);
}

// The saving process: changes some settings, saves them, and leaves its store beside the file.
int SaveInChild(const std::string& dump) {
  StgFreeLibraryLocks();
  StgInitLibraryLocks();
  HANDLE printer = nullptr;
  SETTING_CONTEXT* ctx = Open(u"Alpha", &printer);
  if (!ctx) return 2;
  StgSetValue(ctx, sid::dmOrientation, 2);
  StgSetValue(ctx, sid::dmCopies, 4);
  StgSetValue(ctx, sid::rdmFuncSelectNup, 1);
  // The paper geometry follows the orientation, as it does after every change in the interface.
  StgRefreshDerivedSettings(StgGetDevmode(ctx), ctx, 0);
  if (!CreateDirectoryW(u"C:\\shared", nullptr)) return 3;
  if (CfgWriteSettingsFile(printer, kFile, 0, ctx) != 1) return 4;
  std::ofstream(dump, std::ios::binary).write((const char*)ctx->store->bytes, sizeof(SETTING_STORE));
  StgReleaseContext(ctx, STG_RELEASE_FREE);
  ClosePrinter(printer);
  return 0;
}

TEST(SettingsFileEndToEnd, SavedByOnePrinterRestoredIntoAnotherInAnotherProcess) {
  kvtest::TempRoot root;
  for (const char16_t* name : {u"Alpha", u"Beta"}) {
    HANDLE h = kvtest::InstallModelPrinter(name);
    ASSERT_NE(h, nullptr) << "install " << kvp::ToUtf8(name);
    ClosePrinter(h);
  }
  const std::string dump = root.path() + "/alpha.store";
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(SaveInChild(dump));
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);

  StgInitLibraryLocks();
  HANDLE printer = nullptr;
  SETTING_CONTEXT* ctx = Open(u"Beta", &printer);
  ASSERT_NE(ctx, nullptr);
  SETTING_STORE saved{};
  std::ifstream(dump, std::ios::binary).read((char*)saved.bytes, sizeof(saved));
  SETTING_STORE* own = ctx->store;
  EXPECT_NE(StgGetValue(ctx, sid::dmOrientation, nullptr), 2u);  // the second printer starts elsewhere

  EXPECT_EQ(CfgReadSettingsFile(printer, kFile, 0, ctx), 1);
  EXPECT_EQ(StgGetLastError(ctx), CFG_FILE_OK);
  int compared = 0;
  for (int16_t i = 0; i < ctx->dictionary->count; ++i) {
    WORD id = (WORD)ctx->dictionary->rows[i].id;
    if (!Restored(ctx, id)) continue;
    ITEM_DESC* row = &ctx->dictionary->rows[i];
    uint64_t mine = StgReadValue(ctx, row);
    ctx->store = &saved;
    uint64_t theirs = StgReadValue(ctx, row);
    ctx->store = own;
    if (StgTypeCode(row->type) == STG_TYPE_ANSI || StgTypeCode(row->type) == STG_TYPE_WIDE) {
      EXPECT_EQ(std::memcmp((const void*)(uintptr_t)mine,
                            saved.bytes + ((const BYTE*)(uintptr_t)mine - own->bytes), StgTypeLength(row->type)),
                0)
          << kvp::ToUtf8(kvp::WView(StgGetItemName(ctx, id)));
    } else {
      EXPECT_EQ(mine, theirs) << kvp::ToUtf8(kvp::WView(StgGetItemName(ctx, id)));
    }
    ++compared;
  }
  EXPECT_GT(compared, 200);
  EXPECT_EQ(StgGetValue(ctx, sid::dmOrientation, nullptr), 2u);
  EXPECT_EQ(StgGetValue(ctx, sid::dmCopies, nullptr), 4u);
  StgReleaseContext(ctx, STG_RELEASE_FREE);
  ClosePrinter(printer);
  StgPurgeContextCache(1);
  StgFreeLibraryLocks();
}

}  // namespace
