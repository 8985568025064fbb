// quorin-iap: the desktop window that writes firmware update packs into the controller.
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"
#include "app/StartupOptions.h"
#include "app/qt/IapApplication.h"
#include "app/qt/p_UpdateDispController.h"
#include "platform/Process.h"
#include "settings/UartSettings.h"
#include "sim/InProcessController.h"

namespace {

using Clock = std::chrono::steady_clock;

// Peak resident memory of this process so far, in KiB (0 when unknown).
long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      long kib = 0;
      status >> kib;
      return kib;
    }
    status.ignore(4096, '\n');
  }
  return 0;
}

// --measure-startup: reports the time from main() to the window's first paint and the caption
// it was painted with, then quits.
class FirstPaintReporter final : public QObject {
 public:
  explicit FirstPaintReporter(Clock::time_point start) : start_(start) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !reported_) {
      reported_ = true;
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
      const auto* window = qobject_cast<const QWidget*>(watched);
      const QByteArray caption = window ? window->windowTitle().toUtf8() : QByteArray();
      QTimer::singleShot(0, [ms, caption] {
        std::printf("first-paint-ms %.2f\npeak-rss-kib %ld\nwindow-caption %s\n", ms,
                    PeakResidentKiB(), caption.constData());
        std::fflush(stdout);
        QCoreApplication::quit();
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  Clock::time_point start_;
  bool reported_ = false;
};

// The arguments after the program's name, as their own bytes: a pack's name need not be UTF-8.
std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

// How many of argv's entries Qt may look at: those before "--". Qt takes its own options
// (-platform, -style, -reverse, ...) wherever they stand, so a pack named after one must not
// reach it once the options have ended.
int QtArgumentCount(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--") return i;
  }
  return argc;
}

int Print(const quorin::AnswerWithoutWindow& answer) {
  std::fputs(answer.Text.c_str(), answer.OnStandardError ? stderr : stdout);
  return answer.ExitCode;
}

}  // namespace

int main(int argc, char** argv) {
  const Clock::time_point start = Clock::now();
  // Before anything opens a file: a closed standard stream must not be taken by a pack or a port.
  quorin::platform::EnsureStandardDescriptorsOpen();
  // --help and --version need no display: answered before Qt starts (which aborts without one).
  const auto early = quorin::AnswerBeforeWindow(quorin::ParseCommandLine(Arguments(argc, argv)));
  if (early && !early->OnStandardError) return Print(*early);
  int qtArgc = QtArgumentCount(argc, argv);
  const std::vector<std::string> afterOptions(argv + qtArgc, argv + argc);  // "--" and the rest
  quorin::IapApplication app(qtArgc, argv);
  QCoreApplication::setApplicationName("quorin-iap");
  QCoreApplication::setApplicationVersion(QUORIN_VERSION);

  // What is left once Qt took its own options (-platform, ...), then what follows "--".
  std::vector<std::string> words = Arguments(qtArgc, argv);
  words.insert(words.end(), afterOptions.begin(), afterOptions.end());
  const quorin::CommandLine line = quorin::ParseCommandLine(words);
  if (const auto answer = quorin::AnswerBeforeWindow(line)) return Print(*answer);

  std::optional<quorin::sim::InProcessController> simulation;
  if (line.Simulate) {
    try {
      simulation.emplace(quorin::sim::LongRunningOptions(line.Scenario));
    } catch (const std::exception& error) {
      std::fprintf(stderr, "quorin-iap: the simulated controller could not start: %s\n",
                   error.what());
      return 1;
    }
  }

  const std::string settingsPath = quorin::SettingsFilePath();
  quorin::PresenterOptions options =
      simulation ? quorin::SimulatedPresenterOptions(settingsPath, *simulation)
                 : quorin::MakePresenterOptions(settingsPath);
  options.ApplicationTitle = quorin::ApplicationTitle(
      QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
  // Destroyed before the simulation: a running job is stopped and its port closed first.
  quorin::TF_UpdateDispController window(quorin::ModalWindowHooks(), std::move(options));
  app.SetErrorHandler(&window.Presenter());
  FirstPaintReporter reporter(start);
  if (line.MeasureStartup) window.installEventFilter(&reporter);
  window.show();
  if (!line.PackPath.empty()) {
    QTimer::singleShot(0, &window,
                       [&window, pack = line.PackPath] { window.Presenter().OpenPack(pack); });
  }
  const int code = QApplication::exec();
  app.SetErrorHandler(nullptr);
  return code;
}
