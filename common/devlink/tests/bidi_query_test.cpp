// The device query against the scripted bidi library: what a printer of the model reports ends up in
// the device block and in printer data; switches, the model check, error codes, failures that leave the
// block as it was, answers that overstate their size, and two queries at once.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "config/bidi_state.h"
#include "config/paths.h"
#include "kvplat/registry.h"
#include "devlink_fixture.h"
#include "kvplat/testhooks.h"
#include "settings/api_state.h"

using namespace devlinktest;

namespace {

// A printer of the model as it reports itself: rolls 1 and 2, the cut-sheet tray and the manual tray,
// with papers, media and status words; a folder unit, a hard disk and the multi-sheet source option;
// 128 MB of memory of type 2; firmware and emulation versions.
const char* kDevice =
    "Item1=51,52,60,1\n"
    "Item20=23,22,0,58\n"
    "Item21=1,0,5,3\n"
    "Item23=0x5,0x0,0x24,0x8\n"
    "Item2=16,3,126,999\n"
    "Item11=134217728\n"
    "Item8Text=FW 4.12.0031-RELEASE-BUILD\n"
    "Set258=2\n"
    "Set2Text=ZARN 2.1\n"
    "Set259Text=QT-M8350 rev B\n";

class BidiQuery : public DevlinkTest {
 protected:
  void Device(const std::string& extra = "") { Script("kvbidi64", std::string(kDevice) + extra); }
  void DriverIni(const std::string& text) { WriteFile(u"C:\\_zarn\\kvdrvset.ini", text); }
  std::string Log() { return CallLog("kvbidi64"); }
  BYTE* Block(SETTING_CONTEXT* c) { return c->store->bytes + STG_DEVICE_BLOCK_OFFSET; }
};

TEST_F(BidiQuery, TheScriptedDeviceFillsTheDeviceBlockAndPrinterData) {
  Device();
  SETTING_CONTEXT* c = Full();
  ASSERT_NE(c, nullptr);
  StgSetValue(c, sid::rdmTrayField18, 1);  // a tray the device no longer reports
  StgSetValue(c, 10014, 1);                // an input option it does not report
  ASSERT_TRUE(BidiQueryDevice(c));
  EXPECT_EQ(Get(c, sid::rdmBiDirect), 1u);
  // Trays present, the rest reset.
  EXPECT_EQ(Get(c, sid::rdmTrayField16), 1u);
  EXPECT_EQ(Get(c, sid::rdmTrayField17), 1u);
  EXPECT_EQ(Get(c, sid::rdmTrayField14), 1u);
  EXPECT_EQ(Get(c, sid::rdmTrayField27), 1u);
  EXPECT_EQ(Get(c, sid::rdmTrayField18), 0u);
  EXPECT_EQ(Get(c, 10014), 0u);
  // Paper 22 is known only for the other feed direction.
  EXPECT_EQ(Get(c, sid::rdmTrayOrient16), 0u);
  EXPECT_EQ(Get(c, sid::rdmTrayOrient17), 1u);
  // Media 0 ("no media") reads as plain paper.
  EXPECT_EQ(Get(c, sid::rdmTray18Media), 1u);
  EXPECT_EQ(Get(c, sid::rdmTray17Media), 1u);
  // Locks, default trays and chapter trays from the status words.
  EXPECT_EQ(Get(c, sid::rdmTrayLock16), 1u);
  EXPECT_EQ(Get(c, sid::rdmTrayLock14), 0u);
  EXPECT_EQ(Get(c, sid::rdmCoverDefTray), 287u);  // roll 1 and the cut-sheet tray: roll 1 comes first
  EXPECT_EQ(Get(c, sid::rdmMPDefTray), 4u);       // the manual tray
  EXPECT_EQ(Get(c, sid::rdmReverseCoverDefTray), 0u);
  EXPECT_EQ(Get(c, sid::rdmTrayChapterSep1), 1u << 14);  // the cut-sheet tray's lock setting is 10253
  EXPECT_EQ(Get(c, sid::rdmChapterDefTray1), 295u);
  EXPECT_EQ(Get(c, sid::rdmBidiFunc), DWORD(BIDI_FUNC_COVER | BIDI_FUNC_INSERT | BIDI_FUNC_CHAPTER1));
  // Options; code 999 is not a known option.
  EXPECT_EQ(Get(c, 10022), 1u);
  EXPECT_EQ(Get(c, 10070), 1u);
  EXPECT_EQ(Get(c, 10296), 1u);
  EXPECT_EQ(Get(c, 10036), 0u);
  // Memory in kilobytes, its type, versions (the firmware text cut to its 16 characters).
  EXPECT_EQ(Get(c, sid::rdmPrinterMemory), 131072u);
  EXPECT_EQ(Get(c, sid::rdmMemoryType), 0u);
  EXPECT_EQ(Text(c, sid::rdmSystemVersion), "FW 4.12.0031-REL");
  EXPECT_EQ(Text(c, sid::rdmEmulationVersion), "ZARN 2.1");
  EXPECT_EQ(Text(c, sid::rdmOther), "QT-M8350 rev B");
  EXPECT_NE(Log().find("openQuery 0x2011C"), std::string::npos);
  // Stored: the flag in printer data, and a new context reads the device settings back.
  EXPECT_TRUE(BidiGetPrinterFlag(printer_, c));
  SETTING_CONTEXT* again = Full();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(Get(again, sid::rdmPrinterMemory), 131072u);
  EXPECT_EQ(Get(again, sid::rdmTrayField16), 1u);
  EXPECT_EQ(Get(again, 10296), 1u);
  EXPECT_TRUE(BidiEnsureQueried(again, false));  // results exist: nothing is asked
}

TEST_F(BidiQuery, StatusWordsAndMemoryTypes) {
  struct Case {
    const char* script;
    DWORD memoryType;
  } cases[] = {{"Set258=2\n", 0}, {"Set258=7\n", 1}, {"Set258=1\n", 1}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.script);
    Script("kvbidi64", std::string("Item1=51\n") + k.script);
    SETTING_CONTEXT* c = Full();
    StgSetValue(c, sid::rdmMemoryType, 5);
    ASSERT_TRUE(BidiQueryDevice(c));
    EXPECT_EQ(Get(c, sid::rdmMemoryType), k.memoryType);
  }
}

TEST_F(BidiQuery, SwitchOffAndADriverIniWithoutDriveLetterAskNothing) {
  Device();
  DriverIni("[us]\r\nbIsBIDISupportForZARN=0\r\n");
  SETTING_CONTEXT* c = Full();
  StgSetValue(c, sid::rdmBiDirect, 1);
  EXPECT_TRUE(BidiQueryDevice(c));
  EXPECT_EQ(Get(c, sid::rdmBiDirect), 0u);
  EXPECT_EQ(Log(), "");  // the library was not even loaded
  EXPECT_FALSE(BidiIsSupported(c));
  EXPECT_TRUE(BidiIsModelCheckOn(c));
  // A driver INI in a data folder registered without a drive letter (a share) reads as both switches off.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\KAVRO\\ZarnDrv", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  std::u16string relative = u"\\\\SRV\\zarn";
  RegSetValueExW(key, u"_ZARNDirectory", 0, REG_SZ, reinterpret_cast<const BYTE*>(relative.c_str()),
                 DWORD((relative.size() + 1) * 2));
  RegCloseKey(key);
  SETTING_CONTEXT* d = Full();
  ASSERT_EQ(std::u16string(CfgGetIniPath(d)), u"\\\\SRV\\zarn\\kvdrvset.ini");
  EXPECT_FALSE(BidiIsSupported(d));
  EXPECT_FALSE(BidiIsModelCheckOn(d));
  Script("kvbidi64", kDevice);
  StgSetValue(d, sid::rdmBiDirect, 1);
  EXPECT_TRUE(BidiQueryDevice(d));
  EXPECT_EQ(Get(d, sid::rdmBiDirect), 0u);
  EXPECT_EQ(Log(), "");
}

TEST_F(BidiQuery, TheModelCheckWalksTheModelLists) {
  struct Case {
    const char* name;
    const char* model;
    int check;
    bool lists;
    bool admitted;
  } cases[] = {
      {"in list 1", "Lumeta QT M8350", 1, true, true},
      {"in list 2", "Lumeta QT M8340", 1, true, true},
      {"no list names it", "Other 100", 1, true, false},
      {"check off admits any device", "Other 100", 0, true, true},
      {"no lists: the driver's model", "Lumeta QT M8350", 1, false, true},
      {"no lists: another model", "Lumeta QT M8340", 1, false, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    std::string ini = imgtest::ReadFile(std::string(KV_SOURCE_DIR) + "/model/kvdrvmod.ini");
    if (!k.lists)
      for (std::string list : {"[Models1]", "[Models2]"}) ini.replace(ini.find(list), 7, "[Unused");
    WriteFile(std::u16string(kDriverDir) + u"kvdrvmod.ini", ini);
    DriverIni(std::string("[us]\r\nbIsBIDISupportForZARNModel=") + std::to_string(k.check) + "\r\n");
    Script("kvbidi64", std::string("Item1=51\nModel=") + k.model + "\n");
    API_STATE api{77, 0};
    SETTING_CONTEXT* c = Full();
    c->work->apiState = &api;
    EXPECT_EQ(BidiQueryDevice(c), k.admitted);
    EXPECT_EQ(Get(c, sid::rdmBiDirect), k.admitted ? 1u : 0u);
    EXPECT_EQ(api.lastError, 77u);  // a refused model records no error
    c->work->apiState = nullptr;
  }
}

TEST_F(BidiQuery, RefusalsAndTheirErrorCodes) {
  struct Case {
    const char* script;
    bool result;
    DWORD code;
  } cases[] = {
      {"OpenResult=0\nOpenError=14\n", false, 77},     // the probe fails first and records nothing
      {"OpenQueryResult=0\nOpenQueryError=102\n", true, 77},  // still granted
      {"OpenQueryResult=0\nOpenQueryError=14\n", false, 201},
      {"OpenQueryResult=0\nOpenQueryError=10\n", false, 202},
      {"OpenQueryResult=0\nOpenQueryError=999\n", false, 200},
      {"ModelResult=0\nModelError=56\n", false, 201},
      {"AddSetResult=0\nAddSetError=10\n", true, 202},  // the status set is refused: the query stands
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.script);
    Script("kvbidi64", std::string("Item1=51\nItem8Text=FW\n") + k.script);
    API_STATE api{77, 0};
    SETTING_CONTEXT* c = Full();
    c->work->apiState = &api;
    char old[32] = "OLD";
    StgSetValue(c, sid::rdmSystemVersion, reinterpret_cast<uint64_t>(old));
    EXPECT_EQ(BidiQueryDevice(c), k.result);
    EXPECT_EQ(api.lastError, k.code);
    if (!k.result) {
      EXPECT_EQ(Text(c, sid::rdmSystemVersion), "");  // emptied by a failed query
    }
    c->work->apiState = nullptr;
  }
  // The interface library opens the device itself: a refused open records its code.
  Script("kvbidi64", "OpenResult=0\nOpenError=14\n");
  API_STATE api{77, 0};
  SETTING_CONTEXT* c = Full();
  c->work->apiState = &api;
  EXPECT_FALSE(OpenBidiDevice(0, c));
  EXPECT_EQ(api.lastError, 201u);
  c->work->apiState = nullptr;
  EXPECT_EQ(BidiMapError(14), 201u);
  EXPECT_EQ(BidiMapError(102), 0u);
  EXPECT_EQ(BidiMapError(12345), 200u);
}

TEST_F(BidiQuery, WithoutTheLibraryOrTheBidiAttributeTheQueryFails) {
  Device();
  SETTING_CONTEXT* c = Full();
  DeleteFileW((std::u16string(kDriverDir) + u"kvbidi64.dll").c_str());
  StgSetValue(c, sid::rdmBiDirect, 1);
  EXPECT_FALSE(BidiQueryDevice(c));
  EXPECT_EQ(Get(c, sid::rdmBiDirect), 0u);
  HANDLE plain = AddPrinter(u"No bidi");
  PlaceModule("kvbidi64", std::u16string(kDriverDir) + u"kvbidi64.dll");
  SETTING_CONTEXT* p = Full(plain);
  EXPECT_FALSE(BidiQueryDevice(p));
  EXPECT_EQ(Log(), "");
  // Without results and without leave to ask, the context has no device data.
  EXPECT_FALSE(BidiEnsureQueried(p, false));
}

// Memory runs out at each allocation in turn: a query that fails leaves the device block exactly as it
// was, and nothing leaks.
TEST_F(BidiQuery, AFailingHandlerLeavesTheDeviceBlockUnchanged) {
  Device();
  SETTING_CONTEXT* c = Full();
  std::vector<BYTE> before(Block(c), Block(c) + STG_DEVICE_BLOCK_SIZE);
  // Allocations the query needs fail it; others (file and INI work around it) may be tolerated.
  unsigned failures = 0, successes = 0;
  for (unsigned n = 1; n < 200; ++n) {
    std::memcpy(Block(c), before.data(), before.size());
    kvp::test::FailAllocAt(n);
    bool ok = BidiQueryDevice(c);
    kvp::test::FailAllocAt(0);
    if (ok) {
      ++successes;
      EXPECT_EQ(Get(c, sid::rdmPrinterMemory), 131072u) << n;
      continue;
    }
    ++failures;
    EXPECT_EQ(std::memcmp(Block(c), before.data(), before.size()), 0) << n;
    EXPECT_EQ(Get(c, sid::rdmBiDirect), 0u) << n;
  }
  EXPECT_GT(failures, 3u);
  EXPECT_GT(successes, 0u);
}

// A device that reports more entries than it delivered: nothing is read past its answer.
TEST_F(BidiQuery, OverstatedAnswersAreBoundedByTheirBuffers) {
  Device("ExtraCount=100000\n");
  SETTING_CONTEXT* c = Full();
  ASSERT_TRUE(BidiQueryDevice(c));
  EXPECT_EQ(Get(c, sid::rdmTrayField16), 1u);
  EXPECT_EQ(Get(c, sid::rdmCoverDefTray), 287u);
  EXPECT_EQ(Get(c, sid::rdmPrinterMemory), 131072u);
}

TEST_F(BidiQuery, TraysWithoutModelSettings) {
  // Tray code 3 is not a tray of this model: it sets nothing, and as the only cover tray it leaves the
  // cover default at 0. Its chapter status adds no bit to the masks.
  Script("kvbidi64", "Item1=3,60\nItem20=0,0\nItem21=0,0\nItem23=0x24,0x0\n");
  SETTING_CONTEXT* c = Full();
  ASSERT_TRUE(BidiQueryDevice(c));
  EXPECT_EQ(Get(c, sid::rdmCoverDefTray), 0u);
  EXPECT_EQ(Get(c, sid::rdmTrayChapterSep1), 0u);
  EXPECT_EQ(Get(c, sid::rdmBidiFunc), DWORD(BIDI_FUNC_COVER | BIDI_FUNC_CHAPTER1));  // told by the module
  EXPECT_EQ(Get(c, sid::rdmTrayField14), 1u);
}

TEST_F(BidiQuery, MapsAndPriorities) {
  DWORD feed = 9;
  EXPECT_EQ(BidiMapPaperCode(23, &feed), 1u);
  EXPECT_EQ(feed, 0u);
  EXPECT_EQ(BidiMapPaperCode(22, &feed), 1u);
  EXPECT_EQ(feed, 1u);
  EXPECT_EQ(BidiMapPaperCode(0, &feed), 0u);
  EXPECT_EQ(BidiMapPaperCode(1, &feed), 0u);
  EXPECT_EQ(BidiMapMediaCode(0), 0u);
  EXPECT_EQ(BidiMapMediaCode(5), 258u);
  EXPECT_EQ(BidiTrayPresentSetting(3), 0u);
  EXPECT_EQ(BidiTraySelectValue(60), 295u);
  const DWORD covers[] = {60, 0, 51, 99};
  EXPECT_EQ(BidiPickPreferredTray(covers, 4), 51u);
  const DWORD none[] = {0, 99};
  EXPECT_EQ(BidiPickPreferredTray(none, 2), 0u);
}

// Custom papers (a query this model does not run): the names are consecutive texts, and a device whose
// names fill the whole answer without a terminator is read no further than its answer.
LONG CustomPaperItems(HANDLE, DWORD item, void* buffer, DWORD size, DWORD* needed) {
  static const DWORD papers[] = {1, 2, 3}, media[] = {1, 5, 0}, charsets[] = {0, 128, 0};
  std::string names(3 * 257, 'n');
  const void* data = nullptr;
  DWORD bytes = 0;
  switch (item) {
    case BIDI_ITEM_CUSTOM_PAPERS: data = papers, bytes = sizeof(papers); break;
    case BIDI_ITEM_CUSTOM_MEDIA: data = media, bytes = sizeof(media); break;
    case BIDI_ITEM_CUSTOM_NAMES: data = names.data(), bytes = DWORD(names.size()); break;
    case BIDI_ITEM_CUSTOM_CHARSETS: data = charsets, bytes = sizeof(charsets); break;
  }
  *needed = bytes;
  if (!buffer || size < bytes) return buffer ? -1 : 0;
  std::memcpy(buffer, data, bytes);
  return LONG((bytes + 3) / 4);
}

TEST_F(BidiQuery, CustomPaperNamesStayInsideTheAnswer) {
  SETTING_CONTEXT* c = Full();
  BIDI_API api{};
  api.readItem = CustomPaperItems;
  ASSERT_TRUE(BidiQueryCustomPaper(&api, nullptr, c));
  EXPECT_EQ(StgGetOptionValue(c, sid::wdmCustomMediaDataNum, nullptr), 3u);
  EXPECT_EQ(Text(c, sid::wdmCustomMedia1Name), std::string(256, 'n'));
  EXPECT_EQ(Text(c, sid::wdmCustomMedia2Name), "");
  EXPECT_EQ(Get(c, sid::wdmMedia2NameCharSet), 128u);
  EXPECT_EQ(Get(c, sid::wdmCustomMedia3Quot), 1u);  // no media: plain paper
}

// Two queries at once, as two spooler calls would run them: each binds its own table and library
// reference, so neither calls through a library the other has freed.
TEST_F(BidiQuery, TwoThreadsQueryAtOnce) {
  Device("DelayMs=1\n");
  HANDLE second = AddPrinter(u"Plotter 2", PRINTER_ATTRIBUTE_ENABLE_BIDI);
  SETTING_CONTEXT* a = Full();
  SETTING_CONTEXT* b = Full(second);
  ASSERT_TRUE(a && b);
  std::atomic<int> failed{0};
  auto run = [&](SETTING_CONTEXT* c) {
    for (int i = 0; i < 8; ++i)
      if (!BidiQueryDevice(c)) ++failed;
  };
  std::thread t1(run, a), t2(run, b);
  t1.join();
  t2.join();
  EXPECT_EQ(failed.load(), 0);
  EXPECT_EQ(Get(a, sid::rdmPrinterMemory), 131072u);
  EXPECT_EQ(Get(b, sid::rdmPrinterMemory), 131072u);
}

}  // namespace
