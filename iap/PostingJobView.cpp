#include "iap/PostingJobView.h"

#include <utility>

namespace quorin {

template <typename Call>
void PostingJobView::PostToView(Call call) {
  progress_.reset();  // a later progress call must not be shown ahead of this one
  // A refused post (the sink is shut down) only drops a window change nobody can see any more.
  ui_.Post([alive = alive_, target = &target_, call = std::move(call)]() {
    if (!alive.expired()) call(*target);
  });
}

void PostingJobView::ClearLog() {
  PostToView([](JobView& v) { v.ClearLog(); });
}
void PostingJobView::AddLogLine(const std::string& line) {
  PostToView([line](JobView& v) { v.AddLogLine(line); });
}
void PostingJobView::SetUpdateKindText(const std::string& text) {
  PostToView([text](JobView& v) { v.SetUpdateKindText(text); });
}
void PostingJobView::SetGaugeVisible(bool visible) {
  PostToView([visible](JobView& v) { v.SetGaugeVisible(visible); });
}
void PostingJobView::SetGaugeMaximum(std::uint32_t maximum) {
  PostToView([maximum](JobView& v) { v.SetGaugeMaximum(maximum); });
}
void PostingJobView::SetGaugeProgress(std::uint32_t progress) {
  if (progress_) {
    // Store first, then look: either the queued call has not yet taken the value (it will show
    // this one), or it has already cleared `queued` and a new call is posted (seq_cst both sides).
    progress_->Value.store(progress);
    if (progress_->Queued.load()) return;
  }
  auto pending = std::make_shared<PendingProgress>();
  pending->Value.store(progress);
  pending->Queued.store(true);
  ui_.Post([alive = alive_, target = &target_, pending]() {
    pending->Queued.store(false);
    const std::uint32_t value = pending->Value.load();
    if (!alive.expired()) target->SetGaugeProgress(value);
  });
  progress_ = std::move(pending);
}

}  // namespace quorin
