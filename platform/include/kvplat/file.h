// Files and folders of the machine: every path is a machine path ("C:\..." with backslashes, any case)
// mapped under the machine root; nothing outside the root is ever touched.
//
// Common rules of this area:
//  - A path of MAX_PATH characters or more fails with ERROR_FILENAME_EXCED_RANGE unless it begins with
//    "\\?\" (CreateDirectoryW: 248). A relative path is taken from the current folder C:\Windows\System32.
//  - Read-only, hidden, system and archive attributes and creation times are kept by the platform in a
//    side store (a ".kvattr" folder beside the files, never listed); a read-only file refuses opening for
//    writing, deletion and replacement with ERROR_ACCESS_DENIED.
//  - Sharing modes are enforced between the handles of this process.
//  - String results follow the platform's buffer protocol: on success the length without terminator; when
//    the buffer is too small the size needed including the terminator (and nothing written).
#pragma once
#include <string>

#include "kvplat/handle.h"
#include "kvplat/types.h"

#define GENERIC_READ 0x80000000
#define GENERIC_WRITE 0x40000000
#define GENERIC_EXECUTE 0x20000000
#define GENERIC_ALL 0x10000000
#define FILE_READ_DATA 0x0001
#define FILE_WRITE_DATA 0x0002
#define FILE_APPEND_DATA 0x0004
#define FILE_READ_ATTRIBUTES 0x0080
#define FILE_WRITE_ATTRIBUTES 0x0100
#define DELETE 0x00010000
#define FILE_GENERIC_READ 0x00120089
#define FILE_GENERIC_WRITE 0x00120116

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
#define FILE_ATTRIBUTE_NOT_CONTENT_INDEXED 0x00002000
#define FILE_FLAG_WRITE_THROUGH 0x80000000
#define FILE_FLAG_OVERLAPPED 0x40000000
#define FILE_FLAG_NO_BUFFERING 0x20000000
#define FILE_FLAG_RANDOM_ACCESS 0x10000000
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000
#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000

#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004
#define MOVEFILE_WRITE_THROUGH 0x00000008

#define PAGE_READONLY 0x02
#define PAGE_READWRITE 0x04
#define PAGE_WRITECOPY 0x08
#define FILE_MAP_COPY 0x0001
#define FILE_MAP_WRITE 0x0002
#define FILE_MAP_READ 0x0004
#define FILE_MAP_ALL_ACCESS 0x000F001F

typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;

typedef struct _WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
} WIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;
static_assert(sizeof(WIN32_FIND_DATAW) == 592);
static_assert(offsetof(WIN32_FIND_DATAW, ftLastWriteTime) == 20 && offsetof(WIN32_FIND_DATAW, nFileSizeHigh) == 28 &&
              offsetof(WIN32_FIND_DATAW, cFileName) == 44 && offsetof(WIN32_FIND_DATAW, cAlternateFileName) == 564);

typedef enum _GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard = 0, GetFileExMaxInfoLevel } GET_FILEEX_INFO_LEVELS;
typedef struct _WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA, *LPWIN32_FILE_ATTRIBUTE_DATA;
static_assert(sizeof(WIN32_FILE_ATTRIBUTE_DATA) == 36);

// ---- Files -----------------------------------------------------------------------------------------------

// CreateFileW: INVALID_HANDLE_VALUE on failure with ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND (folder
// missing), ERROR_FILE_EXISTS (CREATE_NEW), ERROR_ACCESS_DENIED (read-only file opened for writing, a
// folder without FILE_FLAG_BACKUP_SEMANTICS), ERROR_SHARING_VIOLATION, ERROR_INVALID_PARAMETER (bad
// disposition, TRUNCATE_EXISTING without write access), ERROR_INVALID_NAME, ERROR_FILENAME_EXCED_RANGE.
// CREATE_ALWAYS and OPEN_ALWAYS on an existing file succeed with ERROR_ALREADY_EXISTS.
KVAPI HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD disposition,
                         DWORD flagsAndAttributes, HANDLE templateFile);
// CreateFileA: the name in the ANSI code page.
KVAPI HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD disposition,
                         DWORD flagsAndAttributes, HANDLE templateFile);
// ReadFile/WriteFile: synchronous only (a non-null OVERLAPPED is refused with ERROR_INVALID_PARAMETER);
// *done is required. Reading at the end gives TRUE and 0 bytes. A handle without the access: ERROR_ACCESS_DENIED.
// WriteFile fails with ERROR_DISK_FULL when the disk is full or a test arms kvp::test::FailWriteAt.
KVAPI BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD done, LPOVERLAPPED ov);
KVAPI BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD done, LPOVERLAPPED ov);
// SetFilePointer: with `high` null the distance is a signed 32-bit value. Returns the new position's low
// part (and *high); INVALID_SET_FILE_POINTER with ERROR_NEGATIVE_SEEK for a position before the start
// (position unchanged), ERROR_INVALID_PARAMETER for a bad method. A success whose low part is
// INVALID_SET_FILE_POINTER sets NO_ERROR.
KVAPI DWORD SetFilePointer(HANDLE file, LONG distance, LONG* high, DWORD method);
KVAPI BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPosition, DWORD method);
KVAPI BOOL SetEndOfFile(HANDLE file);
// GetFileSize: the low part (*high gets the high part); INVALID_FILE_SIZE with the error on failure,
// NO_ERROR when a real size has that low part.
KVAPI DWORD GetFileSize(HANDLE file, LPDWORD high);
KVAPI BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
KVAPI BOOL FlushFileBuffers(HANDLE file);
KVAPI BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME lastAccess, LPFILETIME lastWrite);
// SetFileTime: null or all-zero times are left as they are; needs a handle opened for writing.
KVAPI BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite);

KVAPI BOOL DeleteFileW(LPCWSTR name);
// CopyFileW: copies data, attributes and the last-write time through a temporary file, so a failed copy
// leaves any existing target as it was. ERROR_FILE_EXISTS when failIfExists and the target exists.
KVAPI BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
// MoveFileExW: renames a file or folder; an existing target only with MOVEFILE_REPLACE_EXISTING (else
// ERROR_ALREADY_EXISTS) and never a folder or read-only target (ERROR_ACCESS_DENIED).
KVAPI BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
KVAPI BOOL MoveFileW(LPCWSTR from, LPCWSTR to);
KVAPI DWORD GetFileAttributesW(LPCWSTR name);
// SetFileAttributesW: keeps READONLY, HIDDEN, SYSTEM, ARCHIVE, TEMPORARY and NOT_CONTENT_INDEXED;
// FILE_ATTRIBUTE_NORMAL alone clears them.
KVAPI BOOL SetFileAttributesW(LPCWSTR name, DWORD attributes);
KVAPI BOOL GetFileAttributesExW(LPCWSTR name, GET_FILEEX_INFO_LEVELS level, LPVOID info);
KVAPI BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES sa);
// RemoveDirectoryW: ERROR_DIR_NOT_EMPTY, ERROR_DIRECTORY (not a folder), ERROR_ACCESS_DENIED (read-only).
KVAPI BOOL RemoveDirectoryW(LPCWSTR name);

// FindFirstFileW: the entries of one folder whose names match the last component (wildcards * and ?,
// without case), "." and ".." included outside a drive's root, sorted by name without case.
// ERROR_PATH_NOT_FOUND when the folder does not exist, ERROR_FILE_NOT_FOUND when nothing matches.
KVAPI HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
// FindNextFileW: FALSE with ERROR_NO_MORE_FILES after the last entry.
KVAPI BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data);
KVAPI BOOL FindClose(HANDLE find);

// Read-only file mapping: CreateFileMappingW takes a file handle and PAGE_READONLY only (an empty file:
// ERROR_FILE_INVALID); MapViewOfFile FILE_MAP_READ at an offset that is a multiple of 65536
// (ERROR_MAPPED_ALIGNMENT); a view stays valid after the handles are closed until UnmapViewOfFile.
// A view of at most 256 KiB is the file's content as it was when the view was made (a copy, not a live
// mapping): later changes of the file are not seen through it.
KVAPI HANDLE CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES sa, DWORD protect, DWORD maxSizeHigh,
                                DWORD maxSizeLow, LPCWSTR name);
KVAPI LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
KVAPI BOOL UnmapViewOfFile(LPCVOID base);

// GetFullPathNameW: the absolute, normalised form of a path ("." and ".." folded, slashes made
// backslashes, relative paths taken from C:\Windows\System32); *filePart points at the last component
// inside buffer (null when the path ends with a backslash).
KVAPI DWORD GetFullPathNameW(LPCWSTR name, DWORD size, LPWSTR buffer, LPWSTR* filePart);

// ---- Folders and environment --------------------------------------------------------------------------

KVAPI UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);
KVAPI UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);
KVAPI UINT GetSystemWindowsDirectoryW(LPWSTR buffer, UINT size);
// GetTempPathW: the TEMP variable of the process environment, ending with a backslash.
KVAPI DWORD GetTempPathW(DWORD size, LPWSTR buffer);

// The process environment of this machine (not the host's): SystemRoot, windir, SystemDrive, TEMP, TMP,
// USERPROFILE, USERNAME, COMPUTERNAME, APPDATA, LOCALAPPDATA, ProgramData, ProgramFiles, ALLUSERSPROFILE,
// PUBLIC, HOMEDRIVE, HOMEPATH, OS by default; names without case. Changes last until the root changes.
// GetEnvironmentVariableW: 0 with ERROR_ENVVAR_NOT_FOUND for a missing variable.
KVAPI DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);
// SetEnvironmentVariableW: a null value removes the variable; an empty name or one with '=' is refused.
KVAPI BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value);
// ExpandEnvironmentStringsW: replaces %NAME% of known variables (others are left as written); returns
// the size needed including the terminator, whether or not it fit (nothing written when it did not).
KVAPI DWORD ExpandEnvironmentStringsW(LPCWSTR src, LPWSTR dst, DWORD size);

// The user-profile and known folders (exports of the platform's built-in "userenv.dll", "shell32.dll" and
// "ole32.dll"). GetUserProfileDirectoryW needs a token handle (kvp::kHandleKindToken) and answers
// C:\Users\<UserName>; too small a buffer: FALSE, ERROR_INSUFFICIENT_BUFFER, *size = the size needed.
KVAPI BOOL GetUserProfileDirectoryW(HANDLE token, LPWSTR buffer, LPDWORD size);
// SHGetKnownFolderPath: S_OK and a CoTaskMemAlloc'ed path for the known folders below; an unknown folder
// gives HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) and *path null.
KVAPI HRESULT SHGetKnownFolderPath(REFKNOWNFOLDERID id, DWORD flags, HANDLE token, LPWSTR* path);
KVAPI LPVOID CoTaskMemAlloc(SIZE_T bytes);
KVAPI void CoTaskMemFree(LPVOID p);

// Known folder ids of this platform (values of its own; only their identity matters).
inline constexpr KNOWNFOLDERID FOLDERID_LocalAppDataLow = {0x4B560000u + 1, 0x4B56, 0x0001, {0x6B, 0x76, 0x66, 0x6F, 0x6C, 0x64, 0x65, 0x72}};
inline constexpr KNOWNFOLDERID FOLDERID_LocalAppData = {0x4B560000u + 2, 0x4B56, 0x0001, {0x6B, 0x76, 0x66, 0x6F, 0x6C, 0x64, 0x65, 0x72}};
inline constexpr KNOWNFOLDERID FOLDERID_RoamingAppData = {0x4B560000u + 3, 0x4B56, 0x0001, {0x6B, 0x76, 0x66, 0x6F, 0x6C, 0x64, 0x65, 0x72}};
inline constexpr KNOWNFOLDERID FOLDERID_ProgramData = {0x4B560000u + 4, 0x4B56, 0x0001, {0x6B, 0x76, 0x66, 0x6F, 0x6C, 0x64, 0x65, 0x72}};
inline constexpr KNOWNFOLDERID FOLDERID_Profile = {0x4B560000u + 5, 0x4B56, 0x0001, {0x6B, 0x76, 0x66, 0x6F, 0x6C, 0x64, 0x65, 0x72}};
inline constexpr KNOWNFOLDERID FOLDERID_Windows = {0x4B560000u + 6, 0x4B56, 0x0001, {0x6B, 0x76, 0x66, 0x6F, 0x6C, 0x64, 0x65, 0x72}};
inline constexpr KNOWNFOLDERID FOLDERID_System = {0x4B560000u + 7, 0x4B56, 0x0001, {0x6B, 0x76, 0x66, 0x6F, 0x6C, 0x64, 0x65, 0x72}};

namespace kvp {
// Maps a machine path for the file area: null (ERROR_INVALID_PARAMETER), the length rule, the current
// folder for relative paths, then MapPath. Returns ERROR_SUCCESS or the error code.
DWORD MapFilePath(LPCWSTR name, std::string& host, size_t maxLen = MAX_PATH);
// The machine's user profile folder, C:\Users\<UserName>.
std::u16string UserProfileDir();
}  // namespace kvp
