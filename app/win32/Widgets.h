#pragma once
// The Win32 window's building blocks: DPI scaling, fonts with fallbacks, the owning GDI handles,
// the gauge, the pack-information panel and the flat image buttons. UI thread only.
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "app/WindowForms.h"
#include "app/WindowViews.h"

namespace quorin::win32 {

// `value` client pixels at 96 DPI, at `dpi`.
inline int Scale(int value, UINT dpi) {
  return MulDiv(value, static_cast<int>(dpi), 96);
}

struct GdiDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiDeleter>;
using BrushHandle = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiDeleter>;
struct IconDeleter {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// `font` at `dpi`: "Microsoft YaHei" (falling back to "微软雅黑", then to CJK faces this system
// has) or "MS Sans Serif" (falling back to "Microsoft Sans Serif").
FontHandle MakeFont(const form::Font& font, UINT dpi);

// The width `text` takes in `font` on `window`'s screen, in pixels.
int TextWidth(HWND window, HFONT font, const std::wstring& text);

// `window`'s text (a caption, an edit's or a combo box's field).
std::wstring WindowText(HWND window);

// A modal message box owned by `owner`; returns when it is closed.
void ShowMessageBox(HWND owner, const MessageBoxRequest& request);

// Raises std::system_error with GetLastError's code and `what`.
[[noreturn]] void RaiseLastError(const std::string& what);

// Registers the top-level window class `name`: `windowProc`, the arrow cursor, the button face
// behind the controls, and `icon` / `smallIcon` (none: the system's).
void RegisterWindowClass(HINSTANCE instance, const std::wstring& name, WNDPROC windowProc,
                         HICON icon = nullptr, HICON smallIcon = nullptr);

// Registers the window classes below (once per process).
void RegisterWidgetClasses(HINSTANCE instance);

// The gauge: a white box with a single border, a lime bar and the percentage centred. Answers
// PBM_SETRANGE32, PBM_SETPOS, PBM_GETPOS and PBM_GETRANGE like the progress bar; WM_SETFONT.
// PBM_SETPOS paints it at once when its percentage changes: a busy job keeps the message queue
// full, which holds WM_PAINT back.
inline constexpr const wchar_t* kGaugeClass = L"QuorinGauge";
// GroupBox1: a panel in the highlight-text colour with an etched frame and its caption (the
// window text) in navy. It hands WM_COMMAND, WM_DRAWITEM and WM_CTLCOLOR* on to its parent, so
// the main window colours and draws its children.
inline constexpr const wchar_t* kGroupPanelClass = L"QuorinGroupPanel";

// Draws an owner-drawn flat image button: the face in the button colour, a raised edge while
// `hot`, a sunken one while pressed, the icon (`iconSize` pixels) at the left and the caption
// beside it in the button's font, greyed when disabled.
void DrawFlatImageButton(const DRAWITEMSTRUCT& item, HICON icon, int iconSize, bool hot);

// The window procedure of a window whose owner object came in CreateWindowExW's last argument:
// stores `window` in the owner's `ownWindow` and the owner in GWLP_USERDATA on WM_NCCREATE, hands
// every message to the owner's `handle`, and on WM_NCDESTROY (which `handle` does not see) clears
// both again. Nothing may leave a window procedure: what escapes the handler ends that message
// only.
template <class Owner>
LRESULT ForwardToOwner(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                       HWND Owner::*ownWindow, LRESULT (Owner::*handle)(UINT, WPARAM, LPARAM)) {
  if (message == WM_NCCREATE) {
    auto* creating =
        static_cast<Owner*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    creating->*ownWindow = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creating));
  }
  auto* self = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    self->*ownWindow = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return (self->*handle)(message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

// Destroys `window` (none: nothing) with its owner object out of GWLP_USERDATA first, so no
// message of its end reaches the owner.
inline void DestroyOwned(HWND window) {
  if (!window) return;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
}

}  // namespace quorin::win32
