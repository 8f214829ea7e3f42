// The capability side of the driver API: the dispatcher, the status-id map, the all-capabilities record
// and the capability handlers.
//
// Count-then-fill: a list capability asked without a buffer answers its count; asked with one it writes
// its entries from the start and answers how many it wrote. The export passes no buffer size, so an
// outside caller's fill is bounded only by what the capability finds. The library's own callers go
// through ApiGetCapsWithin with the capacity of their block: every handler writes at most that many
// entries (slots for a name list), so a list that grew between the two calls is cut, never overrun.
#pragma once
#include "kvdrvexc.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The dispatcher behind ZARNDrvGetCaps for every id other than 0, 0x80000001 and 0x80000002.
int ApiRunGetCaps(API_HANDLE handle, DWORD id, void* buffer);
// The same with the buffer's capacity in entries (slots for a name list, pairs for a pair list).
int ApiRunGetCapsWithin(API_HANDLE handle, DWORD id, void* buffer, int capacity);
// The whole export path of one capability (id 0 and the support test included) with a capacity: what
// ZARNDrvGetCaps answers, never writing more than `capacity` entries.
int ApiGetCapsWithin(API_HANDLE handle, DWORD id, void* buffer, int capacity);
// The map of supported status ids (capability 0): its length (32 or 64), the map written when given.
int ApiGetStatusIdMap(API_HANDLE handle, void* buffer);
// Capability 0x80000001: builds the all-capabilities record and answers its address as a 32-bit value
// (0 when it cannot be built); 0x80000002 frees a record that a build returned (1 always).
int ApiBuildAllCaps(API_HANDLE handle, void* buffer);
int ApiFreeAllCaps(API_HANDLE handle, void* buffer);

// The capacity of the fill the running handler serves: what its caller's buffer holds, or "no limit"
// (INT_MAX) for a caller that passes no size.
int ApiCapsRoom();

// ---- List functions (count-then-fill; `capacity` bounds every write) ----
// Code lister: (context, u16 codes or NULL, setting, capacity) -> count or -1.
typedef int (*API_CODE_LISTER)(SETTING_CONTEXT* ctx, WORD* codes, WORD id, int capacity);
// Name lister: (context, wide slots or NULL, slot width in characters, setting, capacity) -> count or -1.
typedef int (*API_NAME_LISTER)(SETTING_CONTEXT* ctx, WCHAR* slots, int width, WORD id, int capacity);
int ApiListInputBinCodes(SETTING_CONTEXT* ctx, WORD* codes, WORD id, int capacity);
int ApiListInputBinTexts(SETTING_CONTEXT* ctx, WCHAR* slots, int width, WORD id, int capacity);
int ApiListPaperCodes(SETTING_CONTEXT* ctx, WORD* codes, WORD id, int capacity);
int ApiListPaperTexts(SETTING_CONTEXT* ctx, WCHAR* slots, int width, WORD id, int capacity);
int ApiListOptionCodes(SETTING_CONTEXT* ctx, WORD* codes, WORD id, int capacity);
int ApiListOptionTexts(SETTING_CONTEXT* ctx, WCHAR* slots, int width, WORD id, int capacity);

// The selectable values of a setting (rdmOutputTrayID: a leading 0, and a single tray not listed).
int ApiCapsValueList(SETTING_CONTEXT* ctx, DWORD id, DWORD* list, WORD setting, int capacity);
// One ANSI name per value of ApiCapsValueList, matched by code; string 204 for a value without a name.
int ApiCapsNameList(SETTING_CONTEXT* ctx, DWORD id, char* slots, WORD setting, int width, API_CODE_LISTER codes,
                    API_NAME_LISTER names, int capacity);
int ApiCapsCodeList(SETTING_CONTEXT* ctx, DWORD id, DWORD* list, WORD setting, API_CODE_LISTER codes, int capacity);
int ApiCapsTextList(SETTING_CONTEXT* ctx, DWORD id, char* slots, int width, WORD setting, API_NAME_LISTER names,
                    int capacity);
// The codes of the setting's options that are not excluded.
int ApiCapsAllowedCodes(SETTING_CONTEXT* ctx, DWORD id, DWORD* list, WORD setting, int capacity);
// One ANSI name per code of ApiCapsAllowedCodes through the setting's value map: mode 0 by the
// option-name table, mode 1 the option id as string id. A code without a name gets an empty slot.
int ApiCapsValueMapNames(SETTING_CONTEXT* ctx, DWORD id, char* slots, WORD setting, int width, int mode,
                         int capacity);
// The string id that names an option of a value map; 0 when the option-name table has no row for it.
WORD ApiFindOptionNameString(WORD optionId);
// An end of a pair of ranges (1200-dpi dots) as a length in 0.1 mm: the first or second pair that
// `ranges` gives (margins odd/even, shift X/Y, creep inside/outside), its maximum or minimum; -1 when the
// image has no Numeric node for the pair.
typedef int (*API_RANGE_PAIRS)(SETTING_CONTEXT* ctx, LONG* min1, LONG* max1, LONG* min2, LONG* max2);
int ApiCapsRangeEnd(SETTING_CONTEXT* ctx, API_RANGE_PAIRS ranges, bool firstPair, bool largest);
// Wide text into an ANSI slot of `width` bytes (system code page), cut at a character boundary so that
// a double-byte character is never split; the rest of the slot is zeroed, its last byte always 0.
// False when a character cannot be converted at all.
bool ApiCapsWideToSlot(const WCHAR* text, char* slot, int width);

// ---- Handlers a table row names: (context, id, buffer or NULL) -> the capability's answer ----
int ApiCapsBase(SETTING_CONTEXT* ctx, DWORD id, void* buffer);      // ids 1-57
int ApiCapsExtended(SETTING_CONTEXT* ctx, DWORD id, void* buffer);  // ids 60-127, 257-282, 0x30000
// Capability 34 (shift margin): 1 when the compiled image has the range of rdmShiftMarginY, else 0.
int ApiCapsShiftMargin(SETTING_CONTEXT* ctx, DWORD id, void* buffer);
// Handlers that others call directly (no support test, no guards), with a capacity.
int ApiCapsBaseWithin(SETTING_CONTEXT* ctx, DWORD id, void* buffer, int capacity);
int ApiCapsExtendedWithin(SETTING_CONTEXT* ctx, DWORD id, void* buffer, int capacity);
