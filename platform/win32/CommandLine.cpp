#include "platform/CommandLine.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "platform/win32/Text.h"

namespace quorin::platform {
namespace {

UINT gConsoleOutputCodePage = 0;  // the code page found at start, put back at exit

void RestoreConsoleOutputCodePage() {
  if (gConsoleOutputCodePage != 0) ::SetConsoleOutputCP(gConsoleOutputCodePage);
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide != nullptr) {
    for (int i = 0; i < count; ++i) arguments.push_back(win32::Narrow(wide[i]));
    ::LocalFree(wide);
    return arguments;
  }
  for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
  return arguments;
}

void UseUtf8StandardStreams() {
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  // Without a console (output to a pipe or a file, a program started from a service) there is no
  // code page to set and the bytes pass unchanged.
  const UINT current = ::GetConsoleOutputCP();
  if (current == 0 || current == CP_UTF8) return;
  if (::SetConsoleOutputCP(CP_UTF8)) {
    gConsoleOutputCodePage = current;
    std::atexit(RestoreConsoleOutputCodePage);
  }
}

}  // namespace quorin::platform
