// quorin-iap --simulate: the simulated controller in the process, and the window pointed at it.
#include <QListWidget>
#include <QSignalSpy>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "app/Simulation.h"
#include "app/StartupOptions.h"
#include "settings/UartSettings.h"

namespace quorin::test {
namespace {

TEST(Simulation, UnknownScenarioSaysWhichOnesExist) {
  try {
    Simulation simulation("bogus");
    FAIL() << "an unknown scenario was accepted";
  } catch (const std::runtime_error& error) {
    const std::string text = error.what();
    EXPECT_NE(text.find("\"bogus\""), std::string::npos) << text;
    EXPECT_NE(text.find("no-header-ack"), std::string::npos) << text;
  }
}

TEST(StartupOptions, WithoutSimulationJobsOpenTheStoredPort) {
  QTemporaryDir dir;
  const std::string settings = dir.filePath("Cyclomer.ini").toStdString();
  WriteUartPortSetting(settings, 4);
  const WindowOptions options = MakeWindowOptions(settings, nullptr);
  EXPECT_EQ(options.Job.PortName(), "COM4");
  EXPECT_EQ(options.Job.BaudIndex(), 0);
  EXPECT_TRUE(options.CaptionSuffix.isEmpty());
  WriteUartPortSetting(settings, 7);
  EXPECT_EQ(options.Job.PortName(), "COM7") << "read afresh at every open";
}

class SimulateModeTest : public WindowTest {};

TEST_F(SimulateModeTest, CaptionNamesTheScenarioAndAJobProgramsTheSimulatedController) {
  Simulation simulation("");
  EXPECT_EQ(simulation.Scenario(), "normal");
  WindowOptions options = MakeWindowOptions(settingsPath, &simulation);
  EXPECT_EQ(options.Job.PortName(), simulation.PortPath());
  options.ApplicationTitle = "quorin-iap";
  window = std::make_unique<TF_UpdateDispController>(recorder.Hooks(), std::move(options));
  window->show();
  EXPECT_EQ(window->windowTitle(),
            "Quorin-G2-Controller IAP Tool Ver 5.1-20002  [simulated controller: normal]");

  PackFields fields;
  recorder.nextFileNames.push_back(WritePack(dir, "sim.Pack", fields, 3000));
  Find<QToolButton>(window.get(), "Btn_ReadUserPack")->click();
  QSignalSpy finished(window.get(), &TF_UpdateDispController::JobFinished);
  Find<QToolButton>(window.get(), "Btn_SendToController")->click();
  ASSERT_TRUE(WaitUntil([&] { return finished.count() > 0; }, 30000));
  auto* log = Find<QListWidget>(window.get(), "ListBox1");
  ASSERT_GT(log->count(), 0);
  EXPECT_EQ(log->item(log->count() - 1)->text(), "Programed sucessfuly");
  window.reset();  // before the simulation goes
}

}  // namespace
}  // namespace quorin::test
