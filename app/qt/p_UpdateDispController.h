#pragma once
// The main window in Qt: lays out its widgets and forwards every click, menu choice and drop to
// the MainWindowPresenter, which decides what happens; the presenter's requests land here.
#include <QMainWindow>
#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "app/MainWindowPresenter.h"
#include "app/WindowViews.h"
#include "app/qt/QtNotifySink.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QToolButton;

namespace quorin {

class TF_UartSet;
class TF_ConnectionCheck;

inline constexpr const char* kPackFileFilter = "*.Pack (*.Pack)";

// The window's modal interactions, injected so tests can answer them.
struct WindowHooks {
  // Runs the file-open dialog filtered on kPackFileFilter; the chosen full path, empty when the
  // user cancelled.
  std::function<QString(QWidget* owner)> OpenPackFileName;
  // Every message box of the window and of the port dialog, owned by `owner`.
  std::function<void(QWidget* owner, const MessageBoxRequest& request)> ShowMessage;
  // Shows the port settings dialog modally and returns when it is closed.
  std::function<void(TF_UartSet& dialog)> RunUartSetDialog;
  // Shows the connection check's dialog modally and returns when it is closed.
  std::function<void(TF_ConnectionCheck& dialog)> RunConnectionCheckDialog;
};
// The real dialogs: QFileDialog, QMessageBox, QDialog::exec.
WindowHooks ModalWindowHooks();
// A modal QMessageBox owned by `owner` (null: the whole application). GUI thread.
void ShowModalMessageBox(QWidget* owner, const MessageBoxRequest& request);

class TF_UpdateDispController final : public QMainWindow, public MainWindowView {
  Q_OBJECT

 public:
  // GUI thread. Builds the layout, then the presenter (and with it the job session).
  TF_UpdateDispController(WindowHooks hooks, PresenterOptions options, QWidget* parent = nullptr);
  // Stops a running job (the presenter waits for its worker) before the widgets go.
  ~TF_UpdateDispController() override;

  MainWindowPresenter& Presenter() { return *presenter_; }
  // The port dialog while it is shown, else null.
  TF_UartSet* F_UartSet() const { return uartSet_; }
  // The connection check's dialog while it is shown, else null.
  TF_ConnectionCheck* F_ConnectionCheck() const { return connectionCheck_; }

  // MainWindowView, GUI thread.
  QUORIN_MAIN_WINDOW_VIEW_OVERRIDES

 signals:
  // After a job's last step (JobBusy already 0), with its JobOutcome as an int.
  void JobFinished(int outcome);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildLayout();

  WindowHooks hooks_;
  // Declared in the order they are needed; destroyed in reverse: the presenter first (its worker
  // joined, AVS1 closed), then the sink.
  QtNotifySink sink_;
  std::unique_ptr<MainWindowPresenter> presenter_;
  TF_UartSet* uartSet_ = nullptr;
  TF_ConnectionCheck* connectionCheck_ = nullptr;

  QToolButton* Btn_SendToController = nullptr;
  QLineEdit* Edit_UpdateFileName = nullptr;
  QLineEdit* Edit_VerNum = nullptr;
  QLabel* Label8 = nullptr;
  QProgressBar* Gauge1 = nullptr;
  QListWidget* ListBox1 = nullptr;
};

}  // namespace quorin
