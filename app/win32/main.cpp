// quorin-iap.exe: the native Windows window that writes firmware update packs into the
// controller. The presenter decides everything; this file wires the window, the notification
// sink and the presenter together and runs the message loop.
// windows.h first: the others build on its types.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
// clang-format on

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/MainWindowPresenter.h"
#include "app/StartupOptions.h"
#include "app/win32/MainWindow.h"
#include "app/win32/Win32NotifySink.h"
#include "platform/CommandLine.h"
#include "platform/win32/Text.h"
#include "settings/UartSettings.h"
#include "sim/InProcessController.h"

namespace {

using Clock = std::chrono::steady_clock;
using quorin::platform::win32::Narrow;
using quorin::platform::win32::Widen;

// Standard output and error of a window program: the handles it inherited (a pipe, a file, the
// console of a program started from one), else the console of the parent, when there is one.
class StandardStreams {
 public:
  StandardStreams() : out_(GetStdHandle(STD_OUTPUT_HANDLE)), err_(GetStdHandle(STD_ERROR_HANDLE)) {
    if (Usable(out_) && Usable(err_)) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    console_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (!Usable(out_)) out_ = console_;
    if (!Usable(err_)) err_ = console_;
  }
  ~StandardStreams() {
    if (Usable(console_)) CloseHandle(console_);
  }
  StandardStreams(const StandardStreams&) = delete;
  StandardStreams& operator=(const StandardStreams&) = delete;

  void Out(const std::string& text) const { Write(out_, text); }
  void Err(const std::string& text) const { Write(err_, text); }

 private:
  static bool Usable(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }
  static void Write(HANDLE handle, const std::string& text) {
    if (!Usable(handle)) return;
    DWORD written = 0;
    for (std::size_t done = 0; done < text.size(); done += written) {
      if (!WriteFile(handle, text.data() + done, static_cast<DWORD>(text.size() - done), &written,
                     nullptr) ||
          written == 0) {
        return;
      }
    }
  }

  HANDLE out_;
  HANDLE err_;
  HANDLE console_ = INVALID_HANDLE_VALUE;
};

std::string ExecutablePath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return Narrow(path);
}

long PeakWorkingSetKiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}

int Run(HINSTANCE instance, const StandardStreams& streams) {
  const Clock::time_point start = Clock::now();
  std::vector<std::string> words = quorin::platform::CommandLineArguments(0, nullptr);
  if (!words.empty()) words.erase(words.begin());  // the program itself
  const quorin::CommandLine arguments = quorin::ParseCommandLine(words);
  if (const auto answer = quorin::AnswerBeforeWindow(arguments)) {
    answer->OnStandardError ? streams.Err(answer->Text) : streams.Out(answer->Text);
    return answer->ExitCode;
  }

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  std::optional<quorin::sim::InProcessController> simulation;
  if (arguments.Simulate) {
    try {
      simulation.emplace(quorin::sim::LongRunningOptions(arguments.Scenario));
    } catch (const std::exception& error) {
      streams.Err(std::string("quorin-iap: the simulated controller could not start: ") +
                  error.what() + "\n");
      return 1;
    }
  }

  const std::string settings = quorin::SettingsFilePath();
  quorin::PresenterOptions options = simulation
                                         ? quorin::SimulatedPresenterOptions(settings, *simulation)
                                         : quorin::MakePresenterOptions(settings);
  options.ApplicationTitle = quorin::ApplicationTitle(ExecutablePath());

  // A task that throws is shown like any other unhandled error.
  quorin::MainWindowPresenter* presenter = nullptr;
  quorin::win32::Win32NotifySink sink([&presenter](std::exception_ptr error) {
    if (presenter) presenter->ShowError(error);
  });
  quorin::win32::MainWindow window(instance);
  // Destroyed before the window and the simulation: a running job is stopped and its port closed
  // first; the sink refuses the calls its worker still posts.
  quorin::MainWindowPresenter windowPresenter(window, sink, options);
  presenter = &windowPresenter;
  window.Attach(&windowPresenter);
  window.OnClosing = [&sink] { sink.Shutdown(); };
  if (arguments.MeasureStartup) {
    window.OnFirstPaint = [&window, &streams, start] {
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      char line[64];
      std::snprintf(line, sizeof line, "first-paint-ms %.2f\n", ms);
      streams.Out(std::string(line) + "peak-rss-kib " + std::to_string(PeakWorkingSetKiB()) +
                  "\nwindow-caption " + Narrow(quorin::win32::WindowText(window.Handle())) + "\n");
      PostMessageW(window.Handle(), WM_CLOSE, 0, 0);
    };
  }
  window.Show(SW_SHOWNORMAL);
  if (!arguments.PackPath.empty()) {
    sink.Post([&windowPresenter, pack = arguments.PackPath] { windowPresenter.OpenPack(pack); });
  }

  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between the window's controls.
    if (window.Handle() && IsDialogMessageW(window.Handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  sink.Shutdown();
  window.Attach(nullptr);
  presenter = nullptr;
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const StandardStreams streams;
  try {
    return Run(instance, streams);
  } catch (const std::exception& error) {
    // Only start-up can fail this way (no window, no logo); the window has shown the rest.
    MessageBoxW(nullptr, Widen(error.what()).c_str(), L"quorin-iap", MB_OK | MB_ICONERROR);
    return 1;
  }
}
