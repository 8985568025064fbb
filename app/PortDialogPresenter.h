#pragma once
// What the port settings dialog does: which port it shows, what Save writes to the settings file
// and when it closes. Toolkit-free; the Qt and the Win32 dialogs forward their events here.
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "app/WindowViews.h"

namespace quorin {

inline constexpr int kUartPortItems = 9;  // "com1" ... "com9"

class PortDialogPresenter {
 public:
  // `settingsPath` is the settings file; `portDevice` names the device a port number resolves to
  // now (empty: show the bare "comN"); `title` is the caption of error boxes.
  PortDialogPresenter(std::string settingsPath, std::function<std::string(int)> portDevice,
                      std::string title);

  // ComboBox1's items: "com1" ... "com9", each followed by two blanks and its device when known.
  std::vector<std::string> PortItems() const;
  // ComboBox2's items: "38400", "57600", "115200".
  static std::vector<std::string> BaudItems();

  // FormShow: selects the stored port (item Port - 1; item 0 for Port <= 0; none above 9) and
  // baud item ReadBaudIndexSetting(). Reads the settings file; raises nothing.
  void FormShow(PortDialogView& view);
  // Button1Click: writes Port = selected index + 1 (0 when nothing is selected) and BaudRate =
  // the baud list's index, then closes the dialog. A refused write ("Unable to write to <path>")
  // is shown in an error box owned by the dialog, which stays open.
  void Save(PortDialogView& view);
  // Button2Click and the close box: closes without writing.
  void Exit(PortDialogView& view);

 private:
  std::string settingsPath_;
  std::function<std::string(int)> portDevice_;
  std::string title_;
};

}  // namespace quorin
