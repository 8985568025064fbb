// The port dialog's rules: what FormShow selects, what Save writes, that Exit writes nothing and
// that a refused write keeps the dialog open; opened through the main window's menu.
#include <memory>

#include "FakeViews.h"
#include "comm/EventLoop.h"
#include "settings/UartSettings.h"

namespace quorin::test {
namespace {

class PortDialogTest : public ::testing::Test {
 protected:
  PortDialogTest() { Open(dir.File("Cyclomer.ini")); }

  void Open(const std::string& settingsPath) {
    path = settingsPath;
    PresenterOptions options;
    options.SettingsPath = path;
    options.Job.PortName = [] { return std::string("COM250"); };
    options.ApplicationTitle = "quorin-iap";
    options.PortDevice = [](int port) { return port == 1 ? std::string("/dev/ttyTEST0") : ""; };
    presenter.reset();
    presenter = std::make_unique<MainWindowPresenter>(view, loop, std::move(options));
  }

  // Opens the dialog from the menu; `body` runs while it is shown, after FormShow.
  void WithDialog(const std::function<void(PortDialogPresenter&, FakeDialog&)>& body) {
    FakeDialog dialog;
    view.onDialog = [&](PortDialogPresenter& shown) {
      EXPECT_EQ(presenter->F_UartSet(), &shown);
      shown.FormShow(dialog);
      body(shown, dialog);
    };
    presenter->UartPortClicked();
    EXPECT_EQ(view.calls.back(), "Dialog") << "nothing shown after the dialog";
    EXPECT_EQ(presenter->F_UartSet(), nullptr) << "the dialog is gone after use";
  }

  TempDir dir;
  std::string path;
  EventLoop loop;
  FakeWindow view;
  std::unique_ptr<MainWindowPresenter> presenter;
};

TEST_F(PortDialogTest, ListsNinePortsWithTheirDevicesAndThreeBauds) {
  WithDialog([](PortDialogPresenter& shown, FakeDialog&) {
    EXPECT_EQ(shown.PortItems(),
              (std::vector<std::string>{"com1  /dev/ttyTEST0", "com2", "com3", "com4", "com5",
                                        "com6", "com7", "com8", "com9"}));
  });
  EXPECT_EQ(PortDialogPresenter::BaudItems(),
            (std::vector<std::string>{"38400", "57600", "115200"}));
}

struct StoredCase {
  const char* file;  // nullptr: no settings file
  int selected;
  int written;
};

class FormShowTest : public PortDialogTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(FormShowTest, SelectsTheStoredPortAndSaveWritesItBack) {
  if (GetParam().file) WriteFile(path, GetParam().file);
  WithDialog([](PortDialogPresenter& shown, FakeDialog& dialog) {
    EXPECT_EQ(dialog.port, GetParam().selected);
    EXPECT_EQ(dialog.baud, 0) << "the stored baud index is never read back";
    shown.Save(dialog);
    EXPECT_TRUE(dialog.closed);
    EXPECT_TRUE(dialog.boxes.empty());
  });
  const std::string text = ReadText(path);
  EXPECT_NE(text.find("Port=" + std::to_string(GetParam().written)), std::string::npos) << text;
  EXPECT_NE(text.find("BaudRate=0"), std::string::npos) << text;
  EXPECT_EQ(ReadUartPortSetting(path), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Stored, FormShowTest,
    ::testing::Values(StoredCase{nullptr, 0, 1},
                      StoredCase{"[Uart]\r\nPort=5\r\nBaudRate=2\r\n", 4, 5},
                      StoredCase{"[Uart]\nPort=9\n", 8, 9}, StoredCase{"[Uart]\nPort=0\n", 0, 1},
                      StoredCase{"[Uart]\nPort=-3\n", 0, 1},
                      StoredCase{"[Uart]\nPort=12\n", -1, 0},  // no such item: no selection
                      StoredCase{"[Uart]\nPort=abc\n", 0, 1}));

TEST_F(PortDialogTest, SaveWritesTheChosenPortAndNoSelectionAsZero) {
  for (const auto& [chosen, written] : {std::pair{2, 3}, std::pair{-1, 0}}) {
    WithDialog([chosen = chosen](PortDialogPresenter& shown, FakeDialog& dialog) {
      dialog.port = chosen;
      shown.Save(dialog);
    });
    EXPECT_EQ(ReadUartPortSetting(path), written);
  }
}

TEST_F(PortDialogTest, ExitNeverTouchesTheFile) {
  WithDialog([](PortDialogPresenter& shown, FakeDialog& dialog) {
    dialog.port = 6;
    shown.Exit(dialog);
    EXPECT_TRUE(dialog.closed);
  });
  EXPECT_FALSE(std::filesystem::exists(path));
  WriteFile(path, "[Uart]\r\nPort=4\r\n");
  WithDialog([](PortDialogPresenter& shown, FakeDialog& dialog) {
    dialog.port = 1;
    shown.Exit(dialog);
  });
  EXPECT_EQ(ReadText(path), "[Uart]\r\nPort=4\r\n");
}

TEST_F(PortDialogTest, ARefusedWriteIsShownByTheDialogWhichStaysOpen) {
  // The settings file's folder is a plain file, so nothing can be written there.
  WriteFile(dir.File("not-a-folder"), "x");
  Open((dir.Path() / "not-a-folder" / "Cyclomer.ini").string());
  WithDialog([this](PortDialogPresenter& shown, FakeDialog& dialog) {
    shown.Save(dialog);
    EXPECT_FALSE(dialog.closed);
    EXPECT_EQ(dialog.boxes,
              std::vector<std::string>{"Box Error quorin-iap: Unable to write to " + path + "."});
    shown.Exit(dialog);
    EXPECT_TRUE(dialog.closed);
  });
}

}  // namespace
}  // namespace quorin::test
