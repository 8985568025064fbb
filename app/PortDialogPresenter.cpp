#include "app/PortDialogPresenter.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

#include "app/MainWindowPresenter.h"
#include "comm/PortNames.h"
#include "iap/Messages.h"
#include "platform/OutsideText.h"
#include "settings/UartSettings.h"

namespace quorin {
namespace {

constexpr std::size_t kTypedTextShown = 40;  // bytes of refused text quoted in the message

// "Unable to write to <file>." and, below it, the system's reason (a read-only file, a full disk,
// a file another program keeps locked), so that the user knows what to change.
std::string SaveErrorText(const SettingsWriteError& error) {
  std::string text = ErrorBoxText(error.what());
  std::string reason = error.Reason() ? error.Reason().message() : std::string();
  while (!reason.empty() && std::isspace(static_cast<unsigned char>(reason.back())))
    reason.pop_back();
  if (!reason.empty()) text += "\n\n" + ErrorBoxText(reason.c_str());
  return text;
}

// com1 ... com9, whatever the system says, then the present ports above them by number.
std::vector<ListedPort> DialogPorts(std::vector<ListedPort> known) {
  std::vector<ListedPort> ports;
  for (int number = 1; number <= kUartPortItems; ++number) {
    const auto it = std::ranges::find(known, number, &ListedPort::Number);
    ports.push_back(it != known.end() ? std::move(*it) : ListedPort{number, {}, false});
  }
  std::ranges::sort(known, {}, &ListedPort::Number);
  for (ListedPort& port : known) {
    const bool listed = port.Number <= ports.back().Number;  // com1..com9 and repeats
    if (port.Present && !listed) ports.push_back(std::move(port));
  }
  return ports;
}

// n of a typed "comN" (any case, blanks around it ignored), n from 1.
std::optional<int> TypedPort(const std::string& typed) {
  const std::size_t first = typed.find_first_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  const std::size_t last = typed.find_last_not_of(" \t");
  // ComPortNumber's numbers stay far below INT_MAX.
  const auto number = ComPortNumber(typed.substr(first, last - first + 1));
  if (!number) return std::nullopt;
  return static_cast<int>(*number);
}

}  // namespace

PortDialogPresenter::PortDialogPresenter(std::string settingsPath,
                                         const std::function<std::vector<ListedPort>()>& ports,
                                         std::string title)
    : settingsPath_(std::move(settingsPath)),
      ports_(DialogPorts(ports ? ports() : std::vector<ListedPort>())),
      title_(std::move(title)) {}

std::vector<std::string> PortDialogPresenter::PortItems() const {
  std::vector<std::string> items;
  for (const ListedPort& port : ports_) {
    std::string item = "com" + std::to_string(port.Number);
    if (!port.Detail.empty()) item += "  " + port.Detail;
    items.push_back(std::move(item));
  }
  return items;
}

std::vector<std::string> PortDialogPresenter::BaudItems() {
  return {"38400", "57600", "115200"};
}

void PortDialogPresenter::FormShow(PortDialogView& view) {
  const int port = std::max(ReadUartPortSetting(settingsPath_), 1);
  const auto it = std::ranges::find(ports_, port, &ListedPort::Number);
  if (it != ports_.end()) {
    view.SelectPort(static_cast<int>(it - ports_.begin()));
  } else {
    // A port that is not here now (an adapter unplugged) stays what Save writes.
    view.SelectPort(-1);
    view.SetPortText("com" + std::to_string(port));
  }
  view.SelectBaud(ReadBaudIndexSetting(settingsPath_));
}

void PortDialogPresenter::Save(PortDialogView& view) {
  const auto index = static_cast<std::size_t>(view.SelectedPortIndex());  // -1: none, beyond all
  const std::optional<int> port =
      index < ports_.size() ? ports_[index].Number : TypedPort(view.PortText());
  if (!port) {
    view.ShowMessage({BoxIcon::Warning, title_,
                      "\"" + platform::TerminalSafe(view.PortText(), kTypedTextShown) + "\"" +
                          text::kPortNotUnderstood});
    return;
  }
  try {
    WriteUartPortSetting(settingsPath_, *port);
    WriteBaudIndexSetting(settingsPath_, view.SelectedBaudIndex());
  } catch (const SettingsWriteError& error) {
    view.ShowMessage({BoxIcon::Error, title_, SaveErrorText(error)});
    return;
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
