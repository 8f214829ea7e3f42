// The built library's load entry. It fills the library's own builds of common operations, keeps the
// library's own module handle (reported as the instance of the property-sheet pages) and turns off
// thread notifications; it never calls the exported DllMain.
// At unload it frees what the library cached for the process: once unmapped, nothing could reach the
// cached contexts and compiled images any more.
#include "kvplat/module.h"
#include "ui_builds.h"
#include "ui_frame.h"

namespace {

__attribute__((constructor)) void UiLoad() {
  UiFillLibraryHooks();  // before any other call into the library
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&UiGetModuleHandle), &self);
  UiSetModuleHandle(self);
  if (self) DisableThreadLibraryCalls(self);
}

__attribute__((destructor)) void UiUnload() { UiProcessAttachDetach(UiGetModuleHandle(), 0, nullptr); }

}  // namespace
