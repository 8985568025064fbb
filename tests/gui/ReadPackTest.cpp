// Read Pack: the file dialog, the loader's outcomes and what each shows.
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>
#include <functional>
#include <filesystem>

#include "GuiTestSupport.h"

namespace quorin::test {
namespace {

class ReadPackTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    MakeWindow();
    program = Find<QToolButton>(window.get(), "Btn_SendToController");
    fileName = Find<QLineEdit>(window.get(), "Edit_UpdateFileName");
    version = Find<QLineEdit>(window.get(), "Edit_VerNum");
    kind = Find<QLabel>(window.get(), "Label8");
  }

  void Read(const QString& path) {
    recorder.nextFileNames.push_back(path);
    Find<QToolButton>(window.get(), "Btn_ReadUserPack")->click();
  }

  void ReadGood(std::uint16_t packVersion = 6500) {
    PackFields fields;
    fields.Version = packVersion;
    Read(WritePack(dir, "good.Pack", fields));
    ASSERT_TRUE(recorder.boxes.empty());
    ASSERT_TRUE(program->isEnabled());
  }

  QToolButton* program = nullptr;
  QLineEdit* fileName = nullptr;
  QLineEdit* version = nullptr;
  QLabel* kind = nullptr;
};

struct GoodPackCase {
  std::uint8_t updateKind;
  std::uint16_t version;
  const char* kindText;
  const char* versionText;
};

class GoodPackTest : public ReadPackTest, public ::testing::WithParamInterface<GoodPackCase> {};

TEST_P(GoodPackTest, ShowsNameVersionAndKindAndEnablesProgram) {
  PackFields fields;
  fields.UpdateKind = GetParam().updateKind;
  fields.Version = GetParam().version;
  Read(WritePack(dir, "Controller V6.5.Pack", fields));
  EXPECT_EQ(recorder.fileDialogs, 1);
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(fileName->text(), "Controller V6.5.Pack");
  EXPECT_EQ(version->text(), GetParam().versionText);
  EXPECT_EQ(kind->text(), GetParam().kindText);
  EXPECT_TRUE(program->isEnabled());
  EXPECT_EQ(window->Pack().Header.Version(), GetParam().version);
  SaveScreenshot(window.get(), QString("after-read-pack-kind-%1").arg(GetParam().updateKind));
}

INSTANTIATE_TEST_SUITE_P(
    BothKinds, GoodPackTest,
    ::testing::Values(GoodPackCase{0xAA, 6500, "Update software + settings", "6500"},
                      GoodPackCase{0x55, 6401, "Update software only", "6401"},
                      GoodPackCase{0x00, 65535, "Update software only", "65535"}));

TEST_F(ReadPackTest, BrokenPackWarnsAndDisablesProgramKeepingTheFields) {
  ReadGood(6500);
  PackFields fields;
  auto image = BuildPackImage(std::vector<std::uint8_t>(100, 1), fields);
  (*image)[40] ^= 0xFF;  // one firmware byte: the sum no longer matches
  Read(WriteFile(dir, "broken.Pack",
                 QByteArray(reinterpret_cast<const char*>(image->data()), image->size())));

  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, "Pack file was briken");
  EXPECT_EQ(recorder.boxes[0].caption, "Error");
  EXPECT_EQ(recorder.boxes[0].icon, QMessageBox::Warning);
  EXPECT_EQ(recorder.boxes[0].owner, window.get());
  EXPECT_FALSE(program->isEnabled());
  EXPECT_EQ(fileName->text(), "good.Pack");
  EXPECT_EQ(version->text(), "6500");

  recorder.boxes.clear();
  ReadGood(6600);  // a good pack enables Program again
  EXPECT_EQ(version->text(), "6600");
}

TEST_F(ReadPackTest, ForeignTargetWarnsWithProgramDisabledThenEnablesIt) {
  PackFields fields;
  fields.TargetCode = 20003;
  Read(WritePack(dir, "other.Pack", fields));
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, QString::fromUtf8("固件包错误"));
  EXPECT_EQ(recorder.boxes[0].caption, QString::fromUtf8("警告"));
  EXPECT_EQ(recorder.boxes[0].icon, QMessageBox::Warning);
  EXPECT_TRUE(program->isEnabled()) << "a foreign pack can still be programmed after the warning";
  EXPECT_EQ(fileName->text(), "other.Pack");
}

TEST(ReadPackForeignTarget, ProgramIsDisabledWhileTheWarningIsShown) {
  QTemporaryDir dir;
  bool enabledDuringWarning = true;
  QToolButton* program = nullptr;
  RecordingHooks recorder;
  WindowHooks hooks = recorder.Hooks();
  hooks.ShowMessage = [&](const MessageBoxRequest&) {
    enabledDuringWarning = program->isEnabled();
  };
  PackFields fields;
  fields.TargetCode = 0x00014E22;  // 20002 + 65536: the high word counts
  const QString path = WritePack(dir, "far.Pack", fields);
  hooks.OpenPackFileName = [&](QWidget*) { return path; };
  WindowOptions options;
  options.SettingsPath = dir.filePath("Cyclomer.ini").toStdString();
  options.Job.PortName = [] { return std::string("/dev/null-port"); };
  options.Job.BaudIndex = [] { return 0; };
  TF_UpdateDispController window(hooks, options);
  program = Find<QToolButton>(&window, "Btn_SendToController");
  Find<QToolButton>(&window, "Btn_ReadUserPack")->click();
  EXPECT_FALSE(enabledDuringWarning);
  EXPECT_TRUE(program->isEnabled());
}

struct UnreadableCase {
  const char* name;
  int bytes;  // -1: the file does not exist
  const char* boxText;
};

class UnreadablePackTest : public ReadPackTest,
                           public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadablePackTest, ErrorBoxThroughTheDefaultHandlerAndNothingChanges) {
  ReadGood(6500);
  const QString path = GetParam().bytes < 0
                           ? dir.filePath("missing.Pack")
                           : WriteFile(dir, "short.Pack", QByteArray(GetParam().bytes, '\x5A'));
  Read(path);
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, GetParam().boxText);
  EXPECT_EQ(recorder.boxes[0].caption, "quorin-iap");
  EXPECT_EQ(recorder.boxes[0].icon, QMessageBox::Critical);
  EXPECT_EQ(fileName->text(), "good.Pack");
  EXPECT_EQ(version->text(), "6500");
  EXPECT_EQ(kind->text(), "Update software only");
  EXPECT_TRUE(program->isEnabled());
  EXPECT_EQ(window->Pack().Header.Version(), 6500) << "the records keep the last good pack";
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadablePackTest,
    ::testing::Values(UnreadableCase{"ShortFile", 131071, "Read beyond end of file."},
                      UnreadableCase{"EmptyFile", 0, "Read beyond end of file."},
                      UnreadableCase{"Missing", -1, "File not found."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReadPackTest, CancelChangesNothing) {
  ReadGood(6500);
  Read(QString());  // an empty answer is a cancelled dialog
  EXPECT_EQ(recorder.fileDialogs, 2);
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(fileName->text(), "good.Pack");
  EXPECT_EQ(version->text(), "6500");
  EXPECT_TRUE(program->isEnabled());
}

TEST_F(ReadPackTest, CancelBeforeAnyPackLeavesProgramDisabled) {
  Read(QString());
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(fileName->text(), "");
  EXPECT_FALSE(program->isEnabled());
}

TEST_F(ReadPackTest, DroppingAPackFileReadsIt) {
  PackFields fields;
  fields.Version = 7001;
  const QString path = WritePack(dir, "dropped.Pack", fields);
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);
  EXPECT_EQ(fileName->text(), "dropped.Pack");
  EXPECT_EQ(version->text(), "7001");
  EXPECT_TRUE(program->isEnabled());
}

TEST_F(ReadPackTest, ANameThatIsNotUtf8IsOpenedByItsBytes) {
  // "固件" in the legacy Chinese code page: not valid UTF-8, as names from old archives are.
  const std::string legacyName = "\xB9\xCC\xBC\xFE-6400.Pack";
  PackFields fields;
  fields.Version = 6400;
  const std::string folder = QFile::encodeName(dir.path()).toStdString();
  std::filesystem::rename(QFile::encodeName(WritePack(dir, "utf8.Pack", fields)).toStdString(),
                          folder + "/" + legacyName);
  const std::string path = folder + "/" + legacyName;
  const std::function<void()> ways[] = {
      [&] { window->ReadPackFile(path); },
      [&] {
        QMimeData mime;
        mime.setUrls(
            {QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
      },
  };
  for (std::size_t way = 0; way < std::size(ways); ++way) {
    SCOPED_TRACE(way == 0 ? "read by name" : "dropped");
    version->setText("");
    ways[way]();
    EXPECT_TRUE(recorder.boxes.empty()) << recorder.boxes.front().text.toStdString();
    EXPECT_EQ(version->text(), "6400");
    EXPECT_TRUE(program->isEnabled());
  }
  std::filesystem::remove(path);  // Qt could not name it to clean up
}

TEST_F(ReadPackTest, OtherFilesAreNotTakenByDrop) {
  const QString path = WriteFile(dir, "notes.txt", QByteArray(131072, '\0'));
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  enter.setAccepted(false);
  QApplication::sendEvent(window.get(), &enter);
  EXPECT_FALSE(enter.isAccepted());
}

}  // namespace
}  // namespace quorin::test
