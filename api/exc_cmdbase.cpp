// The command base: SET-line parsing and writing, rows and positions, image-feature values, applying
// values, the current text, the change list and rebuilt base, trials, value lists and printer values.
#include "exc_cmdbase.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "driverdata/rule_eval.h"
#include "driverdata/rule_lists.h"
#include "kvplat/codepage.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/store.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
const char* SkipBlanks(const char* p) {
  while (IsBlank(*p)) ++p;
  return p;
}

// Copies the token at p (up to a blank, CR, LF or NUL) into dst; the position after it, or NULL when
// the token does not fit in PJL_TOKEN_BYTES with its NUL.
const char* CmdCopyToken(char* dst, const char* p) {
  int n = 0;
  while (*p && !IsBlank(*p) && *p != '\r' && *p != '\n') {
    if (n >= PJL_TOKEN_BYTES - 1) return nullptr;
    dst[n++] = *p++;
  }
  dst[n] = 0;
  return p;
}

// The whole settings store of a context, copied aside and put back: a query leaves the handle as it
// found it.
class StoreSnapshot {
 public:
  explicit StoreSnapshot(SETTING_CONTEXT* ctx) : ctx_(ctx) {
    if (!ctx || !ctx->store) return;
    size_ = StgGetStoreSize();
    copy_.reset(new (std::nothrow) BYTE[size_]);
    if (copy_) std::memcpy(copy_.get(), ctx->store, size_);
  }
  ~StoreSnapshot() {
    if (copy_) std::memcpy(ctx_->store, copy_.get(), size_);
  }
  bool ok() const { return copy_ != nullptr; }

 private:
  SETTING_CONTEXT* ctx_;
  DWORD size_ = 0;
  std::unique_ptr<BYTE[]> copy_;
};

// The positions of a handle copied aside and put back.
class PositionSnapshot {
 public:
  explicit PositionSnapshot(EXC_HANDLE h) : h_(h) {
    flags_.reset(new (std::nothrow) BYTE[EXC_POSITIONS]);
    values_.reset(new (std::nothrow) int32_t[EXC_POSITIONS]);
    if (!ok()) return;
    std::memcpy(flags_.get(), h->setFlags, EXC_POSITIONS);
    std::memcpy(values_.get(), h->values, EXC_POSITIONS * sizeof(int32_t));
  }
  ~PositionSnapshot() {
    if (!ok()) return;
    std::memcpy(h_->setFlags, flags_.get(), EXC_POSITIONS);
    std::memcpy(h_->values, values_.get(), EXC_POSITIONS * sizeof(int32_t));
  }
  bool ok() const { return flags_ && values_; }

 private:
  EXC_HANDLE h_;
  std::unique_ptr<BYTE[]> flags_;
  std::unique_ptr<int32_t[]> values_;
};

int32_t Stored(SETTING_CONTEXT* ctx, DWORD id) {
  return id && id <= 0xFFFF ? int32_t(StgGetValue(ctx, WORD(id), nullptr)) : 0;
}

const PJL_COMMAND_TABLE* Commands() { return StgGetExcCommandTable(); }

// The feature's number record, 0 for a feature that is not a number or has none.
IMG_REF NumberRecord(IMG_REF feature) {
  if (!feature || dfc::BaseType(ImgNodeType(feature)) != dfc::kTypeNumeric) return 0;
  return ImgNodeOptions(feature);
}

// Whether the feature's value is in the dots of the output resolution (a margin setting).
bool IsDotValue(SETTING_CONTEXT* ctx, IMG_REF feature) {
  ITEM_DESC* item = StgFindItemByKey(ctx, ImgNodeKey(feature));
  return item && item->special == STG_KIND_MARGIN;
}

int32_t ClampToInt(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return int32_t(v);
}

// The factors between a setting value and the number a SET line carries: value x out / in. A margin is
// in dots of the output resolution. False without a number record or with a zero factor or resolution:
// the number is then taken unscaled rather than divided by zero.
bool ScaleFactors(SETTING_CONTEXT* ctx, IMG_REF feature, int64_t* out, int64_t* in) {
  IMG_REF rec = NumberRecord(feature);
  if (!rec) return false;
  *out = uint16_t(DFC_GET(rec, NUMERIC_VALUE, number7));
  *in = uint16_t(DFC_GET(rec, NUMERIC_VALUE, number8));
  if (IsDotValue(ctx, feature)) {
    *out *= StgGetDstResolutionW(ctx);
    *in *= 1200;
  }
  return *out && *in;
}
// Into the SET line's number (`back` false) or back into the setting's value; computed in 64 bits, and a
// non-zero value never scales to 0.
int64_t Scale(SETTING_CONTEXT* ctx, IMG_REF feature, int64_t v, bool back) {
  int64_t out = 0, in = 0;
  if (!v || !ScaleFactors(ctx, feature, &out, &in)) return v;
  int64_t r = back ? v * in / out : v * out / in;
  return r ? r : 1;
}

// The setting's current text as ANSI, empty when it is not text.
std::string SettingText(SETTING_CONTEXT* ctx, DWORD id) {
  ITEM_DESC* item = id <= 0xFFFF ? StgFindItem(ctx, WORD(id)) : nullptr;
  const BYTE* p = item ? StgGetValuePtr(ctx, item) : nullptr;
  if (!p) return {};
  DWORD len = StgTypeLength(item->type), code = StgTypeCode(item->type);
  if (code == STG_TYPE_ANSI) {
    DWORD n = 0;
    while (n < len && p[n]) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
  }
  if (code != STG_TYPE_WIDE && code != 13) return {};
  std::u16string wide;
  for (DWORD i = 0; i + 1 < len; i += 2) {
    WCHAR c = WCHAR(p[i] | (p[i + 1] << 8));
    if (!c) break;
    wide.push_back(c);
  }
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// The text of a value of an image feature; false when there is none.
bool ImageValueText(SETTING_CONTEXT* ctx, IMG_REF feature, DWORD settingId, int64_t value, uint64_t kind,
                    std::string* out) {
  if (!feature) return false;
  IMG_REF options = ImgNodeOptions(feature);
  uint16_t type = dfc::BaseType(ImgNodeType(feature));
  switch (kind) {
    case PJL_KIND_LIST:
      if (type == dfc::kTypeBoolean || type == dfc::kTypeNumeric || type == dfc::kTypeString) return false;
      for (IMG_REF o = options; o; o = ImgNext(o))
        if (ImgOptionValue(o) == WORD(value)) {
          const char* t = reinterpret_cast<const char*>(DFC_GET(o, IMAGE_OPTION, command));
          if (!t) return false;
          *out = t;
          return true;
        }
      return false;
    case PJL_KIND_ONOFF: {
      if (!options || type != dfc::kTypeBoolean) return false;
      const char* t = reinterpret_cast<const char*>(value ? DFC_GET(options, BOOLEAN_VALUE, trueCommand)
                                                          : DFC_GET(options, BOOLEAN_VALUE, falseCommand));
      if (!t) return false;
      *out = t;
      return true;
    }
    case PJL_KIND_NUMBER:
      // A feature without a number record carries the raw value: writing it as 0 would lose it.
      *out = std::to_string(ClampToInt(Scale(ctx, feature, value, false)));
      return true;
    case PJL_KIND_TEXT: {
      std::string t = SettingText(ctx, settingId);
      if (t.empty()) return false;
      *out = "\"" + t + "\"";
      return true;
    }
    default:
      return false;
  }
}

// Replaces a handle's text (base or change list) with a copy of a buffer's text; false when out of
// memory (the old text stays).
bool ReplaceText(char** text, DWORD* length, const char* src, DWORD srcLength) {
  char* copy = static_cast<char*>(StgAllocZero(srcLength + 1));
  if (!copy) return false;
  std::memcpy(copy, src, srcLength);
  StgFree(*text);
  *text = copy;
  *length = srcLength + 1;
  return true;
}

}  // namespace

// ---- Growable text ----------------------------------------------------------------------------------

int CmdBufInit(PJL_TEXT_BUF* buf) {
  buf->length = 0;
  buf->text = static_cast<char*>(StgAllocZero(PJL_TEXT_STEP));
  buf->capacity = buf->text ? PJL_TEXT_STEP : 0;
  return buf->text ? 0 : -1;
}

int CmdBufReserve(PJL_TEXT_BUF* buf, DWORD bytes) {
  if (!buf->text) return -1;
  uint64_t need = uint64_t(buf->length) + bytes + 1;
  if (need <= buf->capacity) return 0;
  uint64_t cap = buf->capacity;
  while (cap < need) cap += PJL_TEXT_STEP;
  if (cap > 0x7FFFFFFF) return -1;
  char* grown = static_cast<char*>(StgAllocZero(DWORD(cap)));
  if (!grown) return -1;
  std::memcpy(grown, buf->text, buf->length);
  StgFree(buf->text);
  buf->text = grown;
  buf->capacity = DWORD(cap);
  return 0;
}

int CmdBufAppend(PJL_TEXT_BUF* buf, const char* text) {
  size_t n = std::strlen(text);
  if (n > 0x7FFFFFFF || CmdBufReserve(buf, DWORD(n)) != 0) return -1;
  std::memcpy(buf->text + buf->length, text, n + 1);
  buf->length += DWORD(n);
  return 0;
}

int CmdBufAppendChar(PJL_TEXT_BUF* buf, char c) {
  if (CmdBufReserve(buf, 1) != 0) return -1;
  buf->text[buf->length++] = c;
  buf->text[buf->length] = 0;
  return 0;
}

void CmdBufTruncate(PJL_TEXT_BUF* buf, DWORD length) {
  if (!buf->text || length >= buf->length) return;
  std::memset(buf->text + length, 0, buf->length - length);
  buf->length = length;
}

void CmdBufFree(PJL_TEXT_BUF* buf) {
  StgFree(buf->text);
  buf->text = nullptr;
  buf->capacity = buf->length = 0;
}

// ---- SET lines ----------------------------------------------------------------------------------------

int CmdParseSetLine(const char* text, char* name, char* value) {
  if (!text || !name || !value) return 0;
  const char* p = SkipBlanks(text);
  if (!*p) return 0;
  if (std::strncmp(p, "@PJL", 4) != 0) return -1;
  p = SkipBlanks(p + 4);
  if (std::strncmp(p, "SET", 3) != 0) return -1;
  p = SkipBlanks(p + 3);
  if (!(p = CmdCopyToken(name, p))) return -1;
  p = SkipBlanks(p);
  if (*p != '=') return -1;
  p = SkipBlanks(p + 1);
  if (!(p = CmdCopyToken(value, p))) return -1;
  p = SkipBlanks(p);
  if (p[0] != '\r' || p[1] != '\n') return -1;
  p += 2;
  if (p - text > 0x7FFFFFFF) return -1;
  return int(p - text);
}

int CmdFindSetValue(const char* text, const char* name, char* value, bool* found) {
  value[0] = 0;
  if (found) *found = false;
  if (!text || !name) return 0;
  char n[PJL_TOKEN_BYTES], v[PJL_TOKEN_BYTES];
  int offset = 0;
  for (;;) {
    int len = CmdParseSetLine(text + offset, n, v);
    if (len <= 0) return offset;
    if (std::strcmp(n, name) == 0) {
      std::memcpy(value, v, std::strlen(v) + 1);
      if (found) *found = true;
      return offset;
    }
    offset += len;
  }
}

int CmdWriteSetLine(PJL_TEXT_BUF* buf, const char* name, const char* value) {
  DWORD mark = buf->length;
  if (CmdBufAppend(buf, "@PJL SET ") || CmdBufAppend(buf, name) || CmdBufAppend(buf, " = ") ||
      CmdBufAppend(buf, value) || CmdBufAppend(buf, " \r\n")) {
    CmdBufTruncate(buf, mark);
    return -1;
  }
  return 0;
}

// ---- Rows and positions ------------------------------------------------------------------------------

const PJL_COMMAND_ROW* CmdFindRow(EXC_HANDLE, const char* name, uint64_t use) {
  const PJL_COMMAND_TABLE* t = Commands();
  if (!name || !t) return nullptr;
  for (uint64_t i = 0; i < t->count; ++i)
    if (t->rows[i].pjlName && std::strcmp(t->rows[i].pjlName, name) == 0)
      return (t->rows[i].use & use) ? &t->rows[i] : nullptr;
  return nullptr;
}

const PJL_COMMAND_ROW* CmdFindRowById(DWORD settingId, uint64_t use, SETTING_CONTEXT* ctx) {
  return RuleFindCommandRow(ctx, settingId, use);
}

DWORD CmdAliasPosition(DWORD position) {
  const EXC_AUX_TABLE* t = StgGetExcAuxTable();
  for (uint64_t i = 0; t && i < t->count; ++i)
    if (t->rows[i].position == position) return t->rows[i].alias;
  return 0;
}

int CmdSetPosition(EXC_HANDLE h, DWORD p, int32_t v) {
  if (p < 1 || p > EXC_POSITIONS) return -1;
  h->setFlags[p - 1] = 1;
  h->values[p - 1] = v;
  return 0;
}

int CmdPositionDiffers(EXC_HANDLE h, DWORD p, int32_t v) {
  if (p < 1 || p > EXC_POSITIONS) return 0;
  return !h->setFlags[p - 1] || h->values[p - 1] != v;
}

void CmdSetPositionValue(EXC_HANDLE h, DWORD p, int32_t v, int update) {
  if (update && !CmdPositionDiffers(h, p, v)) return;
  CmdSetPosition(h, p, v);
  if (p < 1 || p > EXC_LAST_SETTING_POSITION) return;
  StgSetValue(h->ctx, WORD(p), uint64_t(uint32_t(v)));
  if (update) {
    CmdRunSettingActions(h->ctx, p);
    CmdRefreshPositions(h);
  }
}

void CmdRefreshPositions(EXC_HANDLE h) {
  for (DWORD p = 1; p <= EXC_LAST_SETTING_POSITION; ++p)
    if (h->setFlags[p - 1]) h->values[p - 1] = Stored(h->ctx, p);
}

int CmdIsAvailable(EXC_HANDLE h, const PJL_COMMAND_ROW* row) {
  return row && row->setting >= 1 && row->setting <= EXC_POSITIONS && h->setFlags[row->setting - 1] ? 1 : 0;
}

int CmdCheckRequired(EXC_HANDLE h) {
  const EXC_ID_TABLE* t = StgGetExcCheckTable();
  for (uint64_t i = 0; t && i < t->count; ++i) {
    DWORD p = t->ids[i];
    if (p < 1 || p > EXC_POSITIONS || !h->setFlags[p - 1]) return -1;
  }
  return 0;
}

const PJL_VALUE_TABLE* CmdValueTable(const PJL_COMMAND_ROW* row) {
  if (!row || row->form != PJL_FORM_TABLE || !row->values) return nullptr;
  return static_cast<const PJL_VALUE_TABLE*>(row->values);
}

// ---- Image features ------------------------------------------------------------------------------------

IMG_REF CmdFindImageNode(SETTING_CONTEXT* ctx, DWORD settingId, DWORD variant) {
  if (!ctx || !ctx->image) return 0;
  IMG_REF list = dfc::Get<uint64_t>(ctx->image, DFC_OFF(COMPILED_IMAGE_HEADER, FeatureList));
  IMG_REF lastOfVariant = 0, firstOfId = 0;
  for (IMG_REF n = list; n; n = ImgNext(n)) {
    if (ImgNodeSettingId(n) != settingId) continue;
    if (!firstOfId) firstOfId = n;
    if (DFC_GET(n, IMAGE_NODE, variant) != variant) continue;
    if (DFC_GET(n, IMAGE_NODE, commands)) return n;
    lastOfVariant = n;
  }
  return lastOfVariant ? lastOfVariant : firstOfId;
}

const char* CmdImageCommandText(IMG_REF feature, int second) {
  IMG_REF pair = feature ? DFC_GET(feature, IMAGE_NODE, commands) : 0;
  if (!pair) return nullptr;
  return reinterpret_cast<const char*>(second ? DFC_GET(pair, OPTION_COMMAND_PAIR, second)
                                              : DFC_GET(pair, OPTION_COMMAND_PAIR, first));
}

DWORD CmdFormatImageValue(SETTING_CONTEXT* ctx, IMG_REF feature, DWORD settingId, int64_t value, uint64_t kind,
                          DWORD room, char* buffer) {
  std::string t;
  if (!ImageValueText(ctx, feature, settingId, value, kind, &t) || t.size() >= 0x7FFFFFFF) return 0;
  DWORD need = DWORD(t.size() + 1);
  if (buffer && room >= need) std::memcpy(buffer, t.c_str(), need);
  return need;
}

int CmdAppendImageValue(PJL_TEXT_BUF* buf, SETTING_CONTEXT* ctx, IMG_REF feature, DWORD settingId, int64_t value,
                        uint64_t kind) {
  std::string t;
  if (!ImageValueText(ctx, feature, settingId, value, kind, &t)) return 0;
  return CmdBufAppend(buf, t.c_str()) == 0 ? 1 : -1;
}

int32_t CmdParseImageNumber(SETTING_CONTEXT* ctx, IMG_REF feature, const char* text) {
  int64_t v = std::strtoll(text ? text : "", nullptr, 10);
  return ClampToInt(Scale(ctx, feature, ClampToInt(v), true));
}

void CmdRunSettingActions(SETTING_CONTEXT* ctx, DWORD settingId) {
  if (IMG_REF node = CmdFindImageNode(ctx, settingId, 0)) RuleRunNodeTransact(ctx, node);
}

// ---- Values, current text, builds ---------------------------------------------------------------------

const PJL_VALUE_ROW* CmdValueRow(EXC_HANDLE h, const PJL_COMMAND_ROW* row, int64_t value) {
  const PJL_VALUE_TABLE* t = CmdValueTable(row);
  for (uint64_t i = 0; t && i < t->count; ++i) {
    const PJL_VALUE_ROW& v = t->rows[i];
    if (uint32_t(v.value) != uint32_t(value) && !(v.flags & PJL_VALUE_OFF)) continue;
    bool agrees = true;
    for (const PJL_COND_NODE* n = h ? v.assignments : nullptr; n && agrees; n = n->next)
      if (n->settingId >= 1 && n->settingId <= EXC_POSITIONS - 1 && h->setFlags[n->settingId - 1] &&
          uint32_t(h->values[n->settingId - 1]) != n->value)
        agrees = false;
    if (agrees) return &v;
  }
  return nullptr;
}

const PJL_VALUE_ROW* CmdFindValueRow(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, const char* text) {
  const PJL_VALUE_TABLE* t = CmdValueTable(row);
  const PJL_VALUE_ROW* first = nullptr;
  for (uint64_t i = 0; t && text && i < t->count; ++i) {
    const PJL_VALUE_ROW& v = t->rows[i];
    if (!v.text || std::strcmp(v.text, text) != 0) continue;
    if (!first) first = &v;
    if (RuleMatchConditionChain(ctx, v.condition)) return &v;
  }
  return first;
}

int CmdApplyValue(EXC_HANDLE h, const PJL_COMMAND_ROW* row, const char*, const char* text, int update) {
  DWORD setting = DWORD(row->setting);
  if (row->form == PJL_FORM_IMAGE) {
    IMG_REF feature = CmdFindImageNode(h->ctx, setting, DWORD(row->variant));
    if (!feature || setting > 0xFFFF) return 0;
    StgSetOptionValue(h->ctx, WORD(setting), DWORD(CmdParseImageNumber(h->ctx, feature, text)));
    int32_t stored = Stored(h->ctx, setting);
    int differed = CmdPositionDiffers(h, setting, stored);
    CmdSetPosition(h, setting, stored);
    if (update && differed) CmdRunSettingActions(h->ctx, setting);
    return 0;
  }
  const PJL_VALUE_ROW* v = CmdFindValueRow(h->ctx, row, text);
  if (!v) return 0;
  for (const PJL_COND_NODE* n = v->assignments; n; n = n->next)
    CmdSetPositionValue(h, n->settingId, int32_t(n->value), update);
  if (!(v->flags & PJL_VALUE_OFF))
    CmdSetPositionValue(h, setting, int32_t(v->value), update);
  else
    CmdSetPosition(h, setting, Stored(h->ctx, setting));
  return 0;
}

int CmdEmitCurrent(PJL_TEXT_BUF* buf, EXC_HANDLE h) {
  if (!h->setFlags || !h->values) return -1;
  bool emitted[EXC_POSITIONS + 1] = {};
  for (DWORD p = 1; p <= EXC_POSITIONS; ++p) {
    if (!h->setFlags[p - 1]) continue;
    DWORD at = p;
    const PJL_COMMAND_ROW* row = CmdFindRowById(p, PJL_USE_COMMAND, h->ctx);
    if (!row) {
      at = CmdAliasPosition(p);
      if (!at || at > EXC_POSITIONS || !(row = CmdFindRowById(at, PJL_USE_COMMAND, h->ctx))) continue;
    }
    if (emitted[at]) continue;
    emitted[at] = true;
    int32_t value = h->values[at - 1];
    DWORD mark = buf->length;
    if (row->form == PJL_FORM_IMAGE) {
      IMG_REF feature = CmdFindImageNode(h->ctx, at, DWORD(row->variant));
      const char* before = CmdImageCommandText(feature, 0);
      const char* after = CmdImageCommandText(feature, 1);
      if (!before || !after) continue;
      if (CmdBufAppend(buf, before) != 0) return -1;
      int r = CmdAppendImageValue(buf, h->ctx, feature, at, value, row->valueKind);
      if (r < 0) return -1;
      if (r == 0) {
        CmdBufTruncate(buf, mark);
        continue;
      }
      if (CmdBufAppend(buf, after) != 0) return -1;
    } else {
      const PJL_VALUE_ROW* v = CmdValueRow(h, row, value);
      if (!v || !v->text) continue;
      if (CmdWriteSetLine(buf, row->pjlName, v->text) != 0) return -1;
    }
  }
  return CmdBufAppendChar(buf, 0);
}

int CmdMergeChanged(PJL_TEXT_BUF* buf, const char* base, const char* current, const char* changed) {
  if (!base || !current) return 0;
  char name[PJL_TOKEN_BYTES], cur[PJL_TOKEN_BYTES], was[PJL_TOKEN_BYTES], asked[PJL_TOKEN_BYTES];
  for (const char* p = current;;) {
    int len = CmdParseSetLine(p, name, cur);
    if (len <= 0) break;
    p += len;
    CmdFindSetValue(base, name, was);
    asked[0] = 0;
    if (changed) CmdFindSetValue(changed, name, asked);
    if (!was[0]) continue;
    bool report = std::strcmp(cur, was) != 0 ? std::strcmp(asked, cur) != 0
                                              : asked[0] && std::strcmp(asked, was) != 0;
    if (report && CmdWriteSetLine(buf, name, cur) != 0) return -1;
  }
  return 0;
}

int CmdMergeBase(PJL_TEXT_BUF* buf, EXC_HANDLE h, const char* base, const char* current, const char* changed) {
  if (!base) return 0;
  char name[PJL_TOKEN_BYTES], own[PJL_TOKEN_BYTES], value[PJL_TOKEN_BYTES];
  for (const char* p = base;;) {
    int len = CmdParseSetLine(p, name, own);
    if (len <= 0) break;
    p += len;
    bool found = false;
    CmdFindSetValue(current, name, value, &found);
    if (!found) {
      if (!changed || !CmdFindRow(h, name, PJL_USE_COMMAND)) continue;
      CmdFindSetValue(changed, name, value, &found);
      if (!found) std::memcpy(value, own, std::strlen(own) + 1);
    }
    if (CmdWriteSetLine(buf, name, value) != 0) return -1;
  }
  return 0;
}

void CmdClearChanges(EXC_HANDLE h) {
  StgFree(h->changeText);
  h->changeText = nullptr;
  h->changeLength = 0;
}

void CmdFreeBase(EXC_HANDLE h) {
  StgFree(h->baseText);
  h->baseText = nullptr;
  h->baseLength = 0;
}

int CmdBuildBase(EXC_HANDLE h, const char* changed) {
  RuleRefreshAfterApply(h->ctx);
  CmdRefreshPositions(h);
  PjlText current, changes, rebuilt;
  if (!current.ok() || !changes.ok() || !rebuilt.ok()) return -1;
  if (CmdEmitCurrent(current.get(), h) != 0) return -1;
  if (CmdMergeChanged(changes.get(), h->baseText, current.text(), changed) != 0) return -1;
  int result = 0;
  if (changes.length()) {
    if (!ReplaceText(&h->changeText, &h->changeLength, changes.text(), changes.length())) return -1;
    result = 1;
  }
  if (CmdMergeBase(rebuilt.get(), h, h->baseText, current.text(), changed) != 0) return -1;
  if (!rebuilt.length())
    CmdFreeBase(h);
  else if (!ReplaceText(&h->baseText, &h->baseLength, rebuilt.text(), rebuilt.length()))
    return -1;
  return result;
}

// ---- Lists and trials -----------------------------------------------------------------------------------

int CmdIsValueAdmissible(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, const PJL_VALUE_ROW* vrow) {
  if (!ctx || !row || !vrow) return 0;
  if (vrow->flags & PJL_VALUE_NEVER) return 0;
  if ((vrow->flags & PJL_VALUE_ALTERNATE) && !vrow->condition) return 0;
  return RuleMatchConditionChain(ctx, vrow->condition);
}

int CmdTryValue(EXC_HANDLE h, const PJL_COMMAND_ROW* row, const PJL_VALUE_ROW* vrow) {
  if (!h->baseText || !CmdIsValueAdmissible(h->ctx, row, vrow)) return 0;
  StoreSnapshot store(h->ctx);
  PositionSnapshot positions(h);
  PjlText current, changes;
  if (!store.ok() || !positions.ok() || !current.ok() || !changes.ok()) return 0;
  DWORD setting = DWORD(row->setting);
  if (!(vrow->flags & PJL_VALUE_OFF)) {
    if (setting >= 1 && setting <= EXC_LAST_SETTING_POSITION)
      StgSetValue(h->ctx, WORD(setting), uint64_t(uint32_t(vrow->value)));
    CmdSetPosition(h, setting, int32_t(vrow->value));
  }
  for (const PJL_COND_NODE* n = vrow->assignments; n; n = n->next) {
    if (n->settingId >= 1 && n->settingId <= EXC_LAST_SETTING_POSITION)
      StgSetValue(h->ctx, WORD(n->settingId), n->value);
    CmdSetPosition(h, n->settingId, int32_t(n->value));
  }
  std::string line = std::string("@PJL SET ") + row->pjlName + " = " + (vrow->text ? vrow->text : "") + " \r\n";
  RuleRefreshAfterApply(h->ctx);
  CmdRefreshPositions(h);
  if (CmdEmitCurrent(current.get(), h) != 0) return 0;
  if (CmdMergeChanged(changes.get(), h->baseText, current.text(), line.c_str()) != 0) return 0;
  return changes.length() == 0 ? 1 : 0;
}

int32_t CmdProbeNumber(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, int32_t number) {
  DWORD setting = DWORD(row->setting);
  if (!setting || setting > 0xFFFF) return number;
  StoreSnapshot store(ctx);
  if (!store.ok()) return number;
  if (row->form == PJL_FORM_IMAGE)
    StgSetOptionValue(ctx, WORD(setting), DWORD(number));
  else
    StgSetValue(ctx, WORD(setting), uint64_t(uint32_t(number)));
  RuleRefreshAfterApply(ctx);
  return Stored(ctx, setting);
}

int CmdListValues(EXC_HANDLE h, const PJL_COMMAND_ROW* row, int onlyAvailable, PJL_TEXT_BUF* buf) {
  const PJL_VALUE_TABLE* t = CmdValueTable(row);
  bool any = false;
  for (uint64_t i = 0; t && i < t->count; ++i) {
    const PJL_VALUE_ROW& v = t->rows[i];
    bool chosen;
    if (!onlyAvailable)
      chosen = !(v.flags & PJL_VALUE_ALTERNATE) &&
               (!(row->use & PJL_USE_OPTION) || RuleMatchCodeConditions(h->ctx, v.condition));
    else
      chosen = (!(v.flags & PJL_VALUE_ALTERNATE) || v.condition) && CmdTryValue(h, row, &v);
    if (!chosen || !v.text) continue;
    if (CmdBufAppend(buf, v.text) != 0 || CmdBufAppendChar(buf, 0) != 0) return -1;
    any = true;
  }
  if (any && CmdBufAppendChar(buf, 0) != 0) return -1;
  return 0;
}

int CmdListNumberRange(EXC_HANDLE h, const PJL_COMMAND_ROW* row, int onlyAvailable, PJL_TEXT_BUF* buf) {
  const auto* record = row->form == PJL_FORM_IMAGE ? static_cast<const PJL_NUMBER_RECORD*>(row->values) : nullptr;
  if (onlyAvailable && record && !RuleMatchConditionChain(h->ctx, record->condition)) return 0;
  IMG_REF feature = CmdFindImageNode(h->ctx, DWORD(row->setting), DWORD(row->variant));
  IMG_REF numbers = NumberRecord(feature);
  if (!numbers) return 0;
  int32_t low = DFC_GET(numbers, NUMERIC_VALUE, minimum), high = DFC_GET(numbers, NUMERIC_VALUE, maximum);
  int32_t step = DFC_GET(numbers, NUMERIC_VALUE, number6);
  if (onlyAvailable) {
    low = CmdProbeNumber(h->ctx, row, low);
    high = CmdProbeNumber(h->ctx, row, high);
  }
  for (int32_t v : {low, high, step}) {
    if (CmdAppendImageValue(buf, h->ctx, feature, DWORD(row->setting), v, PJL_KIND_NUMBER) < 0 ||
        CmdBufAppendChar(buf, 0) != 0)
      return -1;
  }
  return CmdBufAppendChar(buf, 0);
}

int CmdGetPrinterValue(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, int32_t size, char* buffer,
                       int32_t* needed) {
  std::string text;
  DWORD setting = DWORD(row->setting);
  if (row->form == PJL_FORM_IMAGE) {
    IMG_REF feature = CmdFindImageNode(ctx, setting, DWORD(row->variant));
    int64_t v = setting <= 0xFFFF ? StgGetOptionValue(ctx, WORD(setting), nullptr) : 0;
    if (!ImageValueText(ctx, feature, setting, v, row->valueKind, &text)) text.clear();
  } else if (const PJL_VALUE_ROW* v = CmdValueRow(nullptr, row, Stored(ctx, setting))) {
    text = v->text ? v->text : "";
  }
  int32_t need = text.empty() ? 0 : int32_t(text.size() + 1);
  if (needed) *needed = need;
  if (!need) return 0;
  if (size < need || !buffer) return 1;
  std::memcpy(buffer, text.c_str(), size_t(need));
  return 0;
}
