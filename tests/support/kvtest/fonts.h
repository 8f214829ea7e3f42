// Engine fonts and strings that free themselves, for tests.
#pragma once
#include <memory>

#include "kvplat/engine_font.h"

namespace kvtest {

struct FontDeleter {
  void operator()(FONTOBJ* f) const { kvp::eng::DeleteFont(f); }
};
struct StringDeleter {
  void operator()(STROBJ* s) const { kvp::eng::DeleteString(s); }
};
using Font = std::unique_ptr<FONTOBJ, FontDeleter>;
using Str = std::unique_ptr<STROBJ, StringDeleter>;

}  // namespace kvtest
