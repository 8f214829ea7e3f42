// The all-capabilities record: every capability the supported status ids call for, asked one by one
// through the export path, gathered into one block below 4 GiB that is handed out as a 32-bit value.
#include <climits>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <set>

#include "api_caps.h"
#include "api_frame.h"
#include "kvplat/heap.h"

namespace {

enum Kind : BYTE { kValue, kList, kPair16, kPair32 };

// One capability of the record: its fields, the status id whose bit admits it and the lowest API version
// that has it. A list's entries are `entry` bytes each.
struct Field {
  DWORD caps;
  Kind kind;
  WORD statusId;
  BYTE minVersion;
  WORD first;   // value, count, or the pair's first number
  WORD second;  // list, or the pair's second number
  WORD entry;
};
#define F(field) offsetof(ALL_CAPS_RECORD, field)

// In the order they are asked.
constexpr Field kFields[] = {
    {1, kValue, 1, 0, F(cap1), 0, 0},
    {2, kList, 2, 0, F(cap2Count), F(cap2List), 4},
    {3, kList, 2, 0, F(cap3Count), F(cap3Names), 24},
    {4, kList, 3, 0, F(cap4Count), F(cap4List), 4},
    {5, kList, 3, 0, F(cap5Count), F(cap5Names), 64},
    {127, kList, 3, 16, F(cap127Count), F(cap127Names), 260},
    {6, kList, 4, 0, F(cap6Count), F(cap6List), 4},
    {7, kList, 4, 0, F(cap7Count), F(cap7Names), 64},
    {8, kValue, 5, 0, F(cap8), 0, 0},
    {107, kList, 5, 14, F(cap107Count), F(cap107List), 4},
    {9, kValue, 6, 0, F(cap9), 0, 0},
    {10, kList, 7, 0, F(cap10Count), F(cap10List), 4},
    {11, kList, 7, 0, F(cap11Count), F(cap11Names), 64},
    {12, kList, 7, 0, F(cap12Count), F(cap12Sizes), 8},
    {13, kPair16, 7, 0, F(cap13Width), F(cap13Length), 0},
    {14, kPair16, 7, 0, F(cap14Width), F(cap14Length), 0},
    {124, kPair32, 7, 16, F(cap124Width), F(cap124Length), 0},
    {125, kPair32, 7, 16, F(cap125Width), F(cap125Length), 0},
    {15, kList, 8, 0, F(cap15Count), F(cap15List), 4},
    {16, kList, 8, 0, F(cap16Count), F(cap16Names), 64},
    {17, kValue, 9, 0, F(cap17), 0, 0},
    {18, kList, 10, 0, F(cap18Count), F(cap18List), 4},
    {19, kValue, 11, 0, F(cap19), 0, 0},
    {20, kPair16, 11, 0, F(cap20H), F(cap20V), 0},
    {21, kPair16, 11, 0, F(cap21H), F(cap21V), 0},
    {22, kValue, 12, 0, F(cap22), 0, 0},
    {23, kValue, 13, 0, F(cap23), 0, 0},
    {24, kValue, 14, 0, F(cap24), 0, 0},
    {105, kList, 14, 14, F(cap105Count), F(cap105List), 4},
    {106, kList, 14, 14, F(cap106Count), F(cap106List), 4},
    {25, kValue, 15, 0, F(cap25), 0, 0},
    {26, kValue, 15, 0, F(cap26), 0, 0},
    {27, kValue, 15, 0, F(cap27), 0, 0},
    {28, kValue, 15, 0, F(cap28), 0, 0},
    {29, kValue, 15, 0, F(cap29), 0, 0},
    {103, kList, 15, 14, F(cap103Count), F(cap103List), 4},
    {104, kList, 15, 14, F(cap104Count), F(cap104List), 4},
    {30, kList, 16, 0, F(cap30Count), F(cap30List), 4},
    {31, kValue, 17, 0, F(cap31), 0, 0},
    {32, kList, 17, 0, F(cap32Count), F(cap32List), 4},
    {33, kList, 17, 0, F(cap33Count), F(cap33Names), 64},
    {34, kValue, 18, 0, F(cap34), 0, 0},
    {35, kValue, 18, 0, F(cap35), 0, 0},
    {36, kValue, 18, 0, F(cap36), 0, 0},
    {37, kValue, 18, 0, F(cap37), 0, 0},
    {38, kValue, 18, 0, F(cap38), 0, 0},
    {39, kList, 19, 0, F(cap39Count), F(cap39List), 4},
    {40, kList, 20, 0, F(cap40Count), F(cap40List), 4},
    {41, kList, 21, 0, F(cap41Count), F(cap41List), 4},
    {42, kValue, 22, 0, F(cap42), 0, 0},
    {43, kValue, 23, 0, F(cap43), 0, 0},
    {44, kValue, 24, 0, F(cap44), 0, 0},
    {45, kList, 25, 0, F(cap45Count), F(cap45List), 4},
    {46, kValue, 26, 0, F(cap46), 0, 0},
    {47, kList, 27, 0, F(cap47Count), F(cap47List), 4},
    {48, kValue, 28, 0, F(cap48), 0, 0},
    {101, kValue, 28, 14, F(cap101), 0, 0},
    {102, kValue, 28, 14, F(cap102), 0, 0},
    {49, kValue, 29, 0, F(cap49), 0, 0},
    {50, kValue, 30, 0, F(cap50), 0, 0},
    {51, kValue, 31, 0, F(cap51), 0, 0},
    {52, kValue, 32, 0, F(cap52), 0, 0},
    {53, kValue, 33, 0, F(cap53), 0, 0},
    {54, kList, 34, 0, F(cap54Count), F(cap54List), 4},
    {55, kValue, 35, 0, F(cap55), 0, 0},
    {56, kList, 13, 0, F(cap56Count), F(cap56List), 4},
    {57, kValue, 36, 0, F(cap57), 0, 0},
    {66, kList, 20, 6, F(cap66Count), F(cap66List), 4},
    {67, kList, 21, 6, F(cap67Count), F(cap67List), 4},
    {60, kValue, 38, 6, F(cap60), 0, 0},
    {257, kValue, 257, 6, F(cap257), 0, 0},
    {61, kList, 39, 6, F(cap61Count), F(cap61List), 4},
    {62, kValue, 40, 6, F(cap62), 0, 0},
    {258, kValue, 40, 6, F(cap258), 0, 0},
    {259, kValue, 40, 6, F(cap259), 0, 0},
    {63, kValue, 41, 6, F(cap63), 0, 0},
    {260, kValue, 41, 6, F(cap260), 0, 0},
    {261, kValue, 41, 6, F(cap261), 0, 0},
    {64, kValue, 42, 6, F(cap64), 0, 0},
    {262, kValue, 42, 6, F(cap262), 0, 0},
    {263, kValue, 42, 6, F(cap263), 0, 0},
    {65, kValue, 43, 6, F(cap65), 0, 0},
    {264, kValue, 43, 6, F(cap264), 0, 0},
    {265, kValue, 43, 6, F(cap265), 0, 0},
    {270, kValue, 258, 6, F(cap270), 0, 0},
    {266, kList, 259, 6, F(cap266Count), F(cap266List), 4},
    {267, kList, 259, 6, F(cap267Count), F(cap267Names), 64},
    {268, kList, 260, 6, F(cap268Count), F(cap268List), 4},
    {269, kList, 260, 6, F(cap269Count), F(cap269Names), 64},
    {271, kList, 261, 6, F(cap271Count), F(cap271List), 4},
    {272, kList, 261, 6, F(cap272Count), F(cap272Names), 64},
    {69, kValue, 45, 6, F(cap69), 0, 0},
    {273, kValue, 263, 6, F(cap273), 0, 0},
    {274, kValue, 264, 6, F(cap274), 0, 0},
    {275, kList, 264, 6, F(cap275Count), F(cap275List), 4},
    {70, kValue, 46, 6, F(cap70), 0, 0},
    {71, kValue, 47, 6, F(cap71), 0, 0},
    {72, kValue, 48, 6, F(cap72), 0, 0},
    {73, kValue, 49, 6, F(cap73), 0, 0},
    {74, kValue, 50, 6, F(cap74), 0, 0},
    {75, kList, 51, 6, F(cap75Count), F(cap75List), 4},
    {76, kValue, 19, 6, F(cap76), 0, 0},
    {77, kList, 16, 6, F(cap77Count), F(cap77List), 4},
    {78, kValue, 16, 6, F(cap78), 0, 0},
    {79, kValue, 47, 6, F(cap79), 0, 0},
    {80, kValue, 52, 6, F(cap80), 0, 0},
    {81, kValue, 53, 6, F(cap81), 0, 0},
    {82, kValue, 54, 6, F(cap82), 0, 0},
    {84, kValue, 55, 6, F(cap84), 0, 0},
    {85, kList, 56, 6, F(cap85Count), F(cap85List), 4},
    {86, kList, 56, 6, F(cap86Count), F(cap86Names), 64},
    {87, kValue, 57, 6, F(cap87), 0, 0},
    {88, kValue, 58, 6, F(cap88), 0, 0},
    {89, kValue, 59, 6, F(cap89), 0, 0},
    {90, kValue, 59, 6, F(cap90), 0, 0},
    {91, kValue, 59, 6, F(cap91), 0, 0},
    {92, kList, 60, 6, F(cap92Count), F(cap92List), 4},
    {93, kList, 61, 6, F(cap93Count), F(cap93List), 4},
    {94, kValue, 62, 6, F(cap94), 0, 0},
    {95, kValue, 63, 6, F(cap95), 0, 0},
    {96, kValue, 64, 6, F(cap96), 0, 0},
    {97, kValue, 65, 6, F(cap97), 0, 0},
    {98, kValue, 66, 6, F(cap98), 0, 0},
    {99, kValue, 67, 6, F(cap99), 0, 0},
    {100, kValue, 67, 6, F(cap100), 0, 0},
    {108, kValue, 68, 6, F(cap108), 0, 0},
    {109, kList, 68, 6, F(cap109Count), F(cap109List), 4},
    {110, kValue, 69, 6, F(cap110), 0, 0},
    {111, kValue, 70, 6, F(cap111), 0, 0},
    {112, kValue, 71, 6, F(cap112), 0, 0},
    {113, kValue, 71, 6, F(cap113), 0, 0},
    {114, kValue, 71, 6, F(cap114), 0, 0},
    {115, kValue, 71, 6, F(cap115), 0, 0},
    {116, kValue, 71, 6, F(cap116), 0, 0},
    {117, kValue, 72, 6, F(cap117), 0, 0},
    {118, kValue, 73, 6, F(cap118), 0, 0},
    {119, kValue, 74, 6, F(cap119), 0, 0},
    {120, kValue, 75, 6, F(cap120), 0, 0},
    {121, kValue, 76, 6, F(cap121), 0, 0},
    {122, kValue, 77, 6, F(cap122), 0, 0},
    {123, kValue, 78, 6, F(cap123), 0, 0},
    {83, kValue, 10, 6, F(cap83), 0, 0},
    {276, kValue, 265, 6, F(cap276), 0, 0},
    {277, kList, 266, 6, F(cap277Count), F(cap277List), 4},
    {278, kList, 267, 6, F(cap278Count), F(cap278List), 4},
    {279, kList, 267, 6, F(cap279Count), F(cap279Names), 64},
    {280, kValue, 268, 6, F(cap280), 0, 0},
    {281, kList, 269, 6, F(cap281Count), F(cap281List), 4},
    {282, kList, 269, 6, F(cap282Count), F(cap282Names), 64},
    {126, kValue, 79, 6, F(cap126), 0, 0},
};
#undef F
static_assert(sizeof kFields / sizeof kFields[0] == 150);

// The records built and not yet freed: only these are freed.
std::mutex& RegistryMu() {
  static std::mutex m;
  return m;
}
std::set<const void*>& Registry() {
  static auto* r = new std::set<const void*>();
  return *r;
}

template <typename T>
T& At(ALL_CAPS_RECORD* rec, size_t offset) {
  return *reinterpret_cast<T*>(reinterpret_cast<BYTE*>(rec) + offset);
}

// Frees what a record points to, then the record.
void FreeRecord(ALL_CAPS_RECORD* rec) {
  KvFreeLow(rec->statusIdMap);
  for (const Field& f : kFields)
    if (f.kind == kList) KvFreeLow(At<void*>(rec, f.second));
  KvFreeLow(rec);
}

// A list capability: the count, a block of that many entries, the fill bounded by the block. False when
// the record cannot be completed (no memory, or a fill that found nothing after a count above 0).
bool FillList(API_HANDLE handle, ALL_CAPS_RECORD* rec, const Field& f) {
  int n = ApiGetCapsWithin(handle, f.caps, nullptr, INT_MAX);
  // Nothing to list, or a list the capability cannot give (capability 45 on this model, or a setting the
  // model lacks): the count stays 0 and the list NULL, and the record goes on.
  if (n <= 0) return true;
  void* block = KvAllocLow((SIZE_T)n * f.entry);
  if (!block) return false;
  int got = ApiGetCapsWithin(handle, f.caps, block, n);
  if (got < 1) {
    KvFreeLow(block);
    return false;
  }
  At<int32_t>(rec, f.first) = got;
  At<void*>(rec, f.second) = block;
  return true;
}

void FillPair(API_HANDLE handle, ALL_CAPS_RECORD* rec, const Field& f) {
  int32_t pair[2] = {};
  ApiGetCapsWithin(handle, f.caps, pair, 1);
  if (f.kind == kPair16) {
    int16_t half[2];
    std::memcpy(half, pair, sizeof half);
    At<int16_t>(rec, f.first) = half[0];
    At<int16_t>(rec, f.second) = half[1];
  } else {
    At<int32_t>(rec, f.first) = pair[0];
    At<int32_t>(rec, f.second) = pair[1];
  }
}

bool Build(API_HANDLE handle, ALL_CAPS_RECORD* rec) {
  int length = ApiGetCapsWithin(handle, 0, nullptr, INT_MAX);
  if (length <= 0) return false;
  rec->statusIdMap = static_cast<uint8_t*>(KvAllocLow((SIZE_T)length));
  if (!rec->statusIdMap) return false;
  if (ApiGetCapsWithin(handle, 0, rec->statusIdMap, length) < 1) return false;
  int version = ApiGetVersion(ApiFindConnection(handle)->ctx);
  // Capabilities 32-33, 35-38 and 113-116 are asked only when 31, 34 and 112 answer non-zero.
  bool watermark = true, shift = true, creep = true;
  for (const Field& f : kFields) {
    if (version < f.minVersion || !ApiMaskHas(rec->statusIdMap, f.statusId) || f.statusId > (DWORD)length * 8)
      continue;
    if (((f.caps == 32 || f.caps == 33) && !watermark) || (f.caps >= 35 && f.caps <= 38 && !shift) ||
        (f.caps >= 113 && f.caps <= 116 && !creep))
      continue;
    switch (f.kind) {
      case kValue: {
        int v = ApiGetCapsWithin(handle, f.caps, nullptr, INT_MAX);
        At<int32_t>(rec, f.first) = v;
        if (f.caps == 31) watermark = v != 0;
        if (f.caps == 34) shift = v != 0;
        if (f.caps == 112) creep = v != 0;
        break;
      }
      case kList:
        if (!FillList(handle, rec, f)) return false;
        // The stamps follow from capability 31: with watermarks on, an empty stamp list is a failure.
        if ((f.caps == 32 || f.caps == 33) && At<int32_t>(rec, f.first) < 1) return false;
        break;
      case kPair16:
      case kPair32:
        FillPair(handle, rec, f);
        break;
    }
  }
  return true;
}

}  // namespace

int ApiBuildAllCaps(API_HANDLE handle, void*) {
  if (!ApiFindConnection(handle)) return 0;
  auto* rec = static_cast<ALL_CAPS_RECORD*>(KvAllocLow(sizeof(ALL_CAPS_RECORD)));
  if (!rec) {
    ApiSetLastError(handle, API_ERROR_GENERAL);
    return 0;
  }
  if (!Build(handle, rec)) {
    FreeRecord(rec);
    ApiSetLastError(handle, API_ERROR_GENERAL);
    return 0;
  }
  {
    std::lock_guard<std::mutex> lock(RegistryMu());
    Registry().insert(rec);
  }
  return (int)(uint32_t)(uintptr_t)rec;
}

int ApiFreeAllCaps(API_HANDLE, void* buffer) {
  if (!buffer) return 1;
  {
    std::lock_guard<std::mutex> lock(RegistryMu());
    if (!Registry().erase(buffer)) return 1;
  }
  FreeRecord(static_cast<ALL_CAPS_RECORD*>(buffer));
  return 1;
}
