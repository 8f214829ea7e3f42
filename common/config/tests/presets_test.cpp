// Installed presets: the merge's 16-entry limit, the first installed preset never merged, the
// 8-character duplicate test, dropped and kept "rsr" entries, a missing installed entry that leaves the
// list alone, "NoName", and an installation that reports a failed copy among several.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "config/presets.h"
#include "config/settings_file.h"
#include "kvplat/file.h"
#include "settings/context.h"
#include "settings/setting_ids.h"
#include "settings/tests/platform_queries_fixture.h"

using namespace kvcfgtest;

namespace {

constexpr WORD kFolder = 10297;  // installed folder unit: Opt_FoldingFolder holds while it is 0

std::u16string N(int n) { return kvp::FromUtf8(std::to_string(n)); }

class InstalledPresets : public PlotterTest {
 protected:
  void SetUp() override {
    PlotterTest::SetUp();
    StgSetValue(ctx_, sid::rdmLanguageID, 1);
    StgSetValue(ctx_, kFolder, 1);
    ASSERT_TRUE(CreateDirectoryW(u"C:\\_zarn", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\sets", nullptr));
    ini_ = S(CfgGetIniPath(ctx_));
    region_ = kvp::ToUtf8(S(CfgGetRegionSection(ctx_)));
    ASSERT_TRUE(CfgIniWriteString(u"Plotter", u"DefaultRst", u"C:\\sets\\default.rst", ini_.c_str()));
  }
  // Installed presets 1 .. names.size() in C:\sets, each "<name>.rsd"; an empty name leaves a gap.
  void Install(const std::vector<std::string>& names, const std::string& extra = "") {
    std::string text = "[" + region_ + "]\r\nNumDeficonfiles=" + std::to_string(names.size()) + "\r\n";
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i].empty()) continue;
      text += "Deficonfiles" + std::to_string(i + 1) + "=C:\\sets\\" + names[i] + ".rsd\r\n";
      WriteFile(u"C:\\sets\\" + kvp::FromUtf8(names[i]) + u".rsd",
                "[" + region_ + "]\r\nsetname=" + names[i] + "\r\nsetcomment=about " + names[i] + "\r\n" + extra);
    }
    WriteFile(u"C:\\sets\\default.rst", text);
  }
  void List(const std::vector<std::u16string>& paths) {
    CfgClearPresetList(ctx_);
    for (size_t i = 0; i < paths.size(); ++i)
      ASSERT_EQ(CfgAppendPresetListEntry(ctx_, paths[i].c_str(), (u"Entry " + N((int)i)).c_str(), u""), 1);
  }
  std::u16string Key(const std::u16string& key) {
    WCHAR buf[600];
    CfgIniGetString(u"Plotter", key.c_str(), u"<none>", buf, 600, ini_.c_str());
    return S(buf);
  }
  std::vector<std::u16string> Paths() {
    std::vector<std::u16string> out;
    for (int i = 0; i < CfgGetPresetCount(ctx_); ++i) out.push_back(Key(u"PresetList" + N(i)));
    return out;
  }

  std::u16string ini_;
  std::string region_;
};

TEST_F(InstalledPresets, MergeStopsAtSixteenAndNeverAddsTheFirst) {
  Install({"first", "second", "third", "fourth"});
  std::vector<std::u16string> list;
  for (int i = 0; i < 15; ++i) list.push_back(u"C:\\sets\\plain" + N(i));  // no extension: always kept
  List(list);
  ASSERT_EQ(CfgMergeInstalledPresets(ctx_, nullptr), 1);
  std::vector<std::u16string> paths = Paths();
  ASSERT_EQ(paths.size(), 16u);
  EXPECT_EQ(paths[15], u"C:\\_zarn\\second.rsr");
  EXPECT_EQ(Key(u"PresetList15Name"), u"second");
  EXPECT_EQ(Key(u"PresetList15Comment"), u"about second");
  // The user copy was made in the current layout.
  EXPECT_EQ(CfgHasRstVersion(u"C:\\_zarn\\second.rsr", ctx_), 1);

  // With room, the others come too; the first never does, and nothing is added twice.
  List({});
  ASSERT_EQ(CfgMergeInstalledPresets(ctx_, nullptr), 1);
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{u"C:\\_zarn\\second.rsr", u"C:\\_zarn\\third.rsr",
                                                  u"C:\\_zarn\\fourth.rsr"}));
  ASSERT_EQ(CfgMergeInstalledPresets(ctx_, nullptr), 1);
  EXPECT_EQ(Paths().size(), 3u);
}

TEST_F(InstalledPresets, DuplicatesByTheirFirstEightCharacters) {
  Install({"first", "posterab_long", "posterxy"});
  List({u"C:\\elsewhere\\POSTERAB_other.rsd"});
  ASSERT_EQ(CfgMergeInstalledPresets(ctx_, nullptr), 1);
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{u"C:\\elsewhere\\POSTERAB_other.rsd", u"C:\\_zarn\\posterxy.rsr"}));
  CFG_PRESET_ENTRY entries[2] = {};
  kvp::WCopy(entries[1].path, 260, u"C:\\a\\AbCdEfGhZ.rsr");
  int index = -1;
  EXPECT_EQ(CfgFindPresetEntryByFileName(u"D:\\abcdefgh.rsd", 2, entries, &index), 1);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(CfgFindPresetEntryByFileName(u"D:\\abcdefg.rsd", 2, entries, &index), 0);
}

TEST_F(InstalledPresets, RsrEntriesAreDroppedOnlyWithAnInstalledCounterpart) {
  Install({"first", "poster"});
  // Both user copies now fail their conditions (the folder unit is installed).
  std::string failing = "[condition]\r\nConditionOption0_0=Opt_FoldingFolder\r\n";
  WriteFile(u"C:\\_zarn\\poster.rsr", failing);
  WriteFile(u"C:\\_zarn\\lonely.rsr", failing);
  List({u"C:\\_zarn\\poster.rsr", u"C:\\_zarn\\lonely.rsr", u"C:\\sets\\noext"});
  ASSERT_EQ(CfgMergeInstalledPresets(ctx_, nullptr), 1);
  // poster is dropped, and not added back: its installed file is admitted but already in the list
  // as the merge read it.
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{u"C:\\_zarn\\lonely.rsr", u"C:\\sets\\noext"}));
  EXPECT_EQ(Key(u"PresetList0Name"), u"Entry 1");
}

TEST_F(InstalledPresets, AMissingInstalledEntryLeavesTheListAlone) {
  Install({"first", "", "third"});
  List({u"C:\\sets\\a", u"C:\\sets\\b"});
  EXPECT_EQ(CfgMergeInstalledPresets(ctx_, nullptr), 0);
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{u"C:\\sets\\a", u"C:\\sets\\b"}));
  // No default restore file at all: nothing either.
  ASSERT_TRUE(CfgIniWriteString(u"Plotter", u"DefaultRst", u"", ini_.c_str()));
  EXPECT_EQ(CfgMergeInstalledPresets(ctx_, nullptr), 0);
}

// A merge that rewrites the list in one process and appends of another: no appended entry is lost.
TEST_F(InstalledPresets, AMergeLosesNoEntryAnotherProcessAppends) {
  Install({"first"});
  List({});
  constexpr int kAppends = 12;
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    StgFreeLibraryLocks();  // the child's own handle of the global mutex
    StgInitLibraryLocks();
    for (int i = 0; i < kAppends; ++i) {
      usleep(3000);
      if (!CfgAppendPresetListEntry(ctx_, (u"C:\\sets\\plain" + N(i)).c_str(), u"appended", u"")) _exit(3);
    }
    _exit(0);
  }
  // Each round gives the merge an entry to drop, so every merge rewrites the list.
  int status = 0;
  for (int round = 0; round < 400 && waitpid(child, &status, WNOHANG) == 0; ++round) {
    ASSERT_EQ(CfgAppendPresetListEntry(ctx_, u"C:\\sets\\missing.rsd", u"gone", u""), 1);
    ASSERT_EQ(CfgMergeInstalledPresets(ctx_, nullptr), 1);
  }
  if (waitpid(child, &status, 0) != child) {
    ASSERT_EQ(errno, ECHILD);
  }
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  std::vector<std::u16string> paths = Paths();
  for (int i = 0; i < kAppends; ++i)
    EXPECT_EQ(std::count(paths.begin(), paths.end(), u"C:\\sets\\plain" + N(i)), 1) << i;
}

TEST_F(InstalledPresets, FirstInstallationAddsWithNoNameAndMarksItDone) {
  Install({"first", "second"});
  WriteFile(u"C:\\sets\\second.rsd", "[" + region_ + "]\r\nsetcomment=no name\r\n");
  std::u16string region = kvp::FromUtf8(region_);
  EXPECT_EQ(CfgImportInstalledPresets(u"C:\\sets\\default.rst", region.c_str(), 0x141, ctx_, 0, nullptr), 1);
  EXPECT_EQ(Paths(), (std::vector<std::u16string>{u"C:\\_zarn\\first.rsr", u"C:\\_zarn\\second.rsr"}));
  EXPECT_EQ(Key(u"PresetList1Name"), u"NoName");
  WCHAR done[8];
  CfgIniGetString(region.c_str(), u"DrvInstPresetDone", u"", done, 8, u"C:\\sets\\default.rst");
  EXPECT_EQ(S(done), u"1");
}

TEST_F(InstalledPresets, AFailedCopyAmongSeveralIsReported) {
  // Installed files are put into place from the driver folder; the second is missing there.
  Install({"one", "two", "three"});
  for (const char16_t* name : {u"one.rsd", u"three.rsd"})
    WriteFile(std::u16string(kDriverDir) + name, "[" + region_ + "]\r\nsetname=x\r\n");
  CfgDeleteFile(u"C:\\sets\\one.rsd");
  CfgDeleteFile(u"C:\\sets\\three.rsd");
  std::u16string region = kvp::FromUtf8(region_);
  EXPECT_EQ(CfgImportInstalledPresets(u"C:\\sets\\default.rst", region.c_str(), CFG_IMPORT_INSTALL, ctx_, 0, nullptr), 0);
  EXPECT_TRUE(CfgFileExists(u"C:\\sets\\one.rsd"));
  EXPECT_TRUE(CfgFileExists(u"C:\\sets\\three.rsd"));  // the last one is still processed
  // With every file in the driver folder the import succeeds, and again once they are in place.
  WriteFile(std::u16string(kDriverDir) + u"two.rsd", "[" + region_ + "]\r\nsetname=x\r\n");
  EXPECT_EQ(CfgImportInstalledPresets(u"C:\\sets\\default.rst", region.c_str(), CFG_IMPORT_INSTALL, ctx_, 0, nullptr), 1);
  EXPECT_EQ(CfgImportInstalledPresets(u"C:\\sets\\default.rst", region.c_str(), CFG_IMPORT_INSTALL, ctx_, 0, nullptr), 1);
}

TEST_F(InstalledPresets, PresetFileCheckLeavesTheStore) {
  ASSERT_EQ(CfgWriteSettingsFile(printer_, u"C:\\sets\\mine.rsd", 4, ctx_), 1);
  std::string text = ReadFile(u"C:\\sets\\mine.rsd");
  text.replace(text.find("dmCopies="), 9, "dmCopies=33\r\nx=");
  WriteFile(u"C:\\sets\\mine.rsd", text);
  std::string before((const char*)ctx_->store->bytes, sizeof(SETTING_STORE));
  EXPECT_EQ(CfgCheckPresetFile(u"C:\\sets\\mine.rsd", ctx_), 1);
  text.replace(text.find("RstMachine=104"), 14, "RstMachine=105");
  WriteFile(u"C:\\sets\\other.rsd", text);
  EXPECT_EQ(CfgCheckPresetFile(u"C:\\sets\\other.rsd", ctx_), 1);  // refused by its header: not this check's business
  EXPECT_TRUE(std::string((const char*)ctx_->store->bytes, sizeof(SETTING_STORE)) == before);
}

}  // namespace
