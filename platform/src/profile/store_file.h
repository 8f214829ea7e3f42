// Whole-file reads, atomic replacement and cross-process locks for the platform's file-backed stores
// (profile files, registry hives). Internal to the platform library.
#pragma once
#include <string>
#include <string_view>

#include "kvplat/profile.h"
#include "kvplat/types.h"

namespace kvp::store {

// Largest store file the platform reads; anything bigger is refused rather than loaded into memory.
constexpr size_t kMaxStoreFile = size_t(32) << 20;

// Reads the whole host file into `out`. ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (missing),
// ERROR_PATH_NOT_FOUND (folder missing), ERROR_ACCESS_DENIED (a folder or unreadable),
// ERROR_FILE_TOO_LARGE (over maxBytes) or ERROR_READ_FAULT.
DWORD ReadWholeFile(const std::string& host, std::string& out, size_t maxBytes = kMaxStoreFile);

// Replaces the host file with `bytes`: written beside it in the same folder, flushed, then renamed over
// it, so a reader sees the old or the new content, never a mix. Temporary files that killed writers left
// beside the file are removed. Consults the write-failure switch once.
// ERROR_SUCCESS, ERROR_WRITE_FAULT (injected or short write), ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED,
// ERROR_DISK_FULL. On failure the old file is untouched and no temporary file is left.
DWORD WriteFileAtomic(const std::string& host, std::string_view bytes);

// Rewrites the existing host file in place (same file, new content, cut to size): for a file that open
// handles must keep seeing. Not atomic for readers, but safe against failures: room is taken first (a
// full disk leaves the old text) and the new text journaled beside the file, so a rewrite cut by a kill
// is finished by FinishInPlaceWrite. Consults the write-failure switch once.
DWORD WriteFileInPlace(const std::string& host, std::string_view bytes);

// Finishes an in-place rewrite of the host file that a killed writer left cut (or drops a journal that
// was itself cut, the file then holding the old text). Call it holding the file's lock, before reading.
DWORD FinishInPlaceWrite(const std::string& host);
// Whether an in-place rewrite of the host file is under way or was cut (a reader then takes the file's
// lock and calls FinishInPlaceWrite).
bool InPlaceWriteCut(const std::string& host);

// Identity of a file's current content (changes with every atomic replacement).
struct FileStamp {
  bool exists = false;
  unsigned long long dev = 0, ino = 0, size = 0;
  long long mtimeNs = 0, ctimeNs = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& host);

// An exclusive lock shared by every process on the same machine root, named by an area and a key
// (for example "profile" and the host path of an INI file). Threads of one process exclude each other
// too. The lock is released by the destructor.
class FileLock {
 public:
  FileLock(std::string_view area, std::string_view key);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  // ERROR_SUCCESS when held; otherwise the reason the lock file could not be made.
  DWORD status() const { return status_; }

 private:
  int fd_ = -1;
  DWORD status_ = 0;
};

}  // namespace kvp::store
