// The printer interface library as the spooler meets it: installed by set-up, loaded by the name the
// printer's driver registration gives, its twelve exports called, and reached through the spooler's
// own calls. Nothing of the library is linked into this program.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "kvplat/drvcontract.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/printdc.h"
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
  // The document settings are handed out (DM_COPY): the driver's DEVMODE, within its own size.
  EXPECT_EQ(Entry<decltype(&DrvDocumentProperties)>("DrvDocumentProperties")(nullptr, printer_, name.data(), dmOut,
                                                                              nullptr, 2),
            1);
  EXPECT_EQ(size_t(dmOut->dmSize) + dmOut->dmDriverExtra, size_t(1236));
  for (size_t i = 1236; i < out.size(); ++i) ASSERT_EQ(out[i], 0xCC) << i;
  out = untouched;
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
  EXPECT_EQ(DocumentPropertiesW(nullptr, printer_, nullptr, reinterpret_cast<DEVMODEW*>(out.data()), nullptr, 2), 1);
  EXPECT_EQ(reinterpret_cast<DEVMODEW*>(out.data())->dmDriverExtra, 1236 - reinterpret_cast<DEVMODEW*>(out.data())->dmSize);
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
          // Each thread gets the document settings of its own context.
          std::vector<BYTE> out(1236, 0);
          if (docProps(nullptr, printer_, name.data(), nullptr, nullptr, 0) == 1236 &&
              docProps(nullptr, printer_, name.data(), reinterpret_cast<DEVMODEW*>(out.data()), nullptr, DM_COPY) == 1 &&
              reinterpret_cast<DEVMODEW*>(out.data())->dmSize != 0)
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

// The calls of a printer device context into the two libraries, as "call detail".
std::vector<std::string> DocumentCalls() {
  std::vector<std::string> out;
  for (const kvp::DriverCallRecord& r : kvp::DriverCallLog())
    if (r.call == "DrvDocumentEvent" || r.call == "DrvEscape" || r.call == "DevQueryPrintEx" || r.call == "DrvStartDoc")
      out.push_back(r.call + " " + r.arguments.substr(0, r.arguments.find(' ', r.call == "DrvEscape" ? 19 : 0)));
  return out;
}

// One document of one page through a printer device context; the job's id.
int PrintOnePage(const std::u16string& printer) {
  HDC dc = CreateDCW(u"WINSPOOL", printer.c_str(), nullptr, nullptr);
  EXPECT_NE(dc, nullptr) << GetLastError();
  if (!dc) return 0;
  DOCINFOW info{};
  info.cbSize = sizeof info;
  info.lpszDocName = u"one page";
  int job = StartDocW(dc, &info);
  if (job > 0) {
    EXPECT_GT(StartPage(dc), 0);
    EXPECT_GT(EndPage(dc), 0);
    EXPECT_GT(EndDoc(dc), 0);
  }
  EXPECT_TRUE(DeleteDC(dc));
  return job;
}

// A printer with the whole driver set, the spooler's output library among it, as set-up installs it.
class UiPrinterDc : public ::testing::Test {
 protected:
  void SetUp() override {
    printer_ = kvtest::InstallModelPrinter(name_, kvsetup::kAllFiles);
    ASSERT_NE(printer_, nullptr);
  }
  void TearDown() override {
    if (printer_) ClosePrinter(printer_);
  }
  kvtest::TempRoot root_;
  std::u16string name_ = u"Application plotter";
  HANDLE printer_ = nullptr;
};

TEST_F(UiPrinterDc, SendsTheDocumentEventsInOrder) {
  kvp::ClearDriverCallLog();
  int job = PrintOnePage(name_);
  ASSERT_GT(job, 0) << GetLastError();
  const std::vector<std::string> expected = {
      "DrvDocumentEvent DOCUMENTEVENT_CREATEDCPRE",  "DrvDocumentEvent DOCUMENTEVENT_CREATEDCPOST",
      "DrvEscape escape=122 in=2104 bytes",           "DrvDocumentEvent DOCUMENTEVENT_STARTDOC",
      "DrvStartDoc job=" + std::to_string(job),       "DrvDocumentEvent DOCUMENTEVENT_STARTDOCPOST",
      "DrvDocumentEvent DOCUMENTEVENT_STARTPAGE",     "DrvDocumentEvent DOCUMENTEVENT_ENDPAGE",
      "DrvDocumentEvent DOCUMENTEVENT_ENDDOC",        "DrvDocumentEvent DOCUMENTEVENT_ENDDOCPOST",
      "DrvDocumentEvent DOCUMENTEVENT_DELETEDC"};
  EXPECT_EQ(DocumentCalls(), expected);
  // The escape went to the graphics library from inside the start of the document.
  bool fromStartDoc = false;
  for (const kvp::DriverCallRecord& r : kvp::DriverCallLog())
    fromStartDoc |= r.call == "DrvEscape" && r.arguments.find("during DOCUMENTEVENT_STARTDOC)") != std::string::npos;
  EXPECT_TRUE(fromStartDoc);
  // The job carries the document settings the context printed with, and is done.
  std::vector<BYTE> buf(8192);
  DWORD needed = 0;
  ASSERT_TRUE(GetJobW(printer_, DWORD(job), 2, buf.data(), DWORD(buf.size()), &needed));
  auto* info = reinterpret_cast<JOB_INFO_2W*>(buf.data());
  ASSERT_NE(info->pDevMode, nullptr);
  EXPECT_EQ(info->pDevMode->dmSize + info->pDevMode->dmDriverExtra, 1236);
  EXPECT_EQ(info->Status, DWORD(JOB_STATUS_PRINTED));
}

TEST_F(UiPrinterDc, TheJobQueryRunsBeforeAJobOfAPrinterThatAsksForIt) {
  DWORD needed = 0;
  GetPrinterW(printer_, 2, nullptr, 0, &needed);
  std::vector<BYTE> buf(needed);
  ASSERT_TRUE(GetPrinterW(printer_, 2, buf.data(), needed, &needed));
  reinterpret_cast<PRINTER_INFO_2W*>(buf.data())->Attributes |= PRINTER_ATTRIBUTE_ENABLE_DEVQ;
  ASSERT_TRUE(SetPrinterW(printer_, 2, buf.data(), 0)) << GetLastError();
  kvp::ClearDriverCallLog();
  ASSERT_GT(PrintOnePage(name_), 0) << GetLastError();
  std::vector<std::string> calls = DocumentCalls();
  auto at = [&](const std::string& prefix) {
    for (size_t i = 0; i < calls.size(); ++i)
      if (calls[i].rfind(prefix, 0) == 0) return int(i);
    return -1;
  };
  // After the interface library saw the document start and before the graphics library starts it.
  EXPECT_GT(at("DevQueryPrintEx"), at("DrvDocumentEvent DOCUMENTEVENT_STARTDOC"));
  EXPECT_LT(at("DevQueryPrintEx"), at("DrvStartDoc"));
  EXPECT_GE(at("DevQueryPrintEx"), 0);
}

TEST_F(UiPrinterDc, EscapesNeedAPrinterDeviceContext) {
  char in[4] = {};
  SetLastError(0);
  EXPECT_EQ(ExtEscape(nullptr, 122, 4, in, 0, nullptr), -1);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  HDC ic = CreateICW(nullptr, name_.c_str(), nullptr, nullptr);
  ASSERT_NE(ic, nullptr);
  DOCINFOW info{};
  info.cbSize = sizeof info;
  EXPECT_EQ(StartDocW(ic, &info), SP_ERROR);  // an information context prints nothing
  EXPECT_EQ(ExtEscape(ic, 122, -1, in, 0, nullptr), -1);
  EXPECT_TRUE(DeleteDC(ic));
  EXPECT_FALSE(DeleteDC(ic));
  EXPECT_EQ(CreateDCW(u"WINSPOOL", u"No such printer", nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINTER_NAME));
}

}  // namespace
