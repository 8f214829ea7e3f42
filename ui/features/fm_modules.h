// What the property sheets use of the feature dialogs: the stored presets, their name and comment
// buffers, the custom paper sizes and the file filters of the file dialogs.
#pragma once
#include "kvplat/types.h"
#include "kvplat/filedialog.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// Index of the stored preset with that name (the preferred index wins when it also matches), -1 when
// none.
int FmFindPresetByName(SETTING_CONTEXT* ctx, const WCHAR* name, int preferred);
// 1 when the preset file of index 0-15 may be written.
int FmIsPresetWritableAt(SETTING_CONTEXT* ctx, int index);
// A new user preset file name into `buffer` (261 characters).
void FmNewPresetFileName(SETTING_CONTEXT* ctx, WCHAR* buffer);
// The value buffers of wdmPresetName (37 bytes) and wdmPresetComment (513 bytes); none without them.
char* FmPresetNameBuffer(SETTING_CONTEXT* ctx);
char* FmPresetCommentBuffer(SETTING_CONTEXT* ctx);
// Gives the preset its own user file when needed.
void FmEnsurePresetFile(SETTING_CONTEXT* ctx, int index);
// Writes the current settings into the preset of the list key ("PresetList%d"): 1 done, 0 not.
int FmSavePreset(SETTING_CONTEXT* ctx, const WCHAR* listKey);
// Loads preset 0-15; any other index clears the name and comment buffers.
void FmSelectPreset(SETTING_CONTEXT* ctx, int index);
// Loads the stored preset of the list entry key ("PresetList%d") into the store.
void FmLoadPreset(SETTING_CONTEXT* ctx, const WCHAR* listKey);
// Writes the custom paper slots back and restores the settings snapshot.
void FmStoreCustomSizes(SETTING_CONTEXT* ctx);
// Index of a preset whose name repeats another's (posting 0x8004 to the window), -1 when none.
int FmPostDuplicatePresetName(SETTING_CONTEXT* ctx, HWND dialog, int start);
// 1 when the dialog's filter is "*.*" or the name's last four characters match its extension.
int FmMatchFilterExtension(const DIALOG_DESC* dialog, const WCHAR* lastFour);
// The model INI's "FreeSizeCount" of the region section when it is exactly 10, else 0.
int FmCustomSizeCount(SETTING_CONTEXT* ctx);
// Clears the custom-size name, width and length and loads the named model-INI section into them.
void FmLoadCustomSizeSection(SETTING_CONTEXT* ctx, const WCHAR* section);
// Loads stamp n of the model INI into the stamp settings.
void FmLoadModelStamp(SETTING_CONTEXT* ctx, int n);
// Load and save again every stored preset, quality entry, stamp and custom size; settings restored.
void FmResavePresets(SETTING_CONTEXT* ctx);
void FmResaveQualityEntries(SETTING_CONTEXT* ctx);
void FmResaveWatermarks(SETTING_CONTEXT* ctx);
void FmResaveCustomSizes(SETTING_CONTEXT* ctx);
// The current settings written into the preset or quality file named by that list entry of the driver
// INI ("PresetList%d", "QualityList%d").
int FmSavePresetFile(SETTING_CONTEXT* ctx, const WCHAR* listKey);
int FmSaveQualityFile(SETTING_CONTEXT* ctx, const WCHAR* listKey);
// The dialog's filter pattern ("*.rst", "*.bmp", "*.rpo", "*.*").
const WCHAR* FmFileFilterOfDialog(const DIALOG_DESC* dialog);
// 1 unless the preset file's "Readonly" key is 1.
int FmIsPresetWritable(SETTING_CONTEXT* ctx, const WCHAR* file);
// Fills the flags, title, filter and initial folder of a file dialog's request by its kind.
void FmPrepareFileDialog(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog, OPENFILENAMEW* request);
// Shows the open or save dialog of the request by the dialog's kind; non-zero when the user chose a file
// (its path then in `path`, 1025 characters).
int FmRunFileDialog(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog, OPENFILENAMEW* request, WCHAR* path);
// The name (part 1) or comment (part 2) of the preset shown at that entry of a preset list, into `dest`
// (1025 characters); empty when absent.
void FmReadPresetListText(SETTING_CONTEXT* ctx, CONTROL_DESC* list, int entry, int part, WCHAR* dest);
