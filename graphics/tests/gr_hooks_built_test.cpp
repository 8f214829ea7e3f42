// The hook table the library hands the engine: every row is a hook the library builds, none a stand-in.
#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>

#include "gr_hooks.h"
#include "kvseam.h"

namespace {

struct Name {
  ULONG index;
  const char* name;
};
constexpr Name kNames[] = {
    {INDEX_DrvEnablePDEV, "DrvEnablePDEV"},     {INDEX_DrvCompletePDEV, "DrvCompletePDEV"},
    {INDEX_DrvDisablePDEV, "DrvDisablePDEV"},   {INDEX_DrvEnableSurface, "DrvEnableSurface"},
    {INDEX_DrvDisableSurface, "DrvDisableSurface"}, {INDEX_DrvResetPDEV, "DrvResetPDEV"},
    {INDEX_DrvRealizeBrush, "DrvRealizeBrush"}, {INDEX_DrvDitherColor, "DrvDitherColor"},
    {INDEX_DrvStrokePath, "DrvStrokePath"},     {INDEX_DrvFillPath, "DrvFillPath"},
    {INDEX_DrvStrokeAndFillPath, "DrvStrokeAndFillPath"}, {INDEX_DrvBitBlt, "DrvBitBlt"},
    {INDEX_DrvCopyBits, "DrvCopyBits"},         {INDEX_DrvStretchBlt, "DrvStretchBlt"},
    {INDEX_DrvTextOut, "DrvTextOut"},           {INDEX_DrvEscape, "DrvEscape"},
    {INDEX_DrvQueryFont, "DrvQueryFont"},       {INDEX_DrvQueryFontTree, "DrvQueryFontTree"},
    {INDEX_DrvQueryFontData, "DrvQueryFontData"}, {INDEX_DrvSendPage, "DrvSendPage"},
    {INDEX_DrvStartPage, "DrvStartPage"},       {INDEX_DrvEndDoc, "DrvEndDoc"},
    {INDEX_DrvStartDoc, "DrvStartDoc"},         {INDEX_DrvGetGlyphMode, "DrvGetGlyphMode"},
    {INDEX_DrvQueryAdvanceWidths, "DrvQueryAdvanceWidths"}, {INDEX_DrvStartBanding, "DrvStartBanding"},
    {INDEX_DrvNextBand, "DrvNextBand"},         {INDEX_DrvIcmCreateColorTransform, "DrvIcmCreateColorTransform"},
    {INDEX_DrvIcmDeleteColorTransform, "DrvIcmDeleteColorTransform"}, {INDEX_DrvStretchBltROP, "DrvStretchBltROP"},
};

std::string NameOf(ULONG index) {
  for (const Name& n : kNames)
    if (n.index == index) return n.name;
  return "hook " + std::to_string(index);
}

TEST(HookTable, EveryRowIsABuiltHook) {
  std::set<ULONG> seen;
  for (const DRVFN& row : GR_HOOK_TABLE) {
    SCOPED_TRACE(NameOf(row.iFunc));
    EXPECT_TRUE(seen.insert(row.iFunc).second) << "listed twice";
    ASSERT_NE(row.pfn, nullptr);
    EXPECT_FALSE(KvIsStandIn(reinterpret_cast<const void*>(row.pfn))) << "a stand-in in the hook table";
  }
  EXPECT_EQ(seen.size(), std::size(kNames));
}

}  // namespace
