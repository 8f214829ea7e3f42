// The maker's status service (registry flag, library, connection) and the mirroring of a server
// printer's value through the remote-configuration binding.
#include <cstring>
#include <string>

#include "config/bidi_state.h"
#include "config/printer_data.h"
#include "kvplat/registry.h"
#include "settings/tests/platform_queries_fixture.h"

using namespace kvcfgtest;

namespace {

class StatusService : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    printer_ = AddPrinter(u"Plotter");
    ctx_ = Context(printer_);
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    StgReleaseContext(ctx_, STG_RELEASE_FREE);
    MachineTest::TearDown();
  }
  void Flag(DWORD v) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\KAVRO\\Dira Vezaruv Evaruv", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"KVBIDI_FLG", 0, REG_DWORD, (const BYTE*)&v, 4), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void Connection(DWORD v) {
    ASSERT_EQ(SetPrinterDataW(printer_, (LPWSTR)u"TelvanConnection", REG_DWORD, (LPBYTE)&v, 4), (DWORD)ERROR_SUCCESS);
  }
  void TerminalServer(const char* on) {
    PlaceModule("kvtse", std::u16string(kDriverDir) + u"kvtse.dll");
    Script("kvtse", std::string("TerminalServer=") + on + "\n");
    StgResetPlatformQueryCaches();
  }
  HANDLE printer_ = nullptr;
  SETTING_CONTEXT* ctx_ = nullptr;
};

TEST_F(StatusService, StateByTerminalServerFlagLibraryAndConnection) {
  WCHAR path[260];
  ASSERT_TRUE(BidiStatusServiceDllPath(path, 260, ctx_));
  EXPECT_EQ(std::u16string(path), u"C:\\Windows\\System32\\KVBIDISS.dll");
  WCHAR tiny[8] = u"x";
  EXPECT_FALSE(BidiStatusServiceDllPath(tiny, 8, ctx_));
  EXPECT_EQ(tiny[0], 0);
  TerminalServer("1");
  Connection(1);
  EXPECT_EQ(BidiStatusServiceState(ctx_), BIDI_SERVICE_NONE);  // no flag, no library
  Flag(1);
  EXPECT_FALSE(BidiStatusServicePresent(ctx_));
  WriteFile(u"C:\\Windows\\System32\\KVBIDISS.dll", "service");
  EXPECT_TRUE(BidiStatusServicePresent(ctx_));
  EXPECT_EQ(BidiStatusServiceState(ctx_), BIDI_SERVICE_CONNECTED);
  Connection(0);
  EXPECT_EQ(BidiStatusServiceState(ctx_), BIDI_SERVICE_NOT_CONNECTED);
  Flag(2);
  EXPECT_EQ(BidiStatusServiceState(ctx_), BIDI_SERVICE_NONE);
  // Outside terminal-server mode the state is 0 whatever the registry says.
  Flag(1);
  Connection(1);
  TerminalServer("0");
  EXPECT_EQ(BidiStatusServiceState(ctx_), BIDI_SERVICE_NONE);
}

// A scripted server: the size it reports and the bytes it holds, and the results of its two entries.
struct Server {
  DWORD sizeResult = 0, dataResult = 0, size = 4;
  BYTE bytes[16] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::string key, value;
};
Server* g_server = nullptr;

DWORD ServerSize(HANDLE, BYTE, const WCHAR*, const char* key, const char* value, DWORD* size) {
  g_server->key = key;
  g_server->value = value;
  *size = g_server->size;
  return g_server->sizeResult;
}
DWORD ServerData(HANDLE, BYTE, const WCHAR*, const char*, const char*, DWORD size, BYTE* buffer) {
  std::memcpy(buffer, g_server->bytes, size < 16 ? size : 16);
  return g_server->dataResult;
}

TEST_F(StatusService, MirrorsAServerValueOfTheExpectedSizeOnly) {
  Server server;
  g_server = &server;
  KV_CONFIG_FUNCS funcs{};
  funcs.serverPrinterName = u"Plotter";
  funcs.KVGetPrinterDataSize = ServerSize;
  funcs.KVGetPrinterData = ServerData;
  DWORD type = 0, size = 0, dest = 0;
  ASSERT_TRUE(CfgMirrorPrinterDataValue(printer_, u"rdmPrinterMemory", &type, &dest, 4, &size, REG_BINARY, &funcs));
  EXPECT_EQ(server.key, "PrinterDriverData");
  EXPECT_EQ(server.value, "rdmPrinterMemory");
  EXPECT_EQ(type, DWORD(REG_BINARY));
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(dest, 0x04030201u);
  DWORD local = 0;
  EXPECT_TRUE(CfgGetPrinterDataValue(printer_, &local, 4, u"rdmPrinterMemory"));
  EXPECT_EQ(local, 0x04030201u);
  // A value of another size, or a failing entry: nothing reaches the caller or the local data.
  struct Case {
    DWORD size, sizeResult, dataResult;
  } refused[] = {{8, 0, 0}, {4, 5, 0}, {4, 0, 5}};
  for (const Case& k : refused) {
    server.size = k.size;
    server.sizeResult = k.sizeResult;
    server.dataResult = k.dataResult;
    dest = 7;
    EXPECT_FALSE(CfgMirrorPrinterDataValue(printer_, u"Other", &type, &dest, 4, &size, REG_BINARY, &funcs));
    EXPECT_EQ(dest, 7u);
    EXPECT_FALSE(CfgGetPrinterDataValue(printer_, &local, 4, u"Other"));
  }
  EXPECT_FALSE(CfgMirrorPrinterDataValue(printer_, u"Other", &type, &dest, 4, &size, REG_BINARY, nullptr));
  g_server = nullptr;
}

}  // namespace
