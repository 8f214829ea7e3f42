// Version, locale, name and code-page queries answered from the system profile.
#include <cstring>
#include <string>

#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/sysinfo.h"
#include "kvplat/text.h"

namespace {

using kvp::ProfileGetInt;
using kvp::ProfileGetString;

// ---- Version ----

struct Version {
  DWORD major, minor, build, platform, spMajor, spMinor;
  WORD suite;
  BYTE product;
  std::u16string csd;
};

Version CurrentVersion() {
  Version v;
  v.major = ProfileGetInt("OSMajor", 10);
  v.minor = ProfileGetInt("OSMinor", 0);
  v.build = ProfileGetInt("OSBuild", 19045);
  v.platform = ProfileGetInt("PlatformId", VER_PLATFORM_WIN32_NT);
  v.spMajor = ProfileGetInt("ServicePackMajor", 0) & 0xFFFF;
  v.spMinor = ProfileGetInt("ServicePackMinor", 0) & 0xFFFF;
  v.product = BYTE(ProfileGetInt("ProductType", VER_NT_WORKSTATION));
  v.suite = ProfileGetInt("TerminalServer", 0) ? VER_SUITE_TERMINAL : 0;
  v.csd = kvp::FromUtf8(ProfileGetString("CSDVersion", ""));
  if (v.csd.size() > 127) v.csd.resize(127);
  return v;
}

bool Compare(ULONGLONG lhs, ULONGLONG rhs, BYTE cond) {
  switch (cond) {
    case VER_EQUAL: return lhs == rhs;
    case VER_GREATER: return lhs > rhs;
    case VER_GREATER_EQUAL: return lhs >= rhs;
    case VER_LESS: return lhs < rhs;
    case VER_LESS_EQUAL: return lhs <= rhs;
    default: return false;
  }
}

BYTE CondOf(ULONGLONG mask, DWORD bit) {
  int index = 0;
  while (index < 8 && !(bit & (1u << index))) ++index;
  return BYTE((mask >> (index * 3)) & 7);
}

// ---- Locale ----

struct LocaleRow {
  LCID lcid;
  const char* country;  // LOCALE_ICOUNTRY
  UINT acp, oemcp;
  const char* iso639;
  const char* iso3166;
  const char* abbrev;    // LOCALE_SABBREVLANGNAME
  const char* language;  // English names (LOCALE_SENGLANGUAGE and LOCALE_SLANGUAGE)
  const char* countryName;
};

constexpr LocaleRow kLocales[] = {
    {0x0409, "1", 1252, 437, "en", "US", "ENU", "English", "United States"},
    {0x0809, "44", 1252, 850, "en", "GB", "ENG", "English", "United Kingdom"},
    {0x1009, "2", 1252, 850, "en", "CA", "ENC", "English", "Canada"},
    {0x0C09, "61", 1252, 850, "en", "AU", "ENA", "English", "Australia"},
    {0x0411, "81", 932, 932, "ja", "JP", "JPN", "Japanese", "Japan"},
    {0x0804, "86", 936, 936, "zh", "CN", "CHS", "Chinese", "China"},
    {0x0404, "886", 950, 950, "zh", "TW", "CHT", "Chinese", "Taiwan"},
    {0x0C04, "852", 950, 950, "zh", "HK", "ZHH", "Chinese", "Hong Kong"},
    {0x0412, "82", 949, 949, "ko", "KR", "KOR", "Korean", "Korea"},
    {0x0407, "49", 1252, 850, "de", "DE", "DEU", "German", "Germany"},
    {0x040C, "33", 1252, 850, "fr", "FR", "FRA", "French", "France"},
    {0x0C0C, "2", 1252, 850, "fr", "CA", "FRC", "French", "Canada"},
    {0x0410, "39", 1252, 850, "it", "IT", "ITA", "Italian", "Italy"},
    {0x0C0A, "34", 1252, 850, "es", "ES", "ESN", "Spanish", "Spain"},
    {0x080A, "52", 1252, 850, "es", "MX", "ESM", "Spanish", "Mexico"},
    {0x0413, "31", 1252, 850, "nl", "NL", "NLD", "Dutch", "Netherlands"},
    {0x0416, "55", 1252, 850, "pt", "BR", "PTB", "Portuguese", "Brazil"},
    {0x0816, "351", 1252, 850, "pt", "PT", "PTG", "Portuguese", "Portugal"},
    {0x0406, "45", 1252, 850, "da", "DK", "DAN", "Danish", "Denmark"},
    {0x041D, "46", 1252, 850, "sv", "SE", "SVE", "Swedish", "Sweden"},
    {0x040B, "358", 1252, 850, "fi", "FI", "FIN", "Finnish", "Finland"},
    {0x0414, "47", 1252, 850, "nb", "NO", "NOR", "Norwegian", "Norway"},
    {0x0415, "48", 1250, 852, "pl", "PL", "PLK", "Polish", "Poland"},
    {0x0405, "420", 1250, 852, "cs", "CZ", "CSY", "Czech", "Czech Republic"},
    {0x040E, "36", 1250, 852, "hu", "HU", "HUN", "Hungarian", "Hungary"},
    {0x041B, "421", 1250, 852, "sk", "SK", "SKY", "Slovak", "Slovakia"},
    {0x0419, "7", 1251, 866, "ru", "RU", "RUS", "Russian", "Russia"},
    {0x0408, "30", 1253, 737, "el", "GR", "ELL", "Greek", "Greece"},
    {0x041F, "90", 1254, 857, "tr", "TR", "TRK", "Turkish", "Turkey"},
};

const LocaleRow* FindLocale(LCID lcid) {
  for (const auto& r : kLocales)
    if (r.lcid == lcid) return &r;
  return nullptr;
}

LCID Resolve(LCID lcid) {
  LCID user = GetUserDefaultLCID();
  switch (lcid) {
    case LOCALE_NEUTRAL:
    case LOCALE_USER_DEFAULT:
      return user;
    case LOCALE_SYSTEM_DEFAULT:
      return GetSystemDefaultLCID();
    case LOCALE_INVARIANT:
      return 0x0409;  // the invariant locale answers like English (United States)
    default:
      return lcid & 0xFFFF;  // sort identifiers are ignored
  }
}

// The value of one item as text; `number` tells whether LOCALE_RETURN_NUMBER may be used on it.
bool LocaleValue(const LocaleRow& r, LCTYPE type, std::string* text, bool* number) {
  char buf[16];
  *number = false;
  switch (type) {
    case LOCALE_ILANGUAGE:
      std::snprintf(buf, sizeof buf, "%04x", unsigned(r.lcid));
      *text = buf;
      *number = true;
      return true;
    case LOCALE_SLANGUAGE:
      *text = std::string(r.language) + " (" + r.countryName + ")";
      return true;
    case LOCALE_SENGLANGUAGE: *text = r.language; return true;
    case LOCALE_SABBREVLANGNAME: *text = r.abbrev; return true;
    case LOCALE_ICOUNTRY: *text = r.country; *number = true; return true;
    case LOCALE_SCOUNTRY:
    case LOCALE_SENGCOUNTRY: *text = r.countryName; return true;
    case LOCALE_IDEFAULTCODEPAGE: *text = std::to_string(r.oemcp); *number = true; return true;
    case LOCALE_IDEFAULTANSICODEPAGE: *text = std::to_string(r.acp); *number = true; return true;
    case LOCALE_SISO639LANGNAME: *text = r.iso639; return true;
    case LOCALE_SISO3166CTRYNAME: *text = r.iso3166; return true;
    case LOCALE_SNAME: *text = std::string(r.iso639) + "-" + r.iso3166; return true;
    default: return false;
  }
}

// Shared by the W and A forms: the value's characters (ASCII only), or 0 with the last error set.
// For LOCALE_RETURN_NUMBER, *asNumber is set and *num holds the value.
bool LocaleLookup(LCID locale, LCTYPE type, std::string* text, bool* asNumber, DWORD* num) {
  const LocaleRow* r = FindLocale(Resolve(locale));
  bool retNumber = (type & LOCALE_RETURN_NUMBER) != 0;
  type &= ~(LOCALE_NOUSEROVERRIDE | LOCALE_RETURN_NUMBER);
  bool numeric;
  if (!r || !LocaleValue(*r, type, text, &numeric)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  *asNumber = retNumber;
  if (retNumber) {
    if (!numeric) {
      SetLastError(ERROR_INVALID_FLAGS);
      return false;
    }
    *num = DWORD(std::strtoul(text->c_str(), nullptr, type == LOCALE_ILANGUAGE ? 16 : 10));
  }
  return true;
}

template <typename Ch>
int LocaleCopy(LCID locale, LCTYPE type, Ch* data, int cch) {
  if (cch < 0 || (cch > 0 && !data)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string text;
  bool asNumber = false;
  DWORD num = 0;
  if (!LocaleLookup(locale, type, &text, &asNumber, &num)) return 0;
  if (asNumber) {
    int need = int(sizeof(DWORD) / sizeof(Ch));
    if (cch == 0) return need;
    if (cch < need) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(data, &num, sizeof num);
    return need;
  }
  int need = int(text.size()) + 1;
  if (cch == 0) return need;
  if (cch < need) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (size_t i = 0; i < text.size(); ++i) data[i] = Ch((unsigned char)text[i]);
  data[text.size()] = 0;
  return need;
}

}  // namespace

KVAPI BOOL GetVersionExW(LPOSVERSIONINFOW info) {
  if (!info || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW) &&
                info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXW))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Version v = CurrentVersion();
  info->dwMajorVersion = v.major;
  info->dwMinorVersion = v.minor;
  info->dwBuildNumber = v.build;
  info->dwPlatformId = v.platform;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  std::memcpy(info->szCSDVersion, v.csd.data(), v.csd.size() * sizeof(WCHAR));
  if (info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXW)) {
    auto* ex = reinterpret_cast<LPOSVERSIONINFOEXW>(info);
    ex->wServicePackMajor = WORD(v.spMajor);
    ex->wServicePackMinor = WORD(v.spMinor);
    ex->wSuiteMask = v.suite;
    ex->wProductType = v.product;
    ex->wReserved = 0;
  }
  return TRUE;
}

KVAPI ULONGLONG VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE cond) {
  if (!typeMask || !cond) return conditionMask;
  for (int i = 0; i < 8; ++i) {
    if (!(typeMask & (1u << i))) continue;
    conditionMask &= ~(ULONGLONG(7) << (i * 3));
    conditionMask |= ULONGLONG(cond & 7) << (i * 3);
  }
  return conditionMask;
}

KVAPI BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW info, DWORD typeMask, ULONGLONG conditionMask) {
  if (!info || typeMask == 0 || conditionMask == 0) {
    SetLastError(info ? ERROR_BAD_ARGUMENTS : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Version v = CurrentVersion();
  bool ok = true;
  // The version fields form one number, compared under the condition of the most significant field asked.
  const DWORD order[] = {VER_MAJORVERSION, VER_MINORVERSION, VER_SERVICEPACKMAJOR, VER_SERVICEPACKMINOR};
  const ULONGLONG have[] = {v.major, v.minor, v.spMajor, v.spMinor};
  const ULONGLONG want[] = {info->dwMajorVersion, info->dwMinorVersion, info->wServicePackMajor,
                            info->wServicePackMinor};
  ULONGLONG lhs = 0, rhs = 0;
  BYTE cond = 0;
  for (int i = 0; i < 4; ++i) {
    lhs <<= 16;
    rhs <<= 16;
    if (!(typeMask & order[i])) continue;
    if (!cond) cond = CondOf(conditionMask, order[i]);
    lhs |= have[i] & 0xFFFF;
    rhs |= want[i] & 0xFFFF;
  }
  if (cond) ok = ok && Compare(lhs, rhs, cond);
  if (typeMask & VER_BUILDNUMBER) ok = ok && Compare(v.build, info->dwBuildNumber, CondOf(conditionMask, VER_BUILDNUMBER));
  if (typeMask & VER_PLATFORMID) ok = ok && Compare(v.platform, info->dwPlatformId, CondOf(conditionMask, VER_PLATFORMID));
  if (typeMask & VER_PRODUCT_TYPE) ok = ok && Compare(v.product, info->wProductType, CondOf(conditionMask, VER_PRODUCT_TYPE));
  if (typeMask & VER_SUITENAME) {
    BYTE c = CondOf(conditionMask, VER_SUITENAME);
    WORD asked = info->wSuiteMask;
    if (c == VER_OR)
      ok = ok && (asked == 0 || (v.suite & asked) != 0);
    else  // VER_AND, and any other condition, wants every asked suite
      ok = ok && (v.suite & asked) == asked;
  }
  if (!ok) {
    SetLastError(ERROR_OLD_WIN_VERSION);
    return FALSE;
  }
  return TRUE;
}

KVAPI LCID GetUserDefaultLCID(void) { return ProfileGetInt("UserLocale", 0x0409) & 0xFFFF; }
KVAPI LCID GetSystemDefaultLCID(void) { return ProfileGetInt("SystemLocale", 0x0409) & 0xFFFF; }
KVAPI LANGID GetUserDefaultLangID(void) { return LANGIDFROMLCID(GetUserDefaultLCID()); }
KVAPI LANGID GetSystemDefaultLangID(void) { return LANGIDFROMLCID(GetSystemDefaultLCID()); }
KVAPI LANGID GetUserDefaultUILanguage(void) { return LANGID(ProfileGetInt("UILanguage", 0x0409)); }
KVAPI LANGID GetSystemDefaultUILanguage(void) { return GetUserDefaultUILanguage(); }

KVAPI int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int cch) { return LocaleCopy(locale, type, data, cch); }
KVAPI int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int cch) { return LocaleCopy(locale, type, data, cch); }
KVAPI BOOL IsValidLocale(LCID locale, DWORD flags) { return FindLocale(locale & 0xFFFF) != nullptr; }

namespace {
template <typename Ch>
bool CopyName(const std::string& name, Ch* buf, LPDWORD size, bool computerStyle) {
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::u16string w = kvp::FromUtf8(name);
  DWORD need = DWORD(w.size()) + 1;
  if (*size < need || !buf) {
    *size = need;
    SetLastError(computerStyle ? ERROR_BUFFER_OVERFLOW : ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  for (size_t i = 0; i < w.size(); ++i) buf[i] = Ch(w[i]);
  buf[w.size()] = 0;
  *size = computerStyle ? need - 1 : need;
  return true;
}
}  // namespace

KVAPI BOOL GetUserNameW(LPWSTR buffer, LPDWORD size) {
  std::string n = ProfileGetString("UserName", "user");
  if (n.size() > UNLEN) n.resize(UNLEN);
  return CopyName(n, buffer, size, false);
}
KVAPI BOOL GetUserNameA(LPSTR buffer, LPDWORD size) {
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string w = kvp::FromUtf8(ProfileGetString("UserName", "user"));
  if (w.size() > UNLEN) w.resize(UNLEN);
  std::string a;
  if (!kvp::WideToAnsi(w, &a)) a = "user";
  DWORD need = DWORD(a.size()) + 1;
  if (!buffer || *size < need) {
    *size = need;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, a.c_str(), need);
  *size = need;
  return TRUE;
}
KVAPI BOOL GetComputerNameW(LPWSTR buffer, LPDWORD size) {
  return CopyName(ProfileGetString("ComputerName", "KVMACHINE"), buffer, size, true);
}

KVAPI UINT GetACP(void) { return ProfileGetInt("ACP", 1252); }
KVAPI UINT GetOEMCP(void) { return ProfileGetInt("OEMCP", 437); }
