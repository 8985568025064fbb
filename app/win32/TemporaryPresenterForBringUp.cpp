// TEMPORARY, for bringing the Win32 window up before the shared presenter is merged: a minimal
// MainWindowPresenter / PortDialogPresenter / Simulation so that quorin-iap.exe links. CMake uses
// it only while app/MainWindowPresenter.cpp does not exist; delete it once that has landed.
#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/MainWindowPresenter.h"
#include "app/PortDialogPresenter.h"
#include "app/Simulation.h"
#include "iap/Messages.h"
#include "iap/PackJudgement.h"
#include "settings/UartSettings.h"

namespace quorin {

std::string ApplicationTitle(const std::string& executablePath) {
  const auto slash = executablePath.find_last_of("/\\");
  std::string name = executablePath.substr(slash == std::string::npos ? 0 : slash + 1);
  name = name.substr(0, name.find('.'));
  for (std::size_t i = 1; i < name.size(); ++i) {
    name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  }
  return name;
}

std::string ErrorBoxText(const char* what) {
  std::string text = what ? what : "";
  if (text.empty() || text.back() != '.') text += '.';
  return text;
}

bool IsDroppablePack(const std::vector<std::string>& paths) {
  if (paths.size() != 1 || paths[0].size() < 5) return false;
  std::string tail = paths[0].substr(paths[0].size() - 5);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".pack";
}

MainWindowPresenter::MainWindowPresenter(MainWindowView& view, NotifySink& sink,
                                         PresenterOptions options)
    : view_(view), options_(std::move(options)) {
  session_ = std::make_unique<JobSession>(sink, *this, options_.Job);
  session_->OnJobFinished = [this](JobOutcome outcome) {
    if (OnJobFinished) OnJobFinished(outcome);
  };
  view_.SetProgramEnabled(false);
  view_.SetGaugeVisible(false);
}

MainWindowPresenter::~MainWindowPresenter() = default;

std::string MainWindowPresenter::Caption() const {
  return std::string(text::kMainCaption) + options_.CaptionSuffix;
}

template <class Handler>
void MainWindowPresenter::Guarded(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowError(error);
  } catch (...) {
    ShowUnknownError();
  }
}

void MainWindowPresenter::ReadPackClicked() {
  Guarded([this] {
    if (auto path = view_.AskPackFile()) ReadPackFile(*path);
  });
}

void MainWindowPresenter::OpenPack(const std::string& path) {
  Guarded([this, &path] { ReadPackFile(path); });
}

void MainWindowPresenter::FilesDropped(const std::vector<std::string>& paths) {
  if (IsDroppablePack(paths)) OpenPack(paths[0]);
}

void MainWindowPresenter::ReadPackFile(const std::string& path) {
  const PackVerdict verdict = session_->ReadPack(path);
  if (verdict == PackVerdict::Broken) {
    view_.SetProgramEnabled(false);
    view_.ShowMessage({BoxIcon::Warning, text::kPackBrokenCaption, text::kPackBroken});
    return;
  }
  const auto slash = path.find_last_of("/\\");
  view_.SetPackFileName(path.substr(slash == std::string::npos ? 0 : slash + 1));
  view_.SetVersionText(std::to_string(session_->Pack().Header.Version()));
  view_.SetUpdateKindText(UpdateKindText(session_->Pack().Header.UpdateKind()));
  if (verdict == PackVerdict::ForeignTarget) {
    view_.SetProgramEnabled(false);
    view_.ShowMessage({BoxIcon::Warning, text::kForeignTargetCaption, text::kForeignTarget});
  }
  view_.SetProgramEnabled(true);
}

void MainWindowPresenter::ProgramClicked() {
  Guarded([this] { session_->StartJob(); });
}

void MainWindowPresenter::UartPortClicked() {
  Guarded([this] {
    PortDialogPresenter dialog(options_.SettingsPath, options_.PortDevice,
                               options_.ApplicationTitle);
    uartSet_ = &dialog;
    struct Clear {
      PortDialogPresenter*& reference;
      ~Clear() { reference = nullptr; }
    } clear{uartSet_};
    view_.RunPortDialog(dialog);
  });
}

void MainWindowPresenter::ShowError(const std::exception& error) {
  view_.ShowMessage({BoxIcon::Error, options_.ApplicationTitle, ErrorBoxText(error.what())});
}

void MainWindowPresenter::ShowUnknownError() {
  view_.ShowMessage({BoxIcon::Error, options_.ApplicationTitle, "Unknown error."});
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
  gaugeMaximum_ = maximum;
  view_.SetGaugeMaximum(maximum);
}
void MainWindowPresenter::SetGaugeProgress(std::uint32_t progress) {
  view_.SetGaugeProgress(std::min(progress, gaugeMaximum_));
}

PortDialogPresenter::PortDialogPresenter(std::string settingsPath,
                                         std::function<std::string(int)> portDevice,
                                         std::string title)
    : settingsPath_(std::move(settingsPath)),
      portDevice_(std::move(portDevice)),
      title_(std::move(title)) {}

std::vector<std::string> PortDialogPresenter::PortItems() const {
  std::vector<std::string> items;
  for (int port = 1; port <= kUartPortItems; ++port) {
    std::string item = "com" + std::to_string(port);
    const std::string device = portDevice_ ? portDevice_(port) : std::string();
    if (!device.empty()) item += "  " + device;
    items.push_back(item);
  }
  return items;
}

std::vector<std::string> PortDialogPresenter::BaudItems() {
  return {"38400", "57600", "115200"};
}

void PortDialogPresenter::FormShow(PortDialogView& view) {
  const int port = ReadUartPortSetting(settingsPath_);
  const int index = port >= 1 ? port - 1 : 0;
  view.SelectPort(index < kUartPortItems ? index : -1);
  view.SelectBaud(ReadBaudIndexSetting(settingsPath_));
}

void PortDialogPresenter::Save(PortDialogView& view) {
  try {
    WriteUartPortSetting(settingsPath_, view.SelectedPortIndex() + 1);
    WriteBaudIndexSetting(settingsPath_, view.SelectedBaudIndex());
    view.Close();
  } catch (const std::exception& error) {
    view.ShowMessage({BoxIcon::Error, title_, ErrorBoxText(error.what())});
  }
}

void PortDialogPresenter::Exit(PortDialogView& view) {
  view.Close();
}

struct Simulation::Impl {};

Simulation::Simulation(const std::string&) {
  throw std::runtime_error("the simulated controller is not built for Windows yet");
}
Simulation::~Simulation() = default;
void Simulation::ConfigureJob(JobSettings&) const {}
std::string Simulation::PortPath() const {
  return {};
}
std::string Simulation::Scenario() const {
  return {};
}

}  // namespace quorin
