/* kvdrvexc: the settings-and-constraints library of the KAVRO QT M8350 printer driver.
 *
 * Outside programs load the library from the printer's driver folder (the model INI names it under
 * [DriversFileName] DriverEDFileName) and call its exports by name. Two families:
 *
 *   ZARNDrv*  the driver API: open a connection on a printer by name, agree an API version, read
 *             capabilities and status items, obtain DEVMODEs, save and restore the quality settings.
 *   Exc*      settings exchanged as PJL SET text on an exclusion handle.
 *
 * Conventions: every text argument is ANSI in the system code page; results are signed 32-bit unless
 * a function says otherwise. A NULL output buffer asks for the size or count only; call again with a
 * buffer of that size. A connection (API_HANDLE) is used from one thread at a time.
 *
 * This header needs only <stdint.h> and <stddef.h>; it compiles as C11 and as C++20.
 */
#ifndef KVDRVEXC_H
#define KVDRVEXC_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define KVEXC_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define KVEXC_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#if defined(KVEXC_BUILDING)
#define KVEXC_API __attribute__((visibility("default")))
#else
#define KVEXC_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Driver API --------------------------------------------------------------------------------- */

/* A connection to one printer: a non-zero 32-bit value; 0 means none. */
typedef uint32_t API_HANDLE;

/* The highest API version this driver knows. */
#define API_VERSION_MAX 16

/* What the caller hands to ZARNDrvInit. */
typedef struct API_INIT_RECORD {
  uint32_t size;    /* not read by the driver */
  int32_t version;  /* the caller's API version */
} API_INIT_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_INIT_RECORD) == 8, "API_INIT_RECORD is 8 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_INIT_RECORD, version) == 4, "version at byte 4");

/* The connection's last error (ZARNDrvGetLastError), kept from API version 9 on. */
typedef enum API_ERROR {
  API_ERROR_NONE = 0,
  API_ERROR_FLAGS = 1,             /* flags not accepted */
  API_ERROR_UNSUPPORTED = 2,       /* id not supported, row disabled, or refused in the current state */
  API_ERROR_CAPS_REFUSED = 3,      /* capability refused for this model */
  API_ERROR_NO_INPUT = 5,          /* record or input DEVMODE missing */
  API_ERROR_VERSION = 6,           /* record version newer than the driver's or needing a higher API version */
  API_ERROR_REFUSED = 7,           /* refused by a rule, or the value is not offered */
  API_ERROR_FONT = 8,              /* the named font is not installed */
  API_ERROR_NO_STAMP = 9,          /* the API's own stamp is missing */
  API_ERROR_FILE = 10,             /* preset, settings or watermark file refused */
  API_ERROR_CHARACTERS = 11,       /* text holds characters that are not allowed */
  API_ERROR_JOB_SET = 12,          /* job-information sub-function cannot be set */
  API_ERROR_JOB_GET = 13,          /* job-information sub-function cannot be read */
  API_ERROR_NOT_ADMIN = 14,        /* the caller is not an administrator */
  API_ERROR_COMBINATION = 15,      /* the settings combination is not valid */
  API_ERROR_GENERAL = 100,         /* printer cannot be opened, out of memory, no row or no handler */
  API_ERROR_DEVICE = 200,          /* device query failed */
  API_ERROR_DEVICE_BUSY = 201,     /* device query failed: no answer */
  API_ERROR_DEVICE_ACCESS = 202,   /* device query failed: refused */
  API_ERROR_USER_QUALITY = 1000,   /* quality items need the user's own quality selected */
  API_ERROR_PRESET_LOAD = 1001,    /* preset or settings file cannot be loaded */
  API_ERROR_TERMINAL_SERVER = 1002 /* refused in terminal-server mode */
} API_ERROR;

/* Flags of ZARNDrvGetDevmode: the first of 0x1, 0x2, 0x4 that is present decides. */
#define API_DEVMODE_DEFAULTS 0x1      /* the printer's defaults */
#define API_DEVMODE_REBUILD 0x2       /* built from nothing */
#define API_DEVMODE_REFRESH 0x4       /* the current settings brought up to date */
#define API_DEVMODE_MERGE 0x8         /* ZARNDrvGetDevmodeEx only, alone: merge the caller's DEVMODE */
#define API_DEVMODE_QUERY 0x10        /* with 0x1 or 0x2: ask the device for its options */
#define API_DEVMODE_NOTIFY 0x20       /* API version 10 on: ask the print-notification library */
#define API_DEVMODE_PRESETS 0x40      /* API version 11 on: take in newly installed presets */

/* dmFields bits of the public DEVMODE that the driver API reads or sets. */
#define API_DM_ORIENTATION 0x00000001u
#define API_DM_PAPERSIZE 0x00000002u
#define API_DM_PAPERLENGTH 0x00000004u
#define API_DM_PAPERWIDTH 0x00000008u
#define API_DM_COPIES 0x00000100u
#define API_DM_DEFAULTSOURCE 0x00000200u
#define API_DM_PRINTQUALITY 0x00000400u
#define API_DM_COLOR 0x00000800u
#define API_DM_COLLATE 0x00008000u

/* The public DEVMODE, wide form (220 bytes), as the driver API hands it out. Lengths in 0.1 mm. */
typedef struct API_DEVMODEW {
  uint16_t dmDeviceName[32]; /* UTF-16 */
  uint16_t dmSpecVersion;
  uint16_t dmDriverVersion;
  uint16_t dmSize;           /* 220 */
  uint16_t dmDriverExtra;    /* bytes of the private part that follows: 1016 */
  uint32_t dmFields;
  int16_t dmOrientation;     /* 1 portrait, 2 landscape */
  int16_t dmPaperSize;
  int16_t dmPaperLength;
  int16_t dmPaperWidth;
  int16_t dmScale;
  int16_t dmCopies;
  int16_t dmDefaultSource;
  int16_t dmPrintQuality;    /* dots per inch, or a negative quality code */
  int16_t dmColor;           /* 1 monochrome, 2 colour */
  int16_t dmDuplex;
  int16_t dmYResolution;
  int16_t dmTTOption;
  int16_t dmCollate;
  uint16_t dmFormName[32];   /* UTF-16 */
  uint16_t dmLogPixels;
  uint32_t dmBitsPerPel;
  uint32_t dmPelsWidth;
  uint32_t dmPelsHeight;
  uint32_t dmNup;
  uint32_t dmDisplayFrequency;
  uint32_t dmICMMethod;
  uint32_t dmICMIntent;
  uint32_t dmMediaType;
  uint32_t dmDitherType;
  uint32_t dmReserved1;
  uint32_t dmReserved2;
  uint32_t dmPanningWidth;
  uint32_t dmPanningHeight;
} API_DEVMODEW;
KVEXC_STATIC_ASSERT(sizeof(API_DEVMODEW) == 220, "wide public DEVMODE is 220 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmSpecVersion) == 64, "dmSpecVersion");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmFields) == 72, "dmFields");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmOrientation) == 76, "dmOrientation");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmPaperSize) == 78, "dmPaperSize");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmPaperLength) == 80, "dmPaperLength");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmPaperWidth) == 82, "dmPaperWidth");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmCopies) == 86, "dmCopies");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmDefaultSource) == 88, "dmDefaultSource");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmPrintQuality) == 90, "dmPrintQuality");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmColor) == 92, "dmColor");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmYResolution) == 96, "dmYResolution");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmCollate) == 100, "dmCollate");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmFormName) == 102, "dmFormName");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmLogPixels) == 166, "dmLogPixels");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmBitsPerPel) == 168, "dmBitsPerPel");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmNup) == 180, "dmNup");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmMediaType) == 196, "dmMediaType");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEW, dmPanningHeight) == 216, "dmPanningHeight");

/* Bytes of the driver's private part that follow the public DEVMODE. */
#define API_DEVMODE_PRIVATE_BYTES 1016

/* The whole wide DEVMODE the DEVMODE exports write: public part and private part, 1236 bytes. */
typedef struct API_DRIVER_DEVMODEW {
  API_DEVMODEW pub;
  uint8_t priv[API_DEVMODE_PRIVATE_BYTES];
} API_DRIVER_DEVMODEW;
KVEXC_STATIC_ASSERT(sizeof(API_DRIVER_DEVMODEW) == 1236, "wide DEVMODE with private part is 1236 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_DRIVER_DEVMODEW, priv) == 220, "private part at byte 220");

/* The public DEVMODE, ANSI form (156 bytes), as ExcGetDriverDevmode hands it out. */
typedef struct API_DEVMODEA {
  char dmDeviceName[32];
  uint16_t dmSpecVersion;
  uint16_t dmDriverVersion;
  uint16_t dmSize;           /* 156 */
  uint16_t dmDriverExtra;
  uint32_t dmFields;
  int16_t dmOrientation;
  int16_t dmPaperSize;
  int16_t dmPaperLength;
  int16_t dmPaperWidth;
  int16_t dmScale;
  int16_t dmCopies;
  int16_t dmDefaultSource;
  int16_t dmPrintQuality;
  int16_t dmColor;
  int16_t dmDuplex;
  int16_t dmYResolution;
  int16_t dmTTOption;
  int16_t dmCollate;
  char dmFormName[32];
  uint16_t dmLogPixels;
  uint32_t dmBitsPerPel;
  uint32_t dmPelsWidth;
  uint32_t dmPelsHeight;
  uint32_t dmNup;
  uint32_t dmDisplayFrequency;
  uint32_t dmICMMethod;
  uint32_t dmICMIntent;
  uint32_t dmMediaType;
  uint32_t dmDitherType;
  uint32_t dmReserved1;
  uint32_t dmReserved2;
  uint32_t dmPanningWidth;
  uint32_t dmPanningHeight;
} API_DEVMODEA;
KVEXC_STATIC_ASSERT(sizeof(API_DEVMODEA) == 156, "ANSI public DEVMODE is 156 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEA, dmSpecVersion) == 32, "dmSpecVersion");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEA, dmFields) == 40, "dmFields");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEA, dmPaperSize) == 46, "dmPaperSize");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEA, dmCollate) == 68, "dmCollate");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEA, dmFormName) == 70, "dmFormName");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEA, dmLogPixels) == 102, "dmLogPixels");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEA, dmBitsPerPel) == 104, "dmBitsPerPel");
KVEXC_STATIC_ASSERT(offsetof(API_DEVMODEA, dmPanningHeight) == 152, "dmPanningHeight");

/* The whole ANSI DEVMODE: public part and private part, 1172 bytes. */
typedef struct API_DRIVER_DEVMODEA {
  API_DEVMODEA pub;
  uint8_t priv[API_DEVMODE_PRIVATE_BYTES];
} API_DRIVER_DEVMODEA;
KVEXC_STATIC_ASSERT(sizeof(API_DRIVER_DEVMODEA) == 1172, "ANSI DEVMODE with private part is 1172 bytes");

/* ---- Status items ----------------------------------------------------------------------------- */

/* Status ids (ZARNDrvSetStatus, ZARNDrvGetStatus) of the items the driver answers so far. */
#define API_STATUS_PRESET_FILE 1         /* API_PRESET_FILE_RECORD */
#define API_STATUS_INPUT_TRAY 2          /* API_STATUS_VALUE_RECORD: dmDefaultSource */
#define API_STATUS_MEDIA_TYPE 3          /* media type */
#define API_STATUS_OUTPUT_TRAY 4         /* output tray */
#define API_STATUS_COLOR 5               /* dmColor */
#define API_STATUS_ORIENTATION 6         /* dmOrientation */
#define API_STATUS_PAPER_SIZE 7          /* API_PAPER_SIZE_RECORD */
#define API_STATUS_OUTPUT_PAPER_SIZE 8   /* API_OUTPUT_PAPER_SIZE_RECORD */
#define API_STATUS_COPIES 9              /* dmCopies */
#define API_STATUS_OUTPUT_DIRECTION 22   /* output direction */
#define API_STATUS_OUTPUT_ORDERLY 23     /* orderly output */
#define API_STATUS_OUTPUT_WHITE_PAPER 24 /* white paper between jobs */
#define API_STATUS_EMULATION 25          /* emulation */
#define API_STATUS_PRINT_AREA 27         /* print area */
#define API_STATUS_PAPER_ROTATION 28     /* API_PAPER_ROTATION_RECORD */
#define API_STATUS_ACTION_MERGE 29       /* action word bits (stored under "rdmAction"): file merge */
#define API_STATUS_ACTION_PROOF 30       /* proof print */
#define API_STATUS_ACTION_SECURITY 31    /* secure print */
#define API_STATUS_ACTION_STORED 32      /* stored print */
#define API_STATUS_ACTION_OVERLAY 33     /* form overlay */
#define API_STATUS_OUTPUT_A4_FIT 45      /* fit to A4 */

/* The map of changed status items a set hands back: one bit per id as in the map of ZARNDrvGetCaps
 * id 0; 32 bytes below API version 6, 64 from 6 on. */
#define API_CHANGED_MAP_BYTES_V5 32
#define API_CHANGED_MAP_BYTES 64

/* Every record starts with its record version. A version newer than the driver's is read as the
 * driver's newest (ZARNDrvSetStatus then answers that version; mode 2 refuses it unapplied); version 0
 * asks ZARNDrvGetStatus for the driver's version and reads like version 1 in a set. */

/* One value of an item (the items of one value and the action items), record version 1. */
typedef struct API_STATUS_VALUE_RECORD {
  uint32_t version;
  uint32_t value; /* in the setting's own coding */
  uint8_t reserved[24];
} API_STATUS_VALUE_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_STATUS_VALUE_RECORD) == 32, "STATUS_VALUE_RECORD is 32 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_STATUS_VALUE_RECORD, value) == 4, "value at byte 4");

/* A function with an on/off switch: six values and the on flag. */
typedef struct API_FUNCTION_RECORD {
  uint32_t version;
  uint32_t values[6];
  uint32_t on; /* 0 asks for the function to be off */
} API_FUNCTION_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_FUNCTION_RECORD) == 32, "FUNCTION_RECORD is 32 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_FUNCTION_RECORD, on) == 28, "on flag at byte 28");

/* Status 1: a settings file, record version 1. A set loads the file; a get reads its preset name and
 * comment (line breaks as CR LF). Texts are ANSI and end inside their fields. */
typedef struct API_PRESET_FILE_RECORD {
  uint32_t version;
  char path[260];    /* absolute path of the settings file */
  char name[37];     /* get */
  char comment[513]; /* get */
  uint8_t padding[10];
} API_PRESET_FILE_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_PRESET_FILE_RECORD) == 824, "PRESET_FILE_RECORD is 824 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_PRESET_FILE_RECORD, name) == 264, "name at byte 264");
KVEXC_STATIC_ASSERT(offsetof(API_PRESET_FILE_RECORD, comment) == 301, "comment at byte 301");

/* Paper codes of the paper items. */
#define API_PAPER_CUSTOM 256           /* a custom size entered by value */
#define API_PAPER_STORED_FIRST 384     /* 384-393: the ten stored custom sizes */
#define API_PAPER_STORED_LAST 393
#define API_OUTPUT_PAPER_CUSTOM 448    /* status 8: a custom print size entered by value */
#define API_OUTPUT_PAPER_SAME 1024     /* status 8: the output size is the paper size */

/* Status 7, record versions 1 (API 1) and 2 (API 12). Lengths in the display unit of the settings:
 * 0.1 mm, or 0.01 inch when the settings show inches. A custom width above its length is swapped. */
#define API_PAPER_SIZE_RECORD_VERSION 2
typedef struct API_PAPER_SIZE_RECORD {
  uint32_t version;
  uint32_t code;
  uint32_t width;
  uint32_t length;
  uint32_t orientation; /* version 2: custom-size orientation, 1 portrait, 2 landscape */
  uint8_t reserved[12];
} API_PAPER_SIZE_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_PAPER_SIZE_RECORD) == 32, "PAPER_SIZE_RECORD is 32 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_PAPER_SIZE_RECORD, width) == 8, "width at byte 8");
KVEXC_STATIC_ASSERT(offsetof(API_PAPER_SIZE_RECORD, length) == 12, "length at byte 12");
KVEXC_STATIC_ASSERT(offsetof(API_PAPER_SIZE_RECORD, orientation) == 16, "orientation at byte 16");

/* Status 8, record versions 1 (API 1), 2 (API 10, the size) and 3 (API 12, the orientation). */
#define API_OUTPUT_PAPER_SIZE_RECORD_VERSION 3
typedef struct API_OUTPUT_PAPER_SIZE_RECORD {
  uint32_t version;
  uint32_t code;
  uint32_t width;       /* versions 2 and 3, display unit */
  uint32_t length;      /* versions 2 and 3 */
  uint32_t orientation; /* version 3 */
  uint8_t reserved[12];
} API_OUTPUT_PAPER_SIZE_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_OUTPUT_PAPER_SIZE_RECORD) == 32, "OUTPUT_PAPER_SIZE_RECORD is 32 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_OUTPUT_PAPER_SIZE_RECORD, orientation) == 16, "orientation at byte 16");

/* Status 28, record versions 1 (API 1), 2 (API 12, the mode) and 3 (API 14, the layouts). */
#define API_PAPER_ROTATION_RECORD_VERSION 3
typedef struct API_PAPER_ROTATION_RECORD {
  uint32_t version;
  uint32_t rotation;
  uint32_t mode;        /* versions 2 and 3: 1 printer, 2 emulation */
  uint32_t nupLayout;   /* version 3: 1 natural, 2 shrink, 3 new page */
  uint32_t bookLayout;  /* version 3: 1 natural, 2 shrink */
  uint8_t reserved[12];
} API_PAPER_ROTATION_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_PAPER_ROTATION_RECORD) == 32, "PAPER_ROTATION_RECORD is 32 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_PAPER_ROTATION_RECORD, bookLayout) == 16, "bookLayout at byte 16");

/* ZARNDrvCheckAPIVer: the highest API version the printer's model allows (its model INI's
 * [ZARNAPI] ZARNAPIVer: 3 when absent or unreadable, at most 16). 0 for a NULL, empty, too long or
 * unknown printer name. Connections opened afterwards start from this version when it is 3 or less. */
KVEXC_API int32_t ZARNDrvCheckAPIVer(const char* printerName);

/* ZARNDrvEnable: opens a connection on the printer; its handle, or 0 when the printer cannot be
 * opened or its settings cannot be built. A new connection runs at API version 3 (lower when the
 * model allows less) until ZARNDrvInit agrees another. */
KVEXC_API API_HANDLE ZARNDrvEnable(const char* printerName);

/* ZARNDrvInit: agrees the API version of this connection: the lower of record->version and the
 * model's highest. 1 done; 0 for a handle that names no connection, a NULL record or a negative
 * version (nothing changed). */
KVEXC_API int32_t ZARNDrvInit(API_HANDLE handle, const API_INIT_RECORD* record);

/* ZARNDrvDisable: closes the connection and frees everything it held. Always 1. */
KVEXC_API int32_t ZARNDrvDisable(API_HANDLE handle);

/* ZARNDrvGetLastError: the connection's last error (API_ERROR); -1 for a handle that names no
 * connection or a connection running below API version 9 (which keeps no last error). */
KVEXC_API int32_t ZARNDrvGetLastError(API_HANDLE handle);

/* ZARNDrvGetCaps: one capability. id 0: the map of supported status ids (32 bytes below API version 6,
 * 64 from 6 on; status id n is bit 0x80 >> ((n-1) % 8) of byte (n-1) / 8); buffer NULL asks for its
 * length. Other ids: the capability's answer (a value, or a count-then-fill list); 0 for an id not
 * supported at the connection's version; -1 on failure. */
KVEXC_API int32_t ZARNDrvGetCaps(API_HANDLE handle, uint32_t id, void* buffer);

/* ZARNDrvSetStatus: writes one status item from its versioned record. 0 done; the item's newest record
 * version when the record was newer; -1 on failure (see ZARNDrvGetLastError). `changed` (or NULL)
 * receives the map of other status items the change touched, sized as the map of ZARNDrvGetCaps id 0. */
KVEXC_API int32_t ZARNDrvSetStatus(API_HANDLE handle, uint32_t id, void* record, void* changed, int32_t mode);

/* ZARNDrvGetStatus: reads one status item into its record at the requested record version; the
 * record's size in bytes (the size alone for a NULL record), -1 on failure. */
KVEXC_API int32_t ZARNDrvGetStatus(API_HANDLE handle, uint32_t id, void* record, uint32_t version);

/* ZARNDrvGetDevmode: the connection's settings as a wide DEVMODE (API_DRIVER_DEVMODEW), by the
 * API_DEVMODE_* flags. The size (1236) on success, the DEVMODE written when `devmode` is not NULL (the
 * buffer must hold 1236 bytes: ask with NULL first); -1 on failure: last error 1 for flags without
 * 0x1, 0x2 or 0x4, 100 when the printer cannot be opened. */
KVEXC_API int32_t ZARNDrvGetDevmode(API_HANDLE handle, int32_t flags, void* devmode);

/* ZARNDrvGetDevmodeEx: as ZARNDrvGetDevmode for flags holding 0x1, 0x2 or 0x4; flags exactly 0x8 merge
 * the caller's DEVMODE `input` (public part and private part, sized by its dmSize and dmDriverExtra)
 * into the settings first and answer the result. -1 with last error 5 when `input` is NULL. */
KVEXC_API int32_t ZARNDrvGetDevmodeEx(API_HANDLE handle, int32_t flags, void* devmode, const void* input);

/* ZARNDrvSaveQualityData: remembers the connection's current settings for a later restore. 1 done,
 * 0 for a handle that names no connection. */
KVEXC_API int32_t ZARNDrvSaveQualityData(API_HANDLE handle);

/* ZARNDrvRestoreQualityData: puts back the print-quality settings (and the print and balance macros)
 * remembered by the last save; nothing else. 1 done, 0 for a handle that names no connection. */
KVEXC_API int32_t ZARNDrvRestoreQualityData(API_HANDLE handle);

/* ---- Exclusion interface ------------------------------------------------------------------------- */

/* An exclusion handle: opaque, from ExcGetExclusive, freed by ExcFreeExclusive. */
typedef struct EXC_HANDLE_TAG* EXC_HANDLE;

/* Text answers take (size in bytes, buffer, needed or NULL): needed receives the full byte count with
 * every NUL; a buffer smaller than that answers 1 and receives nothing. Results: 0 done, 1 buffer too
 * small (or a change list is waiting), -1 bad handle or failure, -2 bad or incomplete command base. */
KVEXC_API int32_t ExcGetIniFileName(const char* printerName, int32_t size, char* buffer, int32_t* needed);
KVEXC_API int32_t ExcGetDriverDevmode(const char* printerName, int32_t flags, int32_t size, void* devmode,
                                      int32_t* needed);
KVEXC_API EXC_HANDLE ExcGetExclusive(const char* printerName);
KVEXC_API void ExcFreeExclusive(EXC_HANDLE handle);
KVEXC_API int32_t ExcGetPrinterOption(EXC_HANDLE handle, const char* name, int32_t size, char* buffer,
                                      int32_t* needed);
KVEXC_API int32_t ExcGetPrinterValue(EXC_HANDLE handle, const char* name, int32_t size, char* buffer,
                                     int32_t* needed);
KVEXC_API int32_t ExcGetWaterMarkList(EXC_HANDLE handle, int32_t kind, int32_t size, char* buffer,
                                      int32_t* needed);
KVEXC_API int32_t ExcSetCommandBase(EXC_HANDLE handle, const char* text, int32_t* changeSize);
KVEXC_API int32_t ExcGetCommandBase(EXC_HANDLE handle, int32_t size, char* buffer, int32_t* needed);
KVEXC_API int32_t ExcUpdateCommand(EXC_HANDLE handle, const char* line, int32_t* changeSize);
KVEXC_API int32_t ExcGetCommandChange(EXC_HANDLE handle, int32_t size, char* buffer, int32_t* needed);
KVEXC_API int32_t ExcGetCommandValue(EXC_HANDLE handle, const char* name, int32_t onlyAvailable, int32_t size,
                                     char* buffer, int32_t* needed);

#ifdef __cplusplus
}
#endif

#endif /* KVDRVEXC_H */
