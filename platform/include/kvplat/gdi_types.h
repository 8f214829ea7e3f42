// Drawing types shared by the graphics engine and the window drawing layer: the logical font record and
// the palette handle.
#pragma once
#include <cstddef>

#include "kvplat/types.h"

#define LF_FACESIZE 32
typedef struct tagLOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
} LOGFONTW, *PLOGFONTW;
static_assert(sizeof(LOGFONTW) == 92 && offsetof(LOGFONTW, lfCharSet) == 23 && offsetof(LOGFONTW, lfFaceName) == 28);

typedef struct KvPalette* HPALETTE;
