// The data-file author's check. The driver compiles its data file silently (a statement that cannot be
// read or resolved is skipped, a name that does not resolve leaves 0 behind); the check compiles the file
// statement by statement with the same reader and dispatcher and lists every statement, or part of one,
// that the compiler dropped, and why, plus warnings for rules that compile but cannot mean what they say.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dfc {

struct CheckFinding {
  int line;               // 1-based line of the statement; 0 for the file as a whole
  std::string statement;  // the statement's first line, shortened
  std::string reason;     // what was dropped and why, naming settings and options by their symbols
  bool warning = false;   // taken by the compiler, but suspicious
};

// Checks the bytes of a data file. Returns the findings ordered by line; findings that one bad line
// causes again and again (the same message) are given once, at their first line, with the count and the
// other lines. *ok is false when memory ran out before the end (the list is then incomplete).
std::vector<CheckFinding> DfcCheckDataFile(const uint8_t* bytes, size_t length, bool* ok);

// What a file holds, judged before compiling it.
enum DataFileKind {
  kDataFileText = 0,    // at least one statement of the data-file grammar
  kDataFileBinary = 1,  // NUL bytes or control characters: not text
  kDataFileNoStatement = 2,  // text, but no statement the compiler knows (an INI file, a letter, ...)
};
// Classifies bytes as a data file, binary data or text without a single known statement.
DataFileKind DfcClassifyDataFile(const uint8_t* bytes, size_t length);

}  // namespace dfc
