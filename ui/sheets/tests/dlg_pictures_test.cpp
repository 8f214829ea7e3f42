// The pictures of the sheets: which library holds an id, the BMP loader on good and bad files, the
// colour balance, transparent composition, and the preview overlays' geometry, colours and pixels.
#include <filesystem>
#include <fstream>
#include <vector>

#include "kvplat/paint.h"
#include "kvplat/resource.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/setting_ids.h"
#include "sheets/ctl_buttons.h"
#include "sheets/ctl_pictures.h"
#include "sheets/dlg_overlays.h"
#include "sheets/dlg_pictures.h"
#include "sheets/tests/sheets_fixture.h"

using uitest::SheetsTest;

namespace {

// A BMP file of a bit count and size, every pixel byte `fill`.
std::vector<uint8_t> BmpFile(int bits, int32_t w, int32_t h, uint8_t fill = 0x11) {
  const uint32_t table = bits <= 8 ? 4u << bits : 0;
  const uint32_t stride = ((uint32_t(w > 0 ? w : 1) * uint32_t(bits) + 31) / 32) * 4;
  const uint32_t pixels = stride * uint32_t(h > 0 ? h : 1);
  std::vector<uint8_t> f(14 + 40 + table + pixels, fill);
  auto put16 = [&](size_t at, uint16_t v) { f[at] = uint8_t(v), f[at + 1] = uint8_t(v >> 8); };
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + size_t(i)] = uint8_t(v >> (8 * i));
  };
  f[0] = 'B', f[1] = 'M';
  put32(2, uint32_t(f.size()));
  put32(6, 0);
  put32(10, 14 + 40 + table);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  put16(26, 1);
  put16(28, uint16_t(bits));
  put32(30, 0);
  put32(34, pixels);
  put32(38, 2835), put32(42, 2835), put32(46, 0), put32(50, 0);
  return f;
}

class Pictures : public SheetsTest {
 protected:
  std::u16string WriteFile(const std::vector<uint8_t>& bytes, const char16_t* name = u"C:\\fixtures\\pic.bmp") {
    std::string host;
    EXPECT_EQ(kvp::MapPath(name, host), 0u);
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    std::ofstream(host, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return name;
  }
};

TEST(PictureRanges, EachIdGoesToTheLibraryOfItsRange) {
  struct Case {
    DWORD id;
    DLG_PICTURE_LIBRARY library;
  } cases[] = {{8213, DLG_PICTURES_PICTURE},  {10000, DLG_PICTURES_PICTURE}, {8212, DLG_PICTURES_RESOURCE},
               {5999, DLG_PICTURES_NONE},     {10001, DLG_PICTURES_NONE},    {6001, DLG_PICTURES_RESOURCE},
               {6229, DLG_PICTURES_PICTURE},  {7005, DLG_PICTURES_PICTURE},  {7955, DLG_PICTURES_RESOURCE}};
  for (const Case& c : cases) EXPECT_EQ(DlgPictureLibraryOf(c.id), c.library) << c.id;
}

TEST(PictureLayout, TheNamedRowsCarryTheirPlacement) {
  const PICTURE_LAYOUT_ROW* rows = DlgGetPictureLayout();
  EXPECT_EQ(rows[DLG_PICTURE_LAYOUT_ROWS].id, 0);
  const PICTURE_LAYOUT_ROW& paper = rows[DlgFindPictureLayout(6001)];
  EXPECT_EQ(paper.flags, 0x50u);
  EXPECT_EQ(paper.width, 108);
  EXPECT_EQ(paper.height, 91);
  EXPECT_EQ(rows[DlgFindPictureLayout(6206)].flags, 2u);
  EXPECT_EQ(rows[DlgFindPictureLayout(7413)].flags, 0x10u);
  const PICTURE_LAYOUT_ROW& tray = rows[DlgFindPictureLayout(6836)];
  EXPECT_EQ(tray.x, 64);
  EXPECT_EQ(tray.y, 55);
  EXPECT_EQ(tray.height, 16);
  EXPECT_EQ(DlgFindPictureLayout(6007), -1);  // no row: placed by the caller alone
}

TEST(PictureColours, TheColourBalanceTable) {
  const LONG neutral[6] = {50, 50, 50, 50, 50, 50};
  const LONG contrast60[6] = {50, 60, 50, 50, 50, 50};
  const LONG redShift[6] = {50, 50, 50, 60, 50, 50};
  struct Case {
    const LONG* balance;
    COLORREF in;
    int grey;
    COLORREF out;
  } cases[] = {
      {neutral, RGB(12, 200, 77), 0, RGB(12, 200, 77)},
      {neutral, RGB(200, 100, 50), 1, RGB(124, 124, 124)},  // (6000 + 5900 + 550) / 100
      {contrast60, RGB(200, 200, 200), 0, RGB(205, 205, 205)},
      {redShift, RGB(250, 10, 0), 0, RGB(255, 10, 0)},
  };
  for (const Case& c : cases) EXPECT_EQ(DlgAdjustColourBy(c.balance, c.in, c.grey), c.out) << std::hex << c.in;
}

TEST_F(Pictures, TheBmpLoaderTakesEveryBitCount) {
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    LONG w = -1, h = -1;
    HBITMAP b = DlgLoadBmpFile(WriteFile(BmpFile(bits, 5, 3)).c_str(), &w, &h);
    ASSERT_NE(b, nullptr) << bits;
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    BITMAP bm{};
    ASSERT_TRUE(GetObjectW(b, sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 5);
    DeleteObject(b);
  }
}

TEST_F(Pictures, TheBmpLoaderRefusesWhatDoesNotFitTheFile) {
  auto withBits = [](uint16_t bits) {
    auto f = BmpFile(8, 4, 4);
    f[28] = uint8_t(bits);
    f[29] = uint8_t(bits >> 8);
    return f;
  };
  auto truncated = BmpFile(24, 40, 40);
  truncated.resize(truncated.size() - 1);
  auto noTable = BmpFile(8, 4, 4);
  noTable.resize(14 + 40 + 100);
  std::vector<std::vector<uint8_t>> bad = {withBits(0),           withBits(2),        withBits(3),
                                           withBits(64),          BmpFile(24, 0, 4),  BmpFile(24, -4, 4),
                                           BmpFile(24, 4, -4),    BmpFile(1, 20000, 1), truncated,
                                           noTable,               std::vector<uint8_t>(30, 'B')};
  // A header whose sizes overflow 32 bits.
  auto huge = BmpFile(32, 4, 4);
  huge[18] = 0xFF, huge[19] = 0xFF, huge[20] = 0x00, huge[21] = 0x00;
  huge[22] = 0xFF, huge[23] = 0xFF, huge[24] = 0x00, huge[25] = 0x00;
  bad.push_back(huge);
  for (size_t i = 0; i < bad.size(); ++i) {
    LONG w = -1, h = -1;
    EXPECT_EQ(DlgLoadBmpFile(WriteFile(bad[i]).c_str(), &w, &h), nullptr) << "case " << i;
    EXPECT_GE(w, 0);
  }
  LONG w = -1, h = -1;
  EXPECT_EQ(DlgLoadBmpFile(u"C:\\fixtures\\missing.bmp", &w, &h), nullptr);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}

TEST_F(Pictures, TheModelsPicturesComeFromThePictureLibrary) {
  HBITMAP mark = DlgLoadPictureBitmap(ctx_, 7005);
  ASSERT_NE(mark, nullptr);
  BITMAP bm{};
  GetObjectW(mark, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 16);
  DeleteObject(mark);
  EXPECT_NE(ctx_->pictureLib, nullptr);
  EXPECT_EQ(DlgLoadPictureBitmap(ctx_, 5999), nullptr);
  EXPECT_EQ(DlgLoadPictureBitmap(ctx_, 10001), nullptr);
  DlgReleaseLibraryParts(ctx_);
  EXPECT_EQ(ctx_->pictureLib, nullptr);
}

// A memory DC with a w x h bitmap, filled with a colour.
struct Canvas {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  Canvas(LONG w, LONG h, COLORREF fill) {
    HDC screen = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, w, h);
    DeleteDC(screen);
    old = SelectObject(dc, bitmap);
    HBRUSH b = CreateSolidBrush(fill);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

TEST_F(Pictures, TheKeyColourOfAFourBitPictureShowsTheBackground) {
  UseFixtureLibrary();
  Canvas c(8, 8, RGB(1, 2, 3));
  ctx_->work->sheet.picture.ready = 1;
  for (LONG& b : ctx_->work->sheet.picture.balance) b = 50;
  ctx_->work->sheet.picture.background = RGB(0, 255, 0);
  RECT area{0, 0, 8, 8};
  DlgPaintPicture(ctx_, nullptr, nullptr, c.dc, &area, 2, 2, MAKEINTRESOURCEW(6150), 0, 1);
  EXPECT_EQ(GetPixel(c.dc, 2, 2), RGB(0, 255, 0));   // a magenta corner
  EXPECT_EQ(GetPixel(c.dc, 3, 2), RGB(0, 0, 255));   // the blue frame
  EXPECT_EQ(GetPixel(c.dc, 3, 3), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(c.dc, 0, 0), RGB(0, 255, 0));   // the work area outside the picture
  // Over the target's content, the key shows what was there.
  Canvas d(8, 8, RGB(9, 9, 9));
  DlgPaintPicture(ctx_, nullptr, nullptr, d.dc, &area, 2, 2, MAKEINTRESOURCEW(6150), DLG_PIC_OVER_CONTENT, 1);
  EXPECT_EQ(GetPixel(d.dc, 2, 2), RGB(9, 9, 9));
  EXPECT_EQ(GetPixel(d.dc, 3, 2), RGB(0, 0, 255));
}

TEST_F(Pictures, AFilledCompositionIsStretchedToItsTarget) {
  UseFixtureLibrary();
  Canvas c(8, 8, RGB(1, 2, 3));
  ctx_->work->sheet.paintDc = c.dc;
  RECT target{0, 0, 8, 8};
  DlgBeginPicture(ctx_);
  RECT area = target;
  DlgPaintPicture(ctx_, nullptr, nullptr, c.dc, &area, 0, 0, MAKEINTRESOURCEW(6150), DLG_PIC_FILL, 1);
  EXPECT_EQ(ctx_->work->sheet.picture.stretch, 1u);
  DlgEndPicture(ctx_, nullptr, &target);
  ctx_->work->sheet.paintDc = nullptr;
  // The 4 x 4 picture now covers 8 x 8: its blue frame pixel (1, 0) becomes (2..3, 0..1).
  EXPECT_EQ(GetPixel(c.dc, 2, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(c.dc, 3, 1), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(c.dc, 7, 7), RGB(255, 0, 255));
  EXPECT_EQ(ctx_->work->sheet.picture.bufferDc, nullptr);
  EXPECT_EQ(ctx_->work->sheet.picture.armed, 0u);
}

// ---- overlays

TEST(Overlays, RotationTablesAndAngles) {
  EXPECT_EQ(DlgSineTable()[1], 2);
  EXPECT_EQ(DlgCosineTable()[6], 99);
  EXPECT_EQ(DlgSineTable()[90], 100);
  EXPECT_EQ(DlgNormaliseAngle(450), 90);
  EXPECT_EQ(DlgNormaliseAngle(-90), 270);
  EXPECT_EQ(DlgNormaliseAngle(360), 0);
}

TEST(Overlays, PlacementOfPortraitAndLandscapePapers) {
  RECT r{0, 0, 100, 100};
  POINT p = DlgOverlayOrigin(r, 48, 67, true);
  EXPECT_EQ(p.x, 50 - 24 - 1);
  EXPECT_EQ(p.y, 50 - 33 - 2);
  p = DlgOverlayOrigin(r, 66, 48, true);
  EXPECT_EQ(p.x, 50 - 33 - 1);
  EXPECT_EQ(p.y, 50 - 24 - 3);
  p = DlgOverlayOrigin(r, 66, 48, false);
  EXPECT_EQ(p.x, 50 - 33 - 2);
  EXPECT_EQ(p.y, 50 - 24 - 1);
}

TEST(Overlays, ColoursFromDensityAndCode) {
  struct Case {
    LONG density;
    DWORD code;
    bool watermark;
    COLORREF colour;
  } cases[] = {{100, 1, true, RGB(255, 0, 0)},   {0, 1, true, RGB(255, 255, 255)},  {60, 0, true, RGB(102, 102, 102)},
               {100, 4, true, RGB(0, 255, 255)}, {100, 7, true, RGB(0, 0, 0)},      {250, 2, true, RGB(0, 255, 0)},
               {5, 3, false, RGB(0, 0, 255)},    {2, 0, false, RGB(153, 153, 153)}, {-4, 6, false, RGB(255, 255, 255)}};
  for (const Case& c : cases) EXPECT_EQ(DlgOverlayColour(c.density, c.code, c.watermark), c.colour) << c.density << "/" << c.code;
}

TEST(Overlays, AngleNinetyTurnsTheTextBox) {
  OVERLAY_BOX b = DlgTurnBox(40, 10, {1, 5}, 900);
  EXPECT_EQ(b.width, 10);
  EXPECT_EQ(b.height, 40);
  const POINT want[4] = {{0, 40}, {10, 40}, {10, 0}, {0, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(b.corner[i].x, want[i].x) << i;
    EXPECT_EQ(b.corner[i].y, want[i].y) << i;
  }
  EXPECT_EQ(b.origin.x, 5);
  EXPECT_EQ(b.origin.y, 39);
  OVERLAY_BOX wrapped = DlgTurnBox(40, 10, {1, 5}, 4500);  // 450 degrees draws as 90
  EXPECT_EQ(wrapped.width, 10);
  EXPECT_EQ(wrapped.height, 40);
}

TEST(Overlays, PositionCodesAndFontHeight) {
  struct Case {
    DWORD code;
    LONG x, y;
  } cases[] = {{0, 19, 28}, {2, 19, 0}, {4, 38, 0}, {8, 0, 57}, {16, 19, 57}, {32, 38, 57}, {1, 0, 0}, {64, 0, 0}};
  for (const Case& c : cases) {
    POINT p = DlgPlaceBox(c.code, 48, 67, 10, 10);
    EXPECT_EQ(p.x, c.x) << c.code;
    EXPECT_EQ(p.y, c.y) << c.code;
  }
  EXPECT_EQ(DlgOverlayFontHeight(72, 599, 600, 0), 0);  // shorter than an inch: no overlay
  EXPECT_EQ(DlgOverlayFontHeight(72, 6000, 600, 0), 5);
  EXPECT_EQ(DlgOverlayFontHeight(0, 6000, 600, 0), 2);
  EXPECT_EQ(DlgOverlayFontHeight(0, 6000, 600, 900), 3);
}

}  // namespace
