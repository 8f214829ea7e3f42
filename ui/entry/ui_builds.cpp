// The interface library's own builds of common operations.
#include "ui_builds.h"

#include "sheets/dlg_strings.h"
#include "ui_printer_data.h"

namespace {

constexpr LIBRARY_HOOKS kInterfaceBuilds = [] {
  LIBRARY_HOOKS h{};
  h.CfgLoadString = DlgLoadString;
  h.CfgWriteFontTableRows = UiWriteFontTableRows;
  return h;
}();

}  // namespace

const LIBRARY_HOOKS* UiGetLibraryHooks() { return &kInterfaceBuilds; }

int UiFillLibraryHooks() { return StgFillLibraryHooks(&kInterfaceBuilds); }
