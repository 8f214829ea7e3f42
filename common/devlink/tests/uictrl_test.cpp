// UI-control plug-ins, asked for a printer of the model: each is loaded, asked for the functions not yet
// provided, closed, released and freed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "devlink/plugins.h"
#include "driverdata/tests/img_test_support.h"
#include "kvplat/file.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/setting_ids.h"

namespace {

class UIControlTest : public imgtest::ModelContext {
 protected:
  // Installs the test plug-in under each file name and lists them, in order, in the plug-in INI.
  void Plugins(std::vector<std::string> files) {
    std::string host;
    kvp::MapPath(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3", host);
    std::string ini = "[UIControl]\r\nCount=" + std::to_string(files.size()) + "\r\n";
    for (size_t i = 0; i < files.size(); ++i) {
      if (files[i] != "missing.dll")
        std::filesystem::copy_file(std::string(KV_MODULE_DIR) + "/kvuictrltest.so", host + "/" + files[i],
                                   std::filesystem::copy_options::overwrite_existing);
      ini += "PluginID" + std::to_string(i) + "=P" + std::to_string(i) + "\r\n";
    }
    for (size_t i = 0; i < files.size(); ++i) ini += "[P" + std::to_string(i) + "]\r\nInstallPath=" + files[i] + "\r\n";
    imgtest::WriteFile(host + "/ZARNPLUG.ini", ini);
    SetEnvironmentVariableW(u"KVTEST_UICTRL_LOG", u"");
  }
  static std::string Log() {
    WCHAR buf[2048] = {};
    DWORD n = GetEnvironmentVariableW(u"KVTEST_UICTRL_LOG", buf, 2048);
    return kvp::ToUtf8(std::u16string_view(buf, n < 2048 ? n : 0));
  }
  DWORD Raw(WORD id) { return DWORD(StgGetValue(ctx_, id, nullptr)); }
};

TEST_F(UIControlTest, OnlyTheSecondPluginProvidesTheWatermark) {
  Plugins({"first.dll", "second_mark.dll"});
  StgSetValue(ctx_, sid::rdmFuncSelectCopyProtect, 1);
  StgSetValue(ctx_, sid::rdmFuncSelectWaterMark, 1);
  PlgQueryUIControls(ctx_);
  EXPECT_EQ(Raw(sid::rdmFunc2SelectUICtrlCopyGuard), 0u);
  EXPECT_EQ(Raw(sid::rdmFunc2SelectUICtrlWaterMark), 1u);
  EXPECT_EQ(Raw(sid::rdmFuncSelectWaterMark), 0u);
  EXPECT_EQ(Raw(sid::rdmFuncSelectCopyProtect), 1u);
  EXPECT_EQ(Log(),
            "first.dll:get;first.dll:open;first.dll:query1;first.dll:query2;first.dll:close;first.dll:dispose;"
            "second_mark.dll:get;second_mark.dll:open;second_mark.dll:query1;second_mark.dll:query2;"
            "second_mark.dll:close;second_mark.dll:dispose;");
}

TEST_F(UIControlTest, ProvidedFunctionsAreNotAskedAgainAndRefusalsAreSkipped) {
  Plugins({"missing.dll", "refuse_guard_mark.dll", "noopen_guard.dll", "guard.dll", "guard_mark.dll"});
  StgSetValue(ctx_, sid::rdmFuncSelectCopyProtect, 1);
  StgSetValue(ctx_, sid::rdmFuncSelectWaterMark, 1);
  PlgQueryUIControls(ctx_);
  EXPECT_EQ(Raw(sid::rdmFunc2SelectUICtrlCopyGuard), 1u);
  EXPECT_EQ(Raw(sid::rdmFuncSelectCopyProtect), 0u);
  EXPECT_EQ(Raw(sid::rdmFunc2SelectUICtrlWaterMark), 1u);
  EXPECT_EQ(Raw(sid::rdmFuncSelectWaterMark), 0u);
  EXPECT_EQ(Log(),
            "refuse_guard_mark.dll:get;"
            "noopen_guard.dll:get;noopen_guard.dll:open;noopen_guard.dll:dispose;"
            "guard.dll:get;guard.dll:open;guard.dll:query1;guard.dll:query2;guard.dll:close;guard.dll:dispose;"
            "guard_mark.dll:get;guard_mark.dll:open;guard_mark.dll:query2;guard_mark.dll:close;"
            "guard_mark.dll:dispose;");
}

TEST_F(UIControlTest, NoPluginsSwitchesBothOff) {
  StgSetValue(ctx_, sid::rdmFunc2SelectUICtrlCopyGuard, 1);
  StgSetValue(ctx_, sid::rdmFuncSelectWaterMark, 1);
  PlgQueryUIControls(ctx_);
  EXPECT_EQ(Raw(sid::rdmFunc2SelectUICtrlCopyGuard), 0u);
  EXPECT_EQ(Raw(sid::rdmFunc2SelectUICtrlWaterMark), 0u);
  EXPECT_EQ(Raw(sid::rdmFuncSelectWaterMark), 1u);
}

}  // namespace
