// For tests that assert what a stand-in answers: the assertion below it holds only while the function
// is a stand-in, so the test fails once the real function is built and must then assert its answer.
#pragma once
#include <gtest/gtest.h>

#include "kvseam.h"

#define KV_ASSERT_STAND_IN(fn)                                              \
  ASSERT_TRUE(KvIsStandIn(reinterpret_cast<const void*>(&fn)))              \
      << #fn " is built now: assert its own answer here, not the stand-in's"
