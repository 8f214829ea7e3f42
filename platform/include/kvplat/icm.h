// Colour management as the printer graphics library meets it: opening a colour profile held in memory,
// creating a colour transform from a logical colour space to it, and releasing both.
//
// This layer keeps handles only: a profile records a copy of its bytes, a transform the profile it was made
// for. No colour is converted. Every live profile and transform is counted, so tests can see that a job
// releases what it opened; a foreign or released handle is refused, never followed. Each object is one
// platform allocation, so kvp::test::FailAllocAt reaches its creation.
#pragma once
#include <cstddef>

#include "kvplat/types.h"

typedef HANDLE HPROFILE;
typedef HANDLE HTRANSFORM;

typedef LONG FXPT2DOT30;
typedef struct tagCIEXYZ {
  FXPT2DOT30 ciexyzX;
  FXPT2DOT30 ciexyzY;
  FXPT2DOT30 ciexyzZ;
} CIEXYZ;
typedef struct tagCIEXYZTRIPLE {
  CIEXYZ ciexyzRed;
  CIEXYZ ciexyzGreen;
  CIEXYZ ciexyzBlue;
} CIEXYZTRIPLE;

// The logical colour space an application selects; the engine hands it to the driver.
typedef struct tagLOGCOLORSPACEW {
  DWORD lcsSignature;
  DWORD lcsVersion;
  DWORD lcsSize;
  LONG lcsCSType;
  LONG lcsIntent;
  CIEXYZTRIPLE lcsEndpoints;
  DWORD lcsGammaRed;
  DWORD lcsGammaGreen;
  DWORD lcsGammaBlue;
  WCHAR lcsFilename[260];
} LOGCOLORSPACEW;
static_assert(sizeof(CIEXYZTRIPLE) == 36);
static_assert(sizeof(LOGCOLORSPACEW) == 588 && offsetof(LOGCOLORSPACEW, lcsEndpoints) == 20 &&
              offsetof(LOGCOLORSPACEW, lcsGammaRed) == 56 && offsetof(LOGCOLORSPACEW, lcsFilename) == 68);

#define LCS_SIGNATURE 0x50534F43  // "PSOC"
#define LCS_VERSION 0x400
#define LCS_sRGB 0x73524742      // "sRGB"
#define LCS_GM_IMAGES 4

// Where a profile's bytes are.
typedef struct tagPROFILE {
  DWORD dwType;
  void* pProfileData;
  DWORD cbDataSize;
} PROFILE;
static_assert(sizeof(PROFILE) == 24 && offsetof(PROFILE, pProfileData) == 8 && offsetof(PROFILE, cbDataSize) == 16);

#define PROFILE_FILENAME 1
#define PROFILE_MEMBUFFER 2
#define PROFILE_READ 1
#define PROFILE_READWRITE 2

// CreateColorTransformW flags: the quality bits.
#define NORMAL_MODE 2
#define BEST_MODE 3

// Bytes of a profile header; the signature "acsp" stands at offset 36.
#define ICC_HEADER_BYTES 128
#define ICC_SIGNATURE_OFFSET 36

#define ERROR_INVALID_PROFILE 2011L
#define ERROR_INVALID_COLORSPACE 2017L

// OpenColorProfileW: a profile held in memory (PROFILE_MEMBUFFER) with at least a header whose signature
// is "acsp", opened for reading (PROFILE_READ) with OPEN_EXISTING. Null with ERROR_INVALID_PARAMETER for a
// missing record, another type, access or creation mode; ERROR_INVALID_PROFILE for bytes that are no
// profile; ERROR_NOT_ENOUGH_MEMORY when the allocation fails.
KVAPI HPROFILE OpenColorProfileW(PROFILE* profile, DWORD access, DWORD share, DWORD creation);
// CloseColorProfile: TRUE; FALSE with ERROR_INVALID_HANDLE for a handle that is not a live profile.
KVAPI BOOL CloseColorProfile(HPROFILE profile);
// CreateColorTransformW: a transform from the colour space to the destination profile (the target profile
// may be none). Null with ERROR_INVALID_PARAMETER for no colour space, ERROR_INVALID_COLORSPACE for a
// colour space without its signature, ERROR_INVALID_HANDLE for a destination or target that is not a live
// profile, ERROR_NOT_ENOUGH_MEMORY when the allocation fails.
KVAPI HTRANSFORM CreateColorTransformW(LOGCOLORSPACEW* colorSpace, HPROFILE destination, HPROFILE target,
                                      DWORD flags);
// DeleteColorTransform: TRUE; FALSE with ERROR_INVALID_HANDLE for a handle that is not a live transform.
KVAPI BOOL DeleteColorTransform(HTRANSFORM transform);

namespace kvp::icm {

// Profiles and transforms alive now.
size_t LiveProfileCount();
size_t LiveTransformCount();
// True when the handle is a live profile / transform.
bool IsLiveProfile(HPROFILE profile);
bool IsLiveTransform(HTRANSFORM transform);
// The flags a live transform was created with and its destination profile; false for any other handle.
bool DescribeTransform(HTRANSFORM transform, DWORD* flags, HPROFILE* destination);

}  // namespace kvp::icm
