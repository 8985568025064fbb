#pragma once
// The tool's side of the loader dialogue: the exchanges a job runs on its worker, one at a time.
// The controller's answers reach them only through the response flags that AVS1ReceiveData sets
// on the UI thread; the exchanges only clear and read those flags.
#include <cstdint>
#include <optional>

#include "comm/TComm.h"
#include "iap/ByteTrace.h"
#include "iap/JobControl.h"
#include "iap/JobReport.h"
#include "iap/JobState.h"
#include "iap/JobTarget.h"
#include "iap/JobView.h"
#include "pack/UpdatePack.h"

namespace quorin {

// Everything one job's exchanges work with. Every reference must outlive the IapProtocol.
struct IapLink {
  TComm& Avs1;
  JobState& State;
  JobView& View;            // carries each call to the UI thread in order (PostingJobView)
  const PackRecords& Pack;  // the job's own copy, fixed for the whole job
  const JobTarget& Target;
  JobControl& Control;
  const ByteTrace* Trace = nullptr;  // null or empty: no trace
};

// The exchanges. Worker thread only. After Cancel every pause and wait ends at once, nothing more
// is sent and the operations return false.
class IapProtocol {
 public:
  explicit IapProtocol(IapLink link) : link_(link) {}

  // Closes AVS1, names it from the settings, sets `baud`, opens it. Any open error clears PortOk
  // and is swallowed (kept for FirstOpenFailure); a good open leaves PortOk as it was.
  void OpenUartPort(std::int32_t baud);
  // Opens at 9600 baud, pauses 200 ms, sends the masked 21-byte restart frame in one write (the
  // write's result is ignored), pauses 500 ms. Reads nothing.
  void RestartMcu();
  // Opens at the loader's rate, pauses 200 ms; false at once when PortOk is 0. Clears the four
  // answer flags, then sends 0x02 up to six times, each followed by a wait of up to 0.5 s, until
  // both 0x02 and 0xFD have come back (in any order, any delivery). True when both came.
  bool ConnectMcu();
  // Sends 0x06, pauses 10 ms, sends the 12-byte header frame, pauses a fixed 500 ms; returns
  // AckSeen (any 0x06 since ConnectMcu cleared it counts).
  bool SendPackHeader();
  // Sends the ceil(DataLength / 16) blocks of 16 bytes, pausing 3 x BlockPacing us after each and
  // showing progress; after every 1024 bytes waits up to 2 s for 0x06 and returns false at once
  // when none came. Clears EotSeen just before the last block. True when all blocks went out (at
  // once for DataLength 0). A DataLength whose blocks would reach past the pack image fails
  // before anything is sent.
  bool SendFirmwareData();
  // Waits up to 2 s for 0x04 and logs the verdict: "Programed sucessfuly", or "Program fail " and
  // "Power-off controller or display and try again ". True on 0x04. Clears EotSeen first unless
  // SendFirmwareData did so before its last block, so a 0x04 that came with the last 0x06 counts.
  bool WaitProgramResult();

  // The first open of this job that failed, if any.
  const std::optional<PortOpenFailure>& FirstOpenFailure() const { return firstOpenFailure_; }
  // The first open of this job whose settings the driver refused in part, if any.
  const std::optional<PortSettingsRefused>& FirstSettingsRefusal() const {
    return firstSettingsRefusal_;
  }
  // Firmware bytes queued in data blocks and 1024-byte groups acknowledged, over the whole job.
  std::uint32_t FirmwareBytesSent() const { return firmwareBytesSent_; }
  std::uint32_t GroupsAcknowledged() const { return groupsAcknowledged_; }

 private:
  // One SendData call; traces the bytes when they were queued. Returns SendData's result.
  bool Send(const std::uint8_t* bytes, std::size_t length);
  bool Identified() const;

  IapLink link_;
  std::optional<PortOpenFailure> firstOpenFailure_;
  std::optional<PortSettingsRefused> firstSettingsRefusal_;
  // EotSeen was cleared just before the last block went out; WaitProgramResult keeps what came
  // since.
  bool eotClearedForVerdict_ = false;
  std::uint32_t firmwareBytesSent_ = 0;
  std::uint32_t groupsAcknowledged_ = 0;
};

}  // namespace quorin
