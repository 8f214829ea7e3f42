// Rule language compiler: Judge expressions into postfix cells, the numbered list statements (Item,
// Action, Transact, AlertAction, Alert) and the Exclusive rows, with their aliases and references.
#include <cstring>
#include <string>
#include <vector>

#include "driverdata/dfc_internal.h"

namespace dfc {

namespace {

enum TokKind { kTokEnd, kTokNumber, kTokName, kTokPunct, kTokOperator, kTokOther };
struct RuleToken {
  TokKind kind;
  std::string text;
};

// The next token of the rule language from the value's scan position.
RuleToken DfcScanRuleToken(TOKEN_BUFFER& t) {
  DfcSkipBlanksAndLineEnds(t);
  if (t.pos >= t.length) return {kTokEnd, {}};
  const char* b = t.bytes;
  uint32_t s = t.pos;
  uint8_t c = uint8_t(b[s]);
  if (Is(c, CC_DIGIT)) {
    uint32_t j = s;
    while (j < t.length && Is(uint8_t(b[j]), CC_DIGIT)) ++j;
    if (j >= t.length || !Is(uint8_t(b[j]), CC_KEYWORD)) {
      t.pos = j;
      return {kTokNumber, std::string(b + s, j - s)};
    }
  }
  if (Is(c, CC_KEYWORD)) {
    uint32_t j = s;
    while (j < t.length && Is(uint8_t(b[j]), CC_KEYWORD)) ++j;
    t.pos = j;
    return {kTokName, std::string(b + s, j - s)};
  }
  if (c == '(' || c == ')' || c == '{' || c == '}') {
    t.pos = s + 1;
    return {kTokPunct, std::string(1, char(c))};
  }
  auto isOp = [](uint8_t x) { return x == '=' || x == '!' || x == '&' || x == '|' || x == '>' || x == '<'; };
  if (isOp(c)) {
    uint32_t j = s;
    while (j < t.length && isOp(uint8_t(b[j]))) ++j;
    t.pos = j;
    return {kTokOperator, std::string(b + s, j - s)};
  }
  t.pos = s + 1;
  return {kTokOther, std::string(1, char(c))};
}

uint16_t DfcLookupOperator(const std::string& op) {
  static const struct {
    const char* text;
    uint16_t code;
  } kOps[] = {{"==", kOpEq}, {"!=", kOpNe}, {"&&", kOpAnd}, {"||", kOpOr}, {"!", kOpNot},
              {">=", kOpGe}, {"<=", kOpLe}, {">", kOpGt},   {"<", kOpLt}};
  for (const auto& o : kOps)
    if (op == o.text) return o.code;
  return 0;
}

uint32_t ParseDigits(const std::string& s) {
  uint32_t v = 0;
  for (char ch : s) v = v * 10 + uint32_t(ch - '0');
  return v;
}

const JUDGE_DEF* DfcFindJudgeByAlias(const COMPILE_RECORD& rec, const std::string& name) {
  auto a = rec.aliases[kJudge].find(name);
  if (a == rec.aliases[kJudge].end()) return nullptr;
  auto j = rec.judgeByNumber.find(a->second);
  return j == rec.judgeByNumber.end() ? nullptr : j->second;
}

// Statement number and alias of a numbered statement; 0 when it has none.
int32_t NumberAndAlias(COMPILE_RECORD& rec, STATEMENT_TOKENS& t, int kind) {
  if (!t.option.length) return 0;
  int32_t number = DfcParseNumber(t.option.bytes);
  if (number == 0) return 0;
  const char* eq = std::strchr(t.option.bytes, '=');
  if (eq && eq[1]) rec.aliases[kind].emplace(std::string(eq + 1), uint16_t(number));
  return number;
}

}  // namespace

RuleReference DfcParseReference(const char* word) {
  static const struct {
    const char* prefix;
    int kind;
  } kPrefixes[] = {{"Judge", kJudge},         {"Item", kItem},         {"Action", kAction}, {"Transact", kTransact},
                   {"AlertAction", kAlertAction}, {"Alert", kAlert}, {"NULL", 6}};
  for (const auto& p : kPrefixes)
    if (std::strncmp(word, p.prefix, std::strlen(p.prefix)) == 0)
      return {p.kind, p.kind == 6 ? 0 : DfcParseNumber(word)};
  return {-1, 0};
}

int32_t DfcResolveReference(const COMPILE_RECORD& rec, const char* word, int kind) {
  if (!word || !*word) return 0;
  RuleReference r = DfcParseReference(word);
  if (r.kind == kind) return r.number;
  if (r.kind == -1) {
    auto it = rec.aliases[kind].find(word);
    return it == rec.aliases[kind].end() ? 0 : it->second;
  }
  return 0;
}

// Binding of an operator: comparisons (and "!") bind tighter than "&&" and "||", so X == 1 && Y == 2
// is (X == 1) && (Y == 2). Operators of one binding group from the left. 0 for a run that is no operator.
static int DfcOperatorBinding(uint16_t op) {
  if (op == 0) return 0;
  return op == kOpAnd || op == kOpOr ? 1 : 2;
}

// Operators wait on one stack until an operator that binds no tighter, a closing parenthesis or the end
// sends them to the cells. A parenthesised group is compiled in place behind a group mark; the operators
// pending before it stay pending until the group is closed and the next operator or the end comes.
// Groups are kept on that explicit stack so that deep nesting cannot exhaust the call stack.
bool DfcCompileExpression(COMPILE_RECORD& rec, TOKEN_BUFFER& t, RULE_CELL** cellsOut, uint32_t* countOut) {
  constexpr uint16_t kGroupMark = 0xFFFF;
  std::vector<RULE_CELL> out;
  std::vector<uint16_t> ops;  // at most two operators (one of each binding) above each group mark
  uint32_t groups = 0;
  // Sends the waiting operators of the innermost group that bind at least as tightly as `binding`.
  auto flush = [&](int binding) {
    while (!ops.empty() && ops.back() != kGroupMark && DfcOperatorBinding(ops.back()) >= binding) {
      out.push_back({kCellOperator, ops.back()});
      ops.pop_back();
    }
  };
  // Closes the innermost group; false when there is none (the expression itself ends).
  auto closeGroup = [&]() {
    flush(0);
    if (!groups) return false;
    ops.pop_back();
    --groups;
    return true;
  };
  for (;;) {
    if (out.size() > kMaxJudgeCells || groups > kMaxJudgeCells) return false;
    RuleToken tok = DfcScanRuleToken(t);
    if (tok.kind == kTokName) {
      uint16_t id, v;
      if (rec.FindSymbol(tok.text.c_str(), &id, nullptr)) {
        out.push_back({kCellSetting, id});
      } else if (rec.FindEnum(tok.text.c_str(), &v)) {
        out.push_back({kCellConstant, v});
      } else if (const JUDGE_DEF* j = DfcFindJudgeByAlias(rec, tok.text)) {
        uint32_t n = uint32_t(j->byteLength / 4);
        if (n == 0 || out.size() + n > kMaxJudgeCells + 1) return false;
        out.insert(out.end(), j->cells, j->cells + n - 1);
      } else {
        return false;
      }
    } else if (tok.kind == kTokNumber) {
      out.push_back({kCellConstant, uint16_t(ParseDigits(tok.text))});
    } else if (tok.kind == kTokOperator) {
      uint16_t op = DfcLookupOperator(tok.text);
      flush(DfcOperatorBinding(op));
      if (op) ops.push_back(op);
    } else if (tok.kind == kTokPunct && tok.text[0] == '(') {
      ops.push_back(kGroupMark);
      ++groups;
    } else if (tok.kind == kTokPunct && tok.text[0] == ')') {
      if (closeGroup()) continue;
      out.push_back({kCellGroupEnd, 0});
      break;
    } else {
      if (closeGroup()) continue;
      out.push_back({kCellOperator, kOpEnd});
      break;
    }
  }
  if (out.size() > kMaxJudgeCells) return false;
  auto* cells = static_cast<RULE_CELL*>(rec.arena.Alloc(out.size() * sizeof(RULE_CELL)));
  if (!cells) return false;
  std::memcpy(cells, out.data(), out.size() * sizeof(RULE_CELL));
  *cellsOut = cells;
  *countOut = uint32_t(out.size());
  return true;
}

// One well-formed expression: operands never wait 128 deep, every operator finds two operands and the end
// cell leaves exactly one value. The evaluator takes one value for "!" while the cells place it as a
// two-operand operator, so an expression holding "!" would leave a stray value on the evaluation stack;
// such expressions are refused here.
int DfcCheckExpression(const RULE_CELL* cells, uint32_t count) {
  int depth = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const RULE_CELL& c = cells[i];
    if (c.kind == kCellSetting || c.kind == kCellConstant) {
      if (++depth >= 128) return 0;
    } else if (c.kind == kCellOperator) {
      if (c.value == kOpEnd) return depth == 1 && i + 1 == count ? 1 : 0;
      if (c.value == kOpNot || depth < 2) return 0;
      --depth;
    } else {
      return 0;
    }
  }
  return 0;
}

int DfcStmtJudge(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  int32_t number = NumberAndAlias(rec, t, kJudge);
  if (number == 0) return 0;
  RULE_CELL* cells = nullptr;
  uint32_t count = 0;
  if (!DfcCompileExpression(rec, t.value, &cells, &count)) return 0;
  if (!DfcCheckExpression(cells, count)) return 0;
  if (rec.judgeCellBudget + count > kMaxJudgeCellsTotal) return 0;
  auto* j = rec.arena.New<JUDGE_DEF>();
  if (!j) return 0;
  rec.judgeCellBudget += count;
  j->number = number;
  j->cells = cells;
  j->byteLength = int32_t(count * sizeof(RULE_CELL));
  rec.judges.Append(j);
  rec.judgeByNumber.emplace(uint16_t(number), j);
  return 1;
}

// ---- list statements ------------------------------------------------------------------------------------
namespace {

// Reads the braced fields of a list statement; fieldFn(entryIndex, fieldIndex, text) is called for every
// field and startFn() when a new entry begins (false: memory ran out). true when the list closed.
template <class StartFn, class FieldFn>
bool ReadList(TOKEN_BUFFER& v, int fieldsPerEntry, StartFn startFn, FieldFn fieldFn) {
  int depth = 0, field = 0;
  for (;;) {
    RuleToken tok = DfcScanRuleToken(v);
    if (tok.kind == kTokEnd) return false;
    if (tok.kind == kTokPunct && tok.text[0] == '{') {
      ++depth;
      continue;
    }
    if (tok.kind == kTokPunct && tok.text[0] == '}') {
      if (--depth == 0) return true;
      continue;
    }
    if (field == 0 && !startFn()) return false;
    fieldFn(field, tok.text);
    field = (field + 1) % fieldsPerEntry;
  }
}

int NumberedList(COMPILE_RECORD& rec, STATEMENT_TOKENS& t, int kind, int fields,
                 void (*set)(COMPILE_RECORD&, RULE_ENTRY*, int, const std::string&)) {
  int32_t number = NumberAndAlias(rec, t, kind);
  if (number == 0) return 0;
  auto* st = rec.arena.New<RULE_STATEMENT>();
  if (!st) return 0;
  st->number = number;
  RULE_ENTRY* cur = nullptr;
  bool ok = ReadList(
      t.value, fields,
      [&]() {
        auto* e = rec.arena.New<RULE_ENTRY>();
        if (!e) return false;
        if (st->last)
          st->last->next = e;
        else
          st->first = e;
        st->last = e;
        cur = e;
        return true;
      },
      [&](int field, const std::string& text) { set(rec, cur, field, text); });
  if (!ok) return 0;
  rec.statements[kind].Append(st);
  return 1;
}

uint16_t WordValue(const std::string& w, const std::pair<const char*, uint16_t>* table, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (w == table[i].first) return table[i].second;
  return 0xFFFF;
}

}  // namespace

int DfcStmtItem(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  return NumberedList(rec, t, kItem, 4, [](COMPILE_RECORD& r, RULE_ENTRY* e, int f, const std::string& w) {
    if (f == 0) {
      uint16_t v = 0;
      e->u16[0] = r.FindEnum(w.c_str(), &v) ? v : 0;
    } else {
      e->ref[f - 1] = DfcResolveReference(r, w.c_str(), kJudge);
    }
  });
}

int DfcStmtAction(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  return NumberedList(rec, t, kAction, 2, [](COMPILE_RECORD& r, RULE_ENTRY* e, int f, const std::string& w) {
    if (f == 0) {
      uint16_t id = 0;
      if (r.FindDialog(w.c_str(), &id)) {
        e->u16[0] = id;
        e->u16[1] = 1;
      } else if (r.FindSymbol(w.c_str(), &id, nullptr)) {
        e->u16[0] = id;
        e->u16[1] = 0;
      }
    } else if (!w.empty() && DfcIsDigits(w.c_str())) {
      e->value = ParseDigits(w);
    } else if (w == "Default") {
      e->value = ImgGetDefaultOf(e->u16[0], r);
    } else {
      uint16_t v = 0;
      e->value = r.FindEnum(w.c_str(), &v) ? v : 0;
    }
  });
}

int DfcStmtTransact(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  return NumberedList(rec, t, kTransact, 2, [](COMPILE_RECORD& r, RULE_ENTRY* e, int f, const std::string& w) {
    e->ref[f] = DfcResolveReference(r, w.c_str(), f == 0 ? kJudge : kAction);
  });
}

int DfcStmtAlertAction(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  return NumberedList(rec, t, kAlertAction, 4, [](COMPILE_RECORD& r, RULE_ENTRY* e, int f, const std::string& w) {
    uint16_t v = 0;
    switch (f) {
      case 0:
        e->u16[0] = r.FindSymbol(w.c_str(), nullptr, &v) ? v : 0;
        break;
      case 1:
        e->ref[0] = DfcResolveReference(r, w.c_str(), kTransact);
        break;
      case 2:
        e->u16[1] = r.FindDialog(w.c_str(), &v) ? v : 0;
        break;
      default:
        e->u16[2] = r.FindControl(w.c_str(), &v) ? v : 0;
        break;
    }
  });
}

int DfcStmtAlert(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  return NumberedList(rec, t, kAlert, 6, [](COMPILE_RECORD& r, RULE_ENTRY* e, int f, const std::string& w) {
    static const std::pair<const char*, uint16_t> kIcons[] = {
        {"MB_ICONEXCLAMATION", 48}, {"MB_ICONINFORMATION", 64}, {"MB_ICONQUESTION", 32}, {"MB_ICONSTOP", 16}};
    static const std::pair<const char*, uint16_t> kButtons[] = {{"MB_ABORTRETRYIGNORE", 2}, {"MB_OK", 0},
                                                                {"MB_OKCANCEL", 1},         {"MB_RETRYCANCEL", 5},
                                                                {"MB_YESNO", 4},            {"MB_YESNOCANCEL", 3}};
    static const std::pair<const char*, uint16_t> kTiming[] = {
        {"AlertAtOnce", 0}, {"AlertProperty", 1}, {"AlertOkApply", 2}, {"AlertDialog", 3}};
    uint16_t v = 0;
    switch (f) {
      case 0:
        e->ref[0] = DfcResolveReference(r, w.c_str(), kJudge);
        break;
      case 1:
        e->u16[0] = r.FindMessage(w.c_str(), &v) ? v : 0;
        break;
      case 2:
        e->u16[1] = WordValue(w, kIcons, 4);
        break;
      case 3:
        e->u16[2] = WordValue(w, kButtons, 6);
        break;
      case 4:
        e->u16[3] = WordValue(w, kTiming, 4);
        break;
      default:
        e->ref[1] = DfcResolveReference(r, w.c_str(), kAlertAction);
        break;
    }
  });
}

int DfcStmtExclusive(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  CR_RULE_ROW* cur = nullptr;
  bool ok = ReadList(
      t.value, 8,
      [&]() {
        auto* row = rec.arena.New<CR_RULE_ROW>();
        if (!row) return false;
        rec.exclusive.Append(row);
        cur = row;
        return true;
      },
      [&](int f, const std::string& w) {
        uint16_t key = 0;
        switch (f) {
          case 0:
            cur->key = rec.FindSymbol(w.c_str(), nullptr, &key) ? key : 0;
            break;
          case 1:
            cur->judgeA = DfcResolveReference(rec, w.c_str(), kJudge);
            break;
          case 2:
            cur->judgeB = DfcResolveReference(rec, w.c_str(), kJudge);
            break;
          case 3:
            cur->items = DfcResolveReference(rec, w.c_str(), kItem);
            break;
          case 4:
            cur->alerts = DfcResolveReference(rec, w.c_str(), kAlert);
            break;
          case 5:
            cur->transactA = DfcResolveReference(rec, w.c_str(), kTransact);
            break;
          case 6:
            cur->transactB = DfcResolveReference(rec, w.c_str(), kTransact);
            break;
          default:
            cur->judgeC = DfcResolveReference(rec, w.c_str(), kJudge);
            break;
        }
      });
  return ok ? 1 : 0;
}

}  // namespace dfc
