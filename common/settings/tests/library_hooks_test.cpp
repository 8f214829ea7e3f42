// The library's table of its own builds: a filled row answers in place of the common build, for outside
// callers and for the common library's own callers alike, and a reset restores the common builds.
#include <gtest/gtest.h>

#include "settings/library_hooks.h"
#include "settings/tests/context_fixture.h"

namespace {

using kvstgtest::ContextTest;
using kvstgtest::FakePrinter;

int g_resets = 0;
void CountingResetAllItems(SETTING_CONTEXT* ctx) {
  ++g_resets;
  StgResetAllItemsCommon(ctx);
}
WORD OwnNodeType(SETTING_CONTEXT*, WORD id) { return WORD(0x7700 + id); }

class LibraryHooks : public ContextTest {
 protected:
  void TearDown() override {
    StgResetLibraryHooks();
    ContextTest::TearDown();
  }
};

TEST_F(LibraryHooks, FilledRowsAnswerInsteadOfTheCommonBuilds) {
  LIBRARY_HOOKS own{};
  EXPECT_EQ(StgFillLibraryHooks(&own), 0);
  EXPECT_EQ(StgFillLibraryHooks(nullptr), 0);
  EXPECT_EQ(StgGetLibraryHooks()->ImgGetNodeType, &ImgGetNodeTypeCommon);

  own.ImgGetNodeType = OwnNodeType;
  own.StgResetAllItems = CountingResetAllItems;
  EXPECT_EQ(StgFillLibraryHooks(&own), 2);
  EXPECT_EQ(ImgGetNodeType(nullptr, 5), 0x7705);
  // Rows the library leaves empty keep their common builds.
  EXPECT_EQ(StgGetLibraryHooks()->StgMergeDevmode, &StgMergeDevmodeCommon);

  // The common library's own caller (the store defaults of a new context) reaches the library's build.
  g_resets = 0;
  FakePrinter p(u"Hooked");
  SETTING_CONTEXT* ctx = Create(p);
  ASSERT_NE(ctx, nullptr);
  EXPECT_GE(g_resets, 1);
  StgReleaseContext(ctx, STG_RELEASE_FREE);

  StgResetLibraryHooks();
  EXPECT_EQ(ImgGetNodeType(nullptr, 5), ImgGetNodeTypeCommon(nullptr, 5));
  g_resets = 0;
  FakePrinter q(u"Common again");
  ctx = Create(q);
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(g_resets, 0);
  StgReleaseContext(ctx, STG_RELEASE_FREE);
}

}  // namespace
