#include "iap/IapProtocol.h"

#include <chrono>
#include <exception>

#include "iap/Frames.h"
#include "iap/Messages.h"
#include "iap/OpenAdvice.h"

namespace quorin {
namespace {

using namespace std::chrono_literals;

constexpr auto kAfterOpen = 200ms;
constexpr auto kAfterRestartFrame = 500ms;
constexpr auto kIdentifyLimit = 500ms;
constexpr int kIdentifyAttempts = 6;
constexpr auto kBeforeHeaderFrame = 10ms;
constexpr auto kHeaderAnswerPause = 500ms;
constexpr auto kAckLimit = 2s;
constexpr auto kVerdictLimit = 2s;

bool IsSet(const std::atomic<std::uint8_t>& flag) {
  return flag.load(std::memory_order_acquire) != 0;
}
void Clear(std::atomic<std::uint8_t>& flag) {
  flag.store(0, std::memory_order_release);
}

}  // namespace

bool IapProtocol::Send(const std::uint8_t* bytes, std::size_t length) {
  if (link_.Control.Cancelled()) return false;
  const bool queued = link_.Avs1.SendData(bytes, static_cast<std::uint16_t>(length));
  if (queued && link_.Trace != nullptr && *link_.Trace) {
    (*link_.Trace)(TraceDirection::Sent, bytes, length);
  }
  return queued;
}

bool IapProtocol::Identified() const {
  return IsSet(link_.State.StxSeen) && IsSet(link_.State.FdSeen);
}

void IapProtocol::OpenUartPort(std::int32_t baud) {
  link_.Avs1.ClosePort();
  std::string name;
  try {
    name = link_.Target.PortName();
    OpenJobPort(link_.Avs1, name, static_cast<std::uint32_t>(baud));
    const SettingsRefusal refused = link_.Avs1.RefusedSettings();
    if (refused && !firstSettingsRefusal_) {
      firstSettingsRefusal_ = PortSettingsRefused{name, static_cast<std::uint32_t>(baud),
                                                  refused.LineState, refused.Timeouts};
    }
  } catch (const ECommsError& error) {
    Clear(link_.State.PortOk);
    if (!firstOpenFailure_) {
      firstOpenFailure_ = PortOpenFailure{
          name, error.what(), error.Reason(),
          error.InProgram() ? OpenFailureFacts{} : GatherOpenFailureFacts(name, error.Reason()),
          error.InProgram()};
    }
  } catch (const std::exception& error) {
    Clear(link_.State.PortOk);
    if (!firstOpenFailure_) firstOpenFailure_ = PortOpenFailure{name, error.what(), {}, {}};
  }
}

void IapProtocol::RestartMcu() {
  OpenUartPort(static_cast<std::int32_t>(kRestartBaudRate));
  if (!link_.Control.Pause(kAfterOpen)) return;
  const RestartFrame masked = MaskRestartFrame(BuildRestartFrame(link_.Pack.Header));
  Send(masked.data(), masked.size());
  link_.Control.Pause(kAfterRestartFrame);
}

bool IapProtocol::ConnectMcu() {
  OpenUartPort(LoaderBaudRate(link_.Target.BaudIndex()));
  if (!link_.Control.Pause(kAfterOpen)) return false;
  if (!IsSet(link_.State.PortOk)) return false;
  Clear(link_.State.EotSeen);
  Clear(link_.State.AckSeen);
  Clear(link_.State.StxSeen);
  Clear(link_.State.FdSeen);
  for (int attempts = 0; !Identified() && attempts < kIdentifyAttempts; ++attempts) {
    Send(&kIdentifyRequest, 1);
    if (link_.Control.WaitFor(kIdentifyLimit, [this] { return Identified(); }) ==
        WaitResult::Cancelled) {
      return false;
    }
  }
  return Identified();
}

bool IapProtocol::SendPackHeader() {
  Send(&kAck, 1);
  if (!link_.Control.Pause(kBeforeHeaderFrame)) return false;
  const HeaderFrame frame = BuildHeaderFrame(link_.Pack.Header, link_.Target.BaudIndex());
  Send(frame.data(), frame.size());
  if (!link_.Control.Pause(kHeaderAnswerPause)) return false;
  return IsSet(link_.State.AckSeen);
}

bool IapProtocol::SendFirmwareData() {
  eotClearedForVerdict_ = false;
  const std::uint32_t dataLength = link_.Pack.Header.DataLength();
  link_.View.SetGaugeProgress(0);
  link_.View.SetGaugeMaximum(dataLength);
  const std::uint32_t blocks = DataBlockCount(dataLength);
  if (blocks == 0) return true;
  // A loaded pack never gets here; refusing keeps any other header from reading past the image.
  if (!DataBlocksFitImage(dataLength)) return false;
  const std::int64_t pauseUs = 3 * static_cast<std::int64_t>(link_.State.BlockPacing.load());
  std::uint32_t sinceAck = 0;
  for (std::uint32_t i = 0; i < blocks; ++i) {
    const std::optional<DataBlock> block = BuildDataBlock(link_.Pack, i);
    if (!block || link_.Control.Cancelled()) return false;
    if (i + 1 == blocks) {
      // From here on a 0x04 answers this transfer: it may come in the same delivery as the last
      // group's 0x06, before the verdict wait begins.
      Clear(link_.State.EotSeen);
      eotClearedForVerdict_ = true;
    }
    if (Send(block->data(), block->size())) firmwareBytesSent_ += kDataBlockSize;
    sinceAck += kDataBlockSize;
    DelayMicroseconds(pauseUs);
    link_.View.SetGaugeProgress(kDataBlockSize * (i + 1));
    if (sinceAck == kAckGroupBytes) {
      sinceAck = 0;
      Clear(link_.State.AckSeen);
      if (link_.Control.WaitFor(kAckLimit, [this] { return IsSet(link_.State.AckSeen); }) !=
          WaitResult::Met) {
        return false;
      }
      ++groupsAcknowledged_;
    }
  }
  return true;
}

bool IapProtocol::WaitProgramResult() {
  // With no block sent, the verdict wait is where a 0x04 starts to count.
  if (!eotClearedForVerdict_) Clear(link_.State.EotSeen);
  eotClearedForVerdict_ = false;
  if (link_.Control.WaitFor(kVerdictLimit, [this] { return IsSet(link_.State.EotSeen); }) ==
      WaitResult::Cancelled) {
    return false;
  }
  if (IsSet(link_.State.EotSeen)) {
    link_.View.AddLogLine(text::kProgrammed);
    return true;
  }
  link_.View.AddLogLine(text::kProgramFail1);
  link_.View.AddLogLine(text::kProgramFail2);
  return false;
}

}  // namespace quorin
