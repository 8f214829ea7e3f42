// Device contexts of an installed printer of the model, enabled through the engine, with the stand-in
// output library bound at DrvStartDoc: for the hooks that work on a running document (escapes, reset).
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "gr_fixture.h"
#include "gr_hooks.h"
#include "gr_pdev.h"
#include "kvplat/root.h"
#include "settings/context.h"
#include "zarn_decode.h"

namespace grtest {

// An engine bitmap, locked while it lives.
struct Bitmap {
  HSURF h = nullptr;
  SURFOBJ* so = nullptr;
  Bitmap(LONG w, LONG hgt, ULONG format, bool topDown = true) {
    h = EngCreateBitmap(SIZEL{w, hgt}, 0, format, topDown ? BMF_TOPDOWN : 0, nullptr);
    so = h ? EngLockSurface(h) : nullptr;
    EXPECT_NE(so, nullptr);
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  ~Bitmap() {
    if (so) EngUnlockSurface(so);
    if (h) EngDeleteSurface(h);
  }
  // Row y as the picture shows it (top row first), wherever it is stored.
  BYTE* Row(LONG y) const { return static_cast<BYTE*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta; }
  void Put24(LONG x, LONG y, DWORD c) const {
    BYTE* p = Row(y) + 3 * x;
    p[0] = BYTE(c);
    p[1] = BYTE(c >> 8);
    p[2] = BYTE(c >> 16);
  }
};

class DocTest : public ::testing::Test {
 protected:
  struct Dc {
    kvp::eng::Device dev;
    SURFOBJ so{};
    GR_PDEV* p() const { return static_cast<GR_PDEV*>(dev.dhpdev); }
  };

  void SetUp() override {
    std::filesystem::create_directories(kvp::MachineRoot() + "/companions");  // the stand-ins' call logs
    ASSERT_EQ(kvp::eng::EnableDriver(&DrvEnableDriver, &drv_), 0u);
  }
  void TearDown() override {
    for (Dc& dc : dcs_) kvp::eng::DisablePdev(&dc.dev);
    StgPurgeContextCache(1);
    EXPECT_EQ(kvp::eng::LiveObjectCount(), 0u);
  }
  // Enables device context `i` (0 or 1) for the printer.
  Dc& Enable(int i = 0, const DEVMODEW* devmode = nullptr) {
    Dc& dc = dcs_[i];
    EXPECT_EQ(kvp::eng::EnablePdev(drv_, machine_.printer, machine_.name.c_str(), devmode, &dc.dev), 0u);
    dc.so.dhpdev = dc.dev.dhpdev;
    return dc;
  }
  void Disable(int i) { kvp::eng::DisablePdev(&dcs_[i].dev); }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Spool(DWORD job) {
    return ReadFile(kvp::MachineRoot() + "/spool/output/job" + std::to_string(job) + ".zarn");
  }
  static std::string Dump(const std::string& bytes, bool summary = false) {
    std::string out;
    zarn::DecodeResult r = zarn::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), summary, &out);
    EXPECT_TRUE(r.ok) << out;
    return out;
  }

  ModelPrinter machine_;
  kvp::eng::Driver drv_;
  Dc dcs_[2];
};

}  // namespace grtest
