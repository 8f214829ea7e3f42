// Plug-in lists from the registry and the driver folder's plug-in INI, and the printer's plug-in ids.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "devlink/plugins.h"
#include "kvplat/registry.h"
#include "kvplat/spooler.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"

namespace {

const char* kDir = "C:\\Drivers\\x64\\3";

struct Row {
  std::string id, name, path;
  DWORD forceRaw, perPrinter;
};

std::vector<Row> Rows(const PLUGIN_LIST* list) {
  std::vector<Row> rows;
  for (DWORD i = 0; list && i < list->count; ++i) {
    const PLUGIN_ENTRY* e = list->entries[i];
    rows.push_back({e->id, e->name ? e->name : "<none>", e->installPath ? e->installPath : "<none>", e->forceRaw,
                    e->perPrinter});
  }
  return rows;
}

bool operator==(const Row& a, const Row& b) {
  return a.id == b.id && a.name == b.name && a.path == b.path && a.forceRaw == b.forceRaw &&
         a.perPrinter == b.perPrinter;
}
void PrintTo(const Row& r, std::ostream* os) {
  *os << r.id << "|" << r.name << "|" << r.path << "|" << r.forceRaw << "|" << r.perPrinter;
}

class PluginTest : public ::testing::Test {
 protected:
  void Registry(const std::string& text) {
    ASSERT_EQ(kvp::test::LoadRegistryText(HKEY_LOCAL_MACHINE, text), 0u);
  }
  void Ini(const std::string& text) { kvtest::WriteMachineFile(u"C:\\Drivers\\x64\\3\\ZARNPLUG.ini", text); }
  std::vector<Row> List(const char* category = "iZARNFilter") {
    PLUGIN_LIST* l = PlgEnumPlugins(category, kDir);
    std::vector<Row> rows = Rows(l);
    EXPECT_EQ(PlgFreePluginList(l), 1);
    return rows;
  }
  kvtest::TempRoot root_;
};

const char* kRegistry =
    "[Software\\KAVRO\\ZarnPlugins\\iZARNFilter\\Alpha]\n"
    "\"Name\" = sz \"Alpha filter\"\n"
    "\"InstallPath\" = sz \"C:\\\\Filters\\\\alpha.dll\"\n"
    "\"ForceRAW\" = dword 0x00000001\n"
    "[Software\\KAVRO\\ZarnPlugins\\iZARNFilter\\Beta]\n"
    "\"PerPrinter\" = dword 0x00000001\n"
    "[Software\\KAVRO\\ZarnPlugins\\UIControl\\Other]\n";

const char* kIni =
    "[iZARNFilter]\r\nCount=4\r\nPluginID0=ALPHA\r\nPluginID2=Gamma\r\nPluginID3=Gamma\r\n"
    "[ALPHA]\r\nName=From the INI\r\n"
    "[Gamma]\r\nName=Gamma filter\r\nInstallPath=sub\\gamma.dll\r\nForceRAW=0\r\nPerPrinter=2\r\n";

TEST_F(PluginTest, RegistryFirstThenTheIniOncePerId) {
  Registry(kRegistry);
  Ini(kIni);
  std::vector<Row> expected = {
      {"Alpha", "Alpha filter", "C:\\Filters\\alpha.dll", 1, 0},
      {"Beta", "<none>", "<none>", 0, 1},
      {"Gamma", "Gamma filter", "C:\\Drivers\\x64\\3\\sub\\gamma.dll", 0, 2},
  };
  EXPECT_EQ(List(), expected);
  // A user who is not an administrator finds the same plug-ins: their keys are only read.
  ASSERT_EQ(kvp::ProfileSet("Administrator", "0"), 0u);
  EXPECT_EQ(List(), expected);
}

TEST_F(PluginTest, EachSourceAlone) {
  Registry(kRegistry);
  EXPECT_EQ(List().size(), 2u);
  EXPECT_EQ(List("UIControl"), (std::vector<Row>{{"Other", "<none>", "<none>", 0, 0}}));
  EXPECT_TRUE(List("VesperUI").empty());
  Registry("");
  Ini(kIni);
  std::vector<Row> rows = List();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (Row{"ALPHA", "From the INI", "<none>", 0, 0}));
  EXPECT_EQ(rows[1].id, "Gamma");
  EXPECT_EQ(PlgEnumPlugins("iZARNFilter", "C:\\Nowhere"), nullptr);
  EXPECT_EQ(PlgEnumPlugins(nullptr, kDir), nullptr);
  EXPECT_EQ(PlgEnumPlugins("iZARNFilter", nullptr), nullptr);
  EXPECT_EQ(PlgFreePluginList(nullptr), 1);
  EXPECT_EQ(PlgFreeNameList(nullptr), 1);
}

TEST_F(PluginTest, OverlongNamesAndTexts) {
  std::string longId(251, 'L'), longText(251, 't');
  Registry("[Software\\KAVRO\\ZarnPlugins\\iZARNFilter\\" + longId + "]\n" +
           "[Software\\KAVRO\\ZarnPlugins\\iZARNFilter\\Short]\n" + "\"Name\" = sz \"" +
           longText + "\"\n\"InstallPath\" = sz \"" + std::string(250, 'p') + "\"\n");
  Ini("[iZARNFilter]\r\nCount=2\r\nPluginID0=" + std::string(251, 'i') + "\r\nPluginID1=Fits\r\n[Fits]\r\nName=" +
      std::string(251, 'n') + "\r\nInstallPath=" + std::string(250, 'q') + "\r\n");
  std::vector<Row> rows = List();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].id, "Short");
  EXPECT_EQ(rows[0].name, "<none>");             // 252 bytes with its terminator
  EXPECT_EQ(rows[0].path, std::string(250, 'p'));  // 251 bytes fit
  EXPECT_EQ(rows[1].id, "Fits");
  EXPECT_EQ(rows[1].name, "<none>");
  EXPECT_EQ(rows[1].path, std::string(kDir) + "\\" + std::string(250, 'q'));
}

// Memory runs out at each allocation in turn: the answer is the whole list or none, never a part.
TEST_F(PluginTest, OutOfMemoryGivesNoneAndLeaksNothing) {
  Registry(kRegistry);
  Ini(kIni);
  unsigned none = 0;
  for (unsigned n = 1; n < 200; ++n) {
    kvp::test::FailAllocAt(n);
    PLUGIN_LIST* l = PlgEnumPlugins("iZARNFilter", kDir);
    kvp::test::FailAllocAt(0);
    if (!l) {
      ++none;
      continue;
    }
    EXPECT_EQ(l->count, 3u) << n;
    PlgFreePluginList(l);
    break;
  }
  EXPECT_GT(none, 5u);
}

TEST_F(PluginTest, PrinterPluginIds) {
  HANDLE printer = kvtest::InstallPrinter(u"Plug-in printer", u"Plug-in driver", u"C:\\Drivers\\x64\\3\\kvdrvdat");
  ASSERT_NE(printer, nullptr);
  SETTING_CONTEXT ctx{};
  ctx.printer = printer;
  auto setCount = [&](DWORD n) {
    SetPrinterDataW(printer, const_cast<LPWSTR>(u"PluginIDCount"), REG_DWORD, reinterpret_cast<BYTE*>(&n), 4);
  };
  auto setId = [&](const std::u16string& key, const std::u16string& id) {
    SetPrinterDataW(printer, const_cast<LPWSTR>(key.c_str()), REG_SZ,
                    reinterpret_cast<BYTE*>(const_cast<char16_t*>(id.c_str())), DWORD((id.size() + 1) * 2));
  };
  EXPECT_EQ(PlgHasVesperUI(&ctx), 0);  // no count
  setCount(2);
  setId(u"PluginID0", u"VesperUIPlugin");
  EXPECT_EQ(PlgHasVesperUI(&ctx), 1);  // key 1 is never read
  setId(u"PluginID0", u"vesperuiplugin");
  EXPECT_EQ(PlgHasVesperUI(&ctx), 0);  // exact comparison; key 1 is missing
  setId(u"PluginID1", u"VesperUIPlugin");
  EXPECT_EQ(PlgHasVesperUI(&ctx), 1);
  setCount(1);
  EXPECT_EQ(PlgHasVesperUI(&ctx), 0);
  EXPECT_EQ(PlgHasVesperUI(nullptr), 0);
  ClosePrinter(printer);
}

TEST_F(PluginTest, VesperUiInstallPath) {
  HANDLE printer = kvtest::InstallPrinter(u"Plug-in printer", u"Plug-in driver", u"C:\\Drivers\\x64\\3\\kvdrvdat");
  ASSERT_NE(printer, nullptr);
  auto work = std::make_unique<CONTEXT_WORK_AREA>();
  SETTING_CONTEXT ctx{};
  ctx.printer = printer;
  ctx.work = work.get();
  char path[32] = "untouched";
  EXPECT_EQ(PlgGetVesperUIPath(&ctx, path, sizeof(path)), 0);
  EXPECT_STREQ(path, "untouched");
  // The driver folder of the printer is where its driver library lies.
  kvtest::WriteMachineFile(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\ZARNPLUG.ini",
                           "[VesperUI]\r\nCount=2\r\nPluginID0=Other\r\nPluginID1=vesperUIplugin\r\n"
                           "[Other]\r\nInstallPath=other.dll\r\n[vesperUIplugin]\r\nInstallPath=v\\ui.dll\r\n");
  EXPECT_EQ(PlgGetVesperUIPath(&ctx, nullptr, 0), 1);
  EXPECT_EQ(PlgGetVesperUIPath(&ctx, path, sizeof(path)), 1);
  EXPECT_STREQ(path, "C:\\Windows\\System32\\spool\\drive");  // cut to the buffer
  char full[MAX_PATH];
  EXPECT_EQ(PlgGetVesperUIPath(&ctx, full, sizeof(full)), 1);
  EXPECT_STREQ(full, "C:\\Windows\\System32\\spool\\drivers\\x64\\3\\v\\ui.dll");
  ClosePrinter(printer);
}

}  // namespace
