// Checks of texts from outside callers.
#include "config/api_text.h"

#include <cstring>

#include "kvplat/codepage.h"

namespace {

bool IsRefused(unsigned char c, bool backslashAllowed) {
  if (c == '\\') return !backslashAllowed;
  return std::strchr("/:;,*?\"<>|", c) != nullptr && c != 0;
}

// Calls `fn` for each single-byte character of the text with its position; double-byte characters are
// passed over whole (a lead byte at the end of the text stands alone). Stops when `fn` answers false.
template <typename Fn>
void ForEachSingleByte(const char* text, Fn fn) {
  for (const char* p = text; *p;) {
    if (IsDBCSLeadByte((BYTE)*p) && p[1]) {
      p += 2;
      continue;
    }
    if (!fn(p)) return;
    ++p;
  }
}

}  // namespace

bool ApiIsAlphanumeric(const char* text) {
  if (!text) return false;
  for (const char* p = text; *p; ++p) {
    char c = *p;
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

bool ApiCheckPathChars(const char* text, bool backslashAllowed) {
  if (!text) return false;
  bool ok = true;
  ForEachSingleByte(text, [&](const char* p) { return ok = !IsRefused((unsigned char)*p, backslashAllowed); });
  return ok;
}

bool ApiIsValidFileName(const char* name) { return ApiCheckPathChars(name, false); }

bool ApiIsValidPath(const char* path) {
  if (!path) return false;
  if (((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) && path[1] == ':') path += 2;
  return ApiCheckPathChars(path, true);
}

const char* ApiFindFileNamePart(const char* path) {
  if (!path) return nullptr;
  const char* name = path;
  ForEachSingleByte(path, [&](const char* p) {
    if (*p == '\\') name = p + 1;
    return true;
  });
  return name;
}

const char* ApiFindExtensionPart(const char* path, int* length) {
  if (length) *length = 0;
  if (!path) return nullptr;
  const char* name = ApiFindFileNamePart(path);
  if (name == path) return path;  // no folder part
  const char* dot = nullptr;
  ForEachSingleByte(name, [&](const char* p) {
    if (*p == '.') dot = p;
    return true;
  });
  if (!dot) return path;
  if (length) *length = (int)std::strlen(dot + 1);
  return dot + 1;
}

bool ApiHasChar(const char* text, char c) {
  if (!text) return false;
  bool found = false;
  ForEachSingleByte(text, [&](const char* p) { return !(found = (*p == c)); });
  return found;
}
