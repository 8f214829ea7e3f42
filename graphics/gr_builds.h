// The graphics library's own builds of common-library operations.
#pragma once

struct SETTING_CONTEXT;

// Sets the bidirectional-communication switch of the context from its stored flag.
void GrSetBiDirectFromFlag(SETTING_CONTEXT* context);
