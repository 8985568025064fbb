#include "sim/SimReport.h"

namespace quorin::sim {
namespace {

std::vector<std::uint8_t> Concatenate(const std::vector<LineChunk>& chunks) {
  std::vector<std::uint8_t> all;
  for (const LineChunk& chunk : chunks)
    all.insert(all.end(), chunk.Bytes.begin(), chunk.Bytes.end());
  return all;
}

}  // namespace

std::vector<std::uint8_t> SimReport::ReceivedBytes() const {
  return Concatenate(Received);
}

std::vector<std::uint8_t> SimReport::SentBytes() const {
  return Concatenate(Sent);
}

const LoaderSession* SimReport::LastSession() const {
  return Sessions.empty() ? nullptr : &Sessions.back();
}

}  // namespace quorin::sim
