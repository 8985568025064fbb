// The connection check's dialog in Qt: built from its form, "running" while the doctor (a fake
// held by the test) works on its worker, then the findings as selectable read-only text.
#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <atomic>
#include <semaphore>

#include "GuiTestSupport.h"
#include "iap/DoctorText.h"
#include "iap/Messages.h"

namespace quorin::test {
namespace {

// The controller stays silent on a port whose CH340 adapter is there.
DoctorResult SilentController(const std::string& port) {
  DoctorResult result;
  result.Adapters.push_back({port, "/dev/ttyUSB0", "1a86:7523", "CH340", "ch341", "USB Serial", 0});
  result.Findings.push_back({"no-answer", Severity::Problem,
                             "The loader did not answer 6 identification requests on " + port + ".",
                             "Cross TX and RX, connect ground, and power the controller."});
  return result;
}

TEST_F(WindowTest, ConnectionCheckShowsRunningThenTheFindings) {
  std::binary_semaphore release{0};
  std::atomic<int> runs{0};
  MakeWindow("/dev/ttyUSB0", [&](const JobTarget& job) {
    ++runs;
    release.acquire();
    return SilentController(job.PortName());
  });
  bool ran = false;
  recorder.onConnectionCheck = [&](TF_ConnectionCheck& dialog) {
    EXPECT_EQ(window->F_ConnectionCheck(), &dialog);
    dialog.show();
    ASSERT_TRUE(WaitUntil([&] { return dialog.isVisible(); }));
    EXPECT_EQ(dialog.windowTitle(), "Connection check");
    EXPECT_EQ(dialog.size(),
              QSize(form::DoctorDialogForm().ClientWidth, form::DoctorDialogForm().ClientHeight));
    auto* memo = Find<QPlainTextEdit>(&dialog, "Memo1");
    auto* again = Find<QPushButton>(&dialog, "Button1");
    ASSERT_TRUE(memo && again);
    EXPECT_EQ(memo->toPlainText(), text::kDoctorRunning);
    EXPECT_FALSE(again->isEnabled());
    SaveScreenshot(&dialog, "connection-check-running");
    release.release();
    const QString findings = QString::fromStdString(DoctorText(SilentController("/dev/ttyUSB0")));
    ASSERT_TRUE(WaitUntil([&] { return memo->toPlainText() == findings; }))
        << memo->toPlainText().toStdString();
    EXPECT_TRUE(again->isEnabled());
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_TRUE(memo->textInteractionFlags() & Qt::TextSelectableByKeyboard) << "copyable";
    memo->setPlainText({});  // the form's own state, for the layout check
    ExpectBuiltAsTheFormSays(&dialog, form::DoctorDialogForm());
    memo->setPlainText(findings);
    SaveScreenshot(&dialog, "connection-check-findings");
    Find<QPushButton>(&dialog, "Button2")->click();
    EXPECT_FALSE(dialog.isVisible());
    ran = true;
  };
  Find<QAction>(window.get(), "ConnectionCheck1")->trigger();
  EXPECT_TRUE(ran);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(window->F_ConnectionCheck(), nullptr) << "the dialog is destroyed after use";
}

}  // namespace
}  // namespace quorin::test
