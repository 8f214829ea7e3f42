// Capability lists of the installed model checked against its data file, the exclusion rules of the
// paper lists, bounded fill passes, the extent cap and the resolution table.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <sstream>
#include <string>
#include <vector>

#include "driverdata/img_caps.h"
#include "driverdata/img_image.h"
#include "driverdata/tests/img_test_support.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"

namespace {

// Second values of the option names of one feature of the model's data file, in file order.
std::vector<DWORD> DataFileCodes(const std::string& feature) {
  std::istringstream in(imgtest::ModelDataText());
  std::string line, prefix = "*" + feature + " ";
  std::vector<DWORD> codes;
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::string name = line.substr(prefix.size(), line.find(':') - prefix.size());
    const ENUM_SYMBOL* e = StgFindEnumSymbolByName(name.c_str());
    EXPECT_NE(e, nullptr) << name;
    if (e) codes.push_back(DWORD(e->second));
  }
  return codes;
}

class Caps : public imgtest::ModelContext {
 protected:
  void SetUp() override {
    imgtest::ModelContext::SetUp();
    if (HasFatalFailure()) return;
    // Every unit installed and a roll source: no bin and no paper is excluded.
    StgSetValue(ctx_, Id("QDV_OptionRoll2Tray"), 1);
    StgSetValue(ctx_, Id("QDV_OptionCutTray"), 1);
    Set("QDV_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL1");
  }
  template <class T, class F>
  std::vector<T> TwoPass(F list, int per = 1) {
    int n = list(static_cast<T*>(nullptr), 0);
    if (n <= 0) return {};
    std::vector<T> v(size_t(n * per));
    EXPECT_EQ(list(v.data(), n), n);
    return v;
  }
};

TEST_F(Caps, ModelCapabilitiesMatchTheDataFile) {
  auto bins = TwoPass<WORD>([&](WORD* b, int c) { return ImgListInputBins(ctx_, b, c); });
  std::vector<DWORD> wantBins = DataFileCodes("QDV_IDC_PRESET_CHOICE_SOURCETRAY");
  ASSERT_EQ(bins.size(), wantBins.size());
  for (size_t i = 0; i < bins.size(); ++i) EXPECT_EQ(bins[i], WORD(wantBins[i])) << i;

  auto papers = TwoPass<WORD>([&](WORD* p, int c) { return ImgListPaperIds(ctx_, p, sid::dmPaperSize, c); });
  std::vector<DWORD> wantPapers = DataFileCodes("QDV_IDC_PRESET_CHOICE_PAPERSIZE");
  ASSERT_EQ(papers.size(), wantPapers.size());
  for (size_t i = 0; i < papers.size(); ++i) EXPECT_EQ(papers[i], WORD(wantPapers[i])) << i;

  auto sizes = TwoPass<LONG>([&](LONG* p, int c) { return ImgListPaperSizes(ctx_, p, sid::dmPaperSize, c); }, 2);
  ASSERT_EQ(sizes.size(), 2 * papers.size());
  for (size_t i = 0; i < papers.size(); ++i) {
    std::pair<LONG, LONG> got{sizes[2 * i], sizes[2 * i + 1]};
    if (papers[i] == 9) {
      EXPECT_EQ(got, std::make_pair(LONG(2100), LONG(2970)));
    } else if (papers[i] == 267) {
      EXPECT_EQ(got, std::make_pair(LONG(8410), LONG(11890)));
    }
  }

  std::vector<DWORD> dpis = DataFileCodes("QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION");
  auto pairs = TwoPass<LONG>([&](LONG* p, int c) { return ImgListResolutions(ctx_, p, 0, c); }, 2);
  ASSERT_EQ(pairs.size(), 2 * dpis.size());
  for (size_t i = 0; i < dpis.size(); ++i) EXPECT_EQ(pairs[2 * i], LONG(dpis[i]));
  auto codes = TwoPass<LONG>([&](LONG* p, int c) { return ImgListResolutionCodes(ctx_, p, c); });
  EXPECT_EQ(codes, (std::vector<LONG>{1, 3}));

  EXPECT_EQ(ImgGetMaxCopies(ctx_), 999);
  SHORT lo[2] = {}, hi[2] = {};
  ASSERT_EQ(ImgGetScaleRange(ctx_, lo, hi), 1);
  EXPECT_EQ(lo[0], 20);
  EXPECT_EQ(hi[1], 400);
  LONG a = -1, b = -1;
  EXPECT_EQ(ImgGetMarginRanges(ctx_, &a, nullptr, nullptr, &b), 1);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1181);
  EXPECT_EQ(ImgGetMarginRanges(ctx_, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(ImgGetShiftMarginRanges(ctx_, &a, nullptr, nullptr, nullptr), 0) << "no shift-margin node";
  EXPECT_EQ(ImgGetLandscapeAngle(ctx_), 90);
  EXPECT_EQ(ImgHasUsableNode(ctx_, 0, sid::dmPaperSize), 1);
  EXPECT_EQ(ImgHasUsableNode(ctx_, 0, Id("QDV_PrintMethodTime")), 0);
}

TEST_F(Caps, ExcludedPapersMissOnlyFromThePaperSizeList) {
  Set("QDV_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_CUTSHEET");
  auto eight = TwoPass<WORD>([&](WORD* p, int c) { return ImgListPaperIds(ctx_, p, sid::dmPaperSize, c); });
  EXPECT_EQ(std::set<WORD>(eight.begin(), eight.end()).count(267), 0u) << "A0 is excluded on the tray";
  std::vector<WORD> names(size_t(ImgListPaperNames(ctx_, nullptr, 64, sid::dmPaperSize, 0)));
  EXPECT_EQ(names.size(), eight.size());
  auto out = TwoPass<WORD>([&](WORD* p, int c) { return ImgListPaperIds(ctx_, p, sid::rdmOutPaperSize, c); });
  EXPECT_EQ(int(out.size()), ImgGetOptionCount(ctx_, sid::rdmOutPaperSize)) << "every option of setting 46";
}

TEST_F(Caps, FillPassesStopAtTheCapacity) {
  int n = ImgListPaperIds(ctx_, nullptr, sid::dmPaperSize, 0);
  ASSERT_GT(n, 3);
  std::vector<WORD> codes(5, 0xBEEF);
  EXPECT_EQ(ImgListPaperIds(ctx_, codes.data(), sid::dmPaperSize, 3), 3);
  EXPECT_EQ(codes[3], 0xBEEF);
  const int width = 8;
  std::vector<WCHAR> names(size_t(width) * 3, u'#');
  EXPECT_EQ(ImgListInputBinNames(ctx_, names.data(), width, 2), 2);
  EXPECT_EQ(names[size_t(2 * width)], u'#') << "the third field is left alone";
  EXPECT_EQ(names[size_t(width - 1)], 0) << "each field is zero-ended";
  std::vector<LONG> res(4, -7);
  EXPECT_EQ(ImgListResolutions(ctx_, res.data(), 0, 1), 1);
  EXPECT_EQ(res[2], -7);
  std::vector<DWORD> allowed(2, 0xFEED);
  EXPECT_EQ(ImgListAllowedCodes(ctx_, allowed.data(), sid::rdmOutPaperSize, 1), 1);
  EXPECT_EQ(allowed[1], 0xFEEDu);
}

TEST_F(Caps, ExtentIsCappedInItsPackedForm) {
  LONG whole[2] = {};
  ASSERT_EQ(ImgGetPaperExtentInt(ctx_, whole, 0), 1);
  EXPECT_EQ(whole[0], 2100);
  EXPECT_EQ(whole[1], 2570);
  EXPECT_EQ(ImgGetPaperExtent(ctx_, nullptr, IMG_EXTENT_MIN), (2570u << 16) | 2100u);
  ASSERT_EQ(ImgGetPaperExtentInt(ctx_, whole, 1), 1);
  EXPECT_EQ(whole[0], 9144);
  EXPECT_EQ(whole[1], 150000);
  SHORT packed[2] = {};
  EXPECT_EQ(ImgGetPaperExtent(ctx_, packed, 5), (32767u << 16) | 9144u) << "capped, not wrapped";
  EXPECT_EQ(packed[1], 32767);
}

TEST(ResolutionTable, LookupsAndCompleteness) {
  std::set<DWORD> codes;
  int rows = 0;
  for (const RESOLUTION_ROW* r = StgGetResolutionTable(); r->code; ++r, ++rows) codes.insert(r->code);
  EXPECT_EQ(rows, 15);
  EXPECT_EQ(codes.size(), 15u);
  struct {
    DWORD got, want;
  } cases[] = {
      {ImgResolutionCodeByDpi(600, 600), 3},  {ImgResolutionCodeByDpi(150, 150), 33},
      {ImgResolutionCodeByDpi(0, 600), 0},    {ImgResolutionCodeByDpi(600, 300), 0},
      {ImgResolutionCodeByXDpi(300), 1},      {ImgResolutionCodeByXDpi(700), 0},
      {ImgResolutionCodeAfter(600, 3), 17},   {ImgResolutionCodeAfter(600, 19), 36},
      {ImgResolutionCodeAfter(600, 20), 0},   {ImgResolutionCodeAfter(600, 99), 0},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) EXPECT_EQ(cases[i].got, cases[i].want) << i;
}

}  // namespace
