#pragma once
// The main window: read a pack, show what it holds, program the controller, show the job's
// gauge and log, and open the port settings dialog.
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "app/DefaultErrorHandler.h"
#include "app/QtNotifySink.h"
#include "iap/JobSession.h"
#include "iap/JobView.h"
#include "iap/Messages.h"
#include "settings/JobSettings.h"

class QAction;
class QDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QToolButton;

namespace quorin {
class StretchedImage;
}

namespace quorin {

class TF_UartSet;

inline constexpr const char* kPackFileFilter = "*.Pack (*.Pack)";

// The window's modal interactions, injected so tests can answer them.
struct WindowHooks {
  // Runs the file-open dialog filtered on kPackFileFilter; the chosen full path, empty when the
  // user cancelled.
  std::function<QString(QWidget* owner)> OpenPackFileName;
  // Every message box of the window, the error boxes included.
  MessageBoxHook ShowMessage;
  // Shows the port settings dialog modally and returns when it is closed.
  std::function<void(TF_UartSet& dialog)> RunUartSetDialog;
};
// The real dialogs: QFileDialog, QMessageBox, QDialog::exec.
WindowHooks ModalWindowHooks();

struct WindowOptions {
  std::string SettingsPath;                // the settings file (SettingsFilePath())
  JobSettings Job;                         // where a job opens its port
  QString CaptionSuffix;                   // appended to the caption, e.g. for the simulator
  std::function<QString(int)> PortDevice;  // port number -> the device it names now ("" unknown)
  QString ApplicationTitle;                // caption of error boxes; empty: from the executable
};

class TF_UpdateDispController final : public QMainWindow, public JobView {
  Q_OBJECT

 public:
  // GUI thread. Builds the layout and the job session (AVS1 with its stored values, the pack
  // records, the job).
  TF_UpdateDispController(WindowHooks hooks, WindowOptions options, QWidget* parent = nullptr);
  // Cancels a running job and waits for its worker (it is stopped within its current step);
  // the port is closed before the window's parts go.
  ~TF_UpdateDispController() override;

  // Read Pack: the file-open dialog, then ReadPackFile. GUI thread; raises nothing (errors go to
  // the default error handler).
  void Btn_ReadUserPackClick();
  // Read Pack's steps after the file dialog, for a known path (command line, drop). Raises
  // EInOutError when the file cannot be read; the window then stays as it was.
  void ReadPackFile(const QString& path);
  // The same for a name as the file system spells it (bytes, not necessarily UTF-8).
  void ReadPackFile(const std::string& nativePath);
  // Program: clears the log and starts a job unless one runs. GUI thread; raises nothing.
  void Btn_SendToControllerClick();
  // Uart > Uart Port: the port settings dialog, created and destroyed per use. GUI thread.
  void UartPort1Click();

  // JobView, GUI thread only.
  void ClearLog() override;
  void AddLogLine(const std::string& line) override;
  void SetUpdateKindText(const std::string& text) override;
  void SetGaugeVisible(bool visible) override;
  void SetGaugeMaximum(std::uint32_t maximum) override;
  void SetGaugeProgress(std::uint32_t progress) override;

  const DefaultErrorHandler& ErrorHandler() const { return errors_; }
  const JobState& State() const { return session_->State(); }
  const PackRecords& Pack() const { return session_->Pack(); }
  TF_UartSet* F_UartSet() const { return uartSet_; }

 signals:
  // After a job's last step (JobBusy already 0), with its JobOutcome as an int.
  void JobFinished(int outcome);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildLayout();
  void BuildToolBar(QWidget* client);
  void BuildPackInfo(QWidget* client);
  void BuildJobArea(QWidget* client);
  void BuildMenu();
  void PlaceCentred();

  WindowHooks hooks_;
  WindowOptions options_;
  DefaultErrorHandler errors_;

  // Declared in the order they are needed; destroyed in reverse: the session first (its worker
  // joined, AVS1 closed), then the sink.
  QtNotifySink sink_;
  std::unique_ptr<JobSession> session_;

  TF_UartSet* uartSet_ = nullptr;  // the dialog while it is shown

  QFrame* ToolBar1 = nullptr;
  QToolButton* Btn_ReadUserPack = nullptr;
  QToolButton* Btn_SendToController = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QLabel* Label5 = nullptr;
  QLineEdit* Edit_UpdateFileName = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit_VerNum = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label2 = nullptr;
  StretchedImage* Image1 = nullptr;
  QProgressBar* Gauge1 = nullptr;
  QListWidget* ListBox1 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label7 = nullptr;
  QMenu* IAP1 = nullptr;
  QAction* UartPort1 = nullptr;
};

}  // namespace quorin
