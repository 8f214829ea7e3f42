// Plug-ins of the maker's add-ons: their registration in the registry and in the driver folder's
// plug-in INI, listed by category, and the questions the settings merge asks of that list.
#pragma once
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// A list of ANSI names; every block zero-filled and owned by the list.
struct NAME_LIST {
  DWORD count;
  char** names;
};

// One registered plug-in; texts are ANSI, name and install path may be none.
struct PLUGIN_ENTRY {
  char* id;
  char* name;
  char* installPath;
  DWORD forceRaw;    // "ForceRAW": no EMF journaling while this plug-in filters
  DWORD perPrinter;  // "PerPrinter"
};

// Registry entries first, then the entries of the plug-in INI.
struct PLUGIN_LIST {
  DWORD count;
  PLUGIN_ENTRY** entries;
};

// The table a UI-control plug-in hands out from UICTRLGetInterface(UICTRL_INTERFACE_VERSION, &table)
// (non-zero on success) and takes back with UICTRLDisposeInterface(table). Entries 0 and 1 are the
// plug-in's own; the driver calls open, close and query.
struct UICTRL_INTERFACE {
  void (*entry0)();
  void (*entry1)();
  int (*open)(HANDLE printer, void** instance);                  // non-zero on success
  void (*close)(void* instance);
  int (*query)(void* instance, DWORD function, DWORD* answer);  // non-zero on success
};
typedef int (*PFN_UICTRLGetInterface)(DWORD version, UICTRL_INTERFACE** table);
typedef void (*PFN_UICTRLDisposeInterface)(UICTRL_INTERFACE* table);
#define UICTRL_INTERFACE_VERSION 256
#define UICTRL_FUNCTION_COPY_GUARD 1
#define UICTRL_FUNCTION_WATERMARK 2

// Categories the driver asks for.
#define PLG_CATEGORY_UI_CONTROL "UIControl"
#define PLG_CATEGORY_VESPER_UI "VesperUI"
#define PLG_CATEGORY_FILTER "iZARNFilter"
#define PLG_VESPER_UI_ID "VesperUIPlugin"

// Lists the plug-ins of `category` registered under HKLM "Software\KAVRO\ZarnPlugins\<category>" (keys
// opened for reading only, so any user finds them) and in "<driverDir>\ZARNPLUG.ini" (driverDir without
// its trailing backslash). An id registered in both places is listed once, with the registry's values.
// Returns the list (free it with PlgFreePluginList), or none when the category has no plug-ins, an
// argument is none or memory ran out (nothing is then left allocated).
PLUGIN_LIST* PlgEnumPlugins(const char* category, const char* driverDir);
// Frees a list with every entry and text; none is accepted. Returns 1.
int PlgFreePluginList(PLUGIN_LIST* list);
// Frees a name list with its names; none is accepted. Returns 1.
int PlgFreeNameList(NAME_LIST* list);
// 1 when one of the printer's plug-in ids (printer data "PluginIDCount", "PluginID%d") is exactly
// "VesperUIPlugin"; the walk stops at the first id that cannot be read. 0 otherwise.
int PlgHasVesperUI(SETTING_CONTEXT* ctx);
// 1 when the "VesperUIPlugin" entry of category "VesperUI" (first match, any case) has an install path;
// the path is copied into `dest` (cut to destBytes - 1 bytes) when dest is given. 0 otherwise.
int PlgGetVesperUIPath(SETTING_CONTEXT* ctx, char* dest, DWORD destBytes);
// Asks every UI-control plug-in of the driver folder (loaded one at a time and freed again) whether it
// provides the copy guard and the watermark, and records the answers in the context: the plug-in switches
// rdmFunc2SelectUICtrlCopyGuard and rdmFunc2SelectUICtrlWaterMark become 0 or 1, and a function a plug-in
// provides switches the driver's own (rdmFuncSelectCopyProtect, rdmFuncSelectWaterMark) off. A plug-in
// that cannot be loaded or refuses contributes nothing.
void PlgQueryUIControls(SETTING_CONTEXT* ctx);
