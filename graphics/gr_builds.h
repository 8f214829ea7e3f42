// The graphics library's own builds of common-library operations: the rows it fills in the library's
// table of function references when it attaches, and the operations only the graphics library has.
#pragma once
#include "settings/library_hooks.h"

struct SETTING_CONTEXT;

// Sets rdmBiDirect of the context from the stored bidirectional flag, never asking the device: the
// printer-data flag under the server-client mode or when the bidi INI holds none, else the INI's flag.
void GrSetBiDirectFromFlag(SETTING_CONTEXT* context);

// The graphics library's rows of the table (the rows it leaves empty keep the common builds).
const LIBRARY_HOOKS* GrGetLibraryHooks();
// Fills the table with the graphics library's rows; the number of rows filled.
int GrFillLibraryHooks();

// The graphics library's builds (reached through the common names once the table is filled).
// Every setting to its compiled default, administrator locks or not.
void GrResetAllItems(SETTING_CONTEXT* context);
// A new store; an adopted default DEVMODE keeps the zero work-block settings of the new store.
SETTING_STORE* GrCreateStore(SETTING_CONTEXT* context, WORD buildMode);
// Loads the quality entry that the printer INI key names; the entry's name is not read. The common
// build's result.
int GrLoadQualityEntry(SETTING_CONTEXT* context, const WCHAR* key);
// The working (Src: source) custom-size settings into a slot, the user's name of the size as both display
// names (no resource string is loaded).
void GrStoreFreeSizeSlot(SETTING_CONTEXT* context, int slot);
void GrStoreFreeSizeSlotSrc(SETTING_CONTEXT* context, int slot);
// Nothing: the default chapter trays keep their values.
void GrResetChapterDefaultTrays(SETTING_CONTEXT* context);
// Reloads the device settings from printer data and takes the bidi INI's parked results (not under the
// server-client mode, and only when the INI's flag is set); printer data and the INI stay as they are. 1.
int GrReloadDeviceSettings(SETTING_CONTEXT* context);
// CfgReadSettingsFile that keeps rdmAdjustMode while a full restore merges the DEVMODE again.
int GrReadSettingsFile(HANDLE printer, const WCHAR* path, DWORD flags, SETTING_CONTEXT* context);
// The node type's low byte: every pick-one form reads as 1.
WORD GrGetNodeType(SETTING_CONTEXT* context, WORD id);
// The common size of a custom paper code; the stored size of a slot lying landscape (orientation 2)
// reads with width and length exchanged. 1 done, 0 not.
int GrGetCustomPaperSize(SETTING_CONTEXT* context, LONG size[2], DWORD code, int oriented);
// StgMergeDevmode without setting the companion registrations (the store keeps its two bytes).
int GrMergeDevmode(SETTING_CONTEXT* context, const DEVMODEW* incoming, DWORD mode);
// The public-field merge with the paper in the page's orientation: an explicit size (also under a custom
// paper code) is taken as given and lies landscape under orientation 2, as does a custom slot's size.
void GrMergePublicFields(DEVMODEW* store, const DEVMODEW* incoming, SETTING_CONTEXT* ctx);
// The output geometry with the paper in the page's orientation: 1024 copies the source geometry as it
// lies; a custom slot lying landscape gives its size exchanged.
void GrApplyOutputPaper(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm);
// The user's quality macro: 32-39 restore quality entries 0-7 and 160 entry 128 (the printer INI keys
// "QualityList%d") from their settings files; the entry's name is never read. 0 when an entry was
// restored, else rdmUseUserMacro when it is not 1, or the macro value.
LONG GrApplyUserMacro(SETTING_CONTEXT* context);
