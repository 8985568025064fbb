// Any bytes as the settings file's content, read through the program's own readers: the port and
// the baud index never crash a reader, the port is what the integer parser makes of the stored
// text (1 when there is none), the baud index is always 0, no value read holds a line break
// or more than one line head, and a write is read back in the file's own encoding.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "fuzz/Require.h"
#include "settings/ProfileFile.h"
#include "settings/UartSettings.h"

namespace {

// One file per fuzzing process, on a memory file system where there is one.
const std::string& ScratchPath() {
  static const std::string path = [] {
    const std::filesystem::path shm = "/dev/shm";
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::is_directory(shm, error) ? shm : std::filesystem::temp_directory_path();
    return (folder / ("quorin-profile-fuzz-" + std::to_string(::getpid()) + ".ini")).string();
  }();
  return path;
}

void WriteScratch(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(ScratchPath().c_str(), "wb");
  Require(file != nullptr);
  Require(size == 0 || std::fwrite(data, 1, size, file) == size);
  Require(std::fclose(file) == 0);
}

void CheckValue(const std::optional<std::string>& value) {
  if (!value) return;
  Require(value->size() <= quorin::kProfileLineHead);
  Require(value->find('\n') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorin;
  WriteScratch(data, size);
  const std::string& path = ScratchPath();

  const std::optional<std::string> port = ReadProfileString(path, "Uart", "Port");
  CheckValue(port);
  CheckValue(ReadProfileString(path, "Uart", "BaudRate"));
  const std::optional<int> parsed = port ? ParseProfileInt(*port) : std::nullopt;
  Require(ReadUartPortSetting(path) == parsed.value_or(1));
  Require(ReadBaudIndexSetting(path) == 0);
  if (parsed) Require(ParseProfileInt(std::to_string(*parsed)) == parsed);

  // A write either fails and leaves the file as it was, or the reader finds what was written, and
  // the file keeps its encoding (a UTF-16 one its byte order mark).
  if (!WriteProfileString(path, "Uart", "Port", "7")) {
    Require(ReadUartPortSetting(path) == 7);
    const bool utf16 = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    Require(file != nullptr);
    const int first = std::fgetc(file);
    const int second = std::fgetc(file);
    std::fclose(file);
    Require(!utf16 || (first == 0xFF && second == 0xFE));
  }
  std::remove(path.c_str());  // nothing is left behind when the run ends
  return 0;
}
