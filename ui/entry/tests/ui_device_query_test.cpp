// The interface library's side of the device query against the scripted bidi library: its last reader
// (the memory type), the light query of the device-settings command, and the default trays taken over
// once.
#include <filesystem>
#include <fstream>

#include "config/bidi_state.h"
#include "devlink/bidi_query.h"
#include "kvplat/text.h"
#include "settings/item_records.h"
#include "settings/setting_ids.h"
#include "ui_device_query.h"
#include "ui_fixture.h"


namespace {

class DeviceQuery : public uitest::CompanionPrinterTest {
 protected:
  void Script(const std::string& answers) { CompanionPrinterTest::Script("kvbidi64", answers); }
  std::string Text(WORD id) { return CompanionPrinterTest::Text(ctx_, id); }
};

}  // namespace

TEST_F(DeviceQuery, TheMemoryTypeFollowsItem258) {
  struct Case {
    const char* answer;
    uint64_t memoryType;
  } cases[] = {{"2", 0}, {"1", 1}, {"3", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    Script(std::string("Set258=") + c.answer + "\n");
    StgSetValue(ctx_, sid::rdmMemoryType, 7);
    ASSERT_TRUE(OpenBidiDevice(0, ctx_));  // the full query reaches this library's last reader
    EXPECT_EQ(StgGetValue(ctx_, sid::rdmMemoryType, nullptr), c.memoryType);
    EXPECT_EQ(Text(sid::rdmEmulationVersion), "ZARN 1.0");
  }
}

TEST_F(DeviceQuery, AFailedProgressQueryEmptiesTheVersions) {
  // The printer's bidirectional attribute is off: no query runs.
  StgSetString(ctx_, StgFindItem(ctx_, sid::rdmEmulationVersion), u"old");
  StgSetString(ctx_, StgFindItem(ctx_, sid::rdmSystemVersion), u"old");
  EXPECT_FALSE(UiQueryDeviceWithProgress(ctx_, nullptr));
  EXPECT_EQ(Text(sid::rdmEmulationVersion), "");
  EXPECT_EQ(Text(sid::rdmSystemVersion), "");
}

TEST_F(DeviceQuery, TheDefaultTraysAreTakenOverOnce) {
  // Without a "BidiFlag" printer data cannot be changed by the flag test: counted as taken over.
  EXPECT_TRUE(UiBidiTraysApplied(ctx_));
  ASSERT_TRUE(BidiWriteFlagValue(printer_, 1, ctx_));
  EXPECT_FALSE(UiBidiTraysApplied(ctx_));
  StgSetValue(ctx_, sid::rdmMPDefTray, 3);
  StgSetValue(ctx_, sid::rdmMPInputTray, 1);
  UiBidiApplyDefaultTrays(ctx_);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmMPInputTray, nullptr), 3u);
  ASSERT_TRUE(UiBidiMarkTraysApplied(ctx_));
  EXPECT_TRUE(UiBidiTraysApplied(ctx_));
  StgSetValue(ctx_, sid::rdmMPInputTray, 1);
  UiBidiApplyDefaultTrays(ctx_);
  UiBidiSetTrayDefault(sid::rdmMPInputTray, 3, ctx_);
  EXPECT_EQ(StgGetValue(ctx_, sid::rdmMPInputTray, nullptr), 1u);
}
