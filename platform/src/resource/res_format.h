// The resource directory that the resource compiler (kvrc) writes into a module and the loader reads.
//
// A module exports one symbol, KvResourceData: a byte array holding, in this order,
//   header (32 bytes) | entries (24 bytes each, sorted) | names | data (each item 8-byte aligned).
// It holds offsets only, no pointers, so the same bytes can be read from the loaded module or from the
// module's file without loading it. All numbers are little-endian.
//
// An entry's type and name are either an integer id (0..0xFFFF) or, with bit 31 set, the offset (from the
// start of the names area) of a name: a WORD count followed by that many UTF-16 units, upper-cased.
// Entries are sorted by type, then name (ids before names, ids by value, names by their units), then
// language, which lets the loader find a type and name by binary search.
#pragma once
#include <cstdint>

namespace kvres {

inline constexpr char kSymbol[] = "KvResourceData";
inline constexpr uint8_t kMagic[4] = {'K', 'V', 'R', 'S'};
inline constexpr uint32_t kVersion = 1;
inline constexpr uint32_t kNameFlag = 0x80000000u;

struct Header {
  uint8_t magic[4];
  uint32_t version;
  uint32_t totalSize;      // bytes of the whole directory
  uint32_t entryCount;
  uint32_t entriesOffset;  // from the start of the directory
  uint32_t namesOffset;
  uint32_t namesSize;
  uint32_t dataOffset;
};
static_assert(sizeof(Header) == 32);

struct Entry {
  uint32_t type;        // id, or kNameFlag | name offset
  uint32_t name;        // id, or kNameFlag | name offset
  uint16_t language;    // LANGID
  uint16_t reserved;
  uint32_t dataOffset;  // from the start of the directory
  uint32_t dataSize;
  uint32_t reserved2;
};
static_assert(sizeof(Entry) == 24);

// Resource types.
inline constexpr uint16_t kCursor = 1, kBitmap = 2, kIcon = 3, kMenu = 4, kDialog = 5, kString = 6,
                          kFontDir = 7, kFont = 8, kAccelerator = 9, kRcData = 10, kMessageTable = 11,
                          kGroupCursor = 12, kGroupIcon = 14, kVersion_ = 16;

}  // namespace kvres
