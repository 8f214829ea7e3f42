// Name resolution over the settings model's static tables: symbolic names, enumeration and resource
// names, the template's dialog table and the message table.
#include "driverdata/dfc_internal.h"
#include "settings/item_records.h"

namespace dfc {

namespace {

int TableSymbol(void*, const char* name, uint16_t* id, uint16_t* key) {
  const ITEM_SYMBOL* s = StgFindSymbolByName(name);
  if (!s) return 0;
  *id = s->id;
  *key = s->key;
  return 1;
}
int TableEnum(void*, const char* name, uint32_t* value) {
  const ENUM_SYMBOL* e = StgFindEnumSymbolByName(name);
  if (!e) return 0;
  *value = e->value;
  return 1;
}
int TableDialog(void*, const char* name, uint16_t* id) {
  const DIALOG_DESC* d = StgTableFindDialogByName(StgGetTemplateDialogTable(), name);
  if (!d) return 0;
  *id = d->id;
  return 1;
}
int TableControl(void*, const char* name, uint16_t* id) {
  const CONTROL_DESC* c = StgTableFindControlByName(StgGetTemplateDialogTable(), nullptr, name);
  if (!c) return 0;
  *id = c->controlId;
  return 1;
}
int TableMessage(void*, const char* name, uint16_t* key) {
  const MESSAGE_DESC* m = StgTableFindMessageByName(StgGetMessageTable(), name);
  if (!m) return 0;
  *key = m->key;
  return 1;
}

const DFC_RESOLVER kTableResolver = {nullptr, TableSymbol, TableEnum, TableDialog, TableControl, TableMessage};
const DFC_RESOLVER* g_defaultResolver = nullptr;

}  // namespace

const DFC_RESOLVER* DfcDefaultResolver() { return g_defaultResolver ? g_defaultResolver : &kTableResolver; }
void DfcSetDefaultResolver(const DFC_RESOLVER* resolver) { g_defaultResolver = resolver; }

}  // namespace dfc
