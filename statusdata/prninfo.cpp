// Keyed access to the lists and strings of the printer-information record.
#include "statusdata/prninfo.h"

#include <cstring>
#include <iterator>

#include "kvplat/heap.h"

namespace {

struct ListKeyRow {
  const char* key;
  size_t headOffset;
  size_t countOffset;
};

// The counts of pTrayInfo, pOutBinInfo and pCounterInfo sit right before their heads, the others
// 8 bytes before.
constexpr ListKeyRow kListKeys[] = {
    {"pEngineStatus", offsetof(PRN_INFO_EX, pEngineStatus), offsetof(PRN_INFO_EX, cEngineStatus)},
    {"pLoadedEmul", offsetof(PRN_INFO_EX, pLoadedEmul), offsetof(PRN_INFO_EX, cLoadedEmul)},
    {"pLoadedFont", offsetof(PRN_INFO_EX, pLoadedFont), offsetof(PRN_INFO_EX, cLoadedFont)},
    {"pTrayInfo", offsetof(PRN_INFO_EX, pTrayInfo), offsetof(PRN_INFO_EX, cTrayInfo)},
    {"pOutBinInfo", offsetof(PRN_INFO_EX, pOutBinInfo), offsetof(PRN_INFO_EX, cOutBinInfo)},
    {"pDeviceInfo", offsetof(PRN_INFO_EX, pDeviceInfo), offsetof(PRN_INFO_EX, cDeviceInfo)},
    {"pEmulUniqInfo", offsetof(PRN_INFO_EX, pEmulUniqInfo), offsetof(PRN_INFO_EX, cEmulUniqInfo)},
    {"pCounterInfo", offsetof(PRN_INFO_EX, pCounterInfo), offsetof(PRN_INFO_EX, cCounterInfo)},
    {"pSupplyInfo", offsetof(PRN_INFO_EX, pSupplyInfo), offsetof(PRN_INFO_EX, cSupplyInfo)},
    {"pColorCorrection", offsetof(PRN_INFO_EX, pColorCorrection), offsetof(PRN_INFO_EX, cColorCorrection)},
    {"pCustomMediaInfo", offsetof(PRN_INFO_EX, pCustomMediaInfo), offsetof(PRN_INFO_EX, cCustomMediaInfo)},
};
static_assert(std::size(kListKeys) == 11);

struct StringKeyRow {
  const char* key;
  size_t offset;
};
constexpr StringKeyRow kStringKeys[] = {
    {"pModelName", offsetof(PRN_INFO_EX, pModelName)},
    {"pMakerName", offsetof(PRN_INFO_EX, pMakerName)},
    {"pDescription", offsetof(PRN_INFO_EX, pDescription)},
    {"pSYSVersion", offsetof(PRN_INFO_EX, pSYSVersion)},
    {"pMainProgVersion", offsetof(PRN_INFO_EX, pMainProgVersion)},
    {"pKPSVersion", offsetof(PRN_INFO_EX, pKPSVersion)},
};
static_assert(std::size(kStringKeys) == 6);

}  // namespace

bool PatIsUsableRecord(const PRN_INFO_EX* record) {
  return record && record->size >= PRN_INFO_EX_MIN_SIZE;
}

BOOL PatFindPrnInfoList(PRN_INFO_EX* record, const char* key, LIST_REF* ref) {
  if (!PatIsUsableRecord(record) || !key) return 0;
  for (const auto& row : kListKeys) {
    if (std::strcmp(row.key, key) != 0) continue;
    auto* base = reinterpret_cast<BYTE*>(record);
    auto** slot = reinterpret_cast<LIST_NODE**>(base + row.headOffset);
    if (ref) {
      ref->headSlot = slot;
      ref->head = *slot;
      ref->count = reinterpret_cast<DWORD*>(base + row.countOffset);
    }
    return 1;
  }
  return 0;
}

BOOL PatAppendPrnInfoNode(PRN_INFO_EX* record, const char* key, LIST_NODE* node) {
  LIST_REF ref;
  if (!node || !PatFindPrnInfoList(record, key, &ref)) return 0;
  *ref.headSlot = PatAppendListNode(ref.head, node);
  ++*ref.count;
  return 1;
}

BOOL PatClearPrnInfoList(PRN_INFO_EX* record, const char* key) {
  LIST_REF ref;
  if (!PatFindPrnInfoList(record, key, &ref)) return 0;
  PatFreeListNodes(ref.head);
  *ref.headSlot = nullptr;
  *ref.count = 0;
  return 1;
}

BOOL PatSetPrnInfoString(PRN_INFO_EX* record, const char* key, const char* text) {
  if (!PatIsUsableRecord(record) || !key) return 0;
  for (const auto& row : kStringKeys) {
    if (std::strcmp(row.key, key) != 0) continue;
    auto** slot = reinterpret_cast<CHAR**>(reinterpret_cast<BYTE*>(record) + row.offset);
    if (*slot) GlobalFree(*slot);
    *slot = nullptr;
    if (!text) return 1;
    size_t n = std::strlen(text);
    auto* copy = static_cast<CHAR*>(GlobalAlloc(GPTR, n + 1));
    if (!copy) return 0;
    std::memcpy(copy, text, n + 1);
    *slot = copy;
    return 1;
  }
  return 0;
}

BOOL PatHasDevice(PRN_INFO_EX* record, WORD deviceCode) {
  if (!PatIsUsableRecord(record)) return 0;
  return PatFindListNode(record->pDeviceInfo, deviceCode) != nullptr;
}

BOOL PatAddEngineStatus(PRN_INFO_EX* record, DWORD code) {
  if (!PatIsUsableRecord(record)) return 0;
  auto* node = reinterpret_cast<ENGINE_STATUS_NODE*>(PatNewListNode(sizeof(ENGINE_STATUS_NODE)));
  if (!node) return 0;
  node->code = WORD(code);
  node->fullCode = code;
  return PatAppendPrnInfoNode(record, "pEngineStatus", &node->hdr);
}

BOOL PatIsErrorClassCode(DWORD code) { return (code >= 40001 && code <= 49999) || code == 10002; }

LIST_NODE* PatNewListNode(DWORD size) {
  if (size < sizeof(LIST_NODE)) return nullptr;
  auto* node = static_cast<LIST_NODE*>(GlobalAlloc(GPTR, size));
  if (!node) return nullptr;
  node->size = size;
  return node;
}

void PatFreeListNodes(LIST_NODE* head) {
  while (head) {
    LIST_NODE* next = head->next;
    GlobalFree(head);
    head = next;
  }
}

LIST_NODE* PatAppendListNode(LIST_NODE* head, LIST_NODE* node) {
  if (!node) return head;
  node->next = nullptr;
  if (!head) return node;
  LIST_NODE* last = head;
  while (last->next) last = last->next;
  last->next = node;
  return head;
}

LIST_NODE* PatFindListNode(LIST_NODE* head, WORD code) {
  for (; head; head = head->next)
    if (PatListNodeCode(head) == code) return head;
  return nullptr;
}

void PatCopyText(CHAR* destination, size_t cap, const CHAR* text) {
  if (!destination || cap == 0) return;
  size_t n = 0;
  if (text)
    for (; n + 1 < cap && text[n]; ++n) destination[n] = text[n];
  destination[n] = 0;
}
