// Windows and messages, headless and in process: window classes, window trees, styles, texts, geometry,
// focus and capture, the message queue with its loops, timers on the platform's clock, the fixed desktop's
// metrics and colours.
//
// All window calls belong to one thread (the process's UI thread); nothing here is locked. A window handle
// is a small number naming a live window, never a pointer: a destroyed window's handle is refused with
// ERROR_INVALID_WINDOW_HANDLE and is not given out again.
#pragma once
#include "kvplat/resource.h"
#include "kvplat/types.h"

#ifndef KV_HWND_DEFINED
#define KV_HWND_DEFINED
typedef void* HWND;
#endif
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef struct KvMenu* HMENU;
typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (*TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
typedef BOOL (*WNDENUMPROC)(HWND, LPARAM);

// The least of drawing the window core needs (the drawing calls themselves are in kvplat/paint.h).
#ifndef KV_HDC_DEFINED
#define KV_HDC_DEFINED
typedef struct KvDc* HDC;
typedef struct KvBrush* HBRUSH;
typedef struct KvFont* HFONT;
typedef DWORD COLORREF;
#endif

#ifndef ERROR_CLASS_ALREADY_EXISTS
#define ERROR_STACK_OVERFLOW 1001L
#define ERROR_TLW_WITH_WSCHILD 1406L
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#define ERROR_CLASS_HAS_WINDOWS 1412L
#define ERROR_INVALID_INDEX 1413L
#define ERROR_INVALID_THREAD_ID 1444L
#define ERROR_RESOURCE_NOT_FOUND 1417L
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#define ERROR_NO_SCROLLBARS 1447L
#endif

#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKELRESULT(l, h) ((LRESULT)(DWORD)MAKELONG(l, h))
#define GET_X_LPARAM(lp) ((int)(SHORT)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(SHORT)HIWORD(lp))

typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
  DWORD lPrivate;
} MSG, *LPMSG;
static_assert(sizeof(MSG) == 48 && offsetof(MSG, wParam) == 16 && offsetof(MSG, time) == 32);

typedef struct tagWNDCLASSEXW {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
  HICON hIconSm;
} WNDCLASSEXW;
static_assert(sizeof(WNDCLASSEXW) == 80 && offsetof(WNDCLASSEXW, lpszClassName) == 64);

typedef struct tagCREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy, cx, y, x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
} CREATESTRUCTW;
static_assert(sizeof(CREATESTRUCTW) == 80 && offsetof(CREATESTRUCTW, lpszName) == 56);

typedef struct tagHELPINFO {
  UINT cbSize;
  int iContextType;
  int iCtrlId;
  HANDLE hItemHandle;
  DWORD_PTR dwContextId;
  POINT MousePos;
} HELPINFO, *LPHELPINFO;
static_assert(sizeof(HELPINFO) == 40);
#define HELPINFO_WINDOW 1

typedef struct tagWINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x, y, cx, cy;
  UINT flags;
} WINDOWPOS;

// Window messages.
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETREDRAW 0x000B
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_CANCELMODE 0x001F
#define WM_SETCURSOR 0x0020
#define WM_MOUSEACTIVATE 0x0021
#define WM_MEASUREITEM 0x002C
#define WM_DRAWITEM 0x002B
#define WM_DELETEITEM 0x002D
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_NOTIFY 0x004E
#define WM_HELP 0x0053
#define WM_CONTEXTMENU 0x007B
#define WM_STYLECHANGED 0x007D
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCHITTEST 0x0084
#define WM_NCPAINT 0x0085
#define WM_GETDLGCODE 0x0087
#define WM_NCMOUSEMOVE 0x00A0
#define WM_NCLBUTTONDOWN 0x00A1
#define WM_NCLBUTTONUP 0x00A2
#define WM_NCLBUTTONDBLCLK 0x00A3
#define WM_NCRBUTTONDOWN 0x00A4
#define WM_NCRBUTTONUP 0x00A5
#define WM_NCRBUTTONDBLCLK 0x00A6
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_CTLCOLOREDIT 0x0133
#define WM_CTLCOLORLISTBOX 0x0134
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSCROLLBAR 0x0137
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_CAPTURECHANGED 0x0215
#define WM_CUT 0x0300
#define WM_COPY 0x0301
#define WM_PASTE 0x0302
#define WM_CLEAR 0x0303
#define WM_USER 0x0400
#define WM_APP 0x8000

// Mouse key flags (wParam of mouse messages), virtual keys.
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_DELETE 0x2E
#define VK_F1 0x70

// Hit-test answers (WM_NCHITTEST).
#define HTERROR (-2)
#define HTTRANSPARENT (-1)
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTCAPTION 2

// Window styles.
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_OVERLAPPEDWINDOW 0x00CF0000L
#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_NOPARENTNOTIFY 0x00000004L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_CONTEXTHELP 0x00000400L
#define WS_EX_CONTROLPARENT 0x00010000L
#define WS_EX_STATICEDGE 0x00020000L
#define CW_USEDEFAULT ((int)0x80000000)

// Class styles.
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_GLOBALCLASS 0x4000

// ShowWindow commands.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9

// GetWindow relations.
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5

// Window longs; the dialog slots follow the dialog class's own bytes.
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC 8
#define DWLP_USER 16
#define DLGWINDOWEXTRA 30

// SetWindowPos.
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)-1)
#define HWND_NOTOPMOST ((HWND)-2)
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_NOOWNERZORDER 0x0200

// PeekMessageW.
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

// System metrics and colours of the fixed desktop.
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXVSCROLL 2
#define SM_CYHSCROLL 3
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CYVTHUMB 9
#define SM_CXHTHUMB 10
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXCURSOR 13
#define SM_CYCURSOR 14
#define SM_CYMENU 15
#define SM_CYVSCROLL 20
#define SM_CXHSCROLL 21
#define SM_CXEDGE 45
#define SM_CYEDGE 46
#define SM_CXSMICON 49
#define SM_CYSMICON 50
#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#define COLOR_HOTLIGHT 26
#define COLOR_3DFACE COLOR_BTNFACE
#define COLOR_3DSHADOW COLOR_BTNSHADOW
#define COLOR_3DHILIGHT COLOR_BTNHIGHLIGHT
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) (LOBYTE(c))
#define GetGValue(c) (LOBYTE(((WORD)(c)) >> 8))
#define GetBValue(c) (LOBYTE((c) >> 16))

// MessageBeep sounds.
#define MB_OK_BEEP 0xFFFFFFFF

// Classes. RegisterClassExW: the class atom, or 0 with ERROR_CLASS_ALREADY_EXISTS (a class of that name
// already registered by the same instance), ERROR_INVALID_PARAMETER (no name, no procedure, wrong size).
// The standard classes ("BUTTON", "STATIC", "EDIT", "COMBOBOX", "LISTBOX", "SCROLLBAR", the dialog class
// "#32770" and the common controls of kvplat/controls.h) are always registered.
KVAPI ATOM RegisterClassExW(const WNDCLASSEXW* wc);
KVAPI BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
// GetClassInfoExW: a registered class's description (a null instance finds the standard and global
// classes); FALSE with ERROR_CLASS_DOES_NOT_EXIST.
KVAPI BOOL GetClassInfoExW(HINSTANCE instance, LPCWSTR className, WNDCLASSEXW* wc);
// GetClassNameW: the class name cut to count - 1 characters; the characters copied, 0 on failure.
KVAPI int GetClassNameW(HWND hwnd, LPWSTR name, int count);

// CreateWindowExW: creates a window of a class (name or atom), sends WM_NCCREATE, WM_CREATE (a procedure that
// answers FALSE or -1 makes the call fail and destroys the window) and, for a child without
// WS_EX_NOPARENTNOTIFY, nothing more. A child needs a live parent; `menu` is a child's id. Null with
// ERROR_CANNOT_FIND_WND_CLASS, ERROR_INVALID_WINDOW_HANDLE (bad parent), ERROR_TLW_WITH_WSCHILD.
KVAPI HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                           int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// DestroyWindow: hides the window, sends WM_DESTROY and WM_NCDESTROY to it and to every descendant (children
// first get theirs after their parent's WM_DESTROY), kills its timers and drops its queued messages. Safe
// from inside the window's own procedure. FALSE with ERROR_INVALID_WINDOW_HANDLE for a dead window.
KVAPI BOOL DestroyWindow(HWND hwnd);
KVAPI BOOL IsWindow(HWND hwnd);
KVAPI BOOL IsChild(HWND parent, HWND hwnd);
KVAPI HWND GetDesktopWindow(void);
// GetParent: a child's parent, a pop-up's owner, null for others.
KVAPI HWND GetParent(HWND hwnd);
KVAPI HWND SetParent(HWND hwnd, HWND parent);
KVAPI HWND GetWindow(HWND hwnd, UINT cmd);
KVAPI HWND GetTopWindow(HWND hwnd);
// EnumChildWindows: every descendant in z-order, depth first, until the callback answers FALSE.
KVAPI BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam);
KVAPI BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);
// FindWindowW: the first top-level window of that class (null: any) and title (null: any); names compare
// without case; null when none. The desktop's task bar (class "Shell_TrayWnd", along the bottom edge) is
// always there.
KVAPI HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
KVAPI HWND FindWindowExW(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName);

// Window longs: GWL_STYLE, GWL_EXSTYLE, GWLP_ID, GWLP_USERDATA, GWLP_WNDPROC, GWLP_HINSTANCE,
// GWLP_HWNDPARENT, and byte offsets into the class's extra bytes (for dialogs DWLP_MSGRESULT, DWLP_DLGPROC,
// DWLP_USER). Set returns the old value. 0 with ERROR_INVALID_INDEX for an index out of range,
// ERROR_INVALID_WINDOW_HANDLE for a dead window (a stored 0 leaves the last error at 0).
KVAPI LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
KVAPI LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);
KVAPI LONG GetWindowLongW(HWND hwnd, int index);
KVAPI LONG SetWindowLongW(HWND hwnd, int index, LONG value);
// CallWindowProcW: calls a window procedure (the one a subclasser replaced).
KVAPI LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
KVAPI LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
KVAPI int GetDlgCtrlID(HWND hwnd);

// Texts, through WM_SETTEXT / WM_GETTEXT. GetWindowTextW copies at most count - 1 characters and
// terminates; returns the characters copied (0 for an empty text or a dead window).
KVAPI BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
KVAPI int GetWindowTextW(HWND hwnd, LPWSTR text, int count);
KVAPI int GetWindowTextLengthW(HWND hwnd);

// Geometry. Window rectangles are in screen coordinates; client rectangles start at (0, 0).
KVAPI BOOL GetWindowRect(HWND hwnd, RECT* rect);
KVAPI BOOL GetClientRect(HWND hwnd, RECT* rect);
KVAPI BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
// SetWindowPos: position (in the parent's client coordinates), size, z-order (HWND_TOP, HWND_BOTTOM, or
// just below another sibling), show and hide, each unless its SWP_NO* flag says otherwise.
KVAPI BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
KVAPI BOOL ScreenToClient(HWND hwnd, POINT* pt);
KVAPI BOOL ClientToScreen(HWND hwnd, POINT* pt);
// MapWindowPoints: maps points from one window's client coordinates to another's (null: the screen);
// returns the horizontal shift in the low word and the vertical shift in the high word.
KVAPI int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
KVAPI HWND WindowFromPoint(POINT pt);
KVAPI HWND ChildWindowFromPoint(HWND parent, POINT pt);

// Show, enable, focus, capture and activation.
KVAPI BOOL ShowWindow(HWND hwnd, int cmd);  // the previous visibility
KVAPI BOOL IsWindowVisible(HWND hwnd);      // the window and all its ancestors have WS_VISIBLE
KVAPI BOOL EnableWindow(HWND hwnd, BOOL enable);  // TRUE when the window was disabled before
KVAPI BOOL IsWindowEnabled(HWND hwnd);
KVAPI HWND SetFocus(HWND hwnd);  // the window that had the focus; WM_KILLFOCUS / WM_SETFOCUS are sent
KVAPI HWND GetFocus(void);
KVAPI HWND SetActiveWindow(HWND hwnd);
KVAPI HWND GetActiveWindow(void);
KVAPI HWND GetForegroundWindow(void);
KVAPI BOOL SetForegroundWindow(HWND hwnd);
KVAPI HWND SetCapture(HWND hwnd);
KVAPI HWND GetCapture(void);
KVAPI BOOL ReleaseCapture(void);
KVAPI BOOL UpdateWindow(HWND hwnd);

// Painting: a window's invalid region is kept as one rectangle; WM_PAINT comes when the queue is otherwise
// empty. BeginPaint hands a device context clipped to the invalid part and validates it.
typedef struct tagPAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;
static_assert(sizeof(PAINTSTRUCT) == 72);
KVAPI BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
KVAPI BOOL ValidateRect(HWND hwnd, const RECT* rect);
KVAPI BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
KVAPI BOOL RedrawWindow(HWND hwnd, const RECT* rect, void* region, UINT flags);
KVAPI HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
KVAPI BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
KVAPI HDC GetDC(HWND hwnd);
KVAPI int ReleaseDC(HWND hwnd, HDC hdc);

// Mouse input reaches the capture window if there is one; otherwise the window under the point answers
// WM_NCHITTEST (HTTRANSPARENT hands it to the parent) and WM_SETCURSOR, and outside the client area the
// message comes in its non-client form (WM_NC*). A right button released in a window's client area gives
// it WM_CONTEXTMENU; F1 (through TranslateMessage) sends WM_HELP with a HELPINFO naming the focus window;
// both go on to the parent of a child window that leaves them to DefWindowProcW.
//
// Messages. SendMessageW calls the window procedure at once (nesting is bounded: past the bound the call
// answers 0 with ERROR_STACK_OVERFLOW); 0 with ERROR_INVALID_WINDOW_HANDLE for a dead window.
// PostMessageW queues (a null window posts to the thread). GetMessageW waits: when the queue, due timers
// and pending paints are all empty it takes the next scripted input action (kvplat/uiscript.h); when the
// script is empty it answers -1 with ERROR_TIMEOUT instead of waiting forever. It answers 0 for WM_QUIT.
// PeekMessageW never waits; with PM_REMOVE and no filter an empty queue also takes the next script action.
KVAPI LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
KVAPI BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
KVAPI BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
KVAPI void PostQuitMessage(int exitCode);
KVAPI BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
KVAPI BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
KVAPI BOOL TranslateMessage(const MSG* msg);
KVAPI LRESULT DispatchMessageW(const MSG* msg);
KVAPI BOOL WaitMessage(void);
KVAPI DWORD GetMessageTime(void);
KVAPI DWORD GetMessagePos(void);

// Timers on the platform's clock (kvplat/time.h; under the virtual clock they fire only as the clock is
// advanced). SetTimer: the id (for a window, the id given; a timer of the same window and id is replaced);
// 0 with ERROR_INVALID_WINDOW_HANDLE. Each due timer gives one WM_TIMER (or calls its procedure).
KVAPI UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
KVAPI BOOL KillTimer(HWND hwnd, UINT_PTR id);

// The fixed desktop: 1280 x 1024 pixels, 96 dots per inch.
KVAPI int GetSystemMetrics(int index);
KVAPI DWORD GetSysColor(int index);
KVAPI HBRUSH GetSysColorBrush(int index);

// Cursor: the mouse position is where scripted input last put it.
KVAPI BOOL GetCursorPos(POINT* pt);
KVAPI BOOL SetCursorPos(int x, int y);
KVAPI HCURSOR SetCursor(HCURSOR cursor);  // the previous cursor
KVAPI HCURSOR GetCursor(void);
KVAPI BOOL MessageBeep(UINT type);
// MulDiv: a * b / c rounded half away from zero; -1 when c is 0 or the result does not fit in 32 bits.
KVAPI int MulDiv(int a, int b, int c);
