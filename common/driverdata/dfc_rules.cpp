// Rule language compiler: Judge expressions into postfix cells, the numbered list statements (Item,
// Action, Transact, AlertAction, Alert) and the Exclusive rows, with their aliases and references.
#include <cstring>
#include <string>
#include <vector>

#include "driverdata/dfc_internal.h"

namespace dfc {

namespace {

enum TokKind { kTokEnd, kTokNumber, kTokName, kTokPunct, kTokOperator, kTokOther };
// A token of the rule language: its bytes in the value (not terminated), and for names and numbers a
// terminated copy in the record's reused scratch text, which the symbol look-ups take. No token
// allocates once the scratch holds the longest name.
struct RuleToken {
  TokKind kind;
  const char* text;
  uint32_t length;
  char first() const { return length ? text[0] : '\0'; }
  bool Equals(const char* s) const { return std::strlen(s) == length && std::memcmp(s, text, length) == 0; }
};

// The next token of the rule language from the value's scan position; a name or a number is also
// copied, terminated, into `name`.
RuleToken DfcScanRuleToken(TOKEN_BUFFER& t, std::string& name) {
  DfcSkipBlanksAndLineEnds(t);
  if (t.pos >= t.length) return {kTokEnd, t.bytes + t.length, 0};
  const char* b = t.bytes;
  uint32_t s = t.pos;
  uint8_t c = uint8_t(b[s]);
  auto token = [&](TokKind kind, uint32_t end) {
    t.pos = end;
    if (kind == kTokNumber || kind == kTokName) name.assign(b + s, end - s);
    return RuleToken{kind, b + s, end - s};
  };
  if (Is(c, CC_DIGIT)) {
    uint32_t j = s;
    while (j < t.length && Is(uint8_t(b[j]), CC_DIGIT)) ++j;
    if (j >= t.length || !Is(uint8_t(b[j]), CC_KEYWORD)) return token(kTokNumber, j);
  }
  if (Is(c, CC_KEYWORD)) {
    uint32_t j = s;
    while (j < t.length && Is(uint8_t(b[j]), CC_KEYWORD)) ++j;
    return token(kTokName, j);
  }
  if (c == '(' || c == ')' || c == '{' || c == '}') return token(kTokPunct, s + 1);
  auto isOp = [](uint8_t x) { return x == '=' || x == '!' || x == '&' || x == '|' || x == '>' || x == '<'; };
  if (isOp(c)) {
    uint32_t j = s;
    while (j < t.length && isOp(uint8_t(b[j]))) ++j;
    return token(kTokOperator, j);
  }
  return token(kTokOther, s + 1);
}

uint16_t DfcLookupOperator(const RuleToken& op) {
  static const struct {
    const char* text;
    uint16_t code;
  } kOps[] = {{"==", kOpEq}, {"!=", kOpNe}, {"&&", kOpAnd}, {"||", kOpOr}, {"!", kOpNot},
              {">=", kOpGe}, {"<=", kOpLe}, {">", kOpGt},   {"<", kOpLt}};
  for (const auto& o : kOps)
    if (op.Equals(o.text)) return o.code;
  return 0;
}

uint32_t ParseDigits(const char* s) {
  uint32_t v = 0;
  for (; *s; ++s) v = v * 10 + uint32_t(*s - '0');
  return v;
}

const JUDGE_DEF* DfcFindJudgeByAlias(const COMPILE_RECORD& rec, const char* name) {
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
  if (eq && eq[1] && !rec.aliases[kind].contains(std::string_view(eq + 1)))
    rec.aliases[kind].emplace(std::string(eq + 1), uint16_t(number));
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
    auto it = rec.aliases[kind].find(std::string_view(word));
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
  // The record's scratch vectors keep their room from one expression to the next.
  std::vector<RULE_CELL>& out = rec.cellScratch;
  std::vector<uint16_t>& ops = rec.opScratch;  // at most two operators (one of each binding) above each group mark
  out.clear();
  ops.clear();
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
    RuleToken tok = DfcScanRuleToken(t, rec.tokenText);
    const char* name = rec.tokenText.c_str();
    if (tok.kind == kTokName) {
      uint16_t id, v;
      if (rec.FindSymbol(name, &id, nullptr)) {
        out.push_back({kCellSetting, id});
      } else if (rec.FindEnum(name, &v)) {
        out.push_back({kCellConstant, v});
      } else if (const JUDGE_DEF* j = DfcFindJudgeByAlias(rec, name)) {
        uint32_t n = uint32_t(j->byteLength / 4);
        if (n == 0 || out.size() + n > kMaxJudgeCells + 1) return false;
        out.insert(out.end(), j->cells, j->cells + n - 1);
      } else {
        return false;
      }
    } else if (tok.kind == kTokNumber) {
      out.push_back({kCellConstant, uint16_t(ParseDigits(name))});
    } else if (tok.kind == kTokOperator) {
      uint16_t op = DfcLookupOperator(tok);
      flush(DfcOperatorBinding(op));
      if (op) ops.push_back(op);
    } else if (tok.kind == kTokPunct && tok.first() == '(') {
      ops.push_back(kGroupMark);
      ++groups;
    } else if (tok.kind == kTokPunct && tok.first() == ')') {
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
// field and startFn() when a new entry begins (false: memory ran out). true when the list closed. A field
// is a name or a number; any other token is taken as an empty field.
template <class StartFn, class FieldFn>
bool ReadList(COMPILE_RECORD& rec, TOKEN_BUFFER& v, int fieldsPerEntry, StartFn startFn, FieldFn fieldFn) {
  int depth = 0, field = 0;
  for (;;) {
    RuleToken tok = DfcScanRuleToken(v, rec.tokenText);
    if (tok.kind == kTokEnd) return false;
    if (tok.kind == kTokPunct && tok.first() == '{') {
      ++depth;
      continue;
    }
    if (tok.kind == kTokPunct && tok.first() == '}') {
      if (--depth == 0) return true;
      continue;
    }
    if (field == 0 && !startFn()) return false;
    if (tok.kind != kTokName && tok.kind != kTokNumber) rec.tokenText.assign(tok.text, tok.length);
    fieldFn(field, rec.tokenText.c_str());
    field = (field + 1) % fieldsPerEntry;
  }
}

int NumberedList(COMPILE_RECORD& rec, STATEMENT_TOKENS& t, int kind, int fields,
                 void (*set)(COMPILE_RECORD&, RULE_ENTRY*, int, const char*)) {
  int32_t number = NumberAndAlias(rec, t, kind);
  if (number == 0) return 0;
  auto* st = rec.arena.New<RULE_STATEMENT>();
  if (!st) return 0;
  st->number = number;
  RULE_ENTRY* cur = nullptr;
  bool ok = ReadList(
      rec, t.value, fields,
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
      [&](int field, const char* text) { set(rec, cur, field, text); });
  if (!ok) return 0;
  rec.statements[kind].Append(st);
  return 1;
}

uint16_t WordValue(const char* w, const std::pair<const char*, uint16_t>* table, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (std::strcmp(w, table[i].first) == 0) return table[i].second;
  return 0xFFFF;
}

}  // namespace

int DfcStmtItem(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  return NumberedList(rec, t, kItem, 4, [](COMPILE_RECORD& r, RULE_ENTRY* e, int f, const char* w) {
    if (f == 0) {
      uint16_t v = 0;
      e->u16[0] = r.FindEnum(w, &v) ? v : 0;
    } else {
      e->ref[f - 1] = DfcResolveReference(r, w, kJudge);
    }
  });
}

int DfcStmtAction(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  return NumberedList(rec, t, kAction, 2, [](COMPILE_RECORD& r, RULE_ENTRY* e, int f, const char* w) {
    if (f == 0) {
      uint16_t id = 0;
      if (r.FindDialog(w, &id)) {
        e->u16[0] = id;
        e->u16[1] = 1;
      } else if (r.FindSymbol(w, &id, nullptr)) {
        e->u16[0] = id;
        e->u16[1] = 0;
      }
    } else if (*w && DfcIsDigits(w)) {
      e->value = ParseDigits(w);
    } else if (std::strcmp(w, "Default") == 0) {
      e->value = ImgGetDefaultOf(e->u16[0], r);
    } else {
      uint16_t v = 0;
      e->value = r.FindEnum(w, &v) ? v : 0;
    }
  });
}

int DfcStmtTransact(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  return NumberedList(rec, t, kTransact, 2, [](COMPILE_RECORD& r, RULE_ENTRY* e, int f, const char* w) {
    e->ref[f] = DfcResolveReference(r, w, f == 0 ? kJudge : kAction);
  });
}

int DfcStmtAlertAction(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  return NumberedList(rec, t, kAlertAction, 4, [](COMPILE_RECORD& r, RULE_ENTRY* e, int f, const char* w) {
    uint16_t v = 0;
    switch (f) {
      case 0:
        e->u16[0] = r.FindSymbol(w, nullptr, &v) ? v : 0;
        break;
      case 1:
        e->ref[0] = DfcResolveReference(r, w, kTransact);
        break;
      case 2:
        e->u16[1] = r.FindDialog(w, &v) ? v : 0;
        break;
      default:
        e->u16[2] = r.FindControl(w, &v) ? v : 0;
        break;
    }
  });
}

int DfcStmtAlert(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  return NumberedList(rec, t, kAlert, 6, [](COMPILE_RECORD& r, RULE_ENTRY* e, int f, const char* w) {
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
        e->ref[0] = DfcResolveReference(r, w, kJudge);
        break;
      case 1:
        e->u16[0] = r.FindMessage(w, &v) ? v : 0;
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
        e->ref[1] = DfcResolveReference(r, w, kAlertAction);
        break;
    }
  });
}

int DfcStmtExclusive(COMPILE_RECORD& rec, STATEMENT_TOKENS& t) {
  CR_RULE_ROW* cur = nullptr;
  bool ok = ReadList(
      rec, t.value, 8,
      [&]() {
        auto* row = rec.arena.New<CR_RULE_ROW>();
        if (!row) return false;
        rec.exclusive.Append(row);
        cur = row;
        return true;
      },
      [&](int f, const char* w) {
        uint16_t key = 0;
        switch (f) {
          case 0:
            cur->key = rec.FindSymbol(w, nullptr, &key) ? key : 0;
            break;
          case 1:
            cur->judgeA = DfcResolveReference(rec, w, kJudge);
            break;
          case 2:
            cur->judgeB = DfcResolveReference(rec, w, kJudge);
            break;
          case 3:
            cur->items = DfcResolveReference(rec, w, kItem);
            break;
          case 4:
            cur->alerts = DfcResolveReference(rec, w, kAlert);
            break;
          case 5:
            cur->transactA = DfcResolveReference(rec, w, kTransact);
            break;
          case 6:
            cur->transactB = DfcResolveReference(rec, w, kTransact);
            break;
          default:
            cur->judgeC = DfcResolveReference(rec, w, kJudge);
            break;
        }
      });
  return ok ? 1 : 0;
}

}  // namespace dfc
