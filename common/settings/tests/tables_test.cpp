// Checks of the static settings tables: the dictionary and its store layout, the symbol, message and
// enumeration tables, the model constants and the tables of the programming interfaces.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "settings/item_records.h"
#include "settings/model_tables.h"
#include "settings/setting_ids.h"

namespace {

std::string Narrow(const WCHAR* w) {
  std::string s;
  if (w)
    for (; *w; ++w) s += (char)*w;
  return s;
}

const ITEM_DICTIONARY_STATIC& Static() { return *StgGetStaticDictionary(); }
ITEM_DICTIONARY* Template() { return StgGetTemplateDictionary(); }

// Bits of the store a row occupies: {block, absolute bit index in the block}.
std::vector<std::pair<int, int>> BitsOf(const ITEM_DESC_STATIC& r) {
  std::vector<std::pair<int, int>> bits;
  const int block = (int)StgTypeBlock(r.type);
  if (StgTypeIsBit(r.type)) {
    bits.push_back({block, (int)r.offset * 8 + (int)StgTypeCode(r.type) - STG_TYPE_BIT0});
  } else {
    for (DWORD b = 0; b < StgTypeLength(r.type) * 8; ++b) bits.push_back({block, (int)r.offset * 8 + (int)b});
  }
  return bits;
}

// Last byte (exclusive) a row touches inside its block.
DWORD EndOf(const ITEM_DESC_STATIC& r) {
  if (StgTypeIsBit(r.type)) return (DWORD)r.offset + (StgTypeCode(r.type) - STG_TYPE_BIT0) / 8 + 1;
  return (DWORD)r.offset + StgTypeLength(r.type);
}

// ---------------------------------------------------------------------------------------------
// Dictionary

TEST(SettingTable, CountsAndIdOrder) {
  ASSERT_EQ(Static().count, 1989);
  std::set<uint64_t> ids;
  for (int i = 0; i < Static().count; ++i) {
    const ITEM_DESC_STATIC& r = Static().rows[i];
    EXPECT_TRUE(ids.insert(r.id).second) << r.id;
    const uint64_t expect = i < 1555 ? (uint64_t)i + 1 : (uint64_t)(i - 1555 + 10001);
    EXPECT_EQ(r.id, expect) << "row " << i;
    // Blocks by id range.
    const int block = (int)StgTypeBlock(r.type);
    if (r.id <= 722)
      EXPECT_EQ(block, 1) << r.id;
    else if ((r.id >= 1453 && r.id <= 1543) || r.id >= 10001)
      EXPECT_EQ(block, 2) << r.id;
    else
      EXPECT_EQ(block, 3) << r.id;
  }
}

TEST(SettingTable, ClassCountsAndAttributes) {
  std::map<int, int> codes, media;
  int bits = 0, ini = 0, iniNoSection = 0, keys = 0, maps = 0, unnamed = 0, layout = 0, quality = 0,
      watermark = 0, kinds = 0;
  for (int i = 0; i < Static().count; ++i) {
    const ITEM_DESC_STATIC& r = Static().rows[i];
    if (StgTypeIsBit(r.type))
      ++bits;
    else
      ++codes[(int)StgTypeCode(r.type)];
    ++media[(int)r.medium];
    if (r.iniKey) {
      ++ini;
      if (!r.iniSection) ++iniNoSection;
    }
    EXPECT_FALSE(r.iniSection && !r.iniKey) << r.id;
    keys += r.key != 0;
    maps += r.valueMap != nullptr;
    unnamed += r.name == nullptr;
    layout += (r.flags & STG_FLAG_LAYOUT) != 0;
    quality += (r.flags & STG_FLAG_QUALITY) != 0;
    watermark += (r.flags & STG_FLAG_WATERMARK) != 0;
    kinds += r.special != 0;
    EXPECT_EQ(r.flags & STG_FLAG_CHANGE_MASK, 0u) << r.id;
  }
  // Two one-bit rows whose allowed values need a byte are stored as u8 in the byte of their bit.
  EXPECT_EQ(bits, 1373 - 2);
  EXPECT_EQ(codes[STG_TYPE_U8], 150 + 2);
  EXPECT_EQ(codes[STG_TYPE_I8], 35);
  EXPECT_EQ(codes[STG_TYPE_I16], 61);
  EXPECT_EQ(codes[STG_TYPE_U32_COUNTER], 1);
  EXPECT_EQ(codes[STG_TYPE_U16], 155);
  EXPECT_EQ(codes[STG_TYPE_U32], 136);
  EXPECT_EQ(codes[STG_TYPE_ANSI], 76);
  EXPECT_EQ(codes[STG_TYPE_WIDE], 2);
  EXPECT_EQ(media[0], 137);
  EXPECT_EQ(media[1], 1835);
  EXPECT_EQ(media[2], 17);
  EXPECT_EQ(ini, 120);
  EXPECT_EQ(iniNoSection, 30);
  EXPECT_EQ(keys, 585);
  EXPECT_EQ(maps, 97);
  EXPECT_EQ(unnamed, 223);
  EXPECT_EQ(layout, 78);
  EXPECT_EQ(quality, 29);
  EXPECT_EQ(watermark, 26);
  EXPECT_EQ(kinds, 12);
  EXPECT_EQ(StgTypeCode(StgStaticFindItem(sid::rdmTotalCounter)->type), STG_TYPE_U32_COUNTER);
}

// Rows copied from the setting list, one of each shape.
TEST(SettingTable, SpotRows) {
  struct Case {
    WORD id;
    DWORD block, offset, code, length, key, medium;
    const char* name;
    const char* section;
    const char* iniKey;
  } cases[] = {
      {1, 1, 0, STG_TYPE_WIDE, 64, 88, 1, "dmDeviceName", nullptr, nullptr},
      {7, 1, 76, STG_TYPE_I16, 2, 549, 1, "dmOrientation", nullptr, nullptr},
      {34, 1, 216, STG_TYPE_U32, 4, 0, 1, "dmPanningHeight", nullptr, nullptr},
      {35, 1, 368, STG_TYPE_U8, 1, 0, 1, "rdmMachineID", nullptr, nullptr},
      {37, 1, 370, STG_TYPE_I8, 1, 530, 1, "rdmPresetNo", nullptr, nullptr},
      {55, 1, 436, STG_TYPE_BIT0, 4, 591, 1, "rdmFuncSelectScale", nullptr, nullptr},
      {86, 1, 436, STG_TYPE_BIT0 + 31, 4, 0, 1, "rdmFuncSelectReserve1", nullptr, nullptr},
      {88, 1, 441, STG_TYPE_U8, 1, 608, 1, "rdmScaleCentering", nullptr, nullptr},
      {203, 1, 606, STG_TYPE_ANSI, 9, 834, 1, "rdmUserCode", "PRINTLOG", "UserCode"},
      {209, 1, 732, STG_TYPE_U8, 1, 555, 2, "rdmPrnMethod", nullptr, "PrnMethod"},
      {704, 1, 224, STG_TYPE_U32, 4, 10, 1, nullptr, nullptr, nullptr},
      {722, 1, 1235, STG_TYPE_U8, 1, 28, 1, nullptr, nullptr, nullptr},
      {723, 3, 0, STG_TYPE_BIT0, 4, 0, 1, nullptr, nullptr, nullptr},
      {730, 3, 0, STG_TYPE_BIT0 + 7, 4, 203, 0, nullptr, nullptr, nullptr},
      {935, 3, 1329, STG_TYPE_U8, 1, 1074, 1, "wdmWmOpaque", nullptr, nullptr},
      {940, 3, 1333, STG_TYPE_BIT0 + 6, 4, 1073, 1, "wdmWmPosiTile", nullptr, nullptr},
      {953, 3, 1384, STG_TYPE_ANSI, 521, 128, 2, "wdmOvlPath", nullptr, "OverlayDataPath"},
      {1453, 2, 860, STG_TYPE_ANSI, 17, 838, 1, "wdmPrintPostTray1Name", "BINNAME", "Tray1"},
      {1543, 2, 5260, STG_TYPE_U32, 4, 0, 1, "wdmMedia16NameCharSet", nullptr, nullptr},
      {1555, 3, 3578, STG_TYPE_I16, 2, 1712, 0, nullptr, nullptr, nullptr},
      {10001, 2, 0, STG_TYPE_U8, 1, 831, 1, "rdmServerLogCode", "PRINTLOG", "ServerUse"},
      {10289, 2, 320, STG_TYPE_U32_COUNTER, 4, 0, 1, "rdmTotalCounter", nullptr, nullptr},
      {10356, 2, 332, STG_TYPE_BIT0 + 2, 4, 1528, 1, "rdmPrnFuncTakeOver", nullptr, "TakeOver"},
      {10417, 2, 336, STG_TYPE_BIT0 + 31, 4, 0, 1, "rdmLockInfoLockSmallPaperTray", nullptr, nullptr},
      {10434, 2, 342, STG_TYPE_U16, 2, 1678, 1, "rdmLockDstResolutionBoth", nullptr, "LockResolutionBoth"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const ITEM_DESC_STATIC* r = StgStaticFindItem(c.id);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(StgTypeBlock(r->type), c.block);
    EXPECT_EQ(r->offset, c.offset);
    EXPECT_EQ(StgTypeCode(r->type), c.code);
    EXPECT_EQ(StgTypeLength(r->type), c.length);
    EXPECT_EQ(r->key, c.key);
    EXPECT_EQ(r->medium, c.medium);
    EXPECT_EQ(Narrow(r->name), c.name ? c.name : "");
    EXPECT_EQ(Narrow(r->iniSection), c.section ? c.section : "");
    EXPECT_EQ(Narrow(r->iniKey), c.iniKey ? c.iniKey : "");
  }
  EXPECT_EQ(StgStaticFindItem(sid::rdmMarginOdd)->special, (uint64_t)STG_KIND_MARGIN);
  EXPECT_EQ(StgStaticFindItem(sid::rdmWmID)->flags, (uint64_t)(STG_FLAG_LAYOUT | STG_FLAG_WATERMARK));
  EXPECT_EQ(StgStaticFindItem(sid::rdmDstResolutionW)->flags, (uint64_t)STG_FLAG_QUALITY);
}

TEST(SettingTable, ValueMaps) {
  auto pairs = [](WORD id, int sub) {
    std::vector<std::pair<DWORD, DWORD>> v;
    const ITEM_VALUE_MAP* m = StgStaticFindItem(id)->valueMap;
    if (!m) return v;
    for (; sub > 0; --sub) {
      while (m->option != 0) ++m;
      ++m;
    }
    for (; m->option != 0; ++m) v.push_back({m->stored, m->option});
    return v;
  };
  using P = std::vector<std::pair<DWORD, DWORD>>;
  EXPECT_EQ(pairs(sid::dmOrientation, 0), (P{{1, 2026}, {2, 2027}}));
  EXPECT_EQ(pairs(sid::rdmNUPType, 0).size(), 18u);
  EXPECT_EQ(pairs(sid::rdmNUPType, 0)[3], (std::pair<DWORD, DWORD>{33, 6249}));
  EXPECT_EQ(pairs(sid::rdmNUPType, 1)[3], (std::pair<DWORD, DWORD>{33, 6292}));
  EXPECT_EQ(pairs(sid::rdmDuplexType, 1)[0], (std::pair<DWORD, DWORD>{1, 6343}));
  EXPECT_EQ(pairs(sid::dmPaperSize, 0).size(), 40u);
  EXPECT_EQ(pairs(sid::rdmTray1Paper, 0).size(), 61u);
  EXPECT_EQ(pairs(sid::wdmUserSetType, 0), P(8, {0, 6137}));
  // dmDefaultSource 5 has no option: no pair names it.
  for (auto& p : pairs(sid::dmDefaultSource, 0)) EXPECT_NE(p.first, 5u);
  // Only rdmNUPType and rdmDuplexType carry a second sub-list.
  for (int i = 0; i < Static().count; ++i) {
    const ITEM_DESC_STATIC& r = Static().rows[i];
    if (!r.valueMap) continue;
    const bool second = !pairs((WORD)r.id, 1).empty();
    EXPECT_EQ(second, r.id == sid::rdmNUPType || r.id == sid::rdmDuplexType) << r.id;
    for (auto& p : pairs((WORD)r.id, 0)) EXPECT_NE(p.second, 65535u) << r.id;
  }
}

// ---------------------------------------------------------------------------------------------
// Store layout

TEST(StoreLayout, BlockSizes) {
  EXPECT_EQ(StgGetDevmodePublicSize(), 220u);
  EXPECT_EQ(StgGetDevmodePrivateSize(), 1016u);
  EXPECT_EQ(StgGetDevmodeSize(), 1236u);
  EXPECT_EQ(StgGetDeviceBlockSize(), 5264u);
  EXPECT_EQ(StgGetWorkBlockSize(), 3580u);
  EXPECT_EQ(StgGetStoreSize(), 10080u);
  EXPECT_EQ(StgGetBlockSize(4), 0u);
}

TEST(StoreLayout, EverySettingInsideItsBlock) {
  for (int i = 0; i < Static().count; ++i) {
    const ITEM_DESC_STATIC& r = Static().rows[i];
    const DWORD block = StgTypeBlock(r.type);
    EXPECT_LE(EndOf(r), StgGetBlockSize(block)) << r.id;
    // Public DEVMODE fields stay in the public part, private settings after it.
    if (block == 1) {
      if (r.id <= 34)
        EXPECT_LE(EndOf(r), StgGetDevmodePublicSize()) << r.id;
      else
        EXPECT_GE(r.offset, StgGetDevmodePublicSize()) << r.id;
    }
    // A bit word may start unaligned, but the word itself must lie inside the block.
    if (StgTypeIsBit(r.type)) { EXPECT_LE(r.offset + 4, StgGetBlockSize(block)) << r.id; }
  }
}

TEST(StoreLayout, NoOverlapExceptIntended) {
  std::map<std::pair<int, int>, uint64_t> owner;
  std::set<std::pair<uint64_t, uint64_t>> overlaps;
  for (int i = 0; i < Static().count; ++i) {
    const ITEM_DESC_STATIC& r = Static().rows[i];
    for (auto& b : BitsOf(r)) {
      auto it = owner.find(b);
      if (it == owner.end())
        owner[b] = r.id;
      else
        overlaps.insert({it->second, r.id});
    }
  }
  // The tile flag of the watermark position is bit 6 of the position byte.
  EXPECT_EQ(overlaps, (std::set<std::pair<uint64_t, uint64_t>>{{sid::wdmWmPosi, sid::wdmWmPosiTile}}));
  // The private header fields (signature, model id, size, version, block offsets, spare byte) hold
  // no setting.
  for (int byte : {220, 221, 222, 223})
    for (int bit = 0; bit < 8; ++bit) EXPECT_EQ(owner.count({1, byte * 8 + bit}), 0u) << byte;
  for (int byte = 349; byte <= 367; ++byte)
    for (int bit = 0; bit < 8; ++bit) EXPECT_EQ(owner.count({1, byte * 8 + bit}), 0u) << byte;
  // The public part is covered from 0 to 219 without a gap.
  for (int byte = 0; byte < 220; ++byte) EXPECT_EQ(owner.count({1, byte * 8}), 1u) << byte;
}

// ---------------------------------------------------------------------------------------------
// Row lookups

TEST(ItemLookup, EveryRowByIdAndKey) {
  ITEM_DICTIONARY* dict = Template();
  ASSERT_EQ(dict->count, 1989);
  EXPECT_EQ(StgDictGapIndex(dict), 1555);
  for (int i = 0; i < Static().count; ++i) {
    const ITEM_DESC_STATIC& s = Static().rows[i];
    ITEM_DESC* r = StgDictFindItem(dict, (WORD)s.id);
    ASSERT_EQ(r, &dict->rows[i]) << s.id;
    EXPECT_EQ(StgStaticFindItem((WORD)s.id), &s);
    EXPECT_EQ(r->type, s.type);
    EXPECT_EQ(r->ext->valueMap, s.valueMap);
    EXPECT_EQ(r->ext->name, s.name);
    if (s.key) {
      ITEM_DESC* k = StgDictFindItemByKey(dict, nullptr, (WORD)s.key);
      ASSERT_NE(k, nullptr) << s.id;
      EXPECT_EQ(k->key, s.key);
      EXPECT_LE(k, r) << "the first row with the key";
    }
    if (s.name) { EXPECT_EQ(StgDictFindItemByName(dict, Narrow(s.name).c_str()), r); }
  }
}

TEST(ItemLookup, AbsentIdsAndEdges) {
  ITEM_DICTIONARY* dict = Template();
  EXPECT_EQ(StgDictFindItem(dict, 10001), &dict->rows[1555]);
  EXPECT_EQ(StgDictFindItem(dict, 10434), &dict->rows[1988]);
  for (WORD id : {0, 1556, 2000, 9999, 10000, 10435, 65535}) {
    EXPECT_EQ(StgDictFindItem(dict, id), nullptr) << id;
    EXPECT_EQ(StgStaticFindItem(id), nullptr) << id;
  }
  EXPECT_EQ(StgDictFindItem(nullptr, 1), nullptr);
  EXPECT_EQ(StgDictFindItemByKey(dict, nullptr, 0), nullptr);
  EXPECT_EQ(StgDictFindItemByName(dict, "noSuchSetting"), nullptr);
  EXPECT_EQ(StgDictFindItemByName(dict, "dmOrientatio"), nullptr);
}

// A dictionary of another shape is still searched correctly: the direct index is checked and the
// bisection and the backward scan take over.
TEST(ItemLookup, OtherShapeFallsBackToSearch) {
  std::vector<ITEM_DESC> rows(6);
  const WORD ids[] = {2, 5, 9, 10002, 10003, 7};  // unsorted tail: only the scan finds 7
  for (int i = 0; i < 6; ++i) rows[i].id = ids[i];
  ITEM_DICTIONARY d{6, rows.data()};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(StgDictFindItem(&d, ids[i]), &rows[i]) << ids[i];
  for (WORD id : {1, 3, 10001, 10004}) EXPECT_EQ(StgDictFindItem(&d, id), nullptr) << id;
}

TEST(ItemLookup, RuntimeRowConversion) {
  const ITEM_DESC_STATIC* s = StgStaticFindItem(sid::rdmWmID);
  ITEM_DESC_STATIC changed = *s;
  changed.flags |= 0xC00 | STG_FLAG_CHANGED;  // bits above the five fields are not copied
  ITEM_DESC r{};
  r.changeClass = 7;
  ITEM_DESC_EXT ext{};
  StgInitRuntimeRow(&changed, &r, &ext);
  EXPECT_EQ(r.id, s->id);
  EXPECT_EQ(r.offset, s->offset);
  EXPECT_EQ(r.flags, (s->flags | STG_FLAG_CHANGED));
  EXPECT_EQ(r.ext, &ext);
  EXPECT_EQ(ext.name, s->name);
  EXPECT_EQ(r.changeClass, 0u);
}

// ---------------------------------------------------------------------------------------------
// Symbols, messages, enumeration symbols

TEST(Symbols, OrderAndLookups) {
  const ITEM_SYMBOL_TABLE* t = StgGetSymbolTable();
  ASSERT_GE(t->count, 702 + 149 + 9);
  EXPECT_STREQ(t->rows[0].name, "QDV_rdmJobBinder");
  EXPECT_EQ(t->rows[0].id, 704);
  EXPECT_EQ(t->rows[0].key, 10);
  // Setting symbols come first; after them only a control's symbol names a setting (one bound to a
  // setting without a UI key of its own).
  for (int i = 0; i < 702; ++i) EXPECT_NE(t->rows[i].id, 0) << t->rows[i].name;
  for (int i = 702; i < t->count; ++i)
    if (std::strncmp(t->rows[i].name, "QDV_IDC_", 8) != 0) {
      EXPECT_EQ(t->rows[i].id, 0) << t->rows[i].name;
    }
  std::set<std::string> names;
  std::set<WORD> keys;
  for (int i = 0; i < t->count; ++i) {
    const ITEM_SYMBOL& s = t->rows[i];
    EXPECT_TRUE(names.insert(s.name).second) << s.name;
    EXPECT_TRUE(keys.insert(s.key).second) << s.key;
    EXPECT_EQ(StgFindSymbolByName(s.name), &s);
    EXPECT_EQ(StgFindSymbolByKey(s.key), &s);
    if (s.id) { EXPECT_NE(StgStaticFindItem(s.id), nullptr) << s.name; }
  }
  EXPECT_EQ(StgFindSymbolByName("IDHELPBUTTON")->key, 9);
  EXPECT_EQ(StgFindSymbolByName("QDV_ConvertDevmode")->key, 29);
  EXPECT_EQ(StgFindSymbolByName("QDV_IDD_PRESET")->key, 451);
  EXPECT_EQ(StgFindSymbolByName("QDV_IDC_PRESET_BUTTON_CHANGE")->key, 532);
  EXPECT_EQ(StgFindSymbolByName("qdv_rdmjobbinder"), nullptr);
  EXPECT_EQ(StgFindSymbolByName(nullptr), nullptr);
  EXPECT_EQ(StgFindSymbolByKey(65000), nullptr);
  // No setting key is also the key of a symbol that names another setting.
  for (int i = 0; i < t->count; ++i) {
    const ITEM_DESC* r = StgDictFindItemByKey(Template(), nullptr, t->rows[i].key);
    if (t->rows[i].id && r) { EXPECT_EQ(r->id, t->rows[i].id) << t->rows[i].name; }
  }
}

// A table handed in is searched in its own order: the first row wins, setting symbols first.
TEST(Symbols, HandedTableIsSearchedInOrder) {
  const ITEM_SYMBOL rows[] = {{704, 5, 0, "QDV_A"}, {0, 5, 0, "QDV_B"}, {0, 6, 0, "QDV_A"}};
  const ITEM_SYMBOL_TABLE t{3, rows};
  EXPECT_EQ(StgTableFindSymbolByKey(&t, 5), &rows[0]);
  EXPECT_EQ(StgTableFindSymbolByName(&t, "QDV_A"), &rows[0]);
  EXPECT_EQ(StgTableFindSymbolByName(&t, "QDV_C"), nullptr);
  // A key with only a rule symbol gives no row.
  const ITEM_SYMBOL rule[] = {{0, 65000, 0, "QDV_R"}};
  const ITEM_SYMBOL_TABLE rt{1, rule};
  EXPECT_EQ(StgDictFindItemByKey(Template(), &rt, 65000), nullptr);
  const ITEM_SYMBOL alias[] = {{7, 65001, 0, "QDV_O"}};
  const ITEM_SYMBOL_TABLE at{1, alias};
  EXPECT_EQ(StgDictFindItemByKey(Template(), &at, 65001)->id, (uint64_t)sid::dmOrientation);
}

TEST(Symbols, AliasKeysResolveThroughTheSymbol) {
  ITEM_DICTIONARY* dict = Template();
  // QDV_Tray1CoverMediaType: key 74 names rdmTray1Media, whose own key is 53.
  ITEM_DESC* r = StgDictFindItemByKey(dict, nullptr, 74);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->id, sid::rdmTray1Media);
  EXPECT_EQ(StgDictFindItemByKey(dict, nullptr, 98)->id, sid::rdmDstResolutionH);
  // A rule symbol names no setting.
  EXPECT_EQ(StgDictFindItemByKey(dict, nullptr, 29), nullptr);
}

TEST(Messages, AllByKeyAndName) {
  const MESSAGE_TABLE* m = StgGetMessageTable();
  ASSERT_EQ(StgTableGetMessageCount(nullptr), 52);
  for (int i = 0; i < 52; ++i) {
    const MESSAGE_DESC* row = StgTableGetMessageRow(nullptr, i);
    ASSERT_EQ(row, &m->rows[i]);
    EXPECT_EQ(row->key, 399 + i);
    EXPECT_EQ(StgTableFindMessage(nullptr, row->key), row);
    EXPECT_EQ(StgTableFindMessageByName(m, row->name), row);
    // Each message is also a rule symbol with the same key.
    const ITEM_SYMBOL* s = StgFindSymbolByName(row->name);
    ASSERT_NE(s, nullptr) << row->name;
    EXPECT_EQ(s->key, row->key);
  }
  EXPECT_EQ(StgTableFindMessage(nullptr, 399)->stringId, 12029);
  EXPECT_EQ(StgTableFindMessage(nullptr, 450)->stringId, 12063);
  EXPECT_STREQ(StgTableFindMessage(nullptr, 403)->name, "QDV_CopiesIllegalMessage");
  EXPECT_EQ(StgTableFindMessage(nullptr, 398), nullptr);
  EXPECT_EQ(StgTableGetMessageRow(nullptr, 52), nullptr);
  EXPECT_EQ(StgTableGetMessageRow(nullptr, -1), nullptr);
  EXPECT_EQ(StgTableFindMessageByName(nullptr, "QDV_NoSuchMessage"), nullptr);
}

TEST(EnumSymbols, ByValueAndByName) {
  const ENUM_SYMBOL_TABLE* e = StgGetEnumSymbolTable();
  ASSERT_EQ(e->count, 2992);
  for (int i = 0; i < e->count; ++i) {
    const ENUM_SYMBOL& s = e->rows[i];
    EXPECT_EQ(s.one, 1u);
    const ENUM_SYMBOL* v = StgFindEnumSymbol(s.settingId, s.value);
    ASSERT_NE(v, nullptr) << s.name;
    EXPECT_LE(v, &s);  // the first row with the pair
    EXPECT_EQ(v->settingId, s.settingId);
    EXPECT_EQ(v->value, s.value);
    const ENUM_SYMBOL* n = StgFindEnumSymbolByName(s.name);
    ASSERT_NE(n, nullptr);
    EXPECT_LE(n, &s);
  }
  const ENUM_SYMBOL* jb = StgFindEnumSymbol(704, 2);
  ASSERT_NE(jb, nullptr);
  EXPECT_STREQ(jb->name, "RDMJOBBINDER_JOBBINDER");
  EXPECT_EQ(StgFindEnumSymbolByName("RDMJOBBINDER_TELVARA2")->second, 6u);
  EXPECT_EQ(StgFindEnumSymbolByName("Opt_HDD")->settingId, 0);
  EXPECT_EQ(StgFindEnumSymbolByName("Opt_HDD")->key, 30);
  EXPECT_EQ(StgFindEnumSymbolByName("BUILT_IN_FUNC_GAMMA")->value, 900u);
  EXPECT_EQ(StgFindEnumSymbol(704, 6), nullptr);
  EXPECT_EQ(StgFindEnumSymbolByName("NO_SUCH_NAME"), nullptr);
}

// Rows copied from the enumeration list.
TEST(EnumSymbols, SpotRows) {
  struct Case {
    WORD setting;
    DWORD value;
    const char* name;
    WORD key;
    uint64_t second;
  } cases[] = {
      {704, 8, "RDMJOBBINDER_TELVARA2", 10, 6},
      {0, 88, "Opt_FoldingFolder", 30, 0},
      {14, 65532, "DMRES_HIGH", 62, 65532},
      {29, 1040, "DMMEDIA_CUSTOM16", 194, 1040},
      {169, 15, "RDMLANG_RUSSIAN", 102, 15},
      {347, 2702, "IDC_FREE_RADIO_LANDSCAPE", 134, 2},
      {346, 6, "IDS_SOURCE_TRAY4", 133, 256},
      {10191, 13698, "IDS_PAPERROLL_36INCH", 221, 562},
      {1018, 901, "BUILT_IN_FUNC_COPYCOPIESTOSEPSHEETCYCLECOPIES", 130, 901},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ENUM_SYMBOL* e = StgFindEnumSymbol(c.setting, c.value);
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->name, c.name);
    EXPECT_EQ(e->key, c.key);
    EXPECT_EQ(e->second, c.second);
  }
  // The four media-type rows of tray 4 under further keys are kept as listed.
  int tray4 = 0;
  for (int i = 0; i < StgGetEnumSymbolTable()->count; ++i)
    tray4 += StgGetEnumSymbolTable()->rows[i].settingId == sid::rdmTray4Media;
  EXPECT_EQ(tray4, 40);
}

TEST(EnumSymbols, ResourceNamesAfterEnumerations) {
  const ENUM_SYMBOL_TABLE* res = StgGetResourceNameTable();
  ASSERT_GT(res->count, 0);
  // Found only among the resource names: the paper names of dmPaperSize.
  const ENUM_SYMBOL* a4 = StgFindEnumSymbol(sid::dmPaperSize, 41);
  ASSERT_NE(a4, nullptr);
  EXPECT_STREQ(a4->name, "IDS_PAPERSIZE_A4");
  EXPECT_EQ(a4->second, 9u);
  EXPECT_GE(a4, res->rows);
  const ENUM_SYMBOL* b3 = StgFindEnumSymbol(sid::rdmTray20Paper, 13271);
  ASSERT_NE(b3, nullptr);
  EXPECT_STREQ(b3->name, "IDS_PAPERROLL_WIDTH_B3");
  EXPECT_EQ(b3->second, 528u);
  // An enumeration row wins over a resource row of the same pair.
  const ENUM_SYMBOL* t1 = StgFindEnumSymbol(sid::rdmTray1Paper, 41);
  ASSERT_NE(t1, nullptr);
  EXPECT_LT(t1, StgGetEnumSymbolTable()->rows + StgGetEnumSymbolTable()->count);
  // Every resource row is a pair of its setting's value map.
  for (int i = 0; i < res->count; ++i) {
    const ENUM_SYMBOL& s = res->rows[i];
    const ITEM_DESC_STATIC* r = StgStaticFindItem(s.settingId);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->key, s.key);
    bool found = false;
    for (const ITEM_VALUE_MAP* m = r->valueMap; m && !found; ++m) {
      if (m->option == 0 && m[1].option == 0) break;
      found = m->option == s.value && m->stored == s.second;
    }
    EXPECT_TRUE(found) << s.name << " " << s.settingId;
  }
}

TEST(BfIds, TableAndNames) {
  const BF_ID_PAIR* t = StgGetBfIdTable();
  ASSERT_EQ(StgGetBfIdCount(), 1977);
  EXPECT_EQ(t[0].bfId, 10000);
  EXPECT_EQ(t[0].settingId, 35);
  EXPECT_EQ(t[1].bfId, 10001);
  EXPECT_EQ(t[1].settingId, 36);
  EXPECT_EQ(t[1977].bfId, 0);
  EXPECT_EQ(t[1977].settingId, 0);
  std::set<WORD> settings;
  for (int i = 0; i < 1977; ++i) {
    EXPECT_EQ(t[i].bfId, 10000 + i);
    EXPECT_TRUE(settings.insert(t[i].settingId).second);
    ASSERT_NE(StgStaticFindItem(t[i].settingId), nullptr);
    if (i > 0 && t[i].settingId > 34) { EXPECT_GT(t[i].settingId, t[i - 1].settingId) << "setting order"; }
    const ENUM_SYMBOL* e = StgFindEnumSymbol(sid::wdmBuiltInFunc, t[i].bfId);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(std::string(e->name).rfind("BF_", 0), 0u);
    EXPECT_EQ(e->second, t[i].bfId);
    EXPECT_EQ(e->key, 130);
  }
  EXPECT_EQ(t[1976].bfId, 11976);
  EXPECT_EQ(StgFindEnumSymbolByName("BF_rdmMachineID")->value, 10000u);
  EXPECT_EQ(StgFindEnumSymbolByName("BF_rdmFuncSelect_0")->value, 10020u);
  EXPECT_EQ(StgFindEnumSymbolByName("BF_dmOrientation")->value, 11976u - 34 + 7);
  // wdmBuiltInFunc allows the 66 built-in function codes and every BF_ id.
  const ALLOWED_VALUES_ROW* bi = StgFindAllowedValues(sid::wdmBuiltInFunc);
  ASSERT_NE(bi, nullptr);
  EXPECT_EQ(bi->count, 2043u);
  EXPECT_TRUE(StgIsValueAllowed(sid::wdmBuiltInFunc, 901));
  EXPECT_TRUE(StgIsValueAllowed(sid::wdmBuiltInFunc, 11976));
  EXPECT_FALSE(StgIsValueAllowed(sid::wdmBuiltInFunc, 11977));
}

// ---------------------------------------------------------------------------------------------
// Dialogs and controls

TEST(Dialogs, LookupsAndBindings) {
  DIALOG_TABLE* t = StgGetTemplateDialogTable();
  DIALOG_DESC* input = StgTableFindDialog(nullptr, 1041);
  ASSERT_NE(input, nullptr);
  EXPECT_EQ(StgTableFindDialogByName(t, "QDV_IDD_DIALOG_FREESIZE_INPUT"), input);
  EXPECT_EQ(StgTableFindDialog(t, 999), nullptr);
  EXPECT_EQ(StgGetDialogControl(input, input->controlCount), nullptr);
  EXPECT_EQ(StgGetDialogControl(nullptr, 0), nullptr);
  CONTROL_DESC* len = StgTableFindControlById(t, input, 2683);
  ASSERT_NE(len, nullptr);
  ASSERT_NE(len->item, nullptr);
  EXPECT_EQ(len->item, StgDictFindItem(Template(), sid::rdmPaperFreeSizeLength));
  EXPECT_EQ(StgDictFindItemByKey(Template(), nullptr, (WORD)len->key), len->item);
  // Without a dialog every dialog is searched in table order.
  CONTROL_DESC* tray = StgTableFindControlById(t, nullptr, 2007);
  ASSERT_NE(tray, nullptr);
  EXPECT_EQ(tray->item->id, (uint64_t)sid::dmDefaultSource);
  EXPECT_EQ(StgTableFindControlByKey(t, nullptr, 543)->controlId, 2017);
  EXPECT_EQ(StgTableFindControlByKey(t, nullptr, 0), nullptr);
  CONTROL_DESC* mode = StgTableFindControlByName(t, StgTableFindDialog(t, 4011), "QDV_IDC_CMM_EDIT_NAME");
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->controlId, 2823);
  // The static dictionary names no setting for the profile controls' keys.
  EXPECT_EQ(StgDictFindItemByKey(Template(), nullptr, mode->key), nullptr);
  // Every dialog has a symbol with its page key; every bound control's key reaches its setting
  // (its own key, or a secondary symbol that names the setting); every id-map row names a control
  // of the table bound to its setting.
  for (int i = 0; i < t->count; ++i) {
    const DIALOG_DESC& d = t->rows[i];
    const ITEM_SYMBOL* sym = StgFindSymbolByName(d.name);
    ASSERT_NE(sym, nullptr) << d.name;
    EXPECT_EQ(sym->key, d.pageKey) << d.name;
    EXPECT_EQ(d.helpId, d.id);
    std::set<WORD> ids;
    for (int c = 0; c < d.controlCount; ++c) {
      const CONTROL_DESC* ctl = StgGetDialogControl(&d, c);
      SCOPED_TRACE(testing::Message() << d.id << "/" << ctl->controlId);
      EXPECT_TRUE(ids.insert(ctl->controlId).second) << "duplicate id";
      EXPECT_GE(ctl->key, 0);
      if (ctl->item) {
        EXPECT_EQ(StgDictFindItemByKey(Template(), nullptr, (WORD)ctl->key), ctl->item);
      }
      // Only the dots flag comes with the table; the run-time fields start empty.
      EXPECT_EQ(ctl->flags & ~STG_CONTROL_DOTS_LENGTH, 0u);
      EXPECT_EQ(ctl->alternateId, 0);
      EXPECT_EQ(ctl->state, 0);
      EXPECT_EQ(ctl->ruleNode, nullptr);
      EXPECT_EQ(ctl->window, nullptr);
    }
  }
  for (int i = 0; i < StgGetIdMapTableCount(); ++i) {
    const SETTING_CONTROL_ROW& r = StgGetIdMapTable()[i];
    CONTROL_DESC* c = StgTableFindControlById(t, StgTableFindDialog(t, r.dialogId), r.controlId);
    ASSERT_NE(c, nullptr) << r.controlId;
    ASSERT_NE(c->item, nullptr);
    EXPECT_EQ(c->item->id, r.settingId);
  }
}

// The sheets take their pages from the kind bits in table order; 1001 comes first.
TEST(Dialogs, KindBitsGiveTheSheetsTheirPages) {
  DIALOG_TABLE* t = StgGetTemplateDialogTable();
  ASSERT_GT(t->count, 0);
  EXPECT_EQ(t->rows[0].id, 1001);
  std::vector<WORD> document, device;
  for (int i = 0; i < t->count; ++i) {
    if (t->rows[i].kind & STG_DIALOG_DOCUMENT_PAGE) document.push_back(t->rows[i].id);
    if (t->rows[i].kind & STG_DIALOG_DEVICE_PAGE) device.push_back(t->rows[i].id);
  }
  EXPECT_EQ(document, (std::vector<WORD>{1001, 1002, 1003, 1004, 1005, 1006, 1010, 4023}));
  EXPECT_EQ(device, (std::vector<WORD>{1008, 1011, 1015, 4019}));
  struct Case {
    WORD id;
    WORD kind;
  } cases[] = {
      {1001, STG_DIALOG_DOCUMENT_PAGE},
      {1003, STG_DIALOG_DOCUMENT_PAGE | STG_DIALOG_PRESET_GROUP},
      {1010, STG_DIALOG_DOCUMENT_PAGE | STG_DIALOG_DIALOG},
      {1011, STG_DIALOG_DEVICE_PAGE | STG_DIALOG_DIALOG},
      {4019, STG_DIALOG_DEVICE_PAGE | STG_DIALOG_DEVICE_EXTRA},
      {1038, STG_DIALOG_USER_SUBDIALOG},
      {1017, STG_DIALOG_DIALOG},
      {4001, STG_DIALOG_FILE_OPEN},
      {4009, STG_DIALOG_FILE_SAVE},
      {4015, STG_DIALOG_FOLDER},
  };
  for (const Case& k : cases) {
    const DIALOG_DESC* d = StgTableFindDialog(t, k.id);
    ASSERT_NE(d, nullptr) << k.id;
    EXPECT_EQ(d->kind, k.kind) << k.id;
  }
}

// The extra data the sheets read by tag.
TEST(Dialogs, ExtraDataCarriesItsTag) {
  DIALOG_TABLE* t = StgGetTemplateDialogTable();
  auto extra = [&](WORD dialog, WORD control) -> const WORD* {
    const CONTROL_DESC* c = StgTableFindControlById(t, StgTableFindDialog(t, dialog), control);
    return c ? static_cast<const WORD*>(c->extra) : nullptr;
  };
  for (WORD id : {2007, 2011, 2017, 2023, 2032}) {
    const WORD* e = extra(1001, id);
    ASSERT_NE(e, nullptr) << id;
    EXPECT_EQ(std::vector<WORD>(e, e + 3), (std::vector<WORD>{STG_EXTRA_TAG4, 1, 7005})) << id;
  }
  ASSERT_NE(extra(1038, 2264), nullptr);
  EXPECT_EQ(std::vector<WORD>(extra(1038, 2264), extra(1038, 2264) + 4), (std::vector<WORD>{3, 1, 10, 6162}));
  EXPECT_EQ(extra(1038, 2267)[3], 6163);
  EXPECT_EQ(extra(1038, 2249)[0], STG_EXTRA_SAMPLE);
  EXPECT_EQ(extra(1002, 2039)[0], STG_EXTRA_PREVIEW);
  // Every minus/plus bar carries its steps.
  for (int i = 0; i < t->count; ++i)
    for (int c = 0; c < t->rows[i].controlCount; ++c) {
      const CONTROL_DESC& ctl = t->rows[i].controls[c];
      if (ctl.kind == 0x54) {
        ASSERT_NE(ctl.extra, nullptr) << ctl.controlId;
        EXPECT_EQ(*static_cast<const WORD*>(ctl.extra), STG_EXTRA_SCROLL_STEPS);
      }
    }
  const CONTROL_DESC* minus = StgTableFindControlById(t, StgTableFindDialog(t, 1038), 2502);
  ASSERT_NE(minus, nullptr);
  auto* rec = static_cast<const STEP_RECORD*>(minus->extra);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->tag, STG_EXTRA_STEP_RECORD);
  ASSERT_EQ(rec->count, 3);
  for (int i = 0; i < rec->count; ++i) {
    EXPECT_EQ(rec->rows[i].step, -1);
    EXPECT_NE(StgTableFindControlById(t, StgTableFindDialog(t, 1038), rec->rows[i].controlId), nullptr);
  }
}

// ---------------------------------------------------------------------------------------------
// Model constants

TEST(ModelTables, ModelBlockAndList) {
  const MODEL_BLOCK* m = StgGetModelBlock();
  EXPECT_EQ(m->modelId, 0x76697270u);
  EXPECT_EQ(m->settingsVersion, 322u);
  EXPECT_EQ(m->settingsVersion2, 322u);
  EXPECT_EQ(m->modelCode, 104u);
  EXPECT_EQ(m->paperSize, 9u);
  EXPECT_EQ(m->defaultSource, 7u);
  EXPECT_EQ(Narrow(m->driverIniName), "kvdrvset.ini");
  EXPECT_EQ(Narrow(m->driverVersionText), "8.63");
  EXPECT_EQ(m->noText55, nullptr);
  EXPECT_EQ(m->customLengthMax, 708660u);
  EXPECT_EQ(m->models->count, 5);
  EXPECT_EQ(StgGetModelEntryCount(), 5);
  EXPECT_EQ(StgFindModelEntryByName(u"TOMBEL KR551w ZARN"), StgGetModelEntry(3));
  EXPECT_EQ(StgFindModelEntryByName(u"TOMBEL KR551W ZARN"), nullptr);
  EXPECT_EQ(StgGetModelEntry(5), nullptr);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(StgGetModelEntry(i)->capabilityMask, 0u);
  EXPECT_STREQ(StgGetOtherText(0), "a202010007d036");
  EXPECT_EQ(StgIsJobInfoEnabled(), 1);
  EXPECT_EQ(StgIsServerLogCheckOn(), 0);
  EXPECT_EQ(StgGetResolutionLockLimit(nullptr), 0u);
  EXPECT_TRUE(StgIsSpecialTextSetting(524));
  EXPECT_TRUE(StgIsSpecialTextSetting(1112));
  EXPECT_FALSE(StgIsSpecialTextSetting(525));
  // rdmOther holds the identification text with its terminator.
  EXPECT_GT(StgTypeLength(StgStaticFindItem(sid::rdmOther)->type), std::strlen(StgGetOtherText(1)));
}

TEST(ModelTables, AllowedValues) {
  EXPECT_EQ(StgGetAllowedValuesTableCount(), 259);
  EXPECT_EQ(StgGetAllowedValuesTable()[259].settingId, 0);
  EXPECT_TRUE(StgIsValueAllowed(sid::rdmDspUnit, 0));
  EXPECT_TRUE(StgIsValueAllowed(sid::rdmDspUnit, 1));
  EXPECT_FALSE(StgIsValueAllowed(sid::rdmDspUnit, 2));
  EXPECT_FALSE(StgIsValueAllowed(sid::dmOrientation, 1));  // no row
  EXPECT_FALSE(StgIsValueAllowed(0, 0));
  EXPECT_FALSE(StgListHasValue(nullptr, 0));
  EXPECT_EQ(StgFindAllowedValues(sid::rdmTray7Paper)->count, 186u);
  EXPECT_EQ(StgFindAllowedValues(sid::rdmTray7Media)->count, 74u);
  EXPECT_EQ(StgFindAllowedValues(sid::rdmMediaType)->count, 73u);
  EXPECT_EQ(StgFindAllowedValues(sid::rdmNUPType)->count, 43u);
  EXPECT_TRUE(StgIsValueAllowed(sid::rdmScaleCentering, 9));
  EXPECT_TRUE(StgIsValueAllowed(sid::wdmWmOpaque, 4));
  // Every keyed row belongs to a setting, once, and every value fits the setting's storage.
  std::set<WORD> seen;
  for (const ALLOWED_VALUES_ROW* r = StgGetAllowedValuesTable(); r->settingId; ++r) {
    EXPECT_TRUE(seen.insert(r->settingId).second) << r->settingId;
    const ITEM_DESC_STATIC* s = StgStaticFindItem(r->settingId);
    ASSERT_NE(s, nullptr) << r->settingId;
    int64_t lo = 0, hi = 0xFFFFFFFFll;
    switch (StgTypeCode(s->type)) {
      case STG_TYPE_I8: lo = -128, hi = 127; break;
      case STG_TYPE_I16: lo = -32768, hi = 32767; break;
      case STG_TYPE_U8: hi = 255; break;
      case STG_TYPE_U16: hi = 65535; break;
      default: if (StgTypeIsBit(s->type)) hi = 1;
    }
    for (DWORD i = 0; i < r->count; ++i) {
      EXPECT_GE(r->values[i], lo) << r->settingId;
      EXPECT_LE(r->values[i], hi) << r->settingId;
    }
  }
}

TEST(ModelTables, IndexRows) {
  DWORD n = 0;
  const ALLOWED_VALUES_ROW* h = StgGetIdSetHeader(&n);
  EXPECT_EQ(n, 14u);
  EXPECT_EQ(h[13].count, 0u);
  EXPECT_EQ(StgGetAllowedValuesRow(13), nullptr);
  EXPECT_EQ(StgGetAllowedValuesRow(100), nullptr);
  const ALLOWED_VALUES_ROW* r12 = StgGetAllowedValuesRow(12);
  ASSERT_NE(r12, nullptr);
  ASSERT_EQ(r12->count, 1u);
  EXPECT_EQ(r12->values[0], 20);
  EXPECT_TRUE(StgIsValueAllowedByIndex(2, 10009));
  EXPECT_FALSE(StgIsValueAllowedByIndex(2, 10010));
  EXPECT_EQ(StgGetAllowedValuesRow(7)->count, 128u);
  EXPECT_EQ(StgGetAllowedValuesRow(7)->values[127], 10173);
  EXPECT_EQ(StgGetAllowedValuesRow(8)->values[63], 10174);
  EXPECT_FALSE(StgIsValueAllowedByIndex(13, 0));
}

TEST(ModelTables, IdMapsAndLists) {
  EXPECT_EQ(StgGetIdMapTableCount(), 11);
  const SETTING_CONTROL_ROW* r = StgFindSettingControl(37);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->dialogId, 1001);
  EXPECT_EQ(r->controlId, 2001);
  EXPECT_EQ(StgFindSettingControl(38), nullptr);
  const int32_t* fit = StgGetFitPaperListTable();
  EXPECT_EQ(fit[0], 8);
  EXPECT_EQ(fit[3], 0);
  int rows = 0;
  for (const RESOLUTION_ROW* x = StgGetResolutionTable(); x->code; ++x) ++rows;
  EXPECT_EQ(rows, 15);
}

TEST(ModelTables, DeviceQueryMaps) {
  auto count = [](const TRAY_CODE_PAIR* m) {
    int n = 0;
    for (; m->value; ++m) ++n;
    return n;
  };
  EXPECT_EQ(count(StgGetTrayCodeMap7()), 62);
  EXPECT_EQ(count(StgGetTrayCodeMap8()), 35);
  EXPECT_EQ(count(StgGetTrayCodeMap9()), 63);
  for (int n = 1; n <= 6; ++n) {
    EXPECT_EQ(count(StgGetModelTrayCodeMap(n)), 6);
    EXPECT_EQ(StgSelectTrayCodeMap(n), StgGetModelTrayCodeMap(n));
  }
  EXPECT_EQ(StgGetTrayCodeMap(10), nullptr);
  EXPECT_EQ(StgLookupTrayCode(StgGetModelTrayCodeMap1(), 51), 10127u);
  EXPECT_EQ(StgLookupTrayCode(StgGetModelTrayCodeMap6(), 1), 4u);
  EXPECT_EQ(StgLookupTrayCode(StgGetModelTrayCodeMap6(), 99), 0u);
  EXPECT_EQ(StgLookupTrayCode(StgGetTrayCodeMap7(), 0), 2048u);
  // Map 9 names device code 6 twice: the first pair wins.
  EXPECT_EQ(StgLookupTrayCode(StgGetTrayCodeMap9(), 6), 257u);
  // A model map whose first pair is {0, 0} hands over to the default map.
  const TRAY_CODE_PAIR unused[] = {{0, 0}, {10127, 51}};
  const TRAY_CODE_PAIR fallback[] = {{10111, 3}, {0, 0}};
  EXPECT_EQ(StgChooseTrayCodeMap(unused, fallback), fallback);
  EXPECT_EQ(StgChooseTrayCodeMap(StgGetModelTrayCodeMap2(), fallback), StgGetModelTrayCodeMap2());
  EXPECT_EQ(StgGetModelCodeMapCount(), 8);
  EXPECT_EQ(StgGetModelCodeMap(0)[5].settingId, 10296u);
  EXPECT_TRUE(StgIsTrackedDeviceOption(145));
  EXPECT_FALSE(StgIsTrackedDeviceOption(146));
  EXPECT_TRUE(StgIsTrackedDeviceOption(12));
}

TEST(ModelTables, SizeAndMediaTables) {
  EXPECT_EQ(StgGetValueOverrideTable()[0].option, 0u);
  EXPECT_EQ(StgGetModelFreeSizeTableList()[0].table, nullptr);
  EXPECT_EQ(StgGetTrayLockTable()[0].option, 0);
  int rows = 0;
  for (const FREE_SIZE_ROW* f = StgGetDefaultFreeSizeTable(); f->trayKey; ++f) ++rows;
  EXPECT_EQ(rows, 8);
  EXPECT_EQ(StgGetDefaultFreeSizeTable()[4].inchWidthMin, 9921);
  EXPECT_EQ(StgGetDefaultFreeSizeTable()[4].metricWidthMin, 9920);
  const CUSTOM_MEDIA_ROW* c = StgGetCustomMediaTable();
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(c[i].slot, i + 1);
    EXPECT_EQ(c[i].mediaKey, 13708 + i);
    EXPECT_EQ(c[i].selectSetting, sid::wdmCustomMedia1Quot + i);
    EXPECT_EQ(c[i].valueSetting, sid::wdmCustomMedia1Name + i);
    EXPECT_EQ(c[i].flagSetting, sid::wdmMedia1NameCharSet + i);
  }
  EXPECT_EQ(c[16].slot, 0);
}

// ---------------------------------------------------------------------------------------------
// Programming-interface tables

TEST(ExcTables, CommandsAndValueTables) {
  const PJL_COMMAND_TABLE* t = StgGetExcCommandTable();
  ASSERT_EQ(StgGetExcCommandCount(), 35);
  const char* names[] = {"COLLATE", "OUTBIN", "TRAY", "MEMORYSIZE", "USERCODE", "ROLLPAPER1", "ROLLPAPER2",
                         "TRAYPAPER2", "ROLLPAPERORIENT1", "ROLLPAPERORIENT2", "TRAYPAPERORIENT1",
                         "TRAYPAPERORIENT2", "MANUALPAPERORIENT", "ROLLPAPERMEDIA1", "ROLLPAPERMEDIA2",
                         "TRAYPAPERMEDIA1", "TRAYPAPERMEDIA2", "MANUALPAPERMEDIA", "APLPAGESIZE",
                         "APLPAGELAYOUT", "PAPER", "COPIES", "SCALETYPE", "PAPERSCALEH", "PAPERSCALEW",
                         "MARGINODD", "MARGINEVEN", "NUP", "NUPENCLOSURE", "MEDIATYPE", "DSTRESOLUTIONH",
                         "DSTRESOLUTIONW", "SRCRESOLUTIONH", "SRCRESOLUTIONW", "COLORSELECT"};
  for (int i = 0; i < 35; ++i) {
    const PJL_COMMAND_ROW& r = t->rows[i];
    EXPECT_STREQ(r.pjlName, names[i]);
    ASSERT_NE(StgStaticFindItem((WORD)r.setting), nullptr) << r.pjlName;
    EXPECT_EQ(r.variant, 0u);
    if (r.form == PJL_FORM_TABLE) {
      EXPECT_GT(StgGetValueTableCount(r.values), 0) << r.pjlName;
    } else {
      EXPECT_EQ(StgGetValueTableCount(r.values), 0) << r.pjlName;
    }
  }
  EXPECT_EQ(t->rows[23].setting, (uint64_t)sid::rdmScaleV);  // PAPERSCALEH goes to the vertical scale
  EXPECT_EQ(t->rows[24].setting, (uint64_t)sid::rdmScaleH);
  EXPECT_NE(t->rows[23].values, nullptr);
  EXPECT_NE(t->rows[30].values, t->rows[31].values);  // each destination resolution has its own copy
  const int counts[] = {3, 4, 6, 24, 10, 24, 2, 24, 2, 35, 3, 16, 2, 6, 2, 2, 1};
  ASSERT_EQ(StgGetValueTableTotal(), 17);
  for (int i = 0; i < 17; ++i) EXPECT_EQ(StgGetValueTableCount(StgGetValueTableAt(i)), counts[i]) << i;
  EXPECT_EQ(StgGetValueTableCount(t), 0);
  EXPECT_EQ(StgGetValueTableCount(nullptr), 0);
  // TRAY: TRAY2 and TRAY3 carry 295 under different conditions.
  const PJL_VALUE_TABLE* tray = (const PJL_VALUE_TABLE*)t->rows[2].values;
  EXPECT_STREQ(tray->rows[3].text, "TRAY2");
  EXPECT_EQ(tray->rows[3].value, 295u);
  EXPECT_EQ(tray->rows[4].value, 295u);
  ASSERT_NE(tray->rows[3].condition, nullptr);
  EXPECT_EQ(tray->rows[3].condition->settingId, 10034u);
  EXPECT_EQ(tray->rows[3].condition->join, 1u);
  EXPECT_EQ(tray->rows[3].condition->next->settingId, 10035u);
  // PAPER: ten alternate custom slots after CUSTOM 448.
  const PJL_VALUE_TABLE* paper = (const PJL_VALUE_TABLE*)t->rows[20].values;
  EXPECT_EQ(paper->rows[24].value, 448u);
  for (int i = 25; i < 35; ++i) EXPECT_EQ(paper->rows[i].flags, PJL_VALUE_ALTERNATE);
  // NUP: each value sets the post kind first, then the N-up switch; OFF sets the switch only.
  const PJL_VALUE_TABLE* nup = (const PJL_VALUE_TABLE*)t->rows[27].values;
  EXPECT_EQ(nup->rows[3].assignments->settingId, 91u);
  EXPECT_EQ(nup->rows[3].assignments->value, 2u);
  EXPECT_EQ(nup->rows[3].assignments->next->settingId, 56u);
  EXPECT_EQ(nup->rows[15].flags, PJL_VALUE_OFF);
  EXPECT_EQ(nup->rows[15].assignments->next, nullptr);
}

TEST(ExcTables, SmallTablesAndWatermarkItems) {
  EXPECT_EQ(StgGetExcCheckTableCount(), 4);
  EXPECT_EQ(StgGetExcCheckTable()->ids[0], 8u);
  EXPECT_EQ(StgGetExcCheckTable()->ids[3], 13u);
  EXPECT_EQ(StgGetExcAuxTableCount(), 1);
  EXPECT_EQ(StgGetExcAuxTable()->rows[0].position, 61u);
  EXPECT_EQ(StgGetExcAuxTable()->rows[0].alias, 119u);
  ASSERT_EQ(StgGetWatermarkItemCount(), 18);
  const WATERMARK_ITEM_ROW* w = StgGetWatermarkItemTable()->rows;
  EXPECT_EQ(w[0].setting, (DWORD)sid::wdmWmChar);
  EXPECT_EQ(w[5].valueKind, PJL_KIND_FIXED_LINE);
  EXPECT_EQ(w[2].skip, 2u);
  EXPECT_EQ(w[17].setting, (DWORD)sid::wdmWmColorB);
  for (int i = 0; i < 18; ++i)
    if (w[i].valueKind != PJL_KIND_FIXED_LINE) { EXPECT_NE(StgStaticFindItem((WORD)w[i].setting), nullptr); }
  EXPECT_STREQ(StgGetWatermarkItemName(0), "WMKORDER");
  EXPECT_STREQ(StgGetWatermarkItemName(1), "PAPER");
  EXPECT_EQ(StgGetWatermarkItemName(2), nullptr);
}

}  // namespace
