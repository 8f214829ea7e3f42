// The pictures of the sheets: which library holds an id, the BMP loader on good and bad files, the
// colour balance, transparent composition, and the preview overlays' geometry, colours and pixels.
#include <filesystem>
#include <memory>
#include <fstream>
#include <vector>

#include "kvplat/controls.h"
#include "kvplat/dialog.h"
#include "kvplat/paint.h"
#include "kvplat/resource.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/setting_ids.h"
#include "sheets/ctl_buttons.h"
#include "sheets/ctl_pictures.h"
#include "sheets/dlg_overlays.h"
#include "sheets/dlg_pictures.h"
#include "sheets/dlg_values.h"
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
  // The 4 x 4 picture now covers 8 x 8: its blue frame pixel (1, 0) becomes (2..3, 0..1), in the grey
  // of a monochrome printer: Y = (30 R + 59 G + 11 B) / 100.
  const bool colour = StgGetOptionValue(ctx_, sid::rdmMachineTypeColor, nullptr) != 0;
  EXPECT_EQ(GetPixel(c.dc, 2, 0), colour ? RGB(0, 0, 255) : RGB(28, 28, 28));
  EXPECT_EQ(GetPixel(c.dc, 3, 1), colour ? RGB(0, 0, 255) : RGB(28, 28, 28));
  EXPECT_EQ(GetPixel(c.dc, 7, 7), colour ? RGB(255, 0, 255) : RGB(104, 104, 104));
  EXPECT_EQ(ctx_->work->sheet.picture.bufferDc, nullptr);
  EXPECT_EQ(ctx_->work->sheet.picture.armed, 0u);
}

// ---- buttons

TEST_F(Pictures, RadioAndCheckCommandsFollowTheCheckState) {
  HWND page = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(page, nullptr);
  auto button = [&](int id, DWORD style) {
    return CreateWindowExW(0, u"BUTTON", u"", WS_CHILD | style, 0, 0, 80, 16, page,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
  };
  DIALOG_DESC dlg{};
  dlg.window = page;
  // A radio button's control id is the option value it stands for.
  CONTROL_DESC portrait{}, landscape{};
  portrait.kind = landscape.kind = 0x29;
  portrait.item = landscape.item = StgFindItem(ctx_, sid::dmOrientation);
  ASSERT_NE(portrait.item, nullptr);
  portrait.controlId = WORD(CtlGetValue(ctx_, &portrait));
  landscape.controlId = WORD(portrait.controlId + 1);
  button(portrait.controlId, BS_AUTORADIOBUTTON);
  button(landscape.controlId, BS_AUTORADIOBUTTON);
  CtlRadioRefresh(ctx_, &dlg, &portrait);
  CtlRadioRefresh(ctx_, &dlg, &landscape);
  EXPECT_EQ(IsDlgButtonChecked(page, portrait.controlId), 1u);
  EXPECT_EQ(IsDlgButtonChecked(page, landscape.controlId), 0u);
  // The checked button again, and the other one still unchecked: nothing to store.
  EXPECT_EQ(CtlRadioCommand(ctx_, &dlg, &portrait, 0, 0), 0);
  EXPECT_EQ(CtlRadioCommand(ctx_, &dlg, &landscape, 0, 0), 0);
  CheckDlgButton(page, landscape.controlId, BST_CHECKED);
  EXPECT_EQ(CtlRadioCommand(ctx_, &dlg, &landscape, 0, 0), 1);
  EXPECT_EQ(CtlRadioClick(ctx_, &dlg, &landscape, WM_LBUTTONDOWN, 0, 0), 1);

  button(3, BS_AUTOCHECKBOX);
  CONTROL_DESC box{};
  box.controlId = 3;
  box.kind = 0x16;
  StgSetOptionValue(ctx_, sid::rdmFuncSelectWaterMark, 1);
  box.item = StgFindItem(ctx_, sid::rdmFuncSelectWaterMark);
  ASSERT_EQ(CtlGetValue(ctx_, &box), 1u);
  CtlCheckBoxRefresh(ctx_, &dlg, &box);
  EXPECT_EQ(IsDlgButtonChecked(page, 3), 1u);
  EXPECT_EQ(CtlCheckBoxCommand(ctx_, &dlg, &box, 0, 0), 0);
  CheckDlgButton(page, 3, 0);
  EXPECT_EQ(CtlCheckBoxCommand(ctx_, &dlg, &box, 0, 0), 1);
  DestroyWindow(page);
}

// Pixels of a colour in the canvas.
int CountColour(HDC dc, LONG w, LONG h, COLORREF colour) {
  int n = 0;
  for (LONG y = 0; y < h; ++y)
    for (LONG x = 0; x < w; ++x) n += GetPixel(dc, x, y) == colour;
  return n;
}

TEST_F(Pictures, ADisabledTwoLineButtonShowsItsCaptionsEmbossed) {
  UseFixtureLibrary();
  CAPTION_RECORD record{9, 902, 902, 1};
  CONTROL_DESC control{};
  control.kind = 0x18;
  control.extra = &record;
  for (bool disabled : {false, true}) {
    Canvas c(200, 80, RGB(10, 20, 30));
    DRAWITEMSTRUCT di{};
    di.itemAction = ODA_DRAWENTIRE;
    di.itemState = disabled ? ODS_DISABLED : 0;
    di.hDC = c.dc;
    di.rcItem = RECT{0, 0, 200, 80};
    EXPECT_EQ(CtlSummaryButtonMessage(ctx_, nullptr, &control, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&di)), 1);
    const int white = CountColour(c.dc, 200, 80, RGB(255, 255, 255));
    const int grey = CountColour(c.dc, 200, 80, GetSysColor(COLOR_GRAYTEXT));
    if (disabled) {
      EXPECT_GT(white, 0);
      EXPECT_GT(grey, 0);
    } else {
      // The face's 3D frame has its white highlight; the caption itself is in button text.
      EXPECT_GT(CountColour(c.dc, 200, 80, GetSysColor(COLOR_BTNTEXT)), 0);
    }
  }
}

TEST_F(Pictures, TheButtonProcedureWaitsForItsControl) {
  HWND w = CreateWindowExW(0, u"BUTTON", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(CtlButtonWindowProc(w, WM_PAINT, 0, 0), 0);
  DestroyWindow(w);
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

// The watermark of the model's settings over a grey paper picture in an open composition.
class Watermark : public Pictures {
 protected:
  void SetUp() override {
    Pictures::SetUp();
    StgSetOptionValue(ctx_, sid::rdmFuncSelectWaterMark, 1);
    StgSetOptionValue(ctx_, sid::rdmWmKind, 1);
  }
  // Paints the overlay of a 50 x 69 paper onto a grey 60 x 80 buffer; the buffer's DC.
  HDC Paint(CONTROL_DESC* control, int* drawn) {
    canvas_ = std::make_unique<Canvas>(60, 80, RGB(128, 128, 128));
    ctx_->work->sheet.paintDc = canvas_->dc;
    DlgBeginPicture(ctx_);
    RECT all{0, 0, 60, 80};
    RECT area = all;
    // The buffer is made by the first picture: an unknown id still arms it from the target.
    ctx_->work->sheet.picture.bufferDc = CreateCompatibleDC(canvas_->dc);
    HBITMAP b = CreateCompatibleBitmap(canvas_->dc, 60, 80);
    ctx_->work->sheet.picture.bufferPrevious = SelectObject(static_cast<HDC>(ctx_->work->sheet.picture.bufferDc), b);
    BitBlt(static_cast<HDC>(ctx_->work->sheet.picture.bufferDc), 0, 0, 60, 80, canvas_->dc, 0, 0, SRCCOPY);
    (void)area;
    *drawn = DlgPaintWatermarkPreview(ctx_, control, 50, 69, nullptr, &all);
    DlgEndPicture(ctx_, nullptr, &all);
    ctx_->work->sheet.paintDc = nullptr;
    return canvas_->dc;
  }
  std::unique_ptr<Canvas> canvas_;
};

TEST_F(Watermark, OpaqueCopiesThePictureTransparentLeavesWhiteUnchanged) {
  WATERMARK_PREVIEW_DESC desc{8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  CONTROL_DESC control{};
  control.extra = &desc;
  int drawn = 0;
  // Transparent, no text: white ANDed over the picture leaves it as it was.
  HDC dc = Paint(&control, &drawn);
  EXPECT_EQ(drawn, 1);
  EXPECT_EQ(GetPixel(dc, 30, 40), RGB(128, 128, 128));
  // Without the switch nothing is drawn.
  StgSetOptionValue(ctx_, sid::rdmFuncSelectWaterMark, 0);
  Paint(&control, &drawn);
  EXPECT_EQ(drawn, 0);
  // Without a descriptor nothing is drawn either.
  StgSetOptionValue(ctx_, sid::rdmFuncSelectWaterMark, 1);
  CONTROL_DESC bare{};
  Paint(&bare, &drawn);
  EXPECT_EQ(drawn, 0);
}

}  // namespace
