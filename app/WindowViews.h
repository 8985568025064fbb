#pragma once
// What the main window and the port dialog must be able to show and ask, whatever toolkit draws
// them. The presenters decide everything; a view only carries their requests out on its widgets.
// Every call is made on the UI thread. Texts are UTF-8; file paths are as the file system spells
// them (bytes on POSIX, UTF-8 on Windows).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorin {

// Runs `Undo` when it goes out of scope, however the scope ends: what points at a modal dialog
// while it runs points at nothing once it has returned or thrown.
template <class Undo>
struct AtScopeExit {
  Undo Run;
  ~AtScopeExit() { Run(); }
};
template <class Undo>
AtScopeExit(Undo) -> AtScopeExit<Undo>;

enum class BoxIcon { Warning, Error };

// One modal message box with a single OK button.
struct MessageBoxRequest {
  BoxIcon Icon = BoxIcon::Error;
  std::string Caption;
  std::string Text;
};

class PortDialogPresenter;

class PortDialogView {
 public:
  virtual ~PortDialogView() = default;
  // Selects item `index` of the port list (ComboBox1); -1 leaves no item selected.
  virtual void SelectPort(int index) = 0;
  // Selects item `index` of the hidden baud list (ComboBox2).
  virtual void SelectBaud(int index) = 0;
  // The port list's selected index; -1 when nothing is selected or the user typed into its field.
  virtual int SelectedPortIndex() const = 0;
  // The text of the port list's field (UTF-8), as the user typed it or the selected item's.
  virtual std::string PortText() const = 0;
  // Puts `text` into the port list's field; call it after SelectPort(-1).
  virtual void SetPortText(const std::string& text) = 0;
  // The hidden baud list's selected index (-1 when none).
  virtual int SelectedBaudIndex() const = 0;
  // Ends the dialog's modal loop.
  virtual void Close() = 0;
  // A modal message box owned by the dialog; returns when it is closed.
  virtual void ShowMessage(const MessageBoxRequest& request) = 0;
};

// The overrides a PortDialogView declares, written once for both toolkits' dialogs: put it where
// the class declares its public members (as Qt's Q_OBJECT). A method added to PortDialogView is
// then declared in every view at once, and only its definitions are left to write.
#define QUORIN_PORT_DIALOG_VIEW_OVERRIDES             \
  void SelectPort(int index) override;                \
  void SelectBaud(int index) override;                \
  int SelectedPortIndex() const override;             \
  std::string PortText() const override;              \
  void SetPortText(const std::string& text) override; \
  int SelectedBaudIndex() const override;             \
  void Close() override;                              \
  void ShowMessage(const ::quorin::MessageBoxRequest& request) override;

class DoctorDialogPresenter;

// The connection check's dialog: the findings in a read-only text that can be copied, "Run
// again" and "Close".
class DoctorDialogView {
 public:
  virtual ~DoctorDialogView() = default;
  // Replaces the text of Memo1 (UTF-8, lines separated by '\n').
  virtual void SetFindingsText(const std::string& text) = 0;
  // Button1 ("Run again").
  virtual void SetRunAgainEnabled(bool enabled) = 0;
  // Ends the dialog's modal loop.
  virtual void Close() = 0;
};

#define QUORIN_DOCTOR_DIALOG_VIEW_OVERRIDES               \
  void SetFindingsText(const std::string& text) override; \
  void SetRunAgainEnabled(bool enabled) override;         \
  void Close() override;

class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  // Btn_SendToController.
  virtual void SetProgramEnabled(bool enabled) = 0;
  // Edit_UpdateFileName, Edit_VerNum, Label8.
  virtual void SetPackFileName(const std::string& name) = 0;
  virtual void SetVersionText(const std::string& text) = 0;
  virtual void SetUpdateKindText(const std::string& text) = 0;
  // ListBox1: cleared; a line appended as the new last line, selected, scrolled into view and
  // painted at once (without running user input handlers).
  virtual void ClearLog() = 0;
  virtual void AppendLogLine(const std::string& line) = 0;
  // What to do after a failed job, shown beside the log (a tool tip); empty removes it.
  virtual void SetLogAdvice(const std::string& advice) = 0;
  // Gauge1. The presenter keeps the progress within 0 .. maximum and both within INT_MAX.
  virtual void SetGaugeVisible(bool visible) = 0;
  virtual void SetGaugeMaximum(std::uint32_t maximum) = 0;
  virtual void SetGaugeProgress(std::uint32_t progress) = 0;
  // A modal message box owned by the main window; returns when it is closed.
  virtual void ShowMessage(const MessageBoxRequest& request) = 0;
  // OpenDialog1 filtered on "*.Pack": the chosen full path, nothing when the user cancelled.
  virtual std::optional<std::string> AskPackFile() = 0;
  // Creates the port dialog (no owner, centred on the main window) around `presenter`, shows it
  // modally, calls presenter.FormShow once it is shown, and destroys it when its loop ends.
  // Save and Exit are forwarded to presenter.Save / presenter.Exit.
  virtual void RunPortDialog(PortDialogPresenter& presenter) = 0;
  // Creates the connection check's dialog (no owner, centred on the main window) around
  // `presenter`, shows it modally, calls presenter.FormShow as it is shown (before the user can
  // see or press anything), and destroys it when its loop ends. Run again and Close (the close box,
  // Escape) are forwarded to presenter.RunAgain / presenter.Exit.
  virtual void RunDoctorDialog(DoctorDialogPresenter& presenter) = 0;
};

// The overrides a MainWindowView declares, written once for both toolkits' windows, as
// QUORIN_PORT_DIALOG_VIEW_OVERRIDES is for the dialog.
#define QUORIN_MAIN_WINDOW_VIEW_OVERRIDES                                \
  void SetProgramEnabled(bool enabled) override;                         \
  void SetPackFileName(const std::string& name) override;                \
  void SetVersionText(const std::string& text) override;                 \
  void SetUpdateKindText(const std::string& text) override;              \
  void ClearLog() override;                                              \
  void AppendLogLine(const std::string& line) override;                  \
  void SetLogAdvice(const std::string& advice) override;                 \
  void SetGaugeVisible(bool visible) override;                           \
  void SetGaugeMaximum(std::uint32_t maximum) override;                  \
  void SetGaugeProgress(std::uint32_t progress) override;                \
  void ShowMessage(const ::quorin::MessageBoxRequest& request) override; \
  std::optional<std::string> AskPackFile() override;                     \
  void RunPortDialog(::quorin::PortDialogPresenter& presenter) override; \
  void RunDoctorDialog(::quorin::DoctorDialogPresenter& presenter) override;

}  // namespace quorin
