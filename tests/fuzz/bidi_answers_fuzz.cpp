// Fuzz target: the input is what a device answers to a full query. Byte 0 is added to every entry count
// the device reports (a device that overstates its answers); then records of {item selector, length
// (u16, little-endian), bytes}: the answer of that item. Items without a record have no answer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "devlink/bidi_query.h"
#include "kvplat/error.h"
#include "kvtest/install_printer.h"
#include "kvtest/temp_root.h"
#include "settings/context.h"
#include "settings/modules.h"

namespace {

// The items a query reads: entry 6 items, then the status-set items (entry 7).
constexpr DWORD kItems[] = {1, 20, 21, 23, 2, 11, 8, 80, 81, 82, 83};
constexpr DWORD kSetItems[] = {258, 2, 259};
constexpr size_t kSelectors = sizeof(kItems) / sizeof(kItems[0]) + sizeof(kSetItems) / sizeof(kSetItems[0]);

std::map<size_t, std::vector<BYTE>> g_answers;  // by selector
LONG g_extra = 0;

const std::vector<BYTE>* Find(size_t selector) {
  auto it = g_answers.find(selector);
  return it == g_answers.end() ? nullptr : &it->second;
}

size_t ItemSelector(DWORD item) {
  for (size_t i = 0; i < sizeof(kItems) / sizeof(kItems[0]); ++i)
    if (kItems[i] == item) return i;
  return kSelectors;
}
size_t SetSelector(DWORD item) {
  for (size_t i = 0; i < sizeof(kSetItems) / sizeof(kSetItems[0]); ++i)
    if (kSetItems[i] == item) return sizeof(kItems) / sizeof(kItems[0]) + i;
  return kSelectors;
}

// Copies the answer when the buffer holds it; the count is what the device claims.
LONG ReadItem(HANDLE, DWORD item, void* buffer, DWORD size, DWORD* needed) {
  const std::vector<BYTE>* a = Find(ItemSelector(item));
  *needed = a ? DWORD(a->size()) : 0;
  if (!buffer || !a) return 0;
  if (size < a->size()) return -1;
  if (!a->empty()) std::memcpy(buffer, a->data(), a->size());
  return LONG((a->size() + 3) / 4) + g_extra;
}

BOOL ReadSetItem(HANDLE, WORD, DWORD item, void* buffer, DWORD size, DWORD* needed) {
  const std::vector<BYTE>* a = Find(SetSelector(item));
  *needed = a ? DWORD(a->size()) : 0;
  if (!buffer || !a) return TRUE;
  if (size < a->size()) return FALSE;
  if (!a->empty()) std::memcpy(buffer, a->data(), a->size());
  return TRUE;
}

BOOL AddQuerySet(HANDLE, HANDLE*, WORD, DWORD) { return TRUE; }

// Tray details are wanted, and status bits 5-7 mark chapter trays, as the model's modules answer.
int TrayEvents(SETTING_CONTEXT*, DWORD event, void* arg, void*) {
  if (event == STG_EVENT_TRAY_DETAILS) {
    static_cast<BIDI_TRAY_DETAILS_ARG*>(arg)->answer = 1;
    return 1;
  }
  if (event == STG_EVENT_TRAY_STATUS) {
    auto* a = static_cast<BIDI_TRAY_STATUS_ARG*>(arg);
    a->answer = (a->status & (a->kind ? BIDI_TRAY_CHAPTER1 << (a->kind - 1) : 0xE0u)) ? 1 : 0;
    return 1;
  }
  return 0;
}

SETTING_CONTEXT* Context() {
  static kvtest::TempRoot root;
  static SETTING_CONTEXT* ctx = [] {
    HANDLE h = kvtest::InstallModelPrinter(u"Bidi plotter");
    StgInitLibraryLocks();
    SETTING_CONTEXT* c = h ? StgCreateContextEx(h, h, nullptr, 0, STG_KIND_UI, 0, nullptr) : nullptr;
    if (!c || !c->work->modules || c->work->modules->count <= STG_MODULE_JOB_SETTINGS) std::abort();
    c->work->modules->rows[STG_MODULE_JOB_SETTINGS].event = TrayEvents;
    return c;
  }();
  return ctx;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SETTING_CONTEXT* ctx = Context();
  if (size == 0) return 0;
  g_extra = data[0];
  g_answers.clear();
  for (size_t at = 1; at + 3 <= size;) {
    size_t selector = data[at] % kSelectors;
    size_t len = data[at + 1] | (size_t(data[at + 2]) << 8);
    at += 3;
    if (len > size - at) len = size - at;
    g_answers[selector].assign(data + at, data + at + len);
    at += len;
  }
  BIDI_API api{};
  api.readItem = ReadItem;
  api.readSetItem = ReadSetItem;
  api.addQuerySet = AddQuerySet;
  // The handlers fail only when memory runs out, which it does not here.
  if (!BidiQueryAll(&api, nullptr, nullptr, ctx)) std::abort();
  if (!BidiQueryCustomPaper(&api, nullptr, ctx)) std::abort();
  return 0;
}
