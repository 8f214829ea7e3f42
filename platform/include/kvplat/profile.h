// Profile (INI) files: the private-profile functions over real files under the machine root.
//
// Rules shared by every call:
// - A null file name means "win.ini"; a name without a drive or share is taken in the Windows folder
//   (C:\Windows\<name>).
// - Section and key names compare without regard to letter case; blanks (space, tab) around names and
//   values are ignored; one pair of matching quotes ('...' or "...") around a value is removed on reading.
// - Lines end with CR LF (a bare LF or CR is accepted on reading); a line whose first non-blank character
//   is ';' is a comment. Lines before the first section belong to no section and are kept as they are.
//   A zero character in a file is no text: it neither ends nor makes a line, is not returned and is not
//   written back by a rewrite.
// - A file is UTF-16LE when it begins with the byte-order mark FF FE, otherwise text in the ANSI code
//   page; a rewrite keeps the form the file was found in. A new file is written in the ANSI code page,
//   or as UTF-16LE with a byte-order mark when its text has characters the code page cannot hold.
// - Every write replaces the file atomically (written beside it, then renamed) under a lock shared by
//   all processes on the machine root, so concurrent writers of different keys lose nothing and a
//   reader never sees half a file. There is no cache: a write is visible to the next read at once.
// - A write shares reading and writing with the file's open handles: a handle opened without
//   FILE_SHARE_READ or FILE_SHARE_WRITE makes it fail with ERROR_SHARING_VIOLATION. While a handle of
//   this process holds the file without FILE_SHARE_DELETE the file cannot be replaced, and is rewritten
//   in place instead (that handle then reads the new text, and what it writes stays in the file).
#pragma once
#include "kvplat/types.h"

#ifndef ERROR_FILE_TOO_LARGE
#define ERROR_FILE_TOO_LARGE 223L
#endif

// Reads a value, or lists names when section or key is null.
// - section and key given: copies the value (or the default, trailing blanks removed; "" for a null
//   default) into buf and returns the characters copied without the terminator. A value that does not
//   fit is cut to size-1 characters and size-1 is returned (last error ERROR_MORE_DATA).
// - section null: the section names; key null: the key names of the section (lines holding '=' only). Each name ends with a
//   zero and the list with a second zero; the result counts all but the last zero. A list that does not
//   fit is cut and ends with two zeros at size-2 and size-1, and size-2 is returned.
// - buf null or size 0: returns 0. Last error ERROR_FILE_NOT_FOUND when the file, section or key is
//   missing (the default was used), ERROR_FILE_TOO_LARGE for a file over 32 MiB.
KVAPI DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR deflt, LPWSTR buf, DWORD size,
                                     LPCWSTR file);

// The value read as a decimal integer: optional blanks and sign, then digits up to the first non-digit
// ("12ab" gives 12, "ab" gives 0). The number wraps at 32 bits, so a value written with "%u" (such as
// 3000000000 or 4294967295) or "%d" (negative numbers, as their two's complement) reads back as the same
// 32 bits. A missing key or an empty value gives `deflt`.
KVAPI UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT deflt, LPCWSTR file);

// Every "key=value" line of the section (values as stored, blanks trimmed, quotes kept; comment and
// blank lines left out) as a double-zero list. Truncation as for the lists above: size-2 is returned.
KVAPI DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buf, DWORD size, LPCWSTR file);

// The section names as a double-zero list (same as GetPrivateProfileStringW with a null section).
KVAPI DWORD GetPrivateProfileSectionNamesW(LPWSTR buf, DWORD size, LPCWSTR file);

// Sets `key` to `value` in `section`, creating the section and the file when missing.
// A null value deletes the key; a null key deletes the whole section; all three null flushes the
// profile cache of `file` (there is none: the call just succeeds). Returns TRUE on success; FALSE with
// ERROR_INVALID_PARAMETER for a null section with a key, a section name holding ']' or a line end, a key
// holding '=' or a line end or beginning with '[' or ';', a value holding a line end;
// ERROR_NO_UNICODE_TRANSLATION when an existing ANSI file cannot hold the text; ERROR_PATH_NOT_FOUND
// when the folder is missing; ERROR_WRITE_FAULT when the write failed (the file is then unchanged).
KVAPI BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file);

// Replaces the whole content of `section` by the lines of `lines` (a double-zero list of "key=value"
// strings); a null list deletes the section. Lines must not hold line ends or begin with '['.
KVAPI BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR lines, LPCWSTR file);

namespace kvp {

// Holds, while it lives, the lock that every profile write of `file` takes (shared by all processes on
// the machine root), so a caller can read a profile file whole and replace it without losing a key
// that another thread or process writes meanwhile. Profile functions called on the holding thread go
// on without waiting. ok() is false, with the last error set, for a file name that cannot be resolved
// or a lock that cannot be made.
class ProfileFileLock {
 public:
  explicit ProfileFileLock(LPCWSTR file);
  ~ProfileFileLock();
  ProfileFileLock(const ProfileFileLock&) = delete;
  ProfileFileLock& operator=(const ProfileFileLock&) = delete;
  bool ok() const { return held_ != nullptr; }

 private:
  void* held_ = nullptr;
};

}  // namespace kvp
