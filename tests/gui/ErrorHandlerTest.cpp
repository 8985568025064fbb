// An error escaping a Qt event handler reaches the presenter's default error handler, shown in a
// box owned by the main window, and the event loop goes on.
#include <QEvent>
#include <QTimer>
#include <stdexcept>

#include "GuiTestSupport.h"
#include "app/qt/IapApplication.h"

namespace quorin::test {
namespace {

// A widget whose event handler raises.
class RaisingWidget : public QWidget {
 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) throw std::runtime_error("handler failed");
    return QWidget::event(event);
  }
};

TEST_F(WindowTest, AnErrorEscapingAnEventHandlerIsShownAndTheLoopGoesOn) {
  MakeWindow();
  auto* app = dynamic_cast<IapApplication*>(QCoreApplication::instance());
  ASSERT_NE(app, nullptr);
  app->SetErrorHandler(&window->Presenter());
  RaisingWidget widget;
  QCoreApplication::postEvent(&widget, new QEvent(QEvent::User));
  bool later = false;
  QTimer::singleShot(0, [&] { later = true; });
  EXPECT_TRUE(WaitUntil([&] { return later && !recorder.boxes.empty(); }));
  app->SetErrorHandler(nullptr);
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].owner, window.get());
  EXPECT_EQ(recorder.boxes[0].request.Text, "handler failed.");
  EXPECT_EQ(recorder.boxes[0].request.Caption, "quorin-iap");
  EXPECT_EQ(recorder.boxes[0].request.Icon, BoxIcon::Error);
}

}  // namespace
}  // namespace quorin::test
