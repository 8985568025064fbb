#include "cli/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

namespace quorin {
namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  // Closes now and reports whether the data reached the file system.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

std::string Reason(int error) {
  return std::strerror(error);
}

// Writes all of `bytes`; false with errno set when the file system refuses.
bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(wrote));
  }
  return true;
}

// The folder holding `path`, for the temporary file that replaces it.
std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::size_t maxBytes) {
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.Get() < 0) throw FileError("cannot read " + path + ": " + Reason(errno));
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0)
    throw FileError("cannot read " + path + ": " + Reason(errno));
  if (!S_ISREG(info.st_mode)) throw FileError("cannot read " + path + ": not a regular file");
  if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
    throw FileTooLarge(path + " holds " + std::to_string(info.st_size) + " bytes",
                       static_cast<std::uintmax_t>(info.st_size));
  }
  std::vector<std::uint8_t> bytes(maxBytes + 1 < 65536 ? maxBytes + 1 : 65536);
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) {
      if (bytes.size() > maxBytes) break;
      bytes.resize(std::min(bytes.size() * 2, maxBytes + 1));
    }
    const ssize_t got = ::read(file.Get(), bytes.data() + filled, bytes.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw FileError("cannot read " + path + ": " + Reason(errno));
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  // The file may have grown since fstat.
  if (filled > maxBytes) {
    throw FileTooLarge(path + " holds more than " + std::to_string(maxBytes) + " bytes", filled);
  }
  bytes.resize(filled);
  return bytes;
}

void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes, bool replace) {
  if (!replace) {
    Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (file.Get() < 0) {
      if (errno == EEXIST) throw FileExists(path + " already exists");
      throw FileError("cannot create " + path + ": " + Reason(errno));
    }
    if (!WriteAll(file.Get(), bytes) || !file.Close()) {
      const int error = errno;
      ::unlink(path.c_str());
      throw FileError("cannot write " + path + ": " + Reason(error));
    }
    return;
  }

  // A fresh name beside the output, created the way the output would be (umask applies).
  std::random_device random;
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary = FolderOf(path) + "/.quorin-pack-" + std::to_string(random());
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) break;
  }
  Descriptor file(fd);
  if (file.Get() < 0) throw FileError("cannot create a file beside " + path + ": " + Reason(errno));
  if (!WriteAll(file.Get(), bytes) || !file.Close() ||
      ::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    throw FileError("cannot write " + path + ": " + Reason(error));
  }
}

}  // namespace quorin
