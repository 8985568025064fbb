// A whole job through the presenter against the simulated controller of `--simulate`, with the
// headless event loop as the UI thread.
#include <algorithm>
#include <chrono>
#include <memory>

#include "FakeViews.h"
#include "app/StartupOptions.h"
#include "comm/EventLoop.h"
#include "iap/Messages.h"

namespace quorin::test {
namespace {

using namespace std::chrono_literals;

TEST(SimulatedJob, ProgramsTheSimulatedControllerAndShowsItsProgress) {
  TempDir dir;
  sim::InProcessController simulation(sim::LongRunningOptions(""));
  PresenterOptions options = SimulatedPresenterOptions(dir.File("Cyclomer.ini"), simulation);
  EXPECT_EQ(options.Job.PortName(), kSimulatedPortName);
  EventLoop loop;
  FakeWindow view;
  MainWindowPresenter presenter(view, loop, std::move(options));
  EXPECT_EQ(presenter.Caption(),
            std::string(text::kMainCaption) + "  [simulated controller: normal]");
  bool finished = false;
  presenter.OnJobFinished = [&](JobOutcome outcome) {
    EXPECT_EQ(outcome, JobOutcome::Success);
    finished = true;
  };
  WriteFile(dir.File("job.Pack"), PackBytes(PackFields{}, 20000));
  presenter.OpenPack(dir.File("job.Pack"));
  presenter.ProgramClicked();
  EXPECT_EQ(presenter.Session().State().JobBusy.load(), 1) << "set before the click returns";

  // Another pack read during the job does not change what is sent.
  ASSERT_TRUE(loop.RunUntil([&] { return view.LogLines().size() >= 3; }, 30s));
  WriteFile(dir.File("other.Pack"), PackBytes(PackFields{}, 100));
  presenter.OpenPack(dir.File("other.Pack"));
  ASSERT_TRUE(loop.RunUntil([&] { return finished; }, 60s));

  EXPECT_EQ(view.LogLines(), (std::vector<std::string>{text::kConnecting, text::kIdentified,
                                                       text::kProgramming, text::kProgrammed}));
  EXPECT_EQ(view.calls.back(), "Advice ") << "every open succeeded";
  const auto shown = std::find(view.calls.begin(), view.calls.end(), "Gauge 1");
  const auto hidden = std::find(shown, view.calls.end(), "Gauge 0");
  EXPECT_NE(hidden, view.calls.end()) << "the gauge is shown during the job and hidden after";
  EXPECT_NE(std::find(shown, hidden, "Progress 20000"), hidden) << "it reaches the firmware's end";
  EXPECT_EQ(presenter.Session().State().JobBusy.load(), 0);
}

TEST(SimulatedJob, AnUnknownScenarioSaysWhichOnesExist) {
  try {
    sim::LongRunningOptions("bogus");
    FAIL() << "an unknown scenario was accepted";
  } catch (const std::runtime_error& error) {
    const std::string text = error.what();
    EXPECT_NE(text.find("\"bogus\""), std::string::npos) << text;
    EXPECT_NE(text.find("no-header-ack"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace quorin::test
