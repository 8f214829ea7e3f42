// The standard controls: buttons, statics, edits, list boxes, combo boxes, scroll bars, and the common
// controls track bar, tab control and tree view. Each keeps its state and tells its parent what the user
// did (WM_COMMAND with a notification code, WM_NOTIFY, WM_HSCROLL / WM_VSCROLL); owner-drawn buttons,
// lists and combos ask their parent for item sizes (WM_MEASUREITEM) and drawing (WM_DRAWITEM).
// Messages that change a control from code do not notify, as a program expects.
#pragma once
#include "kvplat/window.h"

#define WC_BUTTONW u"BUTTON"
#define WC_STATICW u"STATIC"
#define WC_EDITW u"EDIT"
#define WC_COMBOBOXW u"COMBOBOX"
#define WC_LISTBOXW u"LISTBOX"
#define WC_SCROLLBARW u"SCROLLBAR"
#define WC_DIALOGW u"#32770"
#define TRACKBAR_CLASSW u"msctls_trackbar32"
#define WC_TABCONTROLW u"SysTabControl32"
#define WC_TREEVIEWW u"SysTreeView32"
#define WC_LISTVIEWW u"SysListView32"

// List view styles.
#define LVS_ICON 0x0000
#define LVS_REPORT 0x0001
#define LVS_SMALLICON 0x0002
#define LVS_LIST 0x0003
#define LVS_TYPEMASK 0x0003
#define LVS_SINGLESEL 0x0004
#define LVS_NOCOLUMNHEADER 0x4000

// Notification header of WM_NOTIFY.
typedef struct tagNMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
} NMHDR, *LPNMHDR;
static_assert(sizeof(NMHDR) == 24 && offsetof(NMHDR, code) == 16);

// Owner drawing.
#define ODT_LISTBOX 2
#define ODT_COMBOBOX 3
#define ODT_BUTTON 4
#define ODT_STATIC 5
#define ODA_DRAWENTIRE 0x0001
#define ODA_SELECT 0x0002
#define ODA_FOCUS 0x0004
#define ODS_SELECTED 0x0001
#define ODS_GRAYED 0x0002
#define ODS_DISABLED 0x0004
#define ODS_CHECKED 0x0008
#define ODS_FOCUS 0x0010
#define ODS_DEFAULT 0x0020
#define ODS_COMBOBOXEDIT 0x1000
typedef struct tagMEASUREITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemWidth;
  UINT itemHeight;
  ULONG_PTR itemData;
} MEASUREITEMSTRUCT, *LPMEASUREITEMSTRUCT;
static_assert(sizeof(MEASUREITEMSTRUCT) == 32 && offsetof(MEASUREITEMSTRUCT, itemData) == 24);
typedef struct tagDRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  ULONG_PTR itemData;
} DRAWITEMSTRUCT, *LPDRAWITEMSTRUCT;
static_assert(sizeof(DRAWITEMSTRUCT) == 64 && offsetof(DRAWITEMSTRUCT, hwndItem) == 24 &&
              offsetof(DRAWITEMSTRUCT, rcItem) == 40 && offsetof(DRAWITEMSTRUCT, itemData) == 56);

// Buttons.
#define BS_PUSHBUTTON 0x0
#define BS_DEFPUSHBUTTON 0x1
#define BS_CHECKBOX 0x2
#define BS_AUTOCHECKBOX 0x3
#define BS_RADIOBUTTON 0x4
#define BS_3STATE 0x5
#define BS_AUTO3STATE 0x6
#define BS_GROUPBOX 0x7
#define BS_AUTORADIOBUTTON 0x9
#define BS_OWNERDRAW 0xB
#define BS_TYPEMASK 0xF
#define BS_BITMAP 0x80
#define BS_PUSHLIKE 0x1000
#define BS_NOTIFY 0x4000
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_SETSTYLE 0x00F4
#define BM_CLICK 0x00F5
#define BM_GETIMAGE 0x00F6
#define BM_SETIMAGE 0x00F7
#define BST_UNCHECKED 0x0
#define BST_CHECKED 0x1
#define BST_INDETERMINATE 0x2
#define BST_PUSHED 0x4
#define BST_FOCUS 0x8
#define BN_CLICKED 0
#define BN_DBLCLK 5
#define BN_SETFOCUS 6
#define BN_KILLFOCUS 7

// Statics.
#define SS_LEFT 0x0
#define SS_CENTER 0x1
#define SS_RIGHT 0x2
#define SS_ICON 0x3
#define SS_BLACKRECT 0x4
#define SS_GRAYRECT 0x5
#define SS_WHITERECT 0x6
#define SS_BLACKFRAME 0x7
#define SS_OWNERDRAW 0xD
#define SS_BITMAP 0xE
#define SS_ETCHEDFRAME 0x12
#define SS_TYPEMASK 0x1F
#define SS_NOPREFIX 0x80
#define SS_NOTIFY 0x100
#define STM_SETICON 0x0170
#define STM_GETICON 0x0171
#define STM_SETIMAGE 0x0172
#define STM_GETIMAGE 0x0173
#define STN_CLICKED 0
#define IMAGE_BITMAP 0
#define IMAGE_ICON 1

// Edits.
#define ES_LEFT 0x0
#define ES_CENTER 0x1
#define ES_RIGHT 0x2
#define ES_MULTILINE 0x4
#define ES_UPPERCASE 0x8
#define ES_LOWERCASE 0x10
#define ES_PASSWORD 0x20
#define ES_AUTOHSCROLL 0x80
#define ES_READONLY 0x800
#define ES_WANTRETURN 0x1000
#define ES_NUMBER 0x2000
#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_GETMODIFY 0x00B8
#define EM_SETMODIFY 0x00B9
#define EM_GETLINECOUNT 0x00BA
#define EM_REPLACESEL 0x00C2
#define EM_LIMITTEXT 0x00C5
#define EM_SETLIMITTEXT EM_LIMITTEXT
#define EM_SETREADONLY 0x00CF
#define EM_SETPASSWORDCHAR 0x00CC
#define EM_GETPASSWORDCHAR 0x00D2
#define EM_GETLIMITTEXT 0x00D5
#define EN_SETFOCUS 0x0100
#define EN_KILLFOCUS 0x0200
#define EN_CHANGE 0x0300
#define EN_UPDATE 0x0400
#define EN_MAXTEXT 0x0501

// List boxes.
#define LBS_NOTIFY 0x1
#define LBS_SORT 0x2
#define LBS_MULTIPLESEL 0x8
#define LBS_OWNERDRAWFIXED 0x10
#define LBS_OWNERDRAWVARIABLE 0x20
#define LBS_HASSTRINGS 0x40
#define LBS_MULTICOLUMN 0x200
#define LBS_NOSEL 0x4000
#define LB_OKAY 0
#define LB_ERR (-1)
#define LB_ERRSPACE (-2)
#define LB_ADDSTRING 0x0180
#define LB_INSERTSTRING 0x0181
#define LB_DELETESTRING 0x0182
#define LB_RESETCONTENT 0x0184
#define LB_SETSEL 0x0185
#define LB_SETCURSEL 0x0186
#define LB_GETSEL 0x0187
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_SELECTSTRING 0x018C
#define LB_GETTOPINDEX 0x018E
#define LB_FINDSTRING 0x018F
#define LB_SETTOPINDEX 0x0197
#define LB_GETITEMRECT 0x0198
#define LB_GETITEMDATA 0x0199
#define LB_SETITEMDATA 0x019A
#define LB_SETCOLUMNWIDTH 0x0195
#define LB_SETITEMHEIGHT 0x01A0
#define LB_GETITEMHEIGHT 0x01A1
#define LB_FINDSTRINGEXACT 0x01A2
#define LBN_ERRSPACE (-2)
#define LBN_SELCHANGE 1
#define LBN_DBLCLK 2
#define LBN_SELCANCEL 3
#define LBN_SETFOCUS 4
#define LBN_KILLFOCUS 5

// Combo boxes.
#define CBS_SIMPLE 0x1
#define CBS_DROPDOWN 0x2
#define CBS_DROPDOWNLIST 0x3
#define CBS_OWNERDRAWFIXED 0x10
#define CBS_OWNERDRAWVARIABLE 0x20
#define CBS_SORT 0x100
#define CBS_HASSTRINGS 0x200
#define CB_OKAY 0
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)
#define CB_GETEDITSEL 0x0140
#define CB_LIMITTEXT 0x0141
#define CB_SETEDITSEL 0x0142
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRING 0x014C
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_GETDROPPEDCONTROLRECT 0x0152
#define CB_SETITEMHEIGHT 0x0153
#define CB_GETITEMHEIGHT 0x0154
#define CB_FINDSTRINGEXACT 0x0158
#define CB_GETDROPPEDSTATE 0x0157
#define CBN_ERRSPACE (-1)
#define CBN_SELCHANGE 1
#define CBN_DBLCLK 2
#define CBN_SETFOCUS 3
#define CBN_KILLFOCUS 4
#define CBN_EDITCHANGE 5
#define CBN_EDITUPDATE 6
#define CBN_DROPDOWN 7
#define CBN_CLOSEUP 8
#define CBN_SELENDOK 9
#define CBN_SELENDCANCEL 10

// Scroll bars (the control and the bars of a window share the SB_ codes).
#define SBS_HORZ 0x0
#define SBS_VERT 0x1
#define SB_HORZ 0
#define SB_VERT 1
#define SB_CTL 2
#define SB_LINEUP 0
#define SB_LINELEFT 0
#define SB_LINEDOWN 1
#define SB_LINERIGHT 1
#define SB_PAGEUP 2
#define SB_PAGELEFT 2
#define SB_PAGEDOWN 3
#define SB_PAGERIGHT 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_LEFT 6
#define SB_BOTTOM 7
#define SB_RIGHT 7
#define SB_ENDSCROLL 8
#define SBM_SETPOS 0x00E0
#define SBM_GETPOS 0x00E1
#define SBM_SETRANGE 0x00E2
#define SBM_SETRANGEREDRAW 0x00E6
#define SBM_GETRANGE 0x00E3
#define SBM_ENABLE_ARROWS 0x00E4
#define SBM_SETSCROLLINFO 0x00E9
#define SBM_GETSCROLLINFO 0x00EA
#define ESB_ENABLE_BOTH 0x0000
#define ESB_DISABLE_LTUP 0x0001
#define ESB_DISABLE_RTDN 0x0002
#define ESB_DISABLE_BOTH 0x0003
#define SIF_RANGE 0x0001
#define SIF_PAGE 0x0002
#define SIF_POS 0x0004
#define SIF_DISABLENOSCROLL 0x0008
#define SIF_TRACKPOS 0x0010
#define SIF_ALL (SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS)
typedef struct tagSCROLLINFO {
  UINT cbSize;
  UINT fMask;
  int nMin;
  int nMax;
  UINT nPage;
  int nPos;
  int nTrackPos;
} SCROLLINFO, *LPSCROLLINFO;
static_assert(sizeof(SCROLLINFO) == 28);
// EnableScrollBar: SB_CTL for a scroll-bar control; which arrows are enabled (ESB_*). FALSE when nothing
// changed or the window is not a scroll bar.
KVAPI BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);
KVAPI int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw);
KVAPI BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
KVAPI int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
KVAPI int GetScrollPos(HWND hwnd, int bar);

// Track bar.
#define TBS_HORZ 0x0
#define TBS_VERT 0x2
#define TBM_GETPOS (WM_USER)
#define TBM_GETRANGEMIN (WM_USER + 1)
#define TBM_GETRANGEMAX (WM_USER + 2)
#define TBM_SETPOS (WM_USER + 5)
#define TBM_SETRANGE (WM_USER + 6)
#define TBM_SETRANGEMIN (WM_USER + 7)
#define TBM_SETRANGEMAX (WM_USER + 8)
#define TBM_SETPAGESIZE (WM_USER + 21)
#define TBM_SETLINESIZE (WM_USER + 23)
#define TB_LINEUP 0
#define TB_LINEDOWN 1
#define TB_PAGEUP 2
#define TB_PAGEDOWN 3
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_TOP 6
#define TB_BOTTOM 7
#define TB_ENDTRACK 8

// Tab control.
#define TCIF_TEXT 0x0001
#define TCIF_IMAGE 0x0002
#define TCIF_PARAM 0x0008
typedef struct tagTCITEMW {
  UINT mask;
  DWORD dwState;
  DWORD dwStateMask;
  LPWSTR pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
} TCITEMW;
static_assert(sizeof(TCITEMW) == 40 && offsetof(TCITEMW, pszText) == 16 && offsetof(TCITEMW, lParam) == 32);
#define TCM_FIRST 0x1300
#define TCM_GETITEMCOUNT (TCM_FIRST + 4)
#define TCM_GETITEMW (TCM_FIRST + 60)
#define TCM_SETITEMW (TCM_FIRST + 61)
#define TCM_INSERTITEMW (TCM_FIRST + 62)
#define TCM_DELETEITEM (TCM_FIRST + 8)
#define TCM_DELETEALLITEMS (TCM_FIRST + 9)
#define TCM_GETITEMRECT (TCM_FIRST + 10)
#define TCM_GETCURSEL (TCM_FIRST + 11)
#define TCM_SETCURSEL (TCM_FIRST + 12)
#define TCM_ADJUSTRECT (TCM_FIRST + 40)
#define TCN_FIRST (0U - 550U)
#define TCN_SELCHANGE (TCN_FIRST - 1)
#define TCN_SELCHANGING (TCN_FIRST - 2)

// Tree view.
typedef struct KvTreeItem* HTREEITEM;
#define TVI_ROOT ((HTREEITEM)(ULONG_PTR)-0x10000)
#define TVI_FIRST ((HTREEITEM)(ULONG_PTR)-0x0FFFF)
#define TVI_LAST ((HTREEITEM)(ULONG_PTR)-0x0FFFE)
#define TVI_SORT ((HTREEITEM)(ULONG_PTR)-0x0FFFD)
#define TVIF_TEXT 0x0001
#define TVIF_IMAGE 0x0002
#define TVIF_PARAM 0x0004
#define TVIF_STATE 0x0008
#define TVIF_HANDLE 0x0010
#define TVIF_SELECTEDIMAGE 0x0020
#define TVIF_CHILDREN 0x0040
#define TVIS_SELECTED 0x0002
#define TVIS_EXPANDED 0x0020
typedef struct tagTVITEMW {
  UINT mask;
  HTREEITEM hItem;
  UINT state;
  UINT stateMask;
  LPWSTR pszText;
  int cchTextMax;
  int iImage;
  int iSelectedImage;
  int cChildren;
  LPARAM lParam;
} TVITEMW;
static_assert(sizeof(TVITEMW) == 56 && offsetof(TVITEMW, pszText) == 24 && offsetof(TVITEMW, lParam) == 48);
typedef struct tagTVINSERTSTRUCTW {
  HTREEITEM hParent;
  HTREEITEM hInsertAfter;
  TVITEMW item;  // the extended item of the longer form is not used here
  BYTE reserved[24];
} TVINSERTSTRUCTW;
static_assert(offsetof(TVINSERTSTRUCTW, item) == 16);
#define TVGN_ROOT 0x0000
#define TVGN_NEXT 0x0001
#define TVGN_PREVIOUS 0x0002
#define TVGN_PARENT 0x0003
#define TVGN_CHILD 0x0004
#define TVGN_CARET 0x0009
#define TV_FIRST 0x1100
#define TVM_DELETEITEM (TV_FIRST + 1)
#define TVM_EXPAND (TV_FIRST + 2)
#define TVM_GETCOUNT (TV_FIRST + 5)
#define TVM_GETNEXTITEM (TV_FIRST + 10)
#define TVM_SELECTITEM (TV_FIRST + 11)
#define TVM_INSERTITEMW (TV_FIRST + 50)
#define TVM_GETITEMW (TV_FIRST + 62)
#define TVM_SETITEMW (TV_FIRST + 63)
#define TVN_FIRST (0U - 400U)
#define TVN_SELCHANGINGW (TVN_FIRST - 50)
#define TVN_SELCHANGEDW (TVN_FIRST - 51)
typedef struct tagNMTREEVIEWW {
  NMHDR hdr;
  UINT action;
  TVITEMW itemOld;
  TVITEMW itemNew;
  POINT ptDrag;
} NMTREEVIEWW;
#define TVC_UNKNOWN 0x0000
#define TVC_BYMOUSE 0x0001
#define TVC_BYKEYBOARD 0x0002

// Which kind of control a window is (for the picture painter and the scripted input); kNone for a
// window of another class.
namespace kvp::ui {
enum class ControlKind { kNone, kButton, kStatic, kEdit, kListBox, kComboBox, kScrollBar, kTrackBar, kTab, kTree, kDialog };
ControlKind KindOf(HWND hwnd);
}  // namespace kvp::ui
