#include "iap/PostingJobView.h"

#include <utility>

namespace quorin {

template <typename Call>
void PostingJobView::PostToView(Call call) {
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
  PostToView([progress](JobView& v) { v.SetGaugeProgress(progress); });
}

}  // namespace quorin
