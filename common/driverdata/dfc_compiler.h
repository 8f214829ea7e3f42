// Driver data compiler: reads the driver data file "kvdrvdat", compiles its statements and rules into a
// compile record and lays the record out as the compiled image (the ".BCS" bytes).
//
// Bad input never fails a compilation: a statement that cannot be read or resolved is skipped. Only a
// missing or unmappable file or exhausted memory gives no record.
#pragma once
#include <cstddef>
#include <cstdint>

#include "driverdata/dfc_image.h"
#include "kvplat/types.h"

namespace dfc {

// Name resolution. The compiler asks these questions of the settings model's static tables; a test or a
// tool may answer them from its own rows. Every function answers 1 (found) or 0.
struct DFC_RESOLVER {
  void* ctx;
  // A symbolic name (setting, rule, condition or answer symbol): its setting id (0 for symbols that are
  // no settings) and UI item key.
  int (*findSymbol)(void* ctx, const char* name, uint16_t* id, uint16_t* key);
  // An enumeration or resource symbol: its value.
  int (*findEnum)(void* ctx, const char* name, uint32_t* value);
  // A dialog's symbolic name: its dialog id.
  int (*findDialog)(void* ctx, const char* name, uint16_t* dialogId);
  // The id of the first control, in any dialog, bound to the named symbol's item key.
  int (*findControl)(void* ctx, const char* name, uint16_t* controlId);
  // A message's symbolic name: its message key.
  int (*findMessage)(void* ctx, const char* name, uint16_t* messageKey);
};

// The resolver over the settings model's static tables (the template's symbol, enumeration, resource,
// dialog and message tables).
const DFC_RESOLVER* DfcDefaultResolver();
// Replaces the default resolver (null restores the built-in one); used by hosts that carry their own rows.
void DfcSetDefaultResolver(const DFC_RESOLVER* resolver);

struct COMPILE_RECORD;

// The data-file path of the printer's driver (the data-file entry of its driver information), in a new
// block the caller frees with GlobalFree; null when the driver information cannot be had.
LPWSTR DfcGetDataFilePath(HANDLE printer);

// Statement read results.
enum { kReadOk = 0, kReadEof = 1, kReadMalformed = 3, kReadNoMemory = 4 };

// Parses a data file given by its wide path ("C:\..."); null when the file cannot be mapped (also an
// empty file) or memory runs out. resolver null: the default resolver.
COMPILE_RECORD* DfcParseDataFile(LPCWSTR path, const DFC_RESOLVER* resolver = nullptr);
// The same over bytes already in memory (an empty buffer gives an empty record).
COMPILE_RECORD* DfcParseDataBytes(const void* bytes, size_t size, const DFC_RESOLVER* resolver = nullptr);
void DfcFreeCompileRecord(COMPILE_RECORD* record);

// The value of the first "FileVersion" statement, at most 14 characters, into text (16 code units);
// text keeps what the caller put there when there is none. Always 1.
BOOL DfcProbeFileVersion(LPCWSTR path, WCHAR* text);
BOOL DfcProbeFileVersionBytes(const void* bytes, size_t size, WCHAR* text);

// Sizing and writing of the three areas (offsets in bytes from the image start).
uint64_t DfcSizeRuleLists(const COMPILE_RECORD* record);
uint64_t DfcSizeFeatures(const COMPILE_RECORD* record);
uint64_t DfcSizeStrings(const COMPILE_RECORD* record);
uint32_t DfcWriteRuleLists(BYTE* image, uint32_t offset, COMPILE_RECORD* record);
uint32_t DfcWriteFeatures(BYTE* image, uint32_t offset, COMPILE_RECORD* record);
uint32_t DfcWriteStrings(BYTE* image, uint32_t offset, COMPILE_RECORD* record);
// Copies the record's header block (with the slots and list offsets the writers filled) to offset 0.
void DfcWriteHeader(BYTE* image, const COMPILE_RECORD* record);

// Stores the image length in the record's header (TotalLength); the writers never write past it.
void DfcSetTotalLength(COMPILE_RECORD* record, uint32_t length);
// Lays the record out in a zero-filled block of the record's TotalLength: the rule area from offset 15952,
// the feature area, the string area, then the header at offset 0; frees the record. 0 when the sizes and
// the writes disagree (the block is then not a usable image).
BOOL ImgAssembleImage(BYTE* image, COMPILE_RECORD* record);

// Largest image the compiler builds: tagged offsets keep 28 bits of offset.
constexpr uint64_t kMaxImageSize = (uint64_t(1) << 28) - 16;

// Sizes the record, allocates a zero-filled block (GlobalAlloc) of that size, writes the three areas and
// the header, and frees the record in every case. Returns the image in offset form and its length, or
// null when memory runs out or the image would exceed kMaxImageSize. Free it with GlobalFree.
BYTE* DfcAssembleImage(COMPILE_RECORD* record, uint32_t* length);

// Checks an image in offset form (a fresh compile or a loaded ".BCS" file): the header's TotalLength
// equals length, and every reference that relocation follows names a record lying wholly inside the
// image, records do not overlap one another, lists end, strings end inside the image. 1 sound, 0 not.
BOOL ImgCheckImage(const BYTE* image, size_t length);

// Relocation of a checked image in place (offsets become addresses).
void ImgRelocateFeatures(BYTE* image);
void ImgRelocateRules(BYTE* image, uint64_t ruleList);
void ImgRelocateHeader(BYTE* image);
// Checks the image and relocates it (features, rules, header, then RuleList). 0 when the check fails,
// and the image is then left as it was.
BOOL DfcCheckAndRelocate(BYTE* image, size_t length);

// Readable listing of an image in offset form: header, nodes with options, rules and command trees.
// The text is appended to out (UTF-8).
void DfcDumpImage(const BYTE* image, size_t length, void (*emit)(void* ctx, const char* text), void* ctx);

}  // namespace dfc
