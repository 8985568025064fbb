#include "app/win32/MainWindow.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <system_error>

#include "app/MainWindowPresenter.h"
#include "app/win32/ControlIds.h"
#include "app/win32/PortDialog.h"
#include "app/win32/ResourceIds.h"
#include "iap/Messages.h"
#include "platform/win32/Text.h"

namespace quorin::win32 {
namespace {

using platform::win32::Narrow;
using platform::win32::Widen;

constexpr const wchar_t* kClassName = L"TF_UpdateDispController";
constexpr int kOuterWidth = 497;
constexpr int kOuterHeight = 483;
constexpr RECT kToolBar{0, 0, 481, 49};
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kBlue = RGB(0, 0, 255);

constexpr RECT Box(int left, int top, int width, int height) {
  return RECT{left, top, left + width, top + height};
}

[[noreturn]] void RaiseLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
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

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
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

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance_;
  windowClass.hIcon = classIcon(SM_CXICON);
  windowClass.hIconSm = classIcon(SM_CXSMICON);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);

  HMENU menu = CreateMenu();
  HMENU uart = CreatePopupMenu();
  AppendMenuW(uart, MF_STRING, win32ids::kMenuUartPort, L"Uart Port");
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(uart), L"Uart");

  // Placed at the centre of the desktop's work area.
  RECT desktop{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &desktop, 0);
  const int width = Scale(kOuterWidth, dpi_);
  const int height = Scale(kOuterHeight, dpi_);
  const int left = desktop.left + (desktop.right - desktop.left - width) / 2;
  const int top = desktop.top + (desktop.bottom - desktop.top - height) / 2;
  window_ =
      CreateWindowExW(WS_EX_ACCEPTFILES, kClassName, Widen(text::kMainCaption).c_str(),
                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                      left, top, width, height, nullptr, menu, instance_, this);
  if (!window_) {
    DestroyMenu(menu);
    RaiseLastError("cannot create the main window");
  }
  DragAcceptFiles(window_, TRUE);
  MakeFonts();
  CreateControls();
  Relayout();
}

MainWindow::~MainWindow() {
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void MainWindow::Attach(MainWindowPresenter* presenter) {
  presenter_ = presenter;
  if (presenter_) SetWindowTextW(window_, Widen(presenter_->Caption()).c_str());
}

void MainWindow::Show(int showCommand) {
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
}

void MainWindow::MakeFonts() {
  fonts_.clear();
  auto keep = [this](FontHandle font) {
    fonts_.push_back(std::move(font));
    return fonts_.back().get();
  };
  sans11_ = keep(MakeFont(FontFace::SansSerif, 11, false, dpi_));
  yaHei13_ = keep(MakeFont(FontFace::YaHei, 13, false, dpi_));
  yaHei13Bold_ = keep(MakeFont(FontFace::YaHei, 13, true, dpi_));
  yaHei16Bold_ = keep(MakeFont(FontFace::YaHei, 16, true, dpi_));
  readPackIcon_ = LoadIconSized(instance_, QUORIN_IDI_READ_PACK, Scale(24, dpi_));
  programIcon_ = LoadIconSized(instance_, QUORIN_IDI_PROGRAM, Scale(24, dpi_));
}

HWND MainWindow::AddControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style,
                            int id, RECT base, HFONT* font, bool fitText) {
  const DWORD extended =
      (style & ES_READONLY) && lstrcmpW(className, WC_EDITW) == 0 ? WS_EX_CLIENTEDGE : 0;
  HWND control =
      CreateWindowExW(extended, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  if (!control) RaiseLastError("cannot create a control of the main window");
  placed_.push_back({control, base, font, fitText});
  return control;
}

void MainWindow::CreateControls() {
  namespace id = win32ids;
  constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
  // ToolBar1 is painted by the window itself (a raised panel with a divider); its two flat image
  // buttons sit on it.
  readPack_ = AddControl(window_, WC_BUTTONW, L"Read Pack", BS_OWNERDRAW | WS_TABSTOP,
                         id::kReadPack, Box(0, 2, 185, 39), &yaHei13Bold_);
  program_ = AddControl(window_, WC_BUTTONW, L"Program", BS_OWNERDRAW | WS_TABSTOP, id::kProgram,
                        Box(193, 2, 264, 39), &yaHei13Bold_);
  for (HWND button : {readPack_, program_}) {
    SetWindowSubclass(button, FlatButtonProc, 1, reinterpret_cast<DWORD_PTR>(this));
  }

  group_ = AddControl(window_, kGroupPanelClass, L"Controller Update Pack Info", WS_CLIPCHILDREN,
                      id::kPackInfoGroup, Box(2, 56, 471, 145), &yaHei13_);
  AddControl(group_, WC_STATICW, L"Program Firmware Name", kLabel, -1, Box(8, 32, 154, 19),
             &yaHei13_, true);
  fileName_ = AddControl(group_, WC_EDITW, L"", ES_READONLY | ES_AUTOHSCROLL, id::kPackFileName,
                         Box(8, 52, 457, 27), &yaHei13_);
  AddControl(group_, WC_STATICW, L"Version", kLabel, -1, Box(8, 88, 46, 19), &yaHei13_, true);
  version_ = AddControl(group_, WC_EDITW, L"", ES_READONLY | ES_AUTOHSCROLL, id::kVersion,
                        Box(8, 108, 121, 27), &yaHei13_);
  updateKind_ = AddControl(group_, WC_STATICW, L"", kLabel, id::kUpdateKind, Box(208, 88, 241, 19),
                           &yaHei13Bold_);
  AddControl(group_, WC_STATICW, L"Tip: Quorin-Middle Drive Controller  Only", kLabel, -1,
             Box(208, 112, 237, 19), &yaHei13_, true);
  AddControl(group_, WC_STATICW, L"", SS_OWNERDRAW, id::kLogo, Box(296, 18, 169, 25), nullptr);
  // Its children are display only.
  EnableWindow(group_, FALSE);

  gauge_ = AddControl(window_, kGaugeClass, L"", 0, id::kGauge, Box(2, 208, 471, 17), &sans11_);
  ShowWindow(gauge_, SW_HIDE);
  SendMessageW(gauge_, PBM_SETRANGE32, 0, gaugeMaximum_);
  log_ = AddControl(
      window_, WC_LISTBOXW, L"",
      WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
      id::kLog, Box(2, 232, 471, 121), &yaHei13_);

  AddControl(window_, WC_STATICW, L"Notice:    if  program unsucessfully", kLabel, -1,
             Box(8, 360, 230, 19), &yaHei13Bold_, true);
  AddControl(window_, WC_STATICW, L"1. Wait  few seconds  and try again ", kLabel, -1,
             Box(8, 384, 220, 19), &yaHei13_, true);
  AddControl(window_, WC_STATICW,
             L"2. Remove program cable  and connect again if still unsucessful", kLabel, -1,
             Box(8, 400, 391, 19), &yaHei13_, true);
  webAddress_ = AddControl(window_, WC_STATICW, L"www.quorin.example", kLabel, -1,
                           Box(280, 360, 185, 19), &yaHei16Bold_, true);

  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
  if (tooltip_) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(readPack_);
    std::wstring hint = L"Read Controller  update from pack file ";
    tool.lpszText = hint.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void MainWindow::Relayout() {
  for (const Placed& control : placed_) {
    int width = Scale(control.Base.right - control.Base.left, dpi_);
    const int height = Scale(control.Base.bottom - control.Base.top, dpi_);
    HFONT font = control.Font ? *control.Font : nullptr;
    if (font) SendMessageW(control.Window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // Labels size themselves to their text, as they did where the layout was drawn: with a wider
    // fallback font the text still shows whole. They never shrink below their box.
    if (control.FitText && font) {
      width = std::max(width, TextWidth(control.Window, font, WindowText(control.Window)) + 2);
    }
    MoveWindow(control.Window, Scale(control.Base.left, dpi_), Scale(control.Base.top, dpi_), width,
               height, TRUE);
  }
  // Each line of the log is 19 pixels high (set after its font, which resets it).
  SendMessageW(log_, LB_SETITEMHEIGHT, 0, Scale(19, dpi_));
  if (tooltip_) SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scale(460, dpi_));
  InvalidateRect(window_, nullptr, TRUE);
}

void MainWindow::PaintToolBar(HDC dc) {
  RECT panel{Scale(kToolBar.left, dpi_), Scale(kToolBar.top, dpi_), Scale(kToolBar.right, dpi_),
             Scale(kToolBar.bottom, dpi_)};
  DrawEdge(dc, &panel, BDR_RAISEDINNER, BF_RECT);
  // ToolButton5, the divider between the two buttons.
  RECT divider{Scale(188, dpi_), Scale(6, dpi_), Scale(190, dpi_), Scale(39, dpi_)};
  DrawEdge(dc, &divider, EDGE_ETCHED, BF_LEFT);
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

LRESULT MainWindow::ColourControl(HDC dc, HWND control) {
  if (GetParent(control) == group_) {
    if (control == fileName_ || control == version_) {
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkColor(dc, RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    SetTextColor(dc, control == updateKind_ ? kBlue : kNavy);
    SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_HIGHLIGHTTEXT));
  }
  SetTextColor(dc, control == webAddress_ ? kNavy : GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

template <class Handler>
void MainWindow::Forward(Handler&& handler) {
  if (!presenter_) return;
  try {
    handler(*presenter_);
  } catch (const std::exception& error) {
    presenter_->ShowError(error);
  } catch (...) {
    presenter_->ShowUnknownError();
  }
}

void MainWindow::Command(int id) {
  switch (id) {
    case win32ids::kReadPack:
      Forward([](MainWindowPresenter& presenter) { presenter.ReadPackClicked(); });
      break;
    case win32ids::kProgram:
      Forward([](MainWindowPresenter& presenter) { presenter.ProgramClicked(); });
      break;
    case win32ids::kMenuUartPort:
      Forward([](MainWindowPresenter& presenter) { presenter.UartPortClicked(); });
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
      if (item.CtlID == static_cast<UINT>(win32ids::kLogo)) {
        DrawLogo(item);
      } else if (item.hwndItem == readPack_ || item.hwndItem == program_) {
        DrawFlatImageButton(item,
                            item.hwndItem == readPack_ ? readPackIcon_.get() : programIcon_.get(),
                            Scale(24, dpi_), yaHei13Bold_, item.hwndItem == hotButton_);
      }
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return ColourControl(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
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
      Forward([&paths](MainWindowPresenter& presenter) { presenter.FilesDropped(paths); });
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window_, &paint);
      PaintToolBar(dc);
      EndPaint(window_, &paint);
      if (!painted_) {
        painted_ = true;
        if (OnFirstPaint) OnFirstPaint();
      }
      return 0;
    }
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wParam);
      MakeFonts();
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
    case WM_NCDESTROY: {
      HWND window = window_;
      window_ = nullptr;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      return DefWindowProcW(window, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    auto* creating = static_cast<MainWindow*>(create->lpCreateParams);
    creating->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creating));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  // Nothing may leave a window procedure: what the presenter's handlers let through was shown
  // already; anything else (out of memory) ends this message only.
  try {
    return self->Handle(message, wParam, lParam);
  } catch (...) {
    return 0;
  }
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
  SetWindowTextW(fileName_, Widen(name).c_str());
}

void MainWindow::SetVersionText(const std::string& text) {
  SetWindowTextW(version_, Widen(text).c_str());
}

void MainWindow::SetUpdateKindText(const std::string& text) {
  SetWindowTextW(updateKind_, Widen(text).c_str());
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
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(log_);
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

void MainWindow::SetGaugeMaximum(std::uint32_t maximum) {
  gaugeMaximum_ = static_cast<int>(std::min<std::uint32_t>(maximum, INT_MAX));
  SendMessageW(gauge_, PBM_SETRANGE32, 0, gaugeMaximum_);
}

void MainWindow::SetGaugeProgress(std::uint32_t progress) {
  const int position = static_cast<int>(std::min<std::uint32_t>(progress, gaugeMaximum_));
  SendMessageW(gauge_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  // A busy job keeps the message queue full, which holds WM_PAINT back: the gauge is painted
  // at once whenever the percentage it shows changes.
  const int percent = gaugeMaximum_ > 0
                          ? static_cast<int>(static_cast<long long>(position) * 100 / gaugeMaximum_)
                          : 0;
  if (percent != gaugePercent_) {
    gaugePercent_ = percent;
    UpdateWindow(gauge_);
  }
}

void MainWindow::ShowMessage(const MessageBoxRequest& request) {
  MessageBoxW(window_, Widen(request.text).c_str(), Widen(request.caption).c_str(),
              MB_OK | (request.icon == BoxIcon::Warning ? MB_ICONWARNING : MB_ICONERROR));
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
  RECT frame{};
  GetWindowRect(window_, &frame);
  PortDialog dialog(instance_, presenter, frame, dpi_);
  dialog.RunModal(window_);
}

}  // namespace quorin::win32
