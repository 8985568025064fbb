#pragma once
// The connection check's dialog on Windows: the doctor's findings in a read-only multi-line edit
// (selectable, copyable), "Run again" and "Close", around a DoctorDialogPresenter. It exists only
// while RunModal runs. UI thread only.
#include <windows.h>

#include <optional>

#include "app/DoctorDialogPresenter.h"
#include "app/WindowViews.h"
#include "app/win32/FormControls.h"
#include "app/win32/Widgets.h"

namespace quorin::win32 {

class DoctorDialog final : public DoctorDialogView {
 public:
  // Creates the dialog (hidden, no owner, the form's size scaled to `dpi`, centred on
  // `centreOn`). Raises std::system_error when it cannot be created.
  DoctorDialog(HINSTANCE instance, DoctorDialogPresenter& presenter, RECT centreOn, UINT dpi);
  ~DoctorDialog() override;
  DoctorDialog(const DoctorDialog&) = delete;
  DoctorDialog& operator=(const DoctorDialog&) = delete;

  // Calls the presenter's FormShow, shows the dialog, and runs its modal loop (`disabled` takes
  // no input meanwhile) until Close. The check's result arrives through the window's notify sink
  // (a posted message this loop dispatches). A WM_QUIT that arrives meanwhile ends the loop and is
  // posted again for the outer loop.
  void RunModal(HWND disabled);

  // DoctorDialogView.
  QUORIN_DOCTOR_DIALOG_VIEW_OVERRIDES

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  DoctorDialogPresenter& presenter_;
  UINT dpi_;
  HWND window_ = nullptr;
  HWND findings_ = nullptr;
  HWND runAgain_ = nullptr;
  bool done_ = false;
  FontHandle font_;  // the dialog's own
  std::optional<FormControls> controls_;
};

}  // namespace quorin::win32
