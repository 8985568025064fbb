#pragma once
// Every text the tool shows a user outside the widgets' own labels: the job's log lines, the
// texts and captions of its message boxes, the update-kind texts and the main window's caption.
// The core, both front ends and the tests use these names, so a text is spelt in one place only.
// UTF-8; the trailing blanks are part of the texts.

namespace quorin::text {

// The log lines of a job, in the order a job may write them.
inline constexpr const char* kConnecting = "Conntectting MCU....";
inline constexpr const char* kPortError = "UART Port error ";
inline constexpr const char* kIdentified = "MCU Identified";
inline constexpr const char* kRestarting = "MCU Restarting...";
inline constexpr const char* kUnidentified1 = "MCU undentified ,try agian";
inline constexpr const char* kUnidentified2 = "or IAP app version is lower";
inline constexpr const char* kUnidentified3 = "or pack version is lower than V6400";
inline constexpr const char* kProgramming = "Programing...";
inline constexpr const char* kUnsuccessful1 = "Program unsucessful";
inline constexpr const char* kUnsuccessful2 = "Power-off controller and try again ";
inline constexpr const char* kProgrammed = "Programed sucessfuly";
inline constexpr const char* kProgramFail1 = "Program fail ";
inline constexpr const char* kProgramFail2 = "Power-off controller or display and try again ";

// The update kind of a pack (Label8).
inline constexpr const char* kUpdateSoftwareAndSettings = "Update software + settings";
inline constexpr const char* kUpdateSoftwareOnly = "Update software only";

// Read Pack's warnings: a broken pack, and a pack made for another controller.
inline constexpr const char* kPackBroken = "Pack file was briken";
inline constexpr const char* kPackBrokenCaption = "Error";
inline constexpr const char* kForeignTarget = "固件包错误";
inline constexpr const char* kForeignTargetCaption = "警告";

// The main window.
inline constexpr const char* kMainCaption = "Quorin-G2-Controller IAP Tool Ver 5.1-20002";
// The port dialog refuses typed text that names no port; the text, in quotes, comes first.
inline constexpr const char* kPortNotUnderstood =
    " names no port. Choose one from the list, or type com and the port's number (for example "
    "com13).";

// The worker thread could not be started; the system's reason follows.
inline constexpr const char* kThreadCreationError = "Thread creation error: ";

}  // namespace quorin::text
