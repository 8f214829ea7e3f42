// Status texts and device names from the library's string tables, in the current language.
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/heap.h"
#include "kvplat/resource.h"
#include "kvplat/sysinfo.h"
#include "statusdata/pminfo.h"
#include "statusdata/status.h"

// ---------------------------------------------------------------------------------------------
// Text tables

namespace {

// The display codes of the normal tables, in string-id order (short texts from 1000, long from 2000).
constexpr DWORD kNormalCodes[] = {
    10001, PAT_STATUS_NO_RESPONSE, 10002, 10034, 10033, 10023, 10047, 10035, 10003, 50115, 50108, 50110,
    50111, 50112, 50113, 50105, 50114, 30608, 30617, 30616, 13200, 13300, 13400, 12201, 12301, 12401,
    10006, 30623, 30622, 10032, 30722, 30723, 30724, 30610, 30607, 30609, 40979, 46100, 46200, 46300,
    46400, 47100, 47200, 47300, 47400, 48100, 48200, 48300, 48400, 45000, 41100, 41200, 41300, 41400,
    1041200, 1041300, 1041400, 1041100, 40722, 40723, 40724, 40200, 40205, 40204, 40292, 40010, 40011,
    42000, 42001, 42011, 40800,
};
static_assert(std::size(kNormalCodes) == 71);

// The codes of the alternate tables (short texts from 1500, long from 2500).
constexpr DWORD kAltCodes[] = {
    10001, PAT_STATUS_NO_RESPONSE, 50115, 50108, 50110, 50111, 50112, 50113, 50105, 50114, 10006, 10032,
    30722, 30723, 30724, 30610, 30607, 30609, 40722, 40723, 40724, 40010, 40011, 40800,
};
static_assert(std::size(kAltCodes) == 24);

template <size_t N>
struct CodeTable {
  CODE_TEXT_ROW rows[N + 1];
};

template <size_t N>
constexpr CodeTable<N> MakeTable(const DWORD (&codes)[N], DWORD firstId) {
  CodeTable<N> t{};
  for (size_t i = 0; i < N; ++i) t.rows[i] = {codes[i], DWORD(firstId + i)};
  t.rows[N] = {PAT_TABLE_END, 0};
  return t;
}

constexpr auto kNormalShort = MakeTable(kNormalCodes, 1000);
constexpr auto kNormalLong = MakeTable(kNormalCodes, 2000);
constexpr auto kAltShort = MakeTable(kAltCodes, 1500);
constexpr auto kAltLong = MakeTable(kAltCodes, 2500);

constexpr CODE_TEXT_ROW kLocationTable[] = {
    {1, 3000}, {2, 3001}, {3, 3002}, {4, 3003}, {5, 3004}, {6, 3005}, {7, 3006}, {8, 3007}, {9, 3008}, {10, 3009},
    {PAT_TABLE_END, 0},
};
static_assert(std::size(kLocationTable) == 10 + 1);

// Option codes of the device-name export.
constexpr CODE_TEXT_ROW kOptionTable[] = {
    {972, 4000}, {976, 4001}, {983, 4002}, {985, 4003}, {PAT_TABLE_END, 0},
};
static_assert(std::size(kOptionTable) == 4 + 1);

// Tray and output-bin names as the monitor reports them, with the string of their localized name.
struct DeviceNameRow {
  const char* name;
  DWORD stringId;
};
constexpr DeviceNameRow kTrayNameRows[] = {
    {"Tray 1(Paper Roll 1)", 5000}, {"Tray 2(Paper Roll 2)", 5001}, {"Cut Paper Tray", 5002}, {"Paper Bypass", 5003},
};
constexpr DeviceNameRow kOutBinNameRows[] = {
    {"Upper Paper Exit", 5010}, {"Lower Paper Exit", 5011}, {"Rear Paper Exit", 5012}, {"Paper Exit", 5013},
};

// Used when the language has no separator string, so no location list is ever lost.
constexpr char kDefaultSeparator[] = ", ";
constexpr DWORD kSeparatorCapacity = 16;
constexpr DWORD kLocationNameCapacity = 256;
constexpr DWORD kLocationListCapacity = 256;

// Length of the longest prefix of `text` (length bytes) that fits `room` bytes without cutting a
// double-byte character of the code page.
size_t FittingPrefix(const CHAR* text, size_t length, size_t room, UINT codePage) {
  if (length <= room) return length;
  size_t i = 0;
  while (i < length) {
    size_t step = (IsDBCSLeadByteEx(codePage, BYTE(text[i])) && i + 1 < length) ? 2 : 1;
    if (i + step > room) break;
    i += step;
  }
  return i;
}

UINT CodePageOrAnsi() {
  UINT cp = 0;
  return PatCurrentCodePage(&cp) == 0 ? cp : 1252;
}

// Appends as much of `text` as fits a destination of `capacity` bytes holding `*length` bytes.
void AppendBounded(CHAR* destination, DWORD capacity, size_t* length, const CHAR* text, UINT codePage) {
  if (*length + 1 >= capacity) return;
  size_t n = FittingPrefix(text, std::strlen(text), capacity - 1 - *length, codePage);
  std::memcpy(destination + *length, text, n);
  *length += n;
  destination[*length] = 0;
}

}  // namespace

const CODE_TEXT_ROW* PatFindCodeTable(DWORD tableKind, DWORD form) {
  if (tableKind == 1 && form == PAT_FORM_SHORT) return kNormalShort.rows;
  if (tableKind == 1 && form == PAT_FORM_LONG) return kNormalLong.rows;
  if (tableKind == 2 && form == PAT_FORM_SHORT) return kAltShort.rows;
  if (tableKind == 2 && form == PAT_FORM_LONG) return kAltLong.rows;
  if (tableKind == 3 && form == 1) return kLocationTable;
  if (tableKind == 4 && form == 1) return kOptionTable;
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// String resources

DWORD PatCurrentCodePage(UINT* codePage) {
  WORD language = PatCurrentLanguage();
  int size = GetLocaleInfoA(language, LOCALE_IDEFAULTANSICODEPAGE, nullptr, 0);
  if (size <= 0) return PAT_ERROR_LOCALE;
  CHAR text[16] = {};
  if (size > int(sizeof text) || GetLocaleInfoA(language, LOCALE_IDEFAULTANSICODEPAGE, text, sizeof text) <= 0)
    return PAT_ERROR_LOCALE;
  UINT cp = UINT(std::strtoul(text, nullptr, 10));
  // A locale without an ANSI code page (0) has no way to show these texts.
  if (cp == 0 || !IsValidCodePage(cp)) return PAT_ERROR_LOCALE;
  *codePage = cp;
  return 0;
}

DWORD PatFindStringBlock(DWORD id, CHAR* destination, DWORD capacity) {
  if (!destination || capacity == 0) return ERROR_INVALID_PARAMETER;
  destination[0] = 0;
  UINT codePage = 0;
  DWORD r = PatCurrentCodePage(&codePage);
  if (r) return r;
  if (id > 0xFFFF) return PAT_ERROR_NOT_FOUND;

  HMODULE module = PatModuleHandle();
  HRSRC found = FindResourceExA(module, reinterpret_cast<LPCSTR>(RT_STRING),
                                MAKEINTRESOURCEA(id / 16 + 1), PatCurrentLanguage());
  if (!found) return PAT_ERROR_NOT_FOUND;
  HGLOBAL loaded = LoadResource(module, found);
  auto* block = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
  DWORD blockSize = SizeofResource(module, found);
  if (!block) return PAT_ERROR_NOT_FOUND;

  // Sixteen strings, each a u16 length and that many UTF-16 units; every length is checked against
  // the block before it is used.
  size_t at = 0;
  for (DWORD i = 0;; ++i) {
    if (at + 2 > blockSize) return PAT_ERROR_NOT_FOUND;
    WORD length;
    std::memcpy(&length, block + at, 2);
    at += 2;
    if (at + size_t(length) * 2 > blockSize) return PAT_ERROR_NOT_FOUND;
    if (i == id % 16) {
      // An empty slot is a string this language lacks.
      if (length == 0) return PAT_ERROR_NOT_FOUND;
      WCHAR wide[1024];
      if (length > std::size(wide)) length = WORD(std::size(wide));
      std::memcpy(wide, block + at, size_t(length) * 2);
      int need = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
      if (need <= 0) return PAT_ERROR_NOT_FOUND;
      CHAR ansi[4096];
      if (size_t(need) > sizeof ansi) return PAT_ERROR_NOT_FOUND;
      if (WideCharToMultiByte(codePage, 0, wide, length, ansi, need, nullptr, nullptr) != need)
        return PAT_ERROR_NOT_FOUND;
      size_t n = FittingPrefix(ansi, size_t(need), capacity - 1, codePage);
      std::memcpy(destination, ansi, n);
      destination[n] = 0;
      return 0;
    }
    at += size_t(length) * 2;
  }
}

DWORD PatLoadCodeText(const CODE_TEXT_ROW* table, DWORD code, CHAR* destination, DWORD capacity) {
  if (!destination || capacity == 0) return ERROR_INVALID_PARAMETER;
  destination[0] = 0;
  if (!table) return PAT_ERROR_NOT_FOUND;
  for (; table->code != PAT_TABLE_END; ++table)
    if (table->code == code) {
      DWORD r = PatFindStringBlock(table->stringId, destination, capacity);
      if (r) destination[0] = 0;
      return r;
    }
  return PAT_ERROR_NOT_FOUND;
}

// ---------------------------------------------------------------------------------------------
// Composition

DWORD PatBuildLocationList(ELEMENT_LIST* display, CHAR* destination, DWORD capacity, DWORD which) {
  if (!destination || capacity == 0) return ERROR_INVALID_PARAMETER;
  destination[0] = 0;
  const CODE_TEXT_ROW* table = PatFindCodeTable(3, 1);
  if (!table) return PAT_ERROR_NOT_FOUND;
  CHAR separator[kSeparatorCapacity];
  if (PatFindStringBlock(PAT_STRING_SEPARATOR, separator, sizeof separator) != 0)
    PatCopyText(separator, sizeof separator, kDefaultSeparator);

  ELEMENT_LIST* locations = ElemListCreate(sizeof(LOCATION_ENTRY), 8, 0);
  if (!locations) return ERROR_NOT_ENOUGH_MEMORY;
  DWORD result = 0;
  // The location filter of this model is empty: every location belongs to every "%s" (`which`).
  for (DWORD i = 1; result == 0 && i <= ElemListCount(display); ++i) {
    auto* entry = static_cast<STATUS_ENTRY*>(ElemListAt(display, i));
    if (entry->location == 0) continue;
    bool known = false;
    DWORD insertAt = ElemListCount(locations) + 1;
    for (DWORD k = ElemListCount(locations); k >= 1; --k) {
      auto* have = static_cast<LOCATION_ENTRY*>(ElemListAt(locations, k));
      if (have->location == entry->location) known = true;
    }
    if (known) continue;
    LOCATION_ENTRY add{entry->location, 0, 0};
    for (DWORD row = 0; table[row].code != PAT_TABLE_END; ++row)
      if (table[row].code == entry->location) {
        add.position = row + 1;
        add.stringId = table[row].stringId;
        break;
      }
    if (add.position == 0) {
      result = PAT_ERROR_NOT_FOUND;
      break;
    }
    for (DWORD k = 1; k <= ElemListCount(locations); ++k)
      if (static_cast<LOCATION_ENTRY*>(ElemListAt(locations, k))->position > add.position) {
        insertAt = k;
        break;
      }
    if (!ElemListInsert(locations, &add, insertAt)) result = ERROR_NOT_ENOUGH_MEMORY;
  }
  if (result) {
    ElemListFree(locations);
    destination[0] = 0;
    return result;
  }

  UINT codePage = CodePageOrAnsi();
  size_t length = 0;
  for (DWORD k = 1; k <= ElemListCount(locations); ++k) {
    auto* loc = static_cast<LOCATION_ENTRY*>(ElemListAt(locations, k));
    CHAR name[kLocationNameCapacity];
    result = PatFindStringBlock(loc->stringId, name, sizeof name);
    if (result) continue;
    if (length) AppendBounded(destination, capacity, &length, separator, codePage);
    AppendBounded(destination, capacity, &length, name, codePage);
  }
  ElemListFree(locations);
  return result;
}

DWORD PatFormatStatusText(const STATUS_CONTEXT* context, ELEMENT_LIST* display, DWORD form, CHAR* destination,
                          DWORD capacity) {
  if (!context || !destination || capacity == 0) return ERROR_INVALID_PARAMETER;
  destination[0] = 0;
  const CODE_TEXT_ROW* table = PatFindCodeTable((context->kind & PAT_KIND_ALTERNATE) ? 2 : 1, form);
  if (!table) return PAT_ERROR_NOT_FOUND;
  auto* first = static_cast<STATUS_ENTRY*>(ElemListAt(display, 1));
  if (!first) return PAT_ERROR_NOT_FOUND;
  CHAR templ[PAT_TEXT_CAPACITY];
  DWORD r = PatLoadCodeText(table, first->code, templ, sizeof templ);
  if (r) return r;

  UINT codePage = CodePageOrAnsi();
  size_t length = 0;
  DWORD which = 1;
  const CHAR* p = templ;
  while (*p) {
    if (p[0] == '%' && p[1] == 's') {
      CHAR list[kLocationListCapacity];
      size_t listLength = 0;
      DWORD built = PatBuildLocationList(display, list, sizeof list, which);
      // Without memory for the list the text would silently lose its trays: that is a failure.
      if (built == ERROR_NOT_ENOUGH_MEMORY) {
        destination[0] = 0;
        return built;
      }
      if (built == 0 && length + (listLength = std::strlen(list)) < capacity) {
        std::memcpy(destination + length, list, listLength);
        length += listLength;
        destination[length] = 0;
        ++which;
      }
      p += 2;
      continue;
    }
    // Plain characters stop where the destination is full; a double-byte character is never cut.
    size_t step = (IsDBCSLeadByteEx(codePage, BYTE(*p)) && p[1]) ? 2 : 1;
    if (length + step >= capacity) break;
    std::memcpy(destination + length, p, step);
    length += step;
    destination[length] = 0;
    p += step;
  }
  return 0;
}

DWORD PatComposeStatusText(const STATUS_CONTEXT* context, ELEMENT_LIST* display, DWORD form, CHAR* destination,
                           DWORD capacity) {
  if (!destination || capacity == 0) return ERROR_INVALID_PARAMETER;
  destination[0] = 0;
  DWORD r = PatFormatStatusText(context, display, form, destination, capacity);
  auto* first = static_cast<STATUS_ENTRY*>(ElemListAt(display, 1));
  if (form == PAT_FORM_LONG && first && first->code == PAT_STATUS_SERVICE_CALL) {
    size_t length = std::strlen(destination);
    CHAR code[sizeof first->text + 1] = {};
    std::memcpy(code, first->text, sizeof first->text);
    AppendBounded(destination, capacity, &length, code, CodePageOrAnsi());
  }
  return r;
}

// ---------------------------------------------------------------------------------------------
// Device names

DWORD PatGetTrayBinName(DWORD kind, const CHAR* name, CHAR* destination, DWORD capacity) {
  if (!destination || capacity == 0) return ERROR_INVALID_PARAMETER;
  destination[0] = 0;
  if (!name || (kind != 1 && kind != 2)) return ERROR_INVALID_PARAMETER;
  const DeviceNameRow* rows = kind == 1 ? kTrayNameRows : kOutBinNameRows;
  size_t count = kind == 1 ? std::size(kTrayNameRows) : std::size(kOutBinNameRows);
  for (size_t i = 0; i < count; ++i)
    if (std::strcmp(rows[i].name, name) == 0) return PatFindStringBlock(rows[i].stringId, destination, capacity);
  return ERROR_INVALID_PARAMETER;
}

DWORD PatGetOptionName(DWORD optionCode, CHAR* destination, DWORD capacity) {
  return PatLoadCodeText(PatFindCodeTable(4, 1), optionCode, destination, capacity);
}

DWORD PatLookupDeviceName(DWORD kind, const void* data, BYTE form, CHAR* destination, DWORD capacity) {
  if (!destination || capacity == 0) return ERROR_INVALID_PARAMETER;
  destination[0] = 0;
  if (!data) return ERROR_INVALID_PARAMETER;
  if ((kind == 1 || kind == 2) && form == PAT_FORM_DEVICE_NAME)
    return PatGetTrayBinName(kind, static_cast<const CHAR*>(data), destination, capacity);
  if (kind == 3 && form == PAT_FORM_OPTION_CODE) {
    DWORD code;
    std::memcpy(&code, data, sizeof code);
    return PatGetOptionName(code, destination, capacity);
  }
  return ERROR_INVALID_PARAMETER;
}
