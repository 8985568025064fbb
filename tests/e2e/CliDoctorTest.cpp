// quorin-iap-cli doctor's line checks as a user runs them: against the simulated controller
// (answering, silent) and a pseudo-terminal whose far end echoes (socat ... EXEC:cat). The JSON is
// read by python3 and held to its contract; the controller must have received identification
// requests only.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "sim/SimController.h"
#include "tests/e2e/CliChild.h"

namespace quorin::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Prints "check/severity" per finding after checking the contract; exits 1 when it is broken.
constexpr const char* kContract = R"(
import json, sys
text = sys.stdin.read()
data = json.loads(text)
assert text.endswith("}\n") and text.count("\n") == 1, "stdout holds one object"
assert set(data) == {"adapters", "findings"}, data.keys()
fixed = {"loader-answers": "ok", "loopback-ok": "ok", "no-answer": "problem",
         "no-adapter": "problem", "driver-missing": "problem", "brltty": "problem",
         "port-missing": "problem", "permission": "problem", "busy": "problem",
         "loopback-failed": "problem", "modem-manager": "warning", "application-talks": "warning"}
for a in data["adapters"]:
    assert set(a) == {"port", "device", "usb-id", "chip", "driver", "description"}, a
for f in data["findings"]:
    assert set(f) == {"check", "severity", "text", "action"}, f
    assert fixed[f["check"]] == f["severity"], f
    assert f["text"], f
    assert f["severity"] != "problem" or f["action"], f
problems = any(f["severity"] == "problem" for f in data["findings"])
assert problems == (int(sys.argv[1]) != 0), "exit 0 exactly when no problem"
print(" ".join(f["check"] + "/" + f["severity"] for f in data["findings"] if f["check"] != "no-adapter"))
)";

struct Outcome {
  int exitCode;
  std::string checks;  // what the contract script printed
};

Outcome Doctor(const std::vector<std::string>& extra) {
  std::vector<std::string> args = {QUORIN_CLI_PATH, "doctor", "--json"};
  args.insert(args.end(), extra.begin(), extra.end());
  Child cli(args);
  const auto code = cli.WaitFor(20s);
  EXPECT_TRUE(code.has_value());
  const fs::path json = fs::temp_directory_path() / ("quorin-doctor-" + std::to_string(getpid()));
  {
    std::FILE* file = std::fopen(json.c_str(), "wb");
    std::fwrite(cli.Stdout().data(), 1, cli.Stdout().size(), file);
    std::fclose(file);
  }
  Child python({"/bin/sh", "-c", std::string(QUORIN_PYTHON3_PATH) + " -c \"$0\" \"$1\" < \"$2\"",
                kContract, std::to_string(code.value_or(-1)), json.string()});
  EXPECT_EQ(python.Wait(), 0) << cli.Stdout() << python.Stderr();
  fs::remove(json);
  std::string checks = python.Stdout();
  while (!checks.empty() && checks.back() == '\n') checks.pop_back();
  return {code.value_or(-1), checks};
}

struct ControllerCase {
  sim::SimScenario Scenario;
  bool ok;  // exit 0 (a silent line is 3 or 4: 3 when no USB adapter is plugged in here either)
  std::string checks;
};

class DoctorController : public ::testing::TestWithParam<ControllerCase> {};

TEST_P(DoctorController, AsksOnlyForIdentificationAndSaysWhatAnswered) {
  sim::SimOptions options;
  options.Scenario = GetParam().Scenario;
  sim::SimController controller(options);
  controller.Start();
  const Outcome outcome = Doctor({"--port", controller.SlavePath()});
  EXPECT_EQ(outcome.exitCode == 0, GetParam().ok);
  EXPECT_TRUE(outcome.exitCode == 0 || outcome.exitCode == 3 || outcome.exitCode == 4);
  EXPECT_EQ(outcome.checks, GetParam().checks);
  std::size_t bytes = 0;
  for (const sim::LineChunk& chunk : controller.Report().Received) {
    for (const std::uint8_t byte : chunk.Bytes) EXPECT_EQ(byte, 0x02);
    EXPECT_EQ(chunk.Baud, 38400u);
    bytes += chunk.Bytes.size();
  }
  EXPECT_GE(bytes, 1u);
  EXPECT_LE(bytes, 10u);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, DoctorController,
    ::testing::Values(ControllerCase{sim::SimScenario::Normal, true, "loader-answers/ok"},
                      ControllerCase{sim::SimScenario::Silent, false, "no-answer/problem"}));

// The far end of a pseudo-terminal that echoes every byte: TX bridged to RX.
class EchoLine {
 public:
  EchoLine() : link_(fs::temp_directory_path() / ("quorin-echo-" + std::to_string(getpid()))) {
    fs::remove(link_);
    socat_.emplace(std::vector<std::string>{
        "/usr/bin/socat", "PTY,link=" + link_.string() + ",raw,echo=0", "EXEC:cat"});
    for (int i = 0; i < 200 && !fs::exists(link_); ++i) std::this_thread::sleep_for(10ms);
  }
  ~EchoLine() { socat_->Signal(SIGTERM); }
  std::string Path() const { return link_.string(); }

 private:
  fs::path link_;
  std::optional<Child> socat_;
};

TEST(DoctorLoopback, AnEchoingLineIsAGoodLoopbackButNoLoader) {
  const EchoLine line;
  ASSERT_TRUE(fs::exists(line.Path()));
  EXPECT_EQ(Doctor({"--port", line.Path(), "--loopback"}).checks, "loopback-ok/ok");
  // --watch reports on standard error: standard output stays the one object.
  const Outcome asked = Doctor({"--port", line.Path(), "--watch", "1"});
  EXPECT_NE(asked.exitCode, 0);
  EXPECT_EQ(asked.checks, "no-answer/problem");
}

TEST(DoctorLoopback, NothingComingBackIsAFailedLoopback) {
  sim::SimOptions options;
  options.Scenario = sim::SimScenario::Silent;
  sim::SimController controller(options);
  controller.Start();
  const Outcome outcome = Doctor({"--port", controller.SlavePath(), "--loopback"});
  EXPECT_NE(outcome.exitCode, 0);
  EXPECT_EQ(outcome.checks, "loopback-failed/problem");
}

}  // namespace
}  // namespace quorin::e2e
