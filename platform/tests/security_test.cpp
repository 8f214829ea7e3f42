// Security: the administrator test as the driver makes it, SID/ACL/descriptor layouts, access-check
// rules, tokens and the record of SetFileSecurityW.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/handle.h"
#include "kvplat/heap.h"
#include "kvplat/security.h"
#include "kvplat/sysinfo.h"
#include "kvplat/testhooks.h"
#include "kvtest/temp_root.h"

namespace {

SID_IDENTIFIER_AUTHORITY kNt = SECURITY_NT_AUTHORITY;
SID_IDENTIFIER_AUTHORITY kWorld = SECURITY_WORLD_SID_AUTHORITY;

PSID AdminsSid() {
  PSID sid = nullptr;
  EXPECT_TRUE(AllocateAndInitializeSid(&kNt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid));
  return sid;
}
PSID EveryoneSid() {
  PSID sid = nullptr;
  EXPECT_TRUE(AllocateAndInitializeSid(&kWorld, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid));
  return sid;
}

// The driver's administrator test, step by step: impersonate self, take the thread token (the process
// token when there is none), check access against a descriptor that allows only Administrators.
BOOL AdministratorTest() {
  BOOL impersonated = ImpersonateSelf(SecurityImpersonation);
  HANDLE token = nullptr;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
    if (GetLastError() != ERROR_NO_TOKEN || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) token = nullptr;
  }
  BOOL status = FALSE;
  PSID admins = nullptr;
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (token && AllocateAndInitializeSid(&kNt, 2, 32, 544, 0, 0, 0, 0, 0, 0, &admins)) {
    DWORD aclSize = GetLengthSid(admins) + 16;
    acl = static_cast<PACL>(GlobalAlloc(GPTR, aclSize));
    sd = GlobalAlloc(GPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
    if (acl && sd && InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) &&
        InitializeAcl(acl, aclSize, ACL_REVISION) && AddAccessAllowedAce(acl, ACL_REVISION, 3, admins) &&
        SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE) && SetSecurityDescriptorOwner(sd, admins, FALSE) &&
        SetSecurityDescriptorGroup(sd, admins, FALSE) && IsValidSecurityDescriptor(sd)) {
      GENERIC_MAPPING mapping{1, 2, 0, 3};
      BYTE privileges[20];
      DWORD psLen = sizeof privileges, granted = 0;
      if (!AccessCheck(sd, token, 1, &mapping, reinterpret_cast<PPRIVILEGE_SET>(privileges), &psLen, &granted, &status))
        status = FALSE;
    }
  }
  if (acl) GlobalFree(acl);
  if (sd) GlobalFree(sd);
  if (admins) FreeSid(admins);
  if (token) CloseHandle(token);
  if (impersonated) RevertToSelf();
  return status;
}

class Security : public ::testing::Test {
 protected:
  kvtest::TempRoot root;
  void SetAdministrator(bool on) { ASSERT_EQ(kvp::ProfileSet("Administrator", on ? "1" : "0"), (DWORD)ERROR_SUCCESS); }
};

TEST_F(Security, AdministratorTestFollowsTheProfile) {
  size_t handles = kvp::HandleCount();
  EXPECT_TRUE(AdministratorTest());
  SetAdministrator(false);
  EXPECT_FALSE(AdministratorTest());
  SetAdministrator(true);
  EXPECT_TRUE(AdministratorTest());
  EXPECT_EQ(kvp::HandleCount(), handles);  // every token closed
}

TEST_F(Security, SidLayoutAndCalls) {
  PSID sid = AdminsSid();
  const BYTE want[] = {1, 2, 0, 0, 0, 0, 0, 5, 0x20, 0, 0, 0, 0x20, 2, 0, 0};
  ASSERT_EQ(GetLengthSid(sid), sizeof want);
  EXPECT_EQ(std::memcmp(sid, want, sizeof want), 0);
  EXPECT_EQ(kvp::SidText(sid), "S-1-5-32-544");
  EXPECT_TRUE(IsValidSid(sid));

  BYTE copy[16];
  EXPECT_FALSE(CopySid(15, copy, sid));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  ASSERT_TRUE(CopySid(16, copy, sid));
  EXPECT_TRUE(EqualSid(copy, sid));
  PSID world = EveryoneSid();
  EXPECT_EQ(kvp::SidText(world), "S-1-1-0");
  EXPECT_FALSE(EqualSid(world, sid));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);

  BYTE bad[8] = {2, 1};
  EXPECT_FALSE(IsValidSid(bad));
  EXPECT_FALSE(EqualSid(bad, sid));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_SID);

  EXPECT_EQ(FreeSid(copy), static_cast<PSID>(copy));  // not ours: refused
  EXPECT_EQ(FreeSid(sid), nullptr);
  EXPECT_EQ(FreeSid(sid), sid);  // twice: refused
  EXPECT_EQ(FreeSid(world), nullptr);

  PSID out = reinterpret_cast<PSID>(1);
  EXPECT_FALSE(AllocateAndInitializeSid(&kNt, 0, 0, 0, 0, 0, 0, 0, 0, 0, &out));
  EXPECT_FALSE(AllocateAndInitializeSid(&kNt, 9, 0, 0, 0, 0, 0, 0, 0, 0, &out));
  EXPECT_EQ(out, nullptr);
  kvp::test::FailAllocAt(1);
  EXPECT_FALSE(AllocateAndInitializeSid(&kNt, 1, 0, 0, 0, 0, 0, 0, 0, 0, &out));
  kvp::test::FailAllocAt(0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
}

TEST_F(Security, AclLayoutAndLimits) {
  // The world-access rule as set-up builds it: an ACE made by hand, added with AddAce at the end.
  PSID world = EveryoneSid();
  DWORD aceSize = 8 + GetLengthSid(world);
  std::vector<BYTE> ace(aceSize);
  ACE_HEADER h{ACCESS_ALLOWED_ACE_TYPE, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, static_cast<WORD>(aceSize)};
  DWORD mask = 0x1F01FF;
  std::memcpy(ace.data(), &h, 4);
  std::memcpy(ace.data() + 4, &mask, 4);
  std::memcpy(ace.data() + 8, world, GetLengthSid(world));
  std::vector<BYTE> aclBuf(aceSize + 8);
  auto* acl = reinterpret_cast<PACL>(aclBuf.data());
  ASSERT_TRUE(InitializeAcl(acl, static_cast<DWORD>(aclBuf.size()), ACL_REVISION));
  ASSERT_TRUE(AddAce(acl, ACL_REVISION, 0xFFFFFFFF, ace.data(), aceSize));
  const BYTE want[] = {2, 0, 28, 0, 1, 0, 0, 0, 0, 3, 20, 0, 0xFF, 0x01, 0x1F, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
  ASSERT_EQ(aclBuf.size(), sizeof want);
  EXPECT_EQ(std::memcmp(aclBuf.data(), want, sizeof want), 0);
  // Full: nothing more fits.
  EXPECT_FALSE(AddAccessAllowedAce(acl, ACL_REVISION, 1, world));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALLOTTED_SPACE_EXCEEDED);

  // AddAce inserts before the given index; GetAce reads by index.
  std::vector<BYTE> big(128);
  auto* acl2 = reinterpret_cast<PACL>(big.data());
  PSID admins = AdminsSid();
  ASSERT_TRUE(InitializeAcl(acl2, 128, ACL_REVISION));
  ASSERT_TRUE(AddAccessAllowedAce(acl2, ACL_REVISION, 7, admins));
  ASSERT_TRUE(AddAce(acl2, ACL_REVISION, 0, ace.data(), aceSize));
  LPVOID first = nullptr, second = nullptr;
  ASSERT_TRUE(GetAce(acl2, 0, &first));
  ASSERT_TRUE(GetAce(acl2, 1, &second));
  EXPECT_EQ(static_cast<PACCESS_ALLOWED_ACE>(first)->Mask, 0x1F01FFu);
  EXPECT_EQ(kvp::SidText(&static_cast<PACCESS_ALLOWED_ACE>(second)->SidStart), "S-1-5-32-544");
  EXPECT_FALSE(GetAce(acl2, 2, &first));
  ACE_HEADER truncated{0, 0, 40};  // claims more bytes than the list has
  EXPECT_FALSE(AddAce(acl2, ACL_REVISION, 0, &truncated, sizeof truncated));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);

  // A corrupt ACL is refused, not walked past its end.
  reinterpret_cast<ACE_HEADER*>(big.data() + 8)->AceSize = 500;
  EXPECT_FALSE(IsValidAcl(acl2));
  EXPECT_FALSE(AddAccessAllowedAce(acl2, ACL_REVISION, 1, admins));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_ACL);

  struct Case {
    DWORD length, revision, err;
  } cases[] = {{7, ACL_REVISION, ERROR_INSUFFICIENT_BUFFER},
               {0x10000, ACL_REVISION, ERROR_INVALID_PARAMETER},
               {64, 3, ERROR_REVISION_MISMATCH}};
  for (const auto& c : cases) {
    EXPECT_FALSE(InitializeAcl(acl2, c.length, c.revision));
    EXPECT_EQ(GetLastError(), c.err);
  }
  FreeSid(world);
  FreeSid(admins);
}

TEST_F(Security, AccessCheckRules) {
  PSID admins = AdminsSid(), world = EveryoneSid();
  ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token));
  GENERIC_MAPPING mapping{1, 2, 4, 7};
  struct Ace {
    BYTE type, flags;
    DWORD mask;
    PSID sid;
  };
  struct Case {
    const char* what;
    bool dacl;
    std::vector<Ace> aces;
    DWORD desired;
    BOOL status;
    DWORD granted;
  } cases[] = {
      {"no DACL grants all", false, {}, 3, TRUE, 3},
      {"empty DACL grants nothing", true, {}, 1, FALSE, 0},
      {"allowed to Everyone", true, {{0, 0, 1, world}}, 1, TRUE, 1},
      {"partly allowed", true, {{0, 0, 1, world}}, 3, FALSE, 0},
      {"denied first wins", true, {{1, 0, 1, world}, {0, 0, 3, admins}}, 1, FALSE, 0},
      {"allowed first wins", true, {{0, 0, 3, admins}, {1, 0, 1, world}}, 1, TRUE, 1},
      {"inherit-only ignored", true, {{0, INHERIT_ONLY_ACE, 1, world}}, 1, FALSE, 0},
      {"generic ACE mask mapped", true, {{0, 0, GENERIC_ALL, world}}, 7, TRUE, 7},
      {"maximum allowed", true, {{0, 0, 5, world}}, MAXIMUM_ALLOWED, TRUE, 5 | READ_CONTROL | WRITE_DAC},
      {"owner may read the descriptor", true, {}, READ_CONTROL, TRUE, READ_CONTROL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<BYTE> aclBuf(256);
    auto* acl = reinterpret_cast<PACL>(aclBuf.data());
    ASSERT_TRUE(InitializeAcl(acl, 256, ACL_REVISION));
    for (const auto& a : c.aces) {
      std::vector<BYTE> ace(8 + GetLengthSid(a.sid));
      ACE_HEADER h{a.type, a.flags, static_cast<WORD>(ace.size())};
      std::memcpy(ace.data(), &h, 4);
      std::memcpy(ace.data() + 4, &a.mask, 4);
      std::memcpy(ace.data() + 8, a.sid, GetLengthSid(a.sid));
      ASSERT_TRUE(AddAce(acl, ACL_REVISION, 0xFFFFFFFF, ace.data(), static_cast<DWORD>(ace.size())));
    }
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    // The owner is the Administrators group: the owner rule applies because the token holds it.
    SetSecurityDescriptorOwner(&sd, admins, FALSE);
    SetSecurityDescriptorGroup(&sd, admins, FALSE);
    if (c.dacl) SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    PRIVILEGE_SET ps;
    DWORD psLen = sizeof ps, granted = 99;
    BOOL status = -1;
    ASSERT_TRUE(AccessCheck(&sd, token, c.desired, &mapping, &ps, &psLen, &granted, &status));
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(granted, c.granted);
    EXPECT_EQ(GetLastError(), c.status ? (DWORD)ERROR_SUCCESS : (DWORD)ERROR_ACCESS_DENIED);
  }

  // Errors of the call itself.
  SECURITY_DESCRIPTOR sd;
  InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
  PRIVILEGE_SET ps;
  DWORD psLen = sizeof ps, granted = 0;
  BOOL status = FALSE;
  EXPECT_FALSE(AccessCheck(&sd, token, 1, &mapping, &ps, &psLen, &granted, &status));  // no owner
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_SECURITY_DESCR);
  SetSecurityDescriptorOwner(&sd, admins, FALSE);
  SetSecurityDescriptorGroup(&sd, admins, FALSE);
  EXPECT_FALSE(AccessCheck(&sd, token, GENERIC_READ, &mapping, &ps, &psLen, &granted, &status));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_GENERIC_NOT_MAPPED);
  psLen = 10;
  EXPECT_FALSE(AccessCheck(&sd, token, 1, &mapping, &ps, &psLen, &granted, &status));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(psLen, 20u);
  HANDLE process = nullptr, noQuery = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &process));
  EXPECT_FALSE(AccessCheck(&sd, process, 1, &mapping, &ps, &psLen, &granted, &status));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_IMPERSONATION_TOKEN);
  ASSERT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_IMPERSONATE, FALSE, &noQuery));
  EXPECT_FALSE(AccessCheck(&sd, noQuery, 1, &mapping, &ps, &psLen, &granted, &status));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  sd.Revision = 2;
  EXPECT_FALSE(IsValidSecurityDescriptor(&sd));
  EXPECT_FALSE(InitializeSecurityDescriptor(&sd, 2));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_UNKNOWN_REVISION);

  DWORD m = GENERIC_READ | GENERIC_EXECUTE | 0x100;
  MapGenericMask(&m, &mapping);
  EXPECT_EQ(m, 0x105u);

  CloseHandle(process);
  CloseHandle(noQuery);
  CloseHandle(token);
  RevertToSelf();
  FreeSid(admins);
  FreeSid(world);
}

TEST_F(Security, TokensAndImpersonation) {
  HANDLE token = nullptr;
  EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_TOKEN);
  ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
  ASSERT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
  // Impersonation belongs to the thread that asked for it.
  std::thread([] {
    HANDLE other = nullptr;
    EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &other));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_TOKEN);
  }).join();
  ASSERT_TRUE(RevertToSelf());
  HANDLE after = nullptr;
  EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &after));

  // TokenUser: size protocol, then the user's SID.
  DWORD need = 0;
  EXPECT_FALSE(GetTokenInformation(token, TokenUser, nullptr, 0, &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(need, sizeof(TOKEN_USER) + 28);
  std::vector<BYTE> buf(need);
  ASSERT_TRUE(GetTokenInformation(token, TokenUser, buf.data(), need, &need));
  EXPECT_EQ(kvp::SidText(reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid).rfind("S-1-5-21-", 0), 0u);
  EXPECT_EQ(reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid, buf.data() + sizeof(TOKEN_USER));

  // TokenGroups holds Administrators only while the switch is on when the token is made.
  auto groups = [](HANDLE t) {
    DWORD n = 0;
    GetTokenInformation(t, TokenGroups, nullptr, 0, &n);
    std::vector<BYTE> b(n);
    std::vector<std::string> out;
    if (!GetTokenInformation(t, TokenGroups, b.data(), n, &n)) return out;
    auto* g = reinterpret_cast<TOKEN_GROUPS*>(b.data());
    for (DWORD i = 0; i < g->GroupCount; ++i) out.push_back(kvp::SidText(g->Groups[i].Sid));
    return out;
  };
  auto has = [](const std::vector<std::string>& v, const char* s) { return std::find(v.begin(), v.end(), s) != v.end(); };
  EXPECT_TRUE(has(groups(token), "S-1-5-32-544"));
  EXPECT_TRUE(has(groups(token), "S-1-1-0"));
  SetAdministrator(false);
  HANDLE user = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &user));
  EXPECT_FALSE(has(groups(user), "S-1-5-32-544"));
  EXPECT_TRUE(has(groups(user), "S-1-5-32-545"));

  HANDLE noQuery = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE, &noQuery));
  EXPECT_FALSE(GetTokenInformation(noQuery, TokenUser, buf.data(), need, &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  EXPECT_FALSE(OpenProcessToken(reinterpret_cast<HANDLE>(0x1234), TOKEN_QUERY, &user));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);

  EXPECT_TRUE(CloseHandle(token));
  EXPECT_FALSE(CloseHandle(token));
  EXPECT_FALSE(GetTokenInformation(token, TokenUser, buf.data(), need, &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  CloseHandle(user);
  CloseHandle(noQuery);
}

TEST_F(Security, SetFileSecurityIsRecorded) {
  std::filesystem::create_directories(root.path() + "/c/_zarn");
  std::ofstream(root.path() + "/c/_zarn/kvbidi.ini") << "\r\n";
  kvp::test::ClearFileSecurityLog();

  // World access on the folder, as set-up applies it.
  PSID world = EveryoneSid();
  std::vector<BYTE> aclBuf(8 + 8 + GetLengthSid(world));
  auto* acl = reinterpret_cast<PACL>(aclBuf.data());
  InitializeAcl(acl, static_cast<DWORD>(aclBuf.size()), ACL_REVISION);
  AddAccessAllowedAce(acl, ACL_REVISION, 0x1F01FF, world);
  SECURITY_DESCRIPTOR dacl;
  InitializeSecurityDescriptor(&dacl, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&dacl, TRUE, acl, FALSE);
  EXPECT_TRUE(SetFileSecurityW(u"C:\\_ZARN", DACL_SECURITY_INFORMATION, &dacl));

  // Administrator ownership of a file; refused once the user is no administrator.
  PSID admins = AdminsSid();
  SECURITY_DESCRIPTOR owner;
  InitializeSecurityDescriptor(&owner, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorOwner(&owner, admins, FALSE);
  EXPECT_TRUE(SetFileSecurityW(u"C:\\_zarn\\kvbidi.ini", OWNER_SECURITY_INFORMATION, &owner));
  SetAdministrator(false);
  EXPECT_FALSE(SetFileSecurityW(u"C:\\_zarn\\kvbidi.ini", OWNER_SECURITY_INFORMATION, &owner));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_OWNER);
  EXPECT_FALSE(SetFileSecurityW(u"C:\\_zarn\\missing.ini", DACL_SECURITY_INFORMATION, &dacl));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(SetFileSecurityW(u"C:\\..\\..\\etc", DACL_SECURITY_INFORMATION, &dacl));
  owner.Revision = 7;
  EXPECT_FALSE(SetFileSecurityW(u"C:\\_zarn", OWNER_SECURITY_INFORMATION, &owner));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_SECURITY_DESCR);

  auto log = kvp::test::FileSecurityLog();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[0].path, u"C:\\_ZARN");
  EXPECT_EQ(log[0].info, (DWORD)DACL_SECURITY_INFORMATION);
  EXPECT_EQ(log[0].result, (DWORD)ERROR_SUCCESS);
  EXPECT_TRUE(log[0].daclPresent);
  ASSERT_EQ(log[0].aces.size(), 1u);
  EXPECT_EQ(log[0].aces[0].sid, "S-1-1-0");
  EXPECT_EQ(log[0].aces[0].mask, 0x1F01FFu);
  EXPECT_EQ(log[1].owner, "S-1-5-32-544");
  EXPECT_EQ(log[1].result, (DWORD)ERROR_SUCCESS);
  EXPECT_EQ(log[2].result, (DWORD)ERROR_INVALID_OWNER);
  EXPECT_EQ(log[3].result, (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(log[5].result, (DWORD)ERROR_INVALID_SECURITY_DESCR);
  FreeSid(world);
  FreeSid(admins);
}

}  // namespace
