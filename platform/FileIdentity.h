#pragma once
// What a path names in the file system, for the commands that must not destroy what they did not
// make: which file (device and inode, so a link or another spelling of the same file is seen as
// the same file) and what kind of file. Any thread.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/UniqueHandle.h"

namespace quorin::platform {

enum class FileKind { Regular, Directory, SymbolicLink, Fifo, Device, Socket };

struct FileIdentity {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  FileKind Kind = FileKind::Regular;

  bool SameFileAs(const FileIdentity& other) const {
    return Device == other.Device && Inode == other.Inode;
  }
};

// The file `path` names, following symbolic links; nothing when there is none (or it cannot be
// looked at).
std::optional<FileIdentity> IdentityOf(const std::string& path);
// The same for the path itself: a symbolic link is reported as one, not followed.
std::optional<FileIdentity> LinkIdentityOf(const std::string& path);
// The file an open handle refers to; nothing when it cannot be looked at.
std::optional<FileIdentity> IdentityOfHandle(NativeHandle handle);

}  // namespace quorin::platform
