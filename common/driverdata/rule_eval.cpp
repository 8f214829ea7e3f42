// The postfix evaluator and its stack. The stack is the context's 256 cells; each evaluation works
// above the top it found (so an evaluation started from inside a judge keeps the outer one's cells),
// checks every push and pop against the stack's ends, and gives the top back as it found it. A list
// that would over- or under-run, or that leaves more than its result, evaluates to 0.
#include "driverdata/rule_eval.h"
#include "driverdata/rule_flags.h"

#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"

using dfc::Get;

namespace {

int g_operandReads = 0;

// Enough for any list the compiler builds; a corrupt list without an end stops here.
constexpr uint32_t kMaxCells = 4096 + 1;

LONG* Cells(SETTING_CONTEXT* ctx) { return ctx && ctx->work ? static_cast<LONG*>(ctx->work->evalStack) : nullptr; }

bool IsTextCode(DWORD code) {
  return code == 7 || code == 8 || code == 10 || code == 11 || code == 13 || code == 14 || code == 15;
}

DWORD TextLength(SETTING_CONTEXT* ctx, const ITEM_DESC* row) {
  DWORD chars = StgTypeLength(row->type) + 1;
  auto* buf = static_cast<WCHAR*>(StgAllocZero(chars * sizeof(WCHAR)));
  if (!buf) return 0;
  StgGetString(ctx, row, buf);
  buf[chars - 1] = 0;
  DWORD n = DWORD(kvp::WLen(buf));
  StgFree(buf);
  return n;
}

DWORD ReadOperand(SETTING_CONTEXT* ctx, const ITEM_DESC* row) {
  ++g_operandReads;
  WORD id = WORD(row->id);
  if (id >= 723 && id <= 914) return DWORD(RuleGetComputedFlag(ctx, id));
  if (id >= 1260 && id <= 1419) return StgGetJudgeHookValue(ctx, id);
  if (id >= 1420 && id <= 1451) return RuleGetCoreHook(ctx, id);
  if (IsTextCode(StgTypeCode(row->type))) return TextLength(ctx, row);
  return StgGetOptionValue(ctx, id, nullptr);
}

}  // namespace

int rule::test::OperandReads() { return g_operandReads; }

int RuleAllocStack(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return -1;
  ctx->work->evalStackTop = 0;
  if (!ctx->work->evalStack) ctx->work->evalStack = StgAllocZero(kRuleStackCells * sizeof(LONG));
  return ctx->work->evalStack ? 0 : -1;
}

void RuleFreeStack(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return;
  StgFree(ctx->work->evalStack);
  ctx->work->evalStack = nullptr;
  ctx->work->evalStackTop = 0;
}

int RulePush(SETTING_CONTEXT* ctx, LONG value) {
  LONG* cells = Cells(ctx);
  if (!cells || ctx->work->evalStackTop >= kRuleStackCells) return 0;
  cells[ctx->work->evalStackTop++] = value;
  return 1;
}

int RulePop(SETTING_CONTEXT* ctx, LONG* value) {
  LONG* cells = Cells(ctx);
  *value = 0;
  if (!cells || ctx->work->evalStackTop == 0 || ctx->work->evalStackTop > kRuleStackCells) return 0;
  *value = cells[--ctx->work->evalStackTop];
  return 1;
}

DWORD RuleGetCoreHook(SETTING_CONTEXT* ctx, WORD id) {
  if (id != 1420) return 0;
  return (StgGetValue(ctx, 348, nullptr) & 0x100) && StgGetValue(ctx, 243, nullptr) == 0 &&
                 !(StgGetValue(ctx, QDV_rdmJobBinder, nullptr) & 1) && (StgGetValue(ctx, 601, nullptr) & 0xFF) &&
                 (StgGetValue(ctx, 705, nullptr) & 0xFF)
             ? 1
             : 0;
}

DWORD RuleEvalExpression(IMG_REF cells, SETTING_CONTEXT* ctx) {
  if (!cells || !Cells(ctx)) return 0;
  CONTEXT_WORK_AREA* w = ctx->work;
  const WORD base = w->evalStackTop;
  if (base > kRuleStackCells) return 0;
  WORD lastId = 0;
  DWORD lastValue = 0;
  bool haveLast = false;
  DWORD result = 0;
  bool ok = false;
  auto pop = [&](LONG* v) { return w->evalStackTop > base && RulePop(ctx, v); };
  for (uint32_t i = 0; i < kMaxCells; ++i) {
    IMG_REF cell = cells + sizeof(dfc::RULE_CELL) * uint64_t(i);
    WORD kind = DFC_GET(cell, RULE_CELL, kind), value = DFC_GET(cell, RULE_CELL, value);
    if (kind == dfc::kCellSetting) {
      DWORD v;
      if (haveLast && value == lastId) {
        v = lastValue;
      } else {
        const ITEM_DESC* row = StgFindItem(ctx, value);
        if (!row) break;
        v = ReadOperand(ctx, row);
        // A judge may itself evaluate rules; it must hand the stack back as it found it.
        if (w->evalStack == nullptr) break;
        lastId = value;
        lastValue = v;
        haveLast = true;
      }
      if (!RulePush(ctx, LONG(v))) break;
    } else if (kind == dfc::kCellConstant) {
      if (!RulePush(ctx, LONG(DWORD(value)))) break;
    } else if (kind == dfc::kCellOperator) {
      LONG r = 0, l = 0;
      if (value == dfc::kOpEnd) {
        if (!pop(&r)) break;
        ok = w->evalStackTop == base;  // the result must be all that is left
        result = DWORD(r);
        break;
      }
      if (value == dfc::kOpNot) {
        if (!pop(&r) || !RulePush(ctx, r == 0 ? 1 : 0)) break;
        continue;
      }
      if (!pop(&r) || !pop(&l)) break;
      DWORD ur = DWORD(r), ul = DWORD(l);
      LONG out;
      switch (value) {
        case dfc::kOpEq: out = ul == ur; break;
        case dfc::kOpNe: out = ul != ur; break;
        case dfc::kOpAnd: out = ul != 0 && ur != 0; break;
        case dfc::kOpOr: out = ul != 0 || ur != 0; break;
        case dfc::kOpGt: out = ul > ur; break;
        case dfc::kOpLt: out = ul < ur; break;
        case dfc::kOpGe: out = ul >= ur; break;
        case dfc::kOpLe: out = ul <= ur; break;
        default: continue;  // an unknown operator pushes nothing
      }
      if (!RulePush(ctx, out)) break;
    }
    // Any other cell kind is skipped.
  }
  w->evalStackTop = base;
  return ok ? result : 0;
}
