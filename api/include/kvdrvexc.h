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
#define API_STATUS_PRINT_METHOD 10       /* API_PRINT_METHOD_RECORD */
#define API_STATUS_USER_ID 26            /* API_USER_ID_RECORD */
#define API_STATUS_RESOLUTION 34         /* API_STATUS_VALUE_RECORD: a resolution code or number */
#define API_STATUS_PLANE_USE 35          /* API_PLANE_USE_RECORD */
#define API_STATUS_ADJUST_MODE 38        /* 0 one adjustment for all objects, 1 one per object */
#define API_STATUS_COLOR_MODE 39         /* API_OBJECT_VALUE_RECORD */
#define API_STATUS_BRIGHTNESS 40         /* API_OBJECT_VALUE_RECORD */
#define API_STATUS_CONTRAST 41           /* API_OBJECT_VALUE_RECORD */
#define API_STATUS_SATURATION 42         /* API_OBJECT_VALUE_RECORD */
#define API_STATUS_COLOR_BALANCE 43      /* API_COLOR_BALANCE_RECORD */
#define API_STATUS_COLOR_REVISION 46     /* API_OBJECT_VALUE_RECORD */
#define API_STATUS_EMF_SPOOL 48          /* API_STATUS_VALUE_RECORD from here to 78 unless named */
#define API_STATUS_IMAGE_PRINT 49
#define API_STATUS_JOB_INFO 50           /* API_JOB_INFO_RECORD */
#define API_STATUS_JOB_COMPLETE_NOTIFY 52
#define API_STATUS_JOB_ERROR_NOTIFY 53
#define API_STATUS_AUTH_MODE 54          /* get only: 0 off, 1 on, 2 on with the secure mode */
#define API_STATUS_PRESET_NUMBER 56      /* API_PRESET_NUMBER_RECORD */
#define API_STATUS_PREVIEW_PRINT 57
#define API_STATUS_AUTH_USER 59          /* API_AUTH_USER_RECORD */
#define API_STATUS_AUTH_SECURE 60        /* API_AUTH_SECURE_RECORD */
#define API_STATUS_LOAD_SHARE 61
#define API_STATUS_TRAY_INFO 63          /* API_TRAY_INFO_RECORD, get only */
#define API_STATUS_MARGIN_OVERLAP 69
#define API_STATUS_PAPER_FACE 72
#define API_STATUS_PAGE_SEPARATION 73    /* 0 or 1 */
#define API_STATUS_NEAR_STANDARD 74
#define API_STATUS_REDUCE_FONT 75        /* get only */
#define API_STATUS_ACTION_PAUSE 76       /* action word bits (stored under "rdmAction") */
#define API_STATUS_ACTION_SAVE 77
#define API_STATUS_ACTION_PRINT_AND_SAVE 78
#define API_STATUS_ADJUST_OBJECT 257     /* 0 text, 1 line art, 2 image */
#define API_STATUS_USER_MACRO 262        /* API_FUNCTION_RECORD: print, balance and user macro, use flag */
#define API_STATUS_ECO_COLOR 263
#define API_STATUS_TONER_SAVE 264        /* API_FUNCTION_RECORD: value, on flag */
#define API_STATUS_COLOR_MATCHING 265
#define API_STATUS_ICM_TYPE 266
#define API_STATUS_ICM_INTENT 267        /* API_OBJECT_VALUE_RECORD */
#define API_STATUS_PRINTER_SIDE 268
#define API_STATUS_COLOR_MATCHING_MODE 269 /* API_OBJECT_VALUE_RECORD; 200 and up: a profile */
#define API_STATUS_SCALE 11             /* API_FUNCTION_RECORD: type, horizontal, vertical, centering (v2) */
#define API_STATUS_COVER 12             /* API_FUNCTION_RECORD: cover type, tray */
#define API_STATUS_MARK_PAPER 13        /* API_FUNCTION_RECORD: mark-paper type, tray */
#define API_STATUS_NUP 14               /* API_FUNCTION_RECORD: N-up type, line (v2) */
#define API_STATUS_DUPLEX 15            /* API_FUNCTION_RECORD: type, odd and even margins in 0.1 mm */
#define API_STATUS_WATERMARK 16         /* API_WATERMARK_RECORD: the driver API's own watermark */
#define API_STATUS_WATERMARK_ID 17      /* API_FUNCTION_RECORD: watermark number (256: status 16's) */
#define API_STATUS_MARGIN_SHIFT 18      /* API_FUNCTION_RECORD: direction, shifts in 0.1 mm (on flag unused) */
#define API_STATUS_SORT 19              /* API_FUNCTION_RECORD: type, separation sheet, cycle (v2) */
#define API_STATUS_STAPLE 20            /* API_FUNCTION_RECORD: staple type */
#define API_STATUS_PUNCH 21             /* API_FUNCTION_RECORD: punch type */
#define API_STATUS_HEADER_FOOTER 47     /* API_HEADER_FOOTER_RECORD */
#define API_STATUS_FOLD 51              /* API_FUNCTION_RECORD: fold type */
#define API_STATUS_COPY_PROTECT 55      /* API_COPY_PROTECT_RECORD */
#define API_STATUS_MANUAL_TRAY_ORIENTATION 58 /* output orientation (0 off), orientation */
#define API_STATUS_INDEX_ROTATION 62    /* 0 off, 1 rotation, 2 rotation and shift (index paper only) */
#define API_STATUS_BACK_COVER 64        /* mode 0-3, tray, outside printing */
#define API_STATUS_REVERSE_COVER 65     /* mode 0-2, tray, outside printing */
#define API_STATUS_COVER_MEDIA 66       /* API_STATUS_VALUE_RECORD: media of every cover sheet */
#define API_STATUS_CHAPTER 67           /* API_CHAPTER_RECORD */
#define API_STATUS_EDGE_CORNER 68       /* API_FUNCTION_RECORD: corner position */
#define API_STATUS_CROP_MARKS 70        /* crop marks, first-page crop marks */
#define API_STATUS_CREEP_MARGIN 71      /* inside and outside creep margins in 0.1 mm */
#define API_STATUS_FOLDING 79           /* folding type (255 off), sub type, flags 1 punch 2 corner */

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

/* Status 10, record versions 1 (392 bytes, API 1), 2 (408, API 10) and 3 (484, API 14). Texts are ANSI
 * and end inside their fields; passwords hold digits only. A set uses a field only when its flag is
 * given, and only the flags the record's version can carry (version 0 reads as version 1). */
#define API_PRINT_METHOD_RECORD_VERSION 3
#define API_PRINT_METHOD_RECORD_V1_BYTES 392
#define API_PRINT_METHOD_RECORD_V2_BYTES 408
#define PMF_USER_ID 0x1
#define PMF_JOB_PASSWORD4 0x2
#define PMF_STORED_PASSWORD4 0x4
#define PMF_OWNER_NAME 0x8
#define PMF_DOCUMENT_NAME 0x10
#define PMF_MERGE_FILE 0x20
#define PMF_OVERLAY_PATH 0x40
#define PMF_JOB_PASSWORD8 0x80      /* version 2 on */
#define PMF_STORED_PASSWORD8 0x100  /* version 2 on */
#define PMF_HOLD_DOCUMENT 0x200     /* version 3 on */
#define PMF_SAVE_DOCUMENT 0x400
#define PMF_SAVE_PASSWORD 0x800
#define PMF_PRINTSAVE_DOCUMENT 0x1000
#define PMF_PRINTSAVE_PASSWORD 0x2000
#define PMF_SHARED_DATA 0x4000
/* Print methods: 0 normal, 1 security, 2 proof, 3 stored, 5 file merge, 7 form overlay, 8 pause, 9 save,
 * 10 print and save (4 and 6 are never accepted). */
typedef struct API_PRINT_METHOD_RECORD {
  uint32_t version;
  uint32_t method;
  uint32_t flags;            /* PMF_* */
  char userId[9];            /* letters and digits, at most 8 */
  char jobPassword4[5];      /* 4 digits */
  char storedPassword4[5];   /* empty or 4 digits */
  char ownerName[17];
  char documentName[17];
  char mergeFileName[65];
  char overlayPath[260];     /* absolute path of a ".rpo" file */
  char jobPassword8[9];      /* version 2 on: 4 to 8 digits (more than 4 only when the printer takes 8) */
  char storedPassword8[9];   /* version 2 on: empty or 4 to 8 digits */
  char holdDocument[17];     /* version 3 on, get only: the document name as each method shows it */
  char saveDocument[17];
  char savePassword[9];
  char printSaveDocument[17];
  char printSavePassword[9];
  uint8_t padding[3];
  uint32_t sharedPrinterData; /* version 3 */
} API_PRINT_METHOD_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_PRINT_METHOD_RECORD) == 484, "PRINT_METHOD_RECORD is 484 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, userId) == 12, "userId at byte 12");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, jobPassword4) == 21, "jobPassword4 at byte 21");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, storedPassword4) == 26, "storedPassword4 at byte 26");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, ownerName) == 31, "ownerName at byte 31");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, documentName) == 48, "documentName at byte 48");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, mergeFileName) == 65, "mergeFileName at byte 65");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, overlayPath) == 130, "overlayPath at byte 130");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, jobPassword8) == 390, "jobPassword8 at byte 390");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, storedPassword8) == 399, "storedPassword8 at byte 399");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, holdDocument) == 408, "holdDocument at byte 408");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, saveDocument) == 425, "saveDocument at byte 425");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, savePassword) == 442, "savePassword at byte 442");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, printSaveDocument) == 451, "printSaveDocument at byte 451");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, printSavePassword) == 468, "printSavePassword at byte 468");
KVEXC_STATIC_ASSERT(offsetof(API_PRINT_METHOD_RECORD, sharedPrinterData) == 480, "sharedPrinterData at byte 480");

/* Status 26, record version 1: the user ID alone. */
typedef struct API_USER_ID_RECORD {
  uint32_t version;
  uint32_t reserved;
  uint32_t flags; /* get: 1 when a user ID is filled in */
  char userId[9];
  uint8_t reserved2[371];
} API_USER_ID_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_USER_ID_RECORD) == 392, "USER_ID_RECORD is 392 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_USER_ID_RECORD, userId) == 12, "userId at byte 12");

/* Status 35: which CMYK planes print. A record of four zeros is refused. */
typedef struct API_PLANE_USE_RECORD {
  uint32_t version;
  uint32_t cyan, magenta, yellow, black;
  uint8_t reserved[12];
} API_PLANE_USE_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_PLANE_USE_RECORD) == 32, "PLANE_USE_RECORD is 32 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_PLANE_USE_RECORD, black) == 16, "black at byte 16");

/* Statuses 39-42, 46, 267 and 269: a signed value. A set writes the object chosen by status 257 while
 * status 38 is 1, else the global value; a get reads all four. */
typedef struct API_OBJECT_VALUE_RECORD {
  uint32_t version;
  uint32_t reserved;
  int16_t value; /* set; get: the global value */
  int16_t text;  /* get */
  int16_t line;  /* get */
  int16_t image; /* get */
  uint8_t reserved2[16];
} API_OBJECT_VALUE_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_OBJECT_VALUE_RECORD) == 32, "OBJECT_VALUE_RECORD is 32 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_OBJECT_VALUE_RECORD, value) == 8, "value at byte 8");
KVEXC_STATIC_ASSERT(offsetof(API_OBJECT_VALUE_RECORD, image) == 14, "image at byte 14");

/* Status 43: red, green and blue; a set reads the first three, a get writes all twelve. */
typedef struct API_COLOR_BALANCE_RECORD {
  uint32_t version;
  uint32_t reserved;
  int16_t red, green, blue;                /* global */
  int16_t textRed, textGreen, textBlue;    /* get */
  int16_t lineRed, lineGreen, lineBlue;    /* get */
  int16_t imageRed, imageGreen, imageBlue; /* get */
} API_COLOR_BALANCE_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_COLOR_BALANCE_RECORD) == 32, "COLOR_BALANCE_RECORD is 32 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_COLOR_BALANCE_RECORD, textRed) == 14, "textRed at byte 14");
KVEXC_STATIC_ASSERT(offsetof(API_COLOR_BALANCE_RECORD, imageBlue) == 30, "imageBlue at byte 30");

/* Status 50: job information by sub-function. 0 get: the data version at 8 and the core version at 40.
 * 246: the user code at 40 (1 to 8 digits; a set needs an administrator). 247 set: the watermark number
 * at 24 becomes the stamp of the API. 248 get: the selectable punch names, each ended by NUL, then one
 * more NUL. Mode (at 24) 0 answers their size in bytes at 28. Mode 1 writes them right after the record
 * (the caller passes the record and its buffer in one block, the buffer's size at 28); when they do not
 * fit, -1 with API_ERROR_REFUSED. 249-253 get, 254 get and set: a value at 24. 256: the track ID at 40
 * (at most 20 characters). */
#define API_JOB_INFO_CORE_VERSION 0
#define API_JOB_INFO_USER_CODE 246
#define API_JOB_INFO_WATERMARK 247
#define API_JOB_INFO_PUNCH_NAMES 248
#define API_JOB_INFO_JOB_BINDER 254
#define API_JOB_INFO_TRACK_ID 256
typedef struct API_JOB_INFO_RECORD {
  uint32_t version;
  uint32_t sub;
  union {
    char dataVersion[32]; /* sub-function 0 */
    struct {
      uint8_t reserved[16];
      uint32_t value; /* byte 24 */
      uint32_t size;  /* byte 28: sub-function 248 */
      uint8_t reserved2[8];
    } values;
  } u;
  char text[260]; /* core version, user code or track ID */
} API_JOB_INFO_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_JOB_INFO_RECORD) == 300, "JOB_INFO_RECORD is 300 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_JOB_INFO_RECORD, u.values.value) == 24, "value at byte 24");
KVEXC_STATIC_ASSERT(offsetof(API_JOB_INFO_RECORD, u.values.size) == 28, "size at byte 28");
KVEXC_STATIC_ASSERT(offsetof(API_JOB_INFO_RECORD, text) == 40, "text at byte 40");

/* Status 56, record version 2 only (API 11): a preset of the driver by number (1-based; a get with 0
 * asks for the current one, answered without texts when the settings hold none). */
#define API_PRESET_NUMBER_RECORD_VERSION 2
typedef struct API_PRESET_NUMBER_RECORD {
  uint32_t version;
  char unused[260];
  char name[37];     /* get */
  char comment[513]; /* get: line breaks as CR LF */
  uint8_t reserved[2];
  uint32_t number;
  uint8_t reserved2[4];
} API_PRESET_NUMBER_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_PRESET_NUMBER_RECORD) == 824, "PRESET_NUMBER_RECORD is 824 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_PRESET_NUMBER_RECORD, number) == 816, "number at byte 816");

/* Status 59: the authentication user name and password (never read back); mode on get. */
typedef struct API_AUTH_USER_RECORD {
  uint32_t version;
  uint32_t mode; /* get: 0 off, 1 on, 2 on with the secure mode */
  char userName[257];
  char password[257];
  uint8_t reserved[2];
} API_AUTH_USER_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_AUTH_USER_RECORD) == 524, "AUTH_USER_RECORD is 524 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_AUTH_USER_RECORD, password) == 265, "password at byte 265");

/* Status 60: the authentication mode with, for mode 2, its network key (printable ASCII, at most 32). */
typedef struct API_AUTH_SECURE_RECORD {
  uint32_t version;
  uint32_t mode;
  char networkKey[33];
  uint8_t reserved[3];
} API_AUTH_SECURE_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_AUTH_SECURE_RECORD) == 44, "AUTH_SECURE_RECORD is 44 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_AUTH_SECURE_RECORD, networkKey) == 8, "networkKey at byte 8");

/* Status 63, get only: what the input tray `tray` (a dmDefaultSource value) holds and its custom-size
 * limits in the display unit. */
typedef struct API_TRAY_INFO_RECORD {
  uint32_t version;
  uint32_t tray;
  uint32_t paper, orientation, media, lock;
  uint32_t portraitLimits[4]; /* length max, length min, width max, width min */
  uint32_t otherLimits[4];
} API_TRAY_INFO_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_TRAY_INFO_RECORD) == 56, "TRAY_INFO_RECORD is 56 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_TRAY_INFO_RECORD, portraitLimits) == 24, "portraitLimits at byte 24");
KVEXC_STATIC_ASSERT(offsetof(API_TRAY_INFO_RECORD, otherLimits) == 40, "otherLimits at byte 40");
/* Status 16, record versions 1 (372 bytes, API 1), 2 (412, API 3) and 3 (420, API 10). Kinds: 0 off,
 * 1 text, 2 image (an absolute path of a bitmap file), 3 form overlay (an absolute ".rpo" path), 128
 * a tiled text pattern (whose second text goes in `path`, at most 32 characters). Positions: 0 centre,
 * 1 top left, 2 top centre, 4 top right, 8 bottom left, 16 bottom centre, 32 bottom right, plus 64 tiled.
 * Colours: 0 black, 1 red, 2 green, 3 blue, 4 cyan, 5 magenta, 6 yellow. */
#define API_WATERMARK_RECORD_VERSION 3
typedef struct API_WATERMARK_RECORD {
  uint32_t version;
  uint32_t kind;
  uint32_t position;
  uint32_t opaque;      /* 0 or 1 */
  uint32_t firstPage;   /* 0 every page, 1 the first page only */
  uint32_t fontStyle;   /* 0 normal, 1 bold, 2 italic, 3 bold italic */
  uint32_t effect;      /* 0 none, 1 rectangle, 2 circle, 3 outline */
  uint32_t colour;
  uint32_t density;     /* 0-100 */
  uint32_t size;        /* points (text, pattern: 6-999) or image scale (30-999) */
  uint32_t angle;       /* 0-359; other than 0 only at positions 0 and 64 */
  char text[33];
  char fontName[32];    /* an installed outline-font family, exactly */
  char path[263];
  /* versions 2 and 3 */
  uint32_t linePitch;   /* at most 999 */
  uint32_t textPattern;
  uint32_t tilePattern;
  uint32_t tileColour;
  uint32_t tileDensity; /* 0-100 */
  uint32_t tileMask;
  uint32_t tileFlags;   /* bit 0: rotate */
  uint32_t secretPattern;
  uint32_t reserved[2];
  /* version 3 */
  uint32_t twoPlanes;   /* 0 or 1 */
  uint32_t order;       /* 0 or 1 */
} API_WATERMARK_RECORD;
#define API_WATERMARK_RECORD_V1_BYTES 372
#define API_WATERMARK_RECORD_V2_BYTES 412
KVEXC_STATIC_ASSERT(sizeof(API_WATERMARK_RECORD) == 420, "WATERMARK_RECORD is 420 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_WATERMARK_RECORD, text) == 44, "text at byte 44");
KVEXC_STATIC_ASSERT(offsetof(API_WATERMARK_RECORD, fontName) == 77, "font at byte 77");
KVEXC_STATIC_ASSERT(offsetof(API_WATERMARK_RECORD, path) == 109, "path at byte 109");
KVEXC_STATIC_ASSERT(offsetof(API_WATERMARK_RECORD, linePitch) == 372, "line pitch at byte 372");
KVEXC_STATIC_ASSERT(offsetof(API_WATERMARK_RECORD, secretPattern) == 400, "secret pattern at byte 400");
KVEXC_STATIC_ASSERT(offsetof(API_WATERMARK_RECORD, twoPlanes) == 412, "two planes at byte 412");

/* Status 47, record versions 1 (104 bytes, API 8) and 2 (108, API 10). Flags 1 date, 2 page number,
 * 4 string; a set keeps the low three bits and writes them back into the caller's record. */
#define API_HEADER_FOOTER_RECORD_VERSION 2
typedef struct API_HEADER_FOOTER_RECORD {
  uint32_t version;
  uint32_t flags;
  char fontName[32];
  uint32_t fontSize;
  uint32_t datePosition, dateForm;
  uint32_t pagePosition, pageForm;
  uint32_t stringPosition, stringForm; /* form 2: the string below */
  char string[33];
  uint8_t reserved[3];
  uint32_t order; /* version 2 */
} API_HEADER_FOOTER_RECORD;
#define API_HEADER_FOOTER_RECORD_V1_BYTES 104
KVEXC_STATIC_ASSERT(sizeof(API_HEADER_FOOTER_RECORD) == 108, "HEADER_FOOTER_RECORD is 108 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_HEADER_FOOTER_RECORD, fontSize) == 40, "font size at byte 40");
KVEXC_STATIC_ASSERT(offsetof(API_HEADER_FOOTER_RECORD, string) == 68, "string at byte 68");
KVEXC_STATIC_ASSERT(offsetof(API_HEADER_FOOTER_RECORD, order) == 104, "order at byte 104");

/* Status 55, record version 1. Modes: 0 off, 1 copy guard only, 2 pattern with text, 3 copy guard with
 * text. Position 64 repeats the text over the page. Effects: 0 none, 3 outline, 255 white background. */
typedef struct API_COPY_PROTECT_RECORD {
  uint32_t version;
  uint32_t mode;
  uint32_t colour;
  uint32_t density;
  uint32_t maskPattern;   /* 0: no mask */
  uint32_t switchPattern; /* 0 or 1 */
  char text[65];          /* at most 64 characters */
  char fontName[32];
  uint8_t reserved1[3];
  uint32_t fontSize;
  uint32_t fontStyle;
  uint32_t angle;
  uint32_t position;
  uint32_t linePitch;     /* with position 64 */
  uint32_t reverse;       /* with position 64: 0 or 1 */
  uint32_t effect;
  uint8_t reserved2[20];
} API_COPY_PROTECT_RECORD;
KVEXC_STATIC_ASSERT(sizeof(API_COPY_PROTECT_RECORD) == 172, "COPY_PROTECT_RECORD is 172 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_COPY_PROTECT_RECORD, fontName) == 89, "font at byte 89");
KVEXC_STATIC_ASSERT(offsetof(API_COPY_PROTECT_RECORD, fontSize) == 124, "font size at byte 124");
KVEXC_STATIC_ASSERT(offsetof(API_COPY_PROTECT_RECORD, effect) == 148, "effect at byte 148");

/* Status 67, record versions 1 (36 bytes, API 13) and 2 (40, API 15). A set's operation: 0 the switch
 * only, 1 add a row, 2 delete row `row`, 3 delete every row. A get answers the row count and, for a
 * row number other than 0, that row. Pages 1-30000; kinds 0, 1 and 3 (a range, API 15). */
#define API_CHAPTER_RECORD_VERSION 2
typedef struct API_CHAPTER_RECORD {
  uint32_t version;
  uint32_t on;
  uint32_t operation;
  uint32_t count;     /* get */
  uint32_t row;       /* 1-based */
  uint32_t firstPage;
  uint32_t kind;
  uint32_t tray;
  uint32_t printSide; /* 0, 1 or 2 (both sides: duplex on) */
  uint32_t lastPage;  /* version 2: end of a kind-3 range */
} API_CHAPTER_RECORD;
#define API_CHAPTER_RECORD_V1_BYTES 36
KVEXC_STATIC_ASSERT(sizeof(API_CHAPTER_RECORD) == 40, "CHAPTER_RECORD is 40 bytes");
KVEXC_STATIC_ASSERT(offsetof(API_CHAPTER_RECORD, lastPage) == 36, "last page at byte 36");

/* Capability ids of ZARNDrvGetCaps. The comment gives the result form:
 *   value        the answer itself; the buffer is not used (may be NULL);
 *   list         u32 entries (i32 for resolutions), count-then-fill;
 *   names W      one NUL-terminated ANSI name per W-byte slot (system code page), count-then-fill, in
 *                the order of the matching list;
 *   pair i16     two int16_t written to the buffer; the answer packs them as
 *                ((uint32_t)(uint16_t)second << 16) | (uint16_t)first;
 *   pair i32     two int32_t written to the buffer; the answer is 1.
 * Count-then-fill: call with a NULL buffer for the count, size the buffer from it (entries x entry size),
 * call again; the answer is the number written. No buffer size is passed: the list may change between
 * the two calls (stamps, presets and qualities are read from files), so leave room or ask again. In every
 * form 0 means not offered or empty and -1 failure. */
typedef enum API_CAPS_ID {
  API_CAPS_STATUS_ID_MAP = 0, /* map: 32 or 64 bytes; status id n is bit 0x80 >> ((n-1) % 8) of byte (n-1) / 8 */
  API_CAPS_DRIVER_API = 1, /* value */
  API_CAPS_INPUT_BINS = 2, /* list */
  API_CAPS_INPUT_BIN_NAMES = 3, /* names 24 */
  API_CAPS_MEDIA_TYPES = 4, /* list */
  API_CAPS_MEDIA_TYPE_NAMES = 5, /* names 64 */
  API_CAPS_OUTPUT_TRAYS = 6, /* list */
  API_CAPS_OUTPUT_TRAY_NAMES = 7, /* names 64 */
  API_CAPS_COLOR = 8, /* value */
  API_CAPS_LANDSCAPE = 9, /* value */
  API_CAPS_PAPERS = 10, /* list */
  API_CAPS_PAPER_NAMES = 11, /* names 64 */
  API_CAPS_PAPER_SIZES = 12, /* list of {width, length} i32 pairs, 0.1 mm */
  API_CAPS_CUSTOM_PAPER_MAX = 13, /* pair i16 */
  API_CAPS_CUSTOM_PAPER_MIN = 14, /* pair i16 */
  API_CAPS_OUTPUT_PAPERS = 15, /* list */
  API_CAPS_OUTPUT_PAPER_NAMES = 16, /* names 64 */
  API_CAPS_MAX_COPIES = 17, /* value */
  API_CAPS_PRINT_METHODS = 18, /* list */
  API_CAPS_SCALING = 19, /* value */
  API_CAPS_SCALE_MAX = 20, /* pair i16 */
  API_CAPS_SCALE_MIN = 21, /* pair i16 */
  API_CAPS_COVER = 22, /* value */
  API_CAPS_MARK = 23, /* value */
  API_CAPS_COLLATE = 24, /* value */
  API_CAPS_DUPLEX = 25, /* value */
  API_CAPS_MARGIN_ODD_MAX = 26, /* value */
  API_CAPS_MARGIN_ODD_MIN = 27, /* value */
  API_CAPS_MARGIN_EVEN_MAX = 28, /* value */
  API_CAPS_MARGIN_EVEN_MIN = 29, /* value */
  API_CAPS_WATERMARK_KINDS = 30, /* list */
  API_CAPS_WATERMARK = 31, /* value */
  API_CAPS_STAMPS = 32, /* list */
  API_CAPS_STAMP_NAMES = 33, /* names 64 */
  API_CAPS_SHIFT_MARGIN = 34, /* value */
  API_CAPS_SHIFT_X_MAX = 35, /* value */
  API_CAPS_SHIFT_X_MIN = 36, /* value */
  API_CAPS_SHIFT_Y_MAX = 37, /* value */
  API_CAPS_SHIFT_Y_MIN = 38, /* value */
  API_CAPS_SORT_TYPES = 39, /* list */
  API_CAPS_STAPLE_TYPES = 40, /* list */
  API_CAPS_PUNCH_TYPES = 41, /* list */
  API_CAPS_OUTPUT_DIRECTION = 42, /* value */
  API_CAPS_OUTPUT_ORDERLY = 43, /* value */
  API_CAPS_WHITE_PAPER = 44, /* value */
  API_CAPS_EMULATIONS = 45, /* list */
  API_CAPS_USER_ID = 46, /* value */
  API_CAPS_PRINT_AREAS = 47, /* list */
  API_CAPS_PAPER_ROTATION = 48, /* value */
  API_CAPS_JOB_BINDER = 49, /* value */
  API_CAPS_HARD_DISK = 50, /* value */
  API_CAPS_HARD_DISK_2 = 51, /* value */
  API_CAPS_STORED_ACTION = 52, /* value */
  API_CAPS_OVERLAY_ACTION = 53, /* value */
  API_CAPS_RESOLUTIONS = 54, /* list */
  API_CAPS_CMYK_PLANES = 55, /* value */
  API_CAPS_MARK_PAPERS = 56, /* list */
  API_CAPS_FUNC1_BIT2 = 57, /* value */
  API_CAPS_ADJUST_MODE = 60, /* value */
  API_CAPS_COLOR_MODES = 61, /* list */
  API_CAPS_BRIGHTNESS = 62, /* value */
  API_CAPS_CONTRAST = 63, /* value */
  API_CAPS_SATURATION = 64, /* value */
  API_CAPS_COLOR_BALANCE = 65, /* value */
  API_CAPS_STAPLE_POSITIONS = 66, /* list */
  API_CAPS_PUNCH_POSITIONS = 67, /* list */
  API_CAPS_A4_FIT = 69, /* value */
  API_CAPS_COLOR_REVISION = 70, /* value */
  API_CAPS_HEADER_DATE = 71, /* value */
  API_CAPS_EMF_SPOOL = 72, /* value */
  API_CAPS_IMAGE_PRINT = 73, /* value */
  API_CAPS_API_ABOVE_9 = 74, /* value */
  API_CAPS_FOLD_TYPES = 75, /* list */
  API_CAPS_SEPARATION_CYCLE_MAX = 76, /* value */
  API_CAPS_ORDER_TYPES = 77, /* list */
  API_CAPS_WATERMARK_ORDER = 78, /* value */
  API_CAPS_HEADER_ORDER = 79, /* value */
  API_CAPS_JOB_COMPLETE_NOTICE = 80, /* value */
  API_CAPS_JOB_ERROR_NOTICE = 81, /* value */
  API_CAPS_AUTHENTICATION = 82, /* value */
  API_CAPS_JOB_PASSWORD_LENGTH = 83, /* value */
  API_CAPS_COPY_PROTECT = 84, /* value */
  API_CAPS_PRESETS = 85, /* list */
  API_CAPS_PRESET_NAMES = 86, /* names 64 */
  API_CAPS_PREVIEW = 87, /* value */
  API_CAPS_MANUAL_TRAY_ORIENTATION = 88, /* value */
  API_CAPS_AUTHENTICATION_MODE = 89, /* value */
  API_CAPS_USER_NAME_LENGTH = 90, /* value */
  API_CAPS_PASSWORD_LENGTH = 91, /* value */
  API_CAPS_AUTHENTICATION_MODES = 92, /* list */
  API_CAPS_LOAD_SHARE_GROUPS = 93, /* list */
  API_CAPS_INDEX_ROTATION = 94, /* value */
  API_CAPS_API_ABOVE_12 = 95, /* value */
  API_CAPS_BACK_COVER = 96, /* value */
  API_CAPS_REVERSE_COVER = 97, /* value */
  API_CAPS_COVER_MEDIA = 98, /* value */
  API_CAPS_CHAPTERS = 99, /* value */
  API_CAPS_CHAPTER_MAX = 100, /* value */
  API_CAPS_NUP_LAYOUT = 101, /* value */
  API_CAPS_BOOK_LAYOUT = 102, /* value */
  API_CAPS_DUPLEX_TYPES = 103, /* list */
  API_CAPS_DUPLEX_TYPE_CODES = 104, /* list */
  API_CAPS_NUP_TYPES = 105, /* list */
  API_CAPS_NUP_TYPES_BY_KIND = 106, /* list */
  API_CAPS_COLOR_CHOICES = 107, /* list */
  API_CAPS_EDGE_CORNER = 108, /* value */
  API_CAPS_CORNER_POSITIONS = 109, /* list */
  API_CAPS_MARGIN_OVERLAP = 110, /* value */
  API_CAPS_CROP_MARKS = 111, /* value */
  API_CAPS_CREEP_MARGIN = 112, /* value */
  API_CAPS_CREEP_INSIDE_MAX = 113, /* value */
  API_CAPS_CREEP_INSIDE_MIN = 114, /* value */
  API_CAPS_CREEP_OUTSIDE_MAX = 115, /* value */
  API_CAPS_CREEP_OUTSIDE_MIN = 116, /* value */
  API_CAPS_PAPER_FACE = 117, /* value */
  API_CAPS_FUNC1_BIT512 = 118, /* value */
  API_CAPS_NEAR_STANDARD = 119, /* value */
  API_CAPS_REDUCE_FONT = 120, /* value */
  API_CAPS_PAUSE_ACTION = 121, /* value */
  API_CAPS_SAVE_ACTION = 122, /* value */
  API_CAPS_PRINT_AND_SAVE_ACTION = 123, /* value */
  API_CAPS_CUSTOM_PAPER_MAX_WIDE = 124, /* pair i32 */
  API_CAPS_CUSTOM_PAPER_MIN_WIDE = 125, /* pair i32 */
  API_CAPS_FOLDING = 126, /* value */
  API_CAPS_MEDIA_TYPE_LONG_NAMES = 127, /* names 260 */
  API_CAPS_ADJUST_OBJECT = 257, /* value */
  API_CAPS_BRIGHTNESS_MAX = 258, /* value */
  API_CAPS_BRIGHTNESS_MIN = 259, /* value */
  API_CAPS_CONTRAST_MAX = 260, /* value */
  API_CAPS_CONTRAST_MIN = 261, /* value */
  API_CAPS_SATURATION_MAX = 262, /* value */
  API_CAPS_SATURATION_MIN = 263, /* value */
  API_CAPS_COLOR_BALANCE_MAX = 264, /* value */
  API_CAPS_COLOR_BALANCE_MIN = 265, /* value */
  API_CAPS_PRINT_MACROS = 266, /* list */
  API_CAPS_PRINT_MACRO_NAMES = 267, /* names 64 */
  API_CAPS_BALANCE_MACROS = 268, /* list */
  API_CAPS_BALANCE_MACRO_NAMES = 269, /* names 64 */
  API_CAPS_USER_MACRO = 270, /* value */
  API_CAPS_USER_QUALITIES = 271, /* list */
  API_CAPS_USER_QUALITY_NAMES = 272, /* names 64 */
  API_CAPS_ECO_COLOR = 273, /* value */
  API_CAPS_TONER_SAVE_DIALOG = 274, /* value */
  API_CAPS_TONER_SAVE_VALUES = 275, /* list */
  API_CAPS_COLOR_MATCHING = 276, /* value */
  API_CAPS_ICM_TYPES = 277, /* list */
  API_CAPS_ICM_INTENTS = 278, /* list */
  API_CAPS_ICM_INTENT_NAMES = 279, /* names 64 */
  API_CAPS_PRINTER_SIDE = 280, /* value */
  API_CAPS_COLOR_MATCHING_MODES = 281, /* list */
  API_CAPS_COLOR_MATCHING_MODE_NAMES = 282, /* names 64 */
  API_CAPS_MACHINE_COLOR = 0x30000 /* value: answered at every API version */
} API_CAPS_ID;
/* Every capability at once: API_CAPS_ALL_BUILD builds an ALL_CAPS_RECORD and answers its address as a
 * 32-bit value (the record always lies below 4 GiB), 0 when it cannot be built (last error 100). Turn the
 * answer into the record's address with API_ALL_CAPS_RECORD_OF. API_CAPS_ALL_FREE with that address as
 * the buffer frees the record and every list it points to; it answers 1, also for NULL and for an address
 * that no build returned or that is freed already (nothing is freed then). */
#define API_CAPS_ALL_BUILD 0x80000001u
#define API_CAPS_ALL_FREE 0x80000002u
#define API_ALL_CAPS_RECORD_OF(answer) ((ALL_CAPS_RECORD*)(uintptr_t)(uint32_t)(answer))
/* ALL_CAPS_RECORD: every capability at once (ZARNDrvGetCaps with API_CAPS_ALL_BUILD). Little-endian,
 * 1144 bytes, pointers of 8 bytes at multiples of 8. A value field holds the answer as a single query
 * gives it (0 not offered, -1 failed). A count and its list: the entries the fill wrote, or 0 and NULL
 * when the capability has nothing to list or cannot list it. A pair: the two numbers the capability
 * writes. Fields whose status id is not supported, or that need a higher API version, stay 0 / NULL.
 * Name lists hold count slots of their capability's width (24, 64 or 260 bytes); capability 12 holds
 * count pairs {width, length}. */
typedef struct ALL_CAPS_RECORD {
  uint8_t* statusIdMap; /* the map of capability 0: 32 or 64 bytes */
  int32_t cap1;
  int32_t cap2Count;
  int32_t* cap2List;
  int32_t cap3Count;
  uint32_t reserved28;
  char* cap3Names;
  int32_t cap4Count;
  uint32_t reserved44;
  int32_t* cap4List;
  int32_t cap5Count;
  uint32_t reserved60;
  char* cap5Names;
  int32_t cap6Count;
  uint32_t reserved76;
  int32_t* cap6List;
  int32_t cap7Count;
  uint32_t reserved92;
  char* cap7Names;
  int32_t cap8;
  int32_t cap9;
  int32_t cap10Count;
  uint32_t reserved116;
  int32_t* cap10List;
  int32_t cap11Count;
  uint32_t reserved132;
  char* cap11Names;
  int32_t cap12Count;
  uint32_t reserved148;
  int32_t* cap12Sizes;
  int16_t cap13Width;
  int16_t cap13Length;
  int16_t cap14Width;
  int16_t cap14Length;
  int32_t cap15Count;
  uint32_t reserved172;
  int32_t* cap15List;
  int32_t cap16Count;
  uint32_t reserved188;
  char* cap16Names;
  int32_t cap17;
  int32_t cap18Count;
  int32_t* cap18List;
  int32_t cap19;
  int16_t cap20H;
  int16_t cap20V;
  int16_t cap21H;
  int16_t cap21V;
  int32_t cap22;
  int32_t cap23;
  int32_t cap24;
  int32_t cap25;
  int32_t cap26;
  int32_t cap27;
  int32_t cap28;
  int32_t cap29;
  int32_t cap30Count;
  int32_t* cap30List;
  int32_t cap31;
  int32_t cap32Count;
  int32_t* cap32List;
  int32_t cap33Count;
  uint32_t reserved292;
  char* cap33Names;
  int32_t cap34;
  int32_t cap35;
  int32_t cap36;
  int32_t cap37;
  int32_t cap38;
  int32_t cap39Count;
  int32_t* cap39List;
  int32_t cap40Count;
  uint32_t reserved340;
  int32_t* cap40List;
  int32_t cap41Count;
  uint32_t reserved356;
  int32_t* cap41List;
  int32_t cap42;
  int32_t cap43;
  int32_t cap44;
  int32_t cap45Count;
  int32_t* cap45List;
  int32_t cap46;
  int32_t cap47Count;
  int32_t* cap47List;
  int32_t cap48;
  int32_t cap49;
  int32_t cap50;
  int32_t cap51;
  int32_t cap52;
  int32_t cap53;
  int32_t cap54Count;
  uint32_t reserved436;
  int32_t* cap54List;
  int32_t cap55;
  int32_t cap56Count;
  int32_t* cap56List;
  int32_t cap57;
  int32_t cap66Count;
  int32_t* cap66List;
  int32_t cap67Count;
  uint32_t reserved484;
  int32_t* cap67List;
  int32_t cap60;
  int32_t cap257;
  int32_t cap61Count;
  uint32_t reserved508;
  int32_t* cap61List;
  int32_t cap62;
  int32_t cap258;
  int32_t cap259;
  int32_t cap63;
  int32_t cap260;
  int32_t cap261;
  int32_t cap64;
  int32_t cap262;
  int32_t cap263;
  int32_t cap65;
  int32_t cap264;
  int32_t cap265;
  int32_t cap266Count;
  uint32_t reserved572;
  int32_t* cap266List;
  int32_t cap267Count;
  uint32_t reserved588;
  char* cap267Names;
  int32_t cap268Count;
  uint32_t reserved604;
  int32_t* cap268List;
  int32_t cap269Count;
  uint32_t reserved620;
  char* cap269Names;
  int32_t cap270;
  int32_t cap271Count;
  int32_t* cap271List;
  int32_t cap272Count;
  uint32_t reserved652;
  char* cap272Names;
  int32_t cap69;
  int32_t cap273;
  int32_t cap274;
  int32_t cap275Count;
  int32_t* cap275List;
  int32_t cap70;
  int32_t cap71;
  int32_t cap72;
  int32_t cap73;
  int32_t cap74;
  int32_t cap75Count;
  int32_t* cap75List;
  int32_t cap76;
  int32_t cap77Count;
  int32_t* cap77List;
  int32_t cap78;
  int32_t cap79;
  int32_t cap80;
  int32_t cap81;
  int32_t cap82;
  int32_t cap83;
  int32_t cap276;
  int32_t cap277Count;
  int32_t* cap277List;
  int32_t cap278Count;
  uint32_t reserved780;
  int32_t* cap278List;
  int32_t cap279Count;
  uint32_t reserved796;
  char* cap279Names;
  int32_t cap280;
  int32_t cap281Count;
  int32_t* cap281List;
  int32_t cap282Count;
  uint32_t reserved828;
  char* cap282Names;
  int32_t cap85Count;
  uint32_t reserved844;
  int32_t* cap85List;
  int32_t cap86Count;
  uint32_t reserved860;
  char* cap86Names;
  int32_t cap84;
  int32_t cap87;
  int32_t cap88;
  int32_t cap89;
  int32_t cap90;
  int32_t cap91;
  int32_t cap92Count;
  uint32_t reserved900;
  int32_t* cap92List;
  int32_t cap93Count;
  uint32_t reserved916;
  int32_t* cap93List;
  int32_t cap94;
  int32_t cap95;
  int32_t cap96;
  int32_t cap97;
  int32_t cap98;
  int32_t cap99;
  int32_t cap100;
  int32_t cap101;
  int32_t cap102;
  int32_t cap103Count;
  int32_t* cap103List;
  int32_t cap104Count;
  uint32_t reserved980;
  int32_t* cap104List;
  int32_t cap105Count;
  uint32_t reserved996;
  int32_t* cap105List;
  int32_t cap106Count;
  uint32_t reserved1012;
  int32_t* cap106List;
  int32_t cap107Count;
  uint32_t reserved1028;
  int32_t* cap107List;
  int32_t cap108;
  int32_t cap109Count;
  int32_t* cap109List;
  int32_t cap110;
  int32_t cap111;
  int32_t cap112;
  int32_t cap113;
  int32_t cap114;
  int32_t cap115;
  int32_t cap116;
  int32_t cap117;
  int32_t cap118;
  int32_t cap119;
  int32_t cap120;
  int32_t cap121;
  int32_t cap122;
  int32_t cap123;
  int32_t cap124Width;
  int32_t cap124Length;
  int32_t cap125Width;
  int32_t cap125Length;
  int32_t cap126;
  int32_t cap127Count;
  char* cap127Names;
} ALL_CAPS_RECORD;
KVEXC_STATIC_ASSERT(sizeof(ALL_CAPS_RECORD) == 1144, "the all-capabilities record is 1144 bytes");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, statusIdMap) == 0, "statusIdMap");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap1) == 8, "cap1");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap2Count) == 12, "cap2Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap2List) == 16, "cap2List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap3Count) == 24, "cap3Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved28) == 28, "reserved28");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap3Names) == 32, "cap3Names");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap4Count) == 40, "cap4Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved44) == 44, "reserved44");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap4List) == 48, "cap4List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap5Count) == 56, "cap5Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved60) == 60, "reserved60");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap5Names) == 64, "cap5Names");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap6Count) == 72, "cap6Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved76) == 76, "reserved76");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap6List) == 80, "cap6List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap7Count) == 88, "cap7Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved92) == 92, "reserved92");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap7Names) == 96, "cap7Names");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap8) == 104, "cap8");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap9) == 108, "cap9");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap10Count) == 112, "cap10Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved116) == 116, "reserved116");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap10List) == 120, "cap10List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap11Count) == 128, "cap11Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved132) == 132, "reserved132");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap11Names) == 136, "cap11Names");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap12Count) == 144, "cap12Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved148) == 148, "reserved148");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap12Sizes) == 152, "cap12Sizes");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap13Width) == 160, "cap13Width");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap13Length) == 162, "cap13Length");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap14Width) == 164, "cap14Width");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap14Length) == 166, "cap14Length");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap15Count) == 168, "cap15Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved172) == 172, "reserved172");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap15List) == 176, "cap15List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap16Count) == 184, "cap16Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved188) == 188, "reserved188");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap16Names) == 192, "cap16Names");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap17) == 200, "cap17");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap18Count) == 204, "cap18Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap18List) == 208, "cap18List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap19) == 216, "cap19");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap20H) == 220, "cap20H");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap20V) == 222, "cap20V");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap21H) == 224, "cap21H");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap21V) == 226, "cap21V");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap22) == 228, "cap22");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap23) == 232, "cap23");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap24) == 236, "cap24");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap25) == 240, "cap25");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap26) == 244, "cap26");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap27) == 248, "cap27");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap28) == 252, "cap28");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap29) == 256, "cap29");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap30Count) == 260, "cap30Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap30List) == 264, "cap30List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap31) == 272, "cap31");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap32Count) == 276, "cap32Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap32List) == 280, "cap32List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap33Count) == 288, "cap33Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved292) == 292, "reserved292");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap33Names) == 296, "cap33Names");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap34) == 304, "cap34");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap35) == 308, "cap35");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap36) == 312, "cap36");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap37) == 316, "cap37");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap38) == 320, "cap38");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap39Count) == 324, "cap39Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap39List) == 328, "cap39List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap40Count) == 336, "cap40Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved340) == 340, "reserved340");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap40List) == 344, "cap40List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap41Count) == 352, "cap41Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved356) == 356, "reserved356");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap41List) == 360, "cap41List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap42) == 368, "cap42");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap43) == 372, "cap43");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap44) == 376, "cap44");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap45Count) == 380, "cap45Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap45List) == 384, "cap45List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap46) == 392, "cap46");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap47Count) == 396, "cap47Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap47List) == 400, "cap47List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap48) == 408, "cap48");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap49) == 412, "cap49");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap50) == 416, "cap50");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap51) == 420, "cap51");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap52) == 424, "cap52");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap53) == 428, "cap53");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap54Count) == 432, "cap54Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved436) == 436, "reserved436");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap54List) == 440, "cap54List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap55) == 448, "cap55");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap56Count) == 452, "cap56Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap56List) == 456, "cap56List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap57) == 464, "cap57");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap66Count) == 468, "cap66Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap66List) == 472, "cap66List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap67Count) == 480, "cap67Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved484) == 484, "reserved484");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap67List) == 488, "cap67List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap60) == 496, "cap60");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap257) == 500, "cap257");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap61Count) == 504, "cap61Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved508) == 508, "reserved508");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap61List) == 512, "cap61List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap62) == 520, "cap62");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap258) == 524, "cap258");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap259) == 528, "cap259");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap63) == 532, "cap63");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap260) == 536, "cap260");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap261) == 540, "cap261");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap64) == 544, "cap64");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap262) == 548, "cap262");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap263) == 552, "cap263");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap65) == 556, "cap65");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap264) == 560, "cap264");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap265) == 564, "cap265");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap266Count) == 568, "cap266Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved572) == 572, "reserved572");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap266List) == 576, "cap266List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap267Count) == 584, "cap267Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved588) == 588, "reserved588");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap267Names) == 592, "cap267Names");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap268Count) == 600, "cap268Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved604) == 604, "reserved604");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap268List) == 608, "cap268List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap269Count) == 616, "cap269Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved620) == 620, "reserved620");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap269Names) == 624, "cap269Names");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap270) == 632, "cap270");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap271Count) == 636, "cap271Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap271List) == 640, "cap271List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap272Count) == 648, "cap272Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved652) == 652, "reserved652");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap272Names) == 656, "cap272Names");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap69) == 664, "cap69");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap273) == 668, "cap273");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap274) == 672, "cap274");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap275Count) == 676, "cap275Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap275List) == 680, "cap275List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap70) == 688, "cap70");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap71) == 692, "cap71");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap72) == 696, "cap72");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap73) == 700, "cap73");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap74) == 704, "cap74");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap75Count) == 708, "cap75Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap75List) == 712, "cap75List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap76) == 720, "cap76");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap77Count) == 724, "cap77Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap77List) == 728, "cap77List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap78) == 736, "cap78");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap79) == 740, "cap79");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap80) == 744, "cap80");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap81) == 748, "cap81");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap82) == 752, "cap82");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap83) == 756, "cap83");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap276) == 760, "cap276");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap277Count) == 764, "cap277Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap277List) == 768, "cap277List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap278Count) == 776, "cap278Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved780) == 780, "reserved780");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap278List) == 784, "cap278List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap279Count) == 792, "cap279Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved796) == 796, "reserved796");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap279Names) == 800, "cap279Names");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap280) == 808, "cap280");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap281Count) == 812, "cap281Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap281List) == 816, "cap281List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap282Count) == 824, "cap282Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved828) == 828, "reserved828");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap282Names) == 832, "cap282Names");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap85Count) == 840, "cap85Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved844) == 844, "reserved844");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap85List) == 848, "cap85List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap86Count) == 856, "cap86Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved860) == 860, "reserved860");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap86Names) == 864, "cap86Names");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap84) == 872, "cap84");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap87) == 876, "cap87");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap88) == 880, "cap88");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap89) == 884, "cap89");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap90) == 888, "cap90");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap91) == 892, "cap91");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap92Count) == 896, "cap92Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved900) == 900, "reserved900");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap92List) == 904, "cap92List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap93Count) == 912, "cap93Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved916) == 916, "reserved916");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap93List) == 920, "cap93List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap94) == 928, "cap94");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap95) == 932, "cap95");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap96) == 936, "cap96");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap97) == 940, "cap97");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap98) == 944, "cap98");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap99) == 948, "cap99");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap100) == 952, "cap100");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap101) == 956, "cap101");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap102) == 960, "cap102");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap103Count) == 964, "cap103Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap103List) == 968, "cap103List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap104Count) == 976, "cap104Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved980) == 980, "reserved980");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap104List) == 984, "cap104List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap105Count) == 992, "cap105Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved996) == 996, "reserved996");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap105List) == 1000, "cap105List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap106Count) == 1008, "cap106Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved1012) == 1012, "reserved1012");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap106List) == 1016, "cap106List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap107Count) == 1024, "cap107Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, reserved1028) == 1028, "reserved1028");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap107List) == 1032, "cap107List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap108) == 1040, "cap108");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap109Count) == 1044, "cap109Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap109List) == 1048, "cap109List");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap110) == 1056, "cap110");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap111) == 1060, "cap111");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap112) == 1064, "cap112");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap113) == 1068, "cap113");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap114) == 1072, "cap114");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap115) == 1076, "cap115");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap116) == 1080, "cap116");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap117) == 1084, "cap117");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap118) == 1088, "cap118");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap119) == 1092, "cap119");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap120) == 1096, "cap120");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap121) == 1100, "cap121");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap122) == 1104, "cap122");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap123) == 1108, "cap123");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap124Width) == 1112, "cap124Width");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap124Length) == 1116, "cap124Length");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap125Width) == 1120, "cap125Width");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap125Length) == 1124, "cap125Length");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap126) == 1128, "cap126");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap127Count) == 1132, "cap127Count");
KVEXC_STATIC_ASSERT(offsetof(ALL_CAPS_RECORD, cap127Names) == 1136, "cap127Names");
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

/* ZARNDrvGetCaps: one capability (API_CAPS_ID, in the form its comment names). id 0: the map of
 * supported status ids (32 bytes below API version 6, 64 from 6 on); buffer NULL asks for its length.
 * Other ids: the capability's answer; 0 for an id not supported at the connection's version (last error
 * untouched); -1 on failure (last error 100, or 3 for a capability this model refuses). */
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

/* An exclusion handle: opaque, from ExcGetExclusive, freed by ExcFreeExclusive. A handle is used from one
 * thread at a time. A pointer that this library did not issue, or that was freed already, is refused
 * (-1) and never used.
 *
 * Settings are exchanged as PJL SET lines, ANSI, case-sensitive:
 *     "@PJL SET " NAME " = " VALUE " \r\n"
 * Blanks (space or tab) may stand anywhere between the parts and must separate NAME from "="; a line ends
 * with CR LF; NAME and VALUE hold at most 271 characters each; VALUE may be empty. A text is a sequence
 * of such lines, optionally followed by blanks. The driver writes every line in the form above.
 *
 * Text answers take (size in bytes, buffer, needed or NULL): needed receives the full byte count with
 * every NUL; a size below that (negative sizes included) or a NULL buffer answers 1 and receives nothing.
 * Lists are NUL-terminated strings followed by one more NUL.
 *
 * Results: 0 done (also: nothing to answer, needed 0), 1 buffer too small (for ExcSetCommandBase and
 * ExcUpdateCommand: a change list is waiting), -1 bad handle or failure, -2 bad or incomplete command
 * base.
 *
 * Calling order: ExcGetExclusive, ExcSetCommandBase, then any number of ExcUpdateCommand (each followed
 * by ExcGetCommandChange when it answered 1) and of the questions, then ExcFreeExclusive.
 * ExcGetIniFileName and ExcGetDriverDevmode need no handle. */
typedef struct EXC_HANDLE_TAG* EXC_HANDLE;

/* The path of the printer's driver INI (the per-user one in terminal-server mode). 0/1/-1; -1 for a
 * printer that cannot be opened. */
KVEXC_API int32_t ExcGetIniFileName(const char* printerName, int32_t size, char* buffer, int32_t* needed);
/* The printer's default DEVMODE as API_DRIVER_DEVMODEA (1172 bytes; needed is set first in every case):
 * 1 for a buffer below that, -1 for flags other than API_DEVMODE_DEFAULTS or a printer that cannot be
 * opened, else 0. The device name is the printer name cut to 31 bytes at a character boundary. */
KVEXC_API int32_t ExcGetDriverDevmode(const char* printerName, int32_t flags, int32_t size, void* devmode,
                                      int32_t* needed);
/* A new handle on the printer, NULL when it cannot be opened or its settings cannot be built. */
KVEXC_API EXC_HANDLE ExcGetExclusive(const char* printerName);
/* Frees the handle and everything it holds; NULL and handles not (or no longer) issued do nothing. */
KVEXC_API void ExcFreeExclusive(EXC_HANDLE handle);
/* The list of the values a printer option (COLLATE, OUTBIN, TRAY, PAPER) admits with the printer's
 * installed options. 0 with needed 0 for a name that is no printer option. */
KVEXC_API int32_t ExcGetPrinterOption(EXC_HANDLE handle, const char* name, int32_t size, char* buffer,
                                      int32_t* needed);
/* The text of a printer value (MEMORYSIZE, USERCODE, the loaded roll and tray papers, orientations and
 * media). 0 with needed 0 for a name that is no printer value or a value without text. */
KVEXC_API int32_t ExcGetPrinterValue(EXC_HANDLE handle, const char* name, int32_t size, char* buffer,
                                     int32_t* needed);
/* The stored watermarks of a kind (0 text, 1 image) as SET lines: one block of lines per watermark, each
 * ended by a NUL, and one more NUL. 0 with needed 0 when there is none. Changes nothing of the handle. */
KVEXC_API int32_t ExcGetWaterMarkList(EXC_HANDLE handle, int32_t kind, int32_t size, char* buffer,
                                      int32_t* needed);
/* Installs a command base: SET lines that must set APLPAGESIZE, APLPAGELAYOUT, PAPER and TRAY to values
 * the driver knows. 0 installed, 1 installed and the rules changed some of its commands (a change list of
 * *changeSize bytes is waiting), -1 a syntax error (nothing of the text stays) or no memory, -2 a NULL
 * text or one without the four commands (nothing of it stays). Every call starts from fresh settings. */
KVEXC_API int32_t ExcSetCommandBase(EXC_HANDLE handle, const char* text, int32_t* changeSize);
/* The current base: the caller's lines in their order with the values the driver holds now. 0 with
 * needed 0 without a base. */
KVEXC_API int32_t ExcGetCommandBase(EXC_HANDLE handle, int32_t size, char* buffer, int32_t* needed);
/* Applies the first SET line of `line` to a command of the base: 0 applied and nothing else changed
 * (also for a NULL line or a command not in the base: *changeSize 0), 1 the rules changed other commands
 * or refused this one (a change list of *changeSize bytes is waiting), -1 a syntax error. */
KVEXC_API int32_t ExcUpdateCommand(EXC_HANDLE handle, const char* line, int32_t* changeSize);
/* The change list: the SET lines, with their values now, of the base's commands the rules changed (or
 * refused). Delivered once: a successful copy clears it; a buffer too small leaves it. */
KVEXC_API int32_t ExcGetCommandChange(EXC_HANDLE handle, int32_t size, char* buffer, int32_t* needed);
/* The values a command may take: for a list command its values (onlyAvailable: only those that can be
 * chosen now without changing another command of the base), for a number command its lowest, highest
 * and step value. 0 with needed 0 for a name that is no command, or, with onlyAvailable, one the base
 * does not hold. Changes nothing of the handle. */
KVEXC_API int32_t ExcGetCommandValue(EXC_HANDLE handle, const char* name, int32_t onlyAvailable, int32_t size,
                                     char* buffer, int32_t* needed);

#ifdef __cplusplus
}
#endif

#endif /* KVDRVEXC_H */
