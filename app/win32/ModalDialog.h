#pragma once
// What the program's dialogs share on Windows: a top-level window of its own (no owner) built from
// a form, centred on the window it keeps from input, and the modal loop. A dialog derives from it
// and adds what it shows and what its buttons do. It exists only while RunModal runs. UI thread
// only.
#include <windows.h>

#include <optional>
#include <string>

#include "app/WindowForms.h"
#include "app/win32/FormControls.h"
#include "app/win32/Widgets.h"

namespace quorin::win32 {

class ModalDialog {
 public:
  virtual ~ModalDialog();
  ModalDialog(const ModalDialog&) = delete;
  ModalDialog& operator=(const ModalDialog&) = delete;

  // Keeps `over` (see the constructor) from input, lets the dialog Start, and runs the modal loop
  // until EndModal or the dialog's end. A WM_QUIT that arrives meanwhile ends the loop and is
  // posted again for the outer loop.
  void RunModal();

 protected:
  // Creates the dialog with the caption and the controls of `form` (hidden, no owner, the form's
  // size scaled to `dpi`, centred on the window `over`). Raises std::system_error (`what`) when
  // it cannot be created. The messages CreateWindowExW sends reach ModalDialog's own Clicked and
  // Answer: the derived dialog does not exist yet.
  ModalDialog(HINSTANCE instance, const form::Form& form, const std::string& what, HWND over,
              UINT dpi);

  // Shows the dialog and gives `focus` the keyboard.
  void Show(HWND focus);
  // Ends the modal loop.
  void EndModal() { done_ = true; }
  HWND Window() const { return window_; }
  const FormControls& Controls() const { return *controls_; }

  // The button `id` was clicked; IDCANCEL also stands for Escape and the close box.
  virtual void Clicked(int /*id*/) {}
  // The answer to any other message: the default window procedure's.
  virtual LRESULT Answer(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // The dialog's part of RunModal: its state from the presenter and Show, in its own order.
  virtual void Start() = 0;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND over_;
  HWND window_ = nullptr;
  bool done_ = false;
  FontHandle font_;  // the dialog's own
  std::optional<FormControls> controls_;
};

}  // namespace quorin::win32
