#include "platform/FileIdentity.h"

#include <sys/stat.h>

namespace quorin::platform {
namespace {

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::Regular;
  if (S_ISDIR(mode)) return FileKind::Directory;
  if (S_ISLNK(mode)) return FileKind::SymbolicLink;
  if (S_ISFIFO(mode)) return FileKind::Fifo;
  if (S_ISSOCK(mode)) return FileKind::Socket;
  return FileKind::Device;
}

FileIdentity IdentityFrom(const struct stat& info) {
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino), KindOf(info.st_mode)};
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return IdentityFrom(info);
}

std::optional<FileIdentity> LinkIdentityOf(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
  return IdentityFrom(info);
}

std::optional<FileIdentity> IdentityOfHandle(NativeHandle handle) {
  struct stat info {};
  if (::fstat(static_cast<int>(handle), &info) != 0) return std::nullopt;
  return IdentityFrom(info);
}

}  // namespace quorin::platform
