#pragma once
// F_UpdateDispController on Windows: the main window's controls laid out in client pixels scaled
// to the window's DPI, each event forwarded to the MainWindowPresenter, each of its requests
// carried out on the controls. The controls are built from the main window's form
// (app/WindowForms.h). UI thread.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/WindowViews.h"
#include "app/win32/FormControls.h"
#include "app/win32/JpegLogo.h"
#include "app/win32/Widgets.h"

namespace quorin {
class MainWindowPresenter;
}

namespace quorin::win32 {

class MainWindow final : public MainWindowView {
 public:
  // Creates the window (hidden, the form's size scaled to the system's DPI, centred on the desktop)
  // with its menu, controls and pictures. Raises std::system_error when the window cannot be
  // created, std::runtime_error when the logo cannot be decoded.
  explicit MainWindow(HINSTANCE instance);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Connects the presenter that receives the window's events (null: events are ignored) and sets
  // the caption to its Caption().
  void Attach(MainWindowPresenter* presenter);
  void Show(int showCommand);
  HWND Handle() const { return window_; }

  // Runs once, right after the window's first WM_PAINT (--measure-startup).
  std::function<void()> OnFirstPaint;
  // Runs when the user closes the window, before it is destroyed (the sink stops running tasks).
  std::function<void()> OnClosing;

  // MainWindowView.
  QUORIN_MAIN_WINDOW_VIEW_OVERRIDES

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK FlatButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  void CreateControls();
  // Moves and sizes every control and gives it its font, and the buttons their icons, for the
  // current DPI.
  void Relayout();
  void DrawLogo(const DRAWITEMSTRUCT& item);
  void Command(int id);

  HINSTANCE instance_;
  HWND window_ = nullptr;
  MainWindowPresenter* presenter_ = nullptr;
  UINT dpi_ = 96;
  std::optional<FormControls> controls_;
  HWND readPack_ = nullptr;
  HWND program_ = nullptr;
  HWND gauge_ = nullptr;
  HWND log_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND hotButton_ = nullptr;
  bool logAdviceShown_ = false;
  bool painted_ = false;

  IconHandle readPackIcon_;
  IconHandle programIcon_;
  Pixels logo_;
};

}  // namespace quorin::win32
