// Colour management handles: profiles from memory, transforms to them, and refusal of foreign handles.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/icm.h"
#include "kvplat/testhooks.h"

namespace {

std::vector<BYTE> Header() {
  std::vector<BYTE> bytes(ICC_HEADER_BYTES + 16, 0);
  std::memcpy(bytes.data() + ICC_SIGNATURE_OFFSET, "acsp", 4);
  return bytes;
}

TEST(Icm, OpenChecksTheRecordAndTheBytes) {
  std::vector<BYTE> bytes = Header();
  struct Case {
    const char* name;
    DWORD type, access, creation, size;
    bool ok;
    DWORD error;
  } cases[] = {
      {"memory", PROFILE_MEMBUFFER, PROFILE_READ, OPEN_EXISTING, DWORD(bytes.size()), true, 0},
      {"file name", PROFILE_FILENAME, PROFILE_READ, OPEN_EXISTING, DWORD(bytes.size()), false, ERROR_INVALID_PARAMETER},
      {"read-write", PROFILE_MEMBUFFER, PROFILE_READWRITE, OPEN_EXISTING, DWORD(bytes.size()), false,
       ERROR_INVALID_PARAMETER},
      {"create", PROFILE_MEMBUFFER, PROFILE_READ, CREATE_ALWAYS, DWORD(bytes.size()), false, ERROR_INVALID_PARAMETER},
      {"short", PROFILE_MEMBUFFER, PROFILE_READ, OPEN_EXISTING, ICC_HEADER_BYTES - 1, false, ERROR_INVALID_PROFILE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PROFILE p{c.type, bytes.data(), c.size};
    SetLastError(0);
    HPROFILE h = OpenColorProfileW(&p, c.access, FILE_SHARE_READ, c.creation);
    EXPECT_EQ(h != nullptr, c.ok);
    if (h) EXPECT_TRUE(CloseColorProfile(h));
    else EXPECT_EQ(GetLastError(), c.error);
  }
  bytes[ICC_SIGNATURE_OFFSET] = 'x';
  PROFILE bad{PROFILE_MEMBUFFER, bytes.data(), DWORD(bytes.size())};
  EXPECT_EQ(OpenColorProfileW(&bad, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING), nullptr);
  EXPECT_EQ(OpenColorProfileW(nullptr, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING), nullptr);
  EXPECT_EQ(kvp::icm::LiveProfileCount(), 0u);
}

TEST(Icm, TransformsAndForeignHandles) {
  std::vector<BYTE> bytes = Header();
  PROFILE p{PROFILE_MEMBUFFER, bytes.data(), DWORD(bytes.size())};
  HPROFILE h = OpenColorProfileW(&p, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(h, nullptr);
  bytes.assign(bytes.size(), 0);  // the profile keeps its own copy
  LOGCOLORSPACEW cs{};
  cs.lcsSignature = LCS_SIGNATURE;
  HTRANSFORM t = CreateColorTransformW(&cs, h, nullptr, BEST_MODE);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(kvp::icm::LiveTransformCount(), 1u);

  int local = 0;
  EXPECT_EQ(CreateColorTransformW(&cs, &local, nullptr, BEST_MODE), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_EQ(CreateColorTransformW(&cs, t, nullptr, BEST_MODE), nullptr);  // a transform is no profile
  EXPECT_EQ(CreateColorTransformW(&cs, h, t, BEST_MODE), nullptr);
  EXPECT_EQ(CreateColorTransformW(nullptr, h, nullptr, BEST_MODE), nullptr);
  cs.lcsSignature = 0;
  EXPECT_EQ(CreateColorTransformW(&cs, h, nullptr, BEST_MODE), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_COLORSPACE));

  EXPECT_FALSE(CloseColorProfile(t));
  EXPECT_FALSE(DeleteColorTransform(h));
  EXPECT_FALSE(DeleteColorTransform(&local));
  EXPECT_TRUE(DeleteColorTransform(t));
  EXPECT_FALSE(DeleteColorTransform(t));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(CloseColorProfile(h));
  EXPECT_FALSE(CloseColorProfile(h));
  EXPECT_EQ(kvp::icm::LiveProfileCount() + kvp::icm::LiveTransformCount(), 0u);
}

TEST(Icm, AllocationFailuresAreReported) {
  std::vector<BYTE> bytes = Header();
  PROFILE p{PROFILE_MEMBUFFER, bytes.data(), DWORD(bytes.size())};
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(OpenColorProfileW(&p, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  HPROFILE h = OpenColorProfileW(&p, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(h, nullptr);
  LOGCOLORSPACEW cs{};
  cs.lcsSignature = LCS_SIGNATURE;
  kvp::test::FailAllocAt(1);
  EXPECT_EQ(CreateColorTransformW(&cs, h, nullptr, NORMAL_MODE), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  kvp::test::FailAllocAt(0);
  EXPECT_TRUE(CloseColorProfile(h));
}

}  // namespace
