#pragma once
// Windows code only: UTF-8 (our strings) to UTF-16 (every Win32 call) and back, and a Win32 error
// number as a std::error_code.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <system_error>

namespace quorin::platform::win32 {

// `utf8` as UTF-16. Bytes that are not UTF-8 become U+FFFD. Never raises except std::bad_alloc.
std::wstring Widen(std::string_view utf8);

// `wide` as UTF-8. Unpaired surrogates become U+FFFD. Never raises except std::bad_alloc.
std::string Narrow(std::wstring_view wide);

// The text a Win32 call writes into a buffer: `fill(buffer, size)` returns the text's length when
// it fits (less than `size`), 0 on failure, and otherwise the size it needs, or `size` itself when
// it cannot tell. Tries at most `attempts` buffers from `size` characters on, each as large as the
// call asked for or four times the last. Empty on failure or when the text never fit. Never raises
// except std::bad_alloc.
std::wstring GrowingText(std::size_t size, int attempts,
                         const std::function<DWORD(wchar_t* buffer, DWORD size)>& fill);

// `wide` made full with GetFullPathNameW ("D:x.Pack" is x.Pack in D:'s current folder); as it is
// when the system cannot do that or it has the "\\?\" prefix already. Never raises except
// std::bad_alloc.
std::wstring FullPath(const std::wstring& wide);

// The UTF-16 name to hand a Win32 file call for the file `wide` names: made full first with
// GetFullPathNameW (a drive-relative "D:x.Pack" is x.Pack in D:'s current folder, and a name
// built from it stays a file name, never an alternate data stream), then given the "\\?\"
// prefix ("\\?\UNC\" for a share) when it would be too long for MAX_PATH, so paths over 260
// characters work whether or not the system lets this program use long paths. A name the system
// cannot make full is returned as it is. Never raises except std::bad_alloc.
std::wstring SystemPath(const std::wstring& wide);

// A Win32 error number in the system category (which compares equal to the std::errc conditions
// it stands for). Never raises.
inline std::error_code Win32Error(DWORD code) {
  return {static_cast<int>(code), std::system_category()};
}

}  // namespace quorin::platform::win32
