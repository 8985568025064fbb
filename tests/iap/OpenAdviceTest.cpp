#include "iap/OpenAdvice.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

using platform::OpenRefusal;
using platform::PortHolder;

OpenFailureFacts Facts(OpenRefusal refusal, bool told = true, std::vector<PortHolder> holders = {},
                       std::string group = {}, bool groupMayUse = true, bool named = true) {
  OpenFailureFacts facts;
  facts.Refusal = refusal;
  facts.Device = "/dev/ttyUSB3";
  facts.Holders = {told, std::move(holders)};
  facts.Group = {std::move(group), groupMayUse, named, "4242"};
  return facts;
}

TEST(OpenFailureAdvice, SaysWhatToDoFromWhatTheSystemTold) {
  const PortHolder minicom{4242, "minicom", "minicom -D /dev/ttyUSB3"};
  const PortHolder modemManager{77, "ModemManager", "/usr/sbin/ModemManager"};
  const PortHolder odd{9, "odd\x1b", std::string(150, 'x')};
  struct Case {
    OpenFailureFacts facts;
    std::vector<std::string> present;
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {Facts(OpenRefusal::Busy, true, {minicom}),
       {"\n  This program holds the port:\n    pid 4242 minicom (minicom -D /dev/ttyUSB3)\n"
        "  Close it, then retry."},
       {"ModemManager"}},
      {Facts(OpenRefusal::Busy, true, {modemManager}),
       {"pid 77 ModemManager (/usr/sbin/ModemManager)\n",
        "`sudo systemctl stop ModemManager` (it starts again at the next boot), then retry."},
       {"Close it", "close the others"}},
      {Facts(OpenRefusal::Busy, true, {modemManager, minicom}),
       {"These programs hold the port:\n", "pid 4242 minicom", "close the others, then retry."},
       {}},
      {Facts(OpenRefusal::Busy, true, {odd}),
       {"pid 9 odd? (" + std::string(100, 'x') + "...)\n"}, {"\x1b"}},
      {Facts(OpenRefusal::Busy, true), {"no process this user may look into"}, {"pid"}},
      {Facts(OpenRefusal::Busy, false),
       {"Another program has the port open (the system does not tell which)",
        "a terminal program", "another flashing tool", "vendor's configuration program"},
       {"pid", "ModemManager"}},
      {Facts(OpenRefusal::NoPermission, true, {}, "uucp"),
       {"/dev/ttyUSB3 belongs to the group uucp.\n",
        "`sudo usermod -aG uucp $USER`, log out and in\n"},
       {"dialout"}},
      {Facts(OpenRefusal::NoPermission, true, {}, "root"), {"would not help"}, {"usermod"}},
      {Facts(OpenRefusal::NoPermission, true, {}, "plugdev", false),
       {"joining its group (plugdev) would not help"}, {"usermod"}},
      {Facts(OpenRefusal::NoPermission), {"sudo usermod -aG dialout $USER"}, {}},
      {Facts(OpenRefusal::NoPermission, true, {}, "4242", true, false),
       {"belongs to the group number 4242,\n  which has no name on this system"}, {"usermod"}},
      {Facts(OpenRefusal::NoPermission, true, {}, std::string(40, 'g')),
       {"the group " + std::string(32, 'g') + "....\n", "`sudo usermod -aG 4242 $USER`"},
       {std::string(33, 'g'), "-aG g"}},
      {Facts(OpenRefusal::NoPermission, true, {}, "serial users\x1b[8m"),
       {"the group serial users?[8m.\n", "`sudo usermod -aG 4242 $USER`"}, {"\x1b", "-aG s"}},
      {Facts(OpenRefusal::NoDevice), {"There is no such device", "quorin-iap-cli ports"}, {}},
      {Facts(OpenRefusal::Other), {"Check the cable and the port name"}, {}},
  };
  for (const Case& c : cases) {
    const std::string advice = OpenFailureAdvice("/dev/ttyUSB3", "REASON", c.facts);
    EXPECT_EQ(advice.rfind("cannot open the serial port /dev/ttyUSB3: REASON\n  ", 0), 0u)
        << advice;
    EXPECT_NE(advice.back(), '\n');
    for (const std::string& text : c.present) EXPECT_NE(advice.find(text), std::string::npos) << advice;
    for (const std::string& text : c.absent) EXPECT_EQ(advice.find(text), std::string::npos) << advice;
  }
}

TEST(OpenFailureAdvice, ReportGivesTheReasonOrTheComponentTextAndNoFailureMeansNoAdvice) {
  JobReport report;
  EXPECT_EQ(OpenFailureAdvice(report), "");
  PortOpenFailure& failure = report.OpenFailure.emplace();
  failure.PortName = "COM9";
  failure.Text = "此串口已经打开";
  EXPECT_EQ(OpenFailureAdvice(report).rfind("cannot open the serial port COM9: 此串口已经打开\n", 0),
            0u);
  failure.Reason = std::make_error_code(std::errc::device_or_resource_busy);
  EXPECT_EQ(OpenFailureAdvice(report).rfind(
                "cannot open the serial port COM9: " + failure.Reason.message() + "\n", 0),
            0u);
  // A thread this program could not start (EAGAIN, as a busy lock also gives) blames no one else.
  failure.Reason = std::make_error_code(std::errc::resource_unavailable_try_again);
  failure.Facts.Refusal = OpenRefusal::Busy;
  failure.InProgram = true;
  EXPECT_NE(OpenFailureAdvice(report).find("could not start what it needs"), std::string::npos);
  EXPECT_EQ(OpenFailureAdvice(report).find("Another program"), std::string::npos);
  // The port's name comes from outside: cleaned and cut.
  failure.PortName = "/dev/\x1b]0;x\x07" + std::string(100, 'p');
  EXPECT_EQ(OpenFailureAdvice(report).rfind(
                "cannot open the serial port /dev/?]0;x?" + std::string(53, 'p') + "...: ", 0),
            0u);
}

TEST(OpenFailureAdvice, RefusedSettingsAreNamedWithTheirReasonsAndNoneMeansNoAdvice) {
  JobReport report;
  EXPECT_EQ(RefusedSettingsAdvice(report), "");
  PortSettingsRefused& refused = report.SettingsRefused.emplace();
  refused.PortName = "COM9";
  refused.BaudRate = 250000;
  refused.LineState = std::make_error_code(std::errc::invalid_argument);
  const std::string line = "the driver of COM9 refused the line settings (250000 baud, 8 data "
                           "bits, no parity, 1 stop bit): " + refused.LineState.message();
  EXPECT_EQ(RefusedSettingsAdvice(report).rfind(line + "\n  The port was used anyway", 0), 0u);
  refused.Timeouts = std::make_error_code(std::errc::io_error);
  EXPECT_EQ(RefusedSettingsAdvice(report).rfind(
                line + "\nthe driver of COM9 refused the read and write time-outs: " +
                    refused.Timeouts.message() + "\n  ",
                0),
            0u);
}

}  // namespace
}  // namespace quorin
