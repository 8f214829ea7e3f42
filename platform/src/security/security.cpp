// SIDs, ACLs, absolute security descriptors, tokens and the access check. Group membership, and so every
// access decision, follows the system profile's administrator switch.
#include "kvplat/security.h"

#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "admin.h"
#include "kvplat/error.h"
#include "kvplat/handle.h"
#include "kvplat/heap.h"
#include "kvplat/root.h"
#include "kvplat/text.h"

namespace kvp::sec {
namespace {

struct Token {
  bool admin = false;
  bool impersonation = false;
  SECURITY_IMPERSONATION_LEVEL level = SecurityAnonymous;
  DWORD access = 0;
};

struct ThreadState {
  bool impersonating = false;
  bool admin = false;
  SECURITY_IMPERSONATION_LEVEL level = SecurityAnonymous;
};
thread_local ThreadState t_thread;

// A SID built in static storage: revision 1, the authority and up to 8 sub-authorities.
struct SidBuf {
  alignas(4) BYTE bytes[8 + 4 * 8] = {};
  SidBuf(BYTE auth, std::initializer_list<DWORD> subs) {
    bytes[0] = SID_REVISION;
    bytes[1] = static_cast<BYTE>(subs.size());
    bytes[7] = auth;
    size_t i = 0;
    for (DWORD s : subs) std::memcpy(bytes + 8 + 4 * i++, &s, 4);
  }
  PSID sid() const { return const_cast<BYTE*>(bytes); }
};

const SidBuf kUser(5, {21, 1004336348, 1177238915, 682003330, 1001});
const SidBuf kEveryone(1, {0});
const SidBuf kAuthenticated(5, {11});
const SidBuf kUsers(5, {32, 545});
const SidBuf kAdmins(5, {32, 544});

std::vector<PSID> GroupsOf(const Token& t) {
  std::vector<PSID> g{kEveryone.sid(), kAuthenticated.sid(), kUsers.sid()};
  if (t.admin) g.push_back(kAdmins.sid());
  return g;
}

std::mutex& Mu() {
  static std::mutex m;
  return m;
}
std::unordered_set<void*>& LiveSids() {
  static auto* s = new std::unordered_set<void*>();  // outlives the modules still loaded at exit
  return *s;
}
std::vector<kvp::test::FileSecurityRecord>& Log() {
  static auto* l = new std::vector<kvp::test::FileSecurityRecord>();
  return *l;
}

const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(intptr_t(-1));
const HANDLE kCurrentThread = reinterpret_cast<HANDLE>(intptr_t(-2));

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

const SID* AsSid(PSID p) { return static_cast<const SID*>(p); }

bool ValidSid(PSID p) {
  const SID* s = AsSid(p);
  return s && s->Revision == SID_REVISION && s->SubAuthorityCount <= SID_MAX_SUB_AUTHORITIES;
}

DWORD SidLength(PSID p) { return 8 + 4 * DWORD(AsSid(p)->SubAuthorityCount); }

bool SameSid(PSID a, PSID b) {
  return ValidSid(a) && ValidSid(b) && SidLength(a) == SidLength(b) && std::memcmp(a, b, SidLength(a)) == 0;
}

bool TokenHas(const Token& t, PSID sid) {
  if (SameSid(sid, kUser.sid())) return true;
  for (PSID g : GroupsOf(t))
    if (SameSid(sid, g)) return true;
  return false;
}

// Walks an ACL's ACEs, checking every size against the ACL's; returns the bytes in use or 0 when the
// ACL is malformed.
size_t AclUsed(const ACL* acl) {
  if (!acl || (acl->AclRevision != ACL_REVISION && acl->AclRevision != ACL_REVISION_DS) || acl->AclSize < sizeof(ACL))
    return 0;
  size_t at = sizeof(ACL);
  for (WORD i = 0; i < acl->AceCount; ++i) {
    if (at + sizeof(ACE_HEADER) > acl->AclSize) return 0;
    ACE_HEADER h;
    std::memcpy(&h, reinterpret_cast<const BYTE*>(acl) + at, sizeof h);
    if (h.AceSize < sizeof(ACE_HEADER) || at + h.AceSize > acl->AclSize) return 0;
    at += h.AceSize;
  }
  return at;
}

BYTE* AceAt(ACL* acl, DWORD index) {
  BYTE* p = reinterpret_cast<BYTE*>(acl) + sizeof(ACL);
  for (DWORD i = 0; i < index; ++i) p += reinterpret_cast<ACE_HEADER*>(p)->AceSize;
  return p;
}

// The SID of an allowed or denied ACE, when the ACE is large enough to hold a valid one.
PSID AceSid(BYTE* ace) {
  auto* h = reinterpret_cast<ACE_HEADER*>(ace);
  if (h->AceSize < 8 + 8) return nullptr;
  PSID sid = ace + 8;
  if (!ValidSid(sid) || 8 + SidLength(sid) > h->AceSize) return nullptr;
  return sid;
}

bool ValidDescriptor(const SECURITY_DESCRIPTOR* sd) {
  if (!sd || sd->Revision != SECURITY_DESCRIPTOR_REVISION || (sd->Control & SE_SELF_RELATIVE)) return false;
  if (sd->Owner && !ValidSid(sd->Owner)) return false;
  if (sd->Group && !ValidSid(sd->Group)) return false;
  if ((sd->Control & SE_DACL_PRESENT) && sd->Dacl && !AclUsed(sd->Dacl)) return false;
  return true;
}

DWORD MapGeneric(DWORD mask, const GENERIC_MAPPING& m) {
  DWORD out = mask & ~DWORD(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
  if (mask & GENERIC_READ) out |= m.GenericRead;
  if (mask & GENERIC_WRITE) out |= m.GenericWrite;
  if (mask & GENERIC_EXECUTE) out |= m.GenericExecute;
  if (mask & GENERIC_ALL) out |= m.GenericAll;
  return out;
}

BOOL NewToken(const Token& t, PHANDLE out) {
  Token* obj = new (std::nothrow) Token(t);
  if (!obj) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  HANDLE h = HandleCreate(kHandleKindToken, obj, [](void* p) { delete static_cast<Token*>(p); });
  if (!h) return FALSE;  // the table has freed the object and set the error
  *out = h;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

kvp::test::FileSecurityRecord Describe(LPCWSTR path, SECURITY_INFORMATION info, const SECURITY_DESCRIPTOR* sd) {
  kvp::test::FileSecurityRecord r;
  r.path = std::u16string(WView(path));
  r.info = info;
  if (!ValidDescriptor(sd)) return r;
  r.owner = SidText(sd->Owner);
  r.group = SidText(sd->Group);
  r.daclPresent = (sd->Control & SE_DACL_PRESENT) != 0;
  r.daclNull = r.daclPresent && !sd->Dacl;
  if (r.daclPresent && sd->Dacl) {
    for (WORD i = 0; i < sd->Dacl->AceCount; ++i) {
      BYTE* ace = AceAt(sd->Dacl, i);
      auto* h = reinterpret_cast<ACE_HEADER*>(ace);
      kvp::test::AceRecord a;
      a.type = h->AceType;
      a.flags = h->AceFlags;
      if (h->AceSize >= 8) std::memcpy(&a.mask, ace + 4, 4);
      a.sid = SidText(AceSid(ace));
      r.aces.push_back(a);
    }
  }
  return r;
}

}  // namespace
}  // namespace kvp::sec

using namespace kvp::sec;

std::string kvp::SidText(PSID p) {
  if (!ValidSid(p)) return "";
  const SID* s = AsSid(p);
  unsigned long long auth = 0;
  for (BYTE b : s->IdentifierAuthority.Value) auth = (auth << 8) | b;
  std::string out = "S-1-" + std::to_string(auth);
  for (BYTE i = 0; i < s->SubAuthorityCount; ++i) {
    DWORD sub;
    std::memcpy(&sub, reinterpret_cast<const BYTE*>(s) + 8 + 4 * i, 4);
    out += "-" + std::to_string(sub);
  }
  return out;
}

// ---- Tokens --------------------------------------------------------------------------------------------

KVAPI BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
  if (!token) return Fail(ERROR_INVALID_PARAMETER);
  if (process != kCurrentProcess) return Fail(ERROR_INVALID_HANDLE);
  Token t;
  t.admin = AdministratorSwitch();
  t.access = access;
  return NewToken(t, token);
}

KVAPI BOOL OpenThreadToken(HANDLE thread, DWORD access, BOOL openAsSelf, PHANDLE token) {
  if (!token) return Fail(ERROR_INVALID_PARAMETER);
  if (thread != kCurrentThread) return Fail(ERROR_INVALID_HANDLE);
  if (!t_thread.impersonating) return Fail(ERROR_NO_TOKEN);
  Token t;
  t.admin = t_thread.admin;
  t.impersonation = true;
  t.level = t_thread.level;
  t.access = access;
  return NewToken(t, token);
}

KVAPI BOOL ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL level) {
  if (level < SecurityAnonymous || level > SecurityDelegation) return Fail(ERROR_INVALID_PARAMETER);
  t_thread.impersonating = true;
  t_thread.admin = AdministratorSwitch();
  t_thread.level = level;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL RevertToSelf(void) {
  t_thread = ThreadState();
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS cls, LPVOID info, DWORD size, PDWORD returned) {
  if (!returned) return Fail(ERROR_INVALID_PARAMETER);
  auto t = kvp::HandleRef<Token>(token, kvp::kHandleKindToken);
  if (!t) return Fail(ERROR_INVALID_HANDLE);
  if (!(t->access & TOKEN_QUERY)) return Fail(ERROR_ACCESS_DENIED);
  std::vector<PSID> sids;
  size_t head = 0;
  if (cls == TokenUser) {
    sids.push_back(kUser.sid());
    head = sizeof(TOKEN_USER);
  } else if (cls == TokenGroups) {
    sids = GroupsOf(*t);
    head = offsetof(TOKEN_GROUPS, Groups) + sids.size() * sizeof(SID_AND_ATTRIBUTES);
  } else {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  size_t need = head;
  for (PSID s : sids) need += SidLength(s);
  *returned = static_cast<DWORD>(need);
  if (!info || size < need) return Fail(ERROR_INSUFFICIENT_BUFFER);
  BYTE* base = static_cast<BYTE*>(info);
  std::memset(base, 0, need);
  SID_AND_ATTRIBUTES* entries;
  if (cls == TokenUser) {
    entries = &static_cast<TOKEN_USER*>(info)->User;
  } else {
    static_cast<TOKEN_GROUPS*>(info)->GroupCount = static_cast<DWORD>(sids.size());
    entries = reinterpret_cast<SID_AND_ATTRIBUTES*>(base + offsetof(TOKEN_GROUPS, Groups));
  }
  size_t at = head;
  for (size_t i = 0; i < sids.size(); ++i) {
    std::memcpy(base + at, sids[i], SidLength(sids[i]));
    entries[i].Sid = base + at;
    entries[i].Attributes = cls == TokenGroups ? DWORD(SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED) : 0;
    at += SidLength(sids[i]);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// ---- SIDs ----------------------------------------------------------------------------------------------

KVAPI BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD s0, DWORD s1, DWORD s2,
                                    DWORD s3, DWORD s4, DWORD s5, DWORD s6, DWORD s7, PSID* sid) {
  if (!sid) return Fail(ERROR_INVALID_PARAMETER);
  *sid = nullptr;
  if (!authority || count == 0 || count > 8) return Fail(ERROR_INVALID_PARAMETER);
  DWORD subs[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
  size_t len = 8 + 4 * size_t(count);
  auto* p = static_cast<BYTE*>(GlobalAlloc(GPTR, len));
  if (!p) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  p[0] = SID_REVISION;
  p[1] = count;
  std::memcpy(p + 2, authority->Value, 6);
  std::memcpy(p + 8, subs, 4 * size_t(count));
  {
    std::lock_guard<std::mutex> g(Mu());
    LiveSids().insert(p);
  }
  *sid = p;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI PSID FreeSid(PSID sid) {
  {
    std::lock_guard<std::mutex> g(Mu());
    if (!LiveSids().erase(sid)) {
      SetLastError(ERROR_INVALID_SID);
      return sid;
    }
  }
  GlobalFree(sid);
  return nullptr;
}

KVAPI DWORD GetLengthSid(PSID sid) { return ValidSid(sid) ? SidLength(sid) : 0; }

KVAPI BOOL IsValidSid(PSID sid) { return ValidSid(sid) ? TRUE : FALSE; }

KVAPI BOOL CopySid(DWORD destLength, PSID dest, PSID src) {
  if (!ValidSid(src)) return Fail(ERROR_INVALID_SID);
  if (!dest || destLength < SidLength(src)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memmove(dest, src, SidLength(src));
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL EqualSid(PSID a, PSID b) {
  if (!ValidSid(a) || !ValidSid(b)) return Fail(ERROR_INVALID_SID);
  SetLastError(ERROR_SUCCESS);
  return SameSid(a, b) ? TRUE : FALSE;
}

// ---- ACLs ----------------------------------------------------------------------------------------------

KVAPI BOOL InitializeAcl(PACL acl, DWORD length, DWORD revision) {
  if (!acl) return Fail(ERROR_INVALID_PARAMETER);
  if (length < sizeof(ACL)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (length > 0xFFFF) return Fail(ERROR_INVALID_PARAMETER);
  if (revision != ACL_REVISION && revision != ACL_REVISION_DS) return Fail(ERROR_REVISION_MISMATCH);
  *acl = ACL{static_cast<BYTE>(revision), 0, static_cast<WORD>(length), 0, 0};
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL IsValidAcl(PACL acl) { return AclUsed(acl) ? TRUE : FALSE; }

KVAPI BOOL AddAccessAllowedAce(PACL acl, DWORD revision, DWORD mask, PSID sid) {
  size_t used = AclUsed(acl);
  if (!used) return Fail(ERROR_INVALID_ACL);
  if (!ValidSid(sid)) return Fail(ERROR_INVALID_SID);
  size_t size = 8 + SidLength(sid);
  if (used + size > acl->AclSize || acl->AceCount == 0xFFFF) return Fail(ERROR_ALLOTTED_SPACE_EXCEEDED);
  BYTE* p = reinterpret_cast<BYTE*>(acl) + used;
  ACE_HEADER h{ACCESS_ALLOWED_ACE_TYPE, 0, static_cast<WORD>(size)};
  std::memcpy(p, &h, sizeof h);
  std::memcpy(p + 4, &mask, 4);
  std::memcpy(p + 8, sid, SidLength(sid));
  acl->AceCount++;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL AddAce(PACL acl, DWORD revision, DWORD startIndex, LPVOID list, DWORD listLength) {
  size_t used = AclUsed(acl);
  if (!used) return Fail(ERROR_INVALID_ACL);
  if (!list && listLength) return Fail(ERROR_INVALID_PARAMETER);
  // The list must be whole ACEs.
  const BYTE* src = static_cast<const BYTE*>(list);
  size_t at = 0, count = 0;
  while (at < listLength) {
    ACE_HEADER h;
    if (at + sizeof h > listLength) return Fail(ERROR_INVALID_PARAMETER);
    std::memcpy(&h, src + at, sizeof h);
    if (h.AceSize < sizeof h || at + h.AceSize > listLength) return Fail(ERROR_INVALID_PARAMETER);
    at += h.AceSize;
    ++count;
  }
  if (used + listLength > acl->AclSize || acl->AceCount + count > 0xFFFF) return Fail(ERROR_ALLOTTED_SPACE_EXCEEDED);
  DWORD index = startIndex > acl->AceCount ? acl->AceCount : startIndex;
  BYTE* pos = AceAt(acl, index);
  BYTE* end = reinterpret_cast<BYTE*>(acl) + used;
  std::memmove(pos + listLength, pos, static_cast<size_t>(end - pos));
  if (listLength) std::memcpy(pos, src, listLength);
  acl->AceCount = static_cast<WORD>(acl->AceCount + count);
  if (revision > acl->AclRevision && revision == ACL_REVISION_DS) acl->AclRevision = ACL_REVISION_DS;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL GetAce(PACL acl, DWORD index, LPVOID* ace) {
  if (!AclUsed(acl)) return Fail(ERROR_INVALID_ACL);
  if (!ace || index >= acl->AceCount) return Fail(ERROR_INVALID_PARAMETER);
  *ace = AceAt(acl, index);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// ---- Security descriptors ------------------------------------------------------------------------------

KVAPI BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR sd, DWORD revision) {
  if (!sd) return Fail(ERROR_INVALID_PARAMETER);
  if (revision != SECURITY_DESCRIPTOR_REVISION) return Fail(ERROR_UNKNOWN_REVISION);
  *static_cast<SECURITY_DESCRIPTOR*>(sd) = SECURITY_DESCRIPTOR{SECURITY_DESCRIPTOR_REVISION, 0, 0, nullptr, nullptr,
                                                               nullptr, nullptr};
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

namespace {
SECURITY_DESCRIPTOR* Absolute(PSECURITY_DESCRIPTOR p) {
  auto* sd = static_cast<SECURITY_DESCRIPTOR*>(p);
  if (!sd) return nullptr;
  if (sd->Revision != SECURITY_DESCRIPTOR_REVISION) {
    SetLastError(ERROR_UNKNOWN_REVISION);
    return nullptr;
  }
  if (sd->Control & SE_SELF_RELATIVE) {
    SetLastError(ERROR_INVALID_SECURITY_DESCR);
    return nullptr;
  }
  return sd;
}
}  // namespace

KVAPI BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR p, BOOL present, PACL dacl, BOOL defaulted) {
  SECURITY_DESCRIPTOR* sd = Absolute(p);
  if (!sd) return p ? FALSE : Fail(ERROR_INVALID_PARAMETER);
  sd->Control &= static_cast<WORD>(~(SE_DACL_PRESENT | SE_DACL_DEFAULTED));
  sd->Dacl = nullptr;
  if (present) {
    sd->Control |= SE_DACL_PRESENT;
    if (defaulted) sd->Control |= SE_DACL_DEFAULTED;
    sd->Dacl = dacl;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR p, PSID owner, BOOL defaulted) {
  SECURITY_DESCRIPTOR* sd = Absolute(p);
  if (!sd) return p ? FALSE : Fail(ERROR_INVALID_PARAMETER);
  sd->Owner = owner;
  sd->Control = static_cast<WORD>(defaulted ? sd->Control | SE_OWNER_DEFAULTED : sd->Control & ~SE_OWNER_DEFAULTED);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL SetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR p, PSID group, BOOL defaulted) {
  SECURITY_DESCRIPTOR* sd = Absolute(p);
  if (!sd) return p ? FALSE : Fail(ERROR_INVALID_PARAMETER);
  sd->Group = group;
  sd->Control = static_cast<WORD>(defaulted ? sd->Control | SE_GROUP_DEFAULTED : sd->Control & ~SE_GROUP_DEFAULTED);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

KVAPI BOOL IsValidSecurityDescriptor(PSECURITY_DESCRIPTOR sd) {
  if (!ValidDescriptor(static_cast<SECURITY_DESCRIPTOR*>(sd))) return Fail(ERROR_INVALID_SECURITY_DESCR);
  return TRUE;
}

// ---- Access checks -------------------------------------------------------------------------------------

KVAPI void MapGenericMask(PDWORD mask, PGENERIC_MAPPING mapping) {
  if (mask && mapping) *mask = MapGeneric(*mask, *mapping);
}

KVAPI BOOL AccessCheck(PSECURITY_DESCRIPTOR p, HANDLE token, DWORD desired, PGENERIC_MAPPING mapping,
                       PPRIVILEGE_SET privileges, LPDWORD privilegeSetLength, LPDWORD granted, LPBOOL status) {
  if (!mapping || !privilegeSetLength || !granted || !status) return Fail(ERROR_INVALID_PARAMETER);
  auto t = kvp::HandleRef<Token>(token, kvp::kHandleKindToken);
  if (!t) return Fail(ERROR_INVALID_HANDLE);
  if (!t->impersonation) return Fail(ERROR_NO_IMPERSONATION_TOKEN);
  if (!(t->access & TOKEN_QUERY)) return Fail(ERROR_ACCESS_DENIED);
  if (t->level < SecurityIdentification) return Fail(ERROR_BAD_IMPERSONATION_LEVEL);
  auto* sd = static_cast<SECURITY_DESCRIPTOR*>(p);
  if (!ValidDescriptor(sd) || !sd->Owner || !sd->Group) return Fail(ERROR_INVALID_SECURITY_DESCR);
  if (desired & (GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL)) return Fail(ERROR_GENERIC_NOT_MAPPED);
  if (*privilegeSetLength < sizeof(PRIVILEGE_SET) || !privileges) {
    *privilegeSetLength = sizeof(PRIVILEGE_SET);
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  privileges->PrivilegeCount = 0;
  privileges->Control = 0;

  const bool maximum = (desired & MAXIMUM_ALLOWED) != 0;
  const DWORD want = desired & ~DWORD(MAXIMUM_ALLOWED);
  DWORD allowed = 0, denied = 0;
  if (!(sd->Control & SE_DACL_PRESENT) || !sd->Dacl) {
    allowed = mapping->GenericAll | want;  // no DACL: everyone gets everything
  } else {
    if (TokenHas(*t, sd->Owner)) allowed |= READ_CONTROL | WRITE_DAC;  // owners may always read and change the DACL
    for (WORD i = 0; i < sd->Dacl->AceCount; ++i) {
      BYTE* ace = AceAt(sd->Dacl, i);
      auto* h = reinterpret_cast<ACE_HEADER*>(ace);
      if (h->AceFlags & INHERIT_ONLY_ACE) continue;
      if (h->AceType != ACCESS_ALLOWED_ACE_TYPE && h->AceType != ACCESS_DENIED_ACE_TYPE) continue;
      PSID sid = AceSid(ace);
      if (!sid || !TokenHas(*t, sid)) continue;
      DWORD mask;
      std::memcpy(&mask, ace + 4, 4);
      mask = MapGeneric(mask, *mapping);
      if (h->AceType == ACCESS_ALLOWED_ACE_TYPE)
        allowed |= mask & ~denied;
      else
        denied |= mask & ~allowed;
    }
  }
  bool ok = (want & ~allowed) == 0 && (want != 0 || maximum) && (!maximum || (allowed | want) != 0);
  *status = ok ? TRUE : FALSE;
  *granted = ok ? (maximum ? (allowed | want) : want) : 0;
  SetLastError(ok ? DWORD(ERROR_SUCCESS) : DWORD(ERROR_ACCESS_DENIED));
  return TRUE;
}

KVAPI BOOL SetFileSecurityW(LPCWSTR path, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR p) {
  auto* sd = static_cast<SECURITY_DESCRIPTOR*>(p);
  DWORD rc = ERROR_SUCCESS;
  std::string host;
  if (!path) {
    rc = ERROR_INVALID_PARAMETER;
  } else if (!ValidDescriptor(sd)) {
    rc = ERROR_INVALID_SECURITY_DESCR;
  } else if ((rc = kvp::MapPath(kvp::WView(path), host)) == ERROR_SUCCESS) {
    struct stat st;
    if (stat(host.c_str(), &st) != 0) {
      rc = ERROR_FILE_NOT_FOUND;
    } else if ((info & OWNER_SECURITY_INFORMATION) &&
               (!sd->Owner || (!SameSid(sd->Owner, kUser.sid()) && !AdministratorSwitch()))) {
      rc = ERROR_INVALID_OWNER;
    }
  }
  try {
    auto rec = Describe(path, info, sd);
    rec.result = rc;
    std::lock_guard<std::mutex> g(Mu());
    Log().push_back(std::move(rec));
  } catch (const std::bad_alloc&) {
    if (rc == ERROR_SUCCESS) rc = ERROR_NOT_ENOUGH_MEMORY;
  }
  SetLastError(rc);
  return rc == ERROR_SUCCESS;
}

namespace kvp::test {

std::vector<FileSecurityRecord> FileSecurityLog() {
  std::lock_guard<std::mutex> g(Mu());
  return Log();
}

void ClearFileSecurityLog() {
  std::lock_guard<std::mutex> g(Mu());
  Log().clear();
}

}  // namespace kvp::test
