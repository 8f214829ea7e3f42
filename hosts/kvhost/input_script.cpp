// The input script: parsed into actions, then queued on the platform's scripted input.
#include "input_script.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "kvplat/dialog.h"
#include "kvplat/propsheet.h"
#include "kvplat/text.h"
#include "kvplat/uiscript.h"
#include "kvplat/window.h"

namespace kvhost::input {
namespace {

struct Named {
  const char* name;
  long value;
};

constexpr Named kIds[] = {{"IDOK", IDOK},         {"IDCANCEL", IDCANCEL}, {"IDABORT", IDABORT},
                          {"IDRETRY", IDRETRY},   {"IDIGNORE", IDIGNORE}, {"IDYES", IDYES},
                          {"IDNO", IDNO},         {"IDCLOSE", IDCLOSE},   {"IDHELP", IDHELP}};
constexpr Named kAnswers[] = {{"ok", IDOK},       {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
                              {"ignore", IDIGNORE}, {"yes", IDYES},     {"no", IDNO}};
constexpr Named kKeys[] = {{"BACK", VK_BACK},   {"TAB", VK_TAB},     {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN},
                           {"ESCAPE", VK_ESCAPE}, {"SPACE", VK_SPACE}, {"PRIOR", VK_PRIOR},   {"NEXT", VK_NEXT},
                           {"END", VK_END},     {"HOME", VK_HOME},   {"LEFT", VK_LEFT},     {"UP", VK_UP},
                           {"RIGHT", VK_RIGHT}, {"DOWN", VK_DOWN},   {"DELETE", VK_DELETE}, {"F1", VK_F1}};
constexpr Named kMessages[] = {{"WM_MOUSEMOVE", WM_MOUSEMOVE},       {"WM_LBUTTONDOWN", WM_LBUTTONDOWN},
                               {"WM_LBUTTONUP", WM_LBUTTONUP},       {"WM_LBUTTONDBLCLK", WM_LBUTTONDBLCLK},
                               {"WM_RBUTTONDOWN", WM_RBUTTONDOWN},   {"WM_RBUTTONUP", WM_RBUTTONUP},
                               {"WM_RBUTTONDBLCLK", WM_RBUTTONDBLCLK}};
constexpr Named kMouseKeys[] = {
    {"MK_LBUTTON", MK_LBUTTON}, {"MK_RBUTTON", MK_RBUTTON}, {"MK_SHIFT", MK_SHIFT}, {"MK_CONTROL", MK_CONTROL}};

bool Upper(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return i == a.size() && !b[i];
}

// A number (decimal, 0x hexadecimal, optionally negative) that fills the whole word.
bool Number(const std::string& word, long* out) {
  if (word.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(word.c_str(), &end, 0);
  if (*end) return false;
  *out = v;
  return true;
}

template <size_t N>
bool Lookup(const Named (&table)[N], const std::string& word, long* out) {
  for (const Named& n : table)
    if (Upper(word, n.name)) {
      *out = n.value;
      return true;
    }
  return Number(word, out);
}

// MK_LBUTTON|MK_SHIFT or a number.
bool Flags(const std::string& word, long* out) {
  long v = 0;
  size_t at = 0;
  while (at <= word.size()) {
    size_t bar = word.find('|', at);
    long one = 0;
    if (!Lookup(kMouseKeys, word.substr(at, bar == std::string::npos ? std::string::npos : bar - at), &one)) return false;
    v |= one;
    if (bar == std::string::npos) break;
    at = bar + 1;
  }
  *out = v;
  return true;
}

// The text after the first `skip` words of a line, trimmed; outer double quotes are removed.
std::string Rest(const std::string& line, int skip) {
  size_t at = 0;
  for (int i = 0; i < skip; ++i) {
    at = line.find_first_not_of(" \t", at);
    at = line.find_first_of(" \t", at);
    if (at == std::string::npos) return {};
  }
  at = line.find_first_not_of(" \t", at);
  if (at == std::string::npos) return {};
  size_t end = line.find_last_not_of(" \t\r");
  std::string s = line.substr(at, end - at + 1);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

struct Verb {
  const char* name;
  size_t minArgs, maxArgs;  // words after the verb; SIZE_MAX: the rest of the line
};
constexpr size_t kLine = SIZE_MAX;
constexpr Verb kVerbs[] = {{"click", 1, 3},   {"press", 1, 1},  {"release", 0, 0}, {"mouse", 4, 5},
                           {"type", 2, kLine}, {"key", 2, 2},    {"select", 2, kLine}, {"ok", 0, 0},
                           {"cancel", 0, 0},  {"answer", 1, 1}, {"advance", 1, 1}, {"picture", 1, 1},
                           {"page", 1, 1},    {"apply", 0, 0},
                           {"paste", 2, kLine}};

std::string LineError(int line, const std::string& what) { return "script line " + std::to_string(line) + ": " + what; }

// Checks the arguments of one action; an empty result when they are good.
std::string Check(const Action& a) {
  long v = 0;
  auto id = [&](size_t i) { return Lookup(kIds, a.args[i], &v); };
  if (a.verb == "click" || a.verb == "press" || a.verb == "mouse" || a.verb == "type" || a.verb == "key" ||
      a.verb == "select" || a.verb == "paste") {
    if (!id(0)) return "'" + a.args[0] + "' is not a control id";
  }
  if (a.verb == "click" && a.args.size() == 2) return "click takes a control id and optionally X Y";
  if (a.verb == "click" && a.args.size() == 3 && !(Number(a.args[1], &v) && Number(a.args[2], &v)))
    return "click: X and Y must be numbers";
  if (a.verb == "mouse") {
    if (!Lookup(kMessages, a.args[1], &v)) return "mouse: unknown message '" + a.args[1] + "'";
    if (!Number(a.args[2], &v) || !Number(a.args[3], &v)) return "mouse: X and Y must be numbers";
    if (a.args.size() == 5 && !Flags(a.args[4], &v)) return "mouse: unknown keys '" + a.args[4] + "'";
  }
  if (a.verb == "key" && !Lookup(kKeys, a.args[1], &v)) return "key: unknown key '" + a.args[1] + "'";
  if (a.verb == "select" && a.rest.empty()) return "select: no item given";
  if (a.verb == "answer" && !Lookup(kAnswers, a.args[0], &v)) return "answer: unknown answer '" + a.args[0] + "'";
  if (a.verb == "advance" && (!Number(a.args[0], &v) || v < 0)) return "advance: milliseconds must be a number";
  if (a.verb == "page" && (!Number(a.args[0], &v) || v <= 0 || v > 0xFFFF)) return "page: '" + a.args[0] + "' is not a dialog id";
  return {};
}

long Value(const Named* table, size_t n, const std::string& word) {
  for (size_t i = 0; i < n; ++i)
    if (Upper(word, table[i].name)) return table[i].value;
  long v = 0;
  Number(word, &v);
  return v;
}
#define KV_VALUE(table, word) Value(table, sizeof(table) / sizeof(table[0]), word)

}  // namespace

bool Parse(const std::string& text, Script* out, std::string* error) {
  out->actions.clear();
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::istringstream words(line);
    Action a;
    a.line = number;
    if (!(words >> a.verb) || a.verb[0] == '#') continue;
    const Verb* verb = nullptr;
    for (const Verb& v : kVerbs)
      if (a.verb == v.name) verb = &v;
    if (!verb) {
      *error = LineError(number, "unknown action '" + a.verb + "'");
      return false;
    }
    for (std::string w; words >> w;) a.args.push_back(w);
    if (verb->maxArgs == kLine) a.rest = Rest(line, 2);
    if (a.args.size() < verb->minArgs || (verb->maxArgs != kLine && a.args.size() > verb->maxArgs)) {
      *error = LineError(number, a.verb + ": wrong number of arguments");
      return false;
    }
    if (std::string why = Check(a); !why.empty()) {
      *error = LineError(number, why);
      return false;
    }
    out->actions.push_back(std::move(a));
  }
  return true;
}

void Queue(const Script& script, const std::shared_ptr<Progress>& progress) {
  namespace ui = kvp::ui;
  for (const Action& a : script.actions) {
    int line = a.line;
    ui::ScriptCall([progress, line] { progress->line = line; });
    auto id = [&](size_t i) { return int(KV_VALUE(kIds, a.args[i])); };
    auto num = [&](size_t i) {
      long v = 0;
      Number(a.args[i], &v);
      return v;
    };
    if (a.verb == "click" && a.args.size() == 3) ui::ScriptClickAt(id(0), POINT{LONG(num(1)), LONG(num(2))});
    else if (a.verb == "click") ui::ScriptClick(id(0));
    else if (a.verb == "press") ui::ScriptPress(id(0));
    else if (a.verb == "release") ui::ScriptRelease();
    else if (a.verb == "mouse")
      ui::ScriptMouse(id(0), UINT(KV_VALUE(kMessages, a.args[1])), a.args.size() == 5 ? [&] {
        long keys = 0;
        Flags(a.args[4], &keys);
        return WPARAM(keys);
      }() : 0, POINT{LONG(num(2)), LONG(num(3))});
    else if (a.verb == "type") ui::ScriptType(id(0), kvp::FromUtf8(a.rest));
    else if (a.verb == "paste") ui::ScriptPaste(id(0), kvp::FromUtf8(a.rest));
    else if (a.verb == "key") ui::ScriptKey(id(0), UINT(KV_VALUE(kKeys, a.args[1])));
    else if (a.verb == "select") {
      // A bare number picks by index; anything else (a quoted number too) by the item's text.
      long index = 0;
      if (a.args.size() == 2 && Number(a.args[1], &index)) ui::ScriptSelect(id(0), int(index));
      else ui::ScriptSelectText(id(0), kvp::FromUtf8(a.rest));
    } else if (a.verb == "ok") ui::ScriptPressOk();
    else if (a.verb == "cancel") ui::ScriptPressCancel();
    else if (a.verb == "answer") ui::ScriptAnswer(int(KV_VALUE(kAnswers, a.args[0])));
    else if (a.verb == "advance") ui::ScriptAdvance(unsigned(num(0)));
    else if (a.verb == "page") {
      int dialog = int(num(0));
      ui::ScriptCall([progress, dialog, line] {
        HWND sheet = GetActiveWindow();
        std::vector<int> ids = ui::SheetPageIds(sheet);
        auto at = std::find(ids.begin(), ids.end(), dialog);
        if (at == ids.end()) {
          if (progress->pictureError.empty())
            progress->pictureError = LineError(line, "page: the sheet has no page " + std::to_string(dialog));
          return;
        }
        SendMessageW(sheet, PSM_SETCURSEL, WPARAM(at - ids.begin()), 0);
      });
    } else if (a.verb == "apply") {
      ui::ScriptCall([progress, line] {
        HWND sheet = GetActiveWindow();
        if (ui::SheetPageIds(sheet).empty()) {
          if (progress->pictureError.empty()) progress->pictureError = LineError(line, "apply: no property sheet is open");
          return;
        }
        SendMessageW(sheet, PSM_APPLY, 0, 0);
      });
    } else if (a.verb == "picture") {
      std::string file = a.args[0];
      ui::ScriptCall([progress, file, line] {
        ui::Picture pic;
        std::string error;
        if (!ui::DrawWindow(GetActiveWindow(), &pic)) error = "no active window to draw";
        else if (ui::WritePng(pic, file, &error)) {
          progress->notes.push_back("wrote " + file + " (" + std::to_string(pic.width) + " x " +
                                    std::to_string(pic.height) + ")");
          return;
        }
        if (progress->pictureError.empty()) progress->pictureError = LineError(line, "picture: " + error);
      });
    }
  }
}

std::string Failure(const Progress& progress) {
  std::vector<std::string> errors = kvp::ui::ScriptErrors();
  if (!errors.empty()) return LineError(progress.line, errors.front());
  return progress.pictureError;
}

}  // namespace kvhost::input
