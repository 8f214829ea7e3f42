// Colour management handles: profiles opened from memory and transforms made for them. Both live in one
// table, so a handle is checked before it is followed.
#include "kvplat/icm.h"

#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "kvplat/error.h"
#include "kvplat/file.h"
#include "kvplat/testhooks.h"

struct KvColorProfile {
  std::vector<BYTE> bytes;
};
struct KvColorTransform {
  DWORD flags = 0;
  HPROFILE destination = nullptr;
};

namespace kvp::icm {
namespace {

enum class Kind { Profile, Transform };

std::mutex& Mu() {
  static std::mutex m;
  return m;
}
std::unordered_map<const void*, Kind>& Live() {
  static auto* m = new std::unordered_map<const void*, Kind>();
  return *m;
}
bool IsLiveLocked(const void* p, Kind kind) {
  auto it = Live().find(p);
  return p && it != Live().end() && it->second == kind;
}
size_t CountLocked(Kind kind) {
  size_t n = 0;
  for (const auto& [object, k] : Live()) n += k == kind;
  return n;
}
bool Remove(const void* p, Kind kind) {
  std::lock_guard<std::mutex> g(Mu());
  if (!IsLiveLocked(p, kind)) return false;
  Live().erase(p);
  return true;
}
void Add(const void* p, Kind kind) {
  std::lock_guard<std::mutex> g(Mu());
  Live()[p] = kind;
}

}  // namespace

size_t LiveProfileCount() {
  std::lock_guard<std::mutex> g(Mu());
  return CountLocked(Kind::Profile);
}
size_t LiveTransformCount() {
  std::lock_guard<std::mutex> g(Mu());
  return CountLocked(Kind::Transform);
}
bool IsLiveProfile(HPROFILE profile) {
  std::lock_guard<std::mutex> g(Mu());
  return IsLiveLocked(profile, Kind::Profile);
}
bool IsLiveTransform(HTRANSFORM transform) {
  std::lock_guard<std::mutex> g(Mu());
  return IsLiveLocked(transform, Kind::Transform);
}
bool DescribeTransform(HTRANSFORM transform, DWORD* flags, HPROFILE* destination) {
  std::lock_guard<std::mutex> g(Mu());
  if (!IsLiveLocked(transform, Kind::Transform)) return false;
  auto* t = static_cast<KvColorTransform*>(transform);
  if (flags) *flags = t->flags;
  if (destination) *destination = t->destination;
  return true;
}

}  // namespace kvp::icm

using kvp::icm::Kind;

KVAPI HPROFILE OpenColorProfileW(PROFILE* profile, DWORD access, DWORD, DWORD creation) {
  if (!profile || profile->dwType != PROFILE_MEMBUFFER || access != PROFILE_READ || creation != OPEN_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const auto* bytes = static_cast<const BYTE*>(profile->pProfileData);
  if (!bytes || profile->cbDataSize < ICC_HEADER_BYTES ||
      std::memcmp(bytes + ICC_SIGNATURE_OFFSET, "acsp", 4) != 0) {
    SetLastError(ERROR_INVALID_PROFILE);
    return nullptr;
  }
  if (kvp::test::ShouldFailAlloc()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* p = new KvColorProfile();
  p->bytes.assign(bytes, bytes + profile->cbDataSize);
  kvp::icm::Add(p, Kind::Profile);
  return p;
}

KVAPI BOOL CloseColorProfile(HPROFILE profile) {
  if (!kvp::icm::Remove(profile, Kind::Profile)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete static_cast<KvColorProfile*>(profile);
  return TRUE;
}

KVAPI HTRANSFORM CreateColorTransformW(LOGCOLORSPACEW* colorSpace, HPROFILE destination, HPROFILE target,
                                      DWORD flags) {
  if (!colorSpace) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (colorSpace->lcsSignature != LCS_SIGNATURE) {
    SetLastError(ERROR_INVALID_COLORSPACE);
    return nullptr;
  }
  if (!kvp::icm::IsLiveProfile(destination) || (target && !kvp::icm::IsLiveProfile(target))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (kvp::test::ShouldFailAlloc()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* t = new KvColorTransform();
  t->flags = flags;
  t->destination = destination;
  kvp::icm::Add(t, Kind::Transform);
  return t;
}

KVAPI BOOL DeleteColorTransform(HTRANSFORM transform) {
  if (!kvp::icm::Remove(transform, Kind::Transform)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete static_cast<KvColorTransform*>(transform);
  return TRUE;
}
