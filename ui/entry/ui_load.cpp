// The built library's load entry. It keeps the library's own module handle (reported as the instance
// of the property-sheet pages) and turns off thread notifications; it never calls the exported DllMain.
// At unload it frees what the library cached for the process: once unmapped, nothing could reach the
// cached contexts and compiled images any more.
#include "kvplat/module.h"
#include "ui_frame.h"
#include "ui_printer_data.h"

namespace {

__attribute__((constructor)) void UiLoad() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&UiGetModuleHandle), &self);
  // The library's own builds of common operations are in place before any call reaches the common code.
  UiFillLibraryHooks();
  UiSetModuleHandle(self);
  if (self) DisableThreadLibraryCalls(self);
}

__attribute__((destructor)) void UiUnload() { UiProcessAttachDetach(UiGetModuleHandle(), 0, nullptr); }

}  // namespace
