// A machine root with one printer of the model installed (the interface library beside the model's
// files, so that the spooler can answer for the driver), and the library attached as its load entry does.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "api_frame.h"
#include "config/paths.h"
#include "kvdrvexc.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"

namespace apitest {

inline constexpr char kPrinter[] = "API plotter";

class ApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ApiLibraryAttach();
    printer_ = kvtest::InstallModelPrinter(kvp::FromUtf8(kPrinter), kvsetup::kDeliverables | kvsetup::kModelFiles);
    ASSERT_NE(printer_, nullptr);
    // The driver INI in the data folder, as the printer's set-up leaves it.
    std::string from = DriverFile("kvdrvset.ini"), to;
    std::u16string ini = IniPath();
    ASSERT_EQ(kvp::MapPath(ini, to), 0u);
    std::filesystem::create_directories(std::filesystem::path(to).parent_path());
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
  }
  void TearDown() override {
    if (printer_) ClosePrinter(printer_);
    ApiLibraryDetach();
  }
  // Opens a connection at a version (0: leave it as opened).
  API_HANDLE Open(int version = 16) {
    API_HANDLE h = ZARNDrvEnable(kPrinter);
    if (h && version) {
      API_INIT_RECORD init{sizeof(API_INIT_RECORD), version};
      EXPECT_EQ(ZARNDrvInit(h, &init), 1);
    }
    return h;
  }
  SETTING_CONTEXT* Ctx(API_HANDLE h) {
    API_CONNECTION* c = ApiFindConnection(h);
    return c ? c->ctx : nullptr;
  }
  // Lends the fixture's printer handle to a connection's context for a direct call of an internal
  // routine (as an export does with the handle it opens); false takes it back.
  SETTING_CONTEXT* Bind(SETTING_CONTEXT* ctx, bool on = true) {
    if (ctx) ctx->printer = ctx->printer2 = on ? printer_ : nullptr;
    return ctx;
  }
  // The driver INI of the printer.
  std::u16string IniPath() {
    WCHAR path[261] = {};
    CfgGetIniPathForPrinter(path, 261, 0, printer_);
    return path;
  }
  // The model INI and driver INI of the installed printer, as host paths.
  std::string DriverFile(const char* name) {
    std::string host;
    kvp::MapPath(kvp::FromUtf8(std::string("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\") + name), host);
    return host;
  }

  kvtest::TempRoot root_;
  HANDLE printer_ = nullptr;
};

}  // namespace apitest
