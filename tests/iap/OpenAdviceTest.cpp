#include "iap/OpenAdvice.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

TEST(OpenFailureAdvice, NamesThePortTheReasonAndWhatToDo) {
  struct Case {
    std::errc reason;
    const char* advice;
  };
  const Case cases[] = {
      {std::errc::permission_denied, "dialout group"},
      {std::errc::operation_not_permitted, "dialout group"},
      {std::errc::device_or_resource_busy, "Another program holds the port"},
      {std::errc::resource_unavailable_try_again, "Another program holds the port"},
      {std::errc::no_such_file_or_directory, "There is no such device"},
      {std::errc::no_such_device, "There is no such device"},
      {std::errc::io_error, "Check the cable and the port name"},
  };
  for (const Case& c : cases) {
    const std::error_code reason = std::make_error_code(c.reason);
    const std::string advice = OpenFailureAdvice("/dev/ttyUSB3", "ignored", reason);
    EXPECT_EQ(advice.rfind("cannot open the serial port /dev/ttyUSB3: " + reason.message(), 0), 0u)
        << advice;
    EXPECT_NE(advice.find(c.advice), std::string::npos) << advice;
    EXPECT_NE(advice.back(), '\n');
  }
}

TEST(OpenFailureAdvice, ComponentTextStandsInForAMissingReasonAndNoFailureMeansNoAdvice) {
  JobReport report;
  EXPECT_EQ(OpenFailureAdvice(report), "");
  report.FailedPortName = "COM9";
  report.OpenErrorText = "此串口已经打开";
  EXPECT_EQ(OpenFailureAdvice(report).rfind("cannot open the serial port COM9: 此串口已经打开\n", 0),
            0u);
}

}  // namespace
}  // namespace quorin
