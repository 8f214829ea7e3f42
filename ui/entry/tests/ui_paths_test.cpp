// Paths and names the interface library builds: name copies only when they fit, model INI and relative
// paths joined to the driver folder unless they carry a drive, the help-file fall-back and the picture
// library's name.
#include <gtest/gtest.h>

#include <string>

#include "config/paths.h"
#include "kvplat/text.h"
#include "ui_fixture.h"
#include "ui_paths.h"

using namespace uitest;

namespace {

class Paths : public ModelPrinterTest {
 protected:
  std::u16string DriverDir() {
    WCHAR d[260] = {};
    CfgGetDriverDirForPrinter(printer_, d);
    return d;
  }
  void SetHelp(const std::u16string& name) {
    ASSERT_EQ(SetPrinterDataW(printer_, const_cast<LPWSTR>(u"HelpFileName"), REG_SZ,
                              (LPBYTE)name.c_str(), DWORD((name.size() + 1) * 2)),
              0u);
  }
};

TEST_F(Paths, NameCopiesOnlyWhenStrictlyShorter) {
  size_t n = name_.size();
  for (DWORD cap : {DWORD(n), DWORD(n + 1), DWORD(260)}) {
    SCOPED_TRACE(cap);
    WCHAR dst[300] = u"unchanged";
    EXPECT_EQ(InstGetPrinterNameCopy(printer_, dst, cap), dst);
    EXPECT_EQ(std::u16string(dst), cap > n ? name_ : u"unchanged");
  }
  WCHAR dst[32] = u"kept";
  InstGetPrinterNameCopy((HANDLE)0x7777, dst, 32);
  EXPECT_EQ(std::u16string(dst), u"kept");
  InstCopyPrinterNameFromInfo(nullptr, dst, 32, nullptr);
  EXPECT_EQ(std::u16string(dst), u"kept");
}

TEST_F(Paths, DriverNameAndDriverFolderPaths) {
  WCHAR name[260] = {};
  InstGetDriverNameOfPrinter(printer_, name, nullptr);
  auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer_, 2));
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(std::u16string(name), std::u16string(info->pDriverName));
  StgFree(info);
  InstGetDriverNameOfPrinter((HANDLE)0x7777, name, nullptr);
  EXPECT_EQ(std::u16string(name), std::u16string(StgGetModelBlock()->defaultDriverName));

  WCHAR path[260] = {};
  InstGetModelIniPathForPrinter(printer_, path, nullptr);
  EXPECT_EQ(std::u16string(path), DriverDir() + StgGetModelBlock()->modelIniName);
  InstMakeDriverFilePath(printer_, path, u"kvinst.ini");
  EXPECT_EQ(std::u16string(path), DriverDir() + u"kvinst.ini");
  EXPECT_EQ(InstMakeDriverFilePath(printer_, nullptr, u"x"), nullptr);
}

TEST_F(Paths, ContextPathsJoinRelativeNamesOnly) {
  SETTING_CONTEXT* ctx = Open();
  ASSERT_NE(ctx, nullptr);
  std::u16string dir = DriverDir();
  WCHAR rel[260] = u"sub\\file.rsb";
  InstMakeDriverRelativePath(rel, nullptr, ctx);
  EXPECT_EQ(std::u16string(rel), dir + u"sub\\file.rsb");
  WCHAR abs[260] = u"D:\\x\\file.rsb";
  InstMakeDriverRelativePath(abs, nullptr, ctx);
  EXPECT_EQ(std::u16string(abs), u"D:\\x\\file.rsb");
  EXPECT_EQ(std::u16string(InstGetInstallerIniPath(ctx)), dir + StgGetModelBlock()->installerIniName);
  StgReleaseContext(ctx, 0);
}

TEST_F(Paths, HelpFileAndPictureLibrary) {
  SETTING_CONTEXT* ctx = Open();
  ASSERT_NE(ctx, nullptr);
  std::u16string dir = DriverDir();
  SetHelp(u"KV8350jp.hlp");
  EXPECT_EQ(std::u16string(UiGetHelpFilePath(ctx)), dir + u"KV8350jp.hlp");
  EXPECT_EQ(std::u16string(UiSetResourceLanguage(ctx)), u"jp");
  // Without the value: the resource library's name with "hlp" for its extension.
  DeletePrinterDataW(printer_, const_cast<LPWSTR>(u"HelpFileName"));
  std::u16string res = CfgGetResourceDllPath(ctx);
  ASSERT_GT(res.size(), 3u);
  EXPECT_EQ(std::u16string(UiGetHelpFilePath(ctx)), res.substr(0, res.size() - 3) + u"hlp");
  EXPECT_EQ(std::u16string(UiSetResourceLanguage(ctx)), u"us");
  std::u16string pictures = UiGetPictureDllPath(ctx);
  std::u16string name = ImgGetUIResDLLName(ctx);
  ASSERT_GE(name.size(), 8u);
  name[name.size() - 8] = u'C';
  name[name.size() - 6] = u'X';
  name[name.size() - 5] = u'X';
  EXPECT_EQ(pictures, dir + name);
  StgReleaseContext(ctx, 0);
}

}  // namespace
