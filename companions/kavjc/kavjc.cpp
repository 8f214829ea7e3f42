// Stand-in for the maker's job-control library. Script keys ([Answers] in KAVJC64.ini):
//   GetInterfaceResult (0), GrantNoTable (0: a grant comes with the table), OpenResult (0);
//   Item<n> = the text value of item n, answered as wide text with its terminator; an item without a
//   value answers status 13 and size 0; Item<n>Status overrides the status of its reads;
//   Item<n>Flags = the item's flags (1: readable); Query<n> = the u32 that entry 7 answers for item n;
//   WithdrawResult, RecordResult (0): the answers of entries 4 and 5.
// The secure interface (version 642): SecureResult (0) refuses it; SecureOpenResult, SecureParamResult,
//   SecureTransformResult (0) fail those entries; TransformExtra (0) bytes of 'x' are added to every
//   transform's output (an answer longer than the caller's buffers). Transforms shift the printable
//   bytes (0x20-0x7e, within that range) and leave the others: kind 1 by 1, kind 4 by 3, kind 2 by
//   1 + (the sum of the bytes of both key texts of parameter 256) % 94; kind 2 without its key fails.
// Every call appends a line to KAVJC64.log; a write logs "set <item> <kind> <value>"; loading and
// unloading the library log "load" and "unload".
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

DWORD Withdraw(HANDLE, DWORD item) {
  Log("withdraw " + std::to_string(item));
  return DWORD(Int("WithdrawResult", 0));
}

DWORD SendRecord(HANDLE, DWORD code, const void* record) {
  std::string line = "record " + std::to_string(code);
  if (code == JC_RECORD_LANGUAGE && record) {
    JC_LANGUAGE_RECORD r;
    std::memcpy(&r, record, sizeof r);
    line += " " + std::to_string(r.size) + " " + std::to_string(r.language) + " " + std::to_string(r.subLanguage);
  }
  Log(line);
  return DWORD(Int("RecordResult", 0));
}

JC_INTERFACE g_table = {Open, Close, GetItem, SetItem, Withdraw, SendRecord, Mode, Query, ItemFlags};

// ---- The secure interface.

struct Transform {
  DWORD kind;
  bool keyed;
  int shift;
};

DWORD SecureOpen(DWORD kind, HANDLE* transform) {
  Log("secure open " + std::to_string(kind));
  DWORD status = DWORD(Int("SecureOpenResult", 0));
  if (status == 0 && transform) *transform = new Transform{kind, false, kind == JC_TRANSFORM_FINAL ? 1 : 3};
  return status;
}

DWORD SecureClose(HANDLE transform) {
  Log("secure close");
  delete static_cast<Transform*>(transform);
  return 0;
}

int TextSum(const char* text) {
  int sum = 0;
  for (const char* p = text; p && *p; ++p) sum += (unsigned char)*p;
  return sum;
}

DWORD SecureParam(HANDLE transform, DWORD id, const void* data, DWORD bytes) {
  auto* t = static_cast<Transform*>(transform);
  std::string line = "secure param " + std::to_string(id) + " " + std::to_string(bytes);
  DWORD status = DWORD(Int("SecureParamResult", 0));
  if (id == JC_PARAM_KEY_TEXTS && data && bytes == sizeof(JC_KEY_TEXTS) && t) {
    JC_KEY_TEXTS key;
    std::memcpy(&key, data, sizeof key);
    line += std::string(" ") + (key.userName ? key.userName : "") + " " + (key.networkKey ? key.networkKey : "");
    if (status == 0) {
      t->keyed = true;
      t->shift = 1 + (TextSum(key.userName) + TextSum(key.networkKey)) % 94;
    }
  }
  Log(line);
  return status;
}

DWORD SecureTransform(HANDLE transform, const void* input, DWORD inputBytes, void* output, DWORD outputBytes,
                      DWORD* outputLength) {
  auto* t = static_cast<Transform*>(transform);
  Log("secure transform " + std::to_string(inputBytes) + (output ? "" : " size"));
  DWORD status = DWORD(Int("SecureTransformResult", 0));
  if (status != 0) return status;
  if (!t || (t->kind == JC_TRANSFORM_KEYED && !t->keyed)) return 87;
  std::string out(static_cast<const char*>(input), inputBytes);
  for (char& c : out) {
    unsigned char b = (unsigned char)c;
    if (b >= 0x20 && b <= 0x7e) c = char(0x20 + (b - 0x20 + t->shift) % 95);
  }
  out.append(size_t(Int("TransformExtra", 0)), 'x');
  if (outputLength) *outputLength = DWORD(out.size());
  if (!output) return 0;
  if (outputBytes < out.size()) return 122;
  std::memcpy(output, out.data(), out.size());
  return 0;
}

SECURE_INTERFACE g_secure = {SecureOpen, SecureClose, SecureParam, SecureTransform};

__attribute__((constructor)) void Loaded() { Log("load"); }
__attribute__((destructor)) void Unloaded() { Log("unload"); }

}  // namespace

KVAPI DWORD JCGetInterface(WORD version, JC_INTERFACE** table) {
  Log("getInterface " + std::to_string(version));
  if (version == JC_SECURE_INTERFACE_VERSION) {
    DWORD status = DWORD(Int("SecureResult", 0));
    // The secure table travels in the same argument as the main one.
    if (table) *table = status == 0 ? reinterpret_cast<JC_INTERFACE*>(&g_secure) : nullptr;
    return status;
  }
  DWORD status = DWORD(Int("GetInterfaceResult", 0));
  if (table) *table = status == 0 && !Int("GrantNoTable", 0) ? &g_table : nullptr;
  return status;
}

KVAPI void JCDisposeInterface(JC_INTERFACE* table) {
  const char* which = table == &g_table ? ""
                      : table == reinterpret_cast<JC_INTERFACE*>(&g_secure) ? " secure"
                      : table ? " foreign"
                              : " none";
  Log(std::string("dispose") + which);
}
