#include "platform/Files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>

#include "platform/FileWriting.h"
#include "platform/Paths.h"
#include "platform/SystemError.h"
#include "platform/posix/Fd.h"

namespace quorin::platform {
namespace {

// The file a replacing write really replaces: the target of a symbolic link, or `path` itself.
// A dangling link is replaced itself.
std::string ResolveLink(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      std::string resolved(real);
      std::free(real);
      return resolved;
    }
  }
  return path;
}

std::string LeafOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A new, empty, uniquely named file beside `target`; fills `name`.
UniqueHandle CreateTemporaryBeside(const std::string& target, std::string& name,
                                   std::error_code& error) {
  std::random_device entropy;
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::uint64_t tag = (static_cast<std::uint64_t>(entropy()) << 32) ^ entropy();
    name = FolderOf(target) + "/" + detail::TemporaryLeaf(LeafOf(target), ::getpid(), tag);
    UniqueHandle file(
        ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
    if (file.Valid()) return file;
    if (errno != EEXIST) {
      error = LastSystemError();
      return file;
    }
  }
  error = std::make_error_code(std::errc::file_exists);
  return UniqueHandle();
}

// Flushes the folder's entry list, so that a rename or a creation in it survives a power loss.
void FlushFolder(const std::string& folder) {
  const UniqueHandle handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (handle.Valid()) (void)::fsync(Fd(handle));
}

// Runs the producer into `file`, then flushes and closes it.
std::error_code FillAndClose(UniqueHandle& file, const FileProducer& produce,
                             const struct stat* keep) {
  FileSink sink(file.Get());
  std::error_code error = produce(sink);
  if (!error && keep != nullptr) {
    if (::fchmod(Fd(file), keep->st_mode & 07777) != 0) error = LastSystemError();
    if (!error && ::geteuid() == 0) {
      // Best effort: a file root rewrites keeps its owner; if not, it stays root's and readable.
      [[maybe_unused]] const int owned = ::fchown(Fd(file), keep->st_uid, keep->st_gid);
    }
  }
  if (!error && ::fsync(Fd(file)) != 0) error = LastSystemError();
  const std::error_code closed = file.Close();
  return error ? error : closed;
}

}  // namespace

ReadableFile ReadableFile::Open(const std::string& path, Kind kind, std::error_code& error) {
  error.clear();
  UniqueHandle handle(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!handle.Valid()) {
    error = LastSystemError();
    return {};
  }
  struct stat info {};
  if (::fstat(Fd(handle), &info) != 0) {
    error = LastSystemError();
    return {};
  }
  const bool pipe = kind == Kind::Stream && S_ISFIFO(info.st_mode);
  if (!S_ISREG(info.st_mode) && !pipe) {
    error = S_ISDIR(info.st_mode) ? std::make_error_code(std::errc::is_a_directory)
                                  : make_error_code(FileErrc::NotRegularFile);
    return {};
  }
  return ReadableFile(std::move(handle), pipe);
}

std::size_t ReadableFile::Read(std::span<std::byte> buffer, std::error_code& error) {
  error.clear();
  for (;;) {
    if (pipe_) {
      // Wait for the writer first: a FIFO that no writer has opened yet reads as its end at once,
      // and Linux reports it neither readable nor hung up until a writer has come and gone.
      pollfd ready{Fd(handle_), POLLIN, 0};
      const int events = ::poll(&ready, 1, static_cast<int>(kPipeSilenceLimit.count()));
      if (events == 0) {
        error = FileErrc::PipeSilent;
        return 0;
      }
      if (events < 0) {
        if (errno == EINTR) continue;
        error = LastSystemError();
        return 0;
      }
    }
    const ssize_t got = ::read(Fd(handle_), buffer.data(), buffer.size());
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno == EINTR || (pipe_ && errno == EAGAIN)) continue;
    error = LastSystemError();
    return 0;
  }
}

std::uintmax_t ReadableFile::Size(std::error_code& error) const {
  error.clear();
  struct stat info {};
  if (::fstat(Fd(handle_), &info) != 0) {
    error = LastSystemError();
    return 0;
  }
  return static_cast<std::uintmax_t>(info.st_size);
}

std::error_code FileSink::Write(std::span<const std::byte> bytes) {
  while (!bytes.empty()) {
    const ssize_t wrote = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return LastSystemError();
    }
    bytes = bytes.subspan(static_cast<std::size_t>(wrote));
  }
  return {};
}

namespace detail {

std::error_code WriteNamedFileAtomically(const std::string& path, const FileProducer& produce,
                                         const WriteOptions& options, WriteStep& step) {
  const std::string target = options.FollowLink ? ResolveLink(path) : path;

  if (options.KeepExisting) {
    UniqueHandle file(
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
    if (!file.Valid()) return LastSystemError();
    step = WriteStep::Write;
    if (const std::error_code error = FillAndClose(file, produce, nullptr)) {
      ::unlink(target.c_str());
      return error;
    }
    FlushFolder(FolderOf(target));
    return {};
  }

  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  // Read-only: no write permission bit at all (which holds even for root, as the read-only
  // attribute does on Windows), or none for this user.
  if (options.KeepReadOnly && exists && S_ISREG(old.st_mode) &&
      ((old.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)) {
    return std::make_error_code(std::errc::permission_denied);
  }
  const bool keep = options.KeepAttributes && exists;
  RemoveStaleTemporaries(target);
  std::error_code error;
  std::string temporary;
  UniqueHandle file = CreateTemporaryBeside(target, temporary, error);
  if (!file.Valid()) return error;
  step = WriteStep::Write;
  error = FillAndClose(file, produce, keep ? &old : nullptr);
  if (!error && ::rename(temporary.c_str(), target.c_str()) != 0) error = LastSystemError();
  if (error) {
    ::unlink(temporary.c_str());
    return error;
  }
  FlushFolder(FolderOf(target));
  return {};
}

int InOutCodeOf(std::error_code error) {
  constexpr std::pair<int, int> kCodes[] = {{ENOENT, 2}, {ENOTDIR, 3}, {EMFILE, 4}, {ENFILE, 4},
                                            {EACCES, 5}, {EPERM, 5},   {EROFS, 5}};
  if (error.category() != std::generic_category() && error.category() != std::system_category()) {
    return 0;
  }
  for (const auto& [system, loader] : kCodes) {
    if (error.value() == system) return loader;
  }
  return 0;
}

}  // namespace detail

int SilentPipeIoCode() {
  return ETIMEDOUT;
}

}  // namespace quorin::platform
