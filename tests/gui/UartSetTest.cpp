// The port settings dialog in Qt: its layout, and its widgets wired to the presenter (FormShow on
// showing, Save, Exit and the close box, typed text, an error box owned by the dialog).
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "GuiTestSupport.h"
#include "iap/Messages.h"
#include "settings/UartSettings.h"

namespace quorin::test {
namespace {

class UartSetTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    MakeWindow();
  }

  void StorePort(const char* text) {
    QFile file(QString::fromStdString(settingsPath));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("[Uart]\r\nPort=") + text + "\r\nBaudRate=2\r\n");
  }

  QByteArray SettingsText() const {
    QFile file(QString::fromStdString(settingsPath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  // Opens the dialog from the menu and runs `body` while it is shown.
  void WithDialog(const std::function<void(TF_UartSet&)>& body) {
    bool ran = false;
    recorder.onDialog = [&](TF_UartSet& dialog) {
      EXPECT_EQ(window->F_UartSet(), &dialog);
      EXPECT_EQ(dialog.parent(), nullptr) << "the dialog has no owner";
      dialog.show();
      ASSERT_TRUE(WaitUntil([&] { return dialog.isVisible(); }));
      body(dialog);
      ran = true;
    };
    Find<QAction>(window.get(), "UartPort1")->trigger();
    EXPECT_TRUE(ran);
    EXPECT_EQ(window->F_UartSet(), nullptr) << "the dialog is destroyed after use";
  }

  static QComboBox* Ports(TF_UartSet& dialog) { return Find<QComboBox>(&dialog, "ComboBox1"); }
};

TEST_F(UartSetTest, LayoutAndTexts) {
  WithDialog([&](TF_UartSet& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Uart port set");
    EXPECT_EQ(dialog.size(),
              QSize(form::PortDialogForm().ClientWidth, form::PortDialogForm().ClientHeight));
    ExpectBuiltAsTheFormSays(&dialog, form::PortDialogForm());
    EXPECT_TRUE(Ports(dialog)->isEditable());
    ASSERT_EQ(Ports(dialog)->count(), 10);
    EXPECT_EQ(Ports(dialog)->itemText(0), "com1  /dev/ttyTEST0") << "the device com1 names now";
    for (int i = 1; i < 9; ++i) EXPECT_EQ(Ports(dialog)->itemText(i), QString("com%1").arg(i + 1));
    EXPECT_EQ(Ports(dialog)->itemText(9), "com12");
    auto* bauds = Find<QComboBox>(&dialog, "ComboBox2");
    ASSERT_EQ(bauds->count(), 3);
    EXPECT_EQ(bauds->itemText(0), "38400");
    EXPECT_EQ(bauds->itemText(1), "57600");
    EXPECT_EQ(bauds->itemText(2), "115200");
    SaveScreenshot(&dialog, "uart-port-dialog");
  });
}

TEST_F(UartSetTest, StoredFiveShowsCom5) {
  StorePort("5");
  WithDialog([&](TF_UartSet& dialog) {
    EXPECT_EQ(Ports(dialog)->currentText(), "com5");
    Find<QPushButton>(&dialog, "Button2")->click();
  });
}

TEST_F(UartSetTest, ChoosingAnotherPortSavesIt) {
  WithDialog([&](TF_UartSet& dialog) {
    Ports(dialog)->setCurrentIndex(2);
    Find<QPushButton>(&dialog, "Button1")->click();
    EXPECT_FALSE(dialog.isVisible()) << "Save closes the dialog";
  });
  EXPECT_EQ(ReadUartPortSetting(settingsPath), 3);
  EXPECT_TRUE(SettingsText().contains("BaudRate=0"));
}

TEST_F(UartSetTest, APortAboveNineIsListedAndSaved) {
  WithDialog([&](TF_UartSet& dialog) {
    Ports(dialog)->setCurrentIndex(9);
    SaveScreenshot(&dialog, "uart-port-dialog-com12");
    Find<QPushButton>(&dialog, "Button1")->click();
  });
  EXPECT_EQ(ReadUartPortSetting(settingsPath), 12);
}

TEST_F(UartSetTest, TypedTextIsSavedAsComNOrRefused) {
  WithDialog([&](TF_UartSet& dialog) {
    Ports(dialog)->lineEdit()->setText("com7x");
    EXPECT_EQ(dialog.SelectedPortIndex(), -1);
    Find<QPushButton>(&dialog, "Button1")->click();
    EXPECT_TRUE(dialog.isVisible()) << "refused: the dialog stays open";
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].request.Text, std::string("\"com7x\"") + text::kPortNotUnderstood);
    EXPECT_EQ(recorder.boxes[0].owner, &dialog);
    EXPECT_TRUE(SettingsText().isEmpty()) << "nothing written";
    Ports(dialog)->lineEdit()->setText("COM13");
    Find<QPushButton>(&dialog, "Button1")->click();
  });
  EXPECT_EQ(ReadUartPortSetting(settingsPath), 13);
}

TEST_F(UartSetTest, ExitAndTheCloseBoxWriteNothing) {
  StorePort("4");
  const QByteArray before = SettingsText();
  for (const bool closeBox : {false, true}) {
    WithDialog([&](TF_UartSet& dialog) {
      Ports(dialog)->setCurrentIndex(1);
      if (closeBox) {
        dialog.close();
      } else {
        Find<QPushButton>(&dialog, "Button2")->click();
      }
      EXPECT_FALSE(dialog.isVisible());
    });
  }
  EXPECT_EQ(SettingsText(), before);
}

TEST_F(UartSetTest, UnwritableFileShowsTheErrorAndKeepsTheDialogOpen) {
  // The settings file's folder is a plain file, so nothing can be written there.
  WriteFile(dir, "not-a-folder", "x");
  settingsPath = dir.filePath("not-a-folder/Cyclomer.ini").toStdString();
  window.reset();
  MakeWindow();
  WithDialog([&](TF_UartSet& dialog) {
    Find<QPushButton>(&dialog, "Button1")->click();
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open after a failed write";
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].request.Text,
              "Unable to write to " + settingsPath + ".\n\nNot a directory.");
    EXPECT_EQ(recorder.boxes[0].owner, &dialog);
    Find<QPushButton>(&dialog, "Button2")->click();
  });
}

}  // namespace
}  // namespace quorin::test
