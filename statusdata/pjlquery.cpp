// The PJL queries handed to the monitor and the checks that a reply answers its query.
#include "statusdata/pjlreply.h"

#include <cstring>

#include "kvplat/error.h"

namespace {

constexpr char kUel[] = "\33%-12345X";
constexpr char kQueryHead[] = "\33%-12345X@PJL\r\n";
constexpr char kInfoConfig[] = "@PJL INFO CONFIG\r\n";
constexpr char kInfoOutBins[] = "@PJL INFO OUTBINSTATUS\r\n";
constexpr char kEmulQuery[] = "\33%-12345X@PJL\r\n@PJL INFO ZARN\r\n\33%-12345X";

struct TrayInquiryRow {
  WORD tray;
  bool optional;
  const char* text;
};

constexpr TrayInquiryRow kTrayInquiries[] = {
    {TRAY_ROLL1, false,
     "@PJL INQUIRE INTRAY1SIZE\r\n@PJL INQUIRE INTRAY1QUANT\r\n@PJL INQUIRE INTRAY1MEDIA\r\n@PJL INQUIRE INTRAY1\r\n"},
    {TRAY_ROLL2, false,
     "@PJL INQUIRE INTRAY2SIZE\r\n@PJL INQUIRE INTRAY2QUANT\r\n@PJL INQUIRE INTRAY2MEDIA\r\n@PJL INQUIRE INTRAY2\r\n"},
    {TRAY_CUT_PAPER, true,
     "@PJL INQUIRE INTRAY3SIZE\r\n@PJL INQUIRE INTRAY3QUANT\r\n@PJL INQUIRE INTRAY3MEDIA\r\n@PJL INQUIRE INTRAY3\r\n"},
    {TRAY_BYPASS, false, "@PJL INQUIRE INTRAYMSIZE\r\n@PJL INQUIRE INTRAYMMEDIA\r\n@PJL INQUIRE INTRAYMULTI\r\n"},
};

bool Append(DYN_BUFFER* text, const char* s) { return DynBufWrite(text, s, DWORD(std::strlen(s))) != 0; }

// The NUL-terminated text of a node (the data may lack the NUL; the tokenizer is bounded anyway).
const char* NodeText(INFO_NODE* node) { return reinterpret_cast<const char*>(InfoNodeBytes(node)); }

}  // namespace

DWORD PatBuildQueryText(PRN_INFO_EX* request, DWORD flags, INFO_NODE* root) {
  if (!PatIsUsableRecord(request) || !root) return ERROR_INVALID_PARAMETER;
  if (flags & (PAT_QUERY_DEVICE_ID_A | PAT_QUERY_DEVICE_ID_B | PAT_QUERY_DEVICE_ID_C)) {
    if (!InfoNodeCreate(root, INFO_ID_DEVICE_ID, nullptr, 0)) return ERROR_NOT_ENOUGH_MEMORY;
  }
  // The text grows as needed: a tray list that repeats codes must neither overflow nor be cut.
  DYN_BUFFER* text = DynBufCreate(1024, 1);
  if (!text) return ERROR_NOT_ENOUGH_MEMORY;
  bool ok = Append(text, kQueryHead);
  bool asked = false;
  if (ok && (flags & (PAT_QUERY_CONFIG_A | PAT_QUERY_CONFIG_B | PAT_QUERY_CONFIG_C))) {
    ok = Append(text, kInfoConfig);
    asked = true;
  }
  if (ok && (flags & PAT_QUERY_TRAYS)) {
    // A list of trays that holds no tray this model can be asked about asks nothing.
    if (request->pTrayInfo) {
      for (LIST_NODE* n = request->pTrayInfo; n && ok; n = n->next)
        for (const auto& row : kTrayInquiries)
          if (ok && row.tray == PatListNodeCode(n)) {
            ok = Append(text, row.text);
            asked = true;
          }
    } else {
      for (const auto& row : kTrayInquiries)
        if (ok && !row.optional) ok = Append(text, row.text);
      asked = true;
    }
  }
  if (ok && (flags & PAT_QUERY_OUTBINS)) {
    ok = Append(text, kInfoOutBins);
    asked = true;
  }
  DWORD result = 0;
  if (!ok) {
    result = ERROR_NOT_ENOUGH_MEMORY;
  } else if (asked) {
    static const char kNul = 0;
    if (!Append(text, kUel) || !DynBufWrite(text, &kNul, 1) ||
        !InfoNodeCreate(root, INFO_ID_PJL_TEXT, text->data, DynBufLength(text)))
      result = ERROR_NOT_ENOUGH_MEMORY;
  }
  DynBufFree(text);
  return result;
}

DWORD PatBuildEmulQuery(DWORD emulationId, INFO_NODE* root) {
  if (LOWORD(emulationId) != EMULATION_ZARN || !root) return ERROR_INVALID_PARAMETER;
  if (!InfoNodeCreate(root, INFO_ID_PJL_TEXT, kEmulQuery, sizeof kEmulQuery)) return ERROR_NOT_ENOUGH_MEMORY;
  return 0;
}

DWORD PatCheckReplyAnswers(const char* query, size_t queryLength, const char* reply, size_t replyLength) {
  constexpr DWORD kCap = 100;
  PJL_TOKENIZER q;
  PatTokInitN(&q, query, queryLength);
  char category[kCap];
  for (;;) {
    DWORD kind = 0;
    DWORD r = PatReadToken(&q, category, kCap, &kind);
    if (r) return r;
    if (kind == PJL_TOK_END) return 0;
    if (kind != PJL_TOK_CATEGORY) continue;
    // Find this category in the reply, then the form feed that closes its block.
    PJL_TOKENIZER t;
    PatTokInitN(&t, reply, replyLength);
    char token[kCap];
    bool found = false;
    for (;;) {
      DWORD k = 0;
      if (PatReadToken(&t, token, kCap, &k) || k == PJL_TOK_END) return PAT_ERROR_NOT_ANSWERED;
      if (!found) {
        found = k == PJL_TOK_CATEGORY && std::strcmp(token, category) == 0;
      } else if (k == PJL_TOK_FORM_FEED) {
        break;
      }
    }
  }
}

DWORD PatValidateReply(INFO_NODE* root) {
  if (!root || (root->id != INFO_ID_REPLY && root->id != INFO_ID_EMUL_REPLY)) return ERROR_INVALID_PARAMETER;
  INFO_NODE* children = InfoNodeFirstChild(root);
  INFO_NODE* query = InfoNodeFind(children, INFO_ID_QUERY);
  if (!query) return 0;
  INFO_NODE* queryChildren = InfoNodeFirstChild(query);
  if (InfoNodeFind(queryChildren, INFO_ID_DEVICE_ID)) {
    INFO_NODE* id = InfoNodeFind(children, INFO_ID_DEVICE_ID);
    if (!id || id->dataLength == 0) return PAT_ERROR_NOT_ANSWERED;
  }
  INFO_NODE* queryText = InfoNodeFind(queryChildren, INFO_ID_PJL_TEXT);
  if (!queryText) return 0;
  INFO_NODE* replyText = InfoNodeFind(children, INFO_ID_PJL_TEXT);
  if (!replyText || replyText->dataLength == 0) return PAT_ERROR_NOT_ANSWERED;
  return PatCheckReplyAnswers(NodeText(queryText), queryText->dataLength, NodeText(replyText),
                              replyText->dataLength);
}

DWORD PatParseInfoReply(const REPLY_HANDLER_ROW* modelTable, INFO_NODE* root, PRN_INFO_EX* record) {
  DWORD r = PatValidateReply(root);
  if (r) return r;
  if (!PatIsUsableRecord(record)) return ERROR_INVALID_PARAMETER;
  if (root->id == INFO_ID_EMUL_REPLY) {
    DWORD emulation = 0;
    if (!InfoNodeReadData(root, &emulation, sizeof emulation) || emulation != EMULATION_ZARN)
      return ERROR_INVALID_PARAMETER;
  }
  for (INFO_NODE* child = InfoNodeFirstChild(root); child; child = child->nextSibling) {
    if (child->id == INFO_ID_PJL_TEXT) {
      if (child->dataLength == 0) return ERROR_INVALID_PARAMETER;
      // A reply that breaks the grammar, or that a handler refuses, is an error, not a success
      // with a half-filled record.
      r = PatParseConfigText(record, modelTable, NodeText(child), child->dataLength);
      if (r) return r;
    } else if (child->id == INFO_ID_DEVICE_ID) {
      if (child->dataLength == 0) return ERROR_INVALID_PARAMETER;
      r = PatParseDeviceId(NodeText(child), child->dataLength, record);
      if (r) return r;
    }
  }
  return 0;
}
