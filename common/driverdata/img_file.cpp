// The compiled image of a printer: the process cache, the ".BCS" file beside the driver data file and
// the compile that replaces a missing or stale file.
//
// A ".BCS" file is outside input: anybody may have written it, a killed process may have left it half
// written. It is used only after the whole structure was checked (every reference inside the file,
// records disjoint, lists and strings ending, Judges well formed); a file that fails is deleted and the
// data file compiled afresh. Files are written aside and renamed into place, so a reader sees either the
// old file, or the complete new one.
#include <atomic>
#include <cstring>
#include <mutex>

#include "driverdata/dfc_compiler.h"
#include "driverdata/img_image.h"
#include "kvplat/file.h"
#include "kvplat/handle.h"
#include "kvplat/heap.h"
#include "kvplat/text.h"
#include "settings/context.h"
#include "settings/model_tables.h"

namespace {

constexpr size_t kPathChars = 260;
constexpr size_t kWriteChunk = 64 * 1024;

void (*g_writeChunkHook)(size_t) = nullptr;
std::atomic<int> g_compileCount{0};

// Version text of at most 15 characters from a buffer of 16 that may lack its terminator.
void CopyVersion(WCHAR out[17], const WCHAR* in) {
  std::memcpy(out, in, 16 * sizeof(WCHAR));
  out[16] = 0;
}

uint64_t FileTime64(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

HANDLE OpenForReading(LPCWSTR path) {
  return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

namespace img::test {
void SetWriteChunkHook(void (*hook)(size_t written)) { g_writeChunkHook = hook; }
int CompileCount() { return g_compileCount.load(); }
}  // namespace img::test

const WCHAR* ImgExpectedDataVersion(SETTING_CONTEXT* ctx) {
  const MODEL_BLOCK* m = ctx && ctx->model ? ctx->model : StgGetModelBlock();
  return m && m->driverVersionText ? m->driverVersionText : u"";
}

// ---- file ------------------------------------------------------------------------------------------------

void ImgMakeImagePath(WCHAR* dest, LPCWSTR dataPath) {
  if (!dest) return;
  dest[0] = 0;
  if (!dataPath) return;
  std::u16string_view p = kvp::WView(dataPath);
  // Only a '.' in the last path element starts an extension.
  size_t slash = p.find_last_of(u"\\/");
  size_t dot = p.rfind(u'.');
  std::u16string out(p);
  if (dot != std::u16string_view::npos && (slash == std::u16string_view::npos || dot > slash))
    out = std::u16string(p.substr(0, dot + 1)) + u"BCS";
  else
    out += u".BCS";
  if (out.size() >= kPathChars) return;
  kvp::WCopy(dest, kPathChars, out.c_str());
}

BYTE* ImgLoadImageFile(LPCWSTR dataPath) {
  WCHAR imagePath[kPathChars];
  ImgMakeImagePath(imagePath, dataPath);
  if (!imagePath[0]) return nullptr;
  HANDLE data = OpenForReading(dataPath);
  if (data == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE image = OpenForReading(imagePath);
  if (image == INVALID_HANDLE_VALUE) {
    CloseHandle(data);
    return nullptr;
  }
  FILETIME dataTime{}, imageTime{};
  bool fresh = GetFileTime(data, nullptr, nullptr, &dataTime) && GetFileTime(image, nullptr, nullptr, &imageTime) &&
               FileTime64(imageTime) >= FileTime64(dataTime);
  CloseHandle(data);
  // The file is read straight into its block (one copy); mapping a view costs more than it saves for a
  // file that is read once and whole.
  BYTE* block = nullptr;
  DWORD high = 0;
  DWORD size = fresh ? GetFileSize(image, &high) : 0;
  uint32_t total = 0;
  DWORD got = 0;
  if (fresh && size != INVALID_FILE_SIZE && high == 0 && size > dfc::kHeaderSize && size <= dfc::kMaxImageSize &&
      SetFilePointer(image, 32, nullptr, FILE_BEGIN) == 32 && ReadFile(image, &total, 4, &got, nullptr) &&
      got == 4 && total == size && SetFilePointer(image, 0, nullptr, FILE_BEGIN) == 0) {
    block = static_cast<BYTE*>(GlobalAlloc(GPTR, size));
    if (block && !(ReadFile(image, block, size, &got, nullptr) && got == size &&
                   dfc::Get<uint32_t>(block, DFC_OFF(COMPILED_IMAGE_HEADER, TotalLength)) == size)) {  // the file changed under us
      GlobalFree(block);
      block = nullptr;
    }
  }
  CloseHandle(image);
  return block;
}

BOOL ImgWriteImageFile(const BYTE* image, LPCWSTR dataPath) {
  if (!image) return 0;
  WCHAR imagePath[kPathChars];
  ImgMakeImagePath(imagePath, dataPath);
  if (!imagePath[0]) return 0;
  // One aside name per image file: writers take turns under the global mutex, and whatever a killed
  // writer left there is truncated by the next one.
  std::u16string aside = std::u16string(imagePath) + u".new";
  if (aside.size() >= kPathChars) return 0;
  HANDLE f = CreateFileW(aside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 0;
  uint32_t total = dfc::Get<uint32_t>(image, DFC_OFF(COMPILED_IMAGE_HEADER, TotalLength));
  bool ok = true;
  for (size_t done = 0; ok && done < total;) {
    DWORD n = DWORD(total - done < kWriteChunk ? total - done : kWriteChunk), wrote = 0;
    ok = WriteFile(f, image + done, n, &wrote, nullptr) && wrote == n;
    done += wrote;
    if (ok && g_writeChunkHook) g_writeChunkHook(done);
  }
  ok = ok && FlushFileBuffers(f);
  CloseHandle(f);
  if (ok) ok = MoveFileExW(aside.c_str(), imagePath, MOVEFILE_REPLACE_EXISTING) != 0;
  if (!ok) DeleteFileW(aside.c_str());
  return ok ? 1 : 0;
}

void ImgDeleteImageFile(LPCWSTR dataPath) {
  WCHAR imagePath[kPathChars];
  ImgMakeImagePath(imagePath, dataPath);
  if (imagePath[0]) DeleteFileW(imagePath);
}

BOOL ImgRelocate(BYTE* image, size_t length) { return dfc::DfcCheckAndRelocate(image, length); }

BYTE* DfcCompileDataFile(SETTING_CONTEXT* ctx, LPCWSTR dataPath, int mayWrite) {
  dfc::COMPILE_RECORD* rec = dfc::DfcParseDataFile(dataPath);
  if (!rec) return nullptr;
  uint32_t length = 0;
  BYTE* image = dfc::DfcAssembleImage(rec, &length);  // frees the record
  if (!image) return nullptr;
  g_compileCount.fetch_add(1);
  if (mayWrite) {
    WCHAR version[17];
    CopyVersion(version, reinterpret_cast<const WCHAR*>(image));
    if (!ctx || kvp::WEqualI(kvp::WView(version), kvp::WView(ImgExpectedDataVersion(ctx))))
      ImgWriteImageFile(image, dataPath);
  }
  if (!ImgRelocate(image, length)) {  // our own compiler's output always checks out
    GlobalFree(image);
    return nullptr;
  }
  return image;
}

// ---- process cache -----------------------------------------------------------------------------------------

struct IMAGE_CACHE_ENTRY {
  IMAGE_CACHE_ENTRY* next;
  DWORD useCount;
  BYTE* image;
  WCHAR* key;  // the data file's full path
};

namespace {
struct IMAGE_CACHE_HEAD {
  BYTE count;
  IMAGE_CACHE_ENTRY* first;
  IMAGE_CACHE_ENTRY* last;
};
IMAGE_CACHE_HEAD g_cache{};
// The global mutex already serialises every acquisition; this guard keeps the list sound also for a
// creator that passed the no-lock flag without holding the mutex.
std::mutex g_cacheGuard;
}  // namespace

IMAGE_CACHE_ENTRY* ImgCacheNewEntry(BYTE* image, LPCWSTR dataPath) {
  if (!image || !dataPath || !dataPath[0]) return nullptr;
  size_t n = kvp::WLen(dataPath);
  auto* e = static_cast<IMAGE_CACHE_ENTRY*>(GlobalAlloc(GPTR, sizeof(IMAGE_CACHE_ENTRY)));
  if (!e) return nullptr;
  e->key = static_cast<WCHAR*>(GlobalAlloc(GPTR, (n + 1) * sizeof(WCHAR)));
  if (!e->key) {
    GlobalFree(e);
    return nullptr;
  }
  std::memcpy(e->key, dataPath, n * sizeof(WCHAR));
  e->useCount = 1;
  e->image = image;
  return e;
}

BYTE* ImgCacheLookup(LPCWSTR dataPath) {
  if (!dataPath) return nullptr;
  std::lock_guard<std::mutex> g(g_cacheGuard);
  for (IMAGE_CACHE_ENTRY* e = g_cache.first; e; e = e->next)
    if (kvp::WEqualI(kvp::WView(e->key), kvp::WView(dataPath))) return e->image;
  return nullptr;
}

namespace {
bool CacheAdd(BYTE* image, LPCWSTR dataPath) {
  IMAGE_CACHE_ENTRY* e = ImgCacheNewEntry(image, dataPath);
  if (!e) return false;
  std::lock_guard<std::mutex> g(g_cacheGuard);
  if (g_cache.last)
    g_cache.last->next = e;
  else
    g_cache.first = e;
  g_cache.last = e;
  ++g_cache.count;
  return true;
}
}  // namespace

void ImgCacheAdd(BYTE* image, LPCWSTR dataPath) { CacheAdd(image, dataPath); }

void ImgFreeCache() {
  std::lock_guard<std::mutex> g(g_cacheGuard);
  for (IMAGE_CACHE_ENTRY* e = g_cache.first; e;) {
    IMAGE_CACHE_ENTRY* next = e->next;
    GlobalFree(e->image);
    GlobalFree(e->key);
    GlobalFree(e);
    e = next;
  }
  g_cache = IMAGE_CACHE_HEAD{};
}

int ImgCacheCount() {
  std::lock_guard<std::mutex> g(g_cacheGuard);
  int n = 0;
  for (IMAGE_CACHE_ENTRY* e = g_cache.first; e; e = e->next) ++n;
  return n;
}

// ---- acquisition -------------------------------------------------------------------------------------------

COMPILED_IMAGE* ImgAcquire(SETTING_CONTEXT* ctx) {
  if (!ctx) return nullptr;
  StgLockSharedFiles(ctx);
  BYTE* result = nullptr;
  LPWSTR path = dfc::DfcGetDataFilePath(ctx->printer2);
  if (path) {
    result = ImgCacheLookup(path);
    if (!result) {
      int mayWrite = 1;
      if (BYTE* loaded = ImgLoadImageFile(path)) {
        WCHAR dataVersion[17] = {};
        dfc::DfcProbeFileVersion(path, dataVersion);
        dataVersion[16] = 0;
        if (!kvp::WEqualI(kvp::WView(dataVersion), kvp::WView(ImgExpectedDataVersion(ctx)))) mayWrite = 0;
        WCHAR imageVersion[17];
        CopyVersion(imageVersion, reinterpret_cast<const WCHAR*>(loaded));
        if (mayWrite && kvp::WEqualI(kvp::WView(imageVersion), kvp::WView(dataVersion)) &&
            ImgRelocate(loaded, dfc::Get<uint32_t>(loaded, DFC_OFF(COMPILED_IMAGE_HEADER, TotalLength)))) {
          result = loaded;
        } else {
          // Another version, or a file that does not check out: never trusted, never kept.
          GlobalFree(loaded);
          ImgDeleteImageFile(path);
        }
      }
      if (!result) result = DfcCompileDataFile(ctx, path, mayWrite);
      // An image the cache cannot hold would belong to nobody: the creation fails instead.
      if (result && !CacheAdd(result, path)) {
        GlobalFree(result);
        result = nullptr;
      }
    }
    GlobalFree(path);
  }
  StgUnlockSharedFiles(ctx);
  return reinterpret_cast<COMPILED_IMAGE*>(result);
}
