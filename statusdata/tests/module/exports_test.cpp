// The sixteen exports of M8350d64 as a status monitor sees them: the module loaded by name from a
// machine's driver folder, its entry points found by name, nothing of it linked.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kvplat/codepage.h"
#include "kvplat/error.h"
#include "kvplat/heap.h"
#include "kvplat/module.h"
#include "kvplat/resource.h"
#include "kvtest/temp_root.h"
#include "statusdata/statusapi.h"

namespace {

constexpr DWORD kNotFound = 0x2000ffff;
constexpr DWORD kLocale = 0x20000001;

// Nodes built the way a monitor builds them.
INFO_NODE* Node(INFO_NODE* parent, DWORD id, const void* data, DWORD length) {
  auto* n = static_cast<INFO_NODE*>(GlobalAlloc(GPTR, sizeof(INFO_NODE) + length));
  n->id = id;
  n->dataLength = length;
  if (length) std::memcpy(InfoNodeBytes(n), data, length);
  if (parent) {
    n->parent = parent;
    if (parent->lastChild) parent->lastChild->nextSibling = n;
    else parent->firstChild = n;
    parent->lastChild = n;
  }
  return n;
}
void FreeTree(INFO_NODE* n) {
  if (!n) return;
  for (INFO_NODE* c = n->firstChild; c;) {
    INFO_NODE* next = c->nextSibling;
    FreeTree(c);
    c = next;
  }
  GlobalFree(n);
}

// A monitor's record: zeroed, size word set; the lists the library stores in it are freed with it.
struct MonitorRecord {
  std::vector<BYTE> block;
  explicit MonitorRecord(DWORD size = 404) : block(size < 280 ? 280 : size, 0) { get()->size = size; }
  ~MonitorRecord() {
    PRN_INFO_EX* r = get();
    for (LIST_NODE* head : {r->pEngineStatus, r->pLoadedEmul, r->pLoadedFont, r->pTrayInfo, r->pOutBinInfo,
                            r->pDeviceInfo, r->pEmulUniqInfo, r->pCounterInfo, r->pSupplyInfo})
      while (head) {
        LIST_NODE* next = head->next;
        GlobalFree(head);
        head = next;
      }
    for (CHAR* s : {r->pModelName, r->pMakerName, r->pDescription, r->pSYSVersion, r->pMainProgVersion, r->pKPSVersion})
      if (s) GlobalFree(s);
  }
  PRN_INFO_EX* get() { return reinterpret_cast<PRN_INFO_EX*>(block.data()); }
};

class Exports : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    std::string dir = root_.path() + "/c/Windows/System32/spool/drivers/x64/3";
    fs::create_directories(dir);
    fs::copy_file(fs::path(KV_MODULE_DIR) / "M8350d64.so", dir + "/M8350d64.dll");
    kvp::ClearModuleSearchDirs();
    kvp::AddModuleSearchDir(u"C:\\Windows\\System32\\spool\\drivers\\x64\\3");
    lib_ = LoadLibraryW(u"M8350d64.dll");
    ASSERT_NE(lib_, nullptr) << GetLastError();
    ASSERT_TRUE(Bind());
    ASSERT_TRUE(setLocale("EN"));
  }
  void TearDown() override {
    if (lib_) FreeLibrary(lib_);
    kvp::ClearModuleSearchDirs();
  }
  template <typename F>
  bool One(const char* name, F& f) {
    f = reinterpret_cast<F>(GetProcAddress(lib_, name));
    EXPECT_NE(f, nullptr) << name;
    return f != nullptr;
  }
  bool Bind() {
    // Every export is looked up, also after a missing one, so the failure names them all.
    bool all = true;
    all &= One("PatCreateBitmapInfo", createBitmaps);
    all &= One("PatDisposeBitmapInfo", disposeBitmaps);
    all &= One("PatLoadBitmap", loadBitmap);
    all &= One("PatGetStatusString", statusString);
    all &= One("PatGetDeviceName", deviceName);
    all &= One("PatPMInfoToPrnInfoEx", pmToRecord);
    all &= One("PatPrnInfoExToPrnInfo", recordToPrnInfo);
    all &= One("PatCreateQueryInfo", createQuery);
    all &= One("PatCreateEmulUniqQueryInfo", createEmulQuery);
    all &= One("PatSetCentroDataTo", setCentroData);
    all &= One("PatGetDllVersion", dllVersion);
    all &= One("PatGetPeripheralProfile", profile);
    all &= One("PatSetLocale", setLocale);
    all &= One("PatGetStatusHelpFileName", helpFile);
    all &= One("PatLoadDIBitmap", loadDib);
    all &= One("PatGetPalette", palette);
    return all;
  }
  // A status container over one record: items 1, 2 and (root data of 4 bytes) 4.
  INFO_NODE* Status(PRN_INFO_EX* record) {
    DWORD four = 4;
    INFO_NODE* root = Node(nullptr, 10, &four, 4);
    for (DWORD id : {2u, 1u, 4u}) Node(root, id, &record, sizeof record);
    return root;
  }
  // The record after a reply whose device id reports `sts`.
  void Feed(PRN_INFO_EX* record, const std::string& sts) {
    INFO_NODE* query = createQuery(record, 2, 0x2);
    ASSERT_NE(query, nullptr);
    INFO_NODE* reply = Node(nullptr, 2, nullptr, 0);
    query->parent = reply;
    reply->firstChild = reply->lastChild = query;
    std::string id = "MFG:KAVRO;MDL:ZW;CMD:ZARN;STS:" + sts + ";";
    Node(reply, 1002, id.c_str(), DWORD(id.size() + 1));
    EXPECT_TRUE(setCentroData(reply, 0, record, 2)) << GetLastError();
    FreeTree(reply);
  }

  kvtest::TempRoot root_;
  HMODULE lib_ = nullptr;
  PFN_PatCreateBitmapInfo createBitmaps;
  PFN_PatDisposeBitmapInfo disposeBitmaps;
  PFN_PatLoadBitmap loadBitmap;
  PFN_PatGetStatusString statusString;
  PFN_PatGetDeviceName deviceName;
  PFN_PatPMInfoToPrnInfoEx pmToRecord;
  PFN_PatPrnInfoExToPrnInfo recordToPrnInfo;
  PFN_PatCreateQueryInfo createQuery;
  PFN_PatCreateEmulUniqQueryInfo createEmulQuery;
  PFN_PatSetCentroDataTo setCentroData;
  PFN_PatGetDllVersion dllVersion;
  PFN_PatGetPeripheralProfile profile;
  PFN_PatSetLocale setLocale;
  PFN_PatGetStatusHelpFileName helpFile;
  PFN_PatLoadDIBitmap loadDib;
  PFN_PatGetPalette palette;
};

TEST_F(Exports, EveryExportRefusesBadArgumentsWith87) {
  MonitorRecord record, small(403);
  INFO_NODE* status = Status(record.get());
  char buf[64];
  DWORD size = sizeof buf;
  PERIPHERAL_PROFILE prof;
  PM_INFO pm{};
  PRN_INFO flat;
  struct Case {
    const char* name;
    std::function<bool()> call;
  } cases[] = {
      {"PatCreateBitmapInfo null", [&] { return createBitmaps(1, nullptr, 3) != nullptr; }},
      {"PatCreateBitmapInfo version", [&] { return createBitmaps(1, status, 2) != nullptr; }},
      {"PatCreateBitmapInfo kind", [&] { return createBitmaps(2, status, 3) != nullptr; }},
      {"PatDisposeBitmapInfo", [&] { return disposeBitmaps(nullptr) != 0; }},
      {"PatLoadBitmap", [&] { return loadBitmap(nullptr) != nullptr; }},
      {"PatGetStatusString null", [&] { return statusString(1, nullptr, 3, 1, buf, &size) != 0; }},
      {"PatGetStatusString size", [&] { return statusString(1, status, 3, 1, buf, nullptr) != 0; }},
      {"PatGetStatusString version", [&] { return statusString(1, status, 2, 1, buf, &size) != 0; }},
      {"PatGetStatusString kind", [&] { return statusString(0x8001, status, 3, 1, buf, &size) != 0; }},
      {"PatGetDeviceName", [&] { return deviceName(1, "Cut Paper Tray", 0x97, buf, nullptr) != 0; }},
      {"PatGetDeviceName kind", [&] { return deviceName(0, "Cut Paper Tray", 0x97, buf, &size) != 0; }},
      {"PatPMInfoToPrnInfoEx", [&] { return pmToRecord(1, nullptr, 'd', 0, record.get()) != 0; }},
      {"PatPMInfoToPrnInfoEx record", [&] { return pmToRecord(1, &pm, 'd', 0, nullptr) != 0; }},
      {"PatPrnInfoExToPrnInfo", [&] { return recordToPrnInfo(nullptr, &flat, 0) != 0; }},
      {"PatPrnInfoExToPrnInfo dest", [&] { return recordToPrnInfo(record.get(), nullptr, 0) != 0; }},
      {"PatCreateQueryInfo", [&] { return createQuery(nullptr, 2, 0) != nullptr; }},
      {"PatCreateQueryInfo version", [&] { return createQuery(record.get(), 3, 0) != nullptr; }},
      {"PatCreateEmulUniqQueryInfo", [&] { return createEmulQuery(nullptr, 2, 15, 0) != nullptr; }},
      {"PatCreateEmulUniqQueryInfo id", [&] { return createEmulQuery(buf, 2, 16, 0) != nullptr; }},
      {"PatSetCentroDataTo", [&] { return setCentroData(nullptr, 0, record.get(), 2) != 0; }},
      {"PatSetCentroDataTo root", [&] { return setCentroData(status, 0, record.get(), 2) != 0; }},
      {"PatGetDllVersion", [&] { return dllVersion(nullptr) != 0; }},
      {"PatGetPeripheralProfile", [&] { return profile(1, &prof, nullptr) != 0; }},
      {"PatSetLocale", [&] { return setLocale(nullptr) != 0; }},
      {"PatGetStatusHelpFileName", [&] { return helpFile(1, nullptr, 0, buf, &size) != 0; }},
      {"PatGetStatusHelpFileName small", [&] { return helpFile(1, small.get(), 0, buf, &size) != 0; }},
      {"PatGetStatusHelpFileName kind", [&] { return helpFile(3, record.get(), 0, buf, &size) != 0; }},
      {"PatLoadDIBitmap", [&] { return loadDib(nullptr) != nullptr; }},
      {"PatGetPalette", [&] { return palette(nullptr, nullptr) != 0; }},
      {"PatGetPalette buffer", [&] {
         DWORD four = 4;
         return palette(nullptr, &four) != 0;
       }},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    size = sizeof buf;
    EXPECT_FALSE(c.call()) << c.name;
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER) << c.name;
  }
  FreeTree(status);
}

TEST_F(Exports, StatusTextWithTheSizeProtocol) {
  MonitorRecord record;
  Feed(record.get(), "10001/41201,1,");
  INFO_NODE* status = Status(record.get());
  DWORD size = 0;
  EXPECT_FALSE(statusString(1, status, 3, 2, nullptr, &size));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  const std::string expected = "Load paper in the indicated paper source tray.\nTray 1(Paper Roll 1)";
  EXPECT_EQ(size, expected.size() + 1);
  std::vector<char> text(size);
  ASSERT_TRUE(statusString(1, status, 0x103, 2, text.data(), &size));  // only the low byte is the version
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(std::string(text.data()), expected);

  ASSERT_TRUE(setLocale("de"));
  size = 0;
  statusString(1, status, 3, 1, nullptr, &size);
  text.assign(size, 0);
  ASSERT_TRUE(statusString(1, status, 3, 1, text.data(), &size));
  EXPECT_EQ(std::string(text.data()), "Kein Papier");

  // No priority table for kind 0x8000: a missing table, not a lack of memory.
  size = 64;
  text.assign(size, 0);
  EXPECT_FALSE(statusString(0x8000, status, 3, 1, text.data(), &size));
  EXPECT_EQ(GetLastError(), kNotFound);
  EXPECT_FALSE(statusString(1, status, 3, 3, text.data(), &size));
  EXPECT_EQ(GetLastError(), kNotFound);
  FreeTree(status);
}

TEST_F(Exports, LocaleTable) {
  struct Case {
    const char* code;
    bool ok;
  } cases[] = {{"zh_cn", true}, {"en", true}, {"Pt", true}, {"ENGLISH", false},
               {"ZH_CN_TOO_LONG", false}, {"", false}, {"EN ", false}};
  for (const auto& c : cases) {
    SetLastError(1);
    EXPECT_EQ(setLocale(c.code) != 0, c.ok) << c.code;
    EXPECT_EQ(GetLastError(), c.ok ? 0u : kLocale) << c.code;
  }
  // The language chosen decides the code page of every later text: Chinese arrives as GB text.
  ASSERT_TRUE(setLocale("ZH_CN"));
  DWORD fan = 976;
  char name[64];
  DWORD size = sizeof name;
  ASSERT_TRUE(deviceName(3, &fan, 0x96, name, &size));
  std::u16string wide;
  ASSERT_TRUE(kvp::AnsiToWide(name, &wide, 936));
  EXPECT_EQ(wide, u"风琴折叠单元");
  EXPECT_EQ(size, 13u);
}

TEST_F(Exports, HelpFileProfilePaletteVersion) {
  MonitorRecord record;
  Feed(record.get(), "41201,1,");
  char name[8] = "x";
  DWORD size = 1;
  ASSERT_TRUE(helpFile(1, record.get(), 0, name, &size));
  EXPECT_EQ(size, 1u);
  EXPECT_STREQ(name, "");
  size = 0;
  EXPECT_FALSE(helpFile(1, record.get(), 0, name, &size));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, 1u);
  size = 8;
  EXPECT_FALSE(helpFile(0x8000, record.get(), 0, name, &size));
  EXPECT_EQ(GetLastError(), kNotFound);

  PERIPHERAL_PROFILE prof{};
  size = 100;
  EXPECT_FALSE(profile(0x8001, &prof, &size));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  EXPECT_EQ(size, 20u);
  size = 19;
  EXPECT_FALSE(profile(1, &prof, &size));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  size = 20;
  ASSERT_TRUE(profile(0x80000001, &prof, &size));
  EXPECT_EQ(std::vector<DWORD>(prof.words, prof.words + 5), (std::vector<DWORD>{0x20000, 3, 3, 2, 0}));
  ASSERT_TRUE(profile(0x8000, &prof, &size));
  EXPECT_EQ(std::vector<DWORD>(prof.words, prof.words + 5), (std::vector<DWORD>{0x20000, 3, 64, 0, 0}));

  size = 0;
  EXPECT_FALSE(palette(nullptr, &size));
  EXPECT_EQ(GetLastError(), 0x20000003u);

  BYTE block[64];
  std::memset(block, 0xAB, sizeof block);
  auto* v = reinterpret_cast<PAT_DLL_VERSION*>(block);
  v->size = 31;
  EXPECT_FALSE(dllVersion(v));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  v->size = 64;
  ASSERT_TRUE(dllVersion(v)) << GetLastError();
  EXPECT_EQ(v->size, 64u);
  EXPECT_EQ(v->fileVersion, 0x01000400u);
  EXPECT_EQ(v->fixed1, 0x2000100u);
  EXPECT_EQ(v->fixed2, 0x3060000u);
  EXPECT_EQ(std::vector<BYTE>(block + 16, block + 32), std::vector<BYTE>(16, 0));
  EXPECT_EQ(block[32], 0xAB);  // beyond the 32 bytes nothing is written
}

TEST_F(Exports, QueriesRepliesAndMonitorRecords) {
  MonitorRecord request;
  INFO_NODE* query = createQuery(request.get(), 2, 0x4);
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(query->id, 1u);
  EXPECT_EQ(GetLastError(), 0u);
  FreeTree(query);
  INFO_NODE* emul = createEmulQuery(request.get(), 2, 0x1000F, 0);
  ASSERT_NE(emul, nullptr);
  FreeTree(emul);

  // A reply that leaves out what was asked does not answer its query.
  query = createQuery(request.get(), 2, 0x4);
  INFO_NODE* reply = Node(nullptr, 2, nullptr, 0);
  query->parent = reply;
  reply->firstChild = reply->lastChild = query;
  std::string pjl = "@PJL INFO OUTBINSTATUS\r\nUPPER=READY\r\n\f";
  Node(reply, 1000, pjl.c_str(), DWORD(pjl.size() + 1));
  MonitorRecord record;
  EXPECT_FALSE(setCentroData(reply, 0, record.get(), 2));
  EXPECT_EQ(GetLastError(), 0x20000002u);
  MonitorRecord small(403);
  EXPECT_FALSE(setCentroData(reply, 0, small.get(), 2));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  FreeTree(reply);

  // The monitor's own record in and the flat record out.
  DWORD statusWord = 0;
  PM_INFO pm{};
  pm.slot0 = &statusWord;
  EXPECT_TRUE(pmToRecord(1, &pm, 'd', 0x2, record.get())) << GetLastError();
  ASSERT_NE(record.get()->pEngineStatus, nullptr);
  PRN_INFO flat{};
  EXPECT_TRUE(recordToPrnInfo(record.get(), &flat, 0xFFFFFFFF)) << GetLastError();
  EXPECT_FALSE(pmToRecord(1, &pm, 'h', 0, record.get()));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST_F(Exports, PicturesByNameAndPictureLists) {
  MonitorRecord record;
  Feed(record.get(), "42000,1,");
  INFO_NODE* status = Status(record.get());
  PAT_BITMAP_INFO* list = createBitmaps(1, status, 3);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  auto* entry = static_cast<PAT_BITMAP_INFO*>(list->elements);
  auto* placements = static_cast<BITMAP_PLACEMENT*>(entry->elements);
  ASSERT_EQ(entry->count, 5u);
  // Every placement names a picture of the library, loadable both ways.
  for (DWORD i = 0; i < entry->count; ++i) {
    SCOPED_TRACE(placements[i].name);
    const BITMAPINFOHEADER* dib = loadDib(placements[i].name);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->biSize, 40u);
    HBITMAP bitmap = loadBitmap(placements[i].name);
    ASSERT_NE(bitmap, nullptr);
    kvp::BitmapDesc desc;
    ASSERT_TRUE(kvp::BitmapDescribe(bitmap, &desc));
    EXPECT_EQ(desc.width, dib->biWidth);
    DeleteObject(bitmap);
  }
  EXPECT_EQ(loadDib("BM_BASE")->biWidth, 200);
  EXPECT_EQ(loadDib("BM_NOTHING"), nullptr);
  EXPECT_EQ(loadBitmap("BM_NOTHING"), nullptr);

  ASSERT_TRUE(disposeBitmaps(list));
  EXPECT_FALSE(disposeBitmaps(list));  // freed already: refused
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);

  list = createBitmaps(0x8000, status, 3);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(static_cast<PAT_BITMAP_INFO*>(list->elements)->count, 0u);
  EXPECT_TRUE(disposeBitmaps(list));
  FreeTree(status);

  char name[64];
  DWORD size = 5;
  EXPECT_FALSE(deviceName(1, "Cut Paper Tray", 0x97, name, &size));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, 15u);
  ASSERT_TRUE(deviceName(1, "Cut Paper Tray", 0x97, name, &size));
  EXPECT_STREQ(name, "Cut Paper Tray");
}

}  // namespace
