#pragma once
// POSIX only: HoldersOf over another process tree (a root folder's proc, for tests).
#include <string>

#include "platform/PortHolders.h"

namespace quorin::platform {

// HoldersOf with `procDir` standing for /proc (it must hold self/fd to be told anything).
PortHolderList HoldersOf(const std::string& devicePath, const std::string& procDir);

}  // namespace quorin::platform
