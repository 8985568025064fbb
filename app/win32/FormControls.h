#pragma once
// A window's form (app/WindowForms.h) as Win32 controls: what each kind of control is on Windows,
// where it sits at the window's DPI, its font and its colours. Every control gets its identifier
// from the form. UI thread.
#include <windows.h>

#include <map>
#include <string_view>
#include <vector>

#include "app/WindowForms.h"
#include "app/win32/Widgets.h"

namespace quorin::win32 {

class FormControls {
 public:
  // Creates every control of `form` on `window` (panels and dividers excepted: the window paints
  // them with PaintPanels). A disabled group becomes a panel that holds its children, so they show
  // but take no input; an enabled one is a frame with its children on the window. Raises
  // std::system_error when a control cannot be created.
  FormControls(HINSTANCE instance, HWND window, const form::Form& form);

  // The control named `name`; raises std::out_of_range when the form has none.
  HWND operator[](std::string_view name) const;
  // Gives every control its font and place at `dpi` (fonts are made afresh for it); labels that
  // fit their text grow to it.
  void Relayout(UINT dpi);
  // Draws the form's panels (a raised edge) and dividers (an etched line) on `dc`.
  void PaintPanels(HDC dc) const;
  // The answer to WM_CTLCOLORSTATIC / WM_CTLCOLOREDIT for `control`: its colours from the form.
  LRESULT Colour(HDC dc, HWND control) const;

 private:
  struct Built {
    const form::Control* Control = nullptr;
    HWND Window = nullptr;
    form::Box Place;  // relative to the window it is a child of
  };

  const form::Form& form_;
  HWND window_;
  UINT dpi_ = 96;
  std::vector<Built> built_;
  std::map<std::string_view, HWND> byName_;
  std::map<form::Font, FontHandle> fonts_;
};

}  // namespace quorin::win32
