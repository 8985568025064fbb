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
  } catch (const std::exception& error) {
    if (presenter_) {
      presenter_->ShowError(error);
    } else {
      Show(error.what());
    }
  } catch (...) {
    if (presenter_) {
      presenter_->ShowUnknownError();
    } else {
      Show("Unexpected error");
    }
  }
  return true;
}

void IapApplication::Show(const char* what) {
  ShowModalMessageBox(activeWindow(), {BoxIcon::Error, title_, ErrorBoxText(what)});
}

}  // namespace quorin
