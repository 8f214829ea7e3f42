// Registry: keys, the value size protocol, enumeration, deletion, administrator rights, the hive text
// (fixtures, persistence, corruption) and two processes sharing a hive.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/registry.h"
#include "kvplat/testhooks.h"
#include "kvplat/text.h"
#include "kvtest/temp_root.h"

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

std::vector<BYTE> Bytes(const void* p, size_t n) {
  auto* b = static_cast<const BYTE*>(p);
  return std::vector<BYTE>(b, b + n);
}

// n nested keys "k\\k\\...".
std::u16string DeepPath(size_t n) {
  std::u16string p = u"k";
  for (size_t i = 1; i < n; ++i) p += u"\\k";
  return p;
}

class Registry : public ::testing::Test {
 protected:
  kvtest::TempRoot root;
  void SetAdministrator(bool on) {
    std::string ini = ReadBytes(root.path() + "/machine.ini");
    size_t at = ini.find("Administrator=");
    ASSERT_NE(at, std::string::npos);
    ini[at + 14] = on ? '1' : '0';
    std::ofstream(root.path() + "/machine.ini", std::ios::binary | std::ios::trunc) << ini;
    kvp::test::NoteOutsideChange();
  }
  HKEY Create(HKEY base, const char16_t* path, REGSAM sam = KEY_ALL_ACCESS) {
    HKEY k = nullptr;
    EXPECT_EQ(RegCreateKeyExW(base, path, 0, nullptr, 0, sam, nullptr, &k, nullptr), ERROR_SUCCESS);
    return k;
  }
};

TEST_F(Registry, CreateOpenAndDisposition) {
  HKEY k = nullptr;
  DWORD disp = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\KAVRO\\ZarnDrv", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &k, &disp), ERROR_SUCCESS);
  EXPECT_EQ(disp, (DWORD)REG_CREATED_NEW_KEY);
  RegCloseKey(k);
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"software\\kavro\\ZARNDRV\\", 0, nullptr, 0, KEY_READ, nullptr,
                            &k, &disp), ERROR_SUCCESS);
  EXPECT_EQ(disp, (DWORD)REG_OPENED_EXISTING_KEY);
  HKEY sub = nullptr;
  EXPECT_EQ(RegOpenKeyExW(k, nullptr, 0, KEY_READ, &sub), ERROR_SUCCESS);  // the key itself again
  EXPECT_EQ(RegCloseKey(sub), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(sub), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);

  struct Case {
    HKEY base;
    const char16_t* path;
    LSTATUS want;
  } cases[] = {
      {HKEY_LOCAL_MACHINE, u"Software\\Kavro", ERROR_SUCCESS},
      {HKEY_LOCAL_MACHINE, u"Software\\Missing", ERROR_FILE_NOT_FOUND},
      {HKEY_CURRENT_USER, u"SOFTWARE\\KAVRO", ERROR_FILE_NOT_FOUND},  // hives are separate
      {HKEY_LOCAL_MACHINE, u"\\Software", ERROR_BAD_PATHNAME},
      {HKEY_LOCAL_MACHINE, u"Software\\\\Kavro", ERROR_BAD_PATHNAME},
      {HKEY_LOCAL_MACHINE, u"Soft\tware", ERROR_INVALID_PARAMETER},
      {HKEY_CLASSES_ROOT, u"x", ERROR_INVALID_HANDLE},
      {reinterpret_cast<HKEY>(0x1234), u"x", ERROR_INVALID_HANDLE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kvp::ToUtf8(c.path));
    HKEY r = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(c.base, c.path, 0, KEY_READ, &r), c.want);
    if (c.want == ERROR_SUCCESS) {
      RegCloseKey(r);
    } else {
      EXPECT_EQ(r, nullptr);
    }
  }
  std::u16string longName(256, u'a');
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, longName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);

  // Keys nest as deep as a hive file can be read back with, and no deeper.
  HKEY deep = Create(HKEY_CURRENT_USER, DeepPath(512).c_str());
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(RegCreateKeyExW(deep, u"one more", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_INVALID_PARAMETER);
  RegCloseKey(deep);
  std::string text = kvp::test::RegistryText(HKEY_CURRENT_USER);
  EXPECT_EQ(kvp::test::LoadRegistryText(HKEY_CURRENT_USER, text), (DWORD)ERROR_SUCCESS);
}

TEST_F(Registry, ValueSizeProtocol) {
  HKEY k = Create(HKEY_CURRENT_USER, u"SOFTWARE\\KAVRO\\DRIVER\\SETTINGS");
  const char16_t sz[] = u"C:\\spool";
  const char16_t noTerm[] = u"kvdrvaux.DLL";
  const char16_t multi[] = u"a\0bc\0";
  DWORD one = 1;
  BYTE blob[] = {1, 2, 3};
  struct Case {
    const char16_t* name;
    DWORD type;
    std::vector<BYTE> data;
  } cases[] = {
      {u"Text", REG_SZ, Bytes(sz, sizeof sz)},
      {u"NoTerm", REG_SZ, Bytes(noTerm, 24)},  // stored with the size given, no zero added
      {u"ExpandNoTerm", REG_EXPAND_SZ, Bytes(u"%TEMP%", 12)},
      {u"Bin", REG_BINARY, Bytes(noTerm, 24)},
      {u"Expand", REG_EXPAND_SZ, Bytes(u"%SystemRoot%", 26)},
      {u"Multi", REG_MULTI_SZ, Bytes(multi, sizeof multi)},
      {u"Enabled", REG_DWORD, Bytes(&one, 4)},
      {u"Blob", REG_BINARY, Bytes(blob, 3)},
      {u"Empty", REG_SZ, {}},
      {u"", REG_SZ, Bytes(u"default", 16)},
  };
  // Each case through both readers, the query and the enumeration (values enumerate in the order set).
  using Read = std::function<LSTATUS(DWORD index, const char16_t* name, DWORD* type, BYTE* data, DWORD* size)>;
  const Read readers[] = {
      [&](DWORD, const char16_t* name, DWORD* type, BYTE* data, DWORD* size) {
        return RegQueryValueExW(k, name, nullptr, type, data, size);
      },
      [&](DWORD index, const char16_t*, DWORD* type, BYTE* data, DWORD* size) {
        WCHAR name[32];
        DWORD chars = 32;
        return RegEnumValueW(k, index, name, &chars, nullptr, type, data, size);
      },
  };
  for (DWORD i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    ASSERT_EQ(RegSetValueExW(k, c.name, 0, c.type, c.data.data(), static_cast<DWORD>(c.data.size())), ERROR_SUCCESS);
    for (size_t r = 0; r < std::size(readers); ++r) {
      SCOPED_TRACE(testing::Message() << kvp::ToUtf8(c.name) << (r ? " enumerated" : " queried"));
      const Read& read = readers[r];
      DWORD type = 0, size = 0;
      // Size only.
      EXPECT_EQ(read(i, c.name, &type, nullptr, &size), ERROR_SUCCESS);
      EXPECT_EQ(type, c.type);
      EXPECT_EQ(size, c.data.size());
      // Too small: ERROR_MORE_DATA, the needed size, the buffer untouched.
      if (!c.data.empty()) {
        std::vector<BYTE> small(c.data.size() - 1, 0xEE);
        size = static_cast<DWORD>(small.size());
        EXPECT_EQ(read(i, c.name, &type, small.data(), &size), ERROR_MORE_DATA);
        EXPECT_EQ(size, c.data.size());
        EXPECT_EQ(small, std::vector<BYTE>(small.size(), 0xEE));
      }
      // Exactly the stored size: the stored bytes, nothing after them (no room for a terminator).
      std::vector<BYTE> buf(c.data.size() + 8, 0xEE);
      size = static_cast<DWORD>(c.data.size());
      EXPECT_EQ(read(i, c.name, nullptr, buf.data(), &size), ERROR_SUCCESS);
      EXPECT_EQ(size, c.data.size());
      EXPECT_EQ(std::vector<BYTE>(buf.begin(), buf.begin() + size), c.data);
      EXPECT_EQ(buf[size], 0xEE);
      // A generous buffer: the same size; an unterminated text gets a zero after it, not counted.
      size = static_cast<DWORD>(buf.size());
      EXPECT_EQ(read(i, c.name, nullptr, buf.data(), &size), ERROR_SUCCESS);
      EXPECT_EQ(size, c.data.size());
      EXPECT_EQ(std::vector<BYTE>(buf.begin(), buf.begin() + size), c.data);
      bool unterminated = c.data.size() < 2 || c.data.back() != 0 || c.data[c.data.size() - 2] != 0;
      bool addsZero = (c.type == REG_SZ || c.type == REG_EXPAND_SZ || c.type == REG_MULTI_SZ) && unterminated;
      EXPECT_EQ(buf[size], addsZero ? 0 : 0xEE);
      EXPECT_EQ(buf[size + 1], addsZero ? 0 : 0xEE);
    }
  }
  DWORD size = 0;
  // Overwrite changes type and data in place; the value keeps its position.
  ASSERT_EQ(RegSetValueExW(k, u"TEXT", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
  DWORD type = 0, got = 0;
  size = 4;
  EXPECT_EQ(RegQueryValueExW(k, u"Text", nullptr, &type, reinterpret_cast<BYTE*>(&got), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, (DWORD)REG_DWORD);
  EXPECT_EQ(RegQueryValueExW(k, u"Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(k, u"Text", nullptr, &type, reinterpret_cast<BYTE*>(&got), nullptr), ERROR_INVALID_PARAMETER);
  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExW(k, u"Text", &reserved, &type, nullptr, &size), ERROR_INVALID_PARAMETER);
  // Bad sizes are refused with nothing stored.
  EXPECT_EQ(RegSetValueExW(k, u"Null", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
  std::vector<BYTE> huge((1 << 20) + 1);
  EXPECT_EQ(RegSetValueExW(k, u"Huge", 0, REG_BINARY, huge.data(), static_cast<DWORD>(huge.size())), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExW(k, u"Huge", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  // A text stored without its zero (as a hive file may hold it) gets one in a buffer with room, not counted.
  RegCloseKey(k);
  ASSERT_EQ(kvp::test::LoadRegistryText(HKEY_CURRENT_USER, "[Raw]\n\"v\" = sz hex:61,00,62,00\n"), (DWORD)ERROR_SUCCESS);
  HKEY raw = Create(HKEY_CURRENT_USER, u"Raw");
  WCHAR buf[8];
  size = sizeof buf;
  ASSERT_EQ(RegQueryValueExW(raw, u"v", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(std::u16string(buf), u"ab");
  RegCloseKey(raw);
}

TEST_F(Registry, EnumerationAndInfo) {
  HKEY k = Create(HKEY_LOCAL_MACHINE, u"Software\\KAVRO\\ZarnPlugins\\UIControl");
  for (const char16_t* id : {u"zeta", u"Alpha", u"beta"}) RegCloseKey(Create(k, id));
  DWORD v = 7;
  RegSetValueExW(k, u"Second", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
  RegSetValueExW(k, u"First", 0, REG_SZ, reinterpret_cast<const BYTE*>(u"x"), 4);

  std::vector<std::u16string> names;
  WCHAR name[16];
  for (DWORD i = 0;; ++i) {
    DWORD n = 16;
    LSTATUS rc = RegEnumKeyExW(k, i, name, &n, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    EXPECT_EQ(n, kvp::WLen(name));
    names.emplace_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Alpha", u"beta", u"zeta"}));  // name order
  DWORD n = 5;  // "Alpha" needs 6 with its zero
  EXPECT_EQ(RegEnumKeyExW(k, 0, name, &n, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

  n = 16;
  DWORD type = 0, size = 0;
  ASSERT_EQ(RegEnumValueW(k, 0, name, &n, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"Second");  // the order values were set
  EXPECT_EQ(size, 4u);
  BYTE small[2];
  size = 2;
  n = 16;
  EXPECT_EQ(RegEnumValueW(k, 1, name, &n, nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  n = 16;
  EXPECT_EQ(RegEnumValueW(k, 2, name, &n, nullptr, &type, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  DWORD subKeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
  ASSERT_EQ(RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxName, &maxData,
                             nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 3u);
  EXPECT_EQ(maxSub, 5u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(maxName, 6u);
  EXPECT_EQ(maxData, 4u);
  RegCloseKey(k);
}

// The documented corners of the calls, each as the platform's callers meet it.
TEST_F(Registry, DocumentedCorners) {
  HKEY k = Create(HKEY_CURRENT_USER, u"Software\\Corners");
  DWORD v = 0x01020304;
  ASSERT_EQ(RegSetValueExW(k, u"Number", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);

  // `type` and `size` naming one variable: it ends up holding the size, and the buffer size read is the
  // caller's, not the type written over it.
  DWORD both = 4, got = 0;
  EXPECT_EQ(RegQueryValueExW(k, u"Number", nullptr, &both, reinterpret_cast<BYTE*>(&got), &both), ERROR_SUCCESS);
  EXPECT_EQ(both, 4u);
  EXPECT_EQ(got, v);
  both = 0;
  EXPECT_EQ(RegQueryValueExW(k, u"Number", nullptr, &both, nullptr, &both), ERROR_SUCCESS);
  EXPECT_EQ(both, 4u);

  // Predefined keys are recognised by their low 32 bits, whatever the upper 32 hold.
  ASSERT_EQ(RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Software\\Corners")), ERROR_SUCCESS);
  struct KeyCase {
    uintptr_t raw;
    LSTATUS want;
  } keys[] = {{uintptr_t(0x80000001u), ERROR_SUCCESS},
              {uintptr_t(HKEY_CURRENT_USER), ERROR_SUCCESS},
              {uintptr_t(0x1280000001ull), ERROR_SUCCESS},
              {uintptr_t(0xFFFF000080000001ull), ERROR_SUCCESS},
              {uintptr_t(0x80000002u), ERROR_SUCCESS},
              {uintptr_t(0x0000000180000002ull), ERROR_SUCCESS},
              {uintptr_t(0x7FFFFFFF80000002ull), ERROR_SUCCESS},
              {uintptr_t(0x1200000001ull), ERROR_INVALID_HANDLE},
              {uintptr_t(0x1280000000ull), ERROR_INVALID_HANDLE}};
  for (const auto& c : keys) {
    SCOPED_TRACE(testing::Message() << std::hex << c.raw);
    HKEY r = nullptr;
    EXPECT_EQ(RegOpenKeyExW(reinterpret_cast<HKEY>(c.raw), u"Software\\Corners", 0, KEY_READ, &r), c.want);
    if (r) RegCloseKey(r);
  }

  // Trailing backslashes name the key before them; an empty component inside the path does not.
  struct PathCase {
    const char16_t* path;
    LSTATUS want;
  } paths[] = {{u"Software\\Corners\\", ERROR_SUCCESS},
               {u"Software\\Corners\\\\", ERROR_SUCCESS},
               {u"Software\\\\Corners", ERROR_BAD_PATHNAME}};
  for (const auto& c : paths) {
    SCOPED_TRACE(kvp::ToUtf8(c.path));
    HKEY r = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, c.path, 0, KEY_READ, &r), c.want);
    if (r) RegCloseKey(r);
  }

  // The parent handle's rights do not decide a create, not even KEY_NOTIFY alone: the hive's rights do.
  RegCloseKey(Create(k, u"Child"));
  struct CreateCase {
    REGSAM parentRights;
    const char16_t* sub;
    DWORD disposition;
  } creates[] = {{KEY_NOTIFY, u"Child", REG_OPENED_EXISTING_KEY},
                 {KEY_NOTIFY, u"NotifyChild", REG_CREATED_NEW_KEY},
                 {KEY_READ, u"ReadChild\\Deeper", REG_CREATED_NEW_KEY}};
  for (const auto& c : creates) {
    SCOPED_TRACE(kvp::ToUtf8(c.sub));
    HKEY parent = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Corners", 0, c.parentRights, &parent), ERROR_SUCCESS);
    HKEY r = nullptr;
    DWORD disp = 0;
    EXPECT_EQ(RegCreateKeyExW(parent, c.sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &r, &disp), ERROR_SUCCESS);
    EXPECT_EQ(disp, c.disposition);
    EXPECT_EQ(RegCloseKey(r), ERROR_SUCCESS);
    RegCloseKey(parent);
  }
  HKEY r = nullptr;
  EXPECT_EQ(RegOpenKeyExW(k, u"NotifyChild", 0, KEY_READ, &r), ERROR_SUCCESS);
  RegCloseKey(r);

  // ERROR_MORE_DATA from the value enumeration still tells what the next call needs.
  WCHAR name[16];
  BYTE small[2] = {0xEE, 0xEE};
  DWORD nameChars = 16, type = 0, size = 2;
  EXPECT_EQ(RegEnumValueW(k, 0, name, &nameChars, nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(std::u16string(name), u"Number");
  EXPECT_EQ(nameChars, 6u);
  EXPECT_EQ(type, (DWORD)REG_DWORD);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(small[0], 0xEE);
  nameChars = 3;
  type = 0;
  size = 0;
  EXPECT_EQ(RegEnumValueW(k, 0, name, &nameChars, nullptr, &type, nullptr, &size), ERROR_MORE_DATA);
  EXPECT_EQ(nameChars, 3u);
  EXPECT_EQ(type, (DWORD)REG_DWORD);
  EXPECT_EQ(size, 4u);
  RegCloseKey(k);
}

TEST_F(Registry, Deletion) {
  HKEY k = Create(HKEY_CURRENT_USER, u"A\\B");
  HKEY c = Create(k, u"C");
  BYTE one = 1;
  ASSERT_EQ(RegSetValueExW(c, u"v", 0, REG_BINARY, &one, 1), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(c, u"V"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(c, u"v"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"A"), ERROR_ACCESS_DENIED);  // has sub-keys
  EXPECT_EQ(RegDeleteKeyW(k, u"c"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(k, u"C"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegSetValueExW(c, u"v", 0, REG_BINARY, &one, 1), ERROR_KEY_DELETED);  // handle on a deleted key
  DWORD n = 0;
  EXPECT_EQ(RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr), ERROR_SUCCESS);
  EXPECT_EQ(n, 0u);
  RegCloseKey(c);
  RegCloseKey(k);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"A\\B"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u""), ERROR_ACCESS_DENIED);  // never the hive's root
}

TEST_F(Registry, AdministratorRightsUnderMachineHive) {
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Software\\KAVRO\\PrintLog"));
  SetAdministrator(false);
  struct Case {
    REGSAM sam;
    LSTATUS want;
  } cases[] = {
      {KEY_READ, ERROR_SUCCESS},         {KEY_QUERY_VALUE, ERROR_SUCCESS},     {GENERIC_READ, ERROR_SUCCESS},
      {MAXIMUM_ALLOWED, ERROR_SUCCESS},  {KEY_ALL_ACCESS, ERROR_ACCESS_DENIED}, {KEY_WRITE, ERROR_ACCESS_DENIED},
      {KEY_SET_VALUE, ERROR_ACCESS_DENIED}, {GENERIC_WRITE, ERROR_ACCESS_DENIED}, {DELETE, ERROR_ACCESS_DENIED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sam);
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\KAVRO\\PrintLog", 0, c.sam, &k), c.want);
    if (k) RegCloseKey(k);
  }
  HKEY k = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\New", 0, nullptr, 0, KEY_READ, nullptr, &k, nullptr),
            ERROR_ACCESS_DENIED);
  DWORD v = 64;
  EXPECT_EQ(RegSetValueExW(HKEY_LOCAL_MACHINE, u"x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_ACCESS_DENIED);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\KAVRO\\PrintLog", 0, KEY_READ, &k), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(k, u"MaxLogFileSize", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\KAVRO\\PrintLog"), ERROR_ACCESS_DENIED);
  RegCloseKey(k);
  // The user's own hive stays writable.
  k = Create(HKEY_CURRENT_USER, u"SOFTWARE\\KAVRO");
  EXPECT_EQ(RegSetValueExW(k, u"x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
  RegCloseKey(k);
  SetAdministrator(true);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\KAVRO\\PrintLog", 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(k, u"MaxLogFileSize", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
  RegCloseKey(k);
}

const char* kFixture =
    "; fixture\n"
    "[SOFTWARE\\KAVRO\\ZarnDrv]\n"
    "\"_ZARNDirectory\" = sz \"C:\\\\_zarn\\\\\"\n"
    "\"SpoolDirectory\" = sz \"\"\n"
    "\"Quote \\\"q\\\" \\u0001\" = expand_sz \"%SystemRoot%\\\\x \u00e9\u65e5\"\n"
    "\"Permission\" = dword 0x00000001\n"
    "\"Decimal\" = dword 64\n"
    "\"List\" = multi_sz \"a\" \"b c\"\n"
    "\"Blob\" = binary hex:00,ff,10\n"
    "\"Raw\" = sz hex:41,00,42,00\n"
    "\"Q\" = type(11) hex:01,02,03,04,05,06,07,08\n"
    "[Software\\KAVRO\\Empty]\n";

TEST_F(Registry, FixtureTextRoundTrip) {
  ASSERT_EQ(kvp::test::LoadRegistryText(HKEY_LOCAL_MACHINE, kFixture), (DWORD)ERROR_SUCCESS);
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"software\\kavro\\zarndrv", 0, KEY_READ, &k), ERROR_SUCCESS);
  struct Case {
    const char16_t* name;
    DWORD type;
    std::vector<BYTE> data;
  } cases[] = {
      {u"_ZARNDirectory", REG_SZ, Bytes(u"C:\\_zarn\\", 20)},
      {u"SpoolDirectory", REG_SZ, Bytes(u"", 2)},
      {u"Quote \"q\" \u0001", REG_EXPAND_SZ, Bytes(u"%SystemRoot%\\x \u00e9\u65e5", 36)},
      {u"Permission", REG_DWORD, {1, 0, 0, 0}},
      {u"Decimal", REG_DWORD, {64, 0, 0, 0}},
      {u"List", REG_MULTI_SZ, Bytes(u"a\0b c\0", 14)},
      {u"Blob", REG_BINARY, {0, 0xff, 0x10}},
      {u"Raw", REG_SZ, {0x41, 0, 0x42, 0}},
      {u"Q", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kvp::ToUtf8(c.name));
    BYTE buf[64];
    DWORD type = 0, size = sizeof buf;
    ASSERT_EQ(RegQueryValueExW(k, c.name, nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(Bytes(buf, size), c.data);
  }
  RegCloseKey(k);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\KAVRO\\Empty", 0, KEY_READ, &k), ERROR_SUCCESS);
  RegCloseKey(k);
  // The stored text is stable: loading what was written writes the same text again.
  std::string text = kvp::test::RegistryText(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(text, ReadBytes(root.path() + "/registry/HKLM.txt"));
  ASSERT_EQ(kvp::test::LoadRegistryText(HKEY_LOCAL_MACHINE, text), (DWORD)ERROR_SUCCESS);
  EXPECT_EQ(kvp::test::RegistryText(HKEY_LOCAL_MACHINE), text);
  EXPECT_NE(text.find("\"Permission\" = dword 0x00000001"), std::string::npos);
  EXPECT_NE(text.find("\"Raw\" = sz hex:41,00,42,00"), std::string::npos);
}

TEST_F(Registry, CorruptHiveIsReportedAndKept) {
  struct Case {
    std::string text;
    const char* error;
  } cases[] = {
      {"\"v\" = sz \"x\"\n", "line 1: value before the first key"},
      {"[Key\n", "line 1: key line without ']'"},
      {"[A]\n\"v\" = sz \"unterminated\n", "line 2: unterminated text"},
      {"[A]\n\"v\" = dword 0x1FFFFFFFF\n", "line 2: bad dword"},
      // Numbers too large for the sum to hold are refused, not wrapped around to a small value.
      {"[A]\n\"v\" = dword 0x10000000000000000\n", "line 2: bad dword"},
      {"[A]\n\"v\" = dword 18446744073709551617\n", "line 2: bad dword"},
      // Keys nested deeper than a hive may hold (the keys are written and freed recursively).
      {"[" + kvp::ToUtf8(DeepPath(513)) + "]\n", "line 1: key path too deep"},
      {"[A]\n\"v\" = binary hex:0g\n", "line 2: bad hex byte"},
      {"[A]\n\"v\" = float 1.0\n", "line 2: unknown value type 'float'"},
      {"[A]\n\"v\" = sz \"x\" trailing\n", "line 2: unexpected text after the value"},
      {"[A]\n\"v\" = sz \"\\q\"\n", "line 2: bad escape"},
      {"[A]\n\"v\" = sz \"\xC3\"\n", "line 2: malformed UTF-8"},
      {"[A\\\\B]\n", "line 1: bad key name"},
      {"[A]\n\"v\" = sz \"1\"\n\"V\" = sz \"2\"\n", "line 3: value set twice"},
      {"garbage\n", "line 1: unrecognised line"},
  };
  std::string hklm = root.path() + "/registry/HKLM.txt";
  HKEY user = Create(HKEY_CURRENT_USER, u"Works");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(kvp::test::LoadRegistryText(HKEY_LOCAL_MACHINE, c.text), (DWORD)ERROR_BADDB);
    std::ofstream(hklm, std::ios::binary | std::ios::trunc) << c.text;
    EXPECT_EQ(kvp::test::RegistryError(HKEY_LOCAL_MACHINE), c.error);
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"A", 0, KEY_READ, &k), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_BADDB);
    EXPECT_EQ(ReadBytes(hklm), c.text);  // never overwritten
    BYTE one = 1;
    EXPECT_EQ(RegSetValueExW(user, u"v", 0, REG_BINARY, &one, 1), ERROR_SUCCESS);  // other hives work
  }
  RegCloseKey(user);
}

TEST_F(Registry, FailedWriteChangesNothing) {
  HKEY k = Create(HKEY_CURRENT_USER, u"K");
  DWORD v = 1;
  ASSERT_EQ(RegSetValueExW(k, u"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
  v = 2;
  kvp::test::FailWriteAt(1);
  EXPECT_EQ(RegSetValueExW(k, u"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_WRITE_FAULT);
  kvp::test::FailWriteAt(0);
  DWORD got = 0, size = 4;
  ASSERT_EQ(RegQueryValueExW(k, u"v", nullptr, nullptr, reinterpret_cast<BYTE*>(&got), &size), ERROR_SUCCESS);
  EXPECT_EQ(got, 1u);
  kvp::test::FailWriteAt(1);
  HKEY sub = nullptr;
  EXPECT_EQ(RegCreateKeyExW(k, u"Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), ERROR_WRITE_FAULT);
  kvp::test::FailWriteAt(0);
  EXPECT_EQ(sub, nullptr);
  EXPECT_EQ(RegOpenKeyExW(k, u"Sub", 0, KEY_READ, &sub), ERROR_FILE_NOT_FOUND);
  RegCloseKey(k);
}

// Two processes set different values of one key at once; both processes' values survive, and each
// process sees the other's changes.
TEST_F(Registry, TwoProcessesShareAHive) {
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\KAVRO\\ZarnDrv"));
  constexpr int kValues = 40;
  auto writer = [&](const char* prefix) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\KAVRO\\ZarnDrv", 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return false;
    for (DWORD i = 0; i < kValues; ++i) {
      std::u16string name = kvp::FromUtf8(prefix + std::to_string(i));
      if (RegSetValueExW(k, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&i), 4) != ERROR_SUCCESS) return false;
    }
    RegCloseKey(k);
    return true;
  };
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) _exit(writer("child") ? 0 : 1);
  bool ok = writer("parent");
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(ok);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\KAVRO\\ZarnDrv", 0, KEY_READ, &k), ERROR_SUCCESS);
  DWORD values = 0;
  RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(values, 2u * kValues);
  DWORD got = 0, size = 4;
  EXPECT_EQ(RegQueryValueExW(k, u"child39", nullptr, nullptr, reinterpret_cast<BYTE*>(&got), &size), ERROR_SUCCESS);
  EXPECT_EQ(got, 39u);
  RegCloseKey(k);
}

}  // namespace
