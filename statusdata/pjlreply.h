// PJL queries to the printer, the checks and the table-driven parser of its replies, and the parser
// of the device-identification string.
#pragma once
#include <cstddef>

#include "kvplat/types.h"
#include "statusdata/infonode.h"
#include "statusdata/pjltoken.h"
#include "statusdata/prninfo.h"

// Result codes of this area (besides 0, 8, 13 and 87).
constexpr DWORD PAT_ERROR_NOT_ANSWERED = 0x20000002;  // the reply does not answer its query

// Query flags.
enum : DWORD {
  PAT_QUERY_DEVICE_ID_A = 0x2,
  PAT_QUERY_CONFIG_A = 0x4,
  PAT_QUERY_TRAYS = 0x8,
  PAT_QUERY_OUTBINS = 0x10,
  PAT_QUERY_CONFIG_B = 0x100,
  PAT_QUERY_DEVICE_ID_B = 0x400,
  PAT_QUERY_CONFIG_C = 0x20000,
  PAT_QUERY_DEVICE_ID_C = 0x80000,
};

// A reply handler: reads further tokens itself when it needs them; 0 or an error code.
typedef DWORD (*PAT_REPLY_HANDLER)(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);

// One dispatch row: the five level texts (command, category, line key, indented key, indented
// value; "" for an empty level), the handler and its value. A row with a null handler ends a table.
struct REPLY_HANDLER_ROW {
  const char* levels[5];
  PAT_REPLY_HANDLER handler;
  DWORD value;
};

// The model's dispatch table (handed to PatParseInfoReply by the export layer) and the common one.
extern const REPLY_HANDLER_ROW g_PatModelReplyTable[];
extern const REPLY_HANDLER_ROW g_PatCommonReplyTable[];

// Value tables of the replies.
extern const PAT_NAME_ROW g_PatPaperSizeNames[];
extern const PAT_NAME_ROW g_PatMediaNames[];
extern const PAT_NAME_ROW g_PatTrayQuantityNames[];
extern const PAT_NAME_ROW g_PatVersionNames[];
extern const PAT_NAME_ROW g_PatMemoryUsageNames[];
extern const PAT_NAME_ROW g_PatImageRotationNames[];
extern const PAT_NAME_ROW g_PatModelNames[];
extern const PAT_NAME_ROW g_PatCommandSetNames[];

// PatBuildQueryText: adds the device-identification request and the PJL query text for `flags` to
// the query root. 0; 87 when the request record is below 404 bytes; 8 when memory runs out.
DWORD PatBuildQueryText(PRN_INFO_EX* request, DWORD flags, INFO_NODE* root);
// PatBuildEmulQuery: the emulation-unique query; 87 unless the id's low 16 bits are 15; 8 on memory.
DWORD PatBuildEmulQuery(DWORD emulationId, INFO_NODE* root);

// PatParseInfoReply: checks the reply against its query and fills the record from the PJL text and
// the device-identification text; 0 or the first error (87, 0x20000002, 13, 8).
DWORD PatParseInfoReply(const REPLY_HANDLER_ROW* modelTable, INFO_NODE* root, PRN_INFO_EX* record);
// PatValidateReply: 0, 87 (not a reply root) or 0x20000002 (does not answer its query), or 13.
DWORD PatValidateReply(INFO_NODE* root);
// PatCheckReplyAnswers: every category asked for is answered by a complete reply block.
DWORD PatCheckReplyAnswers(const char* query, size_t queryLength, const char* reply, size_t replyLength);
// PatParseConfigText: walks the reply text and dispatches to the handler rows; 0 or the first error
// of the tokenizer or of a handler.
DWORD PatParseConfigText(PRN_INFO_EX* record, const REPLY_HANDLER_ROW* modelTable, const char* text,
                         size_t length);
// PatFindHandlerRow: the first row from `row` on whose five keys equal the levels (with its value).
const REPLY_HANDLER_ROW* PatFindHandlerRow(const REPLY_HANDLER_ROW* row, const char* const levels[5],
                                           DWORD* value);
// PatGetOrAddTray: the tray node with the code, appended when there is none; null on memory.
TRAY_NODE* PatGetOrAddTray(PRN_INFO_EX* record, WORD trayCode);

// Handlers.
DWORD PatOnZarnInfo(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnConfig(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnConfigVersion(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnConfigInTrays(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnConfigMemory(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnConfigPunch(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnOutBinStatus(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnOutBin(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnDeviceOption(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnTrayPresent(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnTrayLock(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnTraySize(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnTrayMedia(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);
DWORD PatOnTrayQuantity(PJL_TOKENIZER* tokenizer, PRN_INFO_EX* record, DWORD value);

// PatParseDeviceId: fills the record from a "KEY:value;" device-identification text of at most
// `length` bytes (it ends at an earlier NUL); 0 or 8.
DWORD PatParseDeviceId(const char* text, size_t length, PRN_INFO_EX* record);
// PatSplitField: copies the field at `source` (up to a delimiter or `end`) into at most capacity - 1
// characters, terminates it and returns the position after the delimiter (or `end`). Characters
// beyond the capacity are passed over, not left for the next field.
const char* PatSplitField(const char* source, const char* end, char* destination, size_t capacity,
                          const char* delimiters);
// PatDecimal: a signed decimal number with leading blanks; stops at the first non-digit; 0 without
// digits; saturates instead of overflowing.
LONGLONG PatDecimal(const char* text);
