#include "app/MainWindowPresenter.h"

#include <algorithm>
#include <climits>
#include <string_view>
#include <utility>

#include "app/CommandLine.h"
#include "iap/Messages.h"
#include "iap/OpenAdvice.h"
#include "iap/PackJudgement.h"
#include "platform/OutsideText.h"

namespace quorin {
namespace {

constexpr std::uint32_t kGaugeLimit = INT_MAX;  // what a toolkit's int-ranged gauge can hold

// The part of `path` after its last '/' or '\\'.
std::string_view FileNameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string ApplicationTitle(const std::string& executablePath) {
  std::string name(FileNameOf(executablePath));
  name.erase(std::min(name.find('.'), name.size()));
  for (std::size_t i = 1; i < name.size(); ++i) name[i] = AsciiLower(name[i]);
  return name;
}

std::string ErrorBoxText(const char* what) {
  std::string text = what ? what : "";
  if (text.empty() || text.back() != '.') text += '.';
  return text;
}

std::string ErrorBoxText(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& caught) {
    return ErrorBoxText(caught.what());
  } catch (...) {
    return ErrorBoxText("Unexpected error");
  }
}

bool IsDroppablePack(const std::vector<std::string>& paths) {
  return paths.size() == 1 && IsPackName(paths.front());
}

std::string JobAdvice(const JobReport& report) {
  std::string advice = OpenFailureAdvice(report);
  // An open that failed inside this program is no matter of adapters or wiring.
  const bool lineFailed = (report.OpenFailure && !report.OpenFailure->InProgram) ||
                          report.Outcome == JobOutcome::NotIdentified;
  if (!lineFailed) return advice;
  if (!advice.empty()) advice += "\n";
  return advice + text::kDoctorPointer;
}

MainWindowPresenter::MainWindowPresenter(MainWindowView& view, NotifySink& sink,
                                         PresenterOptions options)
    : view_(view), options_(std::move(options)) {
  session_ = std::make_unique<JobSession>(sink, *this, options_.Job);
  session_->OnJobFinished = [this](JobOutcome outcome) {
    // What to do about a port that would not open is shown beside the log, whose own lines stay
    // exactly as the job wrote them.
    view_.SetLogAdvice(JobAdvice(session_->LastJobReport()));
    if (OnJobFinished) OnJobFinished(outcome);
  };
  doctor_ = std::make_unique<DoctorDialogPresenter>(
      sink, options_.Doctor, options_.Job, [this] { return session_->State().JobBusy != 0; });
  // Program waits for a successfully read pack: pressed before, it would send an all-zero header
  // and could leave the controller without firmware.
  view_.SetProgramEnabled(false);
  view_.SetGaugeVisible(false);
}

std::string MainWindowPresenter::Caption() const {
  return text::kMainCaption + options_.CaptionSuffix;
}

template <class Handler>
void MainWindowPresenter::Guarded(Handler&& handler) {
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    ShowError(std::current_exception());
  }
}

void MainWindowPresenter::ReadPackClicked() {
  Guarded([this] {
    const std::optional<std::string> path = view_.AskPackFile();
    if (!path || path->empty()) return;  // cancelled
    ReadPackFile(*path);
  });
}

void MainWindowPresenter::OpenPack(const std::string& path) {
  Guarded([this, &path] { ReadPackFile(path); });
}

void MainWindowPresenter::FilesDropped(const std::vector<std::string>& paths) {
  if (IsDroppablePack(paths)) OpenPack(paths.front());
}

void MainWindowPresenter::ReadPackFile(const std::string& path) {
  // ReadPack raises EInOutError before touching the records when the file cannot be read;
  // nothing below runs then and the window stays as it was.
  const PackVerdict verdict = session_->ReadPack(path);
  if (verdict == PackVerdict::Broken) {
    view_.SetProgramEnabled(false);
    view_.ShowMessage({BoxIcon::Warning, text::kPackBrokenCaption, text::kPackBroken});
    return;
  }
  const PackHeader& header = session_->Pack().Header;
  view_.SetPackFileName(platform::TerminalSafe(FileNameOf(path)));  // any bytes: outside text
  view_.SetVersionText(std::to_string(header.Version()));
  view_.SetUpdateKindText(UpdateKindText(header.UpdateKind()));
  if (verdict == PackVerdict::ForeignTarget) {
    // Shown disabled while the warning is up; programmable afterwards all the same.
    view_.SetProgramEnabled(false);
    view_.ShowMessage({BoxIcon::Warning, text::kForeignTargetCaption, text::kForeignTarget});
  }
  view_.SetProgramEnabled(true);
}

void MainWindowPresenter::ProgramClicked() {
  Guarded([this] {
    // The check's port and the job's are the same: one of them would find it taken.
    if (doctor_->Running()) {
      view_.ShowMessage({BoxIcon::Warning, options_.ApplicationTitle, text::kDoctorHoldsPort});
      return;
    }
    if (session_->StartJob()) view_.SetLogAdvice({});
  });
}

void MainWindowPresenter::UartPortClicked() {
  Guarded([this] {
    PortDialogPresenter dialog(options_.SettingsPath, options_.Ports, options_.ApplicationTitle);
    uartSet_ = &dialog;
    const AtScopeExit clear{[this] { uartSet_ = nullptr; }};
    view_.RunPortDialog(dialog);
  });
}

void MainWindowPresenter::ConnectionCheckClicked() {
  Guarded([this] {
    const AtScopeExit detach{[this] { doctor_->Detach(); }};
    view_.RunDoctorDialog(*doctor_);
  });
}

void MainWindowPresenter::ShowError(const std::exception_ptr& error) {
  view_.ShowMessage({BoxIcon::Error, options_.ApplicationTitle, ErrorBoxText(error)});
}

void MainWindowPresenter::ClearLog() {
  view_.ClearLog();
}

void MainWindowPresenter::AddLogLine(const std::string& line) {
  view_.AppendLogLine(line);
}

void MainWindowPresenter::SetUpdateKindText(const std::string& text) {
  view_.SetUpdateKindText(text);
}

void MainWindowPresenter::SetGaugeVisible(bool visible) {
  view_.SetGaugeVisible(visible);
}

void MainWindowPresenter::SetGaugeMaximum(std::uint32_t maximum) {
  gaugeMaximum_ = std::min(maximum, kGaugeLimit);
  view_.SetGaugeMaximum(gaugeMaximum_);
}

void MainWindowPresenter::SetGaugeProgress(std::uint32_t progress) {
  view_.SetGaugeProgress(std::min(progress, gaugeMaximum_));
}

}  // namespace quorin
