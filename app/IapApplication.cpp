#include "app/IapApplication.h"

#include <QWidget>

namespace quorin {

IapApplication::IapApplication(int& argc, char** argv)
    : QApplication(argc, argv),
      own_(ApplicationTitle(QString::fromLocal8Bit(argc > 0 ? argv[0] : "")), ModalMessageBox()) {}

bool IapApplication::notify(QObject* receiver, QEvent* event) {
  const DefaultErrorHandler& handler = handler_ ? *handler_ : own_;
  bool handled = true;
  handler.Run(activeWindow(), [&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

}  // namespace quorin
