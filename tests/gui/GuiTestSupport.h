#pragma once
// Helpers for the widget tests: recorded message boxes, queued file-dialog answers, bounded
// waits on the event loop, test packs and screenshots.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/WindowForms.h"
#include "app/qt/p_ConnectionCheck.h"
#include "app/qt/p_UartSet.h"
#include "app/qt/p_UpdateDispController.h"
#include "pack/PackWriter.h"

namespace quorin::test {

// A message box the window or the dialog showed, with its owner.
struct ShownBox {
  QWidget* owner = nullptr;
  MessageBoxRequest request;
};

// Answers the window's modal interactions and remembers what they showed.
struct RecordingHooks {
  std::deque<QString> nextFileNames;          // answered in order; none left: cancelled
  std::vector<ShownBox> boxes;                // every message box shown
  std::function<void(TF_UartSet&)> onDialog;  // runs instead of the dialog's modal loop
  std::function<void(TF_ConnectionCheck&)> onConnectionCheck;  // the same for that dialog

  WindowHooks Hooks() {
    WindowHooks hooks;
    hooks.OpenPackFileName = [this](QWidget*) {
      if (nextFileNames.empty()) return QString();
      QString name = nextFileNames.front();
      nextFileNames.pop_front();
      return name;
    };
    hooks.ShowMessage = [this](QWidget* owner, const MessageBoxRequest& request) {
      boxes.push_back({owner, request});
    };
    hooks.RunUartSetDialog = [this](TF_UartSet& dialog) {
      if (onDialog) onDialog(dialog);
    };
    hooks.RunConnectionCheckDialog = [this](TF_ConnectionCheck& dialog) {
      if (onConnectionCheck) onConnectionCheck(dialog);
    };
    return hooks;
  }
};

// Runs the event loop until `done` holds or `timeoutMs` passed; returns whether it holds.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

template <class Widget>
Widget* Find(QObject* root, const char* name) {
  auto* widget = root->findChild<Widget*>(name);
  EXPECT_NE(widget, nullptr) << "no " << name;
  return widget;
}

// Writes a pack built by PackWriter into `dir` and returns its full path.
inline QString WritePack(const QTemporaryDir& dir, const QString& name, const PackFields& fields,
                         std::size_t firmwareSize = 4000) {
  std::vector<std::uint8_t> firmware(firmwareSize);
  for (std::size_t i = 0; i < firmware.size(); ++i) {
    firmware[i] = static_cast<std::uint8_t>(i * 7 + 3);
  }
  const auto image = BuildPackImage(firmware, fields);
  const QString path = dir.filePath(name);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char*>(image->data()), static_cast<qint64>(image->size()));
  return path;
}

// Writes raw bytes into `dir`.
inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  return path;
}

// Saves a picture of `widget` into the build folder's artifacts/ directory.
// Every control of `form`, as the form's table gives it (place and size, parent, caption, font,
// tool tip, shown or hidden, enabled, text colour), in the widgets under `root`. WindowLayoutTest.
void ExpectBuiltAsTheFormSays(QWidget* root, const form::Form& form);

inline void SaveScreenshot(QWidget* widget, const QString& name) {
  QDir dir(QUORIN_ARTIFACTS_DIR);
  dir.mkpath(".");
  QApplication::processEvents();
  EXPECT_TRUE(widget->grab().save(dir.filePath(name + ".png"), "PNG")) << name.toStdString();
}

}  // namespace quorin::test

namespace quorin::test {

// A main window with recorded hooks, a settings file in a temporary folder and a job port
// chosen by the test.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    settingsPath = dir.filePath("Cyclomer.ini").toStdString();
  }

  // Creates the window; `portPath` is what every job opens, `doctor` its connection check.
  void MakeWindow(const std::string& portPath = "/dev/quorin-no-such-port",
                  WindowDoctor doctor = nullptr) {
    PresenterOptions options;
    options.SettingsPath = settingsPath;
    options.Job = JobTarget::FixedPort(portPath);
    options.Ports = [] {
      return std::vector<ListedPort>{{1, "/dev/ttyTEST0", true}, {12, "", true}};
    };
    options.ApplicationTitle = "quorin-iap";
    options.Doctor = std::move(doctor);
    window = std::make_unique<TF_UpdateDispController>(recorder.Hooks(), std::move(options));
    window->show();
    ASSERT_TRUE(WaitUntil([this] { return window->isVisible(); }));
  }

  void TearDown() override { window.reset(); }

  QTemporaryDir dir;
  std::string settingsPath;
  RecordingHooks recorder;
  std::unique_ptr<TF_UpdateDispController> window;
};

}  // namespace quorin::test
