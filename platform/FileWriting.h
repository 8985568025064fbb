#pragma once
// The platform's halves of WriteFileAtomically and DescribeInOutError (platform/Files.cpp does what
// is the same on every platform: the empty name, the failed step, the loader's texts). One
// implementation per platform.
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/Files.h"

namespace quorin::platform::detail {

// WriteFileAtomically for a non-empty `path`. `step` comes in as WriteStep::Create and moves on to
// Write once the new file exists, so on failure it says which step failed.
std::error_code WriteNamedFileAtomically(const std::string& path, const FileProducer& produce,
                                         const WriteOptions& options, WriteStep& step);

// The name of a temporary file that will replace the file named `leaf` in the same folder, made by
// process `pid`: ".<leaf>.<pid>-<tag>.tmp". Every platform names its temporaries so, and
// RemoveStaleTemporaries recognises them by it.
std::string TemporaryLeaf(std::string_view leaf, std::uint64_t pid, std::uint64_t tag);

// Removes the temporaries that writes into `target` left behind when they were interrupted (the
// process was killed, the machine lost power): only names TemporaryLeaf makes for `target`'s leaf,
// in its folder, and of those only the ones whose writer process is gone or that are older than
// an hour. Best effort: never reports and never raises.
void RemoveStaleTemporaries(const std::string& target);

// The pack loader's code for the system's reason `error`: 2 (the file or its folder is missing),
// 3 (an invalid name), 4 (too many open files), 5 (access denied), or 0 when it has none of them.
int InOutCodeOf(std::error_code error);

}  // namespace quorin::platform::detail
