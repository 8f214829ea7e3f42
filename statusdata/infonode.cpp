// Info-node trees, growable buffers and element lists, name and code-pattern lookups.
#include "statusdata/infonode.h"

#include <cstring>

#include "kvplat/heap.h"

// ---------------------------------------------------------------------------------------------
// Info nodes

INFO_NODE* InfoNodeCreate(INFO_NODE* parent, DWORD id, const void* data, DWORD length) {
  if (!data && length != 0) return nullptr;
  if (length > 0x7FFFFFFFu - sizeof(INFO_NODE)) return nullptr;
  // Zero-filled so the reserved words are deterministic for the monitor.
  auto* node = static_cast<INFO_NODE*>(GlobalAlloc(GPTR, sizeof(INFO_NODE) + length));
  if (!node) return nullptr;
  node->id = id;
  node->dataLength = length;
  if (length) std::memcpy(InfoNodeBytes(node), data, length);
  if (parent) InfoNodeAppend(parent, node);
  return node;
}

BOOL InfoNodeAppend(INFO_NODE* parent, INFO_NODE* child) {
  if (!parent || !child || child->parent || child->nextSibling || child == parent) return 0;
  child->parent = parent;
  if (parent->lastChild)
    parent->lastChild->nextSibling = child;
  else
    parent->firstChild = child;
  parent->lastChild = child;
  return 1;
}

INFO_NODE* InfoNodeFind(INFO_NODE* node, DWORD id) {
  for (; node; node = node->nextSibling)
    if (node->id == id) return node;
  return nullptr;
}

INFO_NODE* InfoNodeFirstChild(const INFO_NODE* node) { return node ? node->firstChild : nullptr; }
INFO_NODE* InfoNodeNextSibling(const INFO_NODE* node) { return node ? node->nextSibling : nullptr; }

BOOL InfoNodeGetInfo(const INFO_NODE* node, DWORD* id, DWORD* length) {
  if (!node) return 0;
  if (id) *id = node->id;
  if (length) *length = node->dataLength;
  return 1;
}

void* InfoNodeData(INFO_NODE* node, DWORD size) {
  if (!node || node->dataLength != size) return nullptr;
  return InfoNodeBytes(node);
}

BOOL InfoNodeReadData(const INFO_NODE* node, void* destination, DWORD size) {
  if (!node || !destination || node->dataLength != size) return 0;
  if (size) std::memcpy(destination, InfoNodeBytes(node), size);
  return 1;
}

void InfoNodeFreeTree(INFO_NODE* node) {
  if (!node) return;
  INFO_NODE* child = node->firstChild;
  while (child) {
    INFO_NODE* next = child->nextSibling;
    InfoNodeFreeTree(child);
    child = next;
  }
  GlobalFree(node);
}

// ---------------------------------------------------------------------------------------------
// Growable buffers

namespace {

constexpr DWORD kMaxBuffer = 0x7FFFFFFFu;

// Makes the capacity at least `needed`, in whole steps; false (nothing changed) when it cannot.
bool DynBufReserve(DYN_BUFFER* b, DWORD needed) {
  DWORD cap = DynBufCapacity(b);
  if (cap >= needed) return true;
  if (needed > kMaxBuffer) return false;
  ULONGLONG step = b->step ? b->step : 1;
  ULONGLONG grow = ((ULONGLONG(needed) - cap + step - 1) / step) * step;
  ULONGLONG newCap = cap + grow;
  if (newCap > kMaxBuffer) newCap = needed;
  BYTE* p;
  if (b->data)
    p = static_cast<BYTE*>(GlobalReAlloc(b->data, SIZE_T(newCap), GMEM_MOVEABLE | GMEM_ZEROINIT));
  else
    p = static_cast<BYTE*>(GlobalAlloc(GPTR, SIZE_T(newCap)));
  if (!p) return false;
  b->data = p;
  return true;
}

}  // namespace

DYN_BUFFER* DynBufCreate(DWORD step, DWORD count) {
  auto* b = static_cast<DYN_BUFFER*>(GlobalAlloc(GPTR, sizeof(DYN_BUFFER)));
  if (!b) return nullptr;
  b->step = step;
  if (count > 0) {
    ULONGLONG bytes = ULONGLONG(step) * count;
    b->data = bytes <= kMaxBuffer ? static_cast<BYTE*>(GlobalAlloc(GPTR, SIZE_T(bytes))) : nullptr;
    if (!b->data) {
      GlobalFree(b);
      return nullptr;
    }
  }
  return b;
}

void DynBufFree(DYN_BUFFER* buffer) {
  if (!buffer) return;
  if (buffer->data) GlobalFree(buffer->data);
  GlobalFree(buffer);
}

DWORD DynBufLength(const DYN_BUFFER* buffer) { return buffer ? buffer->used : 0; }

DWORD DynBufCapacity(const DYN_BUFFER* buffer) {
  return (buffer && buffer->data) ? DWORD(GlobalSize(buffer->data)) : 0;
}

void DynBufSeek(DYN_BUFFER* buffer, LONG offset, DWORD mode) {
  if (!buffer) return;
  LONGLONG base;
  switch (mode) {
    case DYNBUF_SEEK_SET: base = 0; break;
    case DYNBUF_SEEK_CUR: base = buffer->cursor; break;
    case DYNBUF_SEEK_END: base = buffer->used; break;
    default: return;
  }
  LONGLONG pos = base + offset;
  if (pos < 0 || pos > LONGLONG(kMaxBuffer)) return;
  buffer->cursor = DWORD(pos);
}

BYTE* DynBufRead(DYN_BUFFER* buffer, DWORD n) {
  if (!buffer || ULONGLONG(buffer->cursor) + n > buffer->used) return nullptr;
  BYTE* p = buffer->data ? buffer->data + buffer->cursor : nullptr;
  buffer->cursor += n;
  return p;
}

BOOL DynBufWrite(DYN_BUFFER* buffer, const void* source, DWORD n) {
  if (!buffer) return 0;
  if (n == 0) return 1;
  if (!source) return 0;
  ULONGLONG needed = ULONGLONG(buffer->cursor) + n;
  if (needed > kMaxBuffer || !DynBufReserve(buffer, DWORD(needed))) return 0;
  // A seek past the used end leaves a gap; it reads as zeroes, never as stale bytes.
  if (buffer->cursor > buffer->used) std::memset(buffer->data + buffer->used, 0, buffer->cursor - buffer->used);
  std::memcpy(buffer->data + buffer->cursor, source, n);
  if (needed > buffer->used) buffer->used = DWORD(needed);
  buffer->cursor += n;
  return 1;
}

BOOL DynBufInsert(DYN_BUFFER* buffer, const void* source, DWORD n) {
  if (!buffer) return 0;
  if (n == 0) return 1;
  if (!source) return 0;
  // An insert beyond the used end is a write there.
  if (buffer->cursor >= buffer->used) return DynBufWrite(buffer, source, n);
  ULONGLONG needed = ULONGLONG(buffer->used) + n;
  if (needed > kMaxBuffer || !DynBufReserve(buffer, DWORD(needed))) return 0;
  std::memmove(buffer->data + buffer->cursor + n, buffer->data + buffer->cursor, buffer->used - buffer->cursor);
  std::memcpy(buffer->data + buffer->cursor, source, n);
  buffer->used = DWORD(needed);
  buffer->cursor += n;
  return 1;
}

BOOL DynBufDelete(DYN_BUFFER* buffer, DWORD n) {
  if (!buffer || ULONGLONG(buffer->cursor) + n > buffer->used) return 0;
  if (n == 0) return 1;
  DWORD tail = buffer->used - buffer->cursor - n;
  std::memmove(buffer->data + buffer->cursor, buffer->data + buffer->cursor + n, tail);
  buffer->used -= n;
  return 1;
}

BYTE* DynBufDetach(DYN_BUFFER* buffer) {
  if (!buffer) return nullptr;
  BYTE* p = buffer->data;
  buffer->data = nullptr;
  buffer->used = 0;
  buffer->cursor = 0;
  return p;
}

// ---------------------------------------------------------------------------------------------
// Element lists

ELEMENT_LIST* ElemListCreate(DWORD elementSize, DWORD growth, DWORD initial) {
  if (elementSize == 0) return nullptr;
  ULONGLONG step = ULONGLONG(elementSize) * growth;
  if (step > kMaxBuffer) return nullptr;
  auto* list = static_cast<ELEMENT_LIST*>(GlobalAlloc(GPTR, sizeof(ELEMENT_LIST)));
  if (!list) return nullptr;
  list->elementSize = elementSize;
  list->buffer = DynBufCreate(DWORD(step), initial);
  if (!list->buffer) {
    GlobalFree(list);
    return nullptr;
  }
  return list;
}

void ElemListFree(ELEMENT_LIST* list) {
  if (!list) return;
  DynBufFree(list->buffer);
  GlobalFree(list);
}

DWORD ElemListCount(const ELEMENT_LIST* list) {
  return list ? DynBufLength(list->buffer) / list->elementSize : 0;
}

BOOL ElemListAppend(ELEMENT_LIST* list, const void* element) {
  if (!list) return 0;
  DynBufSeek(list->buffer, 0, DYNBUF_SEEK_END);
  return DynBufWrite(list->buffer, element, list->elementSize);
}

BOOL ElemListInsert(ELEMENT_LIST* list, const void* element, DWORD index) {
  if (!list) return 0;
  if (index > ElemListCount(list)) return ElemListAppend(list, element);
  if (index < 1) index = 1;
  list->buffer->cursor = (index - 1) * list->elementSize;
  return DynBufInsert(list->buffer, element, list->elementSize);
}

void* ElemListAt(ELEMENT_LIST* list, DWORD index) {
  if (!list || index < 1 || index > ElemListCount(list)) return nullptr;
  return list->buffer->data + ULONGLONG(index - 1) * list->elementSize;
}

BOOL ElemListCopyAt(ELEMENT_LIST* list, DWORD index, void* destination) {
  void* p = ElemListAt(list, index);
  if (!p || !destination) return 0;
  std::memcpy(destination, p, list->elementSize);
  return 1;
}

void ElemIterInit(ELEMENT_ITERATOR* iterator, ELEMENT_LIST* list) {
  if (!iterator) return;
  iterator->list = list;
  iterator->index = 0;
}

BOOL ElemIterNext(ELEMENT_ITERATOR* iterator, void** element) {
  if (!iterator || iterator->index >= ElemListCount(iterator->list)) return 0;
  ++iterator->index;
  if (element) *element = ElemListAt(iterator->list, iterator->index);
  return 1;
}

BOOL ElemIterNextCopy(ELEMENT_ITERATOR* iterator, void* destination) {
  if (!iterator || iterator->index >= ElemListCount(iterator->list)) return 0;
  ++iterator->index;
  return ElemListCopyAt(iterator->list, iterator->index, destination);
}

// ---------------------------------------------------------------------------------------------
// Lookups

INT PatLookupName(const char* text, const PAT_NAME_ROW* table) {
  if (!text || !table) return -1;
  for (; table->name; ++table)
    if (std::strcmp(table->name, text) == 0) return table->code;
  return table->code;
}

DWORD PatNameTableCount(const PAT_NAME_ROW* table) {
  DWORD n = 0;
  if (table)
    while (table[n].name) ++n;
  return n;
}

void PatFormatCode(DWORD code, char* buffer) {
  char tmp[11];
  int n = 0;
  do {
    tmp[n++] = char('0' + code % 10);
    code /= 10;
  } while (code);
  for (int i = 0; i < n; ++i) buffer[i] = tmp[n - 1 - i];
  buffer[n] = 0;
}

BOOL PatMatchCodePattern(const char* codeText, const char* pattern) {
  if (!codeText || !pattern) return 0;
  size_t i = 0;
  for (; codeText[i] && pattern[i]; ++i) {
    if (codeText[i] == pattern[i]) continue;
    if (pattern[i] < 'a' || pattern[i] > 'z') return 0;
  }
  return codeText[i] == 0 && pattern[i] == 0;
}
