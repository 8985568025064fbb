#pragma once
// The desktop program's QApplication: every event that raises and is not caught by its handler
// ends up at the default error handler instead of ending the program.
#include <QApplication>

#include "app/DefaultErrorHandler.h"

namespace quorin {

class IapApplication final : public QApplication {
 public:
  IapApplication(int& argc, char** argv);

  // GUI thread. The handler that shows escaped errors (null: the application's own, a modal box
  // captioned with the application's title). Not owned; must outlive its use.
  void SetErrorHandler(const DefaultErrorHandler* handler) { handler_ = handler; }

  // Delivers one event; what the receiver raises is shown and the event counts as handled.
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  DefaultErrorHandler own_;
  const DefaultErrorHandler* handler_ = nullptr;
};

}  // namespace quorin
