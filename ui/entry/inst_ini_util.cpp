// Shared helpers of the installation-state and INI-key code.
#include "inst_ini_util.h"

#include <cstdio>

#include "config/ini.h"
#include "kvplat/file.h"
#include "kvplat/profile.h"
#include "kvplat/text.h"
#include "settings/context.h"

namespace inst {

SharedFilesLock::SharedFilesLock() { StgLockSharedFiles(nullptr); }
SharedFilesLock::~SharedFilesLock() { StgUnlockSharedFiles(nullptr); }

bool Join(WCHAR* dst, DWORD cch, std::initializer_list<std::u16string_view> parts) {
  if (!dst || !cch) return false;
  size_t n = 0;
  for (std::u16string_view p : parts) {
    if (n + p.size() + 1 > cch) {
      dst[0] = 0;
      return false;
    }
    for (WCHAR c : p) dst[n++] = c;
  }
  dst[n] = 0;
  return true;
}

std::u16string_view FolderOf(const WCHAR* path) {
  std::u16string_view v = kvp::WView(path);
  size_t slash = v.rfind(u'\\');
  return slash == std::u16string_view::npos ? std::u16string_view() : v.substr(0, slash);
}

const WCHAR* FileNameOf(const WCHAR* path) {
  std::u16string_view v = kvp::WView(path);
  size_t slash = v.rfind(u'\\');
  return slash == std::u16string_view::npos ? path : path + slash + 1;
}

std::vector<WCHAR> ReadWholeSection(const WCHAR* section, const WCHAR* ini) {
  std::vector<WCHAR> text(32768);
  for (;;) {
    DWORD n = GetPrivateProfileSectionW(section, text.data(), (DWORD)text.size(), ini);
    if (n + 2 < text.size() || text.size() >= (1u << 24)) {
      text.resize(n + 2);
      text[n] = text[n + 1] = 0;
      return text;
    }
    text.assign(text.size() * 2, 0);
  }
}

void CopyWholeSection(const WCHAR* section, const WCHAR* from, const WCHAR* to) {
  std::vector<WCHAR> text = ReadWholeSection(section, from);
  if (text[0]) WritePrivateProfileSectionW(section, text.data(), to);
}

bool CopyKeyIfPresent(const WCHAR* section, const WCHAR* key, const WCHAR* from, const WCHAR* to) {
  static constexpr WCHAR kAbsent[] = u"\x1F<absent>";
  WCHAR value[kPathChars] = {};
  CfgIniGetString(section, key, kAbsent, value, kPathChars, from);
  if (kvp::WView(value) == kvp::WView(kAbsent)) return false;
  CfgIniWriteString(section, key, value, to);
  return true;
}

void FormatKey(WCHAR* dst, DWORD cch, const char* pattern, int n) {
  char narrow[64];
  std::snprintf(narrow, sizeof narrow, pattern, n);
  size_t i = 0;
  for (; narrow[i] && i + 1 < cch; ++i) dst[i] = (WCHAR)(unsigned char)narrow[i];
  dst[i] = 0;
}

}  // namespace inst
