// Calls from the settings context, the store and the DEVMODE intake into Parts of the driver that are
// built elsewhere (platform queries, folders, resource strings, device settings, the compiled image,
// the rule engine, the feature modules, the public-field passes, version migration). They are declared
// here with the signatures those Parts give them; context_seams.cpp holds a least body for each that
// is not built yet, marked weak so that the real definition replaces it when it is linked in.
#pragma once
#include "kvplat/types.h"
#include "settings/devmode.h"

struct SETTING_CONTEXT;
struct COMPILED_IMAGE;
struct _PRINTER_INFO_2W;

// Platform queries.
void* StgGetPrinterInfo(HANDLE printer, DWORD level);
void StgCachePrinterInfo(const _PRINTER_INFO_2W* info, SETTING_CONTEXT* ctx);
int StgIsAdministrator();
int StgIsAdminForContext(SETTING_CONTEXT* ctx);
int StgIsTerminalServerMode(HANDLE printer);
int StgIsNt5OrLater();
int StgIsRemotePrinter(SETTING_CONTEXT* ctx);
int StgIsBidiEnabled(SETTING_CONTEXT* ctx);

// Folders, regions, resource strings and text conversion.
const WCHAR* CfgGetDriverName(SETTING_CONTEXT* ctx);
const WCHAR* CfgGetInstalledRegionCode(SETTING_CONTEXT* ctx);
int StgGetHelpFileRegionId(SETTING_CONTEXT* ctx);
WCHAR* CfgGetUiFontName(SETTING_CONTEXT* ctx, WCHAR* buffer);
void CfgLoadString(SETTING_CONTEXT* ctx, DWORD stringId, WCHAR* dest, int capacity, int decorate);
WCHAR* CfgAnsiToWide(WCHAR* dest, const char* text, int capacity);
char* CfgWideToAnsi(char* dest, const WCHAR* text, int bytes);
SETTING_CONTEXT* CfgFreeContextLibraries(SETTING_CONTEXT* ctx);

// Lock data, user code.
int CfgLoadLockData(HANDLE printer, SETTING_CONTEXT* ctx);
int CfgLoadUserCodeIfEnabled(SETTING_CONTEXT* ctx);

// Compiled image and rule engine.
COMPILED_IMAGE* ImgAcquire(SETTING_CONTEXT* ctx);
DWORD ImgGetDefaultValue(SETTING_CONTEXT* ctx, WORD id);
int RuleAllocStack(SETTING_CONTEXT* ctx);
void RuleFreeStack(SETTING_CONTEXT* ctx);
int RuleRunAllTransacts(SETTING_CONTEXT* ctx);

// Units, locks and charsets.
int StgIsPrintTypeLocked(SETTING_CONTEXT* ctx);
int StgIsTrayLocked(SETTING_CONTEXT* ctx);
int StgIsMediaLocked(SETTING_CONTEXT* ctx);
int StgIsNupKindLocked(SETTING_CONTEXT* ctx);
int StgIsDuplexLocked(SETTING_CONTEXT* ctx);
int StgIsResolutionLocked(SETTING_CONTEXT* ctx);
int StgIsColorLocked(SETTING_CONTEXT* ctx);
void StgSetCharsetSettings(SETTING_CONTEXT* ctx, int flags);
void StgLoadDriverId(SETTING_CONTEXT* ctx);
void StgSetCharsetSetting(SETTING_CONTEXT* ctx, WORD id);

// Public DEVMODE fields, geometry and derived settings.
void StgSetPublicDefaults(DEVMODEW* dm, int mode, SETTING_CONTEXT* ctx);
void StgFinishStoreDefaults(DEVMODEW* dm, SETTING_CONTEXT* ctx);
void StgRefreshGeometryAndState(DEVMODEW* dm, SETTING_CONTEXT* ctx, int kind);
void StgMergePublicFields(DEVMODEW* store, const DEVMODEW* incoming, SETTING_CONTEXT* ctx);
void StgMergeDependentSettings(DEVMODEW* store, const DEVMODEW* incoming, SETTING_CONTEXT* ctx);
void StgRefreshDerivedSettings(DEVMODEW* dm, SETTING_CONTEXT* ctx, int kind);
void StgApplyOutputPaper(DWORD paper, WORD settingId, SETTING_CONTEXT* ctx, DEVMODEW* dm);

// Custom paper slots.
void CfgLoadAllFreeSizes(SETTING_CONTEXT* ctx);
int CfgFreeSizePaperToIndex(DWORD paper, SETTING_CONTEXT* ctx);
void CfgLoadBuiltinFreeSize(SETTING_CONTEXT* ctx, DWORD paper, int slot);
void CfgSelectFreeSizeSlot(SETTING_CONTEXT* ctx, int slot);

// Driver INI access.
const WCHAR* CfgGetIniPath(SETTING_CONTEXT* ctx);
const WCHAR* CfgGetPresetSection(SETTING_CONTEXT* ctx);
DWORD CfgIniGetString(const WCHAR* section, const WCHAR* key, const WCHAR* def, WCHAR* buffer, DWORD chars,
                      const WCHAR* iniPath);
