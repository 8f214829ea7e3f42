// Test support: a printer installed on the current machine root with a driver data file in the driver
// folder, so that a full settings context can find, compile and cache its image.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"

namespace imgtest {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
inline std::string ModelDataText() { return ReadFile(std::string(KV_SOURCE_DIR) + "/model/kvdrvdat"); }

// Host path of a "C:\..." path on the current root (parent folders created).
inline std::string HostPath(const std::u16string& winPath) {
  std::string host;
  kvp::MapPath(winPath, host);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  return host;
}

inline void WriteFile(const std::string& host, const std::string& bytes) {
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out << bytes;
}

struct InstalledPrinter {
  HANDLE handle = nullptr;
  std::u16string dataPath;  // as the spooler reports it ("C:\...")
  std::string dataHost;     // the same on the host
  std::string imageHost;    // the ".BCS" file beside it
};

// Installs driver `driver` with data file `dataFile` (a name in the driver folder, or a "C:\..." path)
// holding `text`, adds printer `name` and opens it.
inline InstalledPrinter Install(const std::u16string& name, const std::string& text,
                                std::u16string dataFile = u"kvdrvdat",
                                std::u16string driver = u"Image test driver") {
  InstalledPrinter p;
  if (dataFile.find(u'\\') == std::u16string::npos)
    p.dataPath = u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\" + dataFile;
  else
    p.dataPath = dataFile;
  p.dataHost = HostPath(p.dataPath);
  std::u16string image = p.dataPath.substr(0, p.dataPath.rfind(u'.') == std::u16string::npos ||
                                                      p.dataPath.rfind(u'.') < p.dataPath.rfind(u'\\')
                                                  ? p.dataPath.size()
                                                  : p.dataPath.rfind(u'.'));
  p.imageHost = HostPath(image + u".BCS");
  WriteFile(p.dataHost, text);
  p.handle = kvtest::InstallPrinter(name, driver, p.dataPath);
  EXPECT_NE(p.handle, nullptr);
  return p;
}

}  // namespace imgtest

#include "kvtest/temp_root.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"

namespace imgtest {

// A full context of a printer installed with the model's driver data file.
class ModelContext : public ::testing::Test {
 protected:
  void SetUp() override {
    StgInitLibraryLocks();
    static const std::string text = ModelDataText();
    printer_ = Install(u"Model plotter", text, u"kvdrvdat", u"KAVRO Lumeta QT M8350 ZARN");
    ctx_ = StgCreateContextEx(printer_.handle, printer_.handle, nullptr, 0, STG_KIND_UI, 0, nullptr);
    ASSERT_NE(ctx_, nullptr);
    ASSERT_NE(ctx_->image, nullptr);
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    StgPurgeContextCache(1);
    if (printer_.handle) ClosePrinter(printer_.handle);
    StgFreeLibraryLocks();
  }
  // Setting id and UI key of a symbol; the value of an enumeration or resource name.
  static WORD Id(const char* name) {
    const ITEM_SYMBOL* s = StgFindSymbolByName(name);
    EXPECT_NE(s, nullptr) << name;
    return s ? s->id : 0;
  }
  static WORD Key(const char* name) {
    const ITEM_SYMBOL* s = StgFindSymbolByName(name);
    EXPECT_NE(s, nullptr) << name;
    return s ? s->key : 0;
  }
  static WORD Val(const char* name) {
    const ENUM_SYMBOL* e = StgFindEnumSymbolByName(name);
    EXPECT_NE(e, nullptr) << name;
    return e ? WORD(e->value) : 0;
  }
  void Set(const char* setting, const char* option) { StgSetOptionValue(ctx_, Id(setting), Val(option)); }
  void Set(const char* setting, DWORD option) { StgSetOptionValue(ctx_, Id(setting), option); }
  DWORD Get(const char* setting) { return StgGetOptionValue(ctx_, Id(setting), nullptr); }

  kvtest::TempRoot root_;
  InstalledPrinter printer_;
  SETTING_CONTEXT* ctx_ = nullptr;
};

}  // namespace imgtest
