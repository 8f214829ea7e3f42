// The reply tokenizer: the worked example, quoting, cutting, end-of-text and malformed replies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "statusdata/pjltoken.h"

namespace {

struct Tok {
  DWORD result;
  DWORD kind;
  std::string text;
  bool operator==(const Tok& o) const { return result == o.result && kind == o.kind && text == o.text; }
};

std::ostream& operator<<(std::ostream& os, const Tok& t) {
  std::string shown;
  for (char c : t.text) shown += (unsigned char)c < 32 ? "\\x" + std::to_string(int(c)) : std::string(1, c);
  return os << "{" << t.result << ", " << t.kind << ", \"" << shown << "\"}";
}

// Reads until the end of the text (or a bounded number of tokens, so a loop shows as a failure).
std::vector<Tok> ReadAll(const std::string& text, DWORD capacity = PJL_TOKEN_CAPACITY, size_t limit = 1000) {
  PJL_TOKENIZER t;
  PatTokInitN(&t, text.data(), text.size());
  std::vector<Tok> out;
  for (size_t i = 0; i < limit; ++i) {
    char buf[128];
    DWORD kind = 0;
    DWORD r = PatReadToken(&t, buf, capacity, &kind);
    out.push_back({r, kind, buf});
    if (kind == PJL_TOK_END) break;
  }
  return out;
}

TEST(PjlTokenizer, WorkedExample) {
  const std::string reply =
      "@PJL INFO CONFIG\r\n"
      "IN TRAYS [3 ENUMERATED]\r\n"
      "\tINTRAY1\r\n"
      "\tINTRAY2\r\n"
      "MEMORY=8388608\r\n"
      "\f";
  std::vector<Tok> expected = {
      {0, 1, "@PJL"}, {0, 2, "INFO"}, {0, 4, "CONFIG"}, {0, 3, "\n"},
      {0, 8, "IN TRAYS"}, {0, 10, "3"}, {0, 11, "ENUMERATED"}, {0, 3, "\n"},
      {0, 15, "\t"}, {0, 12, "INTRAY1"}, {0, 3, "\n"},
      {0, 15, "\t"}, {0, 12, "INTRAY2"}, {0, 3, "\n"},
      {0, 8, "MEMORY"}, {0, 9, "8388608"}, {0, 3, "\n"},
      {0, 14, "\f"}, {0, 255, ""},
  };
  EXPECT_EQ(ReadAll(reply), expected);
}

TEST(PjlTokenizer, TextsWithoutAReplyOrCutShort) {
  EXPECT_EQ(ReadAll("no reply here\r\n"), (std::vector<Tok>{{0, 255, ""}}));
  EXPECT_EQ(ReadAll(""), (std::vector<Tok>{{0, 255, ""}}));
  EXPECT_EQ(ReadAll("@PJL INFO CONFIG"),
            (std::vector<Tok>{{0, 1, "@PJL"}, {0, 2, "INFO"}, {0, 4, "CONFIG"}, {13, 255, ""}}));
  // The end of the text inside a bracket, an indented line or a value is an error, too.
  for (const char* cut : {"@PJL INFO CONFIG\r\nIN TRAYS [3", "@PJL INFO CONFIG\r\nX=1\r\n\tA=", "@PJL INFO X\r\nK="}) {
    SCOPED_TRACE(cut);
    auto toks = ReadAll(cut);
    EXPECT_EQ(toks.back().kind, 255u);
    EXPECT_EQ(toks.back().result, 13u);
  }
}

TEST(PjlTokenizer, QuotedValuesAndLongKeys) {
  auto toks = ReadAll("@PJL INFO STATUS\r\nDISPLAY=\"READY MESSAGE\"\r\n\f");
  ASSERT_GE(toks.size(), 7u);
  EXPECT_EQ(toks[4], (Tok{0, 8, "DISPLAY"}));
  EXPECT_EQ(toks[5], (Tok{0, 9, "READY MESSAGE"}));

  // A 40-character key is cut to 32; the cursor is past all of it, so the value follows.
  std::string key(40, 'K');
  toks = ReadAll("@PJL INFO CONFIG\r\n" + key + "=V\r\n\f");
  ASSERT_GE(toks.size(), 7u);
  EXPECT_EQ(toks[4], (Tok{0, 8, std::string(32, 'K')}));
  EXPECT_EQ(toks[5], (Tok{0, 9, "V"}));
  EXPECT_EQ(toks.back(), (Tok{0, 255, ""}));

  // A tab or form feed inside a run belongs to the token.
  toks = ReadAll("@PJL INFO CONFIG\r\nA\tB=C\fD\r\n\f");
  ASSERT_GE(toks.size(), 6u);
  EXPECT_EQ(toks[4], (Tok{0, 8, "A\tB"}));
  EXPECT_EQ(toks[5], (Tok{0, 9, "C\fD"}));
}

TEST(PjlTokenizer, SeveralReplyBlocks) {
  auto toks = ReadAll(
      "@PJL INQUIRE INTRAY1SIZE\r\nROLL841\r\n\f"
      "@PJL INFO OUTBINSTATUS\r\nUPPER=READY\r\n\f");
  std::vector<Tok> expected = {
      {0, 1, "@PJL"}, {0, 2, "INQUIRE"}, {0, 4, "INTRAY1SIZE"}, {0, 3, "\n"}, {0, 8, "ROLL841"}, {0, 3, "\n"},
      {0, 14, "\f"},  {0, 1, "@PJL"},    {0, 2, "INFO"},       {0, 4, "OUTBINSTATUS"}, {0, 3, "\n"},
      {0, 8, "UPPER"}, {0, 9, "READY"},  {0, 3, "\n"},         {0, 14, "\f"},  {0, 255, ""},
  };
  EXPECT_EQ(toks, expected);
}

TEST(PjlTokenizer, MalformedRepliesEndWithAnError) {
  struct Case {
    const char* name;
    std::string text;
  } cases[] = {
      // Inside brackets a '=' or ':' can never be read past: this once spun for ever.
      {"equals in brackets", "@PJL INFO CONFIG\r\nIN TRAYS [3 ENUMERATED=\r\n\f"},
      {"colon in brackets", "@PJL INFO CONFIG\r\nIN TRAYS [3 A:B]\r\n\f"},
      {"bracket in brackets", "@PJL INFO CONFIG\r\nIN TRAYS [3 [A]\r\n\f"},
      {"blank before '='", "@PJL INFO CONFIG\r\nKEY = VALUE\r\n\f"},
      {"stray word after category", "@PJL INFO CONFIG EXTRA\r\nA=B\r\n\f"},
      {"closing bracket as key", "@PJL INFO CONFIG\r\n]\r\n\f"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PJL_TOKENIZER t;
    PatTokInitN(&t, c.text.data(), c.text.size());
    bool error = false;
    for (int i = 0; i < 100 && !error; ++i) {
      char buf[PJL_TOKEN_CAPACITY];
      DWORD kind = 0;
      error = PatReadToken(&t, buf, sizeof buf, &kind) == PJL_RESULT_INVALID;
      if (kind == PJL_TOK_END) break;
    }
    EXPECT_TRUE(error);
    EXPECT_EQ(t.state, 1u);
  }
  // Any text at all comes to its end in a bounded number of tokens.
  std::string noise;
  const std::string alphabet = "@PJL X Y[1 [=:]\t\f\n\"\r ";
  for (size_t i = 0; i < 2000; ++i) noise += alphabet[(i * 7 + i / 5) % alphabet.size()];
  auto toks = ReadAll(noise, PJL_TOKEN_CAPACITY, 100000);
  EXPECT_EQ(toks.back().kind, 255u);
}

TEST(PjlTokenizer, StopsAtTheGivenLength) {
  // No NUL inside the given bytes: the text ends where the length says.
  const char bytes[] = {'@', 'P', 'J', 'L', ' ', 'I', 'N', 'F', 'O', ' ', 'C', 'O', 'N', 'F', 'I', 'G'};
  PJL_TOKENIZER t;
  PatTokInitN(&t, bytes, 10);
  char buf[PJL_TOKEN_CAPACITY];
  DWORD kind = 0;
  EXPECT_EQ(PatReadToken(&t, buf, sizeof buf, &kind), 0u);
  EXPECT_EQ(PatReadToken(&t, buf, sizeof buf, &kind), 0u);
  EXPECT_EQ(std::string(buf), "INFO");
  EXPECT_EQ(PatReadToken(&t, buf, sizeof buf, &kind), 13u);
  EXPECT_EQ(kind, 255u);
  EXPECT_EQ(t.cursor, bytes + 10);
}

}  // namespace
