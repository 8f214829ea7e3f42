// Statement compiler: features with their options and values, papers, slots, per-feature commands, the
// command groups, numbered command texts, font lists and library names.
//
// A node's option data is held in one record per kind (option list, Boolean, Numeric or String value);
// a statement that expects one kind inside a feature of another kind is ignored, so a record is never
// read or written as a record of another kind.
#include <cstring>
#include <string>

#include "driverdata/dfc_internal.h"

namespace dfc {

// ---- resolution helpers -------------------------------------------------------------------------------
bool COMPILE_RECORD::FindSymbol(const char* name, uint16_t* id, uint16_t* key) const {
  uint16_t i = 0, k = 0;
  if (!name || !*name || !resolver->findSymbol(resolver->ctx, name, &i, &k)) return false;
  if (id) *id = i;
  if (key) *key = k;
  return true;
}
bool COMPILE_RECORD::FindEnum(const char* name, uint16_t* value) const {
  uint32_t v = 0;
  if (!name || !*name || !resolver->findEnum(resolver->ctx, name, &v)) return false;
  if (value) *value = uint16_t(v);
  return true;
}
bool COMPILE_RECORD::FindDialog(const char* name, uint16_t* id) const {
  return name && *name && resolver->findDialog && resolver->findDialog(resolver->ctx, name, id);
}
bool COMPILE_RECORD::FindControl(const char* name, uint16_t* id) const {
  return name && *name && resolver->findControl && resolver->findControl(resolver->ctx, name, id);
}
bool COMPILE_RECORD::FindMessage(const char* name, uint16_t* key) const {
  return name && *name && resolver->findMessage && resolver->findMessage(resolver->ctx, name, key);
}
CR_NODE* COMPILE_RECORD::FirstNodeOfKey(uint16_t key) const {
  auto it = firstNodeByKey.find(key);
  return it == firstNodeByKey.end() ? nullptr : it->second;
}
CR_NODE* COMPILE_RECORD::NodeOfKeyVariant(uint16_t key, uint16_t variant) const {
  auto it = firstNodeByKeyVariant.find((uint32_t(key) << 16) | variant);
  return it == firstNodeByKeyVariant.end() ? nullptr : it->second;
}

namespace {

bool IsListType(uint16_t type) { return (type & 3) != 0; }

// The open feature's first node (where its options go) and the node the OpenUI made (its own default,
// commands and CloseUI); none while no feature is open.
CR_NODE* FeatureNode(const COMPILE_RECORD& rec) {
  return rec.featureOpen ? rec.FirstNodeOfKey(rec.currentKey) : nullptr;
}
CR_NODE* OpenNode(const COMPILE_RECORD& rec) {
  return rec.featureOpen ? rec.NodeOfKeyVariant(rec.currentKey, rec.currentVariant) : nullptr;
}

std::string CutAtBlank(const TOKEN_BUFFER& t) {
  std::string s(t.bytes, t.length);
  size_t b = s.find_first_of(" \t");
  if (b != std::string::npos) s.resize(b);
  return s;
}

// ---- node type --------------------------------------------------------------------------------------
struct TypeName {
  const char* name;
  uint16_t value;
};
const TypeName kTypeNames[] = {{"PickOne", 1},       {"PickMany", 2},      {"Boolean", 4},    {"Numeric", 8},
                               {"String", 0x10},     {"PickPage", 0x101},  {"PickSlot", 0x201},
                               {"FontTbl", 0x401},   {"Identity", 0x1000}, {"TypeUnknown", 0x2000}};

uint16_t LookupType(const std::string& name) {
  for (const auto& t : kTypeNames)
    if (name == t.name) return t.value;
  return 1;
}

// The type word of an OpenUI value; *target receives an Identity node's target key.
uint16_t DfcParseNodeType(const COMPILE_RECORD& rec, const TOKEN_BUFFER& v, uint16_t* target, bool* hasTarget) {
  *hasTarget = false;
  std::string text(v.bytes, v.length);
  size_t i = 0;
  while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '|') ++i;
  uint16_t type = LookupType(text.substr(0, i));
  if (i >= text.size()) return type;
  if (type == kTypeIdentity) {
    size_t j = i;
    while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
    if (j < text.size() && text[j] == '*') {
      size_t k = j + 1;
      while (k < text.size() && text[k] != ' ' && text[k] != '\t') ++k;
      uint16_t key = 0;
      if (rec.FindSymbol(text.substr(j + 1, k - j - 1).c_str(), nullptr, &key)) {
        *target = key;
        *hasTarget = true;
      }
      return kTypeIdentity;
    }
  }
  size_t bar = text.find('|', i);
  if (bar == std::string::npos) return type;
  size_t j = bar + 1;
  while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
  size_t k = j;
  while (k < text.size() && text[k] != ' ' && text[k] != '\t' && text[k] != '|') ++k;
  return uint16_t(type | LookupType(text.substr(j, k - j)));
}

// Adds an option of the given value to a feature's first node unless the value is there already.
CR_OPTION* AddOption(COMPILE_RECORD& rec, CR_NODE* node, uint16_t value, bool* added) {
  *added = false;
  uint64_t k = (uint64_t(node->serial) << 16) | value;
  auto it = rec.optionByValue.find(k);
  if (it != rec.optionByValue.end()) return it->second;
  auto* o = rec.arena.New<CR_OPTION>();
  if (!o) return nullptr;
  o->value = value;
  if (node->optionsTail)
    node->optionsTail->next = o;
  else
    node->options = o;
  node->optionsTail = o;
  rec.optionByValue.emplace(k, o);
  *added = true;
  return o;
}

CR_OPTION* FindOption(const COMPILE_RECORD& rec, const CR_NODE* node, uint16_t value) {
  auto it = rec.optionByValue.find((uint64_t(node->serial) << 16) | value);
  return it == rec.optionByValue.end() ? nullptr : it->second;
}

// The paper, slot or font-table option named by a statement's second option word, in a feature of the
// given base type.
CR_OPTION* TargetOption(COMPILE_RECORD& rec, STATEMENT_TOKENS& t, uint16_t baseType) {
  CR_NODE* node = FeatureNode(rec);
  if (!node || BaseType(node->type) != baseType) return nullptr;
  if (!t.option.length || !t.option2.length || !t.value.length) return nullptr;
  uint16_t v;
  if (!rec.FindEnum(t.option2.bytes, &v)) return nullptr;
  return FindOption(rec, node, v);
}

bool IsWord(const char* w, const char* s) { return w && std::strcmp(w, s) == 0; }

// Counts the {..} entries of an IDList from the scan position without moving it.
int CountBracedEntries(TOKEN_BUFFER& t) {
  uint32_t save = t.pos;
  int n = 0;
  for (;;) {
    if (!DfcSkipPast(t, '{') || !DfcSkipPast(t, '}')) break;
    ++n;
    DfcSkipBlanksAndLineEnds(t);
    if (DfcPeek(t) == '}') break;
  }
  t.pos = save;
  return n;
}

// "IDList" followed by a delimiter and the opening brace.
bool EnterIdList(TOKEN_BUFFER& t) {
  int ended = 0;
  char* w = DfcNextWord(t, &ended);
  if (!IsWord(w, "IDList") || ended == 0) return false;
  if (ended != '{' && !DfcSkipPast(t, '{')) return false;
  return true;
}

}  // namespace

// ---- OpenUI / CloseUI -----------------------------------------------------------------------------------
int DfcStmtOpenUI(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  if (rec.featureOpen) return 0;
  if (t.option.length < 2 || t.option.bytes[0] != '*') return 0;
  const char* name = t.option.bytes + 1;
  uint16_t id, key;
  if (!rec.FindSymbol(name, &id, &key)) return 0;
  auto* node = rec.arena.New<CR_NODE>();
  if (!node) return 0;
  CR_NODE* src = t.option2.length ? rec.FirstNodeOfKey(key) : nullptr;
  if (src) {
    *node = *src;
    node->next = nullptr;
    node->optionsTail = nullptr;
    node->variant = uint16_t(DfcParseInt(t.option2.bytes, nullptr));
  } else {
    node->key = key;
    node->settingId = id;
    uint16_t target = 0;
    bool hasTarget = false;
    node->type = DfcParseNodeType(rec, t.value, &target, &hasTarget);
    if (hasTarget) {
      node->variant = target;
      if (CR_NODE* tn = rec.FirstNodeOfKey(target)) {
        node->type |= tn->type;
        node->defaultIndex = tn->defaultIndex;
        node->options = tn->options;
        node->boolean = tn->boolean;
        node->numeric = tn->numeric;
        node->string = tn->string;
      }
    }
    int slot = SlotIndex(id);
    if (slot >= 0) rec.slots[slot] = node;
  }
  node->serial = ++rec.nodeSerial;
  rec.features.Append(node);
  rec.firstNodeByKey.emplace(node->key, node);
  rec.firstNodeByKeyVariant.emplace((uint32_t(node->key) << 16) | node->variant, node);
  rec.openFeature = name;
  rec.featureOpen = true;
  rec.currentKey = node->key;
  rec.currentVariant = node->variant;
  return 1;
}

int DfcStmtCloseUI(COMPILE_RECORD& rec, STATEMENT_TOKENS&) {
  CR_NODE* node = OpenNode(rec);
  if (node && (node->type & 1)) {
    int32_t pos = 0, found = -1;
    for (CR_OPTION* o = node->options; o; o = o->next, ++pos)
      if (o->value == uint16_t(node->defaultIndex)) {
        found = pos;
        break;
      }
    if (found >= 0)
      node->defaultIndex = found;
    else if (!(node->variant != 0 && node->defaultIndex >= 0 && node->defaultIndex < pos))
      node->defaultIndex = 0;
  }
  rec.openFeature.clear();
  rec.featureOpen = false;
  rec.currentKey = rec.currentVariant = 0;
  rec.keywordMemo = 0;
  return 1;
}

// ---- option and Default lines ------------------------------------------------------------------------
int DfcStmtOption(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  CR_NODE* node = FeatureNode(rec);
  if (!node) return 1;
  TOKEN_BUFFER& v = t.value;
  if (t.option.length) {
    if (IsListType(node->type)) {
      uint16_t value;
      if (!rec.FindEnum(t.option.bytes, &value)) return 1;
      bool added;
      CR_OPTION* o = AddOption(rec, node, value, &added);
      if (o && added && v.length) o->command = DfcTakeString(v, rec.arena, nullptr, nullptr);
    } else if (BaseType(node->type) == kTypeBoolean) {
      if (!node->boolean && !(node->boolean = rec.arena.New<CR_BOOLEAN>())) return 1;
      if (v.length) {
        char* s = DfcTakeString(v, rec.arena, nullptr, nullptr);
        if (IsWord(t.option.bytes, "True"))
          node->boolean->trueCommand = s;
        else
          node->boolean->falseCommand = s;
      }
    }
    return 1;
  }
  if (!IsListType(node->type) || !EnterIdList(v)) return 1;
  for (;;) {
    DfcSkipBlanksAndLineEnds(v);
    int c = DfcPeek(v);
    if (c == 0 || c == '}') break;
    bool braced = c == '{';
    if (braced) ++v.pos;
    int ended = 0;
    char* w = DfcNextWord(v, &ended);
    uint16_t value;
    if (!w || !rec.FindEnum(w, &value)) break;
    bool added;
    CR_OPTION* o = AddOption(rec, node, value, &added);
    if (!o) break;
    if (braced && ended != 0) {
      char* s = DfcTakeString(v, rec.arena, nullptr, nullptr);
      if (added) o->command = s;
      while (v.pos < v.length && Is(uint8_t(v.bytes[v.pos]), CC_BLANK)) ++v.pos;
      if (DfcPeek(v) != '}') break;
      ++v.pos;
    } else if (!braced && ended == 0) {
      break;
    }
  }
  return 1;
}

int DfcStmtDefault(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  CR_NODE* node = OpenNode(rec);
  if (!node) return 1;
  std::string word = CutAtBlank(t.value);
  uint16_t value;
  if (node->type & 1) {
    if (rec.FindEnum(word.c_str(), &value)) node->defaultIndex = value;
  } else if (BaseType(node->type) == kTypeBoolean) {
    if (!node->boolean && !(node->boolean = rec.arena.New<CR_BOOLEAN>())) return 1;
    node->boolean->defaultValue = word == "True" ? 1 : 0;
  } else if (BaseType(node->type) == kTypeString) {
    if (!rec.FindEnum(word.c_str(), &value)) return 1;
    if (!node->string && !(node->string = rec.arena.New<CR_STRING>())) return 1;
    node->string->defaultValue = int16_t(value);
  }
  return 1;
}

// ---- value statements -----------------------------------------------------------------------------------
int DfcStmtNumericValue(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  CR_NODE* node = FeatureNode(rec);
  TOKEN_BUFFER& v = t.value;
  if (!node || !v.length || BaseType(node->type) != kTypeNumeric) return 1;
  if (!node->numeric && !(node->numeric = rec.arena.New<CR_NUMERIC>())) return 1;
  CR_NUMERIC* n = node->numeric;
  *n = CR_NUMERIC{};
  while (v.pos < v.length && Is(uint8_t(v.bytes[v.pos]), CC_BLANK)) ++v.pos;
  bool endedByQuote = false;
  if (DfcPeek(v) != '"') {
    int ended = 0;
    char* w = DfcNextWord(v, &ended);
    endedByQuote = ended == '"';
    uint32_t lead = 0;
    for (const char* p = w; p && *p >= '0' && *p <= '9'; ++p) lead = lead * 10 + uint32_t(*p - '0');
    n->lead = int16_t(lead);
  }
  if (!DfcSkipPast(v, '"') && !endedByQuote) return 1;
  int32_t vals[8] = {};
  for (int i = 0; i < 8; ++i) {
    int after = 0;
    vals[i] = DfcNextNumber(v, &after);
    if (after == 0 || after == '"') break;
  }
  n->number1 = int16_t(vals[0]);
  n->defaultValue = vals[1];
  n->minimum = vals[2];
  n->maximum = vals[3];
  n->number5 = int16_t(vals[4]);
  n->number6 = int16_t(vals[5]);
  n->number7 = int16_t(vals[6]);
  n->number8 = int16_t(vals[7]);
  return 1;
}

int DfcStmtStringValue(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  CR_NODE* node = FeatureNode(rec);
  TOKEN_BUFFER& v = t.value;
  if (!node || !v.length || BaseType(node->type) != kTypeString) return 1;
  if (!node->string && !(node->string = rec.arena.New<CR_STRING>())) return 1;
  CR_STRING* s = node->string;
  s->maxLength = s->kind = s->flags = 0;
  int after = 0;
  s->maxLength = int16_t(DfcNextNumber(v, &after));
  if (after == 0) return 1;
  int ended = 0;
  char* kind = DfcNextWord(v, &ended);
  if (!kind) return 1;
  static const TypeName kKinds[] = {{"MultiByte", 1}, {"ASCII", 2}, {"Numeric", 4}, {"Capital", 8}, {"Small", 0x10}};
  s->kind = 1;
  for (const auto& k : kKinds)
    if (IsWord(kind, k.name)) s->kind = int16_t(k.value);
  if (ended != 0 && DfcSkipPast(v, '|')) {
    char* flag = DfcNextWord(v, nullptr);
    static const TypeName kFlags[] = {{"Password", 0x100}, {"ShowCapital", 0x200}, {"ShowSmall", 0x400}};
    for (const auto& f : kFlags)
      if (IsWord(flag, f.name)) s->flags = int16_t(f.value);
  }
  return 1;
}

// ---- papers and slots ---------------------------------------------------------------------------------
int DfcStmtPageValue(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  CR_OPTION* o = TargetOption(rec, t, kTypePickPage);
  if (!o) return 1;
  TOKEN_BUFFER& v = t.value;
  CR_AREA a{};
  char* w = DfcNextWord(v, nullptr);
  if (!w) return 1;
  uint16_t sym;
  int32_t res = rec.FindEnum(w, &sym) ? sym : DfcParseInt(w, nullptr);
  if (res == 0) return 1;
  a.resolution = int16_t(res);
  w = DfcNextWord(v, nullptr);
  if (!w || !rec.FindEnum(w, &sym)) return 1;
  a.orientation = int16_t(sym);
  while (v.pos < v.length && Is(uint8_t(v.bytes[v.pos]), CC_BLANK)) ++v.pos;
  if (DfcPeek(v) != '"' && DfcPeek(v) != 0) {  // the condition is optional
    w = DfcNextWord(v, nullptr);
    uint16_t key;
    if (!w || !rec.FindSymbol(w, nullptr, &key)) return 1;
    a.conditionKey = key;
    w = DfcNextWord(v, nullptr);
    if (!w) return 1;
    a.conditionValue = rec.FindEnum(w, &sym) ? int16_t(sym) : int16_t(IsWord(w, "True") ? 1 : 0);
  }
  if (DfcSkipPast(v, '"')) {
    for (int i = 0; i < 6; ++i) {
      int after = 0;
      a.numbers[i] = DfcNextNumber(v, &after);
      if (after == 0 || after == '"') break;
    }
  }
  auto* area = rec.arena.New<CR_AREA>();
  if (!area) return 1;
  *area = a;
  area->next = nullptr;
  if (o->areasTail)
    o->areasTail->next = area;
  else
    o->areas = area;
  o->areasTail = area;
  return 1;
}

int DfcStmtPageMMValue(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  CR_OPTION* o = TargetOption(rec, t, kTypePickPage);
  if (!o) return 1;
  TOKEN_BUFFER& v = t.value;
  if (!DfcSkipPast(v, '"')) return 1;
  int after = 0;
  o->width = DfcNextNumber(v, &after);
  if (after != 0 && after != '"') o->length = DfcNextNumber(v, nullptr);
  return 1;
}

int DfcStmtSlotPaper(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  CR_OPTION* o = TargetOption(rec, t, kTypePickSlot);
  if (!o) return 1;
  TOKEN_BUFFER& v = t.value;
  if (!DfcSkipPast(v, '{')) return 1;
  int n = 0;
  for (uint32_t i = v.pos;;) {
    while (i < v.length && Is(uint8_t(v.bytes[i]), CC_BLANK | CC_LINE_END)) ++i;
    if (i >= v.length || v.bytes[i] == '}') break;
    ++n;
    while (i < v.length && !Is(uint8_t(v.bytes[i]), CC_BLANK | CC_LINE_END) && v.bytes[i] != '}') ++i;
  }
  if (n == 0) return 1;
  auto* papers = static_cast<uint16_t*>(rec.arena.Alloc(sizeof(uint16_t) * size_t(n)));
  if (!papers) return 1;
  for (int i = 0; i < n; ++i) {
    char* w = DfcNextWord(v, nullptr);
    if (!w || !rec.FindEnum(w, &papers[i])) {
      o->papers = nullptr;
      o->count = 0;
      return 1;
    }
  }
  o->papers = papers;
  o->count = n;
  return 1;
}

// ---- commands --------------------------------------------------------------------------------------------
int DfcStmtOptionCommand(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  CR_NODE* node = OpenNode(rec);
  TOKEN_BUFFER& v = t.value;
  if (!node || !DfcSkipPast(v, '{')) return 1;
  auto* pair = rec.arena.New<CR_PAIR>();
  if (!pair) return 1;
  int after = 0;
  pair->first = DfcTakeString(v, rec.arena, nullptr, &after);
  if (after != 0) pair->second = DfcTakeString(v, rec.arena, nullptr, nullptr);
  node->commands = pair;
  return 1;
}

namespace {
CR_BLOCK* ParseCommandBlock(COMPILE_RECORD& rec, TOKEN_BUFFER& v, int32_t condition, int depth);

CR_ENTRY* ParseTypeEntry(COMPILE_RECORD& rec, TOKEN_BUFFER& v) {
  char* w = DfcNextWord(v, nullptr);
  if (IsWord(w, "GroupType")) {
    char* s = DfcNextWord(v, nullptr);
    uint16_t key;
    if (!s || !rec.FindSymbol(s, nullptr, &key)) {
      while (v.pos < v.length && !Is(uint8_t(v.bytes[v.pos]), CC_LINE_END)) ++v.pos;
      return nullptr;
    }
    while (v.pos < v.length && Is(uint8_t(v.bytes[v.pos]), CC_BLANK)) ++v.pos;
    int32_t number = 0;
    int c = DfcPeek(v);
    if (c != 0 && !Is(uint8_t(c), CC_LINE_END)) number = DfcNextNumber(v, nullptr);
    auto* e = rec.arena.New<CR_ENTRY>();
    if (!e) return nullptr;
    e->kind = 1;
    e->itemKey = key;
    e->number = int16_t(number);
    return e;
  }
  if (IsWord(w, "StringType")) {
    char* n = DfcNextWord(v, nullptr);
    int32_t number = n ? DfcParseNumber(n) : 0;
    if (number == 0) return nullptr;
    auto* e = rec.arena.New<CR_ENTRY>();
    if (!e) return nullptr;
    e->kind = 2;
    e->stringNumber = number;
    return e;
  }
  if (IsWord(w, "FontType")) {
    auto* e = rec.arena.New<CR_ENTRY>();
    if (e) e->kind = 4;
    return e;
  }
  return nullptr;
}

CR_ENTRY* ParseCommandEntry(COMPILE_RECORD& rec, TOKEN_BUFFER& v, int depth) {
  char* w = DfcNextWord(v, nullptr);
  int32_t condition = w ? DfcResolveReference(rec, w, kJudge) : 0;
  if (!DfcSkipPast(v, '{')) return nullptr;
  if (depth >= kMaxCommandDepth) return nullptr;  // hostile nesting: the entry is dropped
  CR_BLOCK* b = ParseCommandBlock(rec, v, condition, depth + 1);
  if (!b) return nullptr;
  auto* e = rec.arena.New<CR_ENTRY>();
  if (!e) return nullptr;
  e->kind = 3;
  e->block = b;
  return e;
}

void ReadEntries(COMPILE_RECORD& rec, TOKEN_BUFFER& v, CR_ENTRY** list, int depth) {
  CR_ENTRY* tail = nullptr;
  for (;;) {
    char* w = DfcNextWord(v, nullptr);
    int kind = IsWord(w, "Command") ? 1 : IsWord(w, "Type") ? 2 : 0;
    if (!kind || !DfcSkipPast(v, ':')) return;
    CR_ENTRY* e = kind == 2 ? ParseTypeEntry(rec, v) : ParseCommandEntry(rec, v, depth);
    if (e) {
      if (tail)
        tail->next = e;
      else
        *list = e;
      tail = e;
    }
    DfcSkipBlanksAndLineEnds(v);
    int c = DfcPeek(v);
    if (c == '}') {
      ++v.pos;
      return;
    }
    if (c == 0) return;
  }
}

CR_BLOCK* ParseCommandBlock(COMPILE_RECORD& rec, TOKEN_BUFFER& v, int32_t condition, int depth) {
  CR_ENTRY* thenList = nullptr;
  CR_ENTRY* elseList = nullptr;
  ReadEntries(rec, v, &thenList, depth);
  if (condition != 0) {
    uint32_t save = v.pos;
    DfcSkipBlanksAndLineEnds(v);
    const char* p = v.bytes + v.pos;
    size_t left = v.length - v.pos;
    if (left >= 6 && std::strncmp(p, "ElseIf", 6) == 0 && std::memchr(p + 6, ':', left - 6)) {
      DfcSkipPast(v, ':');
      if (depth < kMaxCommandDepth) elseList = ParseCommandEntry(rec, v, depth);
    } else if (left >= 4 && std::strncmp(p, "Else", 4) == 0) {
      if (DfcSkipPast(v, '{')) ReadEntries(rec, v, &elseList, depth);
    } else {
      v.pos = save;
    }
  }
  if (!thenList && !elseList) return nullptr;
  auto* b = rec.arena.New<CR_BLOCK>();
  if (!b) return nullptr;
  b->condition = condition;
  b->thenList = thenList;
  b->elseList = elseList;
  return b;
}
}  // namespace

int DfcStmtCommandGroup(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  TOKEN_BUFFER& v = t.value;
  int ended = 0;
  char* w = DfcNextWord(v, &ended);
  int slot = IsWord(w, "JobStart")    ? kJobStart
             : IsWord(w, "JobEnd")    ? kJobEnd
             : IsWord(w, "PageStart") ? kPageStart
             : IsWord(w, "PageEnd")   ? kPageEnd
             : IsWord(w, "DocReset")  ? kDocReset
                                      : -1;
  if (slot < 0) return 1;
  // The group opens at the next brace after the word. A brace glued to the word ended the word and was
  // used up with it: data files of this family are written for a reader that opens no group there.
  (void)ended;
  if (!DfcSkipPast(v, '{')) return 1;
  rec.groups[slot] = ParseCommandBlock(rec, v, 0, 0);
  return 1;
}

// ---- fonts ------------------------------------------------------------------------------------------------
namespace {
void DfcParseFontList(COMPILE_RECORD& rec, TOKEN_BUFFER& v, CR_FONT*** list, int32_t* count) {
  *count = 0;
  if (!EnterIdList(v)) return;
  int n = CountBracedEntries(v);
  if (n == 0) return;
  auto** arr = static_cast<CR_FONT**>(rec.arena.Alloc(sizeof(CR_FONT*) * size_t(n)));
  if (!arr) return;
  int k = 0;
  for (int i = 0; i < n; ++i) {
    if (!DfcSkipPast(v, '{')) break;
    int after = 0;
    char* name = DfcTakeString(v, rec.arena, nullptr, &after);
    if (!name) break;
    auto* f = rec.arena.New<CR_FONT>();
    if (!f) break;
    f->name = name;
    if (after != 0) f->id = DfcNextNumber(v, nullptr);
    arr[k++] = f;
    if (!DfcSkipPast(v, '}')) break;
  }
  *list = arr;
  *count = k;
}
}  // namespace

int DfcStmtDeviceFonts(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  DfcParseFontList(rec, t.value, &rec.deviceFonts, &rec.deviceFontCount);
  return 1;
}

int DfcStmtFontCartridge(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  DfcParseFontList(rec, t.value, &rec.cartridgeFonts, &rec.cartridgeCount);
  return 1;
}

int DfcStmtTTFS(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  CR_OPTION* o = TargetOption(rec, t, kTypeFontTbl);
  if (!o) return 1;
  TOKEN_BUFFER& v = t.value;
  if (!EnterIdList(v)) return 1;
  int n = CountBracedEntries(v);
  if (n == 0) return 1;
  auto** tt = static_cast<char**>(rec.arena.Alloc(sizeof(char*) * size_t(n)));
  auto** dev = static_cast<char**>(rec.arena.Alloc(sizeof(char*) * size_t(n)));
  if (!tt || !dev) return 1;
  int k = 0;
  for (int i = 0; i < n; ++i) {
    if (!DfcSkipPast(v, '{')) break;
    int after = 0;
    char* a = DfcTakeString(v, rec.arena, nullptr, &after);
    if (!a || after == 0) break;
    char* b = DfcTakeString(v, rec.arena, nullptr, nullptr);
    if (!b) break;
    tt[k] = a;
    dev[k] = b;
    ++k;
    if (!DfcSkipPast(v, '}')) break;
  }
  o->trueTypeNames = tt;
  o->deviceNames = dev;
  o->count = k;
  return 1;
}

int DfcStmtCommandString(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  int32_t number = t.option.length ? DfcParseNumber(t.option.bytes) : 0;
  uint32_t n = 0;
  char* text = DfcTakeString(t.value, rec.arena, &n, nullptr);
  if (!text) return 0;
  auto* cs = rec.arena.New<COMMAND_STRING>();
  if (!cs) return 0;
  cs->number = number;
  cs->text = text;
  cs->length = int32_t(strnlen(text, n) + 1);
  rec.commandStrings.Append(cs);
  return 1;
}

int DfcStmtUIResDLLName(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  rec.uiResDllName = DfcTakeWideString(t.value, rec.arena, nullptr);
  return 1;
}

int DfcStmtExcDepDLLName(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  rec.excDepDllName = DfcTakeWideString(t.value, rec.arena, nullptr);
  return 1;
}

// ---- default of a node under construction -------------------------------------------------------------
uint32_t ImgGetDefaultOf(uint16_t id, const COMPILE_RECORD& rec) {
  int slot = SlotIndex(id);
  const CR_NODE* node = slot >= 0 ? rec.slots[slot] : nullptr;
  if (!node) return 0;
  if ((node->type & 0xFF) == 1) {
    int32_t i = 0;
    for (const CR_OPTION* o = node->options; o; o = o->next, ++i)
      if (i == node->defaultIndex) return o->value;
    return 0;
  }
  switch (BaseType(node->type)) {
    case kTypeBoolean:
      return node->boolean ? uint32_t(node->boolean->defaultValue) : 0;
    case kTypeNumeric:
      return node->numeric ? uint32_t(node->numeric->defaultValue) : 0;
    case kTypeString:
      return node->string ? uint32_t(uint16_t(node->string->defaultValue)) : 0;
    default:
      return 0;
  }
}

}  // namespace dfc
