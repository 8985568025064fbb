// Real jobs through the presenter on the headless event loop: a port that does not open, and
// where start-up points the jobs.
#include <chrono>
#include <memory>

#include "FakeViews.h"
#include "app/StartupOptions.h"
#include "comm/EventLoop.h"
#include "iap/Messages.h"
#include "settings/UartSettings.h"

namespace quorin::test {
namespace {

using namespace std::chrono_literals;

TEST(PresenterJob, APortThatDoesNotOpenIsExplainedBesideTheLogUntilTheNextJob) {
  TempDir dir;
  EventLoop loop;
  FakeWindow view;
  PresenterOptions options;
  options.Job = JobTarget::FixedPort("COM250");
  MainWindowPresenter presenter(view, loop, options);
  int finished = 0;
  presenter.OnJobFinished = [&](JobOutcome outcome) {
    EXPECT_EQ(outcome, JobOutcome::PortError);
    ++finished;
  };
  WriteFile(dir.File("job.Pack"), PackBytes(PackFields{}));
  presenter.OpenPack(dir.File("job.Pack"));

  for (int job = 1; job <= 2; ++job) {
    view.calls.clear();
    presenter.ProgramClicked();
    ASSERT_TRUE(loop.RunUntil([&] { return finished == job; }, 30s));
    EXPECT_EQ(view.LogLines(), (std::vector<std::string>{text::kConnecting, text::kPortError}))
        << "the log keeps the job's own lines";
    EXPECT_EQ(view.calls[0], "Clear");
    // The advice of the job before is gone while this one runs.
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "Advice "), 1);
    const std::string& advice = view.calls.back();
    EXPECT_EQ(advice.rfind("Advice cannot open the serial port ", 0), 0u) << advice;
    EXPECT_NE(advice.find("COM250"), std::string::npos) << advice;
    EXPECT_NE(advice.find(text::kDoctorPointer), std::string::npos) << advice;
    for (const std::string& call : view.calls) EXPECT_NE(call.rfind("Box", 0), 0u) << call;
  }
}

TEST(StartupOptions, JobsOpenTheStoredPortReadAfreshAtEveryOpen) {
  TempDir dir;
  const std::string settings = dir.File("Cyclomer.ini");
  WriteUartPortSetting(settings, 4);
  const PresenterOptions options = MakePresenterOptions(settings);
  EXPECT_EQ(options.SettingsPath, settings);
  EXPECT_EQ(options.Job.PortName(), "COM4");
  EXPECT_EQ(options.Job.BaudIndex(), 0);
  EXPECT_TRUE(options.CaptionSuffix.empty());
  WriteUartPortSetting(settings, 7);
  EXPECT_EQ(options.Job.PortName(), "COM7");
  // A device is shown beside com3 only when it says more than "COM3" itself.
  const std::vector<ListedPort> ports = options.Ports();
  ASSERT_GE(ports.size(), 9u);
  EXPECT_EQ(ports[2].Number, 3);
  EXPECT_NE(ports[2].Detail.rfind(R"(\\.\COM3)", 0), 0u) << ports[2].Detail;
}

}  // namespace
}  // namespace quorin::test
