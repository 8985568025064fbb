#pragma once
// The connection check's dialog on Windows: the doctor's findings in a read-only multi-line edit
// (selectable, copyable), "Run again" and "Close", around a DoctorDialogPresenter. It exists only
// while RunModal runs. UI thread only.
#include <windows.h>

#include "app/DoctorDialogPresenter.h"
#include "app/WindowViews.h"
#include "app/win32/ModalDialog.h"

namespace quorin::win32 {

class DoctorDialog final : public ModalDialog, public DoctorDialogView {
 public:
  // Creates the dialog (see ModalDialog). Its RunModal calls the presenter's FormShow, then shows
  // the dialog, and runs until Close. The check's result arrives through the window's notify sink
  // (a posted message the modal loop dispatches).
  DoctorDialog(HINSTANCE instance, DoctorDialogPresenter& presenter, HWND over, UINT dpi);

  // DoctorDialogView.
  QUORIN_DOCTOR_DIALOG_VIEW_OVERRIDES

 private:
  void Start() override;
  void Clicked(int id) override;
  LRESULT Answer(UINT message, WPARAM wParam, LPARAM lParam) override;

  DoctorDialogPresenter& presenter_;
  HWND findings_ = nullptr;
  HWND runAgain_ = nullptr;
};

}  // namespace quorin::win32
