// Public DEVMODE fields merged from an application's DEVMODE, the check of a default store, and the
// source and output paper geometry that follows them.
#include <cstring>
#include <vector>

#include "context_fixture.h"
#include "driverdata/img_image.h"
#include "kvplat/devmode.h"
#include "settings/modules.h"
#include "settings/paper_geometry.h"
#include "settings/public_fields.h"
#include "settings/setting_ids.h"
#include "settings/units.h"

using namespace kvstgtest;

namespace {

// An application's DEVMODE: public part only, of one of the three known sizes.
std::vector<BYTE> AppDevmode(WORD size, DWORD fields) {
  std::vector<BYTE> b(sizeof(DEVMODEW), 0);
  auto* dm = reinterpret_cast<DEVMODEW*>(b.data());
  dm->dmSpecVersion = size == 188 ? 0x320 : size == 212 ? 0x400 : 0x401;
  dm->dmSize = size;
  dm->dmFields = fields;
  b.resize(size);
  return b;
}
DEVMODEW* D(std::vector<BYTE>& b) { return reinterpret_cast<DEVMODEW*>(b.data()); }

struct Geometry {
  DWORD length, width, prnLength, prnWidth, x, y;
  bool operator==(const Geometry&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Geometry& g) {
  return os << "{" << g.length << " " << g.width << " " << g.prnLength << " " << g.prnWidth << " " << g.x << " " << g.y
            << "}";
}

class PublicFields : public OneContextTest {
 protected:
  DEVMODEW* Store() { return StgGetDevmode(ctx_); }
  DWORD V(WORD id) { return (DWORD)StgGetValue(ctx_, id, nullptr); }
  void Set(WORD id, DWORD v) { StgSetValue(ctx_, id, v); }
  Geometry Src() {
    return {V(sid::rdmSrcPaperLengthDot), V(sid::rdmSrcPaperWidthDot), V(sid::rdmSrcPaperPrnLengthDot),
            V(sid::rdmSrcPaperPrnWidthDot), V(sid::rdmSrcXOffset), V(sid::rdmSrcYOffset)};
  }
  Geometry Dst() {
    return {V(sid::rdmDstPaperLengthDot), V(sid::rdmDstPaperWidthDot), V(sid::rdmDstPaperPrnLengthDot),
            V(sid::rdmDstPaperPrnWidthDot), V(sid::rdmDstXOffset), V(sid::rdmDstYOffset)};
  }
  void Merge(std::vector<BYTE>& in, DWORD mode = STG_MERGE_MODIFY) {
    ASSERT_EQ(StgMergeDevmodeEx(ctx_, D(in), in.size(), mode), 1);
  }
  // A custom size written where both the one-off size and the source slot selection read it.
  void CustomSlotDots(LONG width, LONG length) {
    Set(sid::rdmPaperFreeSizeWidth, (DWORD)width);
    Set(sid::rdmPaperFreeSizeLength, (DWORD)length);
    Set(sid::wdmSrcFreeSizeWidth, (DWORD)width);
    Set(sid::wdmSrcFreeSizeLength, (DWORD)length);
  }
};

constexpr DWORD kPaper = DM_ORIENTATION | DM_PAPERSIZE;
constexpr DWORD kCustom = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;

// The application DEVMODEs of a print job: papers, custom sizes at and beyond the model's limits, an
// unknown paper code, and each known DEVMODE size. Geometry at 600 dpi with 5 mm margins.
TEST_F(PublicFields, ApplicationDevmodesGiveTheirPaperAndGeometry) {
  struct Case {
    const char* what;
    WORD size;
    DWORD fields;
    SHORT orientation, paper, length, width;
    SHORT wantPaper, wantLength, wantWidth;
    bool wantCustomBits;
    Geometry src;
  } cases[] = {
      {"A4 portrait", 220, kPaper, 1, 9, 0, 0, 9, 2970, 2100, false, {7016, 4961, 6780, 4725, 118, 118}},
      {"A4 landscape", 220, kPaper, 2, 9, 0, 0, 9, 2100, 2970, false, {4961, 7016, 4725, 6780, 118, 118}},
      {"A0 portrait", 220, kPaper, 1, 267, 0, 0, 267, 11890, 8410, false, {28087, 19866, 27851, 19630, 118, 118}},
      {"A0 landscape", 220, kPaper, 2, 267, 0, 0, 267, 8410, 11890, false, {19866, 28087, 19630, 27851, 118, 118}},
      {"36 x 48 in roll paper", 220, kPaper, 1, 548, 0, 0, 548, 12192, 9144, false,
       {28800, 21600, 28564, 21364, 118, 118}},
      {"custom 300 x 500 mm", 220, kCustom, 1, 256, 5000, 3000, 256, 5000, 3000, true,
       {11811, 7086, 11575, 6850, 118, 118}},
      // The DEVMODE's own custom size is taken as it comes, at the model's width limit and at the
      // largest length the field holds, and beyond the limits.
      {"custom at the limits", 220, kCustom, 1, 256, 32767, 9144, 256, 32767, 9144, true,
       {77402, 21600, 77166, 21364, 118, 118}},
      {"custom beyond the limits", 220, kCustom, 1, 256, 2000, 10000, 256, 2000, 10000, true,
       {4724, 23622, 4488, 23386, 118, 118}},
      // The rules refuse an unknown code: the setting's compiled default (A4) takes its place.
      {"unknown paper code", 220, kPaper, 1, 77, 0, 0, 9, 2970, 2100, false, {7016, 4961, 6780, 4725, 118, 118}},
      {"A3 in a 212-byte DEVMODE", 212, kPaper, 1, 8, 0, 0, 8, 4200, 2970, false, {9921, 7016, 9685, 6780, 118, 118}},
      {"A3 in a 188-byte DEVMODE", 188, kPaper, 1, 8, 0, 0, 8, 4200, 2970, false, {9921, 7016, 9685, 6780, 118, 118}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto in = AppDevmode(k.size, k.fields);
    D(in)->dmOrientation = k.orientation;
    D(in)->dmPaperSize = k.paper;
    D(in)->dmPaperLength = k.length;
    D(in)->dmPaperWidth = k.width;
    Merge(in);
    EXPECT_EQ(Store()->dmPaperSize, k.wantPaper);
    EXPECT_EQ(Store()->dmPaperLength, k.wantLength);
    EXPECT_EQ(Store()->dmPaperWidth, k.wantWidth);
    const DWORD custom = DM_PAPERLENGTH | DM_PAPERWIDTH;
    EXPECT_EQ(Store()->dmFields & custom, k.wantCustomBits ? custom : 0u);
    EXPECT_EQ(Src(), k.src);
    // Output paper "same as paper size": the output geometry is the source's.
    EXPECT_EQ(V(sid::rdmOutPaperSize), 1024u);
    EXPECT_EQ(Dst(), k.src);
  }
}

// Scale, copies, quality, y resolution and collate of hostile or unusual values.
TEST_F(PublicFields, FieldsOutsideTheirRangesTakeTheirDefaults) {
  struct Case {
    const char* what;
    DWORD fields;
    SHORT scale, copies, quality, yResolution;
    SHORT wantScale, wantCopies, wantQuality;
  } cases[] = {
      {"scale 0", 0, 0, 1, 600, 600, 100, 1, 600},
      {"scale 10000", 0, 10000, 1, 600, 600, 100, 1, 600},
      {"scale 400 kept", 0, 400, 1, 600, 600, 400, 1, 600},
      {"copies 0", 0, 100, 0, 600, 600, 100, 1, 600},
      {"copies 1000", 0, 100, 1000, 600, 600, 100, 1, 600},
      {"copies 65535", 0, 100, (SHORT)-1, 600, 600, 100, 1, 600},
      {"copies 999 kept", 0, 100, 999, 600, 600, 100, 999, 600},
      {"DMRES_HIGH", 0, 100, 1, DMRES_HIGH, 600, 100, 1, 600},
      {"300 dpi, y resolution forced to it", DM_YRESOLUTION, 100, 1, 300, 1200, 100, 1, 300},
      {"y resolution does not lead", DM_YRESOLUTION, 100, 1, 600, 300, 100, 1, 600},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto in = AppDevmode(220, k.fields | DM_SCALE | DM_COPIES | DM_PRINTQUALITY | DM_COLLATE);
    D(in)->dmScale = k.scale;
    D(in)->dmCopies = k.copies;
    D(in)->dmPrintQuality = k.quality;
    D(in)->dmYResolution = k.yResolution;
    D(in)->dmCollate = 1;
    Merge(in);
    EXPECT_EQ(Store()->dmScale, k.wantScale);
    EXPECT_EQ(Store()->dmCopies, k.wantCopies);
    EXPECT_EQ(Store()->dmPrintQuality, k.wantQuality);
    EXPECT_EQ(Store()->dmYResolution, Store()->dmPrintQuality);
    EXPECT_TRUE(Store()->dmFields & DM_YRESOLUTION);
    EXPECT_FALSE(Store()->dmFields & DM_SCALE);
    // The resolution settings follow the quality.
    EXPECT_EQ(V(sid::rdmDstResolutionW), (DWORD)k.wantQuality);
    // Collate exactly when the sort type is selectable.
    EXPECT_EQ((Store()->dmFields & DM_COLLATE) != 0, StgQuerySortTypeList(ctx_) != 0);
    if (!StgQuerySortTypeList(ctx_)) {
      EXPECT_EQ(Store()->dmCollate, 0);
    }
  }
}

TEST_F(PublicFields, CustomSizeBranches) {
  // A user size claimed with DM_PAPERSIZE is still taken by its length and width.
  auto in = AppDevmode(220, kCustom);
  D(in)->dmPaperSize = 256;
  D(in)->dmPaperLength = 4000;
  D(in)->dmPaperWidth = 3000;
  Merge(in);
  EXPECT_EQ(Store()->dmPaperLength, 4000);
  EXPECT_EQ(V(sid::rdmPaperFreeSizeLength), StgLengthToDots(STG_UNIT_METRIC, 4000, 1200));
  EXPECT_EQ(V(sid::rdmPaperFreeSizeWidth), StgLengthToDots(STG_UNIT_METRIC, 3000, 1200));

  // A width of 0 is no custom size, and without DM_PAPERSIZE nothing of the paper changes.
  auto a4 = AppDevmode(220, kPaper);
  D(a4)->dmOrientation = 1;
  D(a4)->dmPaperSize = 9;
  Merge(a4);
  auto zero = AppDevmode(220, DM_PAPERLENGTH | DM_PAPERWIDTH | DM_PAPERSIZE);
  D(zero)->dmPaperSize = 256;
  D(zero)->dmPaperLength = 5000;
  D(zero)->dmPaperWidth = 0;
  Merge(zero);
  EXPECT_EQ(Store()->dmPaperSize, 9);
  EXPECT_EQ(Store()->dmPaperLength, 2970);
  EXPECT_EQ(Store()->dmPaperWidth, 2100);

  // With an oversized custom size in the store the code 256 is taken as a paper code.
  Set(sid::rdmFuncSelectFreeShortOver, 1);
  DWORD before = V(sid::rdmPaperFreeSizeLength);
  D(in)->dmPaperLength = 6000;
  Merge(in);
  EXPECT_EQ(Store()->dmPaperSize, 256);
  EXPECT_EQ(V(sid::rdmPaperFreeSizeLength), before);
}

// dmDuplex 2 binds on the long edge: in landscape that is binding type 1; an existing binding type is
// corrected into the allowed rows.
TEST_F(PublicFields, DuplexBindingFollowsOrientation) {
  struct Case {
    const char* what;
    DWORD on, type;
    SHORT duplex, orientation;
    DWORD wantOn, wantType;
  } cases[] = {
      {"off, 2, landscape", 0, 3, 2, 2, 1, 1},  {"off, 2, portrait", 0, 1, 2, 1, 1, 3},
      {"off, 3, portrait", 0, 3, 3, 1, 1, 1},   {"on 18, 2, landscape", 1, 18, 2, 2, 1, 17},
      {"on 21, 2, landscape", 1, 21, 2, 2, 1, 20}, {"on 5, 2, landscape", 1, 5, 2, 2, 1, 1},
      {"on 17, 3, landscape", 1, 17, 3, 2, 1, 19}, {"on 20, 2, portrait", 1, 20, 2, 1, 1, 22},
      {"on 2, 2, portrait keeps", 1, 2, 2, 1, 1, 2}, {"simplex switches off", 1, 3, 1, 1, 0, 3},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Set(sid::rdmFuncSelectDuplex, k.on);
    Set(sid::rdmDuplexType, k.type);
    auto in = AppDevmode(220, DM_DUPLEX | DM_ORIENTATION);
    D(in)->dmDuplex = k.duplex;
    D(in)->dmOrientation = k.orientation;
    Merge(in);
    EXPECT_EQ(V(sid::rdmFuncSelectDuplex), k.wantOn);
    EXPECT_EQ(V(sid::rdmDuplexType), k.wantType);
  }
}

// Regression: an empty form name used to lock the field, so no later name was ever taken. A name
// that fills the field without a terminator is cut and terminated.
TEST_F(PublicFields, FormNameIsTakenWheneverOneIsGiven) {
  auto in = AppDevmode(220, DM_FORMNAME);
  Merge(in);
  EXPECT_EQ(Store()->dmFormName[0], 0);
  EXPECT_FALSE(Store()->dmFields & DM_FORMNAME);
  std::memcpy(D(in)->dmFormName, u"A3", 6);
  Merge(in);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(Store()->dmFormName)), u"A3");
  EXPECT_TRUE(Store()->dmFields & DM_FORMNAME);
  for (auto& c : D(in)->dmFormName) c = u'x';
  Merge(in);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(Store()->dmFormName)), std::u16string(31, u'x'));
}

// A DEVMODE whose dmFields claims fields beyond its dmSize: nothing past its end is read; the fields
// it does not carry keep the store's values.
TEST_F(PublicFields, FieldsBeyondTheCallersSizeAreNotRead) {
  Store()->dmMediaType = 1;
  auto in = AppDevmode(188, DM_MEDIATYPE | DM_DITHERTYPE | DM_ICMMETHOD | DM_PAPERSIZE);
  D(in)->dmPaperSize = 8;
  Merge(in);  // the buffer is exactly 188 bytes: a read past it is caught by the sanitizer
  EXPECT_EQ(Store()->dmPaperSize, 8);
  EXPECT_EQ(Store()->dmMediaType, 1u);
}

// The check of a default store, field by field against the image's nodes.
TEST_F(PublicFields, CheckBringsEveryFieldToAnAcceptedValue) {
  DEVMODEW* dm = Store();
  dm->dmOrientation = 7;
  dm->dmPaperSize = 0;
  dm->dmCopies = 0;
  dm->dmScale = 0;
  dm->dmTTOption = 0;
  dm->dmDefaultSource = 0;
  dm->dmFields = 0;
  StgCheckPublicFields(1, ctx_);
  const MODEL_BLOCK* m = StgGetModelBlock();
  EXPECT_EQ(dm->dmOrientation, (SHORT)m->orientation);
  EXPECT_EQ(dm->dmPaperSize, (SHORT)m->paperSize);
  EXPECT_EQ(dm->dmCopies, (SHORT)m->copies);
  EXPECT_EQ(dm->dmScale, (SHORT)m->scale);
  EXPECT_EQ(dm->dmTTOption, (SHORT)m->ttOption);
  EXPECT_EQ(dm->dmDefaultSource, (SHORT)m->defaultSource);
  for (DWORD bit : {DM_ORIENTATION, DM_PAPERSIZE, DM_COPIES, DM_TTOPTION, DM_DEFAULTSOURCE, DM_PRINTQUALITY}) {
    SCOPED_TRACE(bit);
    EXPECT_TRUE(dm->dmFields & bit);
  }
  EXPECT_EQ(dm->dmSize, 220);
  EXPECT_EQ(dm->dmDriverExtra, 1016);
  // A platform quality code stays when the field has a list or Numeric node.
  dm->dmPrintQuality = DMRES_HIGH;
  StgCheckPublicFields(1, ctx_);
  WORD type = (WORD)(ImgGetNodeType(ctx_, sid::dmPrintQuality));
  EXPECT_EQ(dm->dmPrintQuality, type == 1 || type == 8 ? DMRES_HIGH : (SHORT)m->printQuality);
}

// ---- Geometry of custom slots and papers.

TEST_F(PublicFields, CustomSlotBeyondTheDevmodesReach) {
  struct Case {
    LONG length;
    DWORD over;
  } cases[] = {{(LONG)STG_FREE_SHORT_MAX_DOTS, 0}, {(LONG)STG_FREE_SHORT_MAX_DOTS + 1, 1}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.length);
    CustomSlotDots(20000, k.length);
    DEVMODEW* dm = Store();
    dm->dmPaperSize = 256;
    StgApplySourcePaper(256, sid::dmPaperSize, ctx_, dm);
    EXPECT_EQ(V(sid::rdmFuncSelectFreeShortOver), k.over);
    EXPECT_EQ(V(sid::rdmSrcPaperLengthDot), StgRescale((DWORD)k.length, 1200, 600));
    EXPECT_EQ(V(sid::rdmSrcPaperWidthDot), 10000u);
    if (k.over) {
      EXPECT_EQ(dm->dmPaperLength, 0);
      EXPECT_EQ(dm->dmPaperWidth, 0);
      EXPECT_EQ(dm->dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH), 0u);
    } else {
      EXPECT_EQ(dm->dmPaperLength, (SHORT)StgDotsToLength(STG_UNIT_METRIC, (DWORD)k.length, 1200));
      EXPECT_EQ(dm->dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH), (DWORD)(DM_PAPERLENGTH | DM_PAPERWIDTH));
    }
    EXPECT_TRUE(dm->dmFields & DM_PAPERSIZE);
  }
}

TEST_F(PublicFields, TooNarrowCustomWidthIsRaisedToTheMinimum) {
  CustomSlotDots(5000, 20000);
  Store()->dmPaperSize = 256;
  StgApplySourcePaper(256, sid::dmPaperSize, ctx_, Store());
  LONG lo = 0, hi = 0;
  ASSERT_EQ(StgGetCustomSizeLimits(ctx_, sid::wdmFreeSizeWidth, &lo, &hi), 1);
  DWORD minimum = (DWORD)StgDisplayUnitsToDots(ctx_, 0, lo);
  EXPECT_GE(minimum, 9920u);
  EXPECT_LT(minimum, 9920u + 24);
  EXPECT_EQ(V(sid::rdmSrcPaperWidthDot), StgRescale(minimum, 1200, 600));
}

TEST_F(PublicFields, UnknownPaperKeepsTheGeometryButClearsTheOversizeFlag) {
  StgApplySourcePaper(9, sid::dmPaperSize, ctx_, Store());
  Geometry before = Src();
  Set(sid::rdmFuncSelectFreeShortOver, 1);
  StgApplySourcePaper(77, sid::dmPaperSize, ctx_, Store());
  EXPECT_EQ(Src(), before);
  EXPECT_EQ(V(sid::rdmFuncSelectFreeShortOver), 0u);
}

TEST_F(PublicFields, OutputSameAsACustomSourceCopiesTheSourceGeometry) {
  CustomSlotDots(30000, 40000);
  Set(sid::dmPaperSize, 256);
  StgApplySourcePaper(256, sid::dmPaperSize, ctx_, Store());
  StgApplyOutputPaper(1024, sid::rdmOutPaperSize, ctx_, Store());
  EXPECT_EQ(Src(), (Geometry{20000, 15000, 19764, 14764, 118, 118}));
  EXPECT_EQ(Dst(), Src());
}

int KeepDevmodeSize(SETTING_CONTEXT*, DWORD event, void* arg, void*) {
  if (event != STG_EVENT_CUSTOM_SIZE_WRITTEN) return 0;
  static_cast<STG_CUSTOM_SIZE_ARG*>(arg)->handled = 1;
  return 1;
}

TEST_F(PublicFields, ModuleHandlingTheCustomSizeKeepsTheDevmodesSize) {
  ASSERT_NE(ctx_->work->modules, nullptr);
  FEATURE_MODULE& row = ctx_->work->modules->rows[0];
  STG_MODULE_EVENT own = row.event;
  row.event = KeepDevmodeSize;
  CustomSlotDots(30000, 40000);
  Store()->dmPaperSize = 256;
  Store()->dmPaperLength = 1234;
  Store()->dmPaperWidth = 567;
  StgApplySourcePaper(256, sid::dmPaperSize, ctx_, Store());
  row.event = own;
  EXPECT_EQ(Store()->dmPaperLength, 1234);
  EXPECT_EQ(Store()->dmPaperWidth, 567);
  EXPECT_EQ(V(sid::rdmSrcPaperLengthDot), 20000u);
}

// Regression: a paper smaller than its two margins used to give a printable size of about 4 billion
// dots; it has none.
TEST_F(PublicFields, PaperSmallerThanItsMarginsHasNoPrintableArea) {
  Store()->dmPrintQuality = 600;
  Store()->dmPaperLength = 30;  // 3 mm
  Store()->dmPaperWidth = 1;
  StgSetSourcePaperFromDevmode(Store(), ctx_);
  EXPECT_EQ(V(sid::rdmSrcPaperPrnLengthDot), 0u);
  EXPECT_EQ(V(sid::rdmSrcPaperPrnWidthDot), 0u);
  EXPECT_EQ(V(sid::rdmSrcYOffset), 118u);
  // A platform quality code is no resolution: the destination resolution stands in.
  Store()->dmPrintQuality = DMRES_DRAFT;
  Store()->dmPaperLength = 2970;
  StgSetSourcePaperFromDevmode(Store(), ctx_);
  EXPECT_EQ(V(sid::rdmSrcPaperLengthDot), StgLengthToDots(STG_UNIT_METRIC, 2970, 600));
}

// The landscape variants lay a custom slot across the sheet; the DEVMODE keeps the slot's own size.
TEST_F(PublicFields, LandscapeVariantsSwapACustomSlot) {
  CustomSlotDots(30000, 40000);
  Set(sid::wdmFreeSizeWidth, 30000);
  Set(sid::wdmFreeSizeLength, 40000);
  Set(sid::dmPaperSize, 256);
  Store()->dmOrientation = DMORIENT_LANDSCAPE;
  StgApplySourcePaperLandscape(256, sid::dmPaperSize, ctx_, Store());
  EXPECT_EQ(V(sid::rdmSrcPaperLengthDot), 15000u);
  EXPECT_EQ(V(sid::rdmSrcPaperWidthDot), 20000u);
  EXPECT_EQ(Store()->dmPaperLength, (SHORT)StgDotsToLength(STG_UNIT_METRIC, 40000, 1200));
  StgApplyOutputPaperLandscape(256, sid::rdmOutPaperSize, ctx_, Store());
  EXPECT_EQ(V(sid::rdmDstPaperLengthDot), 15000u);
  EXPECT_EQ(V(sid::rdmDstPaperWidthDot), 20000u);
  // Portrait: no swap.
  Store()->dmOrientation = DMORIENT_PORTRAIT;
  StgApplySourcePaperLandscape(256, sid::dmPaperSize, ctx_, Store());
  EXPECT_EQ(V(sid::rdmSrcPaperLengthDot), 20000u);
}

int AnswerQuality300(SETTING_CONTEXT*, DWORD event, void* arg, void*) {
  if (event != STG_EVENT_VALUE_REJECTED) return 0;
  static_cast<STG_VALUE_REJECTED_ARG*>(arg)->value = 300;
  return 1;
}

// A quality the rules refuse is offered to the modules; the answer is taken.
TEST_F(PublicFields, RefusedQualityFallsBackThroughTheModules) {
  FEATURE_MODULE& row = ctx_->work->modules->rows[0];
  STG_MODULE_EVENT own = row.event;
  row.event = AnswerQuality300;
  auto in = AppDevmode(220, DM_PRINTQUALITY);
  D(in)->dmPrintQuality = 450;
  Merge(in);
  row.event = own;
  EXPECT_EQ(Store()->dmPrintQuality, 300);
  EXPECT_EQ(Store()->dmYResolution, 300);
  EXPECT_EQ(V(sid::rdmDstResolutionW), 300u);
}

TEST_F(PublicFields, DefaultStoreCarriesThePrivateTexts) {
  const auto* h = reinterpret_cast<const PRIVATE_DEVMODE_HEADER*>(ctx_->store->bytes + PDM_OFF);
  EXPECT_STREQ(h->iniFileName, "kvdrvset.ini");
  EXPECT_STREQ(h->cdcVersion, "01.00");
  EXPECT_STREQ(h->kpjlVersion, "01.00");
  EXPECT_EQ(h->kcomVersion, 0);
  EXPECT_EQ(h->kcomMember[0] | h->kcomCaps[31], 0);
  // The public part of a default store: sizes and the model's paper with its geometry.
  EXPECT_EQ(Store()->dmSize, 220);
  EXPECT_EQ(Store()->dmDriverExtra, 1016);
  EXPECT_EQ(Src(), (Geometry{7016, 4961, 6780, 4725, 118, 118}));
}

TEST_F(PublicFields, ResolutionSettingsFollowEachOther) {
  Store()->dmPrintQuality = 300;
  Set(sid::rdmUseUserMacro, 0);
  Set(sid::rdmLock000InfoBitResolution, 0);
  StgSyncResolutionFromQuality(Store(), ctx_);
  EXPECT_EQ(Store()->dmYResolution, 300);
  EXPECT_EQ(V(sid::rdmDstResolutionW), 300u);
  EXPECT_EQ(V(sid::rdmDstResolutionH), 300u);
  Set(sid::rdmDstResolutionW, 600);
  StgSyncResolutionFromDst(Store(), ctx_);
  EXPECT_EQ(Store()->dmPrintQuality, 600);
  EXPECT_EQ(Store()->dmYResolution, 600);
  EXPECT_EQ(V(sid::rdmDstResolutionH), 600u);
}

}  // namespace
