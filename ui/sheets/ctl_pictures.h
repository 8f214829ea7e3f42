// Picture controls and the value icons.
#pragma once
#include "kvplat/types.h"
#include "kvplat/window.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;
struct CONTROL_DESC;

// Kind handlers (the slots of the control-kind table).
void CtlPictureRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);
void CtlValueIconRefresh(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control);

// Module event 7: the paper picture of a preview is composed; the modules draw their overlays onto it.
struct PREVIEW_OVERLAY_ARG {
  CONTROL_DESC* control;
  LONG paperWidth;  // 50 x 69 for a portrait picture, 68 x 50 for a landscape one
  LONG paperHeight;
  HDC target;       // the caller's DC, none when painting into the control's window
  RECT rect;        // the picture's rectangle
  LONG layoutIndex; // the row of the paper picture in the layout table (0 when none)
};
constexpr DWORD DLG_EVENT_PREVIEW_OVERLAY = 7;
constexpr DWORD DLG_EVENT_PICTURE_BASE = 56;

// Paints the control's picture stack into its own window (dc and rect none) or into the rectangle of
// the given DC (the preset list's items).
void DlgPaintPreviewPicture(SETTING_CONTEXT* ctx, DIALOG_DESC* page, CONTROL_DESC* control, HDC dc, const RECT* rect);
// The paper pictures of the previews, zero-terminated.
const WORD* DlgPortraitPaperPictures();
const WORD* DlgLandscapePaperPictures();
