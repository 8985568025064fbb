#include "app/win32/DoctorDialog.h"

#include "platform/win32/Text.h"

namespace quorin::win32 {
namespace {

using platform::win32::Widen;

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

DoctorDialog::DoctorDialog(HINSTANCE instance, DoctorDialogPresenter& presenter, HWND over,
                           UINT dpi)
    : ModalDialog(instance, form::DoctorDialogForm(), "cannot create the connection check's dialog",
                  over, dpi),
      presenter_(presenter),
      findings_(Controls()["Memo1"]),
      runAgain_(Controls()["Button1"]) {}

void DoctorDialog::Start() {
  // Its state first: nobody may see (or press) Run again while a check is already running.
  presenter_.FormShow(*this);  // raises nothing
  Show(Controls()["Button2"]);
}

void DoctorDialog::Clicked(int id) {
  if (id == form::id::kRunAgain) {
    presenter_.RunAgain();
  } else if (id == form::id::kClose || id == IDCANCEL) {
    presenter_.Exit();
  }
}

LRESULT DoctorDialog::Answer(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLORSTATIC:  // a read-only edit asks this
    case WM_CTLCOLOREDIT:
      return Controls().Colour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    default:
      return ModalDialog::Answer(message, wParam, lParam);
  }
}

// ---- DoctorDialogView ---------------------------------------------------------------------------

void DoctorDialog::SetFindingsText(const std::string& text) {
  SetWindowTextW(findings_, EditLines(text).c_str());
}

void DoctorDialog::SetRunAgainEnabled(bool enabled) {
  EnableWindow(runAgain_, enabled ? TRUE : FALSE);
}

void DoctorDialog::Close() {
  EndModal();
}

}  // namespace quorin::win32
