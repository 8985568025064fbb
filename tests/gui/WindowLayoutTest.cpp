// The main window as laid out: names, geometry, texts, fonts, colours and initial states.
#include <QAction>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "app/qt/StretchedImage.h"

namespace quorin::test {
namespace {

struct ControlLayout {
  const char* name;
  QRect geometry;
  const char* text;       // nullptr: not a text control
  bool autoSize = false;  // a label that may grow to show its whole text
};

QString TextOf(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<QToolButton*>(widget)) return button->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  return {};
}

class LayoutTest : public WindowTest, public ::testing::WithParamInterface<ControlLayout> {};

TEST_P(LayoutTest, ControlHasItsNameGeometryAndText) {
  MakeWindow();
  const ControlLayout& control = GetParam();
  auto* widget = Find<QWidget>(window.get(), control.name);
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(widget->objectName(), control.name);
  if (control.autoSize) {
    auto* label = qobject_cast<QLabel*>(widget);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(widget->pos(), control.geometry.topLeft());
    EXPECT_EQ(widget->height(), control.geometry.height());
    EXPECT_GE(widget->width(), control.geometry.width());
    EXPECT_GE(widget->width(), label->sizeHint().width()) << control.name << " is cut short";
    EXPECT_LE(widget->geometry().right(), widget->parentWidget()->width() - 1)
        << control.name << " runs out of its parent";
  } else {
    EXPECT_EQ(widget->geometry(), control.geometry) << control.name;
  }
  if (control.text) {
    EXPECT_EQ(TextOf(widget), QString::fromUtf8(control.text)) << control.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, LayoutTest,
    ::testing::Values(
        ControlLayout{"ToolBar1", {0, 0, 481, 49}, nullptr},
        ControlLayout{"Btn_ReadUserPack", {0, 2, 185, 39}, "Read Pack"},
        ControlLayout{"Btn_SendToController", {193, 2, 264, 39}, "Program"},
        ControlLayout{"GroupBox1", {2, 56, 471, 145}, "Controller Update Pack Info"},
        ControlLayout{"Label5", {8, 32, 154, 19}, "Program Firmware Name", true},
        ControlLayout{"Edit_UpdateFileName", {8, 52, 457, 27}, ""},
        ControlLayout{"Label1", {8, 88, 46, 19}, "Version", true},
        ControlLayout{"Edit_VerNum", {8, 108, 121, 27}, ""},
        ControlLayout{"Label8", {208, 88, 241, 19}, ""},
        ControlLayout{
            "Label2", {208, 112, 237, 19}, "Tip: Quorin-Middle Drive Controller  Only", true},
        ControlLayout{"Image1", {296, 18, 169, 25}, nullptr},
        ControlLayout{"Gauge1", {2, 208, 471, 17}, nullptr},
        ControlLayout{"ListBox1", {2, 232, 471, 121}, nullptr},
        ControlLayout{"Label4", {8, 360, 230, 19}, "Notice:    if  program unsucessfully", true},
        ControlLayout{"Label6", {8, 384, 220, 19}, "1. Wait  few seconds  and try again ", true},
        ControlLayout{"Label3",
                      {8, 400, 391, 19},
                      "2. Remove program cable  and connect again if still unsucessful",
                      true},
        ControlLayout{"Label7", {280, 360, 185, 19}, "www.quorin.example", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, CaptionSizeAndMenu) {
  MakeWindow();
  EXPECT_EQ(window->windowTitle(), "Quorin-G2-Controller IAP Tool Ver 5.1-20002");
  EXPECT_EQ(window->objectName(), "F_UpdateDispController");
  EXPECT_EQ(window->centralWidget()->size(), QSize(481, 424));
  EXPECT_FALSE(window->windowIcon().isNull());

  auto* menu = Find<QMenu>(window.get(), "IAP1");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->title(), "Uart");
  auto* entry = Find<QAction>(window.get(), "UartPort1");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->text(), "Uart Port");
  EXPECT_EQ(window->menuBar()->actions(), QList<QAction*>{menu->menuAction()});
}

TEST_F(WindowTest, InitialStates) {
  MakeWindow();
  auto* program = Find<QToolButton>(window.get(), "Btn_SendToController");
  auto* read = Find<QToolButton>(window.get(), "Btn_ReadUserPack");
  EXPECT_FALSE(program->isEnabled()) << "Program waits for a successfully read pack";
  EXPECT_TRUE(read->isEnabled());
  EXPECT_EQ(read->toolTip(), "Read Controller  update from pack file ");
  for (QToolButton* button : {read, program}) {
    EXPECT_TRUE(button->autoRaise());
    EXPECT_EQ(button->iconSize(), QSize(24, 24));
    EXPECT_FALSE(button->icon().pixmap(24, 24).isNull());
    EXPECT_TRUE(button->font().bold());
    EXPECT_EQ(button->font().pixelSize(), 13);
  }

  auto* group = Find<QGroupBox>(window.get(), "GroupBox1");
  EXPECT_FALSE(group->isEnabled());
  EXPECT_TRUE(Find<QLineEdit>(window.get(), "Edit_UpdateFileName")->isReadOnly());
  EXPECT_TRUE(Find<QLineEdit>(window.get(), "Edit_VerNum")->isReadOnly());

  auto* gauge = Find<QProgressBar>(window.get(), "Gauge1");
  EXPECT_FALSE(gauge->isVisible());
  EXPECT_EQ(gauge->orientation(), Qt::Horizontal);
  EXPECT_EQ(gauge->minimum(), 0);
  EXPECT_EQ(gauge->maximum(), 1000);
  EXPECT_EQ(gauge->value(), 0);
  EXPECT_TRUE(gauge->isTextVisible());
  EXPECT_EQ(gauge->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);

  auto* log = Find<QListWidget>(window.get(), "ListBox1");
  EXPECT_EQ(log->count(), 0);
  EXPECT_EQ(log->font().pixelSize(), 13);
}

TEST_F(WindowTest, LogoIsDecodedAndStretchedToItsBox) {
  MakeWindow();
  auto* image = Find<StretchedImage>(window.get(), "Image1");
  ASSERT_FALSE(image->Image().isNull());
  // The logo has the box's proportions, so stretching it does not distort it much.
  EXPECT_NEAR(double(image->Image().width()) / image->Image().height(), 169.0 / 25.0, 0.1);
  // Drawn in colour although its group is disabled: the band is blue, not grey.
  const QImage shown = image->grab().toImage();
  const QColor band = shown.pixelColor(shown.width() - 3, 2);
  EXPECT_GT(band.blue(), band.red() + 40) << "the logo is drawn greyed out";
}

TEST_F(WindowTest, FontsFallBackToAnInstalledCjkFamily) {
  MakeWindow();
  auto* label = Find<QLabel>(window.get(), "Label4");
  EXPECT_TRUE(label->font().families().contains(QString::fromUtf8("微软雅黑")));
  // Whatever family the system picks must have the Chinese glyphs of the warning box.
  const QFontMetrics metrics(label->font());
  for (QChar c : QString::fromUtf8("固件包错误警告")) {
    EXPECT_TRUE(metrics.inFont(c)) << "no glyph for U+" << std::hex << int(c.unicode());
  }
  auto* web = Find<QLabel>(window.get(), "Label7");
  EXPECT_EQ(web->font().pixelSize(), 16);
  EXPECT_TRUE(web->font().bold());
  auto* kind = Find<QLabel>(window.get(), "Label8");
  EXPECT_TRUE(kind->font().bold());
  EXPECT_EQ(kind->palette().color(QPalette::WindowText), QColor(Qt::blue));
}

TEST_F(WindowTest, AddLogLineKeepsTheNewestLineSelectedAndVisible) {
  MakeWindow();
  auto* log = Find<QListWidget>(window.get(), "ListBox1");
  for (int i = 0; i < 60; ++i) window->AppendLogLine("line " + std::to_string(i));
  ASSERT_EQ(log->count(), 60);
  EXPECT_EQ(log->currentRow(), 59);
  EXPECT_TRUE(log->item(59)->isSelected());
  const QRect shown = log->visualItemRect(log->item(59));
  EXPECT_TRUE(log->viewport()->rect().contains(shown)) << "the newest line is scrolled into view";
  window->ClearLog();
  EXPECT_EQ(log->count(), 0);
  window->SetLogAdvice("cannot open the serial port COM3");
  EXPECT_EQ(log->toolTip(), "cannot open the serial port COM3");
}

TEST_F(WindowTest, GaugeShowsItsProgressAsAPercentage) {
  MakeWindow();
  auto* gauge = Find<QProgressBar>(window.get(), "Gauge1");
  window->SetGaugeMaximum(4000);
  window->SetGaugeProgress(1024);
  EXPECT_EQ(gauge->value(), 1024);
  EXPECT_EQ(gauge->text(), "25%");
  window->SetGaugeVisible(true);
  EXPECT_TRUE(gauge->isVisible());
  window->SetGaugeVisible(false);
  EXPECT_FALSE(gauge->isVisible());
}

}  // namespace
}  // namespace quorin::test
