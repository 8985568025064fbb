#pragma once
// The operating system's reason for the failure of the call just made on this thread.
#include <system_error>

namespace quorin::platform {

// The last error of the calling thread (errno on POSIX, in the generic category, which is what
// the std::errc conditions compare against; GetLastError on Windows). Read it right after the
// failed call: anything in between may change it. Never raises. Any thread.
std::error_code LastSystemError();

}  // namespace quorin::platform
