// DrvEscape and its table. Every escape reads at most the caller's input size and writes at most the
// caller's output size: an input or output buffer too small for the escape fails it (0) before anything
// is read, written or changed.
#include "gr_escape.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "config/paths.h"
#include "gr_hooks.h"
#include "gr_pdev.h"
#include "gr_pjl.h"
#include "gr_text.h"
#include "kvplat/error.h"
#include "settings/access.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"

const char GR_VERSION_TEXT[26] = "ZARN Graphics Driver 3.01";
static_assert(sizeof GR_VERSION_TEXT - 1 == 25, "the version text has 25 characters");

namespace {

constexpr DWORD kPrinterTextMode = 128;
constexpr size_t kMaxDecimalBytes = 31;  // bytes of a decimal text an escape reads

// An escape that sets or reads one setting.
struct EscapeSetting {
  ULONG escape;
  WORD id;
};
// Escapes that store a job-log text in the job's settings.
constexpr EscapeSetting kTextSettings[] = {
    {GR_ESC_USER_CODE, sid::rdmUserCode},
    {GR_ESC_OWNER_NAME, sid::rdmOwnerName},
    {GR_ESC_JOB_PASSWORD, sid::rdmJOBPassword},
    {GR_ESC_USER_ID, sid::rdmUserID},
    {GR_ESC_DOCUMENT_NAME, sid::rdmDocumentName},
    {GR_ESC_TEL_NO, sid::rdmTelNo},
    {GR_ESC_STORED_PASSWORD, sid::rdmStoredPassword},
    {GR_ESC_AUTH_USER_NAME, sid::wdmAuthenticationUserName},
    {GR_ESC_AUTH_NETWORK_KEY, sid::wdmAuthenticationNetworkKey},
    {GR_ESC_AUTH_PASSWORD, sid::wdmAuthenticationPassword},
};

// Escapes that read one setting's option value as a u16.
constexpr EscapeSetting kReadSettings[] = {
    {GR_ESC_GET_DEFAULT_SOURCE, sid::dmDefaultSource},
    {GR_ESC_GET_PRINT_METHOD, sid::rdmPrnMethod},
    {GR_ESC_GET_API_USE, sid::rdmAPIUseFlag},
};

GR_PDEV* Checked(SURFOBJ* so) {
  auto* p = so ? static_cast<GR_PDEV*>(so->dhpdev) : nullptr;
  if (GrIsValidPdev(p)) return p;
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

// Stores the caller's text in a text setting: at most the caller's bytes, at most the setting's room
// less its terminator, up to the text's own terminator; the rest of the setting is zero-filled. No input
// clears the setting.
ULONG SetText(GR_PDEV* p, WORD id, const void* in, ULONG inSize) {
  ITEM_DESC* row = StgFindItem(p->settings, id);
  if (!row) return 0;
  DWORD room = StgTypeLength(row->type);
  if (StgTypeCode(row->type) != STG_TYPE_ANSI || room == 0) return 0;
  std::string value(room, '\0');
  const char* text = static_cast<const char*>(in);
  size_t limit = text ? std::min<size_t>(inSize, room - 1) : 0;
  for (size_t i = 0; i < limit && text[i]; ++i) value[i] = text[i];
  StgWriteValue(p->settings, row, reinterpret_cast<uint64_t>(value.data()));
  return 1;
}

// rdmTelLine from a decimal text of at most the caller's bytes.
ULONG SetTelLine(GR_PDEV* p, const void* in, ULONG inSize) {
  ITEM_DESC* row = StgFindItem(p->settings, sid::rdmTelLine);
  if (!row) return 0;
  char digits[kMaxDecimalBytes + 1] = {};
  if (in) std::memcpy(digits, in, std::min<size_t>(inSize, kMaxDecimalBytes));
  StgWriteValue(p->settings, row, uint64_t(uint32_t(std::atoi(digits))));
  return 1;
}

// The caller's wide text becomes the context's driver INI path. A text that does not end within the
// input, or does not fit the path with its terminator, is refused: a cut path would name another file.
ULONG SetIniPath(GR_PDEV* p, const void* in, ULONG inSize) {
  if (!in) return 0;
  const auto* text = static_cast<const WCHAR*>(in);
  DWORD chars = inSize / sizeof(WCHAR);
  DWORD n = 0;
  while (n < chars && text[n]) ++n;
  if (n == chars || n >= GR_INI_PATH_CHARS) return 0;
  return CfgKeepIniPath(p->settings, text) ? 1 : 0;
}

ULONG SetCopyCount(GR_PDEV* p, const void* in, ULONG inSize, void* out, ULONG outSize) {
  if (!in || inSize < sizeof(DWORD)) return GR_ESC_FAILED;
  if (out && outSize < sizeof(LONG)) return 0;
  DWORD requested;
  std::memcpy(&requested, in, sizeof requested);
  SHORT copies = SHORT(requested >= GR_MAX_COPY_COUNT ? GR_MAX_COPY_COUNT : requested);
  if (copies < 1) copies = 1;
  p->copies = copies;
  StgSetOptionValue(p->settings, sid::dmCopies, DWORD(copies));
  if (out) {
    LONG set = copies;
    std::memcpy(out, &set, sizeof set);
  }
  return 1;
}

ULONG PassThrough(GR_PDEV* p, const void* in, ULONG inSize) {
  if (!in || inSize < sizeof(WORD)) return 0;
  WORD n;
  std::memcpy(&n, in, sizeof n);
  if (DWORD(n) > inSize - sizeof(WORD)) return 0;
  return GrWritePassThrough(&p->stream, static_cast<const BYTE*>(in) + sizeof(WORD), n) ? ULONG(n) : GR_ESC_FAILED;
}

ULONG DeviceUnits(GR_PDEV* p, void* out, ULONG outSize) {
  float units[4] = {};
  if (!out || outSize < sizeof units) return 0;
  units[0] = float(StgGetOptionValue(p->settings, sid::rdmSrcPaperPrnWidthDot, nullptr));
  units[1] = float(StgGetOptionValue(p->settings, sid::rdmSrcPaperPrnLengthDot, nullptr));
  if (p->state & GR_STATE_PAGE_OPEN) {
    units[2] = float(p->offsetX);
    units[3] = float(p->offsetY);
  }
  std::memcpy(out, units, sizeof units);
  return 1;
}

ULONG OutputLibraryName(GR_PDEV* p, void* out, ULONG outSize) {
  if (!out) return 0;
  DWORD chars = DWORD(std::char_traits<char16_t>::length(p->outputLibrary));
  BYTE text[2 * (MAX_PATH + 1) + 2] = {};
  int n = chars ? GrUnicodeToPrinterText(text, p->outputLibrary, chars * DWORD(sizeof(WCHAR)), kPrinterTextMode) : 0;
  if (n < 0) n = 0;
  if (DWORD(n) + 1 > outSize) return 0;
  std::memcpy(out, text, size_t(n));
  static_cast<BYTE*>(out)[n] = 0;
  return 1;
}

// Copies a fixed text with its terminator; 0 without room for it.
ULONG PutText(const char* text, size_t bytes, void* out, ULONG outSize) {
  if (!out || outSize < bytes) return 0;
  std::memcpy(out, text, bytes);
  return 1;
}

ULONG ReadOption(GR_PDEV* p, WORD id, void* out, ULONG outSize) {
  if (out && outSize < sizeof(WORD)) return 0;
  WORD value = WORD(StgGetOptionValue(p->settings, id, nullptr));
  if (out) std::memcpy(out, &value, sizeof value);
  return 1;
}

}  // namespace

ULONG GrQueryEscapeSupport(const GR_PDEV* p, ULONG escape) {
  switch (escape) {
    case GR_ESC_QUERYESCSUPPORT:
    case GR_ESC_SETCOPYCOUNT:
    case GR_ESC_GETTECHNOLOGY:
    case GR_ESC_GETDEVICEUNITS:
    case GR_ESC_VERSION:
    case GR_ESC_OUTPUT_LIBRARY:
      return 1;
    case GR_ESC_PASSTHROUGH:
      return p && p->passThrough ? 1 : 0;
    default:
      return escape >= GR_ESC_USER_CODE && escape <= GR_ESC_GET_API_USE ? 1 : 0;
  }
}

BOOL GrWritePassThrough(ZARN_STREAM* s, const void* bytes, DWORD length) {
  if (!ZsFlush(s)) return FALSE;
  return ZsWriteOut(s, bytes, length);
}

void GrCopyStringTable(STRING_HANDOVER_ROW* own, const STRING_HANDOVER_ROW* caller, DWORD rows) {
  if (!own || !caller) return;
  constexpr size_t kChars = sizeof own->text / sizeof(WCHAR);
  for (DWORD i = 0; own[i].key != 0 && i < rows; ++i) {
    std::memcpy(own[i].text, caller[i].text, sizeof own[i].text);
    own[i].text[kChars - 1] = 0;
  }
}

// Table of the escapes: see gr_escape.h for the numbers. Result per escape; 0 for an invalid context
// (ERROR_INVALID_PARAMETER), an escape not answered, or a buffer too small for it.
ULONG DrvEscape(SURFOBJ* so, ULONG escape, ULONG inSize, void* in, ULONG outSize, void* out) {
  GR_PDEV* p = Checked(so);
  if (!p || GrQueryEscapeSupport(p, escape) != 1) return 0;
  for (const EscapeSetting& t : kTextSettings)
    if (t.escape == escape) return SetText(p, t.id, in, inSize);
  for (const EscapeSetting& r : kReadSettings)
    if (r.escape == escape) return ReadOption(p, r.id, out, outSize);
  switch (escape) {
    case GR_ESC_QUERYESCSUPPORT: {
      if (!in || inSize < sizeof(WORD)) return 0;
      WORD asked;
      std::memcpy(&asked, in, sizeof asked);
      return asked == GR_ESC_SETCOPYCOUNT ? GR_MAX_COPY_COUNT : GrQueryEscapeSupport(p, asked);
    }
    case GR_ESC_SETCOPYCOUNT:
      return SetCopyCount(p, in, inSize, out, outSize);
    case GR_ESC_PASSTHROUGH:
      return PassThrough(p, in, inSize);
    case GR_ESC_GETTECHNOLOGY:
      return PutText("ZARN", 5, out, outSize);
    case GR_ESC_GETDEVICEUNITS:
      return DeviceUnits(p, out, outSize);
    case GR_ESC_TEL_LINE:
      return SetTelLine(p, in, inSize);
    case GR_ESC_SET_INI_PATH:
      return SetIniPath(p, in, inSize);
    case GR_ESC_STRING_TABLE:
      GrCopyStringTable(GR_STRING_TABLE, static_cast<const STRING_HANDOVER_ROW*>(in),
                        in ? inSize / DWORD(sizeof(STRING_HANDOVER_ROW)) : 0);
      return 1;
    case GR_ESC_VERSION:
      return PutText(GR_VERSION_TEXT, sizeof GR_VERSION_TEXT, out, outSize);
    case GR_ESC_OUTPUT_LIBRARY:
      return OutputLibraryName(p, out, outSize);
    default:
      return 0;
  }
}
