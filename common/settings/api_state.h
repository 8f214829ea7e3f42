// The driver-API record of a settings context: present (referenced from the work area) only while a
// driver-API handle owns the context. The settings model and the configuration storage touch just
// these two members; the driver API keeps the rest of its per-handle state behind them.
#pragma once
#include "kvplat/types.h"

struct API_STATE {
  DWORD lastError;        // mapped code of the last failed device query; the API's last error
  DWORD chapterRowIndex;  // row the chapter module deletes on module op 3
};
