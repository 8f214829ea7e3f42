// Tables of the settings-and-constraints programming interface: the PJL command table with its
// value tables, the required-command and position-alias tables and the watermark item table.
#include "settings/model_tables.h"

namespace {

#define KV_CHAIN1(name, s1, v1) const PJL_COND_NODE name[] = {{nullptr, 0, s1, v1, 0}};
#define KV_CHAIN2(name, s1, v1, s2, v2) \
  const PJL_COND_NODE name[] = {{&name[1], 1, s1, v1, 0}, {nullptr, 0, s2, v2, 0}};

// Setting ids the tables refer to.
enum : DWORD {
  kFuncSelectScale = 55,
  kFuncSelectNup = 56,
  kFuncSelectSort = 61,
  kScaleTypeId = 87,
  kNupPostKind = 91,
  kUseUserMacro = 176,
  kBalanceMacro = 178,
  kSourceRoll = 10034,
  kSourceCut = 10035,
  kSourceSingle = 10036,
  kFoldingFan = 10296,
  kFoldingFolder = 10297,
};

// Assignments and conditions.
KV_CHAIN1(kSetSort1, kFuncSelectSort, 1)
KV_CHAIN1(kSetSort0, kFuncSelectSort, 0)
KV_CHAIN2(kIfNoFolding, kFoldingFolder, 0, kFoldingFan, 0)
// The folded output needs both folding units; mixed states fall back to the first LOWER row.
KV_CHAIN2(kIfFolding, kFoldingFolder, 1, kFoldingFan, 1)
KV_CHAIN1(kIfSingle, kSourceSingle, 1)
KV_CHAIN2(kIfRollCut, kSourceRoll, 1, kSourceCut, 1)
KV_CHAIN2(kIfSingleCut, kSourceSingle, 1, kSourceCut, 1)
KV_CHAIN1(kSetScale1, kFuncSelectScale, 1)
KV_CHAIN1(kSetScale0, kFuncSelectScale, 0)
KV_CHAIN2(kSetNup1, kNupPostKind, 1, kFuncSelectNup, 1)
KV_CHAIN2(kSetNup2, kNupPostKind, 2, kFuncSelectNup, 1)
KV_CHAIN2(kSetNup3, kNupPostKind, 3, kFuncSelectNup, 1)
KV_CHAIN2(kSetNup4, kNupPostKind, 4, kFuncSelectNup, 1)
KV_CHAIN1(kSetNupOff, kFuncSelectNup, 0)
KV_CHAIN1(kIfNupOn, kFuncSelectNup, 1)
KV_CHAIN2(kSetRes300, kBalanceMacro, 18, kUseUserMacro, 0)
KV_CHAIN2(kSetRes600, kBalanceMacro, 17, kUseUserMacro, 0)
KV_CHAIN1(kIfScalePaper, kScaleTypeId, 1)

constexpr PJL_VALUE_ROW V(uint64_t value, const char* text, const PJL_COND_NODE* sets = nullptr,
                          const PJL_COND_NODE* cond = nullptr, uint64_t flags = 0) {
  return PJL_VALUE_ROW{flags, value, text, nullptr, sets, cond, nullptr};
}
constexpr PJL_VALUE_ROW Alt(uint64_t value, const char* text, const PJL_COND_NODE* sets = nullptr) {
  return V(value, text, sets, nullptr, PJL_VALUE_ALTERNATE);
}
constexpr PJL_VALUE_ROW Off(uint64_t value, const char* text, const PJL_COND_NODE* sets = nullptr) {
  return V(value, text, sets, nullptr, PJL_VALUE_OFF);
}

const PJL_VALUE_ROW kCollate[] = {V(1, "SORT", kSetSort1), V(6, "ROTATEALL", kSetSort1), Off(0, "OFF", kSetSort0)};
const PJL_VALUE_ROW kOutbin[] = {V(40, "UPPER"), V(41, "LOWER", nullptr, kIfNoFolding),
                                 V(49, "LOWER", nullptr, kIfFolding), Alt(0, "UPPER")};
const PJL_VALUE_ROW kTray[] = {V(7, "ALL"),
                               V(287, "ROLL1"),
                               V(288, "ROLL2", nullptr, kIfSingle),
                               V(295, "TRAY2", nullptr, kIfRollCut),
                               V(295, "TRAY3", nullptr, kIfSingleCut),
                               V(4, "MANUAL")};

#define KV_ROLL_PAPER                                                                                          \
  {V(0, "NONE"),        V(538, "A0"),        V(533, "A1"),        V(529, "A2"),        V(527, "A3"),        \
   V(525, "A4"),        V(536, "JISB1"),     V(532, "JISB2"),     V(528, "JISB3"),     V(526, "JISB4"),     \
   V(1, "LETTER"),      V(5, "LEGAL"),       V(541, "INCH9x12"),  V(3, "LEDGER"),      V(512, "A3WIDE"),    \
   V(518, "ANSIC"),     V(542, "INCH18x24"), V(543, "INCH21x30"), V(544, "INCH22x34"), V(545, "INCH24x36"), \
   V(546, "INCH30x42"), V(547, "INCH34x44"), V(548, "INCH36x48"), V(256, "CUSTOM")}
const PJL_VALUE_ROW kRollPaper[] = KV_ROLL_PAPER;
// The second roll command has its own copy of the same rows.
const PJL_VALUE_ROW kRollPaper2[] = KV_ROLL_PAPER;
#undef KV_ROLL_PAPER

const PJL_VALUE_ROW kTrayPaper[] = {V(0, "NONE"),    V(8, "A3"),       V(9, "A4"),     V(12, "JISB4"),
                                    V(1, "LETTER"),  V(5, "LEGAL"),    V(14, "FOOLSCAP"), V(3, "LEDGER"),
                                    V(512, "A3WIDE"), V(256, "CUSTOM")};
const PJL_VALUE_ROW kOrientation[] = {V(0, "PORTRAIT"), V(1, "LANDSCAPE")};
const PJL_VALUE_ROW kMedia[] = {V(300, "PLAINORRECYCLED"), V(301, "AUTO"), V(1, "PLAIN"),
                                V(260, "RECYCLED"),        V(294, "FILM"), V(263, "TRANSLUCENT")};

#define KV_PAGE_SIZES                                                                                      \
  V(267, "A0"), V(268, "A1"), V(66, "A2"), V(8, "A3"), V(9, "A4"), V(270, "JISB1"), V(271, "JISB2"),      \
      V(269, "JISB3"), V(12, "JISB4"), V(1, "LETTER"), V(5, "LEGAL"), V(14, "FOOLSCAP"),                 \
      V(541, "INCH9x12"), V(3, "LEDGER"), V(512, "A3WIDE"), V(518, "ANSIC"), V(542, "INCH18x24"),         \
      V(543, "INCH21x30"), V(544, "INCH22x34"), V(545, "INCH24x36"), V(546, "INCH30x42"),                \
      V(547, "INCH34x44"), V(548, "INCH36x48")
const PJL_VALUE_ROW kPageSize[] = {KV_PAGE_SIZES, V(256, "CUSTOM")};
const PJL_VALUE_ROW kPageLayout[] = {V(1, "PORTRAIT"), V(2, "LANDSCAPE")};
const PJL_VALUE_ROW kPaper[] = {V(1024, "SAME"),   KV_PAGE_SIZES,      V(448, "CUSTOM"),   Alt(384, "CUSTOM"),
                                Alt(385, "CUSTOM"), Alt(386, "CUSTOM"), Alt(387, "CUSTOM"), Alt(388, "CUSTOM"),
                                Alt(389, "CUSTOM"), Alt(390, "CUSTOM"), Alt(391, "CUSTOM"), Alt(392, "CUSTOM"),
                                Alt(393, "CUSTOM")};
#undef KV_PAGE_SIZES

const PJL_VALUE_ROW kScaleType[] = {V(2, "PAPERDEFSCALE", kSetScale1), V(1, "PAPERSCALE", kSetScale1),
                                    Off(0, "OFF", kSetScale0)};
const PJL_VALUE_ROW kNup[] = {
    V(1, "2IN1P1", kSetNup1),   V(2, "2IN1P2", kSetNup1),   Alt(3, "2IN1P1", kSetNup1),
    V(33, "4IN1P1", kSetNup2),  V(37, "4IN1P2", kSetNup2),  V(34, "4IN1P3", kSetNup2),
    V(38, "4IN1P4", kSetNup2),  V(65, "9IN1P1", kSetNup3),  V(69, "9IN1P2", kSetNup3),
    V(66, "9IN1P3", kSetNup3),  V(70, "9IN1P4", kSetNup3),  V(97, "16IN1P1", kSetNup4),
    V(101, "16IN1P2", kSetNup4), V(98, "16IN1P3", kSetNup4), V(102, "16IN1P4", kSetNup4),
    Off(0, "OFF", kSetNupOff)};
const PJL_VALUE_ROW kNupEnclosure[] = {V(1, "CHAINSTITCH", nullptr, kIfNupOn), V(0, "OFF", nullptr, kIfNupOn)};
#define KV_RESOLUTION {V(300, "300", kSetRes300), V(600, "600", kSetRes600)}
const PJL_VALUE_ROW kResolution[] = KV_RESOLUTION;
// The destination width has its own copy of the same rows.
const PJL_VALUE_ROW kResolution2[] = KV_RESOLUTION;
#undef KV_RESOLUTION
const PJL_VALUE_ROW kColorSelect[] = {V(1, "MONO")};

#define KV_TABLE(rows) PJL_VALUE_TABLE{sizeof(rows) / sizeof(rows[0]), rows}
// The seventeen value tables, in table order.
const PJL_VALUE_TABLE kValueTables[] = {
    KV_TABLE(kCollate),    KV_TABLE(kOutbin),     KV_TABLE(kTray),       KV_TABLE(kRollPaper),
    KV_TABLE(kTrayPaper),  KV_TABLE(kRollPaper2), KV_TABLE(kOrientation), KV_TABLE(kPageSize),
    KV_TABLE(kPageLayout), KV_TABLE(kPaper),      KV_TABLE(kScaleType),  KV_TABLE(kNup),
    KV_TABLE(kNupEnclosure), KV_TABLE(kMedia),    KV_TABLE(kResolution), KV_TABLE(kResolution2),
    KV_TABLE(kColorSelect),
};
#undef KV_TABLE
constexpr int kValueTableCount = (int)(sizeof(kValueTables) / sizeof(kValueTables[0]));
static_assert(kValueTableCount == 17, "17 value tables");

enum Vt { COLLATE, OUTBIN, TRAY, ROLL, TRAYPAPER, ROLL2, ORIENT, PAGESIZE, LAYOUT, PAPER, SCALE, NUP, NUPENC,
          MEDIA, RES, RES2, COLOR };

// Number records of the scale commands: the values count as available only while the scale type is 1.
const PJL_NUMBER_RECORD kScaleNumber = {0, 0, 0, 0, 0, kIfScalePaper};
const PJL_NUMBER_RECORD kScaleNumber2 = {0, 0, 0, 0, 0, kIfScalePaper};

constexpr uint64_t kCmd = PJL_USE_COMMAND;
constexpr uint64_t kCmdOpt = PJL_USE_COMMAND | PJL_USE_OPTION;
constexpr uint64_t kValue = PJL_USE_VALUE;

constexpr PJL_COMMAND_ROW T(uint64_t setting, uint64_t use, const char* name, int table) {
  return PJL_COMMAND_ROW{setting, 0, PJL_FORM_TABLE, use, PJL_KIND_LIST, name, nullptr, &kValueTables[table], nullptr};
}
constexpr PJL_COMMAND_ROW I(uint64_t setting, uint64_t use, uint64_t kind, const char* name,
                            const void* values = nullptr) {
  return PJL_COMMAND_ROW{setting, 0, PJL_FORM_IMAGE, use, kind, name, nullptr, values, nullptr};
}

const PJL_COMMAND_ROW kCommands[] = {
    T(119, kCmdOpt, "COLLATE", COLLATE),
    T(53, kCmdOpt, "OUTBIN", OUTBIN),
    T(13, kCmdOpt, "TRAY", TRAY),
    I(10012, kValue, PJL_KIND_LIST, "MEMORYSIZE"),
    I(203, kValue, PJL_KIND_TEXT, "USERCODE"),
    T(10191, kValue, "ROLLPAPER1", ROLL),
    T(10192, kValue, "ROLLPAPER2", ROLL2),
    T(10189, kValue, "TRAYPAPER2", TRAYPAPER),
    T(10159, kValue, "ROLLPAPERORIENT1", ORIENT),
    T(10160, kValue, "ROLLPAPERORIENT2", ORIENT),
    T(10157, kValue, "TRAYPAPERORIENT1", ORIENT),
    T(10158, kValue, "TRAYPAPERORIENT2", ORIENT),
    T(10170, kValue, "MANUALPAPERORIENT", ORIENT),
    T(10223, kValue, "ROLLPAPERMEDIA1", MEDIA),
    T(10224, kValue, "ROLLPAPERMEDIA2", MEDIA),
    T(10221, kValue, "TRAYPAPERMEDIA1", MEDIA),
    T(10222, kValue, "TRAYPAPERMEDIA2", MEDIA),
    T(10234, kValue, "MANUALPAPERMEDIA", MEDIA),
    T(8, kCmd, "APLPAGESIZE", PAGESIZE),
    T(7, kCmd, "APLPAGELAYOUT", LAYOUT),
    T(46, kCmdOpt, "PAPER", PAPER),
    I(12, kCmd, PJL_KIND_NUMBER, "COPIES"),
    T(87, kCmd, "SCALETYPE", SCALE),
    I(90, kCmd, PJL_KIND_NUMBER, "PAPERSCALEH", &kScaleNumber),
    I(89, kCmd, PJL_KIND_NUMBER, "PAPERSCALEW", &kScaleNumber2),
    I(98, kCmd, PJL_KIND_NUMBER, "MARGINODD"),
    I(99, kCmd, PJL_KIND_NUMBER, "MARGINEVEN"),
    T(92, kCmd, "NUP", NUP),
    T(93, kCmd, "NUPENCLOSURE", NUPENC),
    T(54, kCmd, "MEDIATYPE", MEDIA),
    T(39, kCmd, "DSTRESOLUTIONH", RES),
    T(38, kCmd, "DSTRESOLUTIONW", RES2),
    T(17, kCmd, "SRCRESOLUTIONH", RES),
    T(14, kCmd, "SRCRESOLUTIONW", RES),
    T(15, kCmd, "COLORSELECT", COLOR),
};
const PJL_COMMAND_TABLE kCommandTable = {sizeof(kCommands) / sizeof(kCommands[0]), kCommands};
static_assert(sizeof(kCommands) / sizeof(kCommands[0]) == 35, "35 commands");

// Required commands: paper size, orientation, output paper size, tray.
const DWORD kCheckIds[] = {8, 7, 46, 13};
const EXC_ID_TABLE kCheckTable = {4, kCheckIds};

// Position alias: the sort switch stands for the sort type.
const EXC_AUX_ROW kAuxRows[] = {{61, 119, 1}};
const EXC_AUX_TABLE kAuxTable = {1, kAuxRows};

const WATERMARK_ITEM_ROW kWatermarkRows[] = {
    {0, 0, PJL_KIND_TEXT, 929},   {1, 0, PJL_KIND_TEXT, 930},   {16, 2, PJL_KIND_ONOFF, 941},
    {16, 0, PJL_KIND_NUMBER, 942}, {16, 0, PJL_KIND_NUMBER, 943}, {16, 0, PJL_KIND_FIXED_LINE, 0},
    {16, 0, PJL_KIND_LIST, 939},  {16, 0, PJL_KIND_ONOFF, 935},  {0, 0, PJL_KIND_NUMBER, 937},
    {1, 0, PJL_KIND_NUMBER, 952}, {0, 0, PJL_KIND_LIST, 938},    {0, 0, PJL_KIND_NUMBER, 944},
    {0, 0, PJL_KIND_TEXT, 945},   {0, 0, PJL_KIND_NUMBER, 946},  {0, 0, PJL_KIND_LIST, 951},
    {0, 0, PJL_KIND_NUMBER, 948}, {0, 0, PJL_KIND_NUMBER, 949},  {0, 0, PJL_KIND_NUMBER, 950},
};
const WATERMARK_ITEM_TABLE kWatermarkTable = {18, kWatermarkRows};
static_assert(sizeof(kWatermarkRows) / sizeof(kWatermarkRows[0]) == 18, "18 watermark items");

const char* const kWatermarkWords[] = {"WMKORDER", "PAPER"};

}  // namespace

const PJL_COMMAND_TABLE* StgGetExcCommandTable() { return &kCommandTable; }
int StgGetExcCommandCount() { return (int)kCommandTable.count; }

int StgGetValueTableCount(const void* valueTable) {
  for (const PJL_VALUE_TABLE& t : kValueTables)
    if (&t == valueTable) return (int)t.count;
  return 0;
}
int StgGetValueTableTotal() { return kValueTableCount; }
const PJL_VALUE_TABLE* StgGetValueTableAt(int n) {
  return n >= 0 && n < kValueTableCount ? &kValueTables[n] : nullptr;
}

const EXC_ID_TABLE* StgGetExcCheckTable() { return &kCheckTable; }
int StgGetExcCheckTableCount() { return (int)kCheckTable.count; }
const EXC_AUX_TABLE* StgGetExcAuxTable() { return &kAuxTable; }
int StgGetExcAuxTableCount() { return (int)kAuxTable.count; }
const WATERMARK_ITEM_TABLE* StgGetWatermarkItemTable() { return &kWatermarkTable; }
int StgGetWatermarkItemCount() { return (int)kWatermarkTable.count; }
const char* StgGetWatermarkItemName(int n) { return n >= 0 && n < 2 ? kWatermarkWords[n] : nullptr; }
