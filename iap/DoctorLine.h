#pragma once
// The connection doctor's line checks: they open the port through AVS1's own set-up (JobTarget.h)
// and never send the restart frame, a header or data. The loopback check sends test patterns and
// expects them back (TX bridged to RX); the controller check listens for a running application,
// then sends only identification requests (0x02), at most kMaxIdentifyRequests of them.
//
// Threads: one thread uses a DoctorLine; it drives its own event loop, so the caller's thread
// plays AVS1's UI thread while a check runs. Each check blocks for a few seconds at most.
#include <memory>
#include <string>
#include <system_error>

#include "iap/Doctor.h"
#include "iap/JobTarget.h"

namespace quorin {

inline constexpr unsigned kMaxIdentifyRequests = 10;

class DoctorLine {
 public:
  // `target` gives the opener and the baud index; the checks name the port themselves.
  explicit DoctorLine(JobTarget target);
  ~DoctorLine();
  DoctorLine(const DoctorLine&) = delete;
  DoctorLine& operator=(const DoctorLine&) = delete;

  // Opens `name` at the loader's rate and closes it again: the error (empty when it opened) and
  // the component's text for it. Sends nothing.
  std::error_code ProbeOpen(const std::string& name, std::string& text);
  // Sends a few kilobytes of patterns at the loader's rate and compares what comes back.
  LoopbackFacts Loopback(const std::string& name);
  // Listens about a second at the restart frame's rate, then sends up to six identification
  // requests at the loader's rate until both 0x02 and 0xFD came back.
  ControllerFacts Controller(const std::string& name);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quorin
