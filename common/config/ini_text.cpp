// In-memory INI text engine and the readers beside the INI files.
#include "config/ini_text.h"

#include <cstring>
#include <string>

#include "config/ini.h"
#include "config/paths.h"
#include "config/resource_strings.h"
#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/heap.h"
#include "kvplat/profile.h"
#include "kvplat/registry.h"
#include "kvplat/spooler.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/platform_queries.h"
#include "settings/units.h"

namespace {

// Room of the ANSI form of a key or section name (a 260-character name, double-byte at worst).
constexpr int kNameBytes = 522;

char FoldByte(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

// The start of the next line: past the line feed, or at the terminating zero.
const char* NextLine(const char* p) {
  while (*p && *p != '\n') ++p;
  return *p == '\n' ? p + 1 : p;
}

// The ANSI form of a name, '[' and ']' made ','.
void SectionToAnsi(char* dest, const WCHAR* section) {
  CfgWideToAnsi(dest, section, kNameBytes);
  for (char* p = dest; *p; ++p)
    if (*p == '[' || *p == ']') *p = ',';
}

// The length of a line's value: up to CR, LF or the end.
DWORD ValueLength(const char* v) {
  DWORD n = 0;
  while (v[n] && v[n] != '\r' && v[n] != '\n') ++n;
  return n;
}

bool KeyMatches(const char* line, const char* key, size_t keyLen) {
  for (size_t i = 0; i < keyLen; ++i)
    if (!line[i] || FoldByte(line[i]) != FoldByte(key[i])) return false;
  return line[keyLen] == '=';
}

// Decimal conversion: leading blanks, an optional sign, digits up to the first non-digit.
int WideToInt(const WCHAR* s) {
  while (*s == u' ' || *s == u'\t') ++s;
  bool neg = false;
  if (*s == u'-' || *s == u'+') neg = *s++ == u'-';
  uint32_t v = 0;
  for (; *s >= u'0' && *s <= u'9'; ++s) v = v * 10u + (uint32_t)(*s - u'0');
  return (int)(neg ? 0u - v : v);
}

// Reads a whole file with a zero byte after it. A missing file gives an empty text (without creating
// it); `*missing` tells which.
char* ReadWholeFile(const WCHAR* path, DWORD* size, bool* missing) {
  *size = 0;
  *missing = false;
  HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    DWORD e = GetLastError();
    if (e != ERROR_FILE_NOT_FOUND && e != ERROR_PATH_NOT_FOUND) return nullptr;
    *missing = true;
    return static_cast<char*>(StgAllocZero(1));
  }
  DWORD high = 0;
  DWORD n = GetFileSize(f, &high);
  char* text = nullptr;
  if (n != INVALID_FILE_SIZE && high == 0 && n < 0x7FFFFFFFu) text = static_cast<char*>(StgAllocZero(n + 1));
  DWORD done = 0;
  if (text && n && (!ReadFile(f, text, n, &done, nullptr) || done != n)) {
    StgFree(text);
    text = nullptr;
  }
  CloseHandle(f);
  if (text) *size = n;
  return text;
}

// Makes room for `more` bytes and the terminating zero.
bool Reserve(INI_TEXT_WRITER* w, DWORD more) {
  uint64_t need = (uint64_t)w->length + more + 1;
  if (need <= w->capacity) return true;
  if (need > 0x40000000u) return false;
  uint64_t cap = w->capacity ? w->capacity : CFG_INI_WRITER_INITIAL;
  while (cap < need) cap *= 2;
  char* grown = static_cast<char*>(StgAllocZero((DWORD)cap));
  if (!grown) return false;
  if (w->text) std::memcpy(grown, w->text, w->length);
  StgFree(w->text);
  w->text = grown;
  w->capacity = (DWORD)cap;
  return true;
}

// Appends the ANSI pieces of one line; all or nothing.
int AppendLine(INI_TEXT_WRITER* w, const WCHAR* const* pieces, const char* const* separators, int count) {
  DWORD need = 2;
  for (int i = 0; i < count; ++i) need += (DWORD)kvp::WLen(pieces[i]) * 2 + 1 + (DWORD)std::strlen(separators[i]);
  if (!Reserve(w, need)) return 0;
  for (int i = 0; i < count; ++i) {
    size_t sep = std::strlen(separators[i]);
    std::memcpy(w->text + w->length, separators[i], sep);
    w->length += (DWORD)sep;
    DWORD room = (DWORD)kvp::WLen(pieces[i]) * 2 + 1;
    CfgWideToAnsi(w->text + w->length, pieces[i], (int)room);
    w->length += (DWORD)std::strlen(w->text + w->length);
  }
  return 1;
}

void FinishLine(INI_TEXT_WRITER* w, const char* tail) {
  size_t n = std::strlen(tail);
  std::memcpy(w->text + w->length, tail, n);
  w->length += (DWORD)n;
  w->text[w->length] = 0;
}

bool WriteAll(HANDLE f, const char* p, DWORD n) {
  DWORD done = 0;
  return n == 0 || (WriteFile(f, p, n, &done, nullptr) && done == n);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Reader.

char* CfgLoadIniText(const WCHAR* path) {
  if (!path || !path[0] || path[1] != u':') return nullptr;
  DWORD size = 0;
  bool missing = false;
  return ReadWholeFile(path, &size, &missing);
}

int CfgFreeIniText(char* text) {
  StgFree(text);
  return 1;
}

const char* CfgIniTextFindSection(const WCHAR* section, const char* text) {
  if (!section || !text) return nullptr;
  char name[kNameBytes];
  SectionToAnsi(name, section);
  size_t len = std::strlen(name);
  for (const char* p = text; *p; p = NextLine(p)) {
    if (*p != '[') continue;
    size_t i = 0;
    while (i < len && p[1 + i] && FoldByte(p[1 + i]) == FoldByte(name[i])) ++i;
    if (i == len && p[1 + len] == ']') return NextLine(p);
  }
  return nullptr;
}

WORD CfgIniTextGetString(const WCHAR* key, const WCHAR* def, WCHAR* dest, WORD capacity, const char* body,
                         DWORD* cursor) {
  if (!dest || !capacity) return 0;
  auto fallback = [&]() -> WORD {
    std::memset(dest, 0, capacity * sizeof(WCHAR));
    return (WORD)kvp::WCopy(dest, capacity, def ? def : u"");
  };
  if (!body) {
    if (cursor) *cursor = 0;
    return fallback();
  }
  if (!cursor || !key) return fallback();
  // A cursor past the end of the text was not left by a lookup: no more keys, rather than a scan of
  // whatever lies beyond the text.
  if (*cursor && strnlen(body, *cursor) < *cursor) {
    *cursor = 0;
    return fallback();
  }
  char ansiKey[kNameBytes];
  CfgWideToAnsi(ansiKey, key, kNameBytes);
  size_t keyLen = std::strlen(ansiKey);
  const char* start = body + *cursor;
  const char* p = start;
  bool wrapped = false;
  for (;;) {
    if (!*p || *p == '[') {
      // The end of the section: wrap once; met again, the whole section was seen.
      if (wrapped) {
        *cursor = 0;
        return fallback();
      }
      if (start == body) return fallback();
      wrapped = true;
      p = body;
      continue;
    }
    if (KeyMatches(p, ansiKey, keyLen)) {
      const char* v = p + keyLen + 1;
      DWORD n = ValueLength(v);
      if (n > (DWORD)capacity - 1) n = (DWORD)capacity - 1;
      char small[256];
      char* tmp = n < sizeof(small) ? small : static_cast<char*>(StgAllocZero(n + 1));
      if (!tmp) return fallback();
      std::memcpy(tmp, v, n);
      tmp[n] = 0;
      std::memset(dest, 0, capacity * sizeof(WCHAR));
      CfgAnsiToWide(dest, tmp, capacity);
      if (tmp != small) StgFree(tmp);
      *cursor = (DWORD)(NextLine(p) - body);
      return (WORD)n;
    }
    p = NextLine(p);
    if (wrapped && p >= start) return fallback();
  }
}

int CfgIniTextGetInt(const WCHAR* key, int def, const char* body, DWORD* cursor) {
  WCHAR buf[11];
  if (CfgIniTextGetString(key, u"", buf, 11, body, cursor) == 0) return def;
  return WideToInt(buf);
}

// ---------------------------------------------------------------------------------------------
// Writer.

int CfgIniTextWriterInit(INI_TEXT_WRITER* writer) {
  if (!writer) return 0;
  *writer = INI_TEXT_WRITER{};
  return Reserve(writer, CFG_INI_WRITER_INITIAL - 1) ? 1 : 0;
}

void CfgIniTextWriterFree(INI_TEXT_WRITER* writer) {
  if (!writer) return;
  StgFree(writer->text);
  *writer = INI_TEXT_WRITER{};
}

int CfgIniTextPutSection(INI_TEXT_WRITER* writer, const WCHAR* section) {
  if (!writer || !section) return 0;
  if (!section[0]) return 1;
  std::u16string name(section);
  CfgNormalizeSectionName(name.data());
  const WCHAR* pieces[] = {name.c_str()};
  const char* seps[] = {"["};
  if (!AppendLine(writer, pieces, seps, 1)) return 0;
  FinishLine(writer, "]\r\n");
  return 1;
}

int CfgIniTextPutKey(INI_TEXT_WRITER* writer, const WCHAR* key, const WCHAR* value) {
  if (!writer || !key || !value) return 0;
  if (!key[0]) return 1;
  const WCHAR* pieces[] = {key, value};
  const char* seps[] = {"", "="};
  if (!AppendLine(writer, pieces, seps, 2)) return 0;
  FinishLine(writer, "\r\n");
  return 1;
}

int CfgIniFileReplaceSection(SETTING_CONTEXT* ctx, const WCHAR* path, const WCHAR* section, const char* text,
                             DWORD length) {
  if (!path || !path[0] || path[1] != u':' || !section || (!text && length)) return 0;
  char name[kNameBytes];
  SectionToAnsi(name, section);
  std::u16string aside = std::u16string(path) + u".new";

  // The global mutex orders the driver's own rewrites; the profile lock of the file keeps out every
  // process's single-key writes between the read and the rename, which would otherwise be lost. A
  // mutex that cannot be had fails the rewrite rather than writing unprotected.
  if (!StgLockSharedFiles(ctx)) {
    StgUnlockSharedFiles(ctx);
    StgSetLastError(ctx, ERROR_TIMEOUT);
    return 0;
  }
  kvp::ProfileFileLock fileLock(path);
  DWORD oldSize = 0;
  bool missing = false;
  char* old = fileLock.ok() ? ReadWholeFile(path, &oldSize, &missing) : nullptr;
  int ok = 0;
  DWORD error = fileLock.ok() ? (DWORD)ERROR_NOT_ENOUGH_MEMORY : GetLastError();
  if (old) {
    DWORD sectionLength = 0;
    const char* found = CfgFindIniSectionText(name, old, oldSize, &sectionLength);
    DWORD before = found ? (DWORD)(found - old) : oldSize;
    DWORD afterStart = found ? before + sectionLength : oldSize;
    HANDLE f = CreateFileW(aside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
      error = GetLastError();
    } else {
      bool written = WriteAll(f, text, length) && WriteAll(f, old, before) &&
                     WriteAll(f, old + afterStart, oldSize - afterStart) && FlushFileBuffers(f);
      if (!written) error = GetLastError();
      CloseHandle(f);
      if (written && MoveFileExW(aside.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) ok = 1;
      else if (written) error = GetLastError();
      if (!ok) DeleteFileW(aside.c_str());
    }
    StgFree(old);
  }
  StgUnlockSharedFiles(ctx);
  if (!ok) StgSetLastError(ctx, error ? error : ERROR_WRITE_FAULT);
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Configuration beside the INI files.

int CfgGetPrinterDataDir(HANDLE printer, const WCHAR* valueName, WCHAR* dest, DWORD capacity) {
  if (!valueName || !dest || !capacity) return 0;
  WCHAR value[CFG_MAX_PATH] = {};
  DWORD type = 0, needed = 0;
  if (GetPrinterDataW(printer, const_cast<LPWSTR>(valueName), &type, reinterpret_cast<LPBYTE>(value),
                      (CFG_MAX_PATH - 1) * sizeof(WCHAR), &needed) != ERROR_SUCCESS)
    return 0;
  if (!value[0]) return 0;
  static constexpr char16_t kRoot[] = u"%SYSTEMROOT%";
  static constexpr char16_t kProfile[] = u"%USERPROFILE%";
  auto startsWith = [&](std::u16string_view prefix) {
    std::u16string_view v = kvp::WView(value);
    return v.size() >= prefix.size() && kvp::WEqualI(v.substr(0, prefix.size()), prefix);
  };
  WCHAR path[CFG_MAX_PATH * 2] = {};
  bool perUser = false;
  if (startsWith(kRoot)) {
    UINT n = GetWindowsDirectoryW(path, CFG_MAX_PATH);
    if (!n || n >= CFG_MAX_PATH) return 0;
    const WCHAR* rest = value + (sizeof(kRoot) / sizeof(WCHAR) - 1);
    if (n + kvp::WLen(rest) >= CFG_MAX_PATH) return 0;
    kvp::WCopy(path + n, CFG_MAX_PATH - n, rest);
  } else if (startsWith(kProfile)) {
    if (!CfgGetUserDataDirForPrinter(path, CFG_MAX_PATH, printer) || !path[0]) return -1;
    perUser = true;
  } else {
    kvp::WCopy(path, CFG_MAX_PATH, value);
  }
  size_t len = kvp::WLen(path);
  if (len + 47 + (perUser ? 41 : 0) >= CFG_MAX_PATH) return 0;
  if (!perUser) {
    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileW(path, &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    FindClose(h);
    if (path[len - 1] != u'\\') path[len++] = u'\\';
    kvp::WCopy(path + len, CFG_MAX_PATH - len, u"_zarn");
    len = kvp::WLen(path);
  }
  // A destination that cannot hold the folder is a failure, not a success with nothing in it.
  if (len >= capacity) return 0;
  kvp::WCopy(dest, capacity, path);
  return 1;
}

void CfgLoadUserFunctionRights(SETTING_CONTEXT* ctx) {
  if (!ctx) return;
  constexpr WORD kFirst = 1169;  // wdmSpecial1
  WCHAR file[CFG_MAX_PATH] = {}, section[CFG_MAX_PATH] = {};
  bool located = false, failed = false;
  for (DWORD n = 0; n < 16; ++n) {
    WORD id = (WORD)(kFirst + n);
    if (!StgIsFeatureBitSet(n) || failed) {
      StgSetValue(ctx, id, 0);
      continue;
    }
    if (!located) {
      located = true;
      failed = true;
      WCHAR modelIni[CFG_MAX_PATH] = {}, rule[32] = {};
      CfgMakeDriverDirPath(modelIni, CFG_MAX_PATH, u"kvdrvmod.ini", ctx->printer);
      const WCHAR* printerName = CfgGetPrinterName(ctx);
      if (modelIni[0] && printerName &&
          CfgIniGetString(printerName, u"UserInfomationFile", u"", file, CFG_MAX_PATH, modelIni) && file[0] &&
          StgExpandRootMacros(file, CFG_MAX_PATH, ctx) && file[0] &&
          CfgIniGetString(u"Common", u"SectionName", u"", rule, 32, file) && rule[0]) {
        std::u16string_view r = kvp::WView(rule);
        if (kvp::WEqualI(r, u"User")) {
          DWORD size = 256;
          failed = !GetUserNameW(section, &size) || !section[0];
        } else if (kvp::WEqualI(r, u"Driver") || kvp::WEqualI(r, u"Printer")) {
          const WCHAR* name = kvp::WEqualI(r, u"Driver") ? CfgGetDriverName(ctx) : printerName;
          failed = !name || !name[0];
          if (!failed) kvp::WCopy(section, CFG_MAX_PATH, name);
        }
      }
      if (failed) {
        StgSetValue(ctx, id, 0);
        continue;
      }
    }
    WCHAR key[16];
    std::u16string k = u"Function" + kvp::FromUtf8(std::to_string(n + 1));
    kvp::WCopy(key, 16, k.c_str());
    StgSetValue(ctx, id, (uint64_t)(uint32_t)CfgIniGetInt(section, key, 0, file));
  }
}

int CfgReadDriverSettingsEnabled(DWORD* value) {
  if (!value) return 0;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\KAVRO\\DRIVER\\SETTINGS", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return 0;
  DWORD type = 0, v = 0, size = sizeof(v);
  LSTATUS rc = RegQueryValueExW(key, u"Enabled", nullptr, &type, reinterpret_cast<LPBYTE>(&v), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || size != sizeof(v)) return 0;
  *value = v;
  return 1;
}

void CfgLoadDriverSettingsEnabled(SETTING_CONTEXT* ctx) {
  if (!ctx || !StgIsFeatureBitSet(1)) return;
  DWORD v = 0;
  DWORD answer = 0;
  if (CfgReadDriverSettingsEnabled(&v)) answer = v == 1 ? 2 : v == 0 ? 1 : 0;
  StgSetValue(ctx, 1170, answer);  // wdmSpecial2
}
