// The reply tokenizer: raw tokens and the 14-state machine of the reply grammar.
#include "statusdata/pjltoken.h"

#include <cstring>

namespace {

constexpr char kEsc = 0x1B;

// The character at the cursor; 0 at the end of the text.
char Peek(const PJL_TOKENIZER* t) { return t->cursor < t->end ? *t->cursor : 0; }

void Advance(PJL_TOKENIZER* t) {
  if (t->cursor < t->end && *t->cursor) ++t->cursor;
}

void SetText(char* buffer, DWORD capacity, const char* text, size_t n) {
  if (!buffer || capacity == 0) return;
  if (n > capacity - 1) n = capacity - 1;
  if (n) std::memcpy(buffer, text, n);
  buffer[n] = 0;
}

bool EndsRun(char c, DWORD expected) {
  switch (c) {
    case 0: case '\r': case '\n': case '=': case ':': case '[': case ']':
      return true;
    case ' ':
      return expected != PJL_TOK_LINE_KEY;
    default:
      return false;
  }
}

// State 1: looks for the next "@PJL" from the cursor.
DWORD SearchPrefix(PJL_TOKENIZER* t, char* buffer, DWORD capacity) {
  static const char kPrefix[] = "@PJL";
  const char* p = t->cursor;
  while (p < t->end && *p) {
    if (*p == '@' && t->end - p >= 4 && std::memcmp(p, kPrefix, 4) == 0) {
      t->cursor = p + 4;
      PatTokSkipBlanks(t);
      SetText(buffer, capacity, kPrefix, 4);
      t->state = 2;
      return PJL_TOK_PREFIX;
    }
    ++p;
  }
  t->cursor = p;
  SetText(buffer, capacity, "", 0);
  return PJL_TOK_END;
}

}  // namespace

DWORD PatTokInit(PJL_TOKENIZER* tokenizer, const char* text) {
  return PatTokInitN(tokenizer, text, text ? std::strlen(text) : 0);
}

DWORD PatTokInitN(PJL_TOKENIZER* tokenizer, const char* text, size_t length) {
  if (!tokenizer) return 0;
  if (!text) length = 0;
  tokenizer->cursor = text ? text : "";
  tokenizer->end = tokenizer->cursor + length;
  tokenizer->state = 1;
  return 0;
}

void PatTokSkipBlanks(PJL_TOKENIZER* tokenizer) {
  while (tokenizer->cursor < tokenizer->end && (*tokenizer->cursor == ' ' || *tokenizer->cursor == '\r'))
    ++tokenizer->cursor;
}

DWORD PatTokReadRaw(PJL_TOKENIZER* tokenizer, char* buffer, DWORD capacity, DWORD expected) {
  PJL_TOKENIZER* t = tokenizer;
  char c = Peek(t);
  DWORD kind = expected;
  if (c == 0) {
    SetText(buffer, capacity, "", 0);
    return PJL_TOK_END;
  }
  if (c == '\n' || c == '\t' || c == '\f') {
    // At the start of a token these are tokens of their own, whatever was expected.
    kind = c == '\n' ? PJL_TOK_NEWLINE : c == '\t' ? PJL_TOK_TAB : PJL_TOK_FORM_FEED;
    SetText(buffer, capacity, t->cursor, 1);
    Advance(t);
  } else if (c == '"') {
    Advance(t);
    const char* start = t->cursor;
    while (Peek(t) && Peek(t) != '"') ++t->cursor;
    size_t n = size_t(t->cursor - start);
    if (Peek(t) == '"') Advance(t);
    SetText(buffer, capacity, start, n);
  } else {
    const char* start = t->cursor;
    while (!EndsRun(Peek(t), expected)) ++t->cursor;
    SetText(buffer, capacity, start, size_t(t->cursor - start));
  }
  // Trailing spaces never belong to a token.
  if (buffer && capacity) {
    size_t n = std::strlen(buffer);
    while (n > 0 && buffer[n - 1] == ' ') buffer[--n] = 0;
  }
  PatTokSkipBlanks(t);
  return kind;
}

DWORD PatReadToken(PJL_TOKENIZER* tokenizer, char* buffer, DWORD capacity, DWORD* kind) {
  PJL_TOKENIZER* t = tokenizer;
  DWORD k = PJL_TOK_END;
  bool error = false;
  const char* before = t->cursor;
  auto consume = [t](bool blanks) {
    Advance(t);
    if (blanks) PatTokSkipBlanks(t);
  };

  switch (t->state) {
    case 2:
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_COMMAND);
      t->state = k == PJL_TOK_NEWLINE ? 1 : 3;
      break;
    case 3:
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_CATEGORY);
      if (k == PJL_TOK_NEWLINE) {
        t->state = 1;
      } else if (Peek(t) == ':') {
        consume(true);
        k = PJL_TOK_CATEGORY_COLON;
        t->state = 4;
      } else if (Peek(t) == '=') {
        consume(true);
        t->state = 5;
      } else {
        t->state = 6;
      }
      break;
    case 4:
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_AFTER_COLON);
      if (k == PJL_TOK_AFTER_COLON) t->state = 3; else error = true;
      break;
    case 5:
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_COMMAND_VALUE);
      t->state = k == PJL_TOK_NEWLINE ? 1 : 6;
      break;
    case 6:
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_NEWLINE);
      if (k != PJL_TOK_NEWLINE) error = true;
      else t->state = (Peek(t) == '@' || Peek(t) == kEsc) ? 1 : 7;
      break;
    case 7:
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_LINE_KEY);
      if (k != PJL_TOK_LINE_KEY) {
        error = true;
      } else if (Peek(t) == '\n') {
        t->state = 11;
      } else if (Peek(t) == '[') {
        consume(false);
        t->state = 9;
      } else if (Peek(t) == '=') {
        consume(false);
        t->state = 8;
      } else {
        error = true;
      }
      break;
    case 8:
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_LINE_VALUE);
      if (k != PJL_TOK_LINE_VALUE) {
        error = true;
      } else if (Peek(t) == '[') {
        consume(false);
        t->state = 9;
      } else {
        t->state = 11;
      }
      break;
    case 9:
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_BRACKET_COUNT);
      if (k == PJL_TOK_BRACKET_COUNT) t->state = 10; else error = true;
      break;
    case 10: {
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_BRACKET_WORD);
      char next = Peek(t);
      if (k != PJL_TOK_BRACKET_WORD) {
        error = true;
      } else if (next == ']') {
        consume(true);
        t->state = 11;
      } else if (t->cursor == before || next == '=' || next == ':' || next == '[') {
        // Inside brackets only words and the closing bracket may follow; anything else would be
        // read as empty words for ever.
        error = true;
      } else {
        t->state = 10;
      }
      break;
    }
    case 11:
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_NEWLINE);
      if (k != PJL_TOK_NEWLINE) error = true;
      else if (Peek(t) == '@') t->state = 1;
      else if (Peek(t) == '\t' || Peek(t) == '\f') t->state = 12;
      else t->state = 7;
      break;
    case 12:
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_TAB);
      if (k == PJL_TOK_FORM_FEED) t->state = 1;
      else if (k == PJL_TOK_TAB) t->state = 13;
      else error = true;
      break;
    case 13:
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_TAB_KEY);
      if (k != PJL_TOK_TAB_KEY) {
        error = true;
      } else if (Peek(t) == '=') {
        consume(true);
        t->state = 14;
      } else if (Peek(t) == '\n') {
        t->state = 11;
      } else {
        t->state = 14;
      }
      break;
    case 14:
      k = PatTokReadRaw(t, buffer, capacity, PJL_TOK_TAB_VALUE);
      if (k == PJL_TOK_TAB_VALUE && Peek(t) == '\n') t->state = 11;
      else error = true;
      break;
    default:  // state 1 (and anything unknown): look for the next reply
      t->state = 1;
      k = SearchPrefix(t, buffer, capacity);
      break;
  }

  if (kind) *kind = k;
  if (error || (k == PJL_TOK_END && t->state != 1)) {
    t->state = 1;
    return PJL_RESULT_INVALID;
  }
  return 0;
}
