// quorin-gui-driver: drives the native window of quorin-iap.exe through the window tree, as the
// Wine tests' hands and eyes. Controls are found by their identifiers (app/WindowForms.h),
// never by screen position.
//   quorin-gui-driver COMMAND-LINE...   each argument is one command line
//   quorin-gui-driver                   command lines are read from standard input
// A command line is a command and its arguments, split at blanks; "..." quotes one argument.
// An ID is a number (1002, 0x47c) or a control's name below (Program, Log, PortList, ...).
// Commands run in order; the first that fails ends the run. Every wait is bounded by its TIMEOUT
// (milliseconds); messages sent to the window give up after 5 s.
//   wait-window CAPTION TIMEOUT   the main window: a visible top-level window whose caption
//                                 starts with CAPTION; prints its caption
//   attach CAPTION TIMEOUT        as wait-window, printing nothing
//   click ID                      clicks a button of the window or of the open dialog (a
//                                 disabled one fails); posted, so a modal loop it opens is fine
//   menu ID                       the menu command ID on the main window
//   log                           prints every line of the log list
//   wait-log TEXT TIMEOUT [ID]    waits for a log line equal to TEXT; with ID, also watches
//                                 that control meanwhile and prints how often it was visible
//   visible ID / enabled ID       prints 1 or 0
//   wait-visible ID 0|1 TIMEOUT   waits until the control is shown (1) or hidden (0)
//   wait-enabled ID 0|1 TIMEOUT   waits until the control is enabled (1) or disabled (0)
//   text ID                       prints the control's text (WM_GETTEXT)
//   progress ID                   prints a progress bar's position and maximum: "POS of MAX"
//   wait-progress ID PERCENT TIMEOUT  waits until the progress bar is at least PERCENT % full
//   selected ID                   prints the selected index of a combo box (-1: none)
//   wait-dialog CAPTION TIMEOUT   a top-level window of the program with exactly this caption
//   dialog-select ID INDEX        selects item INDEX of a combo box, notifying its owner
//   dialog-type ID TEXT           puts TEXT into a combo box's field, as typing would
//   dialog-click ID               as click
//   wait-dialog-gone TIMEOUT      waits until that dialog is destroyed
//   open-file PATH TIMEOUT        in the program's file-open dialog: types PATH, presses Open
//   wait-box CAPTION TIMEOUT      a message box (#32770) of the program with this caption
//   box-text                      prints the message box's text
//   box-ok                        presses its OK button and waits until it is gone
//   sleep MS                      pauses
//   form-layout main|dialog       checks every control of the main window (or the open dialog,
//                                 whose form is the one named as its window class) against its
//                                 form (app/WindowForms.h): place and size at the window's DPI,
//                                 caption, visibility; prints how many it checked
//   tree                          prints the main window's and the dialog's controls (id, class,
//                                 visible, text), to see what a failing run saw
//   close                         closes the main window; waits up to 10 s for the program to end
// Exit codes: 0 every command succeeded, 1 a command failed (its reason on stderr), 2 usage.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/WindowForms.h"

namespace {

namespace ids = quorin::form::id;
using Clock = std::chrono::steady_clock;

constexpr UINT kSendTimeoutMs = 5000;
constexpr auto kPoll = std::chrono::milliseconds(20);

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct Usage : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring ToWide(const std::string& text) {
  if (text.empty()) return {};
  int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

const std::map<std::string, int>& ControlNames() {
  static const std::map<std::string, int> names{
      {"ReadPack", ids::kReadPack},
      {"Program", ids::kProgram},
      {"PackInfo", ids::kPackInfoGroup},
      {"PackFileName", ids::kPackFileName},
      {"Version", ids::kVersion},
      {"UpdateKind", ids::kUpdateKind},
      {"Logo", ids::kLogo},
      {"Gauge", ids::kGauge},
      {"Log", ids::kLog},
      {"UartPort", ids::kMenuUartPort},
      {"ConnectionCheck", ids::kMenuConnectionCheck},
      {"Findings", ids::kFindings},
      {"RunAgain", ids::kRunAgain},
      {"Close", ids::kClose},
      {"PortList", ids::kPortList},
      {"BaudList", ids::kBaudList},
      {"Save", ids::kSave},
      {"Exit", ids::kExit},
  };
  return names;
}

int ParseNumber(const std::string& text, const char* what) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0')
    throw Usage(std::string("not a number for ") + what + ": " + text);
  return static_cast<int>(value);
}

int ParseId(const std::string& text) {
  auto it = ControlNames().find(text);
  return it != ControlNames().end() ? it->second : ParseNumber(text, "ID");
}

std::vector<std::string> SplitLine(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (char c : line) {
    if (quoted) {
      if (c == '"')
        quoted = false;
      else
        word += c;
    } else if (c == '"') {
      quoted = inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quoted) throw Usage("unclosed quote in: " + line);
  if (inWord) words.push_back(word);
  return words;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

class Driver {
 public:
  void Run(const std::vector<std::string>& words) {
    const std::string& command = words.at(0);
    auto arg = [&](size_t i) -> const std::string& {
      if (i >= words.size()) throw Usage(command + ": missing argument " + std::to_string(i));
      return words[i];
    };
    auto timeout = [&](size_t i) {
      return std::chrono::milliseconds(ParseNumber(arg(i), "TIMEOUT"));
    };
    if (command == "wait-window" || command == "attach") {
      WaitWindow(ToWide(arg(1)), timeout(2));
      if (command == "wait-window") Print(ToUtf8(Caption(main_)));
      return;
    }
    if (command == "click" || command == "dialog-click") return Click(ParseId(arg(1)));
    if (command == "menu") return Post(Main(), WM_COMMAND, MAKEWPARAM(ParseId(arg(1)), 0), 0);
    if (command == "log") {
      for (const auto& line : LogLines()) Print(line);
      return;
    }
    if (command == "wait-log") {
      return WaitLog(arg(1), timeout(2),
                     words.size() > 3 ? std::optional(ParseId(arg(3))) : std::nullopt);
    }
    if (command == "visible") return Print(IsShown(ParseId(arg(1))) ? "1" : "0");
    if (command == "enabled") return Print(IsEnabled(ParseId(arg(1))) ? "1" : "0");
    if (command == "wait-visible" || command == "wait-enabled") {
      return WaitState(command == "wait-visible", ParseId(arg(1)), ParseNumber(arg(2), "0|1") != 0,
                       timeout(3));
    }
    if (command == "text") return Print(TextOf(Control(ParseId(arg(1))).window));
    if (command == "progress") {
      auto [position, maximum] = Progress(ParseId(arg(1)));
      return Print(std::to_string(position) + " of " + std::to_string(maximum));
    }
    if (command == "wait-progress")
      return WaitProgress(ParseId(arg(1)), ParseNumber(arg(2), "PERCENT"), timeout(3));
    if (command == "selected") {
      return Print(std::to_string(
          static_cast<int>(Send(Control(ParseId(arg(1))).window, CB_GETCURSEL, 0, 0))));
    }
    if (command == "wait-dialog") {
      dialog_ = WaitTopLevel(timeout(2), "the dialog " + arg(1),
                             [&](HWND w) { return Caption(w) == ToWide(arg(1)); });
      return;
    }
    if (command == "dialog-select") return Select(ParseId(arg(1)), ParseNumber(arg(2), "INDEX"));
    if (command == "dialog-type") {
      const std::wstring text = ToWide(arg(2));
      Send(Control(ParseId(arg(1))).window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
      return;
    }
    if (command == "wait-dialog-gone") return WaitGone(dialog_, timeout(1), "the dialog");
    if (command == "open-file") return OpenFile(arg(1), timeout(2));
    if (command == "wait-box") {
      box_ = WaitTopLevel(timeout(2), "the message box " + arg(1), [&](HWND w) {
        return ClassOf(w) == L"#32770" && Caption(w) == ToWide(arg(1));
      });
      return;
    }
    if (command == "box-text") return Print(TextOf(Child(Box(), 0xFFFF, "the message box's text")));
    if (command == "box-ok") {
      Post(Child(Box(), IDOK, "the message box's OK button"), BM_CLICK, 0, 0);
      return WaitGone(box_, std::chrono::seconds(5), "the message box");
    }
    if (command == "sleep") {
      std::this_thread::sleep_for(std::chrono::milliseconds(ParseNumber(arg(1), "MS")));
      return;
    }
    if (command == "close") return Close();
    if (command == "tree") return Tree();
    if (command == "form-layout") {
      if (arg(1) != "dialog") return FormLayout(Main(), quorin::form::MainWindowForm());
      for (const quorin::form::Form* form :
           {&quorin::form::PortDialogForm(), &quorin::form::DoctorDialogForm()}) {
        if (ClassOf(Dialog()) == ToWide(std::string(form->Name))) {
          return FormLayout(Dialog(), *form);
        }
      }
      throw Failure("no form for the dialog's class " + ToUtf8(ClassOf(Dialog())));
    }
    throw Usage("unknown command: " + command);
  }

 private:
  // A control found by its identifier: a child window, or a button of a tool bar (not a window).
  struct Found {
    HWND window = nullptr;  // the control, or the tool bar holding the button
    bool toolButton = false;
  };

  static void Print(const std::string& line) { std::cout << line << '\n' << std::flush; }

  static std::wstring Caption(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
  }

  LRESULT Send(HWND window, UINT message, WPARAM w, LPARAM l) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, w, l, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
      throw Failure("message " + std::to_string(message) + " got no answer within 5 s");
    }
    return static_cast<LRESULT>(result);
  }

  static void Post(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (!PostMessageW(window, message, w, l)) throw Failure("PostMessage failed");
  }

  HWND Main() const {
    if (!main_ || !IsWindow(main_))
      throw Failure("no main window (wait-window first, or it is gone)");
    return main_;
  }
  HWND Dialog() const {
    if (!dialog_ || !IsWindow(dialog_))
      throw Failure("no dialog (wait-dialog first, or it is gone)");
    return dialog_;
  }
  HWND Box() const {
    if (!box_ || !IsWindow(box_)) throw Failure("no message box (wait-box first, or it is gone)");
    return box_;
  }

  static HWND Child(HWND parent, int id, const std::string& what) {
    HWND child = GetDlgItem(parent, id);
    if (!child) throw Failure("no " + what);
    return child;
  }

  static std::string TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &length)) {
      throw Failure("WM_GETTEXTLENGTH got no answer");
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
    text.resize(copied);
    return ToUtf8(text);
  }

  // The control of `top` with this caption (labels have no identifier).
  static HWND ChildWithCaption(HWND top, const std::wstring& caption) {
    struct Search {
      const std::wstring& caption;
      HWND hit = nullptr;
    } search{caption};
    EnumChildWindows(
        top,
        [](HWND w, LPARAM p) -> BOOL {
          auto& s = *reinterpret_cast<Search*>(p);
          if (!s.hit && Caption(w) == s.caption) s.hit = w;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hit;
  }

  void FormLayout(HWND top, const quorin::form::Form& form) const {
    using quorin::form::Kind;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const auto scale = [dpi](int value) { return MulDiv(value, dpi, 96); };
    std::string problems;
    int checked = 0;
    for (const quorin::form::Control& control : form.Controls) {
      if (control.Type == Kind::Panel || control.Type == Kind::Divider) continue;
      const std::wstring caption = ToWide(std::string(control.Caption));
      HWND window = control.Id != quorin::form::id::kNone ? Control(control.Id).window
                    : caption.empty()                     ? nullptr
                                                          : ChildWithCaption(top, caption);
      const std::string name(control.Name);
      if (!window) {
        problems += name + ": not found; ";
        continue;
      }
      RECT shown{};
      GetWindowRect(window, &shown);
      MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&shown), 2);
      const quorin::form::Box box = form.ClientBox(control);
      const int width = shown.right - shown.left, height = shown.bottom - shown.top;
      const bool widthOk = control.FitText ? width >= scale(box.Width) : width == scale(box.Width);
      // A drop-down list's window is as high as its field and its open list.
      const bool heightOk = control.Type == Kind::ComboBox ? height >= scale(box.Height)
                                                           : height == scale(box.Height);
      if (shown.left != scale(box.Left) || shown.top != scale(box.Top) || !widthOk || !heightOk) {
        problems += name + ": at " + std::to_string(shown.left) + "," + std::to_string(shown.top) +
                    " " + std::to_string(width) + "x" + std::to_string(height) + "; ";
      }
      // Controls without a caption of their own show what the program puts in them.
      if (!caption.empty() && Caption(window) != caption) {
        problems += name + ": caption \"" + ToUtf8(Caption(window)) + "\"; ";
      }
      if ((IsWindowVisible(window) != FALSE) != control.Visible)
        problems += name + ": visibility; ";
      ++checked;
    }
    if (!problems.empty()) throw Failure("not as the form says: " + problems);
    Print("form-layout: " + std::to_string(checked) + " controls as the form says");
  }

  // Searches the open dialog first, then the main window, at every depth.
  std::optional<Found> FindControl(int id) const {
    for (HWND root : {dialog_, main_}) {
      if (!root || !IsWindow(root)) continue;
      struct Search {
        int id;
        HWND hit = nullptr;
        HWND toolBar = nullptr;
      } search{id};
      EnumChildWindows(
          root,
          [](HWND w, LPARAM p) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(p);
            if (GetDlgCtrlID(w) == s.id && !s.hit) s.hit = w;
            if (!s.toolBar && ClassOf(w) == TOOLBARCLASSNAMEW) {
              DWORD_PTR index = static_cast<DWORD_PTR>(-1);
              SendMessageTimeoutW(w, TB_COMMANDTOINDEX, static_cast<WPARAM>(s.id), 0,
                                  SMTO_ABORTIFHUNG, kSendTimeoutMs, &index);
              if (static_cast<LRESULT>(index) >= 0) s.toolBar = w;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&search));
      if (search.hit) return Found{search.hit, false};
      if (search.toolBar) return Found{search.toolBar, true};
    }
    return std::nullopt;
  }

  Found Control(int id) const {
    Main();
    auto found = FindControl(id);
    if (!found) throw Failure("no control with id " + std::to_string(id));
    return *found;
  }

  bool IsShown(int id) const {
    Found c = Control(id);
    if (!IsWindowVisible(c.window)) return false;
    return !c.toolButton || !Send(c.window, TB_ISBUTTONHIDDEN, static_cast<WPARAM>(id), 0);
  }

  bool IsEnabled(int id) const {
    Found c = Control(id);
    if (c.toolButton) return Send(c.window, TB_ISBUTTONENABLED, static_cast<WPARAM>(id), 0) != 0;
    return IsWindowEnabled(c.window) != 0;
  }

  void Click(int id) {
    Found c = Control(id);
    if (!IsShown(id)) throw Failure("control " + std::to_string(id) + " is hidden");
    if (!IsEnabled(id)) throw Failure("control " + std::to_string(id) + " is disabled");
    if (c.toolButton) {
      Post(GetParent(c.window), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
           reinterpret_cast<LPARAM>(c.window));
    } else {
      Post(c.window, BM_CLICK, 0, 0);
    }
  }

  void Select(int id, int index) {
    Found c = Control(id);
    if (Send(c.window, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != index) {
      throw Failure("the combo box " + std::to_string(id) + " has no item " +
                    std::to_string(index));
    }
    Send(GetParent(c.window), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
         reinterpret_cast<LPARAM>(c.window));
  }

  std::vector<std::string> LogLines() const {
    HWND list = Control(ids::kLog).window;
    std::vector<std::string> lines;
    auto count = Send(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      auto length = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
      if (length < 0) throw Failure("the log line " + std::to_string(i) + " has no text");
      std::wstring text(static_cast<size_t>(length) + 1, L'\0');
      auto copied =
          Send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
      text.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
      lines.push_back(ToUtf8(text));
    }
    return lines;
  }

  template <typename Done>
  static bool PollUntil(std::chrono::milliseconds timeout, Done done) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
      if (done()) return true;
      if (Clock::now() >= deadline) return false;
      std::this_thread::sleep_for(kPoll);
    }
  }

  void WaitLog(const std::string& text, std::chrono::milliseconds timeout,
               std::optional<int> watch) {
    int polls = 0, shown = 0;
    std::vector<std::string> lines;
    bool found = PollUntil(timeout, [&] {
      if (watch) {
        ++polls;
        shown += IsShown(*watch) ? 1 : 0;
      }
      lines = LogLines();
      for (const auto& line : lines) {
        if (line == text) return true;
      }
      return false;
    });
    if (watch) {
      Print("control " + std::to_string(*watch) + " visible in " + std::to_string(shown) + " of " +
            std::to_string(polls) + " polls");
    }
    if (!found) {
      std::string log;
      for (const auto& line : lines) log += "\n  " + line;
      throw Failure("no log line [" + text + "] within " + std::to_string(timeout.count()) +
                    " ms; the log:" + log);
    }
  }

  void WaitState(bool visibility, int id, bool wanted, std::chrono::milliseconds timeout) {
    auto state = [&] { return visibility ? IsShown(id) : IsEnabled(id); };
    if (!PollUntil(timeout, [&] { return state() == wanted; })) {
      throw Failure(
          "control " + std::to_string(id) + " not " +
          (visibility ? (wanted ? "shown" : "hidden") : (wanted ? "enabled" : "disabled")) +
          " within " + std::to_string(timeout.count()) + " ms");
    }
  }

  std::pair<long long, long long> Progress(int id) const {
    HWND bar = Control(id).window;
    return {Send(bar, PBM_GETPOS, 0, 0), Send(bar, PBM_GETRANGE, FALSE, 0)};
  }

  void WaitProgress(int id, int percent, std::chrono::milliseconds timeout) {
    std::pair<long long, long long> seen;
    if (!PollUntil(timeout, [&] {
          seen = Progress(id);
          return seen.second > 0 && seen.first * 100 >= percent * seen.second;
        })) {
      throw Failure("the progress bar " + std::to_string(id) + " is at " +
                    std::to_string(seen.first) + " of " + std::to_string(seen.second) + " after " +
                    std::to_string(timeout.count()) + " ms");
    }
  }

  template <typename Match>
  HWND WaitTopLevel(std::chrono::milliseconds timeout, const std::string& what, Match match) {
    struct Search {
      DWORD pid;
      Match* match;
      HWND hit = nullptr;
    } search{pid_, &match};
    bool found = PollUntil(timeout, [&] {
      search.hit = nullptr;
      EnumWindows(
          [](HWND w, LPARAM p) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if ((s.pid == 0 || pid == s.pid) && IsWindowVisible(w) && (*s.match)(w)) {
              s.hit = w;
              return FALSE;
            }
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&search));
      return search.hit != nullptr;
    });
    if (!found) throw Failure("no " + what + " within " + std::to_string(timeout.count()) + " ms");
    return search.hit;
  }

  void WaitWindow(const std::wstring& caption, std::chrono::milliseconds timeout) {
    pid_ = 0;
    main_ = WaitTopLevel(timeout, "window " + ToUtf8(caption), [&](HWND w) {
      return GetParent(w) == nullptr && Caption(w).rfind(caption, 0) == 0;
    });
    GetWindowThreadProcessId(main_, &pid_);
  }

  static void WaitGone(HWND window, std::chrono::milliseconds timeout, const std::string& what) {
    if (!PollUntil(timeout, [&] { return !IsWindow(window) || !IsWindowVisible(window); })) {
      throw Failure(what + " is still open after " + std::to_string(timeout.count()) + " ms");
    }
  }

  // The common file-open dialog: its file name field is the combo box cmb13 (0x47C) in the
  // Explorer style, the edit edt1 (0x480) in the old one.
  void OpenFile(const std::string& path, std::chrono::milliseconds timeout) {
    Main();
    HWND dialog = WaitTopLevel(timeout, "file-open dialog", [](HWND w) {
      return ClassOf(w) == L"#32770" && (GetDlgItem(w, 0x47C) || GetDlgItem(w, 0x480));
    });
    HWND name = GetDlgItem(dialog, 0x47C) ? GetDlgItem(dialog, 0x47C) : GetDlgItem(dialog, 0x480);
    std::wstring wide = ToWide(path);
    Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    Post(Child(dialog, IDOK, "Open button in the file dialog"), BM_CLICK, 0, 0);
    WaitGone(dialog, std::chrono::seconds(5), "the file-open dialog");
  }

  void Tree() const {
    for (HWND root : {main_, dialog_, box_}) {
      if (!root || !IsWindow(root)) continue;
      Print(ToUtf8(ClassOf(root)) + " \"" + ToUtf8(Caption(root)) + "\"");
      EnumChildWindows(
          root,
          [](HWND w, LPARAM) -> BOOL {
            Print("  " + std::to_string(GetDlgCtrlID(w)) + " " + ToUtf8(ClassOf(w)) +
                  (IsWindowVisible(w) ? " visible" : " hidden") +
                  (IsWindowEnabled(w) ? "" : " disabled") + " \"" + TextOf(w) + "\"");
            return TRUE;
          },
          0);
    }
  }

  void Close() {
    HWND window = Main();
    std::unique_ptr<void, decltype(&CloseHandle)> process(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid_), &CloseHandle);
    Post(window, WM_CLOSE, 0, 0);
    if (!process) {
      WaitGone(window, std::chrono::seconds(10), "the main window");
      return;
    }
    if (WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) {
      throw Failure("the program still runs 10 s after its window was closed");
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    Print("exit code " + std::to_string(code));
  }

  HWND main_ = nullptr;
  DWORD pid_ = 0;
  HWND dialog_ = nullptr;
  HWND box_ = nullptr;
};

std::vector<std::string> Arguments() {
  int count = 0;
  std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(CommandLineToArgvW(GetCommandLineW(), &count),
                                                     &LocalFree);
  std::vector<std::string> out;
  for (int i = 1; argv && i < count; ++i) out.push_back(ToUtf8(argv.get()[i]));
  return out;
}

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);  // UTF-8 lines ending in LF, as written
  std::vector<std::string> lines = Arguments();
  if (lines.empty()) {
    for (std::string line; std::getline(std::cin, line);) lines.push_back(line);
  }
  Driver driver;
  for (const auto& line : lines) {
    try {
      auto words = SplitLine(line);
      if (words.empty() || words[0][0] == '#') continue;
      driver.Run(words);
    } catch (const Usage& e) {
      std::cerr << "quorin-gui-driver: " << e.what() << '\n';
      return 2;
    } catch (const std::exception& e) {
      std::cerr << "quorin-gui-driver: " << line << ": " << e.what() << '\n';
      return 1;
    }
  }
  return 0;
}
