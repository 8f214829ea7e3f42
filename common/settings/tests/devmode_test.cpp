// The private DEVMODE: validators, dmSpecVersion by size, copies between public sizes, and the
// intake of foreign, older, truncated and hostile DEVMODEs.
#include <cstring>
#include <vector>

#include "context_fixture.h"
#include "kvplat/testhooks.h"

using namespace kvstgtest;

namespace {

template <typename T>
void Put(std::vector<BYTE>& b, size_t off, T v) {
  std::memcpy(b.data() + off, &v, sizeof(T));
}
template <typename T>
T Get(const BYTE* b, size_t off) {
  T v;
  std::memcpy(&v, b + off, sizeof(T));
  return v;
}
DEVMODEW* D(std::vector<BYTE>& b) { return reinterpret_cast<DEVMODEW*>(b.data()); }

class Devmode : public ContextTest {
 protected:
  void SetUp() override {
    ContextTest::SetUp();
    ctx_ = Create(printer_);
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    StgReleaseContext(ctx_, STG_RELEASE_FREE);
    ContextTest::TearDown();
  }
  // A DEVMODE of this model as another context of the same printer would hand it out.
  std::vector<BYTE> Valid() {
    std::vector<BYTE> b(ctx_->store->bytes, ctx_->store->bytes + STG_DEVMODE_SIZE);
    return b;
  }
  std::vector<BYTE> StoreDevmode() { return Valid(); }
  FakePrinter printer_{u"P"};
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(Devmode, ValidatorsFailOnEachTestSeparately) {
  struct Case {
    const char* what;
    size_t off;
    int width;
    DWORD value;
    int valid, sameModel, sameLayout;
  };
  const Case cases[] = {
      {"untouched", 0, 0, 0, 1, 1, 1},
      {"model id", PDM_OFF_MODEL_ID, 4, 0x12345678, 0, 0, 0},
      {"private size", PDM_OFF_PRIVATE_SIZE, 4, 1024, 0, 1, 0},
      {"settings version", PDM_OFF_VERSION, 4, 321, 0, 1, 1},
      {"machine id", PDM_OFF_MACHINE_ID, 1, 105, 0, 0, 0},
      {"driver type", PDM_OFF_DRIVER_TYPE, 1, 0, 0, 0, 0},
      {"signature is not tested", PDM_OFF_SIGNATURE, 4, 0, 1, 1, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    std::vector<BYTE> b = Valid();
    if (k.width == 4) Put<DWORD>(b, k.off, k.value);
    if (k.width == 1) b[k.off] = (BYTE)k.value;
    EXPECT_EQ(StgIsValidPrivateDevmode(D(b)), k.valid);
    EXPECT_EQ(StgIsSameModelDevmode(D(b)), k.sameModel);
    EXPECT_EQ(StgIsSameLayoutDevmode(D(b)), k.sameLayout);
  }
  EXPECT_EQ(StgIsValidPrivateDevmode(nullptr), 0);
  // A DEVMODE whose own extent ends before the fixed offsets is not read there.
  std::vector<BYTE> shortDm = Valid();
  Put<WORD>(shortDm, DM_OFF_DRIVER_EXTRA, 100);
  EXPECT_EQ(StgIsSameModelDevmode(D(shortDm)), 0);
  EXPECT_EQ(StgGetDmModelId(D(shortDm)), 0u);
}

TEST_F(Devmode, SpecVersionBySize) {
  std::vector<BYTE> b(256);
  Put<WORD>(b, DM_OFF_SPEC_VERSION, 0x123);
  for (auto [size, spec] : {std::pair<WORD, WORD>{188, 0x320}, {212, 0x400}, {220, 0x401}, {200, 0x123}}) {
    Put<WORD>(b, DM_OFF_SIZE, size);
    EXPECT_EQ(StgDevmodeSpecOfSize(D(b)), spec) << size;
  }
  EXPECT_EQ(StgDevmodeSpecOfSize(nullptr), 0);
}

TEST_F(Devmode, CopyFromTheOldSize) {
  // 188 public bytes then a private part: read through the old-size path, whatever its version.
  std::vector<BYTE> src(188 + 1016, 0);
  for (size_t i = 0; i < 188; ++i) src[i] = (BYTE)(i + 1);
  Put<WORD>(src, DM_OFF_SIZE, 188);
  Put<WORD>(src, DM_OFF_DRIVER_EXTRA, 1016);
  Put<WORD>(src, DM_OFF_DRIVER_VERSION, 0x999);
  src[188 + 500] = 0xAB;
  std::vector<BYTE> dst = StoreDevmode();
  EXPECT_EQ(StgCopyDevmode(D(src), D(dst)), 188 + 1016);
  EXPECT_EQ(Get<WORD>(dst.data(), DM_OFF_SIZE), 220);
  EXPECT_EQ(Get<WORD>(dst.data(), DM_OFF_SPEC_VERSION), 0x401);
  EXPECT_EQ(Get<WORD>(dst.data(), DM_OFF_DRIVER_VERSION), 0x400);
  EXPECT_EQ(dst[100], 101);
  EXPECT_EQ(dst[220 + 500], 0xAB);
  EXPECT_EQ(Get<WORD>(dst.data(), PDM_OFF_BLOCK_OFFSETS + 2), 1236);
}

TEST_F(Devmode, CopyOfCurrentSizes) {
  // 212: the public part is taken, the private part when its size and driver version fit.
  std::vector<BYTE> src(212 + 1016, 0);
  Put<WORD>(src, DM_OFF_SIZE, 212);
  Put<WORD>(src, DM_OFF_DRIVER_EXTRA, 1016);
  Put<WORD>(src, DM_OFF_DRIVER_VERSION, 0x400);
  Put<WORD>(src, DM_OFF_SPEC_VERSION, 0x400);
  src[150] = 0x5A;
  src[212 + 800] = 0xCD;
  Put<WORD>(src, 212 + 143, 7777);  // a bogus block offset
  std::vector<BYTE> dst = StoreDevmode();
  EXPECT_EQ(StgCopyDevmode(D(src), D(dst)), 212 + 1016);
  EXPECT_EQ(dst[150], 0x5A);
  EXPECT_EQ(dst[220 + 800], 0xCD);
  EXPECT_EQ(Get<WORD>(dst.data(), PDM_OFF_BLOCK_OFFSETS + 2), 1236);
  EXPECT_EQ(Get<WORD>(dst.data(), DM_OFF_SPEC_VERSION), 0x401);

  // Another private size: -1, the public part copied, the private part left.
  std::vector<BYTE> other(220 + 500, 0);
  Put<WORD>(other, DM_OFF_SIZE, 220);
  Put<WORD>(other, DM_OFF_DRIVER_EXTRA, 500);
  Put<WORD>(other, DM_OFF_DRIVER_VERSION, 0x400);
  other[120] = 0x77;
  other[220 + 10] = 0xEE;
  std::vector<BYTE> dst2 = StoreDevmode();
  BYTE before = dst2[220 + 10];
  EXPECT_EQ(StgCopyDevmode(D(other), D(dst2)), -1);
  EXPECT_EQ(dst2[120], 0x77);
  EXPECT_EQ(dst2[220 + 10], before);
  EXPECT_EQ(StgCopyDevmode(nullptr, D(dst2)), -1);
}

TEST_F(Devmode, BoundsOfACallersDevmode) {
  std::vector<BYTE> b = Valid();
  EXPECT_EQ(StgIsDevmodeWithin(D(b), b.size()), 1);
  EXPECT_EQ(StgIsDevmodeWithin(D(b), b.size() - 1), 0);
  EXPECT_EQ(StgIsDevmodeWithin(D(b), 60), 0);
  Put<WORD>(b, DM_OFF_SIZE, 10);
  EXPECT_EQ(StgIsDevmodeWithin(D(b), b.size()), 0);
}

// ---------------------------------------------------------------------------------------------

class Merge : public Devmode {
 protected:
  std::vector<BYTE> StoreBytes() { return std::vector<BYTE>(ctx_->store->bytes, ctx_->store->bytes + STG_STORE_SIZE); }
};

TEST_F(Merge, OnlyModifyOrDocumentSheetModesDoAnything) {
  std::vector<BYTE> in = Valid();
  Put<DWORD>(in, PDM_OFF_FRONT_FUNC + 4, 0xFFFF);
  std::vector<BYTE> before = StoreBytes();
  EXPECT_EQ(StgMergeDevmode(ctx_, D(in), STG_MERGE_COPY), 1);
  EXPECT_EQ(StoreBytes(), before);
}

TEST_F(Merge, ValidDevmodeBringsItsPrivateSettingsButNotTheContextsState) {
  std::vector<BYTE> in = Valid();
  SETTING_CONTEXT* other = ctx_;
  (void)other;
  // Private settings to take over, and state bytes the context keeps.
  ITEM_DESC* scale = StgFindItem(ctx_, QDV_rdmScaleType);
  size_t scaleOff = scale->offset;
  in[scaleOff] = 2;
  for (WORD id = 705; id <= 722; ++id) in[PdmStateOffset(id)] = 0x5A;
  Put<DWORD>(in, PDM_OFF_FRONT_FUNC, 0xDEAD);
  Put<WORD>(in, PDM_OFF_BLOCK_OFFSETS, 4000);
  StgSetBidiFunc(ctx_, 3);
  StgSetPresentUIMode(ctx_, 0);
  ASSERT_EQ(StgMergeDevmodeEx(ctx_, D(in), in.size(), STG_MERGE_MODIFY | STG_MERGE_PROMPT), 1);
  EXPECT_EQ(StgGetValue(ctx_, QDV_rdmScaleType, nullptr), 2u);
  // The eleven kept state bytes and rdmFrontFunc are the context's.
  EXPECT_EQ(StgGetCallSrc(ctx_), 1);
  EXPECT_EQ(StgGetBatchInst(ctx_), 1);
  EXPECT_EQ(StgGetBidiFunc(ctx_), 3);
  EXPECT_EQ(StgGetDmFrontFunc(StgGetDevmode(ctx_)), 0u);
  // Others come with the incoming DEVMODE; the installed companions are recomputed.
  EXPECT_EQ(StgGetPresentUIMode(ctx_), StgGetValue(ctx_, QDV_rdmUIModeChange, nullptr) ? 1 : 0);  // derived
  EXPECT_EQ(StgGetUserCodeDLL(ctx_), 0x5A);
  EXPECT_EQ(StgGetJBInstalled(ctx_), 0);
  EXPECT_EQ(StgGetTVInstalled(ctx_), 0);
  EXPECT_EQ(Get<WORD>(ctx_->store->bytes, PDM_OFF_BLOCK_OFFSETS), 0);
  EXPECT_EQ(StgGetValue(ctx_, QDV_wdmCtrlWorkPrompt, nullptr), 1u);
  EXPECT_EQ(StgGetValue(ctx_, QDV_rdmExtOutputEMFSpool, nullptr), 1u);
  EXPECT_EQ(ctx_->work->mergeMode, (DWORD)(STG_MERGE_MODIFY | STG_MERGE_PROMPT));
}

TEST_F(Merge, VersionAndModelDecideWhetherPrivateSettingsComeIn) {
  ITEM_DESC* scale = StgFindItem(ctx_, QDV_rdmScaleType);
  struct Case {
    const char* what;
    DWORD version, modelId;
    bool taken;
  };
  const Case cases[] = {
      {"same version", 322, 0x76697270, true},
      {"newer minor", 325, 0x76697270, true},
      {"older minor: migrated", 321, 0x76697270, true},
      {"older major", 222, 0x76697270, false},
      {"another model", 322, 0x11223344, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    StgSetValue(ctx_, QDV_rdmScaleType, 1);
    std::vector<BYTE> in = Valid();
    in[scale->offset] = 2;  // fit paper: admissible, not the default
    Put<DWORD>(in, PDM_OFF_VERSION, k.version);
    Put<DWORD>(in, PDM_OFF_MODEL_ID, k.modelId);
    ASSERT_EQ(StgMergeDevmode(ctx_, D(in), STG_MERGE_MODIFY), 1);
    EXPECT_EQ(StgGetValue(ctx_, QDV_rdmScaleType, nullptr), k.taken ? 2u : 1u);
    DWORD v = StgGetDmSettingsVersion(StgGetDevmode(ctx_));
    if (k.version == 321) {
      EXPECT_EQ(v, 322u);
    }
    EXPECT_EQ(StgGetDmModelId(StgGetDevmode(ctx_)), 0x76697270u);
  }
}

TEST_F(Merge, OldSizeDevmodeIsReadThroughTheOldPath) {
  std::vector<BYTE> in(188 + 1016, 0);
  std::memcpy(in.data(), ctx_->store->bytes, 188);
  std::memcpy(in.data() + 188, ctx_->store->bytes + 220, 1016);
  Put<WORD>(in, DM_OFF_SIZE, 188);
  ITEM_DESC* scale = StgFindItem(ctx_, QDV_rdmScaleType);
  in[188 + (scale->offset - 220)] = 1;
  ASSERT_EQ(StgMergeDevmodeEx(ctx_, D(in), in.size(), STG_MERGE_MODIFY), 1);
  EXPECT_EQ(StgGetValue(ctx_, QDV_rdmScaleType, nullptr), 1u);
  EXPECT_EQ(Get<WORD>(ctx_->store->bytes, DM_OFF_SIZE), 220);
  EXPECT_EQ(Get<WORD>(ctx_->store->bytes, DM_OFF_SPEC_VERSION), 0x401);
}

TEST_F(Merge, TruncatedOrHostileDevmodesAreRefused) {
  std::vector<BYTE> before = StoreBytes();
  std::vector<BYTE> in = Valid();
  in.resize(600);  // says 220 + 1016, holds 600
  EXPECT_EQ(StgMergeDevmodeEx(ctx_, D(in), in.size(), STG_MERGE_MODIFY), 0);
  EXPECT_EQ(StoreBytes(), before);
  std::vector<BYTE> tiny(40, 0xFF);
  EXPECT_EQ(StgMergeDevmodeEx(ctx_, D(tiny), tiny.size(), STG_MERGE_MODIFY), 0);
  EXPECT_EQ(StoreBytes(), before);
  // No DEVMODE at all still runs the intake.
  EXPECT_EQ(StgMergeDevmodeEx(ctx_, nullptr, 0, STG_MERGE_MODIFY), 1);
}

TEST_F(Merge, LockPrintMethodAndNotifyBits) {
  struct Case {
    const char* what;
    bool locked;
    DWORD mode;
    BYTE expect;
  };
  const Case cases[] = {
      {"no lock: incoming", false, STG_MERGE_MODIFY, 7},
      {"print-type lock: kept", true, STG_MERGE_MODIFY, 2},
      {"lock but keep-incoming mode", true, STG_MERGE_MODIFY | STG_MERGE_KEEP_LOCK_METHOD, 7},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    StgSetDmLockPrnMethod(StgGetDevmode(ctx_), 2);
    StgSetValue(ctx_, 10424, k.locked ? 1 : 0);
    std::vector<BYTE> in = Valid();
    in[PDM_OFF_LOCK_PRN_METHOD] = 7;
    ASSERT_EQ(StgMergeDevmode(ctx_, D(in), k.mode), 1);
    EXPECT_EQ(StgGetDmLockPrnMethod(StgGetDevmode(ctx_)), k.expect);
  }
  // Job-complete and job-error bits stay the context's with 0x400000.
  StgSetDmJobCompleteNotify(StgGetDevmode(ctx_), 1);
  StgSetDmJobErrNotify(StgGetDevmode(ctx_), 0);
  std::vector<BYTE> in = Valid();
  Put<DWORD>(in, PDM_OFF_SUPPORT_FUNC2, 0xF2);
  ASSERT_EQ(StgMergeDevmode(ctx_, D(in), STG_MERGE_MODIFY | STG_MERGE_KEEP_NOTIFY), 1);
  EXPECT_EQ(StgGetDmSupportFunc2Bits(StgGetDevmode(ctx_)), 0xF1u);
}

TEST_F(Merge, OutOfMemoryLeavesTheStoreAsItWas) {
  std::vector<BYTE> in = Valid();
  Put<DWORD>(in, PDM_OFF_VERSION, 321);  // needs the aside buffer as well
  in[StgFindItem(ctx_, QDV_rdmScaleType)->offset] = 3;
  std::vector<BYTE> before = StoreBytes();
  for (unsigned n : {1u, 2u}) {
    SCOPED_TRACE(n);
    kvp::test::FailAllocAt(n);
    EXPECT_EQ(StgMergeDevmode(ctx_, D(in), STG_MERGE_MODIFY), 0);
    kvp::test::FailAllocAt(0);
    EXPECT_EQ(StoreBytes(), before);
  }
}

}  // namespace
