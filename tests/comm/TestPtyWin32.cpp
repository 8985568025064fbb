// TestPty on Windows: the line is a pair of COM ports that scripts/com-pairs made from two
// pseudo-terminals joined by a Linux process. The component opens one end; the test opens the
// other as the far end. Which pair a test gets comes from ctest's resource allocation
// (CTEST_RESOURCE_GROUP_0_COM_PAIRS="id:com11_com12,slots:1"), else from QUORIN_TEST_COM_PAIRS.
#include <windows.h>
// after windows.h, which it needs
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "platform/win32/Handle.h"
#include "tests/comm/TestPty.h"

namespace quorin::test {

namespace {

using platform::UniqueHandle;
using platform::win32::Native;
using platform::win32::Own;
using Clock = std::chrono::steady_clock;
constexpr auto kLongestQuietRead = std::chrono::seconds(60);

[[noreturn]] void Fail(const char* what) {
  throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), what);
}

// The pair this test was given: "com11_com12" -> {"COM11", "COM12"}.
std::pair<std::string, std::string> AssignedPair() {
  const char* fromCtest = std::getenv("CTEST_RESOURCE_GROUP_0_COM_PAIRS");
  const char* fallback = std::getenv("QUORIN_TEST_COM_PAIRS");
  const std::string text = fromCtest != nullptr ? fromCtest : (fallback != nullptr ? fallback : "");
  std::smatch match;
  static const std::regex pair("com([0-9]+)_com([0-9]+)");
  if (!std::regex_search(text, match, pair)) {
    throw std::runtime_error(
        "no COM port pair given: run the comm tests through ctest (scripts/com-pairs)");
  }
  return {"COM" + match[1].str(), "COM" + match[2].str()};
}

UniqueHandle OpenPort(const std::string& name) {
  const std::wstring path = L"\\\\.\\" + std::wstring(name.begin(), name.end());
  UniqueHandle port = Own(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  if (!port.Valid()) Fail("open far end");
  // The far end is a plain 8N1 line without flow control: every byte value passes.
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(Native(port), &dcb)) Fail("GetCommState");
  dcb.BaudRate = CBR_9600;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fOutX = dcb.fInX = dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fNull = FALSE;
  if (!::SetCommState(Native(port), &dcb)) Fail("SetCommState");
  COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};  // a read takes what is there and returns
  if (!::SetCommTimeouts(Native(port), &timeouts)) Fail("SetCommTimeouts");
  return port;
}

DWORD Waiting(HANDLE port) {
  COMSTAT status{};
  DWORD errors = 0;
  if (!::ClearCommError(port, &errors, &status)) Fail("ClearCommError");
  return status.cbInQue;
}

}  // namespace

struct TestPty::Ends {
  std::string toolSide;
  UniqueHandle farEnd;
};

TestPty::TestPty() : ends_(std::make_unique<Ends>()) {
  const auto [tool, farName] = AssignedPair();
  ends_->toolSide = tool;
  ends_->farEnd = OpenPort(farName);
  // Nothing a former test left on the line may reach this one, in either direction.
  {
    const UniqueHandle toolEnd = OpenPort(tool);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::PurgeComm(Native(toolEnd), PURGE_RXCLEAR | PURGE_TXCLEAR);
  }
  ::PurgeComm(Native(ends_->farEnd), PURGE_RXCLEAR | PURGE_TXCLEAR);
  ReadUntilQuiet(std::chrono::milliseconds(20));
}

TestPty::~TestPty() = default;

const std::string& TestPty::SlavePath() const {
  return ends_->toolSide;
}

void TestPty::WriteAll(std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 65536));
    if (!::WriteFile(Native(ends_->farEnd), bytes.data() + done, chunk, &written, nullptr))
      Fail("write far end");
    done += written;
  }
}

std::vector<std::uint8_t> TestPty::Read(std::size_t count, std::chrono::milliseconds timeout) {
  std::vector<std::uint8_t> got;
  const auto deadline = Clock::now() + timeout;
  std::uint8_t buf[4096];
  while (got.size() < count && Clock::now() < deadline) {
    const DWORD ask = static_cast<DWORD>(
        std::min<std::size_t>({Waiting(Native(ends_->farEnd)), sizeof buf, count - got.size()}));
    if (ask == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    DWORD n = 0;
    if (!::ReadFile(Native(ends_->farEnd), buf, ask, &n, nullptr)) Fail("read far end");
    got.insert(got.end(), buf, buf + n);
  }
  return got;
}

std::vector<std::uint8_t> TestPty::ReadUntilQuiet(std::chrono::milliseconds quiet) {
  std::vector<std::uint8_t> got;
  const auto last = Clock::now() + kLongestQuietRead;
  for (auto quietUntil = Clock::now() + quiet; Clock::now() < last;) {
    auto more = Read(4096, std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::max(quietUntil - Clock::now(), Clock::duration::zero())));
    if (more.empty() && Clock::now() >= quietUntil) break;
    if (!more.empty()) quietUntil = Clock::now() + quiet;
    got.insert(got.end(), more.begin(), more.end());
  }
  return got;
}

int TestPty::Pending() const {
  return static_cast<int>(Waiting(Native(ends_->farEnd)));
}

std::size_t OpenDescriptorCount() {
  DWORD handles = 0;
  ::GetProcessHandleCount(::GetCurrentProcess(), &handles);
  return handles;
}

std::size_t ThreadCount() {
  const UniqueHandle snapshot = Own(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot.Valid()) Fail("CreateToolhelp32Snapshot");
  const DWORD self = ::GetCurrentProcessId();
  std::size_t count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Thread32First(Native(snapshot), &entry); more;
       more = ::Thread32Next(Native(snapshot), &entry)) {
    if (entry.th32OwnerProcessID == self) ++count;
  }
  return count;
}

}  // namespace quorin::test
