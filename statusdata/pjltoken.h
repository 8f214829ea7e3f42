// Tokenizer of the printer's PJL replies (and of the library's own query texts).
#pragma once
#include <cstddef>

#include "kvplat/types.h"

// Cursor into a text that ends at its first NUL or at `end`, whichever comes first, and the state
// (1 to 14) of the reply grammar.
struct PJL_TOKENIZER {
  const char* cursor;
  DWORD state;
  const char* end;
};

enum : DWORD {
  PJL_TOK_PREFIX = 1,          // "@PJL"
  PJL_TOK_COMMAND = 2,         // INFO, INQUIRE
  PJL_TOK_NEWLINE = 3,
  PJL_TOK_CATEGORY = 4,        // CONFIG, OUTBINSTATUS, INTRAY1SIZE
  PJL_TOK_CATEGORY_COLON = 5,  // a category followed by ':'
  PJL_TOK_AFTER_COLON = 6,
  PJL_TOK_COMMAND_VALUE = 7,   // after '=' on the command line
  PJL_TOK_LINE_KEY = 8,        // may hold spaces ("IN TRAYS")
  PJL_TOK_LINE_VALUE = 9,
  PJL_TOK_BRACKET_COUNT = 10,  // 3 in [3 ENUMERATED]
  PJL_TOK_BRACKET_WORD = 11,   // ENUMERATED
  PJL_TOK_TAB_KEY = 12,
  PJL_TOK_TAB_VALUE = 13,
  PJL_TOK_FORM_FEED = 14,      // end of a reply block
  PJL_TOK_TAB = 15,
  PJL_TOK_END = 255,
};

constexpr DWORD PJL_RESULT_INVALID = 13;  // the text breaks the grammar
constexpr DWORD PJL_TOKEN_CAPACITY = 33;  // what the parser and its handlers read with

// PatTokInit: the tokenizer at the start of a NUL-terminated text, state 1.
DWORD PatTokInit(PJL_TOKENIZER* tokenizer, const char* text);
// PatTokInitN: the same for a text of at most `length` bytes (it still ends at an earlier NUL).
DWORD PatTokInitN(PJL_TOKENIZER* tokenizer, const char* text, size_t length);
// PatReadToken: the next token (at most capacity - 1 characters, terminated) and its kind; 0, or 13
// when the token does not fit the grammar or the text ends inside a reply (state back to 1).
DWORD PatReadToken(PJL_TOKENIZER* tokenizer, char* buffer, DWORD capacity, DWORD* kind);
// PatTokReadRaw: one raw token; its kind is `expected` unless it is a newline, tab, form feed or
// the end of the text.
DWORD PatTokReadRaw(PJL_TOKENIZER* tokenizer, char* buffer, DWORD capacity, DWORD expected);
// PatTokSkipBlanks: over spaces and carriage returns.
void PatTokSkipBlanks(PJL_TOKENIZER* tokenizer);
