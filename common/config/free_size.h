// Custom paper slots: the ten user slots and the built-in custom sizes, loaded from the driver INI into
// the working settings and selected as a paper source.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Loads custom paper slot 0-9 from its driver-INI section into the working settings and publishes it
// as the slot's four settings.
void CfgLoadFreeSize(SETTING_CONTEXT* ctx, int slot);
// Loads every user slot.
void CfgLoadAllFreeSizes(SETTING_CONTEXT* ctx);
// The slot index of a custom paper code: 0-9 for 384-393, 10 for 256, 11 for 448, 0 for any other code.
int CfgFreeSizePaperToIndex(DWORD paper, SETTING_CONTEXT* ctx);
// Fills slot `slot` with the built-in size of the paper code.
void CfgLoadBuiltinFreeSize(SETTING_CONTEXT* ctx, DWORD paper, int slot);
// Makes slot `slot` the source of the custom paper size.
void CfgSelectFreeSizeSlot(SETTING_CONTEXT* ctx, int slot);

// The parts of a custom paper slot that the resource-string decoration reads.
struct FREE_SIZE_VIEW {
  char userName[64];  // ANSI, terminated
  LONG width;         // dots at 1200 dpi
  LONG length;
  SHORT tray;         // stored values of the slot's tray and orientation settings
  SHORT orientation;
};
// 1 and the slot's parts (slot 0-9); 0 when the slot cannot be had.
int CfgReadFreeSizeSlot(SETTING_CONTEXT* ctx, int slot, FREE_SIZE_VIEW* out);
