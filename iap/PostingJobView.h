#pragma once
// The view a job's worker talks to: every call is posted through the NotifySink and carried out on
// the UI thread against the real view, in the order the worker made the calls. The worker never
// waits for them. Calls still queued when the owner has gone are dropped unrun.
//
// Progress calls that follow each other with nothing else in between are folded into one posted
// call that shows the latest value when it runs (one data block every ~1 ms would otherwise post
// a call per block); any other call ends the folding, so the order of what is shown is kept.
#include <atomic>
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

  QUORIN_JOB_VIEW_OVERRIDES

 private:
  template <typename Call>
  void PostToView(Call call);

  // The progress value a posted progress call will show, and whether that call has yet to run.
  struct PendingProgress {
    std::atomic<std::uint32_t> Value{0};
    std::atomic<bool> Queued{false};
  };

  NotifySink& ui_;
  JobView& target_;
  std::weak_ptr<const void> alive_;
  std::shared_ptr<PendingProgress> progress_;  // the run of progress calls now being folded
};

}  // namespace quorin
