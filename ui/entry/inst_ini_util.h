// Small helpers the installation-state and INI-key code shares: the global mutex as a scope, bounded
// path joins and the whole text of an INI section.
#pragma once
#include <initializer_list>
#include <string_view>
#include <vector>

#include "kvplat/types.h"

struct SETTING_CONTEXT;

namespace inst {

constexpr DWORD kPathChars = 260;

// Holds the global mutex of the shared files for its lifetime.
class SharedFilesLock {
 public:
  SharedFilesLock();
  ~SharedFilesLock();
  SharedFilesLock(const SharedFilesLock&) = delete;
  SharedFilesLock& operator=(const SharedFilesLock&) = delete;
};

// Joins the parts into dst (capacity in characters): false and dst emptied when the result does not fit.
bool Join(WCHAR* dst, DWORD cch, std::initializer_list<std::u16string_view> parts);
// The folder part of a path (up to its last backslash, without it); empty when it has none.
std::u16string_view FolderOf(const WCHAR* path);
// The text after the last backslash (the whole text without one).
const WCHAR* FileNameOf(const WCHAR* path);
// The whole text of an INI section, read with a buffer that grows until the section fits (double
// terminated; a single terminator pair for an absent section).
std::vector<WCHAR> ReadWholeSection(const WCHAR* section, const WCHAR* ini);
// Copies one section whole from one INI file to another (nothing written for an empty section).
void CopyWholeSection(const WCHAR* section, const WCHAR* from, const WCHAR* to);
// A key copied from one INI to another as it reads (capacity 260); present only: nothing written when
// the source lacks it.
bool CopyKeyIfPresent(const WCHAR* section, const WCHAR* key, const WCHAR* from, const WCHAR* to);
// A key's value formatted with a number ("PresetList%d").
void FormatKey(WCHAR* dst, DWORD cch, const char* pattern, int n);

}  // namespace inst
