// kvrc: the resource compiler. Turns a resource script into a C++ source that holds the module's
// resource directory (see platform/src/resource/res_format.h) as one exported byte array.
//
//   kvrc SCRIPT -o OUT.cpp [--depfile OUT.d] [-D NAME=VALUE]...
//
// The script (UTF-8 text):
//
//   // comment   /* comment */
//   #define NAME expression           a symbol for ids, styles, languages
//   #include "ids.h"                  reads the #define lines of a header (other lines are passed over)
//   #include "more.rc"                a file named .rc is a script: all its statements are compiled here
//   LANGUAGE primary, sub             language of the resources that follow (default 0, neutral)
//
//   STRINGTABLE [LANGUAGE p, s]
//   BEGIN
//     id, "text"                      the comma is optional; "" is a quote, and \n \t \r \\ \" \0 \xHH
//   END                               escapes are understood; L"..." is the same text
//
//   id DIALOG   x, y, cx, cy          classic template (DLGTEMPLATE / DLGITEMTEMPLATE)
//   id DIALOGEX x, y, cx, cy [, help] extended template (DLGTEMPLATEEX / DLGITEMTEMPLATEEX)
//   [STYLE expr] [EXSTYLE expr] [CAPTION "text"] [CLASS "name"|id] [MENU name|id]
//   [FONT size, "face" [, weight, italic, charset]] [LANGUAGE p, s]
//   BEGIN
//     CONTROL "text"|id, id, "class"|BUTTON|EDIT|STATIC|LISTBOX|SCROLLBAR|COMBOBOX, style, x, y, cx, cy
//             [, exstyle [, help]]
//     LTEXT|RTEXT|CTEXT|PUSHBUTTON|DEFPUSHBUTTON|CHECKBOX|AUTOCHECKBOX|RADIOBUTTON|AUTORADIOBUTTON|
//     STATE3|AUTO3STATE|GROUPBOX "text", id, x, y, cx, cy [, style [, exstyle [, help]]]
//     EDITTEXT|COMBOBOX|LISTBOX|SCROLLBAR id, x, y, cx, cy [, style [, exstyle [, help]]]
//     ICON "name"|id, id, x, y [, cx, cy [, style [, exstyle]]]
//   END
//   A dialog's style is WS_POPUP | WS_BORDER | WS_SYSMENU unless STYLE replaces it; CAPTION adds
//   WS_CAPTION to that default, FONT adds DS_SETFONT. A control's style is added to its kind's default
//   (LTEXT: WS_CHILD | WS_VISIBLE | WS_GROUP, PUSHBUTTON: ... | WS_TABSTOP, EDITTEXT: ... | WS_BORDER, ...).
//   Style expressions combine names and numbers with | + - ( ) ~; "NOT X" takes the bits of X away,
//   also from the control's default style.
//
//   id BITMAP "picture.bmp"           a BMP file beside the script, stored as a packed DIB
//   id BITMAP                         or drawn in the script: one character per pixel, each naming a
//   BEGIN                             colour of the palette by position (0-9, A-Z, a-z); an 8-bit DIB
//     PALETTE 0xRRGGBB, ...
//     "0120"
//     "1111"
//   END
//   id ICON "file.ico" | BEGIN PALETTE ...; rows END        an icon group; '.' is a transparent pixel
//   id CURSOR "file.cur" | BEGIN HOTSPOT x, y  PALETTE ...; rows END
//   id RCDATA "file" | BEGIN items END                       items: numbers (16-bit; with an L suffix
//   id TYPE "file"   | BEGIN items END                       32-bit), "bytes", L"UTF-16 text"
//   id VERSIONINFO
//   FILEVERSION a, b, c, d   PRODUCTVERSION a, b, c, d   FILEFLAGSMASK e   FILEFLAGS e
//   FILEOS e   FILETYPE e   FILESUBTYPE e
//   BEGIN
//     BLOCK "StringFileInfo" BEGIN BLOCK "040904B0" BEGIN VALUE "FileVersion", "1.0.4.0" END END
//     BLOCK "VarFileInfo" BEGIN VALUE "Translation", 0x409, 1200 END
//   END
//
// A name that is not a number or a defined symbol names the resource by text (compared without case).
// BEGIN/END may be written { and }. Every error names the file and line and fails the build.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "res_format.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using U16 = std::u16string;

[[noreturn]] void Die(const std::string& where, const std::string& msg) {
  std::fprintf(stderr, "%s: error: %s\n", where.c_str(), msg.c_str());
  std::exit(1);
}

// ---- text ----------------------------------------------------------------------------------------------

U16 FromUtf8(const std::string& s, const std::string& where) {
  U16 out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = s[i];
    uint32_t cp;
    int n;
    if (c < 0x80) cp = c, n = 1;
    else if ((c & 0xE0) == 0xC0) cp = c & 0x1F, n = 2;
    else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, n = 3;
    else if ((c & 0xF8) == 0xF0) cp = c & 0x07, n = 4;
    else Die(where, "text is not UTF-8");
    if (i + n > s.size()) Die(where, "text is not UTF-8");
    for (int k = 1; k < n; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) Die(where, "text is not UTF-8");
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
  }
  return out;
}

char16_t Upper(char16_t c) {
  if (c >= u'a' && c <= u'z') return char16_t(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 32);
  return c;
}

// ---- output helpers ------------------------------------------------------------------------------------

void Put16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void PutStr(Bytes& b, const U16& s) {
  for (char16_t c : s) Put16(b, c);
  Put16(b, 0);
}
void Align(Bytes& b, size_t a) {
  while (b.size() % a) b.push_back(0);
}
void Set16(Bytes& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}

// ---- constants the scripts may use ---------------------------------------------------------------------

const std::map<std::string, int64_t>& Predefined() {
  static const std::map<std::string, int64_t> m = {
      // window styles
      {"WS_OVERLAPPED", 0}, {"WS_POPUP", 0x80000000LL}, {"WS_CHILD", 0x40000000}, {"WS_MINIMIZE", 0x20000000},
      {"WS_VISIBLE", 0x10000000}, {"WS_DISABLED", 0x08000000}, {"WS_CLIPSIBLINGS", 0x04000000},
      {"WS_CLIPCHILDREN", 0x02000000}, {"WS_MAXIMIZE", 0x01000000}, {"WS_CAPTION", 0x00C00000},
      {"WS_BORDER", 0x00800000}, {"WS_DLGFRAME", 0x00400000}, {"WS_VSCROLL", 0x00200000},
      {"WS_HSCROLL", 0x00100000}, {"WS_SYSMENU", 0x00080000}, {"WS_THICKFRAME", 0x00040000},
      {"WS_GROUP", 0x00020000}, {"WS_TABSTOP", 0x00010000}, {"WS_MINIMIZEBOX", 0x00020000},
      {"WS_MAXIMIZEBOX", 0x00010000},
      {"WS_EX_DLGMODALFRAME", 0x1}, {"WS_EX_NOPARENTNOTIFY", 0x4}, {"WS_EX_TOPMOST", 0x8},
      {"WS_EX_ACCEPTFILES", 0x10}, {"WS_EX_TRANSPARENT", 0x20}, {"WS_EX_TOOLWINDOW", 0x80},
      {"WS_EX_WINDOWEDGE", 0x100}, {"WS_EX_CLIENTEDGE", 0x200}, {"WS_EX_CONTEXTHELP", 0x400},
      {"WS_EX_RIGHT", 0x1000}, {"WS_EX_CONTROLPARENT", 0x10000}, {"WS_EX_STATICEDGE", 0x20000},
      // dialog styles
      {"DS_ABSALIGN", 0x1}, {"DS_SYSMODAL", 0x2}, {"DS_3DLOOK", 0x4}, {"DS_FIXEDSYS", 0x8},
      {"DS_NOFAILCREATE", 0x10}, {"DS_LOCALEDIT", 0x20}, {"DS_SETFONT", 0x40}, {"DS_MODALFRAME", 0x80},
      {"DS_NOIDLEMSG", 0x100}, {"DS_SETFOREGROUND", 0x200}, {"DS_CONTROL", 0x400}, {"DS_CENTER", 0x800},
      {"DS_CENTERMOUSE", 0x1000}, {"DS_CONTEXTHELP", 0x2000}, {"DS_SHELLFONT", 0x48},
      // buttons
      {"BS_PUSHBUTTON", 0}, {"BS_DEFPUSHBUTTON", 1}, {"BS_CHECKBOX", 2}, {"BS_AUTOCHECKBOX", 3},
      {"BS_RADIOBUTTON", 4}, {"BS_3STATE", 5}, {"BS_AUTO3STATE", 6}, {"BS_GROUPBOX", 7}, {"BS_USERBUTTON", 8},
      {"BS_AUTORADIOBUTTON", 9}, {"BS_OWNERDRAW", 0xB}, {"BS_LEFTTEXT", 0x20}, {"BS_TEXT", 0}, {"BS_ICON", 0x40},
      {"BS_BITMAP", 0x80}, {"BS_LEFT", 0x100}, {"BS_RIGHT", 0x200}, {"BS_CENTER", 0x300}, {"BS_TOP", 0x400},
      {"BS_BOTTOM", 0x800}, {"BS_VCENTER", 0xC00}, {"BS_PUSHLIKE", 0x1000}, {"BS_MULTILINE", 0x2000},
      {"BS_NOTIFY", 0x4000}, {"BS_FLAT", 0x8000},
      // edits
      {"ES_LEFT", 0}, {"ES_CENTER", 1}, {"ES_RIGHT", 2}, {"ES_MULTILINE", 4}, {"ES_UPPERCASE", 8},
      {"ES_LOWERCASE", 0x10}, {"ES_PASSWORD", 0x20}, {"ES_AUTOVSCROLL", 0x40}, {"ES_AUTOHSCROLL", 0x80},
      {"ES_NOHIDESEL", 0x100}, {"ES_OEMCONVERT", 0x400}, {"ES_READONLY", 0x800}, {"ES_WANTRETURN", 0x1000},
      {"ES_NUMBER", 0x2000},
      // statics
      {"SS_LEFT", 0}, {"SS_CENTER", 1}, {"SS_RIGHT", 2}, {"SS_ICON", 3}, {"SS_BLACKRECT", 4}, {"SS_GRAYRECT", 5},
      {"SS_WHITERECT", 6}, {"SS_BLACKFRAME", 7}, {"SS_GRAYFRAME", 8}, {"SS_WHITEFRAME", 9}, {"SS_SIMPLE", 0xB},
      {"SS_LEFTNOWORDWRAP", 0xC}, {"SS_OWNERDRAW", 0xD}, {"SS_BITMAP", 0xE}, {"SS_ETCHEDHORZ", 0x10},
      {"SS_ETCHEDVERT", 0x11}, {"SS_ETCHEDFRAME", 0x12}, {"SS_NOPREFIX", 0x80}, {"SS_NOTIFY", 0x100},
      {"SS_CENTERIMAGE", 0x200}, {"SS_RIGHTJUST", 0x400}, {"SS_SUNKEN", 0x1000}, {"SS_ENDELLIPSIS", 0x4000},
      {"SS_PATHELLIPSIS", 0x8000}, {"SS_WORDELLIPSIS", 0xC000},
      // combo and list boxes, scroll bars
      {"CBS_SIMPLE", 1}, {"CBS_DROPDOWN", 2}, {"CBS_DROPDOWNLIST", 3}, {"CBS_OWNERDRAWFIXED", 0x10},
      {"CBS_OWNERDRAWVARIABLE", 0x20}, {"CBS_AUTOHSCROLL", 0x40}, {"CBS_OEMCONVERT", 0x80}, {"CBS_SORT", 0x100},
      {"CBS_HASSTRINGS", 0x200}, {"CBS_NOINTEGRALHEIGHT", 0x400}, {"CBS_DISABLENOSCROLL", 0x800},
      {"LBS_NOTIFY", 1}, {"LBS_SORT", 2}, {"LBS_NOREDRAW", 4}, {"LBS_MULTIPLESEL", 8},
      {"LBS_OWNERDRAWFIXED", 0x10}, {"LBS_OWNERDRAWVARIABLE", 0x20}, {"LBS_HASSTRINGS", 0x40},
      {"LBS_USETABSTOPS", 0x80}, {"LBS_NOINTEGRALHEIGHT", 0x100}, {"LBS_MULTICOLUMN", 0x200},
      {"LBS_WANTKEYBOARDINPUT", 0x400}, {"LBS_EXTENDEDSEL", 0x800}, {"LBS_DISABLENOSCROLL", 0x1000},
      {"LBS_NODATA", 0x2000}, {"LBS_NOSEL", 0x4000}, {"LBS_STANDARD", 0xA00003},
      {"SBS_HORZ", 0}, {"SBS_VERT", 1},
      // common controls
      {"TVS_HASBUTTONS", 1}, {"TVS_HASLINES", 2}, {"TVS_LINESATROOT", 4}, {"TVS_EDITLABELS", 8},
      {"TVS_DISABLEDRAGDROP", 0x10}, {"TVS_SHOWSELALWAYS", 0x20}, {"TVS_CHECKBOXES", 0x100},
      {"LVS_ICON", 0}, {"LVS_REPORT", 1}, {"LVS_SMALLICON", 2}, {"LVS_LIST", 3}, {"LVS_SINGLESEL", 4},
      {"LVS_SHOWSELALWAYS", 8}, {"LVS_NOCOLUMNHEADER", 0x4000}, {"LVS_NOSORTHEADER", 0x8000},
      {"TBS_AUTOTICKS", 1}, {"TBS_VERT", 2}, {"TBS_HORZ", 0}, {"TBS_BOTH", 8}, {"TBS_NOTICKS", 0x10},
      {"UDS_WRAP", 1}, {"UDS_SETBUDDYINT", 2}, {"UDS_ALIGNRIGHT", 4}, {"UDS_ALIGNLEFT", 8},
      {"UDS_AUTOBUDDY", 0x10}, {"UDS_ARROWKEYS", 0x20}, {"UDS_HORZ", 0x40}, {"UDS_NOTHOUSANDS", 0x80},
      {"TCS_TABS", 0}, {"TCS_MULTILINE", 0x200},
      // dialog ids
      {"IDOK", 1}, {"IDCANCEL", 2}, {"IDABORT", 3}, {"IDRETRY", 4}, {"IDIGNORE", 5}, {"IDYES", 6}, {"IDNO", 7},
      {"IDCLOSE", 8}, {"IDHELP", 9}, {"IDC_STATIC", -1},
      // version block
      {"VS_FF_DEBUG", 1}, {"VS_FF_PRERELEASE", 2}, {"VS_FF_PATCHED", 4}, {"VS_FF_PRIVATEBUILD", 8},
      {"VS_FF_INFOINFERRED", 0x10}, {"VS_FF_SPECIALBUILD", 0x20}, {"VS_FFI_FILEFLAGSMASK", 0x3F},
      {"VOS_UNKNOWN", 0}, {"VOS_NT", 0x40000}, {"VOS__WINDOWS32", 4}, {"VOS_NT_WINDOWS32", 0x40004},
      {"VFT_UNKNOWN", 0}, {"VFT_APP", 1}, {"VFT_DLL", 2}, {"VFT_DRV", 3}, {"VFT_FONT", 4}, {"VFT_STATIC_LIB", 7},
      {"VFT2_UNKNOWN", 0}, {"VFT2_DRV_PRINTER", 1},
      // languages
      {"LANG_NEUTRAL", 0}, {"LANG_ARABIC", 0x01}, {"LANG_BULGARIAN", 0x02}, {"LANG_CATALAN", 0x03},
      {"LANG_CHINESE", 0x04}, {"LANG_CZECH", 0x05}, {"LANG_DANISH", 0x06}, {"LANG_GERMAN", 0x07},
      {"LANG_GREEK", 0x08}, {"LANG_ENGLISH", 0x09}, {"LANG_SPANISH", 0x0A}, {"LANG_FINNISH", 0x0B},
      {"LANG_FRENCH", 0x0C}, {"LANG_HEBREW", 0x0D}, {"LANG_HUNGARIAN", 0x0E}, {"LANG_ICELANDIC", 0x0F},
      {"LANG_ITALIAN", 0x10}, {"LANG_JAPANESE", 0x11}, {"LANG_KOREAN", 0x12}, {"LANG_DUTCH", 0x13},
      {"LANG_NORWEGIAN", 0x14}, {"LANG_POLISH", 0x15}, {"LANG_PORTUGUESE", 0x16}, {"LANG_ROMANIAN", 0x18},
      {"LANG_RUSSIAN", 0x19}, {"LANG_CROATIAN", 0x1A}, {"LANG_SLOVAK", 0x1B}, {"LANG_SWEDISH", 0x1D},
      {"LANG_THAI", 0x1E}, {"LANG_TURKISH", 0x1F},
      {"SUBLANG_NEUTRAL", 0}, {"SUBLANG_DEFAULT", 1}, {"SUBLANG_SYS_DEFAULT", 2}, {"SUBLANG_ENGLISH_US", 1},
      {"SUBLANG_ENGLISH_UK", 2}, {"SUBLANG_CHINESE_TRADITIONAL", 1}, {"SUBLANG_CHINESE_SIMPLIFIED", 2},
      {"SUBLANG_GERMAN", 1}, {"SUBLANG_FRENCH", 1}, {"SUBLANG_ITALIAN", 1}, {"SUBLANG_SPANISH", 1},
      {"SUBLANG_SPANISH_MODERN", 3}, {"SUBLANG_PORTUGUESE", 2}, {"SUBLANG_PORTUGUESE_BRAZILIAN", 1},
      {"SUBLANG_NORWEGIAN_BOKMAL", 1}, {"SUBLANG_DUTCH", 1}, {"SUBLANG_KOREAN", 1}, {"SUBLANG_JAPANESE", 1},
  };
  return m;
}

// ---- lexer ---------------------------------------------------------------------------------------------

enum class Tok { End, Ident, Number, String, Punct };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // identifier (as written) or punctuation
  int64_t num = 0;
  bool isLong = false;
  U16 str;
  bool wide = false;
  std::string where;
};

class Lexer {
 public:
  Lexer(std::string text, std::string file, std::map<std::string, int64_t>& syms, std::set<std::string>& deps,
        int depth = 0)
      : src_(std::move(text)), file_(std::move(file)), syms_(syms), deps_(deps), depth_(depth) {}

  Token Next() {
    // An included script gives its tokens first, then this file goes on after the #include line.
    if (inner_) {
      Token t = inner_->Next();
      if (t.kind != Tok::End) return t;
      inner_.reset();
    }
    for (;;) {
      SkipSpace();
      if (pos_ >= src_.size()) return Make(Tok::End);
      if (atLineStart_ && src_[pos_] == '#') {
        Directive();
        if (inner_) return Next();
        continue;
      }
      break;
    }
    atLineStart_ = false;
    char c = src_[pos_];
    if ((c == 'L' || c == 'l') && pos_ + 1 < src_.size() && src_[pos_ + 1] == '"') {
      ++pos_;
      Token t = String();
      t.wide = true;
      return t;
    }
    if (c == '"') return String();
    if (std::isdigit(static_cast<unsigned char>(c))) return Number();
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t s = pos_;
      while (pos_ < src_.size() && (std::isalnum(static_cast<unsigned char>(src_[pos_])) || src_[pos_] == '_')) ++pos_;
      Token t = Make(Tok::Ident);
      t.text = src_.substr(s, pos_ - s);
      return t;
    }
    if (std::strchr(",|()+-~{}", c)) {
      ++pos_;
      Token t = Make(Tok::Punct);
      t.text = std::string(1, c);
      return t;
    }
    Die(Where(), std::string("unexpected character '") + c + "'");
  }

  std::string Where() const { return file_ + ":" + std::to_string(line_); }
  const std::string& File() const { return file_; }

 private:
  Token Make(Tok k) {
    Token t;
    t.kind = k;
    t.where = Where();
    return t;
  }

  void SkipSpace() {
    while (pos_ < src_.size()) {
      char c = src_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
        atLineStart_ = true;
      } else if (c == ' ' || c == '\t' || c == '\r' || c == ';') {
        ++pos_;
      } else if (c == '/' && pos_ + 1 < src_.size() && src_[pos_ + 1] == '/') {
        while (pos_ < src_.size() && src_[pos_] != '\n') ++pos_;
      } else if (c == '/' && pos_ + 1 < src_.size() && src_[pos_ + 1] == '*') {
        size_t e = src_.find("*/", pos_ + 2);
        if (e == std::string::npos) Die(Where(), "comment without end");
        for (size_t i = pos_; i < e; ++i)
          if (src_[i] == '\n') ++line_;
        pos_ = e + 2;
      } else {
        break;
      }
    }
  }

  Token Number() {
    Token t = Make(Tok::Number);
    size_t s = pos_;
    int base = 10;
    if (src_[pos_] == '0' && pos_ + 1 < src_.size() && (src_[pos_ + 1] == 'x' || src_[pos_ + 1] == 'X')) {
      base = 16;
      pos_ += 2;
    }
    uint64_t v = 0;
    size_t digits = 0;
    while (pos_ < src_.size() && std::isxdigit(static_cast<unsigned char>(src_[pos_]))) {
      char c = src_[pos_];
      int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10);
      if (d >= base) Die(Where(), "bad number");
      v = v * unsigned(base) + unsigned(d);
      if (v > 0xFFFFFFFFull) Die(Where(), "number too large");
      ++pos_;
      ++digits;
    }
    if (!digits) Die(Where(), "bad number " + src_.substr(s, pos_ - s));
    while (pos_ < src_.size() && (src_[pos_] == 'L' || src_[pos_] == 'l' || src_[pos_] == 'U' || src_[pos_] == 'u')) {
      if (src_[pos_] == 'L' || src_[pos_] == 'l') t.isLong = true;
      ++pos_;
    }
    t.num = int64_t(v);
    return t;
  }

  Token String() {
    Token t = Make(Tok::String);
    ++pos_;  // opening quote
    std::string raw;
    U16 out;
    auto flush = [&] {
      out += FromUtf8(raw, Where());
      raw.clear();
    };
    for (;;) {
      if (pos_ >= src_.size() || src_[pos_] == '\n') Die(t.where, "text without closing quote");
      char c = src_[pos_++];
      if (c == '"') {
        if (pos_ < src_.size() && src_[pos_] == '"') {
          raw.push_back('"');
          ++pos_;
          continue;
        }
        break;
      }
      if (c != '\\') {
        raw.push_back(c);
        continue;
      }
      if (pos_ >= src_.size()) Die(t.where, "text without closing quote");
      char e = src_[pos_++];
      switch (e) {
        case 'n': raw.push_back('\n'); break;
        case 't': raw.push_back('\t'); break;
        case 'r': raw.push_back('\r'); break;
        case 'a': raw.push_back('\a'); break;
        case '0': flush(); out.push_back(0); break;
        case '\\': raw.push_back('\\'); break;
        case '"': raw.push_back('"'); break;
        case 'x': {
          unsigned v = 0;
          int n = 0;
          while (n < 4 && pos_ < src_.size() && std::isxdigit(static_cast<unsigned char>(src_[pos_]))) {
            char h = src_[pos_++];
            v = v * 16 + unsigned(std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : std::tolower(h) - 'a' + 10);
            ++n;
          }
          if (!n) Die(t.where, "\\x without digits");
          flush();
          out.push_back(char16_t(v));
          break;
        }
        default: Die(t.where, std::string("unknown escape \\") + e);
      }
    }
    flush();
    t.str = out;
    return t;
  }

  // "#define NAME expr", "#include "file"", other directives are passed over.
  void Directive() {
    size_t e = src_.find('\n', pos_);
    std::string line = src_.substr(pos_, e == std::string::npos ? std::string::npos : e - pos_);
    pos_ = e == std::string::npos ? src_.size() : e;
    std::istringstream in(line.substr(1));
    std::string word;
    in >> word;
    if (word == "define") {
      std::string name;
      in >> name;
      std::string rest;
      std::getline(in, rest);
      size_t c = rest.find("//");
      if (c != std::string::npos) rest.resize(c);
      if (name.empty() || name.find('(') != std::string::npos) return;  // macros with arguments are not ids
      Lexer sub(rest, file_ + ":" + std::to_string(line_), syms_, deps_);
      Token t = sub.Next();
      if (t.kind == Tok::End) {
        syms_[name] = 1;
        return;
      }
      // A definition that is not a number expression (a text, a type) is not a symbol for scripts.
      int64_t v = 0;
      if (EvalSimple(sub, t, v)) syms_[name] = v;
    } else if (word == "include") {
      std::string rest;
      std::getline(in, rest);
      size_t a = rest.find('"'), b = rest.rfind('"');
      if (a == std::string::npos || b <= a) Die(Where(), "#include needs a \"file\"");
      fs::path p = fs::path(file_).parent_path() / rest.substr(a + 1, b - a - 1);
      std::ifstream f(p, std::ios::binary);
      if (!f) Die(Where(), "cannot open " + p.string());
      deps_.insert(fs::absolute(p).string());
      std::stringstream ss;
      ss << f.rdbuf();
      std::string ext = p.extension().string();
      std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
      if (ext == ".rc") {
        if (depth_ >= kMaxIncludeDepth) Die(Where(), "#include nests deeper than " + std::to_string(kMaxIncludeDepth));
        inner_ = std::make_unique<Lexer>(ss.str(), p.string(), syms_, deps_, depth_ + 1);
        return;
      }
      // Only the directives of a header count; its C++ lines are passed over.
      std::string text, l;
      while (std::getline(ss, l)) {
        size_t s = l.find_first_not_of(" \t");
        text += (s != std::string::npos && l[s] == '#') ? l.substr(s) : std::string();
        text += "\n";
      }
      Lexer sub(text, p.string(), syms_, deps_);
      while (sub.Next().kind != Tok::End) {
      }
    }
  }

  // number | symbol, combined with | + - ( ) ~
  bool EvalSimple(Lexer& lx, Token t, int64_t& v) {
    std::vector<Token> toks;
    while (t.kind != Tok::End) {
      toks.push_back(t);
      t = lx.Next();
    }
    size_t i = 0;
    bool ok = true;
    std::function<int64_t()> term, expr;
    term = [&]() -> int64_t {
      if (i >= toks.size()) return ok = false, 0;
      Token& k = toks[i++];
      if (k.kind == Tok::Number) return k.num;
      if (k.kind == Tok::Ident) {
        auto it = syms_.find(k.text);
        if (it != syms_.end()) return it->second;
        auto p = Predefined().find(k.text);
        if (p != Predefined().end()) return p->second;
        return ok = false, 0;
      }
      if (k.kind == Tok::Punct && k.text == "(") {
        int64_t x = expr();
        if (i >= toks.size() || toks[i].text != ")") return ok = false, 0;
        ++i;
        return x;
      }
      if (k.kind == Tok::Punct && k.text == "-") return -term();
      if (k.kind == Tok::Punct && k.text == "~") return ~term();
      return ok = false, 0;
    };
    expr = [&]() -> int64_t {
      int64_t x = term();
      while (ok && i < toks.size() && toks[i].kind == Tok::Punct &&
             (toks[i].text == "|" || toks[i].text == "+" || toks[i].text == "-")) {
        std::string op = toks[i++].text;
        int64_t y = term();
        x = op == "|" ? (x | y) : op == "+" ? x + y : x - y;
      }
      return x;
    };
    v = expr();
    return ok && i == toks.size();
  }

  std::string src_;
  std::string file_;
  size_t pos_ = 0;
  int line_ = 1;
  bool atLineStart_ = true;
  std::map<std::string, int64_t>& syms_;
  std::set<std::string>& deps_;
  static constexpr int kMaxIncludeDepth = 16;  // a script that includes itself ends here
  int depth_ = 0;
  std::unique_ptr<Lexer> inner_;
};

// ---- resources -----------------------------------------------------------------------------------------

using Key = std::variant<uint16_t, U16>;  // id or upper-cased name

struct Resource {
  Key type;
  Key name;
  uint16_t lang;
  Bytes data;
  std::string where;
};

bool KeyLess(const Key& a, const Key& b) {
  if (a.index() != b.index()) return a.index() < b.index();  // ids first
  if (a.index() == 0) return std::get<0>(a) < std::get<0>(b);
  return std::get<1>(a) < std::get<1>(b);
}
bool KeyEq(const Key& a, const Key& b) { return !KeyLess(a, b) && !KeyLess(b, a); }

struct Style {
  int64_t set = 0;
  int64_t cleared = 0;
  uint32_t Apply(uint32_t def) const { return uint32_t((uint64_t(def) | uint64_t(set)) & ~uint64_t(cleared)); }
};

class Compiler {
 public:
  Compiler(const std::string& script, std::map<std::string, int64_t> defs) : syms_(std::move(defs)) {
    std::ifstream f(script, std::ios::binary);
    if (!f) Die(script, "cannot open the script");
    std::stringstream ss;
    ss << f.rdbuf();
    deps_.insert(fs::absolute(script).string());
    lex_ = std::make_unique<Lexer>(ss.str(), script, syms_, deps_);
    dir_ = fs::path(script).parent_path();
    Advance();
  }

  void Run() {
    while (tok_.kind != Tok::End) Statement();
    FlushStrings();
  }

  Bytes Directory() const;
  const std::set<std::string>& Deps() const { return deps_; }

 private:
  // -- token helpers --
  void Advance() { tok_ = lex_->Next(); }
  bool IsWord(const char* w) const { return tok_.kind == Tok::Ident && tok_.text == w; }
  bool IsPunct(const char* p) const { return tok_.kind == Tok::Punct && tok_.text == p; }
  void Expect(const char* p) {
    if (!IsPunct(p)) Die(tok_.where, std::string("expected '") + p + "'");
    Advance();
  }
  void OptComma() {
    if (IsPunct(",")) Advance();
  }
  bool Begin() {
    if (IsWord("BEGIN") || IsPunct("{")) {
      Advance();
      return true;
    }
    return false;
  }
  bool AtEnd() {
    if (IsWord("END") || IsPunct("}")) {
      Advance();
      return true;
    }
    if (tok_.kind == Tok::End) Die(tok_.where, "missing END");
    return false;
  }
  void NeedBegin() {
    if (!Begin()) Die(tok_.where, "expected BEGIN");
  }
  bool IsDefined(const std::string& s) const { return syms_.count(s) || Predefined().count(s); }
  bool IsExprStart() const {
    return tok_.kind == Tok::Number || (tok_.kind == Tok::Ident && (IsDefined(tok_.text) || tok_.text == "NOT")) ||
           IsPunct("(") || IsPunct("-") || IsPunct("~");
  }

  // -- expressions --
  Style StyleExpr() {
    Style s;
    bool first = true;
    for (;;) {
      if (!first) {
        if (!(IsPunct("|") || IsPunct("+") || IsPunct("-"))) break;
      }
      std::string op = first ? "|" : tok_.text;
      if (!first) Advance();
      first = false;
      bool negate = false;
      if (IsWord("NOT")) {
        negate = true;
        Advance();
      }
      int64_t v = Term();
      if (negate) {
        s.set &= ~v;
        s.cleared |= v;
      } else if (op == "|") {
        s.set |= v;
      } else if (op == "+") {
        s.set += v;
      } else {
        s.set -= v;
      }
    }
    return s;
  }
  int64_t Term() {
    if (tok_.kind == Tok::Number) {
      int64_t v = tok_.num;
      Advance();
      return v;
    }
    if (IsPunct("(")) {
      Advance();
      int64_t v = Expr();
      Expect(")");
      return v;
    }
    if (IsPunct("-")) {
      Advance();
      return -Term();
    }
    if (IsPunct("~")) {
      Advance();
      return ~Term();
    }
    if (tok_.kind == Tok::Ident) {
      auto it = syms_.find(tok_.text);
      int64_t v;
      if (it != syms_.end()) v = it->second;
      else if (Predefined().count(tok_.text)) v = Predefined().at(tok_.text);
      else Die(tok_.where, "unknown symbol " + tok_.text);
      Advance();
      return v;
    }
    Die(tok_.where, "expected a number");
  }
  int64_t Expr() {
    Style s = StyleExpr();
    if (s.cleared) Die(tok_.where, "NOT is only meaningful in a style");
    return s.set;
  }
  int64_t Int(int64_t lo, int64_t hi, const char* what) {
    std::string w = tok_.where;
    int64_t v = Expr();
    if (v < lo || v > hi) Die(w, std::string(what) + " out of range");
    return v;
  }
  U16 Text() {
    if (tok_.kind != Tok::String) Die(tok_.where, "expected a quoted text");
    U16 s = tok_.str;
    Advance();
    return s;
  }

  // A resource name or id: number / defined symbol -> id, other word or text -> name.
  Key NameOrId() {
    if (tok_.kind == Tok::String) {
      U16 s = Text();
      for (auto& c : s) c = Upper(c);
      if (s.empty()) Die(tok_.where, "empty resource name");
      return s;
    }
    if (tok_.kind == Tok::Ident && !IsDefined(tok_.text)) {
      U16 s = FromUtf8(tok_.text, tok_.where);
      for (auto& c : s) c = Upper(c);
      Advance();
      return s;
    }
    return uint16_t(Int(0, 0xFFFF, "resource id"));
  }

  void Add(Key type, Key name, uint16_t lang, Bytes data, const std::string& where) {
    for (auto& r : res_)
      if (KeyEq(r.type, type) && KeyEq(r.name, name) && r.lang == lang) Die(where, "resource defined twice");
    res_.push_back({std::move(type), std::move(name), lang, std::move(data), where});
  }

  uint16_t LanguageArgs() {
    int64_t p = Int(0, 0x3FF, "primary language");
    if (!IsPunct(",")) return uint16_t(p);  // a whole LANGID
    Advance();
    int64_t s = Int(0, 0x3F, "sublanguage");
    return uint16_t((s << 10) | p);
  }

  Bytes ReadFile(const std::string& name, const std::string& where) {
    fs::path p = dir_ / fs::path(std::string(name.begin(), name.end()));
    std::ifstream f(p, std::ios::binary);
    if (!f) Die(where, "cannot open " + p.string());
    deps_.insert(fs::absolute(p).string());
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  std::string Narrow(const U16& s) {
    std::string out;
    for (char16_t c : s) {
      if (c >= 0x80) Die(tok_.where, "file names must be ASCII");
      out.push_back(char(c));
    }
    return out;
  }

  // -- statements --
  void Statement() {
    std::string where = tok_.where;
    if (IsWord("LANGUAGE")) {
      Advance();
      lang_ = LanguageArgs();
      return;
    }
    if (IsWord("STRINGTABLE")) {
      Advance();
      StringTable();
      return;
    }
    Key name = NameOrId();
    if (tok_.kind != Tok::Ident && tok_.kind != Tok::Number && tok_.kind != Tok::String)
      Die(tok_.where, "expected a resource type");
    std::string t = tok_.kind == Tok::Ident ? tok_.text : "";
    if (t == "DIALOG" || t == "DIALOGEX") {
      Advance();
      Dialog(name, t == "DIALOGEX", where);
    } else if (t == "BITMAP") {
      Advance();
      Bitmap(name, where);
    } else if (t == "ICON" || t == "CURSOR") {
      Advance();
      IconOrCursor(name, t == "CURSOR", where);
    } else if (t == "VERSIONINFO") {
      Advance();
      VersionInfo(name, where);
    } else {
      Key type = t == "RCDATA" ? (Advance(), Key(uint16_t(kvres::kRcData))) : NameOrId();
      uint16_t lang = lang_;
      Bytes data = RawData(lang);
      Add(type, name, lang, std::move(data), where);
    }
  }

  Bytes RawData(uint16_t& lang) {
    if (IsWord("LANGUAGE")) {
      Advance();
      lang = LanguageArgs();
    }
    if (tok_.kind == Tok::String) {
      std::string w = tok_.where;
      return ReadFile(Narrow(Text()), w);
    }
    NeedBegin();
    Bytes b;
    while (!AtEnd()) {
      if (tok_.kind == Tok::String) {
        bool wide = tok_.wide;
        U16 s = Text();
        for (char16_t c : s) {
          if (wide) Put16(b, c);
          else if (c < 0x100) b.push_back(uint8_t(c));
          else Die(tok_.where, "narrow text holds a character above 0xFF; write it as L\"...\"");
        }
      } else {
        bool isLong = tok_.kind == Tok::Number && tok_.isLong;
        int64_t v = Expr();
        if (isLong) Put32(b, uint32_t(v));
        else Put16(b, uint32_t(v) & 0xFFFF);
      }
      OptComma();
    }
    return b;
  }

  void StringTable() {
    uint16_t lang = lang_;
    if (IsWord("LANGUAGE")) {
      Advance();
      lang = LanguageArgs();
    }
    NeedBegin();
    auto& table = strings_[lang];
    while (!AtEnd()) {
      std::string w = tok_.where;
      auto id = uint16_t(Int(0, 0xFFFF, "string id"));
      OptComma();
      U16 s = Text();
      while (tok_.kind == Tok::String) s += Text();  // adjacent texts join
      if (s.empty()) Die(w, "empty strings cannot be stored (an empty slot means no string)");
      if (s.size() > 0xFFFF) Die(w, "string too long");
      if (!table.emplace(id, s).second) Die(w, "string " + std::to_string(id) + " defined twice");
    }
  }

  void FlushStrings() {
    for (auto& [lang, table] : strings_) {
      std::map<uint16_t, std::vector<const std::pair<const uint16_t, U16>*>> blocks;
      for (auto& kv : table) blocks[uint16_t(kv.first / 16 + 1)].push_back(&kv);
      for (auto& [block, items] : blocks) {
        U16 slot[16];
        for (auto* kv : items) slot[kv->first % 16] = kv->second;
        Bytes b;
        for (auto& s : slot) {
          Put16(b, uint32_t(s.size()));
          for (char16_t c : s) Put16(b, c);
        }
        Add(uint16_t(kvres::kString), block, lang, std::move(b), lex_->File());
      }
    }
  }

  // -- dialogs --
  struct Control {
    uint32_t style = 0, exStyle = 0, help = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t id = 0;
    Key cls;            // atom (0x80..0x85) or class name
    bool textIsId = false;
    uint16_t textId = 0;
    U16 text;
  };

  static void PutSzOrOrd(Bytes& b, const Key& k, bool ordIfId) {
    if (k.index() == 0 && ordIfId) {
      Put16(b, 0xFFFF);
      Put16(b, std::get<0>(k));
    } else if (k.index() == 1) {
      PutStr(b, std::get<1>(k));
    } else {
      Put16(b, 0);
    }
  }

  Key ClassKey(const U16& name) {
    U16 up = name;
    for (auto& c : up) c = Upper(c);
    if (up == u"BUTTON") return uint16_t(0x80);
    if (up == u"EDIT") return uint16_t(0x81);
    if (up == u"STATIC") return uint16_t(0x82);
    if (up == u"LISTBOX") return uint16_t(0x83);
    if (up == u"SCROLLBAR") return uint16_t(0x84);
    if (up == u"COMBOBOX") return uint16_t(0x85);
    return name;  // other classes keep the spelling they are registered under
  }

  void Dialog(const Key& name, bool ex, const std::string& where) {
    int16_t rc[4];
    for (int i = 0; i < 4; ++i) {
      rc[i] = int16_t(Int(-32768, 32767, "coordinate"));
      if (i < 3) Expect(",");
    }
    uint32_t help = 0;
    if (IsPunct(",")) {
      Advance();
      help = uint32_t(Int(0, 0xFFFFFFFFLL, "help id"));
    }
    uint16_t lang = lang_;
    uint32_t style = 0x80880000;  // WS_POPUP | WS_BORDER | WS_SYSMENU
    bool styleGiven = false, hasCaption = false, hasFont = false;
    uint32_t exStyle = 0;
    U16 caption, face;
    Key cls = U16(), menu = U16();
    bool hasClass = false, hasMenu = false;
    uint16_t pointSize = 0, weight = 0;
    uint8_t italic = 0, charset = 1;
    for (;;) {
      if (IsWord("STYLE")) {
        Advance();
        style = StyleExpr().Apply(0);
        styleGiven = true;
      } else if (IsWord("EXSTYLE")) {
        Advance();
        exStyle = StyleExpr().Apply(0);
      } else if (IsWord("CAPTION")) {
        Advance();
        caption = Text();
        hasCaption = true;
      } else if (IsWord("CLASS")) {
        Advance();
        cls = tok_.kind == Tok::String ? Key(Text()) : Key(uint16_t(Int(0, 0xFFFF, "class")));
        hasClass = true;
      } else if (IsWord("MENU")) {
        Advance();
        menu = NameOrId();
        hasMenu = true;
      } else if (IsWord("FONT")) {
        Advance();
        pointSize = uint16_t(Int(0, 0xFFFF, "point size"));
        Expect(",");
        face = Text();
        hasFont = true;
        if (ex && IsPunct(",")) {
          Advance();
          weight = uint16_t(Int(0, 1000, "weight"));
          Expect(",");
          italic = uint8_t(Int(0, 1, "italic"));
          Expect(",");
          charset = uint8_t(Int(0, 255, "charset"));
        }
      } else if (IsWord("LANGUAGE")) {
        Advance();
        lang = LanguageArgs();
      } else {
        break;
      }
    }
    if (hasCaption && !styleGiven) style |= 0x00C00000;  // WS_CAPTION
    if (hasFont) style |= 0x40;                           // DS_SETFONT
    NeedBegin();
    std::vector<Control> controls;
    while (!AtEnd()) controls.push_back(ControlStatement());
    if (controls.size() > 0xFFFF) Die(where, "too many controls");

    Bytes b;
    if (ex) {
      Put16(b, 1);
      Put16(b, 0xFFFF);
      Put32(b, help);
      Put32(b, exStyle);
      Put32(b, style);
    } else {
      Put32(b, style);
      Put32(b, exStyle);
    }
    Put16(b, uint32_t(controls.size()));
    for (int16_t v : rc) Put16(b, uint16_t(v));
    PutSzOrOrd(b, hasMenu ? menu : Key(U16()), true);
    PutSzOrOrd(b, hasClass ? cls : Key(U16()), true);
    PutStr(b, caption);
    if (hasFont) {
      Put16(b, pointSize);
      if (ex) {
        Put16(b, weight);
        b.push_back(italic);
        b.push_back(charset);
      }
      PutStr(b, face);
    }
    for (auto& c : controls) {
      Align(b, 4);
      if (ex) {
        Put32(b, c.help);
        Put32(b, c.exStyle);
        Put32(b, c.style);
      } else {
        Put32(b, c.style);
        Put32(b, c.exStyle);
      }
      for (int16_t v : {c.x, c.y, c.cx, c.cy}) Put16(b, uint16_t(v));
      if (ex) Put32(b, c.id);
      else Put16(b, c.id & 0xFFFF);
      PutSzOrOrd(b, c.cls, true);
      if (c.textIsId) {
        Put16(b, 0xFFFF);
        Put16(b, c.textId);
      } else {
        PutStr(b, c.text);
      }
      Put16(b, 0);  // no creation data
    }
    Add(uint16_t(kvres::kDialog), name, lang, std::move(b), where);
  }

  void ControlText(Control& c) {
    if (tok_.kind == Tok::String) {
      c.text = Text();
    } else {
      c.textIsId = true;
      c.textId = uint16_t(Int(0, 0xFFFF, "text id"));
    }
    Expect(",");
  }
  uint32_t ControlId() { return uint32_t(Int(-1, 0xFFFFFFFFLL, "control id")) & (0xFFFFFFFFu); }
  void Rect(Control& c, bool sizeOptional = false) {
    c.x = int16_t(Int(-32768, 32767, "coordinate"));
    Expect(",");
    c.y = int16_t(Int(-32768, 32767, "coordinate"));
    if (sizeOptional && !IsPunct(",")) return;
    Expect(",");
    c.cx = int16_t(Int(-32768, 32767, "coordinate"));
    Expect(",");
    c.cy = int16_t(Int(-32768, 32767, "coordinate"));
  }
  void Tail(Control& c, uint32_t defStyle) {
    Style s;
    if (IsPunct(",")) {
      Advance();
      s = StyleExpr();
      if (IsPunct(",")) {
        Advance();
        c.exStyle = StyleExpr().Apply(0);
        if (IsPunct(",")) {
          Advance();
          c.help = uint32_t(Int(0, 0xFFFFFFFFLL, "help id"));
        }
      }
    }
    c.style = s.Apply(defStyle);
  }

  Control ControlStatement() {
    constexpr uint32_t kChildVisible = 0x50000000, kTab = 0x00010000, kGroup = 0x00020000, kBorder = 0x00800000;
    if (tok_.kind != Tok::Ident) Die(tok_.where, "expected a control");
    std::string kind = tok_.text;
    std::string where = tok_.where;
    Advance();
    Control c;
    struct TextKind {
      const char* name;
      uint16_t cls;
      uint32_t style;
    };
    static const TextKind textKinds[] = {
        {"LTEXT", 0x82, kChildVisible | kGroup | 0},
        {"RTEXT", 0x82, kChildVisible | kGroup | 2},
        {"CTEXT", 0x82, kChildVisible | kGroup | 1},
        {"PUSHBUTTON", 0x80, kChildVisible | kTab | 0},
        {"DEFPUSHBUTTON", 0x80, kChildVisible | kTab | 1},
        {"CHECKBOX", 0x80, kChildVisible | kTab | 2},
        {"AUTOCHECKBOX", 0x80, kChildVisible | kTab | 3},
        {"RADIOBUTTON", 0x80, kChildVisible | 4},
        {"AUTORADIOBUTTON", 0x80, kChildVisible | 9},
        {"STATE3", 0x80, kChildVisible | kTab | 5},
        {"AUTO3STATE", 0x80, kChildVisible | kTab | 6},
        {"GROUPBOX", 0x80, kChildVisible | 7},
    };
    for (auto& k : textKinds) {
      if (kind != k.name) continue;
      ControlText(c);
      c.id = ControlId();
      Expect(",");
      Rect(c);
      c.cls = k.cls;
      Tail(c, k.style);
      return c;
    }
    static const TextKind plainKinds[] = {
        {"EDITTEXT", 0x81, kChildVisible | kTab | kBorder},
        {"COMBOBOX", 0x85, kChildVisible | kTab | 1},
        {"LISTBOX", 0x83, kChildVisible | kBorder | 1},
        {"SCROLLBAR", 0x84, kChildVisible},
    };
    for (auto& k : plainKinds) {
      if (kind != k.name) continue;
      c.id = ControlId();
      Expect(",");
      Rect(c);
      c.cls = k.cls;
      Tail(c, k.style);
      return c;
    }
    if (kind == "ICON") {
      if (tok_.kind == Tok::String) c.text = Text();
      else {
        c.textIsId = true;
        c.textId = uint16_t(Int(0, 0xFFFF, "icon id"));
      }
      Expect(",");
      c.id = ControlId();
      Expect(",");
      Rect(c, true);
      c.cls = uint16_t(0x82);
      Tail(c, kChildVisible | 3);
      return c;
    }
    if (kind == "CONTROL") {
      ControlText(c);
      c.id = ControlId();
      Expect(",");
      if (tok_.kind == Tok::String) c.cls = ClassKey(Text());
      else if (tok_.kind == Tok::Ident && !IsDefined(tok_.text)) {
        c.cls = ClassKey(FromUtf8(tok_.text, tok_.where));
        Advance();
      } else {
        c.cls = uint16_t(Int(0, 0xFFFF, "class atom"));
      }
      Expect(",");
      Style s = StyleExpr();
      Expect(",");
      Rect(c);
      c.style = s.Apply(kChildVisible);
      if (IsPunct(",")) {
        Advance();
        c.exStyle = StyleExpr().Apply(0);
        if (IsPunct(",")) {
          Advance();
          c.help = uint32_t(Int(0, 0xFFFFFFFFLL, "help id"));
        }
      }
      return c;
    }
    Die(where, "unknown control " + kind);
  }

  // -- pictures --
  struct Drawn {
    std::vector<uint32_t> palette;  // 0xRRGGBB
    std::vector<std::string> rows;
    int hotX = 0, hotY = 0;
  };

  Drawn DrawnPicture(bool allowHotspot) {
    Drawn d;
    while (!AtEnd()) {
      if (IsWord("PALETTE")) {
        Advance();
        do {
          if (IsPunct(",")) Advance();
          d.palette.push_back(uint32_t(Int(0, 0xFFFFFF, "colour")));
        } while (IsPunct(","));
      } else if (allowHotspot && IsWord("HOTSPOT")) {
        Advance();
        d.hotX = int(Int(0, 0xFFFF, "hotspot"));
        Expect(",");
        d.hotY = int(Int(0, 0xFFFF, "hotspot"));
      } else if (tok_.kind == Tok::String) {
        std::string w = tok_.where;
        U16 r = Text();
        std::string row;
        for (char16_t c : r) {
          if (c > 0x7F) Die(w, "picture rows use ASCII characters");
          row.push_back(char(c));
        }
        if (!d.rows.empty() && row.size() != d.rows[0].size()) Die(w, "rows of a picture must be equally long");
        d.rows.push_back(row);
      } else {
        Die(tok_.where, "expected PALETTE or a row of pixels");
      }
    }
    if (d.rows.empty() || d.rows[0].empty()) Die(tok_.where, "a picture needs at least one row");
    if (d.palette.empty() || d.palette.size() > 62) Die(tok_.where, "a picture needs a palette of 1 to 62 colours");
    return d;
  }

  static int PixelIndex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 36;
    return -1;
  }

  static void PutInfoHeader(Bytes& b, int32_t w, int32_t h, uint16_t bpp, uint32_t imageSize, uint32_t colours) {
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(h));
    Put16(b, 1);
    Put16(b, bpp);
    Put32(b, 0);  // BI_RGB
    Put32(b, imageSize);
    Put32(b, 3780);  // 96 dpi in pixels per metre
    Put32(b, 3780);
    Put32(b, colours);
    Put32(b, 0);
  }

  Bytes DrawnDib(const Drawn& d, const std::string& where) {
    int w = int(d.rows[0].size()), h = int(d.rows.size());
    uint32_t stride = (uint32_t(w) + 3) & ~3u;
    Bytes b;
    PutInfoHeader(b, w, h, 8, stride * uint32_t(h), uint32_t(d.palette.size()));
    for (uint32_t c : d.palette) {
      b.push_back(uint8_t(c));
      b.push_back(uint8_t(c >> 8));
      b.push_back(uint8_t(c >> 16));
      b.push_back(0);
    }
    for (int y = h - 1; y >= 0; --y) {  // bottom-up
      for (int x = 0; x < w; ++x) {
        int i = PixelIndex(d.rows[size_t(y)][size_t(x)]);
        if (i < 0 || size_t(i) >= d.palette.size()) Die(where, "pixel names no colour of the palette");
        b.push_back(uint8_t(i));
      }
      for (uint32_t p = uint32_t(w); p < stride; ++p) b.push_back(0);
    }
    return b;
  }

  // A 32-bit icon or cursor image: header with double height, colour bits, then the AND mask.
  Bytes DrawnIconImage(const Drawn& d, const std::string& where) {
    int w = int(d.rows[0].size()), h = int(d.rows.size());
    if (w > 256 || h > 256) Die(where, "icons are at most 256 pixels");
    uint32_t maskStride = ((uint32_t(w) + 31) / 32) * 4;
    Bytes b;
    PutInfoHeader(b, w, h * 2, 32, uint32_t(w * h * 4) + maskStride * uint32_t(h), 0);
    Bytes mask;
    for (int y = h - 1; y >= 0; --y) {
      Bytes row(maskStride, 0);
      for (int x = 0; x < w; ++x) {
        char ch = d.rows[size_t(y)][size_t(x)];
        if (ch == '.') {
          for (int k = 0; k < 4; ++k) b.push_back(0);
          row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
          continue;
        }
        int i = PixelIndex(ch);
        if (i < 0 || size_t(i) >= d.palette.size()) Die(where, "pixel names no colour of the palette");
        uint32_t c = d.palette[size_t(i)];
        b.push_back(uint8_t(c));
        b.push_back(uint8_t(c >> 8));
        b.push_back(uint8_t(c >> 16));
        b.push_back(0xFF);
      }
      mask.insert(mask.end(), row.begin(), row.end());
    }
    b.insert(b.end(), mask.begin(), mask.end());
    return b;
  }

  void Bitmap(const Key& name, const std::string& where) {
    uint16_t lang = lang_;
    if (IsWord("LANGUAGE")) {
      Advance();
      lang = LanguageArgs();
    }
    Bytes dib;
    if (tok_.kind == Tok::String) {
      std::string w = tok_.where;
      Bytes file = ReadFile(Narrow(Text()), w);
      // A BMP file: the 14-byte file header, then the packed DIB the resource holds.
      if (file.size() < 14 + 40 || file[0] != 'B' || file[1] != 'M') Die(w, "not a BMP file");
      uint32_t hdr = uint32_t(file[14]) | uint32_t(file[15]) << 8 | uint32_t(file[16]) << 16 | uint32_t(file[17]) << 24;
      if (hdr < 40 || hdr > file.size() - 14) Die(w, "BMP file with a damaged header");
      dib.assign(file.begin() + 14, file.end());
    } else {
      NeedBegin();
      dib = DrawnDib(DrawnPicture(false), where);
    }
    Add(uint16_t(kvres::kBitmap), name, lang, std::move(dib), where);
  }

  struct Image {
    Bytes data;  // as stored in the RT_ICON / RT_CURSOR entry
    uint16_t width, height, planes, bitCount;
    uint8_t colours;
  };

  void IconOrCursor(const Key& name, bool cursor, const std::string& where) {
    uint16_t lang = lang_;
    if (IsWord("LANGUAGE")) {
      Advance();
      lang = LanguageArgs();
    }
    std::vector<Image> images;
    if (tok_.kind == Tok::String) {
      std::string w = tok_.where;
      Bytes f = ReadFile(Narrow(Text()), w);
      auto rd16 = [&](size_t at) -> uint32_t {
        if (at + 2 > f.size()) Die(w, "damaged icon file");
        return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8;
      };
      auto rd32 = [&](size_t at) { return rd16(at) | rd16(at + 2) << 16; };
      if (rd16(0) != 0 || rd16(2) != (cursor ? 2u : 1u)) Die(w, cursor ? "not a cursor file" : "not an icon file");
      uint32_t n = rd16(4);
      if (n == 0) Die(w, "icon file without images");
      for (uint32_t i = 0; i < n; ++i) {
        size_t e = 6 + 16 * size_t(i);
        uint32_t size = rd32(e + 8), off = rd32(e + 12);
        if (off > f.size() || size > f.size() - off || size < 40) Die(w, "damaged icon file");
        Image im;
        im.width = f[e] ? f[e] : 256;
        im.height = f[e + 1] ? f[e + 1] : 256;
        im.colours = f[e + 2];
        uint32_t a = rd16(e + 4), bc = rd16(e + 6);  // planes / bit count, or the cursor's hotspot
        uint16_t bpp = uint16_t(rd16(off + 14));
        if (cursor) {
          Put16(im.data, a);
          Put16(im.data, bc);
          im.planes = 1;
          im.bitCount = bpp;
        } else {
          im.planes = uint16_t(a ? a : 1);
          im.bitCount = uint16_t(bc ? bc : bpp);
        }
        im.data.insert(im.data.end(), f.begin() + off, f.begin() + off + size);
        images.push_back(std::move(im));
      }
    } else {
      NeedBegin();
      Drawn d = DrawnPicture(cursor);
      Image im;
      if (cursor) {
        Put16(im.data, uint32_t(d.hotX));
        Put16(im.data, uint32_t(d.hotY));
      }
      Bytes img = DrawnIconImage(d, where);
      im.data.insert(im.data.end(), img.begin(), img.end());
      im.width = uint16_t(d.rows[0].size());
      im.height = uint16_t(d.rows.size());
      im.planes = 1;
      im.bitCount = 32;
      im.colours = 0;
      images.push_back(std::move(im));
    }
    Bytes group;
    Put16(group, 0);
    Put16(group, cursor ? 2 : 1);
    Put16(group, uint32_t(images.size()));
    uint16_t itemType = cursor ? kvres::kCursor : kvres::kIcon;
    for (auto& im : images) {
      uint16_t id = ++nextImageId_[itemType];
      if (cursor) {
        Put16(group, im.width);
        Put16(group, uint32_t(im.height) * 2);
      } else {
        group.push_back(uint8_t(im.width >= 256 ? 0 : im.width));
        group.push_back(uint8_t(im.height >= 256 ? 0 : im.height));
        group.push_back(im.colours);
        group.push_back(0);
      }
      Put16(group, im.planes);
      Put16(group, im.bitCount);
      Put32(group, uint32_t(im.data.size()));
      Put16(group, id);
      Add(itemType, id, lang, std::move(im.data), where);
    }
    Add(uint16_t(cursor ? kvres::kGroupCursor : kvres::kGroupIcon), name, lang, std::move(group), where);
  }

  // -- version block --
  // One node: wLength, wValueLength, wType, key, padding, value, padding, children.
  static size_t BeginNode(Bytes& b, const U16& key, uint16_t valueLength, uint16_t type) {
    Align(b, 4);
    size_t at = b.size();
    Put16(b, 0);
    Put16(b, valueLength);
    Put16(b, type);
    PutStr(b, key);
    Align(b, 4);
    return at;
  }
  static void EndNode(Bytes& b, size_t at, const std::string& where) {
    size_t len = b.size() - at;
    if (len > 0xFFFF) Die(where, "version block too large");
    Set16(b, at, uint32_t(len));
  }

  void VersionChildren(Bytes& b) {
    NeedBegin();
    while (!AtEnd()) {
      std::string where = tok_.where;
      if (IsWord("BLOCK")) {
        Advance();
        U16 key = Text();
        size_t at = BeginNode(b, key, 0, 1);
        VersionChildren(b);
        EndNode(b, at, where);
      } else if (IsWord("VALUE")) {
        Advance();
        U16 key = Text();
        Expect(",");
        if (tok_.kind == Tok::String) {
          U16 v = Text();
          while (IsPunct(",") || tok_.kind == Tok::String) {
            if (IsPunct(",")) Advance();
            v += Text();
          }
          size_t at = BeginNode(b, key, uint16_t(v.size() + 1), 1);
          PutStr(b, v);
          EndNode(b, at, where);
        } else {
          Bytes v;
          for (;;) {
            bool isLong = tok_.kind == Tok::Number && tok_.isLong;
            int64_t x = Expr();
            if (isLong) Put32(v, uint32_t(x));
            else Put16(v, uint32_t(x) & 0xFFFF);
            if (!IsPunct(",")) break;
            Advance();
          }
          size_t at = BeginNode(b, key, uint16_t(v.size()), 0);
          b.insert(b.end(), v.begin(), v.end());
          EndNode(b, at, where);
        }
      } else {
        Die(where, "expected BLOCK or VALUE");
      }
    }
  }

  void VersionInfo(const Key& name, const std::string& where) {
    uint32_t fixed[13] = {0xFEEF04BD, 0x00010000, 0, 0, 0, 0, 0x3F, 0, 0x40004, 2, 0, 0, 0};
    uint16_t lang = lang_;
    auto quad = [&](uint32_t& ms, uint32_t& ls) {
      uint32_t p[4] = {0, 0, 0, 0};
      for (int i = 0; i < 4; ++i) {
        p[i] = uint32_t(Int(0, 0xFFFF, "version part"));
        if (i < 3) {
          if (!IsPunct(",")) break;
          Advance();
        }
      }
      ms = p[0] << 16 | p[1];
      ls = p[2] << 16 | p[3];
    };
    for (;;) {
      if (IsWord("FILEVERSION")) Advance(), quad(fixed[2], fixed[3]);
      else if (IsWord("PRODUCTVERSION")) Advance(), quad(fixed[4], fixed[5]);
      else if (IsWord("FILEFLAGSMASK")) Advance(), fixed[6] = uint32_t(Expr());
      else if (IsWord("FILEFLAGS")) Advance(), fixed[7] = uint32_t(Expr());
      else if (IsWord("FILEOS")) Advance(), fixed[8] = uint32_t(Expr());
      else if (IsWord("FILETYPE")) Advance(), fixed[9] = uint32_t(Expr());
      else if (IsWord("FILESUBTYPE")) Advance(), fixed[10] = uint32_t(Expr());
      else if (IsWord("LANGUAGE")) Advance(), lang = LanguageArgs();
      else break;
    }
    Bytes b;
    size_t at = BeginNode(b, u"VS_VERSION_INFO", 52, 0);
    for (uint32_t v : fixed) Put32(b, v);
    VersionChildren(b);
    EndNode(b, at, where);
    Add(uint16_t(kvres::kVersion_), name, lang, std::move(b), where);
  }

  std::map<std::string, int64_t> syms_;
  std::set<std::string> deps_;
  std::unique_ptr<Lexer> lex_;
  fs::path dir_;
  Token tok_;
  uint16_t lang_ = 0;
  std::map<uint16_t, std::map<uint16_t, U16>> strings_;
  std::map<uint16_t, uint16_t> nextImageId_;
  std::vector<Resource> res_;
};

Bytes Compiler::Directory() const {
  std::vector<const Resource*> sorted;
  for (auto& r : res_) sorted.push_back(&r);
  std::sort(sorted.begin(), sorted.end(), [](const Resource* a, const Resource* b) {
    if (!KeyEq(a->type, b->type)) return KeyLess(a->type, b->type);
    if (!KeyEq(a->name, b->name)) return KeyLess(a->name, b->name);
    return a->lang < b->lang;
  });
  // Names area: each distinct name once.
  Bytes names;
  std::map<U16, uint32_t> nameAt;
  auto keyField = [&](const Key& k) -> uint32_t {
    if (k.index() == 0) return std::get<0>(k);
    const U16& s = std::get<1>(k);
    auto it = nameAt.find(s);
    if (it != nameAt.end()) return kvres::kNameFlag | it->second;
    uint32_t at = uint32_t(names.size());
    Put16(names, uint32_t(s.size()));
    for (char16_t c : s) Put16(names, c);
    nameAt[s] = at;
    return kvres::kNameFlag | at;
  };
  std::vector<std::pair<uint32_t, uint32_t>> keys;
  for (auto* r : sorted) keys.push_back({keyField(r->type), keyField(r->name)});
  Align(names, 8);

  uint32_t entriesOffset = sizeof(kvres::Header);
  uint32_t namesOffset = entriesOffset + uint32_t(sorted.size() * sizeof(kvres::Entry));
  uint32_t dataOffset = namesOffset + uint32_t(names.size());
  Bytes data;
  std::vector<uint32_t> at;
  for (auto* r : sorted) {
    Align(data, 8);
    at.push_back(dataOffset + uint32_t(data.size()));
    data.insert(data.end(), r->data.begin(), r->data.end());
  }
  Align(data, 8);
  uint64_t total = uint64_t(dataOffset) + data.size();
  if (total > 0x7FFFFFFF) Die("kvrc", "resources exceed 2 GiB");

  Bytes out;
  out.insert(out.end(), kvres::kMagic, kvres::kMagic + 4);
  Put32(out, kvres::kVersion);
  Put32(out, uint32_t(total));
  Put32(out, uint32_t(sorted.size()));
  Put32(out, entriesOffset);
  Put32(out, namesOffset);
  Put32(out, uint32_t(names.size()));
  Put32(out, dataOffset);
  for (size_t i = 0; i < sorted.size(); ++i) {
    Put32(out, keys[i].first);
    Put32(out, keys[i].second);
    Put16(out, sorted[i]->lang);
    Put16(out, 0);
    Put32(out, at[i]);
    Put32(out, uint32_t(sorted[i]->data.size()));
    Put32(out, 0);
  }
  out.insert(out.end(), names.begin(), names.end());
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

std::string DepEscape(const std::string& p) {
  std::string o;
  for (char c : p) {
    if (c == ' ' || c == '#') o.push_back('\\');
    if (c == '$') o.push_back('$');
    o.push_back(c);
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  std::string script, out, depfile;
  std::map<std::string, int64_t> defs;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-o" && i + 1 < argc) out = argv[++i];
    else if (a == "--depfile" && i + 1 < argc) depfile = argv[++i];
    else if (a == "-D" && i + 1 < argc) {
      std::string d = argv[++i];
      size_t eq = d.find('=');
      defs[d.substr(0, eq)] = eq == std::string::npos ? 1 : std::strtoll(d.c_str() + eq + 1, nullptr, 0);
    } else if (script.empty() && a[0] != '-') script = a;
    else {
      std::fprintf(stderr, "usage: kvrc SCRIPT -o OUT.cpp [--depfile OUT.d] [-D NAME=VALUE]...\n");
      return 2;
    }
  }
  if (script.empty() || out.empty()) {
    std::fprintf(stderr, "usage: kvrc SCRIPT -o OUT.cpp [--depfile OUT.d] [-D NAME=VALUE]...\n");
    return 2;
  }
  Compiler c(script, defs);
  c.Run();
  Bytes dir = c.Directory();

  std::ostringstream o;
  o << "// Generated by kvrc from " << fs::path(script).filename().string() << "; edit the script, not this file.\n"
    << "extern \"C\" __attribute__((visibility(\"default\"), used, aligned(16))) const unsigned char "
    << kvres::kSymbol << "[" << dir.size() << "] = {";
  for (size_t i = 0; i < dir.size(); ++i) {
    if (i % 20 == 0) o << "\n ";
    o << ' ' << unsigned(dir[i]) << ',';
  }
  o << "\n};\n";
  std::string text = o.str();
  // Rewrite only on change, so an unchanged script does not rebuild the module.
  {
    std::ifstream old(out, std::ios::binary);
    std::stringstream ss;
    if (old) ss << old.rdbuf();
    if (!old || ss.str() != text) {
      std::string tmp = out + ".tmp";
      std::ofstream f(tmp, std::ios::binary);
      f << text;
      f.close();
      if (!f) Die(out, "cannot write");
      fs::rename(tmp, out);
    }
  }
  if (!depfile.empty()) {
    std::ofstream d(depfile);
    d << DepEscape(out) << ":";
    for (auto& dep : c.Deps()) d << " \\\n  " << DepEscape(dep);
    d << "\n";
  }
  return 0;
}
