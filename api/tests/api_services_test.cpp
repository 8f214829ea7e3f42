// Shared services of the driver API.
#include <filesystem>
#include <fstream>

#include "api_fixture.h"
#include "api_services.h"
#include "api_status.h"
#include "driverdata/img_image.h"
#include "kvplat/paint.h"
#include "settings/access.h"
#include "settings/setting_ids.h"

namespace {

using apitest::ApiTest;

class ApiServices : public ApiTest {
 protected:
  void SetUp() override {
    ApiTest::SetUp();
    h_ = Open(16);
    ASSERT_NE(h_, 0u);
    ctx_ = Bind(Ctx(h_));
  }
  void TearDown() override {
    Bind(ctx_, false);
    ZARNDrvDisable(h_);
    kvp::test::ResetFontFamilies();
    ApiTest::TearDown();
  }
  std::string Host(const char* machinePath) {
    std::string host;
    kvp::MapPath(kvp::FromUtf8(machinePath), host);
    return host;
  }
  API_HANDLE h_ = 0;
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(ApiServices, ObjectVariants) {
  StgSetValue(ctx_, sid::rdmAdjustMode, 1);
  StgSetValue(ctx_, sid::rdmAdjustObject, 2);
  EXPECT_EQ(ApiObjectSettingId(ctx_, sid::rdmBrightness), 972);
  StgSetValue(ctx_, sid::rdmAdjustObject, 0);
  EXPECT_EQ(ApiObjectSettingId(ctx_, sid::rdmColorMatchingMode), 961);
  StgSetValue(ctx_, sid::rdmAdjustMode, 0);
  EXPECT_EQ(ApiObjectSettingId(ctx_, sid::rdmBrightness), sid::rdmBrightness);
  EXPECT_EQ(ApiObjectVariantId(ctx_, sid::rdmContrast, 1), 974);
  EXPECT_EQ(ApiObjectVariantId(ctx_, sid::rdmContrast, 3), sid::rdmContrast);
  EXPECT_EQ(ApiObjectVariantId(ctx_, sid::dmCopies, 0), sid::dmCopies);
}

TEST_F(ApiServices, SmallTables) {
  const WATERMARK_COLOUR_ROW* c = ApiFindColorRgb(0x104);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->index, 4);
  EXPECT_EQ(c->green, 255);
  EXPECT_EQ(ApiFindColorRgb(7), nullptr);
  int n = 0;
  EXPECT_EQ(ApiGetChoiceList(&n)[3], 128u);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(ApiGetTraySlotTable(&n)[29], 286u);
  EXPECT_EQ(n, 32);
  EXPECT_EQ(ApiMarkLoadShareOptions(ctx_), 6);
  const LOAD_SHARE_ROW* rows = ApiGetLoadShareTable(ctx_, &n);
  EXPECT_EQ(n, 6);
  EXPECT_EQ(rows, ApiConnectionOf(ctx_)->loadShare);  // the connection's own marks
  EXPECT_EQ(rows[5].storedValue, 18u);
  EXPECT_EQ(ApiIsPlainDuplexType(3), 1);
  EXPECT_EQ(ApiIsPlainDuplexType(4), 0);
}

TEST_F(ApiServices, OptionListsCountAsTheyFill) {
  for (WORD id : {sid::rdmMediaType, sid::dmOrientation, sid::rdmOutputTrayID}) {
    SCOPED_TRACE(id);
    for (int flags : {0, 1}) {
      int count = ApiListOptionValuesEx(ctx_, nullptr, id, flags);
      if (count < 0) continue;
      std::vector<WORD> codes(count + 4, 0xEEEE);
      EXPECT_EQ(ApiListOptionValuesEx(ctx_, codes.data(), id, flags), count);
      EXPECT_EQ(codes[count], 0xEEEE);
      int names = ApiListOptionNamesEx(ctx_, nullptr, 64, id, flags);
      EXPECT_EQ(names, count);
      std::vector<WCHAR> slots((size_t)names * 64 + 64, 0xEEEE);
      EXPECT_EQ(ApiListOptionNamesEx(ctx_, slots.data(), 64, id, flags), names);
      EXPECT_EQ(slots[(size_t)names * 64], 0xEEEE);
    }
  }
  EXPECT_EQ(ApiListOptionValues(ctx_, nullptr, sid::dmCopies), -1);  // not a pick setting
}

TEST_F(ApiServices, NodesAndTrials) {
  EXPECT_EQ(ApiFindSettingNode(sid::rdmBrightness, ctx_), ImgFindActiveNode(ctx_, sid::rdmBrightness));
  uint64_t before = StgGetValue(ctx_, sid::dmOrientation, nullptr);
  EXPECT_FALSE(ApiRaisesAlertMessage(ctx_, sid::dmOrientation, 1, before == 1 ? 2 : 1, 1));
  EXPECT_EQ(StgGetValue(ctx_, sid::dmOrientation, nullptr), before);
  EXPECT_FALSE(ApiIsControlUsable(ctx_, 1, 1, 1));  // no such dialog
  // The model chooses its resolution from a list of codes.
  EXPECT_EQ(ApiGetResolutionForm(ctx_), 0);
}

TEST_F(ApiServices, OverlayPaths) {
  struct Case {
    const char* path;
    bool ok;
  } cases[] = {{"C:\\overlays\\form.rpo", true},  {"C:\\overlays\\form.RPO", true}, {"form.rpo", false},
               {"C:\\overlays\\form.rpx", false}, {"C:\\overlays\\form", false},    {"C:\\over;lays\\f.rpo", false},
               {nullptr, false}};
  for (const Case& c : cases) EXPECT_EQ(ApiIsValidOverlayPath(c.path), c.ok) << (c.path ? c.path : "(null)");
}

TEST_F(ApiServices, PrepareFilePathLeavesNothingBehind) {
  namespace fs = std::filesystem;
  fs::create_directories(Host("C:\\out"));
  char full[260];
  // A folder one level down is made for the test and removed again.
  EXPECT_TRUE(ApiPrepareFilePath("C:\\out\\new\\file.txt", full));
  EXPECT_STREQ(full, "C:\\out\\new\\file.txt");
  EXPECT_FALSE(fs::exists(Host("C:\\out\\new")));
  // A file that is already there is neither truncated nor deleted.
  std::ofstream(Host("C:\\out\\kept.txt")) << "data";
  EXPECT_TRUE(ApiPrepareFilePath("C:\\out\\kept.txt", nullptr));
  EXPECT_EQ(fs::file_size(Host("C:\\out\\kept.txt")), 4u);
  // New file in an existing folder.
  EXPECT_TRUE(ApiPrepareFilePath("C:\\out\\fresh.txt", nullptr));
  EXPECT_FALSE(fs::exists(Host("C:\\out\\fresh.txt")));
  // Two missing levels: refused, nothing made.
  EXPECT_FALSE(ApiPrepareFilePath("C:\\out\\a\\b\\file.txt", full));
  EXPECT_STREQ(full, "");
  EXPECT_FALSE(fs::exists(Host("C:\\out\\a")));
  // A folder is no file.
  EXPECT_FALSE(ApiPrepareFilePath("C:\\out", nullptr));
  EXPECT_TRUE(fs::exists(Host("C:\\out")));
  EXPECT_FALSE(ApiPrepareFilePath(nullptr, nullptr));
}

TEST_F(ApiServices, FontCheckTakesInstalledOutlineFamiliesByExactName) {
  kvp::test::AddFontFamily(u"Kavro Sans", true);
  kvp::test::AddFontFamily(u"@Kavro Sans", true);
  kvp::test::AddFontFamily(u"Kavro Bitmap", false);
  struct Case {
    const char* face;
    bool installed;
  } cases[] = {{"Kavro Sans", true},       {"kavro sans", false}, {"@Kavro Sans", false},
               {"Kavro Bitmap", false},    {"Kavro", false},      {"", false},
               {"Kavro Sans with a name longer than a face", false}, {nullptr, false}};
  for (const Case& c : cases) EXPECT_EQ(ApiIsFontInstalled(ctx_, c.face), c.installed) << (c.face ? c.face : "(null)");
  kvp::test::HideFontFamily(u"Kavro Sans");
  EXPECT_FALSE(ApiIsFontInstalled(ctx_, "Kavro Sans"));
  EXPECT_TRUE(ApiIsFontInstalled(ctx_, "DejaVu Sans"));  // a family fontconfig finds
}

}  // namespace
