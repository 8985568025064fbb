#pragma once
// What a programming job shows. The window, the command line's console view and the tests
// implement it. Every method is called on the UI thread only; the worker reaches a view through a
// posting adapter that carries each call to the UI thread in the order the worker made them.
#include <cstdint>
#include <string>

namespace quorin {

class JobView {
 public:
  virtual ~JobView() = default;
  virtual void ClearLog() = 0;                                // ListBox1 emptied
  virtual void AddLogLine(const std::string& line) = 0;       // one new last line of the log
  virtual void SetUpdateKindText(const std::string& text) = 0;  // Label8
  virtual void SetGaugeVisible(bool visible) = 0;             // Gauge1
  virtual void SetGaugeMaximum(std::uint32_t maximum) = 0;
  virtual void SetGaugeProgress(std::uint32_t progress) = 0;  // kept within 0..maximum by the view
};

// The overrides a JobView declares, written once for the views that define them out of line (the
// window's presenter, the posting adapter, the console view): put it where the class declares its
// public members (as Qt's Q_OBJECT). A method added to JobView is then declared in all of them at
// once.
#define QUORIN_JOB_VIEW_OVERRIDES                           \
  void ClearLog() override;                                 \
  void AddLogLine(const std::string& line) override;        \
  void SetUpdateKindText(const std::string& text) override; \
  void SetGaugeVisible(bool visible) override;              \
  void SetGaugeMaximum(std::uint32_t maximum) override;     \
  void SetGaugeProgress(std::uint32_t progress) override;

}  // namespace quorin
