// The graphics library's client of the job-control library. Everything it binds is released before it
// returns; what the library answers is outside input: lengths are bounded by the buffers offered,
// statuses other than success change nothing.
#include "gr_jobctl.h"

#include <cstring>
#include <string>
#include <vector>

#include "config/paths.h"
#include "config/resource_strings.h"
#include "kvplat/module.h"
#include "kvplat/spooler.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"

namespace {

constexpr const WCHAR* kLibrary = u"KAVJC64.DLL";
constexpr WORD kVersions[] = {JC_INTERFACE_VERSION, 0};
constexpr DWORD kAllItems = 14495;
constexpr DWORD kNameChars = 256;
// A size the library reports beyond this is not believed.
constexpr DWORD kMaxReply = 64 * 1024;
constexpr DWORD kBufferTooSmall = 122;  // the platform's ERROR_INSUFFICIENT_BUFFER
constexpr DWORD kNotReadable = DWORD(-1);
constexpr DWORD kKeyTextBytes = 258;

// The bytes offered for an item's wide text.
DWORD ReplySize(DWORD item) {
  switch (item) {
    case 2: case 5: return 34;
    case 6: return 130;
    case 9: return 258;
    case 10: return 386;
    case 11: return 66;
    default: return 18;
  }
}

// An ANSI text into a text setting, terminated inside the setting.
void StoreText(SETTING_CONTEXT* ctx, WORD id, const char* text) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  if (!row) return;
  DWORD length = StgTypeLength(row->type);
  if (length == 0) return;
  std::vector<char> value(length, 0);
  std::strncpy(value.data(), text, length - 1);
  StgWriteValue(ctx, row, uint64_t(uintptr_t(value.data())));
}

// The job's owner, or the current user for a job without a known owner; false without either.
bool OwnerKnown(HANDLE printer, DWORD jobId) {
  DWORD needed = 0;
  GetJobW(printer, jobId, 1, nullptr, 0, &needed);
  if (needed >= sizeof(JOB_INFO_1W) && needed <= kMaxReply) {
    std::vector<BYTE> buf(needed);
    if (GetJobW(printer, jobId, 1, buf.data(), needed, &needed)) {
      const auto* job = reinterpret_cast<const JOB_INFO_1W*>(buf.data());
      if (job->pUserName && job->pUserName[0] && kvp::WView(job->pUserName) != u"UNKNOWN") return true;
    }
  }
  WCHAR user[kNameChars + 1] = {};
  DWORD chars = kNameChars;
  return GetUserNameW(user, &chars) && user[0];
}

struct Library {
  HMODULE module = nullptr;
  PFN_JCGetInterface getInterface = nullptr;
  PFN_JCDisposeInterface dispose = nullptr;
  ~Library() {
    if (module) FreeLibrary(module);
  }
};

}  // namespace

void GrJcImportJobItemsIfOn(SETTING_CONTEXT* ctx, HANDLE printer, DWORD jobId) {
  if (StgIsJobInfoEnabled()) GrJcImportJobItems(ctx, printer, jobId, kAllItems);
}

DWORD GrJcReadItemRaw(WORD, const JC_INTERFACE* iface, HANDLE handle, DWORD item, DWORD kind, void* buffer,
                      DWORD size, DWORD* needed) {
  if (!iface || !iface->getItem) return kNotReadable;
  return iface->getItem(handle, item, kind, buffer, size, needed);
}

bool GrJcReadItemText(WORD version, const JC_INTERFACE* iface, HANDLE handle, DWORD item, DWORD kind, DWORD size,
                      const WCHAR*, char* out, DWORD* length) {
  if (!out || size < 2) return false;
  DWORD needed = 0;
  DWORD status = GrJcReadItemRaw(version, iface, handle, item, kind, nullptr, 0, &needed);
  if (status == JC_STATUS_NO_VALUE || needed == 0) return false;
  if ((status != JC_STATUS_OK && status != kBufferTooSmall) || needed > kMaxReply) return false;
  // A longer answer is read whole and cut at the reply size.
  DWORD bytes = needed > size ? needed : size;
  std::vector<WCHAR> reply(bytes / 2 + 1, 0);
  DWORD got = 0;
  if (GrJcReadItemRaw(version, iface, handle, item, kind, reply.data(), bytes, &got) != JC_STATUS_OK) return false;
  reply[size / 2 - 1] = 0;
  CfgWideToAnsi(out, reply.data(), int(size / 2));
  if (length) *length = needed;
  return true;
}

DWORD GrJcReadItemWide(const JC_INTERFACE* iface, DWORD item, DWORD size, WCHAR* out, HANDLE handle) {
  if (!iface || !iface->itemFlags || !iface->getItem || !out || size < 2) return kNotReadable;
  DWORD flags = 0;
  DWORD status = iface->itemFlags(handle, item, &flags);
  if (status != JC_STATUS_OK) return status;
  if (!(flags & 1)) return kNotReadable;
  DWORD needed = 0;
  status = iface->getItem(handle, item, JC_KIND_TEXT, nullptr, 0, &needed);
  if ((status != JC_STATUS_OK && status != JC_STATUS_UNKNOWN_ITEM) || needed == 0 || needed > kMaxReply)
    return kNotReadable;
  DWORD bytes = needed > size ? needed : size;
  std::vector<WCHAR> reply(bytes / 2 + 1, 0);
  DWORD got = 0;
  status = iface->getItem(handle, item, JC_KIND_TEXT, reply.data(), bytes, &got);
  if (status != JC_STATUS_OK) return status;
  reply[size / 2 - 1] = 0;
  kvp::WCopy(out, size / 2, reply.data());
  return JC_STATUS_OK;
}

bool GrIsSecureAuthMode(HANDLE printer) {
  DWORD type = 0, value = 0, needed = 0;
  if (GetPrinterDataW(printer, const_cast<LPWSTR>(u"AuthenticationSecureMode"), &type, reinterpret_cast<BYTE*>(&value),
                      sizeof value, &needed) != 0)
    return false;
  return value & 1;
}

DWORD GrJcPrepareTransform(DWORD kind, const SECURE_INTERFACE* secure, const JC_INTERFACE* iface, HANDLE transform,
                           HANDLE handle) {
  if (kind != JC_TRANSFORM_KEYED) return JC_STATUS_OK;
  WCHAR user[kKeyTextBytes / 2] = {}, key[kKeyTextBytes / 2] = {};
  DWORD status = GrJcReadItemWide(iface, 9, kKeyTextBytes, user, handle);
  if (status == JC_STATUS_OK) status = GrJcReadItemWide(iface, 11, kKeyTextBytes, key, handle);
  if (status != JC_STATUS_OK) return status;
  char userA[kKeyTextBytes] = {}, keyA[kKeyTextBytes] = {};
  CfgWideToAnsi(userA, user, int(sizeof userA));
  CfgWideToAnsi(keyA, key, int(sizeof keyA));
  JC_KEY_TEXTS texts{userA, keyA};
  return secure->setParam(transform, JC_PARAM_KEY_TEXTS, &texts, sizeof texts);
}

int GrJcTransformText(const char* input, DWORD length, char* output, const SECURE_INTERFACE* secure,
                      HANDLE transform) {
  if (!secure || !secure->transform || !output) return -1;
  DWORD needed = 0;
  if (secure->transform(transform, input, length, nullptr, 0, &needed) != JC_STATUS_OK) return -1;
  if (needed == 0) {
    output[0] = 0;
    return 0;
  }
  // The output and its terminator must fit the caller's buffer: a longer answer fails the read.
  if (needed >= GR_JC_TRANSFORM_BYTES) return -1;
  std::vector<char> result(needed + 1, 0);
  DWORD produced = 0;
  if (secure->transform(transform, input, length, result.data(), needed, &produced) != JC_STATUS_OK) return -1;
  if (produced > needed) return -1;
  std::memcpy(output, result.data(), produced);
  output[produced] = 0;
  return int(produced);
}

DWORD GrJcReadSecurePassword(HANDLE printer, char* out, const SECURE_INTERFACE* secure, const JC_INTERFACE* iface,
                             HANDLE handle) {
  if (!out || !secure || !secure->open || !secure->close) return kNotReadable;
  std::vector<char> first(GR_JC_TRANSFORM_BYTES, 0), second(GR_JC_TRANSFORM_BYTES, 0);
  const DWORD kind = GrIsSecureAuthMode(printer) ? JC_TRANSFORM_KEYED : JC_TRANSFORM_PLAIN;
  HANDLE transform = nullptr;
  DWORD status = secure->open(kind, &transform);
  if (status != JC_STATUS_OK) return status;
  status = GrJcPrepareTransform(kind, secure, iface, transform, handle);
  WCHAR password[GR_JC_TRANSFORM_BYTES / 2] = {};
  if (status == JC_STATUS_OK) status = GrJcReadItemWide(iface, 10, GR_JC_TRANSFORM_BYTES, password, handle);
  if (status != JC_STATUS_OK) {
    secure->close(transform);
    return status;
  }
  CfgWideToAnsi(second.data(), password, int(GR_JC_TRANSFORM_BYTES));
  int produced = GrJcTransformText(second.data(), DWORD(std::strlen(second.data())), first.data(), secure, transform);
  secure->close(transform);
  if (produced <= 0) return JC_STATUS_OK;
  transform = nullptr;
  if (secure->open(JC_TRANSFORM_FINAL, &transform) != JC_STATUS_OK) return JC_STATUS_OK;
  int final = GrJcTransformText(first.data(), DWORD(produced), second.data(), secure, transform);
  secure->close(transform);
  if (final > 0 && DWORD(final) < GR_JC_PASSWORD_BYTES) {
    std::memcpy(out, second.data(), size_t(final));
    out[final] = 0;
  }
  return JC_STATUS_OK;
}

int GrJcImportJobItems(SETTING_CONTEXT* ctx, HANDLE printer, DWORD jobId, DWORD mask) {
  if (!ctx || !ctx->store) return 0;
  auto* info = static_cast<PRINTER_INFO_2W*>(JcGetPrinterInfo(printer, 2));
  if (!info) return 0;
  int result = 0;
  {
    Library lib;
    WCHAR path[CFG_MAX_PATH] = {};
    CfgGetDriverDirForPrinter(printer, path);
    size_t dir = kvp::WLen(path);
    if (dir && dir + kvp::WLen(kLibrary) < CFG_MAX_PATH) {
      kvp::WCopy(path + dir, CFG_MAX_PATH - dir, kLibrary);
      lib.module = LoadLibraryW(path);
    }
    if (lib.module) {
      lib.getInterface = reinterpret_cast<PFN_JCGetInterface>(GetProcAddress(lib.module, "JCGetInterface"));
      lib.dispose = reinterpret_cast<PFN_JCDisposeInterface>(GetProcAddress(lib.module, "JCDisposeInterface"));
    }
    if (lib.getInterface && lib.dispose) {
      const bool authentication = StgIsModelFeatureOn(ctx, 0, 0) != 0;
      JC_INTERFACE* iface = nullptr;
      WORD version = 0;
      for (const WORD* v = kVersions; *v && !iface; ++v) {
        JC_INTERFACE* granted = nullptr;
        if (lib.getInterface(*v, &granted) == JC_STATUS_OK && granted) {
          iface = granted;
          version = *v;
        }
      }
      SECURE_INTERFACE* secure = nullptr;
      bool go = iface != nullptr;
      if (go && authentication && version > 516) {
        JC_INTERFACE* table = nullptr;
        go = lib.getInterface(JC_SECURE_INTERFACE_VERSION, &table) == JC_STATUS_OK && table;
        secure = go ? reinterpret_cast<SECURE_INTERFACE*>(table) : nullptr;
      }
      if (go && version >= JC_INTERFACE_VERSION) go = OwnerKnown(printer, jobId);
      HANDLE handle = nullptr;
      if (go && iface->open && iface->close &&
          iface->open(info->pPrinterName ? info->pPrinterName : u"", &handle) == JC_STATUS_OK) {
        if (!authentication) mask &= ~JC_MASK_AUTHENTICATION;
        for (const JC_ITEM_ROW& row : JC_ITEM_TABLE) {
          if (!(mask & row.mask) || (row.item >= 256 && row.item <= 258)) continue;
          const DWORD size = ReplySize(row.item);
          std::vector<char> text(size / 2 + 1, 0);
          DWORD length = 0;
          if (!GrJcReadItemText(version, iface, handle, row.item, JC_KIND_TEXT, size, nullptr, text.data(), &length))
            continue;
          if (row.item == 7) {
            StgSetValue(ctx, sid::rdmTelLine, uint64_t(std::strtoul(text.data(), nullptr, 10)));
          } else if (row.item == 10) {
            char password[GR_JC_PASSWORD_BYTES] = {};
            if (secure) GrJcReadSecurePassword(printer, password, secure, iface, handle);
            StoreText(ctx, row.setting, password);
          } else {
            StoreText(ctx, row.setting, text.data());
          }
        }
        result = 1;
        iface->close(handle);
      }
      if (iface) lib.dispose(iface);
      if (authentication) lib.dispose(reinterpret_cast<JC_INTERFACE*>(secure));
    }
  }
  StgFree(info);
  return result;
}
