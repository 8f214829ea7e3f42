// The public part of the DEVMODE (dmDeviceName ... dmPanningHeight): the check that brings every field
// to a value the compiled image accepts, the merge of a caller's DEVMODE field by field, the second
// pass that carries the public fields into the private settings that depend on them, and the refresh
// of the derived settings.
#pragma once
#include <cstdint>

#include "kvplat/types.h"
#include "settings/devmode.h"

struct SETTING_CONTEXT;
struct ITEM_DESC;

// Record of module event 32 (a value the rules refused): a module may change `value`, which is then
// taken.
struct STG_VALUE_REJECTED_ARG {
  DEVMODEW* dm;
  ITEM_DESC* item;
  uint64_t value;
};

// Mode 1 only: checks the public fields of the context's store (StgCheckPublicFields).
void StgSetPublicDefaults(DEVMODEW* dm, int mode, SETTING_CONTEXT* ctx);
// Brings each public field of the context's store to an accepted value, field by field in DEVMODE
// order; a field the image does not accept takes the model default. No result.
void StgCheckPublicFields(int mode, SETTING_CONTEXT* ctx);
// The finishing steps of a default store: private settings validated (mode 1), geometry and state
// refreshed (kind 1), private header texts written.
void StgFinishStoreDefaults(DEVMODEW* dm, SETTING_CONTEXT* ctx);
// The private header's texts: driver INI name and the two version texts (ANSI, 16 bytes each), the
// mark emptied, its version byte 0, the request and capability blocks zeroed.
void StgWritePrivateTexts(SETTING_CONTEXT* ctx);
// Takes the public fields the incoming DEVMODE claims in dmFields into the store's DEVMODE, each
// checked and replaced by its default when not acceptable. `incoming` is a full store-layout copy.
// Nothing happens when either is absent.
void StgMergePublicFields(DEVMODEW* store, const DEVMODEW* incoming, SETTING_CONTEXT* ctx);
// The merge with the paper kept in the page's orientation (`pageOriented`): an explicit size or a custom
// paper code with a size is taken as given and, like a custom slot's size, lies landscape (length and
// width exchanged) under orientation 2; the free-size settings follow in 1200-dpi dots.
void StgMergePublicFieldsWith(DEVMODEW* store, const DEVMODEW* incoming, SETTING_CONTEXT* ctx, bool pageOriented);
// The print-quality step of the merge (platform quality codes replaced, a refused quality offered to
// the modules, the resolution setting checked, user macro and forced quality applied).
void StgMergePrintQuality(DEVMODEW* store, const DEVMODEW* incoming, SETTING_CONTEXT* ctx);
// The second pass of the merge: duplex binding, media type, stamp and user macro, automatic output
// paper of a custom size, resolution, source and output geometry, state bytes, private validation.
// Nothing happens when either DEVMODE is absent.
void StgMergeDependentSettings(DEVMODEW* store, const DEVMODEW* incoming, SETTING_CONTEXT* ctx);
// StgRefreshGeometryAndState, then dmDuplex and dmMediaType written back from the private settings.
// Kinds: 0 settings file transferred, 1 store created or defaulted, 2 merge, 3 and 4 programming and
// interface calls.
void StgRefreshDerivedSettings(DEVMODEW* dm, SETTING_CONTEXT* ctx, int kind);
// Resolution from the destination setting, source and output geometry, state bytes, identification
// text (kinds 1, 3, 4), module event 53, EMF spooling on.
void StgRefreshGeometryAndState(DEVMODEW* dm, SETTING_CONTEXT* ctx, int kind);
// Validates every private setting (mode 1 defaults, 2 merge).
void StgValidateAllItems(DEVMODEW* dm, SETTING_CONTEXT* ctx, int mode);
// Empty operations of the check table for fields that keep their value.
void StgNoDefault(DEVMODEW* dm, SETTING_CONTEXT* ctx);
void StgNoFieldDefault(DEVMODEW* dm, SETTING_CONTEXT* ctx);

// Width and length (tenths of a millimetre) of user custom slot `code` (384-393) loaded from the
// driver INI; 0 for any other code.
int StgGetUserSlotSize(SETTING_CONTEXT* ctx, DWORD code, LONG* width, LONG* length);
