#pragma once
// Paths: the folder of a path, the running program's folder and the per-user configuration
// folder. Any thread; nothing is cached.
#include <string>
#include <string_view>

namespace quorin::platform {

// The folder part of `path`: "." when it has none, the root ("/") for an entry of the root.
// Separators at the end of `path` are ignored ("a/b/" gives "a"). Pure text, no file system access.
std::string FolderOf(std::string_view path);

// True when `path` names an existing folder (following symbolic links). Never raises.
bool IsExistingFolder(const std::string& path);

// True when the calling process may create files in the folder `path` (by its real user, as
// access(2) sees it). Never raises.
bool IsWritableFolder(const std::string& path);

// The folder holding the running executable; empty when the system cannot tell. Never raises
// except std::bad_alloc.
std::string ExecutableFolder();

// This program's folder among the user's configuration files: "$XDG_CONFIG_HOME/quorin-iap" when
// that variable holds an absolute path, "~/.config/quorin-iap" otherwise (the home folder from
// $HOME when absolute, else the user database; "/tmp" when neither knows it). It is not created
// here. Never raises except std::bad_alloc.
std::string UserConfigFolder();

}  // namespace quorin::platform
