// Security: SIDs, access-control lists, security descriptors, tokens and access checks.
//
// SIDs, ACLs and descriptors are real byte layouts in caller memory (descriptors in absolute form only).
// Tokens are handles of the process handle table (closed with CloseHandle). The token of the process,
// and the impersonation token a thread gets from ImpersonateSelf, hold the user's SID, Everyone,
// Authenticated Users and Users, and the Administrators group (S-1-5-32-544) exactly when the system
// profile's [System] Administrator switch is 1 at the time the token is made.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "kvplat/types.h"

#ifndef ERROR_UNKNOWN_REVISION
#define ERROR_UNKNOWN_REVISION 1305L
#endif
#ifndef ERROR_REVISION_MISMATCH
#define ERROR_REVISION_MISMATCH 1306L
#endif
#ifndef ERROR_BAD_IMPERSONATION_LEVEL
#define ERROR_BAD_IMPERSONATION_LEVEL 1346L
#endif
#ifndef ERROR_ALLOTTED_SPACE_EXCEEDED
#define ERROR_ALLOTTED_SPACE_EXCEEDED 1344L
#endif
#ifndef ERROR_GENERIC_NOT_MAPPED
#define ERROR_GENERIC_NOT_MAPPED 1360L
#endif

typedef DWORD ACCESS_MASK;
// Standard and generic access rights, shared with the security and file calls.
#ifndef DELETE
#define DELETE 0x00010000
#endif
#ifndef READ_CONTROL
#define READ_CONTROL 0x00020000L
#endif
#ifndef WRITE_DAC
#define WRITE_DAC 0x00040000L
#endif
#ifndef WRITE_OWNER
#define WRITE_OWNER 0x00080000L
#endif
#ifndef SYNCHRONIZE
#define SYNCHRONIZE 0x00100000L
#endif
#ifndef STANDARD_RIGHTS_REQUIRED
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#endif
#ifndef STANDARD_RIGHTS_READ
#define STANDARD_RIGHTS_READ READ_CONTROL
#endif
#ifndef STANDARD_RIGHTS_WRITE
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#endif
#ifndef STANDARD_RIGHTS_EXECUTE
#define STANDARD_RIGHTS_EXECUTE READ_CONTROL
#endif
#ifndef STANDARD_RIGHTS_ALL
#define STANDARD_RIGHTS_ALL 0x001F0000L
#endif
#ifndef GENERIC_READ
#define GENERIC_READ 0x80000000
#endif
#ifndef GENERIC_WRITE
#define GENERIC_WRITE 0x40000000
#endif
#ifndef GENERIC_EXECUTE
#define GENERIC_EXECUTE 0x20000000
#endif
#ifndef GENERIC_ALL
#define GENERIC_ALL 0x10000000
#endif
#ifndef MAXIMUM_ALLOWED
#define MAXIMUM_ALLOWED 0x02000000L
#endif
#ifndef ACCESS_SYSTEM_SECURITY
#define ACCESS_SYSTEM_SECURITY 0x01000000L
#endif

typedef HANDLE* PHANDLE;
typedef BOOL* LPBOOL;
typedef DWORD* PDWORD;
typedef DWORD SECURITY_INFORMATION;
typedef WORD SECURITY_DESCRIPTOR_CONTROL;

typedef struct _SID_IDENTIFIER_AUTHORITY {
  BYTE Value[6];
} SID_IDENTIFIER_AUTHORITY, *PSID_IDENTIFIER_AUTHORITY;

typedef struct _SID {
  BYTE Revision;
  BYTE SubAuthorityCount;
  SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
  DWORD SubAuthority[1];
} SID;
static_assert(sizeof(SID) == 12 && offsetof(SID, IdentifierAuthority) == 2 && offsetof(SID, SubAuthority) == 8);

#define SID_REVISION 1
#define SID_MAX_SUB_AUTHORITIES 15
#define SECURITY_NULL_SID_AUTHORITY {0, 0, 0, 0, 0, 0}
#define SECURITY_WORLD_SID_AUTHORITY {0, 0, 0, 0, 0, 1}
#define SECURITY_NT_AUTHORITY {0, 0, 0, 0, 0, 5}
#define SECURITY_WORLD_RID 0x00000000L
#define SECURITY_AUTHENTICATED_USER_RID 0x0000000BL
#define SECURITY_LOCAL_SYSTEM_RID 0x00000012L
#define SECURITY_BUILTIN_DOMAIN_RID 0x00000020L
#define DOMAIN_ALIAS_RID_ADMINS 0x00000220L
#define DOMAIN_ALIAS_RID_USERS 0x00000221L

typedef struct _ACL {
  BYTE AclRevision;
  BYTE Sbz1;
  WORD AclSize;
  WORD AceCount;
  WORD Sbz2;
} ACL, *PACL;
static_assert(sizeof(ACL) == 8 && offsetof(ACL, AclSize) == 2 && offsetof(ACL, AceCount) == 4);

#define ACL_REVISION 2
#define ACL_REVISION_DS 4

typedef struct _ACE_HEADER {
  BYTE AceType;
  BYTE AceFlags;
  WORD AceSize;
} ACE_HEADER, *PACE_HEADER;
static_assert(sizeof(ACE_HEADER) == 4);

#define ACCESS_ALLOWED_ACE_TYPE 0x0
#define ACCESS_DENIED_ACE_TYPE 0x1
#define OBJECT_INHERIT_ACE 0x1
#define CONTAINER_INHERIT_ACE 0x2
#define NO_PROPAGATE_INHERIT_ACE 0x4
#define INHERIT_ONLY_ACE 0x8
#define INHERITED_ACE 0x10

typedef struct _ACCESS_ALLOWED_ACE {
  ACE_HEADER Header;
  ACCESS_MASK Mask;
  DWORD SidStart;  // the SID begins here
} ACCESS_ALLOWED_ACE, *PACCESS_ALLOWED_ACE, ACCESS_DENIED_ACE, *PACCESS_DENIED_ACE;
static_assert(sizeof(ACCESS_ALLOWED_ACE) == 12 && offsetof(ACCESS_ALLOWED_ACE, Mask) == 4 &&
              offsetof(ACCESS_ALLOWED_ACE, SidStart) == 8);

typedef struct _SECURITY_DESCRIPTOR {
  BYTE Revision;
  BYTE Sbz1;
  SECURITY_DESCRIPTOR_CONTROL Control;
  PSID Owner;
  PSID Group;
  PACL Sacl;
  PACL Dacl;
} SECURITY_DESCRIPTOR, *PISECURITY_DESCRIPTOR;
static_assert(sizeof(SECURITY_DESCRIPTOR) == 40 && offsetof(SECURITY_DESCRIPTOR, Control) == 2 &&
              offsetof(SECURITY_DESCRIPTOR, Owner) == 8 && offsetof(SECURITY_DESCRIPTOR, Group) == 16 &&
              offsetof(SECURITY_DESCRIPTOR, Sacl) == 24 && offsetof(SECURITY_DESCRIPTOR, Dacl) == 32);

#define SECURITY_DESCRIPTOR_REVISION 1
#define SECURITY_DESCRIPTOR_MIN_LENGTH (sizeof(SECURITY_DESCRIPTOR))
#define SE_OWNER_DEFAULTED 0x0001
#define SE_GROUP_DEFAULTED 0x0002
#define SE_DACL_PRESENT 0x0004
#define SE_DACL_DEFAULTED 0x0008
#define SE_SACL_PRESENT 0x0010
#define SE_SACL_DEFAULTED 0x0020
#define SE_SELF_RELATIVE 0x8000

#define OWNER_SECURITY_INFORMATION 0x00000001L
#define GROUP_SECURITY_INFORMATION 0x00000002L
#define DACL_SECURITY_INFORMATION 0x00000004L
#define SACL_SECURITY_INFORMATION 0x00000008L

typedef struct _GENERIC_MAPPING {
  ACCESS_MASK GenericRead;
  ACCESS_MASK GenericWrite;
  ACCESS_MASK GenericExecute;
  ACCESS_MASK GenericAll;
} GENERIC_MAPPING, *PGENERIC_MAPPING;
static_assert(sizeof(GENERIC_MAPPING) == 16);

typedef struct _LUID {
  DWORD LowPart;
  LONG HighPart;
} LUID, *PLUID;
typedef struct _LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes;
} LUID_AND_ATTRIBUTES;
typedef struct _PRIVILEGE_SET {
  DWORD PrivilegeCount;
  DWORD Control;
  LUID_AND_ATTRIBUTES Privilege[1];
} PRIVILEGE_SET, *PPRIVILEGE_SET;
static_assert(sizeof(LUID_AND_ATTRIBUTES) == 12 && sizeof(PRIVILEGE_SET) == 20);

typedef struct _SID_AND_ATTRIBUTES {
  PSID Sid;
  DWORD Attributes;
} SID_AND_ATTRIBUTES;
typedef struct _TOKEN_USER {
  SID_AND_ATTRIBUTES User;
} TOKEN_USER, *PTOKEN_USER;
typedef struct _TOKEN_GROUPS {
  DWORD GroupCount;
  SID_AND_ATTRIBUTES Groups[1];
} TOKEN_GROUPS, *PTOKEN_GROUPS;
static_assert(sizeof(SID_AND_ATTRIBUTES) == 16 && sizeof(TOKEN_USER) == 16 && offsetof(TOKEN_GROUPS, Groups) == 8);

#define SE_GROUP_MANDATORY 0x00000001L
#define SE_GROUP_ENABLED_BY_DEFAULT 0x00000002L
#define SE_GROUP_ENABLED 0x00000004L

typedef enum _TOKEN_INFORMATION_CLASS { TokenUser = 1, TokenGroups = 2 } TOKEN_INFORMATION_CLASS;
typedef enum _SECURITY_IMPERSONATION_LEVEL {
  SecurityAnonymous = 0,
  SecurityIdentification = 1,
  SecurityImpersonation = 2,
  SecurityDelegation = 3
} SECURITY_IMPERSONATION_LEVEL;

#define TOKEN_ASSIGN_PRIMARY 0x0001
#define TOKEN_DUPLICATE 0x0002
#define TOKEN_IMPERSONATE 0x0004
#define TOKEN_QUERY 0x0008
#define TOKEN_QUERY_SOURCE 0x0010
#define TOKEN_ADJUST_PRIVILEGES 0x0020
#define TOKEN_ADJUST_GROUPS 0x0040
#define TOKEN_ADJUST_DEFAULT 0x0080
#define TOKEN_ADJUST_SESSIONID 0x0100
#define TOKEN_READ (STANDARD_RIGHTS_READ | TOKEN_QUERY)
#define TOKEN_ALL_ACCESS (STANDARD_RIGHTS_REQUIRED | 0x01FF)

// ---- Tokens --------------------------------------------------------------------------------------------

// The token of the process (GetCurrentProcess() only). FALSE with ERROR_INVALID_HANDLE for another
// process handle, ERROR_INVALID_PARAMETER for a null out-pointer.
KVAPI BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token);
// The impersonation token of the thread (GetCurrentThread() only); FALSE with ERROR_NO_TOKEN when the
// thread does not impersonate.
KVAPI BOOL OpenThreadToken(HANDLE thread, DWORD access, BOOL openAsSelf, PHANDLE token);
// The thread impersonates the process's own user at `level` until RevertToSelf.
KVAPI BOOL ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL level);
KVAPI BOOL RevertToSelf(void);
// TokenUser (the user's SID) and TokenGroups (the groups, each enabled). Size protocol: *returned gets
// the bytes needed; a smaller buffer gives FALSE with ERROR_INSUFFICIENT_BUFFER. The token needs TOKEN_QUERY.
KVAPI BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS cls, LPVOID info, DWORD size, PDWORD returned);

// ---- SIDs ----------------------------------------------------------------------------------------------

// A new SID of `count` (1-8) sub-authorities, freed with FreeSid. ERROR_INVALID_PARAMETER,
// ERROR_NOT_ENOUGH_MEMORY.
KVAPI BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD s0, DWORD s1, DWORD s2,
                                    DWORD s3, DWORD s4, DWORD s5, DWORD s6, DWORD s7, PSID* sid);
// Null on success; the SID back when it was not made by AllocateAndInitializeSid or is already freed.
KVAPI PSID FreeSid(PSID sid);
KVAPI DWORD GetLengthSid(PSID sid);
KVAPI BOOL CopySid(DWORD destLength, PSID dest, PSID src);
KVAPI BOOL IsValidSid(PSID sid);
KVAPI BOOL EqualSid(PSID a, PSID b);

// ---- ACLs ----------------------------------------------------------------------------------------------

// An empty ACL of `length` bytes (8 to 65535), revision ACL_REVISION or ACL_REVISION_DS.
KVAPI BOOL InitializeAcl(PACL acl, DWORD length, DWORD revision);
// Appends an access-allowed ACE for `sid`. ERROR_ALLOTTED_SPACE_EXCEEDED when the ACL is full,
// ERROR_INVALID_ACL, ERROR_INVALID_SID.
KVAPI BOOL AddAccessAllowedAce(PACL acl, DWORD revision, DWORD mask, PSID sid);
// Inserts the ACEs of `list` (`listLength` bytes of whole ACEs) before ACE `startIndex` (MAXDWORD: at the end).
KVAPI BOOL AddAce(PACL acl, DWORD revision, DWORD startIndex, LPVOID list, DWORD listLength);
KVAPI BOOL GetAce(PACL acl, DWORD index, LPVOID* ace);
KVAPI BOOL IsValidAcl(PACL acl);

// ---- Security descriptors ------------------------------------------------------------------------------

KVAPI BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR sd, DWORD revision);
KVAPI BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR sd, BOOL present, PACL dacl, BOOL defaulted);
KVAPI BOOL SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR sd, PSID owner, BOOL defaulted);
KVAPI BOOL SetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR sd, PSID group, BOOL defaulted);
KVAPI BOOL IsValidSecurityDescriptor(PSECURITY_DESCRIPTOR sd);

// ---- Access checks -------------------------------------------------------------------------------------

KVAPI void MapGenericMask(PDWORD mask, PGENERIC_MAPPING mapping);
// Checks `desired` (generic rights already mapped; MAXIMUM_ALLOWED allowed) for an impersonation token
// opened with TOKEN_QUERY against a descriptor with owner and group. The call returns TRUE when it could
// decide; *status then says whether access is granted (FALSE with last error ERROR_ACCESS_DENIED).
// FALSE with ERROR_NO_IMPERSONATION_TOKEN for a process token, ERROR_INVALID_SECURITY_DESCR,
// ERROR_GENERIC_NOT_MAPPED, ERROR_INSUFFICIENT_BUFFER when *privilegeSetLength is below 20 (it then
// holds 20), ERROR_INVALID_HANDLE.
KVAPI BOOL AccessCheck(PSECURITY_DESCRIPTOR sd, HANDLE token, DWORD desired, PGENERIC_MAPPING mapping,
                       PPRIVILEGE_SET privileges, LPDWORD privilegeSetLength, LPDWORD granted, LPBOOL status);

// Applies the parts of `sd` named by `info` to an existing file or folder. Nothing changes on disk; every
// call is recorded (kvp::test::FileSecurityLog). Setting an owner other than the user needs the
// administrator (ERROR_INVALID_OWNER otherwise).
KVAPI BOOL SetFileSecurityW(LPCWSTR path, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR sd);

namespace kvp {
// "S-1-5-32-544" for a valid SID, "" otherwise.
std::string SidText(PSID sid);
}  // namespace kvp

namespace kvp::test {

struct AceRecord {
  BYTE type = 0;
  BYTE flags = 0;
  DWORD mask = 0;
  std::string sid;
};
// One SetFileSecurityW call as the descriptor was at the time.
struct FileSecurityRecord {
  std::u16string path;
  SECURITY_INFORMATION info = 0;
  DWORD result = 0;  // ERROR_SUCCESS or the error the call gave
  std::string owner, group;
  bool daclPresent = false;
  bool daclNull = false;
  std::vector<AceRecord> aces;
};
std::vector<FileSecurityRecord> FileSecurityLog();
void ClearFileSecurityLog();

}  // namespace kvp::test
