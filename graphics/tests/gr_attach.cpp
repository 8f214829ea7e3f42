// The unit tests link the library's objects into the test program: attach and detach it around the run
// as the library's load entry does.
#include <gtest/gtest.h>

#include "gr_hooks.h"
#include "kvplat/module.h"

namespace {

class Attach : public ::testing::Environment {
 public:
  void SetUp() override { DllMain(GetModuleHandleW(nullptr), 1, nullptr); }
  void TearDown() override { DllMain(GetModuleHandleW(nullptr), 0, nullptr); }
};
const auto* const g_attach = ::testing::AddGlobalTestEnvironment(new Attach);

}  // namespace
