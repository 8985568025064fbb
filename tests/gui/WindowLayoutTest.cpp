// The main window as laid out: names, geometry, texts, fonts, colours and initial states.
#include <QAction>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "app/WindowForms.h"
#include "app/qt/StretchedImage.h"

namespace quorin::test {
namespace {

QString TextOf(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) return memo->toPlainText();
  return {};
}

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), int(text.size()));
}

}  // namespace

void ExpectBuiltAsTheFormSays(QWidget* root, const form::Form& form) {
  for (const form::Control& control : form.Controls) {
    SCOPED_TRACE(std::string(control.Name));
    auto* widget = root->findChild<QWidget*>(Q(control.Name));
    ASSERT_NE(widget, nullptr);
    const QRect box(control.Place.Left, control.Place.Top, control.Place.Width,
                    control.Place.Height);
    if (control.FitText) {
      EXPECT_EQ(widget->pos(), box.topLeft());
      EXPECT_EQ(widget->height(), box.height());
      EXPECT_GE(widget->width(), box.width());
      EXPECT_GE(widget->width(), widget->sizeHint().width()) << "cut short";
      EXPECT_LE(widget->geometry().right(), widget->parentWidget()->width() - 1)
          << "runs out of its parent";
    } else {
      EXPECT_EQ(widget->geometry(), box);
    }
    const QString parent = widget->parentWidget()->objectName();
    EXPECT_EQ(parent, control.Parent.empty() ? parent : Q(control.Parent));
    EXPECT_EQ(TextOf(widget), Q(control.Caption));
    EXPECT_EQ(widget->font().pixelSize(), control.TextFont.Pixels);
    EXPECT_EQ(widget->font().bold(), control.TextFont.Bold);
    EXPECT_EQ(widget->toolTip(), Q(control.Tooltip));
    EXPECT_EQ(widget->isHidden(), !control.Visible);
    EXPECT_EQ(widget->isEnabled(), control.Enabled && widget->parentWidget()->isEnabled());
    if (control.Text != form::Colour::System && control.Text != form::Colour::HighlightText) {
      const form::Rgb rgb = form::RgbOf(control.Text);
      widget->ensurePolished();
      EXPECT_EQ(widget->palette().color(widget->foregroundRole()),
                QColor(rgb.Red, rgb.Green, rgb.Blue));
    }
  }
}

namespace {

TEST_F(WindowTest, MainWindowIsBuiltAsItsFormSays) {
  MakeWindow();
  ExpectBuiltAsTheFormSays(window.get(), form::MainWindowForm());
}

TEST_F(WindowTest, CaptionSizeAndMenu) {
  MakeWindow();
  EXPECT_EQ(window->windowTitle(), "Quorin-G2-Controller IAP Tool Ver 5.1-20002");
  EXPECT_EQ(window->objectName(), "F_UpdateDispController");
  EXPECT_EQ(window->centralWidget()->size(),
            QSize(form::MainWindowForm().ClientWidth, form::MainWindowForm().ClientHeight));
  EXPECT_FALSE(window->windowIcon().isNull());

  auto* menu = Find<QMenu>(window.get(), "IAP1");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->title(), "Uart");
  auto* entry = Find<QAction>(window.get(), "UartPort1");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->text(), "Uart Port");
  auto* check = Find<QAction>(window.get(), "ConnectionCheck1");
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(check->text(), "Connection check");
  EXPECT_EQ(menu->actions(), (QList<QAction*>{entry, check}));
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
