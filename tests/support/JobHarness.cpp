#include "tests/support/JobHarness.h"

#include <unistd.h>

#include <fstream>
#include <random>
#include <stdexcept>

#include "pack/UpdatePack.h"
#include "settings/UartSettings.h"
#include "sim/ControllerLine.h"

namespace quorin::e2e {

std::vector<std::string> RecordingView::Lines() const {
  std::vector<std::string> lines;
  for (const ViewEvent& e : events_) {
    if (e.Type == ViewEvent::Clear) lines.clear();
    if (e.Type == ViewEvent::Line) lines.push_back(e.Text);
  }
  return lines;
}

std::optional<Clock::time_point> RecordingView::LineTime(const std::string& line) const {
  std::optional<Clock::time_point> at;
  for (const ViewEvent& e : events_) {
    if (e.Type == ViewEvent::Line && e.Text == line) at = e.At;
  }
  return at;
}

std::vector<std::uint8_t> MakeFirmware(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

std::unique_ptr<PackRecords> MakePack(const std::vector<std::uint8_t>& firmware,
                                      std::uint16_t version, std::uint8_t updateKind) {
  PackFields fields;
  fields.Version = version;
  fields.UpdateKind = updateKind;
  fields.WireKey = 0x5A;
  fields.RandomSeed = 11;
  const std::unique_ptr<PackImage> image = BuildPackImage(firmware, fields);
  auto records = std::make_unique<PackRecords>();
  records->PackBuffer = *image;
  if (DecodePackImage(*records) != PackDecodeResult::Ok) {
    throw std::logic_error("the pack writer made a pack the loader refuses");
  }
  return records;
}

JobHarness::JobHarness(sim::SimOptions options, std::optional<std::string> portName,
                       HarnessLine line) {
  if (line == HarnessLine::Loopback) {
    inProcess_ = std::make_unique<sim::InProcessController>(std::move(options));
  } else {
    onPty_ = std::make_unique<sim::SimController>(std::move(options));
  }
  settingsDir_ = std::filesystem::temp_directory_path() /
                 ("quorin-e2e-" + std::to_string(::getpid()) + "-" +
                  std::to_string(reinterpret_cast<std::uintptr_t>(this)));
  std::filesystem::create_directories(settingsDir_);
  const std::string settingsPath = (settingsDir_ / "Cyclomer.ini").string();
  WriteUartPortSetting(settingsPath, 7);
  WriteBaudIndexSetting(settingsPath, 2);

  const JobTarget target = inProcess_
                               ? JobTarget::Simulated(inProcess_->Line())
                               : JobTarget::FixedPort(portName.value_or(onPty_->SlavePath()));
  session_ = std::make_unique<JobSession>(loop_, view_, target.BaudIndexFrom(settingsPath));
  session_->OnJobFinished = [this](JobOutcome outcome) {
    current_.finished = true;
    current_.outcome = outcome;
    current_.finishedAt = Clock::now();
    current_.jobBusyAtFinish = session_->State().JobBusy.load();
    current_.portOpenAtFinish = session_->Avs1().IsOpen();
    current_.report = session_->LastJobReport();
  };
  Sim().Start();
}

JobHarness::~JobHarness() {
  session_.reset();
  Sim().Stop();
  std::error_code ignored;
  std::filesystem::remove_all(settingsDir_, ignored);
}

bool JobHarness::Press(const PackRecords& pack) {
  const auto at = Clock::now();
  session_->UsePack(pack);
  const bool started = session_->StartJob();
  if (started) {
    current_ = JobRun{};
    current_.clicked = at;
  }
  return started;
}

JobRun JobHarness::Finish(std::chrono::milliseconds timeout) {
  loop_.RunUntil([this] { return current_.finished; }, timeout);
  return current_;
}

JobRun JobHarness::Run(const PackRecords& pack, std::chrono::milliseconds timeout) {
  if (!Press(pack)) throw std::logic_error("Program did not start a job");
  return Finish(timeout);
}

bool JobHarness::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return loop_.RunUntil(done, timeout);
}

}  // namespace quorin::e2e
