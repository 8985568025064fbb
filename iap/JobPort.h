#pragma once
// How AVS1 is set up before it opens anything: the same for a programming job and for the
// connection doctor's line checks, so the doctor opens a port exactly the way a job does.
#include "comm/TComm.h"
#include "iap/JobTarget.h"

namespace quorin {

// Gives the closed `port` AVS1's stored values (CommName "COM1", Outx_XonXoffFlow off) and the
// opener of `target`. UI thread, while `port` is closed.
void PrepareJobPort(TComm& port, const JobTarget& target);

// The job's open: closes `port`, names it `name`, sets `baud` and opens it. Raises what OpenPort
// raises (ECommsError). The job's worker or the doctor's thread.
void OpenJobPort(TComm& port, const std::string& name, std::uint32_t baud);

}  // namespace quorin
