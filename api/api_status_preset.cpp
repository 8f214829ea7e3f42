// Status 1: a whole settings file loaded into the connection's settings, and the preset name and
// comment such a file holds.
#include <cstring>
#include <string>

#include "api_frame.h"
#include "api_services.h"
#include "api_status.h"
#include "config/device_settings.h"
#include "config/paths.h"
#include "config/settings_file.h"
#include "kvplat/codepage.h"
#include "kvplat/profile.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/modules.h"
#include "settings/setting_ids.h"
#include "settings/undo.h"
#include "settings/units.h"

namespace {

// PRESET_FILE_RECORD: path char[260] at 4, name char[37] at 264, comment char[513] at 301; 824 bytes.
constexpr int kPathAt = 4, kPathBytes = 260;
constexpr int kNameAt = 264, kNameBytes = 37;
constexpr int kCommentAt = 301, kCommentBytes = 513;
constexpr int kRecordBytes = 824;

// The job items handed to the job-control link after a file is loaded: read 1, then write each.
constexpr DWORD kJobItemRead = 1;
constexpr DWORD kJobItemsWritten[] = {2, 4, 8, 16, 128, 2048};

// The record's path as a wide path that is absolute and names a file that opens; false (code 10)
// otherwise. The path is read within its field: one without its NUL there is refused.
bool FilePath(SETTING_CONTEXT* ctx, const void* record, WCHAR (&path)[261]) {
  const char* text = static_cast<const char*>(record) + kPathAt;
  const void* end = std::memchr(text, 0, kPathBytes);
  bool ok = end && text[0] && ApiNameToWide(text, path, 261) && CfgIsAbsolutePath(path) && CfgFileExists(path);
  if (!ok) ApiSetContextError(ctx, API_ERROR_FILE);
  return ok;
}

// The refusal code of a settings-file read by the context's last result; 0 when it was read.
DWORD ReadRefusal(SETTING_CONTEXT* ctx) {
  switch (StgGetLastError(ctx)) {
    case CFG_FILE_OK: return 0;
    case CFG_FILE_HEADER_MISMATCH: return API_ERROR_PRESET_LOAD;
    case CFG_FILE_UNREADABLE: return API_ERROR_FILE;
    default: return API_ERROR_REFUSED;
  }
}

// A text of the file's printer section into an ANSI field of `bytes` (always ended inside it).
void ReadText(const WCHAR* path, const std::u16string& section, const WCHAR* key, char* out, int bytes) {
  std::u16string wide(bytes, u'\0');
  GetPrivateProfileStringW(section.c_str(), key, u"", wide.data(), (DWORD)bytes, path);
  std::memset(out, 0, bytes);
  if (WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, out, bytes, nullptr, nullptr) <= 0) out[0] = 0;
  out[bytes - 1] = 0;
}

}  // namespace

int ApiSetStatusPresetFile(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  uint64_t method = StgGetValue(ctx, sid::rdmPrnMethod, nullptr);
  if (method == 3 || method == 5 || method == 7) return -1;
  WCHAR path[261] = {};
  if (!FilePath(ctx, record, path)) return -1;
  if (StgIsModelFeatureOn(ctx, 2, 0) && StgAnyAdminLock(ctx) &&
      !CfgCheckLockedSettings(path, CfgGetPrinterFileSection(ctx).c_str(), ctx))
    return -1;
  // The file's values must not be replaced later by the once-per-context load of the device settings.
  ctx->work->chapterDeviceLoaded = 1;
  StgSetLastError(ctx, CFG_FILE_OK);
  CfgReadSettingsFile(ctx->printer, path, 0, ctx);
  // A file of another settings version or model is refused before anything of it leaves the context.
  if (DWORD code = ReadRefusal(ctx)) {
    ApiSetContextError(ctx, code);
    return -1;
  }
  ApiResetMarginIfOff(ctx);
  // Nothing after this handler can refuse the set (its verify always agrees and the effects never
  // refuse), so the writes below outside the context are final.
  ApiReadJobItems(ctx, kJobItemRead);
  for (DWORD item : kJobItemsWritten) ApiWriteJobItems(ctx, item);
  CfgSaveDeviceSettingsAll(ctx->printer, ctx);
  return 1;
}

int ApiGetStatusPresetFile(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (!record) return kRecordBytes;
  WCHAR path[261] = {};
  if (!FilePath(ctx, record, path)) return -1;
  StgPushUndo(ctx);
  StgSetLastError(ctx, CFG_FILE_OK);
  CfgReadSettingsFile(ctx->printer, path, 0x8000, ctx);
  bool foreign = StgGetLastError(ctx) == CFG_FILE_HEADER_MISMATCH;
  StgPopUndo(ctx, 1);
  if (foreign) {
    ApiSetContextError(ctx, API_ERROR_PRESET_LOAD);
    return -1;
  }
  char* r = static_cast<char*>(record);
  const std::u16string section = CfgGetPrinterFileSection(ctx);
  ReadText(path, section, u"wdmPresetName", r + kNameAt, kNameBytes);
  ReadText(path, section, u"wdmPresetComment", r + kCommentAt, kCommentBytes);
  // A line break is kept in the file as backslash and n; the caller gets CR LF.
  char* c = r + kCommentAt;
  for (int i = 0; i + 1 < kCommentBytes && c[i]; ++i)
    if (c[i] == '\\' && c[i + 1] == 'n') {
      c[i] = '\r';
      c[i + 1] = '\n';
      ++i;
    }
  return kRecordBytes;
}
