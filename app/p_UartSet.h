#pragma once
// The port settings dialog: choose the COM port the controller hangs on and save it in the
// settings file. Qt; compiled into the desktop program only.
#include <QDialog>
#include <QString>
#include <exception>
#include <functional>
#include <string>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace quorin {

inline constexpr int kUartPortItems = 9;  // "com1" ... "com9"

class TF_UartSet final : public QDialog {
  Q_OBJECT

 public:
  // GUI thread. `settingsPath` is the settings file; `portDevice` names the device a port number
  // resolves to now (empty string: show the bare "comN"); `reportError` shows what Save raises
  // (the default error handler) while the dialog stays open.
  TF_UartSet(std::string settingsPath, std::function<QString(int)> portDevice,
             std::function<void(const std::exception&)> reportError, QWidget* parent = nullptr);

  // Selects the stored port (item Port - 1; item 0 for Port <= 0; none above 9) and baud item 0.
  // Runs each time the dialog is shown. Reads the settings file; raises nothing.
  void FormShow();
  // Save: writes Port = selected index + 1 (0 when nothing is selected or the user typed into the
  // field) and BaudRate = the hidden baud list's index, then closes the dialog.
  // Raises SettingsWriteError ("Unable to write to <path>"); the dialog then stays open.
  void Button1Click();
  // Exit: closes the dialog without writing.
  void Button2Click();

  // ComboBox1's selected index, -1 when no item is selected or the field holds typed text.
  int SelectedPortIndex() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::string settingsPath_;
  std::function<void(const std::exception&)> reportError_;

  QGroupBox* GroupBox2 = nullptr;
  QLabel* Label1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* ComboBox2 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
};

}  // namespace quorin
