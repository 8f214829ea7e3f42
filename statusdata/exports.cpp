// The sixteen exports of M8350d64. Each checks its pointers and version bytes before it touches a
// record and leaves its result in the thread's last error: 0 on success, else 87, 122 (the size then
// holds the size needed), 8, 13, 0x20000001, 0x20000002, 0x20000003 or 0x2000ffff.
//
// Export list, by the ordinal each entry is known by (ELF has no ordinals, so monitors find the entries
// by name):
//    2 PatCreateBitmapInfo          10 PatCreateEmulUniqQueryInfo
//    3 PatDisposeBitmapInfo         11 PatSetCentroDataTo
//    4 PatLoadBitmap                12 PatGetDllVersion
//    5 PatGetStatusString           13 PatGetPeripheralProfile
//    6 PatGetDeviceName             14 PatSetLocale
//    7 PatPMInfoToPrnInfoEx         15 PatGetStatusHelpFileName
//    8 PatPrnInfoExToPrnInfo        16 PatLoadDIBitmap
//    9 PatCreateQueryInfo           17 PatGetPalette
//  (ordinal 1 is not used)
#include <cstring>
#include <iterator>

#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/heap.h"
#include "kvplat/module.h"
#include "kvplat/resource.h"
#include "statusdata/bitmaps.h"
#include "statusdata/pjlreply.h"
#include "statusdata/status.h"
#include "statusdata/statusapi.h"

namespace {

bool KindIsKnown(DWORD kind) { return LOWORD(kind) == PAT_KIND_D || LOWORD(kind) == PAT_KIND_H; }
bool VersionIs(DWORD version, DWORD expected) { return (version & 0xFF) == expected; }

BOOL Fail(DWORD error) {
  SetLastError(error);
  return 0;
}
BOOL Succeed() {
  SetLastError(0);
  return 1;
}

// The text protocol: the size receives length + 1; a null buffer or a smaller capacity gives 122.
BOOL HandOutText(const CHAR* text, LPSTR buffer, DWORD* size) {
  DWORD need = DWORD(std::strlen(text)) + 1;
  DWORD capacity = *size;
  *size = need;
  if (!buffer || capacity < need) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, text, need);
  return Succeed();
}

struct LocaleRow {
  const char* code;
  WORD langId;  // sublanguage * 1024 + primary language
};
constexpr LocaleRow kLocales[] = {
    {"EN", 0x0409}, {"DE", 0x0407}, {"FR", 0x040C}, {"IT", 0x0410}, {"ES", 0x040A},
    {"NL", 0x0413}, {"SV", 0x041D}, {"DA", 0x0406}, {"NO", 0x0414}, {"CS", 0x0405},
    {"HU", 0x040E}, {"PT", 0x0416}, {"PL", 0x0415}, {"FI", 0x040B}, {"ZH_CN", 0x0804},
};
static_assert(std::size(kLocales) == 15);

// This model has no palette: the table holds only its end entry.
constexpr PAT_PALETTE_ENTRY kPalette[] = {{0, 0, 0, 0xFF}};

constexpr DWORD kProfileSize = sizeof(PERIPHERAL_PROFILE);
constexpr DWORD kHelpNameCapacity = 512;

}  // namespace

KVAPI PAT_BITMAP_INFO* PatCreateBitmapInfo(DWORD kind, INFO_NODE* status, DWORD version) {
  if (!status || !VersionIs(version, PAT_VERSION_STATUS) || !KindIsKnown(kind)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  DWORD error = 0;
  PAT_BITMAP_INFO* info = PatBuildBitmapInfo(kind, status, &error);
  SetLastError(info ? 0 : error);
  return info;
}

KVAPI BOOL PatDisposeBitmapInfo(PAT_BITMAP_INFO* info) {
  DWORD r = PatReleaseBitmapInfo(info);
  return r ? Fail(r) : Succeed();
}

KVAPI HBITMAP PatLoadBitmap(LPCSTR name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HBITMAP bitmap = LoadBitmapA(PatModuleHandle(), name);
  if (bitmap) SetLastError(0);
  return bitmap;
}

KVAPI BOOL PatGetStatusString(DWORD kind, INFO_NODE* status, DWORD version, DWORD form, LPSTR buffer,
                              DWORD* size) {
  if (!status || !size || !VersionIs(version, PAT_VERSION_STATUS) || !KindIsKnown(kind))
    return Fail(ERROR_INVALID_PARAMETER);
  PAT_MERGED_RECORD merged;
  DWORD r = PatSelectStatus(kind, status, &merged);
  if (r) return Fail(r);
  if (merged.record.size < PRN_INFO_EX_MIN_SIZE) return Fail(ERROR_INVALID_PARAMETER);
  ELEMENT_LIST* display = ElemListCreate(sizeof(STATUS_ENTRY), 4, 0);
  if (!display) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  STATUS_CONTEXT context{kind, 0, &merged.record};
  // A kind without a priority table is a missing table (0x2000ffff), not a lack of memory.
  r = PatCollectStatusCodes(&context, display);
  CHAR text[PAT_TEXT_CAPACITY] = {};
  if (r == 0) r = PatComposeStatusText(&context, display, form & 0xFF, text, sizeof text);
  ElemListFree(display);
  if (r) return Fail(r);
  return HandOutText(text, buffer, size);
}

KVAPI BOOL PatGetDeviceName(DWORD kind, const void* data, DWORD form, LPSTR buffer, DWORD* size) {
  if (!size) return Fail(ERROR_INVALID_PARAMETER);
  CHAR text[256];
  DWORD r = PatLookupDeviceName(kind, data, BYTE(form), text, sizeof text);
  if (r) return Fail(r);
  return HandOutText(text, buffer, size);
}

KVAPI BOOL PatPMInfoToPrnInfoEx(DWORD kind, const PM_INFO* pm, DWORD form, DWORD flags, PRN_INFO_EX* record) {
  if (!pm || !record) return Fail(ERROR_INVALID_PARAMETER);
  DWORD r = PatConvertPmInfo(kind, pm, BYTE(form), flags, record);
  return r ? Fail(r) : Succeed();
}

KVAPI BOOL PatPrnInfoExToPrnInfo(PRN_INFO_EX* record, PRN_INFO* destination, DWORD flags) {
  if (!record || !destination) return Fail(ERROR_INVALID_PARAMETER);
  DWORD r = PatConvertPrnInfoEx(record, destination, flags);
  return r ? Fail(r) : Succeed();
}

KVAPI INFO_NODE* PatCreateQueryInfo(PRN_INFO_EX* request, DWORD version, DWORD flags) {
  if (!request || !VersionIs(version, PAT_VERSION_QUERY)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  INFO_NODE* root = InfoNodeCreate(nullptr, INFO_ID_QUERY, nullptr, 0);
  if (!root) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  DWORD r = PatBuildQueryText(request, flags, root);
  if (r) {
    InfoNodeFreeTree(root);
    SetLastError(r);
    return nullptr;
  }
  SetLastError(0);
  return root;
}

KVAPI INFO_NODE* PatCreateEmulUniqQueryInfo(const void* any, DWORD version, DWORD emulationId, DWORD) {
  if (!any || !VersionIs(version, PAT_VERSION_QUERY)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  INFO_NODE* root = InfoNodeCreate(nullptr, INFO_ID_QUERY, nullptr, 0);
  if (!root) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  DWORD r = PatBuildEmulQuery(emulationId, root);
  SetLastError(r);
  if (r) {
    InfoNodeFreeTree(root);
    return nullptr;
  }
  return root;
}

KVAPI BOOL PatSetCentroDataTo(INFO_NODE* reply, DWORD, PRN_INFO_EX* record, DWORD version) {
  if (!reply || !record || !VersionIs(version, PAT_VERSION_QUERY) ||
      (reply->id != INFO_ID_REPLY && reply->id != INFO_ID_EMUL_REPLY) || record->size < PRN_INFO_EX_MIN_SIZE)
    return Fail(ERROR_INVALID_PARAMETER);
  DWORD r = PatParseInfoReply(g_PatModelReplyTable, reply, record);
  return r ? Fail(r) : Succeed();
}

KVAPI BOOL PatGetDllVersion(PAT_DLL_VERSION* version) {
  if (!version || version->size < sizeof(PAT_DLL_VERSION)) return Fail(ERROR_INVALID_PARAMETER);
  std::memset(reinterpret_cast<BYTE*>(version) + 4, 0, sizeof(PAT_DLL_VERSION) - 4);

  CHAR path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(PatModuleHandle(), path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 0;  // the system's last error stands
  DWORD handle = 0;
  DWORD infoSize = GetFileVersionInfoSizeA(path, &handle);
  if (infoSize == 0) return 0;
  void* block = GlobalAlloc(GPTR, infoSize);
  if (!block) return 0;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedLength = 0;
  if (!GetFileVersionInfoA(path, handle, infoSize, block) ||
      !VerQueryValueA(block, "\\", reinterpret_cast<void**>(&fixed), &fixedLength) || !fixed ||
      fixedLength < sizeof(VS_FIXEDFILEINFO)) {
    DWORD error = GetLastError();
    GlobalFree(block);
    // Without a system error the version word just stays 0.
    if (error) return Fail(error);
  } else {
    DWORD ms = fixed->dwFileVersionMS, ls = fixed->dwFileVersionLS;
    version->fileVersion = ((((HIWORD(ms) & 0xFF) << 8 | (LOWORD(ms) & 0xFF)) << 8 | (HIWORD(ls) & 0xFF)) << 8) |
                           (LOWORD(ls) & 0xFF);
    GlobalFree(block);
  }
  version->fixed1 = 0x2000100;
  version->fixed2 = 0x3060000;
  PatModelHook(PAT_HOOK_VERSION, 0, version);
  return Succeed();
}

KVAPI BOOL PatGetPeripheralProfile(DWORD kind, PERIPHERAL_PROFILE* profile, DWORD* size) {
  if (!size || !profile) return Fail(ERROR_INVALID_PARAMETER);
  DWORD capacity = *size;
  *size = kProfileSize;
  if (!KindIsKnown(kind)) return Fail(ERROR_INVALID_PARAMETER);
  if (capacity < kProfileSize) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (LOWORD(kind) == PAT_KIND_D)
    *profile = {{0x20000, 3, 3, 2, 0}};
  else
    *profile = {{0x20000, 3, 64, 0, 0}};
  PatModelHook(PAT_HOOK_PROFILE, kind, profile);
  return Succeed();
}

KVAPI BOOL PatSetLocale(LPCSTR locale) {
  if (!locale) return Fail(ERROR_INVALID_PARAMETER);
  CHAR code[10] = {};
  std::memcpy(code, locale, strnlen(locale, 9));
  CharUpperA(code);
  for (const auto& row : kLocales)
    if (std::strcmp(row.code, code) == 0) {
      PatSetCurrentLanguage(row.langId);
      return Succeed();
    }
  return Fail(PAT_ERROR_LOCALE);
}

KVAPI BOOL PatGetStatusHelpFileName(DWORD kind, PRN_INFO_EX* record, DWORD, LPSTR buffer, DWORD* size) {
  if (!size || !PatIsUsableRecord(record) || !KindIsKnown(kind)) return Fail(ERROR_INVALID_PARAMETER);
  ELEMENT_LIST* codes = ElemListCreate(sizeof(DWORD), 16, 0);
  if (!codes) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  STATUS_CONTEXT context{kind, 0, record};
  DWORD r = PatSelectTopCodes(&context, codes);
  CHAR name[kHelpNameCapacity] = {};
  if (r == 0) PatModelHook(PAT_HOOK_HELP_FILE, kind, name);
  ElemListFree(codes);
  if (r) return Fail(r);
  DWORD length = DWORD(strnlen(name, sizeof name - 1));
  DWORD capacity = *size;
  *size = length + 1;
  if (!buffer || length >= capacity) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, name, length);
  buffer[length] = 0;
  return Succeed();
}

KVAPI const BITMAPINFOHEADER* PatLoadDIBitmap(LPCSTR name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HMODULE module = PatModuleHandle();
  HRSRC found = FindResourceA(module, name, reinterpret_cast<LPCSTR>(RT_BITMAP));
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return nullptr;
  SetLastError(0);
  return static_cast<const BITMAPINFOHEADER*>(LockResource(loaded));
}

KVAPI BOOL PatGetPalette(void* palette, DWORD* size) {
  if (!size || (*size != 0 && !palette)) return Fail(ERROR_INVALID_PARAMETER);
  DWORD n = 0;
  while (kPalette[n].flags != 0xFF) ++n;
  if (n == 0) return Fail(PAT_ERROR_NO_PALETTE);
  DWORD need = 4 + 4 * n;
  if (*size < need) {
    *size = need;
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  WORD head[2] = {0x300, WORD(n)};
  std::memcpy(palette, head, sizeof head);
  std::memcpy(static_cast<BYTE*>(palette) + 4, kPalette, 4 * n);
  return Succeed();
}
