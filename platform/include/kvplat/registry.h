// The registry: three file-backed hives under <root>/registry/ (HKLM.txt, HKCU.txt, HKU.txt).
//
// Keys and values keep the spelling they were created with and are found without regard to letter case.
// Sub-keys enumerate in name order, values in the order they were first set. Every change is written to
// the hive file at once (written beside it, then renamed) under a lock shared by all processes on the
// machine root; every call sees the changes of other processes. A hive file that cannot be read as a
// hive makes every call on that hive fail with ERROR_BADDB and is never overwritten; the other hives work.
//
// Writes under HKEY_LOCAL_MACHINE and HKEY_USERS need the administrator (the system profile's
// [System] Administrator switch); without it, asking for any write right there gives ERROR_ACCESS_DENIED.
//
// The hive text (see kvp::test::LoadRegistryText) is one "[path]" line per key followed by its values:
//   "name" = sz "text"          REG_SZ with its terminating zero (expand_sz: REG_EXPAND_SZ)
//   "name" = multi_sz "a" "b"   REG_MULTI_SZ: each text with its zero, then the closing zero
//   "name" = dword 0x00000040   REG_DWORD (4 bytes)
//   "name" = binary hex:01,02   REG_BINARY; any type may use hex: bytes, exactly as stored
//   "name" = type(11) hex:...   a type without a name
// Texts are UTF-8 in double quotes with the escapes \\ \" and \uXXXX; ';' starts a comment line.
#pragma once
#include <string>
#include <string_view>

#include "kvplat/security.h"
#include "kvplat/types.h"

typedef ACCESS_MASK REGSAM;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ ((STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY) & ~SYNCHRONIZE)
#define KEY_WRITE ((STANDARD_RIGHTS_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) & ~SYNCHRONIZE)
#define KEY_EXECUTE (KEY_READ & ~SYNCHRONIZE)
#define KEY_ALL_ACCESS                                                                                 \
  ((STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | \
    KEY_NOTIFY | KEY_CREATE_LINK) &                                                                    \
   ~SYNCHRONIZE)
static_assert(KEY_READ == 0x20019 && KEY_WRITE == 0x20006 && KEY_ALL_ACCESS == 0xF003F);

#define REG_OPTION_NON_VOLATILE 0x0000
#define REG_OPTION_VOLATILE 0x0001
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

// Predefined keys are recognised by their low 32 bits ((HKEY)0x80000002), whatever the upper 32 hold.
// Opens `subKey` (null or "" for the key itself; trailing backslashes are ignored) below `key` with `sam` rights. ERROR_SUCCESS and the new
// handle in *result; ERROR_FILE_NOT_FOUND for a missing key, ERROR_ACCESS_DENIED for rights the caller
// lacks, ERROR_BAD_PATHNAME for an empty path component, ERROR_INVALID_PARAMETER for a bad name or a null
// result, ERROR_INVALID_HANDLE, ERROR_KEY_DELETED, ERROR_BADDB. *result is null on failure.
KVAPI LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM sam, PHKEY result);

// Opens or creates `subKey` (with every missing key on the way); *disposition says which
// (REG_CREATED_NEW_KEY, REG_OPENED_EXISTING_KEY). Errors as RegOpenKeyExW; the rights the parent handle
// was opened with do not matter (KEY_NOTIFY alone will do), creating needs a writable hive.
KVAPI LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                              REGSAM sam, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);

// Reads a value ("" or null names the key's default value). With data null and size given: the size in
// bytes. With a buffer smaller than the value: ERROR_MORE_DATA, the needed size in *size, nothing
// copied. A text value stored without its terminating zero gets one in the buffer when there is room
// (not counted in *size); a buffer of exactly the stored size succeeds without one. ERROR_FILE_NOT_FOUND for a missing value. `type` and `size` may point at one
// variable: it receives the size.
KVAPI LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                               LPDWORD size);

// Stores `size` bytes as they are under `name` with `type`, also a REG_SZ or REG_EXPAND_SZ sized without
// its terminating zero (queries report that size). ERROR_INVALID_PARAMETER for null data with a
// size, a name over 16383 characters or more than 1 MiB of data; ERROR_ACCESS_DENIED without
// KEY_SET_VALUE on the handle; ERROR_WRITE_FAULT when the hive file could not be written (nothing changed).
KVAPI LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);

KVAPI LSTATUS RegDeleteValueW(HKEY key, LPCWSTR name);

// Deletes `subKey`, which must have no sub-keys (ERROR_ACCESS_DENIED otherwise). Handles still open on
// it answer ERROR_KEY_DELETED.
KVAPI LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);

// The index-th sub-key name (name order). *nameChars: the buffer's size in characters on entry, the
// name's length without the terminator on return. ERROR_MORE_DATA when the name does not fit,
// ERROR_NO_MORE_ITEMS past the last one. The class is empty and the time zero.
KVAPI LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved,
                            LPWSTR keyClass, LPDWORD classChars, LPFILETIME lastWrite);

// The index-th value: name as for RegEnumKeyExW, type and data as for RegQueryValueExW. ERROR_MORE_DATA
// when the name does not fit (nothing copied, *nameChars unchanged; *type and *size filled) or the data
// does not fit (name, *nameChars and *type filled, *size the needed size, the data buffer untouched).
KVAPI LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved,
                            LPDWORD type, LPBYTE data, LPDWORD size);

// Counts and maxima of a key: sub-keys, longest sub-key name (characters), values, longest value name
// (characters), largest value (bytes). Any out-pointer may be null.
KVAPI LSTATUS RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classChars, LPDWORD reserved,
                               LPDWORD subKeys, LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values,
                               LPDWORD maxValueNameLen, LPDWORD maxValueLen, LPDWORD securityBytes,
                               LPFILETIME lastWrite);

KVAPI LSTATUS RegCloseKey(HKEY key);

namespace kvp::test {

// Replaces a whole hive (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_USERS) by hive text, as a test
// fixture. ERROR_SUCCESS; ERROR_BADDB (hive unchanged) when the text is not a hive; ERROR_INVALID_HANDLE.
DWORD LoadRegistryText(HKEY hive, std::string_view text);
// The hive as text ("" when it cannot be read).
std::string RegistryText(HKEY hive);
// Why the hive file cannot be read ("line 3: ..."), or "" when it can.
std::string RegistryError(HKEY hive);

}  // namespace kvp::test
