// The exclusion interface as an outside program meets it: the library loaded from the printer's driver
// folder, the twelve Exc exports bound by name, only the public header compiled in.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kvdrvexc.h"
#include "kvplat/module.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"

namespace {

constexpr char kPrinter[] = "Exclusion plotter";
constexpr char16_t kLibrary[] = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvexc.dll";

std::string Line(const std::string& name, const std::string& value) { return "@PJL SET " + name + " = " + value + " \r\n"; }
const std::string kBase = Line("APLPAGESIZE", "A0") + Line("APLPAGELAYOUT", "PORTRAIT") + Line("PAPER", "A0") +
                          Line("TRAY", "ROLL1") + Line("COPIES", "2");

struct Exc {
  decltype(&ExcGetIniFileName) iniFileName;
  decltype(&ExcGetDriverDevmode) driverDevmode;
  decltype(&ExcGetExclusive) getExclusive;
  decltype(&ExcFreeExclusive) freeExclusive;
  decltype(&ExcGetPrinterOption) printerOption;
  decltype(&ExcGetPrinterValue) printerValue;
  decltype(&ExcGetWaterMarkList) waterMarkList;
  decltype(&ExcSetCommandBase) setBase;
  decltype(&ExcGetCommandBase) getBase;
  decltype(&ExcUpdateCommand) update;
  decltype(&ExcGetCommandChange) change;
  decltype(&ExcGetCommandValue) commandValue;
  decltype(&ZARNDrvEnable) enable;
  decltype(&ZARNDrvDisable) disable;
  decltype(&ZARNDrvGetDevmode) getDevmode;
};

class ExcModule : public ::testing::Test {
 protected:
  void SetUp() override {
    HANDLE printer = kvtest::InstallModelPrinter(kvp::FromUtf8(kPrinter), kvsetup::kDeliverables | kvsetup::kModelFiles);
    ASSERT_NE(printer, nullptr);
    ClosePrinter(printer);
    module_ = LoadLibraryW(kLibrary);
    ASSERT_NE(module_, nullptr);
    // The driver INI in the printer's data folder, with the model's stored watermarks.
    char ini[261] = {};
    int32_t needed = 0;
    ASSERT_EQ(reinterpret_cast<decltype(&ExcGetIniFileName)>(GetProcAddress(module_, "ExcGetIniFileName"))(
                  kPrinter, sizeof ini, ini, &needed),
              0);
    std::string from, to;
    ASSERT_EQ(kvp::MapPath(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvset.ini", from), 0u);
    ASSERT_EQ(kvp::MapPath(kvp::FromUtf8(ini), to), 0u);
    std::filesystem::create_directories(std::filesystem::path(to).parent_path());
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    auto bind = [&](auto& f, const char* name) {
      f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(GetProcAddress(module_, name));
      EXPECT_NE(f, nullptr) << name;
    };
    bind(x_.iniFileName, "ExcGetIniFileName"), bind(x_.driverDevmode, "ExcGetDriverDevmode");
    bind(x_.getExclusive, "ExcGetExclusive"), bind(x_.freeExclusive, "ExcFreeExclusive");
    bind(x_.printerOption, "ExcGetPrinterOption"), bind(x_.printerValue, "ExcGetPrinterValue");
    bind(x_.waterMarkList, "ExcGetWaterMarkList"), bind(x_.setBase, "ExcSetCommandBase");
    bind(x_.getBase, "ExcGetCommandBase"), bind(x_.update, "ExcUpdateCommand");
    bind(x_.change, "ExcGetCommandChange"), bind(x_.commandValue, "ExcGetCommandValue");
    bind(x_.enable, "ZARNDrvEnable"), bind(x_.disable, "ZARNDrvDisable"), bind(x_.getDevmode, "ZARNDrvGetDevmode");
  }
  void TearDown() override {
    if (module_) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
  }
  kvtest::TempRoot root_;
  HMODULE module_ = nullptr;
  Exc x_{};
};

TEST_F(ExcModule, HandleLifeCycle) {
  EXPECT_EQ(x_.getExclusive("No such plotter"), nullptr);
  EXPECT_EQ(x_.getExclusive(nullptr), nullptr);
  x_.freeExclusive(nullptr);
  // Handles come and go without leaving anything behind (the sanitizers check the leaks at exit).
  for (int i = 0; i < 5; ++i) {
    EXC_HANDLE h = x_.getExclusive(kPrinter);
    ASSERT_NE(h, nullptr);
    int32_t changeSize = -1;
    EXPECT_GE(x_.setBase(h, kBase.c_str(), &changeSize), 0);
    x_.freeExclusive(h);
  }
  // A pointer that was never issued, or was freed already, is refused everywhere and freed never.
  EXC_HANDLE live = x_.getExclusive(kPrinter);
  EXC_HANDLE freed = x_.getExclusive(kPrinter);
  ASSERT_TRUE(live && freed);
  x_.freeExclusive(freed);
  x_.freeExclusive(freed);
  alignas(64) char fake[1024] = {};
  for (EXC_HANDLE bad : {EXC_HANDLE(nullptr), freed, reinterpret_cast<EXC_HANDLE>(fake)}) {
    int32_t n = 0;
    char b[64];
    EXPECT_EQ(x_.setBase(bad, kBase.c_str(), &n), -1);
    EXPECT_EQ(x_.getBase(bad, sizeof b, b, &n), -1);
    EXPECT_EQ(x_.update(bad, Line("TRAY", "ALL").c_str(), &n), -1);
    EXPECT_EQ(x_.change(bad, sizeof b, b, &n), -1);
    EXPECT_EQ(x_.commandValue(bad, "PAPER", 0, sizeof b, b, &n), -1);
    EXPECT_EQ(x_.printerOption(bad, "TRAY", sizeof b, b, &n), -1);
    EXPECT_EQ(x_.printerValue(bad, "MEMORYSIZE", sizeof b, b, &n), -1);
    EXPECT_EQ(x_.waterMarkList(bad, 0, sizeof b, b, &n), -1);
    x_.freeExclusive(bad);
  }
  EXPECT_EQ(std::string(fake, sizeof fake), std::string(sizeof fake, '\0'));
  x_.freeExclusive(live);
}

// Every text export keeps the (size, buffer, needed) protocol: nothing written into a buffer below the
// answer (negative sizes included), not a byte past `needed`, and a NULL `needed` is allowed.
TEST_F(ExcModule, BufferProtocolOfEveryTextExport) {
  EXC_HANDLE h = x_.getExclusive(kPrinter);
  ASSERT_NE(h, nullptr);
  int32_t changeSize = 0;
  ASSERT_EQ(x_.setBase(h, kBase.c_str(), &changeSize), 0);
  using Call = std::function<int(int32_t, char*, int32_t*)>;
  auto withChange = [&](Call c) {
    return [&, c](int32_t s, char* b, int32_t* n) {
      x_.setBase(h, kBase.c_str(), &changeSize);
      x_.update(h, Line("TRAY", "TRAY2").c_str(), &changeSize);
      return c(s, b, n);
    };
  };
  struct Case {
    const char* what;
    Call call;
  } cases[] = {
      {"ini", [&](int32_t s, char* b, int32_t* n) { return x_.iniFileName(kPrinter, s, b, n); }},
      {"devmode", [&](int32_t s, char* b, int32_t* n) { return x_.driverDevmode(kPrinter, 1, s, b, n); }},
      {"option", [&](int32_t s, char* b, int32_t* n) { return x_.printerOption(h, "TRAY", s, b, n); }},
      {"value", [&](int32_t s, char* b, int32_t* n) { return x_.printerValue(h, "MEMORYSIZE", s, b, n); }},
      {"watermarks", [&](int32_t s, char* b, int32_t* n) { return x_.waterMarkList(h, 0, s, b, n); }},
      {"base", [&](int32_t s, char* b, int32_t* n) { return x_.getBase(h, s, b, n); }},
      {"change", withChange([&](int32_t s, char* b, int32_t* n) { return x_.change(h, s, b, n); })},
      {"values", [&](int32_t s, char* b, int32_t* n) { return x_.commandValue(h, "PAPER", 0, s, b, n); }},
      {"available", [&](int32_t s, char* b, int32_t* n) { return x_.commandValue(h, "PAPER", 1, s, b, n); }},
      {"range", [&](int32_t s, char* b, int32_t* n) { return x_.commandValue(h, "COPIES", 0, s, b, n); }},
  };
  constexpr size_t kGuard = 16;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int32_t needed = -1;
    ASSERT_EQ(c.call(0, nullptr, &needed), 1);
    ASSERT_GT(needed, 0);
    for (int32_t size : {0, -1, -2147483647 - 1, needed - 1}) {
      std::vector<char> buf(size_t(needed) + 2 * kGuard, 'G');
      int32_t n = -1;
      EXPECT_EQ(c.call(size, buf.data() + kGuard, &n), 1) << size;
      EXPECT_EQ(n, needed);
      EXPECT_EQ(buf, std::vector<char>(buf.size(), 'G')) << size;
    }
    std::vector<char> buf(size_t(needed) + 2 * kGuard, 'G');
    EXPECT_EQ(c.call(needed, buf.data() + kGuard, nullptr), 0);
    EXPECT_EQ(std::string(buf.data(), kGuard), std::string(kGuard, 'G'));
    EXPECT_EQ(std::string(buf.data() + kGuard + needed, kGuard), std::string(kGuard, 'G'));
    if (std::string(c.what) != "devmode") {
      EXPECT_EQ(buf[kGuard + size_t(needed) - 1], '\0');
    }
  }
  // The change list is delivered once.
  int32_t needed = -1;
  EXPECT_EQ(x_.change(h, 0, nullptr, &needed), 0);
  EXPECT_EQ(needed, 0);
  x_.freeExclusive(h);
}

TEST_F(ExcModule, DriverDevmodeInAnsiForm) {
  // The wide DEVMODE of the driver API, to compare with.
  API_HANDLE c = x_.enable(kPrinter);
  ASSERT_NE(c, 0u);
  API_DRIVER_DEVMODEW wide{};
  ASSERT_EQ(x_.getDevmode(c, API_DEVMODE_DEFAULTS, &wide), int32_t(sizeof wide));
  x_.disable(c);

  API_DRIVER_DEVMODEA dm;
  std::memset(&dm, 0xCC, sizeof dm);
  int32_t needed = 0;
  EXPECT_EQ(x_.driverDevmode(kPrinter, 2, sizeof dm, &dm, &needed), -1);
  EXPECT_EQ(needed, 1172);
  EXPECT_EQ(x_.driverDevmode(kPrinter, 1, 1171, &dm, &needed), 1);
  EXPECT_EQ(x_.driverDevmode("No such plotter", 1, sizeof dm, &dm, &needed), -1);
  ASSERT_EQ(x_.driverDevmode(kPrinter, 1, sizeof dm, &dm, &needed), 0);
  EXPECT_EQ(needed, 1172);
  EXPECT_EQ(dm.pub.dmSize, 156);
  EXPECT_EQ(dm.pub.dmDriverExtra, API_DEVMODE_PRIVATE_BYTES);
  EXPECT_STREQ(dm.pub.dmDeviceName, kPrinter);
  EXPECT_EQ(dm.pub.dmPaperSize, wide.pub.dmPaperSize);
  EXPECT_EQ(dm.pub.dmCopies, wide.pub.dmCopies);
  EXPECT_EQ(dm.pub.dmPanningHeight, wide.pub.dmPanningHeight);
  EXPECT_EQ(0, std::memcmp(dm.priv, wide.priv, sizeof dm.priv));
  std::string form;
  for (uint16_t ch : wide.pub.dmFormName) {
    if (!ch) break;
    form += char(ch);
  }
  EXPECT_FALSE(form.empty());
  EXPECT_EQ(std::string(dm.pub.dmFormName), form);

  // A printer name of 40 characters: its first 31 in the device name, NUL-terminated.
  const std::string longName = "Exclusion plotter with a forty-char name";
  ASSERT_EQ(longName.size(), 40u);
  HANDLE p = kvtest::InstallModelPrinter(kvp::FromUtf8(longName), kvsetup::kModelFiles);
  ASSERT_NE(p, nullptr);
  ClosePrinter(p);
  ASSERT_EQ(x_.driverDevmode(longName.c_str(), 1, sizeof dm, &dm, &needed), 0);
  EXPECT_EQ(std::string(dm.pub.dmDeviceName), longName.substr(0, 31));
}

TEST_F(ExcModule, TheMainRoadByName) {
  EXC_HANDLE h = x_.getExclusive(kPrinter);
  ASSERT_NE(h, nullptr);
  char text[4096];
  int32_t needed = 0, changeSize = -1;
  EXPECT_EQ(x_.iniFileName(kPrinter, sizeof text, text, &needed), 0);
  EXPECT_NE(std::string(text).find("kvdrvset.ini"), std::string::npos) << text;
  EXPECT_EQ(x_.setBase(h, kBase.c_str(), &changeSize), 0);
  EXPECT_EQ(changeSize, 0);
  EXPECT_EQ(x_.getBase(h, sizeof text, text, &needed), 0);
  EXPECT_EQ(std::string(text), kBase);
  // The cut-sheet tray takes A0 only as it comes: the rules set PAPER to SAME.
  EXPECT_EQ(x_.update(h, Line("TRAY", "TRAY2").c_str(), &changeSize), 1);
  EXPECT_EQ(x_.change(h, sizeof text, text, &needed), 0);
  EXPECT_EQ(std::string(text), Line("PAPER", "SAME"));
  // A printer option lists what the installed options allow; a command that is none answers nothing.
  EXPECT_EQ(x_.printerOption(h, "TRAY", sizeof text, text, &needed), 0);
  EXPECT_EQ(std::string(text, size_t(needed)), std::string("ALL\0ROLL1\0ROLL2\0MANUAL\0\0", 24));
  EXPECT_EQ(x_.printerOption(h, "COPIES", sizeof text, text, &needed), 0);
  EXPECT_EQ(needed, 0);
  EXPECT_EQ(x_.printerValue(h, "MEMORYSIZE", sizeof text, text, &needed), 0);
  EXPECT_STREQ(text, "256");
  EXPECT_EQ(x_.printerValue(h, "COPIES", sizeof text, text, &needed), 0);
  EXPECT_EQ(needed, 0);
  x_.freeExclusive(h);
}

}  // namespace
