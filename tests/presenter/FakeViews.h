#pragma once
// Recording stand-ins for the Qt and Win32 views: every request of a presenter becomes one line of
// text, so a test compares whole sequences. Plus pack files.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/DoctorDialogPresenter.h"
#include "app/MainWindowPresenter.h"
#include "app/PortDialogPresenter.h"
#include "app/WindowViews.h"
#include "pack/PackWriter.h"
#include "tests/pack/TestFiles.h"

namespace quorin::test {

inline std::string BoxLine(const MessageBoxRequest& box) {
  return std::string("Box ") + (box.Icon == BoxIcon::Warning ? "Warning " : "Error ") +
         box.Caption + ": " + box.Text;
}

class FakeWindow final : public MainWindowView {
 public:
  void SetProgramEnabled(bool enabled) override { Add("Program " + std::to_string(enabled)); }
  void SetPackFileName(const std::string& name) override { Add("Name " + name); }
  void SetVersionText(const std::string& text) override { Add("Version " + text); }
  void SetUpdateKindText(const std::string& text) override { Add("Kind " + text); }
  void ClearLog() override { Add("Clear"); }
  void AppendLogLine(const std::string& line) override { Add("Line " + line); }
  void SetLogAdvice(const std::string& advice) override { Add("Advice " + advice); }
  void SetGaugeVisible(bool visible) override { Add("Gauge " + std::to_string(visible)); }
  void SetGaugeMaximum(std::uint32_t maximum) override {
    Add("Maximum " + std::to_string(maximum));
  }
  void SetGaugeProgress(std::uint32_t progress) override {
    Add("Progress " + std::to_string(progress));
  }
  void ShowMessage(const MessageBoxRequest& request) override { Add(BoxLine(request)); }
  std::optional<std::string> AskPackFile() override {
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void RunPortDialog(PortDialogPresenter& presenter) override {
    Add("Dialog");
    if (onDialog) onDialog(presenter);
  }
  void RunDoctorDialog(DoctorDialogPresenter& presenter) override {
    Add("DoctorDialog");
    if (onDoctorDialog) onDoctorDialog(presenter);
  }

  // The log lines since the last Clear.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    for (const std::string& call : calls) {
      if (call == "Clear") lines.clear();
      if (call.rfind("Line ", 0) == 0) lines.push_back(call.substr(5));
    }
    return lines;
  }

  std::vector<std::string> calls;
  std::deque<std::optional<std::string>> answers;  // AskPackFile; none left: cancelled
  std::function<void(PortDialogPresenter&)> onDialog;
  std::function<void(DoctorDialogPresenter&)> onDoctorDialog;

 private:
  void Add(std::string call) { calls.push_back(std::move(call)); }
};

class FakeDialog final : public PortDialogView {
 public:
  void SelectPort(int index) override { port = index; }
  void SelectBaud(int index) override { Baud = index; }
  int SelectedPortIndex() const override { return port; }
  std::string PortText() const override { return Text; }
  void SetPortText(const std::string& typed) override { Text = typed; }
  int SelectedBaudIndex() const override { return Baud; }
  void Close() override { closed = true; }
  void ShowMessage(const MessageBoxRequest& request) override { boxes.push_back(BoxLine(request)); }

  int port = 0;      // as a new dialog: first items selected
  std::string Text;  // the port field's text; counts when port is -1
  int Baud = 0;
  bool closed = false;
  std::vector<std::string> boxes;
};

class FakeDoctorDialog final : public DoctorDialogView {
 public:
  void SetFindingsText(const std::string& shown) override { text = shown; }
  void SetRunAgainEnabled(bool enabled) override { runAgain = enabled; }
  void Close() override { closed = true; }

  std::string text;
  bool runAgain = false;
  bool closed = false;
};

using quorin::testing::TempDir;
using quorin::testing::WriteFile;

inline std::string ReadText(const std::string& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// A pack built by PackWriter; `breakIt` changes one firmware byte so its sum no longer matches.
inline std::vector<std::uint8_t> PackBytes(const PackFields& fields,
                                           std::size_t firmwareSize = 4000, bool breakIt = false) {
  std::vector<std::uint8_t> firmware(firmwareSize);
  for (std::size_t i = 0; i < firmware.size(); ++i)
    firmware[i] = static_cast<std::uint8_t>(i * 7 + 3);
  const auto image = BuildPackImage(firmware, fields);
  std::vector<std::uint8_t> bytes(image->begin(), image->end());
  if (breakIt) bytes[40] ^= 0xFF;
  return bytes;
}

}  // namespace quorin::test
