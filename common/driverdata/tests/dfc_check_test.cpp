// The data-file author's check: what the compiler drops is named with its line, settings and options by
// their symbols; one bad line is reported once however many later statements it spoils; conditions that
// compare a 0/1 result with a larger constant are warned of; non-data files are told apart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driverdata/dfc_check.h"

namespace {

using namespace dfc;

std::vector<CheckFinding> Check(const std::string& text) {
  bool ok = false;
  std::vector<CheckFinding> f = DfcCheckDataFile(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &ok);
  EXPECT_TRUE(ok);
  return f;
}

std::string Listing(const std::vector<CheckFinding>& found) {
  std::string s;
  for (const CheckFinding& f : found)
    s += std::to_string(f.line) + (f.warning ? ": warning: " : ": ") + f.reason + "\n";
  return s;
}

// True when some finding of that line holds the text.
bool Has(const std::vector<CheckFinding>& found, int line, const std::string& text) {
  for (const CheckFinding& f : found)
    if (f.line == line && f.reason.find(text) != std::string::npos) return true;
  return false;
}

TEST(DataFileCheck, ListsWhatTheCompilerDropsWithItsLine) {
  // Each line below makes the compiler drop something without a word; the check names each one.
  std::vector<CheckFinding> found = Check(
      "*FileVersion: 8.63\n"
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
      "*QDV_RADIOLIST_1 IDS_ORIENTATION_PORTRAIT: \"PORTRAIT\"\n"
      "*QDV_RADIOLIST_1 IDS_NO_SUCH_OPTION: \"X\"\n"
      "*CloseUI \n"
      "*CloseUI\n"
      "*Judge 1=IsPortrait: QDV_RADIOLIST_1 == IDS_ORIENTATION_PORTRAIT\n"
      "*Judge 2=Negative: QDV_RADIOLIST_1 == -1\n"
      "*Transact 1=T: { IsPortrait Action4 }\n"
      "*Exclusive: { QDV_RADIOLIST_1 NULL NULL NULL NULL T NULL NULL }\n"
      "*CommandGroup: JobStart {\n"
      "  Type: StringType 1\n"
      "}\n");
  const struct {
    int line;
    const char* what;
  } wants[] = {
      {4, "IDS_NO_SUCH_OPTION' is no known option name"},
      {5, "malformed statement"},
      {8, "constants cannot be negative"},
      {9, "no Action statement numbered 4"},
      {11, "write a blank before the colon"},
  };
  for (const auto& w : wants) {
    SCOPED_TRACE(w.what);
    EXPECT_TRUE(Has(found, w.line, w.what)) << Listing(found);
  }
}

TEST(DataFileCheck, WarnsOfAGroupWordGluedToItsBrace) {
  std::vector<CheckFinding> found = Check(
      "*CommandString 1: \"@PJL\"\n"
      "*CommandGroup: DocReset{ Type : StringType 1 }\n"
      "*CommandGroup: JobEnd { Type : StringType 1 }\n");
  EXPECT_TRUE(Has(found, 2, "'DocReset{': a brace glued to the group word")) << Listing(found);
  for (const CheckFinding& f : found) {
    if (f.reason.find("glued") != std::string::npos) {
      EXPECT_TRUE(f.warning);
    }
  }
  EXPECT_FALSE(Has(found, 3, "glued")) << Listing(found);
}

// One misspelt option of the resolution feature spoils every printable-area row written for it: the rows
// are reported once, by the option's name, with the line that lost the option.
TEST(DataFileCheck, OneBadLineIsReportedOnceWithItsCause) {
  std::string text =
      "*OpenUI *QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION: PickOne\n"
      "*QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION IDS_RESOLUTION_300DPI: \"300\"\n"
      "*QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION IDS_RESOLUTION_600DPl: \"600\"\n"  // line 3: a misspelt option
      "*CloseUI\n"
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
      "*QDV_RADIOLIST_1 IDS_ORIENTATION_PORTRAIT: \"P\"\n"
      "*CloseUI\n"
      "*OpenUI *QDV_IDC_PRESET_CHOICE_PAPERSIZE: PickPage\n";
  const char* papers[] = {"IDS_PAPERSIZE_A4", "IDS_PAPERSIZE_A3", "IDS_PAPERSIZE_A2", "IDS_PAPERSIZE_A1"};
  for (const char* p : papers) text += std::string("*QDV_IDC_PRESET_CHOICE_PAPERSIZE ") + p + ": \"X\"\n";
  for (const char* p : papers) {
    text += std::string("*PageValue Area ") + p + ": IDS_RESOLUTION_300DPI IDS_ORIENTATION_PORTRAIT \"1 1 9 9 10 10\"\n";
    text += std::string("*PageValue Area ") + p + ": IDS_RESOLUTION_600DPI IDS_ORIENTATION_PORTRAIT \"1 1 9 9 10 10\"\n";
  }
  text += "*CloseUI\n";
  std::vector<CheckFinding> found = Check(text);
  ASSERT_EQ(found.size(), 1u) << Listing(found);
  const std::string& why = found[0].reason;
  EXPECT_TRUE(Has(found, 3, "IDS_RESOLUTION_600DPl' is no known option name")) << why;
  EXPECT_NE(why.find("4 later statements fail because of line 3 (lines 14, 16, 18, 20"), std::string::npos) << why;
  EXPECT_NE(why.find("resolution IDS_RESOLUTION_600DPI is no option"), std::string::npos) << why;
}

// A feature whose OpenUI names no setting: its option lines are consequences of that one line.
TEST(DataFileCheck, OptionLinesOfALostFeatureNameTheirOpenUI) {
  std::vector<CheckFinding> found = Check(
      "*OpenUI *QDV_Orientatoin: PickOne\n"
      "*QDV_Orientatoin IDS_ORIENTATION_PORTRAIT: \"P\"\n"
      "*QDV_Orientatoin IDS_ORIENTATION_LANDSCAPE: \"L\"\n"
      "*DefaultQDV_Orientatoin: IDS_ORIENTATION_PORTRAIT\n"
      "*CloseUI\n");
  ASSERT_EQ(found.size(), 1u) << Listing(found);
  EXPECT_TRUE(Has(found, 1, "'QDV_Orientatoin' is no setting symbol; 3 later statements fail because of line 1"))
      << Listing(found);
}

// A CloseUI with a trailing blank is malformed and leaves its feature open: the next feature and
// everything written for it fail, and all of it is reported at that one line.
TEST(DataFileCheck, AnUnclosedFeatureIsReportedAtItsCloseUI) {
  std::vector<CheckFinding> found = Check(
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
      "*QDV_RADIOLIST_1 IDS_ORIENTATION_PORTRAIT: \"P\"\n"
      "*CloseUI \n"
      "*OpenUI *QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION: PickOne\n"
      "*DefaultQDV_IDC_USER_QUALITY_CHOICE_RESOLUTION: IDS_RESOLUTION_600DPI\n"
      "*QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION IDS_RESOLUTION_300DPI: \"300\"\n"
      "*QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION IDS_RESOLUTION_600DPI: \"600\"\n"
      "*CloseUI\n");
  ASSERT_EQ(found.size(), 1u) << Listing(found);
  EXPECT_TRUE(Has(found, 3, "malformed statement")) << Listing(found);
  EXPECT_TRUE(Has(found, 3, "4 later statements fail because of line 3 (lines 4, 5, 6, 7")) << Listing(found);
}

// The warning reads the compiled cells, so it follows the grouping the compiler gives: a comparison
// whose one side is the 0/1 result of && or of another comparison and whose other side is above 1.
TEST(DataFileCheck, WarnsOfComparingATruthValueWithALargerConstant) {
  const std::string head =
      "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
      "*QDV_RADIOLIST_1 IDS_ORIENTATION_PORTRAIT: \"P\"\n"
      "*CloseUI\n";
  const struct {
    const char* judge;
    bool warned;
  } cases[] = {
      {"((QDV_RADIOLIST_1 == 1) && QDV_RADIOLIST_1) == 2", true},
      {"(QDV_RADIOLIST_1 == 1) > 3", true},
      {"5 != (QDV_RADIOLIST_1 == 1)", true},
      {"(QDV_RADIOLIST_1 == 1) == 1", false},
      {"(QDV_RADIOLIST_1 == 1) && (QDV_RADIOLIST_1 == 2)", false},
      {"QDV_RADIOLIST_1 == IDS_ORIENTATION_PORTRAIT", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.judge);
    std::vector<CheckFinding> found = Check(head + "*Judge 1: " + c.judge + "\n");
    EXPECT_EQ(Has(found, 4, "compares the 0/1 result"), c.warned) << Listing(found);
    for (const CheckFinding& f : found) EXPECT_TRUE(f.warning) << f.reason;
  }
}

TEST(DataFileCheck, TellsDataFilesFromOtherFiles) {
  const struct {
    std::string bytes;
    DataFileKind kind;
  } cases[] = {
      {"*OpenUI *QDV_RADIOLIST_1: PickOne\n*CloseUI\n", kDataFileText},
      {"*% comment\n*Judge 1: 1 == 1\n", kDataFileText},
      {"[Models]\nKAVRO=Lumeta\n; comment\n", kDataFileNoStatement},
      {"Dear reader,\n*this is no statement\n", kDataFileNoStatement},
      {std::string("*OpenUI\0\x01\x02\x03", 11), kDataFileBinary},
      {std::string(200, '\x01'), kDataFileBinary},
      {"", kDataFileNoStatement},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 20));
    EXPECT_EQ(DfcClassifyDataFile(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.kind);
  }
}

}  // namespace
