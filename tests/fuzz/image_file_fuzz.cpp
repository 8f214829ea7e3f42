// Fuzz target of the compiled image file: the input is put beside a valid driver data file as its
// ".BCS" file, newer than the data file, and the image is acquired. Whatever the bytes, the acquisition
// must not read or write out of bounds and must end with a sound image: the file's own when it checks
// out, else a fresh compile whose ".BCS" file is then the reference bytes. Every node, option and
// default of the result is walked.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "driverdata/img_image.h"
#include "kvplat/heap.h"
#include "kvplat/root.h"
#include "kvplat/spooler.h"
#include "kvtest/install_printer.h"
#include "settings/context.h"

namespace {

const char kDataText[] =
    "*FileVersion: 8.63\n"
    "*UIResDLLName: \"KV8350us.DLL\"\n"
    "*OpenUI *QDV_RADIOLIST_1: PickOne\n"
    "*DefaultQDV_RADIOLIST_1: IDS_ORIENTATION_PORTRAIT\n"
    "*QDV_RADIOLIST_1 IDS_ORIENTATION_PORTRAIT: \"PORTRAIT\"\n"
    "*QDV_RADIOLIST_1 IDS_ORIENTATION_LANDSCAPE: \"LANDSCAPE\"\n"
    "*CloseUI\n"
    "*OpenUI *QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION: PickOne\n"
    "*DefaultQDV_IDC_USER_QUALITY_CHOICE_RESOLUTION: IDS_RESOLUTION_600DPI\n"
    "*QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION IDS_RESOLUTION_300DPI: \"300\"\n"
    "*QDV_IDC_USER_QUALITY_CHOICE_RESOLUTION IDS_RESOLUTION_600DPI: \"600\"\n"
    "*CloseUI\n"
    "*OpenUI *QDV_IDC_PRESET_CHOICE_PAPERSIZE: PickPage\n"
    "*DefaultQDV_IDC_PRESET_CHOICE_PAPERSIZE: IDS_PAPERSIZE_A4\n"
    "*QDV_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A3: \"A3\"\n"
    "*QDV_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4: \"A4\"\n"
    "*PageMMValue Size IDS_PAPERSIZE_A3: \"2970 4200\"\n"
    "*PageMMValue Size IDS_PAPERSIZE_A4: \"2100 2970\"\n"
    "*PageValue Area IDS_PAPERSIZE_A4: IDS_RESOLUTION_600DPI IDS_ORIENTATION_PORTRAIT "
    "\"118 118 4725 6780 4961 7016\"\n"
    "*CloseUI\n"
    "*OpenUI *QDV_IDC_PRESET_CHOICE_SOURCETRAY: PickSlot\n"
    "*DefaultQDV_IDC_PRESET_CHOICE_SOURCETRAY: IDS_SOURCE_AUTO\n"
    "*QDV_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_AUTO: \"ALL\"\n"
    "*QDV_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_MANUAL: \"MANUAL\"\n"
    "*CloseUI\n"
    "*OpenUI *QDV_IDC_PRESET_EDIT_COPIES: Numeric\n"
    "*DefaultQDV_IDC_PRESET_EDIT_COPIES: 1\n"
    "*CloseUI\n"
    "*Judge 1=IsManualFeed: QDV_IDC_PRESET_CHOICE_SOURCETRAY == IDS_SOURCE_MANUAL\n"
    "*Item 1=PaperLimits: { IDS_PAPERSIZE_A3 IsManualFeed NULL NULL }\n"
    "*Action 1=UseAutoSource: { QDV_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_AUTO }\n"
    "*Transact 1=ToAutoSource: { IsManualFeed UseAutoSource }\n"
    "*Exclusive: {\n"
    "  QDV_IDC_PRESET_CHOICE_PAPERSIZE NULL IsManualFeed PaperLimits NULL ToAutoSource NULL NULL\n"
    "}\n";

struct Machine {
  std::string root;
  HANDLE printer = nullptr;
  std::u16string dataPath = u"C:\\Drivers\\kvdrvdat";
  std::string imageHost;
  std::string reference;  // the ".BCS" bytes of a fresh compile
  CONTEXT_WORK_AREA work{};
  SETTING_CONTEXT ctx{};

  Machine() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kvimgfuzz-XXXXXX").string();
    root = mkdtemp(tmpl.data());
    kvp::InitMachineRoot(root);
    kvp::SetMachineRoot(root);
    std::string dataHost;
    kvp::MapPath(dataPath, dataHost);
    std::filesystem::create_directories(std::filesystem::path(dataHost).parent_path());
    std::ofstream(dataHost, std::ios::binary) << kDataText;
    // An old data file: every ".BCS" written below is fresh by its time.
    std::filesystem::last_write_time(dataHost, std::filesystem::last_write_time(dataHost) - std::chrono::hours(1));
    kvp::MapPath(u"C:\\Drivers\\kvdrvdat.BCS", imageHost);
    printer = kvtest::InstallPrinter(u"Fuzz plotter", u"Fuzz driver", dataPath);
    StgInitLibraryLocks();
    work.useSharedLock = 1;
    ctx.printer2 = printer;
    ctx.work = &work;
    if (!printer || !ImgAcquire(&ctx)) std::abort();
    reference = Read();
    ImgFreeCache();
  }
  ~Machine() {
    ImgFreeCache();
    ClosePrinter(printer);
    StgFreeLibraryLocks();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  std::string Read() const {
    std::ifstream in(imageHost, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Machine m;
  ImgFreeCache();
  std::ofstream(m.imageHost, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);
  int before = img::test::CompileCount();
  const BYTE* image = reinterpret_cast<const BYTE*>(ImgAcquire(&m.ctx));
  if (!image) std::abort();
  if (img::test::CompileCount() != before && m.Read() != m.reference) std::abort();
  // Walk what the queries walk.
  SETTING_CONTEXT view{};
  view.image = reinterpret_cast<COMPILED_IMAGE*>(const_cast<BYTE*>(image));
  for (WORD id = 1; id <= 1543; ++id) {
    ImgGetDefaultValue(&view, id);
    ImgGetOptionCount(&view, id);
  }
  for (IMG_REF n = dfc::Get<uint64_t>(image, 40); n; n = ImgNext(n)) ImgFindNodeByKey(&view, ImgNodeKey(n));
  int count = 0;
  StgFree(ImgCopyDeviceFonts(&view, &count));
  StgFree(ImgCopyCartridgeFonts(&view, &count));
  StgFree(ImgCopyFontSubstitutions(&view, &count));
  const WCHAR* name = ImgGetUIResDLLName(&view);
  if (name && name[0] == 0xFFFF) std::printf(" ");
  return 0;
}
