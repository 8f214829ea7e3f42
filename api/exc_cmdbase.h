// The exclusion interface: the exclusion handle and the command base behind the Exc exports. The
// command base translates between "@PJL SET" text and the settings of a handle's context through the
// PJL command and value tables, lets the constraint engine react, writes the settings back as SET lines
// and compares them with the caller's text (the change list and the rebuilt base).
#pragma once
#include <cstdint>

#include "driverdata/img_image.h"
#include "kvdrvexc.h"
#include "kvplat/types.h"
#include "settings/model_tables.h"

struct SETTING_CONTEXT;

// Positions 1-722 stand for the setting of the same id; 723 and 724 belong to the handle alone.
constexpr DWORD EXC_POSITIONS = 724;
constexpr DWORD EXC_LAST_SETTING_POSITION = 722;
// Names and values of a SET line are held in buffers of this size: 271 characters at most.
constexpr int PJL_TOKEN_BYTES = 272;
// Stamps a watermark list looks at: the driver INI's stamp numbers below this.
constexpr int EXC_MAX_STAMPS = 256;

// The exclusion handle. Every owned pointer is nulled where it is freed, so no path frees it twice.
struct EXC_HANDLE_TAG {
  SETTING_CONTEXT* ctx;
  HANDLE printer;
  DWORD positions;   // EXC_POSITIONS
  BYTE* setFlags;    // position p is set when setFlags[p-1] != 0
  int32_t* values;   // value of position p at values[p-1]
  DWORD baseLength;  // bytes of the base text with its NUL; 0 without a base
  char* baseText;
  DWORD changeLength;  // bytes of the change list with its NUL; 0 without a list
  char* changeText;
  WCHAR printerName[261];
};

// ---- Growable text ----------------------------------------------------------------------------------

// capacity and length in bytes; the text is zero-filled past its length (a NUL always follows it).
struct PJL_TEXT_BUF {
  DWORD capacity;
  DWORD length;
  char* text;
};
constexpr DWORD PJL_TEXT_STEP = 4096;

// 0, or -1 when memory is short (the buffer is then empty and owns nothing).
int CmdBufInit(PJL_TEXT_BUF* buf);
// Grows in 4096-byte steps until `bytes` more (and the NUL after them) fit; 0, or -1 (text kept).
int CmdBufReserve(PJL_TEXT_BUF* buf, DWORD bytes);
// Appends a string (its NUL follows, uncounted) / one byte (counted, also a NUL). 0 or -1.
int CmdBufAppend(PJL_TEXT_BUF* buf, const char* text);
int CmdBufAppendChar(PJL_TEXT_BUF* buf, char c);
// Cuts the text back to `length` bytes, zeroing what was after it.
void CmdBufTruncate(PJL_TEXT_BUF* buf, DWORD length);
void CmdBufFree(PJL_TEXT_BUF* buf);

// A buffer that frees itself.
class PjlText {
 public:
  PjlText() { ok_ = CmdBufInit(&buf_) == 0; }
  ~PjlText() { CmdBufFree(&buf_); }
  PjlText(const PjlText&) = delete;
  PjlText& operator=(const PjlText&) = delete;
  bool ok() const { return ok_; }
  PJL_TEXT_BUF* get() { return &buf_; }
  const char* text() const { return buf_.text ? buf_.text : ""; }
  DWORD length() const { return buf_.length; }

 private:
  PJL_TEXT_BUF buf_{};
  bool ok_ = false;
};

// ---- SET lines ----------------------------------------------------------------------------------------

// Parses the first line of `text` into name and value (PJL_TOKEN_BYTES each). The bytes of the line
// including its CR LF; 0 when the text is empty or only blanks (or an argument is NULL); -1 on a syntax
// error, also for a name or value longer than 271 characters. Outputs are valid only after a result > 0.
int CmdParseSetLine(const char* text, char* name, char* value);
// The offset of the first line setting `name`, value := its value (PJL_TOKEN_BYTES), or "" when no line
// sets it; the walk stops at the first line that does not parse. `found` (or NULL) tells which.
int CmdFindSetValue(const char* text, const char* name, char* value, bool* found = nullptr);
// Appends "@PJL SET " name " = " value " \r\n". 0 or -1.
int CmdWriteSetLine(PJL_TEXT_BUF* buf, const char* name, const char* value);

// ---- Rows and positions ------------------------------------------------------------------------------

// The first command row of that PJL name when its use bits share a bit with `use`; else NULL.
const PJL_COMMAND_ROW* CmdFindRow(EXC_HANDLE h, const char* name, uint64_t use);
const PJL_COMMAND_ROW* CmdFindRowById(DWORD settingId, uint64_t use, SETTING_CONTEXT* ctx);
// The alias of a position (61 -> 119), 0 for every other position.
DWORD CmdAliasPosition(DWORD position);
int CmdSetPosition(EXC_HANDLE h, DWORD position, int32_t value);
int CmdPositionDiffers(EXC_HANDLE h, DWORD position, int32_t value);
void CmdSetPositionValue(EXC_HANDLE h, DWORD position, int32_t value, int update);
void CmdRefreshPositions(EXC_HANDLE h);
int CmdIsAvailable(EXC_HANDLE h, const PJL_COMMAND_ROW* row);
int CmdCheckRequired(EXC_HANDLE h);
const PJL_VALUE_TABLE* CmdValueTable(const PJL_COMMAND_ROW* row);

// ---- Image features ------------------------------------------------------------------------------------

IMG_REF CmdFindImageNode(SETTING_CONTEXT* ctx, DWORD settingId, DWORD variant);
// The feature's command texts before and after the value; NULL when it has none.
const char* CmdImageCommandText(IMG_REF feature, int second);
// The text of a value of an image feature by value kind (1 list, 4 on/off, 8 number, 16 text: the
// setting's current text in double quotes). The bytes the text needs with its NUL, 0 when there is no
// text; written into `buffer` only when it fits in `room`.
DWORD CmdFormatImageValue(SETTING_CONTEXT* ctx, IMG_REF feature, DWORD settingId, int64_t value, uint64_t kind,
                          DWORD room, char* buffer);
// The same appended to a text: 1 appended, 0 no text, -1 no memory.
int CmdAppendImageValue(PJL_TEXT_BUF* buf, SETTING_CONTEXT* ctx, IMG_REF feature, DWORD settingId, int64_t value,
                        uint64_t kind);
// The number a value text stands for, scaled back into the feature's unit.
int32_t CmdParseImageNumber(SETTING_CONTEXT* ctx, IMG_REF feature, const char* text);
void CmdRunSettingActions(SETTING_CONTEXT* ctx, DWORD settingId);

// ---- Values, current text, builds ---------------------------------------------------------------------

// The value row whose text stands for `value` (assignments checked against the handle when given).
const PJL_VALUE_ROW* CmdValueRow(EXC_HANDLE h, const PJL_COMMAND_ROW* row, int64_t value);
const PJL_VALUE_ROW* CmdFindValueRow(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, const char* text);
int CmdApplyValue(EXC_HANDLE h, const PJL_COMMAND_ROW* row, const char* name, const char* text, int update);
// The SET lines of every set command in position order, ended by a counted NUL. 0, or -1.
int CmdEmitCurrent(PJL_TEXT_BUF* buf, EXC_HANDLE h);
int CmdMergeChanged(PJL_TEXT_BUF* buf, const char* base, const char* current, const char* changed);
int CmdMergeBase(PJL_TEXT_BUF* buf, EXC_HANDLE h, const char* base, const char* current, const char* changed);
// Refresh, current text, change list and rebuilt base: 1 change list stored, 0 none, -1 no memory.
int CmdBuildBase(EXC_HANDLE h, const char* changed);
void CmdClearChanges(EXC_HANDLE h);
void CmdFreeBase(EXC_HANDLE h);

// ---- Lists and trials -----------------------------------------------------------------------------------

int CmdIsValueAdmissible(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, const PJL_VALUE_ROW* vrow);
// 1 when choosing the value now would change no other command of the base; the handle (every setting,
// position and value) is as it was afterwards.
int CmdTryValue(EXC_HANDLE h, const PJL_COMMAND_ROW* row, const PJL_VALUE_ROW* vrow);
// The value the settings keep for `number` after a refresh; the settings are as they were afterwards.
int32_t CmdProbeNumber(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, int32_t number);
int CmdListValues(EXC_HANDLE h, const PJL_COMMAND_ROW* row, int onlyAvailable, PJL_TEXT_BUF* buf);
int CmdListNumberRange(EXC_HANDLE h, const PJL_COMMAND_ROW* row, int onlyAvailable, PJL_TEXT_BUF* buf);
// 1 buffer too small (nothing written), else 0; needed := bytes with the NUL, 0 without a text.
int CmdGetPrinterValue(SETTING_CONTEXT* ctx, const PJL_COMMAND_ROW* row, int32_t size, char* buffer,
                       int32_t* needed);

// ---- Handle ------------------------------------------------------------------------------------------

// Whether the pointer is a live handle of this library.
bool ExcIsLiveHandle(EXC_HANDLE h);
int CmdOpenContext(EXC_HANDLE h, int mayQuery);
int CmdResetHandle(EXC_HANDLE h, int reopen);
// One watermark's SET lines (rows of `kind` and of both kinds) ended by a NUL that stays in the text.
int CmdListWatermarks(PJL_TEXT_BUF* buf, SETTING_CONTEXT* ctx, int kind);
