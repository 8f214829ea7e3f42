// Reset within a document: a running job moves from the device context of the old DEVMODE to the one of
// the new DEVMODE (page count, output binding, job name, colour transform, job-log settings, glyph cache),
// and the new DEVMODE keeps the old one's settings where the page settings agree.
#pragma once
#include "kvplat/devmode.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// TRUE when the two DEVMODE copies agree in dmColor, dmPrintQuality and rdmFuncSelectDuplex. FALSE for a
// missing copy or a copy too small to hold one of them.
BOOL GrResetFieldsMatch(const DEVMODEW* oldCopy, const DEVMODEW* newCopy);
// Writes the page settings of `newCopy` over `work` (a copy of the old DEVMODE of `workBytes` bytes).
// Every field is taken only where it lies inside both copies.
void GrTakePageSettings(BYTE* work, DWORD workBytes, const DEVMODEW* newCopy);
// When the copies agree (GrResetFieldsMatch): the new copy becomes the old copy with the page settings of
// the new one, bounded by the smaller of the two copies; the new copy keeps its own dmSize and
// dmDriverExtra. TRUE then; FALSE (nothing changed) when they disagree, a copy is missing or memory runs
// out.
BOOL GrMergeResetDevmode(const DEVMODEW* oldCopy, DEVMODEW* newCopy);
// Copies the job-log settings (user code, owner, passwords, user id, document name, fax number and line,
// and with model feature 0 the three authentication settings) from one settings context to another.
void GrCopyJobLogItems(SETTING_CONTEXT* from, SETTING_CONTEXT* to);
