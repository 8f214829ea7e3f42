// Composite resource strings of the interface library: each decoration kind with its worked examples in
// both units and the European comma, appends that stay within the caller's capacity, and the library's
// loader reached by callers inside the common library once the library's rows are filled.
#include <cstring>

#include "config/free_size.h"
#include "settings/library_hooks.h"
#include "sheets/dlg_strings.h"
#include "sheets/tests/sheets_fixture.h"

using uitest::SheetsTest;

namespace {

void SetSlot(SETTING_CONTEXT* ctx, int slot, const char* name, LONG width, LONG length) {
  FREE_SIZE_SLOT& s = ctx->work->freeSizeSlots[slot];
  std::memset(s.userName, 0, sizeof s.userName);
  std::strncpy(s.userName, name, sizeof s.userName - 1);
  s.width = width;
  s.length = length;
  s.tray = 0;  // no limit row: the size stays as stored
  s.orientation = 1;
}

}  // namespace

TEST_F(SheetsTest, TrayNameIsAppended) {
  UseFixtureLibrary();
  StgSetString(ctx_, StgFindItem(ctx_, sid::wdmPrintPostTray1Name), u"Upper");
  EXPECT_EQ(Load(29), u"Tray:Upper");
  EXPECT_EQ(Load(29, 256, 0), u"Tray");
  EXPECT_EQ(Load(29, 7), u"Tray:U");  // cut at capacity - 1
}

TEST_F(SheetsTest, CustomSlotNameAndSizeInEveryUnit) {
  SetSlot(ctx_, 0, "Poster", 12000, 24000);
  EXPECT_EQ(Load(109), u"Poster(254.0 x 508.0 mm)");
  StgSetValue(ctx_, sid::rdmDspUnit, 1);
  EXPECT_EQ(Load(109), u"Poster(10.00 x 20.00 in.)");
  EXPECT_EQ(Load(153), u" in.");  // the unit row shows the current unit
  StgSetValue(ctx_, sid::rdmDspUnit, 0);
  EXPECT_EQ(Load(154), u" mm");
  // A European region: the points after the last "(" become commas.
  ASSERT_NE(CfgLoadResourceDll(ctx_), nullptr);  // keeps the us library while the region changes
  StgSetValue(ctx_, sid::rdmLanguageID, 4);
  EXPECT_EQ(Load(109), u"Poster(254,0 x 508,0 mm)");
  // The paper's own custom size, from its settings.
  StgSetValue(ctx_, sid::rdmLanguageID, 1);
  StgSetOptionValue(ctx_, sid::rdmPaperFreeSizeWidth, 9920);
  StgSetOptionValue(ctx_, sid::rdmPaperFreeSizeLength, 14030);
  EXPECT_EQ(Load(752), u"Custom paper size(210.0 x 297.0 mm)");
  EXPECT_EQ(Load(13379), u"Paper size(210.0 x 297.0 mm)");
}

TEST_F(SheetsTest, DecoratedTextsStayWithinTheCapacity) {
  // A slot name as long as its storage, in a buffer too small for name, size and unit.
  std::string longName(63, 'N');
  SetSlot(ctx_, 3, longName.c_str(), 12000, 24000);
  std::u16string full = Load(112, 256);
  EXPECT_EQ(full, std::u16string(63, u'N') + u"(254.0 x 508.0 mm)");
  for (int capacity : {1, 2, 30, 64, 70, 81, 82}) {
    SCOPED_TRACE(capacity);
    EXPECT_EQ(Load(112, capacity), full.substr(0, (size_t)capacity - 1));
  }
  // Direct calls keep the same bound.
  WCHAR buf[12] = u"Tray";
  StgSetString(ctx_, StgFindItem(ctx_, sid::wdmPrintPostTray1Name), u"A very long tray name");
  DlgComposeDynamicString(ctx_, 29, buf, 12);
  EXPECT_EQ(std::u16string(buf), u"Tray:A very");
  WCHAR untouched[8] = u"Other";
  DlgComposeDynamicString(ctx_, 4711, untouched, 8);  // no row: unchanged
  EXPECT_EQ(std::u16string(untouched), u"Other");
}

TEST_F(SheetsTest, RangeOutsideTheCustomSizeDialogsAndInertMediaNames) {
  EXPECT_EQ(Load(13273), u"Length (0 to 0)");
  EXPECT_EQ(Load(13276), u"Width: 0 to 0");
  StgSetValue(ctx_, sid::rdmDspUnit, 1);
  EXPECT_EQ(Load(13275), u"Width (0.00 to 0.00)");
  // Custom media names are off in this model: the loaded text stays (here: none in the library).
  StgSetString(ctx_, StgFindItem(ctx_, sid::wdmCustomMedia1Name), u"Glossy");
  WCHAR media[16] = u"Media 1";
  DlgComposeDynamicString(ctx_, 13708, media, 16);
  EXPECT_EQ(std::u16string(media), u"Media 1");
}

TEST_F(SheetsTest, CommonCallersReachTheLibrarysLoader) {
  EXPECT_EQ(StgGetLibraryHooks()->CfgLoadString, &DlgLoadString);
  EXPECT_EQ(UiGetLibraryHooks()->CfgLoadString, &DlgLoadString);
  StgResetLibraryHooks();
  EXPECT_EQ(StgGetLibraryHooks()->CfgLoadString, &CfgLoadStringCommon);
  // Either build gives a missing library's strings empty and undecorated.
  WCHAR buf[8] = u"xyz";
  DlgLoadString(nullptr, 29, buf, 8, 1);
  EXPECT_EQ(buf[0], 0);
}
