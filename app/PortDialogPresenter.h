#pragma once
// What the port settings dialog does: which port it shows, what Save writes to the settings file
// and when it closes. Toolkit-free; the Qt and the Win32 dialogs forward their events here.
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "app/WindowViews.h"

namespace quorin {

inline constexpr int kUartPortItems = 9;  // "com1" ... "com9", always listed

// What the system says about one port number now.
struct ListedPort {
  int Number = 0;        // n of "COMn", from 1
  std::string Detail;    // shown after "comn" and two blanks (device, adapter); may be empty
  bool Present = false;  // the system lists a port of this number now
};

class PortDialogPresenter {
 public:
  // `settingsPath` is the settings file; `ports` tells what the system knows about port numbers
  // (called once, here; null: nothing known); `title` is the caption of message boxes.
  PortDialogPresenter(std::string settingsPath,
                      const std::function<std::vector<ListedPort>()>& ports, std::string title);

  // ComboBox1's items: "com1" ... "com9", then every present port above 9 by number, each
  // followed by two blanks and its detail when there is one.
  std::vector<std::string> PortItems() const;
  // ComboBox2's items: "38400", "57600", "115200".
  static std::vector<std::string> BaudItems();

  // FormShow: selects the item of the stored port (item 0 for Port <= 0); a stored port that is
  // not listed leaves no item selected and shows "com<Port>" in the field, so that Save keeps
  // it. Selects baud item ReadBaudIndexSetting(). Reads the settings file; raises nothing.
  void FormShow(PortDialogView& view);
  // Button1Click: writes Port = the selected item's number, or n of a typed "comN" (any case,
  // blanks around it ignored), and BaudRate = the baud list's index, then closes the dialog.
  // Other typed text is refused in a warning box owned by the dialog: nothing is written and the
  // dialog stays open. So is a refused write ("Unable to write to <path>", an error box).
  void Save(PortDialogView& view);
  // Button2Click and the close box: closes without writing.
  void Exit(PortDialogView& view);

 private:
  std::string settingsPath_;
  std::vector<ListedPort> ports_;  // ComboBox1's items, in order
  std::string title_;
};

}  // namespace quorin
