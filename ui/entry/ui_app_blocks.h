// The two blocks an application that knows this driver exchanges through the private part of its
// DEVMODE: the request block (reset, device query, or settings given as compact codes) carried out at
// every intake, and the capability block (which of those codes the printer allows) written when the
// document settings are handed back with DM_COPY.
#pragma once
#include <cstddef>
#include <cstdint>

#include "kvplat/devmode.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

constexpr size_t UI_APP_REQUEST_OFFSET = 285;  // DEVMODE byte of rdmKcomMember (702)
constexpr size_t UI_APP_CAPS_OFFSET = 317;     // DEVMODE byte of rdmKcomCaps (703)
constexpr size_t UI_APP_BLOCK_SIZE = 32;

// Request codes of byte 0; any other value applies bytes 2 to 13.
enum : BYTE { UI_APP_REQUEST_RESET = 2, UI_APP_REQUEST_QUERY = 3, UI_APP_REQUEST_RESET_QUERY = 4 };
constexpr BYTE UI_APP_REQUEST_VALID = 1;  // byte 1: any other value makes the block inert

#pragma pack(push, 1)
struct APP_REQUEST_BLOCK {
  BYTE request;
  BYTE marker;
  BYTE duplex;
  BYTE sort;
  BYTE punch;
  BYTE staple;
  BYTE outputTray;
  BYTE resolution;
  BYTE printArea;
  BYTE reserved9;
  WORD scale;  // little-endian
  BYTE nup;
  BYTE outputPaper;
  BYTE reserved[18];
};
#pragma pack(pop)
static_assert(sizeof(APP_REQUEST_BLOCK) == UI_APP_BLOCK_SIZE);
static_assert(offsetof(APP_REQUEST_BLOCK, scale) == 10 && offsetof(APP_REQUEST_BLOCK, nup) == 12 &&
              offsetof(APP_REQUEST_BLOCK, outputPaper) == 13);

// Bytes of the capability block that are not plain constants.
enum : int {
  UI_CAPS_DUPLEX = 1,
  UI_CAPS_SORT = 2,
  UI_CAPS_PUNCH = 4,
  UI_CAPS_STAPLE = 5,   // and 6
  UI_CAPS_TRAYS = 7,    // and 8
  UI_CAPS_RESOLUTIONS = 10,
  UI_CAPS_PAPERS = 13,  // to 15
};
constexpr BYTE UI_CAPS_FINISHER_TRAY_B = 0x20;  // byte 8
constexpr BYTE UI_CAPS_FINISHER_TRAY_A = 0x40;  // byte 8

struct APP_CAPS_BLOCK {
  BYTE bytes[UI_APP_BLOCK_SIZE];
};
static_assert(sizeof(APP_CAPS_BLOCK) == UI_APP_BLOCK_SIZE);

// The settings a request may change, in a fixed order: position n is bit 1 << n of the touched mask.
constexpr int UI_APP_REQUEST_KEY_COUNT = 19;
constexpr WORD UI_APP_REQUEST_KEYS_END = 0xFFFF;
extern const WORD APP_REQUEST_KEYS[UI_APP_REQUEST_KEY_COUNT + 1];

// {finisher setting, tray A, tray B}; the end row has setting 0xFFFF and trays 0. A tray of 0xFFFF means
// the finisher has no such tray.
struct FINISHER_TRAY_ROW {
  WORD setting;
  WORD trayA;
  WORD trayB;
};
constexpr WORD UI_NO_FINISHER_TRAY = 0xFFFF;
constexpr int UI_FINISHER_TRAY_ROWS = 35;
extern const FINISHER_TRAY_ROW FINISHER_TRAY_TABLE[UI_FINISHER_TRAY_ROWS + 1];

// Builds the capability block from the printer's selectable values and clears the request block: 1,
// or 0 when a list buffer cannot be had (both blocks are then as they were).
int UiBuildAppCapsBlock(SETTING_CONTEXT* ctx);
// Writes a setting a request may change: its bit of the touched mask, or 0 (nothing written) when the
// id is not one of APP_REQUEST_KEYS.
DWORD UiSetRequestKey(SETTING_CONTEXT* ctx, WORD id, uint64_t value);
// The automatic actions of the active node of every setting in the mask, in key order.
void UiRunRequestTransacts(SETTING_CONTEXT* ctx, DWORD mask);
// The output-tray values the printer allows, at most `capacity` into dst (or only counted without one):
// their number, -1 when the list cannot be made or is empty.
int UiListOutputTrays(SETTING_CONTEXT* ctx, WORD* dst, int capacity);
// The first finisher row whose setting is non-zero in the context, or the end row.
const FINISHER_TRAY_ROW* UiFindInstalledFinisher(SETTING_CONTEXT* ctx);
// 1 when the tray is tray B (selector ' ') or tray A (any other selector) of any finisher row.
int UiIsFinisherTray(WORD tray, char selector);
