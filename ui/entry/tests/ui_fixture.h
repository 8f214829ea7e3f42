// A machine root with one printer of the model installed by the driver set's installation path, its
// handle open, and DEVMODE byte helpers for the intake tests.
#pragma once
#include "kvtest/companion_script.h"
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/devmode.h"
#include "settings/model_tables.h"
#include "settings/units.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_values.h"
#include "settings/paper_geometry.h"
#include "settings/platform_queries.h"
#include "config/lock_data.h"
#include "settings/public_fields.h"
#include "config/user_code.h"
#include "driverdata/rule_eval.h"
#include "config/driver_lists.h"
#include "kvplat/text.h"
#include "settings/item_records.h"
#include "settings/library_hooks.h"
#include "ui_builds.h"

namespace uitest {

template <typename T>
void Put(std::vector<BYTE>& b, size_t off, T v) {
  std::memcpy(b.data() + off, &v, sizeof(T));
}
template <typename T>
T Get(const BYTE* b, size_t off) {
  T v;
  std::memcpy(&v, b + off, sizeof(T));
  return v;
}
template <typename T>
void PutRaw(BYTE* b, size_t off, T v) {
  std::memcpy(b + off, &v, sizeof(T));
}
inline DEVMODEW* D(std::vector<BYTE>& b) { return reinterpret_cast<DEVMODEW*>(b.data()); }

class ModelPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StgInitLibraryLocks();
    // The library's own builds, as its load entry fills them.
    UiFillLibraryHooks();
    printer_ = kvtest::InstallModelPrinter(name_, parts_);
    ASSERT_NE(printer_, nullptr);
  }
  void TearDown() override {
    StgPurgeContextCache(1);
    StgResetLibraryHooks();
    StgFreeLibraryLocks();
    if (printer_) ClosePrinter(printer_);
  }
  SETTING_CONTEXT* Open(WORD flags = 0, DWORD kind = STG_KIND_UI) {
    return StgCreateContextEx(printer_, printer_, nullptr, flags, kind, 0, nullptr);
  }
  std::vector<BYTE> StoreDevmode(SETTING_CONTEXT* ctx) {
    return std::vector<BYTE>(ctx->store->bytes, ctx->store->bytes + STG_DEVMODE_SIZE);
  }
  std::vector<BYTE> StoreBytes(SETTING_CONTEXT* ctx) {
    return std::vector<BYTE>(ctx->store->bytes, ctx->store->bytes + STG_STORE_SIZE);
  }

  kvtest::TempRoot root_;
  std::u16string name_ = u"UI plotter";
  unsigned parts_ = kvsetup::kModelFiles;  // what the installation copies
  HANDLE printer_ = nullptr;
};

// The printer installed with the companion stand-ins, one context of it open (no global mutex), and the
// companions' scripts and call logs.
class CompanionPrinterTest : public ModelPrinterTest {
 protected:
  void SetUp() override {
    parts_ = kvsetup::kModelFiles | kvsetup::kCompanions;
    ModelPrinterTest::SetUp();
    ctx_ = Open(0x100);
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    ModelPrinterTest::TearDown();
  }
  void Script(const std::string& module, const std::string& answers) {
    kvtest::WriteCompanionScript(root_.path(), module, answers);
  }
  std::string CallLog(const std::string& module) { return kvtest::ReadCompanionLog(root_.path(), module); }
  // A text setting of the context as UTF-8.
  std::string Text(SETTING_CONTEXT* c, WORD id) {
    ITEM_DESC* row = StgFindItem(c, id);
    std::u16string out(StgTypeLength(row->type) + 1, u'\0');
    StgGetString(c, row, out.data());
    return kvp::ToUtf8(out.c_str());
  }
  SETTING_CONTEXT* ctx_ = nullptr;
};

}  // namespace uitest
