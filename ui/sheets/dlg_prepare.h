// UI preparation of a context: its controls bound to their settings and rule nodes, the behaviour
// flags of controls and settings, settings that share storage, and the first undo snapshot. Done once
// per context, before its first dialog is shown.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;
struct DIALOG_DESC;

// Prepares the context's UI once. The control count of the dialog (the table's first dialog for none)
// when one of its controls already has a rule node; else the result of the first undo snapshot.
int DlgPrepareUi(SETTING_CONTEXT* ctx, DIALOG_DESC* dialog);
// The change classes of the settings, the flags of the controls, the preset value maps, the shared
// item keys and storage, and the extra data of the sample and the preview (kept in the context).
void PgSetItemFlags(SETTING_CONTEXT* ctx);
// The compiled-image node that carries the rules of a UI item key; none for key 0 or without an image.
void* DlgFindKeyNode(SETTING_CONTEXT* ctx, WORD key);
// 1 when the rules exclude the current option of the node of that key (a page whose node excludes it is
// left out of the sheet); 0 for key 0 or no node.
int DlgIsKeyExcluded(SETTING_CONTEXT* ctx, WORD key);
