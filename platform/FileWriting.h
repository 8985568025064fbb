#pragma once
// The platform's half of WriteFileAtomically (platform/Files.cpp does what is the same on every
// platform: the empty name, the failed step). One implementation per platform.
#include <string>
#include <system_error>

#include "platform/Files.h"

namespace quorin::platform::detail {

// WriteFileAtomically for a non-empty `path`; on failure `step` says which step failed.
std::error_code WriteNamedFileAtomically(const std::string& path, const FileProducer& produce,
                                         const WriteOptions& options, WriteStep& step);

}  // namespace quorin::platform::detail
