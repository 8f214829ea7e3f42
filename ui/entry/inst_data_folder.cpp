// The driver's data folder with its two access rules, and the file helpers of the set-up.
#include "inst_data_folder.h"

#include <cstring>
#include <vector>

#include "config/ini.h"
#include "config/ini_text.h"
#include "config/paths.h"
#include "config/printer_data.h"
#include "inst_remote.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/security.h"
#include "kvplat/text.h"
#include "settings/context.h"
#include "settings/platform_queries.h"

namespace {

constexpr DWORD kPathChars = 260;
constexpr DWORD kFileAllAccess = 0x1F01FF;

bool IsDots(const WCHAR* name) { return name[0] == u'.' && (!name[1] || (name[1] == u'.' && !name[2])); }

// "folder\name" into out; false when it does not fit.
bool Join(WCHAR* out, DWORD capacity, const WCHAR* folder, const WCHAR* name) {
  size_t a = kvp::WLen(folder), b = kvp::WLen(name);
  if (a + 1 + b + 1 > capacity) return false;
  std::memcpy(out, folder, a * sizeof(WCHAR));
  out[a] = u'\\';
  std::memcpy(out + a + 1, name, (b + 1) * sizeof(WCHAR));
  return true;
}

// Calls fn(full path, find data) for every entry of a folder except "." and "..". False when it cannot be listed.
template <class Fn>
bool ForEachEntry(const WCHAR* folder, Fn fn) {
  WCHAR pattern[kPathChars + 8];
  if (!Join(pattern, kPathChars + 8, folder, u"*.*")) return false;
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(pattern, &fd);
  if (find == INVALID_HANDLE_VALUE) return false;
  // The listing is taken whole first: the callers delete what they are given.
  std::vector<WIN32_FIND_DATAW> entries;
  do {
    if (!IsDots(fd.cFileName)) entries.push_back(fd);
  } while (FindNextFileW(find, &fd));
  FindClose(find);
  for (const WIN32_FIND_DATAW& e : entries) {
    WCHAR path[kPathChars + 8];
    if (Join(path, kPathChars + 8, folder, e.cFileName)) fn(path, e);
  }
  return true;
}

// A descriptor with what it owns; each free takes only what it built.
struct OWNED_DESCRIPTOR {
  PSECURITY_DESCRIPTOR sd = nullptr;
  PACL dacl = nullptr;
  PSID owner = nullptr;
  SECURITY_INFORMATION info = 0;
};

void InstFreeWorldAccessDescriptor(OWNED_DESCRIPTOR& d) {
  StgFree(d.dacl);
  StgFree(d.sd);
  d = OWNED_DESCRIPTOR{};
}

void InstFreeAdminOwnerDescriptor(OWNED_DESCRIPTOR& d) {
  if (d.owner) FreeSid(d.owner);
  StgFree(d.sd);
  d = OWNED_DESCRIPTOR{};
}

// Everyone, full access, inherited by files and folders.
bool BuildWorldAccess(OWNED_DESCRIPTOR& d) {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID sid = nullptr;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid)) return false;
  DWORD sidLength = GetLengthSid(sid);
  DWORD aceSize = sidLength + 8;
  auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(StgAllocZero(aceSize));
  if (!ace) {
    FreeSid(sid);
    return false;
  }
  ace->Header.AceType = ACCESS_ALLOWED_ACE_TYPE;
  ace->Header.AceFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
  ace->Header.AceSize = (WORD)aceSize;
  ace->Mask = kFileAllAccess;
  bool copied = CopySid(sidLength, &ace->SidStart, sid) != FALSE;
  FreeSid(sid);
  DWORD aclSize = aceSize + 8;
  d.dacl = copied ? static_cast<PACL>(StgAllocZero(aclSize)) : nullptr;
  bool ok = d.dacl && InitializeAcl(d.dacl, aclSize, ACL_REVISION) && AddAce(d.dacl, ACL_REVISION, 0xFFFFFFFF, ace, aceSize);
  StgFree(ace);
  if (ok) d.sd = StgAllocZero(SECURITY_DESCRIPTOR_MIN_LENGTH);
  ok = ok && d.sd && InitializeSecurityDescriptor(d.sd, SECURITY_DESCRIPTOR_REVISION) &&
       SetSecurityDescriptorDacl(d.sd, TRUE, d.dacl, FALSE);
  if (!ok) {
    InstFreeWorldAccessDescriptor(d);
    return false;
  }
  d.info = DACL_SECURITY_INFORMATION;
  return true;
}

// BUILTIN\Administrators as owner, no DACL.
bool BuildAdminOwner(OWNED_DESCRIPTOR& d) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &d.owner))
    return false;
  d.sd = StgAllocZero(SECURITY_DESCRIPTOR_MIN_LENGTH);
  if (!d.sd || !InitializeSecurityDescriptor(d.sd, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorOwner(d.sd, d.owner, FALSE)) {
    InstFreeAdminOwnerDescriptor(d);
    return false;
  }
  d.info = OWNER_SECURITY_INFORMATION;
  return true;
}

void InstApplyDescriptorToChildren(const WCHAR* folder, const OWNED_DESCRIPTOR& d, DWORD flags) {
  ForEachEntry(folder, [&](const WCHAR* path, const WIN32_FIND_DATAW& fd) {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (flags & INST_ACL_SUBFOLDERS) SetFileSecurityW(path, d.info, d.sd);
      if (flags & INST_ACL_DESCEND) InstApplyDescriptorToChildren(path, d, flags);
    } else {
      SetFileSecurityW(path, d.info, d.sd);
    }
  });
}

void Apply(const WCHAR* path, const OWNED_DESCRIPTOR& d, DWORD flags) {
  // Failures of single files leave their security as it was; the rest still get the rule.
  SetFileSecurityW(path, d.info, d.sd);
  if (!(flags & INST_ACL_FOLDER_ONLY)) InstApplyDescriptorToChildren(path, d, flags);
}

}  // namespace

// ---- The data folder.

DWORD InstGetDefaultDataDir(WCHAR* buf, DWORD capacity) {
  WCHAR system[kPathChars] = {};
  DWORD n = CfgGetSystemDir(system, kPathChars, nullptr);
  if (!buf || n < 3 || capacity < 9) return 0;
  // The drive, its colon and the backslash, then "_zarn".
  system[3] = 0;
  kvp::WCopy(buf, capacity, system);
  kvp::WCopy(buf + 3, capacity - 3, u"_zarn");
  return (DWORD)kvp::WLen(buf);
}

DWORD InstGetCommonDataDirFor(WCHAR* buf, DWORD capacity, HANDLE printer, const PRINTER_INFO_2W* info) {
  if (!buf || !capacity) return 0;
  if (info && info->pServerName && *info->pServerName &&
      CfgGetPrinterDataDir(printer, u"_ZARNDirectoryClient", buf, capacity) == 1)
    return (DWORD)kvp::WLen(buf);
  std::memset(buf, 0, capacity * sizeof(WCHAR));
  if (CfgReadDriverRegValue(u"_ZARNDirectory", buf, (capacity - 1) * sizeof(WCHAR)) && buf[0]) {
    buf[capacity - 1] = 0;
    return (DWORD)kvp::WLen(buf);
  }
  return InstGetDefaultDataDir(buf, capacity);
}

DWORD InstGetDataDirForPrinter(WCHAR* buf, DWORD capacity, HANDLE printer, const PRINTER_INFO_2W* info) {
  if (StgIsNt5OrLater()) return InstGetCommonDataDirFor(buf, capacity, printer, info);
  return CfgGetSystemDir(buf, capacity, nullptr);
}

int InstCreateDataFolder(HANDLE printer) {
  WCHAR dir[kPathChars] = {};
  if (!CfgGetCommonDataDirForPrinter(dir, kPathChars, printer) || !InstCreateFolder(dir)) return 0;
  SetFileAttributesW(dir, FILE_ATTRIBUTE_HIDDEN);
  InstApplyAdminOwner(dir, INST_ACL_FOLDER_ONLY);
  InstApplyWorldAccess(dir, INST_ACL_FOLDER_ONLY);
  DWORD attributes = GetFileAttributesW(dir);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int InstCreateDataFolderOfContext(SETTING_CONTEXT* ctx) { return ctx ? InstCreateDataFolder(ctx->printer) : 0; }

int InstSecureDataFolderFiles(HANDLE printer) {
  WCHAR dir[kPathChars] = {};
  if (!CfgGetCommonDataDirForPrinter(dir, kPathChars, printer)) return 0;
  InstApplyAdminOwner(dir, 0);
  return InstApplyWorldAccess(dir, 0);
}

int InstSecureDataFolder(SETTING_CONTEXT* ctx) {
  if (!ctx) return 0;
  if (StgIsNt5OrLater()) return InstSecureDataFolderFiles(ctx->printer);
  InstCreateBidiIni(ctx);
  return 1;
}

int InstRemoveDefaultDataFolder(HANDLE, DWORD) {
  WCHAR dir[kPathChars] = {};
  if (!InstGetDefaultDataDir(dir, kPathChars) || !InstDeleteTree(dir)) return 0;
  return RemoveDirectoryW(dir) ? 1 : 0;
}

int InstApplyWorldAccess(const WCHAR* path, DWORD flags) {
  OWNED_DESCRIPTOR d;
  if (!path || !BuildWorldAccess(d)) return 0;
  Apply(path, d, flags);
  InstFreeWorldAccessDescriptor(d);
  return 1;
}

int InstApplyAdminOwner(const WCHAR* path, DWORD flags) {
  OWNED_DESCRIPTOR d;
  if (!path || !BuildAdminOwner(d)) return 0;
  Apply(path, d, flags);
  InstFreeAdminOwnerDescriptor(d);
  return 1;
}

// ---- Files.

int InstFileExists(const WCHAR* path) { return CfgFileExists(path) ? 1 : 0; }

int InstCreateFolder(const WCHAR* path) {
  if (!path) return 0;
  if (CreateDirectoryW(path, nullptr)) return 1;
  return GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
}

int InstDeleteMatchingFiles(const WCHAR* pattern) {
  if (!pattern) return 0;
  size_t len = kvp::WLen(pattern), cut = 0;
  for (size_t i = 0; i < len; ++i)
    if (pattern[i] == u'\\') cut = i;
  if (!cut || cut >= kPathChars) return 0;
  WCHAR folder[kPathChars];
  std::memcpy(folder, pattern, cut * sizeof(WCHAR));
  folder[cut] = 0;
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(pattern, &fd);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int deleted = 0;
  do {
    WCHAR path[kPathChars + 8];
    if (IsDots(fd.cFileName) || !Join(path, kPathChars + 8, folder, fd.cFileName)) continue;
    if (SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL) && DeleteFileW(path)) deleted = 1;
  } while (FindNextFileW(find, &fd));
  FindClose(find);
  return deleted;
}

int InstDeleteTree(const WCHAR* folder) {
  if (!folder) return 0;
  return ForEachEntry(folder, [](const WCHAR* path, const WIN32_FIND_DATAW& fd) {
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      InstDeleteTree(path);
      RemoveDirectoryW(path);
    } else {
      DeleteFileW(path);
    }
  }) ? 1 : 0;
}

int InstClearReadOnly(const WCHAR* path) {
  DWORD attributes = path ? GetFileAttributesW(path) : INVALID_FILE_ATTRIBUTES;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(path, attributes & ~(DWORD)FILE_ATTRIBUTE_READONLY);
  return 1;
}

BOOL InstCopyDriverFile(const WCHAR* target, const WCHAR* sourceName, int mode, SETTING_CONTEXT* ctx, int flag) {
  return CfgInstallDriverFileEx(target, sourceName, mode, ctx, flag);
}

int InstCopyFileIfNewer(const WCHAR* target, const WCHAR* source, int mode) {
  if (!target || !source || kvp::WLen(target) < 2 || kvp::WLen(source) < 2 || target[1] != u':' || source[1] != u':')
    return 0;
  if (kvp::WEqualI(kvp::WView(target), kvp::WView(source))) return 1;
  if (!CfgFileExists(source)) return 0;
  if (mode == 1) {
    if (CfgFileExists(target)) return 1;
  } else if (CfgFileExists(target) && CfgCompareFileTimes(source, target, 0)) {
    return 0;
  }
  // Copied over the target: a copy that fails keeps the old file instead of losing it first.
  return CfgCopyFile(source, target, FALSE) ? 1 : 0;
}

BOOL InstIniWriteKeepTime(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* iniPath) {
  FILETIME before{};
  bool known = false;
  HANDLE f = iniPath ? CreateFileW(iniPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr)
                     : INVALID_HANDLE_VALUE;
  if (f != INVALID_HANDLE_VALUE) {
    known = GetFileTime(f, nullptr, nullptr, &before) != FALSE;
    CloseHandle(f);
  }
  BOOL written = CfgIniWriteString(section, key, value, iniPath);
  if (known) {
    f = CreateFileW(iniPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      SetFileTime(f, nullptr, nullptr, &before);
      CloseHandle(f);
    }
  }
  return written;
}

BOOL InstGetUserProfileDir(WCHAR* buf, DWORD capacity, HANDLE printer) {
  return CfgGetUserProfileDirEx(buf, capacity, printer, TRUE);
}
