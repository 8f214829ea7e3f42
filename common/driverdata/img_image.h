// The compiled image of a context: how it is obtained (process cache, the ".BCS" file beside the driver
// data file, or a fresh compile stored as a new ".BCS" file) and the read-only questions every other
// part asks of it (nodes, options, defaults, rule rows, papers, fonts).
//
// A relocated image holds addresses in its reference fields; its records may sit at any even offset,
// so every field is read through the memcpy accessors of dfc_image.h.
#pragma once
#include <cstddef>
#include <cstdint>

#include "driverdata/dfc_image.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct COMPILED_IMAGE;  // the image bytes; opaque outside this code

// ---- acquisition (file and cache) ---------------------------------------------------------------------

// The image of the context's printer: from the process cache, the ".BCS" file or a fresh compile, all
// under the global mutex. Null when the printer's data file cannot be found or compiled. The image is
// owned by the cache, never by the context.
COMPILED_IMAGE* ImgAcquire(SETTING_CONTEXT* ctx);
// A zero-filled copy of the fresh ".BCS" file beside the data file (not relocated), or null when the
// file is missing, older than the data file, no longer than the header or of a size other than its
// TotalLength.
BYTE* ImgLoadImageFile(LPCWSTR dataPath);
// dest (260 characters): the data path with the text after its last '.' replaced by "BCS" (".BCS"
// appended without a '.'); empty when it does not fit.
void ImgMakeImagePath(WCHAR* dest, LPCWSTR dataPath);
// Writes the image (offset form, TotalLength bytes) beside the data file: aside first, then renamed over
// the ".BCS" file, so no reader ever sees a partial file. 1 written, 0 not (callers may ignore it).
BOOL ImgWriteImageFile(const BYTE* image, LPCWSTR dataPath);
void ImgDeleteImageFile(LPCWSTR dataPath);
// Compiles the data file into a new relocated image (GlobalFree), writing the ".BCS" file first when
// mayWrite is set and (without a context) or the image's FileVersion is the library's data version.
BYTE* DfcCompileDataFile(SETTING_CONTEXT* ctx, LPCWSTR dataPath, int mayWrite);
// Checks an image in offset form against its length and relocates it. 0 (image untouched) when any
// reference does not check out.
BOOL ImgRelocate(BYTE* image, size_t length);

// Process cache, keyed by the data file's full path (compared case-insensitively, as the file system
// compares names).
struct IMAGE_CACHE_ENTRY;
IMAGE_CACHE_ENTRY* ImgCacheNewEntry(BYTE* image, LPCWSTR dataPath);
BYTE* ImgCacheLookup(LPCWSTR dataPath);
void ImgCacheAdd(BYTE* image, LPCWSTR dataPath);
// Frees every cached image and entry (library detach).
void ImgFreeCache();
// Number of cached images.
int ImgCacheCount();

// The library's data version ("8.63") as the model block holds it.
const WCHAR* ImgExpectedDataVersion(SETTING_CONTEXT* ctx);

namespace img::test {
// Called between chunks of an image-file write (after `written` bytes); tests use it to kill a writer.
void SetWriteChunkHook(void (*hook)(size_t written));
// Number of compilations DfcCompileDataFile ran in this process.
int CompileCount();
}  // namespace img::test

// ---- queries --------------------------------------------------------------------------------------------

// Node and rule-row references are addresses inside the relocated image (0 for none).
using IMG_REF = uint64_t;

IMG_REF ImgFindNode(SETTING_CONTEXT* ctx, WORD id);
IMG_REF ImgGetRuleRow(SETTING_CONTEXT* ctx, WORD id);
WORD ImgGetNodeType(SETTING_CONTEXT* ctx, WORD id);
WORD ImgGetNodeFlags(SETTING_CONTEXT* ctx, WORD id);
DWORD ImgGetDefaultValue(SETTING_CONTEXT* ctx, WORD id);
IMG_REF ImgGetOptionList(SETTING_CONTEXT* ctx, WORD id, WORD* defaultIndex);
int ImgGetOptionCount(SETTING_CONTEXT* ctx, WORD id);
int ImgCountList(IMG_REF first);
IMG_REF ImgFindActiveNode(SETTING_CONTEXT* ctx, WORD id);
IMG_REF ImgFindNodeVariant(SETTING_CONTEXT* ctx, WORD id, int which);
IMG_REF ImgFindNodeOfRow(SETTING_CONTEXT* ctx, int row);
IMG_REF ImgFindNodeByKey(SETTING_CONTEXT* ctx, WORD key);
IMG_REF ImgFindNodeByKey2(SETTING_CONTEXT* ctx, WORD key);
const WCHAR* ImgGetUIResDLLName(SETTING_CONTEXT* ctx);
// The same default rule on an image header in offset form (the image under construction): base is the
// start of the block the header's offsets count from.
DWORD ImgGetDefaultOf(WORD id, const BYTE* base, size_t length);

// Node fields.
inline WORD ImgNodeSettingId(IMG_REF n) { return n ? DFC_GET(n, IMAGE_NODE, settingId) : 0; }
inline WORD ImgNodeKey(IMG_REF n) { return n ? DFC_GET(n, IMAGE_NODE, key) : 0; }
inline WORD ImgNodeType(IMG_REF n) { return n ? DFC_GET(n, IMAGE_NODE, type) : 0; }
inline IMG_REF ImgNodeRule(IMG_REF n) { return n ? DFC_GET(n, IMAGE_NODE, rule) : 0; }
inline IMG_REF ImgNodeOptions(IMG_REF n) { return n ? DFC_GET(n, IMAGE_NODE, options) : 0; }
// Every record of a list starts with its next reference.
inline IMG_REF ImgNext(IMG_REF r) { return r ? DFC_GET(r, IMAGE_OPTION, next) : 0; }
inline WORD ImgOptionValue(IMG_REF o) { return o ? DFC_GET_AS(WORD, o, IMAGE_OPTION, value) : 0; }

// Papers (0.1 mm, width first).
struct IMG_RECT {
  LONG left, top, right, bottom;
};
int ImgGetPaperArea(SETTING_CONTEXT* ctx, IMG_RECT* rect, LONG pair[2], DWORD paper);
int ImgFindPaperArea(SETTING_CONTEXT* ctx, IMG_RECT* rect, LONG pair[2], DWORD paper);
int ImgGetPaperSizeOf(SETTING_CONTEXT* ctx, LONG size[2], WORD id);
int ImgGetCurrentPaperSize(SETTING_CONTEXT* ctx, LONG size[2]);
int ImgGetOutPaperSize(SETTING_CONTEXT* ctx, LONG size[2]);
int ImgGetCustomPaperSize(SETTING_CONTEXT* ctx, LONG size[2], DWORD code, int oriented);
int ImgGetCustomPaperSizeOriented(SETTING_CONTEXT* ctx, LONG size[2], DWORD code);
int ImgGetCustomPaperSizeStored(SETTING_CONTEXT* ctx, LONG size[2], DWORD code);
DWORD ImgFindPaperBySize(SETTING_CONTEXT* ctx, LONG width, LONG length, int tolerant);

// Resolutions: the row of a resolution code in the model's resolution table; none for code 0 and for a
// code without a row.
struct RESOLUTION_ROW;
const RESOLUTION_ROW* ImgFindResolutionRow(DWORD code);

// Fonts.
struct DEVICE_FONT_REC {
  DWORD id;
  WCHAR name[32];
};
static_assert(sizeof(DEVICE_FONT_REC) == 68);
struct FONT_SUBST_REC {
  WCHAR trueTypeName[32];
  WCHAR deviceName[32];
};
static_assert(sizeof(FONT_SUBST_REC) == 128);
DEVICE_FONT_REC* ImgCopyDeviceFonts(SETTING_CONTEXT* ctx, int* count);
DEVICE_FONT_REC* ImgCopyCartridgeFonts(SETTING_CONTEXT* ctx, int* count);
FONT_SUBST_REC* ImgCopyFontSubstitutions(SETTING_CONTEXT* ctx, int* count);
