// Shared set-up of the platform-query, unit, region and configuration tests: a fresh machine root with
// the system profile switches a test sets, an installed driver and printers in the spooler, contexts
// created for them through the spooler, companion and fixture modules copied into the machine, and the
// companions' scripts and call logs.
#pragma once
#include "kvtest/companion_script.h"
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kvplat/error.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"
#include "kvplat/time.h"
#include "driverdata/tests/img_test_support.h"
#include "kvtest/temp_root.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/platform_queries.h"

namespace kvcfgtest {

inline constexpr char16_t kDriver[] = u"KAVRO Lumeta QT M8350 ZARN";
inline constexpr char16_t kDriverDir[] = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\";

class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StgInitLibraryLocks();
    StgResetPlatformQueryCaches();
    SetSwitch("OSMajor", "10");
    SetSwitch("OSMinor", "0");
  }
  void TearDown() override {
    for (HANDLE h : open_) ClosePrinter(h);
    StgPurgeContextCache(1);
    StgFreeLibraryLocks();
    StgResetPlatformQueryCaches();
  }

  // A [System] switch of machine.ini; the process-wide answers are forgotten.
  void SetSwitch(const char* key, const std::string& value) {
    ASSERT_EQ(kvp::ProfileSet(key, value), (DWORD)ERROR_SUCCESS);
    StgResetPlatformQueryCaches();
  }

  void InstallDriver() {
    if (driverInstalled_) return;
    std::u16string name = kDriver, env = KV_PRINT_ENVIRONMENT, drv = u"kvdrvgr.dll", data = u"kvdrvdat",
                   cfg = u"kvdrvui.dll", help = u"kvhelp.hlp", deps, mon, dt = u"RAW";
    deps.push_back(0);
    DRIVER_INFO_3W di{3,         name.data(), env.data(),  drv.data(), data.data(),
                      cfg.data(), help.data(), deps.data(), mon.data(), dt.data()};
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&di))) << GetLastError();
    // Full contexts need the compiled image of the driver's data file: the model's own.
    static const std::string model = imgtest::ModelDataText();
    WriteFile(std::u16string(kDriverDir) + u"kvdrvdat", model);
    driverInstalled_ = true;
  }

  // Adds a printer (on a server when given) and opens it; the handle is closed at the end.
  HANDLE AddPrinter(std::u16string name, DWORD attributes = 0, std::u16string server = {}) {
    InstallDriver();
    std::u16string drv = kDriver;
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = name.data();
    pi.pDriverName = drv.data();
    pi.Attributes = attributes;
    HANDLE h = AddPrinterW(server.empty() ? nullptr : server.data(), 2, reinterpret_cast<LPBYTE>(&pi));
    EXPECT_NE(h, nullptr) << GetLastError();
    if (h) ClosePrinter(h);
    std::u16string full = server.empty() ? name : server + u"\\" + name;
    PRINTER_DEFAULTSW def{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE open = nullptr;
    EXPECT_TRUE(OpenPrinterW(full.data(), &open, &def)) << GetLastError();
    if (open) open_.push_back(open);
    return open;
  }

  // A light context for a printer handle, read from the spooler.
  SETTING_CONTEXT* Context(HANDLE printer, WORD flags = 4, DWORD kind = STG_KIND_UI) {
    return StgCreateContextEx(printer, printer, nullptr, flags, kind, 0, nullptr);
  }

  static std::string Host(std::u16string_view machinePath) {
    std::string host;
    EXPECT_EQ(kvp::MapPath(machinePath, host), (DWORD)ERROR_SUCCESS);
    return host;
  }
  // Copies a built module (name without ".so") into the machine as `machinePath`.
  static void PlaceModule(const std::string& module, std::u16string_view machinePath) {
    std::string to = Host(machinePath);
    std::filesystem::create_directories(std::filesystem::path(to).parent_path());
    std::filesystem::copy_file(std::string(KV_MODULE_DIR) + "/" + module + ".so", to,
                               std::filesystem::copy_options::overwrite_existing);
  }
  static void WriteFile(std::u16string_view machinePath, const std::string& text) {
    std::string to = Host(machinePath);
    std::filesystem::create_directories(std::filesystem::path(to).parent_path());
    std::ofstream(to, std::ios::binary) << text;
  }
  static std::string ReadFile(std::u16string_view machinePath) {
    std::ifstream in(Host(machinePath), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The [Answers] script of a companion and its call log.
  void Script(const std::string& module, const std::string& answers) {
    kvtest::WriteCompanionScript(root_.path(), module, answers);
  }
  std::string CallLog(const std::string& module) { return kvtest::ReadCompanionLog(root_.path(), module); }

  kvtest::TempRoot root_;
  bool driverInstalled_ = false;
  std::vector<HANDLE> open_;
};

// A machine with the printer "Plotter" and a full context of it.
class PlotterTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    printer_ = AddPrinter(u"Plotter");
    ctx_ = Context(printer_, 0);
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    MachineTest::TearDown();
  }
  HANDLE printer_ = nullptr;
  SETTING_CONTEXT* ctx_ = nullptr;
};

inline std::u16string S(const WCHAR* s) { return std::u16string(kvp::WView(s)); }

}  // namespace kvcfgtest
