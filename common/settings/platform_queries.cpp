// Platform queries of the settings model.
#include "settings/platform_queries.h"

#include <atomic>

#include "config/paths.h"
#include "kvplat/error.h"
#include "kvplat/handle.h"
#include "kvplat/heap.h"
#include "kvplat/module.h"
#include "kvplat/spooler.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"
#include "kvplat/security.h"
// kvplat/file.h defines these access masks once more with the same values in another spelling; drop
// the first spelling so that the second is no redefinition.
#undef GENERIC_READ
#undef GENERIC_WRITE
#undef GENERIC_EXECUTE
#undef GENERIC_ALL
#undef DELETE
#include "kvplat/file.h"
#include "settings/context.h"

// ---- Spooler records.

namespace {
template <typename Call>
void* TwoCallRecord(Call call) {
  DWORD needed = 0;
  SetLastError(ERROR_SUCCESS);
  if (call(nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return nullptr;
  void* block = StgAllocZero(needed);
  if (!block) return nullptr;
  if (!call(static_cast<LPBYTE>(block), needed, &needed)) {
    StgFree(block);
    return nullptr;
  }
  return block;
}

bool NamesServer(const PRINTER_INFO_2W* info) { return info->pServerName && info->pServerName[0]; }

// Reads the level-2 record of the context's printer and caches it; false when it cannot be read.
bool ReadAndCache(SETTING_CONTEXT* ctx) {
  auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(ctx->printer, 2));
  if (!info) return false;
  StgCachePrinterInfo(info, ctx);
  StgFree(info);
  return true;
}
}  // namespace

void* StgGetPrinterDriverInfo(HANDLE printer, DWORD level) {
  return TwoCallRecord([&](LPBYTE buf, DWORD size, DWORD* needed) {
    return GetPrinterDriverW(printer, nullptr, level, buf, size, needed);
  });
}

void* StgGetPrinterInfo(HANDLE printer, DWORD level) {
  return TwoCallRecord(
      [&](LPBYTE buf, DWORD size, DWORD* needed) { return GetPrinterW(printer, level, buf, size, needed); });
}

void StgCachePrinterInfo(const _PRINTER_INFO_2W* info, SETTING_CONTEXT* ctx) {
  if (!info || !ctx || !ctx->work) return;
  CONTEXT_WORK_AREA* w = ctx->work;
  if (w->printerLocation == 0) w->printerLocation = NamesServer(info) ? 1 : 2;
  if (!w->printerName[0]) kvp::WCopy(w->printerName, 261, info->pPrinterName);
  if (!w->driverName[0]) kvp::WCopy(w->driverName, 32, info->pDriverName);
  if (!w->attributesKnown) {
    w->printerAttributes = info->Attributes;
    w->attributesKnown = 1;
  }
}

DWORD TestPrinterAttribute(DWORD mask, SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return 0;
  if (!ctx->work->attributesKnown && !ReadAndCache(ctx)) return 0;
  return mask & ctx->work->printerAttributes;
}

int StgIsBidiEnabled(SETTING_CONTEXT* ctx) {
  return TestPrinterAttribute(PRINTER_ATTRIBUTE_ENABLE_BIDI, ctx) ? 1 : 0;
}

int StgIsRemotePrinter(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->work) return 0;
  CONTEXT_WORK_AREA* w = ctx->work;
  if (w->printerLocation == 0 && !ReadAndCache(ctx)) w->printerLocation = 2;
  return w->printerLocation == 1 ? 1 : 0;
}

int StgIsRemotePrinterHandle(HANDLE printer) {
  auto* info = static_cast<PRINTER_INFO_2W*>(StgGetPrinterInfo(printer, 2));
  if (!info) return 0;
  int remote = NamesServer(info) ? 1 : 0;
  StgFree(info);
  return remote;
}
int StgQueryRemotePrinter(HANDLE printer) { return StgIsRemotePrinterHandle(printer); }

// ---- Version.

namespace {
// Process-wide answers: 0 not yet known, 1 yes, 2 no. Threads that race compute the same answer.
std::atomic<int> g_nt5{0};
std::atomic<int> g_terminalServer{0};

bool ExtendedVersion(OSVERSIONINFOEXW* v) {
  *v = OSVERSIONINFOEXW{};
  v->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  return GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(v)) != FALSE;
}
}  // namespace

void StgResetPlatformQueryCaches() {
  g_nt5 = 0;
  g_terminalServer = 0;
}

BOOL StgQueryOsVersion(_OSVERSIONINFOW* info) {
  if (!info) return FALSE;
  *info = OSVERSIONINFOW{};
  info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  return GetVersionExW(info);
}

int StgIsNt5OrLater() {
  int known = g_nt5.load();
  if (known == 0) {
    OSVERSIONINFOW v;
    known = StgQueryOsVersion(&v) && v.dwMajorVersion >= 5 ? 1 : 2;
    g_nt5.store(known);
  }
  return known == 1;
}

int StgIsServer2003OrLater() {
  OSVERSIONINFOEXW v;
  if (!ExtendedVersion(&v)) return 0;
  if (v.dwMajorVersion >= 6) return 1;
  return v.dwMajorVersion == 5 && v.dwMinorVersion >= 2 && v.wProductType != VER_NT_WORKSTATION ? 1 : 0;
}

int StgIsVistaOrLater() {
  OSVERSIONINFOW v;
  return StgQueryOsVersion(&v) && v.dwMajorVersion > 5 ? 1 : 0;
}

int StgIsWin9x() {
  OSVERSIONINFOW v;
  return StgQueryOsVersion(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? 1 : 0;
}

int StgIsWin98OrMe() {
  OSVERSIONINFOW v;
  return StgQueryOsVersion(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && v.dwMinorVersion != 0 ? 1 : 0;
}

int StgIsTerminalServerMode(HANDLE printer) {
  if (StgIsServer2003OrLater() != 1 || !printer) {
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    v.wSuiteMask = VER_SUITE_TERMINAL;
    ULONGLONG mask = VerSetConditionMask(0, VER_SUITENAME, VER_AND);
    return VerifyVersionInfoW(&v, VER_SUITENAME, mask) ? 1 : 0;
  }
  WCHAR path[260] = {};
  CfgGetDriverDirForPrinter(printer, path);
  size_t len = kvp::WLen(path);
  static constexpr char16_t kName[] = u"kvtse.dll";
  if (!len || len + sizeof(kName) / sizeof(WCHAR) > 260) return 0;
  kvp::WCopy(path + len, 260 - len, kName);
  HMODULE lib = LoadLibraryW(path);
  if (!lib) return 0;
  using TseFn = int (*)();
  auto fn = reinterpret_cast<TseFn>(GetProcAddress(lib, "_IsTSE_WMICOM_ZARN_Printer_Driver"));
  int answer = fn && fn() == 1 ? 1 : 0;
  FreeLibrary(lib);
  return answer;
}

int StgIsTerminalServerCached(HANDLE printer) {
  int known = g_terminalServer.load();
  if (known == 0) {
    known = StgIsTerminalServerMode(printer) ? 1 : 2;
    g_terminalServer.store(known);
  }
  return known == 1;
}

// ---- Administrator.

int StgIsAdminForContext(SETTING_CONTEXT* ctx) {
  if (ctx && ctx->work && !ctx->work->adminCheck) return 1;
  return StgIsAdministrator();
}

int StgIsAdministrator() {
  BOOL impersonated = ImpersonateSelf(SecurityImpersonation);
  HANDLE token = nullptr;
  BOOL status = FALSE;
  PSID admins = nullptr;
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  bool haveToken = OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token);
  if (!haveToken && GetLastError() == ERROR_NO_TOKEN)
    haveToken = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  if (haveToken &&
      AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                               &admins)) {
    // One access-allowed ACE: the ACL header (8), the ACE header and mask (8) and the SID.
    DWORD aclSize = GetLengthSid(admins) + 16;
    acl = static_cast<PACL>(LocalAlloc(LPTR, aclSize));
    sd = LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
    if (acl && sd && InitializeAcl(acl, aclSize, ACL_REVISION) &&
        AddAccessAllowedAce(acl, ACL_REVISION, 3, admins) &&
        InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE) && SetSecurityDescriptorOwner(sd, admins, FALSE) &&
        SetSecurityDescriptorGroup(sd, admins, FALSE) && IsValidSecurityDescriptor(sd)) {
      GENERIC_MAPPING mapping{1, 2, 0, 3};
      alignas(8) BYTE privileges[20] = {};
      DWORD privilegesSize = sizeof(privileges), granted = 0;
      if (!AccessCheck(sd, token, 1, &mapping, reinterpret_cast<PPRIVILEGE_SET>(privileges), &privilegesSize,
                       &granted, &status))
        status = FALSE;
    }
  }
  if (acl) LocalFree(acl);
  if (sd) LocalFree(sd);
  if (admins) FreeSid(admins);
  if (token) CloseHandle(token);
  if (impersonated) RevertToSelf();
  return status ? 1 : 0;
}

// ---- Root macros.

int StgExpandRootMacros(WCHAR* path, DWORD capacity, SETTING_CONTEXT*) {
  if (!path || !capacity) return 0;
  if (path[0] && path[1] == u':') return 1;
  size_t len = kvp::WLen(path);
  static constexpr std::u16string_view kDrive = u"%SYSTEMDRIVE%", kRoot = u"%SYSTEMROOT%";
  std::u16string_view p(path, len);
  if (len < 260 && p.size() >= kDrive.size() && kvp::WEqualI(p.substr(0, kDrive.size()), kDrive)) {
    WCHAR rest[260];
    kvp::WCopy(rest, 260, path + kDrive.size());
    size_t restLen = kvp::WLen(rest);
    WCHAR sys[260];
    UINT n = GetSystemDirectoryW(sys, 260);
    path[0] = 0;
    if (n < 3 || n >= 260 || capacity < restLen + 4) return 0;
    path[0] = sys[0];
    path[1] = sys[1];
    path[2] = sys[2];
    kvp::WCopy(path + 3, capacity - 3, rest);
    return path[0] != 0;
  }
  if (len < 260 && p.size() >= kRoot.size() && kvp::WEqualI(p.substr(0, kRoot.size()), kRoot)) {
    WCHAR rest[260];
    kvp::WCopy(rest, 260, path + kRoot.size());
    CfgMakeWindowsDirPath(path, capacity, rest);
    return path[0] != 0;
  }
  return 0;
}
