// Custom paper slots: the ten named custom paper sizes the user keeps per display region in the driver
// INI (paper codes 384-393), plus two slots that carry the DEVMODE's own custom paper size (256) and
// custom print size (448). Each slot is loaded once per context into the work area and published into
// four settings so that the rules and the paper lists see it; unit conversions between hundredths of
// an inch and tenths of a millimetre.
#pragma once
#include <cstddef>

#include "kvplat/types.h"

struct SETTING_CONTEXT;

// One slot of the work area. Slots 0-9 hold ANSI display names; slots 10 and 11 hold display name 1
// as wide text of up to 31 characters and its terminator.
struct FREE_SIZE_SLOT {
  char displayName1[64];
  char displayName2[64];
  char userName[64];  // ANSI, at most 63 bytes and the terminator
  LONG width;         // dots at 1200 dpi
  LONG length;
  SHORT tray;         // stored values of the slot's tray and orientation settings
  SHORT orientation;
};
static_assert(sizeof(FREE_SIZE_SLOT) == 204);
static_assert(offsetof(FREE_SIZE_SLOT, userName) == 128);
static_assert(offsetof(FREE_SIZE_SLOT, width) == 192);
static_assert(offsetof(FREE_SIZE_SLOT, length) == 196);
static_assert(offsetof(FREE_SIZE_SLOT, tray) == 200);
static_assert(offsetof(FREE_SIZE_SLOT, orientation) == 202);

constexpr int CFG_FREE_SIZE_USER_SLOTS = 10;
constexpr int CFG_FREE_SIZE_SLOTS = 12;
// Characters a section-name destination of this area holds.
constexpr DWORD CFG_FREE_SIZE_SECTION_CHARS = 64;
// The change-word bit that says the slots of a context are loaded.
constexpr DWORD CFG_CHANGE_FREE_SIZES_LOADED = 0x4000000u;

// {slot, paper code}: slots 0-9 are codes 384-393, slot 10 is 256 and slot 11 is 448.
struct FREE_SIZE_CODE_ROW {
  WORD slot;
  WORD code;
};
static_assert(sizeof(FREE_SIZE_CODE_ROW) == 4);
// The four published settings of a user slot; the table ends with a zero row.
struct FREE_SIZE_ID_ROW {
  WORD width;
  WORD length;
  WORD tray;
  WORD orientation;
};
static_assert(sizeof(FREE_SIZE_ID_ROW) == 8);

// 10: the user slots.
int CfgGetFreeSizeSlotCount(SETTING_CONTEXT* ctx);
// 12: the user codes and 256 and 448.
int CfgGetFreeSizeCodeCount(SETTING_CONTEXT* ctx);
// The setting-id table: ten rows, then the zero row.
const FREE_SIZE_ID_ROW* CfgGetFreeSizeIdTable();
// 1 for the user codes 384-393, else 0.
int CfgIsFreeSizePaperCode(DWORD paper);
// The paper code of `slot` among the first `count` code rows (count bounded to 12); 0 when the slot is
// above the count or no row has it.
DWORD CfgFreeSizeIndexToPaper(int slot, int count, SETTING_CONTEXT* ctx);
// The slot of a paper code (0-11), or -1 for a code that has no slot.
int CfgFreeSizePaperToIndex(DWORD paper, SETTING_CONTEXT* ctx);
// dst (CFG_FREE_SIZE_SECTION_CHARS) := "FreeSize%d%s" with the slot and the region code; dst.
WCHAR* CfgFormatFreeSizeSection(WCHAR* dst, int slot, DWORD reserved, SETTING_CONTEXT* ctx);

// Loads the working settings (wdmFreeSizeName ... wdmFreeSizeOrient) from a user slot's section and
// publishes them. Nothing for a slot outside 0-9.
void CfgLoadFreeSize(SETTING_CONTEXT* ctx, int slot);
// The same for a named section of the driver INI. 1 when the section belongs to a user slot (published),
// 0 otherwise or when the section name does not fit.
int CfgLoadFreeSizeSection(SETTING_CONTEXT* ctx, const WCHAR* section);
// The source-paper counterparts (wdmSrcFreeSizeName ...): loaded, not published. 1 read, 0 otherwise.
int CfgLoadFreeSizeSrc(SETTING_CONTEXT* ctx, int slot);
int CfgLoadFreeSizeSectionSrc(SETTING_CONTEXT* ctx, const WCHAR* section);
// Writes the working settings into a user slot's section / a named section, then publishes. 1 when a
// user slot was published, 0 otherwise.
int CfgSaveFreeSize(SETTING_CONTEXT* ctx, int slot);
int CfgSaveFreeSizeSection(SETTING_CONTEXT* ctx, const WCHAR* section);
// The stored working width, length, tray and orientation into the published settings of the user slot
// whose section name equals `section` exactly. 1 published, 0 when no slot has that name.
int CfgPublishFreeSizeSection(SETTING_CONTEXT* ctx, const WCHAR* section);
// A user slot's width, length, tray and orientation into its four published settings.
void CfgPublishFreeSizeSlot(SETTING_CONTEXT* ctx, int slot);
// Loads and publishes the ten user slots once per context; every setting keeps its value.
void CfgLoadAllFreeSizes(SETTING_CONTEXT* ctx);
// The slot (0-11) into the working settings / the source settings. Nothing for another slot.
void CfgSelectFreeSizeSlot(SETTING_CONTEXT* ctx, int slot);
void CfgSelectFreeSizeSlotSrc(SETTING_CONTEXT* ctx, int slot);
// The working settings / the source settings into a user slot (0-9), with its default display names.
void CfgStoreFreeSizeSlot(SETTING_CONTEXT* ctx, int slot);
void CfgStoreFreeSizeSlotSrc(SETTING_CONTEXT* ctx, int slot);
// The work of both: the working (or with source the source) slot settings into the slot; the display
// names are the user's name of the size with userNameAsDisplay, else the decorated resource string.
void CfgStoreFreeSizeSlotWith(SETTING_CONTEXT* ctx, int slot, bool source, bool userNameAsDisplay);
// Fills `slot` (0-11) from the DEVMODE's custom paper size (code 256) or custom print size (448);
// nothing for any other code or slot.
void CfgLoadBuiltinFreeSize(SETTING_CONTEXT* ctx, DWORD paper, int slot);
// 1 and a copy of the slot (0-11); 0 when the context has no work area or the slot is out of range.
int CfgReadFreeSizeSlot(SETTING_CONTEXT* ctx, int slot, FREE_SIZE_SLOT* out);

// 1 when the display unit is inch and dmPaperSize is the custom paper size (256).
int CfgIsInchCustomPaper(SETTING_CONTEXT* ctx);
// The smallest tenth-mm value that converts back to at least `value` hundredths of an inch (saturates
// at 0xFFFFFFFF).
DWORD CfgHundredthInchToTenthMm(DWORD value);
// value * 100 / 254, rounded down.
DWORD CfgTenthMmToHundredthInch(DWORD value);
