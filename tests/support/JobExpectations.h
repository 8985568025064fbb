#pragma once
// What every finished job must have left behind, and the log lines the job's common endings show.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/JobHarness.h"

namespace quorin::e2e {

using Lines = std::vector<std::string>;

inline const Lines kHappyLines = {"Conntectting MCU....", "MCU Identified", "Programing...",
                                  "Programed sucessfuly"};
inline const Lines kAbortedLines = {"Conntectting MCU....", "MCU Identified", "Programing...",
                                    "Program unsucessful", "Power-off controller and try again "};
inline const Lines kFailLines = {"Conntectting MCU....", "MCU Identified", "Programing...",
                                 "Program fail ", "Power-off controller or display and try again "};

// Every job ends the same way: finished, JobBusy 0, the port closed, the gauge hidden last.
inline void ExpectCleanEnd(const JobRun& run, const RecordingView& view) {
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.jobBusyAtFinish, 0);
  EXPECT_FALSE(run.portOpenAtFinish);
  const auto& events = view.Events();
  const auto lastGauge = std::find_if(events.rbegin(), events.rend(), [](const ViewEvent& e) {
    return e.Type == ViewEvent::Visible;
  });
  ASSERT_NE(lastGauge, events.rend()) << "the gauge was never shown or hidden";
  EXPECT_EQ(lastGauge->Value, 0u) << "gauge left visible";
}

}  // namespace quorin::e2e
