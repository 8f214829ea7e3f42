// The built library's load entry: attach creates the library's locks, detach frees what the library
// holds for the process (open connections, compiled images, cached contexts) and then the locks, since
// nothing could reach them once the library is unmapped.
#include "api_frame.h"

namespace {
__attribute__((constructor)) void ApiLoad() { ApiLibraryAttach(); }
__attribute__((destructor)) void ApiUnload() { ApiLibraryDetach(); }
}  // namespace
