#include "app/DefaultErrorHandler.h"

#include <QFileInfo>
#include <QWidget>

namespace quorin {

MessageBoxHook ModalMessageBox() {
  return [](const MessageBoxRequest& request) {
    QMessageBox box(request.icon, request.caption, request.text, QMessageBox::Ok, request.owner);
    box.setWindowModality(request.owner ? Qt::WindowModal : Qt::ApplicationModal);
    box.exec();
  };
}

QString ApplicationTitle(const QString& executablePath) {
  QString name = QFileInfo(executablePath).fileName();
  const qsizetype dot = name.indexOf(u'.');
  if (dot >= 0) name.truncate(dot);
  if (name.isEmpty()) return name;
  return name.left(1) + name.mid(1).toLower();
}

QString ErrorBoxText(const char* what) {
  QString text = QString::fromUtf8(what ? what : "");
  if (!text.endsWith(u'.')) text += u'.';
  return text;
}

DefaultErrorHandler::DefaultErrorHandler(QString title, MessageBoxHook box)
    : title_(std::move(title)), box_(std::move(box)) {}

void DefaultErrorHandler::Show(const std::exception& error, QWidget* owner) const {
  box_(MessageBoxRequest{owner, QMessageBox::Critical, title_, ErrorBoxText(error.what())});
}

void DefaultErrorHandler::ShowUnknown(QWidget* owner) const {
  box_(MessageBoxRequest{owner, QMessageBox::Critical, title_, ErrorBoxText("Unexpected error")});
}

}  // namespace quorin
