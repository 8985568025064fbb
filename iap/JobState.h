#pragma once
// JobState: the state shared between the UI thread, the job worker and the Program command.
// Every field is a single atomic; there are no locks on them.
#include <atomic>
#include <cstdint>

namespace quorin {

struct JobState {
  // Set to 1 by AVS1ReceiveData (UI thread); cleared and read by the worker.
  std::atomic<std::uint8_t> StxSeen{0};
  std::atomic<std::uint8_t> FdSeen{0};
  std::atomic<std::uint8_t> AckSeen{0};
  std::atomic<std::uint8_t> EotSeen{0};
  // 1 at the start of each job; 0 once an open failed within the job. Worker only.
  std::atomic<std::uint8_t> PortOk{0};
  // Pause after each data block is 3 x BlockPacing microseconds. Written before the worker starts.
  std::atomic<std::int32_t> BlockPacing{300};
  // 1 from the Program command that starts a job to the last step of that job.
  std::atomic<std::uint8_t> JobBusy{0};
};

}  // namespace quorin
