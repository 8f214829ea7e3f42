// The job-control link: binding of the job-control library per context, the session, the item table
// and the events that move items between the settings and the library.
#include "devlink/job_control.h"

#include <cstring>
#include <string>

#include "config/paths.h"
#include "driverdata/img_image.h"
#include "kvplat/error.h"
#include "kvplat/module.h"
#include "kvplat/spooler.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/regions.h"
#include "settings/setting_ids.h"

static_assert(sizeof(JC_BINDING) <= sizeof(CONTEXT_WORK_AREA::jobControl), "the binding lives in the work area");

namespace {

constexpr const WCHAR* kLibrary = u"KAVJC64.DLL";
// Versions asked for, first to last; zero-terminated.
constexpr WORD kVersions[] = {JC_INTERFACE_VERSION, 0};
// Exchange buffer of the number and identification items.
constexpr DWORD kShortTextBytes = 32;

}  // namespace

// In table order; the mask bit selects the item in the masks callers pass.
const JC_ITEM_ROW JC_ITEM_TABLE[JC_ITEM_COUNT] = {
    {1, 0x1, sid::rdmUserCode, JC_KIND_TEXT},
    {2, 0x2, sid::rdmOwnerName, JC_KIND_TEXT},
    {3, 0x4, sid::rdmJOBPassword, JC_KIND_TEXT},
    {4, 0x8, sid::rdmUserID, JC_KIND_TEXT},
    {5, 0x10, sid::rdmDocumentName, JC_KIND_TEXT},
    {6, 0x20, sid::rdmTelNo, JC_KIND_TEXT},
    {7, 0x40, sid::rdmTelLine, JC_KIND_TEXT},
    {8, 0x80, sid::rdmStoredPassword, JC_KIND_TEXT},
    {256, 0x100, 0, JC_KIND_TEXT},
    {257, 0x200, sid::wdmDriverVersion, JC_KIND_TEXT},
    {258, 0x400, sid::rdmLanguageID, JC_KIND_DWORD},
    {9, 0x800, sid::wdmAuthenticationUserName, JC_KIND_TEXT},
    {10, 0x1000, sid::wdmAuthenticationPassword, JC_KIND_TEXT},
    {11, 0x2000, sid::wdmAuthenticationNetworkKey, JC_KIND_TEXT},
};

const JC_ITEM_ROW* JcFindItemRow(DWORD item) {
  for (const JC_ITEM_ROW& r : JC_ITEM_TABLE)
    if (r.item == item) return &r;
  return nullptr;
}

namespace {

const JC_ITEM_ROW (&kItems)[JC_ITEM_COUNT] = JC_ITEM_TABLE;

enum : DWORD { kItemTelLine = 7, kItemSignature = 256, kItemVersion = 257, kItemLanguage = 258 };

const JC_ITEM_ROW* FindItem(DWORD item) { return JcFindItemRow(item); }

bool IsAuthenticationItem(DWORD item) { return item >= 9 && item <= 11; }
bool IsWriteOnly(DWORD item) { return item >= kItemSignature && item <= kItemLanguage; }

// Bytes of an item's exchange buffer: one wide character per byte of the setting's ANSI text.
DWORD BufferBytes(SETTING_CONTEXT* ctx, const JC_ITEM_ROW& row) {
  if (row.item == kItemTelLine || row.item == kItemSignature || row.item == kItemVersion) return kShortTextBytes;
  if (row.kind == JC_KIND_DWORD) return sizeof(DWORD);
  ITEM_DESC* desc = StgFindItem(ctx, row.setting);
  return desc ? 2 * StgTypeLength(desc->type) : 0;
}

// Decimal value of a wide text (leading digits only).
DWORD DecimalOf(const WCHAR* text) {
  DWORD v = 0;
  for (; *text >= u'0' && *text <= u'9'; ++text) v = v * 10 + DWORD(*text - u'0');
  return v;
}

std::u16string DecimalText(DWORD v) { return kvp::FromUtf8(std::to_string(v)); }

void ResetUserCodeSource(SETTING_CONTEXT* ctx) {
  StgSetValue(ctx, sid::rdmUserCodeGet, 0);
  StgSetValue(ctx, sid::rdmUserCodeDLL, 0);
}

DWORD FailureStatus() {
  DWORD e = GetLastError();
  return e ? e : ERROR_MOD_NOT_FOUND;
}

// Asks for the interface version by version; the status of the last version asked.
DWORD AskInterface(PFN_JCGetInterface get, WORD* version, JC_INTERFACE** iface) {
  DWORD status = JC_STATUS_UNKNOWN_ITEM;
  for (const WORD* v = kVersions; *v; ++v) {
    *version = *v;
    *iface = nullptr;
    status = get(*v, iface);
    if (status == JC_STATUS_OK && !*iface) status = JC_STATUS_UNKNOWN_ITEM;  // a grant without a table
    if (status == JC_STATUS_OK) break;
  }
  return status;
}

// Reads an item's wide text into `buf` (bytes, a multiple of 2): through a larger buffer when the answer
// does not fit, of which only `bytes` are kept. The text always ends inside `buf`.
DWORD ReadText(const JC_INTERFACE* iface, HANDLE session, DWORD item, DWORD kind, WCHAR* buf, DWORD bytes,
               DWORD needed) {
  DWORD status;
  if (needed <= bytes) {
    status = iface->getItem(session, item, kind, buf, bytes, &needed);
  } else {
    auto* big = static_cast<BYTE*>(StgAllocZero(needed + 2));
    if (!big) return JC_STATUS_OK;
    status = iface->getItem(session, item, kind, big, needed, &needed);
    std::memcpy(buf, big, bytes);
    StgFree(big);
  }
  buf[bytes / 2 - 1] = 0;
  return status;
}

// The library's two exports and interface for a one-shot call, released together.
struct OneShot {
  HMODULE module = nullptr;
  PFN_JCDisposeInterface dispose = nullptr;
  JC_INTERFACE* iface = nullptr;
  HANDLE session = nullptr;

  bool Open(const WCHAR* path, const WCHAR* printerName) {
    module = LoadLibraryW(path);
    if (!module) return false;
    auto get = reinterpret_cast<PFN_JCGetInterface>(GetProcAddress(module, "JCGetInterface"));
    dispose = reinterpret_cast<PFN_JCDisposeInterface>(GetProcAddress(module, "JCDisposeInterface"));
    WORD version = 0;
    if (!get || !dispose || AskInterface(get, &version, &iface) != JC_STATUS_OK) return false;
    return iface->open(printerName, &session) == JC_STATUS_OK;
  }
  ~OneShot() {
    if (session) iface->close(session);
    if (iface && dispose) dispose(iface);
    if (module) FreeLibrary(module);
  }
};

// The item's own destination size of a one-shot read.
DWORD OneShotBytes(DWORD item) {
  switch (item) {
    case 2: case 5: return 34;
    case 6: return 130;
    case 1: case 3: case 4: case 7: case 8: return 18;
    default: return 2;
  }
}

}  // namespace

JC_BINDING* JcGetBinding(SETTING_CONTEXT* ctx) {
  return ctx && ctx->work ? reinterpret_cast<JC_BINDING*>(ctx->work->jobControl) : nullptr;
}

// ---- Library and session.

DWORD JcLoadInterface(JC_BINDING* binding, SETTING_CONTEXT* ctx) {
  if (!binding || !ctx) return ERROR_INVALID_PARAMETER;
  if (!binding->module) {
    std::memset(binding, 0, sizeof(*binding));
    WCHAR path[CFG_MAX_PATH] = {};
    const WCHAR* built = CfgMakeDriverFilePath(ctx, kLibrary);
    if (built) kvp::WCopy(path, CFG_MAX_PATH, built);
    binding->module = path[0] ? LoadLibraryW(path) : nullptr;
    if (!binding->module) return FailureStatus();
  }
  binding->getInterface = reinterpret_cast<PFN_JCGetInterface>(GetProcAddress(binding->module, "JCGetInterface"));
  binding->disposeInterface =
      reinterpret_cast<PFN_JCDisposeInterface>(GetProcAddress(binding->module, "JCDisposeInterface"));
  DWORD status;
  if (!binding->getInterface || !binding->disposeInterface) {
    status = FailureStatus();
  } else {
    // The binding keeps one interface: an earlier one goes back before the new one is taken.
    if (binding->iface) binding->disposeInterface(binding->iface);
    status = AskInterface(binding->getInterface, &binding->version, &binding->iface);
  }
  if (status != JC_STATUS_OK) JcUnloadInterface(binding, ctx);
  return status;
}

DWORD JcUnloadInterface(JC_BINDING* binding, SETTING_CONTEXT*) {
  if (!binding) return 0;
  if (binding->getInterface && binding->disposeInterface && binding->iface) binding->disposeInterface(binding->iface);
  binding->iface = nullptr;
  binding->getInterface = nullptr;
  binding->disposeInterface = nullptr;
  binding->session = nullptr;  // a session cannot outlive its library
  if (binding->module) FreeLibrary(binding->module);
  binding->module = nullptr;
  return 0;
}

DWORD JcOpenSession(SETTING_CONTEXT* ctx) {
  JC_BINDING* b = JcGetBinding(ctx);
  if (!b) return ERROR_INVALID_PARAMETER;
  if (b->session) return JC_STATUS_OK;
  if (!b->iface) return JC_STATUS_UNKNOWN_ITEM;
  const WCHAR* printer = CfgGetPrinterName(ctx);
  HANDLE session = nullptr;
  DWORD status = b->iface->open(printer ? printer : u"", &session);
  if (status == JC_STATUS_OK) b->session = session;
  return status;
}

DWORD JcCloseSession(SETTING_CONTEXT* ctx) {
  JC_BINDING* b = JcGetBinding(ctx);
  if (!b || !b->session) return JC_STATUS_OK;
  DWORD status = b->iface ? b->iface->close(b->session) : JC_STATUS_OK;
  b->session = nullptr;
  return status;
}

// ---- Items.

DWORD JcReadItem(SETTING_CONTEXT* ctx, DWORD item) {
  JC_BINDING* b = JcGetBinding(ctx);
  if (!b || !b->session || !b->iface) return JC_STATUS_OK;
  const JC_ITEM_ROW* row = FindItem(item);
  if (!row || IsWriteOnly(item) || (IsAuthenticationItem(item) && !StgIsModelFeatureOn(ctx, 0, 0)))
    return JC_STATUS_UNKNOWN_ITEM;
  DWORD flags = 0;
  DWORD status = b->iface->itemFlags(b->session, item, &flags);
  if (status != JC_STATUS_OK) return status;
  if (!(flags & 1)) return JC_STATUS_OK;
  DWORD needed = 0;
  status = b->iface->getItem(b->session, item, row->kind, nullptr, 0, &needed);
  if ((status != JC_STATUS_OK && status != JC_STATUS_UNKNOWN_ITEM) || needed == 0) return status;
  DWORD bytes = BufferBytes(ctx, *row) & ~1u;
  if (bytes < 2) return JC_STATUS_OK;
  auto* buf = static_cast<WCHAR*>(StgAllocZero(bytes + 2));
  if (!buf) return JC_STATUS_OK;
  status = ReadText(b->iface, b->session, item, row->kind, buf, bytes, needed);
  if (status == JC_STATUS_OK && buf[0]) {
    if (item == kItemTelLine)
      StgSetValue(ctx, sid::rdmTelLine, DecimalOf(buf));
    else if (ITEM_DESC* desc = StgFindItem(ctx, row->setting))
      StgSetString(ctx, desc, buf);
  }
  StgFree(buf);
  return status;
}

DWORD JcWriteItem(SETTING_CONTEXT* ctx, DWORD item, DWORD mode) {
  JC_BINDING* b = JcGetBinding(ctx);
  if (!b || !b->session || !b->iface) return JC_STATUS_OK;
  const JC_ITEM_ROW* row = FindItem(item);
  if (!row) return JC_STATUS_UNKNOWN_ITEM;
  ITEM_DESC* desc = row->setting ? StgFindItem(ctx, row->setting) : nullptr;
  if (item == kItemLanguage) {
    WORD sub = 0;
    BYTE primary = StgGetRegionLangId(BYTE(StgGetValue(ctx, sid::rdmLanguageID, nullptr)), &sub);
    DWORD langId = (DWORD(sub) << 10) | primary;
    return b->iface->setItem(b->session, item, JC_KIND_DWORD, &langId, sizeof(langId));
  }
  // The settings the job items carry are cleared first in mode 1024; the driver's own identification
  // items are not settings of the job and are left alone.
  if (mode == JC_EVENT_CLEAR_WRITE && desc && !IsWriteOnly(item)) {
    if (item == kItemTelLine)
      StgSetValue(ctx, sid::rdmTelLine, ImgGetDefaultValue(ctx, sid::rdmTelLine));
    else
      StgSetString(ctx, desc, u"");
  }
  DWORD bytes = BufferBytes(ctx, *row) & ~1u;
  if (bytes < 2) return JC_STATUS_OK;
  auto* buf = static_cast<WCHAR*>(StgAllocZero(bytes + 2));
  if (!buf) return JC_STATUS_OK;
  std::u16string text;
  if (item == kItemTelLine) {
    text = DecimalText(DWORD(StgGetValue(ctx, sid::rdmTelLine, nullptr)));
  } else if (item == kItemSignature) {
    text = u"ZARN";
  } else if (desc) {
    std::u16string value(StgTypeLength(desc->type) + 1, u'\0');
    StgGetString(ctx, desc, value.data());
    text = value.c_str();
  }
  kvp::WCopy(buf, bytes / 2, text.c_str());
  if (item == kItemVersion) {
    JC_VERSION_TEXT_ARG arg{buf, bytes / 2};
    StgBroadcastModuleEvent(ctx, STG_EVENT_VERSION_TEXT, &arg);
    buf[bytes / 2 - 1] = 0;
  }
  DWORD status = b->iface->setItem(b->session, item, JC_KIND_TEXT, buf, bytes);
  StgFree(buf);
  return status;
}

// ---- Events.

DWORD JcHandleEvent(SETTING_CONTEXT* ctx, DWORD event, DWORD mask) {
  JC_BINDING* b = JcGetBinding(ctx);
  if (!b) return ERROR_INVALID_PARAMETER;
  if (!StgIsModelFeatureOn(ctx, 0, 0)) mask &= ~JC_MASK_AUTHENTICATION;
  auto forMask = [&](auto&& fn) {
    for (const JC_ITEM_ROW& r : kItems)
      if (mask & r.mask) fn(r.item);
  };
  auto loadAndOpen = [&]() -> DWORD {
    DWORD status = JcLoadInterface(b, ctx);
    return status != JC_STATUS_OK ? status : JcOpenSession(ctx);
  };
  auto closeAndUnload = [&]() {
    JcCloseSession(ctx);
    JcUnloadInterface(b, ctx);
  };
  DWORD status = JC_STATUS_OK;
  switch (event) {
    case JC_EVENT_READ:
      forMask([&](DWORD item) { JcReadItem(ctx, item); });
      break;
    case JC_EVENT_WRITE:
    case JC_EVENT_CLEAR_WRITE:
      forMask([&](DWORD item) { JcWriteItem(ctx, item, event); });
      break;
    case JC_EVENT_OPEN:
      status = loadAndOpen();
      break;
    case JC_EVENT_OPEN_READ_ALL:
      status = loadAndOpen();
      if (status != JC_STATUS_OK) break;
      for (const JC_ITEM_ROW& r : kItems) JcReadItem(ctx, r.item);
      ResetUserCodeSource(ctx);
      break;
    case JC_EVENT_CLOSE:
    case JC_EVENT_CLOSE2:
      closeAndUnload();
      break;
    case JC_EVENT_RESET_USER_CODE:
      ResetUserCodeSource(ctx);
      break;
    case JC_EVENT_READ_ONCE:
      status = loadAndOpen();
      if (status == JC_STATUS_OK) forMask([&](DWORD item) { JcReadItem(ctx, item); });
      closeAndUnload();
      ResetUserCodeSource(ctx);
      break;
    case JC_EVENT_WRITE_ONCE:
      status = loadAndOpen();
      if (status == JC_STATUS_OK) forMask([&](DWORD item) { JcWriteItem(ctx, item, event); });
      closeAndUnload();
      break;
    default:
      break;
  }
  return status;
}

int JcReadItems(SETTING_CONTEXT* ctx, DWORD mask) {
  if (!StgIsJobInfoEnabled()) return int(StgIsJobInfoEnabled());
  return int(JcHandleEvent(ctx, JC_EVENT_READ_ONCE, mask));
}

int JcWriteItems(SETTING_CONTEXT* ctx, DWORD mask) {
  if (!StgIsJobInfoEnabled()) return int(StgIsJobInfoEnabled());
  return int(JcHandleEvent(ctx, JC_EVENT_WRITE_ONCE, mask));
}

// ---- Without a context.

void* JcGetPrinterInfo(HANDLE printer, DWORD level) { return StgGetPrinterInfo(printer, level); }

bool JcQueryPrinterValue(HANDLE printer, DWORD item, DWORD kind, WCHAR* dest, DWORD destBytes) {
  DWORD bytes = OneShotBytes(item);
  if (bytes > destBytes) bytes = destBytes;
  bytes &= ~1u;
  if (!dest || bytes < 2) return false;
  auto* info = static_cast<PRINTER_INFO_2W*>(JcGetPrinterInfo(printer, 2));
  if (!info) return false;
  std::u16string name = info->pPrinterName ? info->pPrinterName : u"";
  StgFree(info);
  WCHAR path[CFG_MAX_PATH] = {};
  CfgGetDriverDirForPrinter(printer, path);
  std::u16string library = std::u16string(path) + kLibrary;
  if (!path[0] || library.size() >= CFG_MAX_PATH) return false;
  OneShot jc;
  if (!jc.Open(library.c_str(), name.c_str())) return false;
  DWORD needed = 0;
  DWORD status = jc.iface->getItem(jc.session, item, kind, nullptr, 0, &needed);
  if (status == JC_STATUS_NO_VALUE || needed == 0) return false;
  ReadText(jc.iface, jc.session, item, kind, dest, bytes, needed);
  return true;
}

// ---- Session flags.

DWORD JcSetMode(const JC_INTERFACE* iface, HANDLE session, DWORD a, DWORD b) {
  return iface && iface->mode ? iface->mode(session, a, b) : JC_STATUS_UNKNOWN_ITEM;
}

DWORD JcQueryDword(const JC_INTERFACE* iface, HANDLE session, DWORD item, DWORD* dest) {
  if (!iface || !iface->query || !dest) return JC_STATUS_UNKNOWN_ITEM;
  DWORD needed = 0;
  return iface->query(session, item, 1, 4, dest, 4, &needed);
}

DWORD JcGetSessionFlags(const JC_INTERFACE* iface, HANDLE session) {
  JcSetMode(iface, session, 2, 0);
  DWORD flags = 0;
  DWORD status = JcQueryDword(iface, session, 9, &flags);
  JcSetMode(iface, session, 0, 2);
  return status == JC_STATUS_OK ? flags : 0;
}
