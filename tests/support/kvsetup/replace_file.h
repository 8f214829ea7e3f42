// Replacing a host file as a whole: the new content goes to a temporary file in the same folder, is
// flushed, and is renamed over the old one. A reader (or a process that has the old file mapped, such as
// a loaded library) keeps the old file; a kill or a full disk leaves the old content, never a cut one.
// The temporary file is removed on failure, and those of writers killed earlier are removed by the next
// write of the same file.
//
// Header-only: kvhost, the installation path and the tests include it without linking another library.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace kvsetup {

namespace detail {

// ".NAME.part-PID": hidden, and tied to the process that writes it.
inline std::string PartPrefix(const std::filesystem::path& target) { return "." + target.filename().string() + ".part-"; }

// Removes the temporary files of `target` whose writer no longer runs.
inline void RemoveStaleParts(const std::filesystem::path& target) {
  namespace fs = std::filesystem;
  const std::string prefix = PartPrefix(target);
  std::error_code ec;
  fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    char* end = nullptr;
    long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
    if (!end || *end || pid <= 0) continue;
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH) {
      std::error_code gone;
      fs::remove(it->path(), gone);
    }
  }
}

}  // namespace detail

// Replaces `target` with `bytes`. False with the reason in *error (the system's words, such as "No space
// left on device"); the old file is then untouched.
inline bool WriteFileReplacing(const std::filesystem::path& target, std::string_view bytes, std::string* error,
                               std::filesystem::perms mode = std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::owner_write |
                                                             std::filesystem::perms::group_read |
                                                             std::filesystem::perms::others_read) {
  detail::RemoveStaleParts(target);
  const std::string tmp = (target.parent_path() / (detail::PartPrefix(target) + std::to_string(::getpid()))).string();
  auto fail = [&](int e) {
    *error = std::strerror(e);
    ::unlink(tmp.c_str());
    return false;
  };
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd < 0) {
    *error = std::strerror(errno);
    return false;
  }
  for (size_t done = 0; done < bytes.size();) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int e = n < 0 ? errno : EIO;
      ::close(fd);
      return fail(e);
    }
    done += size_t(n);
  }
  if (::fchmod(fd, static_cast<mode_t>(mode)) != 0 || ::fsync(fd) != 0) {
    int e = errno;
    ::close(fd);
    return fail(e);
  }
  if (::close(fd) != 0) return fail(errno);
  if (::rename(tmp.c_str(), target.c_str()) != 0) return fail(errno);
  return true;
}

// Replaces `target` with a copy of the host file `from`, keeping its permissions.
inline bool CopyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& target, std::string* error) {
  std::ifstream in(from, std::ios::binary);
  std::string bytes;
  if (in.is_open()) bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.is_open() || in.bad()) {
    *error = "cannot read " + from.string();
    return false;
  }
  std::error_code ec;
  std::filesystem::perms mode = std::filesystem::status(from, ec).permissions();
  if (ec) {
    *error = ec.message();
    return false;
  }
  return WriteFileReplacing(target, bytes, error, mode & std::filesystem::perms::all);
}

}  // namespace kvsetup
