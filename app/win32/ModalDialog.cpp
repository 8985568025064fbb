#include "app/win32/ModalDialog.h"

#include "platform/win32/Text.h"

namespace quorin::win32 {

using platform::win32::Widen;

ModalDialog::ModalDialog(HINSTANCE instance, const form::Form& form, const std::string& what,
                         HWND over, UINT dpi)
    : over_(over), font_(MakeFont(form.DefaultFont, dpi)) {
  const std::wstring className = Widen(form.Name);
  RegisterWindowClass(instance, className, WindowProc);

  RECT centreOn{};
  GetWindowRect(over_, &centreOn);
  const int width = Scale(form.OuterWidth, dpi);
  const int height = Scale(form.OuterHeight, dpi);
  const int left = (centreOn.left + centreOn.right - width) / 2;
  const int top = (centreOn.top + centreOn.bottom - height) / 2;
  // No owner: a top-level window of its own, as the dialogs always were.
  window_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, className.c_str(),
                            Widen(form.Caption).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, left,
                            top, width, height, nullptr, nullptr, instance, this);
  if (!window_) RaiseLastError(what);
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  controls_.emplace(instance, window_, form);
  controls_->Relayout(dpi);
}

ModalDialog::~ModalDialog() {
  DestroyOwned(window_);
}

void ModalDialog::RunModal() {
  const bool wasEnabled = over_ && IsWindowEnabled(over_);
  if (wasEnabled) EnableWindow(over_, FALSE);
  Start();
  MSG message{};
  bool quit = false;
  while (!done_ && window_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      quit = got == 0;
      break;
    }
    if (!IsDialogMessageW(window_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // The owner takes input again before the dialog goes, so activation returns to it.
  if (wasEnabled) EnableWindow(over_, TRUE);
  if (window_) ShowWindow(window_, SW_HIDE);
  if (over_) SetActiveWindow(over_);
  if (quit) PostQuitMessage(static_cast<int>(message.wParam));
}

void ModalDialog::Show(HWND focus) {
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  SetFocus(focus);
}

LRESULT ModalDialog::Answer(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT ModalDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) Clicked(LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      // The close box behaves as Escape.
      Clicked(IDCANCEL);
      return 0;
    default:
      return Answer(message, wParam, lParam);
  }
}

LRESULT CALLBACK ModalDialog::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ForwardToOwner(window, message, wParam, lParam, &ModalDialog::window_,
                        &ModalDialog::Handle);
}

}  // namespace quorin::win32
