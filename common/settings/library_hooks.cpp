// The library's table of its own builds of common operations, and the common names that dispatch
// through it.
#include "settings/library_hooks.h"

#include "config/device_settings.h"
#include "config/driver_lists.h"
#include "config/free_size.h"
#include "config/ini.h"
#include "config/resource_strings.h"
#include "devlink/bidi_query.h"
#include "config/settings_file.h"
#include "driverdata/rule_eval.h"
#include "driverdata/rule_values.h"
#include "settings/feature_modules.h"
#include "settings/context.h"
#include "settings/paper_geometry.h"
#include "settings/public_fields.h"
#include "settings/store.h"

namespace {

// Expanded from the rows themselves, so no row can lack its common build.
#define KV_HOOK_DEFAULT(name, ret, params, args) name##Common,
constexpr LIBRARY_HOOKS kCommonBuilds = {KV_LIBRARY_HOOK_ROWS(KV_HOOK_DEFAULT)};
#undef KV_HOOK_DEFAULT


// Constant-initialised: the rows are valid before any constructor of the library runs.
LIBRARY_HOOKS g_hooks = kCommonBuilds;

}  // namespace

int StgFillLibraryHooks(const LIBRARY_HOOKS* own) {
  if (!own) return 0;
  int filled = 0;
#define KV_HOOK_FILL(name, ret, params, args) \
  if (own->name) {                            \
    g_hooks.name = own->name;                 \
    ++filled;                                 \
  }
  KV_LIBRARY_HOOK_ROWS(KV_HOOK_FILL)
#undef KV_HOOK_FILL
  return filled;
}

void StgResetLibraryHooks() { g_hooks = kCommonBuilds; }

const LIBRARY_HOOKS* StgGetLibraryHooks() { return &g_hooks; }

// The common names: every caller, the common library's own code included, reaches the library's build.
#define KV_HOOK_DISPATCH(name, ret, params, args) \
  ret name params { return g_hooks.name args; }
KV_LIBRARY_HOOK_ROWS(KV_HOOK_DISPATCH)
#undef KV_HOOK_DISPATCH
