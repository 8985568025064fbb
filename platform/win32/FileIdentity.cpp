// Which file a name or a handle stands for on Windows: the volume's serial number and the file's
// index, which every open of the same file shares whatever its name or link.
#include "platform/FileIdentity.h"

#include <windows.h>

#include "platform/win32/DeviceNames.h"
#include "platform/win32/Handle.h"
#include "platform/win32/Text.h"

namespace quorin::platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::optional<FileIdentity> IdentityOfNamed(const std::string& path, DWORD extraFlags) {
  const std::wstring wide = win32::Widen(path);
  // A device is told by its name, not opened: opening a serial port raises its modem lines.
  if (win32::NamesADevice(wide)) return FileIdentity{0, 0, FileKind::Device};
  const UniqueHandle file = win32::Own(
      ::CreateFileW(win32::SystemPath(wide).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | extraFlags, nullptr));
  if (!file.Valid()) return std::nullopt;
  return IdentityOfHandle(file.Get());
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  return IdentityOfNamed(path, 0);
}

std::optional<FileIdentity> LinkIdentityOf(const std::string& path) {
  return IdentityOfNamed(path, FILE_FLAG_OPEN_REPARSE_POINT);
}

std::optional<FileIdentity> IdentityOfHandle(NativeHandle handle) {
  const HANDLE native = reinterpret_cast<HANDLE>(handle);
  FileIdentity identity;
  switch (::GetFileType(native)) {
    case FILE_TYPE_CHAR: identity.Kind = FileKind::Device; break;
    case FILE_TYPE_PIPE: identity.Kind = FileKind::Fifo; return identity;
    case FILE_TYPE_DISK: break;
    default: return std::nullopt;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(native, &info)) {
    return identity.Kind == FileKind::Device ? std::optional<FileIdentity>(identity) : std::nullopt;
  }
  identity.Device = info.dwVolumeSerialNumber;
  identity.Inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  if (identity.Kind != FileKind::Device) {
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      identity.Kind = FileKind::SymbolicLink;
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      identity.Kind = FileKind::Directory;
    }
  }
  return identity;
}

}  // namespace quorin::platform
