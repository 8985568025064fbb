#include "app/WindowForms.h"

#include <stdexcept>
#include <string>

namespace quorin::form {
namespace {

constexpr Font kSans13{Face::SansSerif, 13, false};
constexpr Font kYaHei13{Face::YaHei, 13, false};
constexpr Font kYaHei13Bold{Face::YaHei, 13, true};
constexpr Font kYaHei16Bold{Face::YaHei, 16, true};

// clang-format off
constexpr Control kMainWindowControls[] = {
  {.Type = Kind::Panel, .Name = "ToolBar1", .Place = {0, 0, 481, 49}},
  {.Id = id::kReadPack, .Type = Kind::FlatImageButton, .Name = "Btn_ReadUserPack",
   .Parent = "ToolBar1", .Caption = "Read Pack", .Place = {0, 2, 185, 39},
   .TextFont = kYaHei13Bold, .Text = Colour::Black,
   .Tooltip = "Read Controller  update from pack file "},
  // ToolButton5: the divider between the two buttons.
  {.Type = Kind::Divider, .Name = "ToolButton5", .Parent = "ToolBar1", .Place = {188, 6, 2, 33}},
  {.Id = id::kProgram, .Type = Kind::FlatImageButton, .Name = "Btn_SendToController",
   .Parent = "ToolBar1", .Caption = "Program", .Place = {193, 2, 264, 39},
   .TextFont = kYaHei13Bold, .Text = Colour::Black, .Enabled = false},  // until a pack is read
  // The pack information: display only, in colour although disabled.
  {.Id = id::kPackInfoGroup, .Type = Kind::GroupBox, .Name = "GroupBox1",
   .Caption = "Controller Update Pack Info", .Place = {2, 56, 471, 145}, .TextFont = kYaHei13,
   .Text = Colour::Navy, .Background = Colour::HighlightText, .Enabled = false},
  {.Type = Kind::Label, .Name = "Label5", .Parent = "GroupBox1",
   .Caption = "Program Firmware Name", .Place = {8, 32, 154, 19}, .TextFont = kYaHei13,
   .Text = Colour::Navy, .Background = Colour::HighlightText, .FitText = true},
  {.Id = id::kPackFileName, .Type = Kind::ReadOnlyEdit, .Name = "Edit_UpdateFileName",
   .Parent = "GroupBox1", .Place = {8, 52, 457, 27}, .TextFont = kYaHei13,
   .Text = Colour::Black, .Background = Colour::White},
  {.Type = Kind::Label, .Name = "Label1", .Parent = "GroupBox1", .Caption = "Version",
   .Place = {8, 88, 46, 19}, .TextFont = kYaHei13, .Text = Colour::Navy,
   .Background = Colour::HighlightText, .FitText = true},
  {.Id = id::kVersion, .Type = Kind::ReadOnlyEdit, .Name = "Edit_VerNum", .Parent = "GroupBox1",
   .Place = {8, 108, 121, 27}, .TextFont = kYaHei13, .Text = Colour::Black,
   .Background = Colour::White},
  {.Id = id::kUpdateKind, .Type = Kind::Label, .Name = "Label8", .Parent = "GroupBox1",
   .Place = {208, 88, 241, 19}, .TextFont = kYaHei13Bold, .Text = Colour::Blue,
   .Background = Colour::HighlightText},
  {.Type = Kind::Label, .Name = "Label2", .Parent = "GroupBox1",
   .Caption = "Tip: Quorin-Middle Drive Controller  Only", .Place = {208, 112, 237, 19},
   .TextFont = kYaHei13, .Text = Colour::Navy, .Background = Colour::HighlightText,
   .FitText = true},
  {.Id = id::kLogo, .Type = Kind::Image, .Name = "Image1", .Parent = "GroupBox1",
   .Place = {296, 18, 169, 25}},
  {.Id = id::kGauge, .Type = Kind::Gauge, .Name = "Gauge1", .Place = {2, 208, 471, 17},
   .Text = Colour::Black, .Background = Colour::White, .Visible = false},
  {.Id = id::kLog, .Type = Kind::ListBox, .Name = "ListBox1", .Place = {2, 232, 471, 121},
   .TextFont = kYaHei13},
  {.Type = Kind::Label, .Name = "Label4", .Caption = "Notice:    if  program unsucessfully",
   .Place = {8, 360, 230, 19}, .TextFont = kYaHei13Bold, .FitText = true},
  {.Type = Kind::Label, .Name = "Label6", .Caption = "1. Wait  few seconds  and try again ",
   .Place = {8, 384, 220, 19}, .TextFont = kYaHei13, .FitText = true},
  {.Type = Kind::Label, .Name = "Label3",
   .Caption = "2. Remove program cable  and connect again if still unsucessful",
   .Place = {8, 400, 391, 19}, .TextFont = kYaHei13, .FitText = true},
  {.Type = Kind::Label, .Name = "Label7", .Caption = "www.quorin.example",
   .Place = {280, 360, 185, 19}, .TextFont = kYaHei16Bold, .Text = Colour::Navy,
   .FitText = true},
};

constexpr Control kPortDialogControls[] = {
  {.Type = Kind::GroupBox, .Name = "GroupBox2", .Caption = "UART", .Place = {13, 13, 185, 140},
   .TextFont = kYaHei13},
  {.Type = Kind::Label, .Name = "Label1", .Parent = "GroupBox2", .Caption = "UART Port",
   .Place = {14, 27, 64, 19}, .TextFont = kYaHei13, .FitText = true},
  {.Id = id::kPortList, .Type = Kind::ComboBox, .Name = "ComboBox1", .Parent = "GroupBox2",
   .Place = {12, 48, 161, 27}, .TextFont = kYaHei13},
  // The baud rate is chosen by the settings file only: its list is there but hidden.
  {.Type = Kind::Label, .Name = "Label2", .Parent = "GroupBox2", .Caption = "UartBaud rate",
   .Place = {11, 84, 86, 19}, .TextFont = kYaHei13, .Visible = false, .FitText = true},
  {.Id = id::kBaudList, .Type = Kind::ComboBox, .Name = "ComboBox2", .Parent = "GroupBox2",
   .Place = {14, 105, 155, 27}, .TextFont = kYaHei13, .Visible = false},
  {.Id = id::kSave, .Type = Kind::PushButton, .Name = "Button1", .Caption = "Save",
   .Place = {16, 176, 75, 25}, .TextFont = kSans13},
  {.Id = id::kExit, .Type = Kind::PushButton, .Name = "Button2", .Caption = "Exit",
   .Place = {112, 176, 75, 25}, .TextFont = kSans13},
};

constexpr Control kDoctorDialogControls[] = {
  {.Id = id::kFindings, .Type = Kind::MultiLineEdit, .Name = "Memo1", .Place = {8, 8, 584, 320},
   .TextFont = kSans13, .Text = Colour::Black, .Background = Colour::White},
  {.Id = id::kRunAgain, .Type = Kind::PushButton, .Name = "Button1", .Caption = "Run again",
   .Place = {8, 338, 90, 25}, .TextFont = kSans13},
  {.Id = id::kClose, .Type = Kind::PushButton, .Name = "Button2", .Caption = "Close",
   .Place = {502, 338, 90, 25}, .TextFont = kSans13},
};
// clang-format on

// A frame's outer size counts its borders and caption bar; the client area is what is left below
// the menu bar, if any. Controls without a font of their own use the window's (MS Sans Serif 11).
constexpr Form kMainWindow{.Name = "TF_UpdateDispController",
                           .OuterWidth = 497,
                           .OuterHeight = 483,
                           .ClientWidth = 481,
                           .ClientHeight = 424,
                           .Controls = kMainWindowControls};
constexpr Form kPortDialog{.Name = "TF_UartSet",
                           .Caption = "Uart port set",
                           .OuterWidth = 221,
                           .OuterHeight = 273,
                           .ClientWidth = 205,
                           .ClientHeight = 234,
                           .Controls = kPortDialogControls};
constexpr Form kDoctorDialog{.Name = "TF_ConnectionCheck",
                             .Caption = "Connection check",
                             .OuterWidth = 616,
                             .OuterHeight = 410,
                             .ClientWidth = 600,
                             .ClientHeight = 371,
                             .Controls = kDoctorDialogControls};

}  // namespace

Rgb RgbOf(Colour colour) {
  switch (colour) {
    case Colour::Navy:
      return {0, 0, 128};
    case Colour::Blue:
      return {0, 0, 255};
    case Colour::White:
      return {255, 255, 255};
    case Colour::Black:
    case Colour::System:
    case Colour::HighlightText:
      break;
  }
  return {0, 0, 0};
}

const Control& Form::operator[](std::string_view name) const {
  for (const Control& control : Controls) {
    if (control.Name == name) return control;
  }
  throw std::out_of_range("the form " + std::string(Name) + " has no control " + std::string(name));
}

Box Form::ClientBox(const Control& control) const {
  Box box = control.Place;
  for (std::string_view parent = control.Parent; !parent.empty();) {
    const Control& outer = (*this)[parent];
    box.Left += outer.Place.Left;
    box.Top += outer.Place.Top;
    parent = outer.Parent;
  }
  return box;
}

const Form& MainWindowForm() {
  return kMainWindow;
}
const Form& PortDialogForm() {
  return kPortDialog;
}
const Form& DoctorDialogForm() {
  return kDoctorDialog;
}

}  // namespace quorin::form
