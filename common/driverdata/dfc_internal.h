// Internal records of one compilation: the token buffers, the reader over the mapped file, the compile
// record with its lists, and the helpers the statement handlers share.
#pragma once
#include <cstring>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "driverdata/dfc_compiler.h"

namespace dfc {

// ---- character classes ------------------------------------------------------------------------------
enum : uint8_t {
  CC_DELIMITER = 0x01, CC_KEYWORD = 0x02, CC_OPTION = 0x04, CC_PRINTABLE = 0x08,
  CC_BLANK = 0x10, CC_LINE_END = 0x20, CC_HEX_LETTER = 0x40, CC_DIGIT = 0x80
};
extern const uint8_t CHAR_CLASS_TABLE[256];
inline bool Is(uint8_t c, uint8_t cls) { return (CHAR_CLASS_TABLE[c] & cls) != 0; }
inline bool IsHexDigit(uint8_t c) { return Is(c, CC_DIGIT | CC_HEX_LETTER); }
inline int HexValue(uint8_t c) {
  if (Is(c, CC_DIGIT)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// ---- platform seams -----------------------------------------------------------------------------------
// Lead-byte test of the system ANSI code page.
bool DfcIsLeadByte(uint8_t c);
// The lead-byte answers of the system code page for every byte, asked once per compilation.
void DfcLeadByteTable(bool table[256]);
// Converts n ANSI bytes (system code page) to wide text with capacity cap (terminator included); the
// result is always terminated. Returns the characters written.
size_t DfcAnsiToWide(const char* src, size_t n, WCHAR* dst, size_t cap);
// Maps a whole file read-only. 1 and the view, 0 when it cannot be opened, sized or mapped (also empty).
int DfcMapFile(LPCWSTR path, const uint8_t** view, size_t* size);
void DfcUnmapFile(const uint8_t* view, size_t size);
namespace test {
// Tests replace the lead-byte test to emulate a double-byte code page; null restores the default.
void SetLeadByteHook(bool (*hook)(uint8_t c));
}

// ---- arena --------------------------------------------------------------------------------------------
// Every record of a compilation lives in one arena of zero-filled chunks from the global heap, released
// as a whole with the record. Variant nodes share option data with the node they copy; the arena makes
// the shared ownership safe.
class Arena {
 public:
  ~Arena();
  void* Alloc(size_t bytes);  // zero-filled, 8-aligned; null when memory runs out
  template <class T>
  T* New() {
    return static_cast<T*>(Alloc(sizeof(T)));
  }
  char* Dup(const char* s, size_t n);  // n bytes and a terminator
  WCHAR* DupWide(const WCHAR* s, size_t n);
  // Whether any allocation failed: a record that lost a statement to exhausted memory is no image.
  bool Failed() const { return failed_; }

 private:
  struct Chunk {
    Chunk* prev;
    size_t size;
  };
  Chunk* head_ = nullptr;
  uint8_t* cur_ = nullptr;
  size_t left_ = 0;
  bool failed_ = false;
};

// ---- tokens -------------------------------------------------------------------------------------------
struct TOKEN_BUFFER {
  uint32_t limit = 0;   // capacity without the terminator
  uint32_t length = 0;  // bytes held
  uint32_t pos = 0;     // scan position of the value scanners
  char* bytes = nullptr;
  bool Init();
  void Free();
  void Clear() {
    length = 0;
    pos = 0;
    if (bytes) bytes[0] = 0;
  }
  bool Append(char c) {
    if (length >= limit && !Grow(1)) return false;
    bytes[length++] = c;
    bytes[length] = 0;
    return true;
  }
  // Appends n bytes at once.
  bool AppendSpan(const uint8_t* p, size_t n) {
    if (n > limit - length && !Grow(n)) return false;
    std::memcpy(bytes + length, p, n);
    length += uint32_t(n);
    bytes[length] = 0;
    return true;
  }
  bool Grow(size_t atLeast);
};
struct STATEMENT_TOKENS {
  TOKEN_BUFFER keyword, option, option2, value;
  bool Init() { return keyword.Init() && option.Init() && option2.Init() && value.Init(); }
  void Free() {
    keyword.Free();
    option.Free();
    option2.Free();
    value.Free();
  }
};

struct DATA_FILE_READER {
  const uint8_t* base = nullptr;
  const uint8_t* cursor = nullptr;
  uint64_t remaining = 0;
  const bool* lead = nullptr;  // lead-byte table; null: ask per byte
  void Open(const void* bytes, size_t size, const bool* leadTable) {
    base = cursor = static_cast<const uint8_t*>(bytes);
    remaining = bytes ? size : 0;
    lead = leadTable;
  }
  bool Get(uint8_t* c) {
    if (!remaining) return false;
    *c = *cursor++;
    --remaining;
    return true;
  }
};

int DfcReadStatement(STATEMENT_TOKENS& t, DATA_FILE_READER& r);

// ---- value scanners (on the value token, from its scan position) ----------------------------------
char* DfcNextWord(TOKEN_BUFFER& t, int* ended);
int32_t DfcNextNumber(TOKEN_BUFFER& t, int* after);
bool DfcSkipPast(TOKEN_BUFFER& t, char c);
void DfcSkipBlanksAndLineEnds(TOKEN_BUFFER& t);
inline int DfcPeek(const TOKEN_BUFFER& t) { return t.pos < t.length ? uint8_t(t.bytes[t.pos]) : 0; }
// Decodes the next quoted string in place; returns a new arena copy (null when empty or none) with its
// decoded length; *after receives the character after the closing quote (0 at the end).
char* DfcTakeString(TOKEN_BUFFER& t, Arena& a, uint32_t* decodedLen, int* after);
WCHAR* DfcTakeWideString(TOKEN_BUFFER& t, Arena& a, int* after);
int32_t DfcParseNumber(const char* s);
int32_t DfcParseInt(const char* s, int* used);
bool DfcIsDigits(const char* s);

// ---- compile record --------------------------------------------------------------------------------
struct CR_AREA {
  CR_AREA* next;
  int16_t resolution, orientation;
  uint16_t conditionKey;
  int16_t conditionValue;
  int32_t numbers[6];
};
struct CR_OPTION {
  CR_OPTION* next;
  uint16_t value;
  char* command;
  int32_t width, length;             // PickPage
  CR_AREA* areas;
  CR_AREA* areasTail;
  int32_t count;                     // PickSlot papers / FontTbl entries
  uint16_t* papers;
  char** trueTypeNames;
  char** deviceNames;
};
struct CR_BOOLEAN {
  int64_t defaultValue;
  char* trueCommand;
  char* falseCommand;
};
struct CR_NUMERIC {
  int16_t lead, number1, number5, number6, number7, number8;
  int32_t defaultValue, minimum, maximum;
};
struct CR_STRING {
  int16_t defaultValue, maxLength, kind, flags;
};
struct CR_PAIR {
  char* first;
  char* second;
};
struct CR_NODE {
  CR_NODE* next;
  CR_PAIR* commands;
  // Option data: exactly one of these is used, chosen by the node's base type.
  CR_OPTION* options;
  CR_OPTION* optionsTail;  // kept on the feature's first node, where options are appended
  CR_BOOLEAN* boolean;
  CR_NUMERIC* numeric;
  CR_STRING* string;
  uint16_t key, variant, settingId, type;
  int32_t defaultIndex;  // the default option's value until CloseUI, then its position
  uint32_t serial;       // position in the file (identifies the feature's option list)
};

struct COMMAND_STRING {
  COMMAND_STRING* next;
  int32_t number;
  int32_t length;  // bytes up to and including the first 0
  char* text;
  uint64_t written;
};
struct CR_BLOCK;
struct CR_ENTRY {
  CR_ENTRY* next;
  uint32_t kind;  // 1 GroupType, 2 StringType, 3 Command, 4 FontType
  uint16_t itemKey;
  int16_t number;
  int32_t stringNumber;
  CR_BLOCK* block;
};
struct CR_BLOCK {
  int32_t condition;  // Judge number, 0 for none
  CR_ENTRY* thenList;
  CR_ENTRY* elseList;
};
struct CR_FONT {
  int32_t id;
  char* name;
};

struct JUDGE_DEF {
  JUDGE_DEF* next;
  int32_t number;
  int32_t byteLength;
  RULE_CELL* cells;
  uint64_t written;  // tagged offset of the first cell
};
// One entry of a numbered list statement; the meaning of the fields depends on the statement kind.
struct RULE_ENTRY {
  RULE_ENTRY* next;
  int32_t ref[3];  // Item: judge1-3; Transact: judge, action; AlertAction: transact; Alert: judge, alert action
  uint16_t u16[4];  // Item: option; Action: target id, kind; AlertAction: answer, dialog, control; Alert: message, icon, buttons, timing
  uint32_t value;   // Action value
};
struct RULE_STATEMENT {
  RULE_STATEMENT* next;
  int32_t number;
  RULE_ENTRY* first;
  RULE_ENTRY* last;
  uint64_t written;  // tagged offset of the first entry
};
struct CR_RULE_ROW {
  CR_RULE_ROW* next;
  int32_t judgeA, judgeB, items, alerts, transactA, transactB, judgeC;
  uint16_t key;
  uint64_t written;  // plain offset
};

enum RuleKind { kJudge = 0, kItem = 1, kAction = 2, kTransact = 3, kAlertAction = 4, kAlert = 5, kRuleKinds = 6 };

template <class T>
struct List {
  T* head = nullptr;
  T* tail = nullptr;
  void Append(T* x) {
    x->next = nullptr;
    if (tail)
      tail->next = x;
    else
      head = x;
    tail = x;
  }
};

struct COMPILE_RECORD {
  // Header under construction.
  WCHAR fileVersion[16] = {};
  List<CR_NODE> features;
  CR_NODE* slots[kSlotCount] = {};
  WCHAR* uiResDllName = nullptr;
  WCHAR* excDepDllName = nullptr;
  CR_BLOCK* groups[kGroupCount] = {};
  CR_FONT** deviceFonts = nullptr;
  int32_t deviceFontCount = 0;
  CR_FONT** cartridgeFonts = nullptr;
  int32_t cartridgeCount = 0;
  COMPILED_IMAGE_HEADER header{};  // filled by the writers
  bool overflow = false;           // a writer met the end of the block

  // Open feature.
  std::string openFeature;
  bool featureOpen = false;
  uint16_t currentKey = 0;
  uint16_t currentVariant = 0;
  int32_t keywordMemo = 0;

  // Lists in file order.
  List<COMMAND_STRING> commandStrings;
  List<JUDGE_DEF> judges;
  List<RULE_STATEMENT> statements[kRuleKinds];  // index kItem..kAlert
  List<CR_RULE_ROW> exclusive;

  // Alias lists, one per statement kind (name -> first number registered), searched by any text without
  // a copy.
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, uint16_t, TextHash, std::equal_to<>> aliases[kRuleKinds];
  // Look-ups that keep compilation linear in the file's size.
  std::unordered_map<uint16_t, CR_NODE*> firstNodeByKey;
  std::unordered_map<uint32_t, CR_NODE*> firstNodeByKeyVariant;
  std::unordered_map<uint64_t, CR_OPTION*> optionByValue;  // (first node serial, value)
  std::unordered_map<uint16_t, JUDGE_DEF*> judgeByNumber;  // first taken Judge of each number
  uint32_t nodeSerial = 0;
  uint64_t judgeCellBudget = 0;

  const DFC_RESOLVER* resolver = nullptr;
  Arena arena;

  // Scratch of the rule compiler, reused by every statement: the current name token (terminated, for the
  // look-ups) and an expression's cells and waiting operators.
  std::string tokenText;
  std::vector<RULE_CELL> cellScratch;
  std::vector<uint16_t> opScratch;

  // Resolution helpers.
  bool FindSymbol(const char* name, uint16_t* id, uint16_t* key) const;
  bool FindEnum(const char* name, uint16_t* value) const;
  bool FindDialog(const char* name, uint16_t* id) const;
  bool FindControl(const char* name, uint16_t* id) const;
  bool FindMessage(const char* name, uint16_t* key) const;
  CR_NODE* FirstNodeOfKey(uint16_t key) const;
  CR_NODE* NodeOfKeyVariant(uint16_t key, uint16_t variant) const;
};

using Handler = int (*)(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);

// Statement handlers.
int DfcStmtFileVersion(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtOpenUI(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtCloseUI(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtOption(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtDefault(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtNumericValue(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtStringValue(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtPageValue(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtPageMMValue(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtSlotPaper(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtOptionCommand(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtCommandGroup(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtDeviceFonts(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtFontCartridge(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtTTFS(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtCommandString(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtUIResDLLName(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtExcDepDLLName(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtJudge(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtItem(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtAction(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtTransact(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtAlertAction(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtAlert(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);
int DfcStmtExclusive(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);

int DfcDispatchStatement(COMPILE_RECORD& rec, STATEMENT_TOKENS& t);

// Rule language pieces used by the command groups and by tests.
struct RuleReference {
  int kind;  // 0 Judge, 1 Item, 2 Action, 3 Transact, 4 AlertAction, 5 Alert, 6 NULL, -1 alias name
  int32_t number;
};
RuleReference DfcParseReference(const char* word);
int32_t DfcResolveReference(const COMPILE_RECORD& rec, const char* word, int kind);
// Compiles an expression from the value's scan position; on success the cells (ending with the end cell
// or, for an unbalanced ")", a group terminator) and their count; false when a name cannot be resolved.
bool DfcCompileExpression(COMPILE_RECORD& rec, TOKEN_BUFFER& t, RULE_CELL** cells, uint32_t* count);
int DfcCheckExpression(const RULE_CELL* cells, uint32_t count);
// Default of a setting's node in the header being built.
uint32_t ImgGetDefaultOf(uint16_t id, const COMPILE_RECORD& rec);

// Limits that keep hostile files from exhausting memory or the stack.
constexpr uint32_t kMaxJudgeCells = 4096;          // cells of one compiled Judge (inlining included)
constexpr uint64_t kMaxJudgeCellsTotal = 1u << 20;  // cells of all Judges of one file
constexpr int kMaxCommandDepth = 32;               // nesting of Command blocks

}  // namespace dfc
