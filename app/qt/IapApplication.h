#pragma once
// The desktop program's QApplication: every event that raises and is not caught by its handler
// ends up at the default error handler instead of ending the program.
#include <QApplication>
#include <string>

namespace quorin {

class MainWindowPresenter;

class IapApplication final : public QApplication {
 public:
  IapApplication(int& argc, char** argv);

  // GUI thread. The presenter whose default error handler shows escaped errors (null: a modal box
  // of the application's own, captioned with the application's title). Not owned; must outlive
  // its use.
  void SetErrorHandler(MainWindowPresenter* presenter) { presenter_ = presenter; }

  // Delivers one event; what the receiver raises is shown and the event counts as handled.
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  std::string title_;
  MainWindowPresenter* presenter_ = nullptr;
};

}  // namespace quorin
