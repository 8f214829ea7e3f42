// Test helpers for status selection, texts and pictures: a status container over records the test
// owns, and the current language set for one test.
#pragma once
#include <string>
#include <vector>

#include "kvplat/codepage.h"
#include "kvtest/temp_root.h"
#include "statusdata/infonode.h"
#include "statusdata/pminfo.h"
#include "statusdata/status.h"
#include "statusdata/tests/record_fixture.h"

namespace sdtest {

// A record with engine codes (and their texts), devices and the no-response flag.
struct StatusRecord {
  Record record;
  explicit StatusRecord(std::vector<DWORD> codes = {}, std::vector<WORD> devices = {}, bool noResponse = false,
                        const char* text = nullptr) {
    for (DWORD c : codes) {
      PatAddEngineStatus(record.get(), c);
      if (text) {
        auto* last = reinterpret_cast<ENGINE_STATUS_NODE*>(record->pEngineStatus);
        while (last->hdr.next) last = reinterpret_cast<ENGINE_STATUS_NODE*>(last->hdr.next);
        PatCopyText(last->text, sizeof last->text, text);
      }
    }
    for (WORD d : devices) {
      auto* n = reinterpret_cast<DEVICE_NODE*>(PatNewListNode(sizeof(DEVICE_NODE)));
      n->deviceCode = d;
      PatAppendPrnInfoNode(record.get(), "pDeviceInfo", &n->hdr);
    }
    record->noResponse = noResponse ? 1 : 0;
  }
};

// Root 10 with item 2 (general) and item 1 (kind 1) naming the same record, or others when given.
struct StatusContainer {
  Tree tree;
  explicit StatusContainer(PRN_INFO_EX* general, PRN_INFO_EX* selected = nullptr, DWORD rootData = 0)
      : tree(InfoNodeCreate(nullptr, INFO_ID_STATUS, rootData ? &rootData : nullptr, rootData ? 4 : 0)) {
    InfoNodeCreate(tree.root, 2, &general, sizeof general);
    PRN_INFO_EX* s = selected ? selected : general;
    InfoNodeCreate(tree.root, 1, &s, sizeof s);
    // With root data (4 bytes) the monitor of kind 0x8000 finds its record as item 4.
    if (rootData) InfoNodeCreate(tree.root, 4, &s, sizeof s);
  }
  INFO_NODE* get() { return tree.root; }
};

// A fresh machine root and a language for one test; the language is put back afterwards.
struct Language {
  kvtest::TempRoot root;
  WORD saved = PatCurrentLanguage();
  explicit Language(WORD langId) { PatSetCurrentLanguage(langId); }
  ~Language() { PatSetCurrentLanguage(saved); }
};

inline std::u16string Wide(const std::string& ansi, UINT codePage) {
  std::u16string out;
  kvp::AnsiToWide(ansi, &out, codePage);
  return out;
}

}  // namespace sdtest
