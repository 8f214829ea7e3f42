// Value, text and lookup operations of the sheets: display texts of every node kind (value-text rows,
// strings missing, booleans, lengths in both units and with the European comma, negative lengths, texts,
// stamp kinds), the authentication test over modes and masks, texts of controls on pages that are not
// open, lookups by window, and the environment checks.
#include "driverdata/img_image.h"
#include "kvplat/module.h"
#include "kvplat/window.h"
#include "settings/units.h"
#include "sheets/dlg_values.h"
#include "sheets/tests/sheets_fixture.h"

using uitest::SheetsTest;

namespace {

class Values : public SheetsTest {
 protected:
  std::u16string Text(WORD key, int capacity = 128) {
    std::vector<WCHAR> buf((size_t)capacity + 4, u'#');
    DlgFormatValueText(ctx_, key, buf.data(), capacity);
    EXPECT_EQ(buf[(size_t)capacity], u'#') << "written past the capacity";
    return std::u16string(kvp::WView(buf.data()));
  }
  // The key of the first setting row whose compiled node has that type (low byte).
  ITEM_DESC* RowOfNodeType(int type, DWORD typeCode = 0) {
    for (int i = 0; i < ctx_->dictionary->count; ++i) {
      ITEM_DESC* row = &ctx_->dictionary->rows[i];
      if (typeCode && StgTypeCode(row->type) != typeCode) continue;
      if (row->key && (ImgNodeType(ImgFindNodeByKey(ctx_, (WORD)row->key)) & 0xFF) == type &&
          StgFindItemByKey(ctx_, (WORD)row->key) == row)
        return row;
    }
    return nullptr;
  }
  // The last control of the context's table, bound to a text setting as the dialog table would bind it.
  CONTROL_DESC* TextControl() {
    DIALOG_DESC& d = ctx_->dialogs->rows[ctx_->dialogs->count - 1];
    if (d.controlCount < 1) return nullptr;
    CONTROL_DESC* ctl = &d.controls[d.controlCount - 1];
    ctl->controlId = 64000;
    ctl->item = StgDictFindItem(StgGetTemplateDictionary(), sid::wdmAuthenticationUserName);
    return ctl;
  }
  std::u16string Unit(WORD key) {
    IMG_REF numeric = ImgNodeOptions(ImgFindNodeByKey(ctx_, key));
    WORD id = numeric ? (WORD)DFC_GET(numeric, NUMERIC_VALUE, lead) : 0;
    return id ? Load(id, 64) : u"";
  }
};

constexpr WORD kOrientationKey = 549;  // dmOrientation: option values 2026 / 2027

}  // namespace

TEST_F(Values, PickBooleanAndText) {
  ASSERT_EQ(ImgNodeType(ImgFindNodeByKey(ctx_, kOrientationKey)) & 0xFF, 1);
  StgSetOptionValue(ctx_, sid::dmOrientation, 2026);
  EXPECT_EQ(Text(kOrientationKey), u"Portrait");  // through the value-text row 2026:13479
  StgSetOptionValue(ctx_, sid::dmOrientation, 2027);
  EXPECT_EQ(Text(kOrientationKey, 5), u"Land");
  ITEM_DESC* flag = RowOfNodeType(4);
  ASSERT_NE(flag, nullptr);
  StgWriteOptionValue(ctx_, flag, 1);
  EXPECT_EQ(Text((WORD)flag->key), u"On");
  StgWriteOptionValue(ctx_, flag, 0);
  EXPECT_EQ(Text((WORD)flag->key), u"Off");
  ITEM_DESC* text = RowOfNodeType(16);
  ASSERT_NE(text, nullptr);
  StgSetString(ctx_, text, u"Hello");
  EXPECT_EQ(Text((WORD)text->key), u"Hello");
  EXPECT_EQ(Text((WORD)text->key, 3), u"He");
  // A library without the string: the id and the fall-back text.
  UseFixtureLibrary();
  StgSetOptionValue(ctx_, sid::dmOrientation, 2026);
  EXPECT_EQ(Text(kOrientationKey), u"13479 is not string-ID");
}

TEST_F(Values, LengthsInEveryUnitAndSign) {
  // A numeric setting of 16 bits, marked a length in dots as the UI preparation marks the margins.
  ITEM_DESC* row = RowOfNodeType(8, STG_TYPE_I16);
  ASSERT_NE(row, nullptr);
  WORD key = (WORD)row->key;
  std::u16string unit = Unit(key);
  StgWriteValue(ctx_, row, 492);
  EXPECT_EQ(Text(key), u"492" + unit);  // not a length: the number as it is
  row->changeClass |= 0x80000000u;
  struct Case {
    const char* name;
    int64_t dots;
    int inch, region;
    std::u16string text;
  };
  for (const Case& c : std::initializer_list<Case>{{"metric", 490, 0, 1, u"10.4"},
                                                   {"European comma", 490, 0, 4, u"10,4"},
                                                   {"inch", 1248, 1, 1, u"1.04"},
                                                   {"negative", -70, 0, 1, u"-1.5"},
                                                   {"negative inch", -1248, 1, 1, u"-1.04"},
                                                   {"zero", 0, 0, 1, u"0.0"}}) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(CfgLoadResourceDll(ctx_), nullptr);  // the us library stays while the region changes
    StgSetValue(ctx_, sid::rdmDspUnit, (uint64_t)c.inch);
    StgSetValue(ctx_, sid::rdmLanguageID, (uint64_t)c.region);
    StgWriteValue(ctx_, row, (uint64_t)c.dots);
    EXPECT_EQ(Text(key), c.text + Unit(key));
  }
  EXPECT_EQ(Text(key, 3), u"0.");  // the unit only where room is left
}

TEST_F(Values, StampKindsAndNames) {
  for (auto [kind, text] : std::initializer_list<std::pair<int, std::u16string>>{
           {1, u"Text stamp"}, {2, u"Image stamp"}, {3, u"Combined"}, {0, u"None"}, {7, u"None"}}) {
    SCOPED_TRACE(kind);
    StgSetOptionValue(ctx_, sid::rdmWmKind, (DWORD)kind);
    EXPECT_EQ(Text((WORD)StgFindItem(ctx_, sid::rdmWmKind)->key), text);
  }
  StgSetOptionValue(ctx_, sid::rdmWmKind, 0);
  EXPECT_EQ(Text((WORD)StgFindItem(ctx_, sid::rdmWmID)->key), u"None");
  // The Japanese library keeps its own stamp texts.
  StgSetValue(ctx_, sid::rdmLanguageID, 0);
  CfgFreeContextLibraries(ctx_);
  StgSetOptionValue(ctx_, sid::rdmWmKind, 3);
  EXPECT_EQ(Text((WORD)StgFindItem(ctx_, sid::rdmWmKind)->key), u"合成");
}

TEST_F(Values, AuthenticationOverModesAndMasks) {
  StgSetString(ctx_, StgFindItem(ctx_, sid::wdmAuthenticationUserName), u"user");
  StgSetString(ctx_, StgFindItem(ctx_, sid::wdmAuthenticationPassword), u"secret");
  StgSetString(ctx_, StgFindItem(ctx_, sid::wdmAuthenticationNetworkKey), u"key");
  struct Case {
    int mode, secure;
    WORD mask, present;
  };
  for (Case c : std::initializer_list<Case>{{0, 1, 7, 0}, {1, 1, 7, 7}, {1, 0, 7, 3}, {1, 1, 4, 4}, {1, 0, 4, 0},
                                            {1, 1, 2, 2}, {1, 1, 0, 0}}) {
    SCOPED_TRACE(testing::Message() << c.mode << c.secure << c.mask);
    StgSetValue(ctx_, sid::rdmPrnFuncAuthenticationMode, (uint64_t)c.mode);
    StgSetValue(ctx_, sid::rdmPrnFuncAuthenticationSecureMode, (uint64_t)c.secure);
    EXPECT_EQ(DlgAuthInfoPresent(ctx_, c.mask), c.present);
  }
  StgSetString(ctx_, StgFindItem(ctx_, sid::wdmAuthenticationPassword), u"");
  EXPECT_EQ(DlgAuthInfoPresent(ctx_, 7), 5);
  StgSetValue(ctx_, sid::rdmLockInfoLockInfo, 1);
  EXPECT_EQ(DlgLockInfo(ctx_), 1u);
  StgSetValue(ctx_, sid::rdmLockInfoLockInfo, 0);
  EXPECT_EQ(DlgLockInfo(ctx_), 0u);
}

TEST_F(Values, ControlsTextsAndWindows) {
  CONTROL_DESC* ctl = TextControl();
  ASSERT_NE(ctl, nullptr);
  // No dialog is open: the stored text is read and written all the same.
  EXPECT_EQ(CtlSetTextById(ctx_, ctl->controlId, u"Stamp A"), 1);
  std::vector<WCHAR> buf(StgTypeLength(ctl->item->type) + 2, 0);
  EXPECT_EQ(CtlGetTextById(ctx_, ctl->controlId, buf.data()), 1);
  EXPECT_EQ(std::u16string(buf.data()), u"Stamp A");
  EXPECT_EQ(CtlGetTextById(ctx_, 65000, buf.data()), 0);
  EXPECT_EQ(CtlSetTextById(ctx_, 65000, u"x"), 0);
  // Values go to the context's row, never to the template's.
  CONTROL_DESC* pick = StgFindControlByKey(ctx_, nullptr, kOrientationKey);
  if (pick && pick->item) {
    CtlSetValue(ctx_, pick, 2027);
    EXPECT_EQ(CtlGetValue(ctx_, pick), 2027u);
    EXPECT_EQ(StgGetOptionValue(ctx_, sid::dmOrientation, nullptr), 2027u);
  }
  EXPECT_EQ(CtlGetValue(ctx_, nullptr), 0u);
  // Lookups by the windows the dialog procedure binds.
  ASSERT_GE(ctx_->dialogs->count, 2);
  DIALOG_DESC* page = &ctx_->dialogs->rows[1];
  ASSERT_GE(page->controlCount, 1);
  HWND pageWindow = reinterpret_cast<HWND>(0x1001), controlWindow = reinterpret_cast<HWND>(0x1002);
  page->window = pageWindow;
  page->controls[page->controlCount - 1].window = controlWindow;
  EXPECT_EQ(PgFindByWindow(ctx_, pageWindow), page);
  EXPECT_EQ(PgFindByWindow(ctx_, controlWindow), nullptr);
  EXPECT_EQ(CtlFindByWindow(ctx_, nullptr, controlWindow), &page->controls[page->controlCount - 1]);
  EXPECT_EQ(CtlFindByWindow(ctx_, page, controlWindow), &page->controls[page->controlCount - 1]);
  EXPECT_EQ(CtlFindByWindow(ctx_, &ctx_->dialogs->rows[0], controlWindow), nullptr);
  page->window = nullptr;
  page->controls[page->controlCount - 1].window = nullptr;
}

TEST_F(Values, OptionValuesOfRuleNodes) {
  IMG_REF node = ImgFindNodeByKey(ctx_, kOrientationKey);
  IMG_REF option = ImgNodeOptions(node);
  ASSERT_NE(option, 0u);
  const void* item = reinterpret_cast<const void*>(1);
  WORD value = CtlOptionValue(reinterpret_cast<const void*>(node), reinterpret_cast<const void*>(option), &item);
  EXPECT_EQ(value, ImgOptionValue(option));
  IMG_REF rule = ImgNodeRule(node);
  IMG_REF items = rule ? DFC_GET(rule, RULE_ROW, items) : 0;
  EXPECT_EQ(item, reinterpret_cast<const void*>(static_cast<uintptr_t>(items)));
  EXPECT_EQ(CtlOptionValue(nullptr, reinterpret_cast<const void*>(option), &item), 0);
  EXPECT_EQ(item, nullptr);
}

TEST(ValueTexts, TableAndSwitches) {
  const VALUE_TEXT_ROW* t = DlgGetValueTextTable();
  int n = 0;
  while (t[n].optionValue) ++n;
  EXPECT_EQ(n, DLG_VALUE_TEXT_ROWS);
  EXPECT_EQ(t[0].optionValue, 2284);
  EXPECT_EQ(t[n - 1].stringId, 13652);
  for (int i = -1; i <= 9; ++i) EXPECT_EQ(DlgFeatureSwitch(i), i == 1 ? 1 : 0) << i;
  EXPECT_EQ(CtlUseAltTrayMark(), 0);
  EXPECT_EQ(DlgPrinterHasDevmode(nullptr), 0);
}

TEST(Environment, ExplorerHostComparesTheWholePath) {
  kvtest::TempRoot root;
  for (auto [path, host] : std::initializer_list<std::pair<const char16_t*, int>>{
           {u"C:\\Windows\\explorer.exe", 1},
           {u"c:\\WINDOWS\\EXPLORER.EXE", 1},
           {u"C:\\Tools\\explorer.exe", 0},
           {u"C:\\Windows\\explorer.exe.bak", 0},
           {u"C:\\Windows\\System32\\kvhost.exe", 0}}) {
    SCOPED_TRACE(kvp::ToUtf8(path));
    kvp::SetProcessImagePath(path);
    EXPECT_EQ(DlgIsExplorerHost(), host);
  }
  kvp::SetProcessImagePath(u"C:\\Windows\\System32\\ui_tests.exe");
}

namespace {
LRESULT Replaced(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }
}  // namespace

TEST_F(SheetsTest, ChildProceduresComeBackWhileTheApplicationRuns) {
  HWND parent = CreateWindowExW(0, u"STATIC", u"page", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  HWND child = CreateWindowExW(0, u"BUTTON", u"b", WS_CHILD, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  LONG_PTR original = GetWindowLongPtrW(child, GWLP_WNDPROC);
  SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Replaced));
  DlgResetChildWindowProcs(ctx_, parent);  // no such application: nothing changes
  EXPECT_EQ(GetWindowLongPtrW(child, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&Replaced));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"KvLegacyDrawFrame9";
  ASSERT_NE(RegisterClassExW(&wc), 0);
  HWND app = CreateWindowExW(0, u"KvLegacyDrawFrame9", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(app, nullptr);
  DlgResetChildWindowProcs(ctx_, parent);
  EXPECT_EQ(GetWindowLongPtrW(child, GWLP_WNDPROC), original);
}
