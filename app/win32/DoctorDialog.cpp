#include "app/win32/DoctorDialog.h"

#include <system_error>

#include "platform/win32/Text.h"

namespace quorin::win32 {
namespace {

using platform::win32::Widen;

const form::Form& Form() {
  return form::DoctorDialogForm();
}

// A multi-line edit breaks lines at "\r\n" only.
std::wstring EditLines(const std::string& text) {
  std::string lines;
  lines.reserve(text.size() + text.size() / 32);
  for (const char c : text) {
    if (c == '\n' && (lines.empty() || lines.back() != '\r')) lines += '\r';
    lines += c;
  }
  return Widen(lines);
}

}  // namespace

DoctorDialog::DoctorDialog(HINSTANCE instance, DoctorDialogPresenter& presenter, RECT centreOn,
                           UINT dpi)
    : instance_(instance),
      presenter_(presenter),
      dpi_(dpi),
      font_(MakeFont(FontFace::SansSerif, Form().DefaultFont.Pixels, false, dpi)) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance_;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  const std::wstring className = Widen(std::string(Form().Name));
  windowClass.lpszClassName = className.c_str();
  RegisterClassExW(&windowClass);

  const int width = Scale(Form().OuterWidth, dpi_);
  const int height = Scale(Form().OuterHeight, dpi_);
  const int left = (centreOn.left + centreOn.right - width) / 2;
  const int top = (centreOn.top + centreOn.bottom - height) / 2;
  window_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, className.c_str(),
                            Widen(std::string(form::kConnectionCheckCaption)).c_str(),
                            WS_POPUP | WS_CAPTION | WS_SYSMENU, left, top, width, height, nullptr,
                            nullptr, instance_, this);
  if (!window_) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                            "cannot create the connection check's dialog");
  }
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  controls_.emplace(instance_, window_, Form());
  controls_->Relayout(dpi_);
  findings_ = (*controls_)["Memo1"];
  runAgain_ = (*controls_)["Button1"];
}

DoctorDialog::~DoctorDialog() {
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void DoctorDialog::RunModal(HWND disabled) {
  const bool wasEnabled = disabled && IsWindowEnabled(disabled);
  if (wasEnabled) EnableWindow(disabled, FALSE);
  // Its state first: nobody may see (or press) Run again while a check is already running.
  presenter_.FormShow(*this);  // raises nothing
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  SetFocus((*controls_)["Button2"]);
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
  if (wasEnabled) EnableWindow(disabled, TRUE);
  if (window_) ShowWindow(window_, SW_HIDE);
  if (disabled) SetActiveWindow(disabled);
  if (quit) PostQuitMessage(static_cast<int>(message.wParam));
}

LRESULT DoctorDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == form::id::kRunAgain) {
          presenter_.RunAgain();
        } else if (LOWORD(wParam) == form::id::kClose || LOWORD(wParam) == IDCANCEL) {
          presenter_.Exit();
        }
      }
      return 0;
    case WM_CTLCOLORSTATIC:  // a read-only edit asks this
    case WM_CTLCOLOREDIT:
      return controls_->Colour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CLOSE:
      presenter_.Exit();
      return 0;
    case WM_NCDESTROY: {
      HWND window = window_;
      window_ = nullptr;
      done_ = true;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK DoctorDialog::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ForwardToOwner(window, message, wParam, lParam, &DoctorDialog::window_,
                        &DoctorDialog::Handle);
}

// ---- DoctorDialogView ---------------------------------------------------------------------------

void DoctorDialog::SetFindingsText(const std::string& text) {
  SetWindowTextW(findings_, EditLines(text).c_str());
}

void DoctorDialog::SetRunAgainEnabled(bool enabled) {
  EnableWindow(runAgain_, enabled ? TRUE : FALSE);
}

void DoctorDialog::Close() {
  done_ = true;
}

}  // namespace quorin::win32
