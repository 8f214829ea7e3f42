// The device-identification string: "KEY:value;" items for maker, model, command sets, description,
// engine status and counters.
#include "statusdata/pjlreply.h"

#include <climits>
#include <cstring>

#include "kvplat/error.h"

namespace {

constexpr size_t kFieldCap = 256;  // keys and values: 255 characters
constexpr size_t kPieceCap = 30;   // pieces of a value: 29 characters

// Supply ids paired with the pieces of a KIJ value. None for this model.
constexpr WORD kSupplyIds[] = {0};
constexpr size_t kSupplyIdCount = 0;

bool IsDelimiter(char c, const char* delimiters) { return delimiters && c && std::strchr(delimiters, c); }

// The end of the value that starts at p: its ';' or the end of the text.
const char* ValueEnd(const char* p, const char* end) {
  while (p < end && *p != ';') ++p;
  return p;
}

DWORD StoreString(PRN_INFO_EX* record, const char* key, const char*& p, const char* end) {
  char value[kFieldCap];
  p = PatSplitField(p, end, value, sizeof value, ";");
  return PatSetPrnInfoString(record, key, value) ? 0 : ERROR_NOT_ENOUGH_MEMORY;
}

void ParseCommandSets(PRN_INFO_EX* record, const char* p, const char* end) {
  if (PatNameTableCount(g_PatCommandSetNames) == 0) return;
  PatClearPrnInfoList(record, "pLoadedEmul");
  while (p < end) {
    char name[kPieceCap];
    p = PatSplitField(p, end, name, sizeof name, ",");
    if (!name[0]) continue;
    auto* node = reinterpret_cast<EMULATION_NODE*>(PatNewListNode(sizeof(EMULATION_NODE)));
    if (!node) continue;
    node->code = WORD(PatLookupName(name, g_PatCommandSetNames));
    PatAppendPrnInfoNode(record, "pLoadedEmul", &node->hdr);
  }
}

// STS: "code/code/...,state,text" within [p, end).
void ParseEngineStatus(PRN_INFO_EX* record, const char* p, const char* end) {
  PatClearPrnInfoList(record, "pEngineStatus");
  char codes[kFieldCap];
  p = PatSplitField(p, end, codes, sizeof codes, ",");
  bool anyError = false;
  const char* c = codes;
  const char* codesEnd = codes + std::strlen(codes);
  while (c < codesEnd) {
    char piece[kPieceCap];
    c = PatSplitField(c, codesEnd, piece, sizeof piece, "/");
    if (!piece[0]) continue;
    DWORD code = DWORD(LONG(PatDecimal(piece)));
    if (PatIsErrorClassCode(code)) anyError = true;
    PatAddEngineStatus(record, code);  // a node that cannot be had is passed over
  }
  if (p >= end) return;
  char state[kFieldCap];
  p = PatSplitField(p, end, state, sizeof state, ",");
  LONGLONG online = PatDecimal(state);
  record->online = BYTE(online);
  record->offline = online != 1 ? 1 : 0;
  if (anyError) record->error = 1;
  if (p >= end) return;
  // The rest is the engine's own text (a service-call code, say); it fits each node's text field.
  for (LIST_NODE* n = record->pEngineStatus; n; n = n->next) {
    auto* status = reinterpret_cast<ENGINE_STATUS_NODE*>(n);
    size_t len = size_t(end - p);
    if (len > sizeof status->text - 1) len = sizeof status->text - 1;
    const char* nul = static_cast<const char*>(std::memchr(p, 0, len));
    if (nul) len = size_t(nul - p);
    std::memcpy(status->text, p, len);
    status->text[len] = 0;
  }
}

// KIJ: "counter/supply,supply,...". The counter runs to the first '/' anywhere in the rest of the
// text; returns where the item ends.
const char* ParseCounters(PRN_INFO_EX* record, const char* p, const char* end, DWORD* result) {
  PatClearPrnInfoList(record, "pCounterInfo");
  PatClearPrnInfoList(record, "pSupplyInfo");
  char counter[kFieldCap];
  p = PatSplitField(p, end, counter, sizeof counter, "/");
  auto* node = reinterpret_cast<COUNTER_NODE*>(PatNewListNode(sizeof(COUNTER_NODE)));
  if (!node) {
    *result = ERROR_NOT_ENOUGH_MEMORY;
    return p;
  }
  node->itemCode = 1;
  node->value = DWORD(LONG(PatDecimal(counter)));
  PatAppendPrnInfoNode(record, "pCounterInfo", &node->hdr);
  const char* valueEnd = ValueEnd(p, end);
  size_t next = 0;
  while (p < valueEnd) {
    char piece[kPieceCap];
    p = PatSplitField(p, valueEnd, piece, sizeof piece, ",");
    if (!piece[0] || next >= kSupplyIdCount) continue;
    auto* supply = reinterpret_cast<COUNTER_NODE*>(PatNewListNode(sizeof(COUNTER_NODE)));
    if (!supply) {
      *result = ERROR_NOT_ENOUGH_MEMORY;
      break;
    }
    supply->itemCode = kSupplyIds[next++];
    supply->value = DWORD(LONG(PatDecimal(piece)));
    PatAppendPrnInfoNode(record, "pSupplyInfo", &supply->hdr);
  }
  return valueEnd < end ? valueEnd + 1 : end;
}

}  // namespace

const char* PatSplitField(const char* source, const char* end, char* destination, size_t capacity,
                          const char* delimiters) {
  size_t n = 0;
  const char* p = source;
  while (p && p < end && *p && !IsDelimiter(*p, delimiters)) {
    if (destination && n + 1 < capacity) destination[n++] = *p;
    ++p;
  }
  if (destination && capacity) destination[n] = 0;
  if (p && p < end && *p && IsDelimiter(*p, delimiters)) ++p;
  return p;
}

LONGLONG PatDecimal(const char* text) {
  if (!text) return 0;
  while (*text == ' ' || *text == '\t') ++text;
  bool negative = false;
  if (*text == '-' || *text == '+') negative = *text++ == '-';
  ULONGLONG v = 0;
  bool saturated = false;
  for (; *text >= '0' && *text <= '9'; ++text) {
    if (v > (ULONGLONG(LLONG_MAX) - 9) / 10) saturated = true;
    if (!saturated) v = v * 10 + ULONGLONG(*text - '0');
  }
  if (saturated) return negative ? LLONG_MIN : LLONG_MAX;
  return negative ? -LONGLONG(v) : LONGLONG(v);
}

DWORD PatParseDeviceId(const char* text, size_t length, PRN_INFO_EX* record) {
  if (!text || !PatIsUsableRecord(record)) return ERROR_INVALID_PARAMETER;
  const char* nul = static_cast<const char*>(std::memchr(text, 0, length));
  const char* end = nul ? nul : text + length;
  const char* p = text;
  DWORD result = 0;
  while (p < end && result == 0) {
    char key[kFieldCap];
    p = PatSplitField(p, end, key, sizeof key, ":");
    const char* valueEnd = ValueEnd(p, end);
    if (std::strcmp(key, "CMD") == 0) {
      ParseCommandSets(record, p, valueEnd);
      p = valueEnd < end ? valueEnd + 1 : end;
    } else if (std::strcmp(key, "MFG") == 0) {
      result = StoreString(record, "pMakerName", p, end);
    } else if (std::strcmp(key, "MDL") == 0) {
      bool stored = StoreString(record, "pModelName", p, end) == 0;
      record->modelCode = stored ? BYTE(PatLookupName(record->pModelName, g_PatModelNames)) : 255;
    } else if (std::strcmp(key, "DES") == 0) {
      result = StoreString(record, "pDescription", p, end);
    } else if (std::strcmp(key, "STS") == 0) {
      ParseEngineStatus(record, p, valueEnd);
      p = valueEnd < end ? valueEnd + 1 : end;
    } else if (std::strcmp(key, "KIJ") == 0) {
      p = ParseCounters(record, p, end, &result);
    } else {
      p = valueEnd < end ? valueEnd + 1 : end;
    }
  }
  return result;
}
