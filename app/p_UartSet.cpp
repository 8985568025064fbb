#include "app/p_UartSet.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <utility>

#include "app/UiFonts.h"
#include "settings/UartSettings.h"

namespace quorin {
namespace {

template <class Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(name);
  widget->setGeometry(left, top, width, height);
  return widget;
}

QComboBox* EditableList(QWidget* parent, const QStringList& items) {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(items);
  box->setCurrentIndex(0);
  return box;
}

}  // namespace

TF_UartSet::TF_UartSet(std::string settingsPath, std::function<QString(int)> portDevice,
                       std::function<void(const std::exception&)> reportError, QWidget* parent)
    : QDialog(parent),
      settingsPath_(std::move(settingsPath)),
      reportError_(std::move(reportError)) {
  setObjectName("F_UartSet");
  setWindowTitle("Uart port set");
  setFont(SansSerifFont(11));
  // Client area of a 221 x 273 dialog frame.
  setFixedSize(205, 234);

  GroupBox2 = Place(new QGroupBox("UART", this), "GroupBox2", 13, 13, 185, 140);
  GroupBox2->setFont(YaHeiFont(13));
  Label1 = Place(new QLabel("UART Port", GroupBox2), "Label1", 14, 27, 64, 19);

  QStringList ports;
  for (int port = 1; port <= kUartPortItems; ++port) {
    QString item = QString("com%1").arg(port);
    const QString device = portDevice ? portDevice(port) : QString();
    if (!device.isEmpty()) item += "  " + device;
    ports << item;
  }
  ComboBox1 = Place(EditableList(GroupBox2, ports), "ComboBox1", 12, 48, 161, 27);
  Label2 = Place(new QLabel("UartBaud rate", GroupBox2), "Label2", 11, 84, 86, 19);
  Label2->hide();
  ComboBox2 =
      Place(EditableList(GroupBox2, {"38400", "57600", "115200"}), "ComboBox2", 14, 105, 155, 27);
  ComboBox2->hide();

  // Labels size themselves to their text; with a wider fallback font the text still shows whole.
  for (QLabel* label : {Label1, Label2}) {
    label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
  }

  Button1 = Place(new QPushButton("Save", this), "Button1", 16, 176, 75, 25);
  Button2 = Place(new QPushButton("Exit", this), "Button2", 112, 176, 75, 25);
  Button1->setFont(SansSerifFont(13));
  Button2->setFont(SansSerifFont(13));
  Button1->setAutoDefault(false);
  Button2->setAutoDefault(false);

  connect(Button1, &QPushButton::clicked, this, [this] {
    try {
      Button1Click();
    } catch (const std::exception& error) {
      if (reportError_) reportError_(error);
    }
  });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TF_UartSet::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TF_UartSet::FormShow() {
  const int port = ReadUartPortSetting(settingsPath_);
  // A port above the list asks for an item that does not exist: no selection.
  const int index = port >= 1 ? port - 1 : 0;
  ComboBox1->setCurrentIndex(index < ComboBox1->count() ? index : -1);
  ComboBox2->setCurrentIndex(ReadBaudIndexSetting(settingsPath_));
}

int TF_UartSet::SelectedPortIndex() const {
  const int index = ComboBox1->currentIndex();
  if (index < 0 || ComboBox1->currentText() != ComboBox1->itemText(index)) return -1;
  return index;
}

void TF_UartSet::Button1Click() {
  WriteUartPortSetting(settingsPath_, SelectedPortIndex() + 1);
  WriteBaudIndexSetting(settingsPath_, ComboBox2->currentIndex());
  accept();
}

void TF_UartSet::Button2Click() {
  reject();
}

}  // namespace quorin
