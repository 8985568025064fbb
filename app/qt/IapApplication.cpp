#include "app/qt/IapApplication.h"

#include <exception>

#include "app/MainWindowPresenter.h"
#include "app/qt/p_UpdateDispController.h"

namespace quorin {

IapApplication::IapApplication(int& argc, char** argv)
    : QApplication(argc, argv), title_(ApplicationTitle(argc > 0 ? argv[0] : "")) {}

bool IapApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    if (presenter_) {
      presenter_->ShowError(std::current_exception());
    } else {
      ShowModalMessageBox(activeWindow(),
                          {BoxIcon::Error, title_, ErrorBoxText(std::current_exception())});
    }
  }
  return true;
}

}  // namespace quorin
