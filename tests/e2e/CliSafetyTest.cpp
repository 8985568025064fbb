// quorin-iap-cli must not destroy, hide or hang: the trace file, a slow trace reader, a closed
// stdout, the settings file and the port name, and simulate's --link. Each runs the tool as a
// process, against the simulated controller where a job is involved.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/Files.h"
#include "tests/e2e/CliChild.h"
#include "tests/support/JobHarness.h"

namespace quorin::e2e {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class CliSafety : public ::testing::Test {
 public:
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quorin-cli-safety-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string WritePack(const std::string& name, std::size_t firmwareSize) {
    PackFields fields;
    fields.Version = 6400;
    fields.RandomSeed = 5;
    const auto image = BuildPackImage(MakeFirmware(firmwareSize), fields);
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(image->data()),
               static_cast<std::streamsize>(image->size()));
    return Path(name);
  }
  std::vector<std::string> Flash(const std::string& pack, std::vector<std::string> extra) {
    std::vector<std::string> args = {QUORIN_CLI_PATH, "flash", pack};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  fs::path dir_;
};

// --trace TARGET: what may be written over, and what a failing write tells.
struct TraceTargetCase {
  const char* name;
  std::function<std::string(CliSafety&)> target;  // makes what is needed, returns the --trace arg
  bool forceTrace;
  int exitCode;
  const char* stderrPart;
  bool Sent;  // whether the job may send anything
};

class CliTraceTarget : public CliSafety, public ::testing::WithParamInterface<TraceTargetCase> {};

TEST_P(CliTraceTarget, NeverDestroysAndNeverHidesAFailure) {
  const TraceTargetCase& c = GetParam();
  sim::SimController sim;
  sim.Start();
  const std::string pack = WritePack("good.Pack", 300);
  const std::string packBytes = Slurp(pack);
  std::ofstream(Path("Cyclomer.ini")) << "[Uart]\nPort=1\n";
  std::ofstream(Path("old.txt")) << "keep me\n";
  const std::string target = c.target(*this);
  std::vector<std::string> extra = {"--port",  sim.SlavePath(), "--settings", Path("Cyclomer.ini"),
                                    "--trace", target};
  if (c.forceTrace) extra.push_back("--force-trace");
  Child cli(Flash(pack, extra));
  const auto exitCode = cli.WaitFor(20s);
  ASSERT_TRUE(exitCode.has_value()) << "hangs";
  EXPECT_EQ(*exitCode, c.exitCode) << cli.Stderr();
  EXPECT_NE(cli.Stderr().find(c.stderrPart), std::string::npos) << cli.Stderr();
  EXPECT_EQ(Slurp(pack), packBytes);
  EXPECT_EQ(Slurp(Path("Cyclomer.ini")), "[Uart]\nPort=1\n");
  if (!c.Sent) {
    EXPECT_EQ(sim.Report().BytesReceived, 0u);
    EXPECT_EQ(cli.Stdout(), "");
  }
  if (c.exitCode == 64 && std::string(c.name) == "existing_file_is_kept") {
    EXPECT_EQ(Slurp(Path("old.txt")), "keep me\n");
  }
  if (c.exitCode == 0 && c.forceTrace) {
    EXPECT_NE(Slurp(target).find(" RX 04\n"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, CliTraceTarget,
    ::testing::Values(
        TraceTargetCase{"existing_file_is_kept", [](CliSafety& t) { return t.Path("old.txt"); },
                        false, 64, "pass --force-trace", false},
        TraceTargetCase{"existing_file_replaced_with_force_trace",
                        [](CliSafety& t) { return t.Path("old.txt"); }, true, 0, "", true},
        TraceTargetCase{"the_pack_even_with_force_trace",
                        [](CliSafety& t) { return t.Path("good.Pack"); }, true, 64,
                        "the pack itself", false},
        TraceTargetCase{"a_hard_link_to_the_pack",
                        [](CliSafety& t) {
                          fs::create_hard_link(t.Path("good.Pack"), t.Path("other.name"));
                          return t.Path("other.name");
                        },
                        true, 64, "the pack itself", false},
        TraceTargetCase{"a_symbolic_link_to_the_settings_file",
                        [](CliSafety& t) {
                          fs::create_symlink(t.Path("Cyclomer.ini"), t.Path("trace.txt"));
                          return t.Path("trace.txt");
                        },
                        true, 64, "the settings file itself", false},
        TraceTargetCase{"a_missing_folder_is_unwritable",
                        [](CliSafety& t) { return t.Path("no/trace.txt"); }, false, 2,
                        "cannot open the trace file", false},
        TraceTargetCase{"a_full_device_is_reported",
                        [](CliSafety&) { return std::string("/dev/full"); }, false, 0,
                        "trace: writing /dev/full failed: No space left on device", true}),
    [](const auto& info) { return std::string(info.param.name); });

// --trace into a FIFO: a reader that is missing or stops reading never holds the job up.
struct SlowReaderCase {
  const char* name;
  bool reader;           // a process holds the FIFO open for reading (and never reads)
  std::size_t Firmware;  // bytes of firmware in the pack
  bool interrupt;        // Ctrl-C once the data blocks flow
  int exitCode;
  const char* stderrPart;
};

class CliTraceReader : public CliSafety, public ::testing::WithParamInterface<SlowReaderCase> {};

TEST_P(CliTraceReader, NeverBlocksTheJob) {
  const SlowReaderCase& c = GetParam();
  sim::SimController sim;
  sim.Start();
  const std::string fifo = Path("trace.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  int reader = -1;
  if (c.reader) {
    reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // Fill the pipe, so the very first trace line finds no room.
    const int filler = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const std::string block(4096, 'x');
    while (write(filler, block.data(), block.size()) > 0) {
    }
    close(filler);
  }
  Child cli(Flash(WritePack("p.Pack", c.Firmware), {"--port", sim.SlavePath(), "--trace", fifo}));
  std::optional<int> exitCode;
  if (c.interrupt) {
    EXPECT_TRUE(cli.WaitForOutput("Programing...\n", 10s)) << cli.Stderr();
    const auto until = Clock::now() + 10s;
    while (sim.Report().BytesReceived < 8192 && Clock::now() < until) {
      std::this_thread::sleep_for(20ms);
    }
    EXPECT_GE(sim.Report().BytesReceived, 8192u) << "the job is held up by its trace";
    const auto interruptedAt = Clock::now();
    cli.Signal(SIGINT);
    exitCode = cli.WaitFor(10s);
    EXPECT_LT(Clock::now() - interruptedAt, 2s);
  } else {
    exitCode = cli.WaitFor(20s);
  }
  if (reader >= 0) close(reader);
  ASSERT_TRUE(exitCode.has_value()) << "hangs";
  EXPECT_EQ(*exitCode, c.exitCode) << cli.Stderr();
  EXPECT_NE(cli.Stderr().find(c.stderrPart), std::string::npos) << cli.Stderr();
  if (!c.reader) {
    EXPECT_EQ(sim.Report().BytesReceived, 0u);
  }
  if (c.exitCode == 0) {
    EXPECT_EQ(sim.Report().LastSession()->Firmware, MakeFirmware(c.Firmware));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Readers, CliTraceReader,
    ::testing::Values(SlowReaderCase{"no_reader_is_refused_at_once", false, 300, false, 2,
                                     "a FIFO that no process reads"},
                      SlowReaderCase{"stopped_reader_job_runs_to_its_end", true, 2100, false, 0,
                                     " bytes dropped"},
                      SlowReaderCase{"stopped_reader_ctrl_c_ends_the_job", true, 100000, true, 130,
                                     " bytes dropped"}),
    [](const auto& info) { return std::string(info.param.name); });

// stdout piped into a reader that goes away (`flash ... | head -1`): the job still runs to its
// end and its own exit code, and stderr says the log was cut.
TEST_F(CliSafety, ClosedStdoutDoesNotStopTheJob) {
  sim::SimController sim;
  sim.Start();
  Child cli(Flash(WritePack("p.Pack", 4100), {"--port", sim.SlavePath()}), {true, {}});
  ASSERT_TRUE(cli.WaitForOutput("Conntectting MCU....\n", 10s)) << cli.Stderr();
  cli.CloseStdout();
  const auto exitCode = cli.WaitFor(20s);
  ASSERT_TRUE(exitCode.has_value()) << "hangs";
  EXPECT_EQ(*exitCode, 0) << cli.Stderr();
  EXPECT_EQ(sim.Report().LastSession()->Firmware, MakeFirmware(4100));
  EXPECT_NE(cli.Stderr().find("stdout could not be written"), std::string::npos) << cli.Stderr();
}

// Where the port comes from: --settings FILE must give one, and every failed job names its
// device, cut to a readable length.
struct PortSourceCase {
  const char* name;
  std::function<std::vector<std::string>(CliSafety&)> args;  // after the pack
  int exitCode;
  std::string stderrPart;
  std::string notInStderr;
};

class CliPortSource : public CliSafety, public ::testing::WithParamInterface<PortSourceCase> {};

TEST_P(CliPortSource, IsNeverGuessed) {
  const PortSourceCase& c = GetParam();
  Child cli(Flash(WritePack("p.Pack", 64), c.args(*this)));
  const auto exitCode = cli.WaitFor(20s);
  ASSERT_TRUE(exitCode.has_value()) << "hangs";
  EXPECT_EQ(*exitCode, c.exitCode) << cli.Stderr();
  EXPECT_NE(cli.Stderr().find(c.stderrPart), std::string::npos) << cli.Stderr();
  EXPECT_EQ(cli.Stderr().find(c.notInStderr), std::string::npos) << cli.Stderr();
  if (c.exitCode == 2) {
    EXPECT_EQ(cli.Stdout(), "");
  }
}

std::function<std::vector<std::string>(CliSafety&)> SettingsHolding(std::string text) {
  return [text](CliSafety& t) {
    std::ofstream(t.Path("s.ini"), std::ios::binary) << text;
    return std::vector<std::string>{"--settings", t.Path("s.ini")};
  };
}

const std::string kLongName = "/dev/" + std::string(300, 'q');

INSTANTIATE_TEST_SUITE_P(
    Sources, CliPortSource,
    ::testing::Values(
        PortSourceCase{"missing_settings_file",
                       [](CliSafety& t) {
                         return std::vector<std::string>{"--settings", t.Path("none.ini")};
                       },
                       2, "there is no such file", "cannot open the serial port"},
        PortSourceCase{"settings_file_is_a_folder",
                       [](CliSafety& t) {
                         return std::vector<std::string>{"--settings", t.Path("")};
                       },
                       2, "it is a folder", "cannot open the serial port"},
        PortSourceCase{"settings_file_is_a_fifo",
                       [](CliSafety& t) {
                         ::mkfifo(t.Path("fifo.ini").c_str(), 0600);
                         return std::vector<std::string>{"--settings", t.Path("fifo.ini")};
                       },
                       2, "it is not a regular file (a FIFO", "cannot open the serial port"},
        PortSourceCase{"garbage", SettingsHolding(std::string("\x01\x02garbage\0\xff", 12)), 2,
                       "no key Port in section [Uart]", "cannot open the serial port"},
        PortSourceCase{"port_not_a_number", SettingsHolding("[Uart]\nPort=abc\n"), 2,
                       "Port \"abc\" is not a port number", "cannot open the serial port"},
        PortSourceCase{"port_zero", SettingsHolding("[Uart]\nPort=0\n"), 2,
                       "Port \"0\" is not a port number", "cannot open the serial port"},
        PortSourceCase{"failed_job_names_the_device", SettingsHolding("[Uart]\nPort=99\n"), 3,
                       "the job failed on /dev/ttyS98 (COM99)", "no port in"},
        PortSourceCase{"long_port_name_is_cut",
                       [](CliSafety&) {
                         return std::vector<std::string>{"--port", kLongName};
                       },
                       3, "the job failed on " + kLongName.substr(0, 64) + "...",
                       kLongName.substr(0, 65)}),
    [](const auto& info) { return std::string(info.param.name); });

// Files that are not regular files, for every command: a pipe is read to its end however late
// its writer, a FIFO without one is given up after a while, devices are refused, and nothing
// hangs.
struct SpecialFileCase {
  const char* name;
  std::string command;  // run by the shell; PACK, FIFO, DIR and CLI stand for a pack, a new FIFO,
                        // the test's folder and the tool
  int exitCode;
  std::string outputPart;  // in stdout or stderr
  bool waitsForAWriter;    // ends only after the pipe stayed silent for kPipeSilenceLimit
};

class CliSpecialFile : public CliSafety, public ::testing::WithParamInterface<SpecialFileCase> {};

TEST_P(CliSpecialFile, IsReadOrRefusedAndNeverHangs) {
  const SpecialFileCase& c = GetParam();
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  std::string line = c.command;
  for (const auto& [name, value] :
       {std::pair<std::string, std::string>{"PACK", WritePack("p.Pack", 300)},
        {"FIFO", Path("fifo")},
        {"DIR", Path("")},
        {"CLI", QUORIN_CLI_PATH}}) {
    for (std::size_t at; (at = line.find(name)) != std::string::npos;)
      line.replace(at, name.size(), value);
  }
  const auto start = std::chrono::steady_clock::now();
  Child cli({"/bin/sh", "-c", line});
  const auto exitCode = cli.WaitFor(40s);
  ASSERT_TRUE(exitCode.has_value()) << "hangs";
  EXPECT_EQ(*exitCode, c.exitCode) << cli.Stdout() << cli.Stderr();
  EXPECT_NE((cli.Stdout() + cli.Stderr()).find(c.outputPart), std::string::npos)
      << cli.Stdout() << cli.Stderr();
  if (c.waitsForAWriter) {
    EXPECT_GE(std::chrono::steady_clock::now() - start, platform::kPipeSilenceLimit);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, CliSpecialFile,
    ::testing::Values(
        SpecialFileCase{"info_reads_a_pipe_behind_it",
                        "(sleep 0.3; cat PACK) | CLI info /dev/stdin", 0, "6400", false},
        SpecialFileCase{"flash_reads_a_fifo_behind_it",
                        "(sleep 0.3; cat PACK > FIFO) & exec CLI flash FIFO --simulate", 0,
                        "Programed sucessfuly", false},
        SpecialFileCase{
            "pack_create_reads_a_hex_fifo",
            "mv FIFO DIRfw.hex; (sleep 0.3; printf ':0400000001020304F2\\n:00000001FF\\n' > "
            "DIRfw.hex) & exec CLI pack create --firmware DIRfw.hex --version 7 -o "
            "DIRout.Pack",
            0, "4 bytes of firmware", false},
        SpecialFileCase{"info_refuses_a_device", "exec CLI info /dev/zero", 2, "File access denied",
                        false},
        SpecialFileCase{"info_gives_up_on_a_fifo_nobody_writes", "exec CLI info FIFO", 2,
                        "Nothing came through the pipe", true},
        SpecialFileCase{"simulate_refuses_a_fifo_as_firmware_out",
                        "exec CLI simulate --firmware-out FIFO", 64, "is not a regular file",
                        false}),
    [](const auto& info) { return std::string(info.param.name); });

// simulate --link PATH: never replaces what exists, removes only the link it made.
struct LinkCase {
  const char* name;
  std::function<void(const std::string& path)> before;        // what is at PATH beforehand
  std::function<void(const std::string& path)> whileRunning;  // done while the simulator runs
  int exitCode;
  bool linkLeftAfter;  // whether something is at PATH after the simulator ended
};

class CliSimulateLink : public CliSafety, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(CliSimulateLink, RemovesOnlyItsOwnLink) {
  const LinkCase& c = GetParam();
  const std::string link = Path("controller");
  if (c.before) c.before(link);
  const bool existed = fs::exists(fs::symlink_status(link));
  const std::string targetBefore = existed && fs::is_symlink(fs::symlink_status(link))
                                       ? fs::read_symlink(link).string()
                                       : std::string();
  Child sim({QUORIN_CLI_PATH, "simulate", "--link", link});
  if (!existed) {
    ASSERT_TRUE(sim.WaitForOutput("Ctrl-C ends it", 10s)) << sim.Stderr();
    ASSERT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    if (c.whileRunning) c.whileRunning(link);
    sim.Signal(SIGTERM);
  }
  const auto exitCode = sim.WaitFor(10s);
  ASSERT_TRUE(exitCode.has_value()) << "hangs";
  EXPECT_EQ(*exitCode, c.exitCode) << sim.Stderr();
  EXPECT_EQ(fs::exists(fs::symlink_status(link)), c.linkLeftAfter);
  if (existed) {
    EXPECT_NE(sim.Stderr().find("already exists"), std::string::npos) << sim.Stderr();
    if (!targetBefore.empty()) {
      EXPECT_EQ(fs::read_symlink(link).string(), targetBefore);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CliSimulateLink,
    ::testing::Values(
        LinkCase{"fresh_path_made_and_removed", nullptr, nullptr, 0, false},
        LinkCase{"existing_file_is_refused",
                 [](const std::string& p) { std::ofstream(p) << "mine"; }, nullptr, 64, true},
        LinkCase{"existing_link_is_refused",
                 [](const std::string& p) { fs::create_symlink("/dev/null", p); }, nullptr, 64,
                 true},
        LinkCase{"dangling_link_is_refused",
                 [](const std::string& p) { fs::create_symlink("/nonexistent/x", p); }, nullptr, 64,
                 true},
        LinkCase{"link_replaced_while_running_is_kept", nullptr,
                 [](const std::string& p) {
                   // Someone else's link to the same device, made in its place.
                   const fs::path device = fs::read_symlink(p);
                   fs::create_symlink(device, p + ".new");
                   fs::rename(p + ".new", p);
                 },
                 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorin::e2e
