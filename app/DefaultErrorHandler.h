#pragma once
// The application's default error handler: whatever an event handler raises and nothing catches is
// shown as its text followed by a full stop, in a modal box with the error icon and the
// application's title as caption; then the event loop goes on.
#include <QMessageBox>
#include <QString>
#include <exception>
#include <functional>
#include <utility>

class QWidget;

namespace quorin {

// One modal message box with a single OK button. `owner` may be null (centred on the screen).
struct MessageBoxRequest {
  QWidget* owner = nullptr;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString caption;
  QString text;
};
// Shows a message box and returns when it is closed. UI thread. Tests inject a recorder.
using MessageBoxHook = std::function<void(const MessageBoxRequest&)>;

// The real thing: a modal QMessageBox owned by request.owner. UI thread.
MessageBoxHook ModalMessageBox();

// The application's title from the executable's path: the file name up to its first ".", the
// first letter as it is and every later letter lower case ("/usr/bin/quorin-iap" -> "quorin-iap",
// "/opt/Quorin-IAP.exe" -> "Quorin-iap"). Pure; any thread.
QString ApplicationTitle(const QString& executablePath);

// The box text for an error: its text (UTF-8) with a full stop appended, unless it already ends
// with one. Pure; any thread.
QString ErrorBoxText(const char* what);

class DefaultErrorHandler {
 public:
  // `title` is the caption of every error box; `box` shows it.
  DefaultErrorHandler(QString title, MessageBoxHook box);

  // Shows `error` in a modal error box owned by `owner`. UI thread.
  void Show(const std::exception& error, QWidget* owner) const;
  // Shows an error of unknown kind ("Unexpected error."). UI thread.
  void ShowUnknown(QWidget* owner) const;

  // Runs one event handler; whatever it raises is shown and swallowed, so the event loop goes
  // on. UI thread.
  template <class Handler>
  void Run(QWidget* owner, Handler&& handler) const {
    try {
      std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
      Show(error, owner);
    } catch (...) {
      ShowUnknown(owner);
    }
  }

  const QString& Title() const { return title_; }

 private:
  QString title_;
  MessageBoxHook box_;
};

}  // namespace quorin
