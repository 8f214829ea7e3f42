// In-memory form of a registry hive and its text form on disk. Internal to the registry.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kvplat/text.h"
#include "kvplat/types.h"

namespace kvp::reg {

struct NameLess {
  bool operator()(const std::u16string& a, const std::u16string& b) const { return WCompareI(a, b) < 0; }
};

struct Value {
  std::u16string name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

struct Key {
  std::vector<Value> values;                                        // in the order first set
  std::map<std::u16string, std::unique_ptr<Key>, NameLess> subkeys;  // spelled as created
  Value* FindValue(std::u16string_view name);
  Key* FindSub(std::u16string_view name);
};

constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;
constexpr size_t kMaxValueData = size_t(1) << 20;
// Keys nest at most this deep: the hive is written and freed by recursion over its keys.
constexpr size_t kMaxKeyDepth = 512;

// Whether a key name can be stored: 1-255 characters, no backslash, no control character and no
// unpaired surrogate.
bool ValidKeyName(std::u16string_view name);

// Parses hive text into `root`. On failure returns false with "line N: reason" in `error`.
bool ParseHive(std::string_view text, Key& root, std::string& error);
// The hive as text: keys depth first in name order, values in their order.
std::string WriteHive(const Key& root);

}  // namespace kvp::reg
