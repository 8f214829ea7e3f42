// kvhost api: capabilities by their form, and the all-capabilities record.
#include "api_caps_print.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

enum class Form { kValue, kList, kNames, kSizes, kPair16, kPair32 };

struct FormOf {
  Form form;
  int width;  // bytes of a name slot
};

FormOf Classify(uint32_t id) {
  switch (id) {
    case 3: return {Form::kNames, 24};
    case 5: case 7: case 11: case 16: case 33: case 86: case 267: case 269: case 272: case 279: case 282:
      return {Form::kNames, 64};
    case 127: return {Form::kNames, 260};
    case 12: return {Form::kSizes, 0};
    case 13: case 14: case 20: case 21: return {Form::kPair16, 0};
    case 124: case 125: return {Form::kPair32, 0};
    case 2: case 4: case 6: case 10: case 15: case 18: case 30: case 32: case 39: case 40: case 41: case 45:
    case 47: case 54: case 56: case 61: case 66: case 67: case 75: case 77: case 85: case 92: case 93:
    case 103: case 104: case 105: case 106: case 107: case 109: case 266: case 268: case 271: case 275:
    case 277: case 278: case 281:
      return {Form::kList, 0};
    default: return {Form::kValue, 0};
  }
}

void PrintNumbers(const int32_t* v, int n) {
  for (int i = 0; i < n; ++i) std::printf(" %d", v[i]);
  std::printf("\n");
}

void PrintNames(const char* slots, int n, int width) {
  std::printf("\n");
  for (int i = 0; i < n; ++i) {
    const char* s = slots + (size_t)i * width;
    std::printf("    %.*s\n", (int)strnlen(s, (size_t)width), s);
  }
}

void PrintSizes(const int32_t* v, int n) {
  std::printf("\n");
  for (int i = 0; i < n; ++i) std::printf("    %.1f x %.1f mm\n", v[2 * i] / 10.0, v[2 * i + 1] / 10.0);
}

}  // namespace

void PrintCapability(ApiGetCapsFn getCaps, API_HANDLE h, uint32_t id) {
  FormOf f = Classify(id);
  std::printf("caps %u:", id);
  if (f.form == Form::kValue) {
    std::printf(" %d\n", getCaps(h, id, nullptr));
    return;
  }
  if (f.form == Form::kPair16 || f.form == Form::kPair32) {
    int32_t pair[2] = {};
    int r = getCaps(h, id, pair);
    int16_t half[2];
    std::memcpy(half, pair, sizeof half);
    if (f.form == Form::kPair16)
      std::printf(" %d (%d, %d)\n", r, half[0], half[1]);
    else
      std::printf(" %d (%d, %d)\n", r, pair[0], pair[1]);
    return;
  }
  int n = getCaps(h, id, nullptr);
  if (n <= 0) {
    std::printf(" %d\n", n);
    return;
  }
  size_t entry = f.form == Form::kNames ? (size_t)f.width : f.form == Form::kSizes ? 8 : 4;
  // Room for a list that grew since the count.
  std::vector<char> buf(((size_t)n + 16) * entry);
  int got = getCaps(h, id, buf.data());
  std::printf(" %d", got);
  if (got <= 0) {
    std::printf("\n");
    return;
  }
  if (got > n + 16) got = n + 16;
  const int32_t* v = reinterpret_cast<const int32_t*>(buf.data());
  if (f.form == Form::kNames) PrintNames(buf.data(), got, f.width);
  else if (f.form == Form::kSizes) PrintSizes(v, got);
  else {
    std::printf(" :");
    PrintNumbers(v, got);
  }
}

void PrintAllCapabilities(ApiGetCapsFn getCaps, API_HANDLE h) {
  std::vector<uint32_t> ids;
  for (uint32_t id = 1; id <= 127; ++id) ids.push_back(id);
  for (uint32_t id = 257; id <= 282; ++id) ids.push_back(id);
  ids.push_back(API_CAPS_MACHINE_COLOR);
  // The export answers 0 for an id the connection does not support, as for a capability not offered.
  for (uint32_t id : ids) PrintCapability(getCaps, h, id);
}

namespace {

void RecordList(const char* label, int32_t count, const void* list, int width) {
  std::printf("  %-4s %d", label, count);
  if (!list || count <= 0) {
    std::printf("\n");
    return;
  }
  if (width > 8) PrintNames(static_cast<const char*>(list), count, width);
  else if (width == 8) PrintSizes(static_cast<const int32_t*>(list), count);
  else {
    std::printf(" :");
    PrintNumbers(static_cast<const int32_t*>(list), count);
  }
}

}  // namespace

bool PrintAllCapsRecord(ApiGetCapsFn getCaps, API_HANDLE h) {
  int answer = getCaps(h, API_CAPS_ALL_BUILD, nullptr);
  std::printf("allcaps: 0x%08x\n", (unsigned)answer);
  if (!answer) return false;
  const ALL_CAPS_RECORD* r = API_ALL_CAPS_RECORD_OF(answer);
  int mapBytes = getCaps(h, 0, nullptr);
  std::printf("  map ");
  for (int i = 0; i < mapBytes && r->statusIdMap; ++i) std::printf("%02x", r->statusIdMap[i]);
  std::printf("\n");
#define V(n) std::printf("  %-4d %d\n", n, r->cap##n)
#define L(n, list, w) RecordList(#n, r->cap##n##Count, r->list, w)
#define P(n, a, b) std::printf("  %-4d (%d, %d)\n", n, r->cap##n##a, r->cap##n##b)
  V(1); L(2, cap2List, 4); L(3, cap3Names, 24); L(4, cap4List, 4); L(5, cap5Names, 64); L(6, cap6List, 4);
  L(7, cap7Names, 64); V(8); V(9); L(10, cap10List, 4); L(11, cap11Names, 64); L(12, cap12Sizes, 8);
  P(13, Width, Length); P(14, Width, Length); L(15, cap15List, 4); L(16, cap16Names, 64); V(17);
  L(18, cap18List, 4); V(19); P(20, H, V); P(21, H, V); V(22); V(23); V(24); V(25); V(26); V(27); V(28); V(29);
  L(30, cap30List, 4); V(31); L(32, cap32List, 4); L(33, cap33Names, 64); V(34); V(35); V(36); V(37); V(38);
  L(39, cap39List, 4); L(40, cap40List, 4); L(41, cap41List, 4); V(42); V(43); V(44); L(45, cap45List, 4);
  V(46); L(47, cap47List, 4); V(48); V(49); V(50); V(51); V(52); V(53); L(54, cap54List, 4); V(55);
  L(56, cap56List, 4); V(57); V(60); L(61, cap61List, 4); V(62); V(63); V(64); V(65); L(66, cap66List, 4);
  L(67, cap67List, 4); V(69); V(70); V(71); V(72); V(73); V(74); L(75, cap75List, 4); V(76);
  L(77, cap77List, 4); V(78); V(79); V(80); V(81); V(82); V(83); V(84); L(85, cap85List, 4);
  L(86, cap86Names, 64); V(87); V(88); V(89); V(90); V(91); L(92, cap92List, 4); L(93, cap93List, 4); V(94);
  V(95); V(96); V(97); V(98); V(99); V(100); V(101); V(102); L(103, cap103List, 4); L(104, cap104List, 4);
  L(105, cap105List, 4); L(106, cap106List, 4); L(107, cap107List, 4); V(108); L(109, cap109List, 4); V(110);
  V(111); V(112); V(113); V(114); V(115); V(116); V(117); V(118); V(119); V(120); V(121); V(122); V(123);
  P(124, Width, Length); P(125, Width, Length); V(126); L(127, cap127Names, 260); V(257); V(258); V(259);
  V(260); V(261); V(262); V(263); V(264); V(265); L(266, cap266List, 4); L(267, cap267Names, 64);
  L(268, cap268List, 4); L(269, cap269Names, 64); V(270); L(271, cap271List, 4); L(272, cap272Names, 64);
  V(273); V(274); L(275, cap275List, 4); V(276); L(277, cap277List, 4); L(278, cap278List, 4);
  L(279, cap279Names, 64); V(280); L(281, cap281List, 4); L(282, cap282Names, 64);
#undef V
#undef L
#undef P
  std::printf("allcaps free: %d\n", getCaps(h, API_CAPS_ALL_FREE, const_cast<ALL_CAPS_RECORD*>(r)));
  return true;
}
