// Status 10 (the print method with the job texts it needs) and 26 (the user ID alone), and the text
// helpers the job and quality items share.
#include <cstring>
#include <string>

#include "api_frame.h"
#include "api_services.h"
#include "api_status.h"
#include "api_status_texts.h"
#include "config/device_settings.h"
#include "config/paths.h"
#include "driverdata/rule_values.h"
#include "kvplat/codepage.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"
#include "settings/store.h"

namespace {

// PRINT_METHOD_RECORD fields: offset and width.
struct Field {
  int at, width;
};
constexpr Field kUserId{12, 9}, kJobPassword4{21, 5}, kStoredPassword4{26, 5}, kOwner{31, 17}, kDocument{48, 17},
    kMerge{65, 65}, kOverlay{130, 260}, kJobPassword8{390, 9}, kStoredPassword8{399, 9}, kHoldDocument{408, 17},
    kSaveDocument{425, 17}, kSavePassword{442, 9}, kPrintSaveDocument{451, 17}, kPrintSavePassword{468, 9};
constexpr int kSharedAt = 480;
constexpr int kUserIdRecordBytes = 392;

// The job items that carry the texts.
constexpr DWORD kItemOwner = 2, kItemJobPassword = 4, kItemUserId = 8, kItemDocument = 0x10, kItemStored = 0x80;
constexpr WORD kStoredFreeSizeMessage = 10075;

uint64_t Get(SETTING_CONTEXT* ctx, WORD id) { return StgGetValue(ctx, id, nullptr); }

// The longest job password the printer takes: capability 83, else 4.
int JobPasswordLimit(SETTING_CONTEXT* ctx) {
  int answer = ApiCapabilityAnswer(ctx, 83);
  return answer == -1 || answer == 0 ? 4 : answer;
}

// The record's version as its fields are read: version 0 reads (and is masked) like version 1, so no
// field past a version-1 record is ever reached.
DWORD FieldVersion(const void* record) {
  DWORD v = ApiRecordVersion(10, record);
  return v == 0 ? 1 : v;
}

DWORD MaskFlags(DWORD flags, DWORD version) {
  if (version <= 1) return flags & 0x7F;
  if (version == 2) return flags & 0x1FF;
  return flags;
}

bool IsCustomPaperInUse(SETTING_CONTEXT* ctx) {
  DWORD out = (DWORD)Get(ctx, sid::rdmOutPaperSize);
  DEVMODEW* dm = StgGetDevmode(ctx);
  if (out == 1024) return dm && RuleIsCustomPaperCode((DWORD)dm->dmPaperSize);
  return RuleIsCustomPaperCode(out);
}

struct Checker {
  SETTING_CONTEXT* ctx;
  const void* record;
  DWORD flags;
  int limit;
  bool failed = false;
  DWORD code = 0;  // of the first failure that names one (methods 8 to 10)

  bool Text(Field f, std::string* out) const { return ApiRecordText(record, f.at, f.width, out); }
  // A failure; with `stopping` (methods 8 to 10) the first one decides.
  void Fail(DWORD c = 0) {
    if (!failed) code = c;
    failed = true;
  }

  // The user ID from the record, or the one kept (read from the job-control link first).
  void UserIdCheck(char kind) {
    if (flags & PMF_USER_ID) {
      std::string id;
      if (!Text(kUserId, &id)) return Fail();
      if (kind == 'A') {
        if (!ApiIsAlphanumeric(id.c_str())) Fail();
        return;
      }
      if (id.empty()) return Fail();
      if (!ApiIsAlphanumeric(id.c_str())) Fail(kind == 'C' ? API_ERROR_CHARACTERS : 0);
      return;
    }
    if (kind == 'A') return;
    ApiReadJobItems(ctx, kItemUserId);
    if (ApiSettingText(ctx, sid::rdmUserID).empty()) Fail();
  }
  // Empty or `min` to `max` digits (max 8 only while the printer takes 8).
  void Password(Field f, bool emptyOk, size_t min, size_t max) {
    std::string pw;
    if (!Text(f, &pw)) return Fail();
    if (pw.empty() && emptyOk) return;
    if (pw.size() < min || pw.size() > max || !ApiIsDigits(pw)) Fail();
  }
  void NoQuote(Field f, DWORD c) {
    std::string text;
    if (!Text(f, &text) || ApiHasChar(text.c_str(), '"')) Fail(c);
  }
};

// The checks of a method's fields. false refuses (a code may be set on the context).
bool CheckMethodFields(SETTING_CONTEXT* ctx, DWORD method, const void* record, DWORD flags, int limit, bool* markShared) {
  Checker c{ctx, record, flags, limit};
  const size_t longest = limit == 4 ? 4 : 8;
  switch (method) {
    case 0: c.UserIdCheck('A'); break;
    case 1:
      c.UserIdCheck('B');
      if (flags & PMF_JOB_PASSWORD4) {
        c.Password(kJobPassword4, false, 4, 4);
      } else if (flags & PMF_JOB_PASSWORD8) {
        c.Password(kJobPassword8, false, 4, longest);
      } else {
        ApiReadJobItems(ctx, kItemJobPassword);
        if (ApiSettingText(ctx, sid::rdmJOBPassword).size() < 4) c.Fail();
      }
      break;
    case 2: c.UserIdCheck('B'); break;
    case 3:
      c.UserIdCheck('A');
      if (flags & PMF_STORED_PASSWORD4)
        c.Password(kStoredPassword4, true, 4, 4);
      else if (flags & PMF_STORED_PASSWORD8)
        c.Password(kStoredPassword8, true, 4, longest);
      if (flags & PMF_OWNER_NAME) c.NoQuote(kOwner, 0);
      if (flags & PMF_DOCUMENT_NAME) c.NoQuote(kDocument, 0);
      break;
    case 5:
      if (flags & PMF_MERGE_FILE) {
        std::string name;
        if (!c.Text(kMerge, &name) || !ApiIsValidFileName(name.c_str())) c.Fail();
      }
      break;
    case 7:
      if (Get(ctx, sid::rdmFuncSelectWaterMark) != 0) c.Fail();
      if (flags & PMF_OVERLAY_PATH) {
        std::string path;
        if (!c.Text(kOverlay, &path) || path.empty() || !ApiIsValidOverlayPath(path.c_str())) c.Fail();
      } else if (ApiSettingText(ctx, sid::wdmOvlPath).empty()) {
        c.Fail();
      }
      break;
    case 8:
    case 9:
    case 10: {
      // The first failing check refuses with its code.
      c.UserIdCheck('C');
      if (c.failed) break;
      const DWORD docFlag = method == 8 ? PMF_HOLD_DOCUMENT : method == 9 ? PMF_SAVE_DOCUMENT : PMF_PRINTSAVE_DOCUMENT;
      if (flags & docFlag) c.NoQuote(kDocument, API_ERROR_CHARACTERS);
      if (c.failed || method == 8) break;
      if (flags & (method == 9 ? PMF_SAVE_PASSWORD : PMF_PRINTSAVE_PASSWORD)) {
        std::string pw;
        if (!c.Text(kStoredPassword8, &pw) || (!pw.empty() && (pw.size() < 4 || pw.size() > 8))) {
          c.Fail();
          break;
        }
        if (!ApiIsDigits(pw)) {
          c.Fail(API_ERROR_CHARACTERS);
          break;
        }
      }
      if ((flags & PMF_SHARED_DATA) && ApiIsOptionUsable(ctx, sid::rdmSharedPrnData, 0, 3)) {
        if (!ApiValuePasses(ctx, sid::rdmSharedPrnData, ApiRecordU32(record, kSharedAt))) {
          c.Fail();
          break;
        }
        *markShared = true;
      }
      break;
    }
    default: return false;  // 4, 6 and above 10
  }
  if (c.failed && c.code) ApiSetContextError(ctx, c.code);
  return !c.failed;
}

// A record text into a text setting, then its job item written (none: 0).
void Apply(SETTING_CONTEXT* ctx, const void* record, Field f, WORD id, DWORD item) {
  std::string text;
  if (!ApiRecordText(record, f.at, f.width, &text)) return;
  ApiSetSettingText(ctx, id, text);
  if (item) ApiWriteJournalledJobItems(ctx, item);
}

void ApplyMethodFields(SETTING_CONTEXT* ctx, DWORD method, const void* record, DWORD flags, bool shared,
                       const std::string& overlayPath) {
  // Every method but 5 and 7 carries the user ID.
  if ((method <= 3 || method >= 8) && (flags & PMF_USER_ID)) Apply(ctx, record, kUserId, sid::rdmUserID, kItemUserId);
  switch (method) {
    case 1:
      if (flags & PMF_JOB_PASSWORD4) Apply(ctx, record, kJobPassword4, sid::rdmJOBPassword, kItemJobPassword);
      if (flags & PMF_JOB_PASSWORD8) Apply(ctx, record, kJobPassword8, sid::rdmJOBPassword, kItemJobPassword);
      break;
    case 3:
      if (flags & PMF_STORED_PASSWORD4) Apply(ctx, record, kStoredPassword4, sid::rdmStoredPassword, kItemStored);
      if (flags & PMF_OWNER_NAME) Apply(ctx, record, kOwner, sid::rdmOwnerName, kItemOwner);
      if (flags & PMF_DOCUMENT_NAME) Apply(ctx, record, kDocument, sid::rdmDocumentName, kItemDocument);
      if (flags & PMF_STORED_PASSWORD8) Apply(ctx, record, kStoredPassword8, sid::rdmStoredPassword, kItemStored);
      break;
    case 5:
      if (flags & PMF_MERGE_FILE) Apply(ctx, record, kMerge, sid::rdmMergeFileName, 0);
      break;
    case 7:
      if (flags & PMF_OVERLAY_PATH) {
        ApiSetSettingText(ctx, sid::wdmOvlPath, overlayPath);
        ApiStoreDeviceSetting(ctx, sid::wdmOvlPath);
      }
      break;
    case 8:
      if (flags & PMF_HOLD_DOCUMENT) Apply(ctx, record, kDocument, sid::rdmDocumentName, 0);
      break;
    case 9:
    case 10:
      if (flags & (method == 9 ? PMF_SAVE_DOCUMENT : PMF_PRINTSAVE_DOCUMENT))
        Apply(ctx, record, kDocument, sid::rdmDocumentName, 0);
      if (flags & (method == 9 ? PMF_SAVE_PASSWORD : PMF_PRINTSAVE_PASSWORD))
        Apply(ctx, record, kStoredPassword8, sid::rdmStoredPassword, 0);
      if (shared) {
        StgSetValue(ctx, sid::rdmSharedPrnData, ApiRecordU32(record, kSharedAt));
        ApiStoreDeviceSetting(ctx, sid::rdmSharedPrnData);
      }
      break;
  }
}

// A setting's text into a record field when it has 1 to width - 1 bytes, its job item read first.
void Copy(SETTING_CONTEXT* ctx, void* record, Field f, WORD id, DWORD item, size_t limit) {
  if (item) ApiReadJobItems(ctx, item);
  std::string text = ApiSettingText(ctx, id);
  if (!text.empty() && text.size() <= limit && (int)text.size() < f.width) ApiPutRecordText(record, f.at, f.width, text);
}

void ReadIniSetting(SETTING_CONTEXT* ctx, WORD id) {
  if (ITEM_DESC* row = StgFindItem(ctx, id)) CfgReadIniSetting(ctx, row, CfgGetIniPath(ctx), nullptr, nullptr);
}

}  // namespace

// ---- Shared text helpers ----

void ApiPutRecordText(void* record, int offset, int width, const std::string& text) {
  char* field = static_cast<char*>(record) + offset;
  std::memset(field, 0, (size_t)width);
  if (!text.empty() && (int)text.size() < width) std::memcpy(field, text.data(), text.size());
}

bool ApiIsDigits(const std::string& text) {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

int ApiCapabilityAnswer(SETTING_CONTEXT* ctx, DWORD capsId) {
  API_CONNECTION* conn = ApiConnectionOf(ctx);
  return conn ? ZARNDrvGetCaps(conn->handle, capsId, nullptr) : -1;
}

int ApiWriteJournalledJobItems(SETTING_CONTEXT* ctx, DWORD mask) {
  ApiJournalJobItems(mask);
  return ApiWriteJobItems(ctx, mask);
}

void ApiStoreDeviceSetting(SETTING_CONTEXT* ctx, WORD id) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  if (!row) return;
  const WCHAR* ini = CfgGetIniPath(ctx);
  ApiJournalDeviceSetting(ctx, ctx->printer, row, ini);
  CfgWriteDeviceSetting(ctx->printer, ctx, row, ini);
}

// ---- Status 10 ----

int ApiSetStatusPrintMethod(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE*, int) {
  if (!ApiSetVersionAllowed(ctx, id, record)) return -1;
  const DWORD version = FieldVersion(record);
  const int limit = JobPasswordLimit(ctx);
  if (limit == 8 && version == 1) return -1;
  const DWORD method = ApiRecordU32(record, 4);
  if (method == 4 || method == 6 || method > 10) return -1;
  if (!ApiValuePasses(ctx, sid::rdmPrnMethod, method)) return -1;
  if (method == 3 && IsCustomPaperInUse(ctx) && ApiRaisesAlertMessage(ctx, sid::rdmPrnMethod, kStoredFreeSizeMessage, 3, 1))
    return -1;
  const DWORD flags = MaskFlags(ApiRecordU32(record, 8), version);
  bool shared = false;
  if (!CheckMethodFields(ctx, method, record, flags, limit, &shared)) return -1;
  char full[260] = {};
  if (method == 7 && (flags & PMF_OVERLAY_PATH)) {
    std::string path;
    if (!ApiRecordText(record, kOverlay.at, kOverlay.width, &path) || !ApiPrepareFilePath(path.c_str(), full)) return -1;
  }
  StgSetValue(ctx, sid::rdmPrnMethod, method);
  ApiStoreDeviceSetting(ctx, sid::rdmPrnMethod);
  ApplyMethodFields(ctx, method, record, flags, shared, full);
  return 1;
}

int ApiVerifyStatusPrintMethod(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  return Get(ctx, sid::rdmPrnMethod) == ApiRecordU32(record, 4) ? 1 : -1;
}

int ApiGetStatusPrintMethod(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version) {
  if (!ApiGetVersionAllowed(ctx, id, version)) return -1;
  const RECORD_VERSION_ROW* row = ApiRecordVersionRow(id, version);
  const int size = row ? (int)row->size : 0;
  if (!record || size == 0) return size;
  if (JobPasswordLimit(ctx) == 8 && version < 2) {
    ApiSetContextError(ctx, API_ERROR_VERSION);
    return -1;
  }
  ReadIniSetting(ctx, sid::rdmPrnMethod);
  ReadIniSetting(ctx, sid::rdmSharedPrnData);
  ApiPutRecordU32(record, 4, (DWORD)Get(ctx, sid::rdmPrnMethod));
  DWORD flags = 0x79 | (version == 1 ? 0x6 : 0x180) | (version >= 3 ? 0x7E00 : 0);
  ApiPutRecordU32(record, 8, flags);
  BYTE* r = static_cast<BYTE*>(record);
  std::memset(r + 12, 0, 390 - 12);
  if (version >= 2) std::memset(r + 390, 0, (version >= 3 ? 477 : 408) - 390);
  Copy(ctx, record, kUserId, sid::rdmUserID, kItemUserId, 8);
  if (version == 1) {
    Copy(ctx, record, kJobPassword4, sid::rdmJOBPassword, kItemJobPassword, 4);
    Copy(ctx, record, kStoredPassword4, sid::rdmStoredPassword, kItemStored, 4);
  } else {
    Copy(ctx, record, kJobPassword8, sid::rdmJOBPassword, kItemJobPassword, 8);
    Copy(ctx, record, kStoredPassword8, sid::rdmStoredPassword, kItemStored, 8);
  }
  Copy(ctx, record, kOwner, sid::rdmOwnerName, kItemOwner, 16);
  Copy(ctx, record, kDocument, sid::rdmDocumentName, kItemDocument, 16);
  Copy(ctx, record, kMerge, sid::rdmMergeFileName, 0, 64);
  Copy(ctx, record, kOverlay, sid::wdmOvlPath, 0, 259);
  if (version >= 3) {
    for (Field f : {kHoldDocument, kSaveDocument, kPrintSaveDocument}) Copy(ctx, record, f, sid::rdmDocumentName, 0, 16);
    for (Field f : {kSavePassword, kPrintSavePassword}) Copy(ctx, record, f, sid::rdmStoredPassword, 0, 8);
    ApiPutRecordU32(record, kSharedAt, (DWORD)Get(ctx, sid::rdmSharedPrnData));
  }
  return size;
}

// ---- Status 26 ----

int ApiSetStatusUserId(SETTING_CONTEXT* ctx, DWORD, void* record, BYTE*, int) {
  std::string id;
  if (!ApiRecordText(record, kUserId.at, kUserId.width, &id)) return -1;
  if (!ApiIsAlphanumeric(id.c_str())) return -1;
  uint64_t method = Get(ctx, sid::rdmPrnMethod);
  if (id.empty() && (method == 1 || method == 2)) return -1;
  ApiSetSettingText(ctx, sid::rdmUserID, id);
  ApiWriteJournalledJobItems(ctx, kItemUserId);
  return 1;
}

int ApiGetStatusUserId(SETTING_CONTEXT* ctx, DWORD, void* record, DWORD) {
  if (!record) return kUserIdRecordBytes;
  ApiPutRecordU32(record, 8, 0);
  ApiPutRecordText(record, kUserId.at, kUserId.width, {});
  ApiReadJobItems(ctx, kItemUserId);
  std::string id = ApiSettingText(ctx, sid::rdmUserID);
  if (!id.empty() && id.size() <= 8) {
    ApiPutRecordText(record, kUserId.at, kUserId.width, id);
    ApiPutRecordU32(record, 8, 1);
  }
  return kUserIdRecordBytes;
}
