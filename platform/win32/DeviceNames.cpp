#include "platform/win32/DeviceNames.h"

namespace quorin::platform::win32 {

bool NamesADevice(const std::wstring& path) {
  auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; };
  if (path.size() >= 4 && (path[0] == L'\\' || path[0] == L'/') &&
      (path[1] == L'\\' || path[1] == L'/') && (path[2] == L'.' || path[2] == L'?') &&
      (path[3] == L'\\' || path[3] == L'/')) {
    // "\\?\C:\..." and "\\.\C:\..." are files on a drive, "\\?\UNC\..." a share; the rest
    // of that namespace is devices.
    const std::wstring rest = path.substr(4);
    const bool drive = rest.size() >= 3 && rest[1] == L':' && (rest[2] == L'\\' || rest[2] == L'/');
    const bool share = rest.size() >= 4 && lower(rest[0]) == L'u' && lower(rest[1]) == L'n' &&
                       lower(rest[2]) == L'c' && (rest[3] == L'\\' || rest[3] == L'/');
    return !drive && !share;
  }
  // The last name of the path ("C:COM8" is COM8 in drive C's current folder), without its
  // extension and the trailing blanks and colon that Windows drops ("COM8:", "nul .txt").
  std::size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos && path.size() >= 2 && path[1] == L':') separator = 1;
  std::wstring stem = path.substr(separator == std::wstring::npos ? 0 : separator + 1);
  stem = stem.substr(0, stem.find(L'.'));
  while (!stem.empty() && (stem.back() == L' ' || stem.back() == L':')) stem.pop_back();
  for (wchar_t& c : stem) c = lower(c);
  for (const wchar_t* name : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$", L"clock$"}) {
    if (stem == name) return true;
  }
  if (stem.size() == 4 && (stem.rfind(L"com", 0) == 0 || stem.rfind(L"lpt", 0) == 0)) {
    const wchar_t digit = stem[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
           digit == L'\u00B3';
  }
  return false;
}

}  // namespace quorin::platform::win32
