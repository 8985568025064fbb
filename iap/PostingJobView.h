#pragma once
// The view a job's worker talks to: every call is posted through the NotifySink and carried out on
// the UI thread against the real view, in the order the worker made the calls. The worker never
// waits for them. Calls still queued when the owner has gone are dropped unrun.
#include <cstdint>
#include <memory>
#include <string>

#include "comm/CommNotify.h"
#include "iap/JobView.h"

namespace quorin {

class PostingJobView final : public JobView {
 public:
  // `ui` and `target` must outlive every posted call that finds `alive` unexpired; `alive` expires
  // (on the UI thread) when the owner of `target` goes away. Any thread may call the methods.
  PostingJobView(NotifySink& ui, JobView& target, std::weak_ptr<const void> alive)
      : ui_(ui), target_(target), alive_(std::move(alive)) {}

  void ClearLog() override;
  void AddLogLine(const std::string& line) override;
  void SetUpdateKindText(const std::string& text) override;
  void SetGaugeVisible(bool visible) override;
  void SetGaugeMaximum(std::uint32_t maximum) override;
  void SetGaugeProgress(std::uint32_t progress) override;

 private:
  template <typename Call>
  void PostToView(Call call);

  NotifySink& ui_;
  JobView& target_;
  std::weak_ptr<const void> alive_;
};

}  // namespace quorin
