// The standard controls: what a parent hears when the user clicks, types, selects and scrolls, and the
// state each control keeps for the messages programs send it.
#include "ui_fixture.h"

namespace {

using uitest::Heard;
using uitest::Log;
using uitest::Show;
using uitest::UiTest;

Heard Cmd(int id, UINT code) { return Heard{WM_COMMAND, id, code, 0}; }
Heard Ntf(int id, UINT code) { return Heard{WM_NOTIFY, id, code, 0}; }
Heard HScroll(int id, UINT code, int pos = 0) { return Heard{WM_HSCROLL, id, code, pos}; }

TEST_F(UiTest, ButtonsClickCheckAndGroupRadios) {
  HWND push = Make(WC_BUTTONW, BS_PUSHBUTTON, 10, 10, 10, 80, 24, u"Apply");
  HWND box = Make(WC_BUTTONW, BS_AUTOCHECKBOX, 11, 10, 40);
  HWND r1 = Make(WC_BUTTONW, BS_AUTORADIOBUTTON | WS_GROUP, 12, 10, 70);
  HWND r2 = Make(WC_BUTTONW, BS_AUTORADIOBUTTON, 13, 10, 100);
  HWND other = Make(WC_BUTTONW, BS_AUTORADIOBUTTON | WS_GROUP, 14, 10, 130);
  SendMessageW(other, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(r1, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_TRUE(Run().empty());  // changes made by code are not reported
  kvp::ui::ScriptClick(10);
  kvp::ui::ScriptClick(11);
  kvp::ui::ScriptClick(13);
  EXPECT_EQ(Run(), (std::vector<Heard>{Cmd(10, BN_CLICKED), Cmd(11, BN_CLICKED), Cmd(13, BN_CLICKED)})) << Show(Log());
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(r1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(r2, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(other, BM_GETCHECK, 0, 0), BST_CHECKED);  // another group
  EXPECT_EQ(SendMessageW(push, BM_GETCHECK, 0, 0), 0);
  // The space bar clicks the focused button; BM_CLICK clicks from code.
  kvp::ui::ScriptKey(11, VK_SPACE);
  EXPECT_EQ(Run(), (std::vector<Heard>{Cmd(11, BN_CLICKED)}));
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  Log().clear();
  SendMessageW(push, BM_CLICK, 0, 0);
  EXPECT_EQ(Log(), (std::vector<Heard>{Cmd(10, BN_CLICKED)}));
  // A button released outside itself does nothing; a disabled one cannot be clicked at all.
  Log().clear();
  SendMessageW(push, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  SendMessageW(push, WM_LBUTTONUP, 0, MAKELPARAM(500, 500));
  EXPECT_TRUE(Log().empty());
  EnableWindow(push, FALSE);
  kvp::ui::ScriptClick(10);
  EXPECT_FALSE(kvp::ui::RunUntilIdle());
  ASSERT_EQ(kvp::ui::ScriptErrors().size(), 1u);
  EXPECT_NE(kvp::ui::ScriptErrors()[0].find("disabled"), std::string::npos);
}

TEST_F(UiTest, OwnerDrawnButtonIsDrawnByItsParent) {
  Make(WC_BUTTONW, BS_OWNERDRAW, 15, 10, 10, 40, 20);
  kvp::ui::Picture pic;
  Log().clear();
  ASSERT_TRUE(kvp::ui::DrawWindow(parent_, &pic));
  auto draws = Only({WM_DRAWITEM});
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].id, 15);
}

TEST_F(UiTest, EditTypingLimitSelectionAndFocus) {
  HWND e = Make(WC_EDITW, WS_BORDER, 20);
  HWND other = Make(WC_BUTTONW, 0, 21, 10, 50);
  SendMessageW(e, EM_LIMITTEXT, 4, 0);
  kvp::ui::ScriptType(20, u"abcde");
  auto heard = Run();
  // One EN_UPDATE and EN_CHANGE per character that went in; the fifth meets the limit.
  std::vector<Heard> want = {Cmd(20, EN_SETFOCUS)};
  for (int i = 0; i < 4; ++i) {
    want.push_back(Cmd(20, EN_UPDATE));
    want.push_back(Cmd(20, EN_CHANGE));
  }
  want.push_back(Cmd(20, EN_MAXTEXT));
  EXPECT_EQ(heard, want) << Show(heard);
  WCHAR buf[16];
  GetWindowTextW(e, buf, 16);
  EXPECT_EQ(std::u16string(buf), u"abcd");
  DWORD s = 9, t = 9;
  SendMessageW(e, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&t));
  EXPECT_EQ(s, 4u);
  EXPECT_EQ(t, 4u);
  // Select "bc" and type over it; backspace removes one character.
  SendMessageW(e, EM_SETSEL, 1, 3);
  EXPECT_EQ(SendMessageW(e, EM_GETSEL, 0, 0), MAKELRESULT(1, 3));
  kvp::ui::ScriptType(0, u"X\b");
  Run();
  GetWindowTextW(e, buf, 16);
  EXPECT_EQ(std::u16string(buf), u"ad");
  // EM_SETSEL with -1 for the end selects to the end.
  SendMessageW(e, EM_SETSEL, 0, -1);
  EXPECT_EQ(SendMessageW(e, EM_GETSEL, 0, 0), MAKELRESULT(0, 2));
  // Password character.
  EXPECT_EQ(SendMessageW(e, EM_GETPASSWORDCHAR, 0, 0), 0);
  SendMessageW(e, EM_SETPASSWORDCHAR, u'*', 0);
  EXPECT_EQ(SendMessageW(e, EM_GETPASSWORDCHAR, 0, 0), u'*');
  // Moving the focus away tells the parent.
  kvp::ui::ScriptClick(21);
  heard = Run();
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard[0], Cmd(20, EN_KILLFOCUS));
  (void)other;
}

TEST_F(UiTest, EditCharactersTable) {
  struct Case {
    DWORD style;
    const char16_t* typed;
    const char16_t* result;
  } cases[] = {
      {ES_NUMBER, u"1a2", u"12"},
      {ES_UPPERCASE, u"ab", u"AB"},
      {0, u"a\rb", u"ab"},
      {ES_MULTILINE | ES_WANTRETURN, u"a\rb", u"a\r\nb"},
      {ES_MULTILINE, u"a\rb\b\b", u"a"},  // backspace takes the line break whole
      {ES_READONLY, u"a", u""},
  };
  int id = 30;
  for (const Case& c : cases) {
    SCOPED_TRACE(id);
    HWND e = Make(WC_EDITW, c.style, id, 10, 10, 100, 40);
    kvp::ui::ScriptType(id, c.typed);
    Run();
    WCHAR buf[16];
    GetWindowTextW(e, buf, 16);
    EXPECT_EQ(std::u16string(buf), c.result);
    ++id;
  }
}

TEST_F(UiTest, EditPasteGoesThroughTheLimit) {
  HWND a = Make(WC_EDITW, 0, 40), b = Make(WC_EDITW, 0, 41, 10, 50);
  SetWindowTextW(a, u"123456");
  SendMessageW(a, EM_SETSEL, 0, -1);
  SendMessageW(a, WM_CHAR, 0x03, 0);  // Ctrl+C
  SendMessageW(b, EM_LIMITTEXT, 4, 0);
  SendMessageW(b, WM_CHAR, 0x16, 0);  // Ctrl+V
  WCHAR buf[16];
  GetWindowTextW(b, buf, 16);
  EXPECT_EQ(std::u16string(buf), u"1234");
  // WM_SETTEXT reports a change too.
  Log().clear();
  SetWindowTextW(b, u"x");
  EXPECT_EQ(Log(), (std::vector<Heard>{Cmd(41, EN_UPDATE), Cmd(41, EN_CHANGE)}));
}

TEST_F(UiTest, ListBoxItemsDataAndSelection) {
  HWND l = Make(WC_LISTBOXW, LBS_NOTIFY, 50, 10, 10, 120, 60);
  for (const char16_t* t : {u"Tray 1", u"Tray 2", u"Manual"}) SendMessageW(l, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
  EXPECT_EQ(SendMessageW(l, LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(l, LB_SETITEMDATA, 2, 13260), 0);
  EXPECT_EQ(SendMessageW(l, LB_GETITEMDATA, 2, 0), 13260);
  EXPECT_EQ(SendMessageW(l, LB_GETITEMDATA, 3, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(l, LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(l, LB_SETCURSEL, 1, 0), 1);
  EXPECT_EQ(SendMessageW(l, LB_SETCURSEL, 7, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(l, LB_GETCURSEL, 0, 0), LB_ERR);
  WCHAR buf[16];
  EXPECT_EQ(SendMessageW(l, LB_GETTEXTLEN, 2, 0), 6);
  EXPECT_EQ(SendMessageW(l, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(buf)), 6);
  EXPECT_EQ(std::u16string(buf), u"Manual");
  EXPECT_EQ(SendMessageW(l, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(u"tray 2")), 1);
  kvp::ui::ScriptSelectText(50, u"Manual");
  kvp::ui::ScriptKey(50, VK_UP);
  auto heard = Run();
  EXPECT_EQ(heard, (std::vector<Heard>{Cmd(50, LBN_SETFOCUS), Cmd(50, LBN_SELCHANGE), Cmd(50, LBN_SELCHANGE)})) << Show(heard);
  EXPECT_EQ(SendMessageW(l, LB_GETCURSEL, 0, 0), 1);
  // A click on the first row picks it.
  kvp::ui::ScriptClickAt(50, POINT{5, 3});
  Run();
  EXPECT_EQ(SendMessageW(l, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageW(l, LB_DELETESTRING, 0, 0), 2);
  EXPECT_EQ(SendMessageW(l, LB_GETCURSEL, 0, 0), LB_ERR);
  SendMessageW(l, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageW(l, LB_GETCOUNT, 0, 0), 0);
  // Picking an item that is not there is an error of the script.
  kvp::ui::ScriptSelect(50, 4);
  EXPECT_FALSE(kvp::ui::RunUntilIdle());
  EXPECT_EQ(kvp::ui::ScriptErrors().size(), 1u);
}

TEST_F(UiTest, OwnerDrawnMultiColumnListMeasuresOnceAndDrawsEachItem) {
  uitest::g_measureHeight = 107;
  HWND l = Make(WC_LISTBOXW, LBS_OWNERDRAWFIXED | LBS_MULTICOLUMN | LBS_NOTIFY, 60, 0, 0, 324, 110);
  auto measures = Only({WM_MEASUREITEM});
  ASSERT_EQ(measures.size(), 1u);
  EXPECT_EQ(measures[0].id, 60);
  SendMessageW(l, LB_SETCOLUMNWIDTH, 108, 0);
  for (int i = 0; i < 5; ++i) SendMessageW(l, LB_ADDSTRING, 0, LPARAM(100 + i));  // item data, no strings
  EXPECT_EQ(SendMessageW(l, LB_GETITEMDATA, 3, 0), 103);
  EXPECT_EQ(SendMessageW(l, LB_GETITEMHEIGHT, 0, 0), 107);
  RECT r;
  SendMessageW(l, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 216);
  EXPECT_EQ(r.bottom, 107);
  // Only the three columns that fit are drawn, each with its data.
  Log().clear();
  kvp::ui::Picture pic;
  ASSERT_TRUE(kvp::ui::DrawWindow(parent_, &pic));
  auto draws = Only({WM_DRAWITEM});
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[2].pos, 102);
  // Clicking the second column selects item 1.
  kvp::ui::ScriptClickAt(60, POINT{150, 50});
  EXPECT_EQ(Run(), (std::vector<Heard>{Cmd(60, LBN_SETFOCUS), Cmd(60, LBN_SELCHANGE)}));
  EXPECT_EQ(SendMessageW(l, LB_GETCURSEL, 0, 0), 1);
}

TEST_F(UiTest, ComboBoxItemsSelectionAndDropDown) {
  HWND c = Make(WC_COMBOBOXW, CBS_DROPDOWNLIST, 70, 10, 10, 150, 120);
  RECT wr;
  GetWindowRect(c, &wr);
  EXPECT_LT(wr.bottom - wr.top, 40);  // the closed box; the list drops to the height given
  RECT drop;
  SendMessageW(c, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&drop));
  EXPECT_EQ(drop.bottom - drop.top, 120);
  for (const char16_t* t : {u"Plain", u"Glossy", u"Film"}) SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
  SendMessageW(c, CB_SETITEMDATA, 1, 13659);
  EXPECT_EQ(SendMessageW(c, CB_GETITEMDATA, 1, 0), 13659);
  EXPECT_EQ(SendMessageW(c, CB_SETCURSEL, 2, 0), 2);
  WCHAR buf[16];
  GetWindowTextW(c, buf, 16);
  EXPECT_EQ(std::u16string(buf), u"Film");
  EXPECT_EQ(SendMessageW(c, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(buf)), 5);
  EXPECT_EQ(std::u16string(buf), u"Plain");
  EXPECT_EQ(SendMessageW(c, CB_GETLBTEXT, 9, reinterpret_cast<LPARAM>(buf)), CB_ERR);
  EXPECT_EQ(SendMessageW(c, CB_SETCURSEL, WPARAM(-1), 0), CB_ERR);
  EXPECT_EQ(SendMessageW(c, CB_GETCURSEL, 0, 0), -1);
  kvp::ui::ScriptSelect(70, 1);
  auto heard = Run();
  EXPECT_EQ(heard, (std::vector<Heard>{Cmd(70, CBN_SETFOCUS), Cmd(70, CBN_DROPDOWN), Cmd(70, CBN_SELCHANGE), Cmd(70, CBN_SELENDOK),
                                       Cmd(70, CBN_CLOSEUP)}))
      << Show(heard);
  EXPECT_EQ(SendMessageW(c, CB_GETCURSEL, 0, 0), 1);
  EXPECT_FALSE(SendMessageW(c, CB_GETDROPPEDSTATE, 0, 0));
  // A click opens the list; a click on an item below the box picks it and closes the list.
  kvp::ui::ScriptClick(70);
  kvp::ui::ScriptCall([&] { EXPECT_TRUE(SendMessageW(c, CB_GETDROPPEDSTATE, 0, 0)); });
  RECT cr;
  GetClientRect(c, &cr);
  kvp::ui::ScriptClickAt(70, POINT{5, cr.bottom + 2});
  heard = Run();
  EXPECT_EQ(SendMessageW(c, CB_GETCURSEL, 0, 0), 0) << Show(heard);
  EXPECT_EQ(heard.back(), Cmd(70, CBN_CLOSEUP));
  // The arrow keys step through the items.
  kvp::ui::ScriptKey(70, VK_DOWN);
  EXPECT_EQ(Run(), (std::vector<Heard>{Cmd(70, CBN_SELCHANGE)}));
  EXPECT_EQ(SendMessageW(c, CB_GETCURSEL, 0, 0), 1);
  SendMessageW(c, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageW(c, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(GetWindowTextLengthW(c), 0);
}

TEST_F(UiTest, OwnerDrawnComboMeasuresFieldAndItems) {
  uitest::g_measureHeight = 16;
  HWND c = Make(WC_COMBOBOXW, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 71, 10, 10, 150, 120);
  auto m = Only({WM_MEASUREITEM});
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].code, UINT(-1));  // the selection field
  EXPECT_EQ(m[1].code, 0u);        // the items
  EXPECT_EQ(SendMessageW(c, CB_GETITEMHEIGHT, 0, 0), 16);
  SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"A"));
  SendMessageW(c, CB_SETITEMDATA, 0, 77);
  SendMessageW(c, CB_SETCURSEL, 0, 0);
  Log().clear();
  kvp::ui::Picture pic;
  kvp::ui::DrawWindow(parent_, &pic);
  auto draws = Only({WM_DRAWITEM});
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].pos, 77);
}

TEST_F(UiTest, ScrollBarReportsAndLeavesMovingToItsOwner) {
  HWND s = Make(WC_SCROLLBARW, SBS_HORZ, 80, 10, 10, 200, 17);
  EXPECT_EQ(SendMessageW(s, SBM_SETRANGE, 0, 10), 0);
  int lo = -1, hi = -1;
  SendMessageW(s, SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 10);
  EXPECT_EQ(SendMessageW(s, SBM_SETPOS, 20, TRUE), 0);
  EXPECT_EQ(SendMessageW(s, SBM_GETPOS, 0, 0), 10);  // clamped to the range
  SendMessageW(s, SBM_SETPOS, 5, TRUE);
  kvp::ui::ScriptClickAt(80, POINT{3, 8});    // left arrow
  kvp::ui::ScriptClickAt(80, POINT{196, 8});  // right arrow
  kvp::ui::ScriptClickAt(80, POINT{30, 8});   // page left of the thumb
  kvp::ui::ScriptKey(80, VK_RIGHT);
  auto heard = Run();
  EXPECT_EQ(heard, (std::vector<Heard>{HScroll(80, SB_LINELEFT), HScroll(80, SB_ENDSCROLL), HScroll(80, SB_LINERIGHT),
                                       HScroll(80, SB_ENDSCROLL), HScroll(80, SB_PAGELEFT), HScroll(80, SB_ENDSCROLL),
                                       HScroll(80, SB_LINERIGHT), HScroll(80, SB_ENDSCROLL)}))
      << Show(heard);
  EXPECT_EQ(SendMessageW(s, SBM_GETPOS, 0, 0), 5);
  // A disabled arrow does not scroll; it beeps.
  EXPECT_TRUE(EnableScrollBar(s, SB_CTL, ESB_DISABLE_LTUP));
  unsigned beeps = kvp::ui::BeepCount();
  kvp::ui::ScriptClickAt(80, POINT{3, 8});
  EXPECT_TRUE(Run().empty());
  EXPECT_EQ(kvp::ui::BeepCount(), beeps + 1);
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 95, 0};
  EXPECT_EQ(SetScrollInfo(s, SB_CTL, &si, TRUE), 91);  // the last page starts at 91
  kvp::ui::ScriptSelect(80, 40);  // the thumb dragged to 40
  EXPECT_EQ(Run(), (std::vector<Heard>{HScroll(80, SB_THUMBTRACK, 40), HScroll(80, SB_THUMBPOSITION, 40), HScroll(80, SB_ENDSCROLL)}));
}

TEST_F(UiTest, TrackBarMovesItselfAndReports) {
  HWND t = Make(TRACKBAR_CLASSW, 0, 90, 10, 10, 200, 30);
  SendMessageW(t, TBM_SETRANGE, TRUE, MAKELPARAM(-5, 5));
  SendMessageW(t, TBM_SETPOS, TRUE, 9);
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 5);
  SendMessageW(t, TBM_SETPOS, TRUE, 0);
  kvp::ui::ScriptKey(90, VK_RIGHT);
  kvp::ui::ScriptSelect(90, -3);
  auto heard = Run();
  EXPECT_EQ(heard, (std::vector<Heard>{HScroll(90, TB_LINEDOWN), HScroll(90, TB_ENDTRACK), HScroll(90, TB_THUMBTRACK, -3),
                                       HScroll(90, TB_THUMBPOSITION, -3), HScroll(90, TB_ENDTRACK)}))
      << Show(heard);
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), -3);
}

LRESULT RefusingParent(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == TCN_SELCHANGING) {
    uitest::ParentProc(h, msg, wp, lp);
    return TRUE;
  }
  return uitest::ParentProc(h, msg, wp, lp);
}

TEST_F(UiTest, TabControlAsksBeforeChanging) {
  HWND t = Make(WC_TABCONTROLW, 0, 100, 0, 0, 300, 200);
  const char16_t* names[] = {u"Paper", u"Layout", u"Colour"};
  for (int i = 0; i < 3; ++i) {
    TCITEMW it{TCIF_TEXT | TCIF_PARAM, 0, 0, const_cast<LPWSTR>(names[i]), 0, 0, LPARAM(i * 10)};
    EXPECT_EQ(SendMessageW(t, TCM_INSERTITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&it)), i);
  }
  EXPECT_EQ(SendMessageW(t, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageW(t, TCM_GETITEMCOUNT, 0, 0), 3);
  WCHAR buf[4];
  TCITEMW get{TCIF_TEXT | TCIF_PARAM, 0, 0, buf, 4, 0, 0};
  SendMessageW(t, TCM_GETITEMW, 2, reinterpret_cast<LPARAM>(&get));
  EXPECT_EQ(std::u16string(buf), u"Col");
  EXPECT_EQ(get.lParam, 20);
  kvp::ui::ScriptSelectText(100, u"layout");
  EXPECT_EQ(Run(), (std::vector<Heard>{Ntf(100, TCN_SELCHANGING), Ntf(100, TCN_SELCHANGE)}));
  EXPECT_EQ(SendMessageW(t, TCM_GETCURSEL, 0, 0), 1);
  RECT r{0, 0, 300, 200};
  SendMessageW(t, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  EXPECT_GT(r.top, 0);
  EXPECT_LT(r.right, 300);
  SendMessageW(t, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 300);
  // A parent that refuses the change keeps the tab.
  SetWindowLongPtrW(parent_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RefusingParent));
  kvp::ui::ScriptSelect(100, 2);
  EXPECT_EQ(Run(), (std::vector<Heard>{Ntf(100, TCN_SELCHANGING)}));
  EXPECT_EQ(SendMessageW(t, TCM_GETCURSEL, 0, 0), 1);
}

TEST_F(UiTest, TreeViewInsertDeleteAndSelect) {
  HWND t = Make(WC_TREEVIEWW, 0, 110, 0, 0, 300, 200);
  auto insert = [&](HTREEITEM parent, const char16_t* text, LPARAM param) {
    TVINSERTSTRUCTW is{};
    is.hParent = parent;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT | TVIF_PARAM;
    is.item.pszText = const_cast<LPWSTR>(text);
    is.item.lParam = param;
    return reinterpret_cast<HTREEITEM>(SendMessageW(t, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)));
  };
  HTREEITEM paper = insert(TVI_ROOT, u"Paper", 1);
  HTREEITEM size = insert(paper, u"Size: A4", 2);
  HTREEITEM layout = insert(TVI_ROOT, u"Layout", 3);
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(SendMessageW(t, TVM_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageW(t, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(paper))), size);
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageW(t, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(paper))), layout);
  WCHAR buf[32];
  TVITEMW it{};
  it.mask = TVIF_TEXT | TVIF_PARAM;
  it.hItem = size;
  it.pszText = buf;
  it.cchTextMax = 32;
  ASSERT_TRUE(SendMessageW(t, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it)));
  EXPECT_EQ(std::u16string(buf), u"Size: A4");
  EXPECT_EQ(it.lParam, 2);
  kvp::ui::ScriptSelectText(110, u"Layout");
  EXPECT_EQ(Run(), (std::vector<Heard>{Ntf(110, TVN_SELCHANGINGW), Ntf(110, TVN_SELCHANGEDW)}));
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageW(t, TVM_GETNEXTITEM, TVGN_CARET, 0)), layout);
  // Deleting an item takes its children; TVI_ROOT deletes everything.
  EXPECT_TRUE(SendMessageW(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(paper)));
  EXPECT_EQ(SendMessageW(t, TVM_GETCOUNT, 0, 0), 1);
  EXPECT_FALSE(SendMessageW(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(size)));
  EXPECT_TRUE(SendMessageW(t, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)));
  EXPECT_EQ(SendMessageW(t, TVM_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageW(t, TVM_GETNEXTITEM, TVGN_CARET, 0), 0);
}

// A report list view draws an empty window-coloured list under a header bar; without the report
// style there is no header.
TEST_F(UiTest, ListViewDrawsItsHeaderOverAnEmptyList) {
  HWND report = Make(WC_LISTVIEWW, LVS_REPORT, 120, 10, 10, 120, 80);
  HWND list = Make(WC_LISTVIEWW, LVS_LIST, 121, 150, 10, 120, 80);
  kvp::ui::Picture r, l;
  ASSERT_TRUE(kvp::ui::DrawWindow(report, &r));
  ASSERT_TRUE(kvp::ui::DrawWindow(list, &l));
  // The header band differs from the list below it; the plain list is one colour.
  EXPECT_NE(r.At(60, 5), r.At(60, 70));
  EXPECT_EQ(l.At(60, 5), l.At(60, 70));
  EXPECT_EQ(r.At(60, 70), l.At(60, 70));
}

TEST_F(UiTest, StaticTextAndNotify) {
  HWND s = Make(WC_STATICW, SS_NOTIFY, 120, 10, 10, 100, 20, u"Click me");
  kvp::ui::ScriptClick(120);
  EXPECT_EQ(Run(), (std::vector<Heard>{Cmd(120, STN_CLICKED)}));
  EXPECT_EQ(SendMessageW(s, WM_NCHITTEST, 0, 0), HTNOWHERE);
  HWND plain = Make(WC_STATICW, 0, 121, 10, 40);
  EXPECT_EQ(SendMessageW(plain, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
}

}  // namespace

namespace {

using uitest::Log;
using uitest::UiTest;

WNDPROC g_buttonProc = nullptr;
std::vector<std::pair<UINT, WPARAM>> g_buttonSaw;

// A button that says a press cannot land (the arrow of a bar at its end) and records what reaches it.
LRESULT Refusing(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCHITTEST) return HTERROR;
  g_buttonSaw.push_back({msg, wp});
  return CallWindowProcW(g_buttonProc, h, msg, wp, lp);
}

LRESULT Seeing(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  g_buttonSaw.push_back({msg, wp});
  return CallWindowProcW(g_buttonProc, h, msg, wp, lp);
}

bool Saw(UINT msg, WPARAM wp) {
  for (auto& [m, w] : g_buttonSaw)
    if (m == msg && w == wp) return true;
  return false;
}

TEST_F(UiTest, MouseInputIsHitTestedAndRouted) {
  HWND b = Make(WC_BUTTONW, BS_PUSHBUTTON, 130, 10, 10, 80, 24, u"Go");
  // A right click ends in WM_CONTEXTMENU for the button, passed on to its parent.
  kvp::ui::ScriptMouse(130, WM_RBUTTONDOWN, MK_RBUTTON, POINT{5, 5});
  kvp::ui::ScriptMouse(130, WM_RBUTTONUP, 0, POINT{5, 5});
  Log().clear();
  ASSERT_TRUE(kvp::ui::RunUntilIdle());
  auto menus = Only({WM_CONTEXTMENU});
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_EQ(menus[0].id, 130);
  // Keys with the click arrive as they were given.
  g_buttonSaw.clear();
  g_buttonProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(b, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Seeing)));
  kvp::ui::ScriptMouse(130, WM_RBUTTONDBLCLK, MK_CONTROL | MK_SHIFT, POINT{5, 5});
  ASSERT_TRUE(kvp::ui::RunUntilIdle());
  EXPECT_TRUE(Saw(WM_RBUTTONDBLCLK, MK_CONTROL | MK_SHIFT));
  EXPECT_TRUE(Saw(WM_SETCURSOR, reinterpret_cast<WPARAM>(b)));
  // A window that answers HTERROR: the press beeps and comes as a non-client message the button passes over.
  SetWindowLongPtrW(b, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Refusing));
  g_buttonSaw.clear();
  unsigned beeps = kvp::ui::BeepCount();
  kvp::ui::ScriptClick(130);
  Log().clear();
  ASSERT_TRUE(kvp::ui::RunUntilIdle());
  EXPECT_TRUE(Only({WM_COMMAND}).empty());
  EXPECT_EQ(kvp::ui::BeepCount(), beeps + 1);
  EXPECT_TRUE(Saw(WM_NCLBUTTONDOWN, WPARAM(LONG_PTR(HTERROR))));
  EXPECT_FALSE(Saw(WM_LBUTTONDOWN, MK_LBUTTON));
  // F1 on the focused control asks its parent for help on it.
  Make(WC_EDITW, 0, 131, 10, 50);
  kvp::ui::ScriptKey(131, VK_F1);
  Log().clear();
  ASSERT_TRUE(kvp::ui::RunUntilIdle());
  auto help = Only({WM_HELP});
  ASSERT_EQ(help.size(), 1u);
  EXPECT_EQ(help[0].id, 131);
}

}  // namespace
