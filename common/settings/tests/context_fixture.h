// Shared set-up of the settings-context tests: a fresh machine root, a virtual clock, the library's
// locks, and printers described by their level-2 records (no spooler round trip needed). A full
// context needs its printer's compiled image: one printer of the spooler, installed with the model's
// driver data file, serves as every context's second handle, from which the image is found.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "kvplat/spooler.h"
#include "kvplat/time.h"
#include "driverdata/tests/img_test_support.h"
#include "kvtest/temp_root.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/store.h"

namespace kvstgtest {

struct FakePrinter {
  std::u16string name;
  std::u16string server;
  std::u16string driver = u"KAVRO Lumeta QT M8350 ZARN";
  DWORD attributes = 0;
  PRINTER_INFO_2W info{};
  HANDLE handle;

  explicit FakePrinter(std::u16string n, uintptr_t h = 0x1001) : name(std::move(n)), handle((HANDLE)h) {}
  const PRINTER_INFO_2W* Info() {
    info = PRINTER_INFO_2W{};
    info.pPrinterName = name.data();
    info.pServerName = server.empty() ? nullptr : server.data();
    info.pDriverName = driver.data();
    info.Attributes = attributes;
    return &info;
  }
};

class ContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StgInitLibraryLocks();
    kvp::test::SetTickCount(100000);
    data_ = imgtest::Install(u"Context data printer", ModelText());
  }
  void TearDown() override {
    StgPurgeContextCache(1);
    StgFreeLibraryLocks();
    if (data_.handle) ClosePrinter(data_.handle);
    kvp::test::UseRealClock();
  }
  SETTING_CONTEXT* Create(FakePrinter& p, WORD flags = 0, DWORD kind = STG_KIND_UI, DWORD subKind = 0) {
    return StgCreateContextEx(p.handle, DataHandle(), nullptr, flags, kind, subKind, p.Info());
  }
  // The second handle of every context: the printer whose driver data file gives the image.
  HANDLE DataHandle() const { return data_.handle; }
  static const std::string& ModelText() {
    static const std::string text = imgtest::ModelDataText();
    return text;
  }
  static void At(DWORD tick) { kvp::test::SetTickCount(tick); }

  kvtest::TempRoot root_;
  imgtest::InstalledPrinter data_;
};

// One full context of printer "P", released after the test.
class OneContextTest : public ContextTest {
 protected:
  void SetUp() override {
    ContextTest::SetUp();
    ctx_ = Create(printer_);
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    ContextTest::TearDown();
  }
  FakePrinter printer_{u"P"};
  SETTING_CONTEXT* ctx_ = nullptr;
};

}  // namespace kvstgtest
