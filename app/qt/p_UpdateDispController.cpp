#include "app/qt/p_UpdateDispController.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <utility>
#include <vector>

#include "app/qt/Assets.h"
#include "app/qt/JpegImage.h"
#include "app/qt/StretchedImage.h"
#include "app/qt/UiFonts.h"
#include "app/qt/p_UartSet.h"

namespace quorin {
namespace {

// Client area of the 497 x 483 window frame below its menu bar.
constexpr int kClientWidth = 481;
constexpr int kClientHeight = 424;
// The frame the window's outer size counts: borders and the caption bar.
constexpr int kOuterWidth = 497;
constexpr int kOuterHeight = 483;

template <class Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(name);
  widget->setGeometry(left, top, width, height);
  return widget;
}

QLabel* Label(QWidget* parent, const char* name, const char* text, int left, int top, int width,
              int height) {
  return Place(new QLabel(QString::fromUtf8(text), parent), name, left, top, width, height);
}

// Labels other than Label8 size themselves to their text, as they did where the layout was drawn:
// with a wider fallback font the text still shows whole. They never shrink below their box.
void FitWidthToText(QLabel* label) {
  label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
}

QIcon IconFromPng(std::span<const std::uint8_t> png) {
  QPixmap pixmap;
  pixmap.loadFromData(png.data(), static_cast<uint>(png.size()), "PNG");
  return QIcon(pixmap);
}

QToolButton* FlatImageButton(QWidget* parent, const char* name, const char* caption,
                             std::span<const std::uint8_t> png, int left, int width) {
  auto* button = Place(new QToolButton(parent), name, left, 2, width, 39);
  button->setText(caption);
  button->setIcon(IconFromPng(png));
  button->setIconSize(QSize(24, 24));
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setAutoRaise(true);
  button->setFont(YaHeiFont(13, true));
  button->setStyleSheet("QToolButton { color: black; }");
  return button;
}

// The dropped files' names as the file system spells them: taken from the URLs' percent-encoded
// bytes, so a name that is not valid UTF-8 (from a legacy archive) still names the file. What is
// not a local file comes out empty.
std::vector<std::string> LocalPaths(const QMimeData* mime) {
  std::vector<std::string> paths;
  if (!mime || !mime->hasUrls()) return paths;
  for (const QUrl& url : mime->urls()) {
    paths.push_back(
        url.isLocalFile()
            ? QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString()
            : std::string());
  }
  return paths;
}

QMessageBox::Icon QtIcon(BoxIcon icon) {
  return icon == BoxIcon::Warning ? QMessageBox::Warning : QMessageBox::Critical;
}

}  // namespace

void ShowModalMessageBox(QWidget* owner, const MessageBoxRequest& request) {
  QMessageBox box(QtIcon(request.icon), QString::fromStdString(request.caption),
                  QString::fromStdString(request.text), QMessageBox::Ok, owner);
  box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
  box.exec();
}

WindowHooks ModalWindowHooks() {
  WindowHooks hooks;
  hooks.OpenPackFileName = [](QWidget* owner) {
    return QFileDialog::getOpenFileName(owner, QString(), QString(), kPackFileFilter);
  };
  hooks.ShowMessage = ShowModalMessageBox;
  hooks.RunUartSetDialog = [](TF_UartSet& dialog) { dialog.exec(); };
  return hooks;
}

TF_UpdateDispController::TF_UpdateDispController(WindowHooks hooks, PresenterOptions options,
                                                 QWidget* parent)
    : QMainWindow(parent),
      hooks_(std::move(hooks)),
      sink_([this](const std::exception& error) { presenter_->ShowError(error); }) {
  BuildLayout();
  presenter_ = std::make_unique<MainWindowPresenter>(*this, sink_, std::move(options));
  presenter_->OnJobFinished = [this](JobOutcome outcome) {
    emit JobFinished(static_cast<int>(outcome));
  };
  setWindowTitle(QString::fromStdString(presenter_->Caption()));
}

TF_UpdateDispController::~TF_UpdateDispController() {
  // The worker may still post view calls while it winds down; they must not run on a window
  // that is going away.
  presenter_.reset();
  sink_.Shutdown();
}

void TF_UpdateDispController::BuildLayout() {
  setObjectName("F_UpdateDispController");
  setWindowIcon(IconFromPng(assets::WindowIconPng()));
  setFont(SansSerifFont(11));
  setAcceptDrops(true);

  auto* client = new QWidget(this);
  client->setObjectName("ClientArea");
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);

  BuildMenu();
  BuildToolBar(client);
  BuildPackInfo(client);
  BuildJobArea(client);

  for (QLabel* label : {Label5, Label1, Label2, Label4, Label6, Label3, Label7}) {
    FitWidthToText(label);
  }
  setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  PlaceCentred();
}

void TF_UpdateDispController::BuildMenu() {
  menuBar()->setObjectName("MainMenu1");
  IAP1 = menuBar()->addMenu("Uart");
  IAP1->setObjectName("IAP1");
  UartPort1 = IAP1->addAction("Uart Port");
  UartPort1->setObjectName("UartPort1");
  connect(UartPort1, &QAction::triggered, this, [this] { presenter_->UartPortClicked(); });
}

void TF_UpdateDispController::BuildToolBar(QWidget* client) {
  ToolBar1 = Place(new QFrame(client), "ToolBar1", 0, 0, 481, 49);
  ToolBar1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  ToolBar1->setLineWidth(1);

  Btn_ReadUserPack =
      FlatImageButton(ToolBar1, "Btn_ReadUserPack", "Read Pack", assets::ReadPackPng(), 0, 185);
  Btn_ReadUserPack->setToolTip("Read Controller  update from pack file ");
  Btn_SendToController =
      FlatImageButton(ToolBar1, "Btn_SendToController", "Program", assets::ProgramPng(), 193, 264);

  connect(Btn_ReadUserPack, &QToolButton::clicked, this, [this] { presenter_->ReadPackClicked(); });
  connect(Btn_SendToController, &QToolButton::clicked, this,
          [this] { presenter_->ProgramClicked(); });
}

void TF_UpdateDispController::BuildPackInfo(QWidget* client) {
  GroupBox1 =
      Place(new QGroupBox("Controller Update Pack Info", client), "GroupBox1", 2, 56, 471, 145);
  GroupBox1->setFont(YaHeiFont(13));
  // Its children are display only. Colours are set for every state so they survive disabling.
  GroupBox1->setStyleSheet(
      "QGroupBox#GroupBox1 { background-color: palette(highlighted-text); color: navy;"
      " border: 1px solid #a0a0a0; margin-top: 8px; }"
      "QGroupBox#GroupBox1::title { subcontrol-origin: margin; left: 8px; padding: 0 2px; }"
      "QLabel { color: navy; background: transparent; }"
      "QLineEdit { color: black; background: white; border: 1px solid #a0a0a0; }");
  GroupBox1->setEnabled(false);

  Label5 = Label(GroupBox1, "Label5", "Program Firmware Name", 8, 32, 154, 19);
  Edit_UpdateFileName = Place(new QLineEdit(GroupBox1), "Edit_UpdateFileName", 8, 52, 457, 27);
  Edit_UpdateFileName->setReadOnly(true);
  Label1 = Label(GroupBox1, "Label1", "Version", 8, 88, 46, 19);
  Edit_VerNum = Place(new QLineEdit(GroupBox1), "Edit_VerNum", 8, 108, 121, 27);
  Edit_VerNum->setReadOnly(true);
  Label8 = Label(GroupBox1, "Label8", "", 208, 88, 241, 19);
  Label8->setFont(YaHeiFont(13, true));
  Label8->setStyleSheet("color: blue;");
  Label2 =
      Label(GroupBox1, "Label2", "Tip: Quorin-Middle Drive Controller  Only", 208, 112, 237, 19);

  Image1 = Place(new StretchedImage(DecodeJpeg(assets::LogoJpeg()), GroupBox1), "Image1", 296, 18,
                 169, 25);
}

void TF_UpdateDispController::BuildJobArea(QWidget* client) {
  Gauge1 = Place(new QProgressBar(client), "Gauge1", 2, 208, 471, 17);
  Gauge1->setOrientation(Qt::Horizontal);
  Gauge1->setRange(0, 1000);
  Gauge1->setValue(0);
  Gauge1->setTextVisible(true);
  Gauge1->setAlignment(Qt::AlignCenter);
  Gauge1->setFormat("%p%");
  Gauge1->setStyleSheet(
      "QProgressBar { background-color: white; border: 1px solid #c0dcc0; color: black;"
      " text-align: center; }"
      "QProgressBar::chunk { background-color: lime; }");

  ListBox1 = Place(new QListWidget(client), "ListBox1", 2, 232, 471, 121);
  ListBox1->setFont(YaHeiFont(13));
  ListBox1->setUniformItemSizes(true);
  ListBox1->setStyleSheet("QListWidget::item { height: 19px; }");

  Label4 = Label(client, "Label4", "Notice:    if  program unsucessfully", 8, 360, 230, 19);
  Label4->setFont(YaHeiFont(13, true));
  Label6 = Label(client, "Label6", "1. Wait  few seconds  and try again ", 8, 384, 220, 19);
  Label6->setFont(YaHeiFont(13));
  Label3 =
      Label(client, "Label3", "2. Remove program cable  and connect again if still unsucessful", 8,
            400, 391, 19);
  Label3->setFont(YaHeiFont(13));
  Label7 = Label(client, "Label7", "www.quorin.example", 280, 360, 185, 19);
  Label7->setFont(YaHeiFont(16, true));
  Label7->setStyleSheet("color: navy;");
}

void TF_UpdateDispController::PlaceCentred() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect desktop = screen->availableGeometry();
  move(desktop.left() + (desktop.width() - kOuterWidth) / 2,
       desktop.top() + (desktop.height() - kOuterHeight) / 2);
}

void TF_UpdateDispController::SetProgramEnabled(bool enabled) {
  Btn_SendToController->setEnabled(enabled);
}

void TF_UpdateDispController::SetPackFileName(const std::string& name) {
  Edit_UpdateFileName->setText(QFile::decodeName(name.c_str()));
}

void TF_UpdateDispController::SetVersionText(const std::string& text) {
  Edit_VerNum->setText(QString::fromStdString(text));
}

void TF_UpdateDispController::SetUpdateKindText(const std::string& text) {
  Label8->setText(QString::fromStdString(text));
}

void TF_UpdateDispController::ClearLog() {
  ListBox1->clear();
}

void TF_UpdateDispController::AppendLogLine(const std::string& line) {
  ListBox1->addItem(QString::fromStdString(line));
  ListBox1->setCurrentRow(ListBox1->count() - 1);
  ListBox1->scrollToItem(ListBox1->currentItem());
  // Show the line at once. User input waits for the outer loop, so no handler runs nested in
  // here.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TF_UpdateDispController::SetLogAdvice(const std::string& advice) {
  ListBox1->setToolTip(QString::fromStdString(advice));
}

void TF_UpdateDispController::SetGaugeVisible(bool visible) {
  Gauge1->setVisible(visible);
}

void TF_UpdateDispController::SetGaugeMaximum(std::uint32_t maximum) {
  Gauge1->setMaximum(static_cast<int>(maximum));  // the presenter keeps it within INT_MAX
}

void TF_UpdateDispController::SetGaugeProgress(std::uint32_t progress) {
  Gauge1->setValue(static_cast<int>(progress));
}

void TF_UpdateDispController::ShowMessage(const MessageBoxRequest& request) {
  hooks_.ShowMessage(this, request);
}

std::optional<std::string> TF_UpdateDispController::AskPackFile() {
  const QString path = hooks_.OpenPackFileName(this);
  if (path.isEmpty()) return std::nullopt;
  return QFile::encodeName(path).toStdString();
}

void TF_UpdateDispController::RunPortDialog(PortDialogPresenter& presenter) {
  TF_UartSet dialog(presenter, hooks_.ShowMessage);
  // No owner, as a top-level dialog; placed over the middle of the main window.
  dialog.move(frameGeometry().center() - QPoint(dialog.width() / 2, dialog.height() / 2));
  uartSet_ = &dialog;
  struct ClearReference {
    TF_UartSet*& reference;
    ~ClearReference() { reference = nullptr; }
  } clear{uartSet_};
  hooks_.RunUartSetDialog(dialog);
}

void TF_UpdateDispController::dragEnterEvent(QDragEnterEvent* event) {
  if (IsDroppablePack(LocalPaths(event->mimeData()))) event->acceptProposedAction();
}

void TF_UpdateDispController::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  presenter_->FilesDropped(LocalPaths(event->mimeData()));
}

}  // namespace quorin
