// Shared by the judge sources: the cached setting getters and the few reads every judge makes.
#pragma once
#include <cstddef>
#include <initializer_list>

#include "driverdata/rule_judges.h"
#include "kvplat/types.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/setting_ids.h"

namespace rule_judge {

// The settings the judges read most. Each has a slot in the context's work area that keeps its
// dictionary row after the first read, so later reads skip the look-up.
inline constexpr WORD kCachedIds[] = {
    // layout and finishing
    sid::dmOrientation, sid::dmDefaultSource, sid::rdmCoverInputTray, sid::rdmMPInputTray,
    sid::rdmFuncSelectStaple, sid::rdmStapleType, sid::rdmFuncSelectPunch, sid::rdmPunchType,
    sid::rdmFuncSelectNup, sid::rdmNUPType, sid::rdmFuncSelectDuplex, sid::rdmDuplexType, sid::rdmFoldingType,
    sid::rdmFoldingLongFanType,
    // trays: paper, orientation, lock
    sid::rdmTray1Paper, sid::rdmTrayOrient0, sid::rdmTrayLock0, sid::rdmTray2Paper, sid::rdmTrayOrient1,
    sid::rdmTrayLock1, sid::rdmTray3Paper, sid::rdmTrayOrient2, sid::rdmTrayLock2, sid::rdmTray4Paper,
    sid::rdmTrayOrient3, sid::rdmTrayLock3, sid::rdmTray5Paper, sid::rdmTrayOrient4, sid::rdmTrayLock4,
    sid::rdmTray6Paper, sid::rdmTrayOrient5, sid::rdmTrayLock5, sid::rdmTray7Paper, sid::rdmTrayOrient6,
    sid::rdmTrayLock6, sid::rdmTray26PaperLCT1, sid::rdmTrayOrient25, sid::rdmTrayLock25,
    sid::rdmTray28PaperManual, sid::rdmTrayOrient27, sid::rdmTrayLock27, sid::rdmTray29PaperMulti,
    sid::rdmTrayOrient28, sid::rdmTrayLock28, sid::rdmTray30PaperExt1, sid::rdmTrayOrient29,
    sid::rdmTray17Paper, sid::rdmTrayOrient16, sid::rdmTrayLock16, sid::rdmTray18Paper, sid::rdmTrayOrient17,
    sid::rdmTrayLock17, sid::rdmTray19Paper, sid::rdmTrayOrient18, sid::rdmTrayLock18, sid::rdmTray20Paper,
    sid::rdmTrayOrient19, sid::rdmTrayLock19, sid::rdmTray15Paper, sid::rdmTrayOrient14, sid::rdmTrayLock14,
    sid::rdmTray16Paper, sid::rdmTrayOrient15, sid::rdmTrayLock15,
    // source options
    sid::rdmSourceOptionTypeManual, sid::rdmSourceOptionTypeMulti, sid::rdmSourceOptionTypeLCT1,
    // output options
    sid::rdmOutputOptionTypeFin2000, sid::rdmOutputOptionTypeFin2000NA, sid::rdmOutputOptionTypeFin2000EU,
    sid::rdmOutputOptionTypeFin2000NE, sid::rdmOutputOptionTypeFin2000NoPunch, sid::rdmOutputOptionTypeFin3000,
    sid::rdmOutputOption2TypeFin3000NA2, sid::rdmOutputOption2TypeFin3000EU2, sid::rdmOutputOption2TypeFin3000NA3,
    sid::rdmOutputOption2TypeFin3000NoPunch, sid::rdmOutputOptionTypeFin1000, sid::rdmOutputOptionTypeFinBF,
    sid::rdmOutputOptionType14, sid::rdmOutputOptionType15, sid::rdmOutputOption2TypeFinMF,
    sid::rdmOutputOption2TypeFIN1NA, sid::rdmOutputOption2TypeFIN1EU, sid::rdmOutputOption2TypeFIN1NE,
    sid::rdmOutputOption2TypeFIN1NoPunch, sid::rdmOutputOption2TypeFIN2NA, sid::rdmOutputOption2TypeFIN2EU,
    sid::rdmOutputOption2TypeFIN2NE, sid::rdmOutputOption2TypeFIN2NoPunch, sid::rdmOutputOption2TypeFIN4NA2,
    sid::rdmOutputOption2TypeFIN4EU, sid::rdmOutputOption2TypeFIN4NE, sid::rdmOutputOption2TypeFIN4NoPunch,
    sid::rdmOutputOption2TypeFin50, sid::rdmOutputOption2TypeFin100, sid::rdmOutputOption2TypeFIN3NA,
    sid::rdmOutputOption2TypeFIN3EU, sid::rdmOutputOption2TypeFIN3NE, sid::rdmOutputOption2TypeFIN3NoPunch,
    sid::rdmOutputOption2TypeFin1Dom, sid::rdmOutputOption2TypeFin2Dom, sid::rdmOutputOption3TypeFoldingFan,
    sid::rdmOutputOption3TypeFoldingFolder,
};
inline constexpr size_t kCachedCount = sizeof(kCachedIds) / sizeof(kCachedIds[0]);
static_assert(kCachedCount <= sizeof(CONTEXT_WORK_AREA::rowCache) / sizeof(ITEM_DESC*),
              "every cached setting needs a slot of the work area");

// A setting read through its slot.
struct Cached {
  WORD id;
  BYTE slot;
};
// The slot of a cached setting; a setting that is not in the list does not compile.
consteval Cached C(WORD id) {
  size_t i = 0;
  while (kCachedIds[i] != id) ++i;  // runs past the end (not a constant) for a setting without a slot
  return Cached{id, BYTE(i)};
}

// Stored value of a cached setting. The first read of a context looks the row up and keeps it; a
// setting the dictionary lacks reads as 0 and is looked up again next time.
inline DWORD Read(SETTING_CONTEXT* ctx, Cached c) {
  if (!ctx) return 0;
  if (!ctx->work) return (DWORD)StgGetValue(ctx, c.id, nullptr);
  ITEM_DESC*& row = ctx->work->rowCache[c.slot];
  if (row) return (DWORD)StgReadValue(ctx, row);
  return (DWORD)StgGetValue(ctx, c.id, &row);
}
// Stored value / option value of a setting without a slot.
inline DWORD Stored(SETTING_CONTEXT* ctx, WORD id) { return (DWORD)StgGetValue(ctx, id, nullptr); }
inline DWORD Option(SETTING_CONTEXT* ctx, WORD id) { return StgGetOptionValue(ctx, id, nullptr); }

// Recomputes the resolution settings and the source and output geometry at the resolution now in force:
// mode 0 from dmPrintQuality (source from the DEVMODE's own length and width when `fields` holds both),
// mode 1 from rdmDstResolutionW.
void RecomputeGeometry(SETTING_CONTEXT* ctx, int mode, DWORD fields);
// The effective output paper P.
DWORD OutputPaper(SETTING_CONTEXT* ctx);
// Paper codes are 16-bit: a code compares by its low 16 bits, and a code with bit 15 set is in no list.
inline SHORT PaperCode(DWORD paper) { return SHORT(paper & 0xFFFF); }
// 1 when the model code is one of the list.
inline bool ModelIs(SETTING_CONTEXT* ctx, std::initializer_list<DWORD> codes) {
  DWORD m = RuleGetModelCode(ctx);
  for (DWORD c : codes)
    if (c == m) return true;
  return false;
}
// Membership in a zero-terminated list of paper codes.
inline bool InList(const SHORT* list, DWORD paper) {
  SHORT p = PaperCode(paper);
  if (p <= 0) return false;
  for (; *list; ++list)
    if (*list == p) return true;
  return false;
}

}  // namespace rule_judge
