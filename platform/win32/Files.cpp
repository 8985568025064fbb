// Files on Windows: CreateFileW with UTF-16 names. A file read is opened for reading only and
// shared for reading, writing and deletion, so that reading a pack or a settings file never
// stands in the way of another program (or of our own atomic replace). Handles are never
// inheritable.
#include "platform/Files.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <random>

#include "platform/FileWriting.h"
#include "platform/Paths.h"
#include "platform/SystemError.h"
#include "platform/win32/DeviceNames.h"
#include "platform/win32/Handle.h"
#include "platform/win32/Text.h"

namespace quorin::platform {
namespace {

using win32::Native;
using win32::Own;
using win32::Widen;
using win32::Win32Error;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// How long a replacement that another program's open handle refuses is tried again, and how often.
constexpr ULONGLONG kReplaceRetryMs = 1000;
constexpr DWORD kReplaceRetryPauseMs = 50;

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The file a replacing write really replaces: the final target of a symbolic link (or junction),
// or `path` itself when it is none or cannot be resolved.
std::string ResolveLink(const std::string& path) {
  const std::wstring wide = Widen(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return path;
  }
  const UniqueHandle target =
      Own(::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!target.Valid()) return path;
  std::wstring resolved = win32::GrowingText(MAX_PATH, 2, [&target](wchar_t* buffer, DWORD size) {
    return ::GetFinalPathNameByHandleW(Native(target), buffer, size, VOLUME_NAME_DOS);
  });
  if (resolved.empty()) return path;
  // "\\?\C:\..." -> "C:\..."; a UNC target keeps its long form, which CreateFileW takes.
  if (resolved.rfind(L"\\\\?\\", 0) == 0 && resolved.size() > 6 && resolved[5] == L':') {
    resolved.erase(0, 4);
  }
  return win32::Narrow(resolved);
}

// The last name of `path`, cut to at most 120 bytes (at a character boundary), so that the
// temporary's name built from it stays within the 255 characters a name may have.
std::string LeafOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  std::string leaf = separator == std::string::npos ? path : path.substr(separator + 1);
  if (leaf.size() <= 120) return leaf;
  std::size_t cut = 120;
  while (cut > 0 && (static_cast<unsigned char>(leaf[cut]) & 0xC0) == 0x80) --cut;
  return leaf.substr(0, cut);
}

// A new, empty, uniquely named file beside `target`, hidden while it exists; fills `name`.
UniqueHandle CreateTemporaryBeside(const std::string& target, std::string& name,
                                   std::error_code& error) {
  static std::atomic<unsigned> counter{0};
  std::random_device entropy;
  const std::string folder = FolderOf(target);
  const std::string base =
      folder.empty() || folder.back() == '\\' || folder.back() == '/' ? folder : folder + "\\";
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::uint64_t tag = (static_cast<std::uint64_t>(entropy()) << 32) ^ entropy() ^ ++counter;
    name = base + detail::TemporaryLeaf(LeafOf(target), ::GetCurrentProcessId(), tag);
    UniqueHandle file = Own(::CreateFileW(win32::SystemPath(Widen(name)).c_str(), GENERIC_WRITE, 0,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (file.Valid()) return file;
    const DWORD code = ::GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
      error = Win32Error(code);
      return file;
    }
  }
  error = std::make_error_code(std::errc::file_exists);
  return UniqueHandle();
}

// Runs the producer into `file`, then flushes it to the disk and closes it.
std::error_code FillAndClose(UniqueHandle& file, const FileProducer& produce) {
  FileSink sink(file.Get());
  std::error_code error = produce(sink);
  if (!error && !::FlushFileBuffers(Native(file))) error = LastSystemError();
  const std::error_code closed = file.Close();
  return error ? error : closed;
}

// Puts the finished `temporary` in the place of `target`. With `keepAttributes` an existing
// target's attributes (but read-only, which would refuse the replacement anyway) and security
// descriptor pass to the new file (ReplaceFileW); otherwise, or when there is no target yet, it is
// a plain rename that replaces and is written through.
std::error_code PutInPlace(const std::wstring& temporary, const std::wstring& target,
                           bool keepAttributes) {
  constexpr DWORD kKept = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD old = keepAttributes ? ::GetFileAttributesW(target.c_str()) : INVALID_FILE_ATTRIBUTES;
  ::SetFileAttributesW(temporary.c_str(), old != INVALID_FILE_ATTRIBUTES && (old & kKept) != 0
                                              ? old & kKept
                                              : FILE_ATTRIBUTE_NORMAL);
  if (old != INVALID_FILE_ATTRIBUTES) {
    // A virus scanner or an indexer that has just opened the new file or the old one makes
    // ReplaceFileW fail for a moment: it is tried again for up to a second, and then a plain
    // replacing rename (which keeps the new file's attributes) is the last try.
    const ULONGLONG giveUp = ::GetTickCount64() + kReplaceRetryMs;
    for (;;) {
      if (::ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                         nullptr)) {
        return {};
      }
      const DWORD code = ::GetLastError();
      if (code == ERROR_FILE_NOT_FOUND) break;  // the target went away meanwhile: a rename does it
      const bool locked = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
                          code == ERROR_ACCESS_DENIED || code == ERROR_UNABLE_TO_REMOVE_REPLACED ||
                          code == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
      // A read-only target is the user's choice, not a lock: it is not replaced.
      if (!locked || (old & FILE_ATTRIBUTE_READONLY) != 0) return Win32Error(code);
      if (::GetTickCount64() >= giveUp) break;
      ::Sleep(kReplaceRetryPauseMs);
    }
  }
  if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return LastSystemError();
  }
  return {};
}

}  // namespace

ReadableFile ReadableFile::Open(const std::string& path, Kind kind, std::error_code& error) {
  error.clear();
  if (path.empty()) {  // as open("") does on POSIX
    error = Win32Error(ERROR_FILE_NOT_FOUND);
    return {};
  }
  const std::wstring wide = Widen(path);
  if (wide.empty()) {  // not UTF-8: no file can have that name
    error = Win32Error(ERROR_INVALID_NAME);
    return {};
  }
  // Only files on a disk are read: a read from a serial port, a console or a pipe may wait for
  // ever (the reads here are not overlapped). A device name is refused before it is opened, so
  // the check neither waits for nor disturbs the device; anything else that turns out not to be
  // on a disk is refused right after the open, before any read.
  if (win32::NamesADevice(wide)) {
    error = make_error_code(FileErrc::NotRegularFile);
    return {};
  }
  const std::wstring name = win32::SystemPath(wide);
  UniqueHandle handle = Own(::CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.Valid()) {
    error = LastSystemError();
    // Windows refuses to open a folder without backup semantics, with "access denied".
    if (error.value() == ERROR_ACCESS_DENIED && IsFolder(name)) {
      error = std::make_error_code(std::errc::is_a_directory);
    }
    return {};
  }
  // A pipe too, whatever `kind`: a synchronous read of one cannot be bounded or interrupted.
  (void)kind;
  if (::GetFileType(Native(handle)) != FILE_TYPE_DISK) {
    error = make_error_code(FileErrc::NotRegularFile);  // a pipe, a console, a device
    return {};
  }
  return ReadableFile(std::move(handle));
}

std::size_t ReadableFile::Read(std::span<std::byte> buffer, std::error_code& error) {
  error.clear();
  const DWORD wanted =
      static_cast<DWORD>(std::min<std::size_t>(buffer.size(), std::numeric_limits<DWORD>::max()));
  DWORD got = 0;
  if (!::ReadFile(Native(handle_), buffer.data(), wanted, &got, nullptr)) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_HANDLE_EOF || code == ERROR_BROKEN_PIPE) return 0;
    error = Win32Error(code);
    return 0;
  }
  return got;
}

std::uintmax_t ReadableFile::Size(std::error_code& error) const {
  error.clear();
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(Native(handle_), &size)) {
    error = LastSystemError();
    return 0;
  }
  return static_cast<std::uintmax_t>(size.QuadPart);
}

std::error_code FileSink::Write(std::span<const std::byte> bytes) {
  while (!bytes.empty()) {
    const DWORD chunk =
        static_cast<DWORD>(std::min<std::size_t>(bytes.size(), std::numeric_limits<DWORD>::max()));
    DWORD wrote = 0;
    if (!::WriteFile(reinterpret_cast<HANDLE>(handle_), bytes.data(), chunk, &wrote, nullptr)) {
      return LastSystemError();
    }
    if (wrote == 0) return Win32Error(ERROR_WRITE_FAULT);
    bytes = bytes.subspan(wrote);
  }
  return {};
}

namespace detail {

std::error_code WriteNamedFileAtomically(const std::string& path, const FileProducer& produce,
                                         const WriteOptions& options, WriteStep& step) {
  // A full name, so that the temporary built from it lies beside the target: from "D:x.Pack" it
  // would otherwise be ".D:x.Pack....tmp" in D:'s root folder, a stream of that folder.
  const std::string target =
      win32::Narrow(win32::FullPath(Widen(options.FollowLink ? ResolveLink(path) : path)));
  const std::wstring wideTarget = win32::SystemPath(Widen(target));

  if (options.KeepExisting) {
    UniqueHandle file = Own(::CreateFileW(wideTarget.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return LastSystemError();
    step = WriteStep::Write;
    if (const std::error_code error = FillAndClose(file, produce)) {
      ::DeleteFileW(wideTarget.c_str());
      return error;
    }
    return {};
  }

  // A read-only target (options.KeepReadOnly) is refused by ReplaceFileW itself.
  RemoveStaleTemporaries(target);
  std::error_code error;
  std::string temporary;
  UniqueHandle file = CreateTemporaryBeside(target, temporary, error);
  if (!file.Valid()) return error;
  step = WriteStep::Write;
  const std::wstring wideTemporary = win32::SystemPath(Widen(temporary));
  error = FillAndClose(file, produce);
  if (!error) error = PutInPlace(wideTemporary, wideTarget, options.KeepAttributes);
  if (error) {
    ::DeleteFileW(wideTemporary.c_str());
    return error;
  }
  return {};
}

int InOutCodeOf(std::error_code error) {
  // A name with a folder part that is missing is reported as "path not found" by Windows already;
  // a name that ends in a separator gets to ERROR_FILE_NOT_FOUND too.
  constexpr std::pair<int, int> kCodes[] = {
      {ERROR_FILE_NOT_FOUND, 2},      {ERROR_PATH_NOT_FOUND, 3}, {ERROR_INVALID_NAME, 3},
      {ERROR_BAD_PATHNAME, 3},        {ERROR_DIRECTORY, 3},      {ERROR_INVALID_DRIVE, 3},
      {ERROR_TOO_MANY_OPEN_FILES, 4}, {ERROR_ACCESS_DENIED, 5}};
  if (error.category() != std::system_category()) return 0;
  for (const auto& [system, loader] : kCodes) {
    if (error.value() == system) return loader;
  }
  return 0;
}

}  // namespace detail

int SilentPipeIoCode() {
  return ERROR_TIMEOUT;
}

}  // namespace quorin::platform
