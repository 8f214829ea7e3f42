// The graphics library's job-control client against the scripted job-control library: the owner check,
// the refused secure interface, the password chain per authentication mode, replies cut at their sizes,
// and every interface and the library given back on every path.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gr_fixture.h"
#include "gr_jobctl.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"

namespace {

class GrJobItems : public ::testing::Test {
 protected:
  void SetUp() override {
    StgInitLibraryLocks();
    grtest::CopyModule("KAVJC64", "KAVJC64.DLL");
    ctx_ = StgCreateContextEx(mp_.printer, mp_.printer, nullptr, 0x100, STG_KIND_GRAPHICS, 0, nullptr);
    ASSERT_NE(ctx_, nullptr);
    kvp::SplJobSpec spec;
    spec.document = u"plan";
    spec.userName = u"UNKNOWN";
    job_ = kvp::SplAddJob(mp_.printer, spec);
    ASSERT_NE(job_, 0u);
    kvp::ProfileSet("UserName", "alice");
  }
  void TearDown() override {
    if (ctx_) StgReleaseContext(ctx_, STG_RELEASE_FREE);
    StgPurgeContextCache(1);
    StgFreeLibraryLocks();
  }
  void Script(const std::string& answers) {
    std::filesystem::create_directories(mp_.root.path() + "/companions");
    std::ofstream(mp_.root.path() + "/companions/KAVJC64.ini") << "[Answers]\n" << answers;
    std::filesystem::remove(mp_.root.path() + "/companions/KAVJC64.log");
  }
  std::string Log() {
    std::ifstream in(mp_.root.path() + "/companions/KAVJC64.log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Text(WORD id) {
    ITEM_DESC* row = StgFindItem(ctx_, id);
    std::u16string out(StgTypeLength(row->type) + 1, u'\0');
    StgGetString(ctx_, row, out.data());
    return kvp::ToUtf8(out.c_str());
  }
  void SetText(WORD id, const char16_t* text) { StgSetString(ctx_, StgFindItem(ctx_, id), text); }
  int Import() { return GrJcImportJobItems(ctx_, mp_.printer, job_, 14495); }
  // Every interface granted was given back and the library unloaded.
  void ExpectReleased() {
    std::string log = "\n" + Log();
    auto count = [&](const std::string& what) {
      size_t n = 0;
      for (size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + 1)) ++n;
      return n;
    };
    EXPECT_EQ(count("\nload\n"), count("\nunload\n")) << log;
    EXPECT_GE(count("unload\n"), 1u) << log;
    EXPECT_EQ(count("secure open"), count("secure close")) << log;
  }
  // The stand-in's transform: printable bytes shifted within 0x20-0x7e.
  static std::string Shift(const std::string& in, int by) {
    std::string out = in;
    for (char& c : out) c = char(0x20 + ((unsigned char)c - 0x20 + by) % 95);
    return out;
  }
  static int Sum(const std::string& s) {
    int n = 0;
    for (unsigned char c : s) n += c;
    return n;
  }
  grtest::ModelPrinter mp_;
  SETTING_CONTEXT* ctx_ = nullptr;
  DWORD job_ = 0;
};

const std::string kItems = "Item1=1234\nItem2=Owner\nItem7=4\nItem9=alice\nItem10=pw\nItem11=netkey\n";

}  // namespace

TEST_F(GrJobItems, AnUnknownOwnerTakesTheCurrentUser) {
  Script(kItems);
  EXPECT_EQ(Import(), 1);
  EXPECT_EQ(Text(sid::rdmUserCode), "1234");
  EXPECT_EQ(Text(sid::rdmOwnerName), "Owner");
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmTelLine, nullptr), 1u);  // items 6 and 7 are not among the job's items
  EXPECT_EQ(Text(sid::wdmAuthenticationUserName), "alice");
  EXPECT_EQ(Text(sid::wdmAuthenticationNetworkKey), "netkey");
  ExpectReleased();
  // Without a current user either nothing is imported.
  kvp::ProfileSet("UserName", "");
  SetText(sid::rdmUserCode, u"0000");
  Script(kItems);
  EXPECT_EQ(Import(), 0);
  EXPECT_EQ(Text(sid::rdmUserCode), "0000");
  EXPECT_EQ(Log().find("\nopen "), std::string::npos);
  ExpectReleased();
}

TEST_F(GrJobItems, FailuresOfTheLibraryImportNothingAndReleaseEverything) {
  struct Case {
    const char* what;
    std::string script;
  } cases[] = {
      {"secure interface refused", "SecureResult=5\n"},
      {"main interface refused", "GetInterfaceResult=5\n"},
      {"handle refused", "OpenResult=5\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetText(sid::rdmUserCode, u"0000");
    Script(kItems + c.script);
    EXPECT_EQ(Import(), 0);
    EXPECT_EQ(Text(sid::rdmUserCode), "0000");
    EXPECT_EQ(Log().find("get "), std::string::npos);
    ExpectReleased();
  }
  std::string log = Log();
  EXPECT_NE(log.find("dispose\n"), std::string::npos) << log;    // the main interface
}

TEST_F(GrJobItems, ThePasswordTransformFollowsTheSecureMode) {
  // Bit 0 clear: kind 4 (shift 3) without a key, then kind 1 (shift 1).
  Script(kItems);
  ASSERT_EQ(Import(), 1);
  EXPECT_EQ(Text(sid::wdmAuthenticationPassword), Shift("pw", 4));
  std::string log = Log();
  EXPECT_NE(log.find("secure open 4\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("secure param"), std::string::npos) << log;
  EXPECT_NE(log.find("dispose secure\n"), std::string::npos) << log;
  ExpectReleased();
  // Bit 0 set: kind 2 keyed with the user name and the network key read from job control.
  DWORD mode = 1;
  ASSERT_EQ(SetPrinterDataW(mp_.printer, const_cast<LPWSTR>(u"AuthenticationSecureMode"), REG_DWORD,
                            reinterpret_cast<BYTE*>(&mode), sizeof mode), 0u);
  Script(kItems);
  ASSERT_EQ(Import(), 1);
  EXPECT_EQ(Text(sid::wdmAuthenticationPassword), Shift("pw", 1 + (Sum("alice") + Sum("netkey")) % 94 + 1));
  log = Log();
  EXPECT_NE(log.find("secure param 256 16 alice netkey\n"), std::string::npos) << log;
  ExpectReleased();
}

TEST_F(GrJobItems, OverlongAnswersAreCutOrRefused) {
  // An item longer than its reply size is cut there (18 bytes: 8 characters and the terminator).
  Script("Item1=123456789012\nItem10=pw\n");
  ASSERT_EQ(Import(), 1);
  EXPECT_EQ(Text(sid::rdmUserCode), "12345678");
  // A transform answering more than the intermediate buffer fails the password: it stays empty.
  SetText(sid::wdmAuthenticationPassword, u"old");
  Script("Item10=pw\nTransformExtra=600\n");
  ASSERT_EQ(Import(), 1);
  EXPECT_EQ(Text(sid::wdmAuthenticationPassword), "");
  // A final password over 256 bytes fails the same way.
  Script("Item10=pw\nTransformExtra=200\n");
  ASSERT_EQ(Import(), 1);
  EXPECT_EQ(Text(sid::wdmAuthenticationPassword), "");
  ExpectReleased();
}
