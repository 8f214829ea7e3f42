// Raster mode: the engine draws the page into a band bitmap and the library sends each finished band as
// an image at its place on the page; the last band stops at the page's last row.
#include <gtest/gtest.h>

#include "draw_fixture.h"
#include "gr_pdev.h"

namespace {

using drawtest::DrawContext;

std::vector<std::string> Images(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& l : lines)
    if (l.rfind("32 image", 0) == 0) out.push_back(l.substr(0, l.find(" src ")));
  return out;
}

TEST(GrBands, EachBandGoesOutAsAnImageAtItsPlace) {
  const struct Case {
    LONG pageHeight;
    std::vector<std::string> images;
  } cases[] = {
      // An exact multiple of the band height: no band after the one that ends at the bottom edge.
      {64, {"32 image format 00 20 04 dest (0,0,40,32)", "32 image format 00 20 04 dest (0,32,40,64)"}},
      {65,
       {"32 image format 00 20 04 dest (0,0,40,32)", "32 image format 00 20 04 dest (0,32,40,64)",
        "32 image format 00 20 04 dest (0,64,40,65)"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.pageHeight);
    DrawContext c;
    GR_PDEV* p = c.pdev;
    p->rasterMode = 1;
    p->pageWidthPx = 40;
    p->pageHeightPx = k.pageHeight;
    HSURF band = EngCreateBitmap(SIZEL{40, 32}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
    SURFOBJ* so = EngLockSurface(band);
    so->dhpdev = p;
    POINTL origin{};
    ASSERT_TRUE(DrvStartBanding(so, &origin));
    int bands = 0;
    while (origin.x != -1 && bands < 10) {
      // Something drawn on every band, so that no band is blank.
      RECTL r{0, 0, 8, 1};
      EngEraseSurface(so, &r, 0);
      ASSERT_TRUE(DrvNextBand(so, &origin));
      ++bands;
    }
    EXPECT_EQ(Images(c.Lines()), k.images);
    EngUnlockSurface(so);
    EngDeleteSurface(band);
  }
}

}  // namespace
