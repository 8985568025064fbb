// Paths on Windows: both '\' and '/' separate, a drive ("C:") is part of the root, names are
// UTF-8 here and UTF-16 at every call.
#include "platform/Paths.h"

#include <windows.h>

#include <atomic>

#include "platform/win32/Handle.h"
#include "platform/win32/Text.h"

namespace quorin::platform {
namespace {

using win32::Narrow;
using win32::Widen;

constexpr const char* kProgramFolder = "quorin-iap";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "C:" at the start of `path`: 2, else 0.
std::size_t DriveLength(std::string_view path) {
  const bool letter = path.size() >= 2 && path[1] == ':' &&
                      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return letter ? 2 : 0;
}

// The value of the environment variable `name`, empty when unset.
std::string Environment(const wchar_t* name) {
  return Narrow(win32::GrowingText(256, 3, [name](wchar_t* buffer, DWORD size) {
    return ::GetEnvironmentVariableW(name, buffer, size);
  }));
}

bool IsAbsolute(std::string_view path) {
  return (DriveLength(path) == 2 && path.size() > 2 && IsSeparator(path[2])) ||
         (path.size() > 1 && IsSeparator(path[0]) && IsSeparator(path[1]));
}

}  // namespace

std::string FolderOf(std::string_view path) {
  const std::size_t drive = DriveLength(path);
  std::string_view rest = path.substr(drive);
  while (rest.size() > 1 && IsSeparator(rest.back())) rest.remove_suffix(1);
  const std::size_t separator = rest.find_last_of("\\/");
  if (separator == std::string_view::npos) {
    return drive != 0 ? std::string(path.substr(0, drive)) : ".";
  }
  if (separator == 0) return std::string(path.substr(0, drive + 1));  // "\" or "C:\"
  return std::string(path.substr(0, drive + separator));
}

bool IsExistingFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsWritableFolder(const std::string& path) {
  // Windows has no access(2) for this: the permissions, the share and the medium all decide, so
  // the one reliable answer is to create a file there, which goes away again when closed.
  if (path.empty() || !IsExistingFolder(path)) return false;
  static std::atomic<unsigned> counter{0};
  const std::string probe = path + (IsSeparator(path.back()) ? "" : "\\") + ".quorin-probe-" +
                            std::to_string(::GetCurrentProcessId()) + "-" +
                            std::to_string(++counter) + ".tmp";
  const UniqueHandle file = win32::Own(::CreateFileW(
      Widen(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return file.Valid();
}

std::string ExecutableFolder() {
  // A name that does not fit is cut short to the buffer's size.
  const std::wstring name = win32::GrowingText(MAX_PATH, 6, [](wchar_t* buffer, DWORD size) {
    return ::GetModuleFileNameW(nullptr, buffer, size);
  });
  return name.empty() ? std::string() : FolderOf(Narrow(name));
}

std::string UserConfigFolder() {
  std::string base = Environment(L"APPDATA");
  if (!IsAbsolute(base)) {
    base = Environment(L"USERPROFILE");
    base = IsAbsolute(base) ? base + "\\AppData\\Roaming" : "C:\\";
  }
  while (base.size() > 3 && IsSeparator(base.back())) base.pop_back();
  return base + (IsSeparator(base.back()) ? "" : "\\") + kProgramFolder;
}

}  // namespace quorin::platform
