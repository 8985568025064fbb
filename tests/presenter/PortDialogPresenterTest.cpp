// The port dialog's rules: what FormShow selects, what Save writes, that Exit writes nothing and
// that a refused write keeps the dialog open; opened through the main window's menu.
#include <memory>
#include <tuple>

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
    options.Job = JobTarget::FixedPort("COM250");
    options.ApplicationTitle = "quorin-iap";
    options.Ports = [] {  // com11 is not present
      return std::vector<ListedPort>{
          {13, "/dev/ttyUSB1", true}, {1, "/dev/ttyTEST0", true}, {11, "", false}};
    };
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

TEST_F(PortDialogTest, ListsNinePortsThenThePresentOnesAboveWithTheirDevicesAndThreeBauds) {
  WithDialog([](PortDialogPresenter& shown, FakeDialog&) {
    EXPECT_EQ(shown.PortItems(),
              (std::vector<std::string>{"com1  /dev/ttyTEST0", "com2", "com3", "com4", "com5",
                                        "com6", "com7", "com8", "com9", "com13  /dev/ttyUSB1"}));
  });
  EXPECT_EQ(PortDialogPresenter::BaudItems(),
            (std::vector<std::string>{"38400", "57600", "115200"}));
}

struct StoredCase {
  const char* file;  // nullptr: no settings file
  int selected;
  int written;
  const char* Text = "";  // the port field's text when nothing is selected
};

class FormShowTest : public PortDialogTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(FormShowTest, SelectsTheStoredPortAndSaveWritesItBack) {
  if (GetParam().file) WriteFile(path, GetParam().file);
  WithDialog([](PortDialogPresenter& shown, FakeDialog& dialog) {
    EXPECT_EQ(dialog.port, GetParam().selected);
    EXPECT_EQ(dialog.Text, GetParam().Text);
    EXPECT_EQ(dialog.Baud, 0) << "the stored baud index is never read back";
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
                      StoredCase{"[Uart]\nPort=13\n", 9, 13},            // present above com9
                      StoredCase{"[Uart]\nPort=12\n", -1, 12, "com12"},  // not here: kept
                      StoredCase{"[Uart]\nPort=abc\n", 0, 1}));

// (selected item or -1, the field's text, the port written; 0: refused, nothing written)
class SaveTest : public PortDialogTest,
                 public ::testing::WithParamInterface<std::tuple<int, const char*, int>> {};

TEST_P(SaveTest, WritesTheChosenOrTypedPortAndRefusesOtherText) {
  const int written = std::get<2>(GetParam());
  WithDialog([written](PortDialogPresenter& shown, FakeDialog& dialog) {
    dialog.port = std::get<0>(GetParam());
    dialog.Text = std::get<1>(GetParam());
    shown.Save(dialog);
    EXPECT_EQ(dialog.boxes.size(), written == 0 ? 1u : 0u);
    if (!dialog.closed) shown.Exit(dialog);
  });
  EXPECT_EQ(std::filesystem::exists(path), written != 0);
  EXPECT_EQ(ReadUartPortSetting(path), written == 0 ? 1 : written);  // 1: no file
}

INSTANTIATE_TEST_SUITE_P(Chosen, SaveTest,
                         ::testing::Values(std::tuple{2, "com3", 3}, std::tuple{9, "", 13},
                                           std::tuple{-1, "com13", 13}, std::tuple{-1, "COM7", 7},
                                           std::tuple{-1, " Com21 ", 21}, std::tuple{-1, "com0", 0},
                                           std::tuple{-1, "13", 0}, std::tuple{-1, "com7x", 0},
                                           std::tuple{-1, "", 0}));

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
    ASSERT_EQ(dialog.boxes.size(), 1u);
    const std::string described = "Box Error quorin-iap: Unable to write to " + path + ".\n\n";
    EXPECT_EQ(dialog.boxes[0].rfind(described, 0), 0u) << dialog.boxes[0];
    EXPECT_GT(dialog.boxes[0].size(), described.size() + 1) << "the system's reason follows";
    shown.Exit(dialog);
    EXPECT_TRUE(dialog.closed);
  });
}

}  // namespace
}  // namespace quorin::test
