#include "iap/DoctorLine.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "comm/EventLoop.h"
#include "comm/TComm.h"
#include "iap/Frames.h"

namespace quorin {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kAfterOpen = 200ms;    // as a job pauses after each open
constexpr auto kListen = 1000ms;      // listening for a running application
constexpr auto kRequestWait = 300ms;  // for the loader's answer to one request
constexpr unsigned kRequests = 6;     // as many as a job's ConnectMcu sends
constexpr std::size_t kLoopbackBytes = 3072;
constexpr std::size_t kSampleBytes = 16;

// Walking bits, alternating bits, all byte values and a counter: what a broken line, a wrong
// word length or a lost flow-control byte would change.
std::vector<std::uint8_t> LoopbackPattern() {
  std::vector<std::uint8_t> pattern;
  for (int bit = 0; bit < 8; ++bit) pattern.push_back(static_cast<std::uint8_t>(1u << bit));
  for (int i = 0; i < 256; ++i) pattern.push_back(i % 2 == 0 ? 0x55 : 0xAA);
  for (int i = 0; i < 256; ++i) pattern.push_back(static_cast<std::uint8_t>(i));
  std::uint32_t seed = 0x2545F491u;
  while (pattern.size() < kLoopbackBytes) {
    seed = seed * 1664525u + 1013904223u;
    pattern.push_back(static_cast<std::uint8_t>(seed >> 24));
  }
  return pattern;
}

struct DoctorLine {
  explicit DoctorLine(JobTarget target) : target(std::move(target)), port(loop) {
    PrepareJobPort(port, this->target);
    port.OnReceiveData = [this](TComm&, const std::uint8_t* bytes, std::uint16_t length) {
      received.insert(received.end(), bytes, bytes + length);
    };
  }

  std::uint32_t LoaderBaud() const {
    return static_cast<std::uint32_t>(LoaderBaudRate(target.BaudIndex()));
  }

  // Opens `name` at `baud`; the error and the component's text on failure.
  std::error_code Open(const std::string& name, std::uint32_t baud, std::string& text) {
    try {
      OpenJobPort(port, name, baud);
    } catch (const ECommsError& error) {
      text = error.what();
      return error.Reason() ? error.Reason() : std::make_error_code(std::errc::io_error);
    } catch (const std::exception& error) {
      text = error.what();
      return std::make_error_code(std::errc::io_error);
    }
    return {};
  }

  // Runs AVS1's events for `time`, or until `done`.
  void Run(
      std::chrono::milliseconds time, const std::function<bool()>& done = [] { return false; }) {
    loop.RunUntil(done, time);
  }

  void Close() {
    port.ClosePort();
    loop.ProcessPending();  // a chunk posted just before the close
    received.clear();
  }

  // Sends a few kilobytes of patterns at the loader's rate and compares what comes back.
  LoopbackFacts Loopback(const std::string& name) {
    LoopbackFacts facts;
    facts.Baud = LoaderBaud();
    std::string text;
    if (Open(name, facts.Baud, text)) return facts;
    facts.Opened = true;
    Run(kAfterOpen);
    received.clear();
    const std::vector<std::uint8_t> pattern = LoopbackPattern();
    // Ten bits a byte on the wire; twice that and a second to spare before giving up.
    const auto limit =
        std::chrono::milliseconds(pattern.size() * 10 * 1000 * 2 / facts.Baud + 1000);
    const auto started = Clock::now();
    constexpr std::size_t kChunk = 256;
    for (std::size_t at = 0; at < pattern.size(); at += kChunk) {
      const std::size_t length = std::min(kChunk, pattern.size() - at);
      if (!port.SendData(pattern.data() + at, static_cast<std::uint16_t>(length))) break;
      facts.Sent += length;
    }
    Run(limit, [this, &facts] { return received.size() >= facts.Sent; });
    facts.Seconds = std::chrono::duration<double>(Clock::now() - started).count();
    facts.Received = received.size();
    const std::size_t compared = std::min(received.size(), facts.Sent);
    for (std::size_t i = 0; i < compared; ++i) {
      if (received[i] != pattern[i]) {
        facts.FirstDifference = i;
        facts.Expected = pattern[i];
        facts.Got = received[i];
        break;
      }
    }
    Close();
    return facts;
  }

  // Listens about a second at the restart frame's rate, then sends up to six identification
  // requests at the loader's rate until both 0x02 and 0xFD came back.
  ControllerFacts Controller(const std::string& name) {
    ControllerFacts facts;
    facts.ListenBaud = kRestartBaudRate;
    facts.LoaderBaud = LoaderBaud();
    std::string text;
    if (Open(name, facts.ListenBaud, text)) return facts;
    Run(kListen);
    facts.ApplicationBytes = received.size();
    facts.ApplicationSample.assign(
        received.begin(),
        received.begin() + static_cast<std::ptrdiff_t>(std::min(kSampleBytes, received.size())));
    Close();
    if (Open(name, facts.LoaderBaud, text)) return facts;
    facts.Opened = true;
    Run(kAfterOpen);
    received.clear();
    const auto seen = [this](std::uint8_t byte) {
      return std::find(received.begin(), received.end(), byte) != received.end();
    };
    const auto identified = [&seen] { return seen(kIdentifyRequest) && seen(kLoaderIdentity); };
    while (!identified() && facts.Requests < kRequests) {
      if (!port.SendData(&kIdentifyRequest, 1)) break;
      ++facts.Requests;
      Run(kRequestWait, identified);
    }
    facts.StxSeen = seen(kIdentifyRequest);
    facts.FdSeen = seen(kLoaderIdentity);
    facts.AnswerBytes = static_cast<std::size_t>(std::count_if(
        received.begin(), received.end(), [](std::uint8_t b) { return b != kIdentifyRequest; }));
    Close();
    return facts;
  }

  JobTarget target;
  EventLoop loop;
  TComm port;  // after `loop`: its events are posted there
  std::vector<std::uint8_t> received;
};

}  // namespace

DoctorFacts SystemDoctorFacts(const JobTarget& job, std::string source, LineCheck check) {
  const DoctorTarget target{job.PortName(), std::move(source)};
  DoctorLine line(job);
  DoctorFacts facts = GatherDoctorFacts(
      *platform::SystemDeviceView(), target, [&line](const std::string& name, std::string& text) {
        // Opens the port at the loader's rate and closes it again; sends nothing.
        const std::error_code error = line.Open(name, line.LoaderBaud(), text);
        line.Close();
        return error;
      });
  if (!facts.Port || !facts.Port->Opened) return facts;
  if (check == LineCheck::Loopback) {
    facts.Loopback = line.Loopback(target.Name);
  } else {
    facts.Controller = line.Controller(target.Name);
  }
  return facts;
}

}  // namespace quorin
