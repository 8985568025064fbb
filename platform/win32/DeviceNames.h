#pragma once
// Windows code only: names that stand for a device rather than a file.
#include <string>

namespace quorin::platform::win32 {

// True when `path` names a device rather than a file: a name of the device namespace
// ("\\.\COM8", "\\?\GLOBALROOT\...", "\\.\pipe\x") or a reserved DOS device name in any
// folder and with any extension ("COM8", "aux.txt", "C:\data\nul.Pack"). Opening such a name
// would open the device itself: a serial port (raising its DTR and RTS, and a later read waits for
// bytes that may never come), a console, a printer. Decided on the name alone, before any open.
// Pure text, no system call; any thread.
bool NamesADevice(const std::wstring& path);

}  // namespace quorin::platform::win32
