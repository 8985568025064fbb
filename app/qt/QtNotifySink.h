#pragma once
// The NotifySink of the desktop program: runs posted tasks on the GUI thread, in the order each
// thread posted them, through queued invocations on a QObject that lives on that thread.
#include <QObject>
#include <atomic>
#include <exception>
#include <functional>

#include "comm/CommNotify.h"

namespace quorin {

class QtNotifySink final : public QObject, public NotifySink {
 public:
  // Create on the GUI thread. `onError` (may be empty) is told of anything a task raises; the
  // remaining tasks still run.
  explicit QtNotifySink(std::function<void(const std::exception&)> onError = {},
                        QObject* parent = nullptr);
  // GUI thread. Stops taking tasks; tasks still queued are destroyed without running.
  ~QtNotifySink() override;
  QtNotifySink(const QtNotifySink&) = delete;
  QtNotifySink& operator=(const QtNotifySink&) = delete;

  // Any thread. Queues `task` for the GUI thread's event loop; false (task destroyed unrun)
  // once Shutdown was called.
  bool Post(std::function<void()> task) override;

  // Any thread. From now on Post refuses and queued tasks are skipped.
  void Shutdown();

 private:
  void RunTask(const std::function<void()>& task);

  std::function<void(const std::exception&)> onError_;
  std::atomic<bool> accepting_{true};
};

}  // namespace quorin
