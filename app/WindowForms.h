#pragma once
// The windows' forms as data: every control of the main window and of the port dialog with its
// identifier, kind, object name, parent, caption, place and size in client pixels (at 96 dpi),
// font, colours, tool tip and visibility. The Qt view and the Win32 view build their widgets from
// these tables, as a form file drives a form; a view keeps only how its toolkit draws a kind of
// control. Tests compare what each view built against the same tables.
#include <compare>
#include <span>
#include <string_view>

namespace quorin::form {

// Win32 control identifiers. Test drivers find the controls through these (the window tree,
// GetDlgItem), never by screen position, so they are part of the window's contract.
namespace id {
inline constexpr int kNone = -1;                   // a control nobody addresses (labels, panels)
inline constexpr int kReadPack = 1001;             // Btn_ReadUserPack
inline constexpr int kProgram = 1002;              // Btn_SendToController
inline constexpr int kPackInfoGroup = 1003;        // GroupBox1
inline constexpr int kPackFileName = 1004;         // Edit_UpdateFileName
inline constexpr int kVersion = 1005;              // Edit_VerNum
inline constexpr int kUpdateKind = 1006;           // Label8
inline constexpr int kLogo = 1007;                 // Image1
inline constexpr int kGauge = 1008;                // Gauge1
inline constexpr int kLog = 1009;                  // ListBox1
inline constexpr int kMenuUartPort = 1010;         // menu "Uart" > "Uart Port" (WM_COMMAND id)
inline constexpr int kMenuConnectionCheck = 1011;  // menu "Uart" > "Connection check"

inline constexpr int kPortList = 2001;  // ComboBox1 of the port dialog
inline constexpr int kBaudList = 2002;  // ComboBox2 (hidden)
inline constexpr int kSave = 2003;      // Button1
inline constexpr int kExit = 2004;      // Button2

inline constexpr int kFindings = 3001;  // Memo1 of the connection check dialog
inline constexpr int kRunAgain = 3002;  // Button1
inline constexpr int kClose = 3003;     // Button2
}  // namespace id

enum class Kind {
  Panel,            // a raised panel the window paints (ToolBar1)
  Divider,          // an etched vertical line
  FlatImageButton,  // a tool-bar button: its icon beside its caption, flat until hovered
  GroupBox,         // a captioned frame; its children are placed relative to it
  Label,
  ReadOnlyEdit,
  Image,     // the logo, stretched to its box
  Gauge,     // a progress bar with its percentage in the middle
  ListBox,   // the log: one line per item
  ComboBox,  // a drop-down list with an edit field
  PushButton,
  MultiLineEdit,  // read-only text of many lines with scroll bars; its text can be selected and
                  // copied
};

// A flat image button's icon is square, this many pixels wide; a list's rows (the log's, and
// those of a drop-down list) are this many pixels high. At 96 dpi, like every place and size.
inline constexpr int kButtonIconPixels = 24;
inline constexpr int kListRowPixels = 19;

enum class Face { SansSerif, YaHei };

struct Font {
  Face Family = Face::SansSerif;
  int Pixels = 11;
  bool Bold = false;
  friend auto operator<=>(const Font&, const Font&) = default;
};

struct Rgb {
  unsigned char Red = 0, Green = 0, Blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Which colour a control's text or background has.
enum class Colour {
  System,         // the system's colour for such a control
  Navy,           // 0, 0, 128
  Blue,           // 0, 0, 255
  Black,          // 0, 0, 0
  White,          // 255, 255, 255
  HighlightText,  // the system's highlighted-text colour (the pack information's background)
};

// The RGB value of a fixed colour; System and HighlightText have none (the view asks its system).
Rgb RgbOf(Colour colour);

struct Box {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  friend bool operator==(const Box&, const Box&) = default;
};

struct Control {
  int Id = id::kNone;
  Kind Type = Kind::Label;
  std::string_view Name{};    // the object name
  std::string_view Parent{};  // the object name of the group it sits in; empty: the client area
  std::string_view Caption{};
  Box Place{};  // relative to its parent, in pixels at 96 dpi
  Font TextFont{};
  Colour Text = Colour::System;
  Colour Background = Colour::System;
  std::string_view Tooltip{};
  bool Visible = true;
  // A disabled group is display only: its children show in colour but take no input.
  bool Enabled = true;
  // A label sizes itself to its text (never below its box): with a wider fallback font the text
  // still shows whole.
  bool FitText = false;
};

struct Form {
  std::string_view Name;       // the window's object name and Win32 class name
  std::string_view Caption{};  // a dialog's; the main window's comes from its presenter
  int OuterWidth = 0;          // the frame, caption bar and borders included
  int OuterHeight = 0;
  int ClientWidth = 0;  // below the menu bar, if any
  int ClientHeight = 0;
  Font DefaultFont{};                   // the window's own font
  std::span<const Control> Controls{};  // parents before their children

  // The control named `name`. Throws std::out_of_range when the form has none: a view and its
  // table that disagree on a name is a programming error.
  const Control& operator[](std::string_view name) const;
  // `control`'s box relative to the client area (its parents' places added).
  Box ClientBox(const Control& control) const;
};

// TF_UpdateDispController: the main window.
const Form& MainWindowForm();
// TF_UartSet: the port settings dialog.
const Form& PortDialogForm();
// TF_ConnectionCheck: the connection check's dialog (the doctor's findings).
const Form& DoctorDialogForm();

// The caption and entries of the main window's one menu ("Uart" > "Uart Port", "Connection
// check").
inline constexpr std::string_view kUartMenu = "Uart";
inline constexpr std::string_view kUartPortEntry = "Uart Port";
inline constexpr std::string_view kConnectionCheckEntry = "Connection check";

}  // namespace quorin::form
