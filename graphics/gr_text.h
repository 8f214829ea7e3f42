// Text of the graphics library: conversion of wide text into the printer's bytes and the device-font
// table.
#pragma once
#include "kvplat/types.h"

struct GR_PDEV;

// Converts `bytes` bytes of wide text into printer bytes at `out`, which holds at least twice the
// text's characters plus 2 bytes. Returns the bytes written (no terminator counted).
int GrUnicodeToPrinterText(BYTE* out, const WCHAR* text, DWORD bytes, DWORD mode);
// Frees a device-font table of the context (nothing for none).
void GrFreeFontTable(GR_PDEV* pdev, void* table);
