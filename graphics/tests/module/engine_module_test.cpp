// The graphics library as the engine meets it: loaded from the printer's driver folder by the driver's
// name, its exports, and a whole job with nothing left behind.
#include <gtest/gtest.h>

#include "gr_fixture.h"
#include "gr_pdev.h"
#include "kvplat/module.h"

namespace {

// Unloads the library before the test ends whatever happens, as a host does before it exits.
struct Loaded {
  kvp::eng::Driver drv;
  ~Loaded() { kvp::eng::UnloadDriver(&drv); }
};

TEST(GraphicsModule, ExportsOnlyItsEntryPoints) {
  grtest::ModelPrinter machine(true);
  Loaded loaded;
  kvp::eng::Driver& drv = loaded.drv;
  ASSERT_EQ(kvp::eng::LoadPrinterDriver(machine.printer, &drv), 0u);
  for (const char* name : {"DllMain", "DrvQueryDriverInfo", "DrvEnableDriver", "DrvDisableDriver"})
    EXPECT_NE(GetProcAddress(drv.module, name), nullptr) << name;
  for (const char* name : {"DrvEnablePDEV", "DrvEnableSurface", "GrHeapAlloc", "StgCreateContext", "PlgEnumPlugins",
                           "_Z13GrHeapAlloc"})
    EXPECT_EQ(GetProcAddress(drv.module, name), nullptr) << name;
  EXPECT_EQ(drv.driverVersion, 0x30101u);
  EXPECT_NE(drv.hooks[INDEX_DrvNextBand], nullptr);
}

TEST(GraphicsModule, RunsAJobForTheModelPrinter) {
  grtest::ModelPrinter machine(true);
  {
    Loaded loaded;
    kvp::eng::Driver& drv = loaded.drv;
    ASSERT_EQ(kvp::eng::LoadPrinterDriver(machine.printer, &drv), 0u);
    kvp::eng::Device dev;
    ASSERT_EQ(kvp::eng::EnablePdev(drv, machine.printer, machine.name.c_str(), nullptr, &dev), 0u);
    const auto* p = static_cast<const GR_PDEV*>(dev.dhpdev);
    EXPECT_EQ(p->module, drv.module);  // kept at load
    EXPECT_EQ(p->hdev, dev.hdev);
    EXPECT_EQ(dev.gdiInfo.ulLogPixelsX, p->resolution);
    EXPECT_EQ(dev.devInfo.hpalDefault, p->palette);
    if (dev.gdiInfo.ulHorzRes == 0) {
      // No page size in the settings: no surface, and nothing half-made.
      EXPECT_NE(kvp::eng::EnableSurface(&dev), 0u);
      EXPECT_EQ(dev.surface, nullptr);
    } else {
      ASSERT_EQ(kvp::eng::EnableSurface(&dev), 0u);
      ASSERT_EQ(kvp::eng::StartDoc(&dev, u"module job", 1), 0u);
      ASSERT_EQ(kvp::eng::StartPage(&dev), 0u);
      ASSERT_EQ(kvp::eng::EndPage(&dev), 0u);
      ASSERT_EQ(kvp::eng::EndDoc(&dev), 0u);
    }
    kvp::eng::DisablePdev(&dev);
  }  // the library's detach frees its cached contexts
  EXPECT_EQ(kvp::eng::LiveObjectCount(), 0u);
}

}  // namespace
