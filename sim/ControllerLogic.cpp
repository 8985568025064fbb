#include "sim/ControllerLogic.h"

#include <algorithm>
#include <span>

#include "pack/Checksums.h"
#include "platform/FileIdentity.h"
#include "platform/Files.h"

namespace quorin::sim {
namespace {

constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEot = 0x04;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kFd = 0xFD;
constexpr std::size_t kBlockSize = 16;
constexpr std::size_t kGroupSize = 1024;
constexpr std::size_t kBurstSize = 500;
constexpr std::size_t kBurstEotAt = 450;
// Bytes of one restart frame arrive together; a longer gap starts a new frame.
constexpr auto kRestartFrameGap = std::chrono::milliseconds(100);
// The tool's fixed pause after the header frame, before it looks for the acknowledgement.
constexpr auto kToolHeaderPause = std::chrono::milliseconds(500);
// Records of each kind kept with lastJobOnly: more than one job makes (two rounds of six
// identification requests, a restart frame or two).
constexpr std::size_t kKeptRecords = 32;

template <class Record>
void KeepLast(std::vector<Record>& records, std::size_t count) {
  if (records.size() > count) {
    records.erase(records.begin(), records.end() - static_cast<std::ptrdiff_t>(count));
  }
}

// Bytes the tool recognises or the line's flow control acts on; noise never contains them.
bool Meaningful(std::uint8_t b) {
  return b == kStx || b == kEot || b == kAck || b == kFd || b == 0x11 || b == 0x13;
}

std::string Ms(SimClock::duration d) {
  return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(d).count()) + " ms";
}

}  // namespace

ControllerLogic::ControllerLogic(SimOptions options)
    : options_(std::move(options)),
      role_(options_.Scenario == SimScenario::ApplicationFirst ||
                    options_.Scenario == SimScenario::Silent
                ? SimRole::Application
                : SimRole::Loader),
      random_(options_.Seed) {}

void ControllerLogic::OnReceived(SimClock::time_point now, std::uint32_t baud,
                                 const std::uint8_t* data, std::size_t size) {
  if (report_.CablePulled) return;  // nothing reaches a controller whose cable is out
  Tick(now);
  report_.BytesReceived += size;
  if (options_.KeepByteLog) {
    report_.Received.push_back(LineChunk{now, baud, std::vector<std::uint8_t>(data, data + size)});
  }
  if (role_ == SimRole::Loader && baud == options_.LoaderBaud) {
    lastActivity_ = now;
    for (std::size_t i = 0; i < size; ++i) LoaderByte(now, data[i]);
  } else {
    ApplicationBytes(now, baud, data, size);
  }
  // Every record is made while bytes come in: the one place to forget what came before.
  if (options_.LastJobOnly) ForgetEarlierJobs();
}

void ControllerLogic::ForgetEarlierJobs() {
  KeepLast(report_.Sessions, 1);  // the running session, or the one that ended last
  KeepLast(report_.IdentificationRequests, kKeptRecords);
  KeepLast(report_.RestartFrames, kKeptRecords);
  KeepLast(report_.Violations, kKeptRecords);
}

void ControllerLogic::ApplicationBytes(SimClock::time_point now, std::uint32_t baud,
                                       const std::uint8_t* data, std::size_t size) {
  if (baud == options_.ApplicationBaud) {
    for (std::size_t i = 0; i < size; ++i) RestartFrameByte(now, baud, data[i]);
    return;
  }
  if (role_ == SimRole::Loader) {
    Violation(std::to_string(size) + " byte(s) at " + std::to_string(baud) +
              " baud while the loader listens at " + std::to_string(options_.LoaderBaud));
    return;
  }
  // The application cannot make sense of a foreign speed; identification requests meant for a
  // loader are only counted.
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == kStx) report_.IdentificationRequests.push_back(now);
  }
}

void ControllerLogic::RestartFrameByte(SimClock::time_point now, std::uint32_t baud,
                                       std::uint8_t byte) {
  if (!restartBytes_.empty() && now - lastRestartByte_ > kRestartFrameGap) {
    Violation("restart frame cut short after " + std::to_string(restartBytes_.size()) + " bytes");
    restartBytes_.clear();
  }
  lastRestartByte_ = now;
  if (restartBytes_.empty() && byte != (kRestartFrameStart ^ kRestartMask)) {
    Violation("byte " + HexByte(byte) + " at " + std::to_string(baud) +
              " baud outside a restart frame");
    return;
  }
  restartBytes_.push_back(byte);
  if (restartBytes_.size() < kRestartFrameSize) return;

  RestartFrameRecord record;
  record.At = now;
  record.Baud = baud;
  std::copy(restartBytes_.begin(), restartBytes_.end(), record.Masked.begin());
  restartBytes_.clear();
  record.Fields = DecodeRestartFrame(record.Masked, record.Problems);
  for (const std::string& problem : record.Problems) Violation(problem);
  const bool versionOk = record.Fields.Version >= options_.MinimumVersion;
  record.Accepted = record.Problems.empty() && versionOk && role_ == SimRole::Application &&
                    options_.Scenario != SimScenario::Silent && !loaderStart_;
  if (record.Accepted) {
    loaderStart_ = now + options_.LoaderStartDelay;
    acceptedFrame_ = record.Fields;
  }
  report_.RestartFrames.push_back(std::move(record));
}

void ControllerLogic::Tick(SimClock::time_point now) {
  if (loaderStart_ && now >= *loaderStart_) {
    loaderStart_.reset();
    role_ = SimRole::Loader;
    phase_ = Phase::Listening;
  }
  if (phase_ != Phase::Listening && actions_.empty() && now - lastActivity_ > options_.IdleReset) {
    EndSession(SessionEnd::Idle);
  }
}

std::optional<SimClock::time_point> ControllerLogic::NextDue() const {
  std::optional<SimClock::time_point> next;
  auto consider = [&next](SimClock::time_point t) {
    if (!next || t < *next) next = t;
  };
  if (!actions_.empty()) consider(actions_.front().Due);
  if (loaderStart_) consider(*loaderStart_);
  if (phase_ != Phase::Listening && actions_.empty()) {
    consider(lastActivity_ + options_.IdleReset + std::chrono::milliseconds(1));
  }
  return next;
}

std::vector<SimAction> ControllerLogic::TakeDue(SimClock::time_point now) {
  std::vector<SimAction> due;
  while (!actions_.empty() && actions_.front().Due <= now) {
    due.push_back(std::move(actions_.front()));
    actions_.pop_front();
  }
  return due;
}

void ControllerLogic::OnCarriedOut(const SimAction& action, SimClock::time_point at,
                                   std::size_t written) {
  lastActivity_ = at;
  if (action.Type == SimAction::Kind::PullCable) {
    report_.CablePulled = true;
    if (phase_ != Phase::Listening) EndSession(SessionEnd::CablePulled);
    actions_.clear();
    return;
  }
  if (options_.KeepByteLog && written > 0) {
    report_.Sent.push_back(LineChunk{
        at, 0,
        std::vector<std::uint8_t>(action.Bytes.begin(),
                                  action.Bytes.begin() + static_cast<std::ptrdiff_t>(written))});
  }
  if (action.Verdict) {
    ++report_.VerdictsSent;
    EndSession(options_.Scenario == SimScenario::BurstVerdict ? SessionEnd::Burst
                                                              : SessionEnd::Verdict);
  }
}

void ControllerLogic::ClearReport() {
  SimReport fresh;
  fresh.CablePulled = report_.CablePulled;
  if (phase_ != Phase::Listening) fresh.Sessions.push_back(std::move(report_.Sessions.back()));
  report_ = std::move(fresh);
}

std::vector<LoaderSession> ControllerLogic::TakeEndedSessions() {
  std::vector<LoaderSession> ended;
  std::vector<LoaderSession> open;
  for (LoaderSession& session : report_.Sessions) {
    (session.End == SessionEnd::Open ? open : ended).push_back(std::move(session));
  }
  report_.Sessions = std::move(open);  // the current session, if any, stays the last one
  return ended;
}

void ControllerLogic::LoaderByte(SimClock::time_point now, std::uint8_t byte) {
  switch (phase_) {
    case Phase::Listening:
    case Phase::Identifying:
    case Phase::Identified:
      if (byte == kStx) {
        IdentificationRequest(now);
      } else if (byte == kAck && phase_ == Phase::Identified) {
        phase_ = Phase::Header;
        headerFill_ = 0;
      } else {
        Violation("byte " + HexByte(byte) + " where the loader expects " +
                  (phase_ == Phase::Identified ? "0x02 or 0x06" : "0x02"));
      }
      return;
    case Phase::Header:
      header_[headerFill_++] = byte;
      if (headerFill_ == kHeaderFrameSize) HeaderComplete(now);
      return;
    case Phase::Data:
      DataByte(now, byte);
      return;
    case Phase::Checking:
      Violation("byte " + HexByte(byte) + " after the last data block");
      return;
  }
}

void ControllerLogic::IdentificationRequest(SimClock::time_point now) {
  report_.IdentificationRequests.push_back(now);
  if (phase_ == Phase::Listening) {
    report_.Sessions.emplace_back();
    Session().Started = now;
    phase_ = Phase::Identifying;
  }
  LoaderSession& session = Session();
  const unsigned request = ++session.IdentificationRequests;
  std::vector<std::uint8_t> answer;
  bool identified = true;
  switch (options_.Scenario) {
    case SimScenario::EarlyAck:
      answer = {kStx, kAck, kFd};
      break;
    case SimScenario::SplitIdentification:
      if (request == 1) {
        answer = {kStx};
        identified = session.Identified;
      } else if (request == 2) {
        identified = session.Identified;
      } else if (request == 3) {
        answer = {kFd};
      } else {
        answer = {kStx, kFd};
      }
      break;
    default:
      answer = {kStx, kFd};
      break;
  }
  if (!answer.empty()) Schedule(now, std::move(answer));
  if (identified) {
    session.Identified = true;
    phase_ = Phase::Identified;
  }
}

void ControllerLogic::HeaderComplete(SimClock::time_point now) {
  HeaderFrameRecord record;
  record.At = now;
  record.Bytes = header_;
  record.Fields =
      DecodeHeaderFrame(header_, options_.ExpectedBaudIndex, options_.Capacity, record.Problems);
  if (acceptedFrame_) {
    const RestartFrameFields& frame = *acceptedFrame_;
    if (frame.DataLength != record.Fields.DataLength || frame.DataSum != record.Fields.DataSum ||
        frame.WireKey != record.Fields.WireKey) {
      record.Problems.push_back("header frame describes other firmware than the restart frame");
    }
  }
  for (const std::string& problem : record.Problems) Violation(problem);
  headerDone_ = now;
  headerAckDue_.reset();
  lastAckDue_.reset();

  // A broken start or firmware too large for the flash is refused; the other faults are
  // reported but the transfer goes on, so the tool's later behaviour can still be checked.
  const bool refused =
      header_[0] != 0xFF || header_[1] != 0xFF || record.Fields.DataLength > options_.Capacity;
  const bool answer = !refused && options_.Scenario != SimScenario::NoHeaderAck &&
                      options_.Scenario != SimScenario::EarlyAck;
  if (answer) {
    Schedule(now, {kAck});
    headerAckDue_ = now;
  }
  record.Acknowledged = answer;
  Session().Header = std::move(record);
  if (refused) {
    EndSession(SessionEnd::Refused);
    return;
  }
  const std::uint32_t length = Session().Header->Fields.DataLength;
  expectedData_ = (static_cast<std::size_t>(length) + kBlockSize - 1) / kBlockSize * kBlockSize;
  Session().Firmware.reserve(length);
  phase_ = Phase::Data;
  if (expectedData_ == 0) DataComplete(now);
}

void ControllerLogic::DataByte(SimClock::time_point now, std::uint8_t byte) {
  LoaderSession& session = Session();
  if (session.DataBytes == 0 && now - headerDone_ < options_.EraseTime) {
    Violation("first data byte " + Ms(now - headerDone_) +
              " after the header frame; the loader needs " + Ms(options_.EraseTime) + " to erase");
  }
  const std::uint8_t plain = byte ^ session.Header->Fields.WireKey;
  if (session.DataBytes < session.Header->Fields.DataLength) {
    session.Firmware.push_back(plain);
  } else {
    session.BlockTail.push_back(plain);
  }
  ++session.DataBytes;
  if (session.DataBytes % kBlockSize == 0) ++session.Blocks;
  lastAckDue_.reset();
  if (session.DataBytes % kGroupSize == 0) {
    GroupComplete(now, static_cast<unsigned>(session.DataBytes / kGroupSize));
  }
  if (phase_ == Phase::Data && session.DataBytes == expectedData_) DataComplete(now);
}

void ControllerLogic::GroupComplete(SimClock::time_point now, unsigned group) {
  const bool chosen = options_.Group == group;
  SimClock::time_point due = now;
  switch (options_.Scenario) {
    case SimScenario::AckLost:
      if (chosen) return;
      break;
    case SimScenario::CablePulled:
      if (chosen) {
        SimAction pull;
        pull.Type = SimAction::Kind::PullCable;
        pull.Due = now;
        actions_.push_back(std::move(pull));
        return;
      }
      break;
    case SimScenario::AckDelay:
      if (chosen || options_.Group == 0) due += options_.AckDelay;
      break;
    case SimScenario::AckAndVerdictTogether:
      if (Session().DataBytes == expectedData_) {  // DataComplete sends this 0x06 with the 0x04
        ++Session().GroupsAcknowledged;
        return;
      }
      break;
    default:
      break;
  }
  Schedule(due, {kAck});
  lastAckDue_ = due;
  ++Session().GroupsAcknowledged;
}

void ControllerLogic::WriteFirmwareOut(const std::vector<std::uint8_t>& firmware) {
  const std::string& path = options_.FirmwareOutputPath;
  const auto existing = platform::IdentityOf(path);
  std::error_code error;
  if (existing && existing->Kind != platform::FileKind::Regular) {
    error = platform::FileErrc::NotRegularFile;
  } else {
    platform::WriteOptions replace;
    replace.FollowLink = true;
    error = platform::WriteFileAtomically(
        path,
        [&firmware](platform::FileSink& sink) {
          return sink.Write(std::as_bytes(std::span(firmware)));
        },
        replace);
  }
  if (error) {
    Violation("(simulator) cannot write the firmware to " + path + ": " + error.message());
  }
}

void ControllerLogic::DataComplete(SimClock::time_point now) {
  LoaderSession& session = Session();
  phase_ = Phase::Checking;
  const std::uint32_t sum = ByteSum32(session.Firmware.data(), session.Firmware.size());
  session.SumMatched = sum == session.Header->Fields.DataSum;
  if (!options_.FirmwareOutputPath.empty()) {
    WriteFirmwareOut(session.Firmware);
  }
  if (!session.SumMatched) {
    Violation("firmware byte sum " + std::to_string(sum) + " differs from DataSum " +
              std::to_string(session.Header->Fields.DataSum));
    EndSession(SessionEnd::Refused);
    return;
  }
  if (options_.Scenario == SimScenario::NoVerdict) {
    EndSession(SessionEnd::VerdictWithheld);
    return;
  }
  if (options_.Scenario == SimScenario::AckAndVerdictTogether && expectedData_ > 0 &&
      expectedData_ % kGroupSize == 0) {
    Schedule(now, {kAck, kEot}, true);
    return;
  }
  // The verdict must reach the tool as its own delivery, after it has taken any acknowledgement
  // that was just sent and begun waiting for the verdict.
  SimClock::time_point due = now + options_.VerdictDelay;
  if (lastAckDue_) due = std::max(due, *lastAckDue_ + options_.AnswerSeparation);
  if (expectedData_ == 0 && headerAckDue_) {
    due = std::max(due, *headerAckDue_ + kToolHeaderPause + options_.AnswerSeparation);
  }
  std::vector<std::uint8_t> verdict = {kEot};
  if (options_.Scenario == SimScenario::BurstVerdict) {
    verdict.assign(kBurstSize, 0);
    for (std::uint8_t& b : verdict) b = NoiseByte();
    verdict[kBurstEotAt] = kEot;
  }
  Schedule(due, std::move(verdict), true);
}

void ControllerLogic::EndSession(SessionEnd how) {
  if (!report_.Sessions.empty() && report_.Sessions.back().End == SessionEnd::Open) {
    report_.Sessions.back().End = how;
  }
  phase_ = Phase::Listening;
  acceptedFrame_.reset();
  role_ =
      options_.Scenario == SimScenario::ApplicationFirst ? SimRole::Application : SimRole::Loader;
}

void ControllerLogic::Schedule(SimClock::time_point due, std::vector<std::uint8_t> bytes,
                               bool verdict) {
  if (options_.Scenario == SimScenario::Silent) return;
  if (options_.Scenario == SimScenario::Noise) {
    std::vector<std::uint8_t> noisy;
    const int before = 1 + static_cast<int>(random_() % 4);
    const int after = 1 + static_cast<int>(random_() % 4);
    for (int i = 0; i < before; ++i) noisy.push_back(NoiseByte());
    noisy.insert(noisy.end(), bytes.begin(), bytes.end());
    for (int i = 0; i < after; ++i) noisy.push_back(NoiseByte());
    bytes = std::move(noisy);
  }
  SimAction action;
  action.Due = due;
  action.Bytes = std::move(bytes);
  action.Verdict = verdict;
  auto at = std::upper_bound(actions_.begin(), actions_.end(), due,
                             [](SimClock::time_point t, const SimAction& a) { return t < a.Due; });
  actions_.insert(at, std::move(action));
}

void ControllerLogic::Violation(std::string text) {
  report_.Violations.push_back(std::move(text));
}

std::uint8_t ControllerLogic::NoiseByte() {
  for (;;) {
    const auto b = static_cast<std::uint8_t>(random_() & 0xFF);
    if (!Meaningful(b)) return b;
  }
}

}  // namespace quorin::sim
