#pragma once
// F_UartSet on Windows: the "Uart port set" dialog around a PortDialogPresenter. It exists only
// while RunModal runs. UI thread only.
#include <windows.h>

#include <optional>
#include <vector>

#include "app/PortDialogPresenter.h"
#include "app/WindowViews.h"
#include "app/win32/FormControls.h"
#include "app/win32/Widgets.h"

namespace quorin::win32 {

class PortDialog final : public PortDialogView {
 public:
  // Creates the dialog (hidden, no owner, the form's size scaled to `dpi`, centred on `centreOn`)
  // with its controls filled from the presenter's item lists. Raises std::system_error when it
  // cannot be created.
  PortDialog(HINSTANCE instance, PortDialogPresenter& presenter, RECT centreOn, UINT dpi);
  ~PortDialog() override;
  PortDialog(const PortDialog&) = delete;
  PortDialog& operator=(const PortDialog&) = delete;

  // Shows the dialog, calls the presenter's FormShow, and runs its modal loop (`disabled` takes
  // no input meanwhile) until Close. A WM_QUIT that arrives meanwhile ends the loop and is
  // posted again for the outer loop.
  void RunModal(HWND disabled);

  // PortDialogView.
  QUORIN_PORT_DIALOG_VIEW_OVERRIDES

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  template <class Handler>
  void Forward(Handler&& handler);

  HINSTANCE instance_;
  PortDialogPresenter& presenter_;
  UINT dpi_;
  HWND window_ = nullptr;
  HWND ports_ = nullptr;
  HWND bauds_ = nullptr;
  bool done_ = false;
  FontHandle font_;  // the dialog's own
  std::optional<FormControls> controls_;
};

}  // namespace quorin::win32
