#pragma once
// The connection check's dialog in Qt: the doctor's findings in a read-only text that can be
// selected and copied, "Run again" and "Close", forwarded to the DoctorDialogPresenter.
#include <QDialog>

#include "app/DoctorDialogPresenter.h"
#include "app/WindowViews.h"

class QPlainTextEdit;
class QPushButton;

namespace quorin {

class TF_ConnectionCheck final : public QDialog, public DoctorDialogView {
  Q_OBJECT

 public:
  // GUI thread. `presenter` must outlive the dialog.
  explicit TF_ConnectionCheck(DoctorDialogPresenter& presenter, QWidget* parent = nullptr);

  // DoctorDialogView, GUI thread.
  QUORIN_DOCTOR_DIALOG_VIEW_OVERRIDES

  // Escape and the close box: Exit.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  DoctorDialogPresenter& presenter_;
  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* Button1 = nullptr;
};

}  // namespace quorin
