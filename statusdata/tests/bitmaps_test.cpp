// Status pictures: which bitmaps are drawn, in which order, and the picture-list records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/heap.h"
#include "kvplat/resource.h"
#include "kvplat/testhooks.h"
#include "statusdata/bitmaps.h"
#include "statusdata/tests/status_fixture.h"

namespace {

using sdtest::StatusContainer;
using sdtest::StatusRecord;

constexpr DWORD kAlt = PAT_KIND_ALTERNATE;

// The drawing list of the first entry as "NAME@x,y:op" texts.
std::vector<std::string> Drawing(const PAT_BITMAP_INFO* info) {
  std::vector<std::string> out;
  auto* entry = static_cast<const PAT_BITMAP_INFO*>(info->elements);
  auto* p = static_cast<const BITMAP_PLACEMENT*>(entry->elements);
  for (DWORD i = 0; i < entry->count; ++i) {
    const char* op = p[i].rop == SRCCOPY ? "copy" : p[i].rop == SRCAND ? "and" : p[i].rop == SRCPAINT ? "or" : "?";
    out.push_back(std::string(p[i].name) + "@" + std::to_string(p[i].x) + "," + std::to_string(p[i].y) + ":" + op);
  }
  return out;
}

std::vector<std::string> Names(const PAT_BITMAP_INFO* info) {
  std::vector<std::string> out;
  for (auto& d : Drawing(info)) out.push_back(d.substr(0, d.find('@')));
  return out;
}

using V = std::vector<std::string>;

TEST(StatusBitmaps, DrawingListsOfTheSelectedStatus) {
  struct Case {
    std::vector<DWORD> codes;
    std::vector<WORD> devices;
    DWORD kind;
    V names;
  } cases[] = {
      {{50115}, {}, 1, {"BM_BASE"}},  // the caution sign sits on the layer normal mode hides
      {{50115}, {}, 1 | kAlt, {"BM_BASE", "BM_CAUTION_B", "BM_CAUTION"}},
      {{40722}, {}, 1, {"BM_BASE", "BM_CAUTION_B", "BM_CAUTION"}},
      {{40722}, {}, 1 | kAlt, {"BM_BASE", "BM_SERVICE_B", "BM_SERVICE"}},
      {{50105}, {}, 1, {"BM_BASE"}},  // layer 0 is never drawn
      {{50105}, {}, 1 | kAlt, {"BM_BASE"}},
      {{42000},
       {DEVICE_CUT_PAPER},
       1,
       {"BM_BASE", "BM_CUTTRAY_B", "BM_CUTTRAY", "BM_POINT_4_B", "BM_POINT_4", "BM_POINT_1_B", "BM_POINT_1",
        "BM_POINT_2_B", "BM_POINT_2"}},
      {{13200, 13300}, {}, 1, {"BM_BASE"}},  // both fall back; the base is drawn once
      {{41201}, {DEVICE_CUT_PAPER}, 1, {"BM_BASE", "BM_CUTTRAY_B", "BM_CUTTRAY", "BM_POINT_1_B", "BM_POINT_1"}},
      {{40292}, {DEVICE_ACCORDION_FOLD}, 1, {"BM_BASE", "BM_ZABA_B", "BM_ZABA", "BM_POINT_7_B", "BM_POINT_7"}},
      {{41201}, {}, 1, {"BM_BASE", "BM_POINT_1_B", "BM_POINT_1"}},
      {{10001}, {}, 1, {"BM_BASE"}},
      {{41201}, {}, true, {"BM_BASE", "BM_POWEROFF_B", "BM_POWEROFF"}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(i);
    bool noResponse = i == std::size(cases) - 1;
    StatusRecord r(c.codes, c.devices, noResponse);
    StatusContainer container(r.record.get());
    DWORD error = 1;
    PAT_BITMAP_INFO* info = PatBuildBitmapInfo(noResponse ? 1 : c.kind, container.get(), &error);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(Names(info), c.names);
    EXPECT_EQ(PatReleaseBitmapInfo(info), 0u);
  }
}

TEST(StatusBitmaps, WorkedExamplePlacementsAndRecords) {
  StatusRecord r({41201});
  StatusContainer container(r.record.get());
  DWORD error;
  PAT_BITMAP_INFO* info = PatBuildBitmapInfo(1, container.get(), &error);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->tag, PAT_BITMAP_TAG_LIST);
  EXPECT_EQ(info->count, 1u);
  EXPECT_EQ(info->elementSize, 24u);
  auto* entry = static_cast<PAT_BITMAP_INFO*>(info->elements);
  EXPECT_EQ(entry->tag, PAT_BITMAP_TAG_ENTRY);
  EXPECT_EQ(entry->elementSize, 48u);
  EXPECT_EQ(Drawing(info), (V{"BM_BASE@0,0:copy", "BM_POINT_1_B@83,98:and", "BM_POINT_1@83,98:or"}));
  auto* p = static_cast<BITMAP_PLACEMENT*>(entry->elements);
  EXPECT_EQ(p[0].layer, 1);
  EXPECT_EQ(p[1].layer, 180);
  EXPECT_GE(GlobalSize(entry->elements), 3 * sizeof(BITMAP_PLACEMENT));
  EXPECT_EQ(PatReleaseBitmapInfo(info), 0u);

  // A kind without a priority table yields one empty entry, not an error.
  StatusContainer h(r.record.get(), nullptr, 0);
  InfoNodeCreate(h.get(), 0, &r, 0);
  info = PatBuildBitmapInfo(0x8000, h.get(), &error);  // root data length 0: the item with id 0
  ASSERT_EQ(info, nullptr);                           // that item holds no record pointer
  EXPECT_EQ(error, ERROR_INVALID_PARAMETER);
  PRN_INFO_EX* rec = r.record.get();
  StatusContainer h4(rec, nullptr, 7);  // root data of 4 bytes: the item with id 4
  info = PatBuildBitmapInfo(0x8000, h4.get(), &error);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(static_cast<PAT_BITMAP_INFO*>(info->elements)->count, 0u);
  EXPECT_EQ(PatReleaseBitmapInfo(info), 0u);
}

TEST(StatusBitmaps, DisposeChecksEverythingBeforeFreeing) {
  StatusRecord r({42000}, {DEVICE_CUT_PAPER});
  StatusContainer container(r.record.get());
  DWORD error;
  EXPECT_EQ(PatReleaseBitmapInfo(nullptr), ERROR_INVALID_PARAMETER);

  // A list whose second entry carries a bad tag is refused whole: nothing is freed, so the caller
  // still holds a list it can repair and release.
  PAT_BITMAP_INFO* info = PatBuildBitmapInfo(1, container.get(), &error);
  ASSERT_NE(info, nullptr);
  auto* old = static_cast<PAT_BITMAP_INFO*>(info->elements);
  auto* two = static_cast<PAT_BITMAP_INFO*>(GlobalAlloc(GPTR, 2 * sizeof(PAT_BITMAP_INFO)));
  two[0] = old[0];
  two[1].tag = 199;
  GlobalFree(old);
  info->elements = two;
  info->count = 2;
  EXPECT_EQ(PatReleaseBitmapInfo(info), ERROR_INVALID_PARAMETER);
  EXPECT_GT(GlobalSize(two[0].elements), 0u);  // the first entry's placements are still there
  two[1].tag = PAT_BITMAP_TAG_ENTRY;
  EXPECT_EQ(PatReleaseBitmapInfo(info), 0u);

  // Freed already: refused, not freed twice.
  info = PatBuildBitmapInfo(1, container.get(), &error);
  ASSERT_EQ(PatReleaseBitmapInfo(info), 0u);
  EXPECT_EQ(PatReleaseBitmapInfo(info), ERROR_INVALID_PARAMETER);

  // An entry form on its own is released with its placements; a count beyond the block is refused.
  info = PatBuildBitmapInfo(1, container.get(), &error);
  auto* entry = static_cast<PAT_BITMAP_INFO*>(info->elements);
  auto* single = static_cast<PAT_BITMAP_INFO*>(GlobalAlloc(GPTR, sizeof(PAT_BITMAP_INFO)));
  *single = *entry;
  entry->elements = nullptr;
  entry->count = 0;
  single->count += 100;
  EXPECT_EQ(PatReleaseBitmapInfo(single), ERROR_INVALID_PARAMETER);
  single->count -= 100;
  EXPECT_EQ(PatReleaseBitmapInfo(single), 0u);
  EXPECT_EQ(PatReleaseBitmapInfo(info), 0u);
}

TEST(StatusBitmaps, RunningOutOfMemoryReleasesEverything) {
  StatusRecord r({42000}, {DEVICE_CUT_PAPER});
  StatusContainer container(r.record.get());
  for (unsigned n = 1;; ++n) {
    SCOPED_TRACE(n);
    kvp::test::FailAllocAt(n);
    DWORD error = 0;
    PAT_BITMAP_INFO* info = PatBuildBitmapInfo(1, container.get(), &error);
    kvp::test::FailAllocAt(0);
    if (info) {
      EXPECT_EQ(Names(info).size(), 9u);
      EXPECT_EQ(PatReleaseBitmapInfo(info), 0u);
      break;
    }
    EXPECT_EQ(error, ERROR_NOT_ENOUGH_MEMORY);
    ASSERT_LT(n, 200u);
  }
}

TEST(StatusBitmaps, LayeringRules) {
  BITMAP_FRAME* frame = ElemListCreate(sizeof(BITMAP_PLACEMENT), 20, 0);
  auto add = [&](const char* name, BYTE layer) {
    BITMAP_PLACEMENT p{};
    PatCopyText(p.name, sizeof p.name, name);
    p.layer = layer;
    return PatAddPlacement(frame, &p);
  };
  add("TOP", 255);
  add("ODD", 3);
  add("HIDDEN", 0);
  add("EVEN", 4);
  add("ODD", 3);  // the same placement again is not added
  EXPECT_EQ(ElemListCount(frame), 4u);
  BITMAP_FRAME* drawing = PatLayerPlacements(frame);
  ASSERT_NE(drawing, nullptr);
  std::vector<std::string> names;
  for (DWORD i = 1; i <= ElemListCount(drawing); ++i)
    names.push_back(static_cast<BITMAP_PLACEMENT*>(ElemListAt(drawing, i))->name);
  EXPECT_EQ(names, (V{"ODD", "EVEN_B", "EVEN", "TOP"}));
  ElemListFree(drawing);
  // A masked name must leave room for "_B".
  add(std::string(30, 'N').c_str(), 8);
  EXPECT_EQ(PatLayerPlacements(frame), nullptr);
  PatRemoveLayer(frame, 8);
  EXPECT_EQ(ElemListCount(frame), 4u);
  ElemListFree(frame);
}

TEST(StatusBitmaps, EveryPictureIsInTheLibraryAndMasksMatchTheirImages) {
  kvtest::TempRoot root;
  for (DWORD i = 0; i < g_PatBitmapNameCount; ++i) {
    SCOPED_TRACE(g_PatBitmapNames[i]);
    HBITMAP bitmap = LoadBitmapA(nullptr, g_PatBitmapNames[i]);
    ASSERT_NE(bitmap, nullptr);
    kvp::BitmapDesc desc;
    ASSERT_TRUE(kvp::BitmapDescribe(bitmap, &desc));
    std::string name = g_PatBitmapNames[i];
    if (name.size() > 2 && name.compare(name.size() - 2, 2, "_B") == 0) {
      HBITMAP image = LoadBitmapA(nullptr, name.substr(0, name.size() - 2).c_str());
      kvp::BitmapDesc imageDesc;
      ASSERT_TRUE(kvp::BitmapDescribe(image, &imageDesc));
      EXPECT_EQ(desc.width, imageDesc.width);
      EXPECT_EQ(desc.height, imageDesc.height);
      DeleteObject(image);
    }
    if (name == "BM_BASE") {
      EXPECT_EQ(desc.width, 200);
      EXPECT_EQ(desc.height, 160);
    }
    DeleteObject(bitmap);
  }
}

}  // namespace
