#include "app/win32/PortDialog.h"

#include <commctrl.h>

#include <algorithm>
#include <system_error>

#include "platform/win32/Text.h"

namespace quorin::win32 {
namespace {

using platform::win32::Narrow;
using platform::win32::Widen;

const form::Form& Form() {
  return form::PortDialogForm();
}

void FillList(HWND list, const std::vector<std::string>& items) {
  for (const std::string& item : items) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  }
  SendMessageW(list, CB_SETCURSEL, 0, 0);
}

// Items may carry a device and an adapter's name: the open list is as wide as the widest.
void WidenDropDown(HWND list, HFONT font) {
  const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
  int widest = 0;
  for (int i = 0; i < count; ++i) {
    const auto length = static_cast<int>(SendMessageW(list, CB_GETLBTEXTLEN, i, 0));
    std::wstring item(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    widest = std::max(widest, TextWidth(list, font, item.c_str()));
  }
  const int scrollBar = GetSystemMetrics(SM_CXVSCROLL);
  SendMessageW(list, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + scrollBar + 8), 0);
}

}  // namespace

PortDialog::PortDialog(HINSTANCE instance, PortDialogPresenter& presenter, RECT centreOn, UINT dpi)
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
  // No owner: a top-level window of its own, as the dialog always was.
  window_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, className.c_str(),
                            L"Uart port set", WS_POPUP | WS_CAPTION | WS_SYSMENU, left, top, width,
                            height, nullptr, nullptr, instance_, this);
  if (!window_) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                            "cannot create the port dialog");
  }
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

  controls_.emplace(instance_, window_, Form());
  controls_->Relayout(dpi_);
  ports_ = (*controls_)["ComboBox1"];
  bauds_ = (*controls_)["ComboBox2"];
  FillList(ports_, presenter_.PortItems());
  WidenDropDown(ports_, controls_->FontOf(Form()["ComboBox1"].TextFont));
  FillList(bauds_, PortDialogPresenter::BaudItems());
}

PortDialog::~PortDialog() {
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void PortDialog::RunModal(HWND disabled) {
  const bool wasEnabled = disabled && IsWindowEnabled(disabled);
  if (wasEnabled) EnableWindow(disabled, FALSE);
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  SetFocus(ports_);
  Forward([this] { presenter_.FormShow(*this); });
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
  if (wasEnabled) EnableWindow(disabled, TRUE);
  if (window_) ShowWindow(window_, SW_HIDE);
  if (disabled) SetActiveWindow(disabled);
  if (quit) PostQuitMessage(static_cast<int>(message.wParam));
}

template <class Handler>
void PortDialog::Forward(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowMessage({BoxIcon::Error, "Error", error.what()});
  } catch (...) {
    ShowMessage({BoxIcon::Error, "Error", "Unknown error."});
  }
}

LRESULT PortDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == form::id::kSave) {
          Forward([this] { presenter_.Save(*this); });
        } else if (LOWORD(wParam) == form::id::kExit || LOWORD(wParam) == IDCANCEL) {
          Forward([this] { presenter_.Exit(*this); });
        }
      }
      return 0;
    case WM_CLOSE:
      // The close box behaves as Exit.
      Forward([this] { presenter_.Exit(*this); });
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

LRESULT CALLBACK PortDialog::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ForwardToOwner(window, message, wParam, lParam, &PortDialog::window_, &PortDialog::Handle);
}

// ---- PortDialogView -----------------------------------------------------------------------------

void PortDialog::SelectPort(int index) {
  SendMessageW(ports_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void PortDialog::SelectBaud(int index) {
  SendMessageW(bauds_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int PortDialog::SelectedPortIndex() const {
  const auto index = static_cast<int>(SendMessageW(ports_, CB_GETCURSEL, 0, 0));
  if (index < 0) return -1;
  // Text the user typed into the field is no item, even where the list still marks one.
  const int length = GetWindowTextLengthW(ports_);
  std::wstring field(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(ports_, field.data(), length + 1);
  const auto itemLength = static_cast<int>(SendMessageW(ports_, CB_GETLBTEXTLEN, index, 0));
  std::wstring item(static_cast<std::size_t>(std::max(itemLength, 0)) + 1, L'\0');
  SendMessageW(ports_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item.data()));
  return wcscmp(field.c_str(), item.c_str()) == 0 ? index : -1;
}

std::string PortDialog::PortText() const {
  const int length = GetWindowTextLengthW(ports_);
  std::wstring field(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  field.resize(static_cast<std::size_t>(GetWindowTextW(ports_, field.data(), length + 1)));
  return Narrow(field);
}

void PortDialog::SetPortText(const std::string& text) {
  SetWindowTextW(ports_, Widen(text).c_str());
}

int PortDialog::SelectedBaudIndex() const {
  return static_cast<int>(SendMessageW(bauds_, CB_GETCURSEL, 0, 0));
}

void PortDialog::Close() {
  done_ = true;
}

void PortDialog::ShowMessage(const MessageBoxRequest& request) {
  MessageBoxW(window_, Widen(request.Text).c_str(), Widen(request.Caption).c_str(),
              MB_OK | (request.Icon == BoxIcon::Warning ? MB_ICONWARNING : MB_ICONERROR));
}

}  // namespace quorin::win32
