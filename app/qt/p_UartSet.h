#pragma once
// The port settings dialog in Qt: lays out its widgets and forwards FormShow, Save, Exit and the
// close box to the PortDialogPresenter, which decides what is shown and written.
#include <QDialog>
#include <functional>

#include "app/PortDialogPresenter.h"
#include "app/WindowViews.h"

class QComboBox;
class QPushButton;

namespace quorin {

class TF_UartSet final : public QDialog, public PortDialogView {
  Q_OBJECT

 public:
  // GUI thread. `presenter` must outlive the dialog; `showMessage` shows a box owned by the
  // dialog (the error of a refused Save).
  TF_UartSet(PortDialogPresenter& presenter,
             std::function<void(QWidget* owner, const MessageBoxRequest& request)> showMessage,
             QWidget* parent = nullptr);

  // PortDialogView, GUI thread.
  QUORIN_PORT_DIALOG_VIEW_OVERRIDES

  // Escape and the close box: Exit.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  PortDialogPresenter& presenter_;
  std::function<void(QWidget*, const MessageBoxRequest&)> showMessage_;

  QComboBox* ComboBox1 = nullptr;
  QComboBox* ComboBox2 = nullptr;
};

}  // namespace quorin
