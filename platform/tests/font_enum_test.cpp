// Font-family enumeration over the faces fontconfig finds, and the test switches that add or hide them.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "kvplat/error.h"
#include "kvplat/paint.h"
#include "kvplat/window.h"

namespace {

struct Seen {
  std::map<std::u16string, DWORD> types;  // face -> font type
  int stopAfter = 0;                      // answer 0 after this many entries (0: never)
};

int Collect(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM data) {
  Seen* s = reinterpret_cast<Seen*>(data);
  s->types[font->lfFaceName] = type;
  const auto* full = reinterpret_cast<const ENUMLOGFONTEXW*>(font);
  EXPECT_EQ(std::u16string(full->elfFullName), std::u16string(font->lfFaceName));
  return s->stopAfter && (int)s->types.size() >= s->stopAfter ? 0 : 1;
}

TEST(FontEnum, FamiliesWithTheirTypesAndVerticalTwins) {
  kvp::test::AddFontFamily(u"Probe Outline", true);
  kvp::test::AddFontFamily(u"@Probe Outline", true);
  kvp::test::AddFontFamily(u"Probe Raster", false);
  HDC dc = GetDC(GetDesktopWindow());
  ASSERT_NE(dc, nullptr);
  Seen all;
  EXPECT_EQ(EnumFontFamiliesW(dc, nullptr, Collect, reinterpret_cast<LPARAM>(&all)), 1);
  EXPECT_EQ(all.types[u"Probe Outline"], (DWORD)TRUETYPE_FONTTYPE);
  EXPECT_EQ(all.types[u"@Probe Outline"], (DWORD)TRUETYPE_FONTTYPE);
  EXPECT_EQ(all.types[u"Probe Raster"], (DWORD)RASTER_FONTTYPE);
  EXPECT_EQ(all.types.count(u"DejaVu Sans"), 1u);
  // By face name (case is ignored), and a callback that stops the walk.
  Seen one;
  LOGFONTW want{};
  std::u16string name = u"probe raster";
  std::char_traits<char16_t>::copy(want.lfFaceName, name.c_str(), name.size() + 1);
  EnumFontFamiliesExW(dc, &want, Collect, reinterpret_cast<LPARAM>(&one), 0);
  EXPECT_EQ(one.types.size(), 1u);
  EXPECT_EQ(one.types.count(u"Probe Raster"), 1u);
  Seen first;
  first.stopAfter = 1;
  EXPECT_EQ(EnumFontFamiliesW(dc, nullptr, Collect, reinterpret_cast<LPARAM>(&first)), 0);
  EXPECT_EQ(first.types.size(), 1u);
  // Hiding a family takes its vertical twin with it.
  kvp::test::HideFontFamily(u"Probe Outline");
  Seen hidden;
  EnumFontFamiliesW(dc, nullptr, Collect, reinterpret_cast<LPARAM>(&hidden));
  EXPECT_EQ(hidden.types.count(u"Probe Outline") + hidden.types.count(u"@Probe Outline"), 0u);
  ReleaseDC(GetDesktopWindow(), dc);
  kvp::test::ResetFontFamilies();
  // Anything but a device context is refused.
  SetLastError(0);
  EXPECT_EQ(EnumFontFamiliesW(reinterpret_cast<HDC>(0x1234), nullptr, Collect, 0), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

}  // namespace
