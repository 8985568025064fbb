#include "cli/PackProblems.h"

#include <system_error>

#include "platform/FileIdentity.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace quorin {

std::string ReadErrorExplanation(const EInOutError& error, const std::string& path) {
  if (error.Code() == platform::SilentPipeIoCode()) {
    return "Nothing came through the pipe for " +
           std::to_string(platform::kPipeSilenceLimit.count() / 1000) +
           " seconds: start the program that writes into it first.";
  }
  switch (error.Code()) {
    case 2:
      return "There is no file of that name.";
    case 3:
      return "A folder named in the path does not exist.";
    case 4:
      return "This process has too many files open.";
    case 5:
      if (platform::IsExistingFolder(path)) return "The name is a folder, not a pack file.";
      if (const auto identity = platform::IdentityOf(path);
          identity && identity->Kind != platform::FileKind::Regular &&
          identity->Kind != platform::FileKind::SymbolicLink) {
        return "The name is a device, a pipe or a socket, not a pack file; nothing was read from "
               "it.";
      }
      return "You may not read this file (no permission).";
    case 100:
      return "The file is shorter than a pack, which is " + std::to_string(kPackImageSize) +
             " bytes long.";
    default:
      return "The system refused the file: " + std::generic_category().message(error.Code()) + ".";
  }
}

std::string BrokenPackExplanation(PackDecodeResult result, const PackHeader& header) {
  switch (result) {
    case PackDecodeResult::HeaderCrcMismatch:
      return "The header checksum does not match: the file is not a pack, or a damaged one.";
    case PackDecodeResult::DataTooLong:
      return "The header gives a firmware length of " + std::to_string(header.DataLength()) +
             " bytes, beyond what a pack can hold (" + std::to_string(kMaxDataLength) + " bytes).";
    case PackDecodeResult::SumMismatch:
      return "The firmware sum does not match: the firmware in the pack is damaged.";
    case PackDecodeResult::Ok:
      break;
  }
  return {};
}

}  // namespace quorin
