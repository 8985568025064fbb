#pragma once
// The plain-language line the command line adds after the loader's own text, so that a user
// knows what is wrong with the file. Any thread.
#include <string>

#include "pack/UpdatePack.h"

namespace quorin {

// For the pack at `path` that could not be read: "The file is shorter than a pack, ..." and the
// like. Looks at the file system only to tell a folder from a file the user may not read.
std::string ReadErrorExplanation(const EInOutError& error, const std::string& path);

// For a pack that was read but is broken: which check failed (`header` as the load left it).
std::string BrokenPackExplanation(PackDecodeResult result, const PackHeader& header);

}  // namespace quorin
