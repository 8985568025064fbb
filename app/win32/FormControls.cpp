#include "app/win32/FormControls.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "platform/win32/Text.h"

namespace quorin::win32 {
namespace {

using form::Colour;
using form::Control;
using form::Kind;
using platform::win32::Widen;

// A drop-down list's open list shows up to this many rows.
constexpr int kDroppedRows = 9;

struct ClassAndStyle {
  const wchar_t* ClassName = nullptr;
  DWORD Style = 0;
  DWORD Extended = 0;
};

ClassAndStyle Win32Kind(const Control& control) {
  constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
  switch (control.Type) {
    case Kind::Panel:
    case Kind::Divider:
      break;
    case Kind::FlatImageButton:
      return {WC_BUTTONW, BS_OWNERDRAW | WS_TABSTOP};
    case Kind::GroupBox:
      return control.Enabled ? ClassAndStyle{WC_BUTTONW, BS_GROUPBOX}
                             : ClassAndStyle{kGroupPanelClass, WS_CLIPCHILDREN};
    case Kind::Label:
      return {WC_STATICW, kLabel};
    case Kind::ReadOnlyEdit:
      return {WC_EDITW, ES_READONLY | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case Kind::Image:
      return {WC_STATICW, SS_OWNERDRAW};
    case Kind::Gauge:
      return {kGaugeClass, 0};
    case Kind::ListBox:
      return {WC_LISTBOXW, WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_HASSTRINGS |
                               LBS_NOINTEGRALHEIGHT};
    case Kind::ComboBox:
      return {WC_COMBOBOXW, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case Kind::PushButton:
      return {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP};
    case Kind::MultiLineEdit:
      return {WC_EDITW, ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
  }
  return {};
}

COLORREF ColourRef(Colour colour, int systemIndex) {
  switch (colour) {
    case Colour::System:
      return GetSysColor(systemIndex);
    case Colour::HighlightText:
      return GetSysColor(COLOR_HIGHLIGHTTEXT);
    default: {
      const form::Rgb rgb = form::RgbOf(colour);
      return RGB(rgb.Red, rgb.Green, rgb.Blue);
    }
  }
}

HBRUSH Brush(Colour colour) {
  switch (colour) {
    case Colour::White:
      return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    case Colour::HighlightText:
      return GetSysColorBrush(COLOR_HIGHLIGHTTEXT);
    default:
      return GetSysColorBrush(COLOR_BTNFACE);
  }
}

}  // namespace

FormControls::FormControls(HINSTANCE instance, HWND window, const form::Form& form)
    : form_(form), window_(window) {
  std::map<std::string_view, HWND> containers;
  for (const Control& control : form.Controls) {
    const ClassAndStyle kind = Win32Kind(control);
    HWND container = control.Parent.empty() ? nullptr : containers[control.Parent];
    form::Box place = container ? control.Place : form.ClientBox(control);
    HWND created = nullptr;
    if (kind.ClassName) {
      created = CreateWindowExW(kind.Extended, kind.ClassName, Widen(control.Caption).c_str(),
                                WS_CHILD | (control.Visible ? WS_VISIBLE : 0) | kind.Style, 0, 0, 0,
                                0, container ? container : window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.Id)), instance,
                                nullptr);
      if (!created) RaiseLastError("cannot create the control " + std::string(control.Name));
      if (!control.Enabled) EnableWindow(created, FALSE);
      if (control.Type == Kind::GroupBox && !control.Enabled) containers[control.Name] = created;
      byName_[control.Name] = created;
    }
    built_.push_back({&control, created, place});
  }
}

HWND FormControls::operator[](std::string_view name) const {
  return byName_.at(name);
}

void FormControls::Relayout(UINT dpi) {
  dpi_ = dpi;
  fonts_.clear();
  for (const Built& built : built_) {
    auto& made = fonts_[built.Control->TextFont];
    if (!made) made = MakeFont(built.Control->TextFont, dpi);
    if (!built.Window) continue;
    HFONT hfont = made.get();
    SendMessageW(built.Window, WM_SETFONT, reinterpret_cast<WPARAM>(hfont), FALSE);
    int width = Scale(built.Place.Width, dpi);
    int height = Scale(built.Place.Height, dpi);
    if (built.Control->FitText) {
      width = std::max(width, TextWidth(built.Window, hfont, WindowText(built.Window)) + 2);
    }
    if (built.Control->Type == Kind::ComboBox) {
      // Set after its font, which resets them: the field 27 pixels high in all, each item 19.
      SendMessageW(built.Window, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                   Scale(built.Place.Height - 6, dpi));
      SendMessageW(built.Window, CB_SETITEMHEIGHT, 0, Scale(form::kListRowPixels, dpi));
      height += Scale(kDroppedRows * form::kListRowPixels, dpi);
    } else if (built.Control->Type == Kind::ListBox) {
      SendMessageW(built.Window, LB_SETITEMHEIGHT, 0, Scale(form::kListRowPixels, dpi));
    }
    MoveWindow(built.Window, Scale(built.Place.Left, dpi), Scale(built.Place.Top, dpi), width,
               height, TRUE);
  }
}

void FormControls::PaintPanels(HDC dc) const {
  for (const Built& built : built_) {
    if (built.Window) continue;
    RECT box{Scale(built.Place.Left, dpi_), Scale(built.Place.Top, dpi_),
             Scale(built.Place.Left + built.Place.Width, dpi_),
             Scale(built.Place.Top + built.Place.Height, dpi_)};
    if (built.Control->Type == Kind::Divider) {
      DrawEdge(dc, &box, EDGE_ETCHED, BF_LEFT);
    } else {
      DrawEdge(dc, &box, BDR_RAISEDINNER, BF_RECT);
    }
  }
}

LRESULT FormControls::Colour(HDC dc, HWND control) const {
  const auto found = std::ranges::find(built_, control, &Built::Window);
  const form::Control unknown;  // not built from the form: the system's colours
  const form::Control& colours = found == built_.end() ? unknown : *found->Control;
  SetTextColor(dc, ColourRef(colours.Text, COLOR_WINDOWTEXT));
  SetBkColor(dc, ColourRef(colours.Background, COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(Brush(colours.Background));
}

}  // namespace quorin::win32
