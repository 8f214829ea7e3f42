// Calls into functions another area is building at the same time; their least bodies are in
// pending_lists.cpp.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Owner: driverdata/rule_values.h. Broadcasts feature-module event 11 without argument; its answer.
int RuleBroadcastEvent11(SETTING_CONTEXT* ctx);
