// quorin-iap-cli flash as a user runs it: a separate process against the simulated controller,
// judged by its stdout (exactly the log lines), its stderr and its exit code.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "pack/UpdatePack.h"
#include "tests/e2e/CliChild.h"
#include "tests/support/HolderChild.h"
#include "tests/support/JobHarness.h"
#include "tests/support/WaitChild.h"

namespace quorin::e2e {
namespace {

namespace fs = std::filesystem;

class CliFlash : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quorin-cli-e2e-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string WritePack(const std::string& name, const std::vector<std::uint8_t>& firmware,
                        std::uint32_t targetCode = kOwnTargetCode) {
    PackFields fields;
    fields.Version = 6400;
    fields.TargetCode = targetCode;
    fields.RandomSeed = 5;
    const auto image = BuildPackImage(firmware, fields);
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image->data()),
               static_cast<std::streamsize>(image->size()));
    return path.string();
  }
  std::vector<std::string> Flash(std::vector<std::string> extra) {
    std::vector<std::string> args = {QUORIN_CLI_PATH, "flash"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back("--settings");
    args.push_back((dir_ / "Cyclomer.ini").string());
    return args;
  }
  fs::path dir_;
};

TEST_F(CliFlash, HappyPathPrintsTheLogLinesAndExitsZero) {
  sim::SimController sim;
  sim.Start();
  const auto firmware = MakeFirmware(2100);
  const std::string pack = WritePack("good.Pack", firmware);
  const std::string trace = (dir_ / "trace.txt").string();
  Child cli(Flash({pack, "--port", sim.SlavePath(), "--trace", trace}));
  EXPECT_EQ(cli.Wait(), 0) << cli.Stderr();
  EXPECT_EQ(cli.Stdout(),
            "Conntectting MCU....\nMCU Identified\nPrograming...\nProgramed sucessfuly\n");
  EXPECT_EQ(cli.Stderr().find('\r'), std::string::npos);  // no progress bar off a terminal
  EXPECT_EQ(sim.Report().LastSession()->Firmware, firmware);

  std::ifstream in(trace);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find(" TX 02\n"), std::string::npos) << text.str().substr(0, 400);
  EXPECT_NE(text.str().find(" RX 02 FD\n"), std::string::npos) << text.str().substr(0, 400);
  EXPECT_NE(text.str().find(" TX FF FF 34 08 00 00"), std::string::npos);  // header, 2100 bytes
  EXPECT_NE(text.str().find(" RX 04\n"), std::string::npos);
}

TEST_F(CliFlash, MissingPortExitsThreeAndSaysWhatToDo) {
  const std::string pack = WritePack("good.Pack", MakeFirmware(64));
  Child cli(Flash({pack, "--port", "/dev/quorin-no-such-port"}));
  EXPECT_EQ(cli.Wait(), 3);
  EXPECT_EQ(cli.Stdout(), "Conntectting MCU....\nUART Port error \n");
  EXPECT_NE(cli.Stderr().find("/dev/quorin-no-such-port"), std::string::npos) << cli.Stderr();
  EXPECT_NE(cli.Stderr().find("quorin-iap-cli ports"), std::string::npos) << cli.Stderr();
}

// --simulate: the controller inside the process, on the in-memory line; no port is named.
TEST_F(CliFlash, SimulateRunsTheJobAgainstTheControllerInsideTheProcess) {
  const std::string pack = WritePack("good.Pack", MakeFirmware(2100));
  Child happy(Flash({pack, "--simulate"}));
  EXPECT_EQ(happy.Wait(), 0) << happy.Stderr();
  EXPECT_EQ(happy.Stdout(),
            "Conntectting MCU....\nMCU Identified\nPrograming...\nProgramed sucessfuly\n");
  Child unacknowledged(Flash({pack, "--simulate=no-header-ack"}));
  EXPECT_EQ(unacknowledged.Wait(), 5);
  EXPECT_NE(unacknowledged.Stdout().find("Program unsucessful\n"), std::string::npos);
  EXPECT_NE(unacknowledged.Stderr().find("the job failed on simulated."), std::string::npos)
      << unacknowledged.Stderr();
}

struct ScenarioExit {
  sim::SimScenario Scenario;
  int exitCode;
  const char* lastLine;
};
class CliFlashOutcome : public CliFlash, public ::testing::WithParamInterface<ScenarioExit> {};
TEST_P(CliFlashOutcome, ExitCodeFollowsTheJob) {
  sim::SimOptions options;
  options.Scenario = GetParam().Scenario;
  sim::SimController sim(options);
  sim.Start();
  Child cli(Flash({WritePack("good.Pack", MakeFirmware(1100)), "--port", sim.SlavePath()}));
  EXPECT_EQ(cli.Wait(), GetParam().exitCode) << cli.Stderr();
  EXPECT_NE(cli.Stdout().find(std::string(GetParam().lastLine) + "\n"), std::string::npos)
      << cli.Stdout();
}
INSTANTIATE_TEST_SUITE_P(Scenarios, CliFlashOutcome,
                         ::testing::Values(ScenarioExit{sim::SimScenario::Silent, 4,
                                                        "or pack version is lower than V6400"},
                                           ScenarioExit{sim::SimScenario::NoHeaderAck, 5,
                                                        "Power-off controller and try again "},
                                           ScenarioExit{
                                               sim::SimScenario::NoVerdict, 6,
                                               "Power-off controller or display and try again "}));

TEST_F(CliFlash, ABusyPortNamesTheProgramHoldingItAndNothingIsSent) {
  sim::SimController sim;
  sim.Start();
  support::HolderChild holder(sim.SlavePath(), "quorin-holder");
  ASSERT_TRUE(holder.Held());
  Child cli(Flash({WritePack("good.Pack", MakeFirmware(64)), "--port", sim.SlavePath()}));
  EXPECT_EQ(cli.Wait(), 3);
  // This test process holds the slave too (the simulated controller's end): both are named.
  EXPECT_NE(cli.Stderr().find("\n    pid " + std::to_string(holder.Pid()) + " quorin-holder ("),
            std::string::npos)
      << cli.Stderr();
  EXPECT_EQ(sim.Report().BytesReceived, 0u);
}

// `flash --json`: stdout is exactly one JSON object (python3's json.load takes nothing else),
// whose fields the table checks; the log lines go to stderr.
struct JsonCase {
  sim::SimScenario Scenario;
  bool missingPort;
  std::map<std::string, std::string> Fields;  // key -> the value as json.dumps writes it
};
class CliFlashJson : public CliFlash, public ::testing::WithParamInterface<JsonCase> {};
TEST_P(CliFlashJson, StdoutIsOneObjectThatSumsUpTheRun) {
  sim::SimOptions options;
  options.Scenario = GetParam().Scenario;
  options.Group = 2;
  sim::SimController sim(options);
  sim.Start();
  const std::string port = GetParam().missingPort ? "/dev/quorin-no-such-port" : sim.SlavePath();
  const std::string pack = WritePack("good.Pack", MakeFirmware(2100));
  Child cli(Flash({pack, "--port", port, "--json"}));
  const int exitCode = cli.Wait();
  std::ofstream(dir_ / "out.json") << cli.Stdout();
  const char* script =
      "import json, sys\n"
      "o = json.load(open(sys.argv[1]))\n"
      "assert isinstance(o, dict)\n"
      "for k in sorted(o): print(k + '=' + json.dumps(o[k], ensure_ascii=False))\n";
  Child python({QUORIN_PYTHON3_PATH, "-c", script, (dir_ / "out.json").string()});
  ASSERT_EQ(python.Wait(), 0) << cli.Stdout() << python.Stderr();
  std::map<std::string, std::string> parsed;
  std::istringstream lines(python.Stdout());
  for (std::string line; std::getline(lines, line);) {
    parsed[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  }
  auto expected = GetParam().Fields;
  expected["exit-code"] = std::to_string(exitCode);
  expected["pack"] = "\"" + pack + "\"";
  expected["port"] = expected["device"] = "\"" + port + "\"";
  expected["version"] = "6400";
  expected["data-length"] = "2100";
  expected["target"] = std::to_string(kOwnTargetCode);
  expected["refused-settings"] = "null";  // a pseudo-terminal takes every setting
  for (const auto& [key, value] : expected) EXPECT_EQ(parsed[key], value) << key;
  EXPECT_GT(std::stod(parsed["duration"]), 0.0);
  EXPECT_EQ(parsed.size(), 13u);
  // The log lines went to stderr, as they appear in the object.
  EXPECT_NE(cli.Stderr().find("Conntectting MCU....\n"), std::string::npos) << cli.Stderr();
}
INSTANTIATE_TEST_SUITE_P(
    Scenarios, CliFlashJson,
    ::testing::Values(
        JsonCase{sim::SimScenario::Normal,
                 false,
                 {{"outcome", "\"programmed\""},
                  {"exit-code", "0"},
                  {"bytes-sent", "2112"},
                  {"groups-acknowledged", "2"},
                  {"log",
                   "[\"Conntectting MCU....\", \"MCU Identified\", \"Programing...\", "
                   "\"Programed sucessfuly\"]"}}},
        JsonCase{sim::SimScenario::AckLost,
                 false,
                 {{"outcome", "\"not-acknowledged\""},
                  {"bytes-sent", "2048"},
                  {"groups-acknowledged", "1"}}},
        JsonCase{sim::SimScenario::Silent,
                 false,
                 {{"outcome", "\"no-answer\""}, {"bytes-sent", "0"}, {"groups-acknowledged", "0"}}},
        JsonCase{sim::SimScenario::Normal,
                 true,
                 {{"outcome", "\"port-error\""},
                  {"log", "[\"Conntectting MCU....\", \"UART Port error \"]"}}}));

TEST_F(CliFlash, PackProblemsAreRefusedBeforeThePortIsTouched) {
  sim::SimController sim;
  sim.Start();
  // Unreadable: missing file, and a file shorter than a pack.
  Child missing(Flash({(dir_ / "none.Pack").string(), "--port", sim.SlavePath()}));
  EXPECT_EQ(missing.Wait(), 2);
  std::ofstream(dir_ / "short.Pack") << "short";
  Child shortFile(Flash({(dir_ / "short.Pack").string(), "--port", sim.SlavePath()}));
  EXPECT_EQ(shortFile.Wait(), 2);
  EXPECT_NE(shortFile.Stderr().find("Read beyond end of file.\n  The file is shorter than a pack"),
            std::string::npos)
      << shortFile.Stderr();
  // Broken: a firmware length beyond what a pack can hold is named as such.
  {
    const auto firmware = MakeFirmware(kMaxDataLength);
    PackFields fields;
    fields.RandomSeed = 5;
    fields.WireKey = 0x5A;
    auto image = BuildPackImage(firmware, fields);
    PackHeader header = BuildPackHeader(firmware, fields, 0x5A);
    header.SetDataLength(kMaxDataLength + 1);
    SealPackHeader(header);
    EncodePackImage(*image, header, firmware, {1, 2});
    std::ofstream(dir_ / "long.Pack", std::ios::binary)
        .write(reinterpret_cast<const char*>(image->data()),
               static_cast<std::streamsize>(image->size()));
  }
  Child tooLong(Flash({(dir_ / "long.Pack").string(), "--port", sim.SlavePath()}));
  EXPECT_EQ(tooLong.Wait(), 1);
  EXPECT_NE(tooLong.Stderr().find("beyond what a pack can hold"), std::string::npos)
      << tooLong.Stderr();
  // No firmware at all: refused without --force.
  Child empty(Flash({WritePack("empty.Pack", {}), "--port", sim.SlavePath()}));
  EXPECT_EQ(empty.Wait(), 1);
  EXPECT_NE(empty.Stderr().find("holds no firmware"), std::string::npos) << empty.Stderr();
  // Broken: one flipped byte in the scrambled header.
  const std::string good = WritePack("broken.Pack", MakeFirmware(64));
  {
    std::fstream f(good, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(5);
    f.put('\x5A');
  }
  Child broken(Flash({good, "--port", sim.SlavePath()}));
  EXPECT_EQ(broken.Wait(), 1);
  EXPECT_NE(broken.Stderr().find("Pack file was briken"), std::string::npos);
  // Foreign target: refused without --force.
  const std::string foreign = WritePack("foreign.Pack", MakeFirmware(64), 20003);
  Child refused(Flash({foreign, "--port", sim.SlavePath()}));
  EXPECT_EQ(refused.Wait(), 7);
  EXPECT_NE(refused.Stderr().find("固件包错误"), std::string::npos);
  EXPECT_EQ(refused.Stdout(), "");
  EXPECT_EQ(sim.Report().BytesReceived, 0u);
  // With --force it is sent.
  Child forced(Flash({foreign, "--port", sim.SlavePath(), "--force"}));
  EXPECT_EQ(forced.Wait(), 0) << forced.Stderr();
  // Usage errors.
  Child usage({QUORIN_CLI_PATH, "flash"});
  EXPECT_EQ(usage.Wait(), 64);
}

TEST_F(CliFlash, CtrlCStopsSendingClosesThePortAndExits130) {
  sim::SimController sim;
  sim.Start();
  Child cli(Flash({WritePack("big.Pack", MakeFirmware(100000)), "--port", sim.SlavePath()}));
  ASSERT_TRUE(cli.WaitForOutput("Programing...\n", 20s)) << cli.Stderr();
  std::this_thread::sleep_for(1s);  // well into the data blocks
  const auto interruptedAt = Clock::now();
  cli.Signal(SIGINT);
  EXPECT_EQ(cli.Wait(), 130) << cli.Stderr();
  EXPECT_LT(Clock::now() - interruptedAt, 5s);
  EXPECT_EQ(cli.Stdout(), "Conntectting MCU....\nMCU Identified\nPrograming...\n");
  // What was handed to the line before the interrupt drains into the controller; nothing more.
  std::this_thread::sleep_for(500ms);
  EXPECT_LT(sim.Report().BytesReceived, 100000u);
  EXPECT_EQ(sim.Report().VerdictsSent, 0u);
  // The port was released: the next job can open it at once.
  Child again(Flash({WritePack("small.Pack", MakeFirmware(64)), "--port", sim.SlavePath()}));
  EXPECT_NE(again.Wait(), 3) << again.Stderr();
}

// Command lines the parser refuses, an empty name among them (a script's empty variable): 64
// before anything is sent, and with --json still one JSON object on stdout.
TEST_F(CliFlash, UsageErrorsExit64AndSendNothing) {
  const std::string pack = WritePack("good.Pack", MakeFirmware(64));
  const std::pair<std::vector<std::string>, bool> cases[] = {
      {{pack, "--port", ""}, false},
      {{pack, "--port=", "--json"}, true},
      {{pack, "--settings", ""}, false},
      {{pack, "--simulate", "--trace", ""}, false},
      {{"", "--simulate"}, false},
      {{pack, "--simulate=bogus", "--json"}, true},
      {{pack, "--simulate", "--port", "/dev/null", "--json"}, true},
      {{pack, "--json", "--bogus"}, true}};
  for (const auto& [args, json] : cases) {
    std::vector<std::string> command = {QUORIN_CLI_PATH, "flash"};
    command.insert(command.end(), args.begin(), args.end());
    Child cli(command);
    EXPECT_EQ(cli.WaitFor(10s), 64) << args[1] << cli.Stderr();
    EXPECT_EQ(cli.Stderr().find("Conntectting"), std::string::npos) << cli.Stderr();
    EXPECT_EQ(
        cli.Stdout().rfind(
            "{\"outcome\": \"usage-error\", \"exit-code\": 64, \"pack\": \"" + args[0] + "\", ", 0),
        json ? 0u : std::string::npos);
    EXPECT_EQ(std::count(cli.Stdout().begin(), cli.Stdout().end(), '\n'), json ? 1 : 0);
  }
}

// SIGINT, SIGTERM and SIGHUP end a job alike on a port and on the simulated controller inside
// the process: 130, the line that says so, and with --json the object.
TEST_F(CliFlash, SignalsEndTheJobWith130OnAPortAndInsideTheProcess) {
  sim::SimOptions options;
  options.Scenario = sim::SimScenario::Silent;  // the job keeps asking for seconds
  sim::SimController sim(options);
  sim.Start();
  const std::string pack = WritePack("p.Pack", MakeFirmware(64));
  const std::tuple<bool, int, bool> cases[] = {
      {true, SIGINT, false}, {true, SIGTERM, true}, {true, SIGHUP, true}, {false, SIGTERM, true}};
  for (const auto& [simulate, signal, json] : cases) {
    std::vector<std::string> args = {pack, simulate ? "--simulate=silent" : "--port"};
    if (!simulate) args.push_back(sim.SlavePath());
    if (json) args.push_back("--json");
    Child cli(Flash(args));
    ASSERT_TRUE(cli.WaitForOutput("Conntectting MCU....\n", 10s, json)) << cli.Stderr();
    cli.Signal(signal);
    EXPECT_EQ(cli.WaitFor(10s), 130) << signal << cli.Stderr();
    const std::string where = simulate ? std::string("simulated") : sim.SlavePath();
    EXPECT_NE(cli.Stderr().find("quorin-iap-cli: interrupted on " + where + "; nothing more"),
              std::string::npos)
        << cli.Stderr();
    EXPECT_EQ(cli.Stdout().rfind("{\"outcome\": \"interrupted\", \"exit-code\": 130, ", 0),
              json ? 0u : std::string::npos)
        << cli.Stdout();
  }
}

// Under a limit on processes, threads fail to start one after the other (the interrupt hook's,
// the simulated controller's, the job's, the port's reader and writer): each such run is an
// internal error (70) with its JSON object, never advice about a program holding the port; with
// room for all of them the job succeeds.
TEST_F(CliFlash, ThreadsThatCannotStartAreAnInternalErrorWithItsObject) {
  const std::string pack = WritePack("p.Pack", MakeFirmware(64));
  int internalErrors = 0, portThreadFailures = 0;
  std::optional<int> exitCode;
  for (rlim_t limit = 1; limit <= 4096 && exitCode != 0; ++limit) {
    Child cli(Flash({pack, "--simulate", "--json"}), {false, limit});
    exitCode = cli.WaitFor(20s);
    ASSERT_TRUE(exitCode == 0 || exitCode == 70) << limit << ": " << cli.Stderr();  // 126: no limit
    const std::string word = exitCode == 0 ? "programmed" : "internal-error";
    EXPECT_EQ(cli.Stdout().rfind("{\"outcome\": \"" + word + "\"", 0), 0u) << cli.Stdout();
    EXPECT_EQ(cli.Stderr().find("holds the port"), std::string::npos) << cli.Stderr();
    internalErrors += exitCode == 70;
    portThreadFailures += cli.Stderr().find("could not start what it needs") != std::string::npos;
  }
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(internalErrors >= 3 && portThreadFailures >= 1)
      << internalErrors << portThreadFailures;
}

}  // namespace
}  // namespace quorin::e2e
