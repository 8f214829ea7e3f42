// Info-node trees exchanged with the status monitor, the library's growable byte buffer and element
// list, and the two lookups every other area uses (names to codes, status codes against patterns).
#pragma once
#include <cstddef>

#include "kvplat/types.h"

// One node of a container tree: a single global-memory block, 48 bytes of header and the data behind
// it. The monitor frees the nodes it receives with GlobalFree, so the layout is fixed.
struct INFO_NODE {
  DWORD id;
  DWORD reserved04;
  INFO_NODE* parent;
  INFO_NODE* firstChild;
  INFO_NODE* nextSibling;
  INFO_NODE* lastChild;
  DWORD dataLength;
  DWORD reserved2C;
  // dataLength bytes of data follow
};
static_assert(sizeof(INFO_NODE) == 48);
static_assert(offsetof(INFO_NODE, id) == 0 && offsetof(INFO_NODE, reserved04) == 4);
static_assert(offsetof(INFO_NODE, parent) == 8 && offsetof(INFO_NODE, firstChild) == 16);
static_assert(offsetof(INFO_NODE, nextSibling) == 24 && offsetof(INFO_NODE, lastChild) == 32);
static_assert(offsetof(INFO_NODE, dataLength) == 40 && offsetof(INFO_NODE, reserved2C) == 44);

// Node ids.
enum : DWORD {
  INFO_ID_QUERY = 1,           // root of a query container; child of a reply root: the query answered
  INFO_ID_REPLY = 2,           // root of a reply container
  INFO_ID_EMUL_REPLY = 3,      // root of an emulation-unique reply; root data is 4 bytes holding 15
  INFO_ID_STATUS = 10,         // root of a status container
  INFO_ID_PJL_TEXT = 1000,     // PJL query or reply text
  INFO_ID_DEVICE_ID = 1002,    // device-identification request (empty) or text
};

// InfoNodeCreate: a new node with a copy of `length` bytes of `data` (null data only with length 0),
// appended to `parent` when one is given. Null when the arguments disagree or memory runs out.
INFO_NODE* InfoNodeCreate(INFO_NODE* parent, DWORD id, const void* data, DWORD length);
// InfoNodeAppend: links `child` as the last child of `parent`; 0 when either is null or the child is
// already linked somewhere (has a parent or a next sibling), and then nothing changes.
BOOL InfoNodeAppend(INFO_NODE* parent, INFO_NODE* child);
// InfoNodeFind: the first node of the sibling chain starting at `node` (itself included) with `id`.
INFO_NODE* InfoNodeFind(INFO_NODE* node, DWORD id);
INFO_NODE* InfoNodeFirstChild(const INFO_NODE* node);
INFO_NODE* InfoNodeNextSibling(const INFO_NODE* node);
// InfoNodeGetInfo: 1 with the id and data length (either out pointer may be null); 0 for a null node.
BOOL InfoNodeGetInfo(const INFO_NODE* node, DWORD* id, DWORD* length);
// InfoNodeData: the node's data when `size` equals its data length, else null.
void* InfoNodeData(INFO_NODE* node, DWORD size);
// InfoNodeReadData: copies the data when `size` equals the data length (1); 0 otherwise.
BOOL InfoNodeReadData(const INFO_NODE* node, void* destination, DWORD size);
// InfoNodeFreeTree: frees a node with all its descendants (never its siblings). Used on the error
// paths that must not hand a half-built container out.
void InfoNodeFreeTree(INFO_NODE* node);

// The bytes behind a node's header, whatever their length.
inline BYTE* InfoNodeBytes(INFO_NODE* node) { return reinterpret_cast<BYTE*>(node) + sizeof(INFO_NODE); }
inline const BYTE* InfoNodeBytes(const INFO_NODE* node) {
  return reinterpret_cast<const BYTE*>(node) + sizeof(INFO_NODE);
}

// A growable byte buffer with a cursor. Capacity is the size of the data block (0 without one).
struct DYN_BUFFER {
  DWORD step;    // growth unit in bytes
  DWORD used;    // used length
  DWORD cursor;
  BYTE* data;    // global-memory block or null
};

enum : DWORD { DYNBUF_SEEK_SET = 1, DYNBUF_SEEK_CUR = 2, DYNBUF_SEEK_END = 3 };

// DynBufCreate: an empty buffer; with count > 0 a block of step * count bytes is allocated at once.
DYN_BUFFER* DynBufCreate(DWORD step, DWORD count);
void DynBufFree(DYN_BUFFER* buffer);
DWORD DynBufLength(const DYN_BUFFER* buffer);
DWORD DynBufCapacity(const DYN_BUFFER* buffer);
// DynBufSeek: mode 1 absolute, 2 relative (offset may be negative), 3 from the used end. A position
// below 0 or beyond 32 bits is refused and the cursor stays; other modes do nothing.
void DynBufSeek(DYN_BUFFER* buffer, LONG offset, DWORD mode);
// DynBufRead: the n bytes at the cursor (cursor advances) or null when they are not all used bytes.
BYTE* DynBufRead(DYN_BUFFER* buffer, DWORD n);
// DynBufWrite / DynBufInsert: write over or insert n bytes at the cursor, growing by whole steps;
// 1, or 0 with the buffer unchanged when memory runs out. Bytes skipped by a seek past the end read 0.
BOOL DynBufWrite(DYN_BUFFER* buffer, const void* source, DWORD n);
BOOL DynBufInsert(DYN_BUFFER* buffer, const void* source, DWORD n);
// DynBufDelete: removes n bytes at the cursor; 0 when they are not all used bytes.
BOOL DynBufDelete(DYN_BUFFER* buffer, DWORD n);
// DynBufDetach: hands the data block to the caller and leaves the buffer empty.
BYTE* DynBufDetach(DYN_BUFFER* buffer);

// A list of fixed-size elements (1-based indexes) over a DYN_BUFFER.
struct ELEMENT_LIST {
  DWORD elementSize;
  DYN_BUFFER* buffer;
};
static_assert(sizeof(ELEMENT_LIST) == 16);

struct ELEMENT_ITERATOR {
  ELEMENT_LIST* list;
  DWORD index;  // 1-based index of the element returned last, 0 before the first
};

ELEMENT_LIST* ElemListCreate(DWORD elementSize, DWORD growth, DWORD initial);
void ElemListFree(ELEMENT_LIST* list);
DWORD ElemListCount(const ELEMENT_LIST* list);
BOOL ElemListAppend(ELEMENT_LIST* list, const void* element);
// ElemListInsert: the element becomes element `index` (1 or below: the first); beyond the count it
// is appended.
BOOL ElemListInsert(ELEMENT_LIST* list, const void* element, DWORD index);
void* ElemListAt(ELEMENT_LIST* list, DWORD index);
BOOL ElemListCopyAt(ELEMENT_LIST* list, DWORD index, void* destination);
void ElemIterInit(ELEMENT_ITERATOR* iterator, ELEMENT_LIST* list);
BOOL ElemIterNext(ELEMENT_ITERATOR* iterator, void** element);
BOOL ElemIterNextCopy(ELEMENT_ITERATOR* iterator, void* destination);

// A name table row; the row with a null name ends the table and carries the default code.
struct PAT_NAME_ROW {
  const char* name;
  INT code;
};
static_assert(sizeof(PAT_NAME_ROW) == 16);

// PatLookupName: the code of the first row whose name equals `text` exactly (case matters), the end
// row's default when none does, -1 for a null text or table.
INT PatLookupName(const char* text, const PAT_NAME_ROW* table);
// Number of named rows in a table (the end row not counted).
DWORD PatNameTableCount(const PAT_NAME_ROW* table);

// PatFormatCode: a status code as unsigned decimal text (buffer of at least 11 bytes).
void PatFormatCode(DWORD code, char* buffer);
// PatMatchCodePattern: 1 when the code text matches the pattern; a lowercase letter in the pattern
// stands for any one character and both texts must have the same length.
BOOL PatMatchCodePattern(const char* codeText, const char* pattern);
