// The device-font queries answer as for an empty font table.
#include <gtest/gtest.h>

#include "gr_hooks.h"
#include "gr_text.h"
#include "kvplat/error.h"
#include "zs_fixture.h"

namespace {

TEST(FontQuery, AnswersOfAnEmptyFontTable) {
  zstest::Context ctx;
  DHPDEV d = ctx.pdev;
  ULONG_PTR id = 99;
  auto* pairs = static_cast<FD_KERNINGPAIR*>(DrvQueryFontTree(d, 0, 1, QFT_KERNPAIRS, &id));
  ASSERT_NE(pairs, nullptr);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(pairs[0].wcFirst, 0);
  EXPECT_EQ(pairs[0].wcSecond, 0);
  EXPECT_EQ(pairs[0].fwdKern, 0);
  SetLastError(0);
  EXPECT_EQ(DrvQueryFontTree(d, 0, 1, QFT_GLYPHSET, &id), nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(DrvQueryFontTree(d, 0, 1, QFT_LIGATURES, &id), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

  id = 99;
  SetLastError(0);
  EXPECT_EQ(DrvQueryFont(d, 0, 1, &id), nullptr);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

  FONTOBJ fo{};
  GLYPHDATA gd{};
  EXPECT_EQ(DrvQueryFontData(d, &fo, 0, 0, &gd, nullptr, 0), LONG(DDI_ERROR));

  HGLYPH hg = 1;
  LONG widths[1];
  EXPECT_TRUE(DrvQueryAdvanceWidths(d, &fo, QAW_GETWIDTHS, nullptr, nullptr, 0));
  EXPECT_TRUE(DrvQueryAdvanceWidths(d, &fo, QAW_GETEASYWIDTHS, nullptr, nullptr, 0));
  SetLastError(0);
  EXPECT_FALSE(DrvQueryAdvanceWidths(d, &fo, QAW_GETWIDTHS, &hg, widths, 1));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(DrvQueryAdvanceWidths(d, &fo, 2, nullptr, nullptr, 0));
  EXPECT_EQ(DrvGetGlyphMode(d, &fo), ULONG(FO_GLYPHBITS));
}

TEST(FontQuery, InvalidContextsAreRefused) {
  GR_PDEV broken{};
  ULONG_PTR id = 5;
  SetLastError(0);
  EXPECT_EQ(DrvQueryFontTree(&broken, 0, 0, QFT_KERNPAIRS, &id), nullptr);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(DrvQueryFont(nullptr, 0, 0, nullptr), nullptr);
  EXPECT_EQ(DrvQueryFontData(&broken, nullptr, 0, 0, nullptr, nullptr, 0), LONG(DDI_ERROR));
  EXPECT_FALSE(DrvQueryAdvanceWidths(&broken, nullptr, QAW_GETWIDTHS, nullptr, nullptr, 0));
  // A table of the context is freed with it; none is left alone.
  zstest::Context ctx;
  GrFreeFontTable(ctx.pdev, nullptr);
  GrFreeFontTable(ctx.pdev, GrHeapAlloc(ctx.pdev->heap, 16));
}

}  // namespace
