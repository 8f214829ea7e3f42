// Drawing into memory bitmaps: raster operations, shapes, clipping, text, bitmaps and their exchange.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/paint.h"

namespace {

// A memory DC with a 32-bit bitmap of its own, white, freed at the end.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  Canvas(int w, int h, COLORREF fill = RGB(255, 255, 255)) {
    HDC screen = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
    dc = CreateCompatibleDC(screen);
    bmp = CreateCompatibleBitmap(screen, w, h);
    DeleteDC(screen);
    old = SelectObject(dc, bmp);
    HBRUSH b = CreateSolidBrush(fill);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(bmp));
  }
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
  // Pixels differing from `bg` in the box [l, r) x [t, b).
  int Ink(int l, int t, int r, int b, COLORREF bg = RGB(255, 255, 255)) const {
    int n = 0;
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) n += At(x, y) != bg;
    return n;
  }
};

TEST(UiDraw, RasterOperationsCombinePatternSourceAndDestination) {
  const COLORREF P = RGB(0xF0, 0x0F, 0x33), S = RGB(0xCC, 0xAA, 0x55), D = RGB(0xA5, 0x5A, 0x0F);
  struct Case {
    DWORD rop;
    DWORD expect;  // as COLORREF bits
  } cases[] = {
      {SRCCOPY, S},           {SRCAND, S & D},         {SRCPAINT, S | D},
      {MERGEPAINT, (~S | D) & 0xFFFFFF}, {DSTINVERT, ~D & 0xFFFFFF}, {0xFA0089, P | D},
      {0xA000C9, P & D},      {PATCOPY, P},            {SRCINVERT, S ^ D},
      {BLACKNESS, 0},         {WHITENESS, 0xFFFFFF},   {PATINVERT, P ^ D},
  };
  Canvas src(2, 2, S);
  for (const Case& c : cases) {
    Canvas dst(2, 2, D);
    HBRUSH brush = CreateSolidBrush(P);
    HGDIOBJ oldBrush = SelectObject(dst.dc, brush);
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, c.rop)) << std::hex << c.rop;
    EXPECT_EQ(dst.At(0, 0), c.expect) << std::hex << c.rop;
    EXPECT_EQ(dst.At(1, 1), D) << "outside the blit";
    SelectObject(dst.dc, oldBrush);
    EXPECT_TRUE(DeleteObject(brush));
  }
  // PatBlt takes no source; a source ROP is refused.
  Canvas dst(1, 1, D);
  EXPECT_TRUE(PatBlt(dst.dc, 0, 0, 1, 1, DSTINVERT));
  EXPECT_EQ(dst.At(0, 0), ~D & 0xFFFFFF);
  EXPECT_FALSE(PatBlt(dst.dc, 0, 0, 1, 1, SRCCOPY));
}

TEST(UiDraw, MonochromeMasksTakeTheDestinationColours) {
  // A mask: left column black (0), right column white (1).
  const BYTE bits[2][2] = {{0x40, 0}, {0x40, 0}};
  HBITMAP mask = CreateBitmap(2, 2, 1, 1, bits);
  ASSERT_NE(mask, nullptr);
  HDC mdc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mdc, mask);
  EXPECT_EQ(GetDeviceCaps(mdc, BITSPIXEL), 1);
  Canvas dst(2, 2, RGB(10, 20, 30));
  SetTextColor(dst.dc, RGB(255, 0, 0));
  SetBkColor(dst.dc, RGB(0, 0, 255));
  BitBlt(dst.dc, 0, 0, 2, 2, mdc, 0, 0, SRCCOPY);
  EXPECT_EQ(dst.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(dst.At(1, 0), RGB(0, 0, 255));
  // Colour onto monochrome: the source's background colour becomes white, the rest black.
  Canvas colour(2, 1, RGB(1, 2, 3));
  SetPixel(colour.dc, 1, 0, RGB(200, 0, 0));
  SetBkColor(colour.dc, RGB(1, 2, 3));
  BitBlt(mdc, 0, 0, 2, 1, colour.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(mdc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(mdc, 1, 0), RGB(0, 0, 0));
  // Anything drawn into a monochrome bitmap takes the nearer of its two colours.
  EXPECT_EQ(GetNearestColor(mdc, RGB(200, 210, 220)), RGB(255, 255, 255));
  EXPECT_EQ(GetNearestColor(dst.dc, RGB(200, 210, 220)), RGB(200, 210, 220));
  EXPECT_FALSE(DeleteObject(mask)) << "still selected";
  SelectObject(mdc, old);
  EXPECT_TRUE(DeleteObject(mask));
  EXPECT_TRUE(DeleteDC(mdc));
}

TEST(UiDraw, PolygonsFillByTheirModeAndShapesKeepTheirEdges) {
  Canvas c(40, 40);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HGDIOBJ oldBrush = SelectObject(c.dc, red);
  HGDIOBJ oldPen = SelectObject(c.dc, GetStockObject(NULL_PEN));
  // A five-pointed star: its centre is outside with alternate filling, inside with winding.
  const POINT star[5] = {{20, 2}, {31, 36}, {2, 14}, {38, 14}, {9, 36}};
  EXPECT_TRUE(Polygon(c.dc, star, 5));
  EXPECT_EQ(c.At(20, 20), RGB(255, 255, 255));
  EXPECT_EQ(c.At(20, 8), RGB(255, 0, 0));
  EXPECT_EQ(c.At(2, 30), RGB(255, 255, 255));
  SetPolyFillMode(c.dc, WINDING);
  Polygon(c.dc, star, 5);
  EXPECT_EQ(c.At(20, 20), RGB(255, 0, 0));

  // A rectangle covers [left, right) x [top, bottom): pen on the edge, brush inside.
  Canvas r(20, 20);
  SelectObject(r.dc, red);
  HPEN blue = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
  HGDIOBJ oldPen2 = SelectObject(r.dc, blue);
  Rectangle(r.dc, 2, 2, 10, 8);
  EXPECT_EQ(r.At(2, 2), RGB(0, 0, 255));
  EXPECT_EQ(r.At(9, 7), RGB(0, 0, 255));
  EXPECT_EQ(r.At(5, 5), RGB(255, 0, 0));
  EXPECT_EQ(r.At(10, 5), RGB(255, 255, 255));
  EXPECT_EQ(r.At(5, 8), RGB(255, 255, 255));
  // A line leaves out its last point.
  MoveToEx(r.dc, 0, 15, nullptr);
  LineTo(r.dc, 5, 15);
  EXPECT_EQ(r.At(4, 15), RGB(0, 0, 255));
  EXPECT_EQ(r.At(5, 15), RGB(255, 255, 255));
  // An arc from the right (0 degrees) to the top (90 degrees) counterclockwise is the upper-right quarter.
  Canvas a(41, 41);
  SelectObject(a.dc, blue);
  Arc(a.dc, 0, 0, 41, 41, 40, 20, 20, 0);
  EXPECT_GT(a.Ink(21, 0, 41, 20), 10);
  EXPECT_EQ(a.Ink(0, 21, 20, 41), 0);
  EXPECT_EQ(a.Ink(0, 0, 19, 19), 0);
  // A path draws nothing until it is stroked.
  Canvas p(20, 20);
  SelectObject(p.dc, blue);
  BeginPath(p.dc);
  MoveToEx(p.dc, 2, 2, nullptr);
  LineTo(p.dc, 15, 2);
  LineTo(p.dc, 15, 15);
  CloseFigure(p.dc);
  EndPath(p.dc);
  EXPECT_EQ(p.Ink(0, 0, 20, 20), 0);
  EXPECT_TRUE(StrokePath(p.dc));
  EXPECT_EQ(p.At(8, 2), RGB(0, 0, 255));
  EXPECT_EQ(p.At(15, 8), RGB(0, 0, 255));
  EXPECT_EQ(p.At(8, 8), RGB(0, 0, 255)) << "the closing diagonal";
  EXPECT_FALSE(StrokePath(p.dc)) << "the path is used up";

  SelectObject(r.dc, oldPen2);
  SelectObject(a.dc, oldPen2);
  SelectObject(p.dc, oldPen2);
  SelectObject(r.dc, oldBrush);
  SelectObject(c.dc, oldBrush);
  SelectObject(c.dc, oldPen);
  EXPECT_TRUE(DeleteObject(blue));
  EXPECT_TRUE(DeleteObject(red));
}

TEST(UiDraw, ClippingKeepsFillsAndTextInside) {
  Canvas c(60, 30);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  EXPECT_EQ(IntersectClipRect(c.dc, 5, 5, 50, 25), SIMPLEREGION);
  EXPECT_EQ(ExcludeClipRect(c.dc, 20, 0, 30, 30), COMPLEXREGION);
  RECT all{0, 0, 60, 30};
  FillRect(c.dc, &all, black);
  EXPECT_EQ(c.At(4, 10), RGB(255, 255, 255));
  EXPECT_EQ(c.At(10, 10), RGB(0, 0, 0));
  EXPECT_EQ(c.At(25, 10), RGB(255, 255, 255));
  EXPECT_EQ(c.At(40, 10), RGB(0, 0, 0));
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 5);
  EXPECT_EQ(box.right, 50);
  HRGN rgn = CreateRectRgn(0, 0, 3, 3);
  EXPECT_EQ(SelectClipRgn(c.dc, rgn), SIMPLEREGION);
  EXPECT_TRUE(DeleteObject(rgn)) << "the DC keeps a copy";
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(c.dc, &all, red);
  EXPECT_EQ(c.At(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(c.At(10, 10), RGB(0, 0, 0));
  SelectClipRgn(c.dc, nullptr);
  DeleteObject(red);

  // Clipped text leaves everything outside its rectangle alone but draws inside it.
  Canvas t(120, 30);
  SetBkMode(t.dc, TRANSPARENT);
  RECT clip{10, 0, 30, 30};
  EXPECT_TRUE(ExtTextOutW(t.dc, 2, 5, ETO_CLIPPED, &clip, u"WWWWWWWW", 8, nullptr));
  EXPECT_EQ(t.Ink(0, 0, 10, 30) + t.Ink(30, 0, 120, 30), 0);
  EXPECT_GT(t.Ink(10, 0, 30, 30), 10);
  // ETO_OPAQUE fills the rectangle with the background colour.
  SetBkColor(t.dc, RGB(0, 255, 0));
  RECT op{60, 0, 70, 4};
  ExtTextOutW(t.dc, 60, 10, ETO_OPAQUE, &op, u"", 0, nullptr);
  EXPECT_EQ(t.At(65, 2), RGB(0, 255, 0));
}

TEST(UiDraw, StretchedBitmapsSampleTheirQuadrants) {
  Canvas src(2, 2);
  SetPixel(src.dc, 0, 0, RGB(255, 0, 0));
  SetPixel(src.dc, 1, 0, RGB(0, 255, 0));
  SetPixel(src.dc, 0, 1, RGB(0, 0, 255));
  SetPixel(src.dc, 1, 1, RGB(0, 0, 0));
  Canvas dst(8, 8);
  EXPECT_TRUE(StretchBlt(dst.dc, 0, 0, 8, 8, src.dc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(dst.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(dst.At(3, 3), RGB(255, 0, 0));
  EXPECT_EQ(dst.At(4, 0), RGB(0, 255, 0));
  EXPECT_EQ(dst.At(0, 7), RGB(0, 0, 255));
  EXPECT_EQ(dst.At(7, 7), RGB(0, 0, 0));
  // A negative width mirrors.
  Canvas m(4, 4);
  StretchBlt(m.dc, 4, 0, -4, 4, src.dc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(m.At(0, 0), RGB(0, 255, 0));
  EXPECT_EQ(m.At(3, 0), RGB(255, 0, 0));
  // A shrink keeps one pixel of each block.
  Canvas s(1, 1);
  StretchBlt(s.dc, 0, 0, 1, 1, dst.dc, 0, 0, 8, 8, SRCCOPY);
  EXPECT_EQ(s.At(0, 0), RGB(255, 0, 0));
}

TEST(UiDraw, DibsExchangeRowsAndColourTables) {
  // An 8-bit top-down DIB, 3 x 2, with a four-entry colour table.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colours[4];
  } info{};
  info.h = BITMAPINFOHEADER{40, 3, -2, 1, 8, BI_RGB, 0, 0, 0, 4, 0};
  info.colours[0] = RGBQUAD{0, 0, 0, 0};
  info.colours[1] = RGBQUAD{0, 0, 255, 0};    // red
  info.colours[2] = RGBQUAD{0, 255, 0, 0};    // green
  info.colours[3] = RGBQUAD{255, 255, 255, 0};
  const BYTE rows[2][4] = {{1, 2, 3, 0}, {0, 3, 1, 0}};
  Canvas c(3, 2);
  HBITMAP b = CreateDIBitmap(c.dc, &info.h, CBM_INIT, rows, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  ASSERT_NE(b, nullptr);
  HDC dc = CreateCompatibleDC(c.dc);
  HGDIOBJ old = SelectObject(dc, b);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(dc, 2, 1), RGB(255, 0, 0));
  SelectObject(dc, old);
  // Read back bottom-up at 24 bits: the first stored row is the bottom one.
  BITMAPINFO out{};
  out.bmiHeader = BITMAPINFOHEADER{40, 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<BYTE> px(24);
  EXPECT_EQ(GetDIBits(dc, b, 0, 2, px.data(), &out, DIB_RGB_COLORS), 2);
  EXPECT_EQ(out.bmiHeader.biSizeImage, 24u);
  EXPECT_EQ(px[2 * 3 + 2], 255);   // bottom row, x 2: red
  EXPECT_EQ(px[12 + 0 * 3 + 2], 255);  // top row, x 0: red
  // An index beyond a short colour table reads black instead of memory past the table (the record is on
  // the heap, exactly as long as its two entries, so a read past it is caught).
  std::vector<uint8_t> shortTable(sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD));
  BITMAPINFOHEADER sh{40, 1, 1, 1, 8, BI_RGB, 0, 0, 0, 2, 0};
  std::memcpy(shortTable.data(), &sh, sizeof sh);
  std::memset(shortTable.data() + 44, 255, 4);
  const BYTE wild[4] = {2, 0, 0, 0};
  EXPECT_EQ(SetDIBits(c.dc, b, 0, 1, wild, reinterpret_cast<BITMAPINFO*>(shortTable.data()), DIB_RGB_COLORS), 1);
  old = SelectObject(dc, b);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0)) << "was red";
  SelectObject(dc, old);
  // An 8-bit bitmap keeps its own table and answers with indexes into it.
  HBITMAP eight = CreateBitmap(2, 1, 1, 8, nullptr);
  HGDIOBJ o2 = SelectObject(dc, eight);
  SetPixel(dc, 0, 0, RGB(255, 255, 255));
  SetPixel(dc, 1, 0, RGB(250, 3, 2));
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 0, 0)) << "the nearest entry of the table";
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colours[256];
  } q{};
  q.h = BITMAPINFOHEADER{40, 2, 1, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
  BYTE idx[4] = {};
  EXPECT_EQ(GetDIBits(dc, eight, 0, 1, idx, reinterpret_cast<BITMAPINFO*>(&q), DIB_RGB_COLORS), 1);
  EXPECT_EQ(q.colours[idx[0]].rgbRed, 255);
  EXPECT_EQ(q.colours[idx[0]].rgbBlue, 255);
  EXPECT_EQ(q.colours[idx[1]].rgbRed, 255);
  EXPECT_EQ(q.colours[idx[1]].rgbGreen, 0);
  // A bad format is refused.
  q.h.biBitCount = 7;
  EXPECT_EQ(GetDIBits(dc, eight, 0, 1, idx, reinterpret_cast<BITMAPINFO*>(&q), DIB_RGB_COLORS), 0);
  SelectObject(dc, o2);
  BITMAP bm{};
  EXPECT_EQ(GetObjectW(eight, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 2);
  EXPECT_EQ(bm.bmBitsPixel, 8);
  DeleteObject(eight);
  DeleteObject(b);
  DeleteDC(dc);
}

TEST(UiDraw, AbsurdBitmapsAreRefused) {
  HDC screen = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
  struct {
    int w, h;
    DWORD error;
  } bad[] = {{100000, 10, ERROR_NOT_ENOUGH_MEMORY}, {16000, 16000, ERROR_NOT_ENOUGH_MEMORY}, {-1, 5, ERROR_INVALID_PARAMETER},
             {0x7FFFFFFF, 0x7FFFFFFF, ERROR_NOT_ENOUGH_MEMORY}};
  for (auto& c : bad) {
    SetLastError(0);
    EXPECT_EQ(CreateCompatibleBitmap(screen, c.w, c.h), nullptr) << c.w << "x" << c.h;
    EXPECT_EQ(GetLastError(), c.error);
  }
  BITMAPINFOHEADER h{40, 70000, 70000, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  EXPECT_EQ(CreateDIBitmap(screen, &h, 0, nullptr, nullptr, DIB_RGB_COLORS), nullptr);
  HBITMAP empty = CreateCompatibleBitmap(screen, 0, 0);
  BITMAP bm{};
  ASSERT_EQ(GetObjectW(empty, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  DeleteObject(empty);
  EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 1024);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0);
  DeleteDC(screen);
  EXPECT_EQ(CreateDCW(u"PRINTER", nullptr, nullptr, nullptr), nullptr);
}

TEST(UiDraw, FontsMeasureStablyAndDrawTextLaysOut) {
  LOGFONTW lf{};
  lf.lfHeight = -12;
  lf.lfWeight = FW_NORMAL;
  std::memcpy(lf.lfFaceName, u"DejaVu Sans", sizeof(u"DejaVu Sans"));
  HFONT f = CreateFontIndirectW(&lf);
  ASSERT_NE(f, nullptr);
  Canvas c(200, 60);
  HGDIOBJ oldFont = SelectObject(c.dc, f);
  SIZE s1{}, s2{};
  EXPECT_TRUE(GetTextExtentPoint32W(c.dc, u"Hello, World", 12, &s1));
  EXPECT_TRUE(GetTextExtentPoint32W(c.dc, u"Hello, World", 12, &s2));
  EXPECT_EQ(s1.cx, s2.cx);
  EXPECT_EQ(s1.cx, 72);  // DejaVu Sans at 12 pixels
  INT widths[12];
  const char16_t* text = u"Hello, World";
  int sum = 0;
  for (int i = 0; i < 12; ++i) {
    ASSERT_TRUE(GetCharWidth32W(c.dc, text[i], text[i], &widths[i]));
    sum += widths[i];
  }
  EXPECT_EQ(sum, s1.cx);
  ABC abc{};
  ASSERT_TRUE(GetCharABCWidthsW(c.dc, u'W', u'W', &abc));
  EXPECT_EQ(abc.abcA + int(abc.abcB) + abc.abcC, widths[7]);
  TEXTMETRICW tm{};
  ASSERT_TRUE(GetTextMetricsW(c.dc, &tm));
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_GE(tm.tmHeight, 12);
  EXPECT_EQ(s1.cy, tm.tmHeight);
  LOGFONTW back{};
  EXPECT_EQ(GetObjectW(f, sizeof back, &back), int(sizeof back));
  EXPECT_EQ(back.lfHeight, -12);
  // A bold face is wider; a larger one taller.
  lf.lfWeight = FW_BOLD;
  HFONT bold = CreateFontIndirectW(&lf);
  SelectObject(c.dc, bold);
  SIZE sb{};
  GetTextExtentPoint32W(c.dc, u"Hello, World", 12, &sb);
  EXPECT_GT(sb.cx, s1.cx);
  SelectObject(c.dc, f);
  EXPECT_FALSE(DeleteObject(f)) << "still selected";
  EXPECT_TRUE(DeleteObject(bold));

  // Tabs expand; an ellipsis keeps the text inside its box; word breaks add lines.
  RECT r{0, 0, 200, 0};
  DrawTextW(c.dc, u"a\tb", -1, &r, DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE);
  RECT r2{0, 0, 200, 0};
  DrawTextW(c.dc, u"a b", -1, &r2, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_GT(r.right, r2.right);
  SetBkMode(c.dc, TRANSPARENT);
  RECT box{0, 0, 50, 20};
  DrawTextW(c.dc, u"A rather long line of text", -1, &box, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
  EXPECT_GT(c.Ink(0, 0, 50, 20), 0);
  EXPECT_EQ(c.Ink(50, 0, 200, 20), 0);
  RECT wrap{0, 0, 60, 0};
  int one = DrawTextW(c.dc, u"word", -1, &wrap, DT_CALCRECT | DT_WORDBREAK);
  int three = DrawTextW(c.dc, u"word word word word", -1, &wrap, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_GE(three, 2 * one);
  SelectObject(c.dc, oldFont);
  EXPECT_TRUE(DeleteObject(f));
}

TEST(UiDraw, ObjectsKnowTheirKindsAndStockObjectsSurviveDeletion) {
  HPEN pen = CreatePen(PS_DASH, 3, RGB(1, 2, 3));
  LOGPEN lp{};
  EXPECT_EQ(GetObjectW(pen, sizeof lp, &lp), int(sizeof lp));
  EXPECT_EQ(lp.lopnWidth.x, 3);
  EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
  EXPECT_EQ(GetObjectType(pen), DWORD(OBJ_PEN));
  EXPECT_EQ(GetObjectW(pen, 4, &lp), 0) << "buffer too small";
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen)) << "already gone";
  EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(GetObjectType(GetStockObject(WHITE_BRUSH)), DWORD(OBJ_BRUSH));
  PALETTEENTRY e[2] = {{255, 0, 0, 0}, {0, 0, 255, 0}};
  struct {
    WORD v, n;
    PALETTEENTRY e[2];
  } lpal{0x300, 2, {e[0], e[1]}};
  HPALETTE pal = CreatePalette(reinterpret_cast<LOGPALETTE*>(&lpal));
  ASSERT_NE(pal, nullptr);
  Canvas c(2, 2);
  HPALETTE old = SelectPalette(c.dc, pal, FALSE);
  EXPECT_NE(old, nullptr);
  EXPECT_EQ(RealizePalette(c.dc), 0u);
  EXPECT_EQ(GetPaletteEntries(pal, 0, 2, e), 2u);
  SelectPalette(c.dc, old, FALSE);
  EXPECT_TRUE(DeleteObject(pal));
  EXPECT_FALSE(DeleteDC(nullptr));
}

}  // namespace
