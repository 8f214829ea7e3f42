// The interface library's side of the device query: its builds of the device step, of the last readers
// and of the wait window (the common query reaches them through the hook table), the queries its sheets
// and requests start, and the one-time take-over of the device's default trays.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct BIDI_API;

// Messages: the wait window's text, the message after a failed query.
constexpr WORD UI_MSG_QUERYING_DEVICE = 7001;
constexpr WORD UI_MSG_QUERY_FAILED = 7002;

// Binds the library, opens the device, checks its model and runs the full or (flag 2) light query; flag
// 8 allows the 32-bit library on the old platform. Failures are not recorded in the context. `kind` is
// not used. true when the query succeeded.
bool UiBidiQueryDevice(int kind, DWORD flags, SETTING_CONTEXT* ctx);
// The same as the common device step (OpenBidiDevice).
bool UiOpenBidiDevice(WORD queryFlags, SETTING_CONTEXT* ctx);
// The memory type (item 258: 2 gives 0, every other answer 1), the emulation version (item 2) and the
// other text (item 259) from the status set. Always 1.
int UiBidiReadConfig(const BIDI_API* api, HANDLE device, HANDLE channel, SETTING_CONTEXT* ctx);
// The emulation version alone. 1.
int UiBidiReadOptions(const BIDI_API* api, HANDLE device, HANDLE channel, SETTING_CONTEXT* ctx);
// The wait window with message 7001 / its closing.
HWND UiShowWaitWindow(SETTING_CONTEXT* ctx, HWND owner);
void UiCloseWaitWindow(HWND owner, HWND window);
// The light query of the device-settings command, with the wait window. true when done or when the
// device query is switched off; a failed query empties rdmSystemVersion and rdmEmulationVersion.
bool UiQueryDeviceWithProgress(SETTING_CONTEXT* ctx, HWND owner);
// At the start of the document sheet: stored results are used (rdmBiDirect, rdmBidiFunc); without
// them the device-settings module is asked to query (event 17).
bool UiBidiEnsureQueried(SETTING_CONTEXT* ctx, HWND owner);
// Module event 17 (query the device): the answer's low 32 bits.
bool UiBidiQueryByModule(SETTING_CONTEXT* ctx, HWND owner);
// Module event 65 (ask whether to query again): the first word of the answer.
int UiBidiAskRequery(SETTING_CONTEXT* ctx);
// The application's request: the common query without a wait window.
bool UiBidiQueryNoWait(SETTING_CONTEXT* ctx);
// Message 7002; what the box answered.
int UiShowDeviceQueryMessage(SETTING_CONTEXT* ctx, HWND owner);
// Default trays: taken over already (the bidi INI's flag or printer data "BidiExFlag" bit 0; true also
// when printer data cannot be changed), marked as taken over, taken over once, one tray setting.
bool UiBidiTraysApplied(SETTING_CONTEXT* ctx);
bool UiBidiMarkTraysApplied(SETTING_CONTEXT* ctx);
void UiBidiApplyDefaultTrays(SETTING_CONTEXT* ctx);
void UiBidiSetTrayDefault(WORD settingId, WORD value, SETTING_CONTEXT* ctx);
// One byte of printer data "BidiFunc" into *out. false when it cannot be read.
bool UiBidiReadFuncByte(HANDLE printer, BYTE* out, SETTING_CONTEXT* ctx);
