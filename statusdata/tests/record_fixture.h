// Test helpers: a printer-information record the way the monitor makes one (and releases it), reply
// containers, and readers of the keyed lists.
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "kvplat/heap.h"
#include "statusdata/infonode.h"
#include "statusdata/prninfo.h"

namespace sdtest {

inline const char* const kListKeys[] = {"pEngineStatus", "pLoadedEmul",   "pLoadedFont",  "pTrayInfo",
                                        "pOutBinInfo",   "pDeviceInfo",   "pEmulUniqInfo", "pCounterInfo",
                                        "pSupplyInfo",   "pColorCorrection", "pCustomMediaInfo"};
inline const char* const kStringKeys[] = {"pModelName",  "pMakerName",       "pDescription",
                                          "pSYSVersion", "pMainProgVersion", "pKPSVersion"};

// A zeroed record of `size` bytes in global memory; everything it holds is freed with it.
class Record {
 public:
  explicit Record(DWORD size = PRN_INFO_EX_MIN_SIZE) {
    block_ = static_cast<BYTE*>(GlobalAlloc(GPTR, size < sizeof(PRN_INFO_EX) ? sizeof(PRN_INFO_EX) : size));
    get()->size = size;
  }
  ~Record() {
    Release();
    GlobalFree(block_);
  }
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;
  PRN_INFO_EX* get() { return reinterpret_cast<PRN_INFO_EX*>(block_); }
  PRN_INFO_EX* operator->() { return get(); }
  BYTE* bytes() { return block_; }
  // Frees every node and string, the way the monitor does (also for a record below 404 bytes).
  void Release() {
    PRN_INFO_EX* r = get();
    DWORD saved = r->size;
    r->size = PRN_INFO_EX_MIN_SIZE;
    for (const char* key : kListKeys) PatClearPrnInfoList(r, key);
    for (const char* key : kStringKeys) PatSetPrnInfoString(r, key, nullptr);
    r->size = saved;
  }

 private:
  BYTE* block_;
};

// A container tree freed as a whole.
struct Tree {
  INFO_NODE* root = nullptr;
  explicit Tree(INFO_NODE* r) : root(r) {}
  ~Tree() { InfoNodeFreeTree(root); }
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;
};

// A text child with its NUL counted.
inline INFO_NODE* AddText(INFO_NODE* parent, DWORD id, const std::string& text) {
  return InfoNodeCreate(parent, id, text.c_str(), DWORD(text.size() + 1));
}

template <typename NodeT = LIST_NODE>
std::vector<NodeT*> Nodes(LIST_NODE* head) {
  std::vector<NodeT*> out;
  for (; head; head = head->next) out.push_back(reinterpret_cast<NodeT*>(head));
  return out;
}

inline std::vector<int> Codes(LIST_NODE* head) {
  std::vector<int> out;
  for (; head; head = head->next) out.push_back(PatListNodeCode(head));
  return out;
}

inline std::string Str(const char* s) { return s ? std::string(s) : std::string("<null>"); }

}  // namespace sdtest
