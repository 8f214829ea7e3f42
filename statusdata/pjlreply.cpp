// The table-driven parser of PJL replies, its handlers and the value tables of the printer's words.
#include "statusdata/pjlreply.h"

#include <cstring>
#include <iterator>

#include "kvplat/error.h"
#include "kvplat/heap.h"

// ---------------------------------------------------------------------------------------------
// Value tables

const PAT_NAME_ROW g_PatPaperSizeNames[] = {
    {"ROLL841", 257}, {"ROLL594", 258}, {"ROLL420", 259}, {"ROLL297", 260}, {"ROLL210", 261},
    {"ROLL728", 270}, {"ROLL515", 271}, {"ROLL364", 272}, {"ROLL257", 273}, {"INCHROLL8HALF", 274},
    {"INCHROLL9", 275}, {"INCHROLL11", 276}, {"INCHROLL12", 277}, {"INCHROLL17", 278}, {"INCHROLL18", 279},
    {"INCHROLL22", 280}, {"INCHROLL24", 281}, {"INCHROLL30", 282}, {"INCHROLL34", 283}, {"INCHROLL36", 284},
    {"A0SRT", 90}, {"A1SRT", 91}, {"A1LONG", 88}, {"A2SRT", 72}, {"A2LONG", 86},
    {"A3", 5}, {"A3LONG", 4}, {"A4SRT", 9}, {"JISB1SRT", 92}, {"JISB2SRT", 93},
    {"JISB2LONG", 89}, {"JISB3SRT", 73}, {"JISB3LONG", 87}, {"JISB4", 7}, {"JISB4LONG", 6},
    {"LEDGER", 58}, {"LEDGERLONG", 57}, {"LEGAL", 21}, {"LETTERSRT", 23}, {"FOOLSCAP", 62},
    {"INCH9x12SRT", 103}, {"A3WIDE", 69}, {"A3WIDELONG", 76}, {"ANSICSRT", 75}, {"ANSICLONG", 74},
    {"INCH18x24SRT", 104}, {"INCH18x24LONG", 105}, {"INCH22x34SRT", 106}, {"INCH22x34LONG", 107},
    {"INCH24x36SRT", 108}, {"INCH24x36LONG", 109}, {"INCH30x42SRT", 110}, {"INCH34x44SRT", 111},
    {"INCH36x48SRT", 112}, {"CUSTOM", 2},
    {nullptr, 0},
};
static_assert(std::size(g_PatPaperSizeNames) == 55 + 1);

const PAT_NAME_ROW g_PatMediaNames[] = {
    {"PLAIN", 1}, {"RECYCLED", 2}, {"SPECIAL", 5}, {"THICK", 6}, {"THICK2", 17}, {"THIN", 20},
    {"TABSTOCK", 8}, {"TRANSPARENCY", 3}, {"COLOR", 9}, {"LETTERHEAD", 10}, {"PREPRINTED", 11},
    {"PREPUNCHED", 12}, {"LABELS", 13}, {"BOND", 14}, {"CARDSTOCK", 15}, {"THICKDUPLEXBACKSIDE", 19},
    {"PLAINDUPLEXBACKSIDE", 18}, {"USED", 35}, {"USERCOLOR1", 22}, {"USERCOLOR2", 23}, {"JPOST", 24},
    {"JPOSTDUPLEXBACKSIDE", 25}, {"YELLOW", 26}, {"GREEN", 27}, {"BLUE", 28}, {"PURPLE", 29},
    {"IVORY", 30}, {"ORANGE", 31}, {"PINK", 32}, {"RED", 33}, {"GRAY", 34}, {"TRANSLUCENT", 4},
    {"GLOSSY", 21}, {"FILM", 7}, {"ENVELOPE", 36}, {"INKJETJPOST", 37}, {"HGPLAIN", 38}, {"THICK3", 39},
    {"SPECIAL2", 40}, {"SPECIAL3", 41}, {"MIDDLETHICK", 42}, {"COATED", 43}, {"THICKDUPLEXBACKSIDE2", 44},
    {"THICKDUPLEXBACKSIDE3", 45},
    {nullptr, 0},
};
static_assert(std::size(g_PatMediaNames) == 44 + 1);

const PAT_NAME_ROW g_PatTrayQuantityNames[] = {
    {"END", 0}, {"1/5", 20}, {"2/5", 40}, {"3/5", 60}, {"4/5", 80}, {"FULL", 100}, {nullptr, 0},
};
static_assert(std::size(g_PatTrayQuantityNames) == 6 + 1);

// FIRMWARE names the system version itself rather than an emulation.
constexpr INT kVersionIsSystem = -1;
const PAT_NAME_ROW g_PatVersionNames[] = {
    {"FIRMWARE", kVersionIsSystem}, {"ZARN", 15}, {"POSTSCRIPT", 2}, {nullptr, 0},
};
static_assert(std::size(g_PatVersionNames) == 3 + 1);

const PAT_NAME_ROW g_PatMemoryUsageNames[] = {{"USER", 2}, {"PAGE", 1}, {nullptr, 0}};
const PAT_NAME_ROW g_PatImageRotationNames[] = {{"POSSIBLE", 1}, {"IMPOSSIBLE", 2}, {nullptr, 0}};
// This model recognises no model name and no command-set name.
const PAT_NAME_ROW g_PatModelNames[] = {{nullptr, 255}};
const PAT_NAME_ROW g_PatCommandSetNames[] = {{nullptr, 0}};

namespace {

// Punch-unit configurations: up to five unit names and the device code they make. None for this
// model.
struct PunchUnitRow {
  const char* units[5];
  WORD deviceCode;
};
constexpr PunchUnitRow kPunchUnits[] = {{{nullptr, nullptr, nullptr, nullptr, nullptr}, 0}};
constexpr size_t kPunchUnitCount = 0;

// Lists fed from replies stop growing here: a printer has a handful of options and bins, and a
// reply that repeats lines without end must not make every append walk an ever longer chain.
constexpr DWORD kMaxReplyListNodes = 256;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Dispatch tables

const REPLY_HANDLER_ROW g_PatModelReplyTable[] = {
    {{"INQUIRE", "INTRAY1", "", "", ""}, PatOnTrayLock, 51},
    {{"INQUIRE", "INTRAY2", "", "", ""}, PatOnTrayLock, 52},
    {{"INQUIRE", "INTRAY3", "", "", ""}, PatOnTrayLock, 60},
    {{"INQUIRE", "INTRAYMULTI", "", "", ""}, PatOnTrayLock, 1},
    {{"INQUIRE", "INTRAY1SIZE", "", "", ""}, PatOnTraySize, 51},
    {{"INQUIRE", "INTRAY2SIZE", "", "", ""}, PatOnTraySize, 52},
    {{"INQUIRE", "INTRAY3SIZE", "", "", ""}, PatOnTraySize, 60},
    {{"INQUIRE", "INTRAYMSIZE", "", "", ""}, PatOnTraySize, 1},
    {{"INQUIRE", "INTRAY1QUANT", "", "", ""}, PatOnTrayQuantity, 51},
    {{"INQUIRE", "INTRAY2QUANT", "", "", ""}, PatOnTrayQuantity, 52},
    {{"INQUIRE", "INTRAY3QUANT", "", "", ""}, PatOnTrayQuantity, 60},
    {{"INQUIRE", "INTRAY1MEDIA", "", "", ""}, PatOnTrayMedia, 51},
    {{"INQUIRE", "INTRAY2MEDIA", "", "", ""}, PatOnTrayMedia, 52},
    {{"INQUIRE", "INTRAY3MEDIA", "", "", ""}, PatOnTrayMedia, 60},
    {{"INQUIRE", "INTRAYMMEDIA", "", "", ""}, PatOnTrayMedia, 1},
    {{"INFO", "CONFIG", "IN TRAYS", "INTRAY1", ""}, PatOnTrayPresent, 51},
    {{"INFO", "CONFIG", "IN TRAYS", "INTRAY2", ""}, PatOnTrayPresent, 52},
    {{"INFO", "CONFIG", "IN TRAYS", "INTRAY3", ""}, PatOnTrayPresent, 60},
    {{"INFO", "CONFIG", "IN TRAYS", "INTRAYMANUAL", ""}, PatOnTrayPresent, 1},
    {{"INFO", "OUTBINSTATUS", "UPPER", "", ""}, PatOnOutBin, 29},
    {{"INFO", "OUTBINSTATUS", "LOWER", "", ""}, PatOnOutBin, 30},
    {{"INFO", "CONFIG", "IN TRAYS", "INTRAY2", ""}, PatOnDeviceOption, 42},
    {{"INFO", "CONFIG", "IN TRAYS", "INTRAY3", ""}, PatOnDeviceOption, 116},
    {{"INFO", "CONFIG", "IN TRAYS", "INTRAYMANUAL", ""}, PatOnDeviceOption, 16},
    {{"INFO", "CONFIG", "OUT TRAYS", "OUTTRAYACCORDIONFOLD", ""}, PatOnDeviceOption, 126},
    {{"INFO", "CONFIG", "DISK", "", ""}, PatOnDeviceOption, 3},
    {{nullptr, nullptr, nullptr, nullptr, nullptr}, nullptr, 0},
};
static_assert(std::size(g_PatModelReplyTable) == 26 + 1);

const REPLY_HANDLER_ROW g_PatCommonReplyTable[] = {
    {{"INFO", "ZARN", "", "", ""}, PatOnZarnInfo, 0},
    {{"INFO", "CONFIG", "", "", ""}, PatOnConfig, 0},
    {{"INFO", "CONFIG", "VERSION", "", ""}, PatOnConfigVersion, 0},
    {{"INFO", "CONFIG", "IN TRAYS", "", ""}, PatOnConfigInTrays, 0},
    {{"INFO", "CONFIG", "MEMORY", "", ""}, PatOnConfigMemory, 0},
    {{"INFO", "CONFIG", "PUNCH", "", ""}, PatOnConfigPunch, 0},
    {{"INFO", "OUTBINSTATUS", "", "", ""}, PatOnOutBinStatus, 0},
    {{nullptr, nullptr, nullptr, nullptr, nullptr}, nullptr, 0},
};
static_assert(std::size(g_PatCommonReplyTable) == 7 + 1);

// ---------------------------------------------------------------------------------------------
// Helpers

namespace {

struct Token {
  char text[PJL_TOKEN_CAPACITY];
  DWORD kind;
};

DWORD Next(PJL_TOKENIZER* t, Token* token) {
  token->kind = PJL_TOK_END;
  return PatReadToken(t, token->text, sizeof token->text, &token->kind);
}

LIST_NODE* NewNode(DWORD size) { return PatNewListNode(size); }

// Appends a node to a reply-fed list; 1 when appended, 0 when the list is full (node freed), and
// ERROR_NOT_ENOUGH_MEMORY reported through `result` when it cannot be allocated.
template <typename NodeT, typename Fill>
DWORD AppendBounded(PRN_INFO_EX* record, const char* key, Fill fill) {
  LIST_REF ref;
  if (!PatFindPrnInfoList(record, key, &ref)) return ERROR_INVALID_PARAMETER;
  if (*ref.count >= kMaxReplyListNodes) return 0;
  auto* node = reinterpret_cast<NodeT*>(NewNode(sizeof(NodeT)));
  if (!node) return ERROR_NOT_ENOUGH_MEMORY;
  fill(node);
  PatAppendPrnInfoNode(record, key, &node->hdr);
  return 0;
}

// The shared part of the INQUIRE handlers: the tray, then the word on the next line.
DWORD ReadTrayWord(PJL_TOKENIZER* t, PRN_INFO_EX* record, DWORD trayCode, TRAY_NODE** tray, Token* word) {
  *tray = PatGetOrAddTray(record, WORD(trayCode));
  if (!*tray) return ERROR_NOT_ENOUGH_MEMORY;
  DWORD r = Next(t, word);
  if (r) return r;
  if (word->kind != PJL_TOK_NEWLINE) return ERROR_INVALID_PARAMETER;
  r = Next(t, word);
  if (r) return r;
  if (word->kind != PJL_TOK_LINE_KEY) return ERROR_INVALID_PARAMETER;
  return 0;
}

bool EndOfBlock(DWORD kind) { return kind == PJL_TOK_END || kind == PJL_TOK_FORM_FEED; }

}  // namespace

TRAY_NODE* PatGetOrAddTray(PRN_INFO_EX* record, WORD trayCode) {
  if (!PatIsUsableRecord(record)) return nullptr;
  if (LIST_NODE* n = PatFindListNode(record->pTrayInfo, trayCode)) return reinterpret_cast<TRAY_NODE*>(n);
  auto* tray = reinterpret_cast<TRAY_NODE*>(PatNewListNode(sizeof(TRAY_NODE)));
  if (!tray) return nullptr;
  tray->trayCode = trayCode;
  PatAppendPrnInfoNode(record, "pTrayInfo", &tray->hdr);
  return tray;
}

const REPLY_HANDLER_ROW* PatFindHandlerRow(const REPLY_HANDLER_ROW* row, const char* const levels[5],
                                           DWORD* value) {
  if (!row || !levels) return nullptr;
  for (; row->handler; ++row) {
    bool match = true;
    for (int i = 0; i < 5 && match; ++i) match = std::strcmp(row->levels[i], levels[i]) == 0;
    if (match) {
      if (value) *value = row->value;
      return row;
    }
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// The parser

namespace {

DWORD Dispatch(const REPLY_HANDLER_ROW* table, const char* const levels[5], PJL_TOKENIZER* t,
               PRN_INFO_EX* record) {
  DWORD value = 0;
  for (const REPLY_HANDLER_ROW* row = PatFindHandlerRow(table, levels, &value); row;
       row = PatFindHandlerRow(row + 1, levels, &value)) {
    DWORD r = row->handler(t, record, value);
    if (r) return r;
  }
  return 0;
}

}  // namespace

namespace {

// Marks a tray that the tray listing of a CONFIG reply has not named yet; only ever set while a reply
// is parsed.
constexpr DWORD kTrayUnlisted = 0x80000000u;

// Drops the trays that a CONFIG reply's tray listing did not name; the others keep what earlier
// replies told of them. After a reply that failed part-way the listing may be cut short, so nothing is
// dropped then and only the marks are cleared.
void DropUnlistedTrays(PRN_INFO_EX* record, bool drop) {
  LIST_REF ref;
  if (!PatFindPrnInfoList(record, "pTrayInfo", &ref)) return;
  LIST_NODE** slot = ref.headSlot;
  while (LIST_NODE* n = *slot) {
    auto* tray = reinterpret_cast<TRAY_NODE*>(n);
    if (!drop) tray->flags &= ~kTrayUnlisted;
    if (tray->flags & kTrayUnlisted) {
      *slot = n->next;
      GlobalFree(n);
      if (*ref.count) --*ref.count;
    } else {
      slot = &n->next;
    }
  }
}

DWORD ParseLines(PRN_INFO_EX* record, const REPLY_HANDLER_ROW* modelTable, const char* text, size_t length) {
  char level[5][PJL_TOKEN_CAPACITY] = {};
  const char* const levels[5] = {level[0], level[1], level[2], level[3], level[4]};
  PJL_TOKENIZER t;
  PatTokInitN(&t, text, length);
  for (;;) {
    Token token;
    DWORD r = Next(&t, &token);
    if (r) return r;
    int set = -1;
    switch (token.kind) {
      case PJL_TOK_END:
        return 0;
      case PJL_TOK_COMMAND:
        for (auto& l : level) l[0] = 0;
        set = 0;
        break;
      case PJL_TOK_NEWLINE:
        level[3][0] = level[4][0] = 0;
        break;
      case PJL_TOK_CATEGORY: set = 1; break;
      case PJL_TOK_LINE_KEY: set = 2; break;
      case PJL_TOK_TAB_KEY: set = 3; break;
      case PJL_TOK_TAB_VALUE: set = 4; break;
      default: break;
    }
    if (set < 0) continue;
    std::memcpy(level[set], token.text, sizeof token.text);
    r = Dispatch(modelTable, levels, &t, record);
    if (!r) r = Dispatch(g_PatCommonReplyTable, levels, &t, record);
    if (r) return r;
  }
}

}  // namespace

DWORD PatParseConfigText(PRN_INFO_EX* record, const REPLY_HANDLER_ROW* modelTable, const char* text,
                         size_t length) {
  DWORD r = ParseLines(record, modelTable, text, length);
  DropUnlistedTrays(record, r == 0);
  return r;
}

// ---------------------------------------------------------------------------------------------
// Handlers

DWORD PatOnZarnInfo(PJL_TOKENIZER* t, PRN_INFO_EX* record, DWORD) {
  auto* node = reinterpret_cast<EMUL_UNIQUE_NODE*>(PatFindListNode(record->pEmulUniqInfo, EMULATION_ZARN));
  if (!node) {
    node = reinterpret_cast<EMUL_UNIQUE_NODE*>(PatNewListNode(sizeof(EMUL_UNIQUE_NODE)));
    if (!node) return ERROR_NOT_ENOUGH_MEMORY;
    node->code = EMULATION_ZARN;
    PatAppendPrnInfoNode(record, "pEmulUniqInfo", &node->hdr);
  }
  for (;;) {
    Token token;
    DWORD r = Next(t, &token);
    if (r || EndOfBlock(token.kind)) return r;
    if (token.kind != PJL_TOK_LINE_KEY) continue;
    Token value;
    r = Next(t, &value);
    if (r) return r;
    if (std::strcmp(token.text, "MEMORYUSAGE") == 0)
      node->memoryUsage = DWORD(PatLookupName(value.text, g_PatMemoryUsageNames));
    else if (std::strcmp(token.text, "OTHER") == 0)
      PatCopyText(node->other, sizeof node->other, value.text);
    else if (std::strcmp(token.text, "IMAGEROTATION") == 0)
      node->imageRotation = DWORD(PatLookupName(value.text, g_PatImageRotationNames));
    if (EndOfBlock(value.kind)) return 0;
  }
}

DWORD PatOnConfig(PJL_TOKENIZER*, PRN_INFO_EX* record, DWORD) {
  PatClearPrnInfoList(record, "pDeviceInfo");
  return 0;
}

DWORD PatOnConfigVersion(PJL_TOKENIZER* t, PRN_INFO_EX* record, DWORD) {
  PatClearPrnInfoList(record, "pLoadedEmul");
  Token token;
  DWORD r = Next(t, &token);
  if (r || token.kind != PJL_TOK_BRACKET_COUNT) return r;
  LONGLONG count = PatDecimal(token.text);
  if (count <= 0) return 0;
  // The list ends after `count` entries, and never beyond its own reply block.
  for (LONGLONG seen = 0; seen < count;) {
    r = Next(t, &token);
    if (r || EndOfBlock(token.kind)) return r;
    if (token.kind != PJL_TOK_TAB_KEY) continue;
    ++seen;
    Token value;
    r = Next(t, &value);
    if (r) return r;
    if (value.kind != PJL_TOK_TAB_VALUE) {
      if (EndOfBlock(value.kind)) return 0;
      continue;
    }
    INT code = PatLookupName(token.text, g_PatVersionNames);
    if (code == kVersionIsSystem) {
      if (!PatSetPrnInfoString(record, "pSYSVersion", value.text)) return ERROR_NOT_ENOUGH_MEMORY;
      continue;
    }
    r = AppendBounded<EMULATION_NODE>(record, "pLoadedEmul", [&](EMULATION_NODE* n) {
      n->code = WORD(code);
      PatCopyText(n->version, 16, value.text);
    });
    if (r) return r;
    if (code == 1 && !PatSetPrnInfoString(record, "pMainProgVersion", value.text)) return ERROR_NOT_ENOUGH_MEMORY;
    if (code == 2 && !PatSetPrnInfoString(record, "pKPSVersion", value.text)) return ERROR_NOT_ENOUGH_MEMORY;
  }
  return 0;
}

DWORD PatOnConfigInTrays(PJL_TOKENIZER* t, PRN_INFO_EX* record, DWORD) {
  Token token;
  DWORD r = Next(t, &token);
  if (r) return r;
  if (token.kind != PJL_TOK_BRACKET_COUNT) return ERROR_INVALID_PARAMETER;
  // The listed trays that follow make the list anew: a tray that went away must not linger just
  // because another one took its place and the count stayed the same, while a tray still listed keeps
  // the paper, level and media that INQUIRE replies told of it. Every tray is marked unlisted here;
  // the listing unmarks the trays it names and the trays still marked are dropped after the reply.
  for (LIST_NODE* n = record->pTrayInfo; n; n = n->next) reinterpret_cast<TRAY_NODE*>(n)->flags |= kTrayUnlisted;
  return 0;
}

DWORD PatOnConfigMemory(PJL_TOKENIZER* t, PRN_INFO_EX* record, DWORD) {
  Token token;
  DWORD r = Next(t, &token);
  if (!r && token.kind == PJL_TOK_LINE_VALUE) {
    LONGLONG bytes = PatDecimal(token.text);
    ULONGLONG kb = bytes > 0 ? ULONGLONG(bytes) / 1024 : 0;
    record->memoryKB = kb > 0xFFFFFFFFull ? 0xFFFFFFFFu : DWORD(kb);
  }
  return r;
}

DWORD PatOnConfigPunch(PJL_TOKENIZER* t, PRN_INFO_EX* record, DWORD) {
  Token token;
  DWORD r = Next(t, &token);
  if (r) return r;
  if (token.kind != PJL_TOK_BRACKET_COUNT) return ERROR_INVALID_PARAMETER;
  LONGLONG count = PatDecimal(token.text);
  if (count < 0 || count > 5) return ERROR_INVALID_PARAMETER;
  char units[5][PJL_TOKEN_CAPACITY] = {};
  int n = 0;
  while (n < count) {
    r = Next(t, &token);
    if (r) return r;
    if (EndOfBlock(token.kind)) break;
    if (token.kind == PJL_TOK_TAB_KEY) std::memcpy(units[n++], token.text, sizeof token.text);
  }
  for (size_t i = 0; i < kPunchUnitCount; ++i) {
    const PunchUnitRow& row = kPunchUnits[i];
    bool match = true;
    for (int slot = 0; slot < 5 && match; ++slot) {
      if (slot >= n) {
        match = row.units[slot] == nullptr;
        continue;
      }
      bool among = false;
      for (int u = 0; u < n && !among; ++u) among = row.units[slot] && std::strcmp(row.units[slot], units[u]) == 0;
      match = among;
    }
    if (match) {
      WORD code = row.deviceCode;
      return AppendBounded<DEVICE_NODE>(record, "pDeviceInfo", [&](DEVICE_NODE* d) { d->deviceCode = code; });
    }
  }
  return 0;
}

DWORD PatOnOutBinStatus(PJL_TOKENIZER*, PRN_INFO_EX* record, DWORD) {
  PatClearPrnInfoList(record, "pOutBinInfo");
  record->outBinState = 255;
  return 0;
}

DWORD PatOnOutBin(PJL_TOKENIZER* t, PRN_INFO_EX* record, DWORD value) {
  Token token;
  DWORD r = Next(t, &token);
  WORD state = 0;
  if (!r && token.kind == PJL_TOK_LINE_VALUE) {
    if (std::strcmp(token.text, "PAPEREXIST") == 0) state = 1;
    else if (std::strcmp(token.text, "FULL") == 0) state = 2;
  }
  DWORD a = AppendBounded<OUTBIN_NODE>(record, "pOutBinInfo", [&](OUTBIN_NODE* n) {
    n->binCode = WORD(value);
    n->state = state;
  });
  return a ? a : r;
}

DWORD PatOnDeviceOption(PJL_TOKENIZER*, PRN_INFO_EX* record, DWORD value) {
  return AppendBounded<DEVICE_NODE>(record, "pDeviceInfo", [&](DEVICE_NODE* n) { n->deviceCode = WORD(value); });
}

DWORD PatOnTrayPresent(PJL_TOKENIZER*, PRN_INFO_EX* record, DWORD value) {
  TRAY_NODE* tray = PatGetOrAddTray(record, WORD(value));
  if (!tray) return ERROR_NOT_ENOUGH_MEMORY;
  tray->flags &= ~kTrayUnlisted;
  return 0;
}

DWORD PatOnTrayLock(PJL_TOKENIZER* t, PRN_INFO_EX* record, DWORD value) {
  TRAY_NODE* tray;
  Token word;
  DWORD r = ReadTrayWord(t, record, value, &tray, &word);
  if (r) return r;
  if (std::strcmp(word.text, "LOCKED") == 0) tray->flags |= 1u;
  else tray->flags &= ~1u;
  return 0;
}

DWORD PatOnTraySize(PJL_TOKENIZER* t, PRN_INFO_EX* record, DWORD value) {
  TRAY_NODE* tray;
  Token word;
  DWORD r = ReadTrayWord(t, record, value, &tray, &word);
  if (r) return r;
  tray->paperSize = WORD(PatLookupName(word.text, g_PatPaperSizeNames));
  return 0;
}

DWORD PatOnTrayMedia(PJL_TOKENIZER* t, PRN_INFO_EX* record, DWORD value) {
  TRAY_NODE* tray;
  Token word;
  DWORD r = ReadTrayWord(t, record, value, &tray, &word);
  if (r) return r;
  tray->paperType = WORD(PatLookupName(word.text, g_PatMediaNames));
  return 0;
}

DWORD PatOnTrayQuantity(PJL_TOKENIZER* t, PRN_INFO_EX* record, DWORD value) {
  TRAY_NODE* tray;
  Token word;
  DWORD r = ReadTrayWord(t, record, value, &tray, &word);
  if (r) return r;
  tray->level = WORD(PatLookupName(word.text, g_PatTrayQuantityNames));
  return 0;
}
