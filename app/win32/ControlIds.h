#pragma once
// The Win32 window's control identifiers. Test drivers find the controls through these (the
// window tree, GetDlgItem), never by screen position, so they are part of the window's contract.
namespace quorin::win32ids {

inline constexpr int kReadPack = 1001;         // Btn_ReadUserPack
inline constexpr int kProgram = 1002;          // Btn_SendToController
inline constexpr int kPackInfoGroup = 1003;    // GroupBox1
inline constexpr int kPackFileName = 1004;     // Edit_UpdateFileName
inline constexpr int kVersion = 1005;          // Edit_VerNum
inline constexpr int kUpdateKind = 1006;       // Label8
inline constexpr int kLogo = 1007;             // Image1
inline constexpr int kGauge = 1008;            // Gauge1
inline constexpr int kLog = 1009;              // ListBox1
inline constexpr int kMenuUartPort = 1010;     // menu "Uart" > "Uart Port" (WM_COMMAND id)

inline constexpr int kPortList = 2001;         // ComboBox1 of the port dialog
inline constexpr int kBaudList = 2002;         // ComboBox2 (hidden)
inline constexpr int kSave = 2003;             // Button1
inline constexpr int kExit = 2004;             // Button2

}  // namespace quorin::win32ids
