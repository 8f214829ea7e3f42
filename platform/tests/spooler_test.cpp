// The spooler: printers, drivers, printer data, forms, jobs, access rights, damaged files, fault injection
// and the kvhost printer command.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "kvplat/error.h"
#include "kvplat/spooler.h"
#include "kvplat/testhooks.h"
#include "kvplat/text.h"
#include "kvtest/temp_root.h"

namespace {

namespace fs = std::filesystem;

void SetProfileSwitch(const std::string& root, const std::string& key, const std::string& value) {
  std::ifstream in(root + "/machine.ini");
  std::stringstream out;
  std::string line;
  bool done = false;
  while (std::getline(in, line)) {
    if (line.rfind(key + "=", 0) == 0) {
      line = key + "=" + value;
      done = true;
    }
    out << line << "\n";
  }
  if (!done) out << key << "=" << value << "\n";
  std::ofstream(root + "/machine.ini") << out.str();
  kvp::test::NoteOutsideChange();
}

LPWSTR WS(std::u16string& s) { return s.data(); }

class Spooler : public ::testing::Test {
 protected:
  void SetUp() override {
    kvp::test::ResetSpoolerFailures();
    InstallDriver(u"ZARN Test Driver");
    ASSERT_TRUE(AddLocal(u"ZARN Test", PRINTER_ATTRIBUTE_ENABLE_BIDI));
  }
  void TearDown() override { kvp::test::ResetSpoolerFailures(); }

  static void InstallDriver(std::u16string name) {
    std::u16string env = KV_PRINT_ENVIRONMENT, drv = u"kvdrvgr.dll", data = u"kvdrvdat", cfg = u"kvdrvui.dll",
                   help = u"C:\\Help\\KV8350US.HLP", deps = std::u16string(u"kvdrvexc.dll") + u'\0' + u"kvdrvmod.ini" + u'\0',
                   mon, dt = u"RAW";
    DRIVER_INFO_3W di{3, WS(name), WS(env), WS(drv), WS(data), WS(cfg), WS(help), WS(deps), WS(mon), WS(dt)};
    ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&di))) << GetLastError();
  }
  static bool AddLocal(std::u16string name, DWORD attrs = 0, LPWSTR server = nullptr) {
    std::u16string drv = u"ZARN Test Driver";
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = WS(name);
    pi.pDriverName = WS(drv);
    pi.Attributes = attrs;
    HANDLE h = AddPrinterW(server, 2, reinterpret_cast<LPBYTE>(&pi));
    if (h) ClosePrinter(h);
    return h != nullptr;
  }
  static HANDLE Open(std::u16string name, DWORD access = PRINTER_ALL_ACCESS) {
    PRINTER_DEFAULTSW def{nullptr, nullptr, access};
    HANDLE h = nullptr;
    EXPECT_TRUE(OpenPrinterW(WS(name), &h, &def)) << GetLastError();
    return h;
  }
  // GetPrinterW through the two-call protocol; empty on failure.
  static std::vector<BYTE> Get(HANDLE h, DWORD level) {
    DWORD need = 0;
    SetLastError(0);
    EXPECT_FALSE(GetPrinterW(h, level, nullptr, 0, &need));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    std::vector<BYTE> buf(need);
    if (!GetPrinterW(h, level, buf.data(), need, &need)) return {};
    return buf;
  }

  kvtest::TempRoot root_;
};

std::u16string Str(LPCWSTR s) { return s ? std::u16string(s) : u"(null)"; }

// Every string a packed record points to must lie inside the caller's buffer.
void ExpectInside(const std::vector<BYTE>& buf, const void* p) {
  if (!p) return;
  auto* b = static_cast<const BYTE*>(p);
  EXPECT_GE(b, buf.data());
  EXPECT_LT(b, buf.data() + buf.size());
}

TEST_F(Spooler, GetPrinterLevelsFollowTheSizeProtocol) {
  HANDLE h = Open(u"zarn test", PRINTER_READ);  // names are case-insensitive
  for (DWORD level : {1u, 2u, 4u, 5u, 7u}) {
    SCOPED_TRACE(level);
    DWORD need = 0;
    EXPECT_FALSE(GetPrinterW(h, level, nullptr, 0, &need));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    ASSERT_GT(need, 0u);
    std::vector<BYTE> small(need - 1);
    DWORD need2 = 0;
    EXPECT_FALSE(GetPrinterW(h, level, small.data(), need - 1, &need2));
    EXPECT_EQ(need2, need);
    std::vector<BYTE> buf(need);
    ASSERT_TRUE(GetPrinterW(h, level, buf.data(), need, &need2));
  }
  auto b1 = Get(h, 1);
  auto* p1 = reinterpret_cast<PRINTER_INFO_1W*>(b1.data());
  EXPECT_EQ(Str(p1->pName), u"ZARN Test");
  EXPECT_EQ(Str(p1->pDescription), u"ZARN Test,ZARN Test Driver,");
  ExpectInside(b1, p1->pComment);

  auto b2 = Get(h, 2);
  auto* p2 = reinterpret_cast<PRINTER_INFO_2W*>(b2.data());
  EXPECT_EQ(p2->pServerName, nullptr);
  EXPECT_EQ(Str(p2->pPrinterName), u"ZARN Test");
  EXPECT_EQ(Str(p2->pDriverName), u"ZARN Test Driver");
  EXPECT_EQ(Str(p2->pPortName), u"FILE:");
  EXPECT_EQ(p2->pDevMode, nullptr);
  EXPECT_EQ(p2->Attributes, DWORD(PRINTER_ATTRIBUTE_ENABLE_BIDI | PRINTER_ATTRIBUTE_LOCAL));
  for (auto* s : {p2->pPrinterName, p2->pShareName, p2->pPortName, p2->pDriverName, p2->pDatatype}) ExpectInside(b2, s);

  auto b4 = Get(h, 4);
  auto* p4 = reinterpret_cast<PRINTER_INFO_4W*>(b4.data());
  EXPECT_EQ(Str(p4->pPrinterName), u"ZARN Test");
  EXPECT_EQ(p4->Attributes & PRINTER_ATTRIBUTE_ENABLE_BIDI, DWORD(PRINTER_ATTRIBUTE_ENABLE_BIDI));
  auto b5 = Get(h, 5);
  EXPECT_EQ(Str(reinterpret_cast<PRINTER_INFO_5W*>(b5.data())->pPortName), u"FILE:");

  DWORD need = 0;
  EXPECT_FALSE(GetPrinterW(h, 3, nullptr, 0, &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_LEVEL);
  EXPECT_TRUE(ClosePrinter(h));
  EXPECT_FALSE(ClosePrinter(h));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_FALSE(GetPrinterW(h, 2, nullptr, 0, &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

TEST_F(Spooler, OpenRefusesUnknownNamesAndAdministerRightsForUsers) {
  HANDLE h = reinterpret_cast<HANDLE>(1);
  std::u16string missing = u"Nobody", bad = u"A,B";
  EXPECT_FALSE(OpenPrinterW(WS(missing), &h, nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PRINTER_NAME);
  EXPECT_EQ(h, nullptr);
  EXPECT_FALSE(OpenPrinterW(WS(bad), &h, nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PRINTER_NAME);

  SetProfileSwitch(root_.path(), "Administrator", "0");
  std::u16string name = u"ZARN Test";
  PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS}, read{nullptr, nullptr, PRINTER_READ};
  EXPECT_FALSE(OpenPrinterW(WS(name), &h, &all));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  ASSERT_TRUE(OpenPrinterW(WS(name), &h, &read));
  // Reads work; writes need administer rights on the handle.
  DWORD v = 7;
  std::u16string value = u"Key";
  EXPECT_EQ(SetPrinterDataW(h, WS(value), REG_DWORD, reinterpret_cast<LPBYTE>(&v), 4), (DWORD)ERROR_ACCESS_DENIED);
  PRINTER_INFO_7W p7{nullptr, DSPRINT_UPDATE};
  EXPECT_FALSE(SetPrinterW(h, 7, reinterpret_cast<LPBYTE>(&p7), 0));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  EXPECT_FALSE(AddLocal(u"Second"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  ClosePrinter(h);
}

TEST_F(Spooler, PrinterDataRoundTripsWithTypesAndSizes) {
  HANDLE h = Open(u"ZARN Test");
  std::u16string sz = u"ZARNPrinterName", text = u"ZARN Test", dw = u"Counter", bin = u"Blob", none = u"Missing";
  ASSERT_EQ(SetPrinterDataW(h, WS(sz), REG_SZ, reinterpret_cast<LPBYTE>(text.data()), DWORD((text.size() + 1) * 2)), 0u);
  DWORD n = 42;
  ASSERT_EQ(SetPrinterDataW(h, WS(dw), REG_DWORD, reinterpret_cast<LPBYTE>(&n), 4), 0u);
  std::vector<BYTE> blob(1236);
  for (size_t i = 0; i < blob.size(); ++i) blob[i] = BYTE(i * 7);
  ASSERT_EQ(SetPrinterDataW(h, WS(bin), REG_BINARY, blob.data(), DWORD(blob.size())), 0u);

  // Another handle (as another process would) reads what was written.
  HANDLE r = Open(u"ZARN TEST", PRINTER_READ);
  DWORD type = 0, need = 0;
  EXPECT_EQ(GetPrinterDataW(r, WS(bin), &type, nullptr, 0, &need), (DWORD)ERROR_MORE_DATA);
  EXPECT_EQ(need, 1236u);
  std::vector<BYTE> got(need);
  EXPECT_EQ(GetPrinterDataW(r, WS(bin), &type, got.data(), need - 1, &need), (DWORD)ERROR_MORE_DATA);
  EXPECT_EQ(GetPrinterDataW(r, WS(bin), &type, got.data(), need, &need), 0u);
  EXPECT_EQ(type, (DWORD)REG_BINARY);
  EXPECT_EQ(got, blob);
  WCHAR buf[64];
  EXPECT_EQ(GetPrinterDataW(r, WS(sz), &type, reinterpret_cast<LPBYTE>(buf), sizeof buf, &need), 0u);
  EXPECT_EQ(std::u16string(buf), text);
  EXPECT_EQ(type, (DWORD)REG_SZ);
  EXPECT_EQ(GetPrinterDataW(r, WS(none), &type, nullptr, 0, &need), (DWORD)ERROR_FILE_NOT_FOUND);

  // Replacing keeps the value's place; deleting removes it.
  n = 43;
  ASSERT_EQ(SetPrinterDataW(h, WS(dw), REG_DWORD, reinterpret_cast<LPBYTE>(&n), 4), 0u);
  DWORD nameBytes = 0, dataBytes = 0;
  EXPECT_EQ(EnumPrinterDataW(r, 0, nullptr, 0, &nameBytes, &type, nullptr, 0, &dataBytes), 0u);
  EXPECT_EQ(nameBytes, DWORD((sz.size() + 1) * 2));  // the longest name
  EXPECT_EQ(dataBytes, 1236u);                       // the largest value
  std::vector<std::u16string> order;
  for (DWORD i = 0;; ++i) {
    WCHAR name[64];
    BYTE data[2048];
    DWORD rc = EnumPrinterDataW(r, i, name, sizeof name, &nameBytes, &type, data, sizeof data, &dataBytes);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, 0u);
    order.push_back(name);
    if (order.back() == dw) {
      EXPECT_EQ(*reinterpret_cast<DWORD*>(data), 43u);
    }
  }
  EXPECT_EQ(order, (std::vector<std::u16string>{sz, dw, bin}));
  WCHAR tiny[2];
  BYTE d[4];
  EXPECT_EQ(EnumPrinterDataW(r, 0, tiny, sizeof tiny, &nameBytes, &type, d, sizeof d, &dataBytes),
            (DWORD)ERROR_MORE_DATA);
  EXPECT_EQ(DeletePrinterDataW(h, WS(dw)), 0u);
  EXPECT_EQ(DeletePrinterDataW(h, WS(dw)), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetPrinterDataW(r, WS(dw), &type, nullptr, 0, &need), (DWORD)ERROR_FILE_NOT_FOUND);
  ClosePrinter(r);
  ClosePrinter(h);
}

// Names become file names under spool/ only: separators and dots are escaped, never followed.
TEST_F(Spooler, NamesNeverLeaveTheSpoolFolder) {
  for (const char16_t* name : {u"../../outside", u"..", u"a/b", u"CON", u"x%y|z=w"}) {
    SCOPED_TRACE(kvp::ToUtf8(name));
    ASSERT_TRUE(AddLocal(name));
    HANDLE h = Open(name, PRINTER_READ);
    EXPECT_EQ(Str(reinterpret_cast<PRINTER_INFO_2W*>(Get(h, 2).data())->pPrinterName), name);
    ClosePrinter(h);
  }
  for (auto& e : fs::recursive_directory_iterator(root_.path())) {
    if (e.is_regular_file() && e.path().extension() == ".prn") {
      EXPECT_EQ(e.path().parent_path(), fs::path(root_.path()) / "spool" / "printers") << e.path();
    }
  }
  EXPECT_FALSE(fs::exists(fs::path(root_.path()).parent_path() / "outside.prn"));
  EXPECT_EQ(kvp::SplListPrinters().size(), 6u);
  // Names too long for the platform are refused, not cut.
  EXPECT_FALSE(AddLocal(std::u16string(221, u'n')));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PRINTER_NAME);
  EXPECT_TRUE(AddLocal(std::u16string(220, u'\u00e9')));  // long, non-ASCII: filed under a hashed name
  EXPECT_EQ(kvp::SplListPrinters().size(), 7u);
}

TEST_F(Spooler, PrinterDataKeysAndBadInput) {
  HANDLE h = Open(u"ZARN Test");
  DWORD v = 1, type = 0, need = 0;
  std::u16string name = u"Value";
  ASSERT_EQ(SetPrinterDataExW(h, u"PrinterDriverData\\Locks", u"Value", REG_DWORD, reinterpret_cast<LPBYTE>(&v), 4), 0u);
  EXPECT_EQ(GetPrinterDataExW(h, u"printerdriverdata\\LOCKS", u"value", &type, reinterpret_cast<LPBYTE>(&v), 4, &need), 0u);
  // A value under a sub-key is not one of the driver key's own values.
  EXPECT_EQ(GetPrinterDataW(h, WS(name), &type, nullptr, 0, &need), (DWORD)ERROR_FILE_NOT_FOUND);

  struct Case {
    const char16_t* key;
    const char16_t* value;
    DWORD size;
    DWORD err;
  } cases[] = {
      {u"", u"V", 4, ERROR_INVALID_PARAMETER},
      {u"\\Lead", u"V", 4, ERROR_INVALID_PARAMETER},
      {u"Trail\\", u"V", 4, ERROR_INVALID_PARAMETER},
      {u"A\\\\B", u"V", 4, ERROR_INVALID_PARAMETER},
      {nullptr, u"V", 4, ERROR_INVALID_PARAMETER},
      {u"Key", nullptr, 4, ERROR_INVALID_PARAMETER},
      {u"Key", u"Huge", (1u << 20) + 1, ERROR_INVALID_PARAMETER},
  };
  std::vector<BYTE> big((1u << 20) + 1);
  for (auto& c : cases) {
    SCOPED_TRACE(c.size);
    EXPECT_EQ(SetPrinterDataExW(h, c.key, c.value, REG_BINARY, big.data(), c.size), c.err);
  }
  EXPECT_EQ(SetPrinterDataW(nullptr, WS(name), REG_DWORD, reinterpret_cast<LPBYTE>(&v), 4), (DWORD)ERROR_INVALID_HANDLE);
  ClosePrinter(h);
}

TEST_F(Spooler, SetPrinterChangesFieldsDevmodeAndName) {
  HANDLE h = Open(u"ZARN Test");
  std::vector<BYTE> dm(220 + 16);
  auto* d = reinterpret_cast<DEVMODEW*>(dm.data());
  kvp::WCopy(d->dmDeviceName, CCHDEVICENAME, u"ZARN Test");
  d->dmSize = 220;
  d->dmDriverExtra = 16;
  d->dmFields = DM_PAPERSIZE;
  d->dmPaperSize = DMPAPER_A4;
  dm[230] = 0x5A;
  std::u16string comment = u"second floor", rename = u"ZARN Renamed";
  PRINTER_INFO_2W in{};
  in.pComment = WS(comment);
  in.pDevMode = d;
  in.Attributes = PRINTER_ATTRIBUTE_SHARED;
  ASSERT_TRUE(SetPrinterW(h, 2, reinterpret_cast<LPBYTE>(&in), 0)) << GetLastError();
  auto b = Get(h, 2);
  auto* p = reinterpret_cast<PRINTER_INFO_2W*>(b.data());
  EXPECT_EQ(Str(p->pComment), comment);
  ASSERT_NE(p->pDevMode, nullptr);
  EXPECT_EQ(p->pDevMode->dmPaperSize, DMPAPER_A4);
  EXPECT_EQ(reinterpret_cast<BYTE*>(p->pDevMode)[230], 0x5A);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p->pDevMode) % 8, 0u);
  // The printer's own bits (local) stay; the others are the caller's.
  EXPECT_EQ(p->Attributes, DWORD(PRINTER_ATTRIBUTE_SHARED | PRINTER_ATTRIBUTE_LOCAL));

  EXPECT_FALSE(SetPrinterW(h, 2, reinterpret_cast<LPBYTE>(&in), 1));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(SetPrinterW(h, 5, reinterpret_cast<LPBYTE>(&in), 0));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_LEVEL);

  PRINTER_INFO_2W ren{};
  ren.pPrinterName = WS(rename);
  ren.Attributes = p->Attributes;
  ASSERT_TRUE(SetPrinterW(h, 2, reinterpret_cast<LPBYTE>(&ren), 0));
  EXPECT_EQ(Str(reinterpret_cast<PRINTER_INFO_2W*>(Get(h, 2).data())->pPrinterName), rename);
  EXPECT_EQ(kvp::SplListPrinters(), std::vector<std::u16string>{rename});

  PRINTER_INFO_7W p7{nullptr, DSPRINT_UPDATE};
  ASSERT_TRUE(SetPrinterW(h, 7, reinterpret_cast<LPBYTE>(&p7), 0));
  EXPECT_EQ(reinterpret_cast<PRINTER_INFO_7W*>(Get(h, 7).data())->dwAction, (DWORD)DSPRINT_UPDATE);
  ClosePrinter(h);
}

TEST_F(Spooler, DriversAndDriverDirectory) {
  HANDLE h = Open(u"ZARN Test", PRINTER_READ);
  DWORD need = 0;
  EXPECT_FALSE(GetPrinterDriverW(h, nullptr, 3, nullptr, 0, &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  std::vector<BYTE> buf(need);
  ASSERT_TRUE(GetPrinterDriverW(h, nullptr, 3, buf.data(), need, &need));
  auto* d = reinterpret_cast<DRIVER_INFO_3W*>(buf.data());
  EXPECT_EQ(d->cVersion, 3u);
  EXPECT_EQ(Str(d->pEnvironment), u"Windows x64");
  EXPECT_EQ(Str(d->pDriverPath), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvgr.dll");
  EXPECT_EQ(Str(d->pDataFile), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvdat");
  EXPECT_EQ(Str(d->pConfigFile), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvui.dll");
  EXPECT_EQ(Str(d->pHelpFile), u"C:\\Help\\KV8350US.HLP");
  EXPECT_EQ(Str(d->pDependentFiles), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvexc.dll");
  const WCHAR* second = d->pDependentFiles + kvp::WLen(d->pDependentFiles) + 1;
  EXPECT_EQ(Str(second), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvmod.ini");
  EXPECT_EQ(second[kvp::WLen(second) + 1], 0);

  DWORD need2 = 0;
  EXPECT_FALSE(GetPrinterDriverW(h, nullptr, 2, nullptr, 0, &need2));
  EXPECT_LT(need2, need);
  std::u16string otherEnv = u"Other Env";
  EXPECT_FALSE(GetPrinterDriverW(h, WS(otherEnv), 2, buf.data(), need, &need2));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_ENVIRONMENT);

  WCHAR dir[MAX_PATH];
  ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof dir, &need));
  EXPECT_EQ(std::u16string(dir), u"C:\\Windows\\System32\\spool\\drivers\\x64");
  EXPECT_EQ(need, DWORD((kvp::WLen(dir) + 1) * 2));
  EXPECT_FALSE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), need - 1, &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);

  std::u16string pn = u"P2", dn = u"Not Installed";
  PRINTER_INFO_2W pi{};
  pi.pPrinterName = WS(pn);
  pi.pDriverName = WS(dn);
  EXPECT_EQ(AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi)), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_UNKNOWN_PRINTER_DRIVER);
  // A driver file copied under another driver's name is not that driver.
  std::string drivers = root_.path() + "/spool/drivers/";
  fs::copy_file(drivers + "ZARN TEST DRIVER.drv", drivers + "NOT INSTALLED.drv");
  kvp::test::NoteOutsideChange();
  EXPECT_EQ(AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi)), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_DATA);
  ClosePrinter(h);
}

// Printer and driver records are kept in memory between calls; every change is still seen at the next
// call: this process's own, another process's (even of the same size within one timestamp tick), and a
// file edited by hand once noted (or after the outside-check time).
TEST_F(Spooler, KeptRecordsFollowEveryChange) {
  HANDLE h = Open(u"ZARN Test");
  std::u16string name = u"Counter";
  auto dataFile = [&] {
    DWORD need = 0;
    GetPrinterDriverW(h, nullptr, 2, nullptr, 0, &need);
    std::vector<BYTE> buf(need);
    if (!GetPrinterDriverW(h, nullptr, 2, buf.data(), need, &need)) return std::u16string(u"(failed)");
    return Str(reinterpret_cast<DRIVER_INFO_2W*>(buf.data())->pDataFile);
  };
  auto value = [&] {
    DWORD v = 0, type = 0, need = 0;
    return GetPrinterDataW(h, WS(name), &type, reinterpret_cast<LPBYTE>(&v), 4, &need) == ERROR_SUCCESS ? v : 0u;
  };
  auto inChild = [](auto body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body() ? 0 : 1);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  for (DWORD v = 1; v <= 3; ++v) {
    SCOPED_TRACE(v);
    ASSERT_EQ(SetPrinterDataW(h, WS(name), REG_DWORD, reinterpret_cast<LPBYTE>(&v), 4), 0u);  // this process
    EXPECT_EQ(value(), v);
    DWORD next = v + 10;
    ASSERT_TRUE(inChild([&] { return SetPrinterDataW(h, WS(name), REG_DWORD, reinterpret_cast<LPBYTE>(&next), 4) == 0; }));
    EXPECT_EQ(value(), next);
  }
  EXPECT_EQ(dataFile(), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvdat");
  ASSERT_TRUE(inChild([&] {
    std::u16string dn = u"ZARN Test Driver", env = KV_PRINT_ENVIRONMENT, drv = u"kvdrvgr.dll", data = u"kvdrvdax",
                   cfg = u"kvdrvui.dll";
    DRIVER_INFO_2W di{3, WS(dn), WS(env), WS(drv), WS(data), WS(cfg)};
    return AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&di)) != FALSE;
  }));
  EXPECT_EQ(dataFile(), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvdax");
  // By hand: the driver file rewritten in place with the same size.
  std::string file = root_.path() + "/spool/drivers/ZARN TEST DRIVER.drv";
  std::string text;
  {
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    text = ss.str();
  }
  size_t at = text.find("kvdrvdax");
  ASSERT_NE(at, std::string::npos);
  text[at + 7] = 'y';
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  kvp::test::NoteOutsideChange();
  EXPECT_EQ(dataFile(), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvday");
  text[at + 7] = 'z';
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  EXPECT_EQ(dataFile(), u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\kvdrvdaz");
  ClosePrinter(h);
}

TEST_F(Spooler, StandardAndAddedForms) {
  HANDLE h = Open(u"ZARN Test", PRINTER_READ);
  DWORD need = 0, count = 0;
  EXPECT_FALSE(EnumFormsW(h, 1, nullptr, 0, &need, &count));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  std::vector<BYTE> buf(need);
  ASSERT_TRUE(EnumFormsW(h, 1, buf.data(), need, &need, &count));
  ASSERT_EQ(count, (DWORD)DMPAPER_LAST);
  auto* forms = reinterpret_cast<FORM_INFO_1W*>(buf.data());
  struct {
    int code;
    const char16_t* name;
    LONG cx, cy;
  } expect[] = {{DMPAPER_LETTER, u"Letter", 215900, 279400}, {DMPAPER_LEGAL, u"Legal", 215900, 355600},
                {DMPAPER_A3, u"A3", 297000, 420000},         {DMPAPER_A4, u"A4", 210000, 297000},
                {DMPAPER_A2, u"A2", 420000, 594000},         {DMPAPER_A4_ROTATED, u"A4 Rotated", 297000, 210000}};
  for (auto& e : expect) {
    SCOPED_TRACE(e.code);
    const FORM_INFO_1W& f = forms[e.code - 1];
    EXPECT_EQ(Str(f.pName), e.name);
    EXPECT_EQ(f.Size.cx, e.cx);
    EXPECT_EQ(f.Size.cy, e.cy);
    EXPECT_EQ(f.Flags, (DWORD)FORM_BUILTIN);
    EXPECT_EQ(f.ImageableArea.right, e.cx);
  }

  std::u16string roll = u"Roll 914 x 1200";
  FORM_INFO_1W add{FORM_USER, WS(roll), {914000, 1200000}, {0, 0, 914000, 1200000}};
  ASSERT_TRUE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&add)));
  EXPECT_FALSE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&add)));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
  std::u16string a4 = u"a4";
  FORM_INFO_1W dup{FORM_USER, WS(a4), {1000, 1000}, {0, 0, 1000, 1000}};
  EXPECT_FALSE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&dup)));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
  std::u16string odd = u"Odd";
  for (RECTL area : {RECTL{0, 0, 2000, 1000}, RECTL{-1, 0, 1000, 1000}, RECTL{500, 0, 500, 1000}}) {
    FORM_INFO_1W bad{FORM_USER, WS(odd), {1000, 1000}, area};
    EXPECT_FALSE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&bad)));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_FORM_SIZE);
  }

  std::u16string lookup = u"ROLL 914 X 1200";
  ASSERT_FALSE(GetFormW(h, WS(lookup), 1, nullptr, 0, &need));
  std::vector<BYTE> one(need);
  ASSERT_TRUE(GetFormW(h, WS(lookup), 1, one.data(), need, &need));
  auto* f = reinterpret_cast<FORM_INFO_1W*>(one.data());
  EXPECT_EQ(Str(f->pName), roll);
  EXPECT_EQ(f->Flags, (DWORD)FORM_USER);
  EXPECT_EQ(f->Size.cy, 1200000);
  EXPECT_TRUE(EnumFormsW(h, 1, nullptr, 0, &need, &count) || GetLastError() == ERROR_INSUFFICIENT_BUFFER);
  buf.resize(need);
  ASSERT_TRUE(EnumFormsW(h, 1, buf.data(), need, &need, &count));
  EXPECT_EQ(count, DWORD(DMPAPER_LAST + 1));
  std::u16string nope = u"No Such Form";
  EXPECT_FALSE(GetFormW(h, WS(nope), 1, one.data(), DWORD(one.size()), &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_FORM_NAME);
  ClosePrinter(h);
}

TEST_F(Spooler, JobsAtBothLevels) {
  HANDLE h = Open(u"ZARN Test", PRINTER_READ);
  kvp::SplJobSpec spec;
  spec.document = u"Drawing.plt";
  spec.totalPages = 3;
  spec.size = 4096;
  DWORD id = kvp::SplAddJob(h, spec);
  ASSERT_EQ(id, 1u);
  spec.document = u"Second";
  spec.userName = u"UNKNOWN";
  DWORD id2 = kvp::SplAddJob(h, spec);
  ASSERT_EQ(id2, 2u);

  DWORD need = 0;
  EXPECT_FALSE(GetJobW(h, id, 1, nullptr, 0, &need));
  std::vector<BYTE> b1(need);
  ASSERT_TRUE(GetJobW(h, id, 1, b1.data(), need, &need));
  auto* j1 = reinterpret_cast<JOB_INFO_1W*>(b1.data());
  EXPECT_EQ(j1->JobId, id);
  EXPECT_EQ(Str(j1->pDocument), u"Drawing.plt");
  EXPECT_EQ(Str(j1->pUserName), u"user");
  EXPECT_EQ(Str(j1->pMachineName), u"\\\\KVMACHINE");
  EXPECT_EQ(j1->TotalPages, 3u);
  EXPECT_GE(j1->Submitted.wYear, 2020);

  EXPECT_FALSE(GetJobW(h, id2, 2, nullptr, 0, &need));
  std::vector<BYTE> b2(need);
  ASSERT_TRUE(GetJobW(h, id2, 2, b2.data(), need, &need));
  auto* j2 = reinterpret_cast<JOB_INFO_2W*>(b2.data());
  EXPECT_EQ(Str(j2->pDocument), u"Second");
  EXPECT_EQ(Str(j2->pUserName), u"UNKNOWN");
  EXPECT_EQ(Str(j2->pDriverName), u"ZARN Test Driver");
  EXPECT_EQ(j2->Position, 2u);
  EXPECT_EQ(j2->Size, 4096u);

  EXPECT_FALSE(GetJobW(h, 99, 1, b1.data(), DWORD(b1.size()), &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(GetJobW(h, id, 3, b1.data(), DWORD(b1.size()), &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_LEVEL);
  ClosePrinter(h);
}

// Job ids are the machine's, not the printer's: two printers never hand out one id, one after the other
// or from a queue made before the machine kept its own counter.
TEST_F(Spooler, JobIdsAreUniqueAcrossPrinters) {
  ASSERT_TRUE(AddLocal(u"ZARN Second"));
  HANDLE a = Open(u"ZARN Test"), b = Open(u"ZARN Second");
  kvp::SplJobSpec spec;
  spec.document = u"doc";
  std::vector<DWORD> ids = {kvp::SplAddJob(a, spec), kvp::SplAddJob(b, spec), kvp::SplAddJob(b, spec),
                            kvp::SplAddJob(a, spec)};
  EXPECT_EQ(ids, (std::vector<DWORD>{1, 2, 3, 4}));
  // An older root: no machine counter, each printer counting for itself.
  fs::remove(root_.path() + "/spool/jobs.txt");
  EXPECT_EQ(kvp::SplAddJob(b, spec), 5u);
  EXPECT_EQ(kvp::SplAddJob(a, spec), 6u);
  // A damaged counter refuses the job rather than hand out an id twice.
  std::ofstream(root_.path() + "/spool/jobs.txt") << "KVSPOOL-JOBS 1\nNextJobId=x\nEnd\n";
  EXPECT_EQ(kvp::SplAddJob(a, spec), 0u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_DATA);
  ClosePrinter(a);
  ClosePrinter(b);
}

TEST_F(Spooler, RemotePrintersCarryTheirServer) {
  std::u16string server = u"\\\\PRINTSRV", local = u"\\\\kvmachine";
  ASSERT_TRUE(AddLocal(u"Plotter", 0, WS(server)));
  ASSERT_TRUE(AddLocal(u"Local Via Own Name", 0, WS(local)));
  HANDLE h = Open(u"\\\\PRINTSRV\\Plotter", PRINTER_READ);
  auto b = Get(h, 2);
  auto* p = reinterpret_cast<PRINTER_INFO_2W*>(b.data());
  EXPECT_EQ(Str(p->pServerName), u"\\\\PRINTSRV");
  EXPECT_EQ(Str(p->pPrinterName), u"\\\\PRINTSRV\\Plotter");
  EXPECT_EQ(p->Attributes & (PRINTER_ATTRIBUTE_NETWORK | PRINTER_ATTRIBUTE_LOCAL), (DWORD)PRINTER_ATTRIBUTE_NETWORK);
  ClosePrinter(h);
  // A printer named through this machine's own name is local.
  HANDLE l = Open(u"Local Via Own Name", PRINTER_READ);
  EXPECT_EQ(reinterpret_cast<PRINTER_INFO_2W*>(Get(l, 2).data())->pServerName, nullptr);
  ClosePrinter(l);
  HANDLE miss = nullptr;
  std::u16string plain = u"Plotter";
  EXPECT_FALSE(OpenPrinterW(WS(plain), &miss, nullptr));
  EXPECT_EQ(kvp::SplListPrinters(),
            (std::vector<std::u16string>{u"Local Via Own Name", u"ZARN Test", u"\\\\PRINTSRV\\Plotter"}));
}

TEST_F(Spooler, DamagedFilesAreReportedAndLeaveTheRestAlone) {
  ASSERT_TRUE(AddLocal(u"Healthy"));
  std::string file;
  for (auto& e : fs::directory_iterator(root_.path() + "/spool/printers"))
    if (e.path().filename().string().rfind("ZARN", 0) == 0) file = e.path().string();
  ASSERT_FALSE(file.empty());
  std::string good;
  {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    good = s.str();
  }
  struct Case {
    const char* what;
    std::string text;
  } cases[] = {
      {"truncated", good.substr(0, good.size() / 2)},
      {"garbage", "\x01\x02 not a printer"},
      {"bad escape", std::string(good).replace(good.find("Name=ZARN"), 9, "Name=%ZZZZ")},
      {"bad number", std::string(good).replace(good.find("Priority=1"), 10, "Priority=x")},
      {"empty", ""},
      // A stored DEVMODE goes to drivers as it is: it must be one whole DEVMODE, sizes and bytes agreeing.
      {"devmode cut short", good.substr(0, good.size() - 4) + "DevMode=00\nEnd\n"},
      {"devmode sizes disagree",
       good.substr(0, good.size() - 4) + "DevMode=" + std::string(136, '0') + "4C000400" + "00000000\nEnd\n"},
      // Job ids: 0 names no job, and one id names one job.
      {"next job id zero", std::string(good).replace(good.find("NextJobId=1"), 11, "NextJobId=0")},
      {"job id twice", good.substr(0, good.size() - 4) + "Job=3|a|u|m|RAW|0|1|0|0|2024|1|2|3|4|5|6|7\n" +
                           "Job=3|b|u|m|RAW|0|1|0|0|2024|1|2|3|4|5|6|7\nEnd\n"},
      // A file naming another printer is not that printer, nor a second copy of it in the list.
      {"filed under another name", std::string(good).replace(good.find("Name=ZARN Test"), 14, "Name=Healthy")},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << c.text;
    kvp::test::NoteOutsideChange();
    HANDLE h = nullptr;
    std::u16string name = u"ZARN Test";
    EXPECT_FALSE(OpenPrinterW(WS(name), &h, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_DATA);
    std::vector<std::string> broken;
    EXPECT_EQ(kvp::SplListPrinters(&broken), std::vector<std::u16string>{u"Healthy"});
    EXPECT_EQ(broken.size(), 1u);
    HANDLE ok = Open(u"Healthy", PRINTER_READ);
    EXPECT_FALSE(Get(ok, 2).empty());
    ClosePrinter(ok);
  }
  // A damaged forms file fails the form calls with the same code and keeps the file as it was. A form
  // is read back only within the bounds it could have been added with.
  HANDLE h = Open(u"Healthy", PRINTER_READ);
  for (const char* form : {"Form=A|1|2", "Form=A|1000|2000|0|0|3000|2000", "Form=A|-5|2000|0|0|1|1",
                           "Form=A|1000|2000|500|0|400|2000"}) {
    SCOPED_TRACE(form);
    std::ofstream(root_.path() + "/spool/forms.txt") << "KVSPOOL-FORMS 1\n" << form << "\nEnd\n";
    kvp::test::NoteOutsideChange();
    DWORD need, count;
    EXPECT_FALSE(EnumFormsW(h, 1, nullptr, 0, &need, &count));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_DATA);
  }
  ClosePrinter(h);
}

// Values written one by one are appended to the printer's data log, not rewritten with the whole record;
// a log line cut by a kill, and log lines older than the record's last rewrite, are never taken.
TEST_F(Spooler, PrinterDataWritesAreAppendedAndACutOrStaleLogIsIgnored) {
  HANDLE h = Open(u"ZARN Test");
  std::string record = root_.path() + "/spool/printers/ZARN TEST.prn";
  std::string log = root_.path() + "/spool/printerdata/ZARN TEST.log";
  auto read = [](const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  };
  auto set = [&](const char16_t* name, DWORD v) {
    std::u16string n = name;
    return SetPrinterDataW(h, WS(n), REG_DWORD, reinterpret_cast<LPBYTE>(&v), 4);
  };
  auto get = [&](const char16_t* name) -> int64_t {
    std::u16string n = name;
    DWORD v = 0, type = 0, need = 0;
    return GetPrinterDataW(h, WS(n), &type, reinterpret_cast<LPBYTE>(&v), 4, &need) == ERROR_SUCCESS ? int64_t(v) : -1;
  };
  std::string before = read(record);
  ASSERT_EQ(set(u"A", 1), 0u);
  ASSERT_EQ(set(u"B", 2), 0u);
  ASSERT_EQ(set(u"A", 3), 0u);
  ASSERT_EQ(set(u"A", 3), 0u);  // unchanged: nothing written
  EXPECT_EQ(read(record), before);
  std::string lines = read(log);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3);
  EXPECT_EQ(get(u"A"), 3);
  EXPECT_EQ(get(u"B"), 2);

  struct Case {
    const char* what;
    std::function<std::string(const std::string&)> damage;  // the log's new text from its whole lines
  } cases[] = {
      {"a line cut short", [](const std::string& l) { return l + l.substr(0, l.find('\n') - 3); }},
      {"a line with a changed byte",
       [](const std::string& l) {
         std::string d = l;
         d[d.find('|') + 1] ^= 1;
         return d;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::ofstream(log, std::ios::binary | std::ios::trunc) << c.damage(lines);
    kvp::test::NoteOutsideChange();
    EXPECT_EQ(get(u"B"), 2);
  }
  // The cut log is folded into a rewritten record at the next write, with every whole line in it.
  std::ofstream(log, std::ios::binary | std::ios::trunc) << lines << lines.substr(0, 10);
  kvp::test::NoteOutsideChange();
  ASSERT_EQ(set(u"C", 4), 0u);
  EXPECT_NE(read(record), before);
  EXPECT_FALSE(fs::exists(log));
  EXPECT_EQ(get(u"A"), 3);
  EXPECT_EQ(get(u"B"), 2);
  EXPECT_EQ(get(u"C"), 4);
  // A log left from before the record's last rewrite (a kill between the two) is not replayed over it.
  std::u16string b = u"B";
  ASSERT_EQ(DeletePrinterDataW(h, WS(b)), 0u);
  std::ofstream(log, std::ios::binary | std::ios::trunc) << lines;
  kvp::test::NoteOutsideChange();
  EXPECT_EQ(get(u"B"), -1);
  EXPECT_EQ(get(u"A"), 3);
  // Another process sees the values.
  ASSERT_EQ(set(u"D", 5), 0u);
  pid_t pid = fork();
  if (pid == 0) _exit(get(u"D") == 5 && get(u"C") == 4 ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ClosePrinter(h);
}

TEST_F(Spooler, FailedWritesAndInjectedFailuresLoseNothing) {
  HANDLE h = Open(u"ZARN Test");
  DWORD v = 1, got = 0, need = 0, type = 0;
  std::u16string name = u"Setting";
  ASSERT_EQ(SetPrinterDataW(h, WS(name), REG_DWORD, reinterpret_cast<LPBYTE>(&v), 4), 0u);
  v = 2;
  kvp::test::FailWriteAt(1);
  EXPECT_EQ(SetPrinterDataW(h, WS(name), REG_DWORD, reinterpret_cast<LPBYTE>(&v), 4), (DWORD)ERROR_WRITE_FAULT);
  kvp::test::FailWriteAt(0);
  EXPECT_EQ(GetPrinterDataW(h, WS(name), &type, reinterpret_cast<LPBYTE>(&got), 4, &need), 0u);
  EXPECT_EQ(got, 1u);
  // No temporary file is left behind.
  for (auto& e : fs::directory_iterator(root_.path() + "/spool/printers"))
    EXPECT_EQ(e.path().extension(), ".prn") << e.path();

  kvp::test::FailSpoolerCall("GetPrinterW", 2, ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(GetPrinterW(h, 2, nullptr, 0, &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  std::vector<BYTE> buf(need);
  EXPECT_FALSE(GetPrinterW(h, 2, buf.data(), need, &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_TRUE(GetPrinterW(h, 2, buf.data(), need, &need));
  kvp::test::FailSpoolerCall("GetPrinterDataW", 1);
  EXPECT_EQ(GetPrinterDataW(h, WS(name), &type, reinterpret_cast<LPBYTE>(&got), 4, &need), (DWORD)ERROR_GEN_FAILURE);
  ClosePrinter(h);
}

// A rename writes the new file and removes the old one: failing either write, one at a time, leaves exactly
// one printer with all its data, under the old name until the rename has fully happened.
TEST_F(Spooler, RenameSurvivesEachFailedWrite) {
  HANDLE h = Open(u"ZARN Test");
  DWORD v = 5;
  std::u16string value = u"Kept", newName = u"ZARN Moved";
  ASSERT_EQ(SetPrinterDataW(h, WS(value), REG_DWORD, reinterpret_cast<LPBYTE>(&v), 4), 0u);
  PRINTER_INFO_2W ren{};
  ren.pPrinterName = WS(newName);
  bool done = false;
  for (unsigned n = 1; n <= 5 && !done; ++n) {
    SCOPED_TRACE(n);
    kvp::test::FailWriteAt(n);
    done = SetPrinterW(h, 2, reinterpret_cast<LPBYTE>(&ren), 0);
    kvp::test::FailWriteAt(0);
    auto names = kvp::SplListPrinters();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], done ? newName : u"ZARN Test");
    HANDLE r = Open(names[0], PRINTER_READ);
    DWORD got = 0, type = 0, need = 0;
    EXPECT_EQ(GetPrinterDataW(r, WS(value), &type, reinterpret_cast<LPBYTE>(&got), 4, &need), 0u);
    EXPECT_EQ(got, 5u);
    ClosePrinter(r);
  }
  EXPECT_TRUE(done);
  ClosePrinter(h);
}

TEST_F(Spooler, DeletedPrinterFailsItsHandles) {
  HANDLE h = Open(u"ZARN Test");
  HANDLE other = Open(u"ZARN Test", PRINTER_READ);
  ASSERT_TRUE(DeletePrinter(h));
  DWORD need = 0;
  EXPECT_FALSE(GetPrinterW(other, 2, nullptr, 0, &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PRINTER_DELETED);
  EXPECT_FALSE(GetPrinterW(h, 2, nullptr, 0, &need));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PRINTER_DELETED);
  EXPECT_TRUE(ClosePrinter(h));
  EXPECT_TRUE(ClosePrinter(other));
  EXPECT_TRUE(kvp::SplListPrinters().empty());
}

TEST_F(Spooler, ImpersonationIsRecorded) {
  kvp::test::ClearSpoolerImpersonationLog();
  HANDLE token = RevertToPrinterSelf();
  ASSERT_NE(token, nullptr);
  EXPECT_TRUE(ImpersonatePrinterClient(token));
  int bogus;
  EXPECT_FALSE(ImpersonatePrinterClient(&bogus));
  EXPECT_EQ(kvp::test::SpoolerImpersonationLog(),
            (std::vector<std::string>{"revert", "impersonate", "impersonate-refused"}));
}

TEST_F(Spooler, DocumentPropertiesWithoutInterfaceLibraryFails) {
  HANDLE h = Open(u"ZARN Test", PRINTER_READ);
  SetLastError(0);
  EXPECT_EQ(DocumentPropertiesW(nullptr, h, nullptr, nullptr, nullptr, 0), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_UNKNOWN_PRINTER_DRIVER);
  std::u16string missing = u"Missing";
  EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, WS(missing), nullptr, nullptr, 0), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PRINTER_NAME);
  ClosePrinter(h);
}

TEST_F(Spooler, DocumentPropertiesGoesToTheDriversInterfaceLibrary) {
  fs::copy_file(std::string(KV_MODULE_DIR) + "/kvspl_testui.so",
                root_.path() + "/c/Windows/System32/spool/drivers/x64/3/kvspl_testui.so");
  std::u16string name = u"UI Driver", env = KV_PRINT_ENVIRONMENT, drv = u"kvdrvgr.dll", data = u"kvdrvdat",
                 cfg = u"kvspl_testui.so";
  DRIVER_INFO_2W di{3, WS(name), WS(env), WS(drv), WS(data), WS(cfg)};
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&di)));
  std::u16string printer = u"With UI";
  PRINTER_INFO_2W pi{};
  pi.pPrinterName = WS(printer);
  pi.pDriverName = WS(name);
  HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(DocumentPropertiesW(nullptr, h, nullptr, nullptr, nullptr, 0), LONG(sizeof(DEVMODEW) + 16));
  DEVMODEW in{}, out{};
  in.dmPaperSize = DMPAPER_A3;
  // Without a handle the device name opens the printer for the call.
  EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, WS(printer), &out, &in, DM_OUT_BUFFER | DM_IN_BUFFER), 1);
  EXPECT_EQ(std::u16string(out.dmDeviceName), printer);
  EXPECT_EQ(out.dmPaperSize, DMPAPER_A3);
  ClosePrinter(h);

  // A library without the entry.
  cfg = u"kvdrvgr.dll";
  fs::copy_file(std::string(KV_MODULE_DIR) + "/kvres_sample.so",
                root_.path() + "/c/Windows/System32/spool/drivers/x64/3/kvdrvgr.dll");
  DRIVER_INFO_2W plain{3, WS(name), WS(env), WS(drv), WS(data), WS(cfg)};
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&plain)));
  EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, WS(printer), nullptr, nullptr, 0), -1);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PROC_NOT_FOUND);
}

// kvhost printer add/show on a fresh root: the fields and every printer-data value are printed.
TEST(SpoolerHost, KvhostAddsAndShowsAPrinter) {
  kvtest::TempRoot root;
  std::string kvhost = std::string(KV_BINARY_DIR) + "/bin/kvhost";
  if (!fs::exists(kvhost)) GTEST_SKIP() << "kvhost not built";
  std::string fresh = root.path() + "/fresh";
  std::string base = kvhost + " --root '" + fresh + "' ";
  auto run = [](const std::string& cmd) {
    std::string out;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    char buf[512];
    while (p && fgets(buf, sizeof buf, p)) out += buf;
    int rc = p ? pclose(p) : -1;
    return std::make_pair(rc, out);
  };
  auto [rc, out] = run(base + "machine init");  // kvhost works only on a machine root that exists
  ASSERT_EQ(rc, 0) << out;
  std::tie(rc, out) = run(base + "printer add 'ZARN Test' --driver 'ZARN Wide Format' --attributes ENABLE_BIDI");
  ASSERT_EQ(rc, 0) << out;
  // Another process writes printer data.
  kvp::SetMachineRoot(fresh);
  {
    HANDLE h = nullptr;
    std::u16string name = u"ZARN Test", value = u"ZARNPrinterName";
    PRINTER_DEFAULTSW def{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(name.data(), &h, &def));
    ASSERT_EQ(SetPrinterDataW(h, value.data(), REG_SZ, reinterpret_cast<LPBYTE>(name.data()),
                              DWORD((name.size() + 1) * 2)),
              0u);
    ClosePrinter(h);
  }
  std::tie(rc, out) = run(base + "printer show 'ZARN Test'");
  ASSERT_EQ(rc, 0) << out;
  EXPECT_NE(out.find("Printer ZARN Test"), std::string::npos) << out;
  EXPECT_NE(out.find("Driver:           ZARN Wide Format"), std::string::npos) << out;
  EXPECT_NE(out.find("ENABLE_BIDI"), std::string::npos) << out;
  EXPECT_NE(out.find("PrinterDriverData\\ZARNPrinterName = REG_SZ \"ZARN Test\""), std::string::npos) << out;
  std::tie(rc, out) = run(base + "printer show 'Nobody'");
  EXPECT_NE(rc, 0);
  std::tie(rc, out) = run(base + "printer remove 'ZARN Test'");
  EXPECT_EQ(rc, 0) << out;
  std::tie(rc, out) = run(base + "printer list");
  EXPECT_NE(out.find("(no printers)"), std::string::npos) << out;
  kvp::SetMachineRoot(root.path());
}

}  // namespace
