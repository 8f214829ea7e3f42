// The driver API's item tables: the status table and the capability tables (one row record for both),
// the id limits of every API version, the model's item masks and the status switch table.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Handler references of a row (the connection's context comes first).
// Capability: (context, id, buffer or NULL) -> the capability's answer.
typedef int (*API_CAPS_HANDLER)(SETTING_CONTEXT* ctx, DWORD id, void* buffer);
// Status set / verify: (context, id, record, changed-status map or NULL, mode) -> 1 done, else refused.
typedef int (*API_SET_HANDLER)(SETTING_CONTEXT* ctx, DWORD id, void* record, BYTE* changed, int mode);
// Status get: (context, id, record or NULL, requested record version) -> record size, -1 on failure.
typedef int (*API_GET_HANDLER)(SETTING_CONTEXT* ctx, DWORD id, void* record, DWORD version);

// One row of the status or capability tables. A capability row leaves the status fields empty; a status
// row has no capability handler.
struct API_ROW {
  DWORD id;
  DWORD enabled;        // 0: the id has no item (the masks never admit it)
  DWORD recordVersion;  // newest record version the driver knows (1 in every capability row)
  DWORD setting;        // status: main setting; capability: the setting of the availability guard
  API_CAPS_HANDLER caps;
  API_SET_HANDLER set;
  API_SET_HANDLER verify;
  API_GET_HANDLER get;
  WORD related[8];      // status: settings of the item, ended by the first 0
};
using CAPS_ROW = API_ROW;
using STATUS_ROW = API_ROW;

// Highest low and high id of each API version 0-16 (row 0 admits nothing).
struct API_ID_LIMIT {
  int low;
  int high;
};
constexpr int API_LIMIT_ROWS = 17;
const API_ID_LIMIT* ApiGetStatusIdLimits();
const API_ID_LIMIT* ApiGetCapsIdLimits();

// Rows of the tables: status ids 1-79 and 257-269; capability ids 1-127, 257-282 and the extra id 0x30000.
constexpr int API_STATUS_LOW_ROWS = 79;
constexpr int API_STATUS_HIGH_ROWS = 13;
constexpr int API_CAPS_LOW_ROWS = 127;
constexpr int API_CAPS_HIGH_ROWS = 26;
constexpr DWORD API_CAPS_EXTRA_ID = 0x30000;

// Row lookups at an API version (clamped to 0-16; negative counts as 0): none for an id the version
// does not admit.
const STATUS_ROW* ApiFindStatusRowAt(int version, DWORD id);
const CAPS_ROW* ApiFindCapsRowAt(int version, DWORD id);
// The status row of an id for a test to put its own handlers in (none for an id without a row).
API_ROW* ApiEditStatusRow(DWORD id);
// The extra capability list (not bounded by the version).
const CAPS_ROW* ApiFindExtraCapsRow(DWORD id);

// The model's item masks (64 bytes each): kind 0 capabilities, 1 status items.
void ApiModelItemMask(SETTING_CONTEXT* ctx, int kind, BYTE* mask);

// The status switch table.
struct STATUS_SWITCH_ROW {
  DWORD statusId;
  WORD switchSetting;
  DWORD flags;  // 1: while the switch node is excluded or disabled the other settings do not count as
                //    changed; 2: while the switch is off, settings 122 and 124 do not count as changed
};
// The switch setting of a status item, 0 when it has none; *row receives the row when asked for.
WORD ApiFindSwitchSetting(DWORD statusId, const STATUS_SWITCH_ROW** row);
