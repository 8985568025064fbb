// Who holds a device on POSIX: every /proc/PID/fd/N is a link to what the process has open;
// stat follows it to the file itself, so the device is recognised by its device and inode number
// whatever name the other program opened it by. Processes of other users cannot be looked into
// (unless we are root) and are skipped, as are processes that end while being looked at.
#include "platform/PortHolders.h"

#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <memory>

#include "platform/Process.h"
#include "platform/posix/PortHoldersProc.h"

namespace quorin::platform {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

bool HasOpen(const std::string& processDir, const struct stat& device) {
  const std::string fdDir = processDir + "/fd";
  const Dir dir(::opendir(fdDir.c_str()));
  if (!dir) return false;  // another user's process, or one that has just ended
  while (const dirent* entry = ::readdir(dir.get())) {
    if (entry->d_name[0] == '.') continue;
    struct stat info {};
    if (::stat((fdDir + "/" + entry->d_name).c_str(), &info) != 0) continue;
    if (info.st_dev == device.st_dev && info.st_ino == device.st_ino) return true;
  }
  return false;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

PortHolder HolderAt(std::uint64_t id, const std::string& processDir) {
  PortHolder holder;
  holder.ProcessId = id;
  holder.Name = FileText(processDir + "/comm");
  while (!holder.Name.empty() && holder.Name.back() == '\n') holder.Name.pop_back();
  holder.CommandLine = FileText(processDir + "/cmdline");  // arguments, each ended by a NUL
  while (!holder.CommandLine.empty() && holder.CommandLine.back() == '\0') {
    holder.CommandLine.pop_back();
  }
  std::replace(holder.CommandLine.begin(), holder.CommandLine.end(), '\0', ' ');
  return holder;
}

}  // namespace

OpenRefusal ClassifyOpenError(std::error_code reason) {
  if (reason == std::errc::device_or_resource_busy ||
      reason == std::errc::resource_unavailable_try_again ||
      reason == std::errc::operation_would_block) {
    return OpenRefusal::Busy;
  }
  if (reason == std::errc::permission_denied || reason == std::errc::operation_not_permitted) {
    return OpenRefusal::NoPermission;
  }
  if (reason == std::errc::no_such_file_or_directory || reason == std::errc::no_such_device ||
      reason == std::errc::no_such_device_or_address) {
    return OpenRefusal::NoDevice;
  }
  return OpenRefusal::Other;
}

PortHolderList HoldersOf(const std::string& devicePath) {
  return HoldersOf(devicePath, "/proc");
}

PortHolderList HoldersOf(const std::string& devicePath, const std::string& procDir) {
  PortHolderList list;
  const Dir proc(::opendir(procDir.c_str()));
  struct stat self {};
  if (!proc || ::stat((procDir + "/self/fd").c_str(), &self) != 0) return list;  // nothing told
  list.Told = true;
  struct stat device {};
  if (::stat(devicePath.c_str(), &device) != 0) return list;
  const auto own = static_cast<std::uint64_t>(::getpid());
  while (const dirent* entry = ::readdir(proc.get())) {
    const auto id = ProcessIdOf(entry->d_name);
    if (!id || *id == own) continue;
    const std::string processDir = procDir + "/" + entry->d_name;
    if (HasOpen(processDir, device)) list.Holders.push_back(HolderAt(*id, processDir));
  }
  std::sort(list.Holders.begin(), list.Holders.end(),
            [](const PortHolder& a, const PortHolder& b) { return a.ProcessId < b.ProcessId; });
  return list;
}

DeviceGroup GroupOf(const std::string& devicePath) {
  DeviceGroup group;
  struct stat info {};
  if (::stat(devicePath.c_str(), &info) != 0) return group;
  group.GroupMayUse = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  std::string scratch(1024, '\0');
  struct group entry {};
  struct group* found = nullptr;
  int error = 0;
  while ((error = ::getgrgid_r(info.st_gid, &entry, scratch.data(), scratch.size(), &found)) ==
             ERANGE &&
         scratch.size() < (1u << 20)) {
    scratch.resize(scratch.size() * 2);
  }
  group.Id = std::to_string(info.st_gid);
  if (error == 0 && found != nullptr) {
    group.Name = found->gr_name;
    group.Named = true;
  } else {
    group.Name = group.Id;  // a group without a name: its number stands in for it
  }
  return group;
}

}  // namespace quorin::platform
