#include "app/qt/p_UartSet.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <utility>

#include "app/qt/FormWidgets.h"

namespace quorin {
namespace {

void Fill(QComboBox* box, const std::vector<std::string>& items) {
  for (const std::string& item : items) box->addItem(QString::fromStdString(item));
  box->setCurrentIndex(0);
}

}  // namespace

TF_UartSet::TF_UartSet(
    PortDialogPresenter& presenter,
    std::function<void(QWidget* owner, const MessageBoxRequest& request)> showMessage,
    QWidget* parent)
    : QDialog(parent), presenter_(presenter), showMessage_(std::move(showMessage)) {
  setObjectName("F_UartSet");
  BuildFormWidgets(form::PortDialogForm(), this, {});
  ComboBox1 = FormWidget<QComboBox>(this, "ComboBox1");
  ComboBox2 = FormWidget<QComboBox>(this, "ComboBox2");
  Fill(ComboBox1, presenter_.PortItems());
  Fill(ComboBox2, PortDialogPresenter::BaudItems());
  // Items may carry a device and an adapter's name: the open list is as wide as they are.
  ComboBox1->view()->setMinimumWidth(ComboBox1->view()->sizeHintForColumn(0));

  auto* save = FormWidget<QPushButton>(this, "Button1");
  auto* exit = FormWidget<QPushButton>(this, "Button2");
  connect(save, &QPushButton::clicked, this, [this] { presenter_.Save(*this); });
  connect(exit, &QPushButton::clicked, this, [this] { presenter_.Exit(*this); });
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
