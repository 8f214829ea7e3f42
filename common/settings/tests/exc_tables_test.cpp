// The PJL command and value tables of the exclusion interface, row by row: every command row, every
// value row with its flags, assignments and conditions, and the number records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/model_tables.h"

namespace {

// A chain as "id=value" tests joined by '&' (and) or '|' (or).
std::string Chain(const PJL_COND_NODE* n) {
  std::string s;
  for (; n; n = n->next) {
    s += std::to_string(n->settingId) + "=" + std::to_string(n->value);
    if (n->next) s += n->join ? "&" : "|";
  }
  return s;
}

// A value table as "WORD=value" rows separated by ';', with ",alt", ",off", " sets ..." and " if ...".
std::string Rows(const PJL_VALUE_TABLE* t) {
  std::string s;
  for (uint64_t i = 0; t && i < t->count; ++i) {
    const PJL_VALUE_ROW& r = t->rows[i];
    if (i) s += ";";
    s += std::string(r.text) + "=" + std::to_string(r.value);
    if (r.flags & PJL_VALUE_ALTERNATE) s += ",alt";
    if (r.flags & PJL_VALUE_OFF) s += ",off";
    if (r.flags & PJL_VALUE_NEVER) s += ",never";
    if (r.assignments) s += " sets " + Chain(r.assignments);
    if (r.condition) s += " if " + Chain(r.condition);
    EXPECT_EQ(r.name, nullptr);
    EXPECT_EQ(r.extraLines, nullptr);
  }
  return s;
}

const std::string kSizes =
    "A0=267;A1=268;A2=66;A3=8;A4=9;JISB1=270;JISB2=271;JISB3=269;JISB4=12;LETTER=1;LEGAL=5;FOOLSCAP=14;"
    "INCH9x12=541;LEDGER=3;A3WIDE=512;ANSIC=518;INCH18x24=542;INCH21x30=543;INCH22x34=544;INCH24x36=545;"
    "INCH30x42=546;INCH34x44=547;INCH36x48=548";
const std::string kRoll =
    "NONE=0;A0=538;A1=533;A2=529;A3=527;A4=525;JISB1=536;JISB2=532;JISB3=528;JISB4=526;LETTER=1;LEGAL=5;"
    "INCH9x12=541;LEDGER=3;A3WIDE=512;ANSIC=518;INCH18x24=542;INCH21x30=543;INCH22x34=544;INCH24x36=545;"
    "INCH30x42=546;INCH34x44=547;INCH36x48=548;CUSTOM=256";
const std::string kTrayPaper = "NONE=0;A3=8;A4=9;JISB4=12;LETTER=1;LEGAL=5;FOOLSCAP=14;LEDGER=3;A3WIDE=512;CUSTOM=256";
const std::string kOrient = "PORTRAIT=0;LANDSCAPE=1";
const std::string kMedia = "PLAINORRECYCLED=300;AUTO=301;PLAIN=1;RECYCLED=260;FILM=294;TRANSLUCENT=263";
const std::string kResolution = "300=300 sets 178=18&176=0;600=600 sets 178=17&176=0";
std::string Nup() {
  std::string s;
  auto add = [&](const char* word, int v, int kind, bool alt = false) {
    s += std::string(word) + "=" + std::to_string(v) + (alt ? ",alt" : "") + " sets 91=" + std::to_string(kind) + "&56=1;";
  };
  add("2IN1P1", 1, 1), add("2IN1P2", 2, 1), add("2IN1P1", 3, 1, true);
  add("4IN1P1", 33, 2), add("4IN1P2", 37, 2), add("4IN1P3", 34, 2), add("4IN1P4", 38, 2);
  add("9IN1P1", 65, 3), add("9IN1P2", 69, 3), add("9IN1P3", 66, 3), add("9IN1P4", 70, 3);
  add("16IN1P1", 97, 4), add("16IN1P2", 101, 4), add("16IN1P3", 98, 4), add("16IN1P4", 102, 4);
  return s + "OFF=0,off sets 56=0";
}
std::string Paper() {
  std::string s = "SAME=1024;" + kSizes + ";CUSTOM=448";
  for (int v = 384; v <= 393; ++v) s += ";CUSTOM=" + std::to_string(v) + ",alt";
  return s;
}

TEST(ExcTables, EveryCommandAndValueRowAsTheInterfaceDefinesIt) {
  struct Row {
    const char* name;
    uint64_t setting, form, use, kind;
    std::string values;  // the value table's rows; "" for none
    std::string numberCondition;  // the number record's condition, "-" for no record
  } expected[] = {
      {"COLLATE", 119, 1, 3, 1, "SORT=1 sets 61=1;ROTATEALL=6 sets 61=1;OFF=0,off sets 61=0", "-"},
      {"OUTBIN", 53, 1, 3, 1, "UPPER=40;LOWER=41 if 10297=0&10296=0;LOWER=49 if 10297=1&10296=1;UPPER=0,alt", "-"},
      {"TRAY", 13, 1, 3, 1,
       "ALL=7;ROLL1=287;ROLL2=288 if 10036=1;TRAY2=295 if 10034=1&10035=1;TRAY3=295 if 10036=1&10035=1;MANUAL=4", "-"},
      {"MEMORYSIZE", 10012, 2, 4, 1, "", "-"},
      {"USERCODE", 203, 2, 4, 16, "", "-"},
      {"ROLLPAPER1", 10191, 1, 4, 1, kRoll, "-"},
      {"ROLLPAPER2", 10192, 1, 4, 1, kRoll, "-"},
      {"TRAYPAPER2", 10189, 1, 4, 1, kTrayPaper, "-"},
      {"ROLLPAPERORIENT1", 10159, 1, 4, 1, kOrient, "-"},
      {"ROLLPAPERORIENT2", 10160, 1, 4, 1, kOrient, "-"},
      {"TRAYPAPERORIENT1", 10157, 1, 4, 1, kOrient, "-"},
      {"TRAYPAPERORIENT2", 10158, 1, 4, 1, kOrient, "-"},
      {"MANUALPAPERORIENT", 10170, 1, 4, 1, kOrient, "-"},
      {"ROLLPAPERMEDIA1", 10223, 1, 4, 1, kMedia, "-"},
      {"ROLLPAPERMEDIA2", 10224, 1, 4, 1, kMedia, "-"},
      {"TRAYPAPERMEDIA1", 10221, 1, 4, 1, kMedia, "-"},
      {"TRAYPAPERMEDIA2", 10222, 1, 4, 1, kMedia, "-"},
      {"MANUALPAPERMEDIA", 10234, 1, 4, 1, kMedia, "-"},
      {"APLPAGESIZE", 8, 1, 1, 1, kSizes + ";CUSTOM=256", "-"},
      {"APLPAGELAYOUT", 7, 1, 1, 1, "PORTRAIT=1;LANDSCAPE=2", "-"},
      {"PAPER", 46, 1, 3, 1, Paper(), "-"},
      {"COPIES", 12, 2, 1, 8, "", "-"},
      {"SCALETYPE", 87, 1, 1, 1, "PAPERDEFSCALE=2 sets 55=1;PAPERSCALE=1 sets 55=1;OFF=0,off sets 55=0", "-"},
      {"PAPERSCALEH", 90, 2, 1, 8, "", "87=1"},
      {"PAPERSCALEW", 89, 2, 1, 8, "", "87=1"},
      {"MARGINODD", 98, 2, 1, 8, "", "-"},
      {"MARGINEVEN", 99, 2, 1, 8, "", "-"},
      {"NUP", 92, 1, 1, 1, Nup(), "-"},
      {"NUPENCLOSURE", 93, 1, 1, 1, "CHAINSTITCH=1 if 56=1;OFF=0 if 56=1", "-"},
      {"MEDIATYPE", 54, 1, 1, 1, kMedia, "-"},
      {"DSTRESOLUTIONH", 39, 1, 1, 1, kResolution, "-"},
      {"DSTRESOLUTIONW", 38, 1, 1, 1, kResolution, "-"},
      {"SRCRESOLUTIONH", 17, 1, 1, 1, kResolution, "-"},
      {"SRCRESOLUTIONW", 14, 1, 1, 1, kResolution, "-"},
      {"COLORSELECT", 15, 1, 1, 1, "MONO=1", "-"},
  };
  const PJL_COMMAND_TABLE* t = StgGetExcCommandTable();
  ASSERT_EQ(t->count, std::size(expected));
  int valueRows = 0;
  for (size_t i = 0; i < t->count; ++i) {
    const PJL_COMMAND_ROW& r = t->rows[i];
    const Row& e = expected[i];
    SCOPED_TRACE(e.name);
    EXPECT_STREQ(r.pjlName, e.name);
    EXPECT_EQ(r.setting, e.setting);
    EXPECT_EQ(r.variant, 0u);
    EXPECT_EQ(r.form, e.form);
    EXPECT_EQ(r.use, e.use);
    EXPECT_EQ(r.valueKind, e.kind);
    EXPECT_EQ(r.dependencies, nullptr);
    EXPECT_EQ(r.condition, nullptr);
    if (r.form == PJL_FORM_TABLE) {
      const auto* table = static_cast<const PJL_VALUE_TABLE*>(r.values);
      EXPECT_EQ(Rows(table), e.values);
      valueRows += int(table->count);
    } else if (e.numberCondition == "-") {
      EXPECT_EQ(r.values, nullptr);
    } else {
      const auto* number = static_cast<const PJL_NUMBER_RECORD*>(r.values);
      ASSERT_NE(number, nullptr);
      EXPECT_EQ(Chain(number->condition), e.numberCondition);
      EXPECT_EQ(number->scale1 | number->scale2 | number->minimum | number->maximum, 0u);
    }
  }
  // The seventeen distinct tables hold 140 rows plus the own copies of roll paper and resolution.
  int distinct = 0;
  for (int i = 0; i < StgGetValueTableTotal(); ++i) distinct += int(StgGetValueTableAt(i)->count);
  EXPECT_EQ(distinct, 140 + 24 + 2);
  EXPECT_GT(valueRows, distinct);
}

}  // namespace
