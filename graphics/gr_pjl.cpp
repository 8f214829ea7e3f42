// The PJL text of a job: the command lists of the compiled image run against the current settings. The
// data file decides which lines appear and in which order; this code only knows how each kind of command
// and each kind of value turns into text, and the few lines that are composed here (date and time,
// driver name, device fonts, font substitution, localized values, colour-matching files).
//
// Every run is made twice: once to size the block and once to write it into a buffer of exactly that
// size, so every writer below counts in the first run what it writes in the second.
#include "gr_pjl.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/paths.h"
#include "config/printer_data.h"
#include "config/resource_strings.h"
#include "driverdata/rule_eval.h"
#include "kvplat/engine.h"
#include "kvplat/text.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/feature_modules.h"
#include "settings/item_records.h"
#include "settings/library_hooks.h"
#include "settings/setting_ids.h"

namespace {

constexpr int kMaxNesting = 64;         // conditional blocks inside one another
constexpr int kPathBytes = 262;         // multibyte path texts: at most 260 bytes and a terminator
constexpr int kFontNameBytes = 33;      // a device or substitution font name: at most 32 bytes
constexpr int kLocalizedChars = 261;    // a localized option text: at most 260 characters

// Special kinds of a setting row whose own writer makes the line.
enum : uint64_t {
  kSpecialDate = 1,
  kSpecialDotValue = 2,
  kSpecialDriverName = 3,
  kSpecialIniPath = 5,
  kSpecialHelpFile = 6,
  kSpecialHelpDll = 7,
  kSpecialFilteredText = 8,
  kSpecialShiftX = 9,
  kSpecialShiftY = 10,
  kSpecialChapters = 11,
  kSpecialDriverDir = 12,
  kSpecialLocalized = 13,
  kSpecialColorByObject = 101,
  kSpecialColorByMode = 102,
};

// ---- reading the image ------------------------------------------------------------------------------

const char* Text(uint64_t ref) { return reinterpret_cast<const char*>(uintptr_t(ref)); }

uint64_t ImageField(SETTING_CONTEXT* ctx, size_t offset) {
  if (!ctx || !ctx->image) return 0;
  return dfc::Get<uint64_t>(ctx->image, offset);
}

// The node's prefix and suffix texts (either may be absent).
void NodeAffixes(IMG_REF node, const char** prefix, const char** suffix) {
  IMG_REF pair = DFC_GET(node, IMAGE_NODE, commands);
  *prefix = pair ? Text(DFC_GET(pair, OPTION_COMMAND_PAIR, first)) : nullptr;
  *suffix = pair ? Text(DFC_GET(pair, OPTION_COMMAND_PAIR, second)) : nullptr;
}

// The option record of a list node with option value `value`, or 0.
IMG_REF FindOption(IMG_REF node, DWORD value) {
  for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o))
    if (ImgOptionValue(o) == WORD(value)) return o;
  return 0;
}

bool IsListKind(WORD kind) {
  return kind == dfc::kTypePickOne || kind == dfc::kTypePickPage || kind == dfc::kTypePickSlot ||
         kind == dfc::kTypeFontTbl;
}

// ---- output -------------------------------------------------------------------------------------------

void Put(GR_PJL_OUT* out, const char* s, size_t n) {
  if (!s || !n) return;
  if (out->buffer) {
    size_t room = out->size - out->length;
    if (n > room) {
      out->overflow = true;
      n = room;
    }
    std::memcpy(out->buffer + out->length, s, n);
  }
  out->length += DWORD(n);
}
void Put(GR_PJL_OUT* out, const char* s) {
  if (s) Put(out, s, std::strlen(s));
}

// Writes a value with the node's prefix and suffix; an empty value writes nothing.
void PutValue(GR_PJL_OUT* out, IMG_REF node, const char* value) {
  if (!value || !value[0]) return;
  const char *prefix, *suffix;
  NodeAffixes(node, &prefix, &suffix);
  GrAppendPjlLine(out, prefix, value, suffix);
}

void PutNumber(GR_PJL_OUT* out, IMG_REF node, int64_t n) {
  char text[24];
  std::snprintf(text, sizeof text, "%" PRId64, n);
  PutValue(out, node, text);
}

// A path or file text as multibyte text of at most 260 bytes.
void PutWide(GR_PJL_OUT* out, IMG_REF node, const WCHAR* text) {
  if (!text || !text[0]) return;
  char ansi[kPathBytes];
  CfgWideToAnsi(ansi, text, kPathBytes - 1);
  PutValue(out, node, ansi);
}

struct Run {
  SETTING_CONTEXT* ctx;
  GR_PJL_OUT* out;
};

int RunBlock(const Run& r, IMG_REF block, int depth);

// ---- value kinds --------------------------------------------------------------------------------------

// The text of a string setting; false when the setting has none.
bool PutStringSetting(const Run& r, IMG_REF node, ITEM_DESC* row) {
  BYTE* p = StgGetValuePtr(r.ctx, row);
  if (!p) return false;
  DWORD code = StgTypeCode(row->type), len = StgTypeLength(row->type);
  if (code == STG_TYPE_WIDE || code == 13) {
    std::u16string wide(len / 2 + 1, u'\0');
    StgGetString(r.ctx, row, wide.data());
    std::string ansi(2 * wide.size() + 1, '\0');
    CfgWideToAnsi(ansi.data(), wide.c_str(), int(ansi.size()));
    PutValue(r.out, node, ansi.c_str());
    return true;
  }
  // Stored multibyte text: it may fill its whole field without a terminator.
  std::string text(reinterpret_cast<const char*>(p), len);
  text.resize(std::strlen(text.c_str()));
  if (text.empty()) return false;
  PutValue(r.out, node, text.c_str());
  return true;
}

int PutByValueKind(const Run& r, IMG_REF node, ITEM_DESC* row, DWORD value) {
  WORD kind = dfc::BaseType(ImgNodeType(node));
  if (IsListKind(kind)) {
    IMG_REF option = FindOption(node, value);
    if (option) PutValue(r.out, node, Text(DFC_GET(option, IMAGE_OPTION, command)));
    if (kind == dfc::kTypeFontTbl && option && DFC_GET(option, IMAGE_OPTION_FONT, count) > 0) {
      // The chosen handling carries a substitution table: the printer learns the context's table.
      auto num = LONG(StgGetValue(r.ctx, sid::rdmFontTableNum, nullptr));
      auto* recs = reinterpret_cast<const FONT_SUBST_REC*>(uintptr_t(StgGetValue(r.ctx, sid::rdmFontTable, nullptr)));
      if (num > 0 && recs) {
        Put(r.out, "@PJL SET SUBFONTTABLE = \"");
        char name[kFontNameBytes];
        for (LONG i = 0; i < num; ++i) {
          WCHAR tt[33] = {}, dev[33] = {};
          std::memcpy(tt, recs[i].trueTypeName, sizeof recs[i].trueTypeName);
          std::memcpy(dev, recs[i].deviceName, sizeof recs[i].deviceName);
          Put(r.out, CfgWideToAnsi(name, tt, kFontNameBytes));
          Put(r.out, "+");
          Put(r.out, CfgWideToAnsi(name, dev, kFontNameBytes));
          Put(r.out, i + 1 < num ? "/" : "\" \r\n");
        }
      }
    }
    return 0;
  }
  switch (kind) {
    case dfc::kTypeBoolean: {
      IMG_REF v = ImgNodeOptions(node);
      if (v) PutValue(r.out, node, Text(value ? DFC_GET(v, BOOLEAN_VALUE, trueCommand) : DFC_GET(v, BOOLEAN_VALUE, falseCommand)));
      return 0;
    }
    case dfc::kTypeNumeric: {
      IMG_REF v = ImgNodeOptions(node);
      if (!v) return 0;
      int64_t scaled;
      if (GrScaleValue(int32_t(value), WORD(DFC_GET(v, NUMERIC_VALUE, number7)), WORD(DFC_GET(v, NUMERIC_VALUE, number8)),
                       &scaled))
        PutNumber(r.out, node, scaled);
      return 0;
    }
    case dfc::kTypeString:
      return PutStringSetting(r, node, row) ? 0 : -1;
    default:
      return 0;  // a kind without a writer writes nothing
  }
}

// ---- special kinds ------------------------------------------------------------------------------------

void PutDate(const Run& r, IMG_REF node) {
  ENG_TIME_FIELDS t{};
  EngQueryLocalTime(&t);
  char text[48];
  std::snprintf(text, sizeof text, "@PJL SET DATE = \"%04u/%02u/%02u\" \r\n", t.usYear % 10000u, t.usMonth % 100u,
                t.usDay % 100u);
  Put(r.out, text);
  std::snprintf(text, sizeof text, "\"%02u:%02u:%02u\"", t.usHour % 100u, t.usMinute % 100u, t.usSecond % 100u);
  PutValue(r.out, node, text);
}

// A length in 1200-dpi dots at the output resolution, scaled by the node's numbers; negated for the
// shift directions that move the other way.
void PutDotValue(const Run& r, IMG_REF node, DWORD value, bool negate) {
  IMG_REF v = ImgNodeOptions(node);
  int64_t multiplier = 1, divisor = 1;
  if (v && dfc::BaseType(ImgNodeType(node)) == dfc::kTypeNumeric) {
    multiplier = WORD(DFC_GET(v, NUMERIC_VALUE, number7));
    divisor = WORD(DFC_GET(v, NUMERIC_VALUE, number8));
  }
  int64_t n = int32_t(value);
  if (negate) n = -n;
  int64_t dots;
  if (GrScaleValue(n, multiplier * int64_t(StgGetDstResolutionW(r.ctx)), divisor * 1200, &dots)) PutNumber(r.out, node, dots);
}

bool ShiftNegated(SETTING_CONTEXT* ctx, uint64_t special) {
  auto dir = DWORD(StgGetValue(ctx, sid::rdmShiftDir, nullptr));
  return special == kSpecialShiftX ? (dir == 2 || dir == 4) : (dir == 3 || dir == 4);
}

void PutDriverName(const Run& r, IMG_REF node) {
  char ansi[kPathBytes];
  const WCHAR* driver = CfgGetDriverName(r.ctx);
  if (driver && driver[0]) {
    Put(r.out, "@PJL SET ZARNDRIVERNAME = \"");
    Put(r.out, CfgWideToAnsi(ansi, driver, kPathBytes));
    Put(r.out, "\" \r\n");
  }
  const WCHAR* printer = CfgGetPrinterName(r.ctx);
  if (printer && printer[0]) {
    std::string quoted = "\"";
    quoted += CfgWideToAnsi(ansi, printer, kPathBytes);
    PutValue(r.out, node, (quoted + "\"").c_str());
  }
}

void PutHelpName(const Run& r, IMG_REF node, bool dll) {
  WCHAR help[kPathBytes] = {};
  if (!CfgGetHelpFileName(help, sizeof help, r.ctx)) return;
  help[kPathBytes - 1] = 0;
  size_t n = kvp::WLen(help);
  if (dll && n > 3) kvp::WCopy(help + n - 3, 4, u"DLL");
  PutWide(r.out, node, help);
}

void PutFilteredText(const Run& r, IMG_REF node, ITEM_DESC* row) {
  DWORD len = StgTypeLength(row->type);
  std::u16string text(len + 1, u'\0');
  StgGetString(r.ctx, row, text.data());
  std::u16string kept;
  for (WCHAR c : text) {
    if (!c) break;
    if (c != u'-' && c != u'(' && c != u')') kept += c;
  }
  if (kept.size() > len) kept.resize(len);
  std::string ansi(2 * kept.size() + 1, '\0');
  CfgWideToAnsi(ansi.data(), kept.c_str(), int(ansi.size()));
  PutValue(r.out, node, ansi.c_str());
}

// A localized option text: the texts handed over at the start of the document are loaded anew from the
// resource library; when the library cannot be had, the handed-over text serves, and without it the
// option's own text.
void PutLocalizedValue(const Run& r, IMG_REF node, DWORD value) {
  IMG_REF option = FindOption(node, value);
  const char* own = option ? Text(DFC_GET(option, IMAGE_OPTION, command)) : nullptr;
  if (!own) return;
  for (const STRING_HANDOVER_ROW& row : GR_STRING_TABLE) {
    if (!row.key) break;
    if (row.key != WORD(value)) continue;
    WCHAR text[kLocalizedChars] = {};
    CfgLoadString(r.ctx, row.stringId, text, kLocalizedChars, 0);
    if (!text[0]) {
      std::memcpy(text, row.text, sizeof text);
      text[kLocalizedChars - 1] = 0;
    }
    if (text[0]) {
      std::string ansi(2 * kLocalizedChars + 1, '\0');
      CfgWideToAnsi(ansi.data(), text, int(ansi.size()));
      PutValue(r.out, node, ansi.c_str());
      return;
    }
    break;
  }
  PutValue(r.out, node, own);
}

// The colour-matching data file of an object class (the node's sub-key: 0 text, 1 and 2 lines, others
// images) after the driver folder.
void PutColorFile(const Run& r, IMG_REF node, bool byMode) {
  if (!StgGetValue(r.ctx, sid::rdmMachineTypeColor, nullptr)) return;
  WORD cls = DFC_GET(node, IMAGE_NODE, variant);
  WORD classSetting = cls == 0 ? WORD(sid::wdmColorMatchingText) : WORD(cls <= 2 ? sid::wdmColorMatchingLine : sid::wdmColorMatchingImage);
  bool adjust = StgGetValue(r.ctx, sid::rdmAdjustMode, nullptr) == 1;
  auto value = DWORD(StgGetValue(r.ctx, adjust ? classSetting : WORD(sid::rdmColorMatchingMode), nullptr));
  bool film = StgGetValue(r.ctx, sid::rdmMediaType, nullptr) == 2;
  const char* file;
  if (!byMode) {
    if (value == 0 || value == 131) return;
    bool images = cls > 2;
    if (images || (value != 1 && value != 128 && value != 130))
      file = film ? "KV99C154.kcm" : "KV99C152.kcm";
    else
      file = film ? "KV99C153.kcm" : "KV99C151.kcm";
  } else {
    if (!adjust && value >= 128 && value <= 131) {
      if (cls > 2 || value == 129)
        value = 2;
      else if ((cls == 1 || cls == 2) && (value == 128 || value == 130))
        value = 1;
      else if (cls == 0 && (value == 128 || value == 130))
        value = 6;
      else
        value = 0;
    }
    if (value == 0) return;
    if (value >= 200 && value <= 215) {
      // A user colour profile: its path as the user registered it. The profile is read directly so
      // that writing the header leaves the job's settings as they are.
      WCHAR mode[STG_CMM_TEXT_CHARS], path[STG_CMM_TEXT_CHARS];
      StgReadCmmProfile(r.ctx, StgGetCmmProfileOfSetting(r.ctx, adjust ? classSetting : WORD(sid::rdmColorMatchingMode)), mode, path);
      PutWide(r.out, node, path);
      return;
    }
    file = value == 2 ? "KV99C152.kcm" : (value == 6 ? "KV99C153.kcm" : "KV99C151.kcm");
  }
  char dir[kPathBytes] = {};
  const WCHAR* folder = CfgGetDriverDir(r.ctx);
  if (folder) CfgWideToAnsi(dir, folder, kPathBytes);
  std::string path = dir;
  if (!path.empty() && path.back() != '\\') path += '\\';
  PutValue(r.out, node, (path + file).c_str());
}

// Runs the special writer of a setting row; false when the row's kind has none (the value kind writes).
bool RunSpecial(const Run& r, IMG_REF node, ITEM_DESC* row, DWORD value) {
  switch (row->special) {
    case kSpecialDate: PutDate(r, node); return true;
    case kSpecialDotValue: PutDotValue(r, node, value, false); return true;
    case kSpecialShiftX:
    case kSpecialShiftY: PutDotValue(r, node, value, ShiftNegated(r.ctx, row->special)); return true;
    case kSpecialDriverName: PutDriverName(r, node); return true;
    case kSpecialIniPath: PutWide(r.out, node, CfgGetIniPath(r.ctx)); return true;
    case kSpecialDriverDir: PutWide(r.out, node, CfgGetDriverDir(r.ctx)); return true;
    case kSpecialHelpFile: PutHelpName(r, node, false); return true;
    case kSpecialHelpDll: PutHelpName(r, node, true); return true;
    case kSpecialFilteredText: PutFilteredText(r, node, row); return true;
    case kSpecialChapters: {
      IMG_REF v = ImgNodeOptions(node);
      if (v && dfc::BaseType(ImgNodeType(node)) == dfc::kTypeBoolean)
        PutValue(r.out, node, Text(value ? DFC_GET(v, BOOLEAN_VALUE, trueCommand) : DFC_GET(v, BOOLEAN_VALUE, falseCommand)));
      if (value) GrPutChapterSettings(r.ctx, r.out);
      return true;
    }
    case kSpecialLocalized: PutLocalizedValue(r, node, value); return true;
    case kSpecialColorByObject: PutColorFile(r, node, false); return true;
    case kSpecialColorByMode: PutColorFile(r, node, true); return true;
    default: return false;
  }
}

int RunSettingCommand(const Run& r, WORD key, WORD subKey) {
  ITEM_DESC* row = StgFindItemByKey(r.ctx, key);
  IMG_REF node = GrFindCommandNode(key, subKey, r.ctx);
  if (!row || !node) return -1;
  DWORD value = StgGetItemOptionValue(r.ctx, row);
  if (RunSpecial(r, node, row, value)) return 0;
  if (ImgNodeType(node) & dfc::kTypeUnknown) return 0;
  return PutByValueKind(r, node, row, value);
}

int RunList(const Run& r, IMG_REF entry, int depth) {
  for (; entry; entry = DFC_GET(entry, COMMAND_ENTRY_GROUP, next)) {
    int result = 0;
    switch (DFC_GET(entry, COMMAND_ENTRY_GROUP, kind)) {
      case 1:
        result = RunSettingCommand(r, DFC_GET(entry, COMMAND_ENTRY_GROUP, itemKey), WORD(DFC_GET(entry, COMMAND_ENTRY_GROUP, number)));
        break;
      case 2: {
        uint64_t size = DFC_GET(entry, COMMAND_ENTRY_STRING, length);
        const char* text = Text(DFC_GET(entry, COMMAND_ENTRY_STRING, text));
        if (text && size > 1) Put(r.out, text, strnlen(text, size_t(size - 1)));
        break;
      }
      case 3:
        result = RunBlock(r, DFC_GET(entry, COMMAND_ENTRY_BLOCK, block), depth + 1);
        break;
      case 4:
        GrPutDevFontIds(r.ctx, r.out);
        break;
      default:
        result = -1;
    }
    if (result < 0) return -1;
  }
  return 0;
}

int RunBlock(const Run& r, IMG_REF block, int depth) {
  if (!block) return 0;
  if (depth > kMaxNesting) return -1;
  IMG_REF condition = DFC_GET(block, COMMAND_BLOCK, condition);
  bool taken = !condition || RuleEvalExpression(condition, r.ctx) != 0;
  return RunList(r, taken ? DFC_GET(block, COMMAND_BLOCK, thenList) : DFC_GET(block, COMMAND_BLOCK, elseList), depth);
}

int Produce(SETTING_CONTEXT* ctx, size_t group, DWORD size, char* buffer, DWORD* length) {
  return GrProduceCommandList(ctx, ImageField(ctx, group), size, buffer, length);
}

}  // namespace

// ---- the public operations ------------------------------------------------------------------------------

bool GrScaleValue(int64_t value, int64_t multiplier, int64_t divisor, int64_t* result) {
  if (divisor == 0) return false;  // a malformed data file: nothing is written for this value
  *result = value * multiplier / divisor;
  return true;
}

void GrAppendPjlLine(GR_PJL_OUT* out, const char* prefix, const char* value, const char* suffix) {
  Put(out, prefix);
  Put(out, value);
  Put(out, suffix);
}

void GrPutPjlSet(GR_PJL_OUT* out, const char* key, const char* value) {
  if (!key || !value) return;
  Put(out, "@PJL SET ");
  Put(out, key);
  Put(out, " = ");
  Put(out, value);
  Put(out, " \r\n");
}

char* GrNumberedKey(char* dest, size_t bytes, const char* key, int n) {
  std::snprintf(dest, bytes, "%s%d", key ? key : "", n);
  return dest;
}

namespace {

// The leading decimal number of a range text from `*at`, which then points past it; -1 when none.
long RangeNumber(const WCHAR** at, const WCHAR* end) {
  const WCHAR* p = *at;
  while (p < end && *p == u' ') ++p;
  if (p >= end || *p < u'0' || *p > u'9') return -1;
  long n = 0;
  for (; p < end && *p >= u'0' && *p <= u'9'; ++p) n = n < 100000000 ? n * 10 + (*p - u'0') : n;
  *at = p;
  return n;
}

void PutNumberedSet(GR_PJL_OUT* out, const char* key, int n, const char* value) {
  char numbered[48];
  GrPutPjlSet(out, GrNumberedKey(numbered, sizeof numbered, key, n), value);
}

void PutNumberedSet(GR_PJL_OUT* out, const char* key, int n, long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%ld", value);
  PutNumberedSet(out, key, n, text);
}

}  // namespace

void GrPutChapterSettings(SETTING_CONTEXT* ctx, GR_PJL_OUT* out) {
  auto rows = LONG(StgGetValue(ctx, sid::wdmChapterNum, nullptr));
  auto trayMax = LONG(StgGetValue(ctx, sid::wdmChapterTrayMax, nullptr));
  if (rows <= 0 || trayMax <= 0) return;
  // The trays that start chapters, in the order of their first row, each with the print side of its
  // last row that names one.
  struct Tray {
    SHORT tray;
    BYTE print;
  };
  std::vector<Tray> trays;
  auto position = [&trays](SHORT tray) {
    size_t k = 0;
    while (k < trays.size() && trays[k].tray != tray) ++k;
    return k;
  };
  for (LONG i = 0; i < rows; ++i) {
    const CHAPTER_ROW* row = StgGetChapterRow(ctx, int(i));
    if (!row || (row->kind != 0 && row->kind != 3)) continue;
    size_t k = position(row->tray);
    if (k == trays.size()) {
      if (LONG(trays.size()) >= trayMax) continue;
      trays.push_back({row->tray, 0});
    }
    if (row->print) trays[k].print = row->print;
  }
  bool duplex = StgGetValue(ctx, sid::rdmFuncSelectDuplex, nullptr) != 0;
  for (size_t k = 0; k < trays.size(); ++k) {
    PutNumberedSet(out, "CHAPTERPRINTTRAY", int(k + 1), GrGetOptionText(ctx, sid::wdmChapterTray, DWORD(trays[k].tray)));
    PutNumberedSet(out, "CHAPTERPRINTDUPLEX", int(k + 1), duplex && trays[k].print == 1 ? "ON" : "OFF");
  }
  for (LONG i = 0; i < rows; ++i) {
    const CHAPTER_ROW* row = StgGetChapterRow(ctx, int(i));
    if (!row) continue;
    int n = int(i + 1);
    if (row->kind == 3) {
      const WCHAR* at = row->range;
      const WCHAR* end = row->range + STG_CHAPTER_RANGE_CHARS;
      long first = RangeNumber(&at, end);
      long last = first;
      if (first >= 0 && at < end && *at == u'-') {
        ++at;
        last = RangeNumber(&at, end);
        if (last < 0) last = first;
      }
      if (first >= 0) {
        PutNumberedSet(out, "CHAPTERPAGESTART", n, first);
        PutNumberedSet(out, "CHAPTERPAGEEND", n, last);
      }
    } else {
      PutNumberedSet(out, "CHAPTERPAGENUMBER", n, long(row->page));
      if (row->kind != 0) {
        PutNumberedSet(out, "CHAPTERPAGE", n, "BREAK");
        continue;
      }
      PutNumberedSet(out, "CHAPTERPAGE", n, row->print == 1 || row->print == 2 ? "COPY" : "BLANK");
    }
    // The page's tray names the tray line it prints from: one past the used trays when its tray is
    // not among them.
    char trayKey[48];
    PutNumberedSet(out, "CHAPTERPAGETRAY", n, GrNumberedKey(trayKey, sizeof trayKey, "CHAPTERPRINTTRAY", int(position(row->tray) + 1)));
  }
}

void GrPutDevFontIds(SETTING_CONTEXT* ctx, GR_PJL_OUT* out) {
  auto num = LONG(StgGetValue(ctx, sid::rdmDeviceFontNum, nullptr));
  auto* recs = reinterpret_cast<const DEVICE_FONT_REC*>(uintptr_t(StgGetValue(ctx, sid::rdmDeviceFont, nullptr)));
  if (num <= 0 || !recs) return;
  std::string line = "@PJL SET DEVFONTID = \"";
  for (LONG i = 0; i < num; ++i) {
    WORD id = WORD(recs[i].id);
    if (id == 0xFFFF) continue;
    WCHAR wide[33] = {};
    std::memcpy(wide, recs[i].name, sizeof recs[i].name);
    char name[kFontNameBytes];
    line += std::to_string(id) + "+" + CfgWideToAnsi(name, wide, kFontNameBytes) + "/";
  }
  // The last character written (the final slash, or the opening quote) closes the line.
  line.back() = '"';
  line += " \r\n";
  Put(out, line.c_str(), line.size());
}

IMG_REF GrFindCommandNode(WORD key, WORD subKey, SETTING_CONTEXT* ctx) {
  for (IMG_REF n = ImageField(ctx, DFC_OFF(COMPILED_IMAGE_HEADER, FeatureList)); n; n = DFC_GET(n, IMAGE_NODE, next)) {
    if (ImgNodeKey(n) != key) continue;
    if (DFC_GET(n, IMAGE_NODE, variant) == subKey || (ImgNodeType(n) & dfc::kTypeIdentity)) return n;
  }
  return 0;
}

const char* GrGetOptionText(SETTING_CONTEXT* ctx, WORD id, DWORD value) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  IMG_REF node = ImgFindNode(ctx, id);
  if (!row || !node) return nullptr;
  switch (ImgGetNodeType(ctx, id)) {
    case dfc::kTypePickOne:
      for (IMG_REF o = ImgNodeOptions(node); o; o = ImgNext(o))
        if (StgMapFromOption(ctx, row, ImgOptionValue(o)) == value) return Text(DFC_GET(o, IMAGE_OPTION, command));
      return nullptr;
    case dfc::kTypeBoolean: {
      IMG_REF v = ImgNodeOptions(node);
      if (!v) return nullptr;
      return Text(value ? DFC_GET(v, BOOLEAN_VALUE, trueCommand) : DFC_GET(v, BOOLEAN_VALUE, falseCommand));
    }
    default:
      return nullptr;
  }
}

int GrProduceCommandList(SETTING_CONTEXT* ctx, IMG_REF block, DWORD size, char* buffer, DWORD* length) {
  GR_PJL_OUT out{buffer, buffer ? size : 0, 0, false};
  int result = RunBlock(Run{ctx, &out}, block, 0);
  if (length) *length = out.length;
  if (buffer) {
    // The writing run must give exactly the text the sizing run measured.
    if (result >= 0 && (out.overflow || out.length != size)) result = -1;
    return result;
  }
  return result == 0 && out.length > 0 ? 1 : result;
}

int GrJobHeaderProducer(SETTING_CONTEXT* ctx, DWORD size, char* buffer, DWORD* length) {
  return Produce(ctx, DFC_OFF(COMPILED_IMAGE_HEADER, JobStart), size, buffer, length);
}

int GrPageHeaderProducer(SETTING_CONTEXT* ctx, DWORD size, char* buffer, DWORD* length) {
  return Produce(ctx, DFC_OFF(COMPILED_IMAGE_HEADER, PageStart), size, buffer, length);
}

int GrPageTrailerProducer(SETTING_CONTEXT* ctx, DWORD size, char* buffer, DWORD* length) {
  return Produce(ctx, DFC_OFF(COMPILED_IMAGE_HEADER, PageEnd), size, buffer, length);
}
