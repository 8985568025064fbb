// The real quorin-iap executable: its command line and its start-up.
#include <QProcess>
#include <QProcessEnvironment>

#include "GuiTestSupport.h"

namespace quorin::test {
namespace {

struct RunResult {
  int exitCode = -1;
  QString output;
};

RunResult RunProgram(const QStringList& arguments) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  process.setProcessEnvironment(environment);
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(QUORIN_IAP_PROGRAM, arguments);
  EXPECT_TRUE(process.waitForFinished(60000)) << arguments.join(' ').toStdString();
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          QString::fromUtf8(process.readAll())};
}

struct StartCase {
  QStringList arguments;  // besides --measure-startup
  const char* Caption;
};

class StartTest : public ::testing::TestWithParam<StartCase> {};

// The caption tells the user whether the window talks to a serial port or to the simulator.
TEST_P(StartTest, PaintsItsWindowWithItsCaption) {
  QTemporaryDir dir;
  const QString pack = WritePack(dir, "start.Pack", PackFields{});
  const RunResult run =
      RunProgram(QStringList{"--measure-startup"} + GetParam().arguments + QStringList{pack});
  EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
  EXPECT_TRUE(run.output.contains("first-paint-ms ")) << run.output.toStdString();
  EXPECT_TRUE(run.output.contains("peak-rss-kib ")) << run.output.toStdString();
  const QString caption = QString("window-caption %1\n").arg(QString::fromUtf8(GetParam().Caption));
  EXPECT_TRUE(run.output.contains(caption)) << run.output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Modes, StartTest,
    ::testing::Values(
        StartCase{{}, "Quorin-G2-Controller IAP Tool Ver 5.1-20002"},
        StartCase{
            {"--simulate", "no-verdict"},
            "Quorin-G2-Controller IAP Tool Ver 5.1-20002  [simulated controller: no-verdict]"},
        StartCase{{"--simulate"},
                  "Quorin-G2-Controller IAP Tool Ver 5.1-20002  [simulated controller: normal]"},
        StartCase{{"--simulate", "--"},  // the pack follows the end of the options
                  "Quorin-G2-Controller IAP Tool Ver 5.1-20002  [simulated controller: normal]"}));

struct BadStartCase {
  QStringList arguments;
  int exitCode;
  const char* says;
};

class BadStartTest : public ::testing::TestWithParam<BadStartCase> {};

TEST_P(BadStartTest, ExplainsAndEnds) {
  const RunResult run = RunProgram(GetParam().arguments);
  EXPECT_EQ(run.exitCode, GetParam().exitCode);
  EXPECT_TRUE(run.output.contains(GetParam().says)) << run.output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, BadStartTest,
    ::testing::Values(BadStartCase{{"--simulate", "bogus"}, 1, "choose one of normal"},
                      BadStartCase{{"--frobnicate"}, 2, "unknown option --frobnicate"},
                      BadStartCase{{"--help"}, 0, "usage: quorin-iap [PACK]"},
                      BadStartCase{{"--version"}, 0, "quorin-iap 5.1.0"}));

}  // namespace
}  // namespace quorin::test
