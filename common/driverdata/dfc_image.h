// The compiled driver data image: the header, the records of its three areas and the helpers that read
// and write them. The same bytes are the ".BCS" file beside the driver data file, so every size and
// offset here is pinned. References are 8 bytes: 0 (none), a plain offset from the image start, or,
// inside the rule area, a tagged offset (offset * 16 + 1); after relocation, addresses.
//
// Records after a PickSlot paper list may start at any even offset, so image bytes are read and written
// only through the memcpy accessors below, never through a cast to a record type.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kvplat/types.h"

static_assert(sizeof(void*) == 8, "the image stores 8-byte references");
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the image is little-endian");

namespace dfc {

// ---- header ----------------------------------------------------------------------------------------
struct COMPILED_IMAGE_HEADER {
  WCHAR FileVersion[16];
  uint32_t TotalLength;
  uint32_t Reserved;
  uint64_t FeatureList;
  uint64_t NodeSlot[1977];
  uint64_t UIResDLLName;
  uint64_t ExcDepDLLName;
  uint64_t JobStart;
  uint64_t JobEnd;
  uint64_t DocReset;
  uint64_t PageStart;
  uint64_t PageEnd;
  uint64_t DeviceFonts;
  uint64_t FontCartridge;
  uint64_t RuleList;
  int32_t DeviceFontCount;
  int32_t CartridgeCount;
};
static_assert(sizeof(COMPILED_IMAGE_HEADER) == 15952);
static_assert(offsetof(COMPILED_IMAGE_HEADER, TotalLength) == 32);
static_assert(offsetof(COMPILED_IMAGE_HEADER, FeatureList) == 40);
static_assert(offsetof(COMPILED_IMAGE_HEADER, NodeSlot) == 48);
static_assert(offsetof(COMPILED_IMAGE_HEADER, UIResDLLName) == 15864);
static_assert(offsetof(COMPILED_IMAGE_HEADER, ExcDepDLLName) == 15872);
static_assert(offsetof(COMPILED_IMAGE_HEADER, JobStart) == 15880);
static_assert(offsetof(COMPILED_IMAGE_HEADER, JobEnd) == 15888);
static_assert(offsetof(COMPILED_IMAGE_HEADER, DocReset) == 15896);
static_assert(offsetof(COMPILED_IMAGE_HEADER, PageStart) == 15904);
static_assert(offsetof(COMPILED_IMAGE_HEADER, PageEnd) == 15912);
static_assert(offsetof(COMPILED_IMAGE_HEADER, DeviceFonts) == 15920);
static_assert(offsetof(COMPILED_IMAGE_HEADER, FontCartridge) == 15928);
static_assert(offsetof(COMPILED_IMAGE_HEADER, RuleList) == 15936);
static_assert(offsetof(COMPILED_IMAGE_HEADER, DeviceFontCount) == 15944);
static_assert(offsetof(COMPILED_IMAGE_HEADER, CartridgeCount) == 15948);

constexpr uint32_t kHeaderSize = 15952;
constexpr uint32_t kSlotCount = 1977;
// Group slots in header order.
enum GroupSlot { kJobStart = 0, kJobEnd = 1, kDocReset = 2, kPageStart = 3, kPageEnd = 4, kGroupCount = 5 };
constexpr uint32_t kGroupOffset[kGroupCount] = {
    offsetof(COMPILED_IMAGE_HEADER, JobStart), offsetof(COMPILED_IMAGE_HEADER, JobEnd),
    offsetof(COMPILED_IMAGE_HEADER, DocReset), offsetof(COMPILED_IMAGE_HEADER, PageStart),
    offsetof(COMPILED_IMAGE_HEADER, PageEnd)};

// Slot index of a setting id, or -1 when the id has no slot.
constexpr int SlotIndex(uint32_t id) {
  if (id >= 1 && id <= 696) return int(id - 1);
  if (id >= 10001 && id <= 10434) return int(696 + (id - 10001));
  if (id >= 697 && id <= 1543) return int(1130 + (id - 697));
  return -1;
}
constexpr uint32_t SlotOffset(int index) { return 48 + 8 * uint32_t(index); }
static_assert(SlotOffset(SlotIndex(1)) == 48 && SlotOffset(SlotIndex(696)) == 5608);
static_assert(SlotOffset(SlotIndex(10001)) == 5616 && SlotOffset(SlotIndex(10434)) == 9080);
static_assert(SlotOffset(SlotIndex(697)) == 9088 && SlotOffset(SlotIndex(1543)) == 15856);
static_assert(SlotIndex(1544) == -1 && SlotIndex(10435) == -1 && SlotIndex(0) == -1);

// ---- feature area -------------------------------------------------------------------------------------
struct IMAGE_NODE {
  uint64_t next;
  uint64_t commands;
  uint64_t rule;
  uint64_t options;
  uint16_t key;
  uint16_t variant;
  uint16_t settingId;
  uint16_t type;
  uint16_t defaultIndex;
  uint8_t zero[6];
};
static_assert(sizeof(IMAGE_NODE) == 48 && offsetof(IMAGE_NODE, key) == 32 && offsetof(IMAGE_NODE, type) == 38 &&
              offsetof(IMAGE_NODE, defaultIndex) == 40);

struct IMAGE_OPTION {  // PickOne / PickMany: 24 bytes
  uint64_t next;
  uint64_t value;
  uint64_t command;
};
struct IMAGE_OPTION_PAGE {  // PickPage: 40 bytes
  uint64_t next;
  uint64_t value;
  uint64_t command;
  int32_t width;
  int32_t length;
  uint64_t areas;
};
struct IMAGE_OPTION_SLOT {  // PickSlot: 40 bytes
  uint64_t next;
  uint64_t value;
  uint64_t command;
  int32_t count;
  uint32_t zero;
  uint64_t papers;
};
struct IMAGE_OPTION_FONT {  // FontTbl: 48 bytes
  uint64_t next;
  uint64_t value;
  uint64_t command;
  int32_t count;
  uint32_t zero;
  uint64_t trueTypeNames;
  uint64_t deviceNames;
};
static_assert(sizeof(IMAGE_OPTION) == 24 && sizeof(IMAGE_OPTION_PAGE) == 40 && sizeof(IMAGE_OPTION_SLOT) == 40 &&
              sizeof(IMAGE_OPTION_FONT) == 48);
static_assert(offsetof(IMAGE_OPTION_PAGE, width) == 24 && offsetof(IMAGE_OPTION_PAGE, areas) == 32);
static_assert(offsetof(IMAGE_OPTION_SLOT, count) == 24 && offsetof(IMAGE_OPTION_SLOT, papers) == 32);
static_assert(offsetof(IMAGE_OPTION_FONT, trueTypeNames) == 32 && offsetof(IMAGE_OPTION_FONT, deviceNames) == 40);

struct PAGE_AREA {
  uint64_t next;
  int16_t resolution;
  int16_t orientation;
  uint16_t conditionKey;
  int16_t conditionValue;
  int32_t left, top, width, length, valueA, valueB;
};
static_assert(sizeof(PAGE_AREA) == 40 && offsetof(PAGE_AREA, conditionKey) == 12 && offsetof(PAGE_AREA, left) == 16 &&
              offsetof(PAGE_AREA, valueB) == 36);

struct BOOLEAN_VALUE {
  int64_t defaultValue;
  uint64_t trueCommand;
  uint64_t falseCommand;
};
struct NUMERIC_VALUE {
  int16_t lead, number1, number5, number6, number7, number8;
  int32_t defaultValue, minimum, maximum;
};
struct STRING_VALUE {
  int16_t defaultValue, maxLength, kind, flags;
};
struct OPTION_COMMAND_PAIR {
  uint64_t first;
  uint64_t second;
};
static_assert(sizeof(BOOLEAN_VALUE) == 24 && sizeof(NUMERIC_VALUE) == 24 && sizeof(STRING_VALUE) == 8 &&
              sizeof(OPTION_COMMAND_PAIR) == 16);
static_assert(offsetof(NUMERIC_VALUE, defaultValue) == 12 && offsetof(NUMERIC_VALUE, maximum) == 20);

// ---- rule area ----------------------------------------------------------------------------------------
struct RULE_CELL {
  uint16_t kind;
  uint16_t value;
};
static_assert(sizeof(RULE_CELL) == 4);
enum : uint16_t { kCellSetting = 1, kCellConstant = 2, kCellOperator = 3, kCellGroupEnd = 4 };
enum : uint16_t {
  kOpEq = 1, kOpNe = 2, kOpAnd = 3, kOpOr = 4, kOpNot = 5, kOpGt = 6, kOpLt = 7, kOpGe = 8, kOpLe = 9, kOpEnd = 10
};

struct ITEM_ENTRY {
  uint64_t next, judge1, judge2, judge3;
  uint16_t option;
  uint8_t zero[6];
};
struct ACTION_ENTRY {
  uint64_t next;
  uint16_t targetId;
  uint16_t targetKind;
  uint32_t zero1;
  uint32_t value;
  uint32_t zero2;
};
struct TRANSACT_ENTRY {
  uint64_t next, judge, action;
};
struct ALERT_ACTION_ENTRY {
  uint64_t next;
  uint16_t answerKey;
  uint8_t zero1[6];
  uint64_t transact;
  uint16_t dialogId;
  uint16_t controlId;
  uint32_t zero2;
};
struct ALERT_ENTRY {
  uint64_t next, judge;
  uint16_t messageKey, icon, buttons, timing;
  uint64_t alertAction;
};
struct RULE_ROW {
  uint64_t next, judgeA, judgeB, items, alerts, transactA, transactB, judgeC;
  uint16_t key;
  uint8_t zero[6];
};
static_assert(sizeof(ITEM_ENTRY) == 40 && offsetof(ITEM_ENTRY, option) == 32);
static_assert(sizeof(ACTION_ENTRY) == 24 && offsetof(ACTION_ENTRY, value) == 16);
static_assert(sizeof(TRANSACT_ENTRY) == 24);
static_assert(sizeof(ALERT_ACTION_ENTRY) == 32 && offsetof(ALERT_ACTION_ENTRY, transact) == 16 &&
              offsetof(ALERT_ACTION_ENTRY, dialogId) == 24);
static_assert(sizeof(ALERT_ENTRY) == 32 && offsetof(ALERT_ENTRY, messageKey) == 16 &&
              offsetof(ALERT_ENTRY, alertAction) == 24);
static_assert(sizeof(RULE_ROW) == 72 && offsetof(RULE_ROW, key) == 64);

// ---- string area --------------------------------------------------------------------------------------
struct COMMAND_BLOCK {
  uint64_t condition, thenList, elseList;
};
struct COMMAND_ENTRY_GROUP {  // kind 1
  uint64_t next, kind;
  uint16_t itemKey;
  int16_t number;
  uint32_t zero;
};
struct COMMAND_ENTRY_STRING {  // kind 2
  uint64_t next, kind, length, text;
};
struct COMMAND_ENTRY_BLOCK {  // kind 3
  uint64_t next, kind, block;
};
struct COMMAND_ENTRY_FONT {  // kind 4
  uint64_t next, kind;
};
struct FONT_ENTRY {
  int32_t id;
  uint32_t zero;
  uint64_t name;
};
static_assert(sizeof(COMMAND_BLOCK) == 24 && sizeof(COMMAND_ENTRY_GROUP) == 24 && sizeof(COMMAND_ENTRY_STRING) == 32 &&
              sizeof(COMMAND_ENTRY_BLOCK) == 24 && sizeof(COMMAND_ENTRY_FONT) == 16 && sizeof(FONT_ENTRY) == 16);
static_assert(offsetof(COMMAND_ENTRY_GROUP, number) == 18 && offsetof(COMMAND_ENTRY_STRING, text) == 24);

// Node types and their flag bits.
enum : uint16_t {
  kTypePickOne = 1, kTypePickMany = 2, kTypeBoolean = 4, kTypeNumeric = 8, kTypeString = 0x10,
  kTypePickPage = 0x101, kTypePickSlot = 0x201, kTypeFontTbl = 0x401, kTypeIdentity = 0x1000,
  kTypeUnknown = 0x2000
};
constexpr uint16_t BaseType(uint16_t type) { return uint16_t(type & ~(kTypeIdentity | kTypeUnknown)); }

// ---- byte accessors -------------------------------------------------------------------------------------
template <class T>
inline T Get(const void* base, size_t off) {
  T v;
  std::memcpy(&v, static_cast<const uint8_t*>(base) + off, sizeof(T));
  return v;
}
template <class T>
inline void Put(void* base, size_t off, T v) {
  std::memcpy(static_cast<uint8_t*>(base) + off, &v, sizeof(T));
}
constexpr uint64_t Tag(uint64_t off) { return off * 16 + 1; }

// A field of a pinned record: its offset, and its value read from a record at an address (a relocated
// image). Readers name the record and the field instead of counting bytes.
#define DFC_OFF(Rec, field) offsetof(::dfc::Rec, field)
#define DFC_GET(at, Rec, field) DFC_GET_AS(decltype(::dfc::Rec::field), at, Rec, field)
// The same, reading only the first sizeof(T) bytes of the field (a field wider than its values).
#define DFC_GET_AS(T, at, Rec, field) ::dfc::Get<T>(reinterpret_cast<const void*>(uintptr_t(at)), DFC_OFF(Rec, field))

// Bounds-checked reads of image bytes in offset form, for every walk over an image that is not yet known
// to be sound: a read that does not lie wholly inside the image gives 0 and clears inBounds, so one test
// after the walk tells whether every read was inside.
struct IMAGE_READER {
  const uint8_t* img;
  size_t len;
  mutable bool inBounds = true;

  template <class T>
  T At(uint64_t off) const {
    if (off > len || sizeof(T) > len - off) {
      inBounds = false;
      return T{};
    }
    return Get<T>(img, size_t(off));
  }
};

// Padded sizes of strings in the image.
constexpr uint32_t AnsiSize(size_t n) { return uint32_t((n + 8) / 8 * 8); }
constexpr uint32_t WideSize(size_t n) { return uint32_t((2 * n + 9) / 8 * 8); }
static_assert(AnsiSize(7) == 8 && AnsiSize(8) == 16 && AnsiSize(0) == 8);
static_assert(WideSize(3) == 8 && WideSize(4) == 16);

}  // namespace dfc
