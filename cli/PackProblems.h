#pragma once
// The plain-language line the command line adds after the loader's own text, so that a user
// knows what is wrong with the file. Pure; any thread.
#include <string>

#include "pack/UpdatePack.h"

namespace quorin {

// For a pack that could not be read: "The file is shorter than a pack, ..." and the like.
std::string ReadErrorExplanation(const EInOutError& error);

// For a pack that was read but is broken: which check failed (`header` as the load left it).
std::string BrokenPackExplanation(PackDecodeResult result, const PackHeader& header);

}  // namespace quorin
