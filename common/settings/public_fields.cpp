// Public DEVMODE fields: the check table of a default store, the merge of a caller's DEVMODE, the
// dependent private settings, and the refresh of the derived settings.
#include "settings/public_fields.h"
#include "settings/library_hooks.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "driverdata/img_image.h"
#include "driverdata/rule_judges.h"
#include "kvplat/devmode.h"
#include "settings/access.h"
#include "settings/context.h"
#include "settings/model_tables.h"
#include "settings/modules.h"
#include "settings/paper_geometry.h"
#include "driverdata/rule_values.h"
#include "driverdata/img_caps.h"
#include "config/driver_lists.h"
#include "config/free_size.h"
#include "settings/setting_ids.h"
#include "settings/store.h"
#include "settings/undo.h"
#include "settings/units.h"
#include "driverdata/rule_values.h"
#include "config/resource_strings.h"
#include "settings/platform_queries.h"

namespace {

DWORD Val(SETTING_CONTEXT* ctx, WORD id) { return (DWORD)StgGetValue(ctx, id, nullptr); }
void Set(SETTING_CONTEXT* ctx, WORD id, DWORD v) { StgSetValue(ctx, id, v); }

const MODEL_BLOCK* Model(SETTING_CONTEXT* ctx) { return ctx && ctx->model ? ctx->model : StgGetModelBlock(); }

// The image's active node of a public field, found by the field's dictionary row.
IMG_REF FieldNode(SETTING_CONTEXT* ctx, WORD id) {
  ITEM_DESC* row = StgFindItem(ctx, id);
  if (!row || !ctx->dictionary || row < ctx->dictionary->rows || row >= ctx->dictionary->rows + ctx->dictionary->count)
    return 0;
  return ImgFindNodeOfRow(ctx, (int)(row - ctx->dictionary->rows));
}
WORD FieldType(SETTING_CONTEXT* ctx, WORD id) { return dfc::BaseType(ImgNodeType(FieldNode(ctx, id))); }

// The range of a Numeric node; false when the node has no value record.
bool NumericRange(IMG_REF node, LONG* lo, LONG* hi) {
  IMG_REF v = ImgNodeOptions(node);
  if (!v) return false;
  *lo = dfc::Get<int32_t>((const void*)v, 16);
  *hi = dfc::Get<int32_t>((const void*)v, 20);
  return true;
}
bool InNumericRange(SETTING_CONTEXT* ctx, WORD id, LONG value) {
  IMG_REF node = FieldNode(ctx, id);
  LONG lo, hi;
  return dfc::BaseType(ImgNodeType(node)) == dfc::kTypeNumeric && NumericRange(node, &lo, &hi) && value >= lo &&
         value <= hi;
}

bool HasSlotNode(SETTING_CONTEXT* ctx, WORD id) { return ImgFindNode(ctx, id) != 0; }

void SetBits(DEVMODEW* dm, DWORD bits, bool on) {
  if (on) dm->dmFields |= bits;
  else dm->dmFields &= ~bits;
}

// The form name bounded to the field and always terminated.
void CopyFormName(DEVMODEW* dm, const WCHAR* name) {
  std::memset(dm->dmFormName, 0, sizeof dm->dmFormName);
  for (size_t i = 0; name && i + 1 < CCHFORMNAME && name[i]; ++i) dm->dmFormName[i] = name[i];
}

// ---- The check table of a default store.

struct Check {
  DEVMODEW* dm;
  SETTING_CONTEXT* ctx;
  const MODEL_BLOCK* m;
  WORD type(WORD id) const { return FieldType(ctx, id); }
  bool has(WORD id) const { return FieldNode(ctx, id) != 0; }
};

using CheckFn = bool (*)(Check&);
using DefaultFn = void (*)(Check&);

struct PUBLIC_FIELD_ROW {
  WORD id;
  CheckFn passes;     // true: the field keeps its value (and sets its bit where the row says so)
  DefaultFn fallback; // what a field that does not pass gets
};

bool Always(Check&) { return true; }
void Keep(Check& c) { StgNoFieldDefault(c.dm, c.ctx); }

constexpr WORD kPickOne = dfc::kTypePickOne, kBoolean = dfc::kTypeBoolean, kNumeric = dfc::kTypeNumeric;
constexpr WORD kPickPage = dfc::kTypePickPage, kPickSlot = dfc::kTypePickSlot;

bool QualityPasses(Check& c) {
  WORD t = c.type(sid::dmPrintQuality);
  LONG v = c.dm->dmPrintQuality;
  bool ok = (t == kPickOne && v > 0) || (t == kNumeric && InNumericRange(c.ctx, sid::dmPrintQuality, v)) ||
            ((t == kPickOne || t == kNumeric) && v >= DMRES_HIGH && v <= DMRES_DRAFT);
  if (ok) c.dm->dmFields |= DM_PRINTQUALITY;
  return ok;
}
void QualityDefault(Check& c) {
  c.dm->dmPrintQuality = (SHORT)c.m->printQuality;
  c.dm->dmFields |= DM_PRINTQUALITY;
}

// Length and width: a positive value on a Numeric node claims its bit only with the other dimension;
// 0 on a Numeric node changes nothing.
template <WORD Id>
bool DimensionPasses(Check& c) {
  if (c.type(Id) != kNumeric) return false;
  SHORT own = Id == sid::dmPaperLength ? c.dm->dmPaperLength : c.dm->dmPaperWidth;
  SHORT other = Id == sid::dmPaperLength ? c.dm->dmPaperWidth : c.dm->dmPaperLength;
  DWORD bit = Id == sid::dmPaperLength ? DM_PAPERLENGTH : DM_PAPERWIDTH;
  if (own < 0) return false;
  if (own > 0) SetBits(c.dm, bit, other > 0);
  return true;
}

bool SetIf(Check& c, bool ok, DWORD bit) {
  if (ok) c.dm->dmFields |= bit;
  return ok;
}

constexpr PUBLIC_FIELD_ROW kPublicFieldRows[] = {
    {sid::dmDeviceName, Always, Keep},
    {sid::dmSpecVersion, [](Check& c) { return c.has(sid::dmSpecVersion); },
     [](Check& c) { c.dm->dmSpecVersion = (WORD)c.m->specVersion; }},
    {sid::dmDriverVersion, [](Check& c) { return c.has(sid::dmDriverVersion); },
     [](Check& c) { c.dm->dmDriverVersion = (WORD)c.m->driverVersion; }},
    {sid::dmSize, [](Check& c) { return c.has(sid::dmSize); },
     [](Check& c) { c.dm->dmSize = (WORD)STG_DEVMODE_PUBLIC_SIZE; }},
    {sid::dmDriverExtra, [](Check& c) { return c.has(sid::dmDriverExtra); },
     [](Check& c) { c.dm->dmDriverExtra = (WORD)STG_DEVMODE_PRIVATE_SIZE; }},
    {sid::dmFields, [](Check& c) { return c.has(sid::dmFields); },
     [](Check& c) { c.dm->dmFields = (DWORD)c.m->fields; }},
    {sid::dmOrientation,
     [](Check& c) {
       SHORT v = c.dm->dmOrientation;
       return SetIf(c, c.type(sid::dmOrientation) == kPickOne && (v == 1 || v == 2), DM_ORIENTATION);
     },
     [](Check& c) {
       c.dm->dmOrientation = (SHORT)c.m->orientation;
       c.dm->dmFields |= DM_ORIENTATION;
     }},
    {sid::dmPaperSize,
     [](Check& c) {
       SHORT v = c.dm->dmPaperSize;
       return SetIf(c, c.type(sid::dmPaperSize) == kPickPage && ((v >= 1 && v <= 118) || v >= 256), DM_PAPERSIZE);
     },
     [](Check& c) {
       c.dm->dmPaperSize = (SHORT)c.m->paperSize;
       c.dm->dmFields |= DM_PAPERSIZE;
     }},
    {sid::dmPaperLength, DimensionPasses<sid::dmPaperLength>,
     [](Check& c) {
       c.dm->dmPaperLength = (SHORT)c.m->paperLength;
       c.dm->dmFields &= ~(DWORD)DM_PAPERLENGTH;
     }},
    {sid::dmPaperWidth, DimensionPasses<sid::dmPaperWidth>,
     [](Check& c) {
       c.dm->dmPaperWidth = (SHORT)c.m->paperWidth;
       c.dm->dmFields &= ~(DWORD)DM_PAPERWIDTH;
     }},
    {sid::dmScale,
     [](Check& c) {
       WORD t = c.type(sid::dmScale);
       return (t == kPickOne && c.dm->dmScale > 0) || InNumericRange(c.ctx, sid::dmScale, c.dm->dmScale);
     },
     [](Check& c) { c.dm->dmScale = (SHORT)c.m->scale; }},
    {sid::dmCopies,
     [](Check& c) {
       return SetIf(c, c.dm->dmCopies > 0 && InNumericRange(c.ctx, sid::dmCopies, c.dm->dmCopies), DM_COPIES);
     },
     [](Check& c) {
       c.dm->dmCopies = (SHORT)c.m->copies;
       c.dm->dmFields |= DM_COPIES;
     }},
    {sid::dmDefaultSource,
     [](Check& c) {
       SHORT v = c.dm->dmDefaultSource;
       return SetIf(c, c.type(sid::dmDefaultSource) == kPickSlot && ((v >= 1 && v <= 15) || v >= 256),
                    DM_DEFAULTSOURCE);
     },
     [](Check& c) {
       c.dm->dmDefaultSource = (SHORT)c.m->defaultSource;
       c.dm->dmFields |= DM_DEFAULTSOURCE;
     }},
    {sid::dmPrintQuality, QualityPasses, QualityDefault},
    {sid::dmColor,
     [](Check& c) { return SetIf(c, c.type(sid::dmColor) == kPickOne && c.dm->dmColor > 0, DM_COLOR); },
     [](Check& c) { c.dm->dmColor = (SHORT)c.m->color; }},
    {sid::dmDuplex,
     [](Check& c) {
       WORD t = c.type(sid::dmDuplex);
       return SetIf(c, (t == kPickOne || t == kBoolean) && c.dm->dmDuplex > 0, DM_DUPLEX);
     },
     [](Check& c) {
       c.dm->dmDuplex = (SHORT)c.m->duplex;
       c.dm->dmFields |= DM_DUPLEX;
     }},
    {sid::dmYResolution,
     [](Check& c) {
       WORD t = c.type(sid::dmYResolution);
       SHORT v = c.dm->dmYResolution;
       return SetIf(c, (t == kPickOne && v > 0) || InNumericRange(c.ctx, sid::dmYResolution, v), DM_YRESOLUTION);
     },
     [](Check& c) {
       if (c.has(sid::dmPrintQuality)) {
         if (!QualityPasses(c)) QualityDefault(c);
         c.dm->dmYResolution = c.dm->dmPrintQuality;
       } else {
         c.dm->dmYResolution = (SHORT)c.m->yResolution;
       }
     }},
    {sid::dmTTOption,
     [](Check& c) { return SetIf(c, c.type(sid::dmTTOption) == kPickOne && c.dm->dmTTOption > 0, DM_TTOPTION); },
     [](Check& c) {
       c.dm->dmTTOption = (SHORT)c.m->ttOption;
       c.dm->dmFields |= DM_TTOPTION;
     }},
    {sid::dmCollate,
     [](Check& c) {
       if (!StgQuerySortTypeList(c.ctx)) {
         c.dm->dmFields &= ~(DWORD)DM_COLLATE;
         c.dm->dmCollate = 0;
       } else if (!(c.dm->dmFields & DM_COLLATE)) {
         c.dm->dmCollate = Val(c.ctx, sid::rdmFuncSelectSort) ? 1 : 0;
         c.dm->dmFields |= DM_COLLATE;
       }
       return true;
     },
     Keep},
    {sid::dmFormName,
     [](Check& c) { return SetIf(c, c.has(sid::dmFormName) && c.dm->dmFormName[0] != 0, DM_FORMNAME); },
     [](Check& c) {
       if (!c.m->formName) return;
       CopyFormName(c.dm, c.m->formName);
       c.dm->dmFields &= ~(DWORD)DM_FORMNAME;
     }},
    {sid::dmLogPixels, Always, Keep},
    {sid::dmBitsPerPel, Always, Keep},
    {sid::dmPelsWidth, Always, Keep},
    {sid::dmPelsHeight, Always, Keep},
    {sid::dmDisplayFlags, Always, Keep},
    {sid::dmDisplayFrequency, Always, Keep},
    {sid::dmICMMethod,
     [](Check& c) { return SetIf(c, c.type(sid::dmICMMethod) == kPickOne && c.dm->dmICMMethod != 0, DM_ICMMETHOD); },
     [](Check& c) { c.dm->dmICMMethod = (DWORD)c.m->icmMethod; }},
    {sid::dmICMIntent,
     [](Check& c) { return SetIf(c, c.type(sid::dmICMIntent) == kPickOne && c.dm->dmICMIntent != 0, DM_ICMINTENT); },
     [](Check& c) { c.dm->dmICMIntent = (DWORD)c.m->icmIntent; }},
    {sid::dmMediaType, [](Check& c) { return c.type(sid::dmMediaType) == kPickOne && c.dm->dmMediaType != 0; },
     [](Check& c) { c.dm->dmMediaType = (DWORD)c.m->mediaType; }},
    {sid::dmDitherType,
     [](Check& c) {
       return SetIf(c, c.type(sid::dmDitherType) == kPickOne && c.dm->dmDitherType != 0, DM_DITHERTYPE);
     },
     [](Check& c) { c.dm->dmDitherType = (DWORD)c.m->ditherType; }},
    {sid::dmICCManufacturer, Always, Keep},
    {sid::dmICCModel, Always, Keep},
    {sid::dmPanningWidth, Always, Keep},
    {sid::dmPanningHeight, Always, Keep},
};
static_assert(sizeof(kPublicFieldRows) / sizeof(kPublicFieldRows[0]) == 34, "one row per public field");

constexpr bool RowsInFieldOrder() {
  for (size_t i = 0; i < 34; ++i)
    if (kPublicFieldRows[i].id != i + 1) return false;
  return true;
}

// ---- The merge.

// A field the rules refused: the setting's compiled default when the image has a node for it, else
// the model default.
void ResetOrDefault(SETTING_CONTEXT* ctx, WORD id, void (*modelDefault)(DEVMODEW*, const MODEL_BLOCK*),
                    DEVMODEW* store) {
  if (HasSlotNode(ctx, id)) StgResetItem(ctx, StgFindItem(ctx, id));
  else modelDefault(store, Model(ctx));
}

bool InRange(LONG v, LONG lo, LONG hi) { return v >= lo && v <= hi; }

// The range of a scale or copies field: the Numeric node's when the field has one, else the model's.
void FieldRange(SETTING_CONTEXT* ctx, WORD id, LONG modelLo, LONG modelHi, LONG* lo, LONG* hi) {
  *lo = modelLo, *hi = modelHi;
  IMG_REF node = FieldNode(ctx, id);
  if (dfc::BaseType(ImgNodeType(node)) == kNumeric) NumericRange(node, lo, hi);
}

bool IsUserSlot(LONG code) { return code >= 384 && code <= 393; }

// The free-size settings take the stored length and width in 1200-dpi dots.
void SetFreeSizeDots(SETTING_CONTEXT* ctx, const DEVMODEW* store) {
  Set(ctx, sid::rdmPaperFreeSizeLength, StgLengthToDots(STG_UNIT_METRIC, (DWORD)std::max<SHORT>(0, store->dmPaperLength), 1200));
  Set(ctx, sid::rdmPaperFreeSizeWidth, StgLengthToDots(STG_UNIT_METRIC, (DWORD)std::max<SHORT>(0, store->dmPaperWidth), 1200));
}

// An explicit size: both size bits, both values at least 1, and no paper code or a custom one.
bool IsExplicitSize(DWORD fields, const DEVMODEW* dm) {
  const DWORD both = DM_PAPERLENGTH | DM_PAPERWIDTH;
  return (fields & both) == both && dm->dmPaperWidth >= 1 && dm->dmPaperLength >= 1 &&
         (!(fields & DM_PAPERSIZE) || RuleIsCustomPaperCode((DWORD)(LONG)dm->dmPaperSize));
}

// `exchange`: the size is to lie landscape (length and width swapped), used by the page-oriented merge.
void MergePaper(DEVMODEW* store, const DEVMODEW* in, DWORD f, SETTING_CONTEXT* ctx, bool pageOriented, bool exchange) {
  const DWORD both = DM_PAPERLENGTH | DM_PAPERWIDTH;
  const bool shortOver = Val(ctx, sid::rdmFuncSelectFreeShortOver) != 0;
  auto exchangeSize = [&] {
    if (exchange) std::swap(store->dmPaperLength, store->dmPaperWidth);
  };
  const bool explicitSize = pageOriented ? IsExplicitSize(f, in)
                                         : (f & both) == both && in->dmPaperWidth >= 1 && in->dmPaperLength >= 1 &&
                                               !(f & DM_PAPERSIZE);
  if (explicitSize) {
    // a. A custom size in tenths of a millimetre.
    const bool customCode = RuleIsCustomPaperCode((DWORD)(LONG)in->dmPaperSize) != 0;
    store->dmPaperSize = pageOriented && !customCode ? (SHORT)DMPAPER_USER : in->dmPaperSize;
    store->dmPaperLength = in->dmPaperLength;
    store->dmPaperWidth = in->dmPaperWidth;
    store->dmFields |= both;
    SetBits(store, DM_PAPERSIZE, Val(ctx, sid::rdmHidden2Func24) != 0);
    if (pageOriented) exchangeSize();
    STG_CUSTOM_SIZE_ARG arg{store, 0};
    StgBroadcastModuleEvent(ctx, STG_EVENT_CUSTOM_SIZE_TAKEN, &arg);
    if (pageOriented) {
      SetFreeSizeDots(ctx, store);
    } else {
      Set(ctx, sid::rdmPaperFreeSizeLength, StgLengthToDots(STG_UNIT_METRIC, (DWORD)in->dmPaperLength, 1200));
      Set(ctx, sid::rdmPaperFreeSizeWidth, StgLengthToDots(STG_UNIT_METRIC, (DWORD)in->dmPaperWidth, 1200));
    }
  } else if (f & DM_PAPERSIZE) {
    // b. A paper code.
    DWORD code = (DWORD)(LONG)in->dmPaperSize;
    if (RuleIsCustomSlotPaper(code, ctx)) {
      if (shortOver) {
        store->dmPaperSize = in->dmPaperSize;
        store->dmFields &= ~both;
      } else {
        CfgLoadAllFreeSizes(ctx);
        int slot = CfgFreeSizePaperToIndex(code, ctx);
        CfgLoadBuiltinFreeSize(ctx, code, slot);
        CfgSelectFreeSizeSlot(ctx, slot);
        LONG w = (LONG)(int32_t)Val(ctx, sid::wdmFreeSizeWidth), l = (LONG)(int32_t)Val(ctx, sid::wdmFreeSizeLength);
        store->dmPaperLength = (SHORT)StgDotsToLength(STG_UNIT_METRIC, (DWORD)(l > 0 ? l : 0), 1200);
        store->dmPaperWidth = (SHORT)StgDotsToLength(STG_UNIT_METRIC, (DWORD)(w > 0 ? w : 0), 1200);
        store->dmPaperSize = in->dmPaperSize;
        store->dmFields |= both;
        if (pageOriented) exchangeSize();
      }
    } else if (RuleIsValidPaperSize(code, ctx)) {
      store->dmPaperSize = in->dmPaperSize;
      store->dmFields &= ~both;
      LONG size[2];
      if (!shortOver && ImgGetPaperSizeOf(ctx, size, sid::dmPaperSize)) {
        store->dmPaperWidth = (SHORT)size[0];
        store->dmPaperLength = (SHORT)size[1];
      }
    } else {
      ResetOrDefault(ctx, sid::dmPaperSize, [](DEVMODEW* d, const MODEL_BLOCK* m) { d->dmPaperSize = (SHORT)m->paperSize; },
                     store);
      store->dmFields &= ~both;
    }
    store->dmFields |= DM_PAPERSIZE;
  } else if (f & DM_ORIENTATION) {
    // c. The standard paper's size follows the orientation.
    if (pageOriented && IsExplicitSize(store->dmFields, store)) {
      exchangeSize();
      SetFreeSizeDots(ctx, store);
      return;
    }
    if (pageOriented && (store->dmFields & DM_PAPERSIZE) && RuleIsCustomSlotPaper((DWORD)(LONG)store->dmPaperSize, ctx)) {
      exchangeSize();
      return;
    }
    LONG size[2];
    if ((store->dmFields & DM_PAPERSIZE) && !RuleIsCustomSlotPaper((DWORD)(LONG)store->dmPaperSize, ctx) &&
        ImgGetPaperSizeOf(ctx, size, sid::dmPaperSize)) {
      store->dmPaperWidth = (SHORT)size[0];
      store->dmPaperLength = (SHORT)size[1];
    }
  } else if (f & DM_FORMNAME) {
    // d. Any non-empty name is taken: an empty one before it must not lock the field for good.
    if (in->dmFormName[0] == 0) {
      std::memset(store->dmFormName, 0, sizeof store->dmFormName);
      store->dmFields &= ~(DWORD)DM_FORMNAME;
    } else {
      CopyFormName(store, in->dmFormName);
      store->dmFields |= DM_FORMNAME;
    }
  }
}

// A field checked by its rule: kept when accepted, else the model default; `bit` set when accepted
// (or always, with `alwaysBit`).
template <class T, class V>
void TakeChecked(DEVMODEW* store, SETTING_CONTEXT* ctx, int (*valid)(V, SETTING_CONTEXT*), T DEVMODEW::*field,
                 T modelValue, DWORD bit, bool alwaysBit) {
  bool ok = valid((V)(store->*field), ctx) != 0;
  if (!ok) store->*field = modelValue;
  if (ok || alwaysBit) store->dmFields |= bit;
}

}  // namespace

static_assert(RowsInFieldOrder(), "the check table is in DEVMODE field order");

void StgNoDefault(DEVMODEW*, SETTING_CONTEXT*) {}
void StgNoFieldDefault(DEVMODEW*, SETTING_CONTEXT*) {}

void StgCheckPublicFields(int, SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return;
  Check c{StgGetDevmode(ctx), ctx, Model(ctx)};
  for (const PUBLIC_FIELD_ROW& row : kPublicFieldRows)
    if (!row.passes(c)) row.fallback(c);
}

void StgSetPublicDefaults(DEVMODEW*, int mode, SETTING_CONTEXT* ctx) {
  if (mode == 1) StgCheckPublicFields(mode, ctx);
}

void StgWritePrivateTextsCommon(SETTING_CONTEXT* ctx) {
  if (!ctx || !ctx->store) return;
  const MODEL_BLOCK* m = Model(ctx);
  auto* h = reinterpret_cast<PRIVATE_DEVMODE_HEADER*>(ctx->store->bytes + PDM_OFF);
  auto put = [](char (&field)[16], const WCHAR* text) {
    std::memset(field, 0, sizeof field);
    if (text) CfgWideToAnsi(field, text, (int)sizeof field - 1);
    field[sizeof field - 1] = 0;
  };
  put(h->iniFileName, m->driverIniName);
  put(h->cdcVersion, m->cdcVersionText);
  put(h->kpjlVersion, m->kpjlVersionText);
  std::memset(h->kcomMark, 0, sizeof h->kcomMark);
  h->kcomVersion = 0;
  std::memset(h->kcomMember, 0, sizeof h->kcomMember);
  std::memset(h->kcomCaps, 0, sizeof h->kcomCaps);
}

void StgFinishStoreDefaults(DEVMODEW* dm, SETTING_CONTEXT* ctx) {
  if (!dm || !ctx) return;
  // A default store is this model's private DEVMODE whatever the data file's defaults say: the machine id
  // and the driver type that the validators compare come from the model block.
  BYTE* p = reinterpret_cast<BYTE*>(dm);
  p[PDM_OFF_MACHINE_ID] = (BYTE)Model(ctx)->modelCode;
  p[PDM_OFF_DRIVER_TYPE] = (BYTE)Model(ctx)->driverType;
  StgValidateAllItems(dm, ctx, 1);
  StgRefreshGeometryAndState(dm, ctx, 1);
  StgWritePrivateTexts(ctx);
}

void StgValidateAllItems(DEVMODEW* dm, SETTING_CONTEXT* ctx, int mode) { RuleResetUncheckedSettings(dm, ctx, mode); }

void StgMergePublicFieldsCommon(DEVMODEW* store, const DEVMODEW* in, SETTING_CONTEXT* ctx) {
  StgMergePublicFieldsWith(store, in, ctx, false);
}

void StgMergePublicFieldsWith(DEVMODEW* store, const DEVMODEW* in, SETTING_CONTEXT* ctx, bool pageOriented) {
  if (!store || !in || !ctx || !ctx->store) return;
  DWORD f = in->dmFields;
  const MODEL_BLOCK* m = Model(ctx);
  const SHORT formerOrientation = store->dmOrientation;
  // 1. Raw copy of the claimed fields. The paper code, length and width are taken only by the paper
  // branches below, so a custom size they refuse (a width of 0) leaves the store's paper whole.
#define KV_TAKE(bit, field) \
  if (f & (bit)) store->field = in->field;
  KV_TAKE(DM_ORIENTATION, dmOrientation)
  KV_TAKE(DM_SCALE, dmScale)
  KV_TAKE(DM_COPIES, dmCopies)
  KV_TAKE(DM_DEFAULTSOURCE, dmDefaultSource)
  KV_TAKE(DM_PRINTQUALITY, dmPrintQuality)
  KV_TAKE(DM_COLOR, dmColor)
  KV_TAKE(DM_DUPLEX, dmDuplex)
  KV_TAKE(DM_YRESOLUTION, dmYResolution)
  KV_TAKE(DM_TTOPTION, dmTTOption)
  KV_TAKE(DM_COLLATE, dmCollate)
  KV_TAKE(DM_ICMMETHOD, dmICMMethod)
  KV_TAKE(DM_ICMINTENT, dmICMIntent)
  KV_TAKE(DM_MEDIATYPE, dmMediaType)
  KV_TAKE(DM_DITHERTYPE, dmDitherType)
#undef KV_TAKE
  // 2, 3. Default source and orientation.
  if (f & DM_DEFAULTSOURCE) {
    if (!RuleIsValidDefaultSource((DWORD)(int32_t)store->dmDefaultSource, ctx))
      ResetOrDefault(ctx, sid::dmDefaultSource,
                     [](DEVMODEW* d, const MODEL_BLOCK* mb) { d->dmDefaultSource = (SHORT)mb->defaultSource; }, store);
    store->dmFields |= DM_DEFAULTSOURCE;
  }
  if (f & DM_ORIENTATION) {
    if (!RuleIsValidOrientation((DWORD)(int32_t)store->dmOrientation, ctx))
      ResetOrDefault(ctx, sid::dmOrientation,
                     [](DEVMODEW* d, const MODEL_BLOCK* mb) { d->dmOrientation = (SHORT)mb->orientation; }, store);
    store->dmFields |= DM_ORIENTATION;
  }
  // 4. A user-defined size is taken by its length and width, unless the store holds an oversized one.
  if (in->dmPaperSize == DMPAPER_USER) f = (f & ~(DWORD)DM_PAPERSIZE) | DM_PAPERLENGTH | DM_PAPERWIDTH;
  if (Val(ctx, sid::rdmFuncSelectFreeShortOver) == 1) f = (f & ~(DWORD)(DM_PAPERLENGTH | DM_PAPERWIDTH)) | DM_PAPERSIZE;
  // 5.
  // A size turns only when the page does: merging the same landscape page twice must not turn it back.
  const bool landscape = store->dmOrientation == DMORIENT_LANDSCAPE;
  const bool turned = landscape != (formerOrientation == DMORIENT_LANDSCAPE);
  const bool explicitIn = IsExplicitSize(f, in) || ((f & DM_PAPERSIZE) && RuleIsCustomSlotPaper((DWORD)(LONG)in->dmPaperSize, ctx));
  MergePaper(store, in, f, ctx, pageOriented, explicitIn ? landscape : turned);
  // 6, 7. Scale and copies within their ranges.
  LONG lo, hi;
  if (f & DM_SCALE) {
    FieldRange(ctx, sid::dmScale, (LONG)m->constant30, (LONG)m->constant31, &lo, &hi);
    if (!InRange(store->dmScale, lo, hi)) store->dmScale = (SHORT)m->scale;
  }
  store->dmFields &= ~(DWORD)DM_SCALE;
  if (f & DM_COPIES) {
    FieldRange(ctx, sid::dmCopies, (LONG)m->constant32, (LONG)m->constant33, &lo, &hi);
    if (!InRange(store->dmCopies, lo, hi)) store->dmCopies = (SHORT)m->copies;
    store->dmFields |= DM_COPIES;
  }
  // 8.
  if ((f & DM_MEDIATYPE) && !RuleIsValidMediaType(store->dmMediaType, ctx)) store->dmMediaType = (DWORD)m->mediaType;
  // 9, 10. Print quality; the y resolution always follows it.
  if (f & DM_PRINTQUALITY) StgMergePrintQuality(store, in, ctx);
  store->dmYResolution = store->dmPrintQuality;
  store->dmFields |= DM_YRESOLUTION;
  // 11, 12.
  if (f & DM_DUPLEX) TakeChecked(store, ctx, RuleIsValidDuplex, &DEVMODEW::dmDuplex, (SHORT)m->duplex, DM_DUPLEX, true);
  if (f & DM_COLOR) TakeChecked(store, ctx, RuleIsValidColor, &DEVMODEW::dmColor, (SHORT)m->color, DM_COLOR, true);
  if (f & DM_TTOPTION)
    TakeChecked(store, ctx, RuleIsValidTTOption, &DEVMODEW::dmTTOption, (SHORT)m->ttOption, DM_TTOPTION, false);
  // 13. Collate exactly when the sort type is selectable.
  store->dmFields &= ~(DWORD)DM_COLLATE;
  store->dmCollate = 0;
  if (StgQuerySortTypeList(ctx)) {
    store->dmFields |= DM_COLLATE;
    bool on = (f & DM_COLLATE) ? in->dmCollate == 1 : Val(ctx, sid::rdmFuncSelectSort) != 0;
    store->dmCollate = on ? 1 : 0;
  }
  // 14.
  if (f & DM_ICMMETHOD)
    TakeChecked(store, ctx, RuleIsValidICMMethod, &DEVMODEW::dmICMMethod, (DWORD)m->icmMethod, DM_ICMMETHOD, false);
  if (f & DM_ICMINTENT)
    TakeChecked(store, ctx, RuleIsValidICMIntent, &DEVMODEW::dmICMIntent, (DWORD)m->icmIntent, DM_ICMINTENT, false);
  if (f & DM_DITHERTYPE)
    TakeChecked(store, ctx, RuleIsValidDitherType, &DEVMODEW::dmDitherType, (DWORD)m->ditherType, DM_DITHERTYPE,
                false);
}

void StgMergePrintQuality(DEVMODEW* store, const DEVMODEW* in, SETTING_CONTEXT* ctx) {
  if (!store || !in || !ctx || !ctx->store) return;
  const MODEL_BLOCK* m = Model(ctx);
  const DWORD mode = ctx->work ? ctx->work->mergeMode : 0;
  // 1. The incoming quality.
  SHORT q = in->dmPrintQuality;
  ITEM_DESC* dst = StgFindItem(ctx, sid::rdmDstResolutionW);
  if (q >= DMRES_HIGH && q <= DMRES_DRAFT) {
    ResetOrDefault(ctx, sid::dmPrintQuality,
                   [](DEVMODEW* d, const MODEL_BLOCK* mb) { d->dmPrintQuality = (SHORT)mb->printQuality; }, store);
  } else if (RuleIsValidPrintQuality((DWORD)(int32_t)q, ctx)) {
    store->dmPrintQuality = q;
  } else if (dst) {
    STG_VALUE_REJECTED_ARG arg{store, dst, (uint64_t)(int64_t)q};
    StgBroadcastModuleEvent(ctx, STG_EVENT_VALUE_REJECTED, &arg);
    store->dmPrintQuality = (SHORT)arg.value;
  } else {
    store->dmPrintQuality = (SHORT)m->printQuality;
  }
  // 2. The resolution setting and its candidate.
  const DWORD pq = (DWORD)(int32_t)store->dmPrintQuality;
  WORD setting = sid::rdmDstResolutionW;
  DWORD candidate = pq;
  if (dfc::BaseType(ImgNodeType(FieldNode(ctx, sid::rdmDstResolutionW))) == kNumeric) {
    setting = sid::rdmDstResolutionBoth;
    ITEM_DESC* both = StgFindItem(ctx, setting);
    candidate = Val(ctx, setting);
    const RESOLUTION_ROW* row = ImgFindResolutionRow(candidate);
    if (Val(ctx, sid::rdmUseUserMacro) != 1 || !row || row->xDpi != pq) {
      candidate = ImgResolutionCodeByXDpi(pq);
      // The table is finite; the bound only guards against a lookup that does not advance.
      for (int n = 0; candidate && n < 256; ++n) {
        int r = RuleCheckOptionValue(both, setting, candidate, ctx);
        if (r == 1 || r == 5) break;
        candidate = ImgResolutionCodeAfter(pq, candidate);
      }
      if (!candidate) candidate = pq;
    }
  }
  // 3. A candidate the rules refuse is offered to the modules.
  ITEM_DESC* item = StgFindItem(ctx, setting);
  int r = RuleCheckOptionValue(item, setting, candidate, ctx);
  if (r != 1 && r != 5) {
    STG_VALUE_REJECTED_ARG arg{store, item, candidate};
    StgBroadcastModuleEvent(ctx, STG_EVENT_VALUE_REJECTED, &arg);
    if (setting == sid::rdmDstResolutionBoth) {
      if (const RESOLUTION_ROW* row = ImgFindResolutionRow((DWORD)arg.value)) store->dmPrintQuality = (SHORT)row->xDpi;
    } else {
      store->dmPrintQuality = (SHORT)arg.value;
    }
  }
  // 4. A user quality macro decides the resolution of a prompted document-sheet merge.
  DWORD macro = Val(ctx, sid::rdmUserPrintMacro);
  if (Val(ctx, sid::rdmUseUserMacro) == 1 && (mode & STG_MERGE_DOC_SHEETS) && (mode & STG_MERGE_PROMPT) &&
      ((macro >= 32 && macro <= 39) || macro == 160)) {
    if (StgPushUndo(ctx)) {
      CfgLoadQualityByIndex(ctx, (int)(macro - 32));
      DWORD resolution = Val(ctx, sid::rdmDstResolutionW);
      StgPopUndo(ctx, 1);
      if ((SHORT)resolution != store->dmPrintQuality) store->dmPrintQuality = (SHORT)resolution;
    }
  }
  // 5.
  if (!(mode & STG_MERGE_NO_PROMPT)) {
    DWORD forced = RuleGetForcedQuality(ctx, 0);
    if (forced) store->dmPrintQuality = (SHORT)forced;
  }
  store->dmFields |= DM_PRINTQUALITY;
}

namespace {

// dmDuplex 2 binds on the long edge of the sheet as it lies: landscape binds at the top.
void MergeDuplex(DEVMODEW* store, SETTING_CONTEXT* ctx) {
  SHORT d = store->dmDuplex;
  bool landscape = store->dmOrientation == DMORIENT_LANDSCAPE;
  if (d != DMDUP_VERTICAL && d != DMDUP_HORIZONTAL) {
    if (!StgGetCustomFuncBit(ctx, sid::wdmCustomFunc0)) Set(ctx, sid::rdmFuncSelectDuplex, 0);
    return;
  }
  bool topBinding = (d == DMDUP_VERTICAL) == landscape;
  if (!Val(ctx, sid::rdmFuncSelectDuplex)) {
    Set(ctx, sid::rdmFuncSelectDuplex, 1);
    Set(ctx, sid::rdmDuplexType, topBinding ? 1 : 3);
    return;
  }
  int32_t b = (int32_t)Val(ctx, sid::rdmDuplexType);
  if (topBinding) {
    if (!StgIsValueAllowedByIndex(0, b)) b = StgIsValueAllowedByIndex(9, b) ? 17 : StgIsValueAllowedByIndex(10, b) ? 20 : 1;
  } else {
    if (!StgIsValueAllowedByIndex(1, b)) b = StgIsValueAllowedByIndex(11, b) ? 19 : StgIsValueAllowedByIndex(12, b) ? 22 : 3;
  }
  Set(ctx, sid::rdmDuplexType, (DWORD)b);
}

// A custom page printed on the standard paper of the same size, when the caller asks for it.
void AutoOutputPaper(const DEVMODEW* in, DWORD b, SETTING_CONTEXT* ctx) {
  const DWORD mode = ctx->work ? ctx->work->mergeMode : 0;
  if (!StgIsFeatureBitSet(4) || !(mode & STG_MERGE_CLASS_A) || Val(ctx, sid::rdmHidden2Func15) != 1) return;
  if (Val(ctx, sid::rdmOutPaperSize) != 1024 || Val(ctx, sid::rdmFuncSelectNup) != 0) return;
  DWORD duplex = Val(ctx, sid::rdmFuncSelectDuplex), type = Val(ctx, sid::rdmDuplexType);
  if (duplex && !(duplex == 1 && type >= 1 && type <= 3)) return;
  const DWORD both = DM_PAPERLENGTH | DM_PAPERWIDTH;
  LONG width = 0, length = 0;
  if ((b & both) == both && in->dmPaperWidth > 0 && in->dmPaperLength > 0 && in->dmPaperSize == DMPAPER_USER) {
    width = in->dmPaperWidth, length = in->dmPaperLength;
  } else if ((in->dmFields & DM_PAPERSIZE) && IsUserSlot(in->dmPaperSize)) {
    if (!StgGetUserSlotSize(ctx, (DWORD)in->dmPaperSize, &width, &length)) return;
  } else {
    return;
  }
  DWORD paper = ImgFindPaperBySize(ctx, width, length, 1);
  if (!paper) return;
  Set(ctx, sid::rdmOutPaperSize, paper);
  Set(ctx, sid::rdmExtPrintArea, 2);
  Set(ctx, sid::rdmFuncSelectScale, 1);
  Set(ctx, sid::rdmScaleType, 1);
  Set(ctx, sid::rdmScaleH, 100);
  Set(ctx, sid::rdmScaleV, 100);
}

// Source geometry by the fields that came in: a custom size, a paper code, or the orientation alone.
void SourceGeometry(DEVMODEW* store, DWORD b, SETTING_CONTEXT* ctx) {
  const DWORD both = DM_PAPERLENGTH | DM_PAPERWIDTH;
  auto apply = [&](DWORD fields) {
    if ((fields & both) == both && store->dmPaperLength > 0 && store->dmPaperWidth > 0 && !(fields & DM_PAPERSIZE)) {
      StgSetSourcePaperFromDevmode(store, ctx);
      return true;
    }
    if (fields & DM_PAPERSIZE) {
      StgApplySourcePaper((DWORD)(LONG)store->dmPaperSize, sid::dmPaperSize, ctx, store);
      return true;
    }
    return false;
  };
  if (apply(b)) return;
  if (b & DM_ORIENTATION) apply(store->dmFields);
}

void RefreshStateBytes(SETTING_CONTEXT* ctx) {
  StgSetPresentUIMode(ctx, Val(ctx, sid::rdmUIModeChange) ? 1 : 0);
  StgSetBidiSupport(ctx, (BYTE)(StgIsBidiEnabled(ctx) ? 1 : 0));
  StgSetServerClientMode(ctx, (BYTE)(StgIsRemotePrinter(ctx) ? 1 : 0));
}

bool OtherTextEmpty(SETTING_CONTEXT* ctx) {
  ITEM_DESC* row = StgFindItem(ctx, sid::rdmOther);
  BYTE* p = row ? StgGetValuePtr(ctx, row) : nullptr;
  return p && p[0] == 0;
}

}  // namespace

void StgMergeDependentSettings(DEVMODEW* store, const DEVMODEW* in, SETTING_CONTEXT* ctx) {
  if (!store || !in || !ctx || !ctx->store) return;
  const DWORD b = in->dmFields & store->dmFields;
  const DWORD mode = ctx->work ? ctx->work->mergeMode : 0;
  // 1, 2.
  if (b & DM_DUPLEX) MergeDuplex(store, ctx);
  if (b & DM_MEDIATYPE) Set(ctx, sid::rdmMediaType, (DWORD)(int32_t)(int16_t)(store->dmMediaType & 0xFFFF));
  // 3.
  CfgReloadSelectedStamp(ctx);
  RuleApplyUserMacro(ctx);
  StgBroadcastModuleEvent(ctx, STG_EVENT_SETTINGS_CHANGED, nullptr);
  StgBroadcastModuleEvent(ctx, STG_EVENT_DEPENDENTS, nullptr);
  StgBroadcastModuleCommand(ctx, STG_CMD_CMM_LAST);
  // 4.
  AutoOutputPaper(in, b, ctx);
  // 5-7.
  if (!(mode & STG_MERGE_NO_PROMPT)) StgSyncResolutionFromQuality(store, ctx);
  SourceGeometry(store, b, ctx);
  StgApplyOutputPaper(Val(ctx, sid::rdmOutPaperSize), sid::rdmOutPaperSize, ctx, store);
  // 8, 9.
  RefreshStateBytes(ctx);
  if (OtherTextEmpty(ctx)) StgFillOtherText(ctx);
  Set(ctx, sid::wdmUIStart, 0);
  // 10.
  StgValidateAllItems(store, ctx, 2);
}

void StgRefreshGeometryAndState(DEVMODEW* dm, SETTING_CONTEXT* ctx, int kind) {
  if (!dm || !ctx || !ctx->store) return;
  StgSyncResolutionFromDst(dm, ctx);
  StgApplySourcePaper((DWORD)(LONG)dm->dmPaperSize, sid::dmPaperSize, ctx, dm);
  StgApplyOutputPaper(Val(ctx, sid::rdmOutPaperSize), sid::rdmOutPaperSize, ctx, dm);
  RefreshStateBytes(ctx);
  if (kind == 1 || kind == 3 || kind == 4) StgFillOtherText(ctx);
  Set(ctx, sid::wdmUIStart, 0);
  StgBroadcastModuleEvent(ctx, STG_EVENT_DERIVED_REFRESHED, nullptr);
  Set(ctx, sid::rdmExtOutputEMFSpool, 1);
}

void StgRefreshDerivedSettings(DEVMODEW* dm, SETTING_CONTEXT* ctx, int kind) {
  StgRefreshGeometryAndState(dm, ctx, kind);
  if (!dm || !ctx || !ctx->store) return;
  RuleSetDevmodeDuplex(dm, ctx);
  RuleSetDevmodeMediaType(dm, ctx);
}
