// Text of the graphics library: conversion of wide text into the printer's bytes and the device-font
// table.
#pragma once
#include "kvplat/types.h"

struct GR_PDEV;

// The font description of one text call.
struct GR_FONT_DESC {
  BYTE italicSim;
  BYTE boldSim;
  BYTE road;      // 2 printer font, 4 outlines, 5 downloaded glyphs
  BYTE vertical;
  BYTE reserved;
  BYTE charSet;
  BYTE pitchAndFamily;
  BYTE bold;      // a copy of boldSim
  WORD weight;
  SHORT escapement;  // degrees, 0 to 359
  SHORT emHeight;    // across the baseline, device pixels
  SHORT emWidth;     // along the baseline
  char familyName[260];
  char faceName[260];  // printer bytes, zero-filled
  SHORT leading;
  WORD defaultChar;
  BYTE glyphKind;  // 2 character codes, 3 glyph indices
};

// Converts `bytes` bytes of wide text into printer bytes at `out`, which holds at least twice the
// text's characters plus 2 bytes. Returns the bytes written (no terminator counted).
int GrUnicodeToPrinterText(BYTE* out, const WCHAR* text, DWORD bytes, DWORD mode);
// Empties the glyph cache of the page (the printer forgets its kept glyphs at the page end).
void GrFreeGlyphCache(GR_PDEV* pdev);
// Frees a device-font table of the context (nothing for none).
void GrFreeFontTable(GR_PDEV* pdev, void* table);
