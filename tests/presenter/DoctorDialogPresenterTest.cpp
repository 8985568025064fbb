// The connection check's dialog through a recording view: the doctor (a fake behind the options'
// seam, held until the test lets it finish) runs on a worker and its findings come back through
// the event loop; Program waits for it; the advice after a failed job points at it.
#include <atomic>
#include <chrono>
#include <memory>
#include <semaphore>

#include "FakeViews.h"
#include "comm/EventLoop.h"
#include "iap/DoctorText.h"
#include "iap/Messages.h"

namespace quorin::test {
namespace {

using namespace std::chrono_literals;

// What the doctor finds on a machine whose CH340 adapter is not the stored port.
DoctorResult AdapterElsewhere(const std::string& port) {
  DoctorResult result;
  result.Adapters.push_back(
      {"COM7", "/dev/ttyUSB0", "1a86:7523", "CH340", "ch341", "USB Serial (QinHeng)", 0});
  result.Findings.push_back({"port-missing", Severity::Problem,
                             port + " is not here; your CH340 adapter is COM7 (/dev/ttyUSB0).",
                             "Choose com7 in Uart > Uart Port."});
  return result;
}

class DoctorDialogTest : public ::testing::Test {
 protected:
  DoctorDialogTest() {
    options.Job = JobTarget::FixedPort("COM250");
    options.ApplicationTitle = "quorin-iap";
    options.Doctor = [this](const JobTarget& job) {
      ++runs;
      release.acquire();
      return AdapterElsewhere(job.PortName());
    };
  }
  void Finish(DoctorDialogPresenter& check) {
    release.release();
    ASSERT_TRUE(loop.RunUntil([&] { return !check.Running(); }, 30s));
  }

  std::atomic<int> runs{0};
  std::counting_semaphore<8> release{0};
  TempDir dir;
  EventLoop loop;
  FakeWindow view;
  FakeDoctorDialog dialog;
  PresenterOptions options;
};

TEST_F(DoctorDialogTest, RunsOffTheUiThreadShowsTheFindingsAndRunsAgain) {
  MainWindowPresenter presenter(view, loop, options);
  view.onDoctorDialog = [&](DoctorDialogPresenter& check) {
    check.FormShow(dialog);
    EXPECT_TRUE(check.Running());
    EXPECT_EQ(dialog.text, text::kDoctorRunning);
    EXPECT_FALSE(dialog.runAgain);
    Finish(check);
    EXPECT_EQ(dialog.text, DoctorText(AdapterElsewhere("COM250"))) << "the job's own port";
    EXPECT_TRUE(dialog.runAgain);
    check.RunAgain();
    EXPECT_EQ(dialog.text, text::kDoctorRunning);
    check.RunAgain();  // ignored while one runs
    Finish(check);
    EXPECT_EQ(runs, 2);
    check.Exit();
    EXPECT_TRUE(dialog.closed);
  };
  presenter.ConnectionCheckClicked();
  EXPECT_EQ(view.calls.back(), "DoctorDialog");
}

TEST_F(DoctorDialogTest, ProgramWaitsForACheckThatOutlivedItsDialog) {
  auto presenter = std::make_unique<MainWindowPresenter>(view, loop, options);
  WriteFile(dir.File("job.Pack"), PackBytes(PackFields{}));
  presenter->OpenPack(dir.File("job.Pack"));
  view.onDoctorDialog = [&](DoctorDialogPresenter& check) {
    check.FormShow(dialog);
    check.Exit();
  };
  presenter->ConnectionCheckClicked();
  view.calls.clear();
  presenter->ProgramClicked();
  EXPECT_EQ(view.calls, std::vector<std::string>{"Box Warning quorin-iap: " +
                                                 std::string(text::kDoctorHoldsPort)});
  EXPECT_EQ(dialog.text, text::kDoctorRunning) << "a closed dialog is no longer written to";
  Finish(presenter->ConnectionCheck());
  EXPECT_EQ(dialog.text, text::kDoctorRunning);
  // Gone while a check runs: it waits for the worker; the result still queued finds nobody.
  presenter->ConnectionCheck().RunAgain();
  release.release();
  presenter.reset();
  loop.ProcessPending();
  EXPECT_EQ(runs, 2);
}

TEST_F(DoctorDialogTest, NeverRunsWhileAJobHoldsThePortNorWithoutALineToCheck) {
  bool jobBusy = true;
  DoctorDialogPresenter check(loop, options.Doctor, options.Job, [&] { return jobBusy; });
  check.FormShow(dialog);
  EXPECT_EQ(dialog.text, text::kDoctorJobRunning);
  EXPECT_TRUE(dialog.runAgain);
  EXPECT_FALSE(check.Running());
  jobBusy = false;
  check.RunAgain();
  EXPECT_TRUE(check.Running());
  Finish(check);
  EXPECT_EQ(runs, 1);

  DoctorDialogPresenter simulated(loop, nullptr, options.Job, [] { return false; });
  simulated.FormShow(dialog);
  EXPECT_EQ(dialog.text, text::kDoctorSimulated);
  EXPECT_FALSE(dialog.runAgain);
}

struct AdviceCase {
  const char* name;
  JobOutcome outcome;
  const char* failedPort;  // empty: every open succeeded
  bool inProgram;
  bool openAdvice;  // the open failure's own advice comes first
  bool pointer;     // then the pointer at the connection check
};

class JobAdviceTest : public ::testing::TestWithParam<AdviceCase> {};

TEST_P(JobAdviceTest, PointsAtTheConnectionCheckAfterAFailedOpenOrNoAnswer) {
  const AdviceCase& c = GetParam();
  JobReport report;
  report.Outcome = c.outcome;
  if (*c.failedPort != '\0') {
    report.OpenFailure = PortOpenFailure{c.failedPort,
                                         "no such port",
                                         std::make_error_code(std::errc::no_such_file_or_directory),
                                         {},
                                         c.inProgram};
  }
  const std::string advice = JobAdvice(report);
  EXPECT_EQ(advice.rfind("cannot open the serial port ", 0) == 0, c.openAdvice) << advice;
  const std::size_t at = advice.find(text::kDoctorPointer);
  EXPECT_EQ(at != std::string::npos, c.pointer) << advice;
  if (c.pointer) {
    EXPECT_EQ(at + std::string(text::kDoctorPointer).size(), advice.size()) << "it comes last";
  }
  if (!c.openAdvice && !c.pointer) {
    EXPECT_EQ(advice, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, JobAdviceTest,
    ::testing::Values(
        AdviceCase{"PortDidNotOpen", JobOutcome::PortError, "COM3", false, true, true},
        AdviceCase{"NoAnswer", JobOutcome::NotIdentified, "", false, false, true},
        AdviceCase{"ReopenFailed", JobOutcome::NotIdentified, "COM3", false, true, true},
        AdviceCase{"FailedInProgram", JobOutcome::PortError, "COM3", true, true, false},
        AdviceCase{"Programmed", JobOutcome::Success, "", false, false, false},
        AdviceCase{"NotAcknowledged", JobOutcome::Unsuccessful, "", false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorin::test
