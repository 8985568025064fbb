#include "app/PortDialogPresenter.h"

#include <utility>

#include "app/MainWindowPresenter.h"
#include "settings/UartSettings.h"

namespace quorin {

PortDialogPresenter::PortDialogPresenter(std::string settingsPath,
                                         std::function<std::string(int)> portDevice,
                                         std::string title)
    : settingsPath_(std::move(settingsPath)),
      portDevice_(std::move(portDevice)),
      title_(std::move(title)) {}

std::vector<std::string> PortDialogPresenter::PortItems() const {
  std::vector<std::string> items;
  for (int port = 1; port <= kUartPortItems; ++port) {
    std::string item = "com" + std::to_string(port);
    const std::string device = portDevice_ ? portDevice_(port) : std::string();
    if (!device.empty()) item += "  " + device;
    items.push_back(std::move(item));
  }
  return items;
}

std::vector<std::string> PortDialogPresenter::BaudItems() {
  return {"38400", "57600", "115200"};
}

void PortDialogPresenter::FormShow(PortDialogView& view) {
  const int port = ReadUartPortSetting(settingsPath_);
  // A port above the list asks for an item that does not exist: no selection.
  const int index = port >= 1 ? port - 1 : 0;
  view.SelectPort(index < kUartPortItems ? index : -1);
  view.SelectBaud(ReadBaudIndexSetting(settingsPath_));
}

void PortDialogPresenter::Save(PortDialogView& view) {
  try {
    WriteUartPortSetting(settingsPath_, view.SelectedPortIndex() + 1);
    WriteBaudIndexSetting(settingsPath_, view.SelectedBaudIndex());
  } catch (const std::exception& error) {
    view.ShowMessage({BoxIcon::Error, title_, ErrorBoxText(error.what())});
    return;
  }
  view.Close();
}

void PortDialogPresenter::Exit(PortDialogView& view) {
  view.Close();
}

}  // namespace quorin
