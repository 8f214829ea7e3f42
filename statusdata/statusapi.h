// The exported interface of the status-data library M8350d64: the records that cross its boundary
// and the types of its sixteen entry points, for status monitors that load it by name and look the
// entry points up with GetProcAddress. Nothing here needs linking.
#pragma once
#include <cstddef>

#include "kvplat/resource.h"
#include "kvplat/types.h"
#include "statusdata/bitmaps.h"
#include "statusdata/infonode.h"
#include "statusdata/pminfo.h"
#include "statusdata/prninfo.h"

// Version bytes (low byte of the version argument).
constexpr DWORD PAT_VERSION_QUERY = 2;   // query and reply containers
constexpr DWORD PAT_VERSION_STATUS = 3;  // status containers

struct PERIPHERAL_PROFILE {
  DWORD words[5];
};
static_assert(sizeof(PERIPHERAL_PROFILE) == 20);

// The caller sets `size` (at least 32); the library fills the first 32 bytes.
struct PAT_DLL_VERSION {
  DWORD size;
  DWORD fileVersion;  // major.minor.build.revision, one byte each
  DWORD fixed1;       // 0x2000100
  DWORD fixed2;       // 0x3060000
  BYTE reserved[16];
};
static_assert(sizeof(PAT_DLL_VERSION) == 32);
static_assert(offsetof(PAT_DLL_VERSION, fileVersion) == 4 && offsetof(PAT_DLL_VERSION, fixed1) == 8);
static_assert(offsetof(PAT_DLL_VERSION, fixed2) == 12 && offsetof(PAT_DLL_VERSION, reserved) == 16);

// Logical palette as PatGetPalette writes it: version 0x300, entry count, then the entries.
struct PAT_PALETTE_ENTRY {
  BYTE red, green, blue, flags;
};
static_assert(sizeof(PAT_PALETTE_ENTRY) == 4);

// Entry points, numbered 2 to 17 in the export list; callers find them by name.
typedef PAT_BITMAP_INFO* (*PFN_PatCreateBitmapInfo)(DWORD kind, INFO_NODE* status, DWORD version);
typedef BOOL (*PFN_PatDisposeBitmapInfo)(PAT_BITMAP_INFO* info);
typedef HBITMAP (*PFN_PatLoadBitmap)(LPCSTR name);
typedef BOOL (*PFN_PatGetStatusString)(DWORD kind, INFO_NODE* status, DWORD version, DWORD form, LPSTR buffer,
                                       DWORD* size);
typedef BOOL (*PFN_PatGetDeviceName)(DWORD kind, const void* data, DWORD form, LPSTR buffer, DWORD* size);
typedef BOOL (*PFN_PatPMInfoToPrnInfoEx)(DWORD kind, const PM_INFO* pm, DWORD form, DWORD flags,
                                         PRN_INFO_EX* record);
typedef BOOL (*PFN_PatPrnInfoExToPrnInfo)(PRN_INFO_EX* record, PRN_INFO* destination, DWORD flags);
typedef INFO_NODE* (*PFN_PatCreateQueryInfo)(PRN_INFO_EX* request, DWORD version, DWORD flags);
typedef INFO_NODE* (*PFN_PatCreateEmulUniqQueryInfo)(const void* any, DWORD version, DWORD emulationId,
                                                     DWORD ignored);
typedef BOOL (*PFN_PatSetCentroDataTo)(INFO_NODE* reply, DWORD ignored, PRN_INFO_EX* record, DWORD version);
typedef BOOL (*PFN_PatGetDllVersion)(PAT_DLL_VERSION* version);
typedef BOOL (*PFN_PatGetPeripheralProfile)(DWORD kind, PERIPHERAL_PROFILE* profile, DWORD* size);
typedef BOOL (*PFN_PatSetLocale)(LPCSTR locale);
typedef BOOL (*PFN_PatGetStatusHelpFileName)(DWORD kind, PRN_INFO_EX* record, DWORD ignored, LPSTR buffer,
                                             DWORD* size);
typedef const BITMAPINFOHEADER* (*PFN_PatLoadDIBitmap)(LPCSTR name);
typedef BOOL (*PFN_PatGetPalette)(void* palette, DWORD* size);
