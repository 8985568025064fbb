#pragma once
// F_UartSet on Windows: the "Uart port set" dialog around a PortDialogPresenter. It exists only
// while RunModal runs. UI thread only.
#include <windows.h>

#include <vector>

#include "app/PortDialogPresenter.h"
#include "app/WindowViews.h"
#include "app/win32/Widgets.h"

namespace quorin::win32 {

class PortDialog final : public PortDialogView {
 public:
  // Creates the dialog (hidden, no owner, 221 x 273 scaled to `dpi`, centred on `centreOn`) with
  // its controls filled from the presenter's item lists. Raises std::system_error when it cannot
  // be created.
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
  HWND AddControl(const wchar_t* className, const wchar_t* text, DWORD style, int id, int left,
                  int top, int width, int height, HFONT font);
  template <class Handler>
  void Forward(Handler&& handler);

  HINSTANCE instance_;
  PortDialogPresenter& presenter_;
  UINT dpi_;
  HWND window_ = nullptr;
  HWND ports_ = nullptr;
  HWND bauds_ = nullptr;
  bool done_ = false;
  FontHandle sans11_;
  FontHandle sans13_;
  FontHandle yaHei13_;
};

}  // namespace quorin::win32
