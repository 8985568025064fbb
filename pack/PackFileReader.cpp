#include "pack/PackFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace quorin {
namespace {

constexpr int kReadBeyondEndOfFile = 100;

// Closes the descriptor when the read is over, whichever way it ends.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// The directory part of `path` ("." when it has none, "/" for a file in the root).
std::string ParentDirectory(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const auto slash = path.find_last_of('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

bool IsExistingDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

EInOutError InOutErrorFor(int error, const std::string& path) {
  switch (error) {
    case ENOENT:
      if (!IsExistingDirectory(ParentDirectory(path))) return EInOutError(3, "Invalid filename");
      return EInOutError(2, "File not found");
    case ENOTDIR:
      return EInOutError(3, "Invalid filename");
    case EMFILE:
    case ENFILE:
      return EInOutError(4, "Too many open files");
    case EACCES:
    case EPERM:
    case EROFS:
      return EInOutError(5, "File access denied");
    default:
      return EInOutError(error, "I/O error " + std::to_string(error));
  }
}

EInOutError ReadBeyondEndOfFile() {
  return EInOutError(kReadBeyondEndOfFile, "Read beyond end of file");
}

void ReadPackImage(const std::string& path, PackImage& image) {
  const FileDescriptor file(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.Get() < 0) throw InOutErrorFor(errno, path);

  // One read of the whole image; the kernel may hand it over in parts.
  std::size_t filled = 0;
  while (filled < image.size()) {
    const ssize_t got = ::read(file.Get(), image.data() + filled, image.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw InOutErrorFor(errno, path);
    }
    if (got == 0) throw ReadBeyondEndOfFile();
    filled += static_cast<std::size_t>(got);
  }
}

}  // namespace quorin
