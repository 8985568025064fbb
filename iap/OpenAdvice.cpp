#include "iap/OpenAdvice.h"

namespace quorin {
namespace {

const char* WhatToDo(std::error_code reason) {
  if (reason == std::errc::permission_denied || reason == std::errc::operation_not_permitted) {
    return "You may not use this port. Add your user to the dialout group\n"
           "(sudo usermod -aG dialout $USER), log out and in again, then retry.";
  }
  if (reason == std::errc::device_or_resource_busy ||
      reason == std::errc::resource_unavailable_try_again ||
      reason == std::errc::operation_would_block) {
    return "Another program holds the port (a terminal program, another flashing tool,\n"
           "ModemManager). Close it, then retry.";
  }
  if (reason == std::errc::no_such_file_or_directory || reason == std::errc::no_such_device ||
      reason == std::errc::no_such_device_or_address) {
    return "There is no such device. Connect the cable, list the serial ports with\n"
           "`quorin-iap-cli ports` and choose one (Uart > Uart Port, or --port NAME).";
  }
  return "Check the cable and the port name; `quorin-iap-cli ports` lists the serial ports.";
}

// Indents every line after the first by two blanks.
std::string Indented(const char* text) {
  std::string out = "  ";
  for (const char* p = text; *p != '\0'; ++p) {
    out += *p;
    if (*p == '\n') out += "  ";
  }
  return out;
}

}  // namespace

std::string OpenFailureAdvice(const std::string& portName, const std::string& componentText,
                              std::error_code reason) {
  std::string advice = "cannot open the serial port " + portName + ": ";
  advice += reason ? reason.message() : componentText;
  advice += "\n";
  advice += Indented(WhatToDo(reason));
  return advice;
}

std::string OpenFailureAdvice(const JobReport& report) {
  if (report.FailedPortName.empty()) return {};
  return OpenFailureAdvice(report.FailedPortName, report.OpenErrorText, report.OpenErrorReason);
}

}  // namespace quorin
