// flash's progress bar on a real stream: nothing made up before the job tells its size.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "cli/ConsoleView.h"

TEST(ConsoleViewTest, TheBarWaitsForThePackSize) {
  const std::string path = ::testing::TempDir() + "console-view-bar.txt";
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"),
                                                            &std::fclose);
  ASSERT_NE(out, nullptr);
  const auto shown = [&path, &out] {
    std::fflush(out.get());
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  quorin::ConsoleView view(out.get(), out.get());
  view.SetGaugeVisible(true);  // as a job does while it still looks for the controller
  view.AddLogLine("Conntectting MCU....");
  EXPECT_EQ(shown(), "Conntectting MCU....\n");
  view.SetGaugeMaximum(2100);
  EXPECT_NE(shown().find(" 0/2100 B"), std::string::npos) << shown();
}
