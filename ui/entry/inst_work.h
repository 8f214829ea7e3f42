// What printer set-up keeps in a context's work area between its steps: the install defaults taken
// over from the install-defaults INI and the pack-installation flag. It lives in the work area's
// reserved room of subsystems 5 to 7.
#pragma once
#include "kvplat/types.h"
#include "settings/context.h"

struct INST_WORK {
  BYTE userCodeUse;        // install defaults: a user code is in use
  BYTE userCodeFixed;      //   the user code is fixed
  WCHAR userCode[9];       //   the user code (8 characters)
  WORD displayLanguage;    //   region id
  WORD defaultPaper;       //   DEVMODE paper code (1 Letter, 9 A4)
  WORD displayUnit;        //   0 millimetres, 1 inches
  WORD countryNumber;      //   the locale's country code when it starts with 1, 2 or 5, else 0
  BYTE packInstalling;     // 1 while the pack installation runs (the preset dialog hides its Cancel)
};
static_assert(sizeof(INST_WORK) <= sizeof(CONTEXT_WORK_AREA::reserved28), "set-up state fits its room");

inline INST_WORK* InstWork(SETTING_CONTEXT* ctx) {
  return ctx && ctx->work ? reinterpret_cast<INST_WORK*>(ctx->work->reserved28) : nullptr;
}
