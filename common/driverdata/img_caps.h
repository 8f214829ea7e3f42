// Capability lists computed from the compiled image under the current rules: input bins and their
// names, papers with names and sizes, the custom paper extent, resolutions, maximum copies, the ranges
// of the scale and margin settings, and the selectable codes of a list setting.
//
// A list function returns the number of entries written (or, without a buffer, that would be written),
// or -1 when it has no answer. A fill pass takes the caller's capacity in entries and never writes
// beyond it: when the list has grown since the counting pass, the answer is the capacity (the list is
// cut), so two-pass callers cannot be overrun.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// Input bins (DMBIN codes) and names (fields of `width` characters, zero-filled, cut to width - 1).
int ImgListInputBins(SETTING_CONTEXT* ctx, WORD* bins, int capacity);
int ImgListInputBinNames(SETTING_CONTEXT* ctx, WCHAR* names, int width, int capacity);

// Papers of setting 8 (the paper-size node, excluded options left out) or of another PickOne setting
// (every option): codes, names (fields of `width` characters) and, for setting 8, sizes in 0.1 mm
// (width then length per entry).
int ImgListPaperIds(SETTING_CONTEXT* ctx, WORD* codes, WORD id, int capacity);
int ImgListPaperNames(SETTING_CONTEXT* ctx, WCHAR* names, int width, WORD id, int capacity);
int ImgListPaperSizes(SETTING_CONTEXT* ctx, LONG* pairs, WORD id, int capacity);

constexpr int IMG_EXTENT_MIN = 4;   // `which` of ImgGetPaperExtent for the minimum
constexpr LONG IMG_EXTENT_PACKED_MAX = 32767;  // largest length or width the packed answer carries
// The minimum (which = 4) or maximum custom extent in 0.1 mm: length << 16 | width, each capped at
// 32767; out (when given) receives width and length, capped alike.
DWORD ImgGetPaperExtent(SETTING_CONTEXT* ctx, SHORT* out, int which);
// The same extent whole: out[0] width, out[1] length; the maximum for a non-zero flag. 1, 0 without out.
int ImgGetPaperExtentInt(SETTING_CONTEXT* ctx, LONG* out, int maxFlag);

int ImgGetLandscapeAngle(SETTING_CONTEXT* ctx);
// The maximum of the dmCopies node, or the model's maximum without a Numeric node.
int ImgGetMaxCopies(SETTING_CONTEXT* ctx);
// 1 and {H, V} minimum and maximum of the scale settings when both have Numeric nodes; else 0.
int ImgGetScaleRange(SETTING_CONTEXT* ctx, SHORT* minimum, SHORT* maximum);
// 1 and the ranges of each pair asked for (one of its outputs given); 0 when a wanted pair has no
// Numeric node, or nothing is asked.
int ImgGetMarginRanges(SETTING_CONTEXT* ctx, LONG* minOdd, LONG* maxOdd, LONG* minEven, LONG* maxEven);
int ImgGetShiftMarginRanges(SETTING_CONTEXT* ctx, LONG* minX, LONG* maxX, LONG* minY, LONG* maxY);
int ImgGetCreepMarginRanges(SETTING_CONTEXT* ctx, LONG* minIn, LONG* maxIn, LONG* minOut, LONG* maxOut);
int ImgHasDuplexUnit(SETTING_CONTEXT* ctx);
// 1 when the setting has an active node whose type word is not TypeUnknown.
int ImgHasUsableNode(SETTING_CONTEXT* ctx, DWORD unused, WORD id);

// The codes (symbol second values) of the options of a PickOne setting that are not excluded.
int ImgListAllowedCodes(SETTING_CONTEXT* ctx, DWORD* codes, WORD id, int capacity);
int ImgCollectAllowedCodes(SETTING_CONTEXT* ctx, DWORD* codes, WORD id, int capacity);

// Resolutions: codes (mode 1) or x and y dpi pairs (two values per entry, capacity in entries).
int ImgListResolutionCodes(SETTING_CONTEXT* ctx, LONG* out, int capacity);
int ImgListResolutions(SETTING_CONTEXT* ctx, LONG* out, int mode, int capacity);
constexpr int IMG_RESOLUTION_CODES = 1;

// Resolution table lookups; 0 when no row answers.
DWORD ImgResolutionCodeByDpi(DWORD x, DWORD y);
DWORD ImgResolutionCodeByXDpi(DWORD x);
DWORD ImgResolutionCodeAfter(DWORD x, DWORD code);
