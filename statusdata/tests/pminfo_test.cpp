// The monitor's records into the printer-information record, and that record into PRN_INFO.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/testhooks.h"
#include "statusdata/pminfo.h"
#include "statusdata/tests/record_fixture.h"

namespace {

using sdtest::Codes;
using sdtest::Nodes;
using sdtest::Record;
using sdtest::Str;

constexpr DWORD kAll = 0xFFFFFFFFu;
void* const kAbsentPtr = reinterpret_cast<void*>(~uintptr_t(0));

// An array of the monitor over items the test owns.
template <typename Item>
struct Array {
  std::vector<Item> items;
  std::vector<void*> ptrs;
  PM_ARRAY array{};
  explicit Array(std::vector<Item> v) : items(std::move(v)) {
    for (auto& i : items) ptrs.push_back(&i);
    array.count = DWORD(items.size());
    array.items = ptrs.data();
  }
  PM_ARRAY* get() { return &array; }
};

TEST(PmInfo, KindAndFormMustAgree) {
  DWORD word = 1;
  PM_INFO pm{};
  pm.slot0 = &word;
  struct Case {
    DWORD kind;
    BYTE form;
    DWORD size;
  } cases[] = {{1, 'h', 404}, {0x8000, 'd', 404}, {2, 'd', 404}, {0x8001, 'h', 404}, {1, 'd', 403}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    Record record(c.size);
    record->online = 9;
    EXPECT_EQ(PatConvertPmInfo(c.kind, &pm, c.form, 0xFFFFFFFF, record.get()), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(record->online, 9);
    EXPECT_EQ(record->pEngineStatus, nullptr);
  }
  Record record;
  EXPECT_EQ(PatConvertPmInfo(1, nullptr, 'd', 1, record.get()), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(PmInfo, StatusWordBitsAndCodes) {
  DWORD word = (1u << 0) | (1u << 7) | (1u << 22) | (1u << 27);
  PM_INFO pm{};
  pm.slot0 = &word;
  struct Case {
    DWORD kind;
    std::vector<DWORD> codes;
  } cases[] = {{0x80000001u, {DWORD(-254)}}, {1, {DWORD(-254), 10003, 10023}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    Record record;
    ASSERT_EQ(PatConvertPmInfo(c.kind, &pm, 'd', 0x1, record.get()), 0u);
    EXPECT_EQ(record->online, 1);
    EXPECT_EQ(record->offline, 0);
    EXPECT_EQ(record->printing, 1);
    EXPECT_EQ(record->noResponse, 1);
    std::vector<DWORD> codes;
    for (auto* n : Nodes<ENGINE_STATUS_NODE>(record->pEngineStatus)) codes.push_back(n->fullCode);
    EXPECT_EQ(codes, c.codes);
  }
  // Offline, nothing else: no code at all; an all-ones word is absent.
  word = 0;
  Record record;
  ASSERT_EQ(PatConvertPmInfo(1, &pm, 'd', 0x1, record.get()), 0u);
  EXPECT_EQ(record->offline, 1);
  EXPECT_EQ(record->pEngineStatus, nullptr);
  word = kAll;
  record->offline = 7;
  ASSERT_EQ(PatConvertPmInfo(1, &pm, 'd', 0x1, record.get()), 0u);
  EXPECT_EQ(record->offline, 7);
}

TEST(PmInfo, EngineStatusEmulationsAndFontsOfFormD) {
  std::string longText(300, 'e');
  Array<PM_ENGINE_STATUS_ITEM> engine({{0, 40010, nullptr, 3, 0}, {0, 0x12345, longText.data(), 0, 0}});
  char voks[] = "VOKS", ps[] = "Adobe PostScript 3", unknown[] = "Other", v1[] = "1.2",
       v2[] = "3.0-long-version-text", font[] = "Font";
  Array<PM_EMULATION_ITEM> emul({{{}, v1, voks}, {{}, v2, ps}, {{}, nullptr, unknown}});
  Array<PM_FONT_ITEM> fonts({{font}});
  PM_INFO pm{};
  pm.slot8 = fonts.get();
  pm.slot16 = emul.get();
  pm.slot48 = engine.get();

  Record record;
  record->emulationState = 5;
  ASSERT_EQ(PatConvertPmInfo(1, &pm, 'd', 0x2 | 0x4 | 0x8, record.get()), 0u);
  auto status = Nodes<ENGINE_STATUS_NODE>(record->pEngineStatus);
  ASSERT_EQ(status.size(), 2u);
  EXPECT_EQ(status[0]->fullCode, 40010u);
  EXPECT_EQ(status[1]->code, 0x2345);
  EXPECT_EQ(status[1]->fullCode, 0x12345u);
  // A text longer than the node is cut, not copied past it.
  EXPECT_EQ(std::string(status[1]->text), std::string(259, 'e'));
  EXPECT_EQ(record->error, 1);

  EXPECT_EQ(Codes(record->pLoadedEmul), (std::vector<int>{1, 2, 0}));
  auto emuls = Nodes<EMULATION_NODE>(record->pLoadedEmul);
  EXPECT_EQ(std::string(emuls[1]->version), "3.0-long-versio");
  EXPECT_EQ(std::string(emuls[2]->version), "");
  EXPECT_EQ(Str(record->pMainProgVersion), "1.2");
  EXPECT_EQ(Str(record->pKPSVersion), "3.0-long-version-text");
  EXPECT_EQ(record->emulationState, 0u);
  EXPECT_EQ(Codes(record->pLoadedFont), (std::vector<int>{0}));

  // Converting again replaces the lists instead of adding to them.
  ASSERT_EQ(PatConvertPmInfo(1, &pm, 'd', 0x2 | 0x4 | 0x8, record.get()), 0u);
  EXPECT_EQ(record->cEngineStatus, 2u);
  EXPECT_EQ(record->cLoadedEmul, 3u);
  EXPECT_EQ(record->cLoadedFont, 1u);
}

TEST(PmInfo, EmptyOrAbsentEngineStatus) {
  Array<PM_ENGINE_STATUS_ITEM> none({});
  PM_INFO pm{};
  pm.slot48 = none.get();
  Record record;
  ASSERT_EQ(PatConvertPmInfo(1, &pm, 'd', 0x2, record.get()), 0u);
  ASSERT_EQ(record->cEngineStatus, 1u);
  EXPECT_EQ(Nodes<ENGINE_STATUS_NODE>(record->pEngineStatus)[0]->fullCode, 10001u);

  // Absent arrays leave their lists alone.
  pm.slot48 = kAbsentPtr;
  pm.slot16 = nullptr;
  PM_ARRAY minusOne{kAll, 0, nullptr};
  pm.slot8 = &minusOne;
  ASSERT_TRUE(PatAddEngineStatus(record.get(), 5));
  ASSERT_EQ(PatConvertPmInfo(1, &pm, 'd', 0x4 | 0x8, record.get()), 0u);
  EXPECT_EQ(record->cEngineStatus, 2u);
  EXPECT_EQ(record->pLoadedFont, nullptr);
}

// Appends n trays with distinct codes, sizes, levels and types.
void AddTrays(PRN_INFO_EX* record, int n) {
  for (int i = 0; i < n; ++i) {
    auto* t = reinterpret_cast<TRAY_NODE*>(PatNewListNode(sizeof(TRAY_NODE)));
    t->trayCode = WORD(100 + i);
    t->paperSize = WORD(200 + i);
    t->level = WORD(i);
    t->paperType = WORD(300 + i);
    PatAppendPrnInfoNode(record, "pTrayInfo", &t->hdr);
  }
}

PM_TRAY_A TrayA(char* name, DWORD w, DWORD h, DWORD level = 0, DWORD bits = kAll, DWORD flags = 0) {
  PM_TRAY_A t{};
  t.name = name;
  t.width = w;
  t.height = h;
  t.levelFlags = level;
  t.paperTypeBits = bits;
  t.trayFlags = flags;
  return t;
}

TEST(PmInfo, TraysOfBothLayouts) {
  char roll1[] = "Tray 1(Paper Roll 1)", roll2[] = "Tray 2(Paper Roll 2)", cut[] = "Cut Paper Tray",
       bypass[] = "Paper Bypass", other[] = "Tray 9";
  Array<PM_TRAY_A> a({
      TrayA(roll1, 298, 421, 0x300, 0x800),   // A3LONG within 2 mm; bit 8 before bit 9
      TrayA(roll2, kAll, 915, 0x12, 0x1000),  // a roll 914 wide... long
      TrayA(cut, 297, kAll, kAll, 0x3),       // no height: 41; a word of two bits is no row
      TrayA(bypass, 210, 297, 0x800, kAll, 0x100 | 0x1),  // size by flag bit 8; flags kept
      TrayA(other, 5000, 5000, 0x400),
  });
  DWORD ext = 0x1000;
  PM_TRAY_B b1{}, b2{}, b3{};
  b1.name = roll1; b1.width = 841; b1.height = 594; b1.levelFlags = 0x200;
  b1.paperTypeBits = 0x800000; b1.extendedTypeBits = &ext; b1.trayFlags = 0x1;
  b2.name = nullptr; b2.width = 420; b2.height = 297; b2.levelFlags = kAll;
  b2.paperTypeBits = 0x4; b2.trayFlags = kAll;
  b3.name = cut; b3.width = 100; b3.height = 100; b3.paperTypeBits = 0x800000 | 0x4;
  b3.extendedTypeBits = nullptr; b3.trayFlags = 0x104;
  Array<PM_TRAY_B> b({b1, b2, b3});
  PM_INFO pm{};
  pm.slot8 = b.get();
  pm.slot80 = a.get();

  Record record;
  record->trayState = 3;
  AddTrays(record.get(), 1);
  ASSERT_EQ(PatConvertPmInfo(0x8000, &pm, 'h', 0x2 | 0x400, record.get()), 0u);
  auto trays = Nodes<TRAY_NODE>(record->pTrayInfo);
  ASSERT_EQ(trays.size(), 8u);  // the old tray is gone: B first, then A
  EXPECT_EQ(record->trayState, 0u);
  struct Expect {
    int code, size, level, type;
    DWORD flags;
  } expect[] = {
      {51, 91, 25, 36, 0x1}, {0, 5, 100, 5, kAll}, {60, 2, 100, 0, 0x4},
      {51, 4, 10, 3, 0}, {52, 284, 0, 6, 0}, {60, 41, 100, 0, 0}, {1, 2, 75, 0, 0x101}, {0, 2, 50, 0, 0},
  };
  for (size_t i = 0; i < trays.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(trays[i]->trayCode, expect[i].code);
    EXPECT_EQ(trays[i]->paperSize, expect[i].size);
    EXPECT_EQ(trays[i]->level, expect[i].level);
    EXPECT_EQ(trays[i]->paperType, expect[i].type);
    EXPECT_EQ(trays[i]->flags, expect[i].flags);
  }
}

TEST(PmInfo, PaperSizeSearch) {
  struct Case {
    DWORD w, h, flags;
    WORD code;
  } cases[] = {
      {298, 421, 0, 4},    {297, 420, kAll, 4},  {1189, 841, 0, 90}, {148, 100, 0, 34},
      {kAll, 915, 0, 284}, {kAll, 841, 0, 257},  {841, 915, 0, 2},   {kAll, 100, 0, 2},
      {0xFFFFFFFE, 841, 0, 2}, {100, kAll, 0, 41}, {100, kAll, 0x100, 2}, {420, 297, 0x100, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    EXPECT_EQ(PatPaperSizeFromDimensions(c.w, c.h, c.flags), c.code);
  }
  EXPECT_EQ(PatTrayLevelFromFlags(0x300), 10);
  EXPECT_EQ(PatTrayLevelFromFlags(0x12), 0);
  EXPECT_EQ(PatTrayLevelFromFlags(kAll), 100);
  EXPECT_EQ(PatTrayLevelFromFlags(0), 100);
  EXPECT_EQ(PatTrayLevelFromFlags(0x800), 75);
}

TEST(PmInfo, ModelInformationBinsAndDevicesOfFormH) {
  char model[] = "Model X", version[] = "2.00", maker[] = "Maker";
  PM_MODEL_INFO info{model, version, 0x10000000, 0, maker};
  char upper[] = "Upper Paper Exit", rear[] = "Rear Paper Exit", odd[] = "Side Exit";
  Array<PM_OUTBIN_ITEM> bins({{upper, 0x1}, {rear, kAll}, {odd, 0x2}, {nullptr, 0x1}});
  Array<PM_DEVICE_ITEM> devices({{971}, {981}, {kAll}, {5}});
  PM_INFO pm{};
  pm.slot0 = &info;
  pm.slot16 = bins.get();
  pm.slot48 = devices.get();

  Record record;
  ASSERT_TRUE(PatSetPrnInfoString(record.get(), "pDescription", "old description"));
  ASSERT_EQ(PatConvertPmInfo(0x8000, &pm, 'h', 0x1 | 0x4 | 0x40, record.get()), 0u);
  EXPECT_EQ(Str(record->pModelName), "Model X");
  EXPECT_EQ(record->modelCode, 255);
  EXPECT_EQ(Str(record->pSYSVersion), "2.00");
  EXPECT_EQ(record->memoryKB, 262144u);
  EXPECT_EQ(Str(record->pMakerName), "Maker");
  EXPECT_EQ(record->pDescription, nullptr);  // and freed, or the leak checker would say so

  auto out = Nodes<OUTBIN_NODE>(record->pOutBinInfo);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(Codes(record->pOutBinInfo), (std::vector<int>{29, 30, 255, 255}));
  EXPECT_EQ(out[0]->state, 2);
  EXPECT_EQ(out[1]->state, 0);
  EXPECT_EQ(out[2]->state, 0);
  EXPECT_EQ(record->outBinState, 255u);
  EXPECT_EQ(Codes(record->pDeviceInfo), (std::vector<int>{42, 3, 0, 0}));

  // Memory of all ones is absent; no model name means model code 255.
  PM_MODEL_INFO bare{nullptr, nullptr, kAll, 0, nullptr};
  pm.slot0 = &bare;
  record->modelCode = 3;
  ASSERT_EQ(PatConvertPmInfo(0x8000, &pm, 'h', 0x1, record.get()), 0u);
  EXPECT_EQ(record->memoryKB, 262144u);
  EXPECT_EQ(record->modelCode, 255);
}

TEST(PrnInfo, StatusCodeAndEngineCodes) {
  Record record;
  for (DWORD code : {10001u, 40010u, 42000u}) ASSERT_TRUE(PatAddEngineStatus(record.get(), code));
  record->error = 1;
  PRN_INFO out;
  std::memset(&out, 0xAB, sizeof out);
  ASSERT_EQ(PatConvertPrnInfoEx(record.get(), &out, 0x80000), 0u);
  EXPECT_EQ(out.size, 2400u);
  EXPECT_EQ(out.engineCount, 3u);
  EXPECT_EQ(out.engineCodes[0], 10001u);
  EXPECT_EQ(out.engineCodes[2], 42000u);
  EXPECT_EQ(out.statusCode, 1735065707u);
  EXPECT_EQ(out.error, 1);
  EXPECT_EQ(out.online, 0u);  // not asked for: zero

  Record single;
  ASSERT_TRUE(PatAddEngineStatus(single.get(), 41100));
  ASSERT_EQ(PatConvertPrnInfoEx(single.get(), &out, 0x80000), 0u);
  EXPECT_EQ(out.statusCode, 41100u);
  EXPECT_EQ(out.engineCount, 1u);
  EXPECT_EQ(out.engineCodes[0], 0u);

  Record small(403);
  EXPECT_EQ(PatConvertPrnInfoEx(small.get(), &out, 0), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(PatConvertPrnInfoEx(record.get(), nullptr, 0), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(PrnInfo, FlagsTruncationsAndTheDiskWord) {
  Record record;
  ASSERT_TRUE(PatSetPrnInfoString(record.get(), "pModelName", std::string(300, 'm').c_str()));
  ASSERT_TRUE(PatSetPrnInfoString(record.get(), "pMakerName", "A very long maker name"));
  ASSERT_TRUE(PatSetPrnInfoString(record.get(), "pSYSVersion", "1.2.3.4.5.6.7.8.9"));
  auto* disk = reinterpret_cast<DEVICE_NODE*>(PatNewListNode(sizeof(DEVICE_NODE)));
  disk->deviceCode = DEVICE_DISK;
  PatAppendPrnInfoNode(record.get(), "pDeviceInfo", &disk->hdr);
  record->modelCode = 255;

  PRN_INFO out;
  ASSERT_EQ(PatConvertPrnInfoEx(record.get(), &out, 0), 0u);
  EXPECT_EQ(out.hasDisk, 65539u);
  EXPECT_EQ(out.modelName[0], 0);
  EXPECT_EQ(out.size, 2400u);

  ASSERT_EQ(PatConvertPrnInfoEx(record.get(), &out, 0x400 | 0x4), 0u);
  EXPECT_EQ(std::string(out.modelName), std::string(255, 'm'));
  EXPECT_EQ(std::string(out.makerName), "A very long mak");
  EXPECT_EQ(std::string(out.sysVersion), "1.2.3.4.5.6.7.8");
  EXPECT_EQ(out.modelCode, 255);
  EXPECT_EQ(out.description[0], 0);
}

TEST(PrnInfo, TrayArraysStopAtTheirSizes) {
  Record record;
  AddTrays(record.get(), 70);
  auto* bin = reinterpret_cast<OUTBIN_NODE*>(PatNewListNode(sizeof(OUTBIN_NODE)));
  bin->binCode = 29;
  bin->state = 2;
  PatAppendPrnInfoNode(record.get(), "pOutBinInfo", &bin->hdr);
  PRN_INFO out;
  ASSERT_EQ(PatConvertPrnInfoEx(record.get(), &out, 0x8), 0u);
  EXPECT_EQ(out.trayCount, 64u);
  EXPECT_EQ(out.traySizes[63].code, 163u);
  EXPECT_EQ(out.traySizes[63].value, 263u);
  EXPECT_EQ(out.trayTypes[63].value, 363u);
  // The level array holds 16 trays; what lies behind it stays untouched.
  EXPECT_EQ(out.trayCount2, 16u);
  EXPECT_EQ(out.trayLevels[15].code, 115u);
  EXPECT_EQ(out.trayLevels[15].value, 15u);
  EXPECT_EQ(out.outBins[0].code, 0u);
  EXPECT_EQ(out.outBinCount, 0u);

  ASSERT_EQ(PatConvertPrnInfoEx(record.get(), &out, 0x8 | 0x10), 0u);
  EXPECT_EQ(out.outBins[0].code, 29u);
  EXPECT_EQ(out.outBins[0].value, 2u);
  EXPECT_EQ(out.outBinCount, 1u);
}

TEST(PrnInfo, FormDRecordConvertsThrough) {
  DWORD word = 1 | (1u << 22);
  char zarn[] = "ZARN", v[] = "1.00";
  Array<PM_EMULATION_ITEM> emul({{{}, v, zarn}});
  Array<PM_ENGINE_STATUS_ITEM> engine({{0, 10023, nullptr, 0, 0}});
  PM_INFO pm{};
  pm.slot0 = &word;
  pm.slot16 = emul.get();
  pm.slot48 = engine.get();
  Record record;
  ASSERT_EQ(PatConvertPmInfo(1, &pm, 'd', 0x1 | 0x2 | 0x4, record.get()), 0u);
  PRN_INFO out;
  ASSERT_EQ(PatConvertPrnInfoEx(record.get(), &out, 0x2 | 0x100 | 0x80000), 0u);
  EXPECT_EQ(out.online, 1u);
  EXPECT_EQ(out.printing, 1);
  EXPECT_EQ(out.offline, 0);
  EXPECT_EQ(out.emulationCount, 1u);
  EXPECT_EQ(out.emulationCodes[0], 15u);
  // The status word gave 10023 and the engine array 10023 again.
  EXPECT_EQ(out.engineCount, 2u);
  EXPECT_EQ(out.statusCode, 107u + 65536u * ((10023u * 2) & 0xFFFF));
}

TEST(PrnInfo, FormHRecordConvertsThrough) {
  char model[] = "Model H", maker[] = "Maker", roll1[] = "Tray 1(Paper Roll 1)", upper[] = "Upper Paper Exit";
  PM_MODEL_INFO info{model, nullptr, 1 << 20, 0, maker};
  PM_TRAY_A tray = TrayA(roll1, kAll, 841, 0x400, 0x1);
  Array<PM_TRAY_A> trays(std::vector<PM_TRAY_A>{tray});
  Array<PM_OUTBIN_ITEM> bins({{upper, 0}});
  Array<PM_DEVICE_ITEM> devices(std::vector<PM_DEVICE_ITEM>{{981}});
  PM_INFO pm{};
  pm.slot0 = &info;
  pm.slot16 = bins.get();
  pm.slot48 = devices.get();
  pm.slot80 = trays.get();
  Record record;
  ASSERT_EQ(PatConvertPmInfo(0x8000, &pm, 'h', 0x1 | 0x4 | 0x40 | 0x400, record.get()), 0u);
  PRN_INFO out;
  ASSERT_EQ(PatConvertPrnInfoEx(record.get(), &out, 0x4 | 0x8 | 0x10 | 0x400), 0u);
  EXPECT_EQ(std::string(out.modelName), "Model H");
  EXPECT_EQ(std::string(out.makerName), "Maker");
  EXPECT_EQ(out.memoryKB, 1024u);
  EXPECT_EQ(out.trayCount, 1u);
  EXPECT_EQ(out.traySizes[0].code, 51u);
  EXPECT_EQ(out.traySizes[0].value, 257u);
  EXPECT_EQ(out.trayLevels[0].value, 50u);
  EXPECT_EQ(out.trayTypes[0].value, 1u);
  EXPECT_EQ(out.outBinCount, 1u);
  EXPECT_EQ(out.outBins[0].code, 29u);
  EXPECT_EQ(out.outBinState, 255u);
  EXPECT_EQ(out.hasDisk, 65539u);
}

}  // namespace

namespace {

TEST(PmInfo, FailedAllocationsGiveTheirCodes) {
  char roll1[] = "Tray 1(Paper Roll 1)", upper[] = "Upper Paper Exit";
  Array<PM_TRAY_A> trays(std::vector<PM_TRAY_A>{TrayA(roll1, 297, 420)});
  Array<PM_OUTBIN_ITEM> bins({{upper, 0}});
  PM_INFO h{};
  h.slot80 = trays.get();
  h.slot16 = bins.get();
  {
    Record r;
    kvp::test::FailAllocAt(1);
    EXPECT_EQ(PatConvertPmInfo(0x8000, &h, 'h', 0x400 | 0x4, r.get()), DWORD(ERROR_INVALID_PARAMETER));
    kvp::test::FailAllocAt(2);
    EXPECT_EQ(PatConvertPmInfo(0x8000, &h, 'h', 0x400 | 0x4, r.get()), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    kvp::test::FailAllocAt(0);
    EXPECT_EQ(r->cTrayInfo, 1u);  // converted before the bins failed
  }
  char voks[] = "VOKS", v[] = "1.0";
  Array<PM_EMULATION_ITEM> emul({{{}, v, voks}});
  PM_INFO d{};
  d.slot16 = emul.get();
  for (unsigned n : {1u, 2u}) {
    SCOPED_TRACE(n);
    Record r;
    kvp::test::FailAllocAt(n);
    EXPECT_EQ(PatConvertPmInfo(1, &d, 'd', 0x4, r.get()), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    kvp::test::FailAllocAt(0);
  }
}

}  // namespace
