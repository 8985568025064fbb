#pragma once
// What a loaded pack means to a user: good, broken, or made for another controller. Read Pack in
// the window, `info` and `flash` on the command line all judge a pack by these functions.
#include <cstdint>

#include "pack/UpdatePack.h"

namespace quorin {

enum class PackVerdict {
  Good,           // checks passed and made for this controller
  Broken,         // header CRC, firmware length or firmware sum wrong: "Pack file was briken"
  ForeignTarget,  // checks passed but TargetCode is not 20002: "固件包错误"
};

// `loaded` is what LoadUpdatePack returned for `header`. Any thread.
PackVerdict JudgePack(bool loaded, const PackHeader& header);

// "Update software + settings" for 0xAA, else "Update software only". Any thread.
const char* UpdateKindText(std::uint8_t updateKind);

}  // namespace quorin
