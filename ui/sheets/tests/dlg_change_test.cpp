// The change path and the commits: a choice checked against a node's alerts (rows built here in the
// compiled image's record layout), the answers that keep or refuse it, the deferred box of a unit edit,
// the resolve guard; the document DEVMODE the commit hands the caller and the device apply.
#include <cstring>
#include <vector>

#include "kvplat/devmode.h"
#include "kvplat/sheetservice.h"
#include "kvplat/spooler.h"
#include "kvplat/testhooks.h"
#include "settings/modules.h"
#include "settings/units.h"
#include "sheets/dlg_apply.h"
#include "sheets/dlg_change.h"
#include "sheets/dlg_sheets.h"
#include "sheets/dlg_values.h"
#include "sheets/tests/sheets_fixture.h"

using uitest::SheetsTest;

namespace {

constexpr WORD kA3 = 40, kA4 = 41;
constexpr WORD kPaperMessage = 416;   // 10002: the source cannot supply the paper
constexpr WORD kStoredMessage = 435;  // 10011: this job type cannot be stored

uint64_t Addr(const void* p) { return uint64_t(reinterpret_cast<uintptr_t>(p)); }

// One node with one alert row, its answers and its automatic actions, laid out as the image lays them
// out. Each action sets dmCopies, so which actions ran can be read back.
struct AlertImage {
  dfc::RULE_CELL always[2] = {{dfc::kCellConstant, 1}, {dfc::kCellOperator, dfc::kOpEnd}};
  dfc::RULE_CELL never[2] = {{dfc::kCellConstant, 0}, {dfc::kCellOperator, dfc::kOpEnd}};
  dfc::ACTION_ENTRY actions[5] = {};  // copies 5 (OK), 7 (Cancel), 6 (Yes), 8 (No), 9 (the node's own)
  dfc::TRANSACT_ENTRY transacts[5] = {};
  dfc::ALERT_ACTION_ENTRY answers[4] = {};
  dfc::ALERT_ENTRY alert{};
  dfc::RULE_ROW row{};
  dfc::IMAGE_NODE node{};
  dfc::ACTION_ENTRY stop{};
  dfc::TRANSACT_ENTRY stopping{};

  AlertImage(WORD key, WORD buttons, WORD icon, bool fires) {
    static constexpr DWORD kCopies[5] = {5, 7, 6, 8, 9};
    static constexpr WORD kAnswers[4] = {IDOK, IDCANCEL, IDYES, IDNO};
    for (int i = 0; i < 5; ++i) {
      actions[i].targetId = sid::dmCopies;
      actions[i].value = kCopies[i];
      transacts[i].action = Addr(&actions[i]);
    }
    for (int i = 0; i < 4; ++i) {
      answers[i].answerKey = kAnswers[i];
      answers[i].transact = Addr(&transacts[i]);
      answers[i].next = i < 3 ? Addr(&answers[i + 1]) : 0;
    }
    alert.judge = Addr(fires ? always : never);
    alert.messageKey = key;
    alert.buttons = buttons;
    alert.icon = icon;
    alert.alertAction = Addr(&answers[0]);
    row.alerts = Addr(&alert);
    row.transactA = Addr(&transacts[4]);
    node.rule = Addr(&row);
    node.type = 1;
  }
  // The node's automatic actions stop at a dialog action naming `dialogId`.
  void StopAt(WORD dialogId) {
    stop.targetId = dialogId;
    stop.targetKind = 1;
    stopping.action = Addr(&stop);
    row.transactA = Addr(&stopping);
  }
};

struct Events {
  int refused = 0;  // event 42
  int nodeChanged = 0;  // event 47
  int offered = 0;  // the focus-fault code 0x8007
  WPARAM offeredKey = 0;
};
Events* gEvents = nullptr;
int CountEvent(SETTING_CONTEXT*, DWORD event, void*, void*) {
  if (event == STG_EVENT_VALUE_APPLIED) ++gEvents->refused;
  if (event == STG_EVENT_PAGE_CHANGED) ++gEvents->nodeChanged;
  return 0;
}
int CountMessage(SETTING_CONTEXT*, HANDLE, HANDLE, UINT message, UINT_PTR wParam, LONG_PTR, void*) {
  if (message == 0x8007) {
    ++gEvents->offered;
    gEvents->offeredKey = wParam;
  }
  return 0;
}

class Change : public SheetsTest {
 protected:
  void SetUp() override {
    SheetsTest::SetUp();
    gEvents = &events_;
    MODULE_VECTOR* v = ctx_->work->modules;
    ASSERT_TRUE(v && v->count > 0);
    v->rows[0].event = CountEvent;
    v->rows[0].message = CountMessage;
    page_ = StgFindDialog(ctx_, 1002);
    control_ = StgFindControlById(ctx_, page_, 2017);
    ASSERT_TRUE(page_ && control_ && control_->item);
    savedNode_ = control_->ruleNode;
    savedKind_ = control_->kind;
  }
  void TearDown() override {
    control_->ruleNode = savedNode_;
    control_->kind = savedKind_;
    gEvents = nullptr;
    SheetsTest::TearDown();
  }
  void Start(AlertImage& image) {
    control_->ruleNode = &image.node;
    CtlSetValue(ctx_, control_, kA4);
    StgSetValue(ctx_, sid::dmCopies, 1);
    events_ = {};
    kvp::ui::ClearLogs();
  }
  DWORD Paper() { return CtlGetValue(ctx_, control_); }
  DWORD Copies() { return DWORD(StgGetValue(ctx_, sid::dmCopies, nullptr)); }

  Events events_;
  DIALOG_DESC* page_ = nullptr;
  CONTROL_DESC* control_ = nullptr;
  void* savedNode_ = nullptr;
  WORD savedKind_ = 0;
};

}  // namespace

TEST_F(Change, AlertOutcomes) {
  struct Case {
    const char* name;
    WORD key, buttons, icon;
    bool fires;
    DWORD method;  // rdmPrnMethod
    int answer;
    int result;
    DWORD paper, copies;
    int refusedEvents;
  } cases[] = {
      {"OK/Cancel answered OK: stands, OK actions only", kPaperMessage, MB_OKCANCEL, MB_ICONEXCLAMATION, true, 53, IDOK, 0, kA3, 5, 0},
      {"OK/Cancel answered Cancel: old value back", kPaperMessage, MB_OKCANCEL, MB_ICONEXCLAMATION, true, 53, IDCANCEL, 1, kA4, 7, 1},
      {"information with only OK stands", kPaperMessage, MB_OK, MB_ICONINFORMATION, true, 53, IDOK, 0, kA3, 5, 0},
      {"Yes/No answered Yes is refused", kPaperMessage, MB_YESNO, MB_ICONQUESTION, true, 53, IDYES, 1, kA4, 6, 1},
      {"Yes/No answered No is refused", kPaperMessage, MB_YESNO, MB_ICONQUESTION, true, 53, IDNO, 1, kA4, 8, 1},
      {"a warning with only OK is refused", kPaperMessage, MB_OK, MB_ICONEXCLAMATION, true, 53, IDOK, 1, kA4, 5, 1},
      {"no alert: the node's actions run", kPaperMessage, MB_OKCANCEL, MB_ICONEXCLAMATION, false, 53, 0, 0, kA3, 9, 0},
      {"print method 56 and string 10011: stands", kStoredMessage, MB_OKCANCEL, MB_ICONEXCLAMATION, true, 56, IDCANCEL, 0, kA3, 7, 0},
      {"string 10011 under another method: refused", kStoredMessage, MB_OKCANCEL, MB_ICONEXCLAMATION, true, 53, IDCANCEL, 1, kA4, 7, 1},
      {"a message key without a message: no box, stands", 9999, MB_OKCANCEL, MB_ICONEXCLAMATION, true, 53, -1, 0, kA3, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AlertImage image(c.key, c.buttons, c.icon, c.fires);
    StgSetOptionValue(ctx_, sid::rdmPrnMethod, c.method);
    Start(image);
    if (c.answer > 0) kvp::ui::ScriptAnswer(c.answer);
    EXPECT_EQ(DlgSetControlValue(ctx_, page_, control_, kA3), c.result);
    EXPECT_EQ(Paper(), c.paper);
    EXPECT_EQ(Copies(), c.copies);
    EXPECT_EQ(events_.refused, c.refusedEvents);
    EXPECT_EQ(events_.offered, c.refusedEvents);
    if (c.refusedEvents) {
      EXPECT_EQ(events_.offeredKey, c.key);
    }
    EXPECT_EQ(events_.nodeChanged, c.fires ? 0 : 1) << "the node's own actions run only without an alert";
    auto boxes = kvp::ui::MessageBoxLog();
    if (c.answer > 0) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].type, UINT(c.buttons | c.icon));
      EXPECT_EQ(boxes[0].caption, u"UI plotter");
      EXPECT_EQ(boxes[0].text, Load(StgFindMessage(ctx_, c.key)->stringId, 1025));
    } else {
      EXPECT_TRUE(boxes.empty());
    }
    kvp::ui::ScriptReset();
  }
}

TEST_F(Change, AControlWithoutNodeIsOnlyStored) {
  control_->ruleNode = nullptr;
  CtlSetValue(ctx_, control_, kA4);
  StgSetValue(ctx_, sid::dmCopies, 1);
  EXPECT_EQ(DlgSetControlValue(ctx_, page_, control_, kA3), 0);
  EXPECT_EQ(Paper(), kA3);
  EXPECT_EQ(Copies(), 1u);
  EXPECT_EQ(events_.nodeChanged, 0);
  EXPECT_TRUE(kvp::ui::MessageBoxLog().empty());
}

TEST_F(Change, UnitEditAlertWaitsForItsBoxAndTheAnswerDecides) {
  for (int answer : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(answer);
    AlertImage image(kPaperMessage, MB_OKCANCEL, MB_ICONEXCLAMATION, true);
    Start(image);
    control_->kind = 0x3F;
    EXPECT_EQ(DlgSetControlValue(ctx_, page_, control_, kA3), 0);
    EXPECT_TRUE(kvp::ui::MessageBoxLog().empty()) << "the box comes with message 0x8001";
    EXPECT_EQ(Paper(), kA3);
    EXPECT_EQ(Copies(), 1u) << "no answer has been given yet";
    // Another alert row is not the one waiting.
    EXPECT_EQ(DlgShowDeferredAlert(ctx_, page_, 2017, &image.answers[0]), 0);
    kvp::ui::ScriptAnswer(answer);
    EXPECT_EQ(DlgShowDeferredAlert(ctx_, page_, 2017, &image.alert), answer);
    EXPECT_EQ(Paper(), answer == IDOK ? kA3 : kA4);
    EXPECT_EQ(Copies(), answer == IDOK ? 5u : 7u);
    EXPECT_EQ(events_.refused, answer == IDOK ? 0 : 1);
    // Shown once: a second delivery of the message does nothing.
    EXPECT_EQ(DlgShowDeferredAlert(ctx_, page_, 2017, &image.alert), 0);
    control_->kind = savedKind_;
    kvp::ui::ScriptReset();
  }
}

TEST_F(Change, ResolvingDialogOpensOnceUnderItsGuard) {
  AlertImage image(kPaperMessage, MB_OKCANCEL, MB_ICONEXCLAMATION, false);
  image.StopAt(1017);
  EXPECT_EQ(DlgAfterValueChange(ctx_, page_, &image.node, 0), 1);
  EXPECT_EQ(ctx_->work->sheet.resolveGuard, 1u);
  EXPECT_EQ(ctx_->work->sheet.resolveNode, &image.node);
  EXPECT_EQ(DlgAfterValueChange(ctx_, page_, &image.node, 0), 0) << "a change inside its own dialog";
  ctx_->work->sheet.resolveGuard = 0;  // the dialog closed
  EXPECT_EQ(DlgAfterValueChange(ctx_, page_, &image.node, 0), 1);
  ctx_->work->sheet.resolveGuard = 0;
  // A stopping action naming no dialog of the table opens nothing.
  image.StopAt(64000);
  EXPECT_EQ(DlgAfterValueChange(ctx_, page_, &image.node, 0), 0);
  EXPECT_EQ(ctx_->work->sheet.resolveGuard, 0u);
}

TEST_F(Change, FollowUpCodes) {
  StgClearChangeFlags(ctx_, 0xFFFFFFFFu);
  DlgRunFollowUp(ctx_, 2);
  EXPECT_TRUE(StgGetChangeFlags(ctx_) & 0x10000000u);
  DlgRunFollowUp(nullptr, 1);  // nothing without a context
}

// ---- commits

namespace {

constexpr size_t kDm = 1236;

LONG_PTR gSetResultCalls = 0;
DWORD gActionAtResult = 0;
HANDLE gPrinter = nullptr;
LONG_PTR RecordResult(HANDLE, UINT function, LONG_PTR, LONG_PTR result) {
  if (function == CPSFUNC_SET_RESULT && result == CPSUI_OK) {
    ++gSetResultCalls;
    BYTE buf[256] = {};
    DWORD needed = 0;
    if (GetPrinterW(gPrinter, 7, buf, sizeof buf, &needed))
      gActionAtResult = reinterpret_cast<PRINTER_INFO_7W*>(buf)->dwAction;
  }
  return 1;
}

class Commit : public SheetsTest {
 protected:
  void SetUp() override {
    SheetsTest::SetUp();
    in_.assign(kDm, 0);
    std::memcpy(in_.data(), ctx_->store->bytes, kDm);
    out_.assign(kDm + 64, 0xAB);
    ctx_->work->sheetRefs[0] = in_.data();
    ctx_->work->sheetRefs[1] = out_.data();
    gSetResultCalls = 0;
    gActionAtResult = 0;
    gPrinter = printer_;
  }
  DEVMODEW* In() { return reinterpret_cast<DEVMODEW*>(in_.data()); }
  DEVMODEW* Out() { return reinterpret_cast<DEVMODEW*>(out_.data()); }
  DEVMODEW* Store() { return reinterpret_cast<DEVMODEW*>(ctx_->store->bytes); }
  std::vector<BYTE> in_, out_;
};

}  // namespace

TEST_F(Commit, DocumentDevmodeByMode) {
  struct Case {
    DWORD mode;
    DWORD kind;
    bool written;
  } cases[] = {{0, 0, false}, {DM_UPDATE, 0, true}, {DM_COPY, 0, true}, {DM_UPDATE, STG_KIND_DOCPROP, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    out_.assign(kDm + 64, 0xAB);
    ctx_->work->docPropMode = c.mode;
    DWORD kind = ctx_->work->kind;
    ctx_->work->kind = (kind & ~STG_KIND_DOCPROP) | c.kind;
    EXPECT_EQ(DlgStoreDocumentDevmode(ctx_), 1);
    ctx_->work->kind = kind;
    if (!c.written) {
      EXPECT_EQ(out_, std::vector<BYTE>(kDm + 64, 0xAB));
      continue;
    }
    EXPECT_EQ(Out()->dmSize, Store()->dmSize);
    EXPECT_EQ(Out()->dmPaperSize, Store()->dmPaperSize);
    for (size_t i = kDm; i < out_.size(); ++i) ASSERT_EQ(out_[i], 0xAB) << "written past the DEVMODE at " << i;
  }
}

TEST_F(Commit, OutputStaysWithinTheSizesTheCallerDeclares) {
  ctx_->work->docPropMode = DM_COPY;
  // Older, current and foreign private parts (the last one claims more than the driver has).
  for (WORD extra : {WORD(0), WORD(500), WORD(1016), WORD(4000)}) {
    SCOPED_TRACE(extra);
    In()->dmDriverExtra = extra;
    out_.assign(kDm + 64, 0xAB);
    EXPECT_EQ(DlgStoreDocumentDevmode(ctx_), 1);
    WORD expected = extra < Store()->dmDriverExtra ? extra : Store()->dmDriverExtra;
    EXPECT_EQ(Out()->dmDriverExtra, expected);
    size_t end = Store()->dmSize + expected;
    for (size_t i = end; i < out_.size(); ++i) ASSERT_EQ(out_[i], 0xAB) << "written past the declared size at " << i;
  }
}

TEST_F(Commit, CollateFollowsTheSortSetting) {
  bool selectable = StgQuerySortTypeList(ctx_) != 0;
  ctx_->work->docPropMode = DM_COPY;
  StgSetValue(ctx_, sid::rdmFuncSelectSort, 1);
  Store()->dmCollate = 0;
  Store()->dmFields &= ~DWORD(DM_COLLATE);
  struct Case {
    bool inputAsks;
    DWORD callSrc;
    bool keptAsCopied;
  } cases[] = {{false, 1, false}, {true, 1, false}, {true, 0, true}, {false, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.inputAsks << " " << c.callSrc);
    In()->dmFields = c.inputAsks ? (In()->dmFields | DM_COLLATE) : (In()->dmFields & ~DWORD(DM_COLLATE));
    StgSetValue(ctx_, sid::rdmCallSrc, c.callSrc);
    EXPECT_EQ(DlgStoreDocumentDevmode(ctx_), 1);
    if (!selectable) {
      EXPECT_EQ(Out()->dmFields & DM_COLLATE, 0u);
      EXPECT_EQ(Out()->dmCollate, 0);
    } else if (c.keptAsCopied) {
      EXPECT_EQ(Out()->dmCollate, 0);
      EXPECT_EQ(Out()->dmFields & DM_COLLATE, 0u);
    } else {
      EXPECT_EQ(Out()->dmCollate, 1);
      EXPECT_NE(Out()->dmFields & DM_COLLATE, 0u);
    }
  }
}

TEST_F(Commit, DocumentApplyReportsOnlyWithUpdateOrCopy) {
  ctx_->work->sheet.callback = RecordResult;
  ctx_->work->sheet.kind = DLG_SHEET_DOCUMENT;
  for (DWORD mode : {DWORD(0), DWORD(DM_UPDATE), DWORD(DM_COPY)}) {
    SCOPED_TRACE(mode);
    gSetResultCalls = 0;
    ctx_->work->docPropMode = mode;
    EXPECT_EQ(DlgApplyDeviceSheet(ctx_), 1);
    EXPECT_EQ(ctx_->work->sheet.applied, 1u);
    EXPECT_EQ(gSetResultCalls, mode ? 1 : 0);
  }
}

TEST_F(Commit, DeviceApplyTellsTheSpoolerBeforeTheResult) {
  ctx_->work->sheet.callback = RecordResult;
  ctx_->work->sheet.kind = DLG_SHEET_DEVICE;
  StgSetValue(ctx_, sid::rdmPresentUIMode, 1);
  EXPECT_EQ(DlgApplyDeviceSheet(ctx_), 1);
  EXPECT_EQ(gSetResultCalls, 1);
  EXPECT_EQ(gActionAtResult, DWORD(DSPRINT_UPDATE));
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmPresentUIMode, nullptr), 1u);
}

TEST_F(Commit, DeviceApplyWithoutNetworkKeyClearsIt) {
  if (!StgIsModelFeatureOn(ctx_, 0, 0)) GTEST_SKIP() << "the model has no authentication";
  ctx_->work->sheet.kind = DLG_SHEET_DEVICE;
  StgSetString(ctx_, StgFindItem(ctx_, sid::wdmAuthenticationNetworkKey), u"key");
  StgSetValue(ctx_, sid::rdmPrnFuncAuthenticationSecureMode, 0);
  EXPECT_EQ(DlgApplySheetCore(ctx_), 1);
  WCHAR key[64] = {};
  StgGetString(ctx_, StgFindItem(ctx_, sid::wdmAuthenticationNetworkKey), key);
  EXPECT_EQ(key[0], 0);
}

TEST_F(Commit, FailedPrinterDataWritesLeaveReadableSettings) {
  ctx_->work->sheet.kind = DLG_SHEET_DEVICE;
  kvp::test::FailWriteAt(0);
  ASSERT_EQ(DlgApplyDeviceSheet(ctx_), 1);
  unsigned writes = kvp::test::WriteCount();
  for (unsigned n = 1; n <= writes + 1; ++n) {
    SCOPED_TRACE(n);
    StgSetValue(ctx_, sid::dmCopies, n % 7 + 2);
    kvp::test::FailWriteAt(n);
    EXPECT_EQ(DlgApplyDeviceSheet(ctx_), 1) << "the apply answers 1; the storage reports its own faults";
    kvp::test::FailWriteAt(0);
    SETTING_CONTEXT* again = Open();
    ASSERT_NE(again, nullptr) << "the stored settings stay readable";
    StgReleaseContext(again, STG_RELEASE_FREE);
  }
}
