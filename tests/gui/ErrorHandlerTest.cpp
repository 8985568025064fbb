// The default error handler: its caption, its text and that the event loop goes on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <stdexcept>

#include "GuiTestSupport.h"
#include "app/DefaultErrorHandler.h"
#include "app/IapApplication.h"
#include "pack/UpdatePack.h"

namespace quorin::test {
namespace {

struct TitleCase {
  const char* path;
  const char* title;
};

class ApplicationTitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(ApplicationTitleTest, NameUpToTheFirstDotFirstLetterKeptRestLower) {
  EXPECT_EQ(ApplicationTitle(GetParam().path), QString::fromUtf8(GetParam().title));
}

INSTANTIATE_TEST_SUITE_P(Paths, ApplicationTitleTest,
                         ::testing::Values(TitleCase{"/usr/bin/quorin-iap", "quorin-iap"},
                                           TitleCase{"/opt/Quorin-IAP.exe", "Quorin-iap"},
                                           TitleCase{"C:/Tools/QUORIN.IAP.tool.exe", "Quorin"},
                                           TitleCase{"build/app/qUORIN-iap", "quorin-iap"},
                                           TitleCase{"x", "x"}, TitleCase{"/tmp/.hidden", ""}));

TEST(ErrorBoxText, AppendsOneFullStop) {
  EXPECT_EQ(ErrorBoxText("Read beyond end of file"), "Read beyond end of file.");
  EXPECT_EQ(ErrorBoxText("Unable to write to /a/Cyclomer.ini"),
            "Unable to write to /a/Cyclomer.ini.");
  EXPECT_EQ(ErrorBoxText("打开串口出错\r\n此串口不存在或被占用"),
            QString::fromUtf8("打开串口出错\r\n此串口不存在或被占用."));
  EXPECT_EQ(ErrorBoxText("Already said."), "Already said.");
}

TEST(DefaultErrorHandler, ShowsAnyErrorAsAnErrorBoxWithTheTitle) {
  std::vector<MessageBoxRequest> boxes;
  DefaultErrorHandler handler("quorin-iap",
                              [&](const MessageBoxRequest& r) { boxes.push_back(r); });
  QWidget owner;
  handler.Run(&owner, [] { throw EInOutError(100, "Read beyond end of file"); });
  handler.Run(&owner, [] { throw 42; });
  bool ran = false;
  handler.Run(&owner, [&] { ran = true; });
  EXPECT_TRUE(ran);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Read beyond end of file.");
  EXPECT_EQ(boxes[0].caption, "quorin-iap");
  EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes[0].owner, &owner);
  EXPECT_EQ(boxes[1].text, "Unexpected error.");
}

// A widget whose event handler raises.
class RaisingWidget : public QWidget {
 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) throw std::runtime_error("handler failed");
    return QWidget::event(event);
  }
};

TEST(IapApplication, AnErrorEscapingAnEventHandlerIsShownAndTheLoopGoesOn) {
  auto* app = dynamic_cast<IapApplication*>(QCoreApplication::instance());
  ASSERT_NE(app, nullptr);
  std::vector<MessageBoxRequest> boxes;
  DefaultErrorHandler handler("quorin-iap",
                              [&](const MessageBoxRequest& r) { boxes.push_back(r); });
  app->SetErrorHandler(&handler);
  RaisingWidget widget;
  QCoreApplication::postEvent(&widget, new QEvent(QEvent::User));
  bool later = false;
  QTimer::singleShot(0, [&] { later = true; });
  EXPECT_TRUE(WaitUntil([&] { return later && !boxes.empty(); }));
  app->SetErrorHandler(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "handler failed.");
}

}  // namespace
}  // namespace quorin::test
