#include "platform/win32/Text.h"

#include <limits>

namespace quorin::platform::win32 {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return {};
  }
  const int size = static_cast<int>(utf8.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::wstring GrowingText(std::size_t size, int attempts,
                         const std::function<DWORD(wchar_t* buffer, DWORD size)>& fill) {
  std::wstring text(size, L'\0');
  for (int attempt = 0; attempt < attempts; ++attempt) {
    const DWORD length = fill(text.data(), static_cast<DWORD>(text.size()));
    if (length == 0) return {};
    if (length < text.size()) {
      text.resize(length);
      return text;
    }
    text.assign(length > text.size() ? length : text.size() * 4, L'\0');
  }
  return {};
}

std::wstring FullPath(const std::wstring& wide) {
  if (wide.empty() || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  // The first call asks for the size; a second miss means the current folder changed meanwhile.
  const std::wstring full = GrowingText(0, 2, [&wide](wchar_t* buffer, DWORD size) {
    return ::GetFullPathNameW(wide.c_str(), size, buffer, nullptr);
  });
  return full.empty() ? wide : full;
}

std::wstring SystemPath(const std::wstring& wide) {
  const std::wstring full = FullPath(wide);
  if (full.rfind(L"\\\\?\\", 0) == 0) return full;
  // MAX_PATH counts the terminating zero, and a folder name must leave room for an 8.3 name.
  if (full.size() < MAX_PATH - 12 || full.rfind(L"\\\\.\\", 0) == 0) return full;
  // The prefixed form skips the length limit and every further normalisation, which
  // GetFullPathNameW has done already.
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty() || wide.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return {};
  }
  const int size = static_cast<int>(wide.size());
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
  return text;
}

}  // namespace quorin::platform::win32
