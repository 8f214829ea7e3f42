// The exclusion handle and the Exc exports: taking and freeing a handle, installing a command base,
// updating one command at a time, the change list, value lists, printer options and values, the stored
// watermarks as SET text, the driver INI's path and the printer's default DEVMODE in ANSI form.
#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <string>

#include "api_devmode.h"
#include "api_frame.h"
#include "config/driver_lists.h"
#include "config/ini.h"
#include "config/paths.h"
#include "devlink/bidi_query.h"
#include "devlink/job_control.h"
#include "exc_cmdbase.h"
#include "kvplat/codepage.h"
#include "kvplat/spooler.h"
#include "kvplat/sysinfo.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/platform_queries.h"
#include "settings/setting_ids.h"

namespace {

// The handles this library issued and has not freed: a caller's pointer is used only when it is one.
std::mutex g_handlesLock;
std::set<EXC_HANDLE> g_handles;

bool Register(EXC_HANDLE h) {
  std::lock_guard<std::mutex> lock(g_handlesLock);
  try {
    g_handles.insert(h);
  } catch (...) {
    return false;
  }
  return true;
}
bool Unregister(EXC_HANDLE h) {
  std::lock_guard<std::mutex> lock(g_handlesLock);
  return g_handles.erase(h) == 1;
}

// The job-control item of the user code, and the characters of rdmUserCode.
constexpr DWORD kJobItemUserCode = 1;
constexpr int kUserCodeChars = 8;
// The wide public DEVMODE holds two 32-character names; the ANSI one 32 bytes each.
constexpr DWORD kAnsiShrink = 64;
constexpr DWORD kWideFormName = 102, kWideAfterFormName = 166, kAnsiFormName = 70, kAnsiAfterFormName = 102;
constexpr DWORD kNameBytes = 32;

// The common buffer protocol: needed := bytes; a size below it (negative sizes included) or no buffer
// answers 1 with nothing written; else the bytes are copied and 0.
int Deliver(const char* data, DWORD bytes, int32_t size, char* buffer, int32_t* needed) {
  if (needed) *needed = int32_t(bytes);
  if (!bytes) return 0;
  if (size < 0 || DWORD(size) < bytes || !buffer) return 1;
  std::memcpy(buffer, data, bytes);
  return 0;
}

// Releases a context at once, with nothing of it left in the cache.
void ReleaseContext(SETTING_CONTEXT*& ctx) {
  if (!ctx) return;
  StgFreeContext(ctx);
  StgPurgeContextCache(1);
  ctx = nullptr;
}

void SetPrinterName(SETTING_CONTEXT* ctx, const WCHAR* wide) {
  if (!ctx || !ctx->work) return;
  size_t n = std::char_traits<char16_t>::length(wide);
  std::char_traits<char16_t>::copy(ctx->work->printerName, wide, n + 1);
}

// Frees what a handle owns (the handle must already be out of the registry).
void DestroyHandle(EXC_HANDLE h) {
  CmdResetHandle(h, 0);
  StgFree(h->setFlags);
  h->setFlags = nullptr;
  StgFree(h->values);
  h->values = nullptr;
  ReleaseContext(h->ctx);
  if (h->printer) ClosePrinter(h->printer);
  h->printer = nullptr;
  delete h;
}

// Writes a wide text into an ANSI field of `field` bytes in the code page, whole characters only, at
// most field - 1 bytes, the rest zero: a double-byte character is never split.
void WriteAnsiField(char* field, DWORD fieldBytes, const WCHAR* wide, DWORD maxChars, UINT codePage) {
  std::memset(field, 0, fieldBytes);
  DWORD used = 0;
  for (DWORD i = 0; i < maxChars && wide[i]; ++i) {
    char bytes[8];
    int n = WideCharToMultiByte(codePage, 0, &wide[i], 1, bytes, sizeof bytes, nullptr, nullptr);
    if (n <= 0 || used + DWORD(n) > fieldBytes - 1) break;
    std::memcpy(field + used, bytes, size_t(n));
    used += DWORD(n);
  }
}

// Whether the driver INI holds stamp n: its section names the stamp's kind. A count beyond the stored
// stamps must not list the last one loaded again and again.
bool IsStampStored(SETTING_CONTEXT* ctx, int n) {
  WCHAR section[CFG_LIST_NAME_CHARS], kind[16] = {};
  CfgFormatStampSection(section, n, 0, ctx);
  CfgIniGetString(section, u"rdmWmKind", u"", kind, 16, CfgGetIniPath(ctx));
  return kind[0] != 0;
}

}  // namespace

bool ExcIsLiveHandle(EXC_HANDLE h) {
  if (!h) return false;
  std::lock_guard<std::mutex> lock(g_handlesLock);
  return g_handles.count(h) == 1;
}

int CmdOpenContext(EXC_HANDLE h, int mayQuery) {
  ReleaseContext(h->ctx);
  SETTING_CONTEXT* ctx = StgCreateContext(h->printer, h->printer, nullptr, STG_KIND_EXC);
  if (!ctx) return -1;
  h->ctx = ctx;
  SetPrinterName(ctx, h->printerName);
  BidiEnsureQueried(ctx, mayQuery != 0);
  WCHAR code[kUserCodeChars + 2] = {};
  if (JcQueryPrinterValue(h->printer, kJobItemUserCode, 1, code, sizeof code)) {
    ITEM_DESC* item = StgFindItem(ctx, sid::rdmUserCode);
    DWORD room = item ? StgTypeLength(item->type) : 0;
    if (item && room) {
      std::string ansi(room, '\0');
      WriteAnsiField(ansi.data(), room < kUserCodeChars + 1 ? room : kUserCodeChars + 1, code, kUserCodeChars,
                     CP_ACP);
      StgWriteValue(ctx, item, uint64_t(uintptr_t(ansi.data())));
    }
  }
  return 0;
}

int CmdResetHandle(EXC_HANDLE h, int reopen) {
  if (h->setFlags) std::memset(h->setFlags, 0, EXC_POSITIONS);
  if (h->values) std::memset(h->values, 0, EXC_POSITIONS * sizeof(int32_t));
  CmdClearChanges(h);
  CmdFreeBase(h);
  return reopen ? CmdOpenContext(h, 0) : 0;
}

int CmdListWatermarks(PJL_TEXT_BUF* buf, SETTING_CONTEXT* ctx, int kind) {
  const WATERMARK_ITEM_TABLE* t = StgGetWatermarkItemTable();
  bool wrote = false;
  uint64_t skip = 0;
  for (uint64_t i = 0; t && i < t->count; ++i) {
    const WATERMARK_ITEM_ROW& row = t->rows[i];
    if (skip) {
      --skip;
      continue;
    }
    if (row.filter != DWORD(kind) && !(row.filter & 0xF0)) continue;
    if (row.valueKind == PJL_KIND_FIXED_LINE) {
      const char* name = StgGetWatermarkItemName(int(row.setting));
      const char* value = StgGetWatermarkItemName(int(row.setting) + 1);
      if (!name || !value) continue;
      if (CmdWriteSetLine(buf, name, value) != 0) return -1;
      wrote = true;
      continue;
    }
    IMG_REF feature = CmdFindImageNode(ctx, row.setting, 0);
    const char* before = CmdImageCommandText(feature, 0);
    const char* after = CmdImageCommandText(feature, 1);
    if (!before || !after) continue;
    // The value brings its own quotes: the texts around it lose theirs.
    std::string head = before, tail = after;
    if (!head.empty() && head.back() == '"') head.pop_back();
    if (!tail.empty() && tail.front() == '"') tail.erase(0, 1);
    DWORD mark = buf->length;
    DWORD value = row.setting <= 0xFFFF ? StgGetOptionValue(ctx, WORD(row.setting), nullptr) : 0;
    if (CmdBufAppend(buf, head.c_str()) != 0) return -1;
    int r = CmdAppendImageValue(buf, ctx, feature, row.setting, value, row.valueKind);
    if (r < 0) return -1;
    if (r == 0) {
      CmdBufTruncate(buf, mark);
      continue;
    }
    if (CmdBufAppend(buf, tail.c_str()) != 0) return -1;
    wrote = true;
    if (row.skip && value == 0) skip = row.skip;
  }
  if (wrote && CmdBufAppendChar(buf, 0) != 0) return -1;
  return 0;
}

extern "C" {

KVEXC_API int32_t ExcGetIniFileName(const char* printerName, int32_t size, char* buffer, int32_t* needed) {
  WCHAR wide[261];
  HANDLE printer = nullptr;
  if (!ApiNameToWide(printerName, wide, 261) || !OpenPrinterW(wide, &printer, nullptr) || !printer) return -1;
  int perUser = StgIsTerminalServerCached(printer) != 0;
  WCHAR path[261] = {};
  BOOL ok = CfgGetIniPathForPrinter(path, 260, perUser, printer);
  ClosePrinter(printer);
  if (!ok) return -1;
  char ansi[261] = {};
  if (path[0]) {
    int n = WideCharToMultiByte(CP_ACP, 0, path, -1, ansi, 261, nullptr, nullptr);
    if (n <= 0) return -1;
  }
  DWORD length = DWORD(std::strlen(ansi));
  return Deliver(ansi, length ? length + 1 : 0, size, buffer, needed);
}

KVEXC_API int32_t ExcGetDriverDevmode(const char* printerName, int32_t flags, int32_t size, void* devmode,
                                      int32_t* needed) {
  const DWORD wideSize = StgGetDevmodeSize(), ansiSize = wideSize - kAnsiShrink;
  if (needed) *needed = int32_t(ansiSize);
  if (!devmode || size < 0 || DWORD(size) < ansiSize) return 1;
  if (flags != API_DEVMODE_DEFAULTS) return -1;
  WCHAR wide[261];
  HANDLE printer = nullptr;
  if (!ApiNameToWide(printerName, wide, 261) || !OpenPrinterW(wide, &printer, nullptr) || !printer) return -1;
  BYTE* block = static_cast<BYTE*>(StgAllocZero(wideSize));
  SETTING_CONTEXT* ctx = block ? StgCreateContext(printer, printer, nullptr, STG_KIND_EXC) : nullptr;
  int result = -1;
  if (ctx) {
    SetPrinterName(ctx, wide);
    // The DEVMODE worker runs directly on this context: it has no connection, so no last error is kept.
    if (ApiBuildDevmode(ctx, API_DEVMODE_DEFAULTS, block) == int(wideSize)) {
      BYTE* out = static_cast<BYTE*>(devmode);
      auto* w = reinterpret_cast<const API_DEVMODEW*>(block);
      uint16_t ansiDmSize = uint16_t(w->dmSize - kAnsiShrink);
      std::memcpy(out + offsetof(API_DEVMODEA, dmSpecVersion), block + offsetof(API_DEVMODEW, dmSpecVersion),
                  kWideFormName - offsetof(API_DEVMODEW, dmSpecVersion));
      std::memcpy(out + offsetof(API_DEVMODEA, dmSize), &ansiDmSize, sizeof ansiDmSize);
      std::memcpy(out + kAnsiAfterFormName, block + kWideAfterFormName, wideSize - kWideAfterFormName);
      WCHAR form[kNameBytes + 1] = {}, device[261] = {};
      std::memcpy(form, block + kWideFormName, kNameBytes * sizeof(WCHAR));
      WriteAnsiField(reinterpret_cast<char*>(out + kAnsiFormName), kNameBytes, form, kNameBytes, GetACP());
      std::char_traits<char16_t>::copy(device, wide, std::char_traits<char16_t>::length(wide) + 1);
      WriteAnsiField(reinterpret_cast<char*>(out), kNameBytes, device, 260, CP_ACP);
      result = 0;
    }
  }
  ReleaseContext(ctx);
  StgFree(block);
  ClosePrinter(printer);
  return result;
}

KVEXC_API EXC_HANDLE ExcGetExclusive(const char* printerName) {
  WCHAR wide[261];
  if (!ApiNameToWide(printerName, wide, 261)) return nullptr;
  EXC_HANDLE h = new (std::nothrow) EXC_HANDLE_TAG{};
  if (!h) return nullptr;
  std::char_traits<char16_t>::copy(h->printerName, wide, std::char_traits<char16_t>::length(wide) + 1);
  h->positions = EXC_POSITIONS;
  bool ok = OpenPrinterW(wide, &h->printer, nullptr) && h->printer && CmdOpenContext(h, 1) == 0;
  if (ok) {
    h->setFlags = static_cast<BYTE*>(StgAllocZero(EXC_POSITIONS));
    h->values = static_cast<int32_t*>(StgAllocZero(EXC_POSITIONS * sizeof(int32_t)));
    ok = h->setFlags && h->values;
  }
  if (!ok || !Register(h)) {
    DestroyHandle(h);
    return nullptr;
  }
  return h;
}

KVEXC_API void ExcFreeExclusive(EXC_HANDLE h) {
  if (h && Unregister(h)) DestroyHandle(h);
}

KVEXC_API int32_t ExcGetPrinterOption(EXC_HANDLE h, const char* name, int32_t size, char* buffer,
                                      int32_t* needed) {
  if (!ExcIsLiveHandle(h)) return -1;
  if (needed) *needed = 0;
  const PJL_COMMAND_ROW* row = CmdFindRow(h, name, PJL_USE_OPTION);
  const PJL_VALUE_TABLE* t = CmdValueTable(row);
  if (!t || !t->count) return 0;
  PjlText list;
  if (!list.ok()) return -1;
  for (uint64_t i = 0; i < t->count; ++i) {
    const PJL_VALUE_ROW& v = t->rows[i];
    if (!v.text || !CmdIsValueAdmissible(h->ctx, row, &v)) continue;
    if (CmdBufAppend(list.get(), v.text) != 0 || CmdBufAppendChar(list.get(), 0) != 0) return -1;
  }
  if (!list.length()) return 0;
  if (CmdBufAppendChar(list.get(), 0) != 0) return -1;
  return Deliver(list.text(), list.length(), size, buffer, needed);
}

KVEXC_API int32_t ExcGetPrinterValue(EXC_HANDLE h, const char* name, int32_t size, char* buffer,
                                     int32_t* needed) {
  if (!ExcIsLiveHandle(h)) return -1;
  if (needed) *needed = 0;
  const PJL_COMMAND_ROW* row = CmdFindRow(h, name, PJL_USE_VALUE);
  if (!row) return 0;
  return CmdGetPrinterValue(h->ctx, row, size, buffer, needed);
}

KVEXC_API int32_t ExcGetWaterMarkList(EXC_HANDLE h, int32_t kind, int32_t size, char* buffer, int32_t* needed) {
  if (!ExcIsLiveHandle(h) || !h->ctx || !h->ctx->store) return -1;
  PjlText list;
  const DWORD storeSize = StgGetStoreSize();
  BYTE* saved = static_cast<BYTE*>(StgAllocZero(storeSize));
  if (!list.ok() || !saved) {
    StgFree(saved);
    return -1;
  }
  // Loading stamps writes the settings: the whole store goes back afterwards, so listing changes nothing.
  std::memcpy(saved, h->ctx->store, storeSize);
  int count = CfgGetStampCount(h->ctx);
  if (count > EXC_MAX_STAMPS) count = EXC_MAX_STAMPS;
  int rc = 0;
  for (int n = 0; n < count && rc == 0; ++n) {
    if (!IsStampStored(h->ctx, n)) continue;
    CfgLoadStamp(h->ctx, n);
    DWORD stampKind = DWORD(StgGetValue(h->ctx, sid::rdmWmKind, nullptr));
    if ((stampKind == 1 && kind == 0) || (stampKind == 2 && kind != 0)) rc = CmdListWatermarks(list.get(), h->ctx, kind);
  }
  std::memcpy(h->ctx->store, saved, storeSize);
  StgFree(saved);
  if (rc != 0) return -1;
  if (!list.length()) {
    if (needed) *needed = 0;
    return 0;
  }
  if (CmdBufAppendChar(list.get(), 0) != 0) return -1;
  return Deliver(list.text(), list.length(), size, buffer, needed);
}

KVEXC_API int32_t ExcSetCommandBase(EXC_HANDLE h, const char* text, int32_t* changeSize) {
  if (!ExcIsLiveHandle(h)) return -1;
  if (changeSize) *changeSize = 0;
  if (CmdResetHandle(h, 1) != 0) return -1;
  if (!text) return -2;
  char name[PJL_TOKEN_BYTES], value[PJL_TOKEN_BYTES];
  for (const char* p = text;;) {
    int n = CmdParseSetLine(p, name, value);
    if (n < 0) {
      // Nothing of a text that does not parse stays applied.
      CmdResetHandle(h, 1);
      return -1;
    }
    if (n == 0) break;
    if (const PJL_COMMAND_ROW* row = CmdFindRow(h, name, PJL_USE_COMMAND | PJL_USE_OPTION))
      CmdApplyValue(h, row, name, value, 0);
    p += n;
  }
  if (CmdCheckRequired(h) != 0 || !*text) {
    CmdResetHandle(h, 1);
    return -2;
  }
  size_t length = std::strlen(text);
  h->baseText = static_cast<char*>(StgAllocZero(DWORD(length + 1)));
  if (!h->baseText || length >= 0x7FFFFFFF) {
    CmdResetHandle(h, 1);
    return -1;
  }
  std::memcpy(h->baseText, text, length);
  h->baseLength = DWORD(length + 1);
  int result = CmdBuildBase(h, nullptr);
  if (changeSize) *changeSize = int32_t(h->changeLength);
  return result;
}

KVEXC_API int32_t ExcGetCommandBase(EXC_HANDLE h, int32_t size, char* buffer, int32_t* needed) {
  if (!ExcIsLiveHandle(h)) return -1;
  return Deliver(h->baseText, h->baseText ? h->baseLength : 0, size, buffer, needed);
}

KVEXC_API int32_t ExcUpdateCommand(EXC_HANDLE h, const char* line, int32_t* changeSize) {
  if (!ExcIsLiveHandle(h)) return -1;
  if (changeSize) *changeSize = 0;
  if (!line) return 0;
  CmdClearChanges(h);
  char name[PJL_TOKEN_BYTES], value[PJL_TOKEN_BYTES];
  int n = CmdParseSetLine(line, name, value);
  if (n < 0) return -1;
  if (n == 0) return 0;
  const PJL_COMMAND_ROW* row = CmdFindRow(h, name, PJL_USE_COMMAND);
  if (!row || !CmdIsAvailable(h, row)) return 0;
  CmdApplyValue(h, row, name, value, 1);
  // Only the first line counts, also as the caller's asked value.
  std::string first(line, size_t(n));
  int result = CmdBuildBase(h, first.c_str());
  if (changeSize) *changeSize = int32_t(h->changeLength);
  return result;
}

KVEXC_API int32_t ExcGetCommandChange(EXC_HANDLE h, int32_t size, char* buffer, int32_t* needed) {
  if (!ExcIsLiveHandle(h)) return -1;
  int r = Deliver(h->changeText, h->changeText ? h->changeLength : 0, size, buffer, needed);
  if (r == 0) CmdClearChanges(h);
  return r;
}

KVEXC_API int32_t ExcGetCommandValue(EXC_HANDLE h, const char* name, int32_t onlyAvailable, int32_t size,
                                     char* buffer, int32_t* needed) {
  if (!ExcIsLiveHandle(h)) return -1;
  if (needed) *needed = 0;
  const PJL_COMMAND_ROW* row = CmdFindRow(h, name, PJL_USE_COMMAND);
  if (!row || (onlyAvailable && !CmdIsAvailable(h, row))) return 0;
  PjlText list;
  if (!list.ok()) return -1;
  int rc = 0;
  if (row->valueKind == PJL_KIND_LIST)
    rc = CmdListValues(h, row, onlyAvailable, list.get());
  else if (row->valueKind == PJL_KIND_NUMBER)
    rc = CmdListNumberRange(h, row, onlyAvailable, list.get());
  if (rc != 0) return -1;
  return Deliver(list.text(), list.length(), size, buffer, needed);
}

}  // extern "C"
