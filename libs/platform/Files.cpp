#include "platform/Files.h"

#include "platform/Facts.h"
#include "platform/Log.h"
#include "platform/StringUtils.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace platform {

namespace {

/// Closes a descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  /// Closes now; returns false when close reports an error (a failed flush).
  bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

bool writeAll(int fd, std::span<const uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

std::string homeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/tmp";
}

}  // namespace

bool fileExists(const std::string& path) {
  struct stat info;
  return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

std::optional<std::vector<uint8_t>> readFile(const std::string& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  struct stat info;
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  std::vector<uint8_t> bytes;
  // The size is only a hint: some files report 0 and still have contents.
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  uint8_t chunk[65536];
  for (;;) {
    ssize_t count = ::read(fd.get(), chunk, sizeof chunk);
    if (count < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (count == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + count);
  }
  return bytes;
}

bool writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  static std::atomic<unsigned> counter{0};
  std::string folder = stringByDeletingLastPathComponent(path);
  std::string name = lastPathComponent(path);
  if (name.empty() || name == "/") {
    CCLOG("tessera: writeFileAtomically: \"%s\" names no file", path.c_str());
    return false;
  }
  // A hidden name in the same folder keeps the rename on one file system.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = stringByAppendingPathComponent(
        folder, formatString(".%s.%d-%u.tmp", name.c_str(), static_cast<int>(::getpid()), counter.fetch_add(1)));
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    CCLOG("tessera: writeFileAtomically: cannot create a temporary file for \"%s\": %s", path.c_str(),
          std::strerror(errno));
    return false;
  }
  FileDescriptor file(fd);
  const char* step = nullptr;
  if (!writeAll(file.get(), bytes)) {
    step = "write";
  } else if (::fsync(file.get()) != 0) {
    step = "flush";
  } else if (!file.close()) {
    step = "close";
  } else if (::rename(temporary.c_str(), path.c_str()) != 0) {
    step = "rename";
  }
  if (step) {
    int error = errno;
    ::unlink(temporary.c_str());
    CCLOG("tessera: writeFileAtomically: cannot %s \"%s\": %s", step, path.c_str(), std::strerror(error));
    return false;
  }
  return true;
}

std::string documentsDirectory() {
  std::string folder = facts().documentsDir;
  if (folder.empty()) {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string base = dataHome && dataHome[0] == '/'
                           ? std::string(dataHome)
                           : stringByAppendingPathComponent(homeDirectory(), ".local/share");
    folder = stringByAppendingPathComponent(base, "umbrascope/Documents");
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) CCLOG("tessera: documents folder \"%s\" cannot be created: %s", folder.c_str(), error.message().c_str());
  return folder;
}

}  // namespace platform
