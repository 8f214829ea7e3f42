// Stand-in for the maker's job-control library. Script keys ([Answers] in KAVJC64.ini):
//   GetInterfaceResult (0), GrantNoTable (0: a grant comes with the table), OpenResult (0);
//   Item<n> = the text value of item n, answered as wide text with its terminator; an item without a
//   value answers status 13 and size 0; Item<n>Status overrides the status of its reads;
//   Item<n>Flags = the item's flags (1: readable); Query<n> = the u32 that entry 7 answers for item n.
// Every call appends a line to KAVJC64.log; a write logs "set <item> <kind> <value>".
#include <cstring>
#include <string>

#include "companion_script.h"
#include "devlink/job_control.h"
#include "kvplat/text.h"

namespace {

constexpr const char* kModule = "KAVJC64";

long Int(const std::string& key, long def) { return kvcomp::ScriptInt(kModule, key.c_str(), def); }
void Log(const std::string& line) { kvcomp::LogCall(kModule, line); }
std::string Item(DWORD item) { return "Item" + std::to_string(item); }

DWORD Open(const WCHAR* printerName, HANDLE* session) {
  Log("open " + kvp::ToUtf8(printerName ? printerName : u""));
  DWORD status = DWORD(Int("OpenResult", 0));
  if (status == 0 && session) *session = new DWORD(0x1C);
  return status;
}

DWORD Close(HANDLE session) {
  Log("close");
  delete static_cast<DWORD*>(session);
  return 0;
}

DWORD GetItem(HANDLE, DWORD item, DWORD kind, void* buffer, DWORD bytes, DWORD* needed) {
  Log("get " + std::to_string(item) + " " + std::to_string(kind) + (buffer ? "" : " size"));
  std::string value = kvcomp::ScriptString(kModule, Item(item).c_str(), "\x01");
  if (value == "\x01") {
    if (needed) *needed = 0;
    return DWORD(Int(Item(item) + "Status", JC_STATUS_NO_VALUE));
  }
  std::u16string wide = kvp::FromUtf8(value);
  DWORD size = DWORD((wide.size() + 1) * sizeof(WCHAR));
  if (needed) *needed = size;
  DWORD status = DWORD(Int(Item(item) + "Status", 0));
  if (buffer) {
    if (bytes < size) return 122;
    std::memcpy(buffer, wide.c_str(), size);
  }
  return status;
}

DWORD SetItem(HANDLE, DWORD item, DWORD kind, const void* buffer, DWORD bytes) {
  std::string value;
  if (kind == JC_KIND_DWORD && buffer && bytes >= 4) {
    DWORD v = 0;
    std::memcpy(&v, buffer, 4);
    value = std::to_string(v);
  } else if (buffer) {
    const auto* w = static_cast<const WCHAR*>(buffer);
    DWORD chars = bytes / 2, n = 0;
    while (n < chars && w[n]) ++n;
    value = kvp::ToUtf8(std::u16string_view(w, n)) + (n == chars ? " (unterminated)" : "");
  }
  Log("set " + std::to_string(item) + " " + std::to_string(kind) + " " + std::to_string(bytes) + " " + value);
  return 0;
}

DWORD Mode(HANDLE, DWORD a, DWORD b) {
  Log("mode " + std::to_string(a) + " " + std::to_string(b));
  return 0;
}

DWORD Query(HANDLE, DWORD item, DWORD, DWORD, void* buffer, DWORD bytes, DWORD* needed) {
  Log("query " + std::to_string(item));
  if (needed) *needed = 4;
  long v = Int("Query" + std::to_string(item), -1);
  if (v < 0) return JC_STATUS_UNKNOWN_ITEM;
  if (!buffer || bytes < 4) return 122;
  DWORD d = DWORD(v);
  std::memcpy(buffer, &d, 4);
  return 0;
}

DWORD ItemFlags(HANDLE, DWORD item, DWORD* flags) {
  Log("flags " + std::to_string(item));
  if (flags) *flags = DWORD(Int(Item(item) + "Flags", 1));
  return 0;
}

JC_INTERFACE g_table = {Open, Close, GetItem, SetItem, nullptr, nullptr, Mode, Query, ItemFlags};

}  // namespace

KVAPI DWORD JCGetInterface(WORD version, JC_INTERFACE** table) {
  Log("getInterface " + std::to_string(version));
  DWORD status = DWORD(Int("GetInterfaceResult", 0));
  if (table) *table = status == 0 && !Int("GrantNoTable", 0) ? &g_table : nullptr;
  return status;
}

KVAPI void JCDisposeInterface(JC_INTERFACE* table) { Log(std::string("dispose") + (table == &g_table ? "" : " foreign")); }
