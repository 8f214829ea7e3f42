// The graphics library's client of the job-control library: at the start of a document the job items
// the library keeps for the printer (user code, owner, passwords, user id, document name, authentication
// data) are read into the job's settings, so the job header carries them. It binds the library for the
// one call and passes the authentication password through the library's secure interface.
#pragma once
#include "devlink/job_control.h"
#include "kvplat/types.h"

struct SETTING_CONTEXT;

// The buffers of the secure password chain: the intermediate transform output and the password with
// its terminator.
constexpr DWORD GR_JC_TRANSFORM_BYTES = 512;
constexpr DWORD GR_JC_PASSWORD_BYTES = 257;

// Imports the job items (all of them: mask 14495) when job control is on for the build.
void GrJcImportJobItemsIfOn(SETTING_CONTEXT* context, HANDLE printer, DWORD jobId);
// Imports the items of `mask` of the job's owner into the context. Nothing changes when the library, an
// interface, the owner's name or the handle is missing. 1 when the items were read (each item that
// could not be read keeps its setting), 0 otherwise.
int GrJcImportJobItems(SETTING_CONTEXT* context, HANDLE printer, DWORD jobId, DWORD mask);
// Entry 2 of the interface (the version is not passed on): its status.
DWORD GrJcReadItemRaw(WORD version, const JC_INTERFACE* iface, HANDLE handle, DWORD item, DWORD kind, void* buffer,
                      DWORD size, DWORD* needed);
// Reads an item's wide text, cut at `size` bytes (its reply size) and terminated, into ANSI `out` of
// size / 2 bytes; *length := the size the library reported. false when the item has no value.
bool GrJcReadItemText(WORD version, const JC_INTERFACE* iface, HANDLE handle, DWORD item, DWORD kind, DWORD size,
                      const WCHAR* userName, char* out, DWORD* length);
// Reads a readable item's wide text into `out` of `size` bytes (cut there and terminated): 0, the
// failing status, or -1 when the item is not readable or has no value.
DWORD GrJcReadItemWide(const JC_INTERFACE* iface, DWORD item, DWORD size, WCHAR* out, HANDLE handle);
// true when printer data "AuthenticationSecureMode" has bit 0 set.
bool GrIsSecureAuthMode(HANDLE printer);
// Keys a transform of kind 2 with the authentication user name and the network key read from job control
// (parameter 256); other kinds need nothing. 0 or the failing status.
DWORD GrJcPrepareTransform(DWORD kind, const SECURE_INTERFACE* secure, const JC_INTERFACE* iface, HANDLE transform,
                           HANDLE handle);
// Passes `length` bytes through the transform into `output` (GR_JC_TRANSFORM_BYTES bytes), terminated:
// the output's length, or -1 when a call failed or the output would not fit.
int GrJcTransformText(const char* input, DWORD length, char* output, const SECURE_INTERFACE* secure,
                      HANDLE transform);
// The authentication password through the secure chain (kind 2 or 4, then kind 1) into `out`
// (GR_JC_PASSWORD_BYTES bytes), which stays empty when a transform fails: 0 or the failing status.
DWORD GrJcReadSecurePassword(HANDLE printer, char* out, const SECURE_INTERFACE* secure, const JC_INTERFACE* iface,
                             HANDLE handle);
