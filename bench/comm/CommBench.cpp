// Serial link timings on a pseudo-terminal, with real reader and writer threads and the headless
// event loop as the UI thread:
//   ReceiveLatency/<interval ms>: one byte written at the far end until OnReceiveData runs. The
//     reader waits for `interval` of silence before it delivers, so expect interval + a little;
//     the counter excess_us is that little.
//   SendData16: 16-byte SendData calls until the far end has every byte: the rate the writer
//     sustains (items per second = calls per second).
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include "comm/EventLoop.h"
#include "comm/TComm.h"
#include "platform/PtyPair.h"

namespace quorin {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

void ReceiveLatency(benchmark::State& state) {
  EventLoop loop;
  platform::PtyPair pty;
  TComm comm(loop);
  comm.SetCommName(pty.SlavePath());
  comm.SetOutx_XonXoffFlow(false);
  comm.SetReadIntervalTimeout(static_cast<std::uint32_t>(state.range(0)));
  bool received = false;
  comm.OnReceiveData = [&](TComm&, const std::uint8_t*, std::uint16_t) { received = true; };
  comm.OpenPort();
  loop.RunUntil([] { return false; }, 50ms);
  const std::uint8_t byte[] = {0x06};
  double excessSum = 0;
  for (auto _ : state) {
    received = false;
    const auto start = Clock::now();
    if (pty.WriteMaster(byte) != sizeof byte) {
      state.SkipWithError("the far end could not write");
      break;
    }
    if (!loop.RunUntil([&] { return received; }, 5s)) {
      state.SkipWithError("no OnReceiveData within 5 s");
      break;
    }
    const std::chrono::duration<double> took = Clock::now() - start;
    state.SetIterationTime(took.count());
    excessSum += took.count() * 1e6 - static_cast<double>(state.range(0)) * 1e3;
  }
  state.counters["excess_us"] = benchmark::Counter(excessSum, benchmark::Counter::kAvgIterations);
  comm.ClosePort();
}
BENCHMARK(ReceiveLatency)->Arg(100)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ReceiveLatency)->Arg(1)->Iterations(200)->UseManualTime()->Unit(benchmark::kMicrosecond);

void SendData16(benchmark::State& state) {
  constexpr int kCalls = 5000;
  EventLoop loop;
  platform::PtyPair pty;
  TComm comm(loop);
  comm.SetCommName(pty.SlavePath());
  comm.SetOutx_XonXoffFlow(false);
  comm.OpenPort();

  std::atomic<std::size_t> arrived{0};
  std::atomic<bool> stop{false};
  std::thread farEnd([&] {
    std::array<std::uint8_t, 4096> buf{};
    while (!stop.load()) {
      if (pty.WaitForMaster(20ms) != platform::PtyPair::WaitResult::Readable) continue;
      while (const std::size_t n = pty.ReadMaster(buf)) arrived.fetch_add(n);
    }
  });

  std::uint8_t block[16] = {};
  std::size_t refused = 0;
  std::size_t expected = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    for (int i = 0; i < kCalls; ++i) {
      block[0] = static_cast<std::uint8_t>(i);
      while (!comm.SendData(block, sizeof block)) {
        ++refused;
        std::this_thread::yield();
      }
    }
    expected += kCalls * sizeof block;
    while (arrived.load() < expected) std::this_thread::sleep_for(50us);
    const std::chrono::duration<double> took = Clock::now() - start;
    state.SetIterationTime(took.count());
  }
  state.SetItemsProcessed(state.iterations() * kCalls);
  state.SetBytesProcessed(state.iterations() * kCalls * static_cast<std::int64_t>(sizeof block));
  state.counters["refused"] = static_cast<double>(refused);
  stop.store(true);
  farEnd.join();
  comm.ClosePort();
  loop.ProcessPending();
}
BENCHMARK(SendData16)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorin

BENCHMARK_MAIN();
