// INI access.
#include "config/ini.h"

#include <cctype>
#include <cstring>

#include "kvplat/heap.h"
#include "kvplat/profile.h"
#include "kvplat/text.h"
#include "settings/library_hooks.h"

namespace {

// A working copy of the section name (261 characters) from the global heap, normalised.
class SectionCopy {
 public:
  explicit SectionCopy(const WCHAR* section) {
    if (section && kvp::WLen(section) > CFG_MAX_SECTION) {
      tooLong_ = true;
      return;
    }
    buf_ = static_cast<WCHAR*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, (CFG_MAX_SECTION + 1) * sizeof(WCHAR)));
    if (buf_ && section) CfgNormalizeSectionName((kvp::WCopy(buf_, CFG_MAX_SECTION + 1, section), buf_));
  }
  ~SectionCopy() {
    if (buf_) GlobalFree(buf_);
  }
  SectionCopy(const SectionCopy&) = delete;
  SectionCopy& operator=(const SectionCopy&) = delete;
  bool TooLong() const { return tooLong_; }
  // The section to pass on (none when none was given); valid only when Ok().
  bool Ok() const { return buf_ != nullptr; }
  const WCHAR* Get(const WCHAR* original) const { return original ? buf_ : nullptr; }

 private:
  WCHAR* buf_ = nullptr;
  bool tooLong_ = false;
};

}  // namespace

int CfgIniGetInt(const WCHAR* section, const WCHAR* key, int def, const WCHAR* iniPath) {
  SectionCopy s(section);
  if (s.TooLong() || !s.Ok()) return def;
  return (int)GetPrivateProfileIntW(s.Get(section), key, def, iniPath);
}

DWORD CfgIniGetString(const WCHAR* section, const WCHAR* key, const WCHAR* def, WCHAR* buffer, DWORD chars,
                      const WCHAR* iniPath) {
  if (!buffer || !chars) return 0;
  SectionCopy s(section);
  if (s.TooLong() || !s.Ok()) {
    std::memset(buffer, 0, chars * sizeof(WCHAR));
    return (DWORD)kvp::WCopy(buffer, chars, def);
  }
  DWORD n = GetPrivateProfileStringW(s.Get(section), key, def ? def : u"", buffer, chars, iniPath);
  buffer[chars - 1] = 0;
  return n;
}

BOOL CfgIniWriteString(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* iniPath) {
  SectionCopy s(section);
  if (s.TooLong() || !s.Ok() || !section) return FALSE;
  BOOL ok = WritePrivateProfileStringW(s.Get(section), key, value, iniPath);
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, iniPath);
  return ok;
}

WCHAR* CfgNormalizeSectionNameCommon(WCHAR* section) {
  if (!section) return nullptr;
  for (WCHAR* p = section; *p; ++p)
    if (*p == u'[' || *p == u']') *p = u',';
  return section;
}

const char* CfgSkipTextLine(const char* text, DWORD* count) {
  if (!text) {
    if (count) *count = 0;
    return nullptr;
  }
  DWORD n = 0;
  while (text[n] && text[n] != '\n') ++n;
  ++n;  // the line feed, or the terminator
  if (count) *count = n;
  return text + n;
}

const char* CfgFindIniSectionText(const char* section, const char* text, DWORD length, DWORD* sectionLength) {
  if (sectionLength) *sectionLength = 0;
  if (!section || !text) return nullptr;
  size_t nameLen = std::strlen(section);
  DWORD pos = 0;
  // One line: [pos, end) where end is past its line feed or the given length.
  auto lineEnd = [&](DWORD from) {
    DWORD e = from;
    while (e < length && text[e] != '\n' && text[e]) ++e;
    if (e < length && text[e] == '\n') ++e;
    return e;
  };
  while (pos < length && text[pos]) {
    DWORD end = lineEnd(pos);
    bool match = text[pos] == '[' && pos + 1 + nameLen < length && text[pos + 1 + nameLen] == ']';
    for (size_t i = 0; match && i < nameLen; ++i)
      if (std::tolower((unsigned char)text[pos + 1 + i]) != std::tolower((unsigned char)section[i])) match = false;
    if (match) {
      if (sectionLength) {
        DWORD e = end;
        while (e < length && text[e] && text[e] != '[') e = lineEnd(e);
        *sectionLength = e - pos;
      }
      return text + pos;
    }
    if (end == pos) break;
    pos = end;
  }
  return nullptr;
}
