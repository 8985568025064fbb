// Who holds a device, and who may open it, told by the real system: a child process holds a
// pseudo-terminal's slave under the lock the serial backend takes.
#include "platform/PortHolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/PtyPair.h"
#include "tests/settings/TempFolder.h"
#include "tests/support/HolderChild.h"

namespace quorin::platform {
namespace {

TEST(PortHolders, ClassifiesTheSystemsReasons) {
  const std::pair<std::errc, OpenRefusal> cases[] = {
      {std::errc::device_or_resource_busy, OpenRefusal::Busy},
      {std::errc::resource_unavailable_try_again, OpenRefusal::Busy},
      {std::errc::permission_denied, OpenRefusal::NoPermission},
      {std::errc::operation_not_permitted, OpenRefusal::NoPermission},
      {std::errc::no_such_file_or_directory, OpenRefusal::NoDevice},
      {std::errc::no_such_device_or_address, OpenRefusal::NoDevice},
      {std::errc::io_error, OpenRefusal::Other},
  };
  for (const auto& [reason, refusal] : cases) {
    EXPECT_EQ(ClassifyOpenError(std::make_error_code(reason)), refusal)
        << std::make_error_code(reason).message();
  }
}

TEST(PortHolders, NamesTheOtherProcessHoldingTheDeviceByAnyOfItsNames) {
  PtyPair pty;  // this process holds the slave too, and is left out
  test::TempFolder folder;
  const std::string link = (folder.Path() / "port").string();
  std::filesystem::create_symlink(pty.SlavePath(), link);
  EXPECT_TRUE(HoldersOf(pty.SlavePath()).Holders.empty());
  {
    support::HolderChild holder(pty.SlavePath(), "quorin-holder");
    ASSERT_TRUE(holder.Held());
    const PortHolderList list = HoldersOf(link);
    EXPECT_TRUE(list.Told);
    ASSERT_EQ(list.Holders.size(), 1u);
    EXPECT_EQ(list.Holders[0].ProcessId, static_cast<std::uint64_t>(holder.Pid()));
    EXPECT_EQ(list.Holders[0].Name, "quorin-holder");
    EXPECT_FALSE(list.Holders[0].CommandLine.empty());  // the forked test program's own
    EXPECT_EQ(list.Holders[0].CommandLine.find('\0'), std::string::npos);
  }
  EXPECT_TRUE(HoldersOf(pty.SlavePath()).Holders.empty());
  EXPECT_TRUE(HoldersOf("/dev/quorin-no-such-port").Holders.empty());
}

TEST(PortHolders, TellsTheOwningGroupAndWhetherItMayReadAndWrite) {
  EXPECT_EQ(GroupOf("/dev/null").Name, "root");
  test::TempFolder folder;
  const std::string file = folder.File("device");
  test::WriteFileBytes(file, "");
  const std::pair<mode_t, bool> modes[] = {{0660, true}, {0640, false}, {0600, false}};
  for (const auto& [mode, mayUse] : modes) {
    ASSERT_EQ(::chmod(file.c_str(), mode), 0);
    EXPECT_EQ(GroupOf(file).GroupMayUse, mayUse) << std::oct << mode;
  }
  EXPECT_FALSE(GroupOf(file).Name.empty());
  EXPECT_EQ(GroupOf("/dev/quorin-no-such-port").Name, "");
}

}  // namespace
}  // namespace quorin::platform
