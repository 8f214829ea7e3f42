// The printer model's driver data file (model/kvdrvdat) against the compiler and the settings tables:
// the author's check finds nothing skipped, every feature, option and rule the file writes is in the
// compiled image where the image's readers look for it, the options carry the names the capability
// lists need, and the resource libraries have a text for every option and message.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driverdata/dfc_check.h"
#include "driverdata/dfc_compiler.h"
#include "driverdata/img_image.h"
#include "driverdata/rule_eval.h"
#include "driverdata/tests/img_test_support.h"
#include "kvplat/heap.h"
#include "kvplat/module.h"
#include "kvplat/controls.h"
#include "kvplat/resource.h"
#include "kvplat/window.h"
#include "kvplat/text.h"
#include "kvtest/temp_root.h"
#include "settings/item_records.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"

namespace {

using namespace dfc;

const std::string kModelFile = std::string(KV_SOURCE_DIR) + "/model/kvdrvdat";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// ---- the statements of the file, read line by line (every statement of the model starts a line) ------
struct FileFeature {
  std::string symbol;
  uint16_t key = 0;
  bool variantOrIdentity = false;
  int options = 0;
};

struct FileFacts {
  std::vector<FileFeature> features;
  std::map<std::string, int> ruleStatements;  // Judge, Item, ... -> count
  int exclusiveRows = 0;
  std::set<std::string> judgeAliasesUsedOutsideJudges;
  std::map<std::string, std::string> judgeExpressions;  // alias -> expression text
};

FileFacts ReadFacts(const std::string& text) {
  FileFacts f;
  std::istringstream in(text);
  std::string line, openSymbol;
  std::string exclusive;
  bool inExclusive = false, inList = false;
  std::string listText;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (inExclusive || inList) {
      (inExclusive ? exclusive : listText) += " " + line;
      if (line.find('}') != std::string::npos && line.find('{') == std::string::npos && line[0] == '}') {
        inExclusive = inList = false;
      }
      continue;
    }
    if (line.rfind("*OpenUI *", 0) == 0) {
      FileFeature ft;
      size_t colon = line.find(':');
      std::string head = line.substr(9, colon - 9);
      ft.symbol = head.substr(0, head.find(' '));
      ft.variantOrIdentity = head.find(' ') != std::string::npos || line.find("Identity") != std::string::npos;
      ft.key = StgFindSymbolByName(ft.symbol.c_str())->key;
      f.features.push_back(ft);
      openSymbol = ft.symbol;
      continue;
    }
    if (line == "*CloseUI") {
      openSymbol.clear();
      continue;
    }
    if (!openSymbol.empty() && line.rfind("*" + openSymbol + " ", 0) == 0) {
      ++f.features.back().options;
      continue;
    }
    for (const char* kind : {"Judge", "Item", "Action", "Transact", "AlertAction", "Alert"}) {
      std::string prefix = std::string("*") + kind + " ";
      if (line.rfind(prefix, 0) != 0) continue;
      ++f.ruleStatements[kind];
      if (std::string(kind) == "Judge") {
        size_t eq = line.find('='), colon = line.find(':');
        f.judgeExpressions[line.substr(eq + 1, colon - eq - 1)] = line.substr(colon + 1);
      } else {
        listText += " " + line.substr(line.find(':') + 1);
        if (line.find('}') == std::string::npos) inList = true;
      }
    }
    if (line.rfind("*Exclusive:", 0) == 0) {
      exclusive += " " + line.substr(11);
      if (line.find('}') == std::string::npos) inExclusive = true;
    }
    if (line.find("Command : ") != std::string::npos) listText += " " + line;
  }
  std::istringstream words(exclusive + " " + listText);
  std::string w;
  int fields = 0;
  std::istringstream ex(exclusive);
  while (ex >> w)
    if (w != "{" && w != "}") ++fields;
  f.exclusiveRows = fields / 8;
  while (words >> w)
    if (f.judgeExpressions.count(w)) f.judgeAliasesUsedOutsideJudges.insert(w);
  return f;
}

// ---- the compiled image, in offset form (references: plain offsets, or tagged offset * 16 + 1) -------
class ModelImage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    text_ = new std::string(ReadAll(kModelFile));
    COMPILE_RECORD* rec = DfcParseDataBytes(text_->data(), text_->size(), nullptr);  // the tables' names
    ASSERT_NE(rec, nullptr);
    image_ = DfcAssembleImage(rec, &length_);
    ASSERT_NE(image_, nullptr);
  }
  static void TearDownTestSuite() {
    GlobalFree(image_);
    image_ = nullptr;
    delete text_;
    text_ = nullptr;
  }

  static uint64_t Off(uint64_t ref) { return (ref & 1) ? ref >> 4 : ref; }
  template <class T>
  static T At(uint64_t off, size_t field = 0) {
    return Get<T>(image_, size_t(off) + field);
  }
  static std::vector<uint64_t> Nodes() {
    std::vector<uint64_t> v;
    for (uint64_t n = At<uint64_t>(40); n; n = At<uint64_t>(n, 0)) v.push_back(n);
    return v;
  }
  static uint16_t Key(uint64_t n) { return At<uint16_t>(n, 32); }
  static uint16_t Variant(uint64_t n) { return At<uint16_t>(n, 34); }
  static uint16_t SettingId(uint64_t n) { return At<uint16_t>(n, 36); }
  static uint16_t Type(uint64_t n) { return At<uint16_t>(n, 38); }
  static std::vector<uint64_t> Options(uint64_t n) {
    std::vector<uint64_t> v;
    if (!(Type(n) & 3)) return v;
    for (uint64_t o = At<uint64_t>(n, 24); o; o = At<uint64_t>(o, 0)) v.push_back(o);
    return v;
  }
  static uint16_t Value(uint64_t option) { return uint16_t(At<uint64_t>(option, 8)); }
  static std::string Text(uint64_t off) { return off ? std::string(reinterpret_cast<const char*>(image_) + off) : ""; }
  // The node of a setting id as the image's readers find it: its header slot.
  static uint64_t SlotNode(uint16_t id) { return At<uint64_t>(SlotOffset(SlotIndex(id))); }
  // The command node of an item key and sub-key as the job header finds it.
  static uint64_t CommandNode(uint16_t key, int16_t sub) {
    for (uint64_t n : Nodes())
      if (Key(n) == key && (Variant(n) == uint16_t(sub) || (Type(n) & kTypeIdentity))) return n;
    return 0;
  }

  static std::string* text_;
  static BYTE* image_;
  static uint32_t length_;
};
std::string* ModelImage::text_ = nullptr;
BYTE* ModelImage::image_ = nullptr;
uint32_t ModelImage::length_ = 0;

// ---- the author's check ---------------------------------------------------------------------------------
TEST(ModelDataCheck, TheModelFileHasNothingSkipped) {
  std::string text = ReadAll(kModelFile);
  bool ok = false;
  std::vector<CheckFinding> found = DfcCheckDataFile(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &ok);
  EXPECT_TRUE(ok);
  for (const CheckFinding& f : found) ADD_FAILURE() << "line " << f.line << ": " << f.reason << "\n    " << f.statement;
}

// ---- features and options -------------------------------------------------------------------------------
TEST_F(ModelImage, ImageIsSoundAndRelocates) {
  EXPECT_TRUE(ImgCheckImage(image_, length_));
  std::vector<BYTE> copy(image_, image_ + length_);
  EXPECT_TRUE(DfcCheckAndRelocate(copy.data(), copy.size()));
}

TEST_F(ModelImage, EveryFeatureOfTheFileIsANodeWithItsOptions) {
  FileFacts facts = ReadFacts(*text_);
  ASSERT_GT(facts.features.size(), 50u);
  std::vector<uint64_t> nodes = Nodes();
  ASSERT_EQ(nodes.size(), facts.features.size());
  // Each feature of the file has its node (matched by key, in file order within a key).
  std::map<uint16_t, std::vector<uint64_t>> byKey;
  for (uint64_t n : nodes) byKey[Key(n)].push_back(n);
  std::map<uint16_t, std::vector<uint64_t>> plainByKey;
  for (uint64_t n : nodes)
    if (Variant(n) == 0) plainByKey[Key(n)].push_back(n);
  for (const FileFeature& f : facts.features) {
    SCOPED_TRACE(f.symbol);
    ASSERT_FALSE(byKey[f.key].empty());
    if (f.variantOrIdentity) continue;
    // The plain node of the key carries the options the file lists.
    ASSERT_EQ(plainByKey[f.key].size(), 1u);
    uint64_t n = plainByKey[f.key][0];
    if (Type(n) & 3) {
      EXPECT_EQ(int(Options(n).size()), f.options);
    }
  }
}

TEST_F(ModelImage, EveryNodeIsFoundWhereTheReadersLook) {
  for (uint64_t n : Nodes()) {
    const ITEM_SYMBOL* sym = StgFindSymbolByKey(Key(n));
    SCOPED_TRACE(sym ? sym->name : "?");
    uint16_t id = SettingId(n);
    if (Variant(n) != 0) {
      // Variants and identity nodes: the job header's command lookup by key and sub-key.
      EXPECT_EQ(CommandNode(Key(n), int16_t(Variant(n))), n);
      continue;
    }
    if (id == 0) {
      // The settings-file admission node is found by its key.
      EXPECT_EQ(Key(n), StgFindSymbolByName("QDV_ConditionOption")->key);
      continue;
    }
    uint64_t slot = SlotNode(id);
    ASSERT_NE(slot, 0u);
    if (slot == n) continue;
    // A second definition of a setting: the active-node walk finds it after the slot's node, and the
    // slot's node has a first condition that can exclude it.
    EXPECT_EQ(SettingId(slot), id);
    EXPECT_NE(Key(slot), Key(n));
    EXPECT_NE(At<uint64_t>(slot, 16), 0u);
    EXPECT_NE(At<uint64_t>(n, 16), 0u);
  }
  // The two alternative definitions of the custom width and length.
  for (uint16_t id : {340, 341}) {
    int count = 0;
    for (uint64_t n : Nodes()) count += SettingId(n) == id && Variant(n) == 0;
    EXPECT_EQ(count, 2) << id;
  }
}

TEST_F(ModelImage, OptionsCarryTheNamesTheCapabilityListsRead) {
  for (uint64_t n : Nodes()) {
    if (Variant(n) != 0 || SettingId(n) == 0 || !(Type(n) & 3)) continue;
    for (uint64_t o : Options(n)) {
      const ENUM_SYMBOL* s = StgFindEnumSymbol(SettingId(n), Value(o));
      ASSERT_NE(s, nullptr) << "setting " << SettingId(n) << " option " << Value(o);
      EXPECT_NE(s->one, 0u);
      EXPECT_EQ(StgFindEnumSymbolByName(s->name)->value, s->value) << s->name;
    }
  }
  auto seconds = [](uint16_t id) {
    std::vector<uint64_t> v;
    for (uint64_t o : Options(SlotNode(id))) v.push_back(StgFindEnumSymbol(id, Value(o))->second);
    return v;
  };
  EXPECT_EQ(seconds(13), (std::vector<uint64_t>{7, 287, 288, 295, 4}));  // bins
  EXPECT_EQ(seconds(38), (std::vector<uint64_t>{300, 600}));            // dpi
  EXPECT_EQ(seconds(7), (std::vector<uint64_t>{1, 2}));                 // orientation
  std::vector<uint64_t> papers = seconds(8);
  EXPECT_EQ(papers.front(), 267u);  // A0
  EXPECT_EQ(papers[4], 9u);         // A4
  std::vector<uint64_t> print = seconds(46);
  EXPECT_EQ(print.front(), 1024u);  // same as paper size
}

TEST_F(ModelImage, DefaultsAndRanges) {
  auto defaultValue = [](uint16_t id) {
    uint64_t n = SlotNode(id);
    std::vector<uint64_t> o = Options(n);
    uint16_t i = At<uint16_t>(n, 40);
    return i < o.size() ? Value(o[i]) : uint16_t(0);
  };
  EXPECT_EQ(defaultValue(8), 41);      // A4
  EXPECT_EQ(defaultValue(13), 1);      // automatic source
  EXPECT_EQ(defaultValue(38), 86);     // 600 dpi
  EXPECT_EQ(defaultValue(7), 2026);    // portrait
  EXPECT_EQ(defaultValue(46), 52);     // same as paper size
  struct Range {
    uint16_t id;
    int32_t def, min, max;
  } ranges[] = {{12, 1, 1, 999}, {89, 100, 20, 400}, {90, 100, 20, 400}, {98, 0, 0, 1181}, {99, 0, 0, 1181}};
  for (const Range& r : ranges) {
    SCOPED_TRACE(r.id);
    uint64_t n = SlotNode(r.id);
    ASSERT_EQ(BaseType(Type(n)), kTypeNumeric);
    uint64_t v = At<uint64_t>(n, 24);
    EXPECT_EQ(At<int32_t>(v, 12), r.def);
    EXPECT_EQ(At<int32_t>(v, 16), r.min);
    EXPECT_EQ(At<int32_t>(v, 20), r.max);
    for (int f : {0, 2, 4, 6, 8, 10}) EXPECT_EQ(At<int16_t>(v, f), 1);  // scale factors read as x1/1
  }
}

TEST_F(ModelImage, PapersHaveSizesAreasAndSlots) {
  uint64_t paper = SlotNode(8);
  ASSERT_EQ(Type(paper), kTypePickPage);
  std::set<uint16_t> paperValues;
  for (uint64_t o : Options(paper)) {
    paperValues.insert(Value(o));
    int32_t w = At<int32_t>(o, 24), l = At<int32_t>(o, 28);
    std::set<std::pair<int, int>> seen;
    for (uint64_t a = At<uint64_t>(o, 32); a; a = At<uint64_t>(a, 0)) {
      int16_t res = At<int16_t>(a, 8), orient = At<int16_t>(a, 10);
      seen.insert({res, orient});
      if (w == 0) continue;  // custom sizes give margins only
      int dpi = res == 86 ? 600 : 300;
      int32_t wd = int32_t(w * dpi / 254.0 + 0.5), ld = int32_t(l * dpi / 254.0 + 0.5);
      bool land = orient == 2027;
      SCOPED_TRACE(Value(o));
      EXPECT_EQ(At<int32_t>(a, 32), land ? ld : wd);
      EXPECT_EQ(At<int32_t>(a, 36), land ? wd : ld);
      EXPECT_EQ(At<int32_t>(a, 24), At<int32_t>(a, 32) - 2 * At<int32_t>(a, 16));
      EXPECT_EQ(At<int32_t>(a, 28), At<int32_t>(a, 36) - 2 * At<int32_t>(a, 20));
    }
    EXPECT_TRUE(seen.count({84, 2026}) && seen.count({86, 2026})) << Value(o);
    if (w) {
      EXPECT_EQ(seen.size(), 4u) << Value(o);
    }
  }
  uint64_t source = SlotNode(13);
  ASSERT_EQ(Type(source), kTypePickSlot);
  for (uint64_t o : Options(source)) {
    int32_t count = At<int32_t>(o, 24);
    EXPECT_GT(count, 0) << Value(o);
    uint64_t list = At<uint64_t>(o, 32);
    for (int32_t i = 0; i < count; ++i) EXPECT_TRUE(paperValues.count(At<uint16_t>(list, 2 * i))) << Value(o);
  }
  // Every paper of the paper feature is also a print size (form matching tests print sizes).
  std::set<uint16_t> printValues;
  for (uint64_t o : Options(SlotNode(46))) printValues.insert(Value(o));
  for (uint16_t v : paperValues) EXPECT_TRUE(printValues.count(v)) << v;
}

// ---- rules -----------------------------------------------------------------------------------------------
TEST_F(ModelImage, EveryRuleStatementIsReachedFromTheRuleRows) {
  FileFacts facts = ReadFacts(*text_);
  std::vector<uint64_t> rows;
  for (uint64_t r = At<uint64_t>(15936); r; r = At<uint64_t>(r, 0)) rows.push_back(r);
  ASSERT_EQ(int(rows.size()), facts.exclusiveRows);
  uint16_t convertKey = StgFindSymbolByName("QDV_ConvertDevmode")->key;
  std::set<uint16_t> keys;
  for (uint64_t r : rows) {
    uint16_t key = At<uint16_t>(r, 64);
    EXPECT_TRUE(keys.insert(key).second) << "two rows for key " << key;
    if (key == convertKey) continue;  // run by key during version conversion
    bool owned = false;
    for (uint64_t n : Nodes()) owned = owned || (Key(n) == key && At<uint64_t>(n, 16) == r);
    EXPECT_TRUE(owned) << "row of key " << key << " belongs to no node";
  }
  // Walk everything the rows reach.
  std::set<uint64_t> judges, items, actions, transacts, alertActions, alerts;
  auto judge = [&](uint64_t ref) {
    if (ref) judges.insert(Off(ref));
  };
  auto transact = [&](uint64_t ref) {
    if (!ref) return;
    transacts.insert(Off(ref));
    for (uint64_t e = Off(ref); e; e = Off(At<uint64_t>(e, 0))) {
      judge(At<uint64_t>(e, 8));
      if (uint64_t a = At<uint64_t>(e, 16)) actions.insert(Off(a));
    }
  };
  for (uint64_t r : rows) {
    judge(At<uint64_t>(r, 8));
    judge(At<uint64_t>(r, 16));
    judge(At<uint64_t>(r, 56));
    if (uint64_t i = At<uint64_t>(r, 24)) {
      items.insert(Off(i));
      for (uint64_t e = Off(i); e; e = Off(At<uint64_t>(e, 0)))
        for (int f : {8, 16, 24}) judge(At<uint64_t>(e, f));
    }
    if (uint64_t a = At<uint64_t>(r, 32)) {
      alerts.insert(Off(a));
      for (uint64_t e = Off(a); e; e = Off(At<uint64_t>(e, 0))) {
        judge(At<uint64_t>(e, 8));
        if (uint64_t aa = At<uint64_t>(e, 24)) {
          alertActions.insert(Off(aa));
          for (uint64_t x = Off(aa); x; x = Off(At<uint64_t>(x, 0))) transact(At<uint64_t>(x, 16));
        }
      }
    }
    transact(At<uint64_t>(r, 40));
    transact(At<uint64_t>(r, 48));
  }
  // Conditions of the job and page commands.
  std::function<void(uint64_t)> block = [&](uint64_t b) {
    if (!b) return;
    judge(At<uint64_t>(b, 0));
    for (int list : {8, 16})
      for (uint64_t e = At<uint64_t>(b, list); e; e = At<uint64_t>(e, 0))
        if (At<uint64_t>(e, 8) == 3) block(At<uint64_t>(e, 16));
  };
  for (uint32_t g : kGroupOffset) block(At<uint64_t>(g));

  // A resolving dialog: the custom size dialog, as an action and as the focus of an alert answer.
  uint16_t freeSizeDialog = StgTableFindDialogByName(StgGetTemplateDialogTable(), "QDV_IDD_DIALOG_FREESIZE")->id;
  bool dialogAction = false, dialogFocus = false;
  for (uint64_t a : actions)
    for (uint64_t e = a; e; e = Off(At<uint64_t>(e, 0)))
      dialogAction = dialogAction || (At<uint16_t>(e, 10) == 1 && At<uint16_t>(e, 8) == freeSizeDialog);
  for (uint64_t a : alertActions)
    for (uint64_t e = a; e; e = Off(At<uint64_t>(e, 0)))
      dialogFocus = dialogFocus || (At<uint16_t>(e, 24) == freeSizeDialog && At<uint16_t>(e, 26) != 0);
  EXPECT_TRUE(dialogAction);
  EXPECT_TRUE(dialogFocus);

  EXPECT_EQ(int(items.size()), facts.ruleStatements["Item"]);
  EXPECT_EQ(int(actions.size()), facts.ruleStatements["Action"]);
  EXPECT_EQ(int(transacts.size()), facts.ruleStatements["Transact"]);
  EXPECT_EQ(int(alertActions.size()), facts.ruleStatements["AlertAction"]);
  EXPECT_EQ(int(alerts.size()), facts.ruleStatements["Alert"]);
  // Judges are reached directly, or live inlined in a Judge that is.
  EXPECT_EQ(judges.size(), facts.judgeAliasesUsedOutsideJudges.size());
  for (auto& [alias, expr] : facts.judgeExpressions) {
    bool used = facts.judgeAliasesUsedOutsideJudges.count(alias) > 0;
    for (auto& [other, otherExpr] : facts.judgeExpressions)
      used = used || (other != alias && (" " + otherExpr + " ").find(" " + alias + " ") != std::string::npos);
    EXPECT_TRUE(used) << "Judge " << alias << " is used nowhere";
  }
}

// ---- commands --------------------------------------------------------------------------------------------
TEST_F(ModelImage, JobAndPageCommandsFindTheirNodesAndTexts) {
  std::vector<std::string> texts;
  int settingCommands = 0;
  std::function<void(uint64_t)> walk = [&](uint64_t b) {
    for (int list : {8, 16})
      for (uint64_t e = At<uint64_t>(b, list); e; e = At<uint64_t>(e, 0)) {
        uint64_t kind = At<uint64_t>(e, 8);
        if (kind == 1) {
          ++settingCommands;
          uint16_t key = At<uint16_t>(e, 16);
          int16_t sub = At<int16_t>(e, 18);
          uint64_t n = CommandNode(key, sub);
          ASSERT_NE(n, 0u) << "key " << key << " sub-key " << sub;
          ASSERT_NE(StgDictFindItemByKey(StgGetTemplateDictionary(), nullptr, key), nullptr) << key;
          EXPECT_NE(At<uint64_t>(n, 8), 0u) << "no command pair for key " << key;
        } else if (kind == 2) {
          ASSERT_NE(At<uint64_t>(e, 24), 0u);
          texts.push_back(Text(At<uint64_t>(e, 24)));
        } else if (kind == 3) {
          walk(At<uint64_t>(e, 16));
        } else {
          EXPECT_EQ(kind, 4u);
        }
      }
  };
  for (uint32_t g : kGroupOffset) {
    ASSERT_NE(At<uint64_t>(g), 0u) << g;
    walk(At<uint64_t>(g));
  }
  EXPECT_GT(settingCommands, 20);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.front(), "\x1B%-12345X@PJL \r\n");
  bool enterLanguage = false;
  for (auto& t : texts) enterLanguage = enterLanguage || t == "@PJL ENTER LANGUAGE = ZARN \r\n";
  EXPECT_TRUE(enterLanguage);
  EXPECT_EQ(At<int32_t>(15944), 7);  // device fonts
  EXPECT_EQ(At<int32_t>(15948), 2);  // cartridge fonts
}

// ---- resource libraries ----------------------------------------------------------------------------------
TEST_F(ModelImage, ResourceLibrariesNameEveryOptionAndMessage) {
  std::set<uint16_t> ids;
  uint16_t conditionKey = StgFindSymbolByName("QDV_ConditionOption")->key;
  for (uint64_t n : Nodes())
    if (Variant(n) == 0 && Key(n) != conditionKey && (Type(n) & 3))
      for (uint64_t o : Options(n)) ids.insert(Value(o));
  const MESSAGE_TABLE* messages = StgGetMessageTable();
  for (int i = 0; i < messages->count; ++i) ids.insert(messages->rows[i].stringId);
  // Every text the dialog table names, and the sheets' fixed texts.
  const DIALOG_TABLE* table = StgGetTemplateDialogTable();
  for (int i = 0; i < table->count; ++i)
    for (int c = 0; c < table->rows[i].controlCount; ++c) {
      const CONTROL_DESC& ctl = table->rows[i].controls[c];
      for (int id : {(int)ctl.labelId, (int)ctl.hintId, (int)ctl.infoId, (int)ctl.lockInfoId})
        if (id > 0) ids.insert((uint16_t)id);
    }
  for (uint16_t id : {372, 373, 374, 375, 5001, 7001, 7002, 7004, 10017, 10023, 10024, 10025, 10026, 10027, 10028,
                      10031, 10032, 10043, 10049, 10060, 12041, 15000, 15001, 15002, 13187, 13189, 13190, 13191,
                      13192, 13193, 13194, 13195, 13196})
    ids.insert(id);
  // The printer picture's hot spots show the text of the source or output they select as their hint.
  for (uint16_t id : {4, 13260, 13261, 13738, 13659, 13660}) ids.insert(id);

  // The libraries as the driver finds them: in the driver folder, under the data file's name with the
  // region code in place of "us".
  kvtest::TempRoot root;
  std::filesystem::create_directories(root.path() + "/c/drivers");
  std::map<std::string, std::u16string> portrait;
  for (const char* region : {"us", "jp"}) {
    SCOPED_TRACE(region);
    std::string so = std::string("KV8350") + region + ".so";
    std::filesystem::copy_file(std::string(KV_MODULE_DIR) + "/" + so, root.path() + "/c/drivers/" + so);
    std::u16string path = u"C:\\drivers\\KV8350" + std::u16string(region, region + 2) + u".DLL";
    HMODULE m = LoadLibraryW(path.c_str());
    ASSERT_NE(m, nullptr);
    WCHAR buf[256];
    for (uint16_t id : ids) EXPECT_GT(LoadStringW(m, id, buf, 256), 0) << "string " << id;
    ASSERT_GT(LoadStringW(m, 2026, buf, 256), 0);
    portrait[region] = buf;
    FreeLibrary(m);
  }
  EXPECT_EQ(portrait["us"], u"Portrait");
  EXPECT_NE(portrait["jp"], portrait["us"]);
  EXPECT_GT(portrait["jp"][0], 0x3000);  // a double-byte region's character
}

// ---- the dialog table against the dialog templates of both libraries -------------------------------------

// The window class and style a control kind needs; the file-dialog controls (kind 0) take what their
// standard role needs and are not checked here.
bool ClassFitsKind(WORD kind, WORD controlId, const kvp::DialogItem& it) {
  DWORD low = it.style & 0xF;
  switch (kind) {
    case 0x1: case 0x2: return it.classAtom == 0x82;
    case 0x4: return it.classAtom == 0x80 && low == BS_GROUPBOX;
    case 0x15: return it.classAtom == 0x80 && low == BS_OWNERDRAW;
    case 0x16: return it.classAtom == 0x80 && low == BS_AUTOCHECKBOX;
    case 0x29: return it.classAtom == 0x80 && low == BS_AUTORADIOBUTTON;
    case 0x2A: return it.classAtom == 0x83;
    case 0x2F: case 0x31: case 0x32: return it.classAtom == 0x83 && (it.style & LBS_OWNERDRAWFIXED);
    case 0x2B: return it.classAtom == 0x85 && !(it.style & CBS_OWNERDRAWFIXED);
    case 0x30: return it.classAtom == 0x85 && (it.style & CBS_OWNERDRAWFIXED);
    case 0x3D: case 0x3F: return it.classAtom == 0x81;
    case 0x17: case 0x51: return it.classAtom == 0x84 && (it.style & SBS_VERT);
    case 0x52: case 0x54: return it.classAtom == 0x84 && !(it.style & SBS_VERT);
    case 0x69: return it.className == u"SysTreeView32";
    case 0x0: return controlId != 2166 || it.className == u"SysListView32";
  }
  return false;
}

TEST(ModelDialogs, EveryRowHasItsTemplateInBothLibraries) {
  kvtest::TempRoot root;
  std::filesystem::create_directories(root.path() + "/c/drivers");
  const DIALOG_TABLE* table = StgGetTemplateDialogTable();
  std::map<std::string, std::map<WORD, std::set<std::pair<DWORD, std::u16string>>>> shapes;
  for (const char* region : {"us", "jp"}) {
    SCOPED_TRACE(region);
    std::string so = std::string("KV8350") + region + ".so";
    std::filesystem::copy_file(std::string(KV_MODULE_DIR) + "/" + so, root.path() + "/c/drivers/" + so);
    std::u16string path = u"C:\\drivers\\KV8350" + std::u16string(region, region + 2) + u".DLL";
    HMODULE m = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(m, nullptr);
    int templates = 0;
    for (int i = 0; i < table->count; ++i) {
      const DIALOG_DESC& d = table->rows[i];
      SCOPED_TRACE(d.id);
      HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(d.id), RT_DIALOG);
      ASSERT_NE(r, nullptr) << "no template";
      kvp::DialogDesc t;
      ASSERT_TRUE(kvp::DecodeDialogTemplate(LockResource(LoadResource(m, r)), SizeofResource(m, r), &t));
      ++templates;
      if (d.kind & STG_DIALOG_PAGE_MASK) {
        EXPECT_EQ(t.cx, 252);
        EXPECT_EQ(t.cy, 218);
        EXPECT_TRUE(t.style & WS_CHILD);
      }
      std::map<DWORD, const kvp::DialogItem*> items;
      for (const kvp::DialogItem& it : t.items) {
        // Every child lies inside the client area.
        EXPECT_TRUE(it.x >= 0 && it.y >= 0 && it.x + it.cx <= t.cx && it.y + it.cy <= t.cy) << "control " << it.id;
        if ((WORD)it.id == 0xFFFF) continue;  // labels and frames nothing drives
        EXPECT_TRUE(items.emplace(it.id, &it).second) << "control " << it.id << " twice";
        shapes[region][d.id].insert({it.id, it.className.empty() ? std::u16string(1, char16_t(it.classAtom)) : it.className});
      }
      // Each row's control is in the template with the class its kind needs, and each control of
      // the template has its row.
      for (int c = 0; c < d.controlCount; ++c) {
        const CONTROL_DESC& ctl = d.controls[c];
        auto it = items.find(ctl.controlId);
        ASSERT_NE(it, items.end()) << "control " << ctl.controlId << " missing";
        EXPECT_TRUE(ClassFitsKind(ctl.kind, ctl.controlId, *it->second)) << "control " << ctl.controlId << " kind " << ctl.kind;
      }
      for (auto& [id, item] : items) EXPECT_NE(StgTableFindControlById(table, &d, (WORD)id), nullptr) << "control " << id << " has no row";
    }
    EXPECT_EQ(templates, table->count);
    FreeLibrary(m);
  }
  EXPECT_EQ(shapes["us"], shapes["jp"]);
}

// ---- the dialog table against the model's rules ----------------------------------------------------------

class ModelControls : public imgtest::ModelContext {
 protected:
  // A feature this printer lacks: a node of unknown type (an identity node of one takes its type).
  static bool Lacking(IMG_REF node) { return (ImgNodeType(node) & ~kTypeIdentity) == kTypeUnknown; }
};

// Every control bound to a setting the model has a node for finds a rule node of its own key: an
// identity node shares the options and repeats the rules of the node it names, so every copy of a
// setting lists and refuses the same options. The controls of a feature this printer lacks are hidden
// by their rules whatever is installed.
TEST_F(ModelControls, EveryBoundControlFindsItsRuleNode) {
  const DIALOG_TABLE* table = StgGetTemplateDialogTable();
  std::set<WORD> lacking;
  int copies = 0;
  for (bool installed : {false, true}) {
    SCOPED_TRACE(installed ? "every option installed" : "no option installed");
    if (installed)
      for (const char* o : {"QDV_OptionRoll2Tray", "QDV_OptionCutTray", "QDV_OptionFoldingFolder",
                            "QDV_OptionFoldingFan", "QDV_OptionHDD"})
        Set(o, 1u);
    for (int i = 0; i < table->count; ++i)
      for (int c = 0; c < table->rows[i].controlCount; ++c) {
        const CONTROL_DESC& ctl = table->rows[i].controls[c];
        if (!ctl.item) continue;
        SCOPED_TRACE(testing::Message() << table->rows[i].id << "/" << ctl.controlId << " key " << ctl.key);
        IMG_REF main = ImgFindNode(ctx_, (WORD)ctl.item->id);
        if (!main) continue;  // a setting of the driver's own (presets, names, passwords): no rules
        IMG_REF node = ImgFindNodeByKey(ctx_, (WORD)ctl.key);
        ASSERT_NE(node, 0u) << "no rule node";
        if (Lacking(main)) {
          lacking.insert((WORD)ctl.item->id);
          EXPECT_TRUE(Lacking(node));
          EXPECT_EQ(RuleIsOptionExcluded(ctx_, node, 0), 1) << "a lacking feature's control is shown";
          continue;
        }
        EXPECT_FALSE(Lacking(node));
        if (!(ImgNodeType(node) & kTypeIdentity)) {
          EXPECT_EQ(ImgNodeSettingId(node), ctl.item->id);
          continue;
        }
        ++copies;
        IMG_REF target = ImgFindNodeByKey(ctx_, DFC_GET(node, IMAGE_NODE, variant));
        ASSERT_NE(target, 0u);
        EXPECT_EQ(ImgNodeSettingId(target), ctl.item->id);
        EXPECT_EQ(ImgNodeOptions(node), ImgNodeOptions(target));
        IMG_REF own = ImgNodeRule(node), of = ImgNodeRule(target);
        ASSERT_EQ(own != 0, of != 0) << "the copy's rules differ from its setting's";
        if (!own) continue;
        for (auto field : {&RULE_ROW::judgeA, &RULE_ROW::judgeB, &RULE_ROW::items, &RULE_ROW::alerts,
                           &RULE_ROW::transactA, &RULE_ROW::transactB, &RULE_ROW::judgeC})
          EXPECT_EQ(reinterpret_cast<const RULE_ROW*>(own)->*field, reinterpret_cast<const RULE_ROW*>(of)->*field);
      }
  }
  EXPECT_GT(copies, 0);
  // What the printer lacks: duplex, stapling, punching, covers, slip sheets and colour.
  for (WORD id : {sid::rdmFuncSelectDuplex, sid::wdmStapleType, sid::wdmPunchType, sid::rdmFuncSelectCover,
                  sid::rdmFuncSelectMark, sid::rdmColorMode})
    EXPECT_TRUE(lacking.count(id)) << "setting " << id;
}

// ---- model INI and default driver INI -------------------------------------------------------------------
using IniFile = std::map<std::string, std::map<std::string, std::string>>;

IniFile ReadIni(const std::string& path) {
  IniFile ini;
  std::istringstream in(ReadAll(path));
  std::string section;
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    if (l.empty() || l[0] == ';') continue;
    if (l[0] == '[') {
      section = l.substr(1, l.find(']') - 1);
      ini[section];
      continue;
    }
    size_t eq = l.find('=');
    if (eq != std::string::npos) ini[section][l.substr(0, eq)] = l.substr(eq + 1);
  }
  return ini;
}

// The region lists that set-up copies and repairs must be complete, or set-up rewrites them.
void ExpectCompleteLists(IniFile& ini, const std::string& region) {
  SCOPED_TRACE(region);
  ASSERT_TRUE(ini.count(region));
  EXPECT_EQ(ini[region]["RstVersion"], "322");
  ASSERT_EQ(ini[region]["FreeSizeCount"], "10");
  for (int i = 0; i < 10; ++i) {
    auto& f = ini["FreeSize" + std::to_string(i) + region];
    for (const char* k : {"wdmFreeSizeWidth", "wdmFreeSizeLength", "wdmFreeSizeTray", "wdmFreeSizeOrient"})
      EXPECT_FALSE(f[k].empty()) << "FreeSize" << i << " " << k;
    // Custom sizes keep to the model's limits (dots at 1200 dpi).
    long w = std::atol(f["wdmFreeSizeWidth"].c_str()), l = std::atol(f["wdmFreeSizeLength"].c_str());
    EXPECT_TRUE(w >= 9920 && w <= 43200) << w;
    EXPECT_TRUE(l >= 12140 && l <= 708660) << l;
  }
  int stamps = std::atoi(ini[region]["StampCount"].c_str());
  ASSERT_GT(stamps, 0);
  const char* keys[] = {"rdmWmKind",       "wdmWmOpaque",     "wdmWmUnit",      "wdmWmDensity",
                        "wdmWmEffect",     "wdmWmPosi",       "wdmWmPosiTile",  "wdmWmPage",
                        "wdmWmStartPage",  "wdmWmEndPage",    "wdmWmAngle",     "rdmWmID",
                        "wdmWmFontName",   "wdmWmFontPoint",  "wdmWmColor",     "wdmWmColorR",
                        "wdmWmColorG",     "wdmWmColorB",     "wdmWmFontStyle", "wdmWmFontScale",
                        "wdmWmChar",       "wdmWmImage",      "wdmWmCharName",  "wdmWmImageName",
                        "wdmWmFont",       "wdmWMPrinterStamp2PlanePrint", "wdmWMFuncSelectOrder"};
  for (int i = 0; i < stamps; ++i) {
    auto& st = ini["Stamp" + std::to_string(i) + region];
    int kind = std::atoi(st["rdmWmKind"].c_str());
    for (const char* k : keys) {
      std::string key = k;
      bool charKey = key == "wdmWmChar" || key == "wdmWmCharName";
      bool imageKey = key == "wdmWmImage" || key == "wdmWmImageName";
      if ((charKey && kind != 1) || (imageKey && kind != 2)) continue;
      EXPECT_FALSE(st[key].empty()) << "Stamp" << i << " " << key;
    }
  }
}

TEST(ModelIni, ModelIniNamesEveryDriverAndCarriesTheListDefaults) {
  IniFile ini = ReadIni(std::string(KV_SOURCE_DIR) + "/model/kvdrvmod.ini");
  ASSERT_GT(StgGetModelEntryCount(), 0);
  for (int i = 0; i < StgGetModelEntryCount(); ++i) {
    std::string driver = kvp::ToUtf8(kvp::WView(StgGetModelEntry(i)->name));
    SCOPED_TRACE(driver);
    EXPECT_FALSE(ini["Models"][driver].empty());
    EXPECT_FALSE(ini["Models1"][driver].empty());
    EXPECT_FALSE(ini[driver]["DriverID"].empty());
    EXPECT_GT(std::atoi(ini[driver]["PPM"].c_str()), 0);
    EXPECT_FALSE(ini[ini["Models"][driver]]["ResDll"].empty());
  }
  EXPECT_EQ(ini["ZARNAPI"]["ZARNAPIVer"], "16");
  EXPECT_EQ(std::atoi(ini["ZARNAPI"]["ZARNAPIFunc1"].c_str()) & 0x207, 0x207);
  EXPECT_TRUE(ini.count("DriversFileName"));
  EXPECT_TRUE(ini["BatchInstallDone"]["BatchInstallDone"].empty());  // written by set-up, not shipped
  EXPECT_EQ(ini["Expand File"]["SystemDirfiles"], "0");
  for (const char* region : {"us", "jp"}) ExpectCompleteLists(ini, region);
}

TEST(ModelIni, DefaultDriverIniHasThePrinterAndRegionSections) {
  IniFile ini = ReadIni(std::string(KV_SOURCE_DIR) + "/model/kvdrvset.ini");
  auto& printer = ini[kvp::ToUtf8(kvp::WView(StgGetModelEntry(0)->name))];
  for (const char* k : {"PrnMethod", "Count", "QualityCount", "rdmAction", "SharedPrnData", "PreviewPrint",
                        "DrvInstVersion", "BatchInstallDone", "PackInstallDone", "TSIniCorrectDone"})
    EXPECT_TRUE(printer.count(k)) << k;
  EXPECT_EQ(printer["Count"], "0");
  EXPECT_EQ(printer["QualityCount"], "0");
  for (const char* region : {"us", "jp"}) ExpectCompleteLists(ini, region);
}

}  // namespace
