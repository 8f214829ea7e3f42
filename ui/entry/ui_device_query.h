// The device query of the interface library: the operations around the bidi companion's query that
// only this library performs.
#pragma once

struct SETTING_CONTEXT;

// Runs the device query without a wait window: true when the device answered and the context took
// the answer, false otherwise.
bool UiBidiQueryNoWait(SETTING_CONTEXT* ctx);
