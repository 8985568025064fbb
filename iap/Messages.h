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

// The window's connection check (the doctor's findings in a dialog).
inline constexpr const char* kDoctorRunning =
    "Checking the connection: the USB serial adapters, their drivers, the port in the settings "
    "and whether the controller's loader answers. This takes a few seconds...";
inline constexpr const char* kDoctorJobRunning =
    "A job is using the serial port now, so the connection was not checked. Press Run again when "
    "the job has ended.";
inline constexpr const char* kDoctorSimulated =
    "The connection check looks at a real serial line. This window talks to the simulated "
    "controller (--simulate), so there is nothing to check. Start the window without --simulate "
    "to check the line to your controller.";
// The check ended in an error of this program; its text follows.
inline constexpr const char* kDoctorFailed = "The connection check could not finish: ";
// Program pressed while the check holds the port.
inline constexpr const char* kDoctorHoldsPort =
    "The connection check is using the serial port. Press Program again when the check has ended "
    "(Uart > Connection check shows its findings).";
// Added to the advice beside the log after a job whose port did not open or whose loader never
// answered.
inline constexpr const char* kDoctorPointer =
    "Uart > Connection check tells what stands between this computer and the controller: the "
    "adapter, its driver, the port and the wiring.";

// The worker thread could not be started; the system's reason follows.
inline constexpr const char* kThreadCreationError = "Thread creation error: ";

}  // namespace quorin::text
