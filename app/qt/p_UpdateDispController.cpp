#include "app/qt/p_UpdateDispController.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
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
#include <utility>
#include <vector>

#include "app/qt/Assets.h"
#include "app/qt/FormWidgets.h"
#include "app/qt/JpegImage.h"
#include "app/qt/p_ConnectionCheck.h"
#include "app/qt/p_UartSet.h"

namespace quorin {
namespace {

const form::Form& Form() {
  return form::MainWindowForm();
}

QIcon IconFromPng(std::span<const std::uint8_t> png) {
  QPixmap pixmap;
  pixmap.loadFromData(png.data(), static_cast<uint>(png.size()), "PNG");
  return QIcon(pixmap);
}

// The tool bar's two buttons show their pictures; the pack information shows the logo.
FormPictures MainWindowPictures() {
  return {[](std::string_view name) {
            return IconFromPng(name == "Btn_ReadUserPack" ? assets::ReadPackPng()
                                                          : assets::ProgramPng());
          },
          [](std::string_view) { return DecodeJpeg(assets::LogoJpeg()); }};
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

// Runs `dialog` (no owner: a top-level dialog) over the middle of `window`; `shown` points at it
// meanwhile.
template <class Dialog>
void RunOver(const QWidget& window, Dialog& dialog, Dialog*& shown,
             const std::function<void(Dialog&)>& run) {
  dialog.move(window.frameGeometry().center() - QPoint(dialog.width() / 2, dialog.height() / 2));
  shown = &dialog;
  const AtScopeExit clear{[&shown] { shown = nullptr; }};
  run(dialog);
}

}  // namespace

void ShowModalMessageBox(QWidget* owner, const MessageBoxRequest& request) {
  QMessageBox box(request.Icon == BoxIcon::Warning ? QMessageBox::Warning : QMessageBox::Critical,
                  QString::fromStdString(request.Caption), QString::fromStdString(request.Text),
                  QMessageBox::Ok, owner);
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
  hooks.RunConnectionCheckDialog = [](TF_ConnectionCheck& dialog) { dialog.exec(); };
  return hooks;
}

TF_UpdateDispController::TF_UpdateDispController(WindowHooks hooks, PresenterOptions options,
                                                 QWidget* parent)
    : QMainWindow(parent),
      hooks_(std::move(hooks)),
      // The sink tells of an error inside its handler: the error is the current exception.
      sink_([this](const std::exception&) { presenter_->ShowError(std::current_exception()); }) {
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
  setFont(QtFont(Form().DefaultFont));
  setAcceptDrops(true);

  auto* client = new QWidget(this);
  client->setObjectName("ClientArea");
  setCentralWidget(client);
  BuildFormWidgets(Form(), client, MainWindowPictures());
  Btn_SendToController = FormWidget<QToolButton>(client, "Btn_SendToController");
  Edit_UpdateFileName = FormWidget<QLineEdit>(client, "Edit_UpdateFileName");
  Edit_VerNum = FormWidget<QLineEdit>(client, "Edit_VerNum");
  Label8 = FormWidget<QLabel>(client, "Label8");
  Gauge1 = FormWidget<QProgressBar>(client, "Gauge1");
  ListBox1 = FormWidget<QListWidget>(client, "ListBox1");
  connect(FormWidget<QToolButton>(client, "Btn_ReadUserPack"), &QToolButton::clicked, this,
          [this] { presenter_->ReadPackClicked(); });
  connect(Btn_SendToController, &QToolButton::clicked, this,
          [this] { presenter_->ProgramClicked(); });

  menuBar()->setObjectName("MainMenu1");
  QMenu* IAP1 = menuBar()->addMenu(QtText(form::kUartMenu));
  IAP1->setObjectName("IAP1");
  QAction* UartPort1 = IAP1->addAction(QtText(form::kUartPortEntry));
  UartPort1->setObjectName("UartPort1");
  connect(UartPort1, &QAction::triggered, this, [this] { presenter_->UartPortClicked(); });
  QAction* ConnectionCheck1 = IAP1->addAction(QtText(form::kConnectionCheckEntry));
  ConnectionCheck1->setObjectName("ConnectionCheck1");
  connect(ConnectionCheck1, &QAction::triggered, this,
          [this] { presenter_->ConnectionCheckClicked(); });

  setFixedSize(Form().ClientWidth, Form().ClientHeight + menuBar()->sizeHint().height());
  // Placed at the centre of the primary screen's work area.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect desktop = screen->availableGeometry();
    move(desktop.left() + (desktop.width() - Form().OuterWidth) / 2,
         desktop.top() + (desktop.height() - Form().OuterHeight) / 2);
  }
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
  RunOver(*this, dialog, uartSet_, hooks_.RunUartSetDialog);
}

void TF_UpdateDispController::RunDoctorDialog(DoctorDialogPresenter& presenter) {
  TF_ConnectionCheck dialog(presenter);
  RunOver(*this, dialog, connectionCheck_, hooks_.RunConnectionCheckDialog);
}

void TF_UpdateDispController::dragEnterEvent(QDragEnterEvent* event) {
  if (IsDroppablePack(LocalPaths(event->mimeData()))) event->acceptProposedAction();
}

void TF_UpdateDispController::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  presenter_->FilesDropped(LocalPaths(event->mimeData()));
}

}  // namespace quorin
