#include "sim/SimReport.h"

namespace quorin::sim {
namespace {

std::vector<std::uint8_t> Concatenate(const std::vector<LineChunk>& chunks) {
  std::vector<std::uint8_t> all;
  for (const LineChunk& chunk : chunks)
    all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
  return all;
}

}  // namespace

std::vector<std::uint8_t> SimReport::ReceivedBytes() const {
  return Concatenate(received);
}

std::vector<std::uint8_t> SimReport::SentBytes() const {
  return Concatenate(sent);
}

const LoaderSession* SimReport::LastSession() const {
  return sessions.empty() ? nullptr : &sessions.back();
}

}  // namespace quorin::sim
