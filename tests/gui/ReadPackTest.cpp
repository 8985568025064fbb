// Read Pack in the widgets: the presenter's requests reach the right widgets, message boxes are
// owned by the window, and dropped files reach the presenter by their own bytes.
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>
#include <filesystem>
#include <functional>

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

  QToolButton* program = nullptr;
  QLineEdit* fileName = nullptr;
  QLineEdit* version = nullptr;
  QLabel* kind = nullptr;
};

TEST_F(ReadPackTest, ShowsThePackInTheFieldsAndWarningsOwnedByTheWindow) {
  PackFields fields;
  fields.UpdateKind = 0xAA;
  fields.Version = 65535;
  Read(WritePack(dir, "Controller V6.5.Pack", fields));
  EXPECT_TRUE(recorder.boxes.empty());
  EXPECT_EQ(fileName->text(), "Controller V6.5.Pack");
  EXPECT_EQ(version->text(), "65535");
  EXPECT_EQ(kind->text(), "Update software + settings");
  EXPECT_TRUE(program->isEnabled());
  SaveScreenshot(window.get(), "after-read-pack");

  fields.TargetCode = 20003;
  Read(WritePack(dir, "other.Pack", fields));
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].owner, window.get());
  EXPECT_EQ(recorder.boxes[0].request.Text, "固件包错误");
  Read(QString());  // cancelled
  EXPECT_EQ(fileName->text(), "other.Pack");
  EXPECT_TRUE(program->isEnabled());
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
      [&] { window->Presenter().OpenPack(path); },
      [&] {
        QMimeData mime;
        mime.setUrls({QUrl::fromEncoded("file://" +
                                        QByteArray::fromStdString(path).toPercentEncoding("/"))});
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
    EXPECT_TRUE(recorder.boxes.empty()) << recorder.boxes.front().request.Text;
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
