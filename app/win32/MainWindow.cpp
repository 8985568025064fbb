#include "app/win32/MainWindow.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <stdexcept>

#include "app/MainWindowPresenter.h"
#include "app/win32/DoctorDialog.h"
#include "app/win32/PortDialog.h"
#include "app/win32/ResourceIds.h"
#include "iap/Messages.h"
#include "platform/win32/Text.h"

namespace quorin::win32 {
namespace {

using platform::win32::Narrow;
using platform::win32::Widen;

const form::Form& Form() {
  return form::MainWindowForm();
}

UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// The tool tip of `control`, a child of `window`.
TOOLINFOW ToolOf(HWND window, HWND control) {
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  return tool;
}

IconHandle LoadIconSized(HINSTANCE instance, int id, int size) {
  return IconHandle(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

std::span<const std::uint8_t> ResourceBytes(HINSTANCE instance, int id) {
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /*RT_RCDATA*/);
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) throw std::runtime_error("the logo is missing from the program's resources");
  return {static_cast<const std::uint8_t*>(bytes), SizeofResource(instance, found)};
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance), dpi_(SystemDpi()) {
  RegisterWidgetClasses(instance_);
  logo_ = DecodeJpeg(ResourceBytes(instance_, QUORIN_IDR_LOGO_JPEG));
  // The class keeps its icons for the whole process: shared, never destroyed.
  const auto classIcon = [this](int metric) {
    const int size = GetSystemMetrics(metric);
    return static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(QUORIN_IDI_APPLICATION),
                                         IMAGE_ICON, size, size, LR_SHARED));
  };

  const std::wstring className = Widen(Form().Name);
  RegisterWindowClass(instance_, className, WindowProc, classIcon(SM_CXICON),
                      classIcon(SM_CXSMICON));

  HMENU menu = CreateMenu();
  HMENU uart = CreatePopupMenu();
  AppendMenuW(uart, MF_STRING, form::id::kMenuUartPort, Widen(form::kUartPortEntry).c_str());
  AppendMenuW(uart, MF_STRING, form::id::kMenuConnectionCheck,
              Widen(form::kConnectionCheckEntry).c_str());
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(uart), Widen(form::kUartMenu).c_str());

  // Placed at the centre of the desktop's work area.
  RECT desktop{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &desktop, 0);
  const int width = Scale(Form().OuterWidth, dpi_);
  const int height = Scale(Form().OuterHeight, dpi_);
  const int left = desktop.left + (desktop.right - desktop.left - width) / 2;
  const int top = desktop.top + (desktop.bottom - desktop.top - height) / 2;
  window_ =
      CreateWindowExW(WS_EX_ACCEPTFILES, className.c_str(), Widen(text::kMainCaption).c_str(),
                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                      left, top, width, height, nullptr, menu, instance_, this);
  if (!window_) {
    DestroyMenu(menu);
    RaiseLastError("cannot create the main window");
  }
  DragAcceptFiles(window_, TRUE);
  CreateControls();
  Relayout();
}

MainWindow::~MainWindow() {
  DestroyOwned(window_);
}

void MainWindow::Attach(MainWindowPresenter* presenter) {
  presenter_ = presenter;
  if (presenter_) SetWindowTextW(window_, Widen(presenter_->Caption()).c_str());
}

void MainWindow::Show(int showCommand) {
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
}

void MainWindow::CreateControls() {
  controls_.emplace(instance_, window_, Form());
  readPack_ = (*controls_)["Btn_ReadUserPack"];
  program_ = (*controls_)["Btn_SendToController"];
  gauge_ = (*controls_)["Gauge1"];
  log_ = (*controls_)["ListBox1"];
  for (HWND button : {readPack_, program_}) {
    SetWindowSubclass(button, FlatButtonProc, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  SendMessageW(gauge_, PBM_SETRANGE32, 0, 1000);

  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
  if (!tooltip_) return;
  for (const form::Control& control : Form().Controls) {
    if (control.Tooltip.empty()) continue;
    TOOLINFOW tool = ToolOf(window_, (*controls_)[control.Name]);
    std::wstring hint = Widen(control.Tooltip);
    tool.lpszText = hint.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void MainWindow::Relayout() {
  readPackIcon_ =
      LoadIconSized(instance_, QUORIN_IDI_READ_PACK, Scale(form::kButtonIconPixels, dpi_));
  programIcon_ = LoadIconSized(instance_, QUORIN_IDI_PROGRAM, Scale(form::kButtonIconPixels, dpi_));
  controls_->Relayout(dpi_);
  if (tooltip_) SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scale(460, dpi_));
  InvalidateRect(window_, nullptr, TRUE);
}

void MainWindow::DrawLogo(const DRAWITEMSTRUCT& item) {
  if (logo_.Width <= 0 || logo_.Height <= 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = logo_.Width;
  info.bmiHeader.biHeight = -logo_.Height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  // Stretched to the box.
  SetStretchBltMode(item.hDC, HALFTONE);
  SetBrushOrgEx(item.hDC, 0, 0, nullptr);
  StretchDIBits(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right - item.rcItem.left,
                item.rcItem.bottom - item.rcItem.top, 0, 0, logo_.Width, logo_.Height,
                logo_.Bgrx.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

// The presenter's event calls raise nothing: they show their own errors.
void MainWindow::Command(int id) {
  if (!presenter_) return;
  switch (id) {
    case form::id::kReadPack:
      presenter_->ReadPackClicked();
      break;
    case form::id::kProgram:
      presenter_->ProgramClicked();
      break;
    case form::id::kMenuUartPort:
      presenter_->UartPortClicked();
      break;
    case form::id::kMenuConnectionCheck:
      presenter_->ConnectionCheckClicked();
      break;
    default:
      break;
  }
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED || lParam == 0) Command(LOWORD(wParam));
      return 0;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlID == static_cast<UINT>(form::id::kLogo)) {
        DrawLogo(item);
      } else if (item.hwndItem == readPack_ || item.hwndItem == program_) {
        DrawFlatImageButton(item,
                            item.hwndItem == readPack_ ? readPackIcon_.get() : programIcon_.get(),
                            Scale(form::kButtonIconPixels, dpi_), item.hwndItem == hotButton_);
      }
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return controls_->Colour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DROPFILES: {
      auto drop = reinterpret_cast<HDROP>(wParam);
      std::vector<std::string> paths;
      const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(Narrow(path));
      }
      DragFinish(drop);
      if (presenter_) presenter_->FilesDropped(paths);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window_, &paint);
      controls_->PaintPanels(dc);
      EndPaint(window_, &paint);
      if (!painted_) {
        painted_ = true;
        if (OnFirstPaint) OnFirstPaint();
      }
      return 0;
    }
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wParam);
      Relayout();
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      if (OnClosing) OnClosing();
      DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ForwardToOwner(window, message, wParam, lParam, &MainWindow::window_, &MainWindow::Handle);
}

LRESULT CALLBACK MainWindow::FlatButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR selfData) {
  auto* self = reinterpret_cast<MainWindow*>(selfData);
  if (message == WM_MOUSEMOVE && self->hotButton_ != window) {
    if (self->hotButton_) InvalidateRect(self->hotButton_, nullptr, FALSE);
    self->hotButton_ = window;
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
    TrackMouseEvent(&track);
    InvalidateRect(window, nullptr, FALSE);
  } else if (message == WM_MOUSELEAVE && self->hotButton_ == window) {
    self->hotButton_ = nullptr;
    InvalidateRect(window, nullptr, FALSE);
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, FlatButtonProc, 1);
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

// ---- MainWindowView -----------------------------------------------------------------------------

void MainWindow::SetProgramEnabled(bool enabled) {
  EnableWindow(program_, enabled ? TRUE : FALSE);
}

void MainWindow::SetPackFileName(const std::string& name) {
  SetWindowTextW((*controls_)["Edit_UpdateFileName"], Widen(name).c_str());
}

void MainWindow::SetVersionText(const std::string& text) {
  SetWindowTextW((*controls_)["Edit_VerNum"], Widen(text).c_str());
}

void MainWindow::SetUpdateKindText(const std::string& text) {
  SetWindowTextW((*controls_)["Label8"], Widen(text).c_str());
}

void MainWindow::ClearLog() {
  SendMessageW(log_, LB_RESETCONTENT, 0, 0);
}

void MainWindow::AppendLogLine(const std::string& line) {
  const LRESULT index =
      SendMessageW(log_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(line).c_str()));
  if (index >= 0) SendMessageW(log_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  // Painted at once; UpdateWindow sends WM_PAINT straight to the list, running no other message.
  UpdateWindow(log_);
}

void MainWindow::SetLogAdvice(const std::string& advice) {
  if (!tooltip_) return;
  TOOLINFOW tool = ToolOf(window_, log_);
  if (advice.empty()) {
    if (logAdviceShown_) SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    logAdviceShown_ = false;
    return;
  }
  std::wstring text = Widen(advice);
  tool.lpszText = text.data();
  SendMessageW(tooltip_, logAdviceShown_ ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0,
               reinterpret_cast<LPARAM>(&tool));
  logAdviceShown_ = true;
}

void MainWindow::SetGaugeVisible(bool visible) {
  ShowWindow(gauge_, visible ? SW_SHOW : SW_HIDE);
}

// The presenter keeps both within INT_MAX and the progress within the maximum.
void MainWindow::SetGaugeMaximum(std::uint32_t maximum) {
  SendMessageW(gauge_, PBM_SETRANGE32, 0, static_cast<LPARAM>(maximum));
}

void MainWindow::SetGaugeProgress(std::uint32_t progress) {
  SendMessageW(gauge_, PBM_SETPOS, static_cast<WPARAM>(progress), 0);
}

void MainWindow::ShowMessage(const MessageBoxRequest& request) {
  ShowMessageBox(window_, request);
}

std::optional<std::string> MainWindow::AskPackFile() {
  static constexpr wchar_t kFilter[] = L"*.Pack\0*.Pack\0";
  std::wstring path(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window_;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  path.resize(std::wcslen(path.c_str()));
  return Narrow(path);
}

void MainWindow::RunPortDialog(PortDialogPresenter& presenter) {
  PortDialog dialog(instance_, presenter, window_, dpi_);
  dialog.RunModal();
}

void MainWindow::RunDoctorDialog(DoctorDialogPresenter& presenter) {
  DoctorDialog dialog(instance_, presenter, window_, dpi_);
  dialog.RunModal();
}

}  // namespace quorin::win32
