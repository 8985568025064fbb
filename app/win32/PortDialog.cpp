#include "app/win32/PortDialog.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/Text.h"

namespace quorin::win32 {
namespace {

using platform::win32::Narrow;
using platform::win32::Widen;

// The text of item `index` of the combo box `list`.
std::wstring ItemText(HWND list, int index) {
  const auto length = static_cast<int>(SendMessageW(list, CB_GETLBTEXTLEN, index, 0));
  std::wstring item(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item.data()));
  item.resize(std::wcslen(item.c_str()));
  return item;
}

void FillList(HWND list, const std::vector<std::string>& items) {
  for (const std::string& item : items) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  }
  SendMessageW(list, CB_SETCURSEL, 0, 0);
}

// Items may carry a device and an adapter's name: the open list is as wide as the widest.
void WidenDropDown(HWND list) {
  const auto font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
  const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
  int widest = 0;
  for (int i = 0; i < count; ++i)
    widest = std::max(widest, TextWidth(list, font, ItemText(list, i)));
  const int scrollBar = GetSystemMetrics(SM_CXVSCROLL);
  SendMessageW(list, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + scrollBar + 8), 0);
}

}  // namespace

PortDialog::PortDialog(HINSTANCE instance, PortDialogPresenter& presenter, HWND over, UINT dpi)
    : ModalDialog(instance, form::PortDialogForm(), "cannot create the port dialog", over, dpi),
      presenter_(presenter) {
  ports_ = Controls()["ComboBox1"];
  bauds_ = Controls()["ComboBox2"];
  FillList(ports_, presenter_.PortItems());
  WidenDropDown(ports_);
  FillList(bauds_, PortDialogPresenter::BaudItems());
}

void PortDialog::Start() {
  Show(ports_);
  Forward([this] { presenter_.FormShow(*this); });
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

void PortDialog::Clicked(int id) {
  if (id == form::id::kSave) {
    Forward([this] { presenter_.Save(*this); });
  } else if (id == form::id::kExit || id == IDCANCEL) {
    Forward([this] { presenter_.Exit(*this); });
  }
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
  return WindowText(ports_) == ItemText(ports_, index) ? index : -1;
}

std::string PortDialog::PortText() const {
  return Narrow(WindowText(ports_));
}

void PortDialog::SetPortText(const std::string& text) {
  SetWindowTextW(ports_, Widen(text).c_str());
}

int PortDialog::SelectedBaudIndex() const {
  return static_cast<int>(SendMessageW(bauds_, CB_GETCURSEL, 0, 0));
}

void PortDialog::Close() {
  EndModal();
}

void PortDialog::ShowMessage(const MessageBoxRequest& request) {
  ShowMessageBox(Window(), request);
}

}  // namespace quorin::win32
