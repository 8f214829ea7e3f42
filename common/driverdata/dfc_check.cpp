// The data-file author's check (dfc_check.h). It only watches: it runs the compiler's own reader and
// dispatcher and compares what each statement left in the compile record with what the statement asked
// for, so it can never disagree with the driver about what was taken.
#include "driverdata/dfc_check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "driverdata/dfc_internal.h"
#include "settings/item_records.h"

namespace dfc {

namespace {

// A finding while the check runs: the line whose fault caused it, when another line did.
struct Finding {
  CheckFinding f;
  int cause = 0;
};

// ---- small text helpers -----------------------------------------------------------------------------
std::vector<std::string> Words(const std::string& s) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '{' || c == '}') {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
      if (c == '{' || c == '}') out.push_back(std::string(1, c));
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// The words of a rule list statement, without its braces.
std::vector<std::string> ListFields(const std::string& value) {
  std::vector<std::string> out;
  for (auto& w : Words(value))
    if (w != "{" && w != "}") out.push_back(w);
  return out;
}

// Entries of an IDList: the number of "{" after the list's own opening brace.
int IdListEntries(const std::string& value) {
  size_t open = value.find('{');
  if (open == std::string::npos) return 0;
  int n = 0;
  bool quoted = false;
  for (size_t i = open + 1; i < value.size(); ++i) {
    char c = value[i];
    if (c == '%' && quoted) {
      ++i;
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (!quoted && c == '{') ++n;
  }
  return n;
}

bool IsDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int CountOptions(const CR_NODE* n) {
  int c = 0;
  for (const CR_OPTION* o = n ? n->options : nullptr; o; o = o->next) ++c;
  return c;
}

const CR_OPTION* FindOption(const CR_NODE* n, uint16_t value) {
  for (const CR_OPTION* o = n ? n->options : nullptr; o; o = o->next)
    if (o->value == value) return o;
  return nullptr;
}

int CountAreas(const CR_OPTION* o) {
  int c = 0;
  for (const CR_AREA* a = o ? o->areas : nullptr; a; a = a->next) ++c;
  return c;
}

int CountEntries(const CR_BLOCK* b) {
  if (!b) return 0;
  int c = 0;
  for (const CR_ENTRY* e = b->thenList; e; e = e->next) c += 1 + (e->kind == 3 ? CountEntries(e->block) : 0);
  for (const CR_ENTRY* e = b->elseList; e; e = e->next) c += 1 + (e->kind == 3 ? CountEntries(e->block) : 0);
  return c;
}

// The statement keywords of the grammar (option and Default lines take the feature's name instead).
bool IsKnownKeyword(const char* word) {
  static const char* kKeywords[] = {"FileVersion",   "OpenUI",        "CloseUI",     "NumericValue", "StringValue",
                                    "PageValue",     "PageMMValue",   "SlotPaper",   "OptionCommand", "CommandGroup",
                                    "DeviceFonts",   "FontCartridge", "TTFS",        "CommandString", "Judge",
                                    "Item",          "Action",        "Transact",    "AlertAction",  "Alert",
                                    "Exclusive",     "UIResDLLName",  "ExcDepDLLName"};
  for (const char* k : kKeywords)
    if (std::strcmp(word, k) == 0) return true;
  return false;
}

const char* kKindNames[kRuleKinds] = {"Judge", "Item", "Action", "Transact", "AlertAction", "Alert"};

// ---- the checker ---------------------------------------------------------------------------------------
class Checker {
 public:
  explicit Checker(COMPILE_RECORD& rec) : rec_(rec) {}

  std::vector<Finding> findings;

  // A finding at the current statement; cause: the earlier line whose fault brought it about, or 0.
  void Report(const std::string& reason, int cause = 0) {
    findings.push_back({{line_, head_, reason}, cause ? cause : causeOfStatement_});
  }
  void Warn(const std::string& reason) { findings.push_back({{line_, head_, reason, true}, 0}); }

  // A statement as the reader cut it, before the dispatcher changes its tokens.
  void Statement(int line, const std::string& head, STATEMENT_TOKENS& t) {
    line_ = line;
    head_ = head;
    kw_ = t.keyword.bytes ? t.keyword.bytes : "";
    opt_ = t.option.bytes ? t.option.bytes : "";
    opt2_ = t.option2.bytes ? t.option2.bytes : "";
    value_ = t.value.bytes ? std::string(t.value.bytes, t.value.length) : "";
    // CloseUI turns the stored default into a position: check it while it is still a value.
    if (kw_ == "CloseUI") CheckDefaultAtClose();
    // The option lines and Default line of a feature that was not taken are consequences of its OpenUI.
    auto lost = lostFeatures_.find(kw_.compare(0, 7, "Default") == 0 ? kw_.substr(7) : kw_);
    causeOfStatement_ = lost == lostFeatures_.end() ? 0 : lost->second;
    // Every statement up to the CloseUI of a feature that was not taken leans on that OpenUI.
    if (!causeOfStatement_ && !rec_.featureOpen) causeOfStatement_ = lastLostOpen_;
    if (kw_ == "CloseUI") lastLostOpen_ = 0;
    Before();
    int result = DfcDispatchStatement(rec_, t);
    After(result);
    if (!rec_.featureOpen) unclosedAt_ = 0;
  }

  void Finish() {
    line_ = 0;
    head_ = "(end of file)";
    if (rec_.featureOpen) Report("feature " + rec_.openFeature + " is never closed by CloseUI");
    // Numbered references whose statement does not exist leave 0 in the image.
    for (auto& [key, where] : numberRefs_) {
      int kind = key.first;
      int32_t number = key.second;
      if (!NumberExists(kind, number)) {
        line_ = where.first;
        head_ = where.second;
        Report(std::string("no ") + kKindNames[kind] + " statement numbered " + std::to_string(number) +
               "; the reference is left 0");
      }
    }
    std::set<int32_t> strings;
    for (const COMMAND_STRING* s = rec_.commandStrings.head; s; s = s->next) strings.insert(s->number);
    for (auto& [number, where] : stringRefs_)
      if (!strings.count(number)) {
        line_ = where.first;
        head_ = where.second;
        Report("StringType " + std::to_string(number) + " names no CommandString; the entry writes nothing");
      }
    uint16_t convertId = 0, convertKey = 0;
    Sym("QDV_ConvertDevmode", &convertId, &convertKey);
    for (const CR_RULE_ROW* row = rec_.exclusive.head; row; row = row->next)
      if (row->key && row->key != convertKey && !rec_.FirstNodeOfKey(row->key)) {
        const ITEM_SYMBOL* sym = StgFindSymbolByKey(row->key);
        line_ = 0;
        head_ = "(end of file)";
        Report(std::string("the rule row of ") + (sym ? sym->name : std::to_string(row->key).c_str()) +
               " belongs to no feature; nothing reads it");
      }
    bool anyRule = rec_.judges.head != nullptr;
    for (int k = kItem; k <= kAlert; ++k) anyRule = anyRule || rec_.statements[k].head != nullptr;
    if (rec_.exclusive.head && !anyRule) {
      line_ = 0;
      head_ = "(end of file)";
      Report("Exclusive rows are dropped: the file has no other rule statement");
    }
  }

 private:
  COMPILE_RECORD& rec_;
  int line_ = 0;
  std::string head_, kw_, opt_, opt2_, value_;
  // State captured before dispatch.
  bool featureOpenBefore_ = false;
  CR_NODE* node_ = nullptr;  // the feature's first node (option data)
  CR_NODE* exact_ = nullptr; // the node with the current key and variant
  int optionsBefore_ = 0;
  const CR_RULE_ROW* exclusiveTailBefore_ = nullptr;
  const RULE_STATEMENT* statementTailBefore_[kRuleKinds] = {};
  const JUDGE_DEF* judgeTailBefore_ = nullptr;
  int areasBefore_ = 0;
  const CR_OPTION* targetOption_ = nullptr;
  size_t featuresBefore_ = 0;
  // Defaults named by Default lines, checked when the feature closes.
  std::map<const CR_NODE*, std::string> pendingDefault_;
  std::map<std::pair<int, int32_t>, std::pair<int, std::string>> numberRefs_;
  std::map<int32_t, std::pair<int, std::string>> stringRefs_;
  // Names of option values as this file wrote them, to name a value in a message.
  std::map<uint16_t, std::string> enumNames_;
  // First line that lost an option of a feature node, and OpenUI lines of features not taken.
  std::map<const CR_NODE*, int> lostOptions_;
  std::map<std::string, int> lostFeatures_;
  std::map<uint16_t, int> lostFeatureKeys_;  // item key of a lost feature -> its cause
  int causeOfStatement_ = 0;
  int unclosedAt_ = 0;  // a malformed CloseUI left the open feature open
  int lastLostOpen_ = 0;  // OpenUI not taken, until the next CloseUI

  std::string NameOf(uint16_t value) const {
    auto it = enumNames_.find(value);
    return it == enumNames_.end() ? std::to_string(value) : it->second;
  }
  int LostOptionLine(const CR_NODE* n) const {
    auto it = lostOptions_.find(n);
    if (it != lostOptions_.end()) return it->second;
    auto k = n ? lostFeatureKeys_.find(n->key) : lostFeatureKeys_.end();
    return k == lostFeatureKeys_.end() ? 0 : k->second;
  }
  // The line a fault of the current statement goes back to: its own, or the line that caused it.
  int Root() const { return causeOfStatement_ ? causeOfStatement_ : line_; }

 public:
  // A statement the reader could not cut; a malformed CloseUI leaves its feature open.
  void Malformed(int line, const std::string& head, const std::string& reason) {
    findings.push_back({{line, head, reason}, 0});
    if (head.compare(0, 8, "*CloseUI") == 0 && rec_.featureOpen && !unclosedAt_) unclosedAt_ = line;
  }

 private:
  bool Sym(const std::string& n, uint16_t* id = nullptr, uint16_t* key = nullptr) const {
    uint16_t a, b;
    return rec_.FindSymbol(n.c_str(), id ? id : &a, key ? key : &b);
  }
  bool Enum(const std::string& n, uint16_t* v = nullptr) {
    uint16_t a;
    uint16_t* out = v ? v : &a;
    if (!rec_.FindEnum(n.c_str(), out)) return false;
    enumNames_.emplace(*out, n);
    return true;
  }

  bool NumberExists(int kind, int32_t number) const {
    uint16_t n16 = uint16_t(number);
    if (kind == kJudge) {
      for (const JUDGE_DEF* j = rec_.judges.head; j; j = j->next)
        if (uint16_t(j->number) == n16) return true;
      return false;
    }
    for (const RULE_STATEMENT* s = rec_.statements[kind].head; s; s = s->next)
      if (uint16_t(s->number) == n16 && s->first) return true;
    return false;
  }

  bool IsOptionLine() const { return featureOpenBefore_ && rec_.openFeature == kw_; }
  bool IsDefaultLine() const {
    return featureOpenBefore_ && kw_.compare(0, 7, "Default") == 0 && rec_.openFeature == kw_.substr(7);
  }

  size_t FeatureCount() const {
    size_t n = 0;
    for (const CR_NODE* f = rec_.features.head; f; f = f->next) ++n;
    return n;
  }

  void Before() {
    featureOpenBefore_ = rec_.featureOpen;
    node_ = featureOpenBefore_ ? rec_.FirstNodeOfKey(rec_.currentKey) : nullptr;
    exact_ = featureOpenBefore_ ? rec_.NodeOfKeyVariant(rec_.currentKey, rec_.currentVariant) : nullptr;
    optionsBefore_ = CountOptions(node_);
    exclusiveTailBefore_ = rec_.exclusive.tail;
    for (int k = 0; k < kRuleKinds; ++k) statementTailBefore_[k] = rec_.statements[k].tail;
    judgeTailBefore_ = rec_.judges.tail;
    targetOption_ = nullptr;
    areasBefore_ = 0;
    uint16_t v;
    if (node_ && !opt2_.empty() && Enum(opt2_, &v)) {
      targetOption_ = FindOption(node_, v);
      areasBefore_ = CountAreas(targetOption_);
    }
    featuresBefore_ = FeatureCount();
  }

  // A reference field of a rule statement: reports a word that resolves to nothing.
  void CheckRef(const std::string& word, int kind, const char* field) {
    if (word == "NULL") return;
    int32_t n = DfcResolveReference(rec_, word.c_str(), kind);
    if (n == 0) {
      RuleReference r = DfcParseReference(word.c_str());
      if (r.kind >= 0 && r.kind != kind)
        Report(std::string(field) + " '" + word + "' names a statement of another kind; 0 is left");
      else
        Report(std::string(field) + " '" + word + "' is no " + kKindNames[kind] +
               " reference or earlier alias; 0 is left");
      return;
    }
    numberRefs_.emplace(std::make_pair(kind, n), std::make_pair(line_, head_));
  }

  void After(int result) {
    if (IsOptionLine()) return AfterOption();
    if (IsDefaultLine()) return AfterDefault();
    if (result != 0) return NotTaken();
    if (kw_ == "OpenUI") return AfterOpenUI();
    if (kw_ == "CloseUI") return;  // checked in Before of the next statement through pendingDefault_
    if (kw_ == "NumericValue" || kw_ == "StringValue") return AfterValueRecord();
    if (kw_ == "PageValue" || kw_ == "PageMMValue" || kw_ == "SlotPaper" || kw_ == "TTFS") return AfterPaperData();
    if (kw_ == "OptionCommand") return AfterOptionCommand();
    if (kw_ == "CommandGroup") return AfterCommandGroup();
    if (kw_ == "DeviceFonts" || kw_ == "FontCartridge") return AfterFonts();
    if (kw_ == "UIResDLLName" || kw_ == "ExcDepDLLName") {
      if (value_.find('"') == std::string::npos) Report("no quoted name; the library name is cleared");
      return;
    }
    if (kw_ == "FileVersion") {
      if (value_.size() > 14) Report("version text longer than 14 characters is cut");
      return;
    }
    if (kw_ == "Judge") return AfterJudge();
    for (int k = kItem; k <= kAlert; ++k)
      if (kw_ == kKindNames[k]) return AfterList(k);
    if (kw_ == "Exclusive") return AfterExclusive();
  }

  void NotTaken() {
    bool known = IsKnownKeyword(kw_.c_str());
    if (!known) {
      if (causeOfStatement_)
        Report("'" + kw_ + "' belongs to a feature that was not taken", causeOfStatement_);
      else if (featureOpenBefore_)
        Report("unknown keyword '" + kw_ + "' (the open feature is " + rec_.openFeature + ")");
      else
        Report("unknown keyword '" + kw_ + "'");
      return;
    }
    if (kw_ == "OpenUI") {
      if (featureOpenBefore_ && unclosedAt_ && !causeOfStatement_) causeOfStatement_ = unclosedAt_;
      uint16_t id, key;
      if (opt_.size() > 1 && opt_[0] == '*') {
        lostFeatures_.emplace(opt_.substr(1), Root());
        if (Sym(opt_.substr(1), &id, &key)) lostFeatureKeys_.emplace(key, Root());
      }
      if (!featureOpenBefore_) lastLostOpen_ = Root();
      if (featureOpenBefore_)
        Report("feature " + rec_.openFeature + " is still open (missing or malformed CloseUI); this OpenUI and "
               "the statements up to the next CloseUI go to the open feature");
      else if (opt_.empty() || opt_[0] != '*')
        Report("the feature name must be written with a leading '*'");
      else if (!Sym(opt_.substr(1)))
        Report("'" + opt_.substr(1) + "' is no setting symbol");
      else
        Report("feature not taken");
      return;
    }
    if (kw_ == "Judge") return JudgeNotTaken();
    if (kw_ == "CommandString") {
      Report(DfcParseNumber(opt_.c_str()) == 0 ? "CommandString without a number" : "CommandString without quoted text");
      return;
    }
    for (int k = kItem; k <= kAlert; ++k)
      if (kw_ == kKindNames[k]) {
        Report(DfcParseNumber(opt_.c_str()) == 0 ? "statement number missing or 0"
                                                  : "the list does not close its braces");
        return;
      }
    if (kw_ == "Exclusive") {
      Report("the list does not close its braces");
      return;
    }
    Report("statement not taken", causeOfStatement_);
  }

  // A comparison whose one side is the 0/1 result of '&&', '||' or another comparison and whose other
  // side is a constant above 1 is constant: usually a missing pair of parentheses. Read from the
  // compiled cells, so the warning follows whatever grouping the compiler gave the expression.
  void AfterJudge() {
    const JUDGE_DEF* j = rec_.judges.tail;
    if (!j || j == judgeTailBefore_ || !j->cells) return;
    std::string word;  // learn the option names the expression uses, to name its constants
    for (char c : value_ + " ") {
      if (std::isalnum(uint8_t(c)) || c == '_') {
        word += c;
      } else {
        if (!word.empty() && !std::isdigit(uint8_t(word[0]))) Enum(word);
        word.clear();
      }
    }
    struct Operand {
      enum { kValue, kConstant, kTruth } kind;
      uint16_t constant;
      uint16_t op;  // the operator that made a truth value
    };
    static const char* kOpText[] = {"", "==", "!=", "&&", "||", "!", ">", "<", ">=", "<="};
    std::vector<Operand> stack;
    uint32_t count = uint32_t(j->byteLength / int32_t(sizeof(RULE_CELL)));
    for (uint32_t i = 0; i < count; ++i) {
      const RULE_CELL& c = j->cells[i];
      if (c.kind == kCellSetting) {
        stack.push_back({Operand::kValue, 0, 0});
      } else if (c.kind == kCellConstant) {
        stack.push_back({Operand::kConstant, c.value, 0});
      } else if (c.kind == kCellOperator && c.value >= kOpEq && c.value <= kOpLe && c.value != kOpNot) {
        if (stack.size() < 2) return;
        Operand b = stack.back();
        stack.pop_back();
        Operand a = stack.back();
        stack.pop_back();
        bool comparison = c.value != kOpAnd && c.value != kOpOr;
        const Operand* truth = a.kind == Operand::kTruth ? &a : b.kind == Operand::kTruth ? &b : nullptr;
        const Operand* constant = a.kind == Operand::kConstant ? &a : b.kind == Operand::kConstant ? &b : nullptr;
        if (comparison && truth && constant && constant->constant > 1) {
          std::string k = NameOf(constant->constant);
          if (k != std::to_string(constant->constant)) k += " (" + std::to_string(constant->constant) + ")";
          Warn(std::string("'") + kOpText[c.value] + "' compares the 0/1 result of '" + kOpText[truth->op] +
               "' with " + k + ": the condition never changes (parenthesise each comparison)");
          return;
        }
        stack.push_back({Operand::kTruth, 0, c.value});
      }
    }
  }

  void JudgeNotTaken() {
    if (DfcParseNumber(opt_.c_str()) == 0) return Report("Judge number missing or 0");
    // Find the first name that resolves to nothing.
    std::string name;
    for (size_t i = 0; i <= value_.size(); ++i) {
      char c = i < value_.size() ? value_[i] : 0;
      if (c && (std::isalnum(uint8_t(c)) || c == '_' || c == '[' || c == ']' || c == '\\' || c == '^' ||
                c == '`' || c == '@' || c == '/')) {
        name += c;
        continue;
      }
      if (!name.empty() && !IsDigits(name)) {
        uint16_t v;
        bool known = Sym(name) || Enum(name, &v) || rec_.aliases[kJudge].count(name);
        if (!known) return Report("name '" + name + "' is no setting, option or earlier Judge alias");
      }
      name.clear();
      if (c == '-') return Report("a '-' ends the expression (constants cannot be negative)");
      if (c == '!' && !(i + 1 < value_.size() && value_[i + 1] == '=')) {
        return Report("'!' is refused (write '== 0')");
      }
    }
    Report("the expression does not check: every operator needs two operands (parenthesise)");
  }

  void AfterOption() {
    if (!node_) return Report("option line outside a feature node");
    uint16_t base = node_->type & 0x0FFF;
    if (opt_.empty()) {
      int entries = IdListEntries(value_);
      int added = CountOptions(node_) - optionsBefore_;
      if (added < entries) Report("IDList: " + std::to_string(entries - added) + " entries not taken");
      return;
    }
    if (node_->type & 3) {
      uint16_t v;
      if (!Enum(opt_, &v)) {
        lostOptions_.emplace(node_, Root());
        return Report("option '" + opt_ + "' is no known option name");
      }
      if (CountOptions(node_) == optionsBefore_) Report("option '" + opt_ + "' repeats an earlier option; the first stays");
      return;
    }
    if (base == kTypeBoolean) {
      if (opt_ != "True" && opt_ != "False")
        Report("Boolean option word '" + opt_ + "' is neither True nor False (it sets the False command)");
      return;
    }
    std::string type = base == kTypeNumeric ? "Numeric" : base == kTypeString ? "String" : std::to_string(base);
    Report("option line in a " + type + " feature has no meaning");
  }

  void AfterDefault() {
    if (!exact_) return Report("Default line without a feature node");
    std::string word = value_.substr(0, value_.find_first_of(" \t"));
    if (exact_->type & 1) {
      if (!Enum(word)) return Report("default '" + word + "' is no known option name");
      pendingDefault_[exact_] = word;
      return;
    }
    if (exact_->type & 4) {
      if (word != "True" && word != "False") Report("Boolean default '" + word + "' is neither True nor False");
      return;
    }
    if (exact_->type & 0x10) {
      if (!Enum(word)) Report("String default '" + word + "' is no known name");
      return;
    }
    Report("a Default line has no meaning for this feature type");
  }

  // Called for CloseUI before dispatch (the default is converted by CloseUI).
  void CheckDefaultAtClose() {
    if (!rec_.featureOpen) return;
    CR_NODE* n = rec_.NodeOfKeyVariant(rec_.currentKey, rec_.currentVariant);
    auto it = pendingDefault_.find(n);
    if (it == pendingDefault_.end()) return;
    uint16_t v = 0;
    Enum(it->second, &v);
    const CR_NODE* first = rec_.FirstNodeOfKey(rec_.currentKey);
    if (!FindOption(first, v))
      Report("default '" + it->second + "' is no option of the feature; the first option becomes the default",
             LostOptionLine(first));
    pendingDefault_.erase(it);
  }

  void AfterOpenUI() {
    if (FeatureCount() == featuresBefore_) return Report("feature not taken");
    if (opt_.size() > 1) lostFeatures_.erase(opt_.substr(1));
    const CR_NODE* n = rec_.features.tail;
    std::vector<std::string> w = Words(value_);
    static const char* kTypes[] = {"PickOne", "PickMany", "Boolean", "Numeric", "String", "PickPage",
                                   "PickSlot", "FontTbl", "Identity", "TypeUnknown"};
    std::string first = value_.substr(0, value_.find_first_of(" \t|"));
    bool knownType = false;
    for (const char* t : kTypes) knownType = knownType || first == t;
    if (!knownType) Report("type '" + first + "' is unknown; the feature is a PickOne");
    size_t bar = value_.find('|');
    if (bar != std::string::npos && first != "Identity") {
      std::string second = value_.substr(bar + 1);
      second.erase(0, second.find_first_not_of(" \t"));
      second = second.substr(0, second.find_first_of(" \t"));
      bool known = false;
      for (const char* t : kTypes) known = known || second == t;
      if (!known) Report("type '" + second + "' after '|' is unknown; it adds the PickOne bit");
    }
    if (first == "Identity") {
      size_t star = value_.find('*');
      std::string target = star == std::string::npos ? "" : value_.substr(star + 1);
      target = target.substr(0, target.find_first_of(" \t"));
      uint16_t id, key;
      if (target.empty() || !Sym(target, &id, &key))
        Report("identity target '" + target + "' is no setting symbol; the node keeps no option data");
      else if (!rec_.FirstNodeOfKey(key))
        Report("identity target " + target + " has no feature yet; the node keeps no option data");
    }
    if (!opt2_.empty() && n->variant == 0 && (n->type & 0x1000) == 0)
      Report("variant " + opt2_ + " ignored: the setting has no earlier feature", LostOptionLine(n));
  }

  void AfterValueRecord() {
    if (!node_) return Report(kw_ + " outside a feature");
    uint16_t base = node_->type & 0x0FFF;
    if (kw_ == "NumericValue") {
      if (base != kTypeNumeric) return Report("NumericValue in a feature that is not Numeric");
      if (!node_->numeric) return Report("NumericValue without numbers");
      // Fewer than four numbers leave minimum and maximum 0.
      size_t q = value_.find('"');
      int numbers = 0;
      if (q != std::string::npos)
        for (auto& w : Words(value_.substr(q + 1)))
          if (!w.empty() && (std::isdigit(uint8_t(w[0])) || w[0] == '-')) ++numbers;
      if (numbers < 4) Report("NumericValue gives no range (fewer than four numbers)");
      return;
    }
    if (base != kTypeString) return Report("StringValue in a feature that is not String");
    if (!node_->string) Report("StringValue without a length");
  }

  void AfterPaperData() {
    if (!node_) return Report(kw_ + " outside a feature");
    uint16_t v;
    if (opt_.empty() || opt2_.empty()) return Report(kw_ + " needs two words before its colon");
    if (!Enum(opt2_, &v)) return Report("'" + opt2_ + "' is no known option name");
    const CR_OPTION* o = FindOption(node_, v);
    if (!o)
      return Report("'" + opt2_ + "' is no option of the open feature (define the option first)", LostOptionLine(node_));
    uint16_t base = node_->type & 0x0FFF;
    uint16_t wanted = kw_ == "SlotPaper" ? 0x201 : kw_ == "TTFS" ? 0x401 : 0x101;
    if (base != wanted)
      return Report(kw_ + " in a feature that is not " +
                    (wanted == 0x201 ? "PickSlot" : wanted == 0x401 ? "FontTbl" : "PickPage"));
    if (kw_ == "PageValue") {
      if (CountAreas(o) > areasBefore_) return CheckAreaKeys(o);
      std::vector<std::string> w = Words(value_);
      if (w.empty()) return Report("printable-area row without a value");
      if (!Enum(w[0]) && !(IsDigits(w[0]) && w[0].find_first_not_of('0') != std::string::npos))
        return Report("resolution '" + w[0] + "' is no option name or number; the row is discarded");
      if (w.size() < 2 || !Enum(w[1]))
        return Report("orientation '" + (w.size() < 2 ? std::string() : w[1]) +
                      "' is no option name; the row is discarded");
      if (w.size() > 2 && w[2][0] != '"' && !Sym(w[2]))
        return Report("condition '" + w[2] + "' is no setting symbol; the row is discarded");
      return Report("printable-area row discarded");
    }
    if (kw_ == "PageMMValue") {
      if (o->width == 0 && o->length == 0) Report("paper size not taken (no quoted width and length)");
      return;
    }
    if (kw_ == "SlotPaper") {
      if (o->count > 0) return;
      for (auto& w : Words(value_))
        if (w != "{" && w != "}" && !Enum(w)) return Report("paper '" + w + "' is no option name; the slot gets no list");
      return Report("the slot gets no paper list");
    }
    // TTFS
    int entries = IdListEntries(value_);
    if (o->count < entries)
      Report("substitution table: " + std::to_string(entries - o->count) + " entries not taken");
  }

  // A printable-area row applies only when its resolution and orientation are option values of the
  // resolution (38) and orientation (7) features, as the paper geometry reads them.
  void CheckAreaKeys(const CR_OPTION* o) {
    const CR_AREA* a = o->areasTail;
    if (!a) return;
    for (const std::string& w : Words(value_))
      if (w[0] != '"') Enum(w);  // to name the row's resolution and orientation
    const CR_NODE* res = rec_.slots[SlotIndex(38)];
    const CR_NODE* orient = rec_.slots[SlotIndex(7)];
    if (res && !FindOption(res, uint16_t(a->resolution)))
      Report("resolution " + NameOf(uint16_t(a->resolution)) +
                 " is no option of the resolution feature (write its option name, not the dpi); the row never applies",
             LostOptionLine(res));
    if (orient && !FindOption(orient, uint16_t(a->orientation)))
      Report("orientation " + NameOf(uint16_t(a->orientation)) +
                 " is no option of the orientation feature; the row never applies",
             LostOptionLine(orient));
  }

  void AfterOptionCommand() {
    if (!exact_) return Report("OptionCommand outside a feature");
    if (!exact_->commands) Report("OptionCommand without braces or quoted commands");
  }

  void AfterCommandGroup() {
    std::vector<std::string> w = Words(value_);
    static const char* kGroups[] = {"JobStart", "JobEnd", "PageStart", "PageEnd", "DocReset"};
    static const int kSlots[] = {kJobStart, kJobEnd, kPageStart, kPageEnd, kDocReset};
    int slot = -1;
    for (int i = 0; i < 5; ++i)
      if (!w.empty() && w[0] == kGroups[i]) slot = kSlots[i];
    if (slot < 0) return Report("unknown command group '" + (w.empty() ? std::string() : w[0]) + "'");
    size_t start = value_.find_first_not_of(" \t\r\n");
    if (start != std::string::npos && value_.compare(start, w[0].size(), w[0]) == 0 &&
        value_[start + w[0].size()] == '{')
      Warn("'" + w[0] + "{': a brace glued to the group word ends the word and opens no group; the group "
           "opens at the next brace, if any; write a blank before the brace");
    const CR_BLOCK* root = rec_.groups[slot];
    int expected = 0;
    for (size_t i = 0; i < w.size(); ++i) {
      if (w[i] == "Type:" || w[i] == "Command:") {
        Report("'" + w[i] + "': write a blank before the colon, or the scan skips to the next colon");
        continue;
      }
      if ((w[i] != "Type" && w[i] != "Command") || i + 2 >= w.size() || w[i + 1] != ":") continue;
      ++expected;
      const std::string& what = w[i + 2];
      if (w[i] == "Command") {
        if (what == "{" || DfcResolveReference(rec_, what.c_str(), kJudge) == 0)
          Report("Command condition '" + what + "' is no Judge; the block runs without condition");
        continue;
      }
      if (what == "GroupType") {
        if (i + 3 >= w.size() || !Sym(w[i + 3]))
          Report("GroupType '" + (i + 3 < w.size() ? w[i + 3] : std::string()) + "' is no setting symbol");
        else if (i + 4 >= w.size() || !(IsDigits(w[i + 4]) || (w[i + 4][0] == '-' && IsDigits(w[i + 4].substr(1)))))
          Report("GroupType " + w[i + 3] + ": write the sub-key number explicitly");
      } else if (what == "StringType") {
        int32_t n = i + 3 < w.size() ? DfcParseNumber(w[i + 3].c_str()) : 0;
        if (n == 0)
          Report("StringType without a number");
        else
          stringRefs_.emplace(n, std::make_pair(line_, head_));
      } else if (what != "FontType") {
        Report("unknown entry type '" + what + "'");
      }
    }
    int got = CountEntries(root);
    if (got < expected)
      Report(std::to_string(expected - got) + " of " + std::to_string(expected) + " command entries not taken");
  }

  void AfterFonts() {
    int entries = IdListEntries(value_);
    int got = kw_ == "DeviceFonts" ? rec_.deviceFontCount : rec_.cartridgeCount;
    if (got < entries) Report(std::to_string(entries - got) + " font entries not taken");
  }

  void AfterList(int kind) {
    const RULE_STATEMENT* s = rec_.statements[kind].tail;
    if (s == statementTailBefore_[kind] || !s) return Report("statement not taken");
    static const int kFields[kRuleKinds] = {0, 4, 2, 2, 4, 6};
    std::vector<std::string> f = ListFields(value_);
    int n = kFields[kind];
    if (f.empty()) return Report("statement without entries; references to it are 0");
    if (f.size() % n) Report("the last entry has " + std::to_string(f.size() % n) + " of " + std::to_string(n) + " fields");
    for (size_t e = 0; e + n <= f.size(); e += n) {
      const std::string* x = &f[e];
      switch (kind) {
        case kItem:
          if (!Enum(x[0])) Report("option '" + x[0] + "' is no known option name; 0 is left");
          for (int j = 1; j < 4; ++j) CheckRef(x[j], kJudge, "condition");
          break;
        case kAction: {
          uint16_t id, key, dlg;
          bool dialog = rec_.FindDialog(x[0].c_str(), &dlg);
          if (!dialog && !Sym(x[0], &id, &key)) Report("target '" + x[0] + "' is no dialog or setting; 0 is left");
          if (x[1] == "Default") {
            if (!dialog && Sym(x[0], &id, &key)) {
              bool hasNode = false;
              for (const CR_NODE* nd = rec_.features.head; nd; nd = nd->next) hasNode = hasNode || nd->settingId == id;
              if (!hasNode) Report("'Default' of " + x[0] + " before its feature; the default is unknown here");
            }
          } else if (!IsDigits(x[1]) && !Enum(x[1])) {
            Report("value '" + x[1] + "' is no number or option name; 0 is left");
          }
          break;
        }
        case kTransact:
          CheckRef(x[0], kJudge, "condition");
          CheckRef(x[1], kAction, "action");
          break;
        case kAlertAction: {
          uint16_t id, key, v;
          if (!Sym(x[0], &id, &key)) Report("answer '" + x[0] + "' is no answer symbol; 0 is left");
          CheckRef(x[1], kTransact, "transact");
          if (x[2] != "NULL" && !rec_.FindDialog(x[2].c_str(), &v)) Report("dialog '" + x[2] + "' unknown; 0 is left");
          if (x[3] != "NULL" && !rec_.FindControl(x[3].c_str(), &v)) Report("control '" + x[3] + "' unknown; 0 is left");
          break;
        }
        case kAlert: {
          uint16_t key;
          CheckRef(x[0], kJudge, "condition");
          if (!rec_.FindMessage(x[1].c_str(), &key)) Report("message '" + x[1] + "' unknown; 0 is left");
          static const char* kIcons[] = {"MB_ICONEXCLAMATION", "MB_ICONINFORMATION", "MB_ICONQUESTION", "MB_ICONSTOP"};
          static const char* kButtons[] = {"MB_ABORTRETRYIGNORE", "MB_OK", "MB_OKCANCEL", "MB_RETRYCANCEL", "MB_YESNO",
                                           "MB_YESNOCANCEL"};
          static const char* kTimings[] = {"AlertAtOnce", "AlertProperty", "AlertOkApply", "AlertDialog"};
          auto in = [](const std::string& w, const char* const* t, int n) {
            for (int i = 0; i < n; ++i)
              if (w == t[i]) return true;
            return false;
          };
          if (!in(x[2], kIcons, 4)) Report("icon '" + x[2] + "' unknown; 0xFFFF is left");
          if (!in(x[3], kButtons, 6)) Report("buttons '" + x[3] + "' unknown; 0xFFFF is left");
          if (!in(x[4], kTimings, 4)) Report("timing '" + x[4] + "' unknown; 0xFFFF is left");
          CheckRef(x[5], kAlertAction, "alert action");
          break;
        }
      }
    }
  }

  void AfterExclusive() {
    std::vector<std::string> f = ListFields(value_);
    if (f.size() % 8) Report("the last row has " + std::to_string(f.size() % 8) + " of 8 fields");
    for (size_t e = 0; e + 8 <= f.size(); e += 8) {
      const std::string* x = &f[e];
      if (!Sym(x[0])) Report("row setting '" + x[0] + "' is no setting symbol; key 0 is left");
      CheckRef(x[1], kJudge, "first condition");
      CheckRef(x[2], kJudge, "second condition");
      CheckRef(x[3], kItem, "items");
      CheckRef(x[4], kAlert, "alerts");
      CheckRef(x[5], kTransact, "actions");
      CheckRef(x[6], kTransact, "spare actions");
      CheckRef(x[7], kJudge, "lock condition");
    }
  }
};

// Line number (from 1) of a byte offset.
struct LineCounter {
  const uint8_t* base;
  size_t length;
  size_t at = 0;
  int line = 1;
  int To(size_t offset) {
    for (; at < offset && at < length; ++at) {
      if (base[at] == '\n') ++line;
      else if (base[at] == '\r' && (at + 1 >= length || base[at + 1] != '\n')) ++line;
    }
    return line;
  }
};

// First statement start ("*" not followed by "%" at a line start) at or after from.
size_t StatementStart(const uint8_t* b, size_t from, size_t end) {
  for (size_t p = from; p < end; ++p) {
    bool lineStart = p == from || b[p - 1] == '\n' || b[p - 1] == '\r';
    if (lineStart && b[p] == '*' && !(p + 1 < end && b[p + 1] == '%')) return p;
  }
  return end;
}

std::string HeadAt(const uint8_t* b, size_t p, size_t end) {
  std::string s;
  for (; p < end && b[p] != '\n' && b[p] != '\r' && s.size() < 72; ++p) s += char(b[p]);
  return s;
}

// " (lines a, b, c, ...)": the first few of a list of lines.
std::string LineList(const std::vector<int>& lines) {
  std::string s = lines.size() == 1 ? "line " : "lines ";
  for (size_t i = 0; i < lines.size() && i < 8; ++i) s += (i ? ", " : "") + std::to_string(lines[i]);
  if (lines.size() > 8) s += ", ...";
  return s;
}

// One bad line is reported once. Findings that another line's fault caused are folded into the finding
// of that line (or, when it has none, into the first of them); findings that repeat one message are
// given once, at their first line, with the other lines.
std::vector<CheckFinding> MergeRepeats(std::vector<Finding>& found) {
  std::stable_sort(found.begin(), found.end(), [](const Finding& a, const Finding& b) { return a.f.line < b.f.line; });
  std::vector<CheckFinding> out;
  std::map<int, size_t> ownAt;                              // line -> its own finding in out
  std::map<int, std::pair<std::string, std::vector<int>>> caused;  // cause line -> first reason, lines
  std::map<std::string, std::pair<size_t, std::vector<int>>> repeated;  // reason -> finding, other lines
  for (Finding& x : found) {
    if (x.cause) {
      auto& c = caused[x.cause];
      if (c.second.empty()) c.first = x.f.reason;
      if (c.second.empty() || c.second.back() != x.f.line) c.second.push_back(x.f.line);
      if (!ownAt.count(-x.cause)) {  // a place in the order for the cascade, used when its line has none
        ownAt.emplace(-x.cause, out.size());
        out.push_back(x.f);
      }
      continue;
    }
    auto it = repeated.find(x.f.reason);
    if (it != repeated.end()) {
      it->second.second.push_back(x.f.line);
      continue;
    }
    repeated.emplace(x.f.reason, std::make_pair(out.size(), std::vector<int>()));
    if (!ownAt.count(x.f.line)) ownAt.emplace(x.f.line, out.size());
    out.push_back(std::move(x.f));
  }
  for (auto& [reason, where] : repeated)
    if (!where.second.empty())
      out[where.first].reason += "; the same at " + LineList(where.second);
  std::vector<bool> drop(out.size(), false);
  for (auto& [cause, c] : caused) {
    auto own = ownAt.find(cause);
    size_t holder = ownAt.at(-cause);
    std::string tail = std::to_string(c.second.size()) + " later " +
                       (c.second.size() == 1 ? "statement fails" : "statements fail") + " because of line " +
                       std::to_string(cause) + " (" + LineList(c.second) + "; first: " + c.first + ")";
    if (own != ownAt.end()) {
      out[own->second].reason += "; " + tail;
      drop[holder] = true;
    } else {
      out[holder].reason = tail;
    }
  }
  std::vector<CheckFinding> kept;
  for (size_t i = 0; i < out.size(); ++i)
    if (!drop[i]) kept.push_back(std::move(out[i]));
  return kept;
}

}  // namespace

std::vector<CheckFinding> DfcCheckDataFile(const uint8_t* b, size_t length, bool* ok) {
  *ok = false;
  STATEMENT_TOKENS t;
  COMPILE_RECORD* rec = t.Init() ? new (std::nothrow) COMPILE_RECORD : nullptr;
  if (!rec) {
    t.Free();
    return {};
  }
  rec->resolver = DfcDefaultResolver();  // the names the driver resolves against
  Checker check(*rec);
  static const uint8_t kEmpty = 0;
  if (!b) b = &kEmpty;
  DATA_FILE_READER r;
  r.base = r.cursor = b;
  r.remaining = length;
  LineCounter lines{b, length};
  int res;
  do {
    size_t from = size_t(r.cursor - b);
    res = DfcReadStatement(t, r);
    size_t to = size_t(r.cursor - b);
    size_t start = StatementStart(b, from, to);
    if (res == kReadMalformed) {
      size_t at = to ? to - 1 : 0;
      int line = lines.To(start < at ? start : at);
      std::string reason = "malformed statement (";
      uint8_t c = at < length ? b[at] : 0;
      if (c == '\n' || c == '\r')
        reason += "line end where an option word or ':' was expected; a keyword with a trailing blank?";
      else if (c == '(' || c == ')' || c == '{' || c == '}')
        reason += std::string("unbalanced or quoted '") + char(c) + "'; write %" + char(c) + " inside quotes";
      else
        reason += std::string("at '") + (c >= 0x20 && c < 0x7F ? std::string(1, char(c)) : std::string("?")) +
                  "'; option words cannot contain '/' or ':'";
      reason += ")";
      check.Malformed(line, HeadAt(b, start < at ? start : at, length), reason);
      continue;
    }
    if (res != kReadOk) {
      if (res == kReadEof && StatementStart(b, from, length) < length) {
        size_t st = StatementStart(b, from, length);
        check.findings.push_back(
            {{lines.To(st), HeadAt(b, st, length), "the last statement has no line end and is not read"}, 0});
      }
      break;
    }
    int line = lines.To(start);
    check.Statement(line, HeadAt(b, start, length), t);
  } while (res == kReadOk || res == kReadMalformed);
  check.Finish();
  *ok = res == kReadEof;
  t.Free();
  DfcFreeCompileRecord(rec);
  return MergeRepeats(check.findings);
}

DataFileKind DfcClassifyDataFile(const uint8_t* b, size_t length) {
  if (!b || length == 0) return kDataFileNoStatement;
  size_t control = 0;
  for (size_t i = 0; i < length; ++i) {
    uint8_t c = b[i];
    if (c == 0) return kDataFileBinary;
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) ++control;
  }
  if (control * 100 > length) return kDataFileBinary;  // more than 1 % control characters
  // Text: does the reader find one statement whose keyword the compiler knows?
  STATEMENT_TOKENS t;
  if (!t.Init()) return kDataFileText;  // cannot tell without memory; let the compiler judge
  DATA_FILE_READER r;
  r.base = r.cursor = b;
  r.remaining = length;
  DataFileKind kind = kDataFileNoStatement;
  for (int res = kReadOk; kind == kDataFileNoStatement && (res == kReadOk || res == kReadMalformed);) {
    res = DfcReadStatement(t, r);
    if (res == kReadOk && t.keyword.bytes && IsKnownKeyword(t.keyword.bytes)) kind = kDataFileText;
  }
  t.Free();
  return kind;
}

}  // namespace dfc
