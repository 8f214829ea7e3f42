// A printer of the model with one open settings context, for the sheets' text operations: strings
// loaded through the interface library's loader, the tests' own resource library swapped in where a test
// needs message formats or the wait window, and the window core reset between cases.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "config/resource_strings.h"
#include "entry/tests/ui_fixture.h"
#include "kvplat/module.h"
#include "kvplat/root.h"
#include "kvplat/text.h"
#include "kvplat/uiscript.h"
#include "settings/setting_ids.h"
#include "ui_builds.h"

namespace uitest {

class SheetsTest : public ModelPrinterTest {
 protected:
  void SetUp() override {
    ModelPrinterTest::SetUp();
    UiFillLibraryHooks();
    ctx_ = Open();
    ASSERT_NE(ctx_, nullptr);
    StgSetValue(ctx_, sid::rdmLanguageID, 1);
    StgSetValue(ctx_, sid::rdmDspUnit, 0);
    CfgFreeContextLibraries(ctx_);
    kvp::ui::ScriptReset();
    kvp::ui::ClearLogs();
  }
  void TearDown() override {
    kvp::ui::ResetWindows();
    kvp::ui::ClearLogs();
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    StgResetLibraryHooks();
    ModelPrinterTest::TearDown();
  }
  // The tests' own resource library in place of the model's.
  void UseFixtureLibrary() {
    std::string host;
    ASSERT_EQ(kvp::MapPath(u"C:\\fixtures\\kvuifix.dll", host), 0u);
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    std::filesystem::copy_file(std::string(KV_MODULE_DIR) + "/kvuifix.so", host,
                               std::filesystem::copy_options::overwrite_existing);
    CfgFreeContextLibraries(ctx_);
    ctx_->resourceLib = LoadLibraryW(u"C:\\fixtures\\kvuifix.dll");
    ASSERT_NE(ctx_->resourceLib, nullptr);
  }
  // A string through the library's loader, checked to stay inside its capacity.
  std::u16string Load(DWORD id, int capacity = 256, int decorate = 1) {
    std::vector<WCHAR> buf((size_t)capacity + 4, u'#');
    CfgLoadString(ctx_, id, buf.data(), capacity, decorate);
    EXPECT_EQ(buf[(size_t)capacity], u'#') << "written past the capacity of string " << id;
    return std::u16string(kvp::WView(buf.data()));
  }
  SETTING_CONTEXT* ctx_ = nullptr;
};

}  // namespace uitest
