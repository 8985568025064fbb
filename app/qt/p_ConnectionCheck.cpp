#include "app/qt/p_ConnectionCheck.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "app/qt/FormWidgets.h"

namespace quorin {

TF_ConnectionCheck::TF_ConnectionCheck(DoctorDialogPresenter& presenter, QWidget* parent)
    : QDialog(parent), presenter_(presenter) {
  setObjectName("F_ConnectionCheck");
  BuildFormWidgets(form::DoctorDialogForm(), this, {});
  Memo1 = FormWidget<QPlainTextEdit>(this, "Memo1");
  Button1 = FormWidget<QPushButton>(this, "Button1");
  auto* close = FormWidget<QPushButton>(this, "Button2");
  connect(Button1, &QPushButton::clicked, this, [this] { presenter_.RunAgain(); });
  connect(close, &QPushButton::clicked, this, [this] { presenter_.Exit(); });
}

void TF_ConnectionCheck::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  presenter_.FormShow(*this);
}

void TF_ConnectionCheck::SetFindingsText(const std::string& text) {
  Memo1->setPlainText(QString::fromStdString(text));
}

void TF_ConnectionCheck::SetRunAgainEnabled(bool enabled) {
  Button1->setEnabled(enabled);
}

void TF_ConnectionCheck::Close() {
  QDialog::done(QDialog::Rejected);
}

void TF_ConnectionCheck::reject() {
  presenter_.Exit();
}

}  // namespace quorin
