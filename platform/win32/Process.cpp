#include "platform/Process.h"

#include <windows.h>
// after windows.h
#include <io.h>

#include "platform/win32/Handle.h"

namespace quorin::platform {

bool EnsureStandardDescriptorsOpen() {
  // A Windows program started without a standard stream has none at all (no handle), and a file
  // the C runtime opens later never takes descriptor 0, 1 or 2 by accident; a missing stream is
  // pointed at NUL so that writes to it quietly go nowhere.
  bool ok = true;
  std::FILE* const streams[] = {stdin, stdout, stderr};
  for (int fd = 0; fd <= 2; ++fd) {
    if (::_get_osfhandle(fd) >= 0) continue;
    if (std::freopen("NUL", fd == 0 ? "r" : "w", streams[fd]) == nullptr) ok = false;
  }
  return ok;
}

bool IsTerminal(std::FILE* stream) {
  if (stream == nullptr) return false;
  const int fd = ::_fileno(stream);
  if (fd < 0) return false;
  const intptr_t handle = ::_get_osfhandle(fd);
  DWORD mode = 0;
  return handle != -1 && handle != -2 &&
         ::GetConsoleMode(reinterpret_cast<HANDLE>(handle), &mode) != 0;
}

bool ProcessIsRunning(std::uint64_t pid) {
  if (pid == 0 || pid > MAXDWORD) return false;
  const UniqueHandle process =
      win32::Own(::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
  // No such process is "invalid parameter"; any other refusal means there is one.
  if (!process.Valid()) return ::GetLastError() != ERROR_INVALID_PARAMETER;
  return ::WaitForSingleObject(win32::Native(process), 0) == WAIT_TIMEOUT;
}

}  // namespace quorin::platform
