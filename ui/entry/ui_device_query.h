// The device query of the interface library: querying the device for its trays and options, and the
// take-over of the device's default trays into the document settings.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;

// Runs the device query without a wait window: true when the device answered and the context took
// the answer, false otherwise.
bool UiBidiQueryNoWait(SETTING_CONTEXT* ctx);

// The device queried when the model's modules ask for it / when its results are not kept yet; owner is
// the window of the wait window or none. true when queried.
bool UiBidiQueryByModule(SETTING_CONTEXT* ctx, HWND owner);
bool UiBidiEnsureQueried(SETTING_CONTEXT* ctx, HWND owner);
// true when the device's default trays were already taken over into the printer's settings.
bool UiBidiTraysApplied(SETTING_CONTEXT* ctx);
// Records that they are; true when recorded.
bool UiBidiMarkTraysApplied(SETTING_CONTEXT* ctx);
// Takes the device's default trays over into the settings unless they were.
void UiBidiApplyDefaultTrays(SETTING_CONTEXT* ctx);
