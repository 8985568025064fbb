// Loading pack files: what only POSIX can set up (FIFOs, permission bits, descriptor limits).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/pack/PackFileFixture.h"
#include "tests/support/WaitChild.h"

namespace quorin {
namespace {

using testing::FixedFields;
using testing::RandomFirmware;
using testing::TempDir;
using testing::WriteImage;

constexpr int kNoErrorRaised = 250;
constexpr int kOtherException = 251;

// The EInOutError code of loading `path`, or one of the two markers above.
int LoadErrorCode(const std::string& path) {
  auto records = std::make_unique<PackRecords>();
  try {
    LoadUpdatePack(*records, path);
    return kNoErrorRaised;
  } catch (const EInOutError& e) {
    return e.Code();
  } catch (...) {
    return kOtherException;
  }
}

// Runs `body` in a child process and returns its exit status (so limits and identities the
// child takes on do not leak into the test process).
int RunInChild(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  const std::optional<int> waited = support::WaitChild(child, std::chrono::seconds(30));
  if (!waited) ADD_FAILURE() << "the child did not end within 30 s";
  const int status = waited.value_or(0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

std::size_t OpenDescriptorCount() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

class LoadUpdatePackPosixTest : public PackFileFixture {};

// A pipe is read to its end as its writer writes it: here the whole pack, 300 ms after the open.
TEST_F(LoadUpdatePackPosixTest, AFifoIsReadAsItsWriterWritesIt) {
  WritePack("good.Pack", 100, 6);
  const std::string path = dir_.File("fifo");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  const pid_t writer = ::fork();
  if (writer == 0) {
    const int fd = ::open(path.c_str(), O_WRONLY);
    ::usleep(300000);
    ::_exit(::write(fd, image_->data(), image_->size()) == static_cast<ssize_t>(image_->size())
                ? 0
                : 1);
  }
  EXPECT_TRUE(LoadUpdatePack(*records_, path));
  EXPECT_TRUE(std::equal(firmware_.begin(), firmware_.end(), records_->FirmwareData().begin()));
  ::kill(writer, SIGKILL);  // in case the read never came
  ::waitpid(writer, nullptr, 0);
}

// The pack is only read: a read-only pack loads, for its owner and for everyone else, and only a
// pack the user may not read is "File access denied". The checks run as an ordinary user, since
// root may read and write anything.
TEST_F(LoadUpdatePackPosixTest, ReadOnlyPackLoadsAndUnreadablePackIsAccessDenied) {
  const std::string readOnly = WritePack("readonly.Pack", 100, 6);
  const std::string unreadable = WritePack("unreadable.Pack", 100, 6);
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(unreadable.c_str(), 0200), 0);
  ASSERT_EQ(::chmod(dir_.Path().c_str(), 0755), 0);
  EXPECT_TRUE(LoadUpdatePack(*records_, readOnly));
  const auto asOrdinaryUser = [](const std::string& path) {
    return RunInChild([&] {
      if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 252;
      auto records = std::make_unique<PackRecords>();
      try {
        return LoadUpdatePack(*records, path) ? 0 : 1;
      } catch (const EInOutError& e) {
        return e.Code();
      }
    });
  };
  EXPECT_EQ(asOrdinaryUser(readOnly), 0);
  EXPECT_EQ(asOrdinaryUser(unreadable), 5);
}

TEST_F(LoadUpdatePackPosixTest, NoDescriptorLeftIsTooManyOpenFiles) {
  const std::string path = WritePack("many.Pack", 100, 7);
  const int code = RunInChild([&] {
    const rlimit limit{32, 32};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 253;
    // UBSan checks each new dynamic type with a pipe; meet EInOutError once while it still can.
    LoadErrorCode(path + ".missing");
    std::vector<int> used;
    for (int fd = ::dup(0); fd >= 0; fd = ::dup(0)) used.push_back(fd);
    auto records = std::make_unique<PackRecords>();
    try {
      LoadUpdatePack(*records, path);
    } catch (const EInOutError& e) {
      // The sanitizers' own checks need a descriptor or two, so free some before looking at e.
      for (const int fd : used) ::close(fd);
      return e.Code();
    }
    return kNoErrorRaised;
  });
  EXPECT_EQ(code, 4);
}

TEST_F(LoadUpdatePackPosixTest, ClosesTheFileOnEveryOutcome) {
  const std::string good = WritePack("good.Pack", 100, 12);
  const std::string broken = dir_.File("broken.Pack");
  (*image_)[0] ^= 1;
  WriteImage(broken, *image_);
  const std::string shortFile = dir_.File("short.Pack");
  testing::WriteFile(shortFile, std::span<const std::uint8_t>(*image_).first(1000));

  const std::size_t before = OpenDescriptorCount();
  EXPECT_TRUE(LoadUpdatePack(*records_, good));
  EXPECT_FALSE(LoadUpdatePack(*records_, broken));
  EXPECT_THROW(LoadUpdatePack(*records_, shortFile), EInOutError);
  EXPECT_THROW(LoadUpdatePack(*records_, dir_.Path().string()), EInOutError);
  EXPECT_EQ(OpenDescriptorCount(), before);
}

}  // namespace
}  // namespace quorin
