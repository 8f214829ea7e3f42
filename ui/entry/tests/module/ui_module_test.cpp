// The printer interface library as the spooler meets it: installed by set-up, loaded by the name the
// printer's driver registration gives, its twelve exports called, and reached through the spooler's
// own calls. Nothing of the library is linked into this program.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "ui_exports.h"

namespace {

const char* const kExports[] = {"DrvDocumentPropertySheets", "DrvDevicePropertySheets", "DrvDocumentProperties",
                                "DrvAdvancedDocumentProperties", "PrinterProperties", "DrvConvertDevMode",
                                "DrvDeviceCapabilities", "DevQueryPrintEx", "DrvDocumentEvent", "DrvPrinterEvent",
                                "DrvUpgradePrinter", "DllMain"};

class UiModule : public ::testing::Test {
 protected:
  void SetUp() override {
    printer_ = kvtest::InstallModelPrinter(name_, kvsetup::kDeliverables | kvsetup::kModelFiles);
    ASSERT_NE(printer_, nullptr);
    // The interface library by the name of the driver's registration, as the spooler finds it.
    std::vector<BYTE> buf(4096);
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverW(printer_, nullptr, 2, buf.data(), (DWORD)buf.size(), &needed));
    config_ = reinterpret_cast<DRIVER_INFO_2W*>(buf.data())->pConfigFile;
    module_ = LoadLibraryW(config_.c_str());
    ASSERT_NE(module_, nullptr) << kvp::ToUtf8(config_) << " error " << GetLastError();
  }
  void TearDown() override {
    if (module_) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
    if (printer_) ClosePrinter(printer_);
  }
  template <typename F>
  F Entry(const char* name) {
    return reinterpret_cast<F>(GetProcAddress(module_, name));
  }

  kvtest::TempRoot root_;
  std::u16string name_ = u"Spooler plotter";
  std::u16string config_;
  HANDLE printer_ = nullptr;
  HMODULE module_ = nullptr;
};

TEST_F(UiModule, ExportsExactlyItsTwelveEntryPoints) {
  for (const char* name : kExports) EXPECT_NE(GetProcAddress(module_, name), nullptr) << name;
  for (const char* name : {"UiMergeCallerDevmode", "UiDocumentProperties", "StgCreateContextEx", "UiFrameOpen",
                           "StgSetCallSrcTo0", "JcReadItems", "CfgSelectFreeSizeSlotSrc"})
    EXPECT_EQ(GetProcAddress(module_, name), nullptr) << name;
}

// Each export either works or refuses as the platform does for what it does not serve: the failure
// value of its contract with ERROR_NOT_SUPPORTED, nothing of the caller's touched.
TEST_F(UiModule, EveryExportAnswersCleanly) {
  std::u16string name = name_;
  std::vector<BYTE> out(2048, 0xCC);
  const std::vector<BYTE> untouched = out;
  DEVMODEW* dmOut = reinterpret_cast<DEVMODEW*>(out.data());
  auto expectRefused = [&](const char* what, DWORD error = ERROR_NOT_SUPPORTED) {
    SCOPED_TRACE(what);
    EXPECT_EQ(GetLastError(), error);
    EXPECT_EQ(out, untouched);
  };
  PROPSHEETUI_INFO info{};
  info.cbSize = sizeof(info);
  SetLastError(0);
  // The sheet workers without a property header, and the entries that start a sheet on a machine without
  // the common property sheet service.
  EXPECT_EQ(Entry<decltype(&DrvDocumentPropertySheets)>("DrvDocumentPropertySheets")(&info, 0), -1);
  expectRefused("document sheets", ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Entry<decltype(&DrvDevicePropertySheets)>("DrvDevicePropertySheets")(nullptr, 0), -1);
  expectRefused("device sheets", ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Entry<decltype(&DrvDocumentProperties)>("DrvDocumentProperties")(nullptr, printer_, name.data(), dmOut,
                                                                              nullptr, 2),
            -1);
  expectRefused("document properties");
  // The advanced settings answer 1 or 0: 0 while the sheet cannot run.
  EXPECT_EQ(Entry<decltype(&DrvAdvancedDocumentProperties)>("DrvAdvancedDocumentProperties")(
                nullptr, printer_, name.data(), dmOut, nullptr),
            0);
  expectRefused("advanced document properties", ERROR_MOD_NOT_FOUND);
  EXPECT_FALSE(Entry<decltype(&PrinterProperties)>("PrinterProperties")(nullptr, printer_));
  expectRefused("printer properties", ERROR_MOD_NOT_FOUND);
  LONG size = 2048;
  EXPECT_FALSE(Entry<decltype(&DrvConvertDevMode)>("DrvConvertDevMode")(name.data(), nullptr, dmOut, &size, 1));
  EXPECT_EQ(size, 2048);
  // The set-up exports are built: bad input is refused as their contract says, nothing of the caller's touched.
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  // Capability index 0 names nothing: -1 with the output untouched; DC_COPIES answers the model's maximum.
  EXPECT_EQ(Entry<decltype(&DrvDeviceCapabilities)>("DrvDeviceCapabilities")(printer_, name.data(), 0, out.data(),
                                                                              nullptr),
            UI_GDI_ERROR);
  EXPECT_EQ(out, untouched);
  EXPECT_EQ(Entry<decltype(&DrvDeviceCapabilities)>("DrvDeviceCapabilities")(printer_, name.data(), DC_COPIES,
                                                                              nullptr, nullptr),
            999u);
  DEVQUERYPRINT_INFO q{};
  q.cbSize = sizeof(q);
  q.hPrinter = printer_;
  // A job without a DEVMODE prints; a null query holds the job.
  EXPECT_TRUE(Entry<decltype(&DevQueryPrintEx)>("DevQueryPrintEx")(&q));
  EXPECT_FALSE(Entry<decltype(&DevQueryPrintEx)>("DevQueryPrintEx")(nullptr));
  EXPECT_EQ(Entry<decltype(&DrvDocumentEvent)>("DrvDocumentEvent")(printer_, nullptr, 1, 0, nullptr, 0, nullptr),
            DOCUMENTEVENT_SUCCESS);
  EXPECT_EQ(Entry<decltype(&DrvDocumentEvent)>("DrvDocumentEvent")(printer_, nullptr, 8, 0, nullptr, 0, nullptr),
            UI_DOCUMENTEVENT_UNSUPPORTED);
  EXPECT_TRUE(Entry<decltype(&DrvPrinterEvent)>("DrvPrinterEvent")(name.data(), 99, 0, 0));  // unknown event
  SetLastError(0);
  EXPECT_FALSE(Entry<decltype(&DrvUpgradePrinter)>("DrvUpgradePrinter")(1, nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  // DllMain is an ordinary export here: a host may run it, and both reasons answer TRUE.
  auto dllMain = Entry<decltype(&DllMain)>("DllMain");
  EXPECT_TRUE(dllMain(module_, 1, nullptr));
  EXPECT_TRUE(dllMain(module_, 0, nullptr));
}

TEST_F(UiModule, TheSpoolerRoutesDocumentPropertiesToTheLibrary) {
  std::vector<BYTE> out(2048, 0xCC);
  SetLastError(0);
  EXPECT_EQ(DocumentPropertiesW(nullptr, printer_, nullptr, reinterpret_cast<DEVMODEW*>(out.data()), nullptr, 2), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_SUPPORTED);
  // By device name alone, the spooler opens the printer itself.
  std::u16string name = name_;
  EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, name.data(), nullptr, nullptr, 0), 1236);
}

TEST_F(UiModule, TheSpoolerRoutesCapabilitiesAndPrinterPropertiesToTheLibrary) {
  kvp::ClearDriverCallLog();
  EXPECT_EQ(DeviceCapabilitiesW(name_.c_str(), nullptr, DC_COPIES, nullptr, nullptr), 999u);
  EXPECT_EQ(DeviceCapabilitiesW(u"No such printer", nullptr, DC_COPIES, nullptr, nullptr), 0xFFFFFFFFu);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PRINTER_NAME);
  // The platform's PrinterProperties hands the call to the driver's export of the same name: the driver's
  // answer (no sheet on a machine without the common property sheet service) and the call in the log.
  SetLastError(0);
  EXPECT_FALSE(PrinterProperties(nullptr, printer_));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
  std::vector<BYTE> out(2048, 0);
  AdvancedDocumentPropertiesW(nullptr, printer_, nullptr, reinterpret_cast<DEVMODEW*>(out.data()), nullptr);
  std::vector<std::string> calls;
  for (const kvp::DriverCallRecord& r : kvp::DriverCallLog()) calls.push_back(r.call);
  EXPECT_EQ(calls, (std::vector<std::string>{"DrvDeviceCapabilities", "PrinterProperties",
                                             "DrvAdvancedDocumentProperties"}));
  EXPECT_EQ(kvp::DriverCallLog()[0].answer, "999");
}

TEST_F(UiModule, TheLibraryStaysLoadedWhileAPrinterHandleIsOpen) {
  // Drop this test's own reference: only the spooler's hold keeps the library between calls.
  ASSERT_TRUE(FreeLibrary(module_));
  module_ = nullptr;
  EXPECT_EQ(GetModuleHandleW(config_.c_str()), nullptr);
  EXPECT_EQ(DocumentPropertiesW(nullptr, printer_, nullptr, nullptr, nullptr, 0), 1236);
  EXPECT_NE(GetModuleHandleW(config_.c_str()), nullptr);
  EXPECT_EQ(DocumentPropertiesW(nullptr, printer_, nullptr, nullptr, nullptr, 0), 1236);
  ClosePrinter(printer_);
  printer_ = nullptr;
  EXPECT_EQ(GetModuleHandleW(config_.c_str()), nullptr);
}

TEST_F(UiModule, CallsFromSeveralThreadsAtOnce) {
  auto docProps = Entry<decltype(&DrvDocumentProperties)>("DrvDocumentProperties");
  auto caps = Entry<decltype(&DrvDeviceCapabilities)>("DrvDeviceCapabilities");
  std::vector<std::thread> threads;
  std::vector<int> clean(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      std::u16string name = name_;
      for (int i = 0; i < 20; ++i) {
        if (t % 2) {
          // A refusal's last error is the calling thread's own.
          std::vector<BYTE> out(1236, 0);
          SetLastError(0);
          if (docProps(nullptr, printer_, name.data(), nullptr, nullptr, 0) == 1236 &&
              docProps(nullptr, printer_, name.data(), reinterpret_cast<DEVMODEW*>(out.data()), nullptr, DM_COPY) == -1 &&
              GetLastError() == (DWORD)ERROR_NOT_SUPPORTED)
            ++clean[t];
        } else {
          // Each thread opens its own capability context.
          DWORD n = caps(printer_, name.data(), DC_PAPERS, nullptr, nullptr);
          if (n != UI_GDI_ERROR && n > 0) ++clean[t];
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(clean[t], 20) << t;
}

}  // namespace
