// Program against the simulated controller on a pseudo-terminal: the job's calls reach the widgets
// through the Qt event loop in order, and closing the window while a job runs.
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QProgressBar>
#include <QSignalSpy>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "sim/SimController.h"

namespace quorin::test {
namespace {

QStringList LogLines(QListWidget* log) {
  QStringList lines;
  for (int i = 0; i < log->count(); ++i) lines << log->item(i)->text();
  return lines;
}

// Descriptors of this process that refer to `device`.
int OpenDescriptorsOn(const std::string& device) {
  const QString target = QFileInfo(QString::fromStdString(device)).canonicalFilePath();
  int count = 0;
  for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::System | QDir::Files)) {
    if (fd.symLinkTarget() == target) ++count;
  }
  return count;
}

class ProgramJobTest : public WindowTest {
 protected:
  void Start(sim::SimOptions options, std::size_t firmwareSize = 6000) {
    controller = std::make_unique<sim::SimController>(options);
    controller->Start();
    MakeWindow(controller->SlavePath());
    program = Find<QToolButton>(window.get(), "Btn_SendToController");
    gauge = Find<QProgressBar>(window.get(), "Gauge1");
    log = Find<QListWidget>(window.get(), "ListBox1");
    PackFields fields;
    fields.Version = 6500;
    fields.UpdateKind = kUpdateKindSoftwareAndSettings;
    recorder.nextFileNames.push_back(WritePack(dir, "job.Pack", fields, firmwareSize));
    Find<QToolButton>(window.get(), "Btn_ReadUserPack")->click();
    ASSERT_TRUE(program->isEnabled());
  }

  // Runs the event loop until the job has finished; notes whether the gauge was ever shown.
  bool WaitForJobEnd(QSignalSpy& finished, int timeoutMs = 30000) {
    return WaitUntil(
        [&] {
          if (gauge->isVisible()) gaugeSeen = true;
          if (!duringShotName.isEmpty() && gauge->isVisible() &&
              gauge->value() * 5 >= gauge->maximum() * 2) {
            SaveScreenshot(window.get(), duringShotName);
            duringShotName.clear();
          }
          return finished.count() > 0;
        },
        timeoutMs);
  }

  void TearDown() override {
    WindowTest::TearDown();
    controller.reset();
  }

  std::unique_ptr<sim::SimController> controller;
  QToolButton* program = nullptr;
  QProgressBar* gauge = nullptr;
  QListWidget* log = nullptr;
  bool gaugeSeen = false;
  QString duringShotName;  // saved once the gauge passes 40 %
};

TEST_F(ProgramJobTest, HappyPathShowsExactlyItsFourLines) {
  Start({}, 20000);
  duringShotName = "during-job";
  QSignalSpy finished(window.get(), &TF_UpdateDispController::JobFinished);
  window->AppendLogLine("left over from before");
  program->click();
  const JobState& state = window->Presenter().Session().State();
  EXPECT_EQ(state.JobBusy.load(), 1) << "JobBusy is set before the click returns";
  ASSERT_TRUE(WaitForJobEnd(finished));
  EXPECT_EQ(LogLines(log), (QStringList{"Conntectting MCU....", "MCU Identified", "Programing...",
                                        "Programed sucessfuly"}));
  EXPECT_EQ(finished.at(0).at(0).toInt(), static_cast<int>(JobOutcome::Success));
  EXPECT_TRUE(gaugeSeen) << "the gauge is visible during the job";
  EXPECT_FALSE(gauge->isVisible()) << "and hidden after it";
  EXPECT_EQ(state.JobBusy.load(), 0);
  EXPECT_EQ(log->currentRow(), 3);
  const sim::SimReport report = controller->Report();
  ASSERT_EQ(report.Sessions.size(), 1u);
  EXPECT_TRUE(report.Sessions[0].SumMatched);
  EXPECT_EQ(report.Sessions[0].Firmware.size(), 20000u);
  EXPECT_TRUE(report.Violations.empty());
  SaveScreenshot(window.get(), "after-successful-job");
}

TEST_F(ProgramJobTest, ClosingTheWindowDuringAJobStopsItAndClosesThePort) {
  sim::SimOptions options;
  options.Scenario = sim::SimScenario::AckDelay;
  options.Group = 2;
  options.AckDelay = std::chrono::milliseconds(1500);
  Start(options, 40000);
  const int before = OpenDescriptorsOn(controller->SlavePath());
  program->click();
  ASSERT_TRUE(WaitUntil([&] { return LogLines(log).contains("Programing..."); }));
  EXPECT_GT(OpenDescriptorsOn(controller->SlavePath()), before) << "the job holds the port";
  window->close();
  window.reset();  // what leaving the event loop does to the window in main()
  EXPECT_EQ(OpenDescriptorsOn(controller->SlavePath()), before) << "the port is closed";
  // Nothing of the job is left to run on the gone window.
  QApplication::processEvents();
  QApplication::processEvents();
}

}  // namespace
}  // namespace quorin::test
