#include "app/win32/Widgets.h"

#include <commctrl.h>

#include <algorithm>
#include <initializer_list>
#include <system_error>

#include "platform/win32/Text.h"

namespace quorin::win32 {
namespace {

constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kLime = RGB(0, 255, 0);
constexpr COLORREF kMoneyGreen = RGB(192, 220, 192);

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool HasFamily(HDC dc, const wchar_t* family) {
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(query.lfFaceName, family, LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExW(dc, &query, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// The first family of `families` this system has; the first one when it has none (the font
// mapper then picks the nearest).
const wchar_t* FirstPresent(std::initializer_list<const wchar_t*> families) {
  HDC screen = GetDC(nullptr);
  const wchar_t* chosen = *families.begin();
  for (const wchar_t* family : families) {
    if (HasFamily(screen, family)) {
      chosen = family;
      break;
    }
  }
  ReleaseDC(nullptr, screen);
  return chosen;
}

// ---- the gauge ----------------------------------------------------------------------------------

struct GaugeState {
  int Minimum = 0;
  int Maximum = 100;
  int Position = 0;
  HFONT Font = nullptr;
};

GaugeState* GaugeOf(HWND window) {
  return reinterpret_cast<GaugeState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

long long GaugeSpan(const GaugeState& state) {
  return static_cast<long long>(state.Maximum) - state.Minimum;
}

long long GaugeDone(const GaugeState& state) {
  return std::clamp<long long>(state.Position - state.Minimum, 0, GaugeSpan(state));
}

int GaugePercent(const GaugeState& state) {
  return GaugeSpan(state) > 0 ? static_cast<int>(GaugeDone(state) * 100 / GaugeSpan(state)) : 0;
}

void PaintGauge(HWND window, const GaugeState& state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT box;
  GetClientRect(window, &box);
  BrushHandle border(CreateSolidBrush(kMoneyGreen));
  FrameRect(dc, &box, border.get());
  RECT inner = box;
  InflateRect(&inner, -1, -1);
  FillRect(dc, &inner, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  if (GaugeSpan(state) > 0) {
    RECT bar = inner;
    bar.right = inner.left +
                static_cast<LONG>(GaugeDone(state) * (inner.right - inner.left) / GaugeSpan(state));
    BrushHandle lime(CreateSolidBrush(kLime));
    FillRect(dc, &bar, lime.get());
  }
  const std::wstring text = std::to_wstring(GaugePercent(state)) + L"%";
  HGDIOBJ oldFont = SelectObject(dc, state.Font ? state.Font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &inner,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  EndPaint(window, &paint);
}

LRESULT CALLBACK GaugeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  GaugeState* state = GaugeOf(window);
  switch (message) {
    case WM_NCCREATE: {
      auto owned = std::make_unique<GaugeState>();
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned.release()));
      break;
    }
    case WM_NCDESTROY:
      std::unique_ptr<GaugeState>(state).reset();
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    case WM_SETFONT:
      if (state) state->Font = reinterpret_cast<HFONT>(wParam);
      if (lParam) InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return state ? reinterpret_cast<LRESULT>(state->Font) : 0;
    case PBM_SETRANGE32:
      if (!state) return 0;
      state->Minimum = static_cast<int>(wParam);
      state->Maximum = static_cast<int>(lParam);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case PBM_SETPOS: {
      if (!state) return 0;
      const int previous = state->Position;
      const int percent = GaugePercent(*state);
      state->Position = static_cast<int>(wParam);
      if (previous != state->Position) InvalidateRect(window, nullptr, FALSE);
      if (percent != GaugePercent(*state)) UpdateWindow(window);
      return previous;
    }
    case PBM_GETPOS:
      return state ? state->Position : 0;
    case PBM_GETRANGE: {
      if (!state) return 0;
      if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) {
        range->iLow = state->Minimum;
        range->iHigh = state->Maximum;
      }
      return wParam ? state->Minimum : state->Maximum;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      if (state) {
        PaintGauge(window, *state);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// ---- the pack-information panel ---------------------------------------------------------------

void PaintGroupPanel(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT box;
  GetClientRect(window, &box);
  FillRect(dc, &box, GetSysColorBrush(COLOR_HIGHLIGHTTEXT));
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  HGDIOBJ oldFont = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  RECT frame = box;
  frame.top += metrics.tmHeight / 2;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);

  const std::wstring caption = WindowText(window);
  const int length = static_cast<int>(caption.size());
  SIZE extent{};
  GetTextExtentPoint32W(dc, caption.c_str(), length, &extent);
  const UINT dpi = static_cast<UINT>(GetDeviceCaps(dc, LOGPIXELSX));
  RECT label{Scale(8, dpi), 0, Scale(8, dpi) + extent.cx + Scale(4, dpi), metrics.tmHeight};
  FillRect(dc, &label, GetSysColorBrush(COLOR_HIGHLIGHTTEXT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kNavy);
  DrawTextW(dc, caption.c_str(), length, &label, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  EndPaint(window, &paint);
}

LRESULT CALLBACK GroupPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFONT:
      SetPropW(window, L"QuorinFont", reinterpret_cast<HANDLE>(wParam));
      if (lParam) InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetPropW(window, L"QuorinFont"));
    case WM_NCDESTROY:
      RemovePropW(window, L"QuorinFont");
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintGroupPanel(window);
      return 0;
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return SendMessageW(GetParent(window), message, wParam, lParam);
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

FontHandle MakeFont(const form::Font& font, UINT dpi) {
  const wchar_t* family =
      font.Family == form::Face::YaHei
          ? FirstPresent({L"Microsoft YaHei", L"\u5FAE\u8F6F\u96C5\u9ED1", L"WenQuanYi Micro Hei",
                          L"Noto Sans CJK SC", L"SimSun", L"MS Shell Dlg 2"})
          : FirstPresent({L"MS Sans Serif", L"Microsoft Sans Serif", L"Tahoma"});
  LOGFONTW logical{};
  logical.lfHeight = -Scale(font.Pixels, dpi);
  logical.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
  logical.lfCharSet = DEFAULT_CHARSET;
  logical.lfOutPrecision = OUT_DEFAULT_PRECIS;
  logical.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  logical.lfQuality = CLEARTYPE_QUALITY;
  logical.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  lstrcpynW(logical.lfFaceName, family, LF_FACESIZE);
  return FontHandle(CreateFontIndirectW(&logical));
}

int TextWidth(HWND window, HFONT font, const std::wstring& text) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return extent.cx;
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

void ShowMessageBox(HWND owner, const MessageBoxRequest& request) {
  MessageBoxW(owner, platform::win32::Widen(request.Text).c_str(),
              platform::win32::Widen(request.Caption).c_str(),
              MB_OK | (request.Icon == BoxIcon::Warning ? MB_ICONWARNING : MB_ICONERROR));
}

void RaiseLastError(const std::string& what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

void RegisterWindowClass(HINSTANCE instance, const std::wstring& name, WNDPROC windowProc,
                         HICON icon, HICON smallIcon) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hIconSm = smallIcon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = name.c_str();
  RegisterClassExW(&windowClass);
}

void RegisterWidgetClasses(HINSTANCE instance) {
  // Both paint their whole box (WM_ERASEBKGND erases nothing), whatever the class's background.
  RegisterWindowClass(instance, kGaugeClass, GaugeProc);
  RegisterWindowClass(instance, kGroupPanelClass, GroupPanelProc);
}

void DrawFlatImageButton(const DRAWITEMSTRUCT& item, HICON icon, int iconSize, bool hot) {
  HDC dc = item.hDC;
  RECT box = item.rcItem;
  FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  if (pressed) {
    DrawEdge(dc, &box, BDR_SUNKENOUTER, BF_RECT);
  } else if (hot && !disabled) {
    DrawEdge(dc, &box, BDR_RAISEDINNER, BF_RECT);
  }

  const std::wstring caption = WindowText(item.hwndItem);
  HGDIOBJ oldFont =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
  // Icon and caption side by side from the left, as tool buttons are laid out.
  const int gap = iconSize / 6;
  const int shift = pressed ? 1 : 0;
  const int left = box.left + gap + shift;
  const int iconTop = box.top + (box.bottom - box.top - iconSize) / 2 + shift;
  if (icon) {
    if (disabled) {
      DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, left, iconTop, iconSize,
                 iconSize, DST_ICON | DSS_DISABLED);
    } else {
      DrawIconEx(dc, left, iconTop, icon, iconSize, iconSize, 0, nullptr, DI_NORMAL);
    }
  }
  RECT text{left + iconSize + gap, box.top + shift, box.right, box.bottom + shift};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : RGB(0, 0, 0));
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT focus = box;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace quorin::win32
