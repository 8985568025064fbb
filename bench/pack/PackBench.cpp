// How long a pack load takes (read + unscramble + sum of the largest firmware, from a file in
// /tmp) and what the header and restart-frame checksums cost.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pack/Checksums.h"
#include "pack/PackWriter.h"
#include "pack/UpdatePack.h"

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t size) {
  std::mt19937 random(20002);
  std::vector<std::uint8_t> bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

// A pack with the largest firmware, written to /tmp for the life of the benchmark.
class PackFileInTmp {
 public:
  PackFileInTmp() : path_("/tmp/quorin-bench-" + std::to_string(::getpid()) + ".Pack") {
    const auto image = quorin::BuildPackImage(RandomBytes(quorin::kMaxDataLength), {});
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + path_);
    std::fwrite(image->data(), 1, image->size(), file);
    std::fclose(file);
  }
  ~PackFileInTmp() { std::remove(path_.c_str()); }
  PackFileInTmp(const PackFileInTmp&) = delete;
  PackFileInTmp& operator=(const PackFileInTmp&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

void BM_LoadUpdatePack(benchmark::State& state) {
  const PackFileInTmp file;
  const auto records = std::make_unique<quorin::PackRecords>();
  for (auto _ : state) {
    const bool good = quorin::LoadUpdatePack(*records, file.Path());
    if (!good) state.SkipWithError("the pack did not load");
    benchmark::DoNotOptimize(records->PackBuffer.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(quorin::kPackImageSize));
}
BENCHMARK(BM_LoadUpdatePack)->Unit(benchmark::kMicrosecond);

// The decode alone: the image is restored from a copy before each decode, outside the timing.
void BM_DecodePackImage(benchmark::State& state) {
  const auto image = quorin::BuildPackImage(RandomBytes(quorin::kMaxDataLength), {});
  const auto records = std::make_unique<quorin::PackRecords>();
  for (auto _ : state) {
    state.PauseTiming();
    records->PackBuffer = *image;
    state.ResumeTiming();
    benchmark::DoNotOptimize(quorin::DecodePackImage(*records));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(quorin::kMaxDataLength));
}
BENCHMARK(BM_DecodePackImage)->Unit(benchmark::kMicrosecond);

// 30 bytes: the pack header; 18 bytes: the restart frame.
void BM_Crc16Xmodem(benchmark::State& state) {
  const auto bytes = RandomBytes(static_cast<std::size_t>(state.range(0)));
  const auto length = static_cast<std::uint16_t>(bytes.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(quorin::Crc16Xmodem(bytes.data(), length));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Crc16Xmodem)->Arg(30)->Arg(18);

void BM_ByteSum32(benchmark::State& state) {
  const auto bytes = RandomBytes(quorin::kMaxDataLength);
  for (auto _ : state) {
    benchmark::DoNotOptimize(quorin::ByteSum32(bytes.data(), bytes.size()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ByteSum32)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
