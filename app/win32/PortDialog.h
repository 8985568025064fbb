#pragma once
// F_UartSet on Windows: the "Uart port set" dialog around a PortDialogPresenter. It exists only
// while RunModal runs. UI thread only.
#include <windows.h>

#include "app/PortDialogPresenter.h"
#include "app/WindowViews.h"
#include "app/win32/ModalDialog.h"

namespace quorin::win32 {

class PortDialog final : public ModalDialog, public PortDialogView {
 public:
  // Creates the dialog (see ModalDialog) with its lists filled from the presenter's items. Its
  // RunModal shows the dialog, then calls the presenter's FormShow, and runs until Close.
  PortDialog(HINSTANCE instance, PortDialogPresenter& presenter, HWND over, UINT dpi);

  // PortDialogView.
  QUORIN_PORT_DIALOG_VIEW_OVERRIDES

 private:
  void Start() override;
  void Clicked(int id) override;
  template <class Handler>
  void Forward(Handler&& handler);

  PortDialogPresenter& presenter_;
  HWND ports_ = nullptr;
  HWND bauds_ = nullptr;
};

}  // namespace quorin::win32
