#pragma once
// The connection doctor's line checks: they open the port through AVS1's own set-up (JobTarget.h)
// and never send the restart frame, a header or data. The loopback check sends test patterns and
// expects them back (TX bridged to RX); the controller check listens for a running application,
// then sends only identification requests (0x02), six at most.
#include <string>

#include "iap/Doctor.h"
#include "iap/JobTarget.h"

namespace quorin {

// Which line check runs on a port that opens.
enum class LineCheck { Controller, Loopback };

// The doctor's facts on this machine for `job`'s port (its PortName, read once; `source` says
// where the name comes from, "--port"): the system's device view (GatherDoctorFacts, the port
// opened the way a job opens it) and, when the port opened, `check` on it. Blocks for a few
// seconds at most; any thread, one at a time per port: it drives its own event loop, so the
// caller's thread plays AVS1's UI thread while a check runs.
DoctorFacts SystemDoctorFacts(const JobTarget& job, std::string source, LineCheck check);

}  // namespace quorin
