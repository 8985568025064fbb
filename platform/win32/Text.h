#pragma once
// Windows code only: UTF-8 (our strings) to UTF-16 (every Win32 call) and back, and a Win32 error
// number as a std::error_code.
#include <windows.h>

#include <string>
#include <string_view>
#include <system_error>

namespace quorin::platform::win32 {

// `utf8` as UTF-16. Bytes that are not UTF-8 become U+FFFD. Never raises except std::bad_alloc.
std::wstring Widen(std::string_view utf8);

// `wide` as UTF-8. Unpaired surrogates become U+FFFD. Never raises except std::bad_alloc.
std::string Narrow(std::wstring_view wide);

// A Win32 error number in the system category (which compares equal to the std::errc conditions
// it stands for). Never raises.
inline std::error_code Win32Error(DWORD code) {
  return {static_cast<int>(code), std::system_category()};
}

}  // namespace quorin::platform::win32
