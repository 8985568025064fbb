#include "app/qt/p_UartSet.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <utility>

#include "app/qt/UiFonts.h"

namespace quorin {
namespace {

template <class Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(name);
  widget->setGeometry(left, top, width, height);
  return widget;
}

QComboBox* EditableList(QWidget* parent, const std::vector<std::string>& items) {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& item : items) box->addItem(QString::fromStdString(item));
  box->setCurrentIndex(0);
  return box;
}

}  // namespace

TF_UartSet::TF_UartSet(
    PortDialogPresenter& presenter,
    std::function<void(QWidget* owner, const MessageBoxRequest& request)> showMessage,
    QWidget* parent)
    : QDialog(parent), presenter_(presenter), showMessage_(std::move(showMessage)) {
  setObjectName("F_UartSet");
  setWindowTitle("Uart port set");
  setFont(SansSerifFont(11));
  // Client area of a 221 x 273 dialog frame.
  setFixedSize(205, 234);

  GroupBox2 = Place(new QGroupBox("UART", this), "GroupBox2", 13, 13, 185, 140);
  GroupBox2->setFont(YaHeiFont(13));
  Label1 = Place(new QLabel("UART Port", GroupBox2), "Label1", 14, 27, 64, 19);

  ComboBox1 = Place(EditableList(GroupBox2, presenter_.PortItems()), "ComboBox1", 12, 48, 161, 27);
  // Items may carry a device and an adapter's name: the open list is as wide as they are.
  ComboBox1->view()->setMinimumWidth(ComboBox1->view()->sizeHintForColumn(0));
  Label2 = Place(new QLabel("UartBaud rate", GroupBox2), "Label2", 11, 84, 86, 19);
  Label2->hide();
  ComboBox2 = Place(EditableList(GroupBox2, PortDialogPresenter::BaudItems()), "ComboBox2", 14, 105,
                    155, 27);
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

  connect(Button1, &QPushButton::clicked, this, [this] { presenter_.Save(*this); });
  connect(Button2, &QPushButton::clicked, this, [this] { presenter_.Exit(*this); });
}

void TF_UartSet::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  presenter_.FormShow(*this);
}

void TF_UartSet::SelectPort(int index) {
  ComboBox1->setCurrentIndex(index);
}

void TF_UartSet::SelectBaud(int index) {
  ComboBox2->setCurrentIndex(index);
}

int TF_UartSet::SelectedPortIndex() const {
  // Text typed into the field that is not the selected item's counts as no selection.
  const int index = ComboBox1->currentIndex();
  return index >= 0 && ComboBox1->currentText() == ComboBox1->itemText(index) ? index : -1;
}

std::string TF_UartSet::PortText() const {
  return ComboBox1->currentText().toStdString();
}

void TF_UartSet::SetPortText(const std::string& text) {
  ComboBox1->setEditText(QString::fromStdString(text));
}

int TF_UartSet::SelectedBaudIndex() const {
  return ComboBox2->currentIndex();
}

void TF_UartSet::Close() {
  QDialog::done(QDialog::Rejected);
}

void TF_UartSet::ShowMessage(const MessageBoxRequest& request) {
  showMessage_(this, request);
}

void TF_UartSet::reject() {
  presenter_.Exit(*this);
}

}  // namespace quorin
