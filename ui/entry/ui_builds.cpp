// The interface library's own builds of common operations.
#include "ui_builds.h"

#include "sheets/dlg_strings.h"

namespace {

constexpr LIBRARY_HOOKS kInterfaceBuilds = [] {
  LIBRARY_HOOKS h{};
  h.CfgLoadString = DlgLoadString;
  return h;
}();

}  // namespace

const LIBRARY_HOOKS* UiGetLibraryHooks() { return &kInterfaceBuilds; }

int UiFillLibraryHooks() { return StgFillLibraryHooks(&kInterfaceBuilds); }
