// The trace's output file on Windows: CreateFileW with a UTF-16 name; a new file is made with
// CREATE_NEW, so nothing existing is touched before it has been judged. Windows files and devices
// take a write at once; a pipe whose reader stalls can hold a write up, which is why the trace
// writes from a thread of its own.
#include "platform/OutputFile.h"

#include <windows.h>

#include <limits>

#include "platform/FileIdentity.h"
#include "platform/SystemError.h"
#include "platform/win32/Handle.h"
#include "platform/win32/Text.h"

namespace quorin::platform {
namespace {

// A device's name as the system knows it, for telling two spellings of one device apart:
// "\\.\com9", "COM9", "com9:" and "C:\any\COM9.txt" are all "COM9". Devices have no file index
// to compare.
std::wstring DeviceName(const std::string& path) {
  std::wstring name = win32::Widen(path);
  const std::size_t separator = name.find_last_of(L"\\/");
  if (separator != std::wstring::npos) name.erase(0, separator + 1);
  if (name.find(L'.') != std::wstring::npos) name.erase(name.find(L'.'));
  while (!name.empty() && (name.back() == L':' || name.back() == L' ')) name.pop_back();
  for (wchar_t& c : name) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  }
  return name;
}

// Whether the trace target (opened from `path`, `target`) is the kept file named `keptPath`.
// Disk files are compared by volume and file index, which every name of a file shares. Devices
// all report 0/0 there (NUL would be taken for the serial port), so they are compared by name.
bool SameTarget(const std::string& path, const FileIdentity& target, const std::string& keptPath) {
  const auto kept = IdentityOf(keptPath);
  if (!kept || kept->Kind == FileKind::Fifo || target.Kind == FileKind::Fifo) return false;
  if (kept->Kind == FileKind::Device || target.Kind == FileKind::Device) {
    return kept->Kind == target.Kind && DeviceName(path) == DeviceName(keptPath);
  }
  return kept->SameFileAs(target);
}

}  // namespace

UniqueHandle OpenTraceTarget(const std::string& path, bool replace,
                             const std::vector<KeptFile>& kept) {
  using Error = TraceOpenError;
  const std::wstring wide = win32::Widen(path);
  UniqueHandle file =
      win32::Own(::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Valid()) return file;  // a new file: nothing of anyone's is at stake
  const DWORD created = ::GetLastError();
  if (created != ERROR_FILE_EXISTS && created != ERROR_ALREADY_EXISTS) {
    throw Error::Unwritable(path, win32::Win32Error(created).message());
  }
  file = win32::Own(::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) throw Error::Unwritable(path, LastSystemError().message());
  const auto target = IdentityOfHandle(file.Get());
  if (!target) throw Error::Unwritable(path, LastSystemError().message());
  for (const KeptFile& keptFile : kept) {
    if (SameTarget(path, *target, keptFile.Path)) {
      throw Error::Refused(path, "this is " + keptFile.What + " itself; choose another trace file");
    }
  }
  if (target->Kind == FileKind::Regular) {
    if (!replace) {
      throw Error::Refused(path,
                           "the file exists; pass --force-trace to replace it, or choose another");
    }
    if (!::SetEndOfFile(win32::Native(file)))
      throw Error::Unwritable(path, LastSystemError().message());
  }
  return file;
}

long WriteWithin(NativeHandle handle, const char* bytes, std::size_t length,
                 std::chrono::milliseconds /*wait*/, std::error_code& error) {
  DWORD wrote = 0;
  const DWORD chunk =
      static_cast<DWORD>(std::min<std::size_t>(length, std::numeric_limits<DWORD>::max()));
  if (!::WriteFile(reinterpret_cast<HANDLE>(handle), bytes, chunk, &wrote, nullptr)) {
    error = LastSystemError();
    return -1;
  }
  return static_cast<long>(wrote);
}

// Windows delivers Ctrl-C to a thread of its own; there is nothing to block here.
void BlockSignalsForThisThread() {}

}  // namespace quorin::platform
